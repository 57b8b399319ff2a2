#pragma once

#include "reports/FormKit.h"
#include "reports/ReportModel.h"
#include "statistics/RangeChart.h"

class TPageSink;

// The x̄-R control chart in the form of the standard data sheet: one landscape sheet per mix and
// category and per 20 subgroups, the x̄ chart over the R chart with each subgroup's date, size,
// x̄ and R beneath, and beside them the constants of the sizes used with the limits they give
// and every calculation of the limits so far. Limits come from the first 20 subgroups, then
// from all before each further 20. Touches no table.

constexpr TFormPage XbarRChartPage{ChartOrigin};
constexpr int XbarRPerPage = 20;

// How subgroups are formed (settings XbarRKumi, XbarRKikakuSen): a day each (size 0), or runs
// of `size` readings within a day (a shorter rest of two or more a subgroup of its own); and
// whether the x̄ chart shows the specified limits.
struct TXbarRSettings
{
    int size = 0;
    bool specLines = true;
};
TXbarRSettings ReadXbarRSettings();
void WriteXbarRSettings(const TXbarRSettings& settings);

// One subgroup and where it comes from.
struct TXbarRRow
{
    QDateTime day;
    TRangeSubgroup group;
    bool simulated = false;
    QString measurer;
};

// A series' subgroups and the calculations of its limits. A day larger than 25 readings is
// split into equal subgroups; a single reading (a day of one, or the rest of a day) is in none.
// A simulated day's subgroups keep their columns but enter no calculation and are never
// flagged: a sheet's limits come from the measured subgroups among those the rule names.
struct TXbarRSeries
{
    std::vector<TXbarRRow> rows;
    std::vector<TRangeSubgroup> groups;
    std::vector<TRangeStep> steps; // one a sheet
    int leftOut = 0;               // readings in no subgroup
    int decimals = 0;              // of the readings
    int simulated = 0;             // days left out of the calculations
};
TXbarRSeries XbarRSeries(const TStatSeries& series, const TXbarRSettings& settings);

// A series with at least 20 measured subgroups: what the first limits need.
bool EnoughForXbarR(const TStatSeries& series, const TXbarRSettings& settings);

int XbarRPages(const TXbarRSeries& series);

// "管理外れ: No.5 10/7 (x̄), No.12 10/20 (R)" for the subgroups from .. to - 1; "なし" without.
QString OutOfControlList(const TXbarRSeries& series, int from, int to);

// pane as for DrawControlChart; each series on its own automatic range. The caller sets
// landscape orientation first.
void DrawXbarRChart(const TStatDocument& doc, TPageSink& pane, const TXbarRSettings& settings);
