#pragma once

#include <vector>

// x̄-R control chart as the standard data sheet keeps it: subgroups of a few readings of one
// size, their mean and range, limits from the A2, D3 and D4 constants.

// Constants for a subgroup of n readings, 2 to 25 (JIS Z 9020-2 table 2: D4 2.574 for n = 3,
// 2.114 for n = 5); all 0 outside.
struct TRangeConstants
{
    double a2 = 0, d3 = 0, d4 = 0, d2 = 0;
};
TRangeConstants RangeConstants(int n);
constexpr int LargestRangeSubgroup = 25;

struct TRangeSubgroup
{
    int n = 0;
    double mean = 0;
    double range = 0; // largest less smallest
};
TRangeSubgroup MakeRangeSubgroup(const std::vector<double>& readings);

// Centre lines of subgroups of one size n (2 to 25): X̿ the mean of their means, R̄ the mean
// of their ranges.
struct TRangeLimits
{
    bool valid = false; // at least one subgroup
    int count = 0;      // subgroups used
    int n = 0;          // their size
    double sumOfMeans = 0;
    double sumOfRanges = 0;
    double grandMean = 0; // X̿
    double rBar = 0;      // R̄
};
// Subgroups of another size than the first one's are not counted.
TRangeLimits ComputeXbarR(const std::vector<TRangeSubgroup>& groups);

// The limits: X̿ ± A2 R̄, D4 R̄ and D3 R̄ (hasLow false where D3 is 0: n ≤ 6).
struct TRangeSubgroupLimits
{
    double xLow = 0, xHigh = 0;
    double rLow = 0, rHigh = 0;
    bool hasRLow = false;
};
TRangeSubgroupLimits RangeLimitsFor(const TRangeLimits& limits);

// Whether a subgroup's mean or range lies outside the limits.
struct TRangeFlag
{
    bool mean = false;
    bool range = false;
};
TRangeFlag RangeOutOfControl(const TRangeSubgroup& group, const TRangeLimits& limits);
