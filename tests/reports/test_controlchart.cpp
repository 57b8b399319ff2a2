#include "ChartFixture.h"
#include "support/TestSupport.h"

#include <QGuiApplication>
#include <QTemporaryDir>

class TestControlChart : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        UseFakeDevice();
        SheetUnderTest() = ControlChartPage.origin;
        TSettings::SetText(QStringLiteral("hin_prnfont"), QString());
        TSettings::SetText(QStringLiteral("HotbinMemoriColor"), QString());
    }

    void frameLinesTextsAndColour()
    {
        TTestPane pane(false, true);
        DrawChartFrame(pane.PageCanvas());
        const auto& ops = pane.Ops(0);
        const auto lines = OpsOfKind(ops, TDrawOp::Kind::Line);
        QCOMPARE(int(lines.size()), 4 + 4 + 5);
        QCOMPARE(lines[0].p1, QPoint(DotX(0), DotY(0)));
        QCOMPARE(lines[1].p2, QPoint(DotX(26.7f), DotY(15)));
        QCOMPARE(lines[3].pen.width, 4);
        QCOMPARE(lines[4].p1, QPoint(DotX(0.2f), DotY(1.1f)));
        QCOMPARE(lines[7].pen.width, 2);
        const float table[][4] = {{0.2f, 4.2f, 26.5f, 4.2f},
                                  {0.2f, 12.4f, 26.5f, 12.4f},
                                  {0.2f, 13.2f, 26.5f, 13.2f},
                                  {0.2f, 14.0f, 26.5f, 14.0f},
                                  {3.4f, 4.2f, 3.4f, 14.8f}};
        for (int i = 0; i < 5; ++i) {
            QCOMPARE(lines[8 + i].p1, QPoint(DotX(table[i][0]), DotY(table[i][1])));
            QCOMPARE(lines[8 + i].p2, QPoint(DotX(table[i][2]), DotY(table[i][3])));
        }
        const TDrawOp title = TextsEqual(ops, QStringLiteral("Ｘ 管 理 図")).at(0);
        QCOMPARE(title.font.CharHeight(), 167);
        QCOMPARE(title.p1.x() + title.textWidth / 2, (DotX(0) + DotX(26.7f)) / 2);
        const TDrawOp note =
            TextsEqual(
                ops, QStringLiteral("　　ロ．管理図は、仕様書による規格限界線を朱書きで記入する。"))
                .at(0);
        QCOMPARE(note.p1.x(), DotX(0.2f));
        QVERIFY(note.p1.y() >= DotY(15.0f) && note.p1.y() < DotY(16.0f));
        QCOMPARE(pane.PageCanvas().PenColor(), clAqua);
        QCOMPARE(pane.PageCanvas().PenWidth(), 1);

        TSettings::SetText(QStringLiteral("HotbinMemoriColor"), QStringLiteral("255"));
        DrawChartFrame(pane.PageCanvas());
        QCOMPARE(pane.PageCanvas().PenColor(), clRed);
    }

    void axisValuesStrictlyInsideTheRange_data()
    {
        QTest::addColumn<double>("low");
        QTest::addColumn<double>("high");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("last");
        QTest::newRow("100-200") << 100.0 << 200.0 << 110 << 190;
        QTest::newRow("105-195") << 105.0 << 195.0 << 110 << 180;
    }

    void axisValuesStrictlyInsideTheRange()
    {
        QFETCH(double, low);
        QFETCH(double, high);
        QFETCH(int, first);
        QFETCH(int, last);
        TempProfile profile;
        PrepareTables();
        AddDay(Koji, Mix, 0, Day(5, 1), {150});
        TOndoKanri r;
        Record(r);
        TTestPane pane(false, true);
        Chart(r, pane, {}, false, low, high);
        const auto& ops = pane.Ops(0);
        const auto aqua = Lines(ops, clAqua);
        QCOMPARE(int(aqua.size()), (last - first) / 10 + 1 + 22);
        for (int v = first, i = 0; v <= last; v += 10, ++i) {
            const float y = Yv(v, low, high);
            QCOMPARE(aqua[size_t(i)].p1, QPoint(DotX(3.4f), DotY(y)));
            QCOMPARE(aqua[size_t(i)].p2.x(), DotX(26.5f));
            const TDrawOp label = TextsEqual(ops, QString::number(v)).at(0);
            QVERIFY(qAbs(label.p1.x() + label.textWidth - DotX(3.35f)) <= 1); // right-aligned
            QVERIFY(qAbs(label.p1.y() + 37 - DotY(y)) <= 2); // 9 pt centred on the line
        }
        QCOMPARE(int(TextsEqual(ops, QString::number(first - 10)).size()), 0);
        QCOMPARE(int(TextsEqual(ops, QString::number(last + 10)).size()), 0);
        // The day grid: 22 columns over the plot.
        const TDrawOp grid = aqua.at(aqua.size() - 22);
        QCOMPARE(grid.p1, QPoint(DotX(4.4f), DotY(4.2f)));
        QCOMPARE(aqua.back().p2, QPoint(DotX(25.4f), DotY(12.4f)));
    }

    // A sheet holds 22 days; the title block with the document's period repeats on each.
    void pagesOf22DaysEachWithItsPeriod()
    {
        TempProfile profile;
        PrepareTables();
        AddDays(Mix, 0, 23);
        TOndoKanri r;
        Record(r);
        TListMemo memo;
        memo.lines << QStringLiteral("old");
        TTestPane pane(false, true);
        Chart(r, pane, {0}, false, 100, 200, &memo);
        QCOMPARE(pane.Count(), 2);
        QCOMPARE(memo.lines.size(), 24);
        QCOMPARE(memo.lines.at(0), Mix);
        QCOMPARE(memo.lines.at(1), QStringLiteral("2024/05/01"));
        QCOMPARE(memo.lines.at(23), QStringLiteral("2024/05/23"));
        for (int p = 0; p < 2; ++p) {
            const auto& ops = pane.Ops(p);
            QCOMPARE(int(TextsEqual(ops, QStringLiteral("2024年5月1日～5月23日")).size()), 1);
            QCOMPARE(int(TextsEqual(ops, QStringLiteral("%1 / 2").arg(p + 1)).size()), 1);
            QCOMPARE(int(TextsEqual(ops, QStringLiteral("℃")).size()), 1);
            QCOMPARE(int(TextsEqual(ops, Mix).size()), 1);
            QCOMPARE(int(TextsEqual(ops, QStringLiteral("山田太郎")).size()), 1);
            QCOMPARE(int(TextsEqual(ops, QStringLiteral("150～170 ℃")).size()), 1);
            QCOMPARE(int(Lines(ops, clAqua).size()), 9 + 22);
        }
        const auto second = pane.Ops(1);
        const TDrawOp day = TextsEqual(second, QStringLiteral("5/23")).at(0);
        QCOMPARE(day.p1.x() + day.textWidth / 2, (DotX(3.4f) + DotX(5.4f)) / 2);
        QCOMPARE(int(TextsEqual(second, QStringLiteral("5/22")).size()), 0);
        QCOMPARE(int(MarkersAt(second, 4.4f, Yv(160), TDrawOp::Kind::Ellipse).size()), 1);
    }

    // Each category its own marker, maxima filled red, minima hollow blue; a day without values
    // breaks the run; a point outside the specified range is ringed.
    void markersRunsAndOutOfRange()
    {
        TempProfile profile;
        PrepareTables();
        AddDay(Koji, Mix, 0, Day(5, 1), {150, 160});
        AddDay(Koji, Mix, 0, Day(5, 2), {152, 175});                       // 175 above 150_170
        AddDay(Koji, Mix, 1, Day(5, 3), {140}, QStringLiteral("130_150")); // the other category
        AddDay(Koji, Mix, 0, Day(5, 4), {151, 158});
        AddDay(Koji, Mix, 0, Day(5, 5), {155});
        AddDay(Koji, Mix, 0, Day(5, 6), {153, 157});
        TOndoKanri r;
        Record(r);
        TTestPane pane(false, true);
        Chart(r, pane, {0, 1}, false, 100, 200);
        const auto& ops = pane.Ops(0);
        QCOMPARE(JoinsInto(ops, 1), 2);
        QCOMPARE(JoinsInto(ops, 2), 0);
        QCOMPARE(JoinsInto(ops, 3), 0);
        QCOMPARE(JoinsInto(ops, 4), 2);
        QCOMPARE(JoinsInto(ops, 5), 2);
        for (const TDrawOp& op : OpsOfKind(ops, TDrawOp::Kind::Line))
            if (op.p1.x() == DotX(DayX(5) - 1) && op.p2.x() == DotX(DayX(5)))
                QVERIFY(op.p1.y() == DotY(Yv(155)) &&
                        (op.p2.y() == DotY(Yv(157)) || op.p2.y() == DotY(Yv(153))));
        // Category 0: circles.
        const auto max = MarkersAt(ops, DayX(0), Yv(160), TDrawOp::Kind::Ellipse);
        QCOMPARE(int(max.size()), 1);
        QCOMPARE(max[0].brush.color, clRed);
        QCOMPARE(max[0].pen.color, clRed);
        const auto min = MarkersAt(ops, DayX(0), Yv(150), TDrawOp::Kind::Ellipse);
        QCOMPARE(int(min.size()), 1);
        QCOMPARE(min[0].brush.color, clWhite);
        QCOMPARE(min[0].pen.color, clBlue);
        // Category 1: squares, its own series.
        const auto square = MarkersAt(ops, DayX(2), Yv(140), TDrawOp::Kind::Polygon);
        QCOMPARE(int(square.size()), 2);
        QCOMPARE(int(square[0].polygon.size()), 4);
        // 175 ringed in red, hollow; nothing else out of range.
        const auto rings = MarkersAt(ops, DayX(1), Yv(175), TDrawOp::Kind::Ellipse);
        QCOMPARE(int(rings.size()), 2);
        QCOMPARE(rings[1].brush.style, TBrushStyle::Clear);
        QCOMPARE(rings[1].pen.color, clRed);
        int ringsInPlot = 0;
        for (const TDrawOp& e : OpsOfKind(ops, TDrawOp::Kind::Ellipse))
            ringsInPlot += e.brush.style == TBrushStyle::Clear && e.p1.y() < DotY(12.4f);
        QCOMPARE(ringsInPlot, 1);
        // One maximum and one minimum marker for a day of one reading.
        QCOMPARE(int(MarkersAt(ops, DayX(4), Yv(155), TDrawOp::Kind::Ellipse).size()), 2);
        // Each day labelled once, whatever the number of categories.
        QCOMPARE(int(TextsEqual(ops, QStringLiteral("5/3")).size()), 1);
        // The legend names each category's 最高 and 最低.
        QCOMPARE(int(TextsEqual(ops, QStringLiteral("最高")).size()), 2);
        QCOMPARE(int(TextsEqual(ops, QStringLiteral("最低")).size()), 2);
        QCOMPARE(int(TextsEqual(ops, QStringLiteral("初期締固前温度")).size()), 1);
        QCOMPARE(int(TextsEqual(ops, QStringLiteral("規格外")).size()), 1);
        // Only days of a ticked category are columns.
        TTestPane one(false, true);
        Chart(r, one, {0}, false, 100, 200);
        QCOMPARE(int(TextsEqual(one.Ops(0), QStringLiteral("5/3")).size()), 0);
        QCOMPARE(JoinsInto(one.Ops(0), 2), 2); // 5/2 to 5/4, now neighbours
    }

    // A simulated day is drawn hollow, its maximum as its minimum, and the legend keys the
    // hollow markers on a page that has such a day only. The package's chart leaves the day
    // out, of the average line too: 155 + 66/48 over 24 days, 155 + 65/46 over the other 23.
    void simulatedDayIsHollowAndKeyed()
    {
        TempProfile profile;
        PrepareTables();
        AddDays(Mix, 0, 24); // {150 + d % 7, 160}: two pages
        Engine::Execute(QStringLiteral("update OndoHead4 set Mogi = 1 where Hiduke = '%1'")
                            .arg(DateTimeToStorage(Day(5, 23))));
        TOndoKanri r;
        Record(r);
        TTestPane pane(false, true);
        Chart(r, pane, {0}, false, 100, 200);
        QCOMPARE(pane.Count(), 2);
        const auto keys = [&](int page) {
            int n = 0;
            for (const TDrawOp& e : OpsOfKind(pane.Ops(page), TDrawOp::Kind::Ellipse))
                n += e.p1.y() > DotY(14.8f) && e.brush.style == TBrushStyle::Solid &&
                     e.brush.color == clWhite && e.pen.color == clRed;
            return n;
        };
        const QString key = QStringLiteral("模擬値（中抜き）");
        QCOMPARE(int(TextsEqual(pane.Ops(0), key).size()), 0);
        QCOMPARE(keys(0), 0);
        QCOMPARE(int(TextsEqual(pane.Ops(1), key).size()), 1);
        QCOMPARE(keys(1), 1);
        // 5/23 leads page 2, hollow at both ends; 5/24 follows it measured.
        const auto& ops = pane.Ops(1);
        const TDrawOp max = MarkersAt(ops, DayX(0), Yv(160), TDrawOp::Kind::Ellipse).at(0);
        QVERIFY(max.brush.color == clWhite && max.pen.color == clRed);
        QCOMPARE(MarkersAt(ops, DayX(0), Yv(151), TDrawOp::Kind::Ellipse).at(0).brush.color,
                 clWhite);
        QCOMPARE(MarkersAt(ops, DayX(1), Yv(160), TDrawOp::Kind::Ellipse).at(0).brush.color, clRed);
        QCOMPARE(int(TextsEqual(ops, QStringLiteral("模擬値")).size()), 1); // under its date

        TReportScope measured{Koji, Mix, {0}, false};
        const auto average = [](const TChartDocument& doc) {
            for (const TOJ& line : doc.mixes.at(0).lines)
                if (line.Kind == QStringLiteral("平均"))
                    return line.Value;
            return 0.0;
        };
        QVERIFY(qFuzzyCompare(average(LoadChartDocument(measured)), 155 + 66.0 / 48));
        measured.measuredOnly = true;
        const TChartDocument doc = LoadChartDocument(measured);
        QCOMPARE(int(doc.mixes.at(0).days.size()), 23);
        QVERIFY(!doc.mixes.at(0).days.contains(Day(5, 23)));
        QVERIFY(qFuzzyCompare(average(doc), 155 + 65.0 / 46));
    }

    // Lines at their values; labels beside them, at 7 pt or more, never cut, moved apart with a
    // leader when they crowd; no limit line for 0 or 300 or a missing bound.
    void referenceLinesAndLabels()
    {
        TempProfile profile;
        PrepareTables();
        AddCategory(12, QStringLiteral("到着温度"));
        AddDay(Koji, Mix, 0, Day(5, 1), {160}, QStringLiteral("0_300"));
        AddDay(Koji, Mix, 1, Day(5, 1), {159.8}, QStringLiteral("_165"));
        AddDay(Koji, Mix, 12, Day(5, 1), {150}, QString());
        TOndoKanri r;
        Record(r);
        TTestPane pane(false, true);
        Chart(r, pane, {0, 1, 12}, false, 100, 200);
        const auto& ops = pane.Ops(0);
        struct Want
        {
            QString text;
            double v;
            TColor colour;
            int place; // among the ticked categories: its line's style
        };
        const Want sorted[] = {{QStringLiteral("上限 165.0"), 165, clRed, 1},
                               {QStringLiteral("平均 160.0"), 160, clBlack, 0},
                               {QStringLiteral("平均 159.8"), 159.8, clBlack, 1},
                               {QStringLiteral("平均 150.0"), 150, clBlack, 2}};
        for (const Want& w : sorted) {
            // Across the plot: in one stroke for the first category, in dashes for the others.
            const std::vector<TDrawOp> strokes = LineAcross(ops, w.colour, Yv(w.v));
            QVERIFY2(!strokes.empty(), qPrintable(w.text));
            QCOMPARE(strokes.front().p1.x(), DotX(3.4f));
            QVERIFY(qAbs(strokes.back().p2.x() - DotX(26.5f)) <= 60);
            QCOMPARE(strokes.size() == 1, w.place == 0);
            const TDrawOp text = TextsEqual(ops, w.text).at(0);
            QCOMPARE(text.font.color, w.colour);
            QVERIFY(text.font.CharHeight() >= 58);
            QVERIFY(qAbs(text.p1.x() + text.textWidth - DotX(2.35f)) <= 1);
            // Within half a label of its line.
            QVERIFY2(qAbs(text.p1.y() + text.font.CharHeight() / 2 - DotY(Yv(w.v))) <= 100,
                     qPrintable(w.text));
        }
        // 160 and 159.8 lie 0.08 cm apart: their labels are moved apart, one each way, and led
        // to their lines.
        const TDrawOp a = TextsEqual(ops, QStringLiteral("平均 160.0")).at(0);
        const TDrawOp b = TextsEqual(ops, QStringLiteral("平均 159.8")).at(0);
        QVERIFY(b.p1.y() - a.p1.y() >= a.font.CharHeight());
        QVERIFY(a.p1.y() + a.font.CharHeight() / 2 < DotY(Yv(160)));
        int leaders = 0;
        for (const TDrawOp& l : OpsOfKind(ops, TDrawOp::Kind::Line))
            leaders += l.p1.x() == DotX(2.37f) && qAbs(l.p2.x() - DotX(2.48f)) <= 1;
        QVERIFY(leaders >= 2);
        const std::vector<QRect> boxes = LabelBoxes(ops);
        for (size_t i = 0; i < boxes.size(); ++i)
            for (size_t j = i + 1; j < boxes.size(); ++j)
                QVERIFY(!boxes[i].intersects(boxes[j]));
        // A marker tells whose line it is: the square of the second category ticked beside its
        // upper limit.
        const TDrawOp upper = TextsEqual(ops, QStringLiteral("上限 165.0")).at(0);
        bool square = false;
        for (const TDrawOp& m : OpsOfKind(ops, TDrawOp::Kind::Polygon))
            square = square || (m.polygon.size() == 4 && m.p2.x() < upper.p1.x() &&
                                qAbs((m.p1.y() + m.p2.y()) / 2 -
                                     (upper.p1.y() + upper.font.CharHeight() / 2)) <= 20);
        QVERIFY(square);
        QCOMPARE(int(TextsEqual(ops, QStringLiteral("下限 0.0")).size()), 0);
        QCOMPARE(int(TextsEqual(ops, QStringLiteral("上限 300.0")).size()), 0);
        QCOMPARE(int(TextsEqual(ops, QStringLiteral("到着温度")).size()), 1); // two-digit ID
    }

    void wholeProjectPagesPerMix()
    {
        TempProfile profile;
        PrepareTables();
        AddMix(QStringLiteral("A"), QStringLiteral("表層A"));
        AddDays(QStringLiteral("A"), 0, 10);
        AddDays(QStringLiteral("B"), 0, 30, 6);
        AddDays(QStringLiteral("C"), 1, 5, 8);
        AddDay(QStringLiteral("K-02"), QStringLiteral("D"), 0, Day(5, 1), {150});
        TOndoKanri r;
        Record(r, QStringLiteral("B"));
        TListMemo memo;
        TTestPane pane(false, true);
        Chart(r, pane, {0, 1}, true, 100, 200, &memo);
        QCOMPARE(pane.Count(), 4);
        QCOMPARE(int(TextsEqual(pane.Ops(0), QStringLiteral("表層A")).size()), 1);
        QCOMPARE(int(TextsEqual(pane.Ops(2), QStringLiteral("B")).size()), 1);
        // The period of the document: every mix's days.
        QCOMPARE(int(TextsEqual(pane.Ops(2), QStringLiteral("2024年5月1日～8月5日")).size()), 1);
        QCOMPARE(int(TextsEqual(pane.Ops(3), QStringLiteral("C")).size()), 1);
        QCOMPARE(int(TextsEqual(pane.Ops(3), QStringLiteral("4 / 4")).size()), 1);
        QCOMPARE(memo.lines.size(), 3 + 10 + 30 + 5);
        QCOMPARE(memo.lines.at(11), QStringLiteral("B"));
        QCOMPARE(r.Gozai.DataName(), QStringLiteral("B")); // the record stays as shown
        // C has no day of category 0: no page for it.
        TTestPane first(false, true);
        Chart(r, first, {0}, true, 100, 200);
        QCOMPARE(first.Count(), 3);

        Record(r, QStringLiteral("A"));
        TTestPane own(false, true);
        Chart(r, own, {0}, false, 100, 200, &memo);
        QCOMPARE(own.Count(), 1);
        QCOMPARE(memo.lines.size(), 11);
    }

    void equalBoundsAndMixWithoutDays()
    {
        TempProfile profile;
        PrepareTables();
        AddDay(Koji, Mix, 0, Day(5, 1), {150, 160}, QStringLiteral("150_170"));
        TOndoKanri r;
        Record(r);
        TTestPane flat(false, true);
        Chart(r, flat, {0}, false, 150, 150);
        const auto& ops = flat.Ops(0);
        QCOMPARE(int(Lines(ops, clAqua).size()), 22); // the day grid only
        for (const TDrawOp& l : Lines(ops, clRed))
            QVERIFY(l.p1.y() > DotY(14.8f)); // the legend's sample
        for (const TDrawOp& e : OpsOfKind(ops, TDrawOp::Kind::Ellipse))
            QVERIFY(e.p1.y() > DotY(14.8f)); // the legend's only
        QCOMPARE(int(TextsEqual(ops, QStringLiteral("2024年5月1日")).size()), 1);
        QCOMPARE(int(TextsEqual(ops, QStringLiteral("山田太郎")).size()), 1);

        Record(r, QStringLiteral("未測定"));
        TTestPane empty(false, true);
        Chart(r, empty, {0}, false, 100, 200);
        QCOMPARE(empty.Count(), 1);
        const auto& none = empty.Ops(0);
        QCOMPARE(int(Lines(none, clAqua).size()), 9 + 22);
        QCOMPARE(int(TextsEqual(none, QStringLiteral("Ｘ 管 理 図")).size()), 1);
        for (const TDrawOp& t : OpsOfKind(none, TDrawOp::Kind::Text))
            QVERIFY(!t.text.contains(QStringLiteral("月1日")));
    }

    // Six categories over October and November, with values beyond the range and notes on the
    // days: eighteen labels, none under 7 pt, none cut, none over another; every marker in the
    // plot; the legend; the 記事 row and its notes under the sheet.
    void crowdedModelStaysInsideItsBoxes()
    {
        TChartDocument doc;
        doc.project = QStringLiteral("県道123号線舗装補修工事（K1）");
        TChartMix mix;
        mix.key = Mix;
        mix.printName = QStringLiteral("再生密粒度アスファルト混合物（13F）改質Ⅱ型");
        for (int d = 0; d < 22; ++d)
            mix.days << QDateTime(QDate(2024, 10, 25).addDays(d), QTime(0, 0));
        for (int k = 0; k < 6; ++k) {
            TChartSeries series;
            series.kubunId = k;
            series.name = QStringLiteral("初期締固前温度%1").arg(k);
            series.limits = TLimits{QStringLiteral("x"), 110.0 + 15 * k, 135.0 + 15 * k};
            for (int d = 0; d < 22; ++d) {
                const double v = d % 5 == 0 ? 230 : d % 7 == 0 ? 60 : 120 + 15 * k + d % 3;
                series.days.insert(mix.days[d], TDaySummary{mix.days[d], 5, v, v - 4, v - 2});
            }
            mix.series.push_back(series);
            const QString name = series.name;
            mix.lines.push_back(TOJ{name + QStringLiteral("上限"), 135.0 + 15 * k, true,
                                    QStringLiteral("上限"), k});
            mix.lines.push_back(TOJ{name, 122.0 + 15 * k, false, QStringLiteral("平均"), k});
            mix.lines.push_back(TOJ{name + QStringLiteral("下限"), 110.0 + 15 * k, true,
                                    QStringLiteral("下限"), k});
        }
        std::sort(mix.lines.begin(), mix.lines.end(),
                  [](const TOJ& a, const TOJ& b) { return a.Value > b.Value; });
        mix.notes[mix.days[3]] = TDayNote{
            {}, QStringLiteral("晴"), QStringLiteral("12"), QStringLiteral("雨のため中断")};
        doc.mixes.push_back(mix);

        TTestPane pane(true, true);
        DrawControlChart(doc, pane, 50, 220);
        QCOMPARE(pane.Count(), 1);
        const auto& ops = pane.Ops(0);
        const int top = DotY(4.2f), bottom = DotY(12.4f);
        for (int d = 0; d < 22; ++d) {
            const QDate day = mix.days[d].date();
            const auto label =
                TextsEqual(ops, QStringLiteral("%1/%2").arg(day.month()).arg(day.day()));
            QCOMPARE(int(label.size()), 1);
            QVERIFY(label[0].p1.x() >= DotX(DayX(d) - 0.5f));
            QVERIFY(label[0].p1.x() + label[0].textWidth <= DotX(DayX(d) + 0.5f));
        }
        std::vector<QRect> boxes = LabelBoxes(ops);
        QCOMPARE(int(boxes.size()), 18);
        for (const TDrawOp& t : OpsOfKind(ops, TDrawOp::Kind::Text))
            if (t.p1.x() < DotX(2.4f) && t.p1.y() > DotY(4.0f) && t.p1.y() < DotY(12.6f)) {
                QVERIFY2(t.p1.y() >= top && t.p1.y() + t.font.CharHeight() <= bottom + 1,
                         qPrintable(t.text));
                QVERIFY(t.p1.x() >= DotX(0.2f) && t.p1.x() + t.textWidth <= DotX(2.4f) + 1);
                QVERIFY(t.font.CharHeight() >= 58); // 7 pt at 600 dpi
                QVERIFY(!t.text.contains(QStringLiteral("…")));
            }
        for (size_t i = 0; i < boxes.size(); ++i)
            for (size_t j = i + 1; j < boxes.size(); ++j)
                QVERIFY(!boxes[i].intersects(boxes[j]));
        int joins = 0, limits = 0, averages = 0;
        for (const TDrawOp& l : OpsOfKind(ops, TDrawOp::Kind::Line)) {
            const int left = DotX(3.4f), right = DotX(26.5f);
            if (l.pen.width < 4 || l.p1.x() < left || l.p2.x() < left || l.p1.x() > right ||
                l.p2.x() > right || l.p1.y() > DotY(14.8f))
                continue;
            QVERIFY(l.p1.y() >= top && l.p1.y() <= bottom && l.p2.y() >= top && l.p2.y() <= bottom);
            joins += l.pen.width == 4 && l.pen.color == clBlack;
            limits += l.pen.width == 8 && l.pen.color == clRed;
            averages += l.pen.width == 5 && l.pen.color == clBlack;
        }
        QVERIFY(joins > 100);
        QVERIFY(limits >= 8 && averages >= 4);
        int onTop = 0;
        for (const TDrawOp::Kind kind : {TDrawOp::Kind::Ellipse, TDrawOp::Kind::Polygon})
            for (const TDrawOp& e : OpsOfKind(ops, kind)) {
                const int y = (e.p1.y() + e.p2.y()) / 2;
                if (y > DotY(14.8f) || e.p1.x() < DotX(3.4f))
                    continue; // the legend's, the labels'
                // A triangle's box is centred a little off its centre.
                QVERIFY(y >= top - 15 && y <= bottom + 15);
                onTop += qAbs(y - top) <= 15;
            }
        QVERIFY(onTop >= 12); // 230 drawn on the top edge, ringed
        QCOMPARE(int(TextsEqual(ops, QStringLiteral("最高")).size()), 6);
        QCOMPARE(int(TextsEqual(ops, QStringLiteral("最低")).size()), 6);
        QCOMPARE(int(TextsEqual(ops, QStringLiteral("※1")).size()), 1);
        QCOMPARE(int(TextsEqual(ops, QStringLiteral("12℃")).size()), 1);
        QCOMPARE(int(TextsEqual(ops, QStringLiteral("※1 10/28 雨のため中断")).size()), 1);
        QCOMPARE(int(TextsEqual(ops, QStringLiteral("1 / 1")).size()), 1);
    }

    void wideRangeStepsTheAxisLabels()
    {
        TChartDocument doc;
        doc.mixes.push_back(TChartMix());
        TTestPane pane(false, true);
        DrawControlChart(doc, pane, 0, 300);
        const auto& ops = pane.Ops(0);
        QStringList shown;
        for (int v = 10; v < 300; v += 10)
            if (!TextsEqual(ops, QString::number(v)).empty())
                shown << QString::number(v);
        QCOMPARE(shown, (QStringList{"50", "100", "150", "200", "250"}));
    }

    // Per mix its own measurers, days of the ticked categories, limits, notes and sample cells; a
    // day summary without readings is neither plotted nor averaged.
    void loaderReadsEachMixOnItsOwn()
    {
        TempProfile profile;
        PrepareTables();
        Query k(QStringLiteral("insert into Koji1 (Code, Kojimei) values ('K-01', '県道工事')"));
        k.ExecSQL();
        AddDay(Koji, Mix, 0, Day(10, 1), {150, 160, 170}, QStringLiteral("150_175"),
               QStringLiteral("1台毎"));
        AddDay(Koji, Mix, 0, Day(10, 2), Readings16(), QStringLiteral("150_175"),
               QStringLiteral("1台毎"));
        AddDay(Koji, Mix, 1, Day(10, 3), {140}, QStringLiteral("140_160"));
        AddDay(Koji, QStringLiteral("粗粒"), 0, Day(12, 31), {155});
        AddDay(Koji, QStringLiteral("粗粒"), 0, Day(1, 2).addYears(1), {157});
        Engine::Execute(QStringLiteral(
            "update OndoKanri4 set Sokuteisya = '佐藤花子' where GozaiName = '粗粒'"));
        Engine::Execute(QStringLiteral("update OndoHead4 set Tenki = '晴', Tekiyo = '遅延', "
                                       "Sokuteisya = '鈴木' where Hiduke = '2024-10-01 00:00:00'"));
        // An emptied day: its summary has no readings.
        Engine::Execute(QStringLiteral(
            "update OndoHead4 set Kosu = 0, AvgOndo = 0 where Hiduke = '2024-10-02 00:00:00'"));

        const TChartDocument doc = LoadChartDocument(TReportScope{Koji, Mix, {0}, true});
        QCOMPARE(doc.project, QStringLiteral("県道工事（K-01）"));
        QCOMPARE(int(doc.mixes.size()), 2);
        const TChartMix& a = doc.mixes[0].key == Mix ? doc.mixes[0] : doc.mixes[1];
        const TChartMix& b = doc.mixes[0].key == Mix ? doc.mixes[1] : doc.mixes[0];
        QCOMPARE(a.days, (QList<QDateTime>{Day(10, 1), Day(10, 2)})); // not 10/3 of category 1
        QCOMPARE(a.series.at(0).days.keys(), (QList<QDateTime>{Day(10, 1)}));
        QCOMPARE(a.measurer, QStringLiteral("山田太郎"));
        QCOMPARE(a.notes.value(Day(10, 1)).measurer, QStringLiteral("鈴木"));
        QCOMPARE(a.notes.value(Day(10, 1)).remark, QStringLiteral("遅延"));
        QCOMPARE(a.notes.value(Day(10, 2)).measurer, QStringLiteral("山田太郎"));
        QCOMPARE(b.measurer, QStringLiteral("佐藤花子"));
        QCOMPARE(b.days.size(), 2);
        QCOMPARE(a.series[0].limits.text, QStringLiteral("150_175"));
        QCOMPARE(a.series[0].limits.upper.value_or(0), 175.0);
        QCOMPARE(a.sampleSize, QStringLiteral("3"));
        QCOMPARE(a.sampleInterval, QStringLiteral("1台毎"));
        QCOMPARE(b.sampleInterval, QString());
        bool average = false;
        for (const TOJ& l : a.lines)
            average = average || (!l.IsLimit && qAbs(l.Value - 160) < 0.01);
        QVERIFY(average); // 160 alone, not (160 + 0) / 2

        TTestPane pane(false, true);
        DrawControlChart(doc, pane, 100, 200);
        QCOMPARE(pane.Count(), 2);
        const auto& first = pane.Ops(doc.mixes[0].key == Mix ? 0 : 1);
        QCOMPARE(int(TextsEqual(first, QStringLiteral("鈴木 10/1・山田太郎 10/2")).size()), 1);
        const auto& second = pane.Ops(doc.mixes[0].key == Mix ? 1 : 0);
        QCOMPARE(int(TextsEqual(second, QStringLiteral("2024年10月1日～2025年1月2日")).size()), 1);
        QCOMPARE(int(TextsEqual(second, QStringLiteral("佐藤花子")).size()), 1);

        const TChartDocument two = LoadChartDocument(TReportScope{Koji, Mix, {0, 1}, false});
        QCOMPARE(two.mixes.at(0).days.size(), 3);
        QCOMPARE(two.mixes.at(0).sampleSize, QStringLiteral("1〜3"));
        // A period's days only.
        TReportScope october{Koji, QStringLiteral("粗粒"), {0}, false};
        october.to = QDate(2024, 12, 31);
        QCOMPARE(LoadChartDocument(october).mixes.at(0).days.size(), 1);
    }

    void printFontSetting()
    {
        TempProfile profile;
        PrepareTables();
        AddDay(Koji, Mix, 0, Day(5, 1), {150});
        TOndoKanri r;
        Record(r);
        TTestPane plain(false, true);
        Chart(r, plain, {0}, false, 100, 200);
        for (const TDrawOp& op : OpsOfKind(plain.Ops(0), TDrawOp::Kind::Text))
            QCOMPARE(op.font.name, DefaultFaceName());
        TSettings::SetText(QStringLiteral("hin_prnfont"), QStringLiteral("ＭＳ 明朝"));
        TTestPane mincho(false, true);
        Chart(r, mincho, {0}, false, 100, 200);
        for (const TDrawOp& op : OpsOfKind(mincho.Ops(0), TDrawOp::Kind::Text))
            QCOMPARE(op.font.name, QStringLiteral("ＭＳ 明朝"));
    }

    void referenceDumpAndPdf()
    {
        TempProfile profile;
        PrepareTables();
        AddMix(Mix, QStringLiteral("密粒度アスコン（１３Ｆ）"));
        const double maxima[] = {165, 168, 0, 162, 158, 166};
        for (int d = 0; d < 6; ++d) {
            if (maxima[d] > 0)
                AddDay(Koji, Mix, 0, Day(5, 1 + d), {maxima[d], maxima[d] - 8 + d % 3},
                       QStringLiteral("150_175"));
            AddDay(Koji, Mix, 1, Day(5, 1 + d), {145.0 + d, 150.0 + d}, QStringLiteral("140_"));
        }
        AddDay(Koji, Mix, 0, Day(5, 8), {160});
        TOndoKanri r;
        Record(r);
        TTestPane pane(false, true);
        Chart(r, pane, {0, 1}, false, 100, 200);
        QString why;
        QVERIFY2(MatchesReference(QStringLiteral("controlchart.txt"), DumpPages(pane), why),
                 qPrintable(why));

        TTestPane real(true, true);
        Chart(r, real, {0, 1}, false, 100, 200);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("controlchart.pdf"));
        WritePdf(real, file, true);
        if (!qEnvironmentVariableIsEmpty("ONDO_KEEP_PDF"))
            QFile::copy(file, qEnvironmentVariable("ONDO_KEEP_PDF") +
                                  QStringLiteral("/controlchart.pdf"));
        const QString text = PdfText(file).replace(QChar(0x301C), QChar(0xFF5E));
        for (const char* want :
             {"Ｘ管理図", "密粒度アスコン（１３Ｆ）", "温度", "℃", "2024年5月1日～5月8日",
              "山田太郎", "練上温度", "注）イ．記事欄には", "朱書きで記入する。", "5/8", "190",
              "最高", "最低", "150～170℃", "140℃以上", "上限170.0"})
            QVERIFY2(text.contains(QString::fromUtf8(want)), want);
    }
};

ONDO_TEST_MAIN(TestControlChart, QGuiApplication)
#include "test_controlchart.moc"
