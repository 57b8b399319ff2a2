#include "reports/ControlChart.h"

#include "core/RegistryUtility.h"
#include "core/Utility.h"
#include "reports/Canvas.h"
#include "reports/ChartMemo.h"
#include "reports/FormKit.h"
#include "reports/PageSink.h"
#include "reports/Print.h"

#include <QDateTime>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <memory>

namespace {

constexpr int DaysPerPage = 22;
constexpr float PlotTop = 4.2f;
constexpr float PlotHeight = 8.2f;
constexpr float PlotBottom = PlotTop + PlotHeight;
constexpr float PlotLeft = 3.4f;
constexpr float PlotRight = 26.5f;
constexpr float FirstDayX = 4.4f;
constexpr float DotRadius = 0.1f;
constexpr float DayTop = 13.2f, DayBottom = 14.0f; // the row "月日"
constexpr float DayHalf = 0.45f; // a day label keeps 0.05 cm off each side of its 1 cm column

qint64 ToFixed(double v)
{
    return qint64(std::nearbyint(v * 10000.0));
}

double FromFixed(qint64 v)
{
    return double(v) / 10000.0;
}

class TScale
{
public:
    TScale(double low, double high) : m_low(ToFixed(low)), m_high(ToFixed(high)) {}

    // Equal bounds leave no scale: nothing may be placed on it.
    bool Valid() const { return m_high != m_low; }
    qint64 Low() const { return m_low; }
    qint64 High() const { return m_high; }
    double Span() const { return FromFixed(m_high) - FromFixed(m_low); }

    float Y(double v) const
    {
        return float(PlotTop + PlotHeight * (FromFixed(m_high) - v) / Span());
    }

