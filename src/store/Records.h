#pragma once

#include "store/Read.h"
#include "store/Rows.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QVariant>
#include <memory>
#include <optional>

class Query;
namespace Engine {
class RowStream;
}

// The records (温度管理の記録): a header per project, mix and category, a summary row per
// measuring day, and the day's readings.
namespace Store {

// A category by its number, or by its name when the number is not known yet.
struct TCategoryKey
{
    TCategoryKey(int id) : id(id) {}
    TCategoryKey(const QString& name) : name(name), byName(true) {}
    int id = -1;
    QString name;
    bool byName = false;
};

// Writers of records take turns from here to the end of the transaction: what they read
// after it is what they overwrite, and a new record's number is one nobody else takes.
void LockRecords();

// The header with the day (the record's latest, or the one asked) and its summary.
struct TRecordDay
{
    TRecordRow record;
    TDaySummary summary;
};
std::optional<TRecordDay> LatestDayOfRecord(int id);
std::optional<TRecordDay> RecordDay(const QString& kojiCode, const QString& gozaiName, int kubun,
                                    const QDateTime& day);
// True when the location holds our category, project and record tables.
bool HoldsRecords();
// A number for a new record; raises AppError when none is left.
int NewRecordID();

// The number of the record of a project, mix and category; none when it is not stored.
class TRecordIdRead : public TRead
{
public:
    TRecordIdRead(const QString& kojiCode, const QString& gozaiName, const TCategoryKey& kubun);
    ~TRecordIdRead() override;
    std::optional<int> Id() const;

protected:
    std::vector<Query*> queries() override;

private:
    std::unique_ptr<Query> m_q;
};
// 0 when it is not stored.
int FindRecord(const QString& kojiCode, const QString& gozaiName, const TCategoryKey& kubun);
// The whole header of a project, mix and category known by name.
class TRecordRead : public TRead
{
public:
    TRecordRead(const QString& kojiCode, const QString& gozaiName, const QString& kubunName);
    ~TRecordRead() override;
    std::optional<TRecordRow> Row() const;

protected:
    std::vector<Query*> queries() override;

private:
    std::unique_ptr<Query> m_q;
};

// A day of a project, mix and category as stored now: its summary and readings by LNO.
class TStoredDayRead : public TRead
{
public:
    TStoredDayRead(const QString& kojiCode, const QString& gozaiName, const TCategoryKey& kubun,
                   const QDateTime& day);
    ~TStoredDayRead() override;
    // With the phones' marks of the readings sent from the site page into `marks`.
    DayAsStored Day(PhoneMarks* marks = nullptr);

protected:
    std::vector<Query*> queries() override;

private:
    std::unique_ptr<Query> m_head, m_lines;
};
// The stored days of a record (project, mix and category by name), as one read; with their
// summaries (the note, weather, air temperature and figures) when `summaries`.
class TStoredDaysRead : public TRead
{
public:
    TStoredDaysRead(const QString& kojiCode, const QString& gozaiName, const QString& kubunName,
                    bool summaries);
    ~TStoredDaysRead() override;
    QList<TDaySummary> Days();

protected:
    std::vector<Query*> queries() override;

private:
    std::unique_ptr<Query> m_q;
    bool m_summaries;
};

// Whether the day's summary is stored, without its readings.
class TDayPresentRead : public TRead
{
public:
    TDayPresentRead(const QString& kojiCode, const QString& gozaiName, int kubun,
                    const QDateTime& day);
    ~TDayPresentRead() override;
    bool Present() const;

protected:
    std::vector<Query*> queries() override;

private:
    std::unique_ptr<Query> m_q;
};
// The day's readings alone.
QList<Reading> ReadingsOfDay(const QString& kojiCode, const QString& gozaiName, int kubun,
                             const QDateTime& day);

// Writes the header, inserted, or updated where its project, mix and category are stored.
void WriteRecord(const TRecordRow& record, bool stored);
// Writes the day's summary, inserted, or updated where the day is stored.
void WriteDaySummary(const TDaySummary& day, bool stored);
// The day's readings replaced by `readings`; each keeps the phone's marks it had.
void ReplaceReadings(int kanriId, const QDateTime& day, const QList<Reading>& readings,
                     const PhoneMarks& marks);

// A writer of many days (a file's import): summaries inserted a thousand at a time, the
// readings of replaced days removed the same way, and readings streamed (COPY on a server,
// where nothing else is sent from the stream's start until Finish).
void InsertDaySummaries(const QList<TDaySummary>& days);
void DeleteReadingsOfDays(int kanriId, const QList<QDateTime>& days);
class TReadingStream
{
public:
    TReadingStream();
    ~TReadingStream();
    void Add(int kanriId, const QDateTime& day, const QList<Reading>& readings);
    void Finish();

private:
    std::unique_ptr<Engine::RowStream> m_stream;
};

int DayCount(int kanriId);
bool HasDay(int kanriId, const QDateTime& day);
// The days of a project and mix, in every category, in date order.
QList<QDateTime> DaysOf(const QString& kojiCode, const QString& gozaiName);
// True when a record of the project and mix is stored.
bool HasRecords(const QString& kojiCode, const QString& gozaiName);

// A record as the pickers list it.
struct TRecordListRow
{
    int id = 0;
    QString kojiCode, kojimei, gozaiName, kubunName;
};
// A project's records by mix and category.
QList<TRecordListRow> RecordsOfProject(const QString& kojiCode);
// Every record, the latest project first.
QList<TRecordListRow> AllRecords();

// What a deletion takes with it, read under the lock: the header, named as the history names
// it, and the readings and days that go (one day, or all when `day` is unset).
class TDeletionRead : public TRead
{
public:
    TDeletionRead(int kanriId, const QDateTime& day);
    ~TDeletionRead() override;
    struct THeader
    {
        QString kojiCode, gozaiName, kubunName;
        int kubun = -1;
    };
    std::optional<THeader> Header() const;
    // The readings with their days, by day and LNO.
    QList<QPair<QDateTime, Reading>> Readings();
    QList<QDateTime> Days();

protected:
    std::vector<Query*> queries() override;

private:
    std::unique_ptr<Query> m_header, m_lines, m_days;
};
// A record with all its days and readings.
void DeleteRecordRows(int kanriId);
// A day's summary and readings; the header stays.
void DeleteDayRows(int kanriId, const QDateTime& day);
void DeleteRecordHeader(int kanriId);

} // namespace Store
