#pragma once

#include "reports/CanvasTypes.h"
#include "reports/FormKit.h"
#include "reports/ReportModel.h"

#include <QList>
#include <QStringList>
#include <vector>

class TCanvas;

// The plot of the X control chart: one band of it with its temperature axis, reference lines
// and points. The whole plot is one band; with panels each category has one of its own.

// Where the plot lies on the sheet (ControlChartPage) and its day columns.
constexpr int ChartDaysPerPage = 22;
constexpr float ChartPlotTop = 4.2f;
constexpr float ChartPlotBottom = 12.4f;
constexpr float ChartPlotLeft = 3.4f;
constexpr float ChartPlotRight = 26.5f;
constexpr float ChartFirstDayX = 4.4f;

// A band of the plot from top to bottom (cm) over the temperatures low to high, kept to four
// decimals, an exact half going to the even neighbour. Equal bounds leave no scale.
class TChartBand
{
public:
    TChartBand(double low, double high, float top, float bottom);

    bool Valid() const { return m_high != m_low; }
    float Top() const { return m_top; }
    float Bottom() const { return m_bottom; }
    float Y(double v) const;
    // The axis positions are kept to 0.0001 cm like the rest of the fixed-point sums.
    float AxisY(qint64 fixed) const;
    qint64 Low() const { return m_low; }
    qint64 High() const { return m_high; }
    double Span() const;

private:
    qint64 m_low, m_high;
    float m_top, m_bottom;
};

// Labels every 10, 20 or 50 °C (more on very wide ranges), `pitch` text heights apart at least
// and inside the band, at `points`; aqua lines across the band.
void DrawChartAxis(TCanvas& canvas, const TChartBand& band, int points = 9, float pitch = 2);

// The reference lines inside the band, each in its category's style (by its place among the
// ticked ones: solid, dashed, dash-dot, dash-dot-dot, dotted, then round again; limits red,
// averages black), and their labels in the column left of the axis: one label for the lines of the
// same kind and value, with the marker of each of their categories, moved apart with a leader where
// labels crowd. `top` is where the labels may start (below a panel's name).
void DrawChartReferences(TCanvas& canvas, const TChartBand& band, const std::vector<TOJ>& lines,
                         float top);

// One category's markers and joining lines on the page's days; a day without values breaks the
// run; maxima filled red, minima hollow blue, a simulated day's both hollow; a point outside the
// specified range ringed in red. Whatever lies outside the band is drawn on its edge.
void DrawChartSeries(TCanvas& canvas, const TChartBand& band, const TChartSeries& series, int shape,
                     const QList<QDateTime>& days, const TDaySpan& span);

// Under the sheet, right of the notes, two entries a row: per category its name, its markers for
// 最高 and 最低, a sample of its limit line and its sample size (試料); then the ring of a point
// out of the specified range. Returns where the legend ends.
float DrawChartLegend(TCanvas& canvas, const TChartMix& mix);
// After the ring, on a page with a simulated day: its hollow markers. Returns where it ends.
float DrawChartSimulatedKey(TCanvas& canvas, const TChartMix& mix);

// An axis that holds the values, on whole 10 °C steps with at least 5 °C to spare; 100 to 200
// without any.
void WholeTensAround(const std::vector<double>& values, double& low, double& high);
