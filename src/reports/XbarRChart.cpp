#include "reports/XbarRChart.h"

#include "core/AppError.h"
#include "core/KikakuText.h"
#include "core/Settings.h"
#include "core/Utility.h"
#include "reports/Canvas.h"
#include "reports/PageSink.h"
#include "reports/Print.h"

#include <QStringList>
#include <algorithm>
#include <cmath>

namespace {

constexpr int DefaultSize = TXbarRSettings().size;

constexpr TCmBox TitleBox{0.2f, 1.1f, 26.5f, 3.3f};
constexpr float PlotLeft = 2.6f, PlotRight = 26.3f;
constexpr float Column = (PlotRight - PlotLeft) / XbarRPerSheet;
constexpr float XTop = 3.55f, XBottom = 8.55f;
constexpr float RTop = 8.85f, RBottom = 12.05f;
constexpr float TableTop = 12.2f, TableRow = 0.4f;
constexpr float ListTop = TableTop + TableRow * 2 + 0.05f;
constexpr float DotRadius = 0.07f;

struct TPlot
{
    float top, bottom;
    double low, high;
    float Y(double v) const { return float(top + (bottom - top) * (high - v) / (high - low)); }
    bool Inside(float y) const { return y >= top - 1e-4f && y <= bottom + 1e-4f; }
    float Clamp(float y) const { return std::clamp(y, top, bottom); }
};

float ColumnX(int k)
{
    return PlotLeft + Column * (float(k) + 0.5f);
}

int DecimalsOf(const TStatSeries& series)
{
    int decimals = 0;
    for (const TStatDay& d : series.days)
        for (double x : d.readings)
            for (int k = decimals; k < 2; ++k) {
                const double scaled = x * std::pow(10.0, k);
                if (std::abs(scaled - std::round(scaled)) < 1e-6)
                    break;
                decimals = k + 1;
            }
    return decimals;
}

QString Fixed(double v, int decimals)
{
    return QString::number(v, 'f', decimals);
}

double AxisStep(double span, int most)
{
    for (double s : {0.1, 0.2, 0.5, 1.0, 2.0, 5.0, 10.0, 20.0, 50.0, 100.0})
        if (span / s <= most)
            return s;
    return 200.0;
}

void DrawAxis(TCanvas& c, const TPlot& plot, int decimals)
{
    const double step = AxisStep(plot.high - plot.low, 6);
    c.SetFontSize(8);
    for (double v = std::ceil(plot.low / step - 1e-9) * step; v <= plot.high + 1e-9; v += step) {
        const float y = plot.Y(v);
        c.SetPenColor(clAqua);
        PrintLine(c, PlotLeft, y, PlotRight, y, 1);
        c.SetPenColor(clBlack);
        PrintText(c, QString::number(v, 'f', step < 1 ? std::max(1, decimals) : 0), 2, 1.9f,
                  y - 0.2f, 2.55f, y + 0.2f, 0);
    }
}

// Dots joined in order; a flagged one red and larger, a simulated one hollow.
void Points(TCanvas& c, const TPlot& plot, const std::vector<double>& values,
            const std::vector<bool>& flagged, const std::vector<bool>& hollow)
{
    SetPenWidthMm(c, 0.15f);
    for (size_t i = 0; i + 1 < values.size(); ++i) {
        const float y1 = plot.Y(values[i]), y2 = plot.Y(values[i + 1]);
        if (plot.Inside(y1) && plot.Inside(y2))
            PrintLine(c, ColumnX(int(i)), y1, ColumnX(int(i + 1)), y2, 1);
    }
    c.SetPenWidth(1);
    for (size_t i = 0; i < values.size(); ++i) {
        const float y = plot.Clamp(plot.Y(values[i]));
        if (hollow[i]) {
            DrawMarker(c, 0, ColumnX(int(i)), y, DotRadius, clBlack, false);
            continue;
        }
        const TColor colour = flagged[i] ? clRed : clBlack;
        c.SetBrushColor(colour);
        c.SetPenColor(colour);
        PrintCircle(c, ColumnX(int(i)), y, flagged[i] ? DotRadius * 1.6f : DotRadius);
    }
    c.SetBrushColor(clWhite);
    c.SetPenColor(clBlack);
}

// The x̄ chart's range: the means, the limits and (when shown) the specified limits, with a
// margin, on whole steps.
void XRange(const TXbarRSeries& s, const TStatSeries& series, bool specLines, double& low,
            double& high)
{
    double lo = 1e300, hi = -1e300;
    const auto take = [&](double v) {
        lo = std::min(lo, v);
        hi = std::max(hi, v);
    };
    for (const TXbarRRow& row : s.rows)
        take(row.group.mean);
    if (s.limits.valid) {
        const TRangeSubgroupLimits l = RangeLimitsFor(s.limits);
        take(l.xLow);
        take(l.xHigh);
    }
    if (specLines && series.lowerLimit)
        take(*series.lowerLimit);
    if (specLines && series.upperLimit)
        take(*series.upperLimit);
    if (lo > hi) {
        low = 100;
        high = 200;
        return;
    }
    const double margin = std::max(0.5, (hi - lo) / 20);
    const double step = AxisStep(hi - lo + 2 * margin, 8);
    low = std::floor((lo - margin) / step) * step;
    high = std::ceil((hi + margin) / step) * step;
}

// The x̄ chart over the R chart of the sheet's subgroups, their numbers and days beneath.
void DrawCharts(TCanvas& c, const TStatSeries& series, const TXbarRSeries& s, int sheet,
                bool specLines)
{
    const int dec = s.decimals;
    const int from = sheet * XbarRPerSheet;
    const int to = std::min(int(s.rows.size()), from + XbarRPerSheet);
    double low = 0, high = 0;
    XRange(s, series, specLines, low, high);
    double rMax = 0;
    for (const TXbarRRow& row : s.rows)
        rMax = std::max(rMax, row.group.range);
    const TRangeSubgroupLimits l = RangeLimitsFor(s.limits);
    if (s.limits.valid)
        rMax = std::max(rMax, l.rHigh);
    const double rStep = AxisStep(std::max(rMax, 0.1), 4);
    const TPlot xPlot{XTop, XBottom, low, high};
    const TPlot rPlot{RTop, RBottom, 0, std::max(rStep, std::ceil(rMax * 1.1 / rStep) * rStep)};

    PrintLine(c, 0.2f, XTop - 0.15f, 26.5f, XTop - 0.15f, 1);
    PrintLine(c, PlotLeft, XTop - 0.15f, PlotLeft, TableTop + TableRow * 2, 1);
    PrintLine(c, 0.2f, (XBottom + RTop) / 2, 26.5f, (XBottom + RTop) / 2, 1);
    c.SetFontSize(12);
    PrintText(c, QStringLiteral("x̄"), 0, 0.4f, XTop, 1.4f, XTop + 0.6f, 0);
    PrintText(c, QStringLiteral("R"), 0, 0.4f, RTop, 1.4f, RTop + 0.6f, 0);
    DrawAxis(c, xPlot, dec);
    DrawAxis(c, rPlot, rStep < 1 ? 1 : 0);

    std::vector<TLineLabel> xLines, rLines;
    if (specLines && series.lowerLimit)
        xLines.push_back({xPlot.Y(*series.lowerLimit),
                          QStringLiteral("下限 ") + FormatGeneral(*series.lowerLimit), clRed,
                          0.3f});
    if (specLines && series.upperLimit)
        xLines.push_back({xPlot.Y(*series.upperLimit),
                          QStringLiteral("上限 ") + FormatGeneral(*series.upperLimit), clRed,
                          0.3f});
    if (s.limits.valid) {
        xLines.push_back({xPlot.Y(s.limits.grandMean),
                          QStringLiteral("X̿ ") + Fixed(s.limits.grandMean, dec + 2), clBlack,
                          0.2f});
        xLines.push_back(
            {xPlot.Y(l.xHigh), QStringLiteral("UCL ") + Fixed(l.xHigh, dec + 2), clBlue, 0.2f});
        xLines.push_back(
            {xPlot.Y(l.xLow), QStringLiteral("LCL ") + Fixed(l.xLow, dec + 2), clBlue, 0.2f});
        rLines.push_back({rPlot.Y(s.limits.rBar),
                          QStringLiteral("R̄ ") + Fixed(s.limits.rBar, dec + 2), clBlack, 0.2f});
        rLines.push_back(
            {rPlot.Y(l.rHigh), QStringLiteral("UCL ") + Fixed(l.rHigh, dec + 2), clBlue, 0.2f});
        if (l.hasRLow)
            rLines.push_back(
                {rPlot.Y(l.rLow), QStringLiteral("LCL ") + Fixed(l.rLow, dec + 2), clBlue, 0.2f});
    }
    const auto labels = [&](const TPlot& plot, const std::vector<TLineLabel>& lines) {
        DrawLineLabels(c, lines, TCmBox{0.3f, plot.top + 0.6f, 1.85f, plot.bottom},
                       TCmBox{PlotLeft, plot.top, PlotRight, plot.bottom}, 8);
    };
    labels(xPlot, xLines);
    labels(rPlot, rLines);

    // The subgroups' numbers and days, a column each.
    c.SetFontSize(8);
    for (int r = 0; r <= 2; ++r)
        PrintLine(c, 0.2f, TableTop + TableRow * float(r), 26.5f, TableTop + TableRow * float(r),
                  1);
    PrintText(c, QStringLiteral("組番号"), 1, 0.2f, TableTop, PlotLeft, TableTop + TableRow, 0);
    PrintText(c, QStringLiteral("月日"), 1, 0.2f, TableTop + TableRow, PlotLeft,
              TableTop + TableRow * 2, 0);
    c.SetPenColor(clAqua);
    for (int k = 1; k < XbarRPerSheet; ++k)
        PrintLine(c, PlotLeft + Column * float(k), TableTop, PlotLeft + Column * float(k),
                  TableTop + TableRow * 2, 1);
    c.SetPenColor(clBlack);
    std::vector<double> means, ranges;
    std::vector<bool> meanFlags, rangeFlags, hollow;
    for (int i = from; i < to; ++i) {
        const TXbarRRow& row = s.rows[size_t(i)];
        const int k = i - from;
        means.push_back(row.group.mean);
        ranges.push_back(row.group.range);
        meanFlags.push_back(row.flag.mean);
        rangeFlags.push_back(row.flag.range);
        hollow.push_back(row.simulated);
        const float x1 = PlotLeft + Column * float(k) + 0.02f, x2 = x1 + Column - 0.04f;
        PrintShrinkText(c, QString::number(row.number), 1, x1, TableTop, x2, TableTop + TableRow,
                        ReadablePoints);
        c.SetFontColor(row.simulated ? clRed : clBlack);
        PrintShrinkText(c, MonthDay(row.day), 1, x1, TableTop + TableRow, x2,
                        TableTop + TableRow * 2, ReadablePoints);
        c.SetFontColor(clBlack);
    }
    Points(c, xPlot, means, meanFlags, hollow);
    Points(c, rPlot, ranges, rangeFlags, hollow);

    c.SetFontSize(9);
    QString list = s.rows.empty()
                       ? QStringLiteral("組がありません（%1個そろう日がありません）").arg(s.size)
                       : OutOfControlList(s, from, to);
    QStringList simulated;
    for (int i = from; i < to; ++i)
        if (s.rows[size_t(i)].simulated)
            simulated << QStringLiteral("No.%1 %2")
                             .arg(s.rows[size_t(i)].number)
                             .arg(MonthDay(s.rows[size_t(i)].day));
    if (!simulated.isEmpty())
        list +=
            QStringLiteral("　模擬値（計算に含めない）: ") + simulated.join(QStringLiteral(", "));
    c.SetFontColor(clRed);
    PrintFittedText(c, list, 0, TCmBox{0.4f, ListTop, 18.0f, 14.75f});
    c.SetFontColor(clBlack);
    c.SetFontSize(8);
    PrintFittedText(c,
                    QStringLiteral("青線: UCL・LCL　赤線: 規格値") +
                        (simulated.isEmpty() ? QString() : QStringLiteral("　中抜きの点: 模擬値")),
                    2, TCmBox{18.2f, ListTop, 26.3f, 14.75f});
}

} // namespace

