#include "StoreFixture.h"
#include "store/Documents.h"
#include "store/Legacy.h"
#include "support/TestSupport.h"

#include <QCoreApplication>

// Two mixes of K1: 密粒 with days 2 (measured, by the day's measurer), 3 (simulated) and 4 (no
// readings); 粗粒 with day 2, measured by the record's measurer.
static void StoreTwoMixes()
{
    PrepareStore();
    Store::WriteRecord({1, QStringLiteral("K1"), QStringLiteral("密粒"), QStringLiteral("山田"),
                        QString(), 0, QStringLiteral("160_185::全車")},
                       false);
    Store::WriteRecord({2, QStringLiteral("K1"), QStringLiteral("粗粒"), QStringLiteral("伊藤"),
                        QString(), 0, QStringLiteral("150_::")},
                       false);
    const auto day = [](int id, int d, int kosu, double avg, const QString& who, bool mogi) {
        Store::WriteDaySummary({id, Day(d), kosu, avg + 5, avg - 5, avg, QStringLiteral(" 記事 "),
                                who, QStringLiteral("晴"), QStringLiteral("20"), mogi},
                               false);
    };
    day(1, 2, 2, 170, QStringLiteral("佐藤"), false);
    day(1, 3, 2, 180, QString(), true);
    day(1, 4, 0, 0, QString(), false);
    day(2, 2, 1, 150, QString(), false);
    Store::ReplaceReadings(1, Day(2), {Load(2, 175), Load(1, 165)}, {});
    Store::ReplaceReadings(1, Day(3), {Load(1, 185), Load(2, 175)}, {});
    Store::ReplaceReadings(2, Day(2), {Load(1, 150)}, {});
}

