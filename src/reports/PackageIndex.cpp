#include "reports/PackageIndex.h"

#include "reports/Canvas.h"
#include "reports/PageSink.h"
#include "reports/Print.h"

#include <QStringList>
#include <algorithm>

namespace {

constexpr float SheetWidth = 16.5f;
constexpr float TableTop = 3.6f;
// Two lines of 7 pt a row, so that long names wrap rather than shrink or lose their ends.
constexpr float RowHeight = 0.8f;
constexpr int RowsPerPage = 26;

// Column edges: No., file, kind, mix, category, period, pages.
const float Edges[] = {0, 0.8f, 7.2f, 8.9f, 12.0f, 13.6f, 15.9f, SheetWidth};

QString CsvField(const QString& text)
{
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) &&
        !text.contains(QLatin1Char('\n')))
        return text;
    return QLatin1Char('"') + QString(text).replace(QLatin1Char('"'), QStringLiteral("\"\"")) +
           QLatin1Char('"');
}

void Row(TCanvas& c, const QStringList& cells, float y, bool head)
{
    for (int i = 0; i < cells.size(); ++i) {
        const TCmBox box{Edges[i] + 0.08f, y, Edges[i + 1] - 0.08f, y + RowHeight};
        PrintFittedText(c, cells[i], head || i == 0 || i == 6 ? 1 : 0, box);
    }
    PrintLine(c, 0, y + RowHeight, SheetWidth, y + RowHeight, 1);
}

} // namespace

int IndexPages(const TIndexDocument& doc)
{
    const int rows = int(doc.entries.size() + doc.notes.size());
    return std::max(1, (rows + RowsPerPage - 1) / RowsPerPage);
}

void DrawPackageIndex(const TIndexDocument& doc, TPageSink& pane)
{
    TFormPages pages(pane, PackageIndexPage, IndexPages(doc));
    const int rows = int(doc.entries.size() + doc.notes.size());
    for (int first = 0; first < std::max(rows, 1); first += RowsPerPage) {
        TCanvas& c = pages.Next();
        c.SetFontName(doc.font);
        DrawFormName(c, QStringLiteral("提 出 書 類 目 録"), TCmBox{0, 0, SheetWidth, 1.0f});
        TTitleBlock block;
        block.project = doc.project;
        block.period = doc.period;
        block.mix = QStringLiteral("全合材");
        block.category = QStringLiteral("全区分");
        block.page = pages.Number();
        block.pages = pages.Total();
        DrawTitleBlock(c, block, doc.title, TCmBox{0, 1.2f, SheetWidth, 3.2f});
        c.SetFontSize(9);
        PrintLine(c, 0, TableTop, SheetWidth, TableTop, 1);
        Row(c,
            {QStringLiteral("No."), QStringLiteral("ファイル名"), QStringLiteral("書類"),
             QStringLiteral("合材"), QStringLiteral("温度区分"), QStringLiteral("期間"),
             QStringLiteral("頁数")},
            TableTop, true);
        float y = TableTop + RowHeight;
        for (int i = first; i < std::min(rows, first + RowsPerPage); ++i, y += RowHeight) {
            if (i >= doc.entries.size()) {
                PrintFittedText(c, doc.notes[i - int(doc.entries.size())], 0,
                                TCmBox{0.1f, y, SheetWidth, y + RowHeight});
                continue;
            }
            const TIndexEntry& e = doc.entries[i];
            Row(c,
                {QString::number(i + 1), e.file, e.kind, e.mix, e.category, e.period,
                 e.pages > 0 ? QString::number(e.pages) : QString()},
                y, false);
        }
        const float bottom = TableTop + RowHeight * float(std::min(rows - first, RowsPerPage) + 1);
        for (float x : Edges)
            PrintLine(c, x, TableTop, x, std::min(bottom, y), 1);
    }
}

QString IndexCsv(const TIndexDocument& doc)
{
    QString text = QStringLiteral("No.,ファイル名,書類,合材,温度区分,期間,ページ数\r\n");
    for (int i = 0; i < doc.entries.size(); ++i) {
        const TIndexEntry& e = doc.entries[i];
        const QStringList fields{QString::number(i + 1),
                                 e.file,
                                 e.kind,
                                 e.mix,
                                 e.category,
                                 e.period,
                                 e.pages > 0 ? QString::number(e.pages) : QString()};
        QStringList quoted;
        for (const QString& f : fields)
            quoted << CsvField(f);
        text += quoted.join(QLatin1Char(',')) + QStringLiteral("\r\n");
    }
    for (const QString& note : doc.notes)
        text += QStringLiteral(",") + CsvField(note) + QStringLiteral("\r\n");
    return text;
}
