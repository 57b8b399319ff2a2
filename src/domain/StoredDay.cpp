// A record's day as stored: read, compared with what the window saw, and replaced. The reads a
// write depends on are asked together and the writes travel with the commit, so that a
// register costs the same few round trips to a distant server whatever the day holds.
#include "core/AppError.h"
#include "domain/History.h"
#include "domain/OndoKanri.h"
#include "storage/Engine.h"

#include <QHash>
#include <algorithm>

void TOndoKanri::writeRecord(bool recordStored, bool dayStored)
{
    WriteHeader(recordStored);
    writeSummary(dayStored);
}

void TOndoKanri::WriteHeader(bool recordStored)
{
    Store::WriteRecord(RecordRow(), recordStored);
}

void TOndoKanri::writeSummary(bool dayStored)
{
    Store::WriteDaySummary(DaySummary(), dayStored);
}

void TOndoKanri::Save()
{
    Transaction tx;
    Store::LockRecords();
    Store::TRecordIdRead record(Koji.Code(), Gozai.DataName(), Kubun.ID);
    Store::TDayPresentRead day(Koji.Code(), Gozai.DataName(), Kubun.ID, Hiduke);
    Store::OpenTogether({&record, &day});
    const std::optional<int> stored = record.Id();
    ID = stored ? *stored : NewID();
    writeRecord(stored.has_value(), day.Present());
    tx.Commit();
}

QList<Reading> TOndoKanri::ReadDay(const QString& kojiCode, int kubunId, const QDateTime& day,
                                   const QString& gozaiName)
{
    return Store::ReadingsOfDay(kojiCode, gozaiName, kubunId, day);
}

DayAsStored TOndoKanri::ReadStoredDay(const QString& kojiCode, const QString& gozaiName,
                                      int kubunId, const QDateTime& day)
{
    Store::TStoredDayRead read(kojiCode, gozaiName, kubunId, day);
    read.Open();
    return read.Day();
}

int TOndoKanri::FindHeader(const QString& kojiCode, const QString& gozaiName,
                           const QString& kubunName)
{
    return Store::FindRecord(kojiCode, gozaiName, kubunName);
}

int TOndoKanri::FindHeader(const QString& kojiCode, const QString& gozaiName, int kubunId)
{
    return Store::FindRecord(kojiCode, gozaiName, kubunId);
}

void TOndoKanri::RememberDay(const QList<Reading>& readings)
{
    RememberDay(Koji.Code(), Gozai.DataName(), Kubun.ID, Hiduke);
    m_seen.stored.readings = readings;
}

void TOndoKanri::RememberDay(const QString& kojiCode, const QString& gozaiName, int kubunId,
                             const QDateTime& day)
{
    m_seen = Seen{true,    kojiCode, gozaiName,
                  kubunId, day,      ReadStoredDay(kojiCode, gozaiName, kubunId, day)};
}

void TOndoKanri::RefreshSeenDay()
{
    if (m_seen.known)
        m_seen.stored =
            ReadStoredDay(m_seen.kojiCode, m_seen.gozaiName, m_seen.kubunId, m_seen.day);
}

TDayWriter::TDayWriter(TOndoKanri& record, bool recordStored, History::TWriter& history)
    : m_record(record), m_recordStored(recordStored), m_history(history)
{
}

TDayWriter::~TDayWriter() = default;

void TDayWriter::AddSummary(bool dayStored, const QString& before)
{
    const TOndoKanri& r = m_record;
    // A day at a time, not a reading at a time: an import of a million readings stays one
    // entry a day.
    m_history.Add(dayStored ? History::Replaced : History::Added, r.Hiduke, 0, before,
                  History::DayText(r.Kosu, r.MaxOndo, r.MiniOndo, r.AvgOndo));
    m_written.insert(r.Hiduke, {r.Mogi, r.Kosu, r.MaxOndo, r.MiniOndo, r.AvgOndo});
    if (dayStored)
        m_record.writeSummary(true);
    else
        m_heads.append(r.DaySummary());
    // A new day of a stored record too: readings left without their day (an old file's) must
    // not join it.
    if (m_recordStored)
        m_replaced.append(r.Hiduke);
    if (m_heads.size() >= 1000 || m_replaced.size() >= 1000)
        sendSummaries();
}

