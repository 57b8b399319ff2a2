#include "statistics/Capability.h"
#include "statistics/ControlLimits.h"
#include "support/TestSupport.h"

#include <cmath>

using TSignalList = QList<QPair<int, int>>;

namespace {

// Days of five readings whose σ of the mean is exactly 1, so a mean is its own zone value.
TXbarSLimits UnitZones()
{
    TXbarSLimits l;
    l.sBar = 3.0 / ChartConstants(5).a3;
    l.valid = true;
    return l;
}

std::vector<TSubgroup> Days(const std::vector<double>& means)
{
    std::vector<TSubgroup> days;
    for (double m : means)
        days.push_back({5, m, 1.0});
    return days;
}

TSignalList Signals(const std::vector<double>& means)
{
    TSignalList out;
    for (const TSignal& s : XbarSignals(Days(means), UnitZones()))
        out.append({s.index, s.test});
    return out;
}

std::vector<double> Repeat(const std::vector<double>& pattern, int count)
{
    std::vector<double> out;
    for (int i = 0; i < count; ++i)
        out.push_back(pattern[i % pattern.size()]);
    return out;
}

} // namespace

class TestStatistics : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void constantsMatchTheirFormulas()
    {
        // The table values are the c4 formulas rounded to three decimals: a mistyped entry
        // stands out, and the formulas carry on smoothly above 25.
        for (int n = 2; n <= 30; ++n) {
            const TChartConstants k = ChartConstants(n);
            const double spread = 3 * std::sqrt(1 - k.c4 * k.c4) / k.c4;
            QVERIFY2(std::abs(k.a3 - 3 / (k.c4 * std::sqrt(double(n)))) < 0.0011,
                     qPrintable(QString::number(n)));
            QVERIFY2(std::abs(k.b3 - std::max(0.0, 1 - spread)) < 0.0011,
                     qPrintable(QString::number(n)));
            QVERIFY2(std::abs(k.b4 - (1 + spread)) < 0.0011, qPrintable(QString::number(n)));
        }
        QCOMPARE(ChartConstants(5).a3, 1.427);
        QVERIFY(std::abs(ChartConstants(25).c4 - 0.9896) < 0.0001);
    }

    void limitsOfDaysOfVaryingSize()
    {
        // Worked by hand: {1,2,3} mean 2 s 1; {4,6} mean 5 s √2; {10} one reading.
        const std::vector<TSubgroup> days = {MakeSubgroup({1, 2, 3}), MakeSubgroup({4, 6}),
                                             MakeSubgroup({10})};
        QCOMPARE(days[0].s, 1.0);
        QVERIFY(std::abs(days[1].s - std::sqrt(2.0)) < 1e-12);
        const TXbarSLimits l = ComputeXbarS(days);
        QVERIFY(l.valid);
        QCOMPARE(l.totalN, 6);
        QCOMPARE(l.days, 3);
        QVERIFY(std::abs(l.grandMean - 26.0 / 6) < 1e-12);
        QVERIFY(std::abs(l.sBar - std::sqrt(4.0 / 3)) < 1e-12); // (2·1 + 1·2) / (5 − 2)

        const TSubgroupLimits three = LimitsFor(l, 3);
        QVERIFY(std::abs(three.xHigh - (26.0 / 6 + 1.954 * l.sBar)) < 1e-12);
        QVERIFY(std::abs(three.sHigh - 2.568 * l.sBar) < 1e-12);
        QCOMPARE(three.sLow, 0.0);
        const TSubgroupLimits one = LimitsFor(l, 1);
        QVERIFY(!one.hasS);
        QVERIFY(std::abs(one.xLow - (26.0 / 6 - 3 * l.sBar)) < 1e-12);

        // Limits from a base period apply to later days: the s point of a wide day is out.
        const std::vector<TSubgroup> later = {MakeSubgroup({0, 20}), MakeSubgroup({4, 5})};
        QCOMPARE(SOutOfLimits(later, l), std::vector<int>{0});
        QVERIFY(!ComputeXbarS({MakeSubgroup({150})}).valid);
    }

    void testsForAssignableCauses_data()
    {
        QTest::addColumn<std::vector<double>>("means");
        QTest::addColumn<TSignalList>("expected");
        using L = TSignalList;
        QTest::newRow("1 beyond 3σ") << std::vector<double>{0.5, -0.5, 3.1} << L{{2, 1}};
        QTest::newRow("1 just inside") << std::vector<double>{0.5, -0.5, 2.9} << L{};
        QTest::newRow("2 nine on one side") << Repeat({0.5}, 9) << L{{8, 2}};
        QTest::newRow("2 eight only") << [] {
            auto v = Repeat({0.5}, 9);
            v[0] = -0.5;
            return v;
        }() << L{};
        QTest::newRow("3 six rising")
            << std::vector<double>{-1.0, -0.6, -0.2, 0.2, 0.6, 0.9} << L{{5, 3}};
        QTest::newRow("3 five rising")
            << std::vector<double>{-1.0, -0.6, -0.2, 0.2, 0.1, 0.9} << L{};
        QTest::newRow("4 fourteen alternating") << Repeat({0.5, -0.5}, 14) << L{{13, 4}};
        QTest::newRow("4 thirteen") << Repeat({0.5, -0.5}, 13) << L{};
        QTest::newRow("5 two of three beyond 2σ")
            << std::vector<double>{0.0, 2.5, 0.0, 2.5} << L{{3, 5}};
        QTest::newRow("5 opposite sides") << std::vector<double>{2.5, 0.0, -2.5} << L{};
        QTest::newRow("6 four of five beyond 1σ")
            << std::vector<double>{1.5, 1.5, 0.0, 1.5, 1.5} << L{{4, 6}};
        QTest::newRow("6 three of five") << std::vector<double>{1.5, 1.5, 0.0, 0.0, 1.5} << L{};
        QTest::newRow("7 fifteen within 1σ")
            << Repeat({0.2, 0.4, 0.3, -0.2, -0.4, -0.3}, 15) << L{{14, 7}};
        QTest::newRow("7 fourteen") << Repeat({0.2, 0.4, 0.3, -0.2, -0.4, -0.3}, 14) << L{};
        QTest::newRow("8 eight outside 1σ") << Repeat({1.5, -1.5}, 8) << L{{7, 8}};
        QTest::newRow("8 seven") << [] {
            auto v = Repeat({1.5, -1.5}, 8);
            v[3] = 0.5;
            return v;
        }() << L{};
    }

    void testsForAssignableCauses()
    {
        QFETCH(std::vector<double>, means);
        QFETCH(TSignalList, expected);
        QCOMPARE(Signals(means), expected);
    }

    void capabilityTwoAndOneSided()
    {
        const std::vector<double> r = {148, 150, 152};
        const TCapability both = ComputeCapability(r, 140.0, 160.0);
        QCOMPARE(both.mean, 150.0);
        QCOMPARE(both.s, 2.0);
        QVERIFY(std::abs(*both.cp - 20.0 / 12) < 1e-12);
        QVERIFY(std::abs(*both.cpk - 10.0 / 6) < 1e-12);
        QCOMPARE(both.judgement, QStringLiteral("十分"));

        const TCapability lowOnly = ComputeCapability(r, 145.0, std::nullopt); // "145_"
        QVERIFY(!lowOnly.cp);
        QVERIFY(std::abs(*lowOnly.cpk - 5.0 / 6) < 1e-12);
        QCOMPARE(lowOnly.judgement, QStringLiteral("不足"));

        const TCapability offCentre = ComputeCapability(r, 149.0, 162.0);
        QCOMPARE(offCentre.outside, 1);
        QVERIFY(std::abs(offCentre.outsideShare - 1.0 / 3) < 1e-12);
        QVERIFY(std::abs(*offCentre.cpk - 1.0 / 6) < 1e-12); // the near side decides
        QVERIFY(std::abs(*offCentre.cp - 13.0 / 12) < 1e-12);
        QCOMPARE(offCentre.judgement, QStringLiteral("まずまず"));
        QVERIFY(ComputeCapability({150, 150}, 140.0, 160.0).judgement.isEmpty()); // s = 0
    }

    void histogramClasses()
    {
        std::vector<double> whole;
        for (int i = 0; i < 25; ++i)
            whole.push_back(150 + i);
        const THistogram h = MakeHistogram(whole); // √25 = 5 classes of 5 °C
        QCOMPARE(h.unit, 1.0);
        QCOMPARE(h.width, 5.0);
        QCOMPARE(int(h.classes.size()), 5);
        QCOMPARE(h.classes.front().low, 149.5);
        for (const THistogramClass& c : h.classes)
            QCOMPARE(c.count, 5);

        std::vector<double> many;
        for (int i = 0; i < 900; ++i)
            many.push_back(140 + (i % 400) * 0.1);
        const THistogram fine = MakeHistogram(many); // √900 = 30, at most 20 classes
        QCOMPARE(fine.unit, 0.1);
        QVERIFY(fine.classes.size() <= 20 && fine.classes.size() >= 15);
        int total = 0;
        for (const THistogramClass& c : fine.classes)
            total += c.count;
        QCOMPARE(total, 900);
        // Every boundary lies half a unit off the readings.
        for (const THistogramClass& c : fine.classes) {
            const double units = c.low / fine.unit;
            QVERIFY2(std::abs(units - std::floor(units) - 0.5) < 1e-6,
                     qPrintable(QString::number(c.low)));
        }
    }
};

ONDO_TEST_MAIN(TestStatistics, QCoreApplication)
#include "test_statistics.moc"
