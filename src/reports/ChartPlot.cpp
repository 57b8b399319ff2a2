#include "reports/ChartPlot.h"

#include "core/Settings.h"
#include "core/Utility.h"
#include "reports/Canvas.h"
#include "reports/Print.h"
#include "reports/StyleLine.h"

#include <QDateTime>
#include <algorithm>
#include <cmath>

namespace {

constexpr float MarkerRadius = 0.1f;
constexpr float LabelLeft = 0.3f, LabelRight = 2.35f; // reference labels
constexpr float AxisLeft = 2.6f, AxisRight = 3.35f;   // axis values
constexpr float UnderSheet = 15.05f;
constexpr float LegendLeft = 13.6f;
constexpr float LegendRow = 0.38f;
constexpr float LegendEntry = 6.5f;

qint64 ToFixed(double v)
{
    return qint64(std::nearbyint(v * 10000.0));
}

double FromFixed(qint64 v)
{
    return double(v) / 10000.0;
}

// The part of the segment inside the band's height; false when none is.
bool ClipToBand(const TChartBand& band, float x1, float& y1, float x2, float& y2, float& cx1,
                float& cx2)
{
    const float top = band.Top(), bottom = band.Bottom();
    cx1 = x1;
    cx2 = x2;
    if ((y1 < top && y2 < top) || (y1 > bottom && y2 > bottom))
        return false;
    auto clip = [&](float& x, float& y, float ox, float oy) {
        const float edge = y < top ? top : y > bottom ? bottom : y;
        if (edge != y) {
            x = x + (ox - x) * (edge - y) / (oy - y);
            y = edge;
        }
    };
    const float oy1 = y1, oy2 = y2;
    clip(cx1, y1, x2, oy2);
    clip(cx2, y2, x1, oy1);
    return true;
}

void JoiningLine(TCanvas& c, const TChartBand& band, float x1, float y1, float x2, float y2)
{
    float cx1 = 0, cx2 = 0;
    if (!ClipToBand(band, x1, y1, x2, y2, cx1, cx2))
        return;
    SetPenWidthMm(c, 0.15f);
    PrintLine(c, cx1, y1, cx2, y2, 1);
    c.SetPenWidth(1);
}

// A red ring round a point outside the specified range.
void Ring(TCanvas& c, float x, float y, float r)
{
    c.SetPenColor(clRed);
    SetPenWidthMm(c, 0.25f);
    c.SetBrushStyle(TBrushStyle::Clear);
    PrintCircle(c, x, y, r);
    c.SetBrushStyle(TBrushStyle::Solid);
    c.SetPenColor(clBlack);
    c.SetPenWidth(1);
}

QString LineValue(double v)
{
    // Rounded on its decimal value, as the day averages are.
    return FormatFixed(RoundDecimals(1, v, TSettings::Rounding()), 1);
}

// The lines of one label: the same kind at the same printed value.
struct TLabelGroup
{
    QString text;
    bool isLimit = false;
    float y = 0;
    std::vector<int> series; // markers, in the order the categories were ticked
};

float MarkerStep(float r)
{
    return 2 * r + 0.05f;
}

// A category's line, its pattern kept dot by dot as a printer's wide pen needs; dashes of a few
// millimetres rather than the canvas's fine default keep a line across the plot to some fifty
// strokes and still show in the legend's short sample.
void CategoryLine(TCanvas& c, float x1, float y1, float x2, float y2, int place)
{
    // Points drawn and skipped in turn: solid, dash, dash-dot, dash-dot-dot, dot.
    static const std::vector<std::vector<int>> patterns{
        {}, {8, 4}, {8, 3, 2, 3}, {8, 3, 2, 3, 2, 3}, {2, 3}};
    const std::vector<int>& pattern = patterns[size_t(((place % 5) + 5) % 5)];
    const TSheetDots dots = SheetDots(c.SheetOrigin());
    TStyleLine line;
    line.Canvas = &c;
    line.SetWidth(c.PenWidth());
    line.SetStyle(1);
    if (!pattern.empty()) {
        line.Style = 0;
        line.SegmentCount = int(pattern.size());
        line.CycleLength = 0;
        for (size_t i = 0; i < pattern.size(); ++i) {
            line.Segments[i + 1] = int(std::lround(double(pattern[i]) * c.DpiX() / 72.0));
            line.CycleLength += line.Segments[i + 1];
        }
    }
    line.MoveTo(dots.X(x1), dots.Y(y1));
    line.LineTo(dots.X(x2), dots.Y(y2));
}

void SampleLine(TCanvas& c, float x1, float x2, float y, TColor colour, int place)
{
    c.SetPenColor(colour);
    SetPenWidthMm(c, 0.3f);
    CategoryLine(c, x1, y, x2, y, place);
    c.SetPenWidth(1);
    c.SetPenColor(clBlack);
}

// Entry `index` of the legend: two a row.
void LegendAt(int index, float& x, float& y)
{
    x = LegendLeft + LegendEntry * float(index % 2);
    y = UnderSheet + LegendRow * float(index / 2);
}

} // namespace

