#include "ChartFixture.h"
#include "support/TestSupport.h"

#include <QGuiApplication>
#include <set>

// What tells the X chart's categories apart: the period's days and figures, each category's
// line style and marker, a panel each.
class TestChartCategories : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        UseFakeDevice();
        SheetUnderTest() = ControlChartPage.origin;
        TSettings::SetText(QStringLiteral("hin_prnfont"), QString());
    }

    // The period chosen: its days only, its average, its bounds in the title block.
    void periodGivesDaysAndFigures()
    {
        TempProfile profile;
        PrepareTables();
        AddDay(Koji, Mix, 0, Day(9, 30), {100, 102});
        AddDay(Koji, Mix, 0, Day(10, 1), {158, 162});
        AddDay(Koji, Mix, 0, Day(10, 2), {160});
        AddDay(Koji, Mix, 0, Day(11, 1), {200});
        TReportScope october{Koji, Mix, {0}, false};
        october.from = QDate(2024, 10, 1);
        october.to = QDate(2024, 10, 31);
        const TChartDocument doc = LoadChartDocument(october);
        QCOMPARE(doc.first, october.from);
        QCOMPARE(doc.last, october.to);
        const TChartMix& mix = doc.mixes.at(0);
        QCOMPARE(mix.days, (QList<QDateTime>{Day(10, 1), Day(10, 2)}));
        QCOMPARE(mix.series.at(0).sampleSize, QStringLiteral("1〜2"));
        bool average = false;
        for (const TOJ& l : mix.lines)
            average = average || (l.Kind == QStringLiteral("平均") && qAbs(l.Value - 160) < 0.01);
        QVERIFY(average); // neither September's 101 nor November's 200
        TTestPane pane(false, true);
        DrawControlChart(doc, pane, 100, 200);
        QCOMPARE(int(TextsEqual(pane.Ops(0), QStringLiteral("2024年10月1日～10月31日")).size()), 1);
        QCOMPARE(int(TextsEqual(pane.Ops(0), QStringLiteral("9/30")).size()), 0);
    }

    // Two categories with the same limits: each line in its category's style, and one label
    // for both with each one's marker, so that 上限 185.0 reads once and says whose it is; the
    // legend shows each category's style.
    void limitLinesOfSeveralCategoriesToldApart()
    {
        TempProfile profile;
        PrepareTables();
        AddDay(Koji, Mix, 0, Day(5, 1), {170}, QStringLiteral("160_185"));
        AddDay(Koji, Mix, 1, Day(5, 1), {175}, QStringLiteral("160_185"));
        TOndoKanri r;
        Record(r);
        TTestPane pane(false, true);
        Chart(r, pane, {0, 1}, false, 100, 200);
        const auto& ops = pane.Ops(0);
        for (const char* text : {"上限 185.0", "下限 160.0"}) {
            const auto labels = TextsEqual(ops, QString::fromUtf8(text));
            QCOMPARE(int(labels.size()), 1);
            const TDrawOp& label = labels.front();
            const int mid = label.p1.y() + label.font.CharHeight() / 2;
            int circles = 0, squares = 0;
            for (const TDrawOp& m : OpsOfKind(ops, TDrawOp::Kind::Ellipse))
                circles += m.p2.x() < label.p1.x() && qAbs((m.p1.y() + m.p2.y()) / 2 - mid) <= 20;
            for (const TDrawOp& m : OpsOfKind(ops, TDrawOp::Kind::Polygon))
                squares += m.polygon.size() == 4 && m.p2.x() < label.p1.x() &&
                           qAbs((m.p1.y() + m.p2.y()) / 2 - mid) <= 20;
            QCOMPARE(circles, 1);
            QCOMPARE(squares, 1);
        }
        const std::vector<TDrawOp> upper = LineAcross(ops, clRed, Yv(185));
        int whole = 0;
        for (const TDrawOp& l : upper)
            whole += l.p1.x() == DotX(3.4f) && l.p2.x() == DotX(26.5f);
        QCOMPARE(whole, 1);                      // the first category's, solid
        QVERIFY(int(upper.size()) - whole > 10); // the second's, dashed
        // The legend: a solid sample for the first, a dashed one for the second.
        std::vector<TDrawOp> samples;
        for (const TDrawOp& l : Lines(ops, clRed))
            if (l.p1.y() > DotY(15.0f) && l.p1.y() == l.p2.y())
                samples.push_back(l);
        QVERIFY(!samples.empty());
        std::set<int> rows;
        for (const TDrawOp& l : samples)
            rows.insert(l.p1.y());
        QCOMPARE(int(rows.size()), 1); // both entries in the legend's first row
        QVERIFY(samples.size() > 2);
    }

    // A panel per category, each on the range of its own values and lines, its name at its top:
    // four categories far apart each fill their own band, their lines and labels in it.
    void panelPerCategory()
    {
        TempProfile profile;
        PrepareTables();
        AddCategory(2, QStringLiteral("到着温度"));
        AddCategory(3, QStringLiteral("二次転圧温度"));
        const double centres[] = {170, 125, 160, 85};
        for (int k = 0; k < 4; ++k)
            for (int d = 1; d <= 3; ++d)
                AddDay(Koji, Mix, k, Day(5, d), {centres[k] - 3, centres[k] + 3},
                       QStringLiteral("%1_%2").arg(centres[k] - 10).arg(centres[k] + 10));
        TOndoKanri r;
        Record(r);
        const TChartDocument doc = Load(r, {0, 1, 2, 3}, false);
        TTestPane pane(false, true);
        DrawControlChartPanels(doc, pane);
        QCOMPARE(pane.Count(), 1);
        const auto& ops = pane.Ops(0);
        const float band = (12.4f - 4.2f) / 4;
        for (int k = 0; k < 4; ++k) {
            const float top = 4.2f + band * float(k), bottom = top + band;
            const TChartSeries& series = doc.mixes[0].series[size_t(k)];
            // Its name and its limits' labels in its band only.
            const auto name = TextsEqual(ops, series.name);
            bool inBand = false;
            for (const TDrawOp& t : name)
                inBand = inBand || (t.p1.y() >= DotY(top) && t.p1.y() < DotY(bottom) &&
                                    t.p1.x() < DotX(3.4f));
            QVERIFY2(inBand, qPrintable(series.name));
            const QString upper = QStringLiteral("上限 %1.0").arg(centres[k] + 10);
            const auto labels = TextsEqual(ops, upper);
            QCOMPARE(int(labels.size()), 1);
            QVERIFY(labels[0].p1.y() >= DotY(top) && labels[0].p1.y() < DotY(bottom));
            QVERIFY(labels[0].font.CharHeight() >= 58);
            // Its maxima (filled red) inside the band, clear of its edges.
            int maxima = 0;
            for (const TDrawOp::Kind kind : {TDrawOp::Kind::Ellipse, TDrawOp::Kind::Polygon})
                for (const TDrawOp& m : OpsOfKind(ops, kind)) {
                    const int y = (m.p1.y() + m.p2.y()) / 2;
                    if (m.brush.color != clRed || m.p1.x() < DotX(3.4f) || y > DotY(12.4f))
                        continue;
                    if (y > DotY(top) && y < DotY(bottom)) {
                        ++maxima;
                        QVERIFY(y > DotY(top + 0.1f) && y < DotY(bottom - 0.1f));
                    }
                }
            QCOMPARE(maxima, 3);
        }
        // Labels never over one another.
        const std::vector<QRect> boxes = LabelBoxes(ops);
        for (size_t i = 0; i < boxes.size(); ++i)
            for (size_t j = i + 1; j < boxes.size(); ++j)
                QVERIFY(!boxes[i].intersects(boxes[j]));
    }

    // Each category's own sample size over the period, in the legend; the title block gives
    // the one size they share, or sends the reader to the legend.
    void sampleSizePerCategory()
    {
        TempProfile profile;
        PrepareTables();
        AddDay(Koji, Mix, 0, Day(10, 1), {150, 160, 170});
        AddDay(Koji, Mix, 0, Day(10, 2), {150, 160, 170});
        AddDay(Koji, Mix, 1, Day(10, 3), {140});
        const TChartDocument two = LoadChartDocument(TReportScope{Koji, Mix, {0, 1}, false});
        QCOMPARE(two.mixes.at(0).sampleSize, QStringLiteral("1〜3"));
        QCOMPARE(two.mixes.at(0).series.at(0).sampleSize, QStringLiteral("3"));
        QCOMPARE(two.mixes.at(0).series.at(1).sampleSize, QStringLiteral("1"));
        TTestPane sizes(false, true);
        DrawControlChart(two, sizes, 100, 200);
        QCOMPARE(int(TextsEqual(sizes.Ops(0), QStringLiteral("試料 3")).size()), 1);
        QCOMPARE(int(TextsEqual(sizes.Ops(0), QStringLiteral("試料 1")).size()), 1);
        QCOMPARE(int(TextsEqual(sizes.Ops(0), QStringLiteral("凡例参照")).size()), 1);
        TTestPane one(false, true);
        DrawControlChart(LoadChartDocument(TReportScope{Koji, Mix, {0}, false}), one, 100, 200);
        QCOMPARE(int(TextsEqual(one.Ops(0), QStringLiteral("凡例参照")).size()), 0);
        QCOMPARE(int(TextsEqual(one.Ops(0), QStringLiteral("3")).size()), 1); // the title block
    }
};

ONDO_TEST_MAIN(TestChartCategories, QGuiApplication)
#include "test_chartcategories.moc"
