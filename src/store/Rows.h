#pragma once

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>

// The plain rows that cross the store's boundary: what a record's day holds.

// One reading of a day: its row (LNO 1..999), label, temperature, the time it was measured
// ("HH:mm"), the truck or delivery ticket, and a remark.
struct Reading
{
    int LNO = 0;
    QString Sokuten;
    double Ondo = 0.0;
    QString Jikoku;
    QString Syaryo;
    QString Biko;
    bool operator==(const Reading& o) const
    {
        return LNO == o.LNO && Sokuten == o.Sokuten && Ondo == o.Ondo && Jikoku == o.Jikoku &&
               Syaryo == o.Syaryo && Biko == o.Biko;
    }
};

// What a phone left on a reading it sent: the id it gave the reading and the phone's own. A
// reading keeps them while its day is registered again as it is shown; a day replaced (another
// day's readings, someone else's change overwritten, an import) leaves them behind, so that a
// phone's later correction never reaches a reading it did not send.
struct PhoneMark
{
    QString id;
    QString device;
};
using PhoneMarks = QHash<int, PhoneMark>; // by LNO

// A day as stored: whether it is there, its summary and readings.
struct DayAsStored
{
    bool present = false;
    int kosu = 0;
    double max = 0.0, min = 0.0, avg = 0.0;
    QString tekiyo;
    QList<Reading> readings;
    QString simei, tenki, kion;
    bool mogi = false;
    bool operator==(const DayAsStored& o) const
    {
        return present == o.present && kosu == o.kosu && max == o.max && min == o.min &&
               avg == o.avg && tekiyo == o.tekiyo && readings == o.readings && simei == o.simei &&
               tenki == o.tenki && kion == o.kion && mogi == o.mogi;
    }
};

namespace Store {

// Who measured a day: the day's measurer, else the record's.
inline QString MeasurerOf(const QString& dayMeasurer, const QString& recordMeasurer)
{
    return dayMeasurer.isEmpty() ? recordMeasurer : dayMeasurer;
}

// A record's header: project, mix, category, measurer, note and the stored 規格値 text.
struct TRecordRow
{
    int id = 0;
    QString kojiCode;
    QString gozaiName;
    QString simei; // the record's measurer
    QString kiji;
    int kubun = -1;
    QString kikakuti; // as TKikakuText stores it
};

// A day's summary row.
struct TDaySummary
{
    int kanriId = 0;
    QDateTime day;
    int kosu = 0;
    double maxOndo = 0.0, miniOndo = 0.0, avgOndo = 0.0;
    QString tekiyo;
    QString simei; // the day's measurer; empty: the record's
    QString tenki, kion;
    bool mogi = false;
};

// One change as the history keeps it.
struct THistoryEntry
{
    int seq = 0;
    QDateTime when;
    QString who;
    QString what;
    QString kojiCode, gozaiName;
    int kubun = -1;
    QString kubunName;
    QDateTime day;
    int lno = 0; // 0: the whole day
    QString before, after;
    QString seal; // the day's seal after the change; empty when the day went
    QString hash;
};

// A day's seal row: written by the history entry numbered `entry`. An empty seal: the day went.
struct TSealRow
{
    int kanriId = 0;
    QDateTime day;
    QString seal;
    int entry = 0;
};

} // namespace Store