TChartBand::TChartBand(double low, double high, float top, float bottom)
    : m_low(ToFixed(low)), m_high(ToFixed(high)), m_top(top), m_bottom(bottom)
{
}

double TChartBand::Span() const
{
    return FromFixed(m_high) - FromFixed(m_low);
}

float TChartBand::Y(double v) const
{
    return float(m_top + (m_bottom - m_top) * (FromFixed(m_high) - v) / Span());
}

float TChartBand::AxisY(qint64 v) const
{
    const double y = m_top + (m_bottom - m_top) * double(m_high - v) / double(m_high - m_low);
    return float(FromFixed(ToFixed(y)));
}

void DrawChartAxis(TCanvas& c, const TChartBand& band, int points, float pitch)
{
    const int points0 = c.FontSize();
    c.SetFontSize(points);
    const float height = band.Bottom() - band.Top();
    const float textHeight = TextHeightCm(c, QStringLiteral("0"));
    qint64 step = 10;
    for (const qint64 s : {10, 20, 50, 100, 200, 500, 1000}) {
        step = s;
        if (height * float(s) / float(band.Span()) >= pitch * textHeight)
            break;
    }
    const qint64 first = band.Low() / step / 10000 + 1;
    const qint64 last = band.High() / step / 10000 - 1;
    // The values, then their lines: beside the plot, the values never meet a line, and a page
    // writes the pens of the two once each rather than once a value.
    for (qint64 t = first; t <= last; ++t) {
        const float y = band.AxisY(step * t * 10000);
        if (y - textHeight / 2 >= band.Top() && y + textHeight / 2 <= band.Bottom())
            PrintText(c, QString::number(step * t), 2, AxisLeft, y - 0.3f, AxisRight, y + 0.3f, 0);
    }
    for (qint64 t = first; t <= last; ++t) {
        const float y = band.AxisY(step * t * 10000);
        PrintLine(c, ChartPlotLeft, y, ChartPlotRight, y, 1);
    }
    c.SetFontSize(points0);
}

void DrawChartReferences(TCanvas& c, const TChartBand& band, const std::vector<TOJ>& lines,
                         float top)
{
    std::vector<TLabelGroup> groups;
    for (const TOJ& line : lines) {
        const float y = band.Y(line.Value);
        if (y < band.Top() || y > band.Bottom())
            continue;
        c.SetPenColor(line.IsLimit ? clRed : clBlack);
        SetPenWidthMm(c, line.IsLimit ? 0.3f : 0.2f);
        CategoryLine(c, ChartPlotLeft, y, ChartPlotRight, y, line.Series);
        c.SetPenWidth(1);
        const QString text = line.Kind + QLatin1Char(' ') + LineValue(line.Value);
        // Two categories' 上限 185.0 read as one label with both markers.
        auto same = std::find_if(groups.begin(), groups.end(), [&](const TLabelGroup& g) {
            return g.text == text && g.isLimit == line.IsLimit;
        });
        if (same == groups.end())
            groups.push_back({text, line.IsLimit, y, {line.Series}});
        else
            same->series.push_back(line.Series);
    }
    c.SetPenColor(clBlack);
    std::stable_sort(groups.begin(), groups.end(),
                     [](const TLabelGroup& a, const TLabelGroup& b) { return a.y < b.y; });
    std::vector<float> lineY;
    for (const TLabelGroup& g : groups)
        lineY.push_back(g.y);
    const int points0 = c.FontSize();
    const auto widest = [&](int points) {
        c.SetFontSize(points);
        const float r = 0.014f * float(points);
        float w = 0;
        for (const TLabelGroup& g : groups)
            w = std::max(w,
                         TextWidthCm(c, g.text) + 0.05f + MarkerStep(r) * float(g.series.size()));
        return w;
    };
    const float bottom = band.Bottom();
    const TReferenceLabels labels =
        LayOutReferenceLabels(lineY, top, bottom - top, band.Bottom() - band.Top() > 4 ? 9 : 8,
                              LabelRight - LabelLeft, widest);
    c.SetFontSize(labels.points);
    const float r = 0.014f * float(labels.points);
    for (size_t k = 0; k < groups.size(); ++k) {
        const TLabelGroup& g = groups[k];
        const float y = labels.centres[k];
        const TColor colour = g.isLimit ? clRed : clBlack;
        c.SetFontColor(colour);
        const float width = TextWidthCm(c, g.text);
        PrintText(c, g.text, 2, LabelLeft, y - labels.pitch / 2, LabelRight, y + labels.pitch / 2,
                  0);
        float x = LabelRight - width - 0.05f - r;
        for (auto it = g.series.rbegin(); it != g.series.rend(); ++it, x -= MarkerStep(r))
            DrawMarker(c, *it, x, y, r, colour, true);
        if (std::abs(y - g.y) > 0.05f) {
            c.SetPenColor(colour);
            PrintLine(c, LabelRight + 0.02f, y, AxisLeft - 0.12f, g.y, 1);
        }
    }
    c.SetFontColor(clBlack);
    c.SetPenColor(clBlack);
    c.SetFontSize(points0);
}

