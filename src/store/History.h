#pragma once

#include "store/Read.h"
#include "store/Rows.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

class Query;

// The history of changes (履歴) and the days' seals (封印).
namespace Store {

// The last entry of the history, read with a write's other reads: its number and hash, which
// the next entry's hash covers. None when nothing was kept yet.
class THistoryTailRead : public TRead
{
public:
    THistoryTailRead();
    ~THistoryTailRead() override;
    int Seq() const;
    QString Hash() const;

protected:
    std::vector<Query*> queries() override;

private:
    std::unique_ptr<Query> m_q;
};

// The entries, numbered and hashed, and the seal rows they wrote: a day's old seal goes first.
void WriteHistory(const std::vector<THistoryEntry>& entries, const std::vector<TSealRow>& seals);

// False on a location from before the history: nothing changed since.
bool HistoryKept();
// The entries of a project (and mix), from one day to another (either may be unset), and every
// entry of the kind `everywhere` (a restore), in the order they were made.
QList<THistoryEntry> HistoryOf(const QString& kojiCode, const QString& gozaiName,
                               const QDateTime& from, const QDateTime& to,
                               const QString& everywhere);
QList<THistoryEntry> HistoryOfDay(const QString& kojiCode, const QString& gozaiName, int kubun,
                                  const QDateTime& day);
// The seal stored for the day of a project, mix and category; empty when there is none.
class TDaySealRead : public TRead
{
public:
    TDaySealRead(const QString& kojiCode, const QString& gozaiName, int kubun,
                 const QDateTime& day);
    ~TDaySealRead() override;
    QString Seal() const;

protected:
    std::vector<Query*> queries() override;

private:
    std::unique_ptr<Query> m_q;
};

// For the check of the whole location, each read a row at a time.
struct TRecordName
{
    QString kojiCode, gozaiName, kubunName;
};
QHash<int, TRecordName> RecordNames();
// Every entry in order; nothing when no history is kept.
void EachHistoryEntry(const std::function<void(const THistoryEntry&)>& entry);
// Every seal row, with its day as stored text; nothing when no seal is kept.
void EachSeal(const std::function<void(const TSealRow& seal, const QString& dayText)>& seal);
// A reading's texts as their stored UTF-8 bytes, valid only during the call that hands it over:
// a pass over millions of readings copies none of them.
struct TRawReading
{
    int lno = 0;
    QByteArray sokuten;
    double ondo = 0;
    QByteArray jikoku, syaryo, biko;
};
// Every day's summary in record and day order; `dayText` is the day as stored, to match the
// seal rows.
void EachDaySummary(const std::function<void(const TDaySummary& day, const QString& dayText)>& day);
// Every reading where it lies in its table, in no order: one straight pass, without a look-up
// per reading. `dayBytes` is its day as stored (UTF-8), valid only during the call.
void EachStoredReading(const std::function<void(int kanriId, const QByteArray& dayBytes,
                                                const TRawReading& reading)>& reading);
// A day's readings by its record number.
QList<Reading> ReadingsOf(int kanriId, const QDateTime& day);

} // namespace Store
