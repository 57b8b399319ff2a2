#include "statistics/RangeChart.h"

#include <algorithm>

namespace {

// n = 2 … 25 (index n - 2).
const double A2[] = {1.880, 1.023, 0.729, 0.577, 0.483, 0.419, 0.373, 0.337,
                     0.308, 0.285, 0.266, 0.249, 0.235, 0.223, 0.212, 0.203,
                     0.194, 0.187, 0.180, 0.173, 0.167, 0.162, 0.157, 0.153};
const double D3[] = {0,     0,     0,     0,     0,     0.076, 0.136, 0.184,
                     0.223, 0.256, 0.283, 0.307, 0.328, 0.347, 0.363, 0.378,
                     0.391, 0.403, 0.415, 0.425, 0.434, 0.443, 0.451, 0.459};
const double D4[] = {3.267, 2.574, 2.282, 2.114, 2.004, 1.924, 1.864, 1.816,
                     1.777, 1.744, 1.717, 1.693, 1.672, 1.653, 1.637, 1.622,
                     1.608, 1.597, 1.585, 1.575, 1.566, 1.557, 1.548, 1.541};
const double Dd2[] = {1.128, 1.693, 2.059, 2.326, 2.534, 2.704, 2.847, 2.970,
                      3.078, 3.173, 3.258, 3.336, 3.407, 3.472, 3.532, 3.588,
                      3.640, 3.689, 3.735, 3.778, 3.819, 3.858, 3.895, 3.931};

} // namespace

TRangeConstants RangeConstants(int n)
{
    if (n < 2 || n > LargestRangeSubgroup)
        return {};
    return {A2[n - 2], D3[n - 2], D4[n - 2], Dd2[n - 2]};
}

TRangeSubgroup MakeRangeSubgroup(const std::vector<double>& readings)
{
    TRangeSubgroup g;
    g.n = int(readings.size());
    if (g.n == 0)
        return g;
    double sum = 0;
    for (double x : readings)
        sum += x;
    g.mean = sum / g.n;
    const auto [lo, hi] = std::minmax_element(readings.begin(), readings.end());
    g.range = *hi - *lo;
    return g;
}

TRangeLimits ComputeXbarR(const std::vector<TRangeSubgroup>& groups)
{
    TRangeLimits r;
    for (const TRangeSubgroup& g : groups) {
        if (RangeConstants(g.n).d2 <= 0 || (r.n != 0 && g.n != r.n))
            continue;
        r.n = g.n;
        ++r.count;
        r.sumOfMeans += g.mean;
        r.sumOfRanges += g.range;
    }
    if (r.count == 0)
        return r;
    r.valid = true;
    r.grandMean = r.sumOfMeans / r.count;
    r.rBar = r.sumOfRanges / r.count;
    return r;
}

TRangeSubgroupLimits RangeLimitsFor(const TRangeLimits& limits)
{
    TRangeSubgroupLimits l;
    const TRangeConstants k = RangeConstants(limits.n);
    l.xLow = limits.grandMean - k.a2 * limits.rBar;
    l.xHigh = limits.grandMean + k.a2 * limits.rBar;
    l.rLow = k.d3 * limits.rBar;
    l.rHigh = k.d4 * limits.rBar;
    l.hasRLow = k.d3 > 0;
    return l;
}

TRangeFlag RangeOutOfControl(const TRangeSubgroup& group, const TRangeLimits& limits)
{
    TRangeFlag f;
    if (!limits.valid || group.n != limits.n)
        return f;
    const TRangeSubgroupLimits l = RangeLimitsFor(limits);
    f.mean = group.mean > l.xHigh || group.mean < l.xLow;
    f.range = group.range > l.rHigh || (l.hasRLow && group.range < l.rLow);
    return f;
}
