#include "reports/DataSheet.h"

#include "core/RegistryUtility.h"
#include "core/SpecText.h"
#include "core/Utility.h"
#include "reports/Canvas.h"
#include "reports/FormKit.h"
#include "reports/PageSink.h"
#include "reports/Print.h"

#include <QDateTime>
#include <cmath>

namespace {

constexpr int RowsPerBlock = 15;
constexpr int BlockRows = 2; // rows of blocks on a page
constexpr float SheetWidth = 16.5f;
constexpr float RowHeight = 0.4f;
constexpr float FrameTop = 0.6f;    // below the mix line
constexpr float ReadingsTop = 1.4f; // below the headings
constexpr float SummaryTop = ReadingsTop + RowHeight * RowsPerBlock;
constexpr int SummaryRows = 5;
constexpr float FrameBottom = SummaryTop + RowHeight * SummaryRows;
constexpr float BlockHeight = FrameBottom + 1.1f; // the day's notes under the frame
constexpr float FirstBlockTop = 3.4f;
constexpr float BlockGap = 0.35f;
constexpr TCmBox TitleBox{0, 1.1f, SheetWidth, 3.1f};
constexpr float FootTop = FirstBlockTop + BlockRows * BlockHeight + BlockGap;

// One column of a block: its heading and its share of the block.
struct TColumn
{
    enum Kind { Day, Time, Truck, Point, Temperature, Remark } kind;
    float x1, x2; // from the block's left edge
};

struct TLayout
{
    TSheetColumns columns;
    float blockWidth = 5.1f;
    float blockStep = 5.7f;
    std::vector<TColumn> list;

