#pragma once

#include "store/Read.h"
#include "store/Registers.h"

#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QPair>
#include <QSet>
#include <QString>
#include <functional>
#include <memory>

// Passes over the registered days: the lists of days a search names, and a project's and
// mix's journey through its categories. Each is read row by row as it is asked.
namespace Store {

// Empty texts and an unset category or date leave that part open; the period includes both
// ends.
struct TDayFilter
{
    QString kojiCode;
    QString gozaiName;
    bool byKubun = false;
    int kubunId = -1;
    QDate from;
    QDate to;
};

// A registered day with its record, as a search lists it.
struct TFoundDay
{
    int kanriId = 0;
    QString kojiCode, kojimei, gozaiName, kubunName, kikakuti;
    QDateTime day;
    int kosu = 0;
    double maxOndo = 0, miniOndo = 0, avgOndo = 0;
    QString measurer; // the day's, else the record's
    QString tenki;
    bool mogi = false;
};
// Newest first; `day` returns false to stop.
void EachFoundDay(const TDayFilter& filter, const std::function<bool(const TFoundDay&)>& day);
// The temperatures of the days the filter names, read in one forward pass.
void EachTemperature(const TDayFilter& filter,
                     const std::function<void(int kanriId, const QDateTime& day, double ondo)>& t);

// The records of a project and mix with their categories, in the categories' order.
struct TJourneyRecord
{
    int kanriId = 0;
    int kubunId = -1;
    QString kubunName;
    QString kikakuti;
    bool numberedAlike = false;
};
QList<TJourneyRecord> JourneyRecords(const QString& kojiCode, const QString& gozaiName);
// The readings of the project and mix on the days first .. last, by day, record and load.
struct TJourneyRow
{
    int kanriId = 0;
    QDateTime day;
    QString sokuten, jikoku, syaryo;
    double ondo = 0;
};
void EachJourneyReading(const QString& kojiCode, const QString& gozaiName, const QDateTime& first,
                        const QDateTime& last, const std::function<void(const TJourneyRow&)>& row);
// The air temperature as typed on each day summary of the project and mix in the period.
void EachAirTemperature(const QString& kojiCode, const QString& gozaiName, const QDateTime& first,
                        const QDateTime& last,
                        const std::function<void(const QDateTime& day, const QString& kion)>& row);

// The categories a project's mix has a registered day of, on that day; taken once.
class TCategoriesOfDayRead : public TRead
{
public:
    TCategoriesOfDayRead(const QString& kojiCode, const QString& gozaiName, const QDateTime& day);
    ~TCategoriesOfDayRead() override;
    QSet<int> Ids() const;

protected:
    std::vector<Query*> queries() override;

private:
    std::unique_ptr<Query> m_q;
};

// What a project's submission package covers in a period (either end open), asked at once: the
// categories in list order, each mix's categories with measured readings (mixes by name, each
// pair once), the simulated days it leaves out (by day, then mix) and the mixes' print names.
struct TPackageDays
{
    struct TSimulated
    {
        QString gozaiName;
        int kubunId = 0;
        QDate day;
    };
    QList<TCategoryRow> categories;
    QList<QPair<QString, int>> measured;
    QList<TSimulated> simulated;
    QHash<QString, QString> printNames;
};
TPackageDays PackageDays(const QString& kojiCode, const QDate& from, const QDate& to);
// The days a paver's scans were imported for a project's mix, in order; none before the tables.
QList<QDate> ProfileDays(const QString& kojiCode, const QString& gozaiName);

} // namespace Store
