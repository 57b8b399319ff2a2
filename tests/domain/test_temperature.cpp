#include "domain/Temperature.h"

#include <QtTest>
#include <cmath>

// The one rule for every temperature that comes in: what it takes, what it refuses, and the
// reason it gives.
class TestTemperature : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void typedText_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<double>("value");    // when taken
        QTest::addColumn<QString>("refusal"); // empty: taken

        const QString unreadable = QStringLiteral("は温度として読めません");
        const QString outside = QStringLiteral("は温度の範囲 (−20〜300 ℃) の外です");
        const auto refused = [](const char* typed, const QString& why) {
            QTest::newRow(typed) << QString::fromUtf8(typed) << 0.0
                                 << QStringLiteral("「%1」").arg(QString::fromUtf8(typed)) + why;
        };
        const auto taken = [](const char* name, const QString& typed, double value) {
            QTest::newRow(name) << typed << value << QString();
        };

        // Typos that were once stored as some number.
        for (const char* typo :
             {"13.5.2", "l62", "15..5", "1E3", "1e2", "0x9B", "abc1", "ー155", "16 2", "162,5",
              "162℃", "+-5", ".5", "-", "inf", "nan", "１６２a"})
            refused(typo, unreadable);
        refused("162.255", unreadable + QStringLiteral("（小数は2桁まで）"));
        // A missed decimal point, and the bounds' neighbours.
        for (const char* far : {"1350", "300.01", "-20.01", "－155", "1000"})
            refused(far, outside);
        QTest::newRow("empty") << QString() << 0.0 << QStringLiteral("温度が入力されていません");
        QTest::newRow("blank") << QStringLiteral("　 ") << 0.0
                               << QStringLiteral("温度が入力されていません");

        taken("plain", QStringLiteral("162"), 162);
        taken("one decimal", QStringLiteral("162.5"), 162.5);
        taken("two decimals", QStringLiteral("162.25"), 162.25);
        taken("point without decimals", QStringLiteral("162."), 162);
        taken("leading zero", QStringLiteral("0162"), 162);
        taken("lowest", QStringLiteral("-20"), -20);
        taken("highest", QStringLiteral("300"), 300);
        taken("highest with decimals", QStringLiteral("300.00"), 300);
        taken("plus", QStringLiteral("+15"), 15);
        taken("full width", QStringLiteral("１６２．５"), 162.5);
        taken("full-width minus", QStringLiteral("－５"), -5);
        taken("minus sign", QStringLiteral("−7"), -7);
        taken("blanks around", QStringLiteral("　 155 "), 155);
    }

    void typedText()
    {
        QFETCH(QString, typed);
        QFETCH(double, value);
        QFETCH(QString, refusal);
        const TTemperature t = ReadTemperature(typed);
        QCOMPARE(t.refusal, refusal);
        QCOMPARE(t.IsValid(), refusal.isEmpty());
        if (t.IsValid())
            QCOMPARE(t.value, value);
    }

    // A long typo is quoted cut, so that a pasted line does not fill the message.
    void longTextIsQuotedCut()
    {
        const TTemperature t = ReadTemperature(QString(200, QLatin1Char('9')) + QLatin1Char('x'));
        QVERIFY(!t.IsValid());
        QVERIFY2(t.refusal.size() < 40, qPrintable(t.refusal));
        QVERIFY(t.refusal.startsWith(QStringLiteral("「99999")));
    }

    // Numbers from files whose column is numeric: the same range and decimals.
    void numbersFromFiles()
    {
        for (const double v : {-20.0, 0.0, 162.3, 162.35, 299.99, 300.0})
            QVERIFY2(CheckTemperature(v).IsValid(), qPrintable(QString::number(v)));
        QCOMPARE(CheckTemperature(1350).refusal,
                 QStringLiteral("「1350」は温度の範囲 (−20〜300 ℃) の外です"));
        QCOMPARE(CheckTemperature(-20.5).refusal,
                 QStringLiteral("「-20.5」は温度の範囲 (−20〜300 ℃) の外です"));
        QCOMPARE(CheckTemperature(162.255).refusal,
                 QStringLiteral("「162.255」は温度として読めません（小数は2桁まで）"));
        QVERIFY(!CheckTemperature(std::nan("")).IsValid());
        QVERIFY(!CheckTemperature(INFINITY).IsValid());
    }
};

QTEST_GUILESS_MAIN(TestTemperature)
#include "test_temperature.moc"