TXbarRSettings ReadXbarRSettings()
{
    TXbarRSettings s;
    const int size = TSettings::XbarRSubgroup();
    s.size = size >= SmallestXbarRSize && size <= LargestXbarRSize ? size : DefaultSize;
    s.specLines = TSettings::XbarRSpecLines();
    return s;
}

void WriteXbarRSettings(const TXbarRSettings& s)
{
    TSettings::SetXbarRSubgroup(s.size);
    TSettings::SetXbarRSpecLines(s.specLines);
}

int XbarRSizeOf(const QString& text)
{
    bool ok = false;
    const int n = AsciiTyped(text).trimmed().toInt(&ok);
    if (!ok || n < SmallestXbarRSize || n > LargestXbarRSize)
        throw AppError(QStringLiteral("x̄-R の組の大きさは %1〜%2 で指定してください: %3")
                           .arg(SmallestXbarRSize)
                           .arg(LargestXbarRSize)
                           .arg(text));
    return n;
}

TXbarRSeries XbarRSeries(const TStatSeries& series, int size)
{
    TXbarRSeries out;
    out.size = size;
    out.decimals = DecimalsOf(series);
    std::vector<TRangeSubgroup> measured;
    for (const TStatDay& d : series.days) {
        out.simulated += d.simulated;
        const size_t n = d.readings.size();
        const size_t whole = n / size_t(size) * size_t(size);
        for (size_t from = 0; from < whole; from += size_t(size)) {
            TXbarRRow row;
            row.number = int(out.rows.size()) + 1;
            row.day = d.day;
            row.readings.assign(d.readings.begin() + long(from),
                                d.readings.begin() + long(from + size_t(size)));
            row.group = MakeRangeSubgroup(row.readings);
            row.simulated = d.simulated;
            row.measurer = d.measurer;
            if (!d.simulated)
                measured.push_back(row.group);
            out.rows.push_back(std::move(row));
        }
        if (n > whole) {
            out.leftOut += int(n - whole);
            ++out.leftOutDays;
        }
    }
    out.limits = ComputeXbarR(measured);
    for (TXbarRRow& row : out.rows)
        if (!row.simulated)
            row.flag = RangeOutOfControl(row.group, out.limits);
    return out;
}

