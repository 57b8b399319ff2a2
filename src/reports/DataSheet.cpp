#include "reports/DataSheet.h"

#include "core/KikakuText.h"
#include "core/Settings.h"
#include "core/Utility.h"
#include "reports/Canvas.h"
#include "reports/FormKit.h"
#include "reports/PageSink.h"
#include "reports/Print.h"

#include <QDateTime>
#include <QTime>
#include <cmath>

namespace {

constexpr float SheetWidth = 16.5f;
constexpr float ColumnWidth = 8.0f;
constexpr float ColumnStep = SheetWidth - ColumnWidth; // from one column's left edge to the next
constexpr float TableTop = 3.4f;
constexpr float HeadHeight = 0.55f;
constexpr float RowHeight = 0.42f;
constexpr float RowsTop = TableTop + HeadHeight;
constexpr float TableBottom = RowsTop + RowHeight * SheetRows;
constexpr float FootTop = TableBottom + 0.15f;
constexpr TCmBox TitleBox{0, 1.1f, SheetWidth, 3.1f};
constexpr int Columns = 2;

// The cells of a reading row, from the column's left edge.
enum Cell { PointCell, TimeCell, TruckCell, TemperatureCell, RemarkCell, CellCount };
constexpr float CellEdges[CellCount + 1] = {0, 1.8f, 2.8f, 4.2f, 5.6f, ColumnWidth};
const char* const CellHeads[CellCount] = {"測　点", "時　刻", "車　番", "温度（℃）", "備　考"};

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

// A label that is only the reading's time again ("8:30" beside 08:30) says nothing new.
bool RepeatsTime(const TSheetReading& r)
{
    if (r.time.isEmpty() || r.point.isEmpty())
        return false;
    const QTime point = QTime::fromString(AsciiTyped(r.point).trimmed(), QStringLiteral("H:mm"));
    const QTime time = QTime::fromString(AsciiTyped(r.time).trimmed(), QStringLiteral("H:mm"));
    return point.isValid() && point == time;
}

QString DayHeading(const QDate& day, bool wareki)
{
    static const QString weekdays = QStringLiteral("月火水木金土日");
    return ShortDateWithYear(day, wareki) + QStringLiteral("（") +
           weekdays.at(day.dayOfWeek() - 1) + QStringLiteral("）");
}

int Outside(const TSheetDay& day)
{
    int n = 0;
    for (const TSheetReading& r : day.readings)
        n += day.limits.Outside(r.ondo);
    return n;
}

// The day's average as the record prints it: the stored one with one decimal, else from the
// readings at the decimals set.
QString Average(const TSheetDay& day)
{
    const int decimals = TSettings::AverageDecimals();
    if (decimals == 1 || day.readings.isEmpty())
        return FormatFixed(day.summary.avg, 1);
    QList<double> values;
    for (const TSheetReading& r : day.readings)
        values << r.ondo;
    return FormatFixed(RoundedMean(values, decimals, TSettings::Rounding()), decimals);
}

// The heading of a column and its frame; the row lines and the cells' separators follow the
// rows (DrawRows).
void DrawColumnFrame(TCanvas& c, float L)
{
    SetPenWidthMm(c, 0.5f);
    PrintBox(c, L, TableTop, L + ColumnWidth, TableBottom, 1);
    PrintLine(c, L, RowsTop, L + ColumnWidth, RowsTop, 1);
    c.SetPenWidth(1);
    for (int k = 1; k < CellCount; ++k)
        PrintLine(c, L + CellEdges[k], TableTop, L + CellEdges[k], RowsTop, 1);
    c.SetFontSize(8);
    for (int k = 0; k < CellCount; ++k)
        PrintFittedText(
            c, QString::fromUtf8(CellHeads[k]), 1,
            TCmBox{L + CellEdges[k] + 0.05f, TableTop, L + CellEdges[k + 1] - 0.05f, RowsTop});
}

float RowTop(int row)
{
    return RowsTop + RowHeight * float(row);
}

// A reading row, or one left empty at the foot of a column: the cells' separators show.
bool Celled(const std::vector<TSheetRow>& rows, int row)
{
    return row >= int(rows.size()) || rows[size_t(row)].kind == TSheetRow::Reading;
}

void DrawRowLines(TCanvas& c, float L, const std::vector<TSheetRow>& rows)
{
    for (int row = 1; row < SheetRows; ++row) {
        // A day starts under a heavier line.
        const bool dayStarts = row < int(rows.size()) && rows[size_t(row)].kind == TSheetRow::Day;
        if (dayStarts)
            SetPenWidthMm(c, 0.4f);
        PrintLine(c, L, RowTop(row), L + ColumnWidth, RowTop(row), 1);
        c.SetPenWidth(1);
    }
    // The separators run down each run of celled rows.
    for (int row = 0; row < SheetRows;) {
        if (!Celled(rows, row)) {
            ++row;
            continue;
        }
        int end = row;
        while (end < SheetRows && Celled(rows, end))
            ++end;
        for (int k = 1; k < CellCount; ++k)
            PrintLine(c, L + CellEdges[k], RowTop(row), L + CellEdges[k], RowTop(end), 1);
        row = end;
    }
}

void DrawReading(TCanvas& c, float L, float y1, const TSheetDay& day, const TSheetReading& r,
                 bool decimals)
{
    const float y2 = y1 + RowHeight;
    const auto box = [&](int cell) {
        return TCmBox{L + CellEdges[cell] + 0.06f, y1, L + CellEdges[cell + 1] - 0.06f, y2};
    };
    c.SetFontSize(9);
    if (!r.point.isEmpty() && !RepeatsTime(r)) {
        const TCmBox b = box(PointCell);
        PrintShrinkText(c, r.point, 1, b.x1, y1, b.x2, y2, ReadablePoints);
    }
    for (const auto& [cell, text] :
         {std::pair<int, QString>{TimeCell, r.time}, {TruckCell, r.truck}}) {
        const TCmBox b = box(cell);
        if (!text.isEmpty())
            PrintShrinkText(c, text, 1, b.x1, y1, b.x2, y2, ReadablePoints);
    }
    const TCmBox t = box(TemperatureCell);
    if (day.limits.Outside(r.ondo)) {
        PrintText(c, QStringLiteral("○"), 0, t.x1, y1, t.x2, y2, 0);
        c.SetFontBold(true);
    }
    // Right-aligned, as figures are, and so clear of the mark at the left.
    PrintShrinkText(c, Temperature(r.ondo, decimals), 2, t.x1, y1, t.x2, y2, ReadablePoints);
    c.SetFontBold(false);
    if (!r.remark.isEmpty()) {
        c.SetFontSize(8);
        PrintFittedText(c, r.remark, 0, box(RemarkCell));
    }
}

void DrawRow(TCanvas& c, float L, int row, const TSheetRow& line, bool decimals,
             const TTitleSettings& title)
{
    const TSheetDay& day = *line.day;
    const float y1 = RowTop(row), y2 = y1 + RowHeight;
    const float x1 = L + 0.1f, x2 = L + ColumnWidth - 0.1f;
    switch (line.kind) {
    case TSheetRow::Day: {
        const bool simulated = day.hasSummary && day.summary.simulated;
        c.SetFontSize(9);
        c.SetFontBold(true);
        const QString date = DayHeading(day.day.date(), title.wareki);
        const float dateWidth = TextWidthCm(c, date) + 0.2f;
        PrintText(c, date, 0, x1, y1, x1 + dateWidth, y2, 0);
        c.SetFontBold(false);
        const float right = simulated ? x2 - 1.1f : x2;
        PrintShrinkText(
            c, day.mixPrintName + (line.continued ? QStringLiteral("（続き）") : QString()), 0,
            x1 + dateWidth, y1, right, y2, ReadablePoints);
        if (simulated) {
            // Never to pass for a measured day.
            c.SetFontColor(clRed);
            PrintText(c, QStringLiteral("模擬値"), 2, right, y1, x2, y2, 0);
            c.SetFontColor(clBlack);
        }
        break;
    }
    case TSheetRow::Reading:
        DrawReading(c, L, y1, day, day.readings[line.reading], decimals);
        break;
    case TSheetRow::Figures: {
        c.SetFontSize(8);
        const int outside = Outside(day);
        QStringList parts;
        if (day.hasSummary)
            parts << QStringLiteral("個数 %1").arg(day.summary.kosu)
                  << QStringLiteral("最大 ") + Temperature(day.summary.max, decimals)
                  << QStringLiteral("最小 ") + Temperature(day.summary.min, decimals)
                  << QStringLiteral("平均 ") + Average(day);
        else
            parts << QStringLiteral("個数 %1").arg(day.readings.size());
        PrintFittedText(c, parts.join(QStringLiteral("  ")), 0, TCmBox{x1, y1, x2 - 1.7f, y2});
        c.SetFontBold(outside > 0);
        PrintText(c,
                  QStringLiteral("規格外 ") +
                      (day.limits.Any() ? QString::number(outside) : QStringLiteral("—")),
                  2, x2 - 1.7f, y1, x2, y2, 0);
        c.SetFontBold(false);
        break;
    }
    case TSheetRow::Notes: {
        QStringList parts;
        if (!day.note.weather.isEmpty())
            parts << QStringLiteral("天候 ") + day.note.weather;
        if (!day.note.airTemperature.isEmpty())
            parts << QStringLiteral("気温 ") + AirTemperature(day.note.airTemperature);
        parts << QStringLiteral("測定者 ") +
                     (day.note.measurer.isEmpty() ? QStringLiteral("—") : day.note.measurer);
        c.SetFontSize(8);
        PrintFittedText(c, parts.join(QStringLiteral("  ")), 0, TCmBox{x1, y1, x2, y2});
        break;
    }
    case TSheetRow::Remark:
        c.SetFontSize(8);
        PrintFittedText(c, QStringLiteral("記事 ") + day.note.remark, 0, TCmBox{x1, y1, x2, y2});
        break;
    }
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

// Builds the columns of a category's pages.
class TLayoutBuilder
{
public:
    void Day(const TSheetDay& day)
    {
        // A day's name never stands alone at the foot of a column.
        if (Left() < 2)
            Close();
        Place({TSheetRow::Day, &day});
        for (int i = 0; i < day.readings.size(); ++i)
            Place({TSheetRow::Reading, &day, i});
        // The figures, the notes and the 記事 stay together.
        const int tail = day.note.remark.isEmpty() ? 2 : 3;
        if (Left() < tail)
            Close();
        Place({TSheetRow::Figures, &day});
        Place({TSheetRow::Notes, &day});
        if (tail == 3)
            Place({TSheetRow::Remark, &day});
    }
    std::vector<TSheetPage> Finish()
    {
        if (!m_column.empty())
            Close();
        if (!m_page.empty())
            m_pages.push_back(std::move(m_page));
        return std::move(m_pages);
    }

private:
    int Left() const { return SheetRows - int(m_column.size()); }
    void Close()
    {
        m_page.push_back(std::move(m_column));
        m_column.clear();
        if (int(m_page.size()) == Columns) {
            m_pages.push_back(std::move(m_page));
            m_page.clear();
        }
    }
    void Place(const TSheetRow& row)
    {
        if (Left() == 0)
            Close();
        // A column that takes a day up again names it first.
        if (m_column.empty() && row.kind != TSheetRow::Day)
            m_column.push_back({TSheetRow::Day, row.day, 0, true});
        m_column.push_back(row);
    }

    std::vector<TSheetPage> m_pages;
    TSheetPage m_page;
    std::vector<TSheetRow> m_column;
};

} // namespace

std::vector<TSheetPage> SheetLayout(const TSheetCategory& category)
{
    TLayoutBuilder builder;
    for (const TSheetDay& day : category.days)
        builder.Day(day);
    return builder.Finish();
}

int SheetPages(const TSheetDocument& doc)
{
    int pages = 0;
    for (const TSheetCategory& category : doc.categories)
        pages += int(SheetLayout(category).size());
    return pages;
}

void DrawDataSheet(const TSheetDocument& doc, TPageSink& pane)
{
    TFormPages pages(pane, DataSheetPage, SheetPages(doc));
    for (const TSheetCategory& category : doc.categories) {
        const bool decimals = HasDecimals(category);
        for (const TSheetPage& page : SheetLayout(category)) {
            QStringList mixes, limits, intervals;
            QList<QPair<QDate, QString>> measurers;
            bool marks = false, simulated = false;
            for (const auto& column : page)
                for (const TSheetRow& row : column) {
                    const TSheetDay& d = *row.day;
                    if (row.kind == TSheetRow::Reading)
                        marks = marks || d.limits.Outside(d.readings[row.reading].ondo);
                    if (row.kind != TSheetRow::Day)
                        continue;
                    mixes << d.mixPrintName;
                    limits << ReadableRange(d.limits.text);
                    intervals << d.interval;
                    if (measurers.isEmpty() || measurers.last().first != d.day.date())
                        measurers.append({d.day.date(), d.note.measurer});
                    simulated = simulated || (d.hasSummary && d.summary.simulated);
                }
            TCanvas& c = pages.Next();
            c.SetFontName(doc.font);
            TTitleBlock block;
            block.project = doc.project;
            block.mix = JoinDistinct(mixes);
            block.category = category.name;
            block.period = PeriodOf(doc);
            block.limit = JoinDistinct(limits);
            block.measurer = MeasurersOfDays(measurers);
            block.extra << TTitleField{QStringLiteral("測定間隔"), JoinDistinct(intervals)};
            block.page = pages.Number();
            block.pages = pages.Total();
            DrawPageHeader(c, category.name, block, doc.title);
            for (int k = 0; k < Columns; ++k) {
                const float L = ColumnStep * float(k);
                static const std::vector<TSheetRow> none;
                const std::vector<TSheetRow>& rows = k < int(page.size()) ? page[size_t(k)] : none;
                DrawColumnFrame(c, L);
                DrawRowLines(c, L, rows);
                for (int row = 0; row < int(rows.size()); ++row)
                    DrawRow(c, L, row, rows[size_t(row)], decimals, doc.title);
            }
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
