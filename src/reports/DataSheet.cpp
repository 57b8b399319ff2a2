#include "reports/DataSheet.h"

#include "core/Utility.h"
#include "reports/Canvas.h"
#include "reports/FormKit.h"
#include "reports/PageSink.h"
#include "reports/Print.h"

#include <QDateTime>

namespace {

constexpr int RowsPerBlock = 15;
constexpr int BlocksPerPage = 6;
constexpr float BlockWidth = 5.1f;
constexpr float RowHeight = 0.44f;
constexpr float ReadingsTop = 2.5f;
constexpr float StatisticsTop = 9.1f;
constexpr float SheetWidth = 16.5f;

float BlockLeft(int block)
{
    return float(block % 3) * 5.7f;
}

float BlockTop(int block)
{
    return float(block / 3) * 12 + 2.2f;
}

int Blocks(const TSheetDay& day)
{
    return std::max(1, int((day.readings.size() + RowsPerBlock - 1) / RowsPerBlock));
}

int CategoryPages(const TSheetCategory& category)
{
    int blocks = 0;
    for (const TSheetDay& d : category.days)
        blocks += Blocks(d);
    return (blocks + BlocksPerPage - 1) / BlocksPerPage;
}

void DrawBlock(TCanvas& c, int block, const TSheetDay& day, int part)
{
    const float L = BlockLeft(block);
    const float T = BlockTop(block);
    const float R = L + BlockWidth;
    c.SetFontSize(9);
    PrintText(c, day.interval.isEmpty() ? QStringLiteral("時刻") : day.interval, 3, L + 2.1f,
              T + 1.0f, L + 3.0f, T + ReadingsTop, 0);
    // A day that runs on into further blocks names its mix in each; the statistics stand once.
    c.SetFontSize(11);
    const bool simulated = day.hasSummary && day.summary.simulated;
    PrintShrinkText(c, day.mixPrintName, 0, L + 1.1f, T, simulated ? R - 1.3f : R, T + 0.5f);
    c.SetFontSize(9);
    if (simulated) {
        // Never to pass for a measured day.
        c.SetFontColor(clRed);
        PrintText(c, QStringLiteral("模擬値"), 2, R - 1.3f, T, R, T + 0.5f, 0);
        c.SetFontColor(clBlack);
    }
    if (part == 0 && day.hasSummary) {
        const TDaySummary& s = day.summary;
        const QString stats[] = {QString::number(s.kosu), FormatGeneral(s.max),
                                 FormatGeneral(s.min), FormatFixed(s.avg, 1)};
        for (int i = 0; i < 4; ++i) {
            const float y = T + StatisticsTop + RowHeight * float(i);
            PrintShrinkText(c, stats[i], 1, L + 3.4f, y, R, y + RowHeight);
        }
    }
    const int first = part * RowsPerBlock;
    for (int row = 0; row < RowsPerBlock && first + row < day.readings.size(); ++row) {
        const TSheetReading& r = day.readings[first + row];
        const float y = T + ReadingsTop + RowHeight * float(row);
        PrintText(c, row == 0 ? MonthDay(day.day) : QStringLiteral("〃"), 1, L, y, L + 1.7f,
                  y + RowHeight, 0);
        PrintShrinkText(c, r.point, 1, L + 1.75f, y, L + 3.35f, y + RowHeight);
        PrintShrinkText(c, FormatGeneral(r.ondo), 1, L + 3.45f, y, R - 0.05f, y + RowHeight);
    }
}

} // namespace

void DrawRecordBlock(TCanvas& c, int block)
{
    const float L = BlockLeft(block);
    const float T = BlockTop(block);
    const float R = L + BlockWidth;

    c.SetFontSize(10);
    PrintText(c, QStringLiteral("合材名"), 1, L, T, L + 1.1f, T + 0.5f, 0);
    PrintLine(c, L + 1.1f, T + 0.5f, R, T + 0.5f, 1);
    c.SetFontSize(9);
    SetPenWidthMm(c, 0.8f);
    PrintBox(c, L, T + 1.0f, R, T + 10.86f, 1);
    PrintLine(c, L, T + ReadingsTop, R, T + ReadingsTop, 1);
    PrintLine(c, L, T + StatisticsTop, R, T + StatisticsTop, 1);
    PrintLine(c, L + 1.7f, T + 1.0f, L + 1.7f, T + StatisticsTop, 1);
    PrintLine(c, L + 3.4f, T + 1.0f, L + 3.4f, T + StatisticsTop, 1);
    SetPenWidthMm(c, 0.4f);
    for (int i = 0; i < 20; ++i) {
        const float y = T + ReadingsTop + RowHeight * float(i);
        PrintLine(c, L, y, R, y, 1);
    }
    PrintText(c, QStringLiteral("月　日"), 1, L, T + 1.75f, L + 1.7f, T + 1.75f, 0);
    PrintText(c, QStringLiteral("温　度"), 1, L + 3.4f, T + 1.75f, R, T + 1.75f, 0);
    PrintText(c, QStringLiteral("（℃）"), 1, L + 3.4f, T + 2.15f, R, T + 2.15f, 0);
    static const char* const labels[] = {"個　数=", "最大値=", "最小値=", "平均値="};
    for (int i = 0; i < 4; ++i) {
        const float y = T + StatisticsTop + RowHeight * float(i);
        PrintText(c, QString::fromUtf8(labels[i]), 4, L + 1.7f, y, L + 3.4f, y + 0.425f, 0);
    }
}

void DrawRecordPage(TCanvas& c, const QString& category, const QString& project)
{
    c.SetSheetOrigin(DataSheetPage.origin);
    c.SetFontSize(16);
    PrintText(c, category + QStringLiteral("記録表"), 4, 2.5f, 0, 13.5f, 0.8f, 0);
    PrintLine(c, 2.5f, 0.8f, 13.5f, 0.8f, 1);
    PrintLine(c, 2.5f, 0.9f, 13.5f, 0.9f, 1);
    c.SetFontSize(10);
    PrintShrinkText(c, QStringLiteral("工事名　") + project, 0, 0, 1.1f, SheetWidth, 1.7f);
    for (int b = 0; b < BlocksPerPage; ++b)
        DrawRecordBlock(c, b);
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
        TCanvas* page = nullptr;
        int block = BlocksPerPage;
        for (const TSheetDay& day : category.days) {
            for (int part = 0; part < Blocks(day); ++part) {
                if (block == BlocksPerPage) {
                    page = &pages.Next();
                    page->SetFontName(doc.font);
                    DrawRecordPage(*page, category.name, doc.project);
                    block = 0;
                }
                DrawBlock(*page, block++, day, part);
            }
        }
    }
    pages.Finish();
}