    int BlocksPerPage() const { return columns.across * BlockRows; }
    const TColumn& Of(TColumn::Kind kind) const
    {
        for (const TColumn& c : list)
            if (c.kind == kind)
                return c;
        return list.front();
    }
    // The column before the temperature: where the summary's labels stand.
    const TColumn& BeforeTemperature() const
    {
        for (size_t i = 1; i < list.size(); ++i)
            if (list[i].kind == TColumn::Temperature)
                return list[i - 1];
        return list.front();
    }
};

TLayout LayoutOf(const TSheetColumns& columns)
{
    TLayout l;
    l.columns = columns;
    l.blockWidth = columns.across == 3 ? 5.1f : columns.across == 2 ? 8.0f : SheetWidth;
    l.blockStep = columns.across == 3 ? 5.7f : 8.5f;
    // Fixed widths; the measuring point takes what is left, or the remark when it is shown in a
    // block of its own.
    const bool wide = columns.across == 1;
    std::vector<std::pair<TColumn::Kind, float>> widths{{TColumn::Day, wide ? 1.9f : 1.5f}};
    if (columns.time)
        widths.push_back({TColumn::Time, wide ? 1.2f : 0.9f});
    if (columns.truck)
        widths.push_back({TColumn::Truck, wide ? 2.0f : 1.2f});
    widths.push_back({TColumn::Point, wide ? 2.6f : 0.0f});
    widths.push_back({TColumn::Temperature, wide ? 1.8f : 1.4f});
    if (columns.remark)
        widths.push_back({TColumn::Remark, wide ? 0.0f : 1.5f});
    if (columns.across == 3)
        widths = {{TColumn::Day, 1.7f}, {TColumn::Point, 1.7f}, {TColumn::Temperature, 1.7f}};
    float fixed = 0;
    for (const auto& w : widths)
        fixed += w.second;
    float x = 0;
    for (const auto& w : widths) {
        const float width = w.second > 0 ? w.second : l.blockWidth - fixed;
        l.list.push_back({w.first, x, x + width});
        x += width;
    }
    return l;
}

const char* Heading(TColumn::Kind kind)
{
    switch (kind) {
    case TColumn::Day:
        return "月　日";
    case TColumn::Time:
        return "時　刻";
    case TColumn::Truck:
        return "車　番";
    case TColumn::Point:
        return "測　点";
    case TColumn::Temperature:
        return "温度（℃）";
    case TColumn::Remark:
        return "備　考";
    }
    return "";
}

float BlockLeft(const TLayout& l, int block)
{
    return float(block % l.columns.across) * l.blockStep;
}

float BlockTop(const TLayout& l, int block)
{
    return FirstBlockTop + float(block / l.columns.across) * (BlockHeight + BlockGap);
}

int Blocks(const TSheetDay& day)
{
    return std::max(1, int((day.readings.size() + RowsPerBlock - 1) / RowsPerBlock));
}

int CategoryPages(const TSheetCategory& category)
{
    const int perPage = LayoutOf(SheetColumnsOf(category)).BlocksPerPage();
    int blocks = 0;
    for (const TSheetDay& d : category.days)
        blocks += Blocks(d);
    return (blocks + perPage - 1) / perPage;
}

bool HasDecimals(const TSheetCategory& category)
{
    for (const TSheetDay& d : category.days)
        for (const TSheetReading& r : d.readings)
            if (std::abs(r.ondo - std::round(r.ondo)) > 1e-9)
                return true;
    return false;
}

// A temperature as the category prints them all: one decimal when any reading has one.
QString Temperature(double v, bool decimals)
{
    return FormatFixed(v, decimals ? 1 : 0);
}

QString AirTemperature(const QString& typed)
{
    bool number = false;
    AsciiTyped(typed).toDouble(&number);
    return number ? typed + QStringLiteral("℃") : typed;
}

// One block of a day: part 0 is its first, the day's last part holds its summary and notes.
struct TBlockJob
{
    const TSheetDay* day;
    int part;
};

void DrawEmptyBlock(TCanvas& c, const TLayout& l, float L, float T)
{
    const float R = L + l.blockWidth;
    c.SetFontSize(9);
    PrintText(c, QStringLiteral("合材名"), 1, L, T, L + 1.1f, T + 0.5f, 0);
    PrintLine(c, L + 1.1f, T + 0.5f, R, T + 0.5f, 1);
    SetPenWidthMm(c, 0.8f);
    PrintBox(c, L, T + FrameTop, R, T + FrameBottom, 1);
    PrintLine(c, L, T + ReadingsTop, R, T + ReadingsTop, 1);
    PrintLine(c, L, T + SummaryTop, R, T + SummaryTop, 1);
    for (size_t i = 1; i < l.list.size(); ++i)
        PrintLine(c, L + l.list[i].x1, T + FrameTop, L + l.list[i].x1, T + SummaryTop, 1);
    const TColumn& label = l.BeforeTemperature();
    const TColumn& value = l.Of(TColumn::Temperature);
    PrintLine(c, L + label.x1, T + SummaryTop, L + label.x1, T + FrameBottom, 1);
    PrintLine(c, L + value.x1, T + SummaryTop, L + value.x1, T + FrameBottom, 1);
    PrintLine(c, L + value.x2, T + SummaryTop, L + value.x2, T + FrameBottom, 1);
    SetPenWidthMm(c, 0.3f);
    for (int i = 1; i < RowsPerBlock; ++i) {
        const float y = T + ReadingsTop + RowHeight * float(i);
        PrintLine(c, L, y, R, y, 1);
    }
    for (int i = 1; i < SummaryRows; ++i) {
        const float y = T + SummaryTop + RowHeight * float(i);
        PrintLine(c, L + label.x1, y, L + value.x2, y, 1);
    }
    c.SetPenWidth(1);
    for (const TColumn& col : l.list)
        PrintFittedText(
            c, QString::fromUtf8(Heading(col.kind)), 1,
            TCmBox{L + col.x1 + 0.05f, T + FrameTop, L + col.x2 - 0.05f, T + ReadingsTop});
}

void DrawBlock(TCanvas& c, const TLayout& l, int block, const TBlockJob& job, bool decimals,
               bool showMeasurer, const TTitleSettings& title)
{
    const TSheetDay& day = *job.day;
    const float L = BlockLeft(l, block);
    const float T = BlockTop(l, block);
    const float R = L + l.blockWidth;
    DrawEmptyBlock(c, l, L, T);

    const bool simulated = day.hasSummary && day.summary.simulated;
    c.SetFontSize(10);
    PrintFittedText(c, day.mixPrintName, 0,
                    TCmBox{L + 1.2f, T, simulated ? R - 1.2f : R, T + 0.5f});
    c.SetFontSize(9);
    if (simulated) {
        // Never to pass for a measured day.
        c.SetFontColor(clRed);
        PrintText(c, QStringLiteral("模擬値"), 2, R - 1.2f, T, R, T + 0.5f, 0);
        c.SetFontColor(clBlack);
    }

    const int first = job.part * RowsPerBlock;
    int outside = 0;
    for (const TSheetReading& r : day.readings)
        outside += day.limits.Outside(r.ondo);
    for (int row = 0; row < RowsPerBlock && first + row < day.readings.size(); ++row) {
        const TSheetReading& r = day.readings[first + row];
        const float y1 = T + ReadingsTop + RowHeight * float(row);
        const float y2 = y1 + RowHeight;
        for (const TColumn& col : l.list) {
            const TCmBox cell{L + col.x1 + 0.05f, y1, L + col.x2 - 0.05f, y2};
            switch (col.kind) {
            case TColumn::Day:
                PrintShrinkText(c,
                                row == 0 ? ShortDateWithYear(day.day.date(), title.wareki)
                                         : QStringLiteral("〃"),
                                1, cell.x1, y1, cell.x2, y2);
                break;
            case TColumn::Time:
                PrintShrinkText(c, r.time, 1, cell.x1, y1, cell.x2, y2);
                break;
            case TColumn::Truck:
                PrintShrinkText(c, r.truck, 1, cell.x1, y1, cell.x2, y2);
                break;
            case TColumn::Point:
                PrintShrinkText(c, r.point, 1, cell.x1, y1, cell.x2, y2);
                break;
            case TColumn::Remark:
                PrintShrinkText(c, r.remark, 0, cell.x1, y1, cell.x2, y2);
                break;
            case TColumn::Temperature:
                if (day.limits.Outside(r.ondo)) {
                    PrintText(c, QStringLiteral("○"), 0, cell.x1, y1, cell.x2, y2, 0);
                    c.SetFontBold(true);
                }
                // Right-aligned, as figures are, and so clear of the mark at the left.
                PrintShrinkText(c, Temperature(r.ondo, decimals), 2, cell.x1, y1, cell.x2 - 0.05f,
                                y2);
                c.SetFontBold(false);
                break;
            }
        }
    }

    const TColumn& label = l.BeforeTemperature();
    const TColumn& value = l.Of(TColumn::Temperature);
    const bool last = job.part == Blocks(day) - 1;
    if (!last) {
        // In the first label cell of the summary, clear of the cells' lines.
        PrintShrinkText(c, QStringLiteral("（続き）"), 1, L + label.x1 + 0.05f, T + SummaryTop,
                        L + label.x2 - 0.05f, T + SummaryTop + RowHeight);
        return;
    }
    static const char* const labels[] = {"個　数", "最大値", "最小値", "平均値", "規格外"};
    QString stats[SummaryRows];
    if (day.hasSummary) {
        const TDaySummary& s = day.summary;
        stats[0] = QString::number(s.kosu);
        stats[1] = Temperature(s.max, decimals);
        stats[2] = Temperature(s.min, decimals);
        // The stored average has one decimal; other decimals come from the readings themselves.
        const int avgDecimals = AverageDecimalsSetting();
        QList<double> values;
        for (const TSheetReading& r : day.readings)
            values << r.ondo;
        stats[3] =
            avgDecimals == 1 || values.isEmpty()
                ? FormatFixed(s.avg, 1)
                : FormatFixed(RoundedMean(values, avgDecimals, RoundingRuleSetting()), avgDecimals);
    }
    stats[4] = day.limits.Any() ? QString::number(outside) : QStringLiteral("—");
    for (int i = 0; i < SummaryRows; ++i) {
        const float y = T + SummaryTop + RowHeight * float(i);
        PrintText(c, QString::fromUtf8(labels[i]), 4, L + label.x1, y, L + label.x2, y + RowHeight,
                  0);
        if (i == 4 && outside > 0)
            c.SetFontBold(true);
        PrintShrinkText(c, stats[i], 1, L + value.x1 + 0.05f, y, L + value.x2 - 0.05f,
                        y + RowHeight);
        c.SetFontBold(false);
    }

    // The day's weather and 記事 under its summary.
    QStringList first_line;
    if (!day.note.weather.isEmpty())
        first_line << QStringLiteral("天候 ") + day.note.weather;
    if (!day.note.airTemperature.isEmpty())
        first_line << QStringLiteral("気温 ") + AirTemperature(day.note.airTemperature);
    if (showMeasurer && !day.note.measurer.isEmpty())
        first_line << QStringLiteral("測定者 ") + day.note.measurer;
    c.SetFontSize(8);
    const float y = T + FrameBottom + 0.05f;
    PrintFittedText(c, first_line.join(QStringLiteral("　")), 0, TCmBox{L, y, R, y + 0.5f});
    if (!day.note.remark.isEmpty())
        PrintFittedText(c, QStringLiteral("記事 ") + day.note.remark, 0,
                        TCmBox{L, y + 0.5f, R, y + 1.0f});
    c.SetFontSize(9);
}

void DrawPageHeader(TCanvas& c, const QString& category, const TTitleBlock& block,
                    const TTitleSettings& settings)
{
    c.SetFontSize(16);
    PrintText(c, category + QStringLiteral("記録表"), 4, 2.5f, 0, 14.0f, 0.8f, 0);
    PrintLine(c, 2.5f, 0.8f, 14.0f, 0.8f, 1);
    PrintLine(c, 2.5f, 0.9f, 14.0f, 0.9f, 1);
    DrawTitleBlock(c, block, settings, TitleBox);
    c.SetFontSize(9);
}

} // namespace

