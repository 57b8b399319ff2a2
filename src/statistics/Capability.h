#pragma once

#include <QString>
#include <optional>
#include <vector>

// Process capability of the readings of one category against its specified limits.

struct THistogramClass
{
    double low = 0, high = 0; // boundaries at half units, so no reading sits on one
    int count = 0;
};

struct THistogram
{
    double unit = 1;  // the measurement unit the readings were taken in
    double width = 1; // class width, a multiple of the unit
    std::vector<THistogramClass> classes;
};

// The unit is the finest decimal the readings use (1, 0.1 or 0.01); about √n classes,
// 5 to 20 where the spread of the readings allows that many.
THistogram MakeHistogram(const std::vector<double>& readings);

struct TCapability
{
    int n = 0;
    double mean = 0, s = 0, min = 0, max = 0;
    int outside = 0; // readings below the lower or above the upper limit
    double outsideShare = 0;
    std::optional<double> cp;  // both limits and s > 0
    std::optional<double> cpk; // at least one limit and s > 0: Cpl or Cpu alone when one-sided
    QString judgement;         // CapabilityJudgement; empty without Cpk
};

TCapability ComputeCapability(const std::vector<double>& readings, std::optional<double> lowerLimit,
                              std::optional<double> upperLimit);

// The verdict of a capability index: 1.33 or more 十分, 1.00 or more まずまず, else 不足.
QString CapabilityVerdict(double index);
// The verdict of a process: that of Cpk, but never 十分 while a reading lies outside the
// specified limits (まずまず then).
QString CapabilityJudgement(double cpk, int outside);
// The index with two decimals, or as many more (up to six) as it takes for the printed figure
// to fall on the same side of 1.00 and 1.33 as the index itself: 0.998 prints "0.998", never
// "1.00".
QString CapabilityFigure(double index);