bool EnoughForXbarR(const TStatSeries& series, int size)
{
    return XbarRSeries(series, size).limits.valid;
}

int XbarRSheets(const TXbarRSeries& series)
{
    return std::max(1, int((series.rows.size() + XbarRPerSheet - 1) / XbarRPerSheet));
}

QString OutOfControlList(const TXbarRSeries& s, int from, int to)
{
    QStringList parts;
    for (int i = std::max(0, from); i < std::min(to, int(s.rows.size())); ++i) {
        const TXbarRRow& row = s.rows[size_t(i)];
        QStringList which;
        if (row.flag.mean)
            which << QStringLiteral("x̄");
        if (row.flag.range)
            which << QStringLiteral("R");
        if (!which.isEmpty())
            parts << QStringLiteral("No.%1 %2 (%3)")
                         .arg(row.number)
                         .arg(MonthDay(row.day), which.join(QStringLiteral("・")));
    }
    return QStringLiteral("管理外れ: ") +
           (parts.isEmpty() ? QStringLiteral("なし") : parts.join(QStringLiteral(", ")));
}

TTitleBlock XbarRTitle(const TStatDocument& doc, const TStatSeries& series, const TXbarRSeries& s,
                       int sheet)
{
    TTitleBlock block;
    block.project = doc.project;
    block.mix = series.mixPrintName;
    block.category = series.category;
    block.limit = ReadableRange(series.limitText);
    block.period = PeriodOf(doc);
    const int from = sheet * XbarRPerSheet;
    const int to = std::min(int(s.rows.size()), from + XbarRPerSheet);
    QList<QPair<QDate, QString>> measurers;
    for (int i = from; i < to; ++i)
        if (measurers.isEmpty() || measurers.last().first != s.rows[size_t(i)].day.date())
            measurers.append({s.rows[size_t(i)].day.date(), s.rows[size_t(i)].measurer});
    block.measurer = measurers.isEmpty() ? series.measurer : MeasurersOfDays(measurers);
    block.extra << TTitleField{QStringLiteral("品質特性"), QStringLiteral("温度（℃）")}
                << TTitleField{QStringLiteral("試料の大きさ"), QStringLiteral("%1個").arg(s.size)};
    return block;
}

