#include "domain/Verify.h"

#include "core/AppError.h"
#include "core/Utility.h"
#include "domain/History.h"
#include "store/History.h"

#include <QHash>
#include <QPair>

namespace {

using DayKey = QPair<int, QString>; // record and stored day text

QString dayName(const QHash<int, Store::TRecordName>& headers, int id, const QDateTime& day)
{
    const auto h = headers.constFind(id);
    const QString record =
        h == headers.constEnd()
            ? QStringLiteral("記録 %1").arg(id)
            : QStringLiteral("工事 %1 / %2 / %3").arg(h->kojiCode, h->gozaiName, h->kubunName);
    return record + QStringLiteral(" / ") + FormatDate(day);
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
    const QHash<int, Store::TRecordName> headers = Store::RecordNames();

    // The chain: each entry's hash from its content and the hash before it.
    QHash<int, QString> sealOfEntry;
    int expected = 1;
    QString previous;
    Store::EachHistoryEntry([&](const History::TEntry& e) {
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

    QHash<DayKey, Store::TSealRow> seals; // with the entry that wrote each
    Store::EachSeal([&](const Store::TSealRow& seal, const QString& dayText) {
        seals.insert({seal.kanriId, dayText}, seal);
    });

    // Each day with its readings in load order, one pass.
    bool open = false;
    DayKey key;
    History::TDayContent content;
    History::TSealText text;
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
        // A day whose stored bytes differ is asked again as texts, as it was sealed: only a
        // text no UTF-8 could hold gives the two readings different bytes.
        if (text.Seal() != s->seal &&
            History::DaySeal(content, Store::ReadingsOf(key.first, content.day)) != s->seal)
            result.changed << name + QStringLiteral(": 温度が封印と違います");
        else if (sealOfEntry.value(s->entry) != s->seal)
            result.changed << name + QStringLiteral(": 封印が履歴と合いません");
        else
            ++result.checked;
        seals.remove(key);
    };
    Store::EachDayReading([&](const Store::TDaySummary& day, const QString& dayText,
                              const Store::TRawReading* reading) {
        const DayKey here{day.kanriId, dayText};
        if (!open || here != key) {
            endDay();
            open = true;
            key = here;
            content = {day.kanriId, day.day,      day.mogi,   day.kosu,
                       day.maxOndo, day.miniOndo, day.avgOndo};
            text.Begin(content);
        }
        if (reading)
            text.Add(reading->lno, reading->sokuten, reading->ondo, reading->jikoku,
                     reading->syaryo, reading->biko);
    });
    endDay();
    // A seal left without its day: the day went behind the program's back.
    for (auto it = seals.cbegin(); it != seals.cend(); ++it)
        result.changed << dayName(headers, it.key().first, it->day) +
                              QStringLiteral(": 封印のある日がありません（消されています）");
    return result;
}
