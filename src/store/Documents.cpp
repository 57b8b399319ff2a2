#include "store/Documents.h"

#include "storage/Engine.h"
#include "storage/Query.h"
#include "store/RecordColumns.h"

namespace Store {

namespace {

// The records of the scope (parameters :A and :B); with dayColumn, only its days (:F and :T).
void addScope(Query& q, const TDocumentScope& scope, const QString& dayColumn = QString())
{
    q.Add(QStringLiteral("where KojiCode = :A"));
    q.BindText(A, scope.kojiCode);
    if (!scope.everyMix) {
        q.Add(QStringLiteral("and GozaiName = :B"));
        q.BindText(B, scope.gozaiName);
    }
    if (!dayColumn.isEmpty() && scope.from.isValid()) {
        q.Add(QStringLiteral("and %1 >= :F").arg(dayColumn));
        q.BindDateTime(F, QDateTime(scope.from, QTime(0, 0)));
    }
    if (!dayColumn.isEmpty() && scope.to.isValid()) {
        q.Add(QStringLiteral("and %1 <= :T").arg(dayColumn));
        q.BindDateTime(QStringLiteral("T"), QDateTime(scope.to, QTime(0, 0)));
    }
}

// Only days not filled by simulation: of the day's summary when the query joins it, else of
// the readings' own day.
void addMeasuredOnly(Query& q, const TDocumentScope& scope, bool headJoined)
{
    if (!scope.measuredOnly)
        return;
    q.Add(headJoined
              ? QStringLiteral("and coalesce(OndoHead4.Mogi, 0) = 0")
              : QStringLiteral("and not exists (select 1 from OndoHead4 where "
                               "OndoHead4.KanriID = OndoLine4.KanriID and "
                               "OndoHead4.Hiduke = OndoLine4.Hiduke and OndoHead4.Mogi = 1)"));
}

const QString MeasurerColumns = QStringLiteral(
    "OndoHead4.Sokuteisya as DaySokuteisya, OndoKanri4.Sokuteisya as RecordSokuteisya");

QString measurerAt(const Query& q)
{
    return MeasurerOf(q.FieldText(QStringLiteral("DaySokuteisya")),
                      q.FieldText(QStringLiteral("RecordSokuteisya")))
        .trimmed();
}

} // namespace

TDocumentLookupsRead::TDocumentLookupsRead(const QString& kojiCode)
    : m_project(std::make_unique<Query>(
          QStringLiteral("select Code, Kojimei from Koji1 where Code = :A"))),
      m_categories(std::make_unique<Query>(
          QStringLiteral("select ID, KubunName, SokuteiKankaku from OndoKubun"))),
      m_names(std::make_unique<Query>(QStringLiteral("select DataName, PrintName from GozaiDef")))
{
    m_project->BindText(A, kojiCode);
}

TDocumentLookupsRead::~TDocumentLookupsRead() = default;

std::vector<Query*> TDocumentLookupsRead::queries()
{
    return {m_project.get(), m_categories.get(), m_names.get()};
}

QString TDocumentLookupsRead::ProjectName() const
{
    return m_project->Eof() ? QString() : m_project->FieldText(QStringLiteral("Kojimei")).trimmed();
}

QHash<int, TDocumentLookupsRead::TCategory> TDocumentLookupsRead::Categories() const
{
    QHash<int, TCategory> out;
    for (Query& q = *m_categories; !q.Eof(); q.Next())
        out.insert(q.FieldInt(QStringLiteral("ID")),
                   TCategory{q.FieldText(QStringLiteral("KubunName")),
                             q.FieldText(QStringLiteral("SokuteiKankaku"))});
    return out;
}

QHash<QString, QString> TDocumentLookupsRead::PrintNames() const
{
    QHash<QString, QString> out;
    for (Query& q = *m_names; !q.Eof(); q.Next())
        out.insert(q.FieldText(QStringLiteral("DataName")),
                   q.FieldText(QStringLiteral("PrintName")));
    return out;
}

TDocumentMixesRead::TDocumentMixesRead(const TDocumentScope& scope)
{
    q().Add(QStringLiteral("select distinct GozaiName from OndoKanri4"));
    addScope(q(), scope);
}

QStringList TDocumentMixesRead::Names() const
{
    QStringList names;
    for (Query& q = TQueryRead::q(); !q.Eof(); q.Next())
        names << q.FieldText(QStringLiteral("GozaiName"));
    return names;
}

TDocumentRecordsRead::TDocumentRecordsRead(const TDocumentScope& scope, bool ordered)
{
    q().Add(QStringLiteral("select GozaiName, Kubun, Sokuteisya, Kikakuti from OndoKanri4"));
    addScope(q(), scope);
    if (ordered)
        q().Add(QStringLiteral("order by GozaiName, ID"));
}

std::vector<TDocumentRecord> TDocumentRecordsRead::Rows() const
{
    std::vector<TDocumentRecord> rows;
    for (Query& q = TQueryRead::q(); !q.Eof(); q.Next())
        rows.push_back(TDocumentRecord{
            q.FieldText(QStringLiteral("GozaiName")), q.FieldInt(QStringLiteral("Kubun")),
            q.FieldText(QStringLiteral("Sokuteisya")), q.FieldText(QStringLiteral("Kikakuti"))});
    return rows;
}

TDocumentDaysRead::TDocumentDaysRead(const TDocumentScope& scope, Order order)
{
    Query& q = TQueryRead::q();
    q.Add(QStringLiteral("select GozaiName, Kubun, OndoHead4.Hiduke as Hiduke, Kosu, MaxOndo, "
                         "MiniOndo, AvgOndo, Mogi, Tenki, Kion, Tekiyo, ") +
          MeasurerColumns + QStringLiteral(" from OndoHead4"));
    q.Add(QStringLiteral("inner join OndoKanri4 on OndoKanri4.ID = OndoHead4.KanriID"));
    addScope(q, scope, QStringLiteral("OndoHead4.Hiduke"));
    addMeasuredOnly(q, scope, true);
    switch (order) {
    case Order::MixCategoryDay:
        q.Add(QStringLiteral("order by GozaiName, Kubun, Hiduke"));
        break;
    case Order::CategoryMixDay:
        q.Add(QStringLiteral("order by Kubun, GozaiName, Hiduke"));
        break;
    case Order::DayCategory:
        q.Add(QStringLiteral("order by Hiduke, Kubun"));
        break;
    }
}

bool TDocumentDaysRead::Take(TDocumentDay& row)
{
    Query& q = TQueryRead::q();
    if (q.Eof())
        return false;
    row.gozaiName = q.FieldText(QStringLiteral("GozaiName"));
    row.kubun = q.FieldInt(QStringLiteral("Kubun"));
    row.day = q.FieldDateTime(QStringLiteral("Hiduke"));
    row.kosu = q.FieldInt(QStringLiteral("Kosu"));
    row.maxOndo = q.FieldDouble(QStringLiteral("MaxOndo"));
    row.miniOndo = q.FieldDouble(QStringLiteral("MiniOndo"));
    row.avgOndo = q.FieldDouble(QStringLiteral("AvgOndo"));
    row.mogi = q.FieldInt(QStringLiteral("Mogi")) != 0;
    row.measurer = measurerAt(q);
    row.tenki = q.FieldText(QStringLiteral("Tenki")).trimmed();
    row.kion = q.FieldText(QStringLiteral("Kion")).trimmed();
    row.tekiyo = q.FieldText(QStringLiteral("Tekiyo")).trimmed();
    q.Next();
    return true;
}

TDocumentAveragesRead::TDocumentAveragesRead(const TDocumentScope& scope)
{
    Query& q = TQueryRead::q();
    q.Add(QStringLiteral(
        "select distinct KojiCode, GozaiName, Kubun, Avg(AvgOndo) as AO from OndoKanri4"));
    q.Add(QStringLiteral("inner join OndoHead4 on OndoHead4.KanriID = OndoKanri4.ID"));
    addScope(q, scope, QStringLiteral("OndoHead4.Hiduke"));
    q.Add(QStringLiteral("and Kosu > 0"));
    addMeasuredOnly(q, scope, true);
    q.Add(QStringLiteral("group by KojiCode, GozaiName, Kubun"));
}

bool TDocumentAveragesRead::Take(TDocumentAverage& row)
{
    Query& q = TQueryRead::q();
    if (q.Eof())
        return false;
    row.gozaiName = q.FieldText(QStringLiteral("GozaiName"));
    row.kubun = q.FieldInt(QStringLiteral("Kubun"));
    row.average = q.FieldDouble(QStringLiteral("AO"));
    q.Next();
    return true;
}

TDocumentLinesRead::TDocumentLinesRead(const TDocumentScope& scope, int kubun)
    : m_streamed(Engine::ReadsRowsInterleaved())
{
    Query& q = TQueryRead::q();
    q.Add(QStringLiteral("select OndoLine4.Hiduke as Hiduke, GozaiName, Kikakuti, SokuteiKankaku, "
                         "Sokuten, Ondo, Jikoku, Syaryo, Biko, Sokuteisya from OndoLine4"));
    q.Add(QStringLiteral("inner join OndoKanri4 on OndoKanri4.ID = OndoLine4.KanriID"));
    q.Add(QStringLiteral("inner join OndoKubun on OndoKubun.ID = OndoKanri4.Kubun"));
    addScope(q, scope, QStringLiteral("OndoLine4.Hiduke"));
    addMeasuredOnly(q, scope, false);
    q.Add(QStringLiteral("and Kubun = :C"));
    q.Add(QStringLiteral("order by GozaiName, Hiduke, Kubun, LNO"));
    q.BindInt(C, kubun);
}

std::vector<Query*> TDocumentLinesRead::queries()
{
    if (m_streamed)
        return {};
    return {&q()};
}

void TDocumentLinesRead::Begin()
{
    if (m_streamed)
        q().OpenForward();
}

bool TDocumentLinesRead::AtEnd() const
{
    return q().Eof();
}

void TDocumentLinesRead::Next()
{
    q().Next();
}

QDateTime TDocumentLinesRead::Day() const
{
    return q().FieldDateTime(QStringLiteral("Hiduke"));
}

QString TDocumentLinesRead::GozaiName() const
{
    return q().FieldText(QStringLiteral("GozaiName"));
}

QString TDocumentLinesRead::Kikakuti() const
{
    return q().FieldText(QStringLiteral("Kikakuti"));
}

QString TDocumentLinesRead::CategoryInterval() const
{
    return q().FieldText(QStringLiteral("SokuteiKankaku"));
}

QString TDocumentLinesRead::RecordMeasurer() const
{
    return q().FieldText(QStringLiteral("Sokuteisya")).trimmed();
}

QString TDocumentLinesRead::Sokuten() const
{
    return q().FieldText(QStringLiteral("Sokuten"));
}

double TDocumentLinesRead::Ondo() const
{
    return q().FieldDouble(QStringLiteral("Ondo"));
}

QString TDocumentLinesRead::Jikoku() const
{
    return q().FieldText(QStringLiteral("Jikoku")).trimmed();
}

QString TDocumentLinesRead::Syaryo() const
{
    return q().FieldText(QStringLiteral("Syaryo")).trimmed();
}

QString TDocumentLinesRead::Biko() const
{
    return q().FieldText(QStringLiteral("Biko")).trimmed();
}

TDocumentReadingsRead::TDocumentReadingsRead(const TDocumentScope& scope)
{
    Query& q = TQueryRead::q();
    q.Add(QStringLiteral("select GozaiName, Kubun, OndoLine4.Hiduke as Hiduke, Ondo, Mogi, ") +
          MeasurerColumns + QStringLiteral(" from OndoLine4"));
    q.Add(QStringLiteral("inner join OndoKanri4 on OndoKanri4.ID = OndoLine4.KanriID"));
    q.Add(QStringLiteral("left join OndoHead4 on OndoHead4.KanriID = OndoLine4.KanriID and "
                         "OndoHead4.Hiduke = OndoLine4.Hiduke"));
    addScope(q, scope, QStringLiteral("OndoLine4.Hiduke"));
    addMeasuredOnly(q, scope, true);
    q.Add(QStringLiteral("order by GozaiName, Kubun, Hiduke, LNO"));
}

bool TDocumentReadingsRead::Take(TDocumentReading& row)
{
    Query& q = TQueryRead::q();
    if (q.Eof())
        return false;
    row.gozaiName = q.FieldText(QStringLiteral("GozaiName"));
    row.kubun = q.FieldInt(QStringLiteral("Kubun"));
    row.day = q.FieldDateTime(QStringLiteral("Hiduke"));
    row.ondo = q.FieldDouble(QStringLiteral("Ondo"));
    row.mogi = q.FieldInt(QStringLiteral("Mogi")) != 0;
    row.measurer = measurerAt(q);
    q.Next();
    return true;
}

} // namespace Store
