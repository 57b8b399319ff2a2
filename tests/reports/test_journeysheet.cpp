#include "ReportFixture.h"
#include "reports/FormKit.h"
#include "reports/JourneySheet.h"
#include "support/TestSupport.h"

#include <QGuiApplication>

namespace {

int Count(const std::vector<TDrawOp>& ops, const QString& text)
{
    return int(TextsEqual(ops, text).size());
}

bool Has(const std::vector<TDrawOp>& ops, const QString& part)
{
    for (const TDrawOp& op : OpsOfKind(ops, TDrawOp::Kind::Text))
        if (op.text.contains(part))
            return true;
    return false;
}

// 30 loads from the plant to compaction, truck 8 cooling 40 ℃ on the way and the last load
// compacted below 110 ℃.
TJourneyDay ThirtyLoads(const QDate& date)
{
    TJourneyDay day;
    day.day = date;
    for (const char* name : {"練上温度", "到着温度", "初期締固前温度"}) {
        TJourneyStage s;
        s.kubunId = int(day.stages.size());
        s.name = QString::fromUtf8(name);
        day.stages << s;
    }
    day.stages[2].hasLow = true;
    day.stages[2].low = 110;
    QList<TJourneyReading> readings;
    for (int i = 0; i < 30; ++i) {
        const QTime leave = QTime(7, 0).addSecs(600 * i);
        const double temps[] = {170, i == 7 ? 130.0 : 160.0, i == 29 ? 105.0 : 140.0};
        for (int s = 0; s < 3; ++s) {
            TJourneyReading r;
            r.stage = s;
            r.reading.temp = temps[s];
            r.reading.time = leave.addSecs(60 * 20 * s);
            r.reading.truck = QString::number(i + 1);
            readings << r;
        }
    }
    day.loads = MatchLoads(day.stages, readings);
    Measure(day);
    return day;
}

} // namespace

class TestJourneySheet : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // A day of 30 loads: two table pages (the averages at the end), the chart, and the summary
    // of the period; marked loads carry ※, the estimate never appears on paper.
    void dayChartAndSummaryPages()
    {
        TempProfile profile;
        UseFakeDevice();
        SheetUnderTest() = ChartOrigin;
        TJourneyDocument doc;
        doc.project = QStringLiteral("県道工事（K1）");
        doc.mixPrintName = QStringLiteral("密粒度アスコン");
        doc.day = ThirtyLoads(QDate(2024, 6, 11));
        doc.day.loads[0].left = TMinutesLeft{25, 20, 31};
        doc.period = {ThirtyLoads(QDate(2024, 6, 10)), doc.day};
        TTestPane pane;
        DrawJourneySheet(doc, pane);
        QCOMPARE(pane.Count(), 4);
        QCOMPARE(Count(pane.Ops(0), QStringLiteral("温 度 低 下 記 録")), 1);
        QCOMPARE(Count(pane.Ops(0), QStringLiteral("1 / 4")), 1);
        QCOMPARE(Count(pane.Ops(0), QStringLiteral("2024年6月11日")), 1);
        QCOMPARE(Count(pane.Ops(0), QStringLiteral("※")), 2);    // header and truck 8
        QCOMPARE(Count(pane.Ops(0), QStringLiteral("40.0")), 1); // truck 8's drop
        QCOMPARE(Count(pane.Ops(1), QStringLiteral("※")), 2);    // header and the last load
        QCOMPARE(Count(pane.Ops(1), QStringLiteral("平均")), 1);
        QCOMPARE(Count(pane.Ops(1), QStringLiteral("159.0")), 1); // (29 × 160 + 130) / 30
        QVERIFY(Has(pane.Ops(2), QStringLiteral("締固めの下限 110 ℃")));
        QCOMPARE(Count(pane.Ops(3), QStringLiteral("温度低下集計")), 1);
        QCOMPARE(Count(pane.Ops(3), QStringLiteral("2024年6月10日～6月11日")), 1);
        QCOMPARE(Count(pane.Ops(3), QStringLiteral("11.0")), 2); // 170 → 160 but one at 130
        for (int p = 0; p < pane.Count(); ++p)
            QVERIFY(!Has(pane.Ops(p), QStringLiteral("あと")));
    }
};

ONDO_TEST_MAIN(TestJourneySheet, QGuiApplication)
#include "test_journeysheet.moc"
