#include "store/Profiles.h"

#include "storage/Engine.h"
#include "storage/Query.h"
#include "storage/Schema.h"
#include "store/Lengths.h"

#include <cmath>

namespace Store {

TProfileDay ProfileDayOf(const QString& kojiCode, const QString& gozaiName, const QDate& day)
{
    const QDateTime stored(day, QTime(0, 0));
    Query head(QStringLiteral("select ID, Keisiki, Kankaku, Itisu, Gyosu, Kyori from OndoBunpu "
                              "where KojiCode = :A and GozaiName = :B and Hiduke = :C"));
    Query project(QStringLiteral("select Kojimei from Koji1 where Code = :A"));
    Query mix(QStringLiteral("select PrintName from GozaiDef where DataName = :B"));
    Query loads(QStringLiteral("select Jikoku, Syaryo from OndoLine4 inner join OndoKanri4 on "
                               "OndoKanri4.ID = OndoLine4.KanriID where KojiCode = :A and "
                               "GozaiName = :B and OndoLine4.Hiduke = :C"));
    for (Query* q : {&head, &project, &mix, &loads}) {
        if (q != &mix)
            q->BindText(QStringLiteral("A"), kojiCode);
        if (q != &project)
            q->BindText(QStringLiteral("B"), gozaiName);
        if (q == &head || q == &loads)
            q->BindDateTime(QStringLiteral("C"), stored);
    }
    Query::OpenAll({&head, &project, &mix, &loads});
    TProfileDay out;
    if (!head.Eof())
        out.head = TProfileHead{
            head.FieldInt(QStringLiteral("ID")),         head.FieldText(QStringLiteral("Keisiki")),
            head.FieldDouble(QStringLiteral("Kankaku")), head.FieldInt(QStringLiteral("Itisu")),
            head.FieldInt(QStringLiteral("Gyosu")),      head.FieldDouble(QStringLiteral("Kyori"))};
    out.kojiName = project.Eof() ? QString() : project.FieldText(QStringLiteral("Kojimei"));
    if (!mix.Eof())
        out.printName = mix.FieldText(QStringLiteral("PrintName"));
    for (; !loads.Eof(); loads.Next())
        out.loads.append(
            {loads.FieldText(QStringLiteral("Jikoku")), loads.FieldText(QStringLiteral("Syaryo"))});
    return out;
}

void EachProfileLine(
    int id, const std::function<void(const QVariant& clock, double distance, const QVariant& speed,
                                     const QString& readings)>& line)
{
    Engine::ReadEach(
        QStringLiteral("select Jikoku, Kyori, Sokudo, Ondo from OndoBunpuLine where BunpuID = %1 "
                       "order by Seq")
            .arg(id),
        [&](const QVariantList& v) {
            line(v.at(0), v.at(1).toDouble(), v.at(2), v.at(3).toString());
        });
}

namespace {

QVariant number(double value)
{
    return std::isnan(value) ? QVariant() : QVariant(value);
}

void bindDay(Query& q, const QString& kojiCode, const QString& gozaiName, const QDate& day)
{
    q.BindText(QStringLiteral("A"), kojiCode);
    q.BindText(QStringLiteral("B"), gozaiName);
    q.BindDateTime(QStringLiteral("C"), QDateTime(day, QTime(0, 0)));
}

} // namespace

bool HasProfile(const QString& kojiCode, const QString& gozaiName, const QDate& day)
{
    Query q(QStringLiteral("select ID from OndoBunpu where KojiCode = :A and GozaiName = :B and "
                           "Hiduke = :C"));
    bindDay(q, kojiCode, gozaiName, day);
    q.Open();
    return !q.Eof();
}

TProfileSlot LockProfileDay(const QString& kojiCode, const QString& gozaiName, const QDate& day)
{
    Engine::LockForNewID(QStringLiteral("OndoBunpu"));
    Query koji(QStringLiteral("select Code from Koji1 where Code = :A"));
    koji.BindText(QStringLiteral("A"), kojiCode);
    Query stored(QStringLiteral("select ID from OndoBunpu where KojiCode = :A and GozaiName = :B "
                                "and Hiduke = :C"));
    bindDay(stored, kojiCode, gozaiName, day);
    Query next(QStringLiteral("select max(ID) as N from OndoBunpu"));
    Query::OpenAll({&koji, &stored, &next});
    TProfileSlot slot;
    slot.projectRegistered = !kojiCode.isEmpty() && !koji.Eof();
    if (!stored.Eof())
        slot.storedId = stored.FieldInt(QStringLiteral("ID"));
    slot.nextId = next.FieldInt(QStringLiteral("N")) + 1;
    return slot;
}

void DeleteProfile(int id)
{
    for (const char* sql :
         {"delete from OndoBunpuLine where BunpuID = :A", "delete from OndoBunpu where ID = :A"}) {
        Query del{QString::fromLatin1(sql)};
        del.BindInt(QStringLiteral("A"), id);
        del.ExecSQL();
    }
}

TProfileLineStream::TProfileLineStream(int id)
    : m_id(id),
      m_rows(std::make_unique<Engine::RowStream>(
          QStringLiteral("OndoBunpuLine"),
          QStringList{QStringLiteral("BunpuID"), QStringLiteral("Seq"), QStringLiteral("Jikoku"),
                      QStringLiteral("Kyori"), QStringLiteral("Sokudo"), QStringLiteral("Ido"),
                      QStringLiteral("Keido"), QStringLiteral("Ondo")}))
{
}

TProfileLineStream::~TProfileLineStream() = default;

void TProfileLineStream::Add(const QDateTime& time, double distance, double speed, double latitude,
                             double longitude, const QString& temperatures)
{
    m_rows->Add({m_id, ++m_count, Engine::DateTimeParameter(time), distance, number(speed),
                 number(latitude), number(longitude), temperatures});
}

void TProfileLineStream::Finish()
{
    m_rows->Finish();
}

void WriteProfileHead(const TProfileHeadRow& h)
{
    Query header(QStringLiteral("insert into OndoBunpu (ID, KojiCode, GozaiName, Hiduke, "
                                "Keisiki, Kankaku, Itisu, Gyosu, Kyori, Fairu, Torikomi) values "
                                "(:A, :B, :C, :D, :E, :F, :G, :H, :I, :J, :K)"));
    header.BindInt(QStringLiteral("A"), h.id);
    header.BindText(QStringLiteral("B"), h.kojiCode);
    header.BindText(QStringLiteral("C"), h.gozaiName);
    header.BindDateTime(QStringLiteral("D"), QDateTime(h.day, QTime(0, 0)));
    header.BindText(QStringLiteral("E"), h.format);
    header.BindDouble(QStringLiteral("F"), h.spacing);
    header.BindInt(QStringLiteral("G"), h.positions);
    header.BindInt(QStringLiteral("H"), h.lines);
    header.BindDouble(QStringLiteral("I"), h.length);
    header.BindText(QStringLiteral("J"), h.fileName.left(LengthOf(TextColumn::ProfileFile)));
    header.BindDateTime(QStringLiteral("K"), h.imported);
    header.ExecSQL();
}

} // namespace Store
