#include "domain/OndoKanri.h"

#include "core/AppError.h"
#include "core/Settings.h"
#include "core/SpecText.h"
#include "core/Utility.h"
#include "domain/History.h"
#include "domain/ListViewData.h"
#include "domain/RegisterEntry.h"
#include "storage/Engine.h"
#include "storage/Query.h"
#include "storage/Schema.h"

#include <QHash>
#include <algorithm>
#include <limits>

namespace {
const QString A = QStringLiteral("A");
const QString B = QStringLiteral("B");
const QString C = QStringLiteral("C");
const QString D = QStringLiteral("D");
const QString E = QStringLiteral("E");
const QString F = QStringLiteral("F");
const QString G = QStringLiteral("G");
} // namespace

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
    for (const Schema::Table& table : Schema::Tables())
        Schema::Ensure(table);
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

void TOndoKanri::LoadFromQuery(const Query& q)
{
    ID = q.FieldInt(QStringLiteral("ID"));
    Koji.Load(q.FieldText(QStringLiteral("KojiCode")));
    Gozai.Load(q.FieldText(QStringLiteral("GozaiName")));
    Simei.Load(q.FieldText(QStringLiteral("Sokuteisya")));
    Kiji = q.FieldText(QStringLiteral("Kiji"));
    Kubun.LoadByID(q.FieldInt(QStringLiteral("Kubun")));
    const TSpecText spec = TSpecText::Parse(q.FieldText(QStringLiteral("Kikakuti")));
    SpecValue = spec.value;
    SpecRange = spec.range;
    SpecInterval = spec.interval;
    Hiduke = q.FieldDateTime(QStringLiteral("Hiduke"));
    Kosu = q.FieldInt(QStringLiteral("Kosu"));
    MaxOndo = q.FieldDouble(QStringLiteral("MaxOndo"));
    MiniOndo = q.FieldDouble(QStringLiteral("MiniOndo"));
    AvgOndo = q.FieldDouble(QStringLiteral("AvgOndo"));
    Tekiyo = SjisLeft(q.FieldText(QStringLiteral("Tekiyo")), 32);
    DaySimei = q.FieldText(QStringLiteral("DaySokuteisya"));
    Tenki = q.FieldText(QStringLiteral("Tenki"));
    Kion = q.FieldText(QStringLiteral("Kion"));
    Mogi = q.FieldInt(QStringLiteral("Mogi")) != 0;
}

void TOndoKanri::LoadByID(int id)
{
    Query q;
    q.Add(
        QStringLiteral("select OndoKanri4.*, OndoHead4.*, OndoHead4.Sokuteisya as DaySokuteisya"));
    q.Add(QStringLiteral("from OndoKanri4"));
    q.Add(QStringLiteral("inner join OndoHead4 on OndoHead4.KanriID = OndoKanri4.ID"));
    q.Add(QStringLiteral("where ID = :ID"));
    // The latest day: where work on a record goes on.
    q.Add(QStringLiteral("order by OndoHead4.Hiduke desc"));
    q.BindInt(QStringLiteral("ID"), id);
    q.Open();
    if (q.Eof()) {
        Clear();
        ID = id;
        return;
    }
    LoadFromQuery(q);
}

bool TOndoKanri::LoadByDate()
{
    Query q;
    q.Add(
        QStringLiteral("select OndoKanri4.*, OndoHead4.*, OndoHead4.Sokuteisya as DaySokuteisya"));
    q.Add(QStringLiteral("from OndoKanri4"));
    q.Add(QStringLiteral("inner join OndoHead4 on OndoHead4.KanriID = OndoKanri4.ID"));
    q.Add(QStringLiteral("where KojiCode=:A and GozaiName=:B and Kubun=:C and Hiduke=:D"));
    q.BindText(A, Koji.Code());
    q.BindText(B, Gozai.DataName());
    q.BindInt(C, Kubun.ID);
    q.BindDateTime(D, Hiduke);
    q.Open();
    if (q.Eof())
        return false;
    LoadFromQuery(q);
    return true;
}

