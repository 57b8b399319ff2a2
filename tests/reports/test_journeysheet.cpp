#include "ReportFixture.h"
#include "reports/FormKit.h"
#include "reports/JourneySheet.h"
#include "reports/ReportLoader.h"
#include "storage/Engine.h"
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
    void init()
    {
        UseFakeDevice();
        SheetUnderTest() = ChartOrigin;
    }

    // Each day of the period: its loads on table pages (the averages at the end) and its chart,
    // under a title block with the period, the day and that day's measurer; then the summary of
    // every day. Marked loads carry ※, the estimate never appears on paper.
    void eachDayThenTheSummary()
    {
        TempProfile profile;
        TJourneyDocument doc;
        doc.project = QStringLiteral("県道工事（K1）");
        doc.mixPrintName = QStringLiteral("密粒度アスコン");
        doc.first = QDate(2024, 6, 1);
        doc.last = QDate(2024, 6, 30);
        doc.days = {ThirtyLoads(QDate(2024, 6, 10)), ThirtyLoads(QDate(2024, 6, 11))};
        doc.days[1].loads[0].left = TMinutesLeft{25, 20, 31};
        doc.measurers[QDate(2024, 6, 10)] = QStringLiteral("山田太郎");
        doc.measurers[QDate(2024, 6, 11)] = QStringLiteral("佐藤花子");
        doc.simulated.insert(QDate(2024, 6, 11));
        TTestPane pane;
        DrawJourneySheet(doc, pane);
        QCOMPARE(JourneyPages(doc), 7);
        QCOMPARE(pane.Count(), 7);
        const QString days[] = {QStringLiteral("2024年6月10日"), QStringLiteral("2024年6月11日")};
        const QString who[] = {QStringLiteral("山田太郎"), QStringLiteral("佐藤花子")};
        for (int d = 0; d < 2; ++d)
            for (int p = 3 * d; p < 3 * d + 3; ++p) {
                const auto& ops = pane.Ops(p);
                QCOMPARE(Count(ops, QStringLiteral("温 度 低 下 記 録")), 1);
                QCOMPARE(Count(ops, QStringLiteral("2024年6月1日～6月30日")), 1);
                QCOMPARE(Count(ops, days[d]), 1);
                QCOMPARE(Count(ops, who[d]), 1);
                QCOMPARE(Count(ops, who[1 - d]), 0);
                QCOMPARE(Count(ops, QStringLiteral("%1 / 7").arg(p + 1)), 1);
                QCOMPARE(Count(ops, QStringLiteral("模擬値を含む日")), d);
            }
        QCOMPARE(Count(pane.Ops(0), QStringLiteral("※")), 2);    // header and truck 8
        QCOMPARE(Count(pane.Ops(0), QStringLiteral("40.0")), 1); // truck 8's drop
        QCOMPARE(Count(pane.Ops(1), QStringLiteral("※")), 2);    // header and the last load
        QCOMPARE(Count(pane.Ops(1), QStringLiteral("平均")), 1);
        QCOMPARE(Count(pane.Ops(1), QStringLiteral("159.0")), 1); // (29 × 160 + 130) / 30
        QVERIFY(Has(pane.Ops(2), QStringLiteral("締固めの下限 110 ℃")));
        const auto& summary = pane.Ops(6);
        QCOMPARE(Count(summary, QStringLiteral("温度低下集計")), 1);
        QCOMPARE(Count(summary, QStringLiteral("2024年6月1日～6月30日")), 1);
        QCOMPARE(Count(summary, QStringLiteral("11.0")), 2); // 170 → 160 but one at 130
        QCOMPARE(Count(summary, QStringLiteral("山田太郎 6/10・佐藤花子 6/11")), 1);
        for (int p = 0; p < pane.Count(); ++p)
            QVERIFY(!Has(pane.Ops(p), QStringLiteral("あと")));
    }

    // The loader keeps to the period and reads each day's measurer: the day's own, else the
    // record's; measured days only leave a simulated one out.
    void loaderKeepsThePeriodAndTheMeasurers()
    {
        TempProfile profile;
        PrepareTables();
        const QString koji = QStringLiteral("K1"), mix = QStringLiteral("密粒");
        for (int d = 1; d <= 4; ++d) {
            AddDay(koji, mix, 0, Day(6, d), {170, 171}, QStringLiteral("160_185"));
            AddDay(koji, mix, 1, Day(6, d), {140, 141}, QStringLiteral("110_"));
        }
        Engine::Execute(QStringLiteral("update OndoLine4 set Syaryo = 'T' || LNO, Jikoku = "
                                       "case when LNO = 1 then '08:00' else '08:30' end"));
        Engine::Execute(QStringLiteral("update OndoHead4 set Sokuteisya = '佐藤花子' where "
                                       "Hiduke = '%1'")
                            .arg(DateTimeToStorage(Day(6, 2))));
        Engine::Execute(QStringLiteral("update OndoHead4 set Mogi = 1 where Hiduke = '%1'")
                            .arg(DateTimeToStorage(Day(6, 3))));
        TReportScope scope{koji, mix, {}, false};
        scope.from = QDate(2024, 6, 2);
        scope.to = QDate(2024, 6, 3);
        const TJourneyDocument doc = LoadJourneyDocument(scope);
        QCOMPARE(doc.first, scope.from);
        QCOMPARE(doc.last, scope.to);
        QCOMPARE(int(doc.days.size()), 2);
        QCOMPARE(doc.days[0].day, QDate(2024, 6, 2));
        QCOMPARE(doc.days[0].stages.size(), 2);
        QCOMPARE(int(doc.days[0].loads.size()), 2);
        QVERIFY(HasTimes(doc.days[0]));
        QCOMPARE(doc.measurers.value(QDate(2024, 6, 2)), QStringLiteral("佐藤花子"));
        QCOMPARE(doc.measurers.value(QDate(2024, 6, 3)), QStringLiteral("山田太郎"));
        QVERIFY(doc.simulated.contains(QDate(2024, 6, 3)));
        scope.measuredOnly = true;
        const TJourneyDocument measured = LoadJourneyDocument(scope);
        QCOMPARE(int(measured.days.size()), 1);
        QCOMPARE(measured.days[0].day, QDate(2024, 6, 2));
        // Open ends reach every stored day.
        const TJourneyDocument all = LoadJourneyDocument(TReportScope{koji, mix, {}, false});
        QCOMPARE(int(all.days.size()), 4);
        QCOMPARE(all.first, QDate(2024, 6, 1));
        QCOMPARE(all.last, QDate(2024, 6, 4));
        TTestPane pane;
        DrawJourneySheet(doc, pane);
        QCOMPARE(Count(pane.Ops(0), QStringLiteral("佐藤花子")), 1);
    }
};

ONDO_TEST_MAIN(TestJourneySheet, QGuiApplication)
#include "test_journeysheet.moc"
