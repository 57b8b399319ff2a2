#include "reports/ControlChart.h"

#include "core/RegistryUtility.h"
#include "core/SpecText.h"
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
constexpr float MarkerRadius = 0.1f;
constexpr float DayTop = 13.2f, DayBottom = 14.0f;   // the row "月日"
constexpr float NoteTop = 14.0f, NoteBottom = 14.8f; // the row "記事"
constexpr float DayHalf = 0.45f; // a day label keeps 0.05 cm off each side of its 1 cm column
constexpr float LabelLeft = 0.3f, LabelRight = 2.35f; // reference labels
constexpr float AxisLeft = 2.6f, AxisRight = 3.35f;   // axis values
constexpr TCmBox TitleBox{0.2f, 1.1f, 26.5f, 4.2f};
constexpr float UnderSheet = 15.05f;
constexpr float LegendLeft = 13.6f;
constexpr float SheetBottom = 17.9f;

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

float OnPlot(float y)
{
    return std::clamp(y, PlotTop, PlotBottom);
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

void JoiningLine(TCanvas& c, float x1, float y1, float x2, float y2)
{
    float cx1 = 0, cx2 = 0;
    if (!ClipToPlot(x1, y1, x2, y2, cx1, cx2))
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
    return FormatFixed(RoundDecimals(1, v, RoundingRuleSetting()), 1);
}

// The reference lines inside the plot and where their labels go.
struct TLabelled
{
    std::vector<size_t> shown;
    std::vector<float> lineY;
    QStringList texts;
    TReferenceLabels labels;
};

TLabelled LayOutLines(TCanvas& c, const TScale& scale, const std::vector<TOJ>& lines)
{
    TLabelled out;
    for (size_t i = 0; i < lines.size(); ++i) {
        const float y = scale.Y(lines[i].Value);
        if (y < PlotTop || y > PlotBottom)
            continue;
        out.shown.push_back(i);
        out.lineY.push_back(y);
        out.texts << lines[i].Kind + QLatin1Char(' ') + LineValue(lines[i].Value);
    }
    const int points0 = c.FontSize();
    const auto widest = [&](int points) {
        c.SetFontSize(points);
        float w = 0;
        for (const QString& t : out.texts)
            w = std::max(w, TextWidthCm(c, t) + 0.04f * float(points));
        return w;
    };
    out.labels =
        LayOutReferenceLabels(out.lineY, PlotTop, PlotHeight, 9, LabelRight - LabelLeft, widest);
    c.SetFontSize(points0);
    return out;
}

// Labels every 10, 20 or 50 °C (more on very wide ranges), one text height clear of each other
// and inside the plot's height.
void DrawAxis(TCanvas& c, const TScale& scale)
{
    c.SetFontSize(9);
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
            PrintText(c, QString::number(v), 2, AxisLeft, y - 0.3f, AxisRight, y + 0.3f, 0);
        PrintLine(c, PlotLeft, y, PlotRight, y, 1);
    }
    c.SetFontSize(10);
}

// Lines across the plot; labels at their values in the column left of the axis, each with its
// category's marker, moved apart when they crowd with a leader that ends at the axis column,
// level with its line.
void DrawReferenceLines(TCanvas& c, const std::vector<TOJ>& lines, const TLabelled& l)
{
    for (size_t k = 0; k < l.shown.size(); ++k) {
        const TOJ& line = lines[l.shown[k]];
        c.SetPenColor(line.IsLimit ? clRed : clBlack);
        SetPenWidthMm(c, line.IsLimit ? 0.3f : 0.2f);
        PrintLine(c, PlotLeft, l.lineY[k], PlotRight, l.lineY[k], 1);
        c.SetPenWidth(1);
    }
    const int points0 = c.FontSize();
    c.SetFontSize(l.labels.points);
    const float markerR = 0.014f * float(l.labels.points);
    for (size_t k = 0; k < l.shown.size(); ++k) {
        const TOJ& line = lines[l.shown[k]];
        const float y = l.labels.centres[k];
        const TColor colour = line.IsLimit ? clRed : clBlack;
        c.SetFontColor(colour);
        const float width = TextWidthCm(c, l.texts[int(k)]);
        PrintText(c, l.texts[int(k)], 2, LabelLeft, y - l.labels.pitch / 2, LabelRight,
                  y + l.labels.pitch / 2, 0);
        DrawMarker(c, line.Series, LabelRight - width - markerR - 0.05f, y, markerR, colour, true);
        if (std::abs(y - l.lineY[k]) > 0.05f) {
            c.SetPenColor(colour);
            PrintLine(c, LabelRight + 0.02f, y, AxisLeft - 0.12f, l.lineY[k], 1);
        }
    }
    c.SetFontColor(clBlack);
    c.SetPenColor(clBlack);
    c.SetFontSize(points0);
}

