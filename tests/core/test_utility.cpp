#include "core/AppError.h"
#include "core/Utility.h"
#include "support/TestSupport.h"

#include <QCoreApplication>

class TestUtility : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void parseNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("expected");
        QTest::newRow("unit dropped") << QStringLiteral("12.5℃") << 12.5;
        QTest::newRow("comma dropped") << QStringLiteral("1,234") << 1234.0;
        QTest::newRow("letter dropped") << QStringLiteral("1e3") << 13.0;
        QTest::newRow("blanks") << QStringLiteral("  -7  ") << -7.0;
        QTest::newRow("two points") << QStringLiteral("1.2.3") << 0.0;
        QTest::newRow("minus after digit") << QStringLiteral("12-3") << 0.0;
        QTest::newRow("lone minus") << QStringLiteral("-") << 0.0;
        QTest::newRow("empty") << QString() << 0.0;
        QTest::newRow("full-width digits dropped") << QStringLiteral("１５０") << 0.0;
    }
    void parseNumber()
    {
        QFETCH(QString, text);
        QFETCH(double, expected);
        QCOMPARE(ParseNumber(text), expected);
    }

    // What a person types with the input method on reads as the same number.
    void typedFullWidth()
    {
        QCOMPARE(ParseNumber(AsciiTyped(QStringLiteral("１５２"))), 152.0);
        QCOMPARE(ParseNumber(AsciiTyped(QStringLiteral("152．5"))), 152.5);
        QCOMPARE(ParseNumber(AsciiTyped(QStringLiteral("－5"))), -5.0);
        QCOMPARE(ParseNumber(AsciiTyped(QStringLiteral("−7"))), -7.0);
        QCOMPARE(ParseWhole(AsciiTyped(QStringLiteral("　１２　"))), 12);
        QCOMPARE(AsciiTyped(QStringLiteral("練上１台毎")), QStringLiteral("練上1台毎"));

        const QList<QPair<QString, QString>> ranges{
            {QStringLiteral("150-160"), QStringLiteral("150_160")},
            {QStringLiteral("１５０～１６０"), QStringLiteral("150_160")},
            {QStringLiteral("150〜160"), QStringLiteral("150_160")},
            {QStringLiteral(" 150 _ 160 "), QStringLiteral("150_160")},
            {QStringLiteral("-5--1"), QStringLiteral("-5_-1")},
            {QStringLiteral("１５０＿"), QStringLiteral("150_")},
            {QStringLiteral("-5"), QStringLiteral("-5")}};
        for (const auto& r : ranges) {
            QCOMPARE(TypedRange(r.first), r.second);
            QVERIFY2(IsRangeText(r.second), qPrintable(r.second));
        }
        for (const QString& bad :
             {QStringLiteral("_"), QStringLiteral("abc"), QStringLiteral("150_160_170"),
              QStringLiteral("abc_160"), QStringLiteral("1.2.3"), QString()})
            QVERIFY2(!IsRangeText(TypedRange(bad)), qPrintable(bad));
    }

    void wholeNumbers()
    {
        QCOMPARE(ParseWhole(QStringLiteral("7.9")), 7);
        QCOMPARE(ParseWhole(QStringLiteral("-7.9")), -7);
        QCOMPARE(ParseWhole(QStringLiteral("abc")), 0);
        QCOMPARE(ParseIntOrZero(QStringLiteral("  12")), 12);
        QCOMPARE(ParseIntOrZero(QStringLiteral("-3")), -3);
        QCOMPARE(ParseIntOrZero(QStringLiteral("12 ")), 0);
        QCOMPARE(ParseIntOrZero(QStringLiteral("1.5")), 0);
        QCOMPARE(ParseIntOrZero(QString()), 0);
        QCOMPARE(ParseIntOrZero(QStringLiteral("99999999999")), 0);
    }

    void ranges_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("low");
        QTest::addColumn<double>("high");
        const double U = RangeUnbounded;
        QTest::newRow("150_160") << QStringLiteral("150_160") << 150.0 << 160.0;
        QTest::newRow("reversed") << QStringLiteral("160_150") << 150.0 << 160.0;
        QTest::newRow("single") << QStringLiteral("150") << 150.0 << 150.0;
        QTest::newRow("empty") << QString() << -U << U;
        QTest::newRow("no lower") << QStringLiteral("_160") << -U << 160.0;
        QTest::newRow("no upper") << QStringLiteral("150_") << 150.0 << U;
        QTest::newRow("underscore") << QStringLiteral("_") << -U << U;
        QTest::newRow("letters low") << QStringLiteral("abc_160") << 160.0 << U;
        QTest::newRow("letters only") << QStringLiteral("abc_") << U << U;
        QTest::newRow("second underscore") << QStringLiteral("150_160_170") << 150.0 << U;
    }
    void ranges()
    {
        QFETCH(QString, text);
        QFETCH(double, low);
        QFETCH(double, high);
        QCOMPARE(RangeLow(text), low);
        QCOMPARE(RangeHigh(text), high);
    }

    void randomInRange()
    {
        for (int i = 0; i < 200; ++i) {
            QCOMPARE(RandomInRange(QStringLiteral("150")), 150.0);
            const double v = RandomInRange(QStringLiteral("150_160"));
            QVERIFY(v >= 150.0 && v < 160.0);
            QVERIFY(RandomInRange(QStringLiteral("150_")) >= 150.0);
        }
    }

    void roundHalfUp_data()
    {
        QTest::addColumn<int>("decimals");
        QTest::addColumn<double>("value");
        QTest::addColumn<double>("expected");
        QTest::newRow("12.25") << 1 << 12.25 << 12.3;
        QTest::newRow("-12.25") << 1 << -12.25 << -12.3;
        QTest::newRow("0.35") << 1 << 0.35 << 0.4;
        QTest::newRow("2.5") << 0 << 2.5 << 3.0;
        QTest::newRow("152.44") << 1 << 152.44 << 152.4;
    }
    void roundHalfUp()
    {
        QFETCH(int, decimals);
        QFETCH(double, value);
        QFETCH(double, expected);
        QCOMPARE(RoundDecimals(decimals, value, RoundingRule::HalfUp), expected);
    }

    void roundNegativeTinyIsPlainZero()
    {
        const double r = RoundDecimals(1, -0.04, RoundingRule::HalfUp);
        QCOMPARE(r, 0.0);
        QVERIFY(!std::signbit(r));
    }

    void roundHalfEven_data()
    {
        QTest::addColumn<int>("decimals");
        QTest::addColumn<double>("value");
        QTest::addColumn<double>("expected");
        QTest::newRow("12.25") << 1 << 12.25 << 12.2;
        QTest::newRow("0.35 below half") << 1 << 0.35 << 0.3;
        QTest::newRow("0.45 above half") << 1 << 0.45 << 0.5;
        QTest::newRow("2.5") << 0 << 2.5 << 2.0;
        QTest::newRow("3.5") << 0 << 3.5 << 4.0;
    }
    void roundHalfEven()
    {
        QFETCH(int, decimals);
        QFETCH(double, value);
        QFETCH(double, expected);
        QCOMPARE(RoundDecimals(decimals, value, RoundingRule::HalfEven), expected);
    }

    void roundTooLargeFails()
    {
        try {
            RoundDecimals(1, 300000000.0, RoundingRule::HalfUp);
            QFAIL("no error for a value past 32 bits");
        } catch (const AppError& e) {
            QCOMPARE(e.message(), QStringLiteral("'3000000000' は整数ではありません"));
        }
        QVERIFY_THROWS_EXCEPTION(AppError, RoundDecimals(0, 1e16, RoundingRule::HalfEven));
    }

    void roundUp()
    {
        QCOMPARE(RoundUpDecimals(0, 18.898), 19.0);
        QCOMPARE(RoundUpDecimals(0, 19.000004), 19.0);
        QCOMPARE(RoundUpDecimals(1, 1.21), 1.3);
        QCOMPARE(RoundUpDecimals(0, -1.5), 0.0);
    }

    // The general form of a number as the seals and the history store it: the short way for
    // readings of two decimals must write exactly what the general formatter writes.
    void generalFormOfNumbers()
    {
        QCOMPARE(FormatGeneral(0.0), QStringLiteral("0"));
        QCOMPARE(FormatGeneral(-0.0), QStringLiteral("0"));
        QCOMPARE(FormatGeneral(150.5), QStringLiteral("150.5"));
        QCOMPARE(FormatGeneral(-0.05), QStringLiteral("-0.05"));
        QCOMPARE(FormatGeneral(1e-5), QStringLiteral("1e-05"));
        QCOMPARE(FormatGeneral(1.0 / 3), QStringLiteral("0.333333333333333"));
        for (int hundredths = -200000; hundredths <= 3000000; hundredths += 7) {
            const double v = hundredths / 100.0;
            if (v != 0.0)
                QCOMPARE(FormatGeneral(v), QString::number(v, 'g', 15));
        }
        for (const double v : {123456789.99, 999999999.5, 1e9, 1e15, 2.675, 152.125, 0.001})
            QCOMPARE(FormatGeneral(v), QString::number(v, 'g', 15));
    }

    void dates()
    {
        QCOMPARE(ParseDate(QStringLiteral("2024/03/31")),
                 QDateTime(QDate(2024, 3, 31), QTime(0, 0)));
        QCOMPARE(ParseDate(QStringLiteral("2024/3/1")), QDateTime(QDate(2024, 3, 1), QTime(0, 0)));
        QCOMPARE(ParseDate(QStringLiteral(" 2024/12/09 ")).date(), QDate(2024, 12, 9));
        QCOMPARE(ParseDate(QString()), DayZero());
        QCOMPARE(ParseDate(QStringLiteral("2024/02/30")), DayZero());
        QCOMPARE(ParseDate(QStringLiteral("2024-03-31")), DayZero());
        QCOMPARE(DayZero().date(), QDate(1899, 12, 30));
        QVERIFY(IsDate(QStringLiteral("2023/02/28")));
        QVERIFY(!IsDate(QStringLiteral("2023/02/29")));
        QVERIFY(!IsDate(QString()));
        QVERIFY(!IsDate(QStringLiteral("abc")));
        // What the windows write reads back as the same day.
        const QDateTime day(QDate(2025, 1, 5), QTime(0, 0));
        QCOMPARE(FormatDate(day), QStringLiteral("2025/01/05"));
        QCOMPARE(ParseDate(FormatDate(day)), day);
    }

    void tokens()
    {
        const QString sep = QStringLiteral(":");
        QCOMPARE(GetToken(QStringLiteral("a:b:c"), sep, 2), QStringLiteral("b"));
        QCOMPARE(GetToken(QStringLiteral("a::c"), sep, 2), QString());
        QCOMPARE(GetToken(QStringLiteral("a::c"), sep, 3), QStringLiteral("c"));
        QCOMPARE(GetToken(QStringLiteral("a:"), sep, 2), QString());
        QCOMPARE(GetToken(QStringLiteral("a:"), sep, 3), QString());
        QCOMPARE(GetToken(QString(), sep, 1), QString());
        QCOMPARE(GetToken(QStringLiteral("150_160"), sep, 1), QStringLiteral("150_160"));
    }

    void version()
    {
        const QString self = QCoreApplication::applicationFilePath();
        QCOMPARE(ReadVersionString(self, QStringLiteral("FileVersion")),
                 QStringLiteral(ONDOKANRI_VERSION));
        QVERIFY(!QStringLiteral(ONDOKANRI_VERSION).isEmpty());
        QCOMPARE(ReadVersionString(self, QStringLiteral("NoSuchKey")), QString());
        QCOMPARE(ReadVersionString(QStringLiteral("/bin/sh"), QStringLiteral("FileVersion")),
                 QString());
    }

    void shiftJisWidths()
    {
        QCOMPARE(SjisLength(QStringLiteral("abc")), 3);
        QCOMPARE(SjisLength(QStringLiteral("練上温度")), 8);
        QCOMPARE(SjisLength(QStringLiteral("ｱｲ")), 2);
        QCOMPARE(SjisLeft(QStringLiteral("ab練上"), 4), QStringLiteral("ab練"));
        QCOMPARE(SjisLeft(QStringLiteral("ab練上"), 3), QStringLiteral("ab"));
    }
};

ONDO_TEST_MAIN(TestUtility, QCoreApplication)
#include "test_utility.moc"
