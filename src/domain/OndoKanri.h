#pragma once

#include "core/Utility.h"
#include "domain/OndoKubun.h"
#include "domain/RegisterEntry.h"
#include "store/Records.h"
#include "store/Rows.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>

struct ListViewData;
namespace History {
class TWriter;
}

// What a day's summary stores of its readings.
struct DayStatistics
{
    int count = 0;
    double maximum = 0.0;
    double minimum = 0.0;
    double average = 0.0;
};
DayStatistics StatisticsOf(const QList<Reading>& readings);
// With the rounding rule read once by a caller of many days.
DayStatistics StatisticsOf(const QList<double>& values, RoundingRule rule);

// The temperature record shown in the main window: a header (project, mix, category,
// measurer, specified value text) with the summary of one measuring day.
class TOndoKanri
{
public:
    int ID = 0; // 0: not stored yet
    TKoji Koji;
    TGozai Gozai;
    TSimei Simei;
    QString Kiji;
    TOndoKubun Kubun;
    QString SpecValue;
    QString SpecRange;
    QString SpecInterval;
    QDateTime Hiduke;
    int Kosu = 0;
    double MaxOndo = 0.0;
    double MiniOndo = 0.0;
    double AvgOndo = 0.0;
    QString Tekiyo;   // at most 32 bytes: the day's 記事
    QString DaySimei; // who measured the day; empty: the record's measurer
    // The day's measurer, else the record's: who the history names for a change made here.
    QString Measurer() const { return DaySimei.isEmpty() ? Simei.Simei() : DaySimei; }
    QString Tenki;     // weather
    QString Kion;      // air temperature as typed
    bool Mogi = false; // filled by simulation, not measured

    TOndoKanri();

    // The record tables, the category table with its defaults and the register tables.
    static void CreateTables();
    void Clear();
    void LoadFrom(const Store::TRecordDay& stored);
    void LoadByID(int id);
    // False when the day is not stored; the record is then left as it was.
    bool LoadByDate();
    static int NewID();
    void Save();
    // Deletes the record and all its days, noting each reading in the history as deleted by
    // `who`.
    void DeleteRecord(const QString& who);
    // Removes the day summary and readings of header `id` on `day`; the header goes with
    // its last day.
    // Deletes a day, and its record when no day is left, noting each reading in the history as
    // deleted by `who`.
    static void DeleteDay(int id, const QDateTime& day, const QString& who);
    // The stored header of a project, mix and category, or 0.
    static int FindHeader(const QString& kojiCode, const QString& gozaiName, int kubunId);
    static int FindHeader(const QString& kojiCode, const QString& gozaiName,
                          const QString& kubunName);
    static int DayCount(int id);
    static bool HasDay(int id, const QDateTime& day);
    void GetDateList(QStringList& list) const;
    static void ListByKoji(ListViewData& view, const QString& code);
    static void ListAll(ListViewData& view);

    // The stored readings of a day, by LNO.
    static QList<Reading> ReadDay(const QString& kojiCode, int kubunId, const QDateTime& day,
                                  const QString& gozaiName);
    // Save() and the day's readings as one transaction: a failure leaves the stored day as it
    // was. When the day was changed by someone else since RememberDay() saw it,
    // `overwriteTheirs` decides (unset: theirs is kept); false when it kept theirs and nothing
    // was written. The phones' marks stay only on the day RememberDay() saw, unchanged since.
    bool Register(const QList<Reading>& readings,
                  const std::function<bool()>& overwriteTheirs = {});
    // For a writer of many days that asked what is stored itself, inside its transaction and
    // under the lock: the header (ID set) once, then the days through TDayWriter.
    void WriteHeader(bool recordStored);

    // The day of a project, mix, category and date as stored now.
    static DayAsStored ReadStoredDay(const QString& kojiCode, const QString& gozaiName, int kubunId,
                                     const QDateTime& day);
    // Notes the day as the window shows it (its `readings` just read), so that Register can
    // tell another user's change from ours.
    void RememberDay(const QList<Reading>& readings);
    void RememberDay(const QString& kojiCode, const QString& gozaiName, int kubunId,
                     const QDateTime& day);
    // After this program removed days: what it now sees is the stored state.
    void RefreshSeenDay();

    QString Kikakuti() const;
    // The header and the day's summary as the store keeps them.
    Store::TRecordRow RecordRow() const;
    Store::TDaySummary DaySummary() const;

private:
    // Writes the record's header and the day's summary, inserted or updated as they are stored.
    void writeRecord(bool recordStored, bool dayStored);
    void writeSummary(bool dayStored);
    friend class TDayWriter;

    struct Seen
    {
        bool known = false;
        QString kojiCode, gozaiName;
        int kubunId = -1;
        QDateTime day;
        DayAsStored stored;
    } m_seen;
};

// The days of one record written by a writer of many (a file's import), after WriteHeader, in
// its transaction: first every day's summary, as the record's day fields stand when it is
// added, then the days' readings in the same order; a replaced day's phone marks go with it.
// The readings stream to the table (COPY on a server): a million are never held at once.
class TDayWriter
{
public:
    // `history`: where each day is noted (added or replaced) and sealed.
    TDayWriter(TOndoKanri& record, bool recordStored, History::TWriter& history);
    ~TDayWriter();
    // `before`: what a stored day held, as the history says it was.
    void AddSummary(bool dayStored, const QString& before = QString());
    void AddReadings(const QList<Reading>& readings);
    // Without it the last days are not written.
    void Finish();

private:
    void sendSummaries();
    TOndoKanri& m_record;
    bool m_recordStored;
    History::TWriter& m_history;
    // The summary each day was written with, for its seal once its readings come.
    QHash<QDateTime, QVariantList> m_written;
    QList<Store::TDaySummary> m_heads;
    QList<QDateTime> m_replaced; // days whose readings go first
    std::unique_ptr<Store::TReadingStream> m_lines;
};