int TOndoKanri::NewID()
{
    Query q(QStringLiteral("select Max(ID) as MaxID from OndoKanri4"));
    q.Open();
    const int largest = q.FieldInt(QStringLiteral("MaxID"));
    if (largest < std::numeric_limits<int>::max())
        return qMax(largest, 0) + 1;
    // The largest number there is is taken (an imported record may hold it): the first gap.
    // In 64 bits: the server need not test ID < 2147483647 before it adds one to the largest.
    Query gap(QStringLiteral("select min(ID) + 1 as Free from OndoKanri4 where ID >= 0 and "
                             "ID < 2147483647 and cast(ID as bigint) + 1 not in "
                             "(select ID from OndoKanri4)"));
    gap.Open();
    Query one(QStringLiteral("select count(*) as N from OndoKanri4 where ID = 1"));
    one.Open();
    const int free =
        one.FieldInt(QStringLiteral("N")) == 0 ? 1 : gap.FieldInt(QStringLiteral("Free"));
    if (free <= 0)
        throw AppError(QStringLiteral("記録の番号に空きがありません"));
    return free;
}

QString TOndoKanri::Kikakuti() const
{
    return TSpecText{SpecValue, SpecRange, SpecInterval}.Text();
}

namespace {

// The record's days (one, or all when `day` is unset) as they are before they go, noted in the
// history as deleted, inside the transaction and under the write lock.
void noteDeleted(int id, const QDateTime& day, const QString& who)
{
    Query header(QStringLiteral("select KojiCode, GozaiName, Kubun, (select KubunName from "
                                "OndoKubun where OndoKubun.ID = OndoKanri4.Kubun) as KubunName "
                                "from OndoKanri4 where ID = :A"));
    header.BindInt(A, id);
    Query lines(QStringLiteral("select Hiduke, LNO, Sokuten, Ondo, Jikoku, Syaryo, Biko from "
                               "OndoLine4 where KanriID = :A"));
    lines.BindInt(A, id);
    Query days(QStringLiteral("select Hiduke from OndoHead4 where KanriID = :A"));
    days.BindInt(A, id);
    if (day.isValid()) {
        lines.Add(QStringLiteral("and Hiduke = :B"));
        lines.BindDateTime(B, day);
        days.Add(QStringLiteral("and Hiduke = :B"));
        days.BindDateTime(B, day);
    }
    lines.Add(QStringLiteral("order by Hiduke, LNO"));
    Query tail;
    History::TWriter::PrepareTail(tail);
    Query::OpenAll({&header, &lines, &days, &tail});
    if (header.Eof())
        return; // no such record: nothing goes
    History::TWriter history(who, header.FieldText(QStringLiteral("KojiCode")),
                             header.FieldText(QStringLiteral("GozaiName")),
                             header.FieldInt(QStringLiteral("Kubun")),
                             header.FieldText(QStringLiteral("KubunName")));
    history.Begin(tail);
    for (; !lines.Eof(); lines.Next()) {
        const Reading r{
            lines.FieldInt(QStringLiteral("LNO")),     lines.FieldText(QStringLiteral("Sokuten")),
            lines.FieldDouble(QStringLiteral("Ondo")), lines.FieldText(QStringLiteral("Jikoku")),
            lines.FieldText(QStringLiteral("Syaryo")), lines.FieldText(QStringLiteral("Biko"))};
        history.Add(History::Deleted, lines.FieldDateTime(QStringLiteral("Hiduke")), r.LNO,
                    History::ReadingText(r), QString());
    }
    for (; !days.Eof(); days.Next())
        history.Seal(days.FieldDateTime(QStringLiteral("Hiduke")), id, QString());
    history.Finish();
}

} // namespace

void TOndoKanri::DeleteRecord(const QString& who)
{
    Transaction tx;
    Engine::LockForNewID(QStringLiteral("OndoKanri4"));
    noteDeleted(ID, QDateTime(), who);
    const char* statements[][2] = {{"delete from OndoLine4", "where KanriID=:A"},
                                   {"delete from OndoHead4", "where KanriID = :A"},
                                   {"delete from OndoKanri4", "where ID = :A"}};
    for (const auto& s : statements) {
        Query q;
        q.Add(QString::fromLatin1(s[0]));
        q.Add(QString::fromLatin1(s[1]));
        q.BindInt(A, ID);
        q.ExecSQL();
    }
    tx.Commit();
    RefreshSeenDay();
}

