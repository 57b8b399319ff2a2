#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

// The registered days of one record, or of every record a search names: what a list of days
// shows of each.
struct TDayRow
{
    int kanriId = 0;
    QString kojiCode;
    QString kojimei;
    QString gozaiName;
    QString kubunName;
    QDateTime day;
    int count = 0;
    double max = 0, min = 0, avg = 0;
    int outside = 0; // readings outside the record's specified value
    QString measurer;
    QString weather;
    bool simulated = false;
};

// Empty fields search everything; the period includes both ends.
struct TDayQuery
{
    QString kojiCode;
    QString gozaiName;
    QString kubunName;
    QDate from;
    QDate to;
    int limit = 2000; // the newest days first
};

struct TDayList
{
    QList<TDayRow> rows; // newest first
    bool cut = false;    // more days matched than the limit
};

// Raises AppError for a period whose start is after its end.
TDayList FindDays(const TDayQuery& query);
