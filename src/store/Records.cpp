// A record's day as stored: read, and replaced. The reads a write depends on are asked together
// and the writes travel with the commit, so that a register costs the same few round trips to a
// distant server whatever the day holds.
#include "store/Records.h"

#include "core/AppError.h"
#include "storage/Engine.h"
#include "storage/Query.h"
#include "store/RecordColumns.h"

#include <limits>

namespace Store {

namespace {

QString condition(const TCategoryKey& kubun, const QString& parameter)
{
    return kubun.byName
               ? QStringLiteral("(select ID from OndoKubun where KubunName = :%1)").arg(parameter)
               : QLatin1Char(':') + parameter;
}

void bind(Query& q, const TCategoryKey& kubun, const QString& parameter)
{
    if (kubun.byName)
        q.BindText(parameter, kubun.name);
    else
        q.BindInt(parameter, kubun.id);
}

void recordQuery(Query& q, const QString& kojiCode, const QString& gozaiName,
                 const TCategoryKey& kubun)
{
    q.Add(QStringLiteral("select ID from OndoKanri4"));
    q.Add(QStringLiteral("where (KojiCode=:A) and (GozaiName=:B) and (Kubun=%1)")
              .arg(condition(kubun, C)));
    q.BindText(A, kojiCode);
    q.BindText(B, gozaiName);
    bind(q, kubun, C);
}

void headQuery(Query& q, const QString& kojiCode, const QString& gozaiName,
               const TCategoryKey& kubun, const QDateTime& day)
{
    q.Add(QStringLiteral("select Kosu, MaxOndo, MiniOndo, AvgOndo, Tekiyo, OndoHead4.Sokuteisya "
                         "as DaySokuteisya, Tenki, Kion, Mogi from OndoHead4"));
    q.Add(QStringLiteral("inner join OndoKanri4 on OndoKanri4.ID = OndoHead4.KanriID"));
    q.Add(QStringLiteral("where KojiCode=:A and GozaiName=:B and Kubun=%1 and OndoHead4.Hiduke=:D")
              .arg(condition(kubun, C)));
    q.BindText(A, kojiCode);
    q.BindText(B, gozaiName);
    bind(q, kubun, C);
    q.BindDateTime(D, day);
}

void linesQuery(Query& q, const QString& kojiCode, const QString& gozaiName,
                const TCategoryKey& kubun, const QDateTime& day)
{
    q.Add(QStringLiteral("select OndoLine4.Hiduke as DT, GozaiName, LNO,Sokuten, Ondo, Jikoku, "
                         "Syaryo, Biko, Uketuke, Tanmatu from OndoLine4"));
    q.Add(QStringLiteral("inner join OndoKanri4 on OndoKanri4.ID = OndoLine4.KanriID"));
    q.Add(QStringLiteral("where (KojiCode=:A) and (Kubun = %1) and (OndoLine4.Hiduke = :C) and "
                         "(OndoKanri4.GozaiName=:D)")
              .arg(condition(kubun, B)));
    q.Add(QStringLiteral("order by GozaiName, DT, LNO"));
    q.BindText(A, kojiCode);
    bind(q, kubun, B);
    q.BindDateTime(C, day);
    q.BindText(D, gozaiName);
}

// The readings of an opened linesQuery, and the phone's marks of each one sent from the site page.
QList<Reading> readingsOf(Query& q, PhoneMarks* marks = nullptr)
{
    QList<Reading> readings;
    for (; !q.Eof(); q.Next()) {
        readings << ReadingOf(q);
        const QString phoneId = q.FieldText(QStringLiteral("Uketuke"));
        if (marks && !phoneId.isEmpty())
            marks->insert(readings.last().LNO, {phoneId, q.FieldText(QStringLiteral("Tanmatu"))});
    }
    return readings;
}

// The header joined with a day's summary, the day's measurer apart from the record's.
void recordDayQuery(Query& q)
{
    q.Add(
        QStringLiteral("select OndoKanri4.*, OndoHead4.*, OndoHead4.Sokuteisya as DaySokuteisya"));
    q.Add(QStringLiteral("from OndoKanri4"));
    q.Add(QStringLiteral("inner join OndoHead4 on OndoHead4.KanriID = OndoKanri4.ID"));
}

TRecordDay recordDayOf(const Query& q)
{
    TRecordDay r;
    r.record = RecordRowOf(q);
    r.summary.kanriId = r.record.id;
    r.summary.day = q.FieldDateTime(QStringLiteral("Hiduke"));
    r.summary.kosu = q.FieldInt(QStringLiteral("Kosu"));
    r.summary.maxOndo = q.FieldDouble(QStringLiteral("MaxOndo"));
    r.summary.miniOndo = q.FieldDouble(QStringLiteral("MiniOndo"));
    r.summary.avgOndo = q.FieldDouble(QStringLiteral("AvgOndo"));
    r.summary.tekiyo = q.FieldText(QStringLiteral("Tekiyo"));
    r.summary.simei = q.FieldText(QStringLiteral("DaySokuteisya"));
    r.summary.tenki = q.FieldText(QStringLiteral("Tenki"));
    r.summary.kion = q.FieldText(QStringLiteral("Kion"));
    r.summary.mogi = q.FieldInt(QStringLiteral("Mogi")) != 0;
    return r;
}

} // namespace

Reading ReadingOf(const Query& q)
{
    return {q.FieldInt(QStringLiteral("LNO")),     q.FieldText(QStringLiteral("Sokuten")),
            q.FieldDouble(QStringLiteral("Ondo")), q.FieldText(QStringLiteral("Jikoku")),
            q.FieldText(QStringLiteral("Syaryo")), q.FieldText(QStringLiteral("Biko"))};
}

TRecordRow RecordRowOf(const Query& q)
{
    return {q.FieldInt(QStringLiteral("ID")),         q.FieldText(QStringLiteral("KojiCode")),
            q.FieldText(QStringLiteral("GozaiName")), q.FieldText(QStringLiteral("Sokuteisya")),
            q.FieldText(QStringLiteral("Kiji")),      q.FieldInt(QStringLiteral("Kubun")),
            q.FieldText(QStringLiteral("Kikakuti"))};
}

void LockRecords()
{
    Engine::LockForNewID(QStringLiteral("OndoKanri4"));
}

std::optional<TRecordDay> LatestDayOfRecord(int id)
{
    Query q;
    recordDayQuery(q);
    q.Add(QStringLiteral("where ID = :ID"));
    // The latest day: where work on a record goes on.
    q.Add(QStringLiteral("order by OndoHead4.Hiduke desc"));
    q.BindInt(QStringLiteral("ID"), id);
    q.Open();
    if (q.Eof())
        return std::nullopt;
    return recordDayOf(q);
}

std::optional<TRecordDay> RecordDay(const QString& kojiCode, const QString& gozaiName, int kubun,
                                    const QDateTime& day)
{
    Query q;
    recordDayQuery(q);
    q.Add(QStringLiteral("where KojiCode=:A and GozaiName=:B and Kubun=:C and Hiduke=:D"));
    q.BindText(A, kojiCode);
    q.BindText(B, gozaiName);
    q.BindInt(C, kubun);
    q.BindDateTime(D, day);
    q.Open();
    if (q.Eof())
        return std::nullopt;
    return recordDayOf(q);
}

bool HoldsRecords()
{
    return Engine::TableExists(QStringLiteral("OndoKubun")) &&
           Engine::TableExists(QStringLiteral("Koji1")) &&
           Engine::TableExists(QStringLiteral("OndoKanri4"));
}

int NewRecordID()
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

TRecordIdRead::TRecordIdRead(const QString& kojiCode, const QString& gozaiName,
                             const TCategoryKey& kubun)
    : m_q(std::make_unique<Query>())
{
    recordQuery(*m_q, kojiCode, gozaiName, kubun);
}

TRecordIdRead::~TRecordIdRead() = default;

std::vector<Query*> TRecordIdRead::queries()
{
    return {m_q.get()};
}

std::optional<int> TRecordIdRead::Id() const
{
    if (m_q->Eof())
        return std::nullopt;
    return m_q->FieldInt(QStringLiteral("ID"));
}

int FindRecord(const QString& kojiCode, const QString& gozaiName, const TCategoryKey& kubun)
{
    TRecordIdRead read(kojiCode, gozaiName, kubun);
    read.Open();
    return read.Id().value_or(0);
}

TRecordRead::TRecordRead(const QString& kojiCode, const QString& gozaiName,
                         const QString& kubunName)
    : m_q(std::make_unique<Query>(
          QStringLiteral("select * from OndoKanri4 where KojiCode = :A and GozaiName = :B and "
                         "Kubun = (select ID from OndoKubun where KubunName = :C)")))
{
    m_q->BindText(A, kojiCode);
    m_q->BindText(B, gozaiName);
    m_q->BindText(C, kubunName);
}

TRecordRead::~TRecordRead() = default;

std::vector<Query*> TRecordRead::queries()
{
    return {m_q.get()};
}

std::optional<TRecordRow> TRecordRead::Row() const
{
    if (m_q->Eof())
        return std::nullopt;
    return RecordRowOf(*m_q);
}

TStoredDayRead::TStoredDayRead(const QString& kojiCode, const QString& gozaiName,
                               const TCategoryKey& kubun, const QDateTime& day)
    : m_head(std::make_unique<Query>()), m_lines(std::make_unique<Query>())
{
    headQuery(*m_head, kojiCode, gozaiName, kubun, day);
    linesQuery(*m_lines, kojiCode, gozaiName, kubun, day);
}

TStoredDayRead::~TStoredDayRead() = default;

std::vector<Query*> TStoredDayRead::queries()
{
    return {m_head.get(), m_lines.get()};
}

DayAsStored TStoredDayRead::Day(PhoneMarks* marks)
{
    DayAsStored d;
    const Query& head = *m_head;
    if (!head.Eof()) {
        d.present = true;
        d.kosu = head.FieldInt(QStringLiteral("Kosu"));
        d.max = head.FieldDouble(QStringLiteral("MaxOndo"));
        d.min = head.FieldDouble(QStringLiteral("MiniOndo"));
        d.avg = head.FieldDouble(QStringLiteral("AvgOndo"));
        d.tekiyo = head.FieldText(QStringLiteral("Tekiyo"));
        d.simei = head.FieldText(QStringLiteral("DaySokuteisya"));
        d.tenki = head.FieldText(QStringLiteral("Tenki"));
        d.kion = head.FieldText(QStringLiteral("Kion"));
        d.mogi = head.FieldInt(QStringLiteral("Mogi")) != 0;
    }
    d.readings = readingsOf(*m_lines, marks);
    return d;
}

TStoredDaysRead::TStoredDaysRead(const QString& kojiCode, const QString& gozaiName,
                                 const QString& kubunName, bool summaries)
    : m_q(std::make_unique<Query>()), m_summaries(summaries)
{
    m_q->Add(QStringLiteral("select OndoHead4.Hiduke as Hiduke%1 from OndoHead4 inner join "
                            "OndoKanri4 on OndoKanri4.ID = OndoHead4.KanriID")
                 .arg(summaries ? QStringLiteral(
                                      ", Tekiyo, Tenki, Kion, Kosu, MaxOndo, MiniOndo, AvgOndo")
                                : QString()));
    m_q->Add(QStringLiteral("where KojiCode = :A and GozaiName = :B and "
                            "Kubun = (select ID from OndoKubun where KubunName = :C)"));
    m_q->BindText(A, kojiCode);
    m_q->BindText(B, gozaiName);
    m_q->BindText(C, kubunName);
}

TStoredDaysRead::~TStoredDaysRead() = default;

std::vector<Query*> TStoredDaysRead::queries()
{
    return {m_q.get()};
}

QList<TDaySummary> TStoredDaysRead::Days()
{
    QList<TDaySummary> days;
    for (Query& q = *m_q; !q.Eof(); q.Next()) {
        TDaySummary d;
        d.day = q.FieldDateTime(QStringLiteral("Hiduke"));
        if (m_summaries) {
            d.tekiyo = q.FieldText(QStringLiteral("Tekiyo"));
            d.tenki = q.FieldText(QStringLiteral("Tenki"));
            d.kion = q.FieldText(QStringLiteral("Kion"));
            d.kosu = q.FieldInt(QStringLiteral("Kosu"));
            d.maxOndo = q.FieldDouble(QStringLiteral("MaxOndo"));
            d.miniOndo = q.FieldDouble(QStringLiteral("MiniOndo"));
            d.avgOndo = q.FieldDouble(QStringLiteral("AvgOndo"));
        }
        days << d;
    }
    return days;
}

TDayPresentRead::TDayPresentRead(const QString& kojiCode, const QString& gozaiName, int kubun,
                                 const QDateTime& day)
    : m_q(std::make_unique<Query>())
{
    headQuery(*m_q, kojiCode, gozaiName, kubun, day);
}

TDayPresentRead::~TDayPresentRead() = default;

std::vector<Query*> TDayPresentRead::queries()
{
    return {m_q.get()};
}

bool TDayPresentRead::Present() const
{
    return !m_q->Eof();
}

QList<Reading> ReadingsOfDay(const QString& kojiCode, const QString& gozaiName, int kubun,
                             const QDateTime& day)
{
    Query q;
    linesQuery(q, kojiCode, gozaiName, kubun, day);
    q.Open();
    return readingsOf(q);
}

int DayCount(int kanriId)
{
    Query q(QStringLiteral("select count(*) as N from OndoHead4 where KanriID = :A"));
    q.BindInt(A, kanriId);
    q.Open();
    return q.FieldInt(QStringLiteral("N"));
}

bool HasDay(int kanriId, const QDateTime& day)
{
    Query q(QStringLiteral("select KanriID from OndoHead4 where KanriID = :A and Hiduke = :B"));
    q.BindInt(A, kanriId);
    q.BindDateTime(B, day);
    q.Open();
    return !q.Eof();
}

QList<QDateTime> DaysOf(const QString& kojiCode, const QString& gozaiName)
{
    Query q;
    q.Add(QStringLiteral("select distinct Hiduke from OndoKanri4"));
    q.Add(QStringLiteral("inner join OndoHead4 on OndoHead4.KanriID = OndoKanri4.ID"));
    q.Add(QStringLiteral("where (KojiCode = :A) and (GozaiName = :B)"));
    q.Add(QStringLiteral("order by Hiduke"));
    q.BindText(A, kojiCode);
    q.BindText(B, gozaiName);
    q.Open();
    QList<QDateTime> days;
    for (; !q.Eof(); q.Next())
        days << q.FieldDateTime(QStringLiteral("Hiduke"));
    return days;
}

bool HasRecords(const QString& kojiCode, const QString& gozaiName)
{
    Query q(QStringLiteral("select * from OndoKanri4"));
    q.Add(QStringLiteral("where KojiCode=:A and GozaiName=:B"));
    q.BindText(A, kojiCode);
    q.BindText(B, gozaiName);
    q.Open();
    return !q.Eof();
}

namespace {

QList<TRecordListRow> recordList(Query& q)
{
    q.Open();
    QList<TRecordListRow> rows;
    for (; !q.Eof(); q.Next())
        rows << TRecordListRow{
            q.FieldInt(QStringLiteral("ID")), q.FieldText(QStringLiteral("KojiCode")),
            q.FieldText(QStringLiteral("Kojimei")), q.FieldText(QStringLiteral("GozaiName")),
            q.FieldText(QStringLiteral("KubunName"))};
    return rows;
}

} // namespace

QList<TRecordListRow> RecordsOfProject(const QString& kojiCode)
{
    // The header's ID is qualified: SQLite refuses a column two joined tables share.
    Query q;
    q.Add(QStringLiteral("select KojiCode, Kojimei, GozaiName,KubunName,OndoKanri4.ID,OndoKubun.ID "
                         "as KID from OndoKanri4"));
    q.Add(QStringLiteral("inner join Koji1 on Koji1.Code = OndoKanri4.KojiCode"));
    q.Add(QStringLiteral("inner join OndoKubun on OndoKubun.ID = OndoKanri4.Kubun"));
    q.Add(QStringLiteral("where KojiCode = :A"));
    q.Add(QStringLiteral("order by GozaiName, KID"));
    q.BindText(A, kojiCode);
    return recordList(q);
}

QList<TRecordListRow> AllRecords()
{
    Query q;
    q.Add(QStringLiteral("select distinct OndoKanri4.id,KojiCode, Kojimei, "
                         "GozaiName,kubun,KubunName from OndoKanri4"));
    q.Add(QStringLiteral("inner join Koji1 on Koji1.Code = OndoKanri4.KojiCode"));
    q.Add(QStringLiteral("left join OndoKubun on OndoKubun.ID = OndoKanri4.Kubun"));
    q.Add(QStringLiteral("order by KojiCode desc, GozaiName"));
    return recordList(q);
}

} // namespace Store
