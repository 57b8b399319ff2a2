#include "domain/Verify.h"

#include "core/AppError.h"
#include "core/Utility.h"
#include "domain/History.h"
#include "storage/Engine.h"
#include "storage/Query.h"

#include <QHash>
#include <QPair>

namespace {

using DayKey = QPair<int, QString>; // record and stored day text

struct THeader
{
    QString kojiCode, gozaiName, kubunName;
};

QString dayName(const QHash<int, THeader>& headers, int id, const QDateTime& day)
{
    const auto h = headers.constFind(id);
    const QString record =
        h == headers.constEnd()
            ? QStringLiteral("記録 %1").arg(id)
            : QStringLiteral("工事 %1 / %2 / %3").arg(h->kojiCode, h->gozaiName, h->kubunName);
    return record + QStringLiteral(" / ") + FormatDate(day);
}

QDateTime dateTimeOf(const QVariant& v)
{
    return v.isNull() ? QDateTime() : Engine::DateTimeFromColumn(v);
}

} // namespace

QString TVerifyResult::Summary() const
{
    if (changed.isEmpty())
        return QStringLiteral("改ざんは見つかりませんでした（%1 日を確認、封印のない %2 日）")
            .arg(checked)
            .arg(unsealed);
    return QStringLiteral("封印と違うところが %1 か所あります（%2 日を確認、封印のない %3 日）")
        .arg(changed.size())
        .arg(checked)
        .arg(unsealed);
}

TVerifyResult VerifyRecords()
{
    TVerifyResult result;
    QHash<int, THeader> headers;
    {
        Query q(QStringLiteral("select OndoKanri4.ID as ID, KojiCode, GozaiName, KubunName from "
                               "OndoKanri4 left join OndoKubun on OndoKubun.ID = "
                               "OndoKanri4.Kubun"));
        q.Open();
        for (; !q.Eof(); q.Next())
            headers.insert(q.FieldInt(QStringLiteral("ID")),
                           {q.FieldText(QStringLiteral("KojiCode")),
                            q.FieldText(QStringLiteral("GozaiName")),
                            q.FieldText(QStringLiteral("KubunName"))});
    }

    // The chain: each entry's hash from its content and the hash before it.
    QHash<int, QString> sealOfEntry;
    const bool kept = Engine::TableExists(QStringLiteral("OndoRireki"));
    if (kept) {
        int expected = 1;
        QString previous;
        Engine::ReadEach(
            QStringLiteral("select Seq, Nitiji, Sousasya, Sousa, KojiCode, GozaiName, Kubun, "
                           "KubunName, Hiduke, LNO, Mae, Ato, Fuin, Hash from OndoRireki order "
                           "by Seq"),
            [&](const QVariantList& v) {
                History::TEntry e;
                e.seq = v.at(0).toInt();
                e.when = dateTimeOf(v.at(1));
                e.who = v.at(2).toString();
                e.what = v.at(3).toString();
                e.kojiCode = v.at(4).toString();
                e.gozaiName = v.at(5).toString();
                e.kubun = v.at(6).toInt();
                e.kubunName = v.at(7).toString();
                e.day = dateTimeOf(v.at(8));
                e.lno = v.at(9).toInt();
                e.before = v.at(10).toString();
                e.after = v.at(11).toString();
                e.seal = v.at(12).toString();
                e.hash = v.at(13).toString();
                for (; expected < e.seq; ++expected)
                    result.changed
                        << QStringLiteral("履歴 %1 番がありません（消されています）").arg(expected);
                expected = e.seq + 1;
                if (History::EntryHash(e, previous) != e.hash)
                    result.changed << QStringLiteral("履歴 %1 番（%2）: 内容が封印と違います")
                                          .arg(e.seq)
                                          .arg(Excerpt(History::LineOf(e), 80));
                previous = e.hash;
                if (!e.seal.isEmpty())
                    sealOfEntry.insert(e.seq, e.seal);
            });
    }

    QHash<DayKey, QPair<QString, int>> seals; // seal and the entry that wrote it
    if (Engine::TableExists(QStringLiteral("OndoFuin")))
        Engine::ReadEach(QStringLiteral("select KanriID, Hiduke, Fuin, Rireki from OndoFuin"),
                         [&](const QVariantList& v) {
                             seals.insert({v.at(0).toInt(), v.at(1).toString()},
                                          {v.at(2).toString(), v.at(3).toInt()});
                         });

    // Each day with its readings in load order, one pass.
    bool open = false;
    DayKey key;
    History::TDayContent content;
    QList<Reading> readings;
    const auto endDay = [&] {
        if (!open)
            return;
        open = false;
        const auto s = seals.constFind(key);
        if (s == seals.constEnd()) {
            ++result.unsealed;
            return;
        }
        const QString name = dayName(headers, key.first, content.day);
        if (History::DaySeal(content, readings) != s->first)
            result.changed << name + QStringLiteral(": 温度が封印と違います");
        else if (sealOfEntry.value(s->second) != s->first)
            result.changed << name + QStringLiteral(": 封印が履歴と合いません");
        else
            ++result.checked;
        seals.remove(key);
    };
    Engine::ReadEach(
        QStringLiteral("select OndoHead4.KanriID, OndoHead4.Hiduke, Mogi, Kosu, MaxOndo, "
                       "MiniOndo, AvgOndo, LNO, Sokuten, Ondo, Jikoku, Syaryo, Biko from "
                       "OndoHead4 left join OndoLine4 on OndoLine4.KanriID = OndoHead4.KanriID "
                       "and OndoLine4.Hiduke = OndoHead4.Hiduke order by OndoHead4.KanriID, "
                       "OndoHead4.Hiduke, LNO"),
        [&](const QVariantList& v) {
            const DayKey here{v.at(0).toInt(), v.at(1).toString()};
            if (!open || here != key) {
                endDay();
                open = true;
                key = here;
                content = {here.first,        dateTimeOf(v.at(1)), v.at(2).toInt() != 0,
                           v.at(3).toInt(),   v.at(4).toDouble(),  v.at(5).toDouble(),
                           v.at(6).toDouble()};
                readings.clear();
            }
            if (!v.at(7).isNull())
                readings << Reading{v.at(7).toInt(),     v.at(8).toString(),  v.at(9).toDouble(),
                                    v.at(10).toString(), v.at(11).toString(), v.at(12).toString()};
        });
    endDay();
    // A seal left without its day: the day went behind the program's back.
    for (auto it = seals.cbegin(); it != seals.cend(); ++it)
        result.changed << dayName(headers, it.key().first, dateTimeOf(it.key().second)) +
                              QStringLiteral(": 封印のある日がありません（消されています）");
    return result;
}
