#include "reports/XbarChart.h"

#include "core/Utility.h"
#include "reports/Canvas.h"
#include "reports/FormKit.h"
#include "reports/PageSink.h"
#include "reports/Print.h"

#include <QStringList>
#include <algorithm>
#include <cmath>
#include <map>

namespace {

constexpr int DaysPerPage = 25;
constexpr float PlotLeft = 3.4f;
constexpr float PlotRight = 26.5f;
constexpr float Column = (PlotRight - PlotLeft) / DaysPerPage;
constexpr TCmBox TitleBox{0.2f, 1.1f, 26.5f, 3.3f};
constexpr float StatsTop = 3.3f, StatsBottom = 3.85f;
constexpr float XTop = 4.0f, XBottom = 9.4f;
constexpr float STop = 9.8f, SBottom = 13.2f;
constexpr float LabelTop = 13.2f, LabelBottom = 14.0f;
constexpr float DotRadius = 0.08f;

float DayX(int column)
{
    return PlotLeft + Column * (float(column) + 0.5f);
}

struct TPlot
{
    float top, bottom;
    double low, high;
    float Y(double v) const { return float(top + (bottom - top) * (high - v) / (high - low)); }
    bool Inside(float y) const { return y >= top && y <= bottom; }
    float Clamp(float y) const { return std::clamp(y, top, bottom); }
};

int Decimals(const TStatSeries& series)
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

// A step of the axis giving at most `most` labels over the span.
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
        PrintText(c, QString::number(v, 'f', step < 1 ? std::max(1, decimals) : 0), 2, 2.4f,
                  y - 0.2f, 3.3f, y + 0.2f, 0);
    }
    c.SetPenColor(clBlack);
    c.SetFontSize(10);
}

// The panel's lines with their labels in the left column, under the panel's name.
void DrawPanelLines(TCanvas& c, const TPlot& plot, const std::vector<TLineLabel>& lines)
{
    DrawLineLabels(c, lines, TCmBox{0.3f, plot.top + 0.6f, 2.2f, plot.bottom},
                   TCmBox{PlotLeft, plot.top, PlotRight, plot.bottom}, 8);
}

// A control limit that follows the subgroup size: one level per day, joined by steps.
void StepLine(TCanvas& c, const TPlot& plot, const std::vector<std::pair<int, double>>& levels)
{
    c.SetPenStyle(TPenStyle::Dash);
    c.SetPenColor(clBlue);
    for (size_t i = 0; i < levels.size(); ++i) {
        const float x = DayX(levels[i].first);
        const float y = plot.Y(levels[i].second);
        if (plot.Inside(y)) {
            c.SetPenStyle(TPenStyle::Dash);
            PrintLine(c, x - Column / 2, y, x + Column / 2, y, 1);
        }
        if (i + 1 < levels.size() && levels[i + 1].first == levels[i].first + 1) {
            const float y2 = plot.Y(levels[i + 1].second);
            if (y2 != y) {
                c.SetPenStyle(TPenStyle::Dash);
                PrintLine(c, x + Column / 2, plot.Clamp(y), x + Column / 2, plot.Clamp(y2), 1);
            }
        }
    }
    c.SetPenStyle(TPenStyle::Solid);
    c.SetPenColor(clBlack);
}

// Dots joined day to day; a flagged one red and larger, a simulated one hollow.
void Points(TCanvas& c, const TPlot& plot, const std::vector<std::pair<int, double>>& values,
            const std::vector<bool>& flagged, const std::vector<bool>& hollow)
{
    SetPenWidthMm(c, 0.15f);
    for (size_t i = 0; i + 1 < values.size(); ++i) {
        if (values[i + 1].first != values[i].first + 1)
            continue;
        const float y1 = plot.Y(values[i].second), y2 = plot.Y(values[i + 1].second);
        if (plot.Inside(y1) && plot.Inside(y2))
            PrintLine(c, DayX(values[i].first), y1, DayX(values[i + 1].first), y2, 1);
    }
    c.SetPenWidth(1);
    for (size_t i = 0; i < values.size(); ++i) {
        const float y = plot.Clamp(plot.Y(values[i].second));
        if (hollow[i]) {
            DrawMarker(c, 0, DayX(values[i].first), y, DotRadius, clBlack, false);
            continue;
        }
        const bool flag = flagged[i];
        c.SetBrushColor(flag ? clRed : clBlack);
        c.SetPenColor(flag ? clRed : clBlack);
        PrintCircle(c, DayX(values[i].first), y, flag ? DotRadius * 1.6f : DotRadius);
    }
    c.SetBrushColor(clWhite);
    c.SetPenColor(clBlack);
}

