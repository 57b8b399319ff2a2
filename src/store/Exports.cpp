#include "store/Exports.h"

#include "storage/Query.h"
#include "store/Rows.h"

namespace Store {

namespace {

void addMixFilter(Query& q, const QString& kojiCode, const QString& gozaiName)
{
    q.Add(QStringLiteral("where KojiCode = :A"));
    q.BindText(QStringLiteral("A"), kojiCode);
    if (!gozaiName.isEmpty()) {
        q.Add(QStringLiteral("and GozaiName = :B"));
        q.BindText(QStringLiteral("B"), gozaiName);
    }
}

} // namespace

QStringList MixesOfProject(const QString& kojiCode)
{
    Query q(QStringLiteral(
        "select distinct GozaiName from OndoKanri4 where KojiCode = :A order by GozaiName"));
    q.BindText(QStringLiteral("A"), kojiCode);
    q.Open();
    QStringList mixes;
    for (; !q.Eof(); q.Next())
        mixes << q.FieldText(QStringLiteral("GozaiName"));
    return mixes;
}

void EachExportReading(const QString& kojiCode, const QString& gozaiName,
                       const std::function<void(const TExportReadingRow&)>& row)
{
    Query q;
    q.Add(QStringLiteral("select OndoKanri4.Kubun as KID, KubunName, GozaiName, Kikakuti,"));
    q.Add(QStringLiteral("OndoHead4.Sokuteisya as DaySokuteisya, OndoKanri4.Sokuteisya as "
                         "RecordSokuteisya,"));
    q.Add(QStringLiteral("OndoLine4.Hiduke as DT, LNO, Sokuten, Ondo, Jikoku, Syaryo, Biko, "
                         "coalesce(OndoHead4.Mogi, 0) as Mogi from OndoLine4"));
    q.Add(QStringLiteral("inner join OndoKanri4 on OndoKanri4.ID = OndoLine4.KanriID"));
    q.Add(QStringLiteral("left join OndoHead4 on OndoHead4.KanriID = OndoLine4.KanriID and "
                         "OndoHead4.Hiduke = OndoLine4.Hiduke"));
    q.Add(QStringLiteral("left join OndoKubun on OndoKubun.ID = OndoKanri4.Kubun"));
    addMixFilter(q, kojiCode, gozaiName);
    q.Add(QStringLiteral("order by KID, DT, GozaiName, LNO"));
    q.Open();
    TExportReadingRow r;
    for (; !q.Eof(); q.Next()) {
        r.kubunId = q.FieldInt(QStringLiteral("KID"));
        r.kubunName = q.FieldText(QStringLiteral("KubunName"));
        r.gozaiName = q.FieldText(QStringLiteral("GozaiName"));
        r.kikakuti = q.FieldText(QStringLiteral("Kikakuti"));
        r.measurer = MeasurerOf(q.FieldText(QStringLiteral("DaySokuteisya")),
                                q.FieldText(QStringLiteral("RecordSokuteisya")));
        r.day = q.FieldDateTime(QStringLiteral("DT"));
        r.sokuten = q.FieldText(QStringLiteral("Sokuten"));
        r.ondo = q.FieldDouble(QStringLiteral("Ondo"));
        r.jikoku = q.FieldText(QStringLiteral("Jikoku"));
        r.syaryo = q.FieldText(QStringLiteral("Syaryo"));
        r.biko = q.FieldText(QStringLiteral("Biko"));
        r.mogi = q.FieldInt(QStringLiteral("Mogi")) != 0;
        row(r);
    }
}

void EachExportDay(const QString& kojiCode, const QString& gozaiName,
                   const std::function<void(const TExportDayRow&)>& row)
{
    Query q;
    q.Add(QStringLiteral(
        "select OndoKanri4.Kubun as KID, KubunName, GozaiName, OndoHead4.Hiduke as DT,"));
    q.Add(QStringLiteral("Kosu, MaxOndo, MiniOndo, AvgOndo, Tenki, Kion, Tekiyo, Mogi,"));
    q.Add(QStringLiteral("OndoHead4.Sokuteisya as DaySokuteisya, OndoKanri4.Sokuteisya as "
                         "RecordSokuteisya from OndoHead4"));
    q.Add(QStringLiteral("inner join OndoKanri4 on OndoKanri4.ID = OndoHead4.KanriID"));
    q.Add(QStringLiteral("left join OndoKubun on OndoKubun.ID = OndoKanri4.Kubun"));
    addMixFilter(q, kojiCode, gozaiName);
    q.Add(QStringLiteral("order by DT, GozaiName, KID"));
    q.Open();
    TExportDayRow d;
    for (; !q.Eof(); q.Next()) {
        d.kubunId = q.FieldInt(QStringLiteral("KID"));
        d.kubunName = q.FieldText(QStringLiteral("KubunName"));
        d.gozaiName = q.FieldText(QStringLiteral("GozaiName"));
        d.day = q.FieldDateTime(QStringLiteral("DT"));
        d.kosu = q.FieldInt(QStringLiteral("Kosu"));
        d.maxOndo = q.FieldDouble(QStringLiteral("MaxOndo"));
        d.miniOndo = q.FieldDouble(QStringLiteral("MiniOndo"));
        d.avgOndo = q.FieldDouble(QStringLiteral("AvgOndo"));
        d.measurer = MeasurerOf(q.FieldText(QStringLiteral("DaySokuteisya")),
                                q.FieldText(QStringLiteral("RecordSokuteisya")));
        d.tenki = q.FieldText(QStringLiteral("Tenki"));
        d.kion = q.FieldText(QStringLiteral("Kion"));
        d.tekiyo = q.FieldText(QStringLiteral("Tekiyo"));
        d.mogi = q.FieldInt(QStringLiteral("Mogi")) != 0;
        row(d);
    }
}

} // namespace Store
