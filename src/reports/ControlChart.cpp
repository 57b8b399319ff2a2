#include "reports/ControlChart.h"

#include "core/KikakuText.h"
#include "core/Settings.h"
#include "core/Utility.h"
#include "reports/Canvas.h"
#include "reports/ChartMemo.h"
#include "reports/ChartPlot.h"
#include "reports/FormKit.h"
#include "reports/PageSink.h"
#include "reports/Print.h"

#include <QDateTime>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>

namespace {

constexpr int DaysPerPage = ChartDaysPerPage;
constexpr float PlotTop = ChartPlotTop;
constexpr float PlotBottom = ChartPlotBottom;
constexpr float PlotLeft = ChartPlotLeft;
constexpr float PlotRight = ChartPlotRight;
constexpr float FirstDayX = ChartFirstDayX;
constexpr float DayTop = 13.2f, DayBottom = 14.0f;   // the row "月日"
constexpr float NoteTop = 14.0f, NoteBottom = 14.8f; // the row "記事"
constexpr float DayHalf = 0.45f; // a day label keeps 0.05 cm off each side of its 1 cm column
constexpr float LabelLeft = 0.3f, LabelRight = 2.35f; // reference labels and panel names
constexpr TCmBox TitleBox{0.2f, 1.1f, 26.5f, 4.2f};
constexpr float UnderSheet = 15.05f;
constexpr float LegendLeft = 13.6f;
constexpr float SheetBottom = 17.9f;

// One band of the plot and what it shows: the whole plot and every category, or one panel.
struct TPlotBand
{
    TChartBand band;
    std::vector<size_t> series; // of the mix
    std::vector<TOJ> lines;
    bool panel = false;
};

std::vector<TPlotBand> WholePlot(const TChartMix& mix, double low, double high)
{
    TPlotBand b{TChartBand(low, high, PlotTop, PlotBottom), {}, mix.lines};
    for (size_t i = 0; i < mix.series.size(); ++i)
        b.series.push_back(i);
    return {b};
}

// A panel per category from the top, each on the range of its own values and lines.
std::vector<TPlotBand> Panels(const TChartMix& mix)
{
    std::vector<TPlotBand> bands;
    const int count = std::max<int>(1, int(mix.series.size()));
    const float height = (PlotBottom - PlotTop) / float(count);
    for (size_t i = 0; i < mix.series.size(); ++i) {
        std::vector<double> values;
        for (const TDaySummary& d : mix.series[i].days)
            values.insert(values.end(), {d.max, d.min});
        std::vector<TOJ> lines;
        for (const TOJ& line : mix.lines)
            if (line.Series == int(i)) {
                lines.push_back(line);
                values.push_back(line.Value);
            }
        double low = 0, high = 0;
        WholeTensAround(values, low, high);
        const float top = PlotTop + height * float(i);
        bands.push_back({TChartBand(low, high, top, top + height), {i}, lines, true});
    }
    return bands;
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
    QStringList sizes;
    for (const QDateTime& d : shown)
        measurers.append({d.date(), mix.notes.value(d).measurer});
    for (const TChartSeries& s : mix.series)
        if (!s.sampleSize.isEmpty() && !sizes.contains(s.sampleSize))
            sizes << s.sampleSize;
    t.measurer = MeasurersOfDays(measurers);
    if (t.measurer.isEmpty())
        t.measurer = mix.measurer;
    t.period = PeriodOf(doc);
    // Categories of different sizes have theirs in the legend.
    t.extra = {{QStringLiteral("品質特性"), QStringLiteral("温度")},
               {QStringLiteral("測定単位"), QStringLiteral("℃")},
               {QStringLiteral("試料の大きさ"),
                sizes.size() > 1 ? QStringLiteral("凡例参照") : sizes.value(0)},
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

    const int colour = TSettings::ChartGridColour();
    c.SetPenColor(colour < 0 ? clAqua : TColor(colour));
}

int ChartPages(const TChartMix& mix)
{
    return DayPages(int(mix.days.size()), DaysPerPage);
}

namespace {

// Every sheet of every mix, each mix on the bands `bandsOf` gives it.
void DrawSheets(const TChartDocument& doc, TPageSink& pane,
                const std::function<std::vector<TPlotBand>(const TChartMix&)>& bandsOf)
{
    int total = 0;
    for (const TChartMix& mix : doc.mixes)
        total += ChartPages(mix);
    TFormPages pages(pane, ControlChartPage, total);
    for (const TChartMix& mix : doc.mixes) {
        const std::vector<TPlotBand> bands = bandsOf(mix);
        float legendBottom = UnderSheet;
        // Everything but the title block, the days and their points is the same on every sheet
        // of a mix: drawn once, then copied onto each page.
        const auto drawCommon = [&](TCanvas& c) {
            c.SetFontName(doc.font);
            DrawChartFrame(c);
            c.SetPenColor(clAqua);
            for (const TPlotBand& b : bands)
                if (b.band.Valid())
                    // A panel is low: its labels may stand closer.
                    DrawChartAxis(c, b.band, b.panel ? ReadablePoints : 9, b.panel ? 1.3f : 2);
            for (int d = 0; d < DaysPerPage; ++d)
                PrintLine(c, FirstDayX + d, PlotTop, FirstDayX + d, PlotBottom, 1);
            c.SetPenColor(clBlack);
            for (size_t k = 0; k < bands.size(); ++k) {
                const TPlotBand& b = bands[k];
                float labelsTop = b.band.Top();
                if (b.panel) {
                    if (k > 0) {
                        SetPenWidthMm(c, 0.4f);
                        PrintLine(c, 0.2f, b.band.Top(), PlotRight, b.band.Top(), 1);
                        c.SetPenWidth(1);
                    }
                    // The panel's category with its marker, above its labels.
                    const size_t i = b.series.front();
                    c.SetFontSize(ReadablePoints);
                    const float y = b.band.Top() + 0.02f;
                    DrawMarker(c, int(i), LabelLeft + 0.1f, y + 0.15f, 0.08f, clBlack, true);
                    PrintShrinkText(c, mix.series[i].name, 0, LabelLeft + 0.25f, y, PlotLeft - 0.1f,
                                    y + 0.3f, ReadablePoints);
                    labelsTop = y + 0.32f;
                }
                if (b.band.Valid())
                    DrawChartReferences(c, b.band, b.lines, labelsTop);
            }
            legendBottom = DrawChartLegend(c, mix);
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
                bottom = std::max(bottom, DrawChartSimulatedKey(c, mix));
            c.SetFontSize(10);
            DrawDayLabels(
                c, shown,
                TDayColumns{[](int k) { return FirstDayX + float(k); }, DayHalf, DayTop, DayBottom},
                simulated);
            DrawNotes(c, mix, shown, std::max(bottom, UnderSheet + 0.8f) + 0.05f);
            for (const TPlotBand& b : bands)
                if (b.band.Valid())
                    for (size_t i : b.series)
                        DrawChartSeries(c, b.band, mix.series[i], int(i), mix.days, span);
        }
    }
}

} // namespace

void DrawControlChart(const TChartDocument& doc, TPageSink& pane, double low, double high)
{
    DrawSheets(doc, pane, [&](const TChartMix& mix) { return WholePlot(mix, low, high); });
}

void DrawControlChartPanels(const TChartDocument& doc, TPageSink& pane)
{
    DrawSheets(doc, pane, Panels);
}

void AutomaticChartRange(const TChartDocument& doc, double& low, double& high)
{
    std::vector<double> values;
    for (const TChartMix& mix : doc.mixes) {
        for (const TChartSeries& series : mix.series)
            for (const TDaySummary& s : series.days)
                values.insert(values.end(), {s.max, s.min});
        for (const TOJ& line : mix.lines)
            values.push_back(line.Value);
    }
    WholeTensAround(values, low, high);
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
