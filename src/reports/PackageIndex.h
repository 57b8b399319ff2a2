#pragma once

#include "reports/FormKit.h"
#include "reports/ReportModel.h"

#include <QDate>

class TPageSink;

// The index of a submission package: one row per file, portrait pages under a title block.

constexpr TFormPage PackageIndexPage{{2.0f, 2.0f}};

struct TIndexEntry
{
    QString file;
    QString kind;     // 記録表, X管理図, …, 測定値（CSV）
    QString mix;      // print name; empty when the file covers every mix
    QString category; // empty when it covers every category
    QString period;
    int pages = 0;  // 0 for a file without pages
    QString sha256; // of the file as written, lower-case hex
};

// A file of the package and its SHA-256, as the package's manifest lists it.
struct TIndexHash
{
    QString file;
    QString sha256;
};

// A day of the project filled by simulation: in none of the documents.
struct TIndexLeftOut
{
    QString mix; // print name
    QString category;
    QDate day;
};

struct TIndexDocument
{
    QString project;
    QString period;
    QString font;
    TTitleSettings title;
    QList<TIndexEntry> entries;
    QList<TIndexLeftOut> simulated; // by day, mix and category
    QStringList notes;              // what was left out for want of data
    // Every file but this index's PDF and the manifest (which lists them all), as the manifest
    // names and hashes them.
    QList<TIndexHash> hashes;
    QString manifest; // the manifest's file name
};

int IndexPages(const TIndexDocument& doc);
// The files, then a table of the simulated days left out (工事, 合材, 温度区分, 試験日), then
// the notes, then the table of the files' SHA-256 with how to check them against the manifest.
void DrawPackageIndex(const TIndexDocument& doc, TPageSink& pane);

// "模擬値のため除外: 県道工事（K1） / 密粒度アスコン / 練上温度 / 2024年10月3日"
QString LeftOutText(const TIndexDocument& doc, const TIndexLeftOut& day);

// The same rows as CSV text (UTF-8 with BOM when written): No., ファイル名, 書類, 合材, 温度区分,
// 期間, ページ数, SHA-256; then each simulated day left out (LeftOutText) and the notes, in the
// second column.
QString IndexCsv(const TIndexDocument& doc);
