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

// Column edges of the files: No., file, kind, mix, category, period, pages; of the simulated
// days left out: project, mix, category, day.
const std::vector<float> FileEdges{0, 0.8f, 7.2f, 8.9f, 12.0f, 13.6f, 15.9f, SheetWidth};
const std::vector<float> DayEdges{0, 5.6f, 10.0f, 13.0f, SheetWidth};
const std::vector<float> HashEdges{0, 0.8f, 7.2f, SheetWidth};

QString CsvField(const QString& text)
{
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) &&
        !text.contains(QLatin1Char('\n')))
        return text;
    return QLatin1Char('"') + QString(text).replace(QLatin1Char('"'), QStringLiteral("\"\"")) +
           QLatin1Char('"');
}

// One row of the index's pages.
struct TLine
{
    enum Kind { File, DayHead, Day, HashHead, Hash, Text } kind;
    QStringList cells; // Text: the one line
};

const QStringList FileHead{QStringLiteral("No."),      QStringLiteral("ファイル名"),
                           QStringLiteral("書類"),     QStringLiteral("合材"),
                           QStringLiteral("温度区分"), QStringLiteral("期間"),
                           QStringLiteral("頁数")};
const QStringList DayHead{QStringLiteral("工事"), QStringLiteral("合材"),
                          QStringLiteral("温度区分"), QStringLiteral("試験日")};
const QStringList HashHead{QStringLiteral("No."), QStringLiteral("ファイル名"),
                           QStringLiteral("SHA-256")};

const std::vector<float>& EdgesOf(TLine::Kind kind)
{
    return kind == TLine::File                              ? FileEdges
           : kind == TLine::Hash || kind == TLine::HashHead ? HashEdges
                                                            : DayEdges;
}

std::vector<TLine> LinesOf(const TIndexDocument& doc)
{
    std::vector<TLine> lines;
    for (int i = 0; i < doc.entries.size(); ++i) {
        const TIndexEntry& e = doc.entries[i];
        lines.push_back({TLine::File,
                         {QString::number(i + 1), e.file, e.kind, e.mix, e.category, e.period,
                          e.pages > 0 ? QString::number(e.pages) : QString()}});
    }
    if (!doc.simulated.isEmpty()) {
        lines.push_back({TLine::Text,
                         {QStringLiteral("模擬値（シミュレーション）の日：どの書類にも含めていませ"
                                         "ん。測定値のCSVには 模擬値=1 として含みます。")}});
        lines.push_back({TLine::DayHead, DayHead});
        for (const TIndexLeftOut& d : doc.simulated)
            lines.push_back(
                {TLine::Day, {doc.project, d.mix, d.category, DateText(d.day, doc.title.wareki)}});
    }
    for (const QString& note : doc.notes)
        lines.push_back({TLine::Text, {note}});
    if (!doc.hashes.isEmpty()) {
        lines.push_back({TLine::Text,
                         {QStringLiteral("各ファイルの SHA-256（%1 と同じ値。この目録の PDF の値は "
                                         "%1 にあります）")
                              .arg(doc.manifest)}});
        lines.push_back({TLine::Text,
                         {QStringLiteral("確かめ方: sha256sum -c %1、または ondokanri "
                                         "--verify-package <フォルダ>")
                              .arg(doc.manifest)}});
        lines.push_back({TLine::HashHead, HashHead});
        for (int i = 0; i < doc.hashes.size(); ++i)
            lines.push_back(
                {TLine::Hash, {QString::number(i + 1), doc.hashes[i].file, doc.hashes[i].sha256}});
    }
    return lines;
}

