#pragma once

#include <vector>

// X̄–s control chart with one day as one subgroup of varying size.

// Control chart constants for a subgroup of n readings (n >= 2): the published table values
// up to 25, the c4 formulas above.
struct TChartConstants
{
    double c4 = 0, a3 = 0, b3 = 0, b4 = 0;
};
TChartConstants ChartConstants(int n);

struct TSubgroup
{
    int n = 0;
    double mean = 0;
    double s = 0; // sample standard deviation (n - 1 divisor); 0 when n < 2
};
TSubgroup MakeSubgroup(const std::vector<double>& readings);

struct TSubgroupLimits
{
    double xLow = 0, xHigh = 0; // X̄ chart
    double sigmaMean = 0;       // one σ of this day's mean, for the zones
    bool hasS = false;          // a day of one reading has no s point
    double sLow = 0, sHigh = 0; // s chart (centre is sBar)
};

struct TXbarSLimits
{
    double grandMean = 0; // X̿, weighted by the subgroup sizes
    double sBar = 0;      // pooled over the days with n >= 2
    int totalN = 0;
    int days = 0;
    bool valid = false; // false when no day has two readings
};

// Centre lines from the base days (phase I); the limits of any day follow from them.
TXbarSLimits ComputeXbarS(const std::vector<TSubgroup>& base);
TSubgroupLimits LimitsFor(const TXbarSLimits& limits, int n);

// A day that completes a pattern of the tests for assignable causes, with the test's number
// (1 to 8); a day may be flagged by several tests.
struct TSignal
{
    int index = 0;
    int test = 0;
};
std::vector<TSignal> XbarSignals(const std::vector<TSubgroup>& days, const TXbarSLimits& limits);
// The s chart is tested for points beyond its limits only.
std::vector<int> SOutOfLimits(const std::vector<TSubgroup>& days, const TXbarSLimits& limits);