struct TPoint
{
    float y;
    bool outside;
};

// One category's markers and joining lines on the page's days; a day without values breaks
// the run. Markers are drawn after all the lines, so that they lie on top; a simulated day's
// maximum is hollow as its minimum is, so that it never reads as measured.
void DrawSeries(TCanvas& c, const TScale& scale, const TChartSeries& series, int shape,
                const QList<QDateTime>& days, const TDaySpan& span)
{
    struct TDayPoints
    {
        float x;
        TPoint max, min;
        bool simulated;
    };
    std::vector<TDayPoints> drawn;
    bool hasPrev = false;
    TDayPoints prev{};
    for (int n = span.first; n < span.first + span.count; ++n) {
        const auto found = series.days.constFind(days[n]);
        if (found == series.days.constEnd()) {
            hasPrev = false;
            continue;
        }
        const TDayPoints now{FirstDayX + float(n - span.first),
                             {scale.Y(found->max), series.limits.Outside(found->max)},
                             {scale.Y(found->min), series.limits.Outside(found->min)},
                             found->simulated};
        if (hasPrev) {
            JoiningLine(c, prev.x, prev.max.y, now.x, now.max.y);
            JoiningLine(c, prev.x, prev.min.y, now.x, now.min.y);
        }
        drawn.push_back(now);
        prev = now;
        hasPrev = true;
    }
    for (const TDayPoints& d : drawn) {
        DrawMarker(c, shape, d.x, OnPlot(d.min.y), MarkerRadius, clBlue, false);
        DrawMarker(c, shape, d.x, OnPlot(d.max.y), MarkerRadius, clRed, !d.simulated);
        for (const TPoint& p : {d.max, d.min})
            if (p.outside)
                Ring(c, d.x, OnPlot(p.y), MarkerRadius * 1.9f);
    }
}

constexpr float LegendRow = 0.38f;
constexpr float LegendEntry = 6.5f;

// Entry `index` of the legend: two a row.
void LegendAt(int index, float& x, float& y)
{
    x = LegendLeft + LegendEntry * float(index % 2);
    y = UnderSheet + LegendRow * float(index / 2);
}

// Under the sheet, right of the notes: per category its markers for 最高 and 最低, then the ring
// of a point out of the specified range.
float DrawLegend(TCanvas& c, const TChartMix& mix)
{
    const int points0 = c.FontSize();
    c.SetFontSize(8);
    const float rowHeight = LegendRow;
    const float r = 0.09f;
    int k = 0;
    for (size_t i = 0; i < mix.series.size(); ++i, ++k) {
        float x = 0, y = 0;
        LegendAt(k, x, y);
        const float mid = y + rowHeight / 2;
        PrintFittedText(c, mix.series[i].name, 0, TCmBox{x, y, x + 3.1f, y + rowHeight});
        DrawMarker(c, int(i), x + 3.3f, mid, r, clRed, true);
        PrintText(c, QStringLiteral("最高"), 0, x + 3.5f, y, x + 4.6f, y + rowHeight, 0);
        DrawMarker(c, int(i), x + 4.8f, mid, r, clBlue, false);
        PrintText(c, QStringLiteral("最低"), 0, x + 5.0f, y, x + 6.1f, y + rowHeight, 0);
    }
    float x = 0, y = 0;
    LegendAt(k, x, y);
    Ring(c, x + 3.3f, y + rowHeight / 2, r * 1.9f);
    PrintText(c, QStringLiteral("規格外"), 0, x + 3.6f, y, x + 5.0f, y + rowHeight, 0);
    c.SetFontSize(points0);
    return y + rowHeight;
}