// A row of a table: its cells between the edges, its own side and bottom lines; a heading also
// its top line.
void GridRow(TCanvas& c, const std::vector<float>& edges, const QStringList& cells, float y,
             bool head, bool files)
{
    if (head)
        PrintLine(c, 0, y, SheetWidth, y, 1);
    for (int i = 0; i < cells.size(); ++i) {
        const TCmBox box{edges[size_t(i)] + 0.08f, y, edges[size_t(i) + 1] - 0.08f, y + RowHeight};
        const bool centred = head || (files && (i == 0 || i == 6));
        // A hash in two even halves, every one alike, so that the eye can compare them.
        if (!head && cells[i].size() == 64 && edges == HashEdges) {
            const float mid = (box.y1 + box.y2) / 2;
            PrintShrinkText(c, cells[i].left(32), 0, box.x1, box.y1, box.x2, mid, ReadablePoints);
            PrintShrinkText(c, cells[i].mid(32), 0, box.x1, mid, box.x2, box.y2, ReadablePoints);
            continue;
        }
        PrintFittedText(c, cells[i], centred ? 1 : 0, box);
    }
    PrintLine(c, 0, y + RowHeight, SheetWidth, y + RowHeight, 1);
    for (float x : edges)
        PrintLine(c, x, y, x, y + RowHeight, 1);
}

} // namespace

int IndexPages(const TIndexDocument& doc)
{
    const int rows = int(LinesOf(doc).size());
    return std::max(1, (rows + RowsPerPage - 1) / RowsPerPage);
}

void DrawPackageIndex(const TIndexDocument& doc, TPageSink& pane)
{
    const std::vector<TLine> lines = LinesOf(doc);
    const int rows = int(lines.size());
    TFormPages pages(pane, PackageIndexPage, IndexPages(doc));
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
        // Each page heads the table it starts in.
        const TLine::Kind starts = first < rows ? lines[size_t(first)].kind : TLine::File;
        if (starts == TLine::File)
            GridRow(c, FileEdges, FileHead, TableTop, true, true);
        else if (starts == TLine::Day)
            GridRow(c, DayEdges, DayHead, TableTop, true, false);
        else if (starts == TLine::Hash)
            GridRow(c, HashEdges, HashHead, TableTop, true, false);
        float y = TableTop + RowHeight;
        for (int i = first; i < std::min(rows, first + RowsPerPage); ++i, y += RowHeight) {
            const TLine& line = lines[size_t(i)];
            switch (line.kind) {
            case TLine::File:
                GridRow(c, FileEdges, line.cells, y, false, true);
                break;
            case TLine::DayHead:
            case TLine::HashHead:
                GridRow(c, EdgesOf(line.kind), line.cells, y, true, false);
                break;
            case TLine::Day:
            case TLine::Hash:
                GridRow(c, EdgesOf(line.kind), line.cells, y, false, false);
                break;
            case TLine::Text:
                PrintFittedText(c, line.cells.front(), 0,
                                TCmBox{0.1f, y, SheetWidth, y + RowHeight});
                break;
            }
        }
    }
}

QString LeftOutText(const TIndexDocument& doc, const TIndexLeftOut& day)
{
    return QStringLiteral("模擬値のため除外: %1 / %2 / %3 / %4")
        .arg(doc.project, day.mix, day.category, DateText(day.day, doc.title.wareki));
}

QString IndexCsv(const TIndexDocument& doc)
{
    QString text = QStringLiteral("No.,ファイル名,書類,合材,温度区分,期間,ページ数,SHA-256\r\n");
    for (int i = 0; i < doc.entries.size(); ++i) {
        const TIndexEntry& e = doc.entries[i];
        const QStringList fields{QString::number(i + 1),
                                 e.file,
                                 e.kind,
                                 e.mix,
                                 e.category,
                                 e.period,
                                 e.pages > 0 ? QString::number(e.pages) : QString(),
                                 e.sha256};
        QStringList quoted;
        for (const QString& f : fields)
            quoted << CsvField(f);
        text += quoted.join(QLatin1Char(',')) + QStringLiteral("\r\n");
    }
    QStringList notes;
    for (const TIndexLeftOut& day : doc.simulated)
        notes << LeftOutText(doc, day);
    for (const QString& note : notes + doc.notes)
        text += QStringLiteral(",") + CsvField(note) + QStringLiteral("\r\n");
    return text;
}
