#include "domain/OndoKanri.h"

#include "core/AppError.h"
#include "core/RegistryUtility.h"
#include "core/SpecText.h"
#include "core/Utility.h"
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
    DayStatistics day;
    if (readings.isEmpty())
        return day;
    day.maximum = readings.first().Ondo;
    day.minimum = readings.first().Ondo;
    QList<double> values;
    values.reserve(readings.size());
    for (const Reading& r : readings) {
        values << r.Ondo;
        day.maximum = qMax(day.maximum, r.Ondo);
        day.minimum = qMin(day.minimum, r.Ondo);
    }
    day.count = readings.size();
    day.average = RoundedMean(values, 1, RoundingRuleSetting());
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

void TOndoKanri::Save()
{
    Transaction tx;
    Engine::LockForNewID(QStringLiteral("OndoKanri4"));
    {
        Query q;
        q.Add(QStringLiteral("select ID from OndoKanri4"));
        q.Add(QStringLiteral("where (KojiCode=:A) and (GozaiName=:B) and (Kubun=:C)"));
        q.BindText(A, Koji.Code());
        q.BindText(B, Gozai.DataName());
        q.BindInt(C, Kubun.ID);
        q.Open();
        const bool found = !q.Eof();
        Query w;
        if (!found) {
            ID = NewID();
            w.Add(QStringLiteral(
                "insert into OndoKanri4 (ID,KOJICODE,GOZAINAME,SOKUTEISYA,KIJI,KUBUN,KIKAKUTI)"));
            w.Add(QStringLiteral("values (:A,:B,:C,:D,:E,:F,:G)"));
        } else {
            ID = q.FieldInt(QStringLiteral("ID"));
            w.Add(QStringLiteral(
                "update OndoKanri4 set "
                "ID=:A,KOJICODE=:B,GOZAINAME=:C,SOKUTEISYA=:D,KIJI=:E,KUBUN=:F,KIKAKUTI=:G"));
            w.Add(QStringLiteral("where KOJICODE=:B and GOZAINAME=:C and KUBUN=:F"));
        }
        w.BindInt(A, ID);
        w.BindText(B, Koji.Code());
        w.BindText(C, Gozai.DataName());
        w.BindText(D, Simei.Simei());
        w.BindText(E, Kiji);
        w.BindInt(F, Kubun.ID);
        w.BindText(G, Kikakuti());
        w.ExecSQL();
    }
    {
        Query q;
        q.Add(QStringLiteral("select KanriID from OndoHead4"));
        q.Add(QStringLiteral("where KANRIID = :A and Hiduke = :B"));
        q.BindInt(A, ID);
        q.BindDateTime(B, Hiduke);
        q.Open();
        Query w;
        if (q.Eof()) {
            w.Add(QStringLiteral("insert into ONDOHEAD4 (KANRIID,HIDUKE,KOSU,MAXONDO,MINIONDO,"
                                 "AVGONDO,TEKIYO,SOKUTEISYA,TENKI,KION,MOGI)"));
            w.Add(QStringLiteral("values (:A,:B,:C,:D,:E,:F,:G,:H,:I,:J,:K)"));
        } else {
            w.Add(QStringLiteral(
                "update ONDOHEAD4 set "
                "KANRIID=:A,HIDUKE=:B,KOSU=:C,MAXONDO=:D,MINIONDO=:E,AVGONDO=:F,TEKIYO=:G,"
                "SOKUTEISYA=:H,TENKI=:I,KION=:J,MOGI=:K"));
            w.Add(QStringLiteral("where KANRIID=:A and HIDUKE=:B"));
        }
        w.BindInt(A, ID);
        w.BindDateTime(B, Hiduke);
        w.BindInt(C, Kosu);
        w.BindDouble(D, MaxOndo);
        w.BindDouble(E, MiniOndo);
        w.BindDouble(F, AvgOndo);
        w.BindText(G, Tekiyo);
        w.BindText(QStringLiteral("H"), DaySimei);
        w.BindText(QStringLiteral("I"), Tenki);
        w.BindText(QStringLiteral("J"), Kion);
        w.BindInt(QStringLiteral("K"), Mogi ? 1 : 0);
        w.ExecSQL();
    }
    tx.Commit();
}

