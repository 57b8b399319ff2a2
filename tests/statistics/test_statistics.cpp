#include "statistics/Capability.h"
#include "statistics/ControlLimits.h"
#include "statistics/RangeChart.h"
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
        QCOMPARE(offCentre.judgement, QStringLiteral("不足")); // Cpk decides, not Cp
        QVERIFY(ComputeCapability({150, 150}, 140.0, 160.0).judgement.isEmpty()); // s = 0

        // Cp 1.39 but off centre with Cpk 0.89: not enough.
        const TCapability shifted = ComputeCapability({165, 168, 171}, 160.0, 185.0);
        QVERIFY(std::abs(*shifted.cp - 25.0 / 18) < 1e-12);
        QVERIFY(std::abs(*shifted.cpk - 8.0 / 9) < 1e-12);
        QCOMPARE(shifted.judgement, QStringLiteral("不足"));

        // Cpk 2.36 over 30 readings, but one of them outside: capable by the index, not by the
        // readings. Without it the same spread is 十分 again.
        std::vector<double> many;
        for (int i = 0; i < 30; ++i)
            many.push_back(170 + i % 3);
        const TCapability spread = ComputeCapability(many, 160.0, 185.0);
        QCOMPARE(spread.outside, 0);
        QCOMPARE(spread.judgement, QStringLiteral("十分"));
        many[0] = 159.5;
        const TCapability outlier = ComputeCapability(many, 160.0, 185.0);
        QCOMPARE(outlier.outside, 1);
        QVERIFY2(*outlier.cpk >= 1.33, qPrintable(QString::number(*outlier.cpk)));
        QCOMPARE(outlier.judgement, QStringLiteral("まずまず"));
        QCOMPARE(CapabilityJudgement(0.9, 3), QStringLiteral("不足"));
        QCOMPARE(CapabilityJudgement(1.2, 1), QStringLiteral("まずまず"));
    }

    // The printed figure never disagrees with the verdict it stands beside.
    void capabilityFigureAgreesWithVerdict()
    {
        const QList<std::tuple<double, QString, QString>> cases{
            {0.998, QStringLiteral("0.998"), QStringLiteral("不足")},
            {1.0, QStringLiteral("1.00"), QStringLiteral("まずまず")},
            {1.3299, QStringLiteral("1.3299"), QStringLiteral("まずまず")},
            {1.33, QStringLiteral("1.33"), QStringLiteral("十分")},
            {1.42496, QStringLiteral("1.42"), QStringLiteral("十分")},
            {0.9999999999, QStringLiteral("0.999999"), QStringLiteral("不足")}};
        for (const auto& [index, figure, verdict] : cases) {
            QCOMPARE(CapabilityFigure(index), figure);
            QCOMPARE(CapabilityVerdict(index), verdict);
            QCOMPARE(CapabilityVerdict(figure.toDouble()), verdict);
        }
    }

    // A2, D3 and D4 for n = 2 … 10 as they follow from d2 and d3: A2 = 3 / (d2 √n),
    // D4 = 1 + 3 d3 / d2, D3 = 1 − 3 d3 / d2 when positive; and the limits they give.
    void rangeConstantsFromD2AndD3()
    {
        const double d2[] = {1.12838, 1.69257, 2.05875, 2.32593, 2.53441,
                             2.70436, 2.84720, 2.97003, 3.07751};
        const double d3[] = {0.85250, 0.88837, 0.87981, 0.86408, 0.84803,
                             0.83320, 0.81983, 0.80783, 0.79705};
        for (int n = 2; n <= 10; ++n) {
            const TRangeConstants k = RangeConstants(n);
            const double a = d2[n - 2], b = d3[n - 2];
            QVERIFY2(std::abs(k.a2 - 3 / (a * std::sqrt(double(n)))) < 0.0006,
                     qPrintable(QString::number(n)));
            QVERIFY2(std::abs(k.d4 - (1 + 3 * b / a)) < 0.0006, qPrintable(QString::number(n)));
            QVERIFY2(std::abs(k.d3 - std::max(0.0, 1 - 3 * b / a)) < 0.0006,
                     qPrintable(QString::number(n)));
            QVERIFY(std::abs(k.d2 - a) < 0.0006);
        }
        // As the data sheets print them, and the limits they give two subgroups of n readings
        // with means 100 and 102 and ranges 10, worked out by hand: X̿ = 101, R̄ = 10.
        struct Hand
        {
            double a2, d3, d4, xHigh, xLow, rHigh, rLow;
        };
        const Hand table[] = {{1.880, 0, 3.267, 119.80, 82.20, 32.67, 0},
                              {1.023, 0, 2.574, 111.23, 90.77, 25.74, 0},
                              {0.729, 0, 2.282, 108.29, 93.71, 22.82, 0},
                              {0.577, 0, 2.114, 106.77, 95.23, 21.14, 0},
                              {0.483, 0, 2.004, 105.83, 96.17, 20.04, 0},
                              {0.419, 0.076, 1.924, 105.19, 96.81, 19.24, 0.76},
                              {0.373, 0.136, 1.864, 104.73, 97.27, 18.64, 1.36},
                              {0.337, 0.184, 1.816, 104.37, 97.63, 18.16, 1.84},
                              {0.308, 0.223, 1.777, 104.08, 97.92, 17.77, 2.23}};
        for (int n = 2; n <= 10; ++n) {
            const Hand& h = table[n - 2];
            const TRangeConstants k = RangeConstants(n);
            QVERIFY2(std::abs(k.a2 - h.a2) < 0.0005 && std::abs(k.d3 - h.d3) < 0.0005 &&
                         std::abs(k.d4 - h.d4) < 0.0005,
                     qPrintable(QString::number(n)));
            std::vector<double> a(size_t(n), 100), b(size_t(n), 102);
            a[0] = 95, a[1] = 105, b[0] = 97, b[1] = 107;
            const TRangeSubgroupLimits l =
                RangeLimitsFor(ComputeXbarR({MakeRangeSubgroup(a), MakeRangeSubgroup(b)}));
            QVERIFY2(std::abs(l.xHigh - h.xHigh) < 0.006 && std::abs(l.xLow - h.xLow) < 0.006 &&
                         std::abs(l.rHigh - h.rHigh) < 0.006 && std::abs(l.rLow - h.rLow) < 0.006,
                     qPrintable(QString::number(n)));
        }
        QCOMPARE(RangeConstants(3).d4, 2.574);
        QCOMPARE(RangeConstants(5).d4, 2.114);
        QCOMPARE(RangeConstants(1).a2, 0.0);
        QCOMPARE(RangeConstants(26).d4, 0.0);
    }

    // Limits worked out by hand from four subgroups of five: X̿ = 161.0, R̄ = 4.5; a subgroup
    // of another size is not counted.
    void rangeLimitsByHand()
    {
        std::vector<TRangeSubgroup> groups{MakeRangeSubgroup({160, 162, 158, 161, 159}),
                                           MakeRangeSubgroup({163, 165, 161, 164, 162}),
                                           MakeRangeSubgroup({158, 160, 156, 157, 159}),
                                           MakeRangeSubgroup({161, 166, 160, 163, 165})};
        QCOMPARE(groups[3].mean, 163.0);
        QCOMPARE(groups[3].range, 6.0);
        groups.push_back(MakeRangeSubgroup({100, 200}));
        const TRangeLimits l = ComputeXbarR(groups);
        QVERIFY(l.valid);
        QCOMPARE(l.count, 4);
        QCOMPARE(l.n, 5);
        QCOMPARE(l.sumOfMeans, 644.0);
        QCOMPARE(l.sumOfRanges, 18.0);
        QCOMPARE(l.grandMean, 161.0);
        QCOMPARE(l.rBar, 4.5);
        const TRangeSubgroupLimits five = RangeLimitsFor(l);
        QVERIFY(std::abs(five.xHigh - 163.5965) < 1e-9);
        QVERIFY(std::abs(five.xLow - 158.4035) < 1e-9);
        QVERIFY(std::abs(five.rHigh - 9.513) < 1e-9);
        QVERIFY(!five.hasRLow);
        QVERIFY(RangeOutOfControl(groups[2], l).mean); // 158.0 under 158.4035
        QVERIFY(!RangeOutOfControl(groups[1], l).mean);
        QVERIFY(!RangeOutOfControl(groups[4], l).range); // not of the limits' size
        QVERIFY(!ComputeXbarR({}).valid);
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
