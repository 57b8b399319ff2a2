#pragma once

#include "reports/FormKit.h"
#include "reports/ReportModel.h"
#include "statistics/ControlLimits.h"

#include <QDateTime>
#include <optional>
#include <utility>

class TPageSink;

// The X̄–s control chart: one landscape sheet per mix and category and per 25 days, the X̄
// chart above the s chart, numbered "n / N" at the foot; under the sheet, every rule a flag of
// the page names, in words. Touches no table.

constexpr TFormPage XbarChartPage{ChartOrigin};

// Days that give the centre lines: those from `from` to `to` when both are valid, else all.
struct TBasePeriod
{
    QDate from, to;
    bool Given() const { return from.isValid() && to.isValid(); }
};

// What one series' chart shows: the subgroups, the centre lines from the base days, and the
// flags of the tests (on the X̄ chart) and of the s chart. A simulated day is plotted but gives
// no centre line and is tested by none, as if the measured days around it were neighbours.
struct TXbarSeriesStats
{
    std::vector<TSubgroup> days;
    TXbarSLimits limits;
    std::vector<TSignal> signals;
    std::vector<int> sOut;
    int decimals = 0;  // of the readings
    int simulated = 0; // days left out
};
TXbarSeriesStats XbarStats(const TStatSeries& series, const TBasePeriod& base);

// "管理外れ: 4/12 (1), 5/3 (2, 5)" for the days first .. first+count-1; "なし" without any.
QString FlagList(const TStatSeries& series, const TXbarSeriesStats& stats, int first, int count);
// The rules the flags of those days name, each once in ascending order.
std::vector<int> RulesFlagged(const TXbarSeriesStats& stats, int first, int count);
// What a rule of XbarSignals looks for, in words: "(2) 中心線の同じ側に9点連続".
QString XbarRuleText(int rule);

// The X̄ chart's range of one series: its means, its control limits and its specified limits,
// with a margin of a twentieth of their span (at least 0.5 °C), widened to whole steps of 1, 2
// or 5 °C.
void AutomaticXbarRange(const TStatSeries& series, const TBasePeriod& base, double& low,
                        double& high);

int XbarPages(const TStatSeries& series);

// pane as for DrawControlChart. range: the X̄ chart's axis (low < high) for every series; none:
// each series its own automatic range. The caller sets landscape orientation first.
void DrawXbarChart(const TStatDocument& doc, TPageSink& pane,
                   const std::optional<std::pair<double, double>>& range, const TBasePeriod& base);
