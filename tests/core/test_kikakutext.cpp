#include "core/KikakuText.h"
#include "core/Utility.h"
#include "support/TestSupport.h"

#include <QCoreApplication>

class TestKikakuText : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void partsAndWriteBack_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("range");
        QTest::addColumn<QString>("interval");
        QTest::addColumn<QString>("written");
        QTest::newRow("all three")
            << QStringLiteral("160_185:150_190:全車") << QStringLiteral("160_185")
            << QStringLiteral("150_190") << QStringLiteral("全車")
            << QStringLiteral("160_185:150_190:全車");
        QTest::newRow("value alone") << QStringLiteral("110_") << QStringLiteral("110_")
                                     << QString() << QString() << QStringLiteral("110_::");
        QTest::newRow("empty") << QString() << QString() << QString() << QString()
                               << QStringLiteral("::");
        QTest::newRow("range missing")
            << QStringLiteral("150_170::30分") << QStringLiteral("150_170") << QString()
            << QStringLiteral("30分") << QStringLiteral("150_170::30分");
        QTest::newRow("interval missing")
            << QStringLiteral("150_170:140_") << QStringLiteral("150_170") << QStringLiteral("140_")
            << QString() << QStringLiteral("150_170:140_:");
        QTest::newRow("a fourth part is dropped")
            << QStringLiteral("a:b:c:d") << QStringLiteral("a") << QStringLiteral("b")
            << QStringLiteral("c") << QStringLiteral("a:b:c");
        QTest::newRow("blanks kept")
            << QStringLiteral(" 150_170 : : ") << QStringLiteral(" 150_170 ") << QStringLiteral(" ")
            << QStringLiteral(" ") << QStringLiteral(" 150_170 : : ");
    }
    // Read as the stored text was always split (by GetToken), written back as it was joined.
    void partsAndWriteBack()
    {
        QFETCH(QString, stored);
        QFETCH(QString, value);
        QFETCH(QString, range);
        QFETCH(QString, interval);
        QFETCH(QString, written);
        const TKikakuText kikaku = TKikakuText::Parse(stored);
        QCOMPARE(kikaku.value, value);
        QCOMPARE(kikaku.range, range);
        QCOMPARE(kikaku.interval, interval);
        const QString sep = QStringLiteral(":");
        QCOMPARE(kikaku.value, GetToken(stored, sep, 1));
        QCOMPARE(kikaku.range, GetToken(stored, sep, 2));
        QCOMPARE(kikaku.interval, GetToken(stored, sep, 3));
        QCOMPARE(kikaku.Text(), written);
        QCOMPARE(TKikakuText::Parse(kikaku.Text()).Text(), written);
    }

    // The specified value as the forms and the export print it, and typed back as it reads.
    void readableRange()
    {
        const QList<QPair<QString, QString>> cases{
            {QStringLiteral("160_185"), QStringLiteral("160～185 ℃")},
            {QStringLiteral("110_"), QStringLiteral("110 ℃以上")},
            {QStringLiteral("_185"), QStringLiteral("185 ℃以下")},
            {QStringLiteral("160"), QStringLiteral("160 ℃")},
            {QStringLiteral("152.5_160"), QStringLiteral("152.5～160 ℃")},
            {QString(), QString()},
            {QStringLiteral("全車"), QStringLiteral("全車")}};
        for (const auto& c : cases) {
            QCOMPARE(ReadableRange(c.first), c.second);
            if (IsRangeText(c.first))
                QCOMPARE(TypedRange(c.second), c.first);
        }
        QCOMPARE(TypedRange(QStringLiteral("１１０℃以上")), QStringLiteral("110_"));
    }

    // What the lists, the journey and the forms ask of a record's specified value: its bounds,
    // open ends, and whether a temperature falls outside (never without a range).
    void boundsAndOutside()
    {
        const TKikakuText closed = TKikakuText::Parse(QStringLiteral("160_185:150_190:全車"));
        QVERIFY(closed.HasRange() && closed.HasLow() && closed.HasHigh());
        QCOMPARE(closed.Low(), 160.0);
        QCOMPARE(closed.High(), 185.0);
        QVERIFY(!closed.IsOutside(160) && !closed.IsOutside(185));
        QVERIFY(closed.IsOutside(159.9) && closed.IsOutside(185.1));
        QCOMPARE(closed.Readable(), QStringLiteral("160～185 ℃"));

        const TKikakuText low = TKikakuText::Parse(QStringLiteral("110_::"));
        QVERIFY(low.HasLow() && !low.HasHigh());
        QCOMPARE(low.High(), RangeUnbounded);
        QVERIFY(low.IsOutside(109) && !low.IsOutside(1000));
        QCOMPARE(low.Readable(), QStringLiteral("110 ℃以上"));

        for (const QString& none :
             {QString(), QStringLiteral("全車"), QStringLiteral(":150_190:")}) {
            const TKikakuText kikaku = TKikakuText::Parse(none);
            QVERIFY(!kikaku.HasRange() && !kikaku.HasLow() && !kikaku.HasHigh());
            QVERIFY(!kikaku.IsOutside(-40) && !kikaku.IsOutside(400));
        }
    }
};

ONDO_TEST_MAIN(TestKikakuText, QCoreApplication)
#include "test_kikakutext.moc"
