#include "store/Days.h"

#include "storage/Engine.h"
#include "storage/Query.h"
#include "store/Rows.h"

namespace Store {

namespace {

// The filters, the same for the days and their readings.
void addFilters(Query& q, const TDayFilter& filter, const QString& dayColumn)
{
    q.Add(QStringLiteral("where 1 = 1"));
    if (!filter.kojiCode.isEmpty()) {
        q.Add(QStringLiteral("and OndoKanri4.KojiCode = :A"));
        q.BindText(QStringLiteral("A"), filter.kojiCode);
    }
    if (!filter.gozaiName.isEmpty()) {
        q.Add(QStringLiteral("and OndoKanri4.GozaiName = :B"));
        q.BindText(QStringLiteral("B"), filter.gozaiName);
    }
    if (filter.byKubun) {
        q.Add(QStringLiteral("and OndoKanri4.Kubun = :C"));
        q.BindInt(QStringLiteral("C"), filter.kubunId);
    }
    if (filter.from.isValid()) {
        q.Add(QStringLiteral("and %1 >= :D").arg(dayColumn));
        q.BindDateTime(QStringLiteral("D"), QDateTime(filter.from, QTime(0, 0)));
    }
    if (filter.to.isValid()) {
        q.Add(QStringLiteral("and %1 <= :E").arg(dayColumn));
        q.BindDateTime(QStringLiteral("E"), QDateTime(filter.to, QTime(0, 0)));
    }
}

// The rows of the project and mix on the days first .. last; table names the day column.
void filterPeriod(Query& q, const QString& table, const QString& kojiCode, const QString& gozaiName,
                  const QDateTime& first, const QDateTime& last)
{
    q.Add(QStringLiteral("where KojiCode = :A and GozaiName = :B and %1.Hiduke >= :C and "
                         "%1.Hiduke <= :D")
              .arg(table));
    q.BindText(QStringLiteral("A"), kojiCode);
    q.BindText(QStringLiteral("B"), gozaiName);
    q.BindDateTime(QStringLiteral("C"), first);
    q.BindDateTime(QStringLiteral("D"), last);
}

} // namespace

void EachFoundDay(const TDayFilter& filter, const std::function<bool(const TFoundDay&)>& day)
{
    Query q;
    q.Add(QStringLiteral("select OndoKanri4.ID as KID, OndoKanri4.KojiCode as Code, Kojimei, "
                         "GozaiName, KubunName, Kikakuti,"));
    q.Add(QStringLiteral("OndoHead4.Sokuteisya as DaySokuteisya, OndoKanri4.Sokuteisya as "
                         "RecordSokuteisya,"));
    q.Add(QStringLiteral("OndoHead4.Hiduke as DT, Kosu, MaxOndo, MiniOndo, AvgOndo, Tenki, Mogi"));
    q.Add(QStringLiteral("from OndoHead4"));
    q.Add(QStringLiteral("inner join OndoKanri4 on OndoKanri4.ID = OndoHead4.KanriID"));
    q.Add(QStringLiteral("left join Koji1 on Koji1.Code = OndoKanri4.KojiCode"));
    q.Add(QStringLiteral("left join OndoKubun on OndoKubun.ID = OndoKanri4.Kubun"));
    addFilters(q, filter, QStringLiteral("OndoHead4.Hiduke"));
    q.Add(QStringLiteral("order by DT desc, Code, GozaiName, KID"));
    q.Open();
    for (; !q.Eof(); q.Next()) {
        TFoundDay r;
        r.kanriId = q.FieldInt(QStringLiteral("KID"));
        r.kojiCode = q.FieldText(QStringLiteral("Code"));
        r.kojimei = q.FieldText(QStringLiteral("Kojimei"));
        r.gozaiName = q.FieldText(QStringLiteral("GozaiName"));
        r.kubunName = q.FieldText(QStringLiteral("KubunName"));
        r.kikakuti = q.FieldText(QStringLiteral("Kikakuti"));
        r.day = q.FieldDateTime(QStringLiteral("DT"));
        r.kosu = q.FieldInt(QStringLiteral("Kosu"));
        r.maxOndo = q.FieldDouble(QStringLiteral("MaxOndo"));
        r.miniOndo = q.FieldDouble(QStringLiteral("MiniOndo"));
        r.avgOndo = q.FieldDouble(QStringLiteral("AvgOndo"));
        r.measurer = MeasurerOf(q.FieldText(QStringLiteral("DaySokuteisya")),
                                q.FieldText(QStringLiteral("RecordSokuteisya")));
        r.tenki = q.FieldText(QStringLiteral("Tenki"));
        r.mogi = q.FieldInt(QStringLiteral("Mogi")) != 0;
        if (!day(r))
            return;
    }
}

void EachTemperature(const TDayFilter& filter,
                     const std::function<void(int kanriId, const QDateTime& day, double ondo)>& t)
{
    Query q;
    q.Add(QStringLiteral("select OndoLine4.KanriID as KID, OndoLine4.Hiduke as DT, Ondo"));
    q.Add(QStringLiteral("from OndoLine4"));
    q.Add(QStringLiteral("inner join OndoKanri4 on OndoKanri4.ID = OndoLine4.KanriID"));
    addFilters(q, filter, QStringLiteral("OndoLine4.Hiduke"));
    q.OpenForward();
    for (; !q.Eof(); q.Next())
        t(q.FieldInt(QStringLiteral("KID")), q.FieldDateTime(QStringLiteral("DT")),
          q.FieldDouble(QStringLiteral("Ondo")));
}

QList<TJourneyRecord> JourneyRecords(const QString& kojiCode, const QString& gozaiName)
{
    Query q;
    q.Add(QStringLiteral("select OndoKanri4.ID as KID, OndoKubun.ID as KUB, ODR, KubunName, "
                         "Kikakuti, DaisuTaio"));
    q.Add(QStringLiteral("from OndoKanri4 inner join OndoKubun on OndoKubun.ID = "
                         "OndoKanri4.Kubun"));
    q.Add(QStringLiteral("where KojiCode = :A and GozaiName = :B order by ODR, OndoKubun.ID"));
    q.BindText(QStringLiteral("A"), kojiCode);
    q.BindText(QStringLiteral("B"), gozaiName);
    q.Open();
    QList<TJourneyRecord> records;
    for (; !q.Eof(); q.Next())
        records << TJourneyRecord{
            q.FieldInt(QStringLiteral("KID")), q.FieldInt(QStringLiteral("KUB")),
            q.FieldText(QStringLiteral("KubunName")), q.FieldText(QStringLiteral("Kikakuti")),
            q.FieldInt(QStringLiteral("DaisuTaio")) != 0};
    return records;
}

void EachJourneyReading(const QString& kojiCode, const QString& gozaiName, const QDateTime& first,
                        const QDateTime& last, const std::function<void(const TJourneyRow&)>& row)
{
    Query q;
    q.Add(QStringLiteral("select OndoLine4.KanriID as KID, OndoLine4.Hiduke as DT, Sokuten, "
                         "Ondo, Jikoku, Syaryo"));
    q.Add(QStringLiteral("from OndoLine4 inner join OndoKanri4 on OndoKanri4.ID = "
                         "OndoLine4.KanriID"));
    filterPeriod(q, QStringLiteral("OndoLine4"), kojiCode, gozaiName, first, last);
    q.Add(QStringLiteral("order by DT, KID, LNO"));
    q.OpenForward();
    for (; !q.Eof(); q.Next())
        row({q.FieldInt(QStringLiteral("KID")), q.FieldDateTime(QStringLiteral("DT")),
             q.FieldText(QStringLiteral("Sokuten")), q.FieldText(QStringLiteral("Jikoku")),
             q.FieldText(QStringLiteral("Syaryo")), q.FieldDouble(QStringLiteral("Ondo"))});
}

void EachAirTemperature(const QString& kojiCode, const QString& gozaiName, const QDateTime& first,
                        const QDateTime& last,
                        const std::function<void(const QDateTime& day, const QString& kion)>& row)
{
    Query q;
    q.Add(QStringLiteral("select OndoHead4.Hiduke as DT, Kion from OndoHead4 inner join "
                         "OndoKanri4 on OndoKanri4.ID = OndoHead4.KanriID"));
    filterPeriod(q, QStringLiteral("OndoHead4"), kojiCode, gozaiName, first, last);
    q.OpenForward();
    for (; !q.Eof(); q.Next())
        row(q.FieldDateTime(QStringLiteral("DT")), q.FieldText(QStringLiteral("Kion")));
}

TCategoriesOfDayRead::TCategoriesOfDayRead(const QString& kojiCode, const QString& gozaiName,
                                           const QDateTime& day)
    : m_q(std::make_unique<Query>(
          QStringLiteral("select Kubun from OndoKanri4 inner join OndoHead4 on "
                         "OndoHead4.KanriID = OndoKanri4.ID where KojiCode = :A and "
                         "GozaiName = :B and OndoHead4.Hiduke = :D")))
{
    m_q->BindText(QStringLiteral("A"), kojiCode);
    m_q->BindText(QStringLiteral("B"), gozaiName);
    m_q->BindDateTime(QStringLiteral("D"), day);
}

TCategoriesOfDayRead::~TCategoriesOfDayRead() = default;

std::vector<Query*> TCategoriesOfDayRead::queries()
{
    return {m_q.get()};
}

QSet<int> TCategoriesOfDayRead::Ids() const
{
    QSet<int> ids;
    for (; !m_q->Eof(); m_q->Next())
        ids.insert(m_q->FieldInt(QStringLiteral("Kubun")));
    return ids;
}

TPackageDays PackageDays(const QString& kojiCode, const QDate& from, const QDate& to)
{
    const auto inPeriod = [&](Query& q) {
        q.Add(QStringLiteral("where KojiCode = :A and Kosu > 0"));
        q.BindText(QStringLiteral("A"), kojiCode);
        if (from.isValid()) {
            q.Add(QStringLiteral("and OndoHead4.Hiduke >= :F"));
            q.BindDateTime(QStringLiteral("F"), QDateTime(from, QTime(0, 0)));
        }
        if (to.isValid()) {
            q.Add(QStringLiteral("and OndoHead4.Hiduke <= :T"));
            q.BindDateTime(QStringLiteral("T"), QDateTime(to, QTime(0, 0)));
        }
    };
    TCategoriesRead categories;
    Query measured, simulated;
    measured.Add(QStringLiteral("select distinct GozaiName, Kubun from OndoKanri4"));
    measured.Add(QStringLiteral("inner join OndoHead4 on OndoHead4.KanriID = OndoKanri4.ID"));
    inPeriod(measured);
    measured.Add(QStringLiteral("and coalesce(OndoHead4.Mogi, 0) = 0 order by GozaiName"));
    simulated.Add(
        QStringLiteral("select GozaiName, Kubun, OndoHead4.Hiduke as Hiduke from OndoKanri4"));
    simulated.Add(QStringLiteral("inner join OndoHead4 on OndoHead4.KanriID = OndoKanri4.ID"));
    inPeriod(simulated);
    simulated.Add(QStringLiteral("and OndoHead4.Mogi = 1 order by Hiduke, GozaiName"));
    Query names(QStringLiteral("select DataName, PrintName from GozaiDef"));
    OpenTogether({&categories}, {&measured, &simulated, &names});

    TPackageDays out;
    out.categories = categories.Rows();
    for (; !measured.Eof(); measured.Next())
        out.measured.append({measured.FieldText(QStringLiteral("GozaiName")),
                             measured.FieldInt(QStringLiteral("Kubun"))});
    for (; !simulated.Eof(); simulated.Next())
        out.simulated.append({simulated.FieldText(QStringLiteral("GozaiName")),
                              simulated.FieldInt(QStringLiteral("Kubun")),
                              simulated.FieldDateTime(QStringLiteral("Hiduke")).date()});
    for (; !names.Eof(); names.Next())
        out.printNames.insert(names.FieldText(QStringLiteral("DataName")),
                              names.FieldText(QStringLiteral("PrintName")));
    return out;
}

QList<QDate> ProfileDays(const QString& kojiCode, const QString& gozaiName)
{
    QList<QDate> days;
    if (!Engine::TableExists(QStringLiteral("OndoBunpu")))
        return days;
    Query q(QStringLiteral("select Hiduke from OndoBunpu where KojiCode = :A and GozaiName = :B "
                           "order by Hiduke"));
    q.BindText(QStringLiteral("A"), kojiCode);
    q.BindText(QStringLiteral("B"), gozaiName);
    q.Open();
    for (; !q.Eof(); q.Next())
        days << q.FieldDateTime(QStringLiteral("Hiduke")).date();
    return days;
}

} // namespace Store