    // The axis positions are kept to 0.0001 cm like the rest of the fixed-point sums.
    float AxisY(qint64 v) const
    {
        const double y = PlotTop + PlotHeight * double(m_high - v) / double(m_high - m_low);
        return float(FromFixed(ToFixed(y)));
    }

private:
    qint64 m_low;
    qint64 m_high;
};

bool InPlot(float y)
{
    return y >= PlotTop && y <= PlotBottom;
}

// The part of the segment inside the plot's height; false when none is.
bool ClipToPlot(float x1, float& y1, float x2, float& y2, float& cx1, float& cx2)
{
    cx1 = x1;
    cx2 = x2;
    if ((y1 < PlotTop && y2 < PlotTop) || (y1 > PlotBottom && y2 > PlotBottom))
        return false;
    auto clip = [&](float& x, float& y, float ox, float oy) {
        const float edge = y < PlotTop ? PlotTop : y > PlotBottom ? PlotBottom : y;
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

// A disc at the value, or a half disc on the plot's edge for a value beyond it.
void Dot(TCanvas& c, float x, float y, TColor colour)
{
    c.SetBrushColor(colour);
    if (y < PlotTop)
        PrintHalfCircle(c, 2, x, PlotTop, DotRadius);
    else if (y > PlotBottom)
        PrintHalfCircle(c, 0, x, PlotBottom, DotRadius);
    else
        PrintCircle(c, x, y, DotRadius);
    c.SetPenColor(clBlack);
}

void JoiningLine(TCanvas& c, float x1, float y1, float x2, float y2)
{
    float cx1 = 0, cx2 = 0;
    if (!ClipToPlot(x1, y1, x2, y2, cx1, cx2))
        return;
    SetPenWidthMm(c, 0.15f);
    PrintLine(c, cx1, y1, cx2, y2, 1);
    c.SetPenWidth(1);
}

// Labels every 10, 20 or 50 °C (more on very wide ranges), one text height clear of each other
// and inside the plot's height.
void DrawAxis(TCanvas& c, const TScale& scale)
{
    const float textHeight = TextHeightCm(c, QStringLiteral("0"));
    qint64 step = 10;
    for (const qint64 s : {10, 20, 50, 100, 200, 500, 1000}) {
        step = s;
        if (PlotHeight * float(s) / float(scale.Span()) >= 2 * textHeight)
            break;
    }
    const qint64 first = scale.Low() / step / 10000 + 1;
    const qint64 last = scale.High() / step / 10000 - 1;
    for (qint64 t = first; t <= last; ++t) {
        const qint64 v = step * t;
        const float y = scale.AxisY(v * 10000);
        if (y - textHeight / 2 >= PlotTop && y + textHeight / 2 <= PlotBottom)
            PrintText(c, QString::number(v), 2, 2.4f, y - 0.5f, 3.4f, y + 0.5f, 0);
        PrintLine(c, PlotLeft, y, PlotRight, y, 1);
    }
}

// Labels in the column left of the axis, within the plot's height (LayOutReferenceLabels).
void DrawReferenceLines(TCanvas& c, const TScale& scale, const std::vector<TOJ>& lines)
{
    for (const TOJ& line : lines) {
        const float y = scale.Y(line.Value);
        if (!InPlot(y))
            continue;
        const TColor colour = line.IsLimit ? clRed : clBlack;
        c.SetPenColor(colour);
        SetPenWidthMm(c, line.IsLimit ? 0.3f : 0.2f);
        PrintLine(c, PlotLeft, y, PlotRight, y, 1);
        c.SetPenWidth(1);
    }
    if (lines.empty())
        return;
    std::vector<float> lineY;
    for (const TOJ& line : lines)
        lineY.push_back(scale.Y(line.Value));
    const int points0 = c.FontSize();
    const TReferenceLabels labels = LayOutReferenceLabels(lineY, PlotTop, PlotHeight, points0);
    for (size_t i = 0; i < lines.size(); ++i) {
        const TOJ& line = lines[i];
        const float y = labels.centres[i];
        c.SetFontColor(line.IsLimit ? clRed : clBlack);
        c.SetFontSize(labels.points);
        // Rounded on its decimal value, as the day averages are.
        const QString value = FormatFixed(RoundDecimals(1, line.Value, RoundingRuleSetting()), 1);
        if (labels.twoLines) {
            PrintShrinkText(c, line.Name, 2, 0.2f, y - labels.lineHeight, 2.4f, y, SmallestPoints);
            PrintShrinkText(c, value, 2, 0.2f, y, 2.4f, y + labels.lineHeight, SmallestPoints);
        } else {
            PrintShrinkText(c, line.Name + QLatin1Char(' ') + value, 2, 0.2f, y - labels.pitch / 2,
                            2.4f, y + labels.pitch / 2, SmallestPoints);
        }
    }
    c.SetFontSize(points0);
}

// One category's discs and joining lines on the page's days; a day without values breaks the run.
// Earlier discs are stamped again over the joining lines.
void DrawSeries(TCanvas& c, const TScale& scale, const TChartSeries& series,
                const QList<QDateTime>& days, const TDaySpan& span)
{
    bool hasPrev = false;
    float prevMax = 0, prevMin = 0;
    bool prevEqual = false;
    const int first = span.first;
    for (int n = first; n < first + span.count; ++n) {
        const auto found = series.days.constFind(days[n]);
        if (found == series.days.constEnd()) {
            hasPrev = false;
            continue;
        }
        const float x = FirstDayX + float(n - first);
        const float xp = x - 1;
        const float yMax = scale.Y(found->max);
        const float yMin = scale.Y(found->min);
        const bool equal = found->max == found->min;
        if (hasPrev) {
            JoiningLine(c, xp, prevMax, x, yMax);
            Dot(c, xp, prevMax, clRed);
            if (prevEqual && InPlot(prevMax)) {
                c.SetBrushColor(clBlue);
                PrintHalfCircle(c, 2, xp, prevMax, DotRadius);
            }
        }
        Dot(c, x, yMax, clRed);
        if (hasPrev) {
            JoiningLine(c, xp, prevMin, x, yMin);
            if (!prevEqual)
                Dot(c, xp, prevMin, clBlue);
        }
        Dot(c, x, yMin, clBlue);
        if (equal && InPlot(yMin)) {
            c.SetBrushColor(clRed);
            PrintHalfCircle(c, 0, x, yMin, DotRadius);
        }
        hasPrev = true;
        prevMax = yMax;
        prevMin = yMin;
        prevEqual = equal;
    }
}

// A value cell of the title block, inside a small margin; a list of several values that would
// need a font under 8 pt goes on two lines.
void CellText(TCanvas& c, const QString& text, float x1, float y1, float x2, float y2)
{
    if (text.isEmpty())
        return;
    const int points0 = c.FontSize();
    c.SetFontSize(8);
    const bool small = !TextFits(c, text, x1 + 0.1f, x2 - 0.1f);
    c.SetFontSize(points0);
    const QStringList parts = text.split(QStringLiteral("　"));
    if (!small || parts.size() < 2) {
        PrintShrinkText(c, text, 1, x1 + 0.1f, y1, x2 - 0.1f, y2, SmallestPoints);
        return;
    }
    const int half = int(parts.size() + 1) / 2;
    const float mid = (y1 + y2) / 2;
    const QString upper = parts.mid(0, half).join(QStringLiteral("　"));
    const QString lower = parts.mid(half).join(QStringLiteral("　"));
    // Both lines in one size.
    int points = std::min(points0, 9);
    c.SetFontSize(points);
    while (points > SmallestPoints &&
           !(TextFits(c, upper, x1 + 0.1f, x2 - 0.1f) && TextFits(c, lower, x1 + 0.1f, x2 - 0.1f)))
        c.SetFontSize(--points);
    PrintShrinkText(c, upper, 1, x1 + 0.1f, y1, x2 - 0.1f, mid, SmallestPoints);
    PrintShrinkText(c, lower, 1, x1 + 0.1f, mid, x2 - 0.1f, y2, SmallestPoints);
    c.SetFontSize(points0);
}

void DrawTitle(TCanvas& c, const QString& project, const TChartMix& mix)
{
    const QString name = mix.printName + QStringLiteral("の温度");
    const QString whole = project.isEmpty() ? name : project + QStringLiteral("　") + name;
    if (TextFits(c, whole, 3.5f, 19)) {
        PrintText(c, whole, 1, 3.5f, 1.1f, 19, 1.875f, 0);
        return;
    }
    PrintShrinkText(c, project, 1, 3.5f, 1.1f, 19, 1.4875f, SmallestPoints);
    PrintShrinkText(c, name, 1, 3.5f, 1.4875f, 19, 1.875f, SmallestPoints);
}

} // namespace

void DrawChartFrame(TCanvas& c, const TChartCells& filled)
{
    c.SetSheetOrigin(ControlChartPage.origin);
    DrawFormFrame(c, ChartBorder, ChartBody);
    static const float lines[][4] = {
        {0.2f, 1.875f, 19.1f, 1.875f}, {21.1f, 1.875f, 26.5f, 1.875f}, {0.2f, 2.65f, 26.5f, 2.65f},
        {2.0f, 3.425f, 9.7f, 3.425f},  {10.5f, 3.425f, 19.1f, 3.425f}, {0.2f, 4.2f, 26.5f, 4.2f},
        {0.2f, 12.4f, 26.5f, 12.4f},   {0.2f, 13.2f, 26.5f, 13.2f},    {0.2f, 14.0f, 26.5f, 14.0f},
        {2.0f, 2.65f, 2.0f, 4.2f},     {3.4f, 1.1f, 3.4f, 14.8f},      {9.7f, 1.875f, 9.7f, 4.2f},
        {10.5f, 2.65f, 10.5f, 4.2f},   {12.4f, 1.875f, 12.4f, 4.2f},   {19.1f, 1.1f, 19.1f, 4.2f},
        {21.1f, 1.1f, 21.1f, 2.65f},   {22.2f, 1.1f, 22.2f, 4.2f},
    };
    for (const auto& l : lines)
        PrintLine(c, l[0], l[1], l[2], l[3], 1);

    struct Label
    {
        const char* text;
        int align;
        float x1, y1, x2, y2;
    };
    static const Label labels[] = {
        {"名称", 4, 0.2f, 1.1f, 3.4f, 1.875f},
        {"品質特性", 4, 0.2f, 1.875f, 3.4f, 2.65f},
        {"規格\\\\限界", 4, 0.2f, 2.65f, 2.0f, 4.2f},
        {"最大\\\\最小", 4, 2.0f, 2.65f, 3.4f, 4.2f},
        {"測定単位", 4, 9.7f, 1.875f, 12.4f, 2.65f},
        {"試\\\\料", 1, 9.7f, 2.65f, 10.5f, 4.2f},
        {"大きさ\\\\間隔", 4, 10.5f, 2.65f, 12.4f, 4.2f},
        {"期間", 4, 19.1f, 1.1f, 21.1f, 2.65f},
        {"自\\\\至", 1, 21.1f, 1.1f, 22.2f, 2.65f},
        {"測定者", 4, 19.1f, 2.65f, 22.2f, 4.2f},
        {"温度管理", 4, 4.4f, 1.875f, 8.7f, 2.65f},
    };
    DrawFormName(c, QStringLiteral("Ｘ 管 理 図"), ChartNameBox);
    c.SetFontSize(10);
    for (const Label& l : labels)
        PrintText(c, QString::fromUtf8(l.text), l.align, l.x1, l.y1, l.x2, l.y2, 0);

    if (!filled.limitHigh)
        PrintLine(c, 3.4f, 3.425f, 9.7f, 2.65f, 1);
    if (!filled.limitLow)
        PrintLine(c, 3.4f, 4.2f, 9.7f, 3.425f, 1);
    if (!filled.sampleSize)
        PrintLine(c, 12.4f, 3.425f, 19.1f, 2.65f, 1);
    if (!filled.sampleInterval)
        PrintLine(c, 12.4f, 4.2f, 19.1f, 3.425f, 1);

    PrintText(c, QStringLiteral("測点"), 4, 0.2f, 12.4f, 3.4f, 13.2f, 0);
    PrintText(c, QStringLiteral("月日"), 4, 0.2f, 13.2f, 3.4f, 14.0f, 0);
    PrintText(c, QStringLiteral("記事"), 4, 0.2f, 14.0f, 3.4f, 14.8f, 0);
    PrintText(c,
              QStringLiteral("注）イ．記事欄には、施工管理基準に定められた事項、異常原因、その他必"
                             "要事項を記入する。"),
              0, 1, 15, 26, 15.6f, 0);
    PrintText(c, QStringLiteral("　　ロ．管理図は、仕様書による規格限界線を朱書きで記入する。"), 0,
              1, 15.6f, 26, 16.2f, 0);

    const QString colour = ReadSetting(QStringLiteral("HotbinMemoriColor"));
    c.SetPenColor(colour.isEmpty() ? clAqua : TColor(ParseWhole(colour)));
}

int ChartPages(const TChartMix& mix)
{
    return DayPages(int(mix.days.size()), DaysPerPage);
}

void DrawControlChart(const TChartDocument& doc, TPageSink& pane, double low, double high)
{
    const TScale scale(low, high);
    int total = 0;
    for (const TChartMix& mix : doc.mixes)
        total += ChartPages(mix);
    TFormPages pages(pane, ControlChartPage, total);
    for (const TChartMix& mix : doc.mixes) {
        TChartCells filled;
        filled.limitHigh = !mix.limitHigh.isEmpty();
        filled.limitLow = !mix.limitLow.isEmpty();
        filled.sampleSize = !mix.sampleSize.isEmpty();
        filled.sampleInterval = !mix.sampleInterval.isEmpty();
        // Everything but the days and the page number is the same on every sheet of a mix:
        // drawn once, then copied onto each page.
        const auto drawCommon = [&](TCanvas& c) {
            c.SetFontName(doc.font);
            DrawChartFrame(c, filled);
            c.SetPenColor(clAqua);
            if (scale.Valid())
                DrawAxis(c, scale);
            for (int d = 0; d < DaysPerPage; ++d)
                PrintLine(c, FirstDayX + d, PlotTop, FirstDayX + d, PlotBottom, 1);

            DrawTitle(c, doc.project, mix);
            PrintText(c, QStringLiteral("℃"), 1, 12.4f, 1.875f, 19.1f, 2.65f, 0);
            CellText(c, mix.limitHigh, 3.4f, 2.65f, 9.7f, 3.425f);
            CellText(c, mix.limitLow, 3.4f, 3.425f, 9.7f, 4.2f);
            CellText(c, mix.sampleSize, 12.4f, 2.65f, 19.1f, 3.425f);
            CellText(c, mix.sampleInterval, 12.4f, 3.425f, 19.1f, 4.2f);
            // A mix without days has no period.
            if (!mix.days.isEmpty()) {
                CellText(c, PeriodText(mix.days.first()), 22.2f, 1.1f, 26.5f, 1.875f);
                CellText(c, PeriodText(mix.days.last()), 22.2f, 1.875f, 26.5f, 2.65f);
            }
            CellText(c, mix.measurer, 22.2f, 2.65f, 26.5f, 4.2f);

            if (scale.Valid())
                DrawReferenceLines(c, scale, mix.lines);
            c.SetFontColor(clBlack);
            c.SetPenColor(clBlack);
        };
        std::unique_ptr<TRecordingCanvas> start, common;
        for (int p = 0; p < ChartPages(mix); ++p) {
            TCanvas& c = pages.Next();
            // Copied only onto a page that starts as the first one did.
            if (!common) {
                start =
                    std::make_unique<TRecordingCanvas>(QSize(), c.DpiX(), c.DpiY(), c.Metrics());
                start->TakeState(c);
                common =
                    std::make_unique<TRecordingCanvas>(QSize(), c.DpiX(), c.DpiY(), c.Metrics());
                common->TakeState(c);
                drawCommon(*common);
            }
            if (c.SameState(*start) && c.DpiX() == common->DpiX() && c.DpiY() == common->DpiY() &&
                c.Metrics() == common->Metrics())
                c.DrawRecorded(common->Page(), *common);
            else
                drawCommon(c);
            const TDaySpan span = PageDays(p, int(mix.days.size()), DaysPerPage);
            const QList<QDateTime> shown = mix.days.mid(span.first, span.count);
            QList<bool> simulated;
            for (const QDateTime& day : shown) {
                bool any = false;
                for (const TChartSeries& series : mix.series)
                    any = any || series.days.value(day).simulated;
                simulated << any;
            }
            DrawDayLabels(
                c, shown,
                TDayColumns{[](int k) { return FirstDayX + float(k); }, DayHalf, DayTop, DayBottom},
                simulated);
            if (scale.Valid())
                for (const TChartSeries& series : mix.series)
                    DrawSeries(c, scale, series, mix.days, span);
        }
    }
    pages.Finish();
}

void FillChartMemo(const TChartDocument& doc, TChartMemo& memo)
{
    memo.Clear();
    for (const TChartMix& mix : doc.mixes) {
        memo.AddLine(mix.key);
        for (const QDateTime& d : mix.days)
            memo.AddLine(FormatDate(d));
    }
}
