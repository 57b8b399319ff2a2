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
    std::optional<double> cpk; // at least one limit and s > 0
    QString judgement;         // 十分 / まずまず / 不足, empty when neither index exists
};

TCapability ComputeCapability(const std::vector<double>& readings, std::optional<double> lowerLimit,
                              std::optional<double> upperLimit);
