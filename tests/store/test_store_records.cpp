#include "StoreFixture.h"
#include "storage/Engine.h"
#include "store/Site.h"
#include "support/TestSupport.h"

#include <QCoreApplication>

class TestStoreRecords : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void registersAndCategories()
    {
        TempProfile profile;
        PrepareStore();
        using Store::Register;
        Store::SaveRegisterEntry(Register::Names,
                                 {QStringLiteral("山田"), QStringLiteral("ヤマダ")});
        Store::SaveRegisterEntry(Register::Names,
                                 {QStringLiteral("伊藤"), QStringLiteral("イトウ")});
        Store::SaveRegisterEntry(Register::Projects,
                                 {QStringLiteral("K1"), QStringLiteral("国道")});
        // Measurers by reading; a saved key is updated, not added twice.
        QCOMPARE(Store::RegisterKeys(Register::Names),
                 (QStringList{QStringLiteral("伊藤"), QStringLiteral("山田")}));
        QCOMPARE(Store::RegisterRows(Register::Projects).size(), 1);
        Store::TRegisterRead project(Register::Projects, QStringLiteral("K1"));
        Store::TRegisterRead missing(Register::Mixes, QStringLiteral("粗粒"));
        Store::TCategoryRead category(QStringLiteral("初期締固前温度"));
        Store::OpenTogether({&project, &missing, &category});
        QCOMPARE(project.Row()->second, QStringLiteral("国道"));
        QVERIFY(!missing.Row());
        QCOMPARE(category.Row()->id, 1);
        const Store::TRegistered both =
            Store::ProjectAndMixRegistered(QStringLiteral("K1"), QStringLiteral("粗粒"));
        QVERIFY(both.project && !both.mix);
        Store::DeleteRegisterEntry(Register::Names, QStringLiteral("伊藤"));
        QCOMPARE(Store::RegisterKeys(Register::Names), QStringList{QStringLiteral("山田")});

        // The list replaced whole; a record keeps its category's number from being taken again.
        Store::WriteCategories({{7, QStringLiteral("到着温度"), QStringLiteral("全車"),
                                 QStringLiteral("140_"), true, true}});
        QCOMPARE(Store::CategoryNames(), QStringList{QStringLiteral("到着温度")});
        const std::optional<Store::TCategoryRow> arrival = Store::CategoryByID(7);
        QVERIFY(arrival && arrival->stampsTime && arrival->numberedAlike);
        QCOMPARE(arrival->range, QStringLiteral("140_"));
        QVERIFY(!Store::CategoryByID(0));
        Store::WriteRecord(
            {1, QStringLiteral("K1"), QStringLiteral("密粒"), QString(), QString(), 9, QString()},
            false);
        QCOMPARE(Store::NewCategoryID(), 10);
        QCOMPARE(Store::RecordsOfCategory(9), 1);
        QVERIFY(!Store::CategoryUnused(9) && Store::CategoryUnused(7));
        QCOMPARE(Store::RecordsNaming(Register::Projects, QStringLiteral("K1")), 1);
        QCOMPARE(Store::RecordsNaming(Register::Mixes, QStringLiteral("粗粒")), 0);
    }

    // A record and its day written, read back together, and changed.
    void recordDayAndReadings()
    {
        TempProfile profile;
        PrepareStore();
        QVERIFY(Store::HoldsRecords());
        const int id = Store::NewRecordID();
        QCOMPARE(id, 1);
        Store::WriteRecord({id, QStringLiteral("K1"), QStringLiteral("密粒"),
                            QStringLiteral("山田"), QStringLiteral("記事"), 0,
                            QStringLiteral("160_185::")},
                           false);
        Store::WriteDaySummary({id, Day(2), 2, 170, 160, 165, QStringLiteral("晴れの日"),
                                QStringLiteral("伊藤"), QStringLiteral("晴"), QStringLiteral("20"),
                                false},
                               false);
        Store::ReplaceReadings(id, Day(2), {Load(2, 170), Load(1, 160)},
                               {{2, {QStringLiteral("phone-0002"), QStringLiteral("P1")}}});

        Store::TRecordIdRead byName(QStringLiteral("K1"), QStringLiteral("密粒"),
                                    Store::TCategoryKey(QStringLiteral("練上温度")));
        Store::TStoredDayRead day(QStringLiteral("K1"), QStringLiteral("密粒"), 0, Day(2));
        Store::TDayPresentRead other(QStringLiteral("K1"), QStringLiteral("密粒"), 0, Day(3));
        Store::OpenTogether({&byName, &day, &other});
        QCOMPARE(byName.Id(), std::optional<int>(id));
        QVERIFY(!other.Present());
        PhoneMarks marks;
        const DayAsStored stored = day.Day(&marks);
        QVERIFY(stored.present);
        QCOMPARE(stored.simei, QStringLiteral("伊藤"));
        QCOMPARE(stored.readings, (QList<Reading>{Load(1, 160), Load(2, 170)})); // by load
        QCOMPARE(marks.size(), 1);
        QCOMPARE(marks.value(2).device, QStringLiteral("P1"));

        const std::optional<Store::TRecordDay> latest = Store::LatestDayOfRecord(id);
        QVERIFY(latest);
        QCOMPARE(latest->record.simei, QStringLiteral("山田"));
        QCOMPARE(latest->summary.simei, QStringLiteral("伊藤"));
        QCOMPARE(latest->summary.tekiyo, QStringLiteral("晴れの日"));
        QVERIFY(!Store::RecordDay(QStringLiteral("K1"), QStringLiteral("密粒"), 1, Day(2)));

        // Updated where its project, mix and category are stored.
        Store::WriteRecord({id, QStringLiteral("K1"), QStringLiteral("密粒"),
                            QStringLiteral("山田"), QString(), 0, QStringLiteral("150_::")},
                           true);
        Store::TRecordRead header(QStringLiteral("K1"), QStringLiteral("密粒"),
                                  QStringLiteral("練上温度"));
        header.Open();
        QCOMPARE(header.Row()->kikakuti, QStringLiteral("150_::"));
        QCOMPARE(Store::DaysOf(QStringLiteral("K1"), QStringLiteral("密粒")),
                 QList<QDateTime>{Day(2)});
        QVERIFY(Store::HasDay(id, Day(2)) && !Store::HasDay(id, Day(3)));
        QVERIFY(Store::HasRecords(QStringLiteral("K1"), QStringLiteral("密粒")));
        const QList<Store::TRecordListRow> listed = Store::RecordsOfProject(QStringLiteral("K1"));
        QCOMPARE(listed.size(), 1);
        QCOMPARE(listed.first().kojimei, QStringLiteral("県道"));
        QCOMPARE(listed.first().kubunName, QStringLiteral("練上温度"));
        QCOMPARE(Store::AllRecords().size(), 1);
    }

    // An import's days: summaries in batches, readings streamed, a replaced day's readings gone.
    void manyDaysWrittenAndDeleted()
    {
        TempProfile profile;
        PrepareStore();
        Store::WriteRecord(
            {5, QStringLiteral("K1"), QStringLiteral("密粒"), QString(), QString(), 1, QString()},
            false);
        {
            Transaction tx;
            Store::InsertDaySummaries(
                {{5, Day(1), 1, 150, 150, 150}, {5, Day(2), 2, 152, 151, 151.5}});
            Store::TReadingStream lines;
            lines.Add(5, Day(1), {Load(1, 150)});
            lines.Add(5, Day(2), {Load(1, 151), Load(2, 152)});
            lines.Finish();
            tx.Commit();
        }
        Store::TStoredDaysRead days(QStringLiteral("K1"), QStringLiteral("密粒"),
                                    QStringLiteral("初期締固前温度"), true);
        days.Open();
        const QList<Store::TDaySummary> summaries = days.Days();
        QCOMPARE(summaries.size(), 2);
        QCOMPARE(Store::DayCount(5), 2);
        Store::DeleteReadingsOfDays(5, {Day(1)});
        QVERIFY(Store::ReadingsOfDay(QStringLiteral("K1"), QStringLiteral("密粒"), 1, Day(1))
                    .isEmpty());
        QCOMPARE(
            Store::ReadingsOfDay(QStringLiteral("K1"), QStringLiteral("密粒"), 1, Day(2)).size(),
            2);

        Store::TDeletionRead gone(5, Day(2));
        gone.Open();
        QCOMPARE(gone.Header()->kubunName, QStringLiteral("初期締固前温度"));
        QCOMPARE(gone.Readings().size(), 2);
        QCOMPARE(gone.Days(), QList<QDateTime>{Day(2)});
        Store::DeleteDayRows(5, Day(2));
        QCOMPARE(Store::DayCount(5), 1);
        Store::DeleteRecordRows(5);
        QCOMPARE(Store::FindRecord(QStringLiteral("K1"), QStringLiteral("密粒"), 1), 0);
        Store::TDeletionRead none(5, QDateTime());
        none.Open();
        QVERIFY(!none.Header());
    }

    // The site's readings: appended with the phone's id, corrected, moved up and removed.
    void siteReadings()
    {
        TempProfile profile;
        PrepareStore();
        Store::WriteRecord({3, QStringLiteral("K1"), QStringLiteral("密粒"), QString(), QString(),
                            0, QStringLiteral("160_185::")},
                           false);
        Store::WriteDaySummary({3, Day(4), 0, 0, 0, 0}, false);
        Store::AppendReading(3, Day(4),
                             {Load(1, 161), QStringLiteral("phone-0001"), QStringLiteral("P1")});
        Store::AppendReading(3, Day(4),
                             {Load(2, 162), QStringLiteral("phone-0002"), QStringLiteral("P2")});
        Reading corrected = Load(2, 172);
        corrected.Syaryo = QStringLiteral("T9");
        corrected.Jikoku = QStringLiteral("09:99"); // the time a reading was taken stays
        Store::CorrectReading(3, Day(4), corrected);
        Store::RemoveReading(3, Day(4), 1);
        Store::MoveReading(3, Day(4), 2, 1, QStringLiteral("1"));
        Store::UpdateDayFigures(3, Day(4), 1, 162, 162, 162);

        Store::TSiteRecordRead record(QStringLiteral("K1"), QStringLiteral("密粒"), 0);
        record.Open();
        QCOMPARE(record.Record()->kikakuti, QStringLiteral("160_185::"));
        Store::TSiteDayRead day(3, Day(4));
        day.Open();
        QVERIFY(day.Present() && !day.Simulated());
        const QList<Store::TSiteRow> rows = day.Rows();
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows.first().reading.LNO, 1);
        QCOMPARE(rows.first().reading.Sokuten, QStringLiteral("1"));
        QCOMPARE(rows.first().reading.Ondo, 172.0);
        QCOMPARE(rows.first().reading.Syaryo, QStringLiteral("T9"));
        QCOMPARE(rows.first().reading.Jikoku, QStringLiteral("08:02"));
        QCOMPARE(rows.first().id, QStringLiteral("phone-0002"));
        QCOMPARE(rows.first().device, QStringLiteral("P2"));
        QCOMPARE(
            Store::RecordDay(QStringLiteral("K1"), QStringLiteral("密粒"), 0, Day(4))->summary.kosu,
            1);
    }
};

ONDO_TEST_MAIN(TestStoreRecords, QCoreApplication)
#include "test_store_records.moc"
