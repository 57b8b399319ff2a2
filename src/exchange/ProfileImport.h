#pragma once

#include <QDate>
#include <QString>

class QTextStream;

// A paver's thermal profile (exchange/ProfileRead) stored for a project and mix on the day of
// its timestamps: its scan lines streamed to the table in one transaction, so that a day of
// 10⁵ lines takes bounded memory, and a file refused half-way stores nothing.
struct TProfileImported
{
    QDate day;
    QString format;
    int lines = 0;
    double length = 0; // metres along the lane
};

// Raises AppError in Japanese: an unknown project, no mix, a broken file (naming the line where
// reading stopped), or a day that has a profile already unless `replace`.
TProfileImported ImportProfile(const QString& file, const QString& kojiCode,
                               const QString& gozaiName, bool replace);
// The day a file's scan lines begin on, its layout checked; raises AppError as ImportProfile.
QDate ProfileDay(const QString& file);
// Whether the project and mix have a profile of that day.
bool HasProfile(const QString& kojiCode, const QString& gozaiName, const QDate& day);
// "取り込み: 100,000 行、長さ 4,567.8 m（2024/06/03、Vögele RoadScan）".
QString ProfileImportLine(const TProfileImported& imported);
