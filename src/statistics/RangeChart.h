#pragma once

#include <vector>

// x̄-R control chart as the standard data sheet keeps it: subgroups of a few readings, their
// mean and range, limits from the A2, D3 and D4 constants, recalculated as data accumulate.

// Constants for a subgroup of n readings, 2 to 25 (JIS Z 9020-2 table 2, D4 correctly rounded
// from d2 and d3: 2.575 for n = 3, 2.115 for n = 5, as the Japanese data sheets print them);
// all 0 outside.
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

// Centre lines from a run of subgroups of 2 to 25 readings. With subgroups of one size these
// are X̿ and R̄ of the data sheet; with several sizes σ̂ is the mean of R / d2 and each size's
// R̄ is d2 σ̂, so that the same A2, D3 and D4 apply.
struct TRangeLimits
{
    bool valid = false;   // at least one subgroup
    int count = 0;        // subgroups used
    int totalN = 0;       // readings in them
    double grandMean = 0; // X̿, weighted by the subgroup sizes
    double rBar = 0;      // mean of the ranges
    double sigma = 0;     // mean of R / d2
    bool oneSize = true;

    double RBarFor(int n) const;
};
TRangeLimits ComputeXbarR(const std::vector<TRangeSubgroup>& groups, int first, int count);

// The limits of a subgroup of n readings: X̿ ± A2 R̄, D4 R̄ and D3 R̄ (R̄ of that size).
struct TRangeSubgroupLimits
{
    double xLow = 0, xHigh = 0;
    double rCentre = 0, rLow = 0, rHigh = 0;
};
TRangeSubgroupLimits RangeLimitsFor(const TRangeLimits& limits, int n);

// One calculation of the limits and the subgroups they apply to, [from, to). The first uses
// the first `every` subgroups and applies to them; each later one uses every subgroup before
// the ones it applies to, the next `every`.
struct TRangeStep
{
    int from = 0, to = 0;
    TRangeLimits limits;
};
std::vector<TRangeStep> RangeSteps(const std::vector<TRangeSubgroup>& groups, int every);

// Whether a subgroup's mean or range lies outside its limits.
struct TRangeFlag
{
    bool mean = false;
    bool range = false;
};
TRangeFlag RangeOutOfControl(const TRangeSubgroup& group, const TRangeLimits& limits);
