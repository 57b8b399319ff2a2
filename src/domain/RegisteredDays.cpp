#include "domain/RegisteredDays.h"

#include "core/AppError.h"
#include "core/KikakuText.h"
#include "core/Utility.h"
#include "domain/OndoKubun.h"
#include "store/Days.h"

#include <QHash>
#include <QPair>

TDayList FindDays(const TDayQuery& query)
{
    if (query.from.isValid() && query.to.isValid() && query.from > query.to)
        throw AppError(QStringLiteral("期間の始めが終わりより後になっています"));
    Store::TDayFilter filter{query.kojiCode, query.gozaiName, !query.kubunName.isEmpty(), -1,
                             query.from,     query.to};
    if (filter.byKubun) {
        TOndoKubun kubun;
        kubun.LoadByName(query.kubunName);
        filter.kubunId = kubun.ID;
    }

    TDayList list;
    QHash<int, TKikakuBounds> bounds; // each record's, asked once: the readings are many
    QHash<QPair<int, QDateTime>, int> index;
    Store::EachFoundDay(filter, [&](const Store::TFoundDay& d) {
        if (list.rows.size() >= query.limit) {
            list.cut = true;
            return false;
        }
        TDayRow r;
        r.kanriId = d.kanriId;
        r.kojiCode = d.kojiCode;
        r.kojimei = d.kojimei;
        r.gozaiName = d.gozaiName;
        r.kubunName = d.kubunName;
        r.day = d.day;
        r.count = d.kosu;
        r.max = d.maxOndo;
        r.min = d.miniOndo;
        r.avg = d.avgOndo;
        r.measurer = d.measurer;
        r.weather = d.tenki;
        r.simulated = d.mogi;
        if (!bounds.contains(r.kanriId))
            bounds.insert(r.kanriId, TKikakuText::Parse(d.kikakuti).Bounds());
        index.insert(qMakePair(r.kanriId, r.day), int(list.rows.size()));
        list.rows << r;
        return true;
    });
    if (list.rows.isEmpty())
        return list;

    // Readings outside each record's own specified value.
    filter.from = list.rows.last().day.date();
    Store::EachTemperature(filter, [&](int kanriId, const QDateTime& day, double ondo) {
        const auto at = index.constFind(qMakePair(kanriId, day));
        if (at == index.constEnd())
            return;
        TDayRow& row = list.rows[at.value()];
        if (bounds.value(row.kanriId).IsOutside(ondo))
            ++row.outside;
    });
    return list;
}
