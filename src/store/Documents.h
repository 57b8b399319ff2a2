#pragma once

#include "store/Read.h"

#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

// What the printed documents read: each read made, then opened with the others one document
// needs (one round trip to a server), then taken a row at a time.
namespace Store {

// A project, one of its mixes or every one, and a period (an invalid day leaves that end
// open); measuredOnly leaves out the days filled by simulation.
struct TDocumentScope
{
    QString kojiCode;
    QString gozaiName;
    bool everyMix = false;
    QDate from, to;
    bool measuredOnly = false;
};

// The heading's look-ups: the project's name, every category and the mixes' print names.
class TDocumentLookupsRead : public TRead
{
public:
    explicit TDocumentLookupsRead(const QString& kojiCode);
    ~TDocumentLookupsRead() override;
    QString ProjectName() const; // trimmed; empty for a project the register does not know
    struct TCategory
    {
        QString name;
        QString interval;
    };
    QHash<int, TCategory> Categories() const;
    QHash<QString, QString> PrintNames() const; // by the mix's stored name

protected:
    std::vector<Query*> queries() override;

private:
    std::unique_ptr<Query> m_project, m_categories, m_names;
};

// The mixes of the scope's project that have a record, in the table's order.
class TDocumentMixesRead : public TQueryRead
{
public:
    explicit TDocumentMixesRead(const TDocumentScope& scope);
    QStringList Names() const;
};

// The record headers of the scope.
struct TDocumentRecord
{
    QString gozaiName;
    int kubun = -1;
    QString simei;
    QString kikakuti; // as TKikakuText stores it
};
class TDocumentRecordsRead : public TQueryRead
{
public:
    // Ordered by mix and record number, or as the table gives them.
    TDocumentRecordsRead(const TDocumentScope& scope, bool ordered);
    std::vector<TDocumentRecord> Rows() const;
};

// A day's summary with its record's mix and category and the day's notes.
struct TDocumentDay
{
    QString gozaiName;
    int kubun = -1;
    QDateTime day;
    int kosu = 0;
    double maxOndo = 0, miniOndo = 0, avgOndo = 0;
    bool mogi = false;
    QString measurer; // the day's, else the record's; trimmed, as are the notes
    QString tenki, kion, tekiyo;
};
class TDocumentDaysRead : public TQueryRead
{
public:
    enum class Order { MixCategoryDay, CategoryMixDay, DayCategory };
    TDocumentDaysRead(const TDocumentScope& scope, Order order);
    // The next day into `row`; false after the last.
    bool Take(TDocumentDay& row);
};

// Per mix and category the average of its days' averages, days without readings left out.
struct TDocumentAverage
{
    QString gozaiName;
    int kubun = -1;
    double average = 0;
};
class TDocumentAveragesRead : public TQueryRead
{
public:
    explicit TDocumentAveragesRead(const TDocumentScope& scope);
    bool Take(TDocumentAverage& row);
};

// One category's readings of the scope by mix, day and reading number, with what the record
// table prints. A data file streams them as they are drawn (Begin), a server answers them with
// the other reads. The row's fields are read as they are asked for: a year is many rows.
class TDocumentLinesRead : public TQueryRead
{
public:
    TDocumentLinesRead(const TDocumentScope& scope, int kubun);
    // Before the first row: opens the stream of a data file.
    void Begin();
    bool AtEnd() const;
    void Next();
    QDateTime Day() const;
    QString GozaiName() const;
    QString Kikakuti() const;
    QString CategoryInterval() const; // the category's 測定間隔
    QString RecordMeasurer() const;
    QString Sokuten() const;
    double Ondo() const;
    QString Jikoku() const; // trimmed, as are the truck and the remark
    QString Syaryo() const;
    QString Biko() const;

protected:
    std::vector<Query*> queries() override;

private:
    bool m_streamed = false;
};

// Every reading of the scope by mix, category, day and reading number, with its day's
// simulated mark and measurer.
struct TDocumentReading
{
    QString gozaiName;
    int kubun = -1;
    QDateTime day;
    double ondo = 0;
    bool mogi = false;
    QString measurer; // trimmed
};
class TDocumentReadingsRead : public TQueryRead
{
public:
    explicit TDocumentReadingsRead(const TDocumentScope& scope);
    bool Take(TDocumentReading& row);
};

} // namespace Store
