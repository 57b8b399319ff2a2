#pragma once

#include <QDateTime>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

// The readings and day summaries of one project (optionally one mix), read in two statements,
// and their Excel and CSV forms.

struct ExportReading
{
    QDateTime day;
    QString mix;
    QString label; // 測点
    double ondo = 0.0;
    QString measurer; // the day's, else the record's
    QString kikaku;   // the specified value, the first part of Kikakuti
    QString time;
    QString truck;
    QString remark;
    bool simulated = false; // its day was filled by simulation
};

struct ExportCategory
{
    int id = -1;
    QString name;                  // empty when the category was removed from its table
    QList<ExportReading> readings; // by day, mix and LNO
};

struct ExportDay
{
    QDateTime day;
    QString mix;
    QString category;
    int count = 0;
    double max = 0.0;
    double min = 0.0;
    double avg = 0.0;
    QString measurer;
    QString weather;
    QString airTemperature;
    QString remark;
    bool simulated = false;
};

struct ExportData
{
    QString kojiCode;
    QString kojimei;
    QString mix;                      // empty: every mix
    QList<ExportCategory> categories; // by category ID, only those with readings
    QList<ExportDay> days;            // by day, mix and category ID
    int ReadingCount() const;
};

enum class ExportFormat { Xlsx, Csv };

// The registered projects (code, name) by code, and the mixes stored for one project.
QList<QPair<QString, QString>> ExportProjects();
QStringList ExportMixes(const QString& kojiCode);

// Raises AppError when the project is not registered or has nothing stored (for that mix).
ExportData LoadExport(const QString& kojiCode, const QString& mix = QString());

// A sheet name Excel accepts: at most 31 characters, none of []:*?/\, no quote at either end,
// not "History", and unlike every name of `taken` (ignoring case).
QString ExcelSheetName(const QString& wanted, const QStringList& taken);

// A summary sheet "日別集計" first, then one sheet per category. Writes `file` as it stands.
// Every sheet ends with the column 模擬値: 1 on a simulated day's rows, 0 on measured ones.
void WriteXlsx(const ExportData& data, const QString& file);
// The reading rows of every category, with the category as the first column and 模擬値 (1 or 0)
// as the last, UTF-8 with BOM.
// A text starting with =, +, - or @ is written with an apostrophe before it, so that a
// spreadsheet shows it as text and never runs it as a formula.
void WriteCsv(const ExportData& data, const QString& file);

// Raises AppError for an empty name, a target in the data or its backups, or an existing
// file of another kind.
void RefuseExportTarget(const QString& file, ExportFormat format, const QStringList& dataFolders);

// The whole export on the open connection: the target is checked against `dataFolders`,
// the data read, and the file written beside the target and moved into place.
// Returns the data written, for the caller's message.
ExportData ExportFile(const QString& file, ExportFormat format, const QString& kojiCode,
                      const QString& mix, const QStringList& dataFolders);
// "書き出し: N 日 M 件"
QString ExportSummary(const ExportData& data);
