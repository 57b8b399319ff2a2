#include "ReportFixture.h"
#include "core/AppError.h"
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
        const std::vector<int> onFirst = RulesFlagged(st, 0, 25);
        QVERIFY(!onFirst.empty() && onFirst.front() == 1);
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
        // Every rule a page's flags name is spelt out on that page, and no other.
        for (int p = 0; p < 2; ++p) {
            const std::vector<int> named = RulesFlagged(st, 25 * p, 25);
            for (int rule = 1; rule <= 8; ++rule) {
                const bool flagged = std::find(named.begin(), named.end(), rule) != named.end();
                QCOMPARE(HasText(pane.Ops(p), XbarRuleText(rule)), flagged);
            }
        }
        QCOMPARE(XbarRuleText(1), QStringLiteral("(1) 管理限界（±3σ）の外の点"));
        QVERIFY(HasText(pane.Ops(0), XbarRuleText(1)));
        QVERIFY(XbarRuleText(9).isEmpty());
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

    // Subgroups of N readings of one day in load order, a day's short rest left out and
    // counted; worked out by hand. Two days {160 164 162 158 166 162 164 160} and
    // {158 160 162 164 161}: with N = 4 the subgroups' x̄ are 161, 163, 161 and every R is 6, so
    // X̿ = 161.67, R̄ = 6.00, UCL = 161.67 + 0.729 × 6 = 166.04, LCL = 157.29, UCL(R) = 2.282 × 6
    // = 13.69, no LCL(R), one reading left out; with N = 3 the x̄ are 162, 162, 160 and the R 4,
    // 8, 4: X̿ = 161.33, R̄ = 5.33, UCL = 166.79, LCL = 155.88, UCL(R) = 2.574 × 5.33 = 13.73,
    // four readings of two days left out. Other sizes are refused.
    void xbarRGroupsAndLimitsByHand()
    {
        SheetUnderTest() = XbarRChartPage.origin;
        TStatDocument doc;
        doc.series.push_back(Series(
            {{160, 164, 162, 158, 166, 162, 164, 160}, {158, 160, 162, 164, 161}}, 150, 175));
        struct Hand
        {
            int size;
            std::vector<double> means, ranges;
            int leftOut, leftOutDays;
            QString grandMean, rBar, ucl, lcl, uclR;
        };
        const Hand cases[] = {{4,
                               {161, 163, 161},
                               {6, 6, 6},
                               1,
                               1,
                               "161.67",
                               "6.00",
                               "161.67 + 0.729 × 6.00 = 166.04",
                               "161.67 − 0.729 × 6.00 = 157.29",
                               "2.282 × 6.00 = 13.69"},
                              {3,
                               {162, 162, 160},
                               {4, 8, 4},
                               4,
                               2,
                               "161.33",
                               "5.33",
                               "161.33 + 1.023 × 5.33 = 166.79",
                               "161.33 − 1.023 × 5.33 = 155.88",
                               "2.574 × 5.33 = 13.73"}};
        for (const Hand& h : cases) {
            const TXbarRSeries s = XbarRSeries(doc.series[0], h.size);
            QCOMPARE(int(s.rows.size()), 3);
            for (int i = 0; i < 3; ++i) {
                QCOMPARE(s.rows[size_t(i)].number, i + 1);
                QCOMPARE(int(s.rows[size_t(i)].readings.size()), h.size);
                QCOMPARE(s.rows[size_t(i)].group.mean, h.means[size_t(i)]);
                QCOMPARE(s.rows[size_t(i)].group.range, h.ranges[size_t(i)]);
            }
            QCOMPARE(s.rows[2].day, Day(4, 2));
            QCOMPARE(s.leftOut, h.leftOut);
            QCOMPARE(s.leftOutDays, h.leftOutDays);
            QCOMPARE(QString::number(s.limits.grandMean, 'f', 2), h.grandMean);
            QCOMPARE(QString::number(s.limits.rBar, 'f', 2), h.rBar);

            // The data sheet lists the subgroups and works the limits out; the chart follows.
            TTestPane pane(false, true);
            DrawXbarRChart(doc, pane, TXbarRSettings{h.size, true});
            QCOMPARE(pane.Count(), 2);
            const auto& sheet = pane.Ops(0);
            QVERIFY(HasText(sheet, QStringLiteral("x̄-R 管 理 デ ー タ シ ー ト")));
            for (const char* head : {"組番号", "月日", "Σx", "x̄", "R", "測定値"})
                QVERIFY2(HasText(sheet, QString::fromUtf8(head)), head);
            QVERIFY(HasText(sheet, QStringLiteral("x%1").arg(h.size)));
            QVERIFY(!HasText(sheet, QStringLiteral("x%1").arg(h.size + 1)));
            QVERIFY(HasText(sheet, QStringLiteral("%1個").arg(h.size)));
            QVERIFY(HasText(sheet, QString::number(h.means[0], 'f', 1)));
            QVERIFY(HasText(sheet, QString::number(h.means[0] * h.size, 'f', 0))); // Σx
            for (const QString& worked : {h.grandMean, h.rBar, h.ucl, h.lcl, h.uclR})
                QVERIFY2(HasText(sheet, worked), qPrintable(worked));
            QVERIFY(HasText(sheet, QStringLiteral("なし（n ≦ 6）")));
            QVERIFY(HasText(
                sheet, QStringLiteral("組にならない測定値 %1 個（%2 日の最後の %3 個未満の分）")
                           .arg(h.leftOut)
                           .arg(h.leftOutDays)
                           .arg(h.size)));
            QVERIFY(HasText(sheet, QStringLiteral("組数が 20 未満のため管理限界は参考値")));
            const auto& chart = pane.Ops(1);
            QVERIFY(HasText(chart, QStringLiteral("x̄-R 管 理 図")));
            QVERIFY(HasText(chart, QStringLiteral("UCL ") + h.ucl.split(' ').last()));
            QVERIFY(HasText(chart, QStringLiteral("上限 175")));
            QVERIFY(HasText(chart, QStringLiteral("管理外れ: なし")));
            // Nothing a reviewer reads is smaller than 7 pt.
            for (int p = 0; p < 2; ++p)
                for (const TDrawOp& t : OpsOfKind(pane.Ops(p), TDrawOp::Kind::Text))
                    QVERIFY2(t.font.CharHeight() >= 7 * 600 / 72, qPrintable(t.text));
        }
        // The standard constants of the sizes offered, on every sheet.
        TTestPane pane(false, true);
        DrawXbarRChart(doc, pane, TXbarRSettings{4, false});
        for (const char* k :
             {"1.880", "1.023", "0.729", "0.577", "3.267", "2.574", "2.282", "2.114"})
            QVERIFY2(HasText(pane.Ops(0), QString::fromUtf8(k)), k);
        QVERIFY(!HasText(pane.Ops(1), QStringLiteral("上限 175")));

        QCOMPARE(XbarRSizeOf(QStringLiteral("３")), 3);
        for (const QString& refused : {QStringLiteral("1"), QStringLiteral("6"),
                                       QStringLiteral("4.5"), QStringLiteral("四")}) {
            try {
                XbarRSizeOf(refused);
                QFAIL(qPrintable(refused));
            } catch (const AppError& e) {
                QVERIFY2(e.message().contains(QStringLiteral("2〜5")) &&
                             e.message().contains(refused),
                         qPrintable(e.message()));
            }
        }
    }

    // 25 subgroups a sheet, numbered on over the period; one far off is flagged where it stands;
    // a simulated day keeps its rows, in red, and stays out of the limits.
    void xbarRSheetsOfTwentyFive()
    {
        SheetUnderTest() = XbarRChartPage.origin;
        std::vector<std::vector<double>> days(15,
                                              std::vector<double>{160, 162, 158, 161, 159, 160});
        days[8] = {180, 181, 182, 183, 184, 181}; // subgroups 25 to 27, far above
        TStatDocument doc;
        doc.series.push_back(Series(days, 150, 175));
        doc.series[0].days[1].simulated = true;
        const TXbarRSeries s = XbarRSeries(doc.series[0], 2);
        QCOMPARE(int(s.rows.size()), 45);
        QCOMPARE(XbarRSheets(s), 2);
        QCOMPARE(s.limits.count, 42);
        QVERIFY(s.rows[24].flag.mean && s.rows[25].flag.mean && s.rows[26].flag.mean);
        QVERIFY(!s.rows[2].flag.mean && !s.rows[2].flag.range);
        QVERIFY(OutOfControlList(s, 25, 45).startsWith(QStringLiteral("管理外れ: No.26 4/9 (x̄)")));
        QCOMPARE(OutOfControlList(s, 0, 24), QStringLiteral("管理外れ: なし"));
        QVERIFY(EnoughForXbarR(doc.series[0], 5));
        QVERIFY(!EnoughForXbarR(Series({{150, 151}}, 150, 175), 3));

        TTestPane pane(false, true);
        DrawXbarRChart(doc, pane, TXbarRSettings{2, true});
        QCOMPARE(pane.Count(), 4);
        QVERIFY(HasText(pane.Ops(0), QStringLiteral("1 / 4")));
        QVERIFY(HasText(pane.Ops(0), QStringLiteral("25")));
        QVERIFY(!HasText(pane.Ops(0), QStringLiteral("26")));
        QVERIFY(HasText(pane.Ops(2), QStringLiteral("26")));
        QVERIFY(HasText(pane.Ops(2), QStringLiteral("小計（20組）")));
        QCOMPARE(TextsEqual(pane.Ops(0), QStringLiteral("4/2")).at(0).font.color, clRed);
        QVERIFY(HasText(pane.Ops(0), QStringLiteral("模擬値・計算外")));
        QVERIFY(HasText(pane.Ops(0), QStringLiteral("小計（22組）")));
        QVERIFY(HasText(pane.Ops(1),
                        QStringLiteral("管理外れ: No.25 4/9 (x̄)　模擬値（計算に含めない）: No.4 "
                                       "4/2, No.5 4/2, No.6 4/2")));
        QVERIFY(HasText(pane.Ops(2), QStringLiteral("管理外れ")));
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
        QVERIFY(HasText(x, QStringLiteral("管理限界: 期間の全日から（模擬値の 1 日を除く）")));
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
        const TXbarRSeries s = XbarRSeries(range.series[0], 3);
        QCOMPARE(s.limits.count, 20);
        QCOMPARE(s.limits.grandMean, 160.0);
        QCOMPARE(s.limits.rBar, 4.0);
        QCOMPARE(OutOfControlList(s, 0, 21), QStringLiteral("管理外れ: なし"));
        TTestPane rPane(false, true);
        DrawXbarRChart(range, rPane, TXbarRSettings{3, true});
        const auto& r = rPane.Ops(0);
        QVERIFY(HasText(r, QStringLiteral("160.00")));
        QVERIFY(HasText(r, QStringLiteral("4.00")));
        QVERIFY(HasText(r, QStringLiteral("管理限界は模擬値の 1 日を除く")));
        QCOMPARE(HollowDots(rPane.Ops(1), 12.1f, 26.3f), 2); // its x̄ and its R

        SheetUnderTest() = CapabilityPage.origin;
        TStatDocument cap;
        cap.series.push_back(
            Series({{158, 159, 160, 161, 162}, {150, 170}, {158, 159, 160, 161, 162}}, 150, 170));
        cap.series[0].days[1].simulated = true;
        TTestPane cPane;
        DrawCapabilitySheet(cap, cPane);
        const auto& c = cPane.Ops(0);
        QVERIFY(HasText(c, QStringLiteral("Cp=2.24　Cpk=2.24")));
        QVERIFY(HasText(c, QStringLiteral("十分（Cpk=2.24・規格外 0 個）")));
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

    // Cpk alone would say 十分; a reading outside the specified range says otherwise, and the
    // sheet says how many there are.
    void capabilityVerdictWeighsTheOutsideReadings()
    {
        SheetUnderTest() = CapabilityPage.origin;
        std::vector<std::vector<double>> days(10, std::vector<double>{170, 171, 172});
        TStatDocument doc;
        doc.series.push_back(Series(days, 160, 185));
        days[4][0] = 159.5;
        doc.series.push_back(Series(days, 160, 185));
        TTestPane pane;
        DrawCapabilitySheet(doc, pane);
        QVERIFY(HasText(pane.Ops(0), QStringLiteral("0 個 (0.0%)")));
        bool capable = false, fair = false;
        for (const TDrawOp& t : OpsOfKind(pane.Ops(0), TDrawOp::Kind::Text))
            capable = capable || (t.text.startsWith(QStringLiteral("十分（Cpk=")) &&
                                  t.text.endsWith(QStringLiteral("・規格外 0 個）")));
        for (const TDrawOp& t : OpsOfKind(pane.Ops(1), TDrawOp::Kind::Text))
            fair = fair || (t.text.startsWith(QStringLiteral("まずまず（Cpk=")) &&
                            t.text.endsWith(QStringLiteral("・規格外 1 個）")));
        QVERIFY(capable);
        QVERIFY(fair);
        QVERIFY(HasText(pane.Ops(1), QStringLiteral("1 個 (3.3%)")));
        std::vector<double> all;
        for (const auto& d : days)
            all.insert(all.end(), d.begin(), d.end());
        QVERIFY(*ComputeCapability(all, 160.0, 185.0).cpk >= 1.33);
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
        // The period printed: the scope's bounds, or the days found where it has none.
        TReportScope may{Koji, Mix, {0}, false};
        may.from = QDate(2024, 4, 20);
        may.to = QDate(2024, 5, 1);
        const TStatDocument inMay = LoadStatDocument(may);
        QCOMPARE(inMay.first, may.from);
        QCOMPARE(inMay.last, may.to);
        QCOMPARE(int(inMay.series.at(0).days.size()), 1);
        QCOMPARE(inMay.series.at(0).days.at(0).readings, (std::vector<double>{150, 160, 170}));
        QCOMPARE(doc.first, QDate(2024, 5, 1));
        QCOMPARE(doc.last, QDate(2024, 5, 3));
        TTestPane pane(false, true);
        DrawXbarChart(inMay, pane, std::nullopt, TBasePeriod());
        QVERIFY(HasText(pane.Ops(0), QStringLiteral("2024年4月20日～5月1日")));
        QVERIFY(HasText(pane.Ops(0), QStringLiteral("X̿=160.0")));
        TReportScope measured{Koji, Mix, {0}, false};
        measured.measuredOnly = true;
        const TStatDocument kept = LoadStatDocument(measured);
        QCOMPARE(int(kept.series.at(0).days.size()), 1);
        QCOMPARE(kept.series.at(0).days.at(0).day, Day(5, 1));
    }
};

ONDO_TEST_MAIN(TestStatForms, QGuiApplication)
#include "test_statforms.moc"
