#pragma once

#include "reports/FormKit.h"
#include "reports/ReportModel.h"

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
    int pages = 0; // 0 for a file without pages
};

struct TIndexDocument
{
    QString project;
    QString period;
    QString font;
    TTitleSettings title;
    QList<TIndexEntry> entries;
    QStringList notes; // what was left out and why
};

int IndexPages(const TIndexDocument& doc);
void DrawPackageIndex(const TIndexDocument& doc, TPageSink& pane);

// The same rows as CSV text (UTF-8 with BOM when written): No., ファイル名, 書類, 合材, 温度区分,
// 期間, ページ数, then the notes.
QString IndexCsv(const TIndexDocument& doc);
