#pragma once

#include "reports/FormKit.h"
#include "reports/ReportModel.h"
#include "statistics/RangeChart.h"

class TCanvas;
class TPageSink;

// The x̄-R control chart with its data sheet (x̄-R 管理データシート): per mix and category and
// per 25 subgroups a landscape data sheet listing each subgroup (組番号, 月日, x1 … xN, Σx, x̄,
// R) with the calculation of the limits beside it, then the x̄ chart over the R chart of the
// same subgroups. The limits come from every measured subgroup of the period printed.
// Touches no table.

constexpr TFormPage XbarRChartPage{ChartOrigin};
constexpr int XbarRPerSheet = 25;
constexpr int SmallestXbarRSize = 2;
constexpr int LargestXbarRSize = 5;

// How subgroups are formed (settings XbarRKumi, XbarRKikakuSen): `size` consecutive readings
// of one day in load order; and whether the x̄ chart shows the specified limits.
struct TXbarRSettings
{
    int size = 4;
    bool specLines = true;
};
// A stored size outside 2 to 5 reads as the default, 4.
TXbarRSettings ReadXbarRSettings();
void WriteXbarRSettings(const TXbarRSettings& settings);
// The size typed ("4"); anything but a whole number from 2 to 5 raises AppError quoting it.
int XbarRSizeOf(const QString& text);

// One subgroup, numbered from 1 over the period, and where it comes from.
struct TXbarRRow
{
    int number = 0;
    QDateTime day;
    std::vector<double> readings;
    TRangeSubgroup group;
    bool simulated = false;
    QString measurer;
    TRangeFlag flag; // outside the limits; never for a simulated day
};

// A series' subgroups and the limits of its measured ones. A day's last readings that do not
// fill a subgroup are in none; a simulated day's subgroups keep their rows but enter no figure.
struct TXbarRSeries
{
    int size = 4;
    std::vector<TXbarRRow> rows;
    TRangeLimits limits;
    int leftOut = 0;     // readings in no subgroup
    int leftOutDays = 0; // days they come from
    int decimals = 0;    // of the readings
    int simulated = 0;   // days left out of the limits
};
TXbarRSeries XbarRSeries(const TStatSeries& series, int size);

// A series with at least one measured subgroup.
bool EnoughForXbarR(const TStatSeries& series, int size);

// Data sheets (and as many charts) one series takes: one also without subgroups.
int XbarRSheets(const TXbarRSeries& series);

// "管理外れ: No.5 10/7 (x̄), No.12 10/20 (R)" for the rows from .. to - 1; "なし" without.
QString OutOfControlList(const TXbarRSeries& series, int from, int to);

// The title block of sheet `sheet` of a series: the document's period, the measurers of the
// sheet's days, the subgroup size.
TTitleBlock XbarRTitle(const TStatDocument& doc, const TStatSeries& series, const TXbarRSeries& s,
                       int sheet);

// The data sheet of subgroups sheet × 25 … on a fresh page: the table, the sheet's 小計, and
// beside it the calculation of the limits over the period and the constants of sizes 2 to 5.
void DrawXbarRDataSheet(TCanvas& canvas, const TStatDocument& doc, const TStatSeries& series,
                        const TXbarRSeries& s, int sheet, const TTitleBlock& title);

// pane as for DrawControlChart. The caller sets landscape orientation first.
void DrawXbarRChart(const TStatDocument& doc, TPageSink& pane, const TXbarRSettings& settings);
