#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

// The submission package of a project (提出用一式): every document as a PDF of its own, the
// readings as CSV and an index of the files, written into one folder.

struct TPackageRequest
{
    QString folder;   // made when missing; must be empty when it exists
    QString kojiCode; // registered
    QDate from, to;   // invalid: no bound
};

struct TPackageResult
{
    QString folder;
    QStringList files;     // as written, the index and the manifest first
    QStringList skipped;   // documents left out, with the reason
    QStringList simulated; // days left out of every document: filled by simulation
};

// Minimum data for the statistical documents of a mix and category: X̄-s needs a day of two
// readings, x̄-R one whole subgroup, the capability sheet 30 readings and a specified limit.
constexpr int CapabilityMinimumReadings = 30;

// Writes, on the open connection, for the request's period: per mix 記録表 per category, X管理図
// (every category), X̄-s管理図, x̄-R管理図 (the stored subgroup size) and 工程能力図 per category
// with enough data, and 温度低下記録 of every day with timed readings in two categories or more;
// each a PDF/A-1b file with its fonts embedded, named as the preview names its PDF, the mix in
// the name; 測定値 as CSV (UTF-8 with BOM, one row per reading); the index 00_目録.pdf and
// 00_目録.csv with each file's SHA-256; and the manifest 00_目録.sha256 (PackageManifest.h) of
// every file written. The documents hold measured days only: each simulated day is named in the
// index instead, and kept in the CSV marked 模擬値 1. Everything is written beside the folder
// first and moved into place at the end, so a failure leaves no folder behind. Raises AppError
// for an unknown project, a project without readings in the period, a folder that is not empty
// or lies in `guarded` (the data folders), or a file that cannot be written.
TPackageResult WritePackage(const TPackageRequest& request, const QStringList& guarded);

// "提出用一式: 12 ファイル（…）" for the user.
QString PackageSummary(const TPackageResult& result);
