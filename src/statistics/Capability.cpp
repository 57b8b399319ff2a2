#include "statistics/Capability.h"

#include <algorithm>
#include <cmath>

namespace {

double MeasurementUnit(const std::vector<double>& readings)
{
    for (double unit : {1.0, 0.1})
        if (std::all_of(readings.begin(), readings.end(), [unit](double x) {
                const double steps = x / unit;
                return std::abs(steps - std::round(steps)) < 1e-6;
            }))
            return unit;
    return 0.01;
}

} // namespace

THistogram MakeHistogram(const std::vector<double>& readings)
{
    THistogram h;
    if (readings.empty())
        return h;
    h.unit = MeasurementUnit(readings);
    const auto [lo, hi] = std::minmax_element(readings.begin(), readings.end());
    const int wanted = std::clamp(int(std::lround(std::sqrt(double(readings.size())))), 5, 20);
    // Count in whole units so the boundaries stay exact halves.
    const long spanUnits = std::lround((*hi - *lo) / h.unit) + 1;
    long widthUnits = std::max(1L, (spanUnits + wanted - 1) / wanted);
    h.width = widthUnits * h.unit;
    const double start = *lo - h.unit / 2;
    const int classes = int((spanUnits + widthUnits - 1) / widthUnits);
    for (int i = 0; i < classes; ++i)
        h.classes.push_back({start + i * h.width, start + (i + 1) * h.width, 0});
    for (double x : readings) {
        const int i = std::min(classes - 1, int(std::floor((x - start) / h.width)));
        ++h.classes[std::max(0, i)].count;
    }
    return h;
}

TCapability ComputeCapability(const std::vector<double>& readings, std::optional<double> lowerLimit,
                              std::optional<double> upperLimit)
{
    TCapability c;
    c.n = int(readings.size());
    if (c.n == 0)
        return c;
    double sum = 0;
    c.min = c.max = readings.front();
    for (double x : readings) {
        sum += x;
        c.min = std::min(c.min, x);
        c.max = std::max(c.max, x);
        if ((lowerLimit && x < *lowerLimit) || (upperLimit && x > *upperLimit))
            ++c.outside;
    }
    c.mean = sum / c.n;
    c.outsideShare = double(c.outside) / c.n;
    if (c.n >= 2) {
        double squares = 0;
        for (double x : readings)
            squares += (x - c.mean) * (x - c.mean);
        c.s = std::sqrt(squares / (c.n - 1));
    }
    if (c.s > 0) {
        if (lowerLimit && upperLimit)
            c.cp = (*upperLimit - *lowerLimit) / (6 * c.s);
        if (upperLimit)
            c.cpk = (*upperLimit - c.mean) / (3 * c.s);
        if (lowerLimit) {
            const double lower = (c.mean - *lowerLimit) / (3 * c.s);
            c.cpk = c.cpk ? std::min(*c.cpk, lower) : lower;
        }
    }
    if (c.cpk)
        c.judgement = CapabilityJudgement(*c.cpk, c.outside);
    return c;
}

QString CapabilityJudgement(double cpk, int outside)
{
    const QString verdict = CapabilityVerdict(cpk);
    return outside > 0 && verdict == QStringLiteral("十分") ? QStringLiteral("まずまず") : verdict;
}

QString CapabilityVerdict(double index)
{
    return index >= 1.33   ? QStringLiteral("十分")
           : index >= 1.00 ? QStringLiteral("まずまず")
                           : QStringLiteral("不足");
}

QString CapabilityFigure(double index)
{
    const QString verdict = CapabilityVerdict(index);
    for (int decimals = 2; decimals <= 6; ++decimals) {
        const QString text = QString::number(index, 'f', decimals);
        if (CapabilityVerdict(text.toDouble()) == verdict)
            return text;
    }
    // Just under a threshold: cut, not rounded, so the figure stays under it.
    return QString::number(std::floor(index * 1e6) / 1e6, 'f', 6);
}