// After the ring, on a page with a simulated day: its hollow markers. Returns the legend's
// bottom.
float DrawSimulatedLegend(TCanvas& c, const TChartMix& mix)
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
    const float first = x + 3.3f - r - float(markers.size() - 1) * (2 * r + 0.08f);
    DrawSimulatedKey(c, markers, first, y, y + LegendRow, QStringLiteral("模擬値（中抜き）"));
    c.SetFontSize(points0);
    return y + LegendRow;
}

QString AirTemperature(const QString& typed)
{
    bool number = false;
    AsciiTyped(typed).toDouble(&number);
    return number ? typed + QStringLiteral("℃") : typed;
}

// The row 記事: each day's weather, air temperature and the number of its note; the notes
// themselves listed under the sheet from `top`.
void DrawNotes(TCanvas& c, const TChartMix& mix, const QList<QDateTime>& shown, float top)
{
    const int points0 = c.FontSize();
    QStringList listed;
    const float third = (NoteBottom - NoteTop) / 3;
    c.SetFontSize(7);
    for (int k = 0; k < shown.size(); ++k) {
        const TDayNote note = mix.notes.value(shown[k]);
        const float x = FirstDayX + float(k);
        const QString lines[] = {
            note.weather,
            note.airTemperature.isEmpty() ? QString() : AirTemperature(note.airTemperature),
            note.remark.isEmpty() ? QString() : QStringLiteral("※%1").arg(listed.size() + 1)};
        for (int i = 0; i < 3; ++i)
            if (!lines[i].isEmpty())
                PrintShrinkText(c, lines[i], 1, x - 0.48f, NoteTop + third * float(i), x + 0.48f,
                                NoteTop + third * float(i + 1), SmallestPoints);
        if (!note.remark.isEmpty())
            listed << QStringLiteral("※%1 %2 %3")
                          .arg(listed.size() + 1)
                          .arg(MonthDay(shown[k]), note.remark);
    }
    // Three columns under the sheet, as many rows as there is room for.
    const float rowHeight = 0.32f;
    const int rows = std::max(1, int((SheetBottom - top) / rowHeight));
    const float columnWidth = 26.5f / 3;
    for (int i = 0; i < listed.size() && i < rows * 3; ++i) {
        const float x = 0.2f + columnWidth * float(i / rows);
        const float y = top + rowHeight * float(i % rows);
        QString text = listed[i];
        if (i == rows * 3 - 1 && listed.size() > rows * 3)
            text = QStringLiteral("ほか %1 件は記録表の記事を参照").arg(listed.size() - i);
        PrintShrinkText(c, text, 0, x, y, x + columnWidth - 0.2f, y + rowHeight, SmallestPoints);
    }
    c.SetFontSize(points0);
}

TTitleBlock TitleOf(const TChartDocument& doc, const TChartMix& mix, const QList<QDateTime>& shown)
{
    TTitleBlock t;
    t.project = doc.project;
    t.mix = mix.printName;
    QStringList names, limits;
    for (const TChartSeries& s : mix.series) {
        names << s.name;
        const QString limit = ReadableRange(s.limits.text);
        if (!limit.isEmpty())
            limits << (mix.series.size() > 1 ? s.name + QLatin1Char(' ') + limit : limit);
    }
    t.category = names.join(QStringLiteral("・"));
    t.limit = limits.join(QStringLiteral("・"));
    QList<QPair<QDate, QString>> measurers;
    for (const QDateTime& d : shown)
        measurers.append({d.date(), mix.notes.value(d).measurer});
    t.measurer = MeasurersOfDays(measurers);
    if (t.measurer.isEmpty())
        t.measurer = mix.measurer;
    if (!shown.isEmpty())
        t.period = PeriodOf(shown.first().date(), shown.last().date(), doc.title.wareki);
    t.extra = {{QStringLiteral("品質特性"), QStringLiteral("温度")},
               {QStringLiteral("測定単位"), QStringLiteral("℃")},
               {QStringLiteral("試料の大きさ"), mix.sampleSize},
               {QStringLiteral("測定間隔"), mix.sampleInterval}};
    return t;
}

} // namespace

