#include "domain/RegisteredDays.h"

#include "core/AppError.h"
#include "core/SpecText.h"
#include "core/Utility.h"
#include "domain/OndoKubun.h"
#include "storage/Query.h"

#include <QHash>
#include <QPair>

namespace {

// The filters of the query, the same for the days and their readings.
void addFilters(Query& q, const TDayQuery& query, int kubunId, const QString& dayColumn)
{
    q.Add(QStringLiteral("where 1 = 1"));
    if (!query.kojiCode.isEmpty()) {
        q.Add(QStringLiteral("and OndoKanri4.KojiCode = :A"));
        q.BindText(QStringLiteral("A"), query.kojiCode);
    }
    if (!query.gozaiName.isEmpty()) {
        q.Add(QStringLiteral("and OndoKanri4.GozaiName = :B"));
        q.BindText(QStringLiteral("B"), query.gozaiName);
    }
    if (!query.kubunName.isEmpty()) {
        q.Add(QStringLiteral("and OndoKanri4.Kubun = :C"));
        q.BindInt(QStringLiteral("C"), kubunId);
    }
    if (query.from.isValid()) {
        q.Add(QStringLiteral("and %1 >= :D").arg(dayColumn));
        q.BindDateTime(QStringLiteral("D"), QDateTime(query.from, QTime(0, 0)));
    }
    if (query.to.isValid()) {
        q.Add(QStringLiteral("and %1 <= :E").arg(dayColumn));
        q.BindDateTime(QStringLiteral("E"), QDateTime(query.to, QTime(0, 0)));
    }
}

} // namespace

TDayList FindDays(const TDayQuery& query)
{
    if (query.from.isValid() && query.to.isValid() && query.from > query.to)
        throw AppError(QStringLiteral("期間の始めが終わりより後になっています"));
    int kubunId = -1;
    if (!query.kubunName.isEmpty()) {
        TOndoKubun kubun;
        kubun.LoadByName(query.kubunName);
        kubunId = kubun.ID;
    }

    TDayList list;
    QHash<int, TSpecText> specs;
    QHash<QPair<int, QDateTime>, int> index;
    {
        Query q;
        q.Add(QStringLiteral("select OndoKanri4.ID as KID, OndoKanri4.KojiCode as Code, Kojimei, "
                             "GozaiName, KubunName, Kikakuti,"));
        q.Add(QStringLiteral("coalesce(nullif(OndoHead4.Sokuteisya, ''), OndoKanri4.Sokuteisya) "
                             "as Measurer,"));
        q.Add(QStringLiteral(
            "OndoHead4.Hiduke as DT, Kosu, MaxOndo, MiniOndo, AvgOndo, Tenki, Mogi"));
        q.Add(QStringLiteral("from OndoHead4"));
        q.Add(QStringLiteral("inner join OndoKanri4 on OndoKanri4.ID = OndoHead4.KanriID"));
        q.Add(QStringLiteral("left join Koji1 on Koji1.Code = OndoKanri4.KojiCode"));
        q.Add(QStringLiteral("left join OndoKubun on OndoKubun.ID = OndoKanri4.Kubun"));
        addFilters(q, query, kubunId, QStringLiteral("OndoHead4.Hiduke"));
        q.Add(QStringLiteral("order by DT desc, Code, GozaiName, KID"));
        q.Open();
        for (; !q.Eof(); q.Next()) {
            if (list.rows.size() >= query.limit) {
                list.cut = true;
                break;
            }
            TDayRow r;
            r.kanriId = q.FieldInt(QStringLiteral("KID"));
            r.kojiCode = q.FieldText(QStringLiteral("Code"));
            r.kojimei = q.FieldText(QStringLiteral("Kojimei"));
            r.gozaiName = q.FieldText(QStringLiteral("GozaiName"));
            r.kubunName = q.FieldText(QStringLiteral("KubunName"));
            r.day = q.FieldDateTime(QStringLiteral("DT"));
            r.count = q.FieldInt(QStringLiteral("Kosu"));
            r.max = q.FieldDouble(QStringLiteral("MaxOndo"));
            r.min = q.FieldDouble(QStringLiteral("MiniOndo"));
            r.avg = q.FieldDouble(QStringLiteral("AvgOndo"));
            r.measurer = q.FieldText(QStringLiteral("Measurer"));
            r.weather = q.FieldText(QStringLiteral("Tenki"));
            r.simulated = q.FieldInt(QStringLiteral("Mogi")) != 0;
            specs.insert(r.kanriId, TSpecText::Parse(q.FieldText(QStringLiteral("Kikakuti"))));
            index.insert(qMakePair(r.kanriId, r.day), int(list.rows.size()));
            list.rows << r;
        }
    }
    if (list.rows.isEmpty())
        return list;

    // Readings outside each record's own specified value.
    TDayQuery period = query;
    period.from = list.rows.last().day.date();
    Query q;
    q.Add(QStringLiteral("select OndoLine4.KanriID as KID, OndoLine4.Hiduke as DT, Ondo"));
    q.Add(QStringLiteral("from OndoLine4"));
    q.Add(QStringLiteral("inner join OndoKanri4 on OndoKanri4.ID = OndoLine4.KanriID"));
    addFilters(q, period, kubunId, QStringLiteral("OndoLine4.Hiduke"));
    q.OpenForward();
    for (; !q.Eof(); q.Next()) {
        const auto at = index.constFind(
            qMakePair(q.FieldInt(QStringLiteral("KID")), q.FieldDateTime(QStringLiteral("DT"))));
        if (at == index.constEnd())
            continue;
        TDayRow& row = list.rows[at.value()];
        const QString range = specs.value(row.kanriId).value;
        if (range.isEmpty() || !IsRangeText(range))
            continue;
        const double ondo = q.FieldDouble(QStringLiteral("Ondo"));
        if (ondo < RangeLow(range) || ondo > RangeHigh(range))
            ++row.outside;
    }
    return list;
}
