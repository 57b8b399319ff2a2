#include "ReportFixture.h"
#include "reports/CapabilitySheet.h"
#include "reports/ReportLoader.h"
#include "reports/XbarChart.h"
#include "reports/XbarRChart.h"
#include "statistics/Capability.h"
#include "storage/Engine.h"
#include "support/TestSupport.h"

#include <QGuiApplication>

namespace {

const QString Koji = QStringLiteral("K-01");
const QString Mix = QStringLiteral("密粒13F");

TStatSeries Series(const std::vector<std::vector<double>>& days, std::optional<double> low,
                   std::optional<double> high)
{
    TStatSeries s;
    s.mixPrintName = Mix;
    s.category = QStringLiteral("出荷");
    s.lowerLimit = low;
    s.upperLimit = high;
    s.limitText = QStringLiteral("%1_%2").arg(low ? QString::number(*low) : QString(),
                                              high ? QString::number(*high) : QString());
    for (size_t i = 0; i < days.size(); ++i)
        s.days.push_back(TStatDay{Day(4, 1).addDays(qint64(i)), days[i]});
    return s;
}

bool HasText(const std::vector<TDrawOp>& ops, const QString& text)
{
    return !TextsEqual(ops, text).empty();
}

// Hollow dots (white inside, outlined in black) of the plots: centred above `bottom` and left
// of `right` cm.
int HollowDots(const std::vector<TDrawOp>& ops, float bottom, float right)
{
    int n = 0;
    for (const TDrawOp& e : OpsOfKind(ops, TDrawOp::Kind::Ellipse))
        n += e.brush.color == clWhite && e.pen.color == clBlack &&
             (e.p1.y() + e.p2.y()) / 2 < DotY(bottom) && (e.p1.x() + e.p2.x()) / 2 < DotX(right);
    return n;
}

} // namespace

