#include "domain/OndoKanri.h"

#include "core/AppError.h"
#include "core/KikakuText.h"
#include "core/Settings.h"
#include "core/Utility.h"
#include "domain/History.h"
#include "domain/ListViewData.h"
#include "domain/RegisterEntry.h"
#include "storage/Engine.h"
#include "store/Lengths.h"

#include <algorithm>

DayStatistics StatisticsOf(const QList<Reading>& readings)
{
    QList<double> values;
    values.reserve(readings.size());
    for (const Reading& r : readings)
        values << r.Ondo;
    return StatisticsOf(values, TSettings::Rounding());
}

DayStatistics StatisticsOf(const QList<double>& values, RoundingRule rule)
{
    DayStatistics day;
    if (values.isEmpty())
        return day;
    day.maximum = *std::max_element(values.cbegin(), values.cend());
    day.minimum = *std::min_element(values.cbegin(), values.cend());
    day.count = int(values.size());
    day.average = RoundedMean(values, 1, rule);
    return day;
}

TOndoKanri::TOndoKanri()
{
    Clear();
}

void TOndoKanri::CreateTables()
{
    // Every table of a new file in one go: a failure leaves the file as it was.
    Transaction tx;
    TOndoKubun().CheckTable(); // with its default rows
    Store::EnsureTables();
    tx.Commit();
}

void TOndoKanri::Clear()
{
    ID = 0;
    Koji.Clear();
    Gozai.Clear();
    Simei.Clear();
    Kiji.clear();
    Kubun.Clear();
    SpecValue.clear();
    Hiduke = QDateTime::currentDateTime();
    Kosu = 0;
    MaxOndo = 0.0;
    MiniOndo = 0.0;
    AvgOndo = 0.0;
    Tekiyo.clear();
    DaySimei.clear();
    Tenki.clear();
    Kion.clear();
    Mogi = false;
}

void TOndoKanri::LoadFrom(const Store::TRecordDay& stored)
{
    const Store::TRecordRow& h = stored.record;
    const Store::TDaySummary& d = stored.summary;
    ID = h.id;
    Koji.Load(h.kojiCode);
    Gozai.Load(h.gozaiName);
    Simei.Load(h.simei);
    Kiji = h.kiji;
    Kubun.LoadByID(h.kubun);
    const TKikakuText kikaku = TKikakuText::Parse(h.kikakuti);
    SpecValue = kikaku.value;
    SpecRange = kikaku.range;
    SpecInterval = kikaku.interval;
    Hiduke = d.day;
    Kosu = d.kosu;
    MaxOndo = d.maxOndo;
    MiniOndo = d.miniOndo;
    AvgOndo = d.avgOndo;
    Tekiyo = SjisLeft(d.tekiyo, Store::LengthOf(Store::TextColumn::DayNote));
    DaySimei = d.simei;
    Tenki = d.tenki;
    Kion = d.kion;
    Mogi = d.mogi;
}

void TOndoKanri::LoadByID(int id)
{
    const std::optional<Store::TRecordDay> stored = Store::LatestDayOfRecord(id);
    if (!stored) {
        Clear();
        ID = id;
        return;
    }
    LoadFrom(*stored);
}

bool TOndoKanri::LoadByDate()
{
    const std::optional<Store::TRecordDay> stored =
        Store::RecordDay(Koji.Code(), Gozai.DataName(), Kubun.ID, Hiduke);
    if (!stored)
        return false;
    LoadFrom(*stored);
    return true;
}

int TOndoKanri::NewID()
{
    return Store::NewRecordID();
}

QString TOndoKanri::Kikakuti() const
{
    return TKikakuText{SpecValue, SpecRange, SpecInterval}.Text();
}

Store::TRecordRow TOndoKanri::RecordRow() const
{
    return {ID, Koji.Code(), Gozai.DataName(), Simei.Simei(), Kiji, Kubun.ID, Kikakuti()};
}

Store::TDaySummary TOndoKanri::DaySummary() const
{
    return {ID, Hiduke, Kosu, MaxOndo, MiniOndo, AvgOndo, Tekiyo, DaySimei, Tenki, Kion, Mogi};
}

namespace {

// The record's days (one, or all when `day` is unset) as they are before they go, noted in the
// history as deleted, inside the transaction and under the write lock.
void noteDeleted(int id, const QDateTime& day, const QString& who)
{
    Store::TDeletionRead gone(id, day);
    Store::THistoryTailRead tail;
    Store::OpenTogether({&gone, &tail});
    const std::optional<Store::TDeletionRead::THeader> header = gone.Header();
    if (!header)
        return; // no such record: nothing goes
    History::TWriter history(who, header->kojiCode, header->gozaiName, header->kubun,
                             header->kubunName);
    history.Begin(tail);
    for (const auto& [when, r] : gone.Readings())
        history.Add(History::Deleted, when, r.LNO, History::ReadingText(r), QString());
    for (const QDateTime& d : gone.Days())
        history.Seal(d, id, QString());
    history.Finish();
}

} // namespace

void TOndoKanri::DeleteRecord(const QString& who)
{
    Transaction tx;
    Store::LockRecords();
    noteDeleted(ID, QDateTime(), who);
    Store::DeleteRecordRows(ID);
    tx.Commit();
    RefreshSeenDay();
}

void TOndoKanri::DeleteDay(int id, const QDateTime& day, const QString& who)
{
    Transaction tx;
    Store::LockRecords();
    noteDeleted(id, day, who);
    Store::DeleteDayRows(id, day);
    if (DayCount(id) == 0)
        Store::DeleteRecordHeader(id);
    tx.Commit();
}

int TOndoKanri::DayCount(int id)
{
    return Store::DayCount(id);
}

bool TOndoKanri::HasDay(int id, const QDateTime& day)
{
    return Store::HasDay(id, day);
}

void TOndoKanri::GetDateList(QStringList& list) const
{
    list.clear();
    for (const QDateTime& day : Store::DaysOf(Koji.Code(), Gozai.DataName()))
        list << FormatDate(day);
}

namespace {

void fillRecordList(ListViewData& view, const QList<Store::TRecordListRow>& records)
{
    view.Reset({{QStringLiteral("工事コード"), 70},
                {QStringLiteral("工事名"), 200},
                {QStringLiteral("合材名"), 200},
                {QStringLiteral("区分"), 70}});
    for (const Store::TRecordListRow& r : records)
        view.rows << ListViewRow{r.kojiCode,
                                 {r.kojimei, r.gozaiName, r.kubunName, QString::number(r.id)}};
}

} // namespace

void TOndoKanri::ListByKoji(ListViewData& view, const QString& code)
{
    fillRecordList(view, Store::RecordsOfProject(code));
}

void TOndoKanri::ListAll(ListViewData& view)
{
    fillRecordList(view, Store::AllRecords());
}
