#include "reports/XbarRChart.h"

#include "core/RegistryUtility.h"
#include "core/SpecText.h"
#include "core/Utility.h"
#include "reports/Canvas.h"
#include "reports/PageSink.h"
#include "reports/Print.h"

#include <QStringList>
#include <algorithm>
#include <cmath>
#include <set>

namespace {

const QString SizeKey = QStringLiteral("XbarRKumi");
const QString SpecLinesKey = QStringLiteral("XbarRKikakuSen");

constexpr TCmBox TitleBox{0.2f, 1.1f, 26.5f, 3.3f};
constexpr float PlotLeft = 2.6f, PlotRight = 19.4f;
constexpr float Column = (PlotRight - PlotLeft) / XbarRPerPage;
constexpr float XTop = 3.5f, XBottom = 8.3f;
constexpr float RTop = 8.6f, RBottom = 11.4f;
constexpr float TableTop = 11.55f, TableRow = 0.36f;
constexpr int TableRows = 5; // No., 月日, n, x̄, R
constexpr float ListTop = TableTop + TableRow * TableRows + 0.05f;
constexpr float PanelLeft = 19.8f, PanelRight = 26.3f;
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
    c.SetPenColor(clAqua);
    for (double v = std::ceil(plot.low / step - 1e-9) * step; v <= plot.high + 1e-9; v += step) {
        const float y = plot.Y(v);
        PrintLine(c, PlotLeft, y, PlotRight, y, 1);
        c.SetPenColor(clBlack);
        PrintText(c, QString::number(v, 'f', step < 1 ? std::max(1, decimals) : 0), 2, 1.9f,
                  y - 0.2f, 2.55f, y + 0.2f, 0);
        c.SetPenColor(clAqua);
    }
    c.SetPenColor(clBlack);
}

// A limit that follows the subgroup size: a dashed level over each column, joined by steps.
void StepLine(TCanvas& c, const TPlot& plot, const std::vector<std::pair<int, double>>& levels,
              TColor colour, TPenStyle style)
{
    c.SetPenColor(colour);
    for (size_t i = 0; i < levels.size(); ++i) {
        const float x = ColumnX(levels[i].first);
        const float y = plot.Y(levels[i].second);
        if (plot.Inside(y)) {
            c.SetPenStyle(style);
            PrintLine(c, x - Column / 2, y, x + Column / 2, y, 1);
        }
        if (i + 1 < levels.size() && levels[i + 1].first == levels[i].first + 1) {
            const float y2 = plot.Y(levels[i + 1].second);
            if (std::abs(y2 - y) > 1e-4f) {
                c.SetPenStyle(style);
                PrintLine(c, x + Column / 2, plot.Clamp(y), x + Column / 2, plot.Clamp(y2), 1);
            }
        }
    }
    c.SetPenStyle(TPenStyle::Solid);
    c.SetPenColor(clBlack);
}

// Dots joined in order; a flagged one red and larger, a simulated one hollow.
void Points(TCanvas& c, const TPlot& plot, const std::vector<std::pair<int, double>>& values,
            const std::vector<bool>& flagged, const std::vector<bool>& hollow)
{
    SetPenWidthMm(c, 0.15f);
    for (size_t i = 0; i + 1 < values.size(); ++i) {
        const float y1 = plot.Y(values[i].second), y2 = plot.Y(values[i + 1].second);
        if (plot.Inside(y1) && plot.Inside(y2))
            PrintLine(c, ColumnX(values[i].first), y1, ColumnX(values[i + 1].first), y2, 1);
    }
    c.SetPenWidth(1);
    for (size_t i = 0; i < values.size(); ++i) {
        if (hollow[i]) {
            DrawMarker(c, 0, ColumnX(values[i].first), plot.Clamp(plot.Y(values[i].second)),
                       DotRadius, clBlack, false);
            continue;
        }
        const TColor colour = flagged[i] ? clRed : clBlack;
        c.SetBrushColor(colour);
        c.SetPenColor(colour);
        PrintCircle(c, ColumnX(values[i].first), plot.Clamp(plot.Y(values[i].second)),
                    flagged[i] ? DotRadius * 1.6f : DotRadius);
    }
    c.SetBrushColor(clWhite);
    c.SetPenColor(clBlack);
}