void TDayWriter::sendSummaries()
{
    Store::DeleteReadingsOfDays(m_record.ID, m_replaced);
    m_replaced.clear();
    Store::InsertDaySummaries(m_heads);
    m_heads.clear();
}

void TDayWriter::AddReadings(const QList<Reading>& readings)
{
    if (!m_lines) {
        sendSummaries();
        m_lines = std::make_unique<Store::TReadingStream>();
    }
    m_lines->Add(m_record.ID, m_record.Hiduke, readings);
    const QVariantList f = m_written.value(m_record.Hiduke);
    m_history.Seal(
        m_record.Hiduke, m_record.ID,
        History::DaySeal({m_record.ID, m_record.Hiduke, f.value(0).toBool(), f.value(1).toInt(),
                          f.value(2).toDouble(), f.value(3).toDouble(), f.value(4).toDouble()},
                         readings));
}

void TDayWriter::Finish()
{
    sendSummaries();
    if (m_lines)
        m_lines->Finish();
    m_lines.reset();
    m_history.Finish();
}

bool TOndoKanri::Register(const QList<Reading>& readings,
                          const std::function<bool()>& overwriteTheirs)
{
    Transaction tx;
    // Writers take turns from here, so what is compared below is what we would overwrite.
    Store::LockRecords();
    Store::TRecordIdRead record(Koji.Code(), Gozai.DataName(), Kubun.ID);
    Store::TStoredDayRead day(Koji.Code(), Gozai.DataName(), Kubun.ID, Hiduke);
    Store::THistoryTailRead tail;
    Store::TDaySealRead seal(Koji.Code(), Gozai.DataName(), Kubun.ID, Hiduke);
    Store::OpenTogether({&record, &day, &tail, &seal});
    PhoneMarks marks;
    const DayAsStored stored = day.Day(&marks);
    const bool sameDay = m_seen.known && m_seen.kojiCode == Koji.Code() &&
                         m_seen.gozaiName == Gozai.DataName() && m_seen.kubunId == Kubun.ID &&
                         m_seen.day == Hiduke;
    const bool unchanged = sameDay && stored == m_seen.stored;
    if (sameDay && !unchanged && !(overwriteTheirs && overwriteTheirs()))
        return false;
    // Another day's readings, or theirs overwritten: the day is replaced, marks and all.
    if (!unchanged)
        marks.clear();
    const std::optional<int> storedId = record.Id();
    ID = storedId ? *storedId : NewID();
    // The day's summary is found through the record, so a day stored means the record is.
    writeRecord(storedId.has_value(), stored.present);
    Store::ReplaceReadings(ID, Hiduke, readings, marks);
    History::TWriter history(Measurer(), Koji.Code(), Gozai.DataName(), Kubun.ID, Kubun.KubunName);
    history.Begin(tail);
    // A new day is one entry, as an import's day is; a registered day's changes are kept
    // reading by reading.
    if (stored.present)
        history.AddDifferences(Hiduke, stored.readings, readings);
    else
        history.Add(History::Added, Hiduke, 0, QString(),
                    History::DayText(Kosu, MaxOndo, MiniOndo, AvgOndo));
    if (Mogi != (stored.present && stored.mogi))
        history.Add(stored.present ? History::Corrected : History::Added, Hiduke, 0,
                    !stored.present ? QString()
                    : stored.mogi   ? QStringLiteral("模擬値")
                                    : QStringLiteral("実測"),
                    Mogi ? QStringLiteral("模擬値") : QStringLiteral("実測"));
    history.Seal(Hiduke, ID,
                 History::DaySeal({ID, Hiduke, Mogi, Kosu, MaxOndo, MiniOndo, AvgOndo}, readings),
                 seal.Seal());
    history.Finish();
    tx.Commit();
    // What was just written, without reading it back.
    DayAsStored written{true,     Kosu,     MaxOndo, MiniOndo, AvgOndo, Tekiyo,
                        readings, DaySimei, Tenki,   Kion,     Mogi};
    std::stable_sort(written.readings.begin(), written.readings.end(),
                     [](const Reading& a, const Reading& b) { return a.LNO < b.LNO; });
    m_seen = Seen{true, Koji.Code(), Gozai.DataName(), Kubun.ID, Hiduke, written};
    return true;
}