TSheetColumns SheetColumnsOf(const TSheetCategory& category)
{
    TSheetColumns columns;
    bool longRemark = false;
    for (const TSheetDay& d : category.days)
        for (const TSheetReading& r : d.readings) {
            columns.time = columns.time || !r.time.isEmpty();
            columns.truck = columns.truck || !r.truck.isEmpty();
            columns.remark = columns.remark || !r.remark.isEmpty();
            longRemark = longRemark || r.remark.toUcs4().size() > 6;
        }
    // A remark longer than a few words needs a block across the page.
    const int weight =
        int(columns.time) + int(columns.truck) + (columns.remark ? (longRemark ? 3 : 1) : 0);
    columns.across = weight == 0 ? 3 : weight <= 3 ? 2 : 1;
    return columns;
}

int SheetPages(const TSheetDocument& doc)
{
    int pages = 0;
    for (const TSheetCategory& category : doc.categories)
        pages += CategoryPages(category);
    return pages;
}

void DrawDataSheet(const TSheetDocument& doc, TPageSink& pane)
{
    TFormPages pages(pane, DataSheetPage, SheetPages(doc));
    for (const TSheetCategory& category : doc.categories) {
        const TLayout layout = LayoutOf(SheetColumnsOf(category));
        const bool decimals = HasDecimals(category);
        std::vector<TBlockJob> jobs;
        for (const TSheetDay& day : category.days)
            for (int part = 0; part < Blocks(day); ++part)
                jobs.push_back({&day, part});
        const size_t perPage = size_t(layout.BlocksPerPage());
        for (size_t start = 0; start < jobs.size(); start += perPage) {
            const size_t end = std::min(jobs.size(), start + perPage);
            QStringList mixes, limits, intervals;
            QList<QPair<QDate, QString>> measurers;
            bool marks = false, simulated = false;
            for (size_t k = start; k < end; ++k) {
                const TSheetDay& d = *jobs[k].day;
                mixes << d.mixPrintName;
                limits << ReadableRange(d.limits.text);
                if (jobs[k].part == 0)
                    measurers.append({d.day.date(), d.note.measurer});
                intervals << d.interval;
                for (const TSheetReading& r : d.readings)
                    marks = marks || d.limits.Outside(r.ondo);
                simulated = simulated || (d.hasSummary && d.summary.simulated);
            }
            TCanvas& c = pages.Next();
            c.SetFontName(doc.font);
            TTitleBlock block;
            block.project = doc.project;
            block.mix = JoinDistinct(mixes);
            block.category = category.name;
            block.period = PeriodOf(jobs[start].day->day.date(), jobs[end - 1].day->day.date(),
                                    doc.title.wareki);
            block.limit = JoinDistinct(limits);
            block.measurer = MeasurersOfDays(measurers);
            block.extra << TTitleField{QStringLiteral("測定間隔"), JoinDistinct(intervals)};
            block.page = pages.Number();
            block.pages = pages.Total();
            DrawPageHeader(c, category.name, block, doc.title);
            QStringList names;
            for (const auto& m : measurers)
                names << m.second;
            const bool several = JoinDistinct(names).contains(QStringLiteral("・"));
            for (size_t k = start; k < end; ++k)
                DrawBlock(c, layout, int(k - start), jobs[k], decimals, several, doc.title);
            QStringList foot;
            if (marks)
                foot << QStringLiteral("○印は規格外");
            if (simulated)
                foot << QStringLiteral("模擬値の日はシミュレーションで入れた値（実測値ではない）");
            if (!foot.isEmpty()) {
                c.SetFontSize(9);
                PrintText(c, foot.join(QStringLiteral("　")), 0, 0, FootTop, SheetWidth,
                          FootTop + 0.5f, 0);
            }
        }
    }
}