void DrawChartSeries(TCanvas& c, const TChartBand& band, const TChartSeries& series, int shape,
                     const QList<QDateTime>& days, const TDaySpan& span)
{
    struct TPoint
    {
        float y;
        bool outside;
    };
    struct TDayPoints
    {
        float x;
        TPoint max, min;
        bool simulated;
    };
    const auto onBand = [&](float y) { return std::clamp(y, band.Top(), band.Bottom()); };
    std::vector<TDayPoints> drawn;
    bool hasPrev = false;
    TDayPoints prev{};
    for (int n = span.first; n < span.first + span.count; ++n) {
        const auto found = series.days.constFind(days[n]);
        if (found == series.days.constEnd()) {
            hasPrev = false;
            continue;
        }
        const TDayPoints now{ChartFirstDayX + float(n - span.first),
                             {band.Y(found->max), series.limits.Outside(found->max)},
                             {band.Y(found->min), series.limits.Outside(found->min)},
                             found->simulated};
        if (hasPrev) {
            JoiningLine(c, band, prev.x, prev.max.y, now.x, now.max.y);
            JoiningLine(c, band, prev.x, prev.min.y, now.x, now.min.y);
        }
        drawn.push_back(now);
        prev = now;
        hasPrev = true;
    }
    // Markers after all the lines, so that they lie on top: the lows, the highs over them and
    // the rings over both. Days are a centimetre apart, wider than a ring, so one kind drawn
    // for every day before the next kind covers what it did day by day, and a page writes its
    // pen and brush once a kind rather than once a marker.
    for (const TDayPoints& d : drawn)
        DrawMarker(c, shape, d.x, onBand(d.min.y), MarkerRadius, clBlue, false);
    for (const TDayPoints& d : drawn)
        DrawMarker(c, shape, d.x, onBand(d.max.y), MarkerRadius, clRed, !d.simulated);
    for (const TDayPoints& d : drawn)
        for (const TPoint& p : {d.max, d.min})
            if (p.outside)
                Ring(c, d.x, onBand(p.y), MarkerRadius * 1.9f);
}

float DrawChartLegend(TCanvas& c, const TChartMix& mix)
{
    const int points0 = c.FontSize();
    c.SetFontSize(8);
    const float r = 0.09f;
    int k = 0;
    for (size_t i = 0; i < mix.series.size(); ++i, ++k) {
        const TChartSeries& s = mix.series[i];
        float x = 0, y = 0;
        LegendAt(k, x, y);
        const float mid = y + LegendRow / 2;
        PrintFittedText(c, s.name, 0, TCmBox{x, y, x + 2.2f, y + LegendRow});
        DrawMarker(c, int(i), x + 2.4f, mid, r, clRed, true);
        PrintText(c, QStringLiteral("最高"), 0, x + 2.55f, y, x + 3.15f, y + LegendRow, 0);
        DrawMarker(c, int(i), x + 3.3f, mid, r, clBlue, false);
        PrintText(c, QStringLiteral("最低"), 0, x + 3.45f, y, x + 4.05f, y + LegendRow, 0);
        SampleLine(c, x + 4.1f, x + 4.8f, mid, clRed, int(i));
        PrintShrinkText(c,
                        QStringLiteral("試料 ") +
                            (s.sampleSize.isEmpty() ? QStringLiteral("—") : s.sampleSize),
                        0, x + 4.9f, y, x + LegendEntry - 0.1f, y + LegendRow, ReadablePoints);
    }
    float x = 0, y = 0;
    LegendAt(k, x, y);
    Ring(c, x + 2.4f, y + LegendRow / 2, r * 1.9f);
    PrintText(c, QStringLiteral("規格外"), 0, x + 2.65f, y, x + 4.0f, y + LegendRow, 0);
    c.SetFontSize(points0);
    return y + LegendRow;
}

float DrawChartSimulatedKey(TCanvas& c, const TChartMix& mix)
{
    const int points0 = c.FontSize();
    c.SetFontSize(8);
    float x = 0, y = 0;
    LegendAt(int(mix.series.size()) + 1, x, y);
    // Each category's marker, the last where the markers above stand.
    QList<QPair<int, TColor>> markers;
    for (int i = 0; i < int(mix.series.size()); ++i)
        markers << QPair<int, TColor>{i, clRed};
    const float r = 0.09f;
    const float first = x + 2.4f - r - float(markers.size() - 1) * (2 * r + 0.08f);
    DrawSimulatedKey(c, markers, std::max(x, first), y, y + LegendRow,
                     QStringLiteral("模擬値（中抜き）"));
    c.SetFontSize(points0);
    return y + LegendRow;
}

void WholeTensAround(const std::vector<double>& values, double& low, double& high)
{
    if (values.empty()) {
        low = 100;
        high = 200;
        return;
    }
    const auto [lo, hi] = std::minmax_element(values.begin(), values.end());
    low = std::floor((*lo - 5) / 10) * 10;
    high = std::ceil((*hi + 5) / 10) * 10;
}