void DrawChartFrame(TCanvas& c)
{
    c.SetSheetOrigin(ControlChartPage.origin);
    DrawFormFrame(c, ChartBorder, ChartBody);
    static const float lines[][4] = {
        {0.2f, PlotTop, 26.5f, PlotTop},      {0.2f, PlotBottom, 26.5f, PlotBottom},
        {0.2f, DayTop, 26.5f, DayTop},        {0.2f, NoteTop, 26.5f, NoteTop},
        {PlotLeft, PlotTop, PlotLeft, 14.8f},
    };
    for (const auto& l : lines)
        PrintLine(c, l[0], l[1], l[2], l[3], 1);
    DrawFormName(c, QStringLiteral("Ｘ 管 理 図"), ChartNameBox);
    c.SetFontSize(10);
    PrintText(c, QStringLiteral("測点"), 4, 0.2f, PlotBottom, PlotLeft, DayTop, 0);
    PrintText(c, QStringLiteral("月日"), 4, 0.2f, DayTop, PlotLeft, NoteTop, 0);
    PrintText(c, QStringLiteral("記事"), 4, 0.2f, NoteTop, PlotLeft, 14.8f, 0);
    c.SetFontSize(8);
    PrintText(c,
              QStringLiteral("注）イ．記事欄には、施工管理基準に定められた事項、異常原因、その他必"
                             "要事項を記入する。"),
              0, 0.2f, UnderSheet, LegendLeft - 0.2f, UnderSheet + 0.4f, 0);
    PrintText(c, QStringLiteral("　　ロ．管理図は、仕様書による規格限界線を朱書きで記入する。"), 0,
              0.2f, UnderSheet + 0.4f, LegendLeft - 0.2f, UnderSheet + 0.8f, 0);
    c.SetFontSize(10);

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
        float legendBottom = UnderSheet;
        // Everything but the title block, the days and their points is the same on every sheet
        // of a mix: drawn once, then copied onto each page.
        const auto drawCommon = [&](TCanvas& c) {
            c.SetFontName(doc.font);
            DrawChartFrame(c);
            c.SetPenColor(clAqua);
            const TLabelled labelled =
                scale.Valid() ? LayOutLines(c, scale, mix.lines) : TLabelled();
            if (scale.Valid())
                DrawAxis(c, scale);
            for (int d = 0; d < DaysPerPage; ++d)
                PrintLine(c, FirstDayX + d, PlotTop, FirstDayX + d, PlotBottom, 1);
            c.SetPenColor(clBlack);
            if (scale.Valid())
                DrawReferenceLines(c, mix.lines, labelled);
            legendBottom = DrawLegend(c, mix);
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
            TTitleBlock block = TitleOf(doc, mix, shown);
            block.page = pages.Number();
            block.pages = pages.Total();
            DrawTitleBlock(c, block, doc.title, TitleBox);
            QList<bool> simulated;
            for (const QDateTime& day : shown) {
                bool any = false;
                for (const TChartSeries& series : mix.series)
                    any = any || series.days.value(day).simulated;
                simulated << any;
            }
            float bottom = legendBottom;
            if (simulated.contains(true))
                bottom = std::max(bottom, DrawSimulatedLegend(c, mix));
            c.SetFontSize(10);
            DrawDayLabels(
                c, shown,
                TDayColumns{[](int k) { return FirstDayX + float(k); }, DayHalf, DayTop, DayBottom},
                simulated);
            DrawNotes(c, mix, shown, std::max(bottom, UnderSheet + 0.8f) + 0.05f);
            if (scale.Valid())
                for (size_t i = 0; i < mix.series.size(); ++i)
                    DrawSeries(c, scale, mix.series[i], int(i), mix.days, span);
        }
    }
}

void AutomaticChartRange(const TChartDocument& doc, double& low, double& high)
{
    double lo = 1e300, hi = -1e300;
    const auto take = [&](double v) {
        lo = std::min(lo, v);
        hi = std::max(hi, v);
    };
    for (const TChartMix& mix : doc.mixes) {
        for (const TChartSeries& series : mix.series)
            for (const TDaySummary& s : series.days) {
                take(s.max);
                take(s.min);
            }
        for (const TOJ& line : mix.lines)
            take(line.Value);
    }
    if (lo > hi) {
        low = 100;
        high = 200;
        return;
    }
    low = std::floor((lo - 5) / 10) * 10;
    high = std::ceil((hi + 5) / 10) * 10;
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