// From 10 pt down, as on the X chart.
void DayLabels(TCanvas& c, const std::vector<TStatDay>& days, const TDaySpan& span)
{
    QList<QDateTime> shown;
    QList<bool> simulated;
    for (int n = span.first; n < span.first + span.count; ++n) {
        shown << days[size_t(n)].day;
        simulated << days[size_t(n)].simulated;
    }
    c.SetFontSize(10);
    DrawDayLabels(c, shown, TDayColumns{DayX, Column / 2 - 0.04f, LabelTop, LabelBottom},
                  simulated);
}

QString Fixed(double v, int decimals)
{
    return QString::number(v, 'f', decimals);
}

// Under the sheet, two a row: each rule the page's flags name, and the s chart's when a day is
// flagged there.
void DrawRules(TCanvas& c, const TXbarSeriesStats& st, int first, int count)
{
    QStringList lines;
    for (int rule : RulesFlagged(st, first, count))
        lines << XbarRuleText(rule);
    if (std::any_of(st.sOut.begin(), st.sOut.end(),
                    [&](int i) { return i >= first && i < first + count; }))
        lines << QStringLiteral("s管理外れ: s が管理限界（B3·s̄〜B4·s̄）の外");
    if (lines.isEmpty())
        return;
    c.SetFontSize(8);
    const float top = 15.1f, row = 0.4f, half = 26.3f / 2;
    PrintText(c, QStringLiteral("管理外れの判定（括弧内の番号）"), 0, 0.2f, top, half, top + row,
              0);
    for (int i = 0; i < lines.size(); ++i) {
        const float x = 0.2f + half * float(i % 2);
        const float y = top + row * float(i / 2 + 1);
        PrintFittedText(c, lines[i], 0, TCmBox{x + 0.3f, y, x + half - 0.2f, y + row});
    }
    c.SetFontSize(10);
}

} // namespace

TXbarSeriesStats XbarStats(const TStatSeries& series, const TBasePeriod& base)
{
    TXbarSeriesStats st;
    std::vector<TSubgroup> baseDays, measured;
    std::vector<int> at; // where each measured day stands among all
    for (const TStatDay& d : series.days) {
        st.days.push_back(MakeSubgroup(d.readings));
        if (d.simulated) {
            ++st.simulated;
            continue;
        }
        measured.push_back(st.days.back());
        at.push_back(int(st.days.size()) - 1);
        const QDate day = d.day.date();
        if (!base.Given() || (day >= base.from && day <= base.to))
            baseDays.push_back(st.days.back());
    }
    st.limits = ComputeXbarS(baseDays);
    if (st.limits.valid) {
        st.signals = XbarSignals(measured, st.limits);
        for (TSignal& s : st.signals)
            s.index = at[size_t(s.index)];
        for (int i : SOutOfLimits(measured, st.limits))
            st.sOut.push_back(at[size_t(i)]);
    }
    st.decimals = Decimals(series);
    return st;
}

QString FlagList(const TStatSeries& series, const TXbarSeriesStats& stats, int first, int count)
{
    std::map<int, QStringList> tests;
    for (const TSignal& s : stats.signals)
        if (s.index >= first && s.index < first + count) {
            QStringList& t = tests[s.index];
            if (!t.contains(QString::number(s.test)))
                t << QString::number(s.test);
        }
    QStringList parts;
    for (const auto& [index, t] : tests)
        parts << QStringLiteral("%1 (%2)").arg(MonthDay(series.days[size_t(index)].day),
                                               t.join(QStringLiteral(", ")));
    QStringList sDays;
    for (int i : stats.sOut)
        if (i >= first && i < first + count)
            sDays << MonthDay(series.days[size_t(i)].day);
    QString text = QStringLiteral("管理外れ: ") +
                   (parts.isEmpty() ? QStringLiteral("なし") : parts.join(QStringLiteral(", ")));
    text += QStringLiteral("　s管理外れ: ") +
            (sDays.isEmpty() ? QStringLiteral("なし") : sDays.join(QStringLiteral(", ")));
    return text;
}

std::vector<int> RulesFlagged(const TXbarSeriesStats& stats, int first, int count)
{
    std::vector<int> rules;
    for (const TSignal& s : stats.signals)
        if (s.index >= first && s.index < first + count &&
            std::find(rules.begin(), rules.end(), s.test) == rules.end())
            rules.push_back(s.test);
    std::sort(rules.begin(), rules.end());
    return rules;
}

QString XbarRuleText(int rule)
{
    static const char* const texts[] = {
        "管理限界（±3σ）の外の点",          "中心線の同じ側に9点連続",
        "6点連続して上昇または下降",        "14点が交互に上下",
        "連続3点中2点が同じ側で2σを超える", "連続5点中4点が同じ側で1σを超える",
        "15点連続して中心線から1σ以内",     "8点連続して1σの外（両側とも）",
    };
    if (rule < 1 || rule > 8)
        return QString();
    return QStringLiteral("(%1) ").arg(rule) + QString::fromUtf8(texts[rule - 1]);
}

