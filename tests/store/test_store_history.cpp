#include "StoreFixture.h"
#include "storage/Engine.h"
#include "store/Copy.h"
#include "store/Days.h"
#include "store/History.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <algorithm>

namespace {

Store::THistoryEntry entry(int seq, const QString& what, const QDateTime& day, int lno)
{
    Store::THistoryEntry e;
    e.seq = seq;
    e.when = QDateTime(QDate(2024, 6, 1), QTime(10, 0, seq));
    e.who = QStringLiteral("山田");
    e.what = what;
    e.kojiCode = QStringLiteral("K1");
    e.gozaiName = QStringLiteral("密粒");
    e.kubun = 0;
    e.kubunName = QStringLiteral("練上温度");
    e.day = day;
    e.lno = lno;
    e.hash = QStringLiteral("h%1").arg(seq);
    return e;
}

} // namespace

class TestStoreHistory : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // Entries and seals written, and read back by project, by day, as the tail and in one pass.
    void historyAndSeals()
    {
        TempProfile profile;
        PrepareStore();
        Store::WriteRecord(
            {1, QStringLiteral("K1"), QStringLiteral("密粒"), QString(), QString(), 0, QString()},
            false);
        Store::THistoryTailRead empty;
        empty.Open();
        QCOMPARE(empty.Seq(), 0);
        QVERIFY(Store::HistoryKept());
        Store::WriteHistory(
            {entry(1, QStringLiteral("追加"), Day(1), 1),
             entry(2, QStringLiteral("追加"), Day(2), 1)},
            {{1, Day(1), QStringLiteral("seal-a"), 1}, {1, Day(2), QStringLiteral("seal-b"), 2}});
        // A day sealed again leaves one seal; a day gone leaves none.
        Store::THistoryEntry restore = entry(3, QStringLiteral("復元"), QDateTime(), 0);
        restore.kojiCode.clear();
        Store::WriteHistory({entry(4, QStringLiteral("修正"), Day(1), 1), restore},
                            {{1, Day(1), QStringLiteral("seal-c"), 4}, {1, Day(2), QString(), 4}});

        Store::THistoryTailRead tail;
        Store::TDaySealRead seal(QStringLiteral("K1"), QStringLiteral("密粒"), 0, Day(1));
        Store::TDaySealRead gone(QStringLiteral("K1"), QStringLiteral("密粒"), 0, Day(2));
        Store::OpenTogether({&tail, &seal, &gone});
        QCOMPARE(tail.Seq(), 4);
        QCOMPARE(tail.Hash(), QStringLiteral("h4"));
        QCOMPARE(seal.Seal(), QStringLiteral("seal-c"));
        QCOMPARE(gone.Seal(), QString());

        QList<int> seqs;
        for (const Store::THistoryEntry& e :
             Store::HistoryOf(QStringLiteral("K1"), QStringLiteral("密粒"), Day(1), Day(1),
                              QStringLiteral("復元")))
            seqs << e.seq;
        QCOMPARE(seqs, (QList<int>{1, 3, 4}));
        const QList<Store::THistoryEntry> ofDay =
            Store::HistoryOfDay(QStringLiteral("K1"), QStringLiteral("密粒"), 0, Day(2));
        QCOMPARE(ofDay.size(), 1);
        QCOMPARE(ofDay.first().who, QStringLiteral("山田"));

        QList<int> passed;
        Store::EachHistoryEntry([&](const Store::THistoryEntry& e) { passed << e.seq; });
        QCOMPARE(passed, (QList<int>{1, 2, 3, 4}));
        QList<Store::TSealRow> seals;
        Store::EachSeal([&](const Store::TSealRow& s, const QString&) { seals << s; });
        QCOMPARE(seals.size(), 1);
        QCOMPARE(seals.first().entry, 4);
        QCOMPARE(seals.first().day, Day(1));
        QCOMPARE(Store::RecordNames().value(1).kubunName, QStringLiteral("練上温度"));
    }

    // The passes over registered days: the days and every reading, the days a search finds
    // with their measurer, their temperatures, and a project's journey.
    void passesOverTheDays()
    {
        TempProfile profile;
        PrepareStore();
        Store::WriteRecord({1, QStringLiteral("K1"), QStringLiteral("密粒"), QStringLiteral("山田"),
                            QString(), 0, QStringLiteral("160_185::")},
                           false);
        Store::WriteRecord({2, QStringLiteral("K1"), QStringLiteral("密粒"), QStringLiteral("山田"),
                            QString(), 1, QString()},
                           false);
        Store::WriteDaySummary({1, Day(1), 2, 170, 160, 165, QString(), QStringLiteral("伊藤"),
                                QString(), QStringLiteral("２０℃")},
                               false);
        Store::WriteDaySummary({1, Day(2), 0, 0, 0, 0}, false);
        Store::WriteDaySummary({2, Day(1), 1, 150, 150, 150}, false);
        Store::ReplaceReadings(1, Day(1), {Load(1, 160), Load(2, 170)}, {});
        Store::ReplaceReadings(2, Day(1), {Load(1, 150)}, {});

        QList<QPair<int, QString>> days;
        Store::EachDaySummary([&](const Store::TDaySummary& d, const QString& text) {
            days.append({d.kanriId, text});
            QCOMPARE(Engine::DateTimeFromColumn(QVariant(text)), d.day);
        });
        QCOMPARE(days.size(), 3);
        QCOMPARE(days.at(0).first, 1);
        QCOMPARE(days.at(2).first, 2);
        QVERIFY(days.at(0).second < days.at(1).second);
        QList<QPair<int, int>> rows; // record, load
        QByteArray trucks;
        Store::EachStoredReading(
            [&](int kanriId, const QByteArray& day, const Store::TRawReading& r) {
                QCOMPARE(QString::fromUtf8(day), days.at(0).second);
                rows.append({kanriId, r.lno});
                trucks += r.syaryo;
            });
        std::sort(rows.begin(), rows.end());
        QCOMPARE(rows, (QList<QPair<int, int>>{{1, 1}, {1, 2}, {2, 1}}));
        QCOMPARE(trucks.size(), 6);
        QCOMPARE(Store::ReadingsOf(1, Day(1)), (QList<Reading>{Load(1, 160), Load(2, 170)}));

        QStringList measurers;
        Store::EachFoundDay({QStringLiteral("K1")}, [&](const Store::TFoundDay& d) {
            measurers << QStringLiteral("%1/%2:%3")
                             .arg(d.kanriId)
                             .arg(d.day.date().day())
                             .arg(d.measurer);
            return measurers.size() < 2; // stops when asked
        });
        // Newest first; the day's measurer, else the record's.
        QCOMPARE(measurers, (QStringList{QStringLiteral("1/2:山田"), QStringLiteral("1/1:伊藤")}));
        double sum = 0;
        Store::EachTemperature({QStringLiteral("K1"), QString(), true, 0, QDate(2024, 5, 1)},
                               [&](int, const QDateTime&, double ondo) { sum += ondo; });
        QCOMPARE(sum, 330.0);

        const QList<Store::TJourneyRecord> stages =
            Store::JourneyRecords(QStringLiteral("K1"), QStringLiteral("密粒"));
        QCOMPARE(stages.size(), 2);
        QCOMPARE(stages.first().kikakuti, QStringLiteral("160_185::"));
        int loads = 0;
        Store::EachJourneyReading(QStringLiteral("K1"), QStringLiteral("密粒"), Day(1), Day(2),
                                  [&](const Store::TJourneyRow& r) { loads += r.kanriId; });
        QCOMPARE(loads, 1 + 1 + 2);
        QStringList air;
        Store::EachAirTemperature(QStringLiteral("K1"), QStringLiteral("密粒"), Day(1), Day(1),
                                  [&](const QDateTime&, const QString& kion) { air << kion; });
        QVERIFY(air.contains(QStringLiteral("２０℃")));

        // Rows a person entered: every table but the categories.
        QCOMPARE(Store::EnteredRows(), 2 + 3 + 3 + 2);
        for (const auto& [name, present] : Store::TablesPresent())
            QVERIFY2(present, qPrintable(name));
    }
};

ONDO_TEST_MAIN(TestStoreHistory, QCoreApplication)
#include "test_store_history.moc"
