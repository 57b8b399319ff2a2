#include "statistics/ControlLimits.h"

#include <algorithm>
#include <cmath>

namespace {

// JIS Z 9020-2 / ISO 7870-2, table 2, n = 2 … 25 (index n - 2).
const double A3[] = {2.659, 1.954, 1.628, 1.427, 1.287, 1.182, 1.099, 1.032,
                     0.975, 0.927, 0.886, 0.850, 0.817, 0.789, 0.763, 0.739,
                     0.718, 0.698, 0.680, 0.663, 0.647, 0.633, 0.619, 0.606};
const double B3[] = {0,     0,     0,     0,     0.030, 0.118, 0.185, 0.239,
                     0.284, 0.321, 0.354, 0.382, 0.406, 0.428, 0.448, 0.466,
                     0.482, 0.497, 0.510, 0.523, 0.534, 0.545, 0.555, 0.565};
const double B4[] = {3.267, 2.568, 2.266, 2.089, 1.970, 1.882, 1.815, 1.761,
                     1.716, 1.679, 1.646, 1.618, 1.594, 1.572, 1.552, 1.534,
                     1.518, 1.503, 1.490, 1.477, 1.466, 1.455, 1.445, 1.435};

double C4(int n)
{
    // lgamma keeps large n finite.
    return std::sqrt(2.0 / (n - 1)) * std::exp(std::lgamma(n / 2.0) - std::lgamma((n - 1) / 2.0));
}

} // namespace

TChartConstants ChartConstants(int n)
{
    TChartConstants k;
    if (n < 2)
        return k;
    k.c4 = C4(n);
    if (n <= 25) {
        k.a3 = A3[n - 2];
        k.b3 = B3[n - 2];
        k.b4 = B4[n - 2];
    } else {
        const double spread = 3.0 * std::sqrt(1.0 - k.c4 * k.c4) / k.c4;
        k.a3 = 3.0 / (k.c4 * std::sqrt(double(n)));
        k.b3 = std::max(0.0, 1.0 - spread);
        k.b4 = 1.0 + spread;
    }
    return k;
}

TSubgroup MakeSubgroup(const std::vector<double>& readings)
{
    TSubgroup g;
    g.n = int(readings.size());
    if (g.n == 0)
        return g;
    double sum = 0;
    for (double x : readings)
        sum += x;
    g.mean = sum / g.n;
    if (g.n >= 2) {
        double squares = 0;
        for (double x : readings)
            squares += (x - g.mean) * (x - g.mean);
        g.s = std::sqrt(squares / (g.n - 1));
    }
    return g;
}

TXbarSLimits ComputeXbarS(const std::vector<TSubgroup>& base)
{
    TXbarSLimits r;
    double weighted = 0, pooled = 0;
    int pooledN = 0, pooledDays = 0;
    for (const TSubgroup& g : base) {
        if (g.n <= 0)
            continue;
        weighted += g.n * g.mean;
        r.totalN += g.n;
        ++r.days;
        if (g.n >= 2) {
            pooled += (g.n - 1) * g.s * g.s;
            pooledN += g.n;
            ++pooledDays;
        }
    }
    if (r.totalN > 0)
        r.grandMean = weighted / r.totalN;
    if (pooledDays > 0) {
        r.sBar = std::sqrt(pooled / (pooledN - pooledDays));
        r.valid = true;
    }
    return r;
}

TSubgroupLimits LimitsFor(const TXbarSLimits& limits, int n)
{
    TSubgroupLimits l;
    // A single reading stands against the limits of one reading: X̿ ± 3 s̄.
    const double half = n >= 2 ? ChartConstants(n).a3 * limits.sBar : 3.0 * limits.sBar;
    l.xLow = limits.grandMean - half;
    l.xHigh = limits.grandMean + half;
    l.sigmaMean = half / 3.0;
    if (n >= 2) {
        const TChartConstants k = ChartConstants(n);
        l.hasS = true;
        l.sLow = k.b3 * limits.sBar;
        l.sHigh = k.b4 * limits.sBar;
    }
    return l;
}

std::vector<TSignal> XbarSignals(const std::vector<TSubgroup>& days, const TXbarSLimits& limits)
{
    std::vector<TSignal> out;
    if (!limits.valid || limits.sBar <= 0)
        return out;
    const int count = int(days.size());
    // Each day in units of its own σ of the mean from the centre line.
    std::vector<double> z(count);
    for (int i = 0; i < count; ++i)
        z[i] = (days[i].mean - limits.grandMean) / LimitsFor(limits, days[i].n).sigmaMean;
    const auto side = [&](int i) { return z[i] > 0 ? 1 : (z[i] < 0 ? -1 : 0); };
    // At least `need` of the last `window` days beyond `zone` σ on one side.
    const auto beyondOnOneSide = [&](int i, int window, int need, double zone) {
        if (i + 1 < window)
            return false;
        for (int sign : {1, -1}) {
            int hits = 0;
            for (int j = i - window + 1; j <= i; ++j)
                hits += sign * z[j] > zone;
            if (hits >= need && sign * z[i] > zone)
                return true;
        }
        return false;
    };
    const auto run = [&](int i, int length, auto&& holds) {
        if (i + 1 < length)
            return false;
        for (int j = i - length + 1; j <= i; ++j)
            if (!holds(j))
                return false;
        return true;
    };
    for (int i = 0; i < count; ++i) {
        const auto flag = [&](int test) { out.push_back({i, test}); };
        if (std::abs(z[i]) > 3)
            flag(1);
        if (side(i) != 0 && run(i, 9, [&](int j) { return side(j) == side(i); }))
            flag(2);
        // Six in a row rising or falling: five steps of one direction.
        const auto step = [&](int j) {
            return j > 0 ? (days[j].mean > days[j - 1].mean) - (days[j].mean < days[j - 1].mean)
                         : 0;
        };
        if (i >= 5 && step(i) != 0 && run(i, 5, [&](int j) { return step(j) == step(i); }))
            flag(3);
        // Fourteen alternating: thirteen steps, each the opposite of the one before.
        if (i >= 13 && run(i, 12, [&](int j) { return step(j) != 0 && step(j) == -step(j - 1); }))
            flag(4);
        if (beyondOnOneSide(i, 3, 2, 2.0))
            flag(5);
        if (beyondOnOneSide(i, 5, 4, 1.0))
            flag(6);
        if (run(i, 15, [&](int j) { return std::abs(z[j]) < 1; }))
            flag(7);
        if (run(i, 8, [&](int j) { return std::abs(z[j]) > 1; }))
            flag(8);
    }
    return out;
}

std::vector<int> SOutOfLimits(const std::vector<TSubgroup>& days, const TXbarSLimits& limits)
{
    std::vector<int> out;
    if (!limits.valid)
        return out;
    for (int i = 0; i < int(days.size()); ++i) {
        const TSubgroupLimits l = LimitsFor(limits, days[i].n);
        if (l.hasS && (days[i].s > l.sHigh || days[i].s < l.sLow))
            out.push_back(i);
    }
    return out;
}
