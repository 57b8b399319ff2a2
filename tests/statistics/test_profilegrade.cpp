#include "statistics/ProfileGrade.h"
#include "support/TestSupport.h"

#include <cmath>

namespace {

const float Missing = std::nanf("");
const QDate Day(2024, 6, 2);

QString Figure(double value)
{
    return std::isnan(value) ? QStringLiteral("-") : QString::number(value, 'f', 1);
}

QStringList Dump(const TProfileGrade& g)
{
    QStringList out;
    for (const TProfileSublot& s : g.sublots)
        out << QStringLiteral(
                   "%1-%2 %3 %4 %5 %6 %7 lines=%8 used=%9 missing=%10 cold=%11 edges=%12")
                   .arg(Figure(s.from), Figure(s.to),
                        s.reached.toString(QStringLiteral("HH:mm:ss")), Figure(s.maximum),
                        Figure(s.minimum), Figure(s.difference), s.grade)
                   .arg(s.lines)
                   .arg(s.used)
                   .arg(s.missing)
                   .arg(s.cold)
                   .arg(s.edges);
    out << QStringLiteral("standing=%1 used=%2 missing=%3 cold=%4 edges=%5")
               .arg(g.standing)
               .arg(g.used)
               .arg(g.missing)
               .arg(g.cold)
               .arg(g.edges);
    return out;
}

} // namespace

class TestProfileGrade : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void gradesADay()
    {
        // 12 positions 0.25 m apart: missing, cold, the mat from position 2 to 10, whose three
        // outermost readings on either side lie closer than 0.6 m to its edge. Those are hot
        // and cold enough to change every figure were they not left out.
        TProfileGrader grader(0.25);
        int second = 0;
        const auto add = [&](double distance, double speed, float a, float b, float c) {
            const float line[12] = {Missing, 70, 200, 200, 200, a, b, c, 81, 81, 81, 60};
            grader.Add(QDateTime(Day, QTime(8, 0).addSecs(second)), distance, speed, line, 12);
            second += 10;
        };
        add(0, 3, 140, 145, 153.9f);
        add(10, 3, 140, 150, 153.9f);
        add(10, 3, 100, 100, 100); // stands: no further
        add(5, 3, 100, 100, 100);  // nor back
        add(20, 0, 100, 100, 100); // speed 0
        add(30, 3, 140, Missing, 75);
        // On the boundary of the next sublot, which it opens; 温度差 just over 13.9.
        add(45.7, 3, 130, 130, 144);
        add(60, 3, 130, 144, 144);
        add(91.4, 3, 120, 120, 147.8f); // 27.8: still 中程度
        add(100, 3, 120, 147.8f, 147.8f);
        add(137.1, 3, 120, 120, 147.9f); // the remainder, to its last line
        add(140.5, 3, 120, 147.9f, 147.9f);
        const QStringList expected = {
            "0.0-45.7 08:00:00 153.9 140.0 13.9 良好 lines=3 used=7 missing=4 cold=7 edges=18",
            "45.7-91.4 08:01:00 144.0 130.0 14.0 中程度 lines=2 used=6 missing=2 cold=4 edges=12",
            "91.4-137.1 08:01:20 147.8 120.0 27.8 中程度 lines=2 used=6 missing=2 cold=4 edges=12",
            "137.1-140.5 08:01:40 147.9 120.0 27.9 重度 lines=2 used=6 missing=2 cold=4 edges=12",
            "standing=3 used=25 missing=10 cold=19 edges=54"};
        QCOMPARE(Dump(grader.Finish()), expected);
    }

    void percentilesOfASublot_data()
    {
        QTest::addColumn<QList<float>>("readings");
        QTest::addColumn<QString>("figures"); // 最高 最低 温度差 判定

        QList<float> hundred;
        for (int i = 0; i < 100; ++i)
            hundred << float(100 + i);
        // Ranks 99 × 0.985 = 97.515 and 99 × 0.01 = 0.99, between the readings about them.
        QTest::newRow("interpolated") << hundred << "197.5 101.0 96.5 重度";
        // 150.25 is exact in binary: to one decimal it goes up.
        QTest::newRow("halves up")
            << QList<float>{100, 150.25f, 150.25f} << "150.3 101.0 49.3 重度";
        QTest::newRow("one reading") << QList<float>{150} << "150.0 150.0 0.0 良好";
        QTest::newRow("none warm enough") << QList<float>{79.9f, Missing} << "- - - ";
    }
    void percentilesOfASublot()
    {
        // A metre apart, only the outermost reading on either side is at the edge.
        QFETCH(QList<float>, readings);
        std::vector<float> line{90};
        line.insert(line.end(), readings.begin(), readings.end());
        line.push_back(90);
        TProfileGrader grader(1.0);
        grader.Add(QDateTime(Day, QTime(9, 0)), 0, std::nan(""), line.data(), int(line.size()));
        const TProfileGrade g = grader.Finish();
        QCOMPARE(g.sublots.size(), size_t(1));
        const TProfileSublot& s = g.sublots.front();
        QFETCH(QString, figures);
        QCOMPARE(QStringLiteral("%1 %2 %3 %4")
                     .arg(Figure(s.maximum), Figure(s.minimum), Figure(s.difference), s.grade),
                 figures);
    }

    void truckPerSublot()
    {
        // Out of order, one without a time, two at one minute.
        const std::vector<TProfileLoad> loads = {{"08:00", "T1"}, {"", "T2"},      {"8:30", "T3"},
                                                 {"08:15", "T4"}, {"08:30", "T5"}, {"x", "T6"}};
        const QList<QPair<QTime, QString>> cases = {{QTime(7, 59, 59), ""},   {QTime(8, 0), "T1"},
                                                    {QTime(8, 14, 59), "T1"}, {QTime(8, 20), "T4"},
                                                    {QTime(8, 30), "T5"},     {QTime(17, 0), "T5"}};
        for (const auto& [reached, truck] : cases)
            QVERIFY2(SublotTruck(loads, Day, QDateTime(Day, reached)) == truck,
                     qPrintable(reached.toString()));
        QCOMPARE(SublotTruck({{"", "T2"}}, Day, QDateTime(Day, QTime(9, 0))), QString());
    }
};

ONDO_TEST_MAIN(TestProfileGrade, QCoreApplication)
#include "test_profilegrade.moc"
