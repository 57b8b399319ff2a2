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

    // The days in order; then every reading in one straight pass over its table. A day whose
    // readings lie together (as a day's registration writes them) is sealed from that run; one
    // whose readings lie apart (added to later) is read again by itself.
    struct TDay
    {
        History::TDayContent content;
        QString text;      // as stored
        bool read = false; // a run of its readings was read
        QString seal;      // of that run; empty after a second run, so read again
    };
    std::vector<TDay> days;
    QHash<DayKey, size_t> indexOf;
    Store::EachDaySummary([&](const Store::TDaySummary& d, const QString& text) {
        indexOf.insert({d.kanriId, text}, days.size());
        days.push_back(
            {{d.kanriId, d.day, d.mogi, d.kosu, d.maxOndo, d.miniOndo, d.avgOndo}, text});
    });

    History::TSealText text;
    bool running = false;
    int runRecord = 0;
    QByteArray runDay;
    TDay* current = nullptr; // nullptr: readings of no day, left out
    const auto endRun = [&] {
        if (!current)
            return;
        current->seal = current->read ? QString() : text.Seal();
        current->read = true;
        current = nullptr;
    };
    Store::EachStoredReading(
        [&](int kanriId, const QByteArray& dayBytes, const Store::TRawReading& r) {
            if (!running || kanriId != runRecord || dayBytes != runDay) {
                endRun();
                running = true;
                runRecord = kanriId;
                runDay = QByteArray(dayBytes.constData(), dayBytes.size());
                const auto it = indexOf.constFind({kanriId, QString::fromUtf8(runDay)});
                if (it != indexOf.constEnd()) {
                    current = &days[*it];
                    text.Begin(current->content);
                }
            }
            if (current)
                text.Add(r.lno, r.sokuten, r.ondo, r.jikoku, r.syaryo, r.biko);
        });
    endRun();

    for (const TDay& day : days) {
        const DayKey key{day.content.kanriId, day.text};
        const auto s = seals.constFind(key);
        if (s == seals.constEnd()) {
            ++result.unsealed;
            continue;
        }
        QString seal = day.seal;
        if (!day.read) {
            text.Begin(day.content);
            seal = text.Seal();
        }
        const QString name = dayName(headers, key.first, day.content.day);
        // A day read apart, or whose stored bytes differ, is asked again as texts, as it was
        // sealed: only a text no UTF-8 could hold gives the two readings different bytes.
        if (seal != s->seal &&
            History::DaySeal(day.content, Store::ReadingsOf(key.first, day.content.day)) != s->seal)
            result.changed << name + QStringLiteral(": 温度が封印と違います");
        else if (sealOfEntry.value(s->entry) != s->seal)
            result.changed << name + QStringLiteral(": 封印が履歴と合いません");
        else
            ++result.checked;
        seals.remove(key);
    }
    // A seal left without its day: the day went behind the program's back.
    for (auto it = seals.cbegin(); it != seals.cend(); ++it)
        result.changed << dayName(headers, it.key().first, it->day) +
                              QStringLiteral(": 封印のある日がありません（消されています）");
    return result;
}