void AutomaticXbarRange(const TStatSeries& series, const TBasePeriod& base, double& low,
                        double& high)
{
    double lo = 1e300, hi = -1e300;
    auto take = [&](double v) {
        lo = std::min(lo, v);
        hi = std::max(hi, v);
    };
    const TXbarSeriesStats st = XbarStats(series, base);
    for (const TSubgroup& g : st.days) {
        take(g.mean);
        if (st.limits.valid) {
            const TSubgroupLimits l = LimitsFor(st.limits, g.n);
            take(l.xLow);
            take(l.xHigh);
        }
    }
    if (series.lowerLimit)
        take(*series.lowerLimit);
    if (series.upperLimit)
        take(*series.upperLimit);
    if (lo > hi) {
        low = 100;
        high = 200;
        return;
    }
    const double margin = std::max(0.5, (hi - lo) / 20);
    const double span = hi - lo + 2 * margin;
    const double step = span <= 15 ? 1 : span <= 40 ? 2 : 5;
    low = std::floor((lo - margin) / step) * step;
    high = std::ceil((hi + margin) / step) * step;
}

int XbarPages(const TStatSeries& series)
{
    return DayPages(int(series.days.size()), DaysPerPage);
}

void DrawXbarChart(const TStatDocument& doc, TPageSink& pane,
                   const std::optional<std::pair<double, double>>& range, const TBasePeriod& base)
{
    int total = 0;
    for (const TStatSeries& s : doc.series)
        total += XbarPages(s);
    TFormPages pages(pane, XbarChartPage, total);
    for (const TStatSeries& series : doc.series) {
        const TXbarSeriesStats st = XbarStats(series, base);
        const int dec = st.decimals;
        double low = 0, high = 0;
        if (range) {
            low = range->first;
            high = range->second;
        } else {
            AutomaticXbarRange(series, base, low, high);
        }
        double sMax = 0;
        for (size_t i = 0; i < st.days.size(); ++i) {
            sMax = std::max(sMax, st.days[i].s);
            if (st.limits.valid)
                sMax = std::max(sMax, LimitsFor(st.limits, st.days[i].n).sHigh);
        }
        const double sStep = AxisStep(std::max(sMax, 0.1), 4);
        const TPlot xPlot{XTop, XBottom, low, high};
        const TPlot sPlot{STop, SBottom, 0,
                          std::max(sStep, std::ceil(sMax * 1.05 / sStep) * sStep)};

        for (int p = 0; p < XbarPages(series); ++p) {
            const TDaySpan span = PageDays(p, int(series.days.size()), DaysPerPage);
            const int first = span.first, count = span.count;
            TCanvas& c = pages.Next();
            c.SetFontName(doc.font);
            DrawFormFrame(c, ChartBorder, ChartBody);
            DrawFormName(c, QStringLiteral("X̄-s管理図"), ChartNameBox);
            TTitleBlock block = StatTitle(doc, series, first, count);
            block.page = pages.Number();
            block.pages = pages.Total();
            DrawTitleBlock(c, block, doc.title, TitleBox);

            // The centre lines and what they come from, in one row under the title block.
            const bool valid = st.limits.valid;
            c.SetFontSize(9);
            const float vx[] = {0.2f, 4.2f, 8.2f, 11.7f, 15.2f, 26.5f};
            const QString values[] = {
                QStringLiteral("X̿=") +
                    (valid ? Fixed(st.limits.grandMean, dec + 1) : QStringLiteral("—")),
                QStringLiteral("s̄=") +
                    (valid ? Fixed(st.limits.sBar, dec + 1) : QStringLiteral("—")),
                QStringLiteral("n=%1").arg(st.limits.totalN),
                QStringLiteral("日数=%1").arg(st.limits.days),
                (base.Given() ? QStringLiteral("基準期間 %1〜%2")
                                    .arg(base.from.toString(QStringLiteral("yyyy/MM/dd")),
                                         base.to.toString(QStringLiteral("yyyy/MM/dd")))
                              : QStringLiteral("管理限界: 期間の全日から")) +
                    (st.simulated > 0 ? QStringLiteral("（") + SimulatedLeftOut(st.simulated) +
                                            QStringLiteral("）")
                                      : QString()),
            };
            for (int i = 0; i < 5; ++i) {
                PrintShrinkText(c, values[i], 0, vx[i] + 0.15f, StatsTop, vx[i + 1] - 0.1f,
                                StatsBottom, SmallestPoints);
                PrintLine(c, vx[i + 1], StatsTop, vx[i + 1], StatsBottom, 1);
            }
            PrintLine(c, 0.2f, StatsBottom, 26.5f, StatsBottom, 1);
            c.SetFontSize(10);

            // Plot frames, chart names and the day columns.
            PrintLine(c, 0.2f, XBottom + 0.2f, 26.5f, XBottom + 0.2f, 1);
            PrintLine(c, 0.2f, LabelTop, 26.5f, LabelTop, 1);
            PrintLine(c, 0.2f, LabelBottom, 26.5f, LabelBottom, 1);
            PrintLine(c, PlotLeft, StatsBottom, PlotLeft, LabelBottom, 1);
            c.SetFontSize(12);
            PrintText(c, QStringLiteral("X̄"), 0, 0.4f, XTop, 1.4f, XTop + 0.6f, 0);
            PrintText(c, QStringLiteral("s"), 0, 0.4f, STop, 1.4f, STop + 0.6f, 0);
            c.SetFontSize(9);
            PrintText(c, QStringLiteral("月日"), 4, 0.2f, LabelTop, PlotLeft, LabelBottom, 0);
            c.SetFontSize(10);
            if (low < high) {
                DrawAxis(c, xPlot, dec);
                DrawAxis(c, sPlot, sStep < 1 ? 1 : 0);
                c.SetPenColor(clAqua);
                for (int d = 1; d < DaysPerPage; ++d)
                    PrintLine(c, PlotLeft + Column * d, LabelTop, PlotLeft + Column * d,
                              LabelBottom, 1);
                c.SetPenColor(clBlack);

                std::vector<TLineLabel> xLines, sLines;
                if (series.lowerLimit)
                    xLines.push_back({xPlot.Y(*series.lowerLimit),
                                      QStringLiteral("下限 ") + FormatGeneral(*series.lowerLimit),
                                      clRed, 0.3f});
                if (series.upperLimit)
                    xLines.push_back({xPlot.Y(*series.upperLimit),
                                      QStringLiteral("上限 ") + FormatGeneral(*series.upperLimit),
                                      clRed, 0.3f});
                std::vector<std::pair<int, double>> xHigh, xLow, sHigh, sLow, means, sds;
                std::vector<bool> meanFlags, sFlags, meanHollow, sHollow;
                if (valid) {
                    xLines.push_back({xPlot.Y(st.limits.grandMean),
                                      QStringLiteral("CL ") + Fixed(st.limits.grandMean, dec + 1),
                                      clBlack, 0.2f});
                    sLines.push_back({sPlot.Y(st.limits.sBar),
                                      QStringLiteral("CL ") + Fixed(st.limits.sBar, dec + 1),
                                      clBlack, 0.2f});
                }
                DrawPanelLines(c, xPlot, xLines);
                DrawPanelLines(c, sPlot, sLines);
                for (int k = 0; k < count; ++k) {
                    const int i = first + k;
                    const TSubgroup& g = st.days[size_t(i)];
                    const bool simulated = series.days[size_t(i)].simulated;
                    means.push_back({k, g.mean});
                    meanHollow.push_back(simulated);
                    bool flagged = false;
                    for (const TSignal& s : st.signals)
                        flagged = flagged || s.index == i;
                    meanFlags.push_back(flagged);
                    if (!valid)
                        continue;
                    const TSubgroupLimits l = LimitsFor(st.limits, g.n);
                    xHigh.push_back({k, l.xHigh});
                    xLow.push_back({k, l.xLow});
                    if (l.hasS) {
                        sHigh.push_back({k, l.sHigh});
                        sLow.push_back({k, l.sLow});
                        sds.push_back({k, g.s});
                        sHollow.push_back(simulated);
                        sFlags.push_back(std::find(st.sOut.begin(), st.sOut.end(), i) !=
                                         st.sOut.end());
                    }
                }
                StepLine(c, xPlot, xHigh);
                StepLine(c, xPlot, xLow);
                StepLine(c, sPlot, sHigh);
                StepLine(c, sPlot, sLow);
                Points(c, xPlot, means, meanFlags, meanHollow);
                Points(c, sPlot, sds, sFlags, sHollow);
                if (count > 0)
                    DayLabels(c, series.days, span);
                c.SetFontSize(9);
                // The key of the hollow dots at the right, on a page that has them.
                const bool anySimulated =
                    std::find(meanHollow.begin(), meanHollow.end(), true) != meanHollow.end();
                if (anySimulated)
                    DrawSimulatedKey(c, {{0, clBlack}}, 21.6f, LabelBottom, 14.8f,
                                     QStringLiteral("模擬値（統計に含めない）"));
                c.SetFontColor(clRed);
                PrintShrinkText(
                    c,
                    valid ? FlagList(series, st, first, count)
                          : QStringLiteral("管理限界なし（測定値が2個以上の日がありません）"),
                    0, 0.4f, LabelBottom, anySimulated ? 21.4f : 26.3f, 14.8f, SmallestPoints);
                c.SetFontColor(clBlack);
                DrawRules(c, st, first, count);
            }
        }
    }
}
