#pragma once

#include "reports/FormKit.h"
#include "reports/ReportModel.h"

class TCanvas;
class TChartMemo;
class TPageSink;

// Value cells of the title block that stay struck out: specified maximum and minimum, sample
// size and interval.
struct TChartCells
{
    bool limitHigh = false;
    bool limitLow = false;
    bool sampleSize = false;
    bool sampleInterval = false;
};

// The chart's pages: landscape, numbered below the notes.
constexpr TFormPage ControlChartPage{ChartOrigin, {0, 16.3f, 26.7f, 16.9f}};

// The static landscape sheet of the X control chart, drawn anew on every page and placed on it
// (ControlChartPage); the value cells not filled are struck out. Leaves the pen one dot wide,
// solid, in the colour of setting HotbinMemoriColor (aqua when empty), and the font at 10 points.
void DrawChartFrame(TCanvas& canvas, const TChartCells& filled = TChartCells());

// Pages one mix takes: 22 days a sheet, one sheet also without days.
int ChartPages(const TChartMix& mix);

// Draws the X control chart of the document into `pane`: one landscape sheet per mix and per
// 22 days, numbered "n / N" at the foot. Touches no table.
//
// pane       the preview pane, already in a document (BeginDocument); the chart adds the pages
//            after the first and never ends the document.
// low, high  temperature axis in °C as the dialog parsed them; kept to four decimals, an exact
//            half going to the even neighbour. Equal bounds draw the sheet with its title,
//            period, measurer and days but no axis, reference lines or points.
// Whatever lies outside the range is clipped at the plot's edge.
// The caller sets landscape orientation first.
void DrawControlChart(const TChartDocument& doc, TPageSink& pane, double low, double high);

// Memo1 of the main window: cleared, then each charted mix followed by its days.
void FillChartMemo(const TChartDocument& doc, TChartMemo& memo);