class TestStoreDocuments : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // The documents' reads: the scope's mixes and period, simulated days left out when asked,
    // each day's measurer by the one rule, averages of days with readings, lines in order.
    void documentReads()
    {
        TempProfile profile;
        StoreTwoMixes();
        Store::TDocumentScope all{QStringLiteral("K1"), QString(), true, {}, {}, false};
        Store::TDocumentScope dense = all;
        dense.gozaiName = QStringLiteral("密粒");
        dense.everyMix = false;
        Store::TDocumentScope measured = dense;
        measured.measuredOnly = true;

        Store::TDocumentLookupsRead lookups(QStringLiteral("K1"));
        Store::TDocumentMixesRead mixes(all);
        Store::TDocumentRecordsRead records(all, true);
        Store::TDocumentDaysRead days(all, Store::TDocumentDaysRead::Order::MixCategoryDay);
        Store::TDocumentAveragesRead averages(dense);
        Store::TDocumentAveragesRead measuredAverages(measured);
        Store::TDocumentLinesRead lines(measured, 0);
        Store::OpenTogether(
            {&lookups, &mixes, &records, &days, &averages, &measuredAverages, &lines});
        QCOMPARE(lookups.ProjectName(), QStringLiteral("県道"));
        QCOMPARE(lookups.Categories().value(1).name, QStringLiteral("初期締固前温度"));
        QCOMPARE(lookups.PrintNames().value(QStringLiteral("密粒")), QStringLiteral("密粒度13"));
        QStringList names = mixes.Names();
        names.sort();
        QCOMPARE(names, (QStringList{QStringLiteral("密粒"), QStringLiteral("粗粒")}));
        const std::vector<Store::TDocumentRecord> heads = records.Rows();
        QCOMPARE(int(heads.size()), 2);
        QCOMPARE(heads.front().gozaiName, QStringLiteral("密粒"));
        QCOMPARE(heads.front().kikakuti, QStringLiteral("160_185::全車"));

        QStringList seen;
        for (Store::TDocumentDay d; days.Take(d);)
            seen << QStringLiteral("%1 %2 %3 %4 %5")
                        .arg(d.gozaiName)
                        .arg(d.day.date().day())
                        .arg(d.measurer, d.tekiyo)
                        .arg(d.mogi);
        QCOMPARE(seen, (QStringList{QStringLiteral("密粒 2 佐藤 記事 0"),
                                    QStringLiteral("密粒 3 山田 記事 1"),
                                    QStringLiteral("密粒 4 山田 記事 0"),
                                    QStringLiteral("粗粒 2 伊藤 記事 0")}));
        Store::TDocumentAverage a;
        QVERIFY(averages.Take(a));
        QCOMPARE(a.average, 175.0); // day 4 has no readings
        QVERIFY(!averages.Take(a));
        QVERIFY(measuredAverages.Take(a));
        QCOMPARE(a.average, 170.0);

        lines.Begin();
        QStringList read;
        for (; !lines.AtEnd(); lines.Next())
            read << QStringLiteral("%1:%2:%3:%4")
                        .arg(lines.Day().date().day())
                        .arg(lines.Sokuten())
                        .arg(lines.Ondo())
                        .arg(lines.Syaryo());
        QCOMPARE(read, (QStringList{QStringLiteral("2:1:165:T1"), QStringLiteral("2:2:175:T2")}));

        // A period of one day; the readings with their day's measurer.
        Store::TDocumentScope third = all;
        third.from = third.to = QDate(2024, 5, 3);
        Store::TDocumentReadingsRead readings(third);
        readings.Open();
        int count = 0;
        for (Store::TDocumentReading r; readings.Take(r); ++count) {
            QCOMPARE(r.day, Day(3));
            QCOMPARE(r.measurer, QStringLiteral("山田"));
            QVERIFY(r.mogi);
        }
        QCOMPARE(count, 2);
    }

    // The old folder's rows compared with and copied into ours.
    void legacyCopy()
    {
        TempProfile profile;
        StoreTwoMixes();
        using Store::LegacyTable;
        QCOMPARE(Store::StoredCategoryNames().value(0), QStringLiteral("練上温度"));
        QVERIFY(Store::StoredRegisterKeys(LegacyTable::Projects).contains(QStringLiteral("K1")));
        QVERIFY(Store::RegisterHasKey(LegacyTable::Mixes, QStringLiteral("密粒")));
        QVERIFY(!Store::RegisterHasKey(LegacyTable::Mixes, QStringLiteral("粗粒")));
        QCOMPARE(Store::StoredRecordKeys().size(), 2);
        QList<QPair<int, QDateTime>> days = Store::StoredDaysOf({2});
        QCOMPARE(days.size(), 2); // its summary's day and its readings' day
        QCOMPARE(days.first(), qMakePair(2, Day(2)));

        // An update leaves a later column the old table lacks as stored.
        Store::WriteCategories({{0, QStringLiteral("練上温度"), QStringLiteral("全車"),
                                 QStringLiteral("150_160"), true, false}});
        const QHash<QString, QVariant> old{
            {QStringLiteral("ID"), 0},
            {QStringLiteral("KubunName"), QStringLiteral("出荷温度")},
            {QStringLiteral("ODR"), 0}};
        const auto field = [&old](const QString& c) { return old.value(c); };
        Store::TLegacyWriter categories(LegacyTable::Categories,
                                        [&old](const QString& c) { return old.contains(c); });
        categories.Update(field);
        const std::optional<Store::TCategoryRow> row = Store::CategoryByID(0);
        QVERIFY(row);
        QCOMPARE(row->name, QStringLiteral("出荷温度"));
        QCOMPARE(row->interval, QStringLiteral("全車"));
        Store::TLegacyWriter mixes(LegacyTable::Mixes);
        mixes.Insert([](const QString& c) {
            return c.compare(QStringLiteral("DataName"), Qt::CaseInsensitive) == 0
                       ? QVariant(QStringLiteral("粗粒"))
                       : QVariant();
        });
        QVERIFY(Store::RegisterHasKey(LegacyTable::Mixes, QStringLiteral("粗粒")));
    }
};

ONDO_TEST_MAIN(TestStoreDocuments, QCoreApplication)
#include "test_store_documents.moc"