void TOndoKanri::DeleteDay(int id, const QDateTime& day, const QString& who)
{
    Transaction tx;
    Engine::LockForNewID(QStringLiteral("OndoKanri4"));
    noteDeleted(id, day, who);
    for (const char* table : {"OndoLine4", "OndoHead4"}) {
        Query q(QStringLiteral("delete from %1 where KanriID = :A and Hiduke = :B")
                    .arg(QLatin1String(table)));
        q.BindInt(A, id);
        q.BindDateTime(B, day);
        q.ExecSQL();
    }
    if (DayCount(id) == 0) {
        Query q(QStringLiteral("delete from OndoKanri4 where ID = :A"));
        q.BindInt(A, id);
        q.ExecSQL();
    }
    tx.Commit();
}

int TOndoKanri::DayCount(int id)
{
    Query q(QStringLiteral("select count(*) as N from OndoHead4 where KanriID = :A"));
    q.BindInt(A, id);
    q.Open();
    return q.FieldInt(QStringLiteral("N"));
}

bool TOndoKanri::HasDay(int id, const QDateTime& day)
{
    Query q(QStringLiteral("select KanriID from OndoHead4 where KanriID = :A and Hiduke = :B"));
    q.BindInt(A, id);
    q.BindDateTime(B, day);
    q.Open();
    return !q.Eof();
}

void TOndoKanri::GetDateList(QStringList& list) const
{
    list.clear();
    Query q;
    q.Add(QStringLiteral("select distinct Hiduke from OndoKanri4"));
    q.Add(QStringLiteral("inner join OndoHead4 on OndoHead4.KanriID = OndoKanri4.ID"));
    q.Add(QStringLiteral("where (KojiCode = :A) and (GozaiName = :B)"));
    q.Add(QStringLiteral("order by Hiduke"));
    q.BindText(A, Koji.Code());
    q.BindText(B, Gozai.DataName());
    q.Open();
    for (; !q.Eof(); q.Next())
        list << FormatDate(q.FieldDateTime(QStringLiteral("Hiduke")));
}

namespace {

void fillRecordList(ListViewData& view, Query& q)
{
    view.Reset({{QStringLiteral("工事コード"), 70},
                {QStringLiteral("工事名"), 200},
                {QStringLiteral("合材名"), 200},
                {QStringLiteral("区分"), 70}});
    q.Open();
    for (; !q.Eof(); q.Next()) {
        view.rows << ListViewRow{q.FieldText(QStringLiteral("KojiCode")),
                                 {q.FieldText(QStringLiteral("Kojimei")),
                                  q.FieldText(QStringLiteral("GozaiName")),
                                  q.FieldText(QStringLiteral("KubunName")),
                                  QString::number(q.FieldInt(QStringLiteral("ID")))}};
    }
}

} // namespace

void TOndoKanri::ListByKoji(ListViewData& view, const QString& code)
{
    // The header's ID is qualified: SQLite refuses a column two joined tables share.
    Query q;
    q.Add(QStringLiteral("select KojiCode, Kojimei, GozaiName,KubunName,OndoKanri4.ID,OndoKubun.ID "
                         "as KID from OndoKanri4"));
    q.Add(QStringLiteral("inner join Koji1 on Koji1.Code = OndoKanri4.KojiCode"));
    q.Add(QStringLiteral("inner join OndoKubun on OndoKubun.ID = OndoKanri4.Kubun"));
    q.Add(QStringLiteral("where KojiCode = :A"));
    q.Add(QStringLiteral("order by GozaiName, KID"));
    q.BindText(A, code);
    fillRecordList(view, q);
}

void TOndoKanri::ListAll(ListViewData& view)
{
    Query q;
    q.Add(QStringLiteral("select distinct OndoKanri4.id,KojiCode, Kojimei, "
                         "GozaiName,kubun,KubunName from OndoKanri4"));
    q.Add(QStringLiteral("inner join Koji1 on Koji1.Code = OndoKanri4.KojiCode"));
    q.Add(QStringLiteral("left join OndoKubun on OndoKubun.ID = OndoKanri4.Kubun"));
    q.Add(QStringLiteral("order by KojiCode desc, GozaiName"));
    fillRecordList(view, q);
}