// The x̄ chart's range: the page's means, its limits and (when shown) the specified limits,
// with a margin, on whole steps.
void RangeOf(const TXbarRSeries& s, const TStatSeries& series, bool specLines, double& low,
             double& high)
{
    double lo = 1e300, hi = -1e300;
    const auto take = [&](double v) {
        lo = std::min(lo, v);
        hi = std::max(hi, v);
    };
    for (const TRangeStep& step : s.steps)
        for (int i = step.from; i < step.to; ++i) {
            take(s.groups[size_t(i)].mean);
            if (step.limits.valid) {
                const TRangeSubgroupLimits l = RangeLimitsFor(step.limits, s.groups[size_t(i)].n);
                take(l.xLow);
                take(l.xHigh);
            }
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

// A row of the panel's tables: cells across the panel at the given widths.
void TableRow_(TCanvas& c, const QStringList& cells, const std::vector<float>& widths, float y,
               bool head)
{
    float x = PanelLeft;
    for (int i = 0; i < cells.size(); ++i) {
        const float x2 = x + widths[size_t(i)];
        PrintBox(c, x, y, x2, y + TableRow, 1);
        PrintShrinkText(c, cells[i], head ? 1 : 2, x + 0.05f, y, x2 - 0.05f, y + TableRow,
                        SmallestPoints);
        x = x2;
    }
}

// Beside the charts: every calculation of the limits up to this sheet's, then the constants of
// the sizes on this sheet with the limits they give, the formulas and the specified value; the
// key of the hollow dots when the sheet has a simulated subgroup.
void DrawPanel(TCanvas& c, const TXbarRSeries& s, int page, const TStatSeries& series)
{
    const TRangeStep& step = s.steps[size_t(page)];
    const int dec = s.decimals;
    c.SetFontSize(8);
    float y = XTop;
    PrintText(c, QStringLiteral("管理限界の計算"), 0, PanelLeft, y, PanelRight, y + 0.4f, 0);
    y += 0.4f;
    c.SetFontSize(7);
    const std::vector<float> stepWidths{0.8f, 1.7f, 1.35f, 1.35f, 1.3f};
    TableRow_(c,
              {QStringLiteral("回"), QStringLiteral("使った組"), QStringLiteral("X̿"),
               QStringLiteral("R̄"), QStringLiteral("σ̂=R/d2")},
              stepWidths, y, true);
    y += TableRow;
    // The latest calculations when not all fit.
    const int shown = std::min(page + 1, 8);
    for (int k = page + 1 - shown; k <= page; ++k) {
        const TRangeStep& st = s.steps[size_t(k)];
        const int used = st.limits.count;
        const int firstUsed = 1;
        const int lastUsed = k == 0 ? st.to : st.from;
        TableRow_(c,
                  {QString::number(k + 1),
                   QStringLiteral("%1～%2 (%3組)").arg(firstUsed).arg(lastUsed).arg(used),
                   st.limits.valid ? Fixed(st.limits.grandMean, dec + 2) : QStringLiteral("—"),
                   st.limits.valid ? Fixed(st.limits.rBar, dec + 2) : QStringLiteral("—"),
                   st.limits.valid ? Fixed(st.limits.sigma, dec + 3) : QStringLiteral("—")},
                  stepWidths, y, false);
        y += TableRow;
    }
    y += 0.2f;
    c.SetFontSize(8);
    PrintText(c, QStringLiteral("第%1回の管理限界（この頁の組）").arg(page + 1), 0, PanelLeft, y,
              PanelRight, y + 0.4f, 0);
    y += 0.4f;
    c.SetFontSize(7);
    const std::vector<float> widths{0.5f, 0.7f, 0.7f, 0.7f, 1.0f, 1.0f, 0.95f, 0.95f};
    TableRow_(c,
              {QStringLiteral("n"), QStringLiteral("A2"), QStringLiteral("D3"),
               QStringLiteral("D4"), QStringLiteral("UCL"), QStringLiteral("LCL"),
               QStringLiteral("UCL(R)"), QStringLiteral("LCL(R)")},
              widths, y, true);
    y += TableRow;
    std::set<int> sizes;
    for (int i = step.from; i < step.to; ++i)
        sizes.insert(s.groups[size_t(i)].n);
    for (int n : sizes) {
        const TRangeConstants k = RangeConstants(n);
        const TRangeSubgroupLimits l = RangeLimitsFor(step.limits, n);
        const bool v = step.limits.valid;
        TableRow_(
            c,
            {QString::number(n), Fixed(k.a2, 3), k.d3 > 0 ? Fixed(k.d3, 3) : QStringLiteral("—"),
             Fixed(k.d4, 3), v ? Fixed(l.xHigh, dec + 2) : QStringLiteral("—"),
             v ? Fixed(l.xLow, dec + 2) : QStringLiteral("—"),
             v ? Fixed(l.rHigh, dec + 2) : QStringLiteral("—"),
             v ? (k.d3 > 0 ? Fixed(l.rLow, dec + 2) : QStringLiteral("—")) : QStringLiteral("—")},
            widths, y, false);
        y += TableRow;
        if (y > ListTop - 1.6f)
            break;
    }
    y += 0.15f;
    QStringList notes{QStringLiteral("UCL = X̿ + A2·R̄　LCL = X̿ − A2·R̄"),
                      QStringLiteral("UCL(R) = D4·R̄　LCL(R) = D3·R̄（n≦6 はなし）")};
    if (!step.limits.oneSize)
        notes << QStringLiteral("組の大きさが違うので R̄ は n 毎に d2·σ̂");
    const QString limit = ReadableRange(series.limitText);
    notes << QStringLiteral("規格値 ") + (limit.isEmpty() ? QStringLiteral("—") : limit);
    if (s.leftOut > 0)
        notes << QStringLiteral("組に入らない測定値 %1 個").arg(s.leftOut);
    if (s.simulated > 0)
        notes << QStringLiteral("管理限界は") + SimulatedLeftOut(s.simulated);
    for (const QString& note : notes) {
        PrintShrinkText(c, note, 0, PanelLeft, y, PanelRight, y + 0.34f, SmallestPoints);
        y += 0.34f;
    }
    bool simulated = false;
    for (int i = step.from; i < step.to; ++i)
        simulated = simulated || s.rows[size_t(i)].simulated;
    if (simulated)
        DrawSimulatedKey(c, {{0, clBlack}}, PanelLeft, y, y + 0.34f,
                         QStringLiteral("模擬値の組（計算に含めない）"));
    c.SetFontSize(10);
}

} // namespace

TXbarRSettings ReadXbarRSettings()
{
    TXbarRSettings s;
    s.size = std::clamp(ParseIntOrZero(ReadSetting(SizeKey)), 0, LargestRangeSubgroup);
    if (s.size == 1)
        s.size = 0;
    s.specLines =
        ReadSetting(SpecLinesKey).compare(QStringLiteral("FALSE"), Qt::CaseInsensitive) != 0;
    return s;
}

void WriteXbarRSettings(const TXbarRSettings& s)
{
    WriteSetting(SizeKey, QString::number(s.size));
    WriteSetting(SpecLinesKey, s.specLines ? QStringLiteral("TRUE") : QStringLiteral("FALSE"));
}

TXbarRSeries XbarRSeries(const TStatSeries& series, const TXbarRSettings& settings)
{
    TXbarRSeries out;
    out.decimals = DecimalsOf(series);
    const auto add = [&](const TStatDay& d, size_t from, size_t count) {
        if (count < 2) {
            out.leftOut += int(count);
            return;
        }
        const std::vector<double> part(d.readings.begin() + long(from),
                                       d.readings.begin() + long(from + count));
        out.rows.push_back({d.day, MakeRangeSubgroup(part), d.simulated, d.measurer});
        out.groups.push_back(out.rows.back().group);
    };
    for (const TStatDay& d : series.days) {
        const size_t n = d.readings.size();
        out.simulated += d.simulated;
        if (settings.size >= 2) {
            for (size_t from = 0; from < n; from += size_t(settings.size))
                add(d, from, std::min(size_t(settings.size), n - from));
            continue;
        }
        // A day too large for the range constants: equal parts.
        const size_t parts = (n + LargestRangeSubgroup - 1) / LargestRangeSubgroup;
        for (size_t k = 0, from = 0; k < parts; ++k) {
            const size_t count = n / parts + (k < n % parts ? 1 : 0);
            add(d, from, count);
            from += count;
        }
    }
    // The sheets as RangeSteps lays them out, each calculated from its measured subgroups.
    out.steps = RangeSteps(out.groups, XbarRPerPage);
    for (TRangeStep& step : out.steps) {
        std::vector<TRangeSubgroup> measured;
        for (int i = 0; i < (step.from == 0 ? step.to : step.from); ++i)
            if (!out.rows[size_t(i)].simulated)
                measured.push_back(out.groups[size_t(i)]);
        step.limits = ComputeXbarR(measured, 0, int(measured.size()));
    }
    return out;
}

bool EnoughForXbarR(const TStatSeries& series, const TXbarRSettings& settings)
{
    const TXbarRSeries s = XbarRSeries(series, settings);
    return std::count_if(s.rows.begin(), s.rows.end(),
                         [](const TXbarRRow& r) { return !r.simulated; }) >= XbarRPerPage;
}

int XbarRPages(const TXbarRSeries& series)
{
    return std::max(1, int(series.steps.size()));
}

QString OutOfControlList(const TXbarRSeries& s, int from, int to)
{
    QStringList parts;
    for (const TRangeStep& step : s.steps)
        for (int i = std::max(from, step.from); i < std::min(to, step.to); ++i) {
            if (s.rows[size_t(i)].simulated)
                continue;
            const TRangeFlag f = RangeOutOfControl(s.groups[size_t(i)], step.limits);
            QStringList which;
            if (f.mean)
                which << QStringLiteral("x̄");
            if (f.range)
                which << QStringLiteral("R");
            if (!which.isEmpty())
                parts << QStringLiteral("No.%1 %2 (%3)")
                             .arg(i + 1)
                             .arg(MonthDay(s.rows[size_t(i)].day),
                                  which.join(QStringLiteral(", ")));
        }
    return QStringLiteral("管理外れ: ") +
           (parts.isEmpty() ? QStringLiteral("なし") : parts.join(QStringLiteral(", ")));
}

void DrawXbarRChart(const TStatDocument& doc, TPageSink& pane, const TXbarRSettings& settings)
{
    std::vector<TXbarRSeries> all;
    int total = 0;
    for (const TStatSeries& series : doc.series) {
        all.push_back(XbarRSeries(series, settings));
        total += XbarRPages(all.back());
    }
    TFormPages pages(pane, XbarRChartPage, total);
    for (size_t si = 0; si < doc.series.size(); ++si) {
        const TStatSeries& series = doc.series[si];
        const TXbarRSeries& s = all[si];
        const int dec = s.decimals;
        double low = 0, high = 0;
        RangeOf(s, series, settings.specLines, low, high);
        double rMax = 0;
        for (const TRangeStep& step : s.steps)
            for (int i = step.from; i < step.to; ++i) {
                rMax = std::max(rMax, s.groups[size_t(i)].range);
                if (step.limits.valid)
                    rMax = std::max(rMax, RangeLimitsFor(step.limits, s.groups[size_t(i)].n).rHigh);
            }
        const double rStep = AxisStep(std::max(rMax, 0.1), 4);
        const TPlot xPlot{XTop, XBottom, low, high};
        const TPlot rPlot{RTop, RBottom, 0, std::max(rStep, std::ceil(rMax * 1.1 / rStep) * rStep)};

        for (int p = 0; p < XbarRPages(s); ++p) {
            const TRangeStep step = s.steps.empty() ? TRangeStep() : s.steps[size_t(p)];
            TCanvas& c = pages.Next();
            c.SetFontName(doc.font);
            DrawFormFrame(c, ChartBorder, ChartBody);
            DrawFormName(c, QStringLiteral("x̄-R 管 理 図"), ChartNameBox);
            // The title block names the days of this sheet's subgroups.
            TTitleBlock block;
            block.project = doc.project;
            block.mix = series.mixPrintName;
            block.category = series.category;
            block.limit = ReadableRange(series.limitText);
            QList<QPair<QDate, QString>> measurers;
            for (int i = step.from; i < step.to; ++i)
                if (measurers.isEmpty() || measurers.last().first != s.rows[size_t(i)].day.date())
                    measurers.append({s.rows[size_t(i)].day.date(), s.rows[size_t(i)].measurer});
            block.measurer = measurers.isEmpty() ? series.measurer : MeasurersOfDays(measurers);
            if (step.to > step.from)
                block.period = PeriodOf(s.rows[size_t(step.from)].day.date(),
                                        s.rows[size_t(step.to - 1)].day.date(), doc.title.wareki);
            block.extra << TTitleField{QStringLiteral("組の大きさ"),
                                       settings.size >= 2
                                           ? QStringLiteral("%1個").arg(settings.size)
                                           : QStringLiteral("1日")};
            block.page = pages.Number();
            block.pages = pages.Total();
            DrawTitleBlock(c, block, doc.title, TitleBox);

            // Frames of the charts and the table under them.
            PrintLine(c, 0.2f, XTop - 0.15f, 26.5f, XTop - 0.15f, 1);
            PrintLine(c, PlotLeft, XTop - 0.15f, PlotLeft, ListTop - 0.05f, 1);
            PrintLine(c, PlotRight, XTop - 0.15f, PlotRight, 14.8f, 1);
            PrintLine(c, 0.2f, (XBottom + RTop) / 2, PlotRight, (XBottom + RTop) / 2, 1);
            c.SetFontSize(12);
            PrintText(c, QStringLiteral("x̄"), 0, 0.4f, XTop, 1.4f, XTop + 0.6f, 0);
            PrintText(c, QStringLiteral("R"), 0, 0.4f, RTop, 1.4f, RTop + 0.6f, 0);
            c.SetFontSize(8);
            static const char* const heads[] = {"No.", "月日", "n", "x̄", "R"};
            for (int r = 0; r <= TableRows; ++r)
                PrintLine(c, 0.2f, TableTop + TableRow * float(r), PlotRight,
                          TableTop + TableRow * float(r), 1);
            for (int r = 0; r < TableRows; ++r)
                PrintText(c, QString::fromUtf8(heads[r]), 1, 0.2f, TableTop + TableRow * float(r),
                          PlotLeft, TableTop + TableRow * float(r + 1), 0);
            c.SetPenColor(clAqua);
            for (int k = 1; k < XbarRPerPage; ++k)
                PrintLine(c, PlotLeft + Column * float(k), TableTop, PlotLeft + Column * float(k),
                          TableTop + TableRow * TableRows, 1);
            c.SetPenColor(clBlack);

            DrawAxis(c, xPlot, dec);
            DrawAxis(c, rPlot, rStep < 1 ? 1 : 0);
            std::vector<TLineLabel> xLines, rLines;
            if (settings.specLines && series.lowerLimit)
                xLines.push_back({xPlot.Y(*series.lowerLimit),
                                  QStringLiteral("下限 ") + FormatGeneral(*series.lowerLimit),
                                  clRed, 0.3f});
            if (settings.specLines && series.upperLimit)
                xLines.push_back({xPlot.Y(*series.upperLimit),
                                  QStringLiteral("上限 ") + FormatGeneral(*series.upperLimit),
                                  clRed, 0.3f});
            if (step.limits.valid)
                xLines.push_back({xPlot.Y(step.limits.grandMean),
                                  QStringLiteral("CL ") + Fixed(step.limits.grandMean, dec + 2),
                                  clBlack, 0.2f});
            if (step.limits.valid && step.limits.oneSize)
                rLines.push_back({rPlot.Y(step.limits.rBar),
                                  QStringLiteral("CL ") + Fixed(step.limits.rBar, dec + 2), clBlack,
                                  0.2f});
            const auto labels = [](const TPlot& plot, const std::vector<TLineLabel>& lines,
                                   TCanvas& canvas) {
                DrawLineLabels(canvas, lines, TCmBox{0.3f, plot.top + 0.6f, 1.85f, plot.bottom},
                               TCmBox{PlotLeft, plot.top, PlotRight, plot.bottom}, 8);
            };
            labels(xPlot, xLines, c);
            labels(rPlot, rLines, c);

            std::vector<std::pair<int, double>> xHigh, xLow, rHigh, rLow, rCentre, means, ranges;
            std::vector<bool> meanFlags, rangeFlags, hollow;
            c.SetFontSize(7);
            for (int i = step.from; i < step.to; ++i) {
                const int k = i - step.from;
                const TXbarRRow& row = s.rows[size_t(i)];
                means.push_back({k, row.group.mean});
                ranges.push_back({k, row.group.range});
                const TRangeFlag f =
                    row.simulated ? TRangeFlag() : RangeOutOfControl(row.group, step.limits);
                hollow.push_back(row.simulated);
                meanFlags.push_back(f.mean);
                rangeFlags.push_back(f.range);
                if (step.limits.valid) {
                    const TRangeSubgroupLimits l = RangeLimitsFor(step.limits, row.group.n);
                    xHigh.push_back({k, l.xHigh});
                    xLow.push_back({k, l.xLow});
                    rHigh.push_back({k, l.rHigh});
                    if (l.rLow > 0)
                        rLow.push_back({k, l.rLow});
                    rCentre.push_back({k, l.rCentre});
                }
                const float x1 = PlotLeft + Column * float(k) + 0.02f;
                const float x2 = x1 + Column - 0.04f;
                const bool sameDay = i > step.from && s.rows[size_t(i - 1)].day == row.day;
                const QString cells[] = {
                    QString::number(i + 1), sameDay ? QStringLiteral("〃") : MonthDay(row.day),
                    QString::number(row.group.n), Fixed(row.group.mean, dec + 1),
                    Fixed(row.group.range, dec)};
                for (int r = 0; r < TableRows; ++r) {
                    const bool red =
                        (r == 3 && f.mean) || (r == 4 && f.range) || (r == 1 && row.simulated);
                    c.SetFontColor(red ? clRed : clBlack);
                    // A simulated day keeps its date, in red, and is named under the table.
                    PrintShrinkText(c, cells[r], 1, x1, TableTop + TableRow * float(r), x2,
                                    TableTop + TableRow * float(r + 1), SmallestPoints);
                }
                c.SetFontColor(clBlack);
            }
            StepLine(c, xPlot, xHigh, clBlue, TPenStyle::Dash);
            StepLine(c, xPlot, xLow, clBlue, TPenStyle::Dash);
            StepLine(c, rPlot, rHigh, clBlue, TPenStyle::Dash);
            StepLine(c, rPlot, rLow, clBlue, TPenStyle::Dash);
            if (!step.limits.oneSize)
                StepLine(c, rPlot, rCentre, clBlack, TPenStyle::Solid);
            Points(c, xPlot, means, meanFlags, hollow);
            Points(c, rPlot, ranges, rangeFlags, hollow);

            c.SetFontSize(9);
            c.SetFontColor(clRed);
            QString list = s.groups.empty()
                               ? QStringLiteral("組がありません（測定値が2個以上の日がありません）")
                               : OutOfControlList(s, step.from, step.to);
            QStringList simulated;
            for (int i = step.from; i < step.to; ++i)
                if (s.rows[size_t(i)].simulated)
                    simulated << QStringLiteral("No.%1 %2")
                                     .arg(i + 1)
                                     .arg(MonthDay(s.rows[size_t(i)].day));
            if (!simulated.isEmpty())
                list += QStringLiteral("　模擬値: ") + simulated.join(QStringLiteral(", "));
            PrintFittedText(c, list, 0, TCmBox{0.4f, ListTop, PlotRight - 0.1f, 14.75f});
            c.SetFontColor(clBlack);
            if (!s.steps.empty())
                DrawPanel(c, s, p, series);
        }
    }
}