void TOndoKanri::DeleteRecord()
{
    Transaction tx;
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

void TOndoKanri::DeleteDay(int id, const QDateTime& day)
{
    Transaction tx;
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

int TOndoKanri::FindHeader(const QString& kojiCode, const QString& gozaiName, int kubunId)
{
    Query q(QStringLiteral(
        "select ID from OndoKanri4 where KojiCode=:A and GozaiName=:B and Kubun=:C"));
    q.BindText(A, kojiCode);
    q.BindText(B, gozaiName);
    q.BindInt(C, kubunId);
    q.Open();
    return q.Eof() ? 0 : q.FieldInt(QStringLiteral("ID"));
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

QList<Reading> TOndoKanri::ReadDay(const QString& kojiCode, int kubunId, const QDateTime& day,
                                   const QString& gozaiName)
{
    Query q;
    q.Add(QStringLiteral(
        "select OndoLine4.Hiduke as DT, GozaiName, LNO,Sokuten, Ondo, Jikoku, Syaryo, Biko "
        "from OndoLine4"));
    q.Add(QStringLiteral("inner join OndoKanri4 on OndoKanri4.ID = OndoLine4.KanriID"));
    q.Add(QStringLiteral("where (KojiCode=:A) and (Kubun = :B) and (OndoLine4.Hiduke = :C) and "
                         "(OndoKanri4.GozaiName=:D)"));
    q.Add(QStringLiteral("order by GozaiName, DT, LNO"));
    q.BindText(A, kojiCode);
    q.BindInt(B, kubunId);
    q.BindDateTime(C, day);
    q.BindText(D, gozaiName);
    q.Open();
    QList<Reading> readings;
    for (; !q.Eof(); q.Next())
        readings << Reading{
            q.FieldInt(QStringLiteral("LNO")),     q.FieldText(QStringLiteral("Sokuten")),
            q.FieldDouble(QStringLiteral("Ondo")), q.FieldText(QStringLiteral("Jikoku")),
            q.FieldText(QStringLiteral("Syaryo")), q.FieldText(QStringLiteral("Biko"))};
    return readings;
}

void TOndoKanri::ReplaceDay(int id, const QDateTime& day, const QList<Reading>& readings)
{
    Transaction tx;
    // A reading sent from the site page keeps the phone's id through a register, so that the
    // phone's resend of it is still known as stored.
    QHash<int, QString> phoneIds;
    {
        Query q(QStringLiteral("select LNO, Uketuke from OndoLine4 where KanriID=:A and "
                               "Hiduke=:B and Uketuke is not null"));
        q.BindInt(A, id);
        q.BindDateTime(B, day);
        q.Open();
        for (; !q.Eof(); q.Next())
            phoneIds.insert(q.FieldInt(QStringLiteral("LNO")),
                            q.FieldText(QStringLiteral("Uketuke")));
    }
    Query del(QStringLiteral("delete from OndoLine4 where KANRIID=:A and Hiduke= :B"));
    del.BindInt(A, id);
    del.BindDateTime(B, day);
    del.ExecSQL();
    Engine::TableRows rows{
        {QStringLiteral("KANRIID"), QStringLiteral("HIDUKE"), QStringLiteral("LNO"),
         QStringLiteral("SOKUTEN"), QStringLiteral("ONDO"), QStringLiteral("JIKOKU"),
         QStringLiteral("SYARYO"), QStringLiteral("BIKO"), QStringLiteral("UKETUKE")},
        {}};
    rows.rows.reserve(readings.size());
    const QVariant stamp = Engine::DateTimeParameter(day);
    for (const Reading& r : readings) {
        const auto phoneId = phoneIds.constFind(r.LNO);
        rows.rows.append({id, stamp, r.LNO, r.Sokuten, r.Ondo, r.Jikoku, r.Syaryo, r.Biko,
                          phoneId == phoneIds.constEnd() ? QVariant() : QVariant(*phoneId)});
    }
    Engine::InsertRows(QStringLiteral("ONDOLINE4"), rows);
    tx.Commit();
}

bool DayAsStored::operator==(const DayAsStored& o) const
{
    return present == o.present && kosu == o.kosu && max == o.max && min == o.min && avg == o.avg &&
           tekiyo == o.tekiyo && readings == o.readings && simei == o.simei && tenki == o.tenki &&
           kion == o.kion && mogi == o.mogi;
}

DayAsStored TOndoKanri::ReadStoredDay(const QString& kojiCode, const QString& gozaiName,
                                      int kubunId, const QDateTime& day)
{
    DayAsStored d;
    Query q;
    q.Add(QStringLiteral("select Kosu, MaxOndo, MiniOndo, AvgOndo, Tekiyo, OndoHead4.Sokuteisya "
                         "as DaySokuteisya, Tenki, Kion, Mogi from OndoHead4"));
    q.Add(QStringLiteral("inner join OndoKanri4 on OndoKanri4.ID = OndoHead4.KanriID"));
    q.Add(
        QStringLiteral("where KojiCode=:A and GozaiName=:B and Kubun=:C and OndoHead4.Hiduke=:D"));
    q.BindText(A, kojiCode);
    q.BindText(B, gozaiName);
    q.BindInt(C, kubunId);
    q.BindDateTime(D, day);
    q.Open();
    if (!q.Eof()) {
        d.present = true;
        d.kosu = q.FieldInt(QStringLiteral("Kosu"));
        d.max = q.FieldDouble(QStringLiteral("MaxOndo"));
        d.min = q.FieldDouble(QStringLiteral("MiniOndo"));
        d.avg = q.FieldDouble(QStringLiteral("AvgOndo"));
        d.tekiyo = q.FieldText(QStringLiteral("Tekiyo"));
        d.simei = q.FieldText(QStringLiteral("DaySokuteisya"));
        d.tenki = q.FieldText(QStringLiteral("Tenki"));
        d.kion = q.FieldText(QStringLiteral("Kion"));
        d.mogi = q.FieldInt(QStringLiteral("Mogi")) != 0;
    }
    d.readings = ReadDay(kojiCode, kubunId, day, gozaiName);
    return d;
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

bool TOndoKanri::Register(const QList<Reading>& readings,
                          const std::function<bool()>& overwriteTheirs)
{
    Transaction tx;
    // Writers take turns from here, so what is compared below is what we would overwrite.
    Engine::LockForNewID(QStringLiteral("OndoKanri4"));
    const bool sameDay = m_seen.known && m_seen.kojiCode == Koji.Code() &&
                         m_seen.gozaiName == Gozai.DataName() && m_seen.kubunId == Kubun.ID &&
                         m_seen.day == Hiduke;
    if (sameDay &&
        !(ReadStoredDay(Koji.Code(), Gozai.DataName(), Kubun.ID, Hiduke) == m_seen.stored) &&
        !(overwriteTheirs && overwriteTheirs()))
        return false;
    Save();
    ReplaceDay(ID, Hiduke, readings);
    tx.Commit();
    // What was just written, without reading it back.
    DayAsStored written{true,     Kosu,     MaxOndo, MiniOndo, AvgOndo, Tekiyo,
                        readings, DaySimei, Tenki,   Kion,     Mogi};
    std::stable_sort(written.readings.begin(), written.readings.end(),
                     [](const Reading& a, const Reading& b) { return a.LNO < b.LNO; });
    m_seen = Seen{true, Koji.Code(), Gozai.DataName(), Kubun.ID, Hiduke, written};
    return true;
}