class TestStatForms : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        UseFakeDevice();
        SheetUnderTest() = XbarChartPage.origin;
    }

    // Limits step with the day's size; a day far off is flagged and listed; pages of 25 days.
    void xbarLimitsFlagsAndPages()
    {
        std::vector<std::vector<double>> days;
        for (int i = 0; i < 30; ++i)
            days.push_back(i % 2 ? std::vector<double>{160, 162, 158}
                                 : std::vector<double>{159, 161, 160, 162, 158, 160});
        days[11] = {190, 191, 189}; // 4/12 beyond 3σ
        TStatDocument doc;
        doc.series.push_back(Series(days, 150, 175));
        const TXbarSeriesStats st = XbarStats(doc.series[0], TBasePeriod());
        QVERIFY(st.limits.valid);
        const TSubgroupLimits l3 = LimitsFor(st.limits, 3), l6 = LimitsFor(st.limits, 6);
        QVERIFY(l3.xHigh - l3.xLow > l6.xHigh - l6.xLow);
        const QString flags = FlagList(doc.series[0], st, 0, 25);
        QVERIFY2(flags.contains(QStringLiteral("4/12 (1")), qPrintable(flags));
        // A base period without the odd day keeps its centre line off that day.
        const TXbarSeriesStats based =
            XbarStats(doc.series[0], TBasePeriod{QDate(2024, 4, 1), QDate(2024, 4, 10)});
        QVERIFY(based.limits.grandMean < st.limits.grandMean - 0.5);
        QCOMPARE(based.limits.days, 10);

        TTestPane pane(false, true);
        double low = 0, high = 0;
        AutomaticXbarRange(doc.series[0], TBasePeriod(), low, high);
        QCOMPARE(std::fmod(low, 5.0), 0.0);
        QVERIFY(low <= 150 && high >= 190);
        DrawXbarChart(doc, pane, std::nullopt, TBasePeriod());
        QCOMPARE(pane.Count(), 2);
        QVERIFY(HasText(pane.Ops(0), QStringLiteral("X̄-s管理図")));
        QVERIFY(HasText(pane.Ops(1), QStringLiteral("2 / 2")));
        QVERIFY(HasText(pane.Ops(0), QStringLiteral("日数=30")));
        // Day labels stay inside their columns.
        const float column = (26.5f - 3.4f) / 25;
        for (int d = 0; d < 25; ++d) {
            const QString label = QStringLiteral("4/%1").arg(d + 1);
            const auto found = TextsEqual(pane.Ops(0), label);
            QVERIFY2(!found.empty(), qPrintable(label));
            const double x = CmX(found.front().p1.x());
            QVERIFY(x >= 3.4 + column * d - 0.01);
            QVERIFY(x <= 3.4 + column * (d + 1));
        }
    }

    // The automatic range of each series fits its own means, limits and specified value with a
    // little to spare, whatever the other series of the document; no label of a panel lies over
    // another.
    void xbarRangeFitsEachSeries()
    {
        std::vector<std::vector<double>> tight;
        for (int i = 0; i < 10; ++i)
            tight.push_back({170.0 + i % 3, 172, 174, 176.0 - i % 2});
        TStatDocument doc;
        doc.series.push_back(Series(tight, 160, 185));
        doc.series.push_back(Series({{115, 120, 125}, {118, 121, 124}}, 110, 140));
        double low = 0, high = 0;
        AutomaticXbarRange(doc.series[0], TBasePeriod(), low, high);
        QVERIFY2(low >= 155 && low <= 160 && high >= 185 && high <= 190,
                 qPrintable(QStringLiteral("%1 %2").arg(low).arg(high)));
        TTestPane pane(false, true);
        DrawXbarChart(doc, pane, std::nullopt, TBasePeriod());
        QCOMPARE(pane.Count(), 2);
        for (int p = 0; p < 2; ++p) {
            std::vector<QRect> boxes;
            for (const TDrawOp& t : OpsOfKind(pane.Ops(p), TDrawOp::Kind::Text))
                if (t.p1.x() < DotX(3.4f) && t.p1.y() > DotY(3.9f) && t.p1.y() < DotY(13.2f))
                    boxes.push_back(QRect(t.p1, QSize(t.textWidth, t.textHeight)));
            QVERIFY(boxes.size() >= 6);
            for (size_t i = 0; i < boxes.size(); ++i)
                for (size_t j = i + 1; j < boxes.size(); ++j)
                    QVERIFY2(!boxes[i].intersects(boxes[j]), qPrintable(QString::number(p)));
        }
        QVERIFY(HasText(pane.Ops(0), QStringLiteral("上限 185")));
        QVERIFY(HasText(pane.Ops(1), QStringLiteral("110～140 ℃")));
    }

    // Subgroups of a day or of n readings; 20 to a sheet; the constants of the sizes used, the
    // calculations so far and the subgroups out of control on each sheet.
    void xbarRSheets()
    {
        SheetUnderTest() = XbarRChartPage.origin;
        std::vector<std::vector<double>> days;
        for (int i = 0; i < 25; ++i)
            days.push_back({160.0 + i % 3, 162, 158, 161, 159});
        days[22] = {180, 181, 182, 183, 184}; // far above, sheet 2
        days[3] = {160, 161};                 // a smaller day
        days[4] = {155};                      // in no subgroup
        TStatDocument doc;
        doc.series.push_back(Series(days, 150, 175));
        const TXbarRSeries s = XbarRSeries(doc.series[0], TXbarRSettings());
        QCOMPARE(int(s.groups.size()), 24);
        QCOMPARE(s.leftOut, 1);
        QCOMPARE(int(s.steps.size()), 2);
        QVERIFY(EnoughForXbarR(doc.series[0], TXbarRSettings()));
        QVERIFY(!EnoughForXbarR(Series({{150, 151}}, 150, 175), TXbarRSettings()));
        // Runs of two within each day: 2 + 1 + 2 … and the rest of a day of five alone.
        const TXbarRSeries pairs = XbarRSeries(doc.series[0], TXbarRSettings{2, true});
        QCOMPARE(pairs.groups.front().n, 2);
        QCOMPARE(pairs.leftOut, 24);
        QVERIFY(OutOfControlList(s, 20, 24).contains(QStringLiteral("No.22 4/23 (x̄")));
        QCOMPARE(OutOfControlList(s, 0, 20), QStringLiteral("管理外れ: なし"));

        doc.series[0].days[1].simulated = true;
        TTestPane pane(false, true);
        DrawXbarRChart(doc, pane, TXbarRSettings());
        QCOMPARE(pane.Count(), 2);
        const auto& first = pane.Ops(0);
        QVERIFY(HasText(first, QStringLiteral("x̄-R 管 理 図")));
        QVERIFY(HasText(first, QStringLiteral("1 / 2")));
        QVERIFY(HasText(first, QStringLiteral("0.577"))); // A2 of five
        QVERIFY(HasText(first, QStringLiteral("1.880"))); // A2 of two
        QVERIFY(HasText(first, QStringLiteral("2.115")));
        QVERIFY(HasText(first, QStringLiteral("上限 175")));
        QVERIFY(HasText(first, QStringLiteral("150～175 ℃")));
        // A simulated day keeps its date and is named under the table.
        QCOMPARE(TextsEqual(first, QStringLiteral("4/2")).at(0).font.color, clRed);
        QVERIFY(HasText(first, QStringLiteral("管理外れ: なし　模擬値: No.2 4/2")));
        QVERIFY(HasText(pane.Ops(1), QStringLiteral("1～20 (19組)")));
        QVERIFY(HasText(pane.Ops(1), QStringLiteral("2024年4月22日～4月25日")));
        bool listed = false;
        for (const TDrawOp& t : OpsOfKind(pane.Ops(1), TDrawOp::Kind::Text))
            listed = listed || t.text.contains(QStringLiteral("No.22"));
        QVERIFY(listed);
        // Without the specified value's lines.
        TTestPane plain(false, true);
        DrawXbarRChart(doc, plain, TXbarRSettings{0, false});
        QVERIFY(!HasText(plain.Ops(0), QStringLiteral("上限 175")));
    }

    // Simulated days stay on the charts, hollow, and out of every figure; each form says how many
    // it left out. By hand: X̄-s, four days {159, 161} and a simulated {170, 172}: X̿ 160.0 and
    // UCL 160 + 2.659 × 1.414 = 163.76 (with it 162.2, and 171 would be flagged); x̄-R, twenty
    // days {158, 160, 162} and a simulated {180, 190, 200}: X̿ 160.00, R̄ 4.00 (with it 161.50,
    // 4.80); capability, 158…162 twice and a simulated {150, 170} against 150～170: s = √(20/9),
    // Cp = Cpk = 2.24 十分 (with it s = √20, Cpk = 0.75 不足).
    void simulatedDaysLeaveTheFigures()
    {
        TStatDocument xbar;
        xbar.series.push_back(
            Series({{159, 161}, {159, 161}, {170, 172}, {159, 161}, {159, 161}}, 150, 175));
        xbar.series[0].days[2].simulated = true;
        const TXbarSeriesStats st = XbarStats(xbar.series[0], TBasePeriod());
        QCOMPARE(st.limits.grandMean, 160.0);
        QCOMPARE(st.limits.days, 4);
        QCOMPARE(QString::number(LimitsFor(st.limits, 2).xHigh, 'f', 2), QStringLiteral("163.76"));
        QVERIFY(st.signals.empty() && st.sOut.empty());
        TTestPane xPane(false, true);
        DrawXbarChart(xbar, xPane, std::nullopt, TBasePeriod());
        const auto& x = xPane.Ops(0);
        QVERIFY(HasText(x, QStringLiteral("X̿=160.0")));
        QVERIFY(HasText(x, QStringLiteral("日数=4")));
        QVERIFY(HasText(x, QStringLiteral("管理限界: 表示した日から（模擬値の 1 日を除く）")));
        QVERIFY(HasText(x, QStringLiteral("管理外れ: なし　s管理外れ: なし")));
        QVERIFY(HasText(x, QStringLiteral("模擬値（統計に含めない）")));
        QCOMPARE(HollowDots(x, 13.2f, 26.5f), 2);      // its X̄ and its s
        QVERIFY(HasText(x, QStringLiteral("模擬値"))); // under its date

        SheetUnderTest() = XbarRChartPage.origin;
        std::vector<std::vector<double>> days(21, std::vector<double>{158, 160, 162});
        days[5] = {180, 190, 200};
        TStatDocument range;
        range.series.push_back(Series(days, 150, 175));
        range.series[0].days[5].simulated = true;
        const TXbarRSeries s = XbarRSeries(range.series[0], TXbarRSettings());
        QCOMPARE(s.steps.at(0).limits.count, 19);
        QCOMPARE(s.steps.at(0).limits.grandMean, 160.0);
        QCOMPARE(s.steps.at(0).limits.rBar, 4.0);
        QCOMPARE(OutOfControlList(s, 0, 21), QStringLiteral("管理外れ: なし"));
        QVERIFY(EnoughForXbarR(range.series[0], TXbarRSettings()));
        range.series[0].days.pop_back(); // 19 measured
        QVERIFY(!EnoughForXbarR(range.series[0], TXbarRSettings()));
        TTestPane rPane(false, true);
        DrawXbarRChart(range, rPane, TXbarRSettings());
        const auto& r = rPane.Ops(0);
        QVERIFY(HasText(r, QStringLiteral("1～20 (19組)")));
        QVERIFY(HasText(r, QStringLiteral("160.00")));
        QVERIFY(HasText(r, QStringLiteral("4.00")));
        QVERIFY(HasText(r, QStringLiteral("管理限界は模擬値の 1 日を除く")));
        QVERIFY(HasText(r, QStringLiteral("模擬値の組（計算に含めない）")));
        QCOMPARE(HollowDots(r, 11.4f, 19.4f), 2); // its x̄ and its R

        SheetUnderTest() = CapabilityPage.origin;
        TStatDocument cap;
        cap.series.push_back(
            Series({{158, 159, 160, 161, 162}, {150, 170}, {158, 159, 160, 161, 162}}, 150, 170));
        cap.series[0].days[1].simulated = true;
        TTestPane cPane;
        DrawCapabilitySheet(cap, cPane);
        const auto& c = cPane.Ops(0);
        QVERIFY(HasText(c, QStringLiteral("Cp=2.24　Cpk=2.24")));
        QVERIFY(HasText(c, QStringLiteral("十分")));
        QVERIFY(HasText(c, QStringLiteral("158"))); // the smallest measured
        QVERIFY(HasText(c, QStringLiteral("度数図・値はすべて模擬値の 1 日を除く")));
    }

    // Cp and Cpk texts, "—" when one-sided, bars inside the histogram frame.
    void capabilityTextsAndBars()
    {
        SheetUnderTest() = CapabilityPage.origin;
        std::vector<std::vector<double>> days{
            {158, 160, 162, 161}, {159, 160, 163, 157}, {160, 161, 159, 160}};
        TStatDocument doc;
        doc.series.push_back(Series(days, 150, 170));
        doc.series.push_back(Series(days, 150, std::nullopt));
        TTestPane pane;
        DrawCapabilitySheet(doc, pane);
        QCOMPARE(pane.Count(), 2);
        std::vector<double> all;
        for (const auto& d : days)
            all.insert(all.end(), d.begin(), d.end());
        const TCapability two = ComputeCapability(all, 150, 170);
        const TCapability one = ComputeCapability(all, 150, std::nullopt);
        QVERIFY(HasText(pane.Ops(0), CpText(two.cp) + QStringLiteral("　") + CpkText(two.cpk)));
        QCOMPARE(CpText(one.cp), QStringLiteral("Cp=—"));
        QVERIFY(HasText(pane.Ops(1), QStringLiteral("Cp=—　") + CpkText(one.cpk)));
        QCOMPARE(CpText(1.4249), QStringLiteral("Cp=1.42"));
        int bars = 0;
        for (const TDrawOp& op : OpsOfKind(pane.Ops(0), TDrawOp::Kind::Line)) {
            if (op.pen.width != 5 || op.pen.color != clBlack)
                continue;
            ++bars;
            QVERIFY(CmX(op.p1.x()) >= 1.6 - 0.01 && CmX(op.p2.x()) <= 11.8 + 0.01);
        }
        QVERIFY(bars >= 4);
    }

    void loaderReadsReadingsLimitsAndMeasurer()
    {
        TempProfile profile;
        PrepareTables();
        Query k(QStringLiteral("insert into Koji1 (Code, Kojimei) values ('K-01', '県道工事')"));
        k.ExecSQL();
        AddDay(Koji, Mix, 0, Day(5, 1), {150, 160, 170}, QStringLiteral("110_"));
        AddDay(Koji, Mix, 0, Day(5, 2), {155, 165}, QStringLiteral("110_"));
        AddDay(Koji, QStringLiteral("粗粒"), 0, Day(5, 3), {140}, QStringLiteral("140_160"));
        AddDay(Koji, Mix, 1, Day(5, 3), {140});
        Engine::Execute(QStringLiteral("update OndoHead4 set Sokuteisya = '佐藤花子', Mogi = 1 "
                                       "where Hiduke = '2024-05-02 00:00:00'"));
        const TStatDocument doc = LoadStatDocument(TReportScope{Koji, Mix, {0}, true});
        QCOMPARE(doc.project, QStringLiteral("県道工事（K-01）"));
        QCOMPARE(int(doc.series.size()), 2);
        const TStatSeries& a = doc.series[0].mixKey == Mix ? doc.series[0] : doc.series[1];
        const TStatSeries& b = doc.series[0].mixKey == Mix ? doc.series[1] : doc.series[0];
        QCOMPARE(int(a.days.size()), 2);
        QCOMPARE(a.days[0].readings, (std::vector<double>{150, 160, 170}));
        QCOMPARE(a.limitText, QStringLiteral("110_"));
        QCOMPARE(a.lowerLimit.value_or(0), 110.0);
        QVERIFY(!a.upperLimit);
        QCOMPARE(a.measurer, QStringLiteral("山田太郎"));
        QCOMPARE(a.days[1].measurer, QStringLiteral("佐藤花子"));
        QVERIFY(!a.days[0].simulated && a.days[1].simulated);
        QCOMPARE(b.upperLimit.value_or(0), 160.0);
        TReportScope first{Koji, Mix, {0}, false};
        first.to = QDate(2024, 5, 1);
        QCOMPARE(int(LoadStatDocument(first).series.at(0).days.size()), 1);
        TReportScope measured{Koji, Mix, {0}, false};
        measured.measuredOnly = true;
        const TStatDocument kept = LoadStatDocument(measured);
        QCOMPARE(int(kept.series.at(0).days.size()), 1);
        QCOMPARE(kept.series.at(0).days.at(0).day, Day(5, 1));
    }
};

ONDO_TEST_MAIN(TestStatForms, QGuiApplication)
#include "test_statforms.moc"
