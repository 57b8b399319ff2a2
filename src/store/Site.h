#pragma once

#include "store/Read.h"
#include "store/Rows.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <memory>
#include <optional>

class Query;

// The readings the site page sends: appended, corrected and removed one at a time, each known
// by the id the phone made for it.
namespace Store {

// The record of a project, mix and category: its number and stored 規格値 text.
class TSiteRecordRead : public TRead
{
public:
    TSiteRecordRead(const QString& kojiCode, const QString& gozaiName, int kubun);
    ~TSiteRecordRead() override;
    struct TRecord
    {
        int id = 0;
        QString kikakuti;
    };
    std::optional<TRecord> Record() const;

protected:
    std::vector<Query*> queries() override;

private:
    std::unique_ptr<Query> m_q;
};

// A stored reading with the id a phone gave it (empty for one typed in the office).
struct TSiteRow
{
    Reading reading;
    QString id;
    QString device; // the phone that sent it
};

// The day of a record: whether its summary is there, whether it was simulated, its readings by
// load.
class TSiteDayRead : public TRead
{
public:
    TSiteDayRead(int kanriId, const QDateTime& day);
    ~TSiteDayRead() override;
    bool Present() const;
    bool Simulated() const;
    QList<TSiteRow> Rows();

protected:
    std::vector<Query*> queries() override;

private:
    std::unique_ptr<Query> m_head, m_lines;
};

// The day's four figures after its readings changed.
void UpdateDayFigures(int kanriId, const QDateTime& day, int kosu, double maxOndo, double miniOndo,
                      double avgOndo);
void AppendReading(int kanriId, const QDateTime& day, const TSiteRow& row);
// The temperature, truck and remark of the reading of load `lno`.
void CorrectReading(int kanriId, const QDateTime& day, const Reading& reading);
void RemoveReading(int kanriId, const QDateTime& day, int lno);
// The reading of load `lno` moved to load `to`, with its label.
void MoveReading(int kanriId, const QDateTime& day, int lno, int to, const QString& label);

} // namespace Store