void DrawXbarRChart(const TStatDocument& doc, TPageSink& pane, const TXbarRSettings& settings)
{
    std::vector<TXbarRSeries> all;
    int total = 0;
    for (const TStatSeries& series : doc.series) {
        all.push_back(XbarRSeries(series, settings.size));
        total += 2 * XbarRSheets(all.back());
    }
    TFormPages pages(pane, XbarRChartPage, total);
    for (size_t si = 0; si < doc.series.size(); ++si) {
        const TStatSeries& series = doc.series[si];
        const TXbarRSeries& s = all[si];
        for (int sheet = 0; sheet < XbarRSheets(s); ++sheet) {
            for (const bool chart : {false, true}) {
                TCanvas& c = pages.Next();
                c.SetFontName(doc.font);
                DrawFormFrame(c, ChartBorder, ChartBody);
                DrawFormName(c,
                             chart ? QStringLiteral("x̄-R 管 理 図")
                                   : QStringLiteral("x̄-R 管 理 デ ー タ シ ー ト"),
                             ChartNameBox);
                TTitleBlock block = XbarRTitle(doc, series, s, sheet);
                block.page = pages.Number();
                block.pages = pages.Total();
                if (chart) {
                    DrawTitleBlock(c, block, doc.title, TitleBox);
                    DrawCharts(c, series, s, sheet, settings.specLines);
                } else {
                    DrawXbarRDataSheet(c, doc, series, s, sheet, block);
                }
            }
        }
    }
}
