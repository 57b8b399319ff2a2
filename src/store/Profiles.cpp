#include "store/Profiles.h"

#include "storage/Engine.h"
#include "storage/Query.h"

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

} // namespace Store
