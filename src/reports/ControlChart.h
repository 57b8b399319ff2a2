#pragma once

#include "reports/FormKit.h"
#include "reports/ReportModel.h"

class TCanvas;
class TChartMemo;
class TPageSink;

// The chart's pages: landscape.
constexpr TFormPage ControlChartPage{ChartOrigin};

// The static landscape sheet of the X control chart, drawn anew on every page and placed on it
// (ControlChartPage): frame, name, the rows under the plot and the notes. The title block is
// the page's own. Leaves the pen one dot wide, solid, in the colour of setting
// HotbinMemoriColor (aqua when empty).
void DrawChartFrame(TCanvas& canvas);

// Pages one mix takes: 22 days a sheet, one sheet also without days.
int ChartPages(const TChartMix& mix);

// Draws the X control chart of the document into `pane`: one landscape sheet per mix and per
// 22 days, each under a title block with the document's period. Each category has its own
// marker, filled at the maximum (red) and hollow at the minimum (blue), and its own line style
// for its limits and average, named in a legend with its sample size; a point outside the
// category's specified range is ringed in red. Reference lines are labelled at their values in
// the column left of the plot (lines of the same kind and value share one label with each
// category's marker), moved apart with leader lines when close. The 記事 row shows each day's
// weather, air temperature and a note number for its 記事, listed under the sheet. Touches no
// table.
//
// pane       the preview pane, already in a document (BeginDocument); the chart adds the pages
//            after the first and never ends the document.
// low, high  temperature axis in °C as the dialog parsed them; kept to four decimals, an exact
//            half going to the even neighbour. Equal bounds draw the sheet with its title
//            block and days but no axis, reference lines or points.
// Whatever lies outside the range is drawn on the plot's edge.
// The caller sets landscape orientation first.
void DrawControlChart(const TChartDocument& doc, TPageSink& pane, double low, double high);

// The same sheets with a panel per category down the plot, each on the range of its own values
// and lines (AutomaticChartRange of that category alone), its name at its top left.
void DrawControlChartPanels(const TChartDocument& doc, TPageSink& pane);

// An axis that holds every plotted value and reference line of the document, on whole 10 °C
// steps with at least 5 °C to spare; 100 to 200 without any.
void AutomaticChartRange(const TChartDocument& doc, double& low, double& high);

// The mixes and days the chart showed: cleared, then each charted mix followed by its days.
void FillChartMemo(const TChartDocument& doc, TChartMemo& memo);
