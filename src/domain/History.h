#pragma once

#include "domain/OndoKanri.h"
#include "store/History.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <vector>

// What a reviewer can trust of the record: every change to registered readings is kept as a
// history entry, written in the same transaction as the change, and each registered day's
// readings carry a seal (SHA-256 of the day as stored) that the day's last entry carries too.
// Each entry's hash covers its content and the previous entry's hash: a change made behind the
// program's back (a SQLite tool, psql) breaks a seal or the chain, and `ondokanri --verify`
// says where.
namespace History {

// The kinds of change, as the history prints them.
inline const QString Added = QStringLiteral("追加");
inline const QString Corrected = QStringLiteral("修正");
inline const QString Deleted = QStringLiteral("削除");
inline const QString Replaced = QStringLiteral("置換");
inline const QString Restored = QStringLiteral("復元");
// A day stored before seals were kept, registered again unchanged: sealed now.
inline const QString Sealed = QStringLiteral("封印");

// The user the operating system knows this program runs for: who changed what when nobody
// else is known.
QString OperatingSystemUser();

// A reading as the history prints it: the temperature, then what else the row holds.
QString ReadingText(const Reading& r);
// A whole day in a word: "30 件（最高 165 最低 150 平均 157.3）".
QString DayText(int count, double maximum, double minimum, double average);

// The seal of a day as stored: its record, date, simulated mark, summary and readings in load
// order.
struct TDayContent
{
    int kanriId = 0;
    QDateTime day;
    bool mogi = false;
    int kosu = 0;
    double maxOndo = 0, miniOndo = 0, avgOndo = 0;
};
QString DaySeal(const TDayContent& day, const QList<Reading>& readings);

// The text a day's seal is the hash of, built a reading at a time from the readings' UTF-8
// texts and put in load order where they came otherwise: DaySeal's, and --verify's from the
// stored bytes without a copy of each.
class TSealText
{
public:
    void Begin(const TDayContent& day);
    void Add(int lno, const QByteArray& sokuten, double ondo, const QByteArray& jikoku,
             const QByteArray& syaryo, const QByteArray& biko);
    QString Seal() const;

private:
    struct TLine
    {
        int lno;
        qsizetype from, size;
    };
    QByteArray m_head, m_lines;
    std::vector<TLine> m_order;
    bool m_inOrder = true;
};

// One change as kept.
using TEntry = Store::THistoryEntry;
// The hash an entry carries, from its content and the previous entry's hash.
QString EntryHash(const TEntry& e, const QString& previous);

// Where a write's changes are gathered, inside its transaction and under the write lock, and
// written together with it. The tail (the last entry) is read with the write's other reads:
// a Store::THistoryTailRead opened with them, then Begin.
class TWriter
{
public:
    // The project, mix and category every entry names, and who made the change.
    TWriter(const QString& who, const QString& kojiCode, const QString& gozaiName, int kubun,
            const QString& kubunName);

    void Begin(const Store::THistoryTailRead& openedTail);

    void Add(const QString& what, const QDateTime& day, int lno, const QString& before,
             const QString& after);
    // The changes of one day's readings, a reading at a time: numbers that are new, gone or
    // whose reading changed.
    void AddDifferences(const QDateTime& day, const QList<Reading>& before,
                        const QList<Reading>& after);
    // The day's seal after the change: on its last entry (an entry 封印 when the change made
    // none) and in its seal row. An empty seal: the day went, and its seal row with it. A day
    // left as it was (no entry, and the seal it had: `had`) writes nothing.
    void Seal(const QDateTime& day, int kanriId, const QString& seal,
              const QString& had = QString());
    // Writes the entries and seal rows (held with the transaction's other writes).
    void Finish();

private:
    QString m_who, m_kojiCode, m_gozaiName, m_kubunName;
    int m_kubun;
    int m_lastSeq = 0;
    QString m_lastHash;
    bool m_begun = false;
    QDateTime m_now;
    std::vector<TEntry> m_entries;
    std::vector<Store::TSealRow> m_seals; // entry: an index into m_entries until Finish
};

// A change that touches no day of a record: the data replaced by a backup.
void NoteRestore(const QString& backupFile);

// The entries of a project (and mix), from one day to another (either may be unset), in the
// order they were made.
QList<TEntry> Read(const QString& kojiCode, const QString& gozaiName = QString(),
                   const QDateTime& from = QDateTime(), const QDateTime& to = QDateTime());
// The entries of one day of a record.
QList<TEntry> ReadDay(const QString& kojiCode, const QString& gozaiName, int kubun,
                      const QDateTime& day);
// One line a person reads: "2026/12/11 10:02:03 山田 修正 密粒度13 練上温度 2024/11/06 3 台目
// 155 → 157".
QString LineOf(const TEntry& e);

} // namespace History
