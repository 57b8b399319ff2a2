#include "ReportFixture.h"
#include "reports/FormKit.h"
#include "support/TestSupport.h"

#include <QGuiApplication>
#include <QRandomGenerator>

namespace {

QStringList TextsOf(const std::vector<TDrawOp>& ops)
{
    QStringList out;
    for (const TDrawOp& op : OpsOfKind(ops, TDrawOp::Kind::Text))
        out << op.text;
    return out;
}

} // namespace

class TestFormKit : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        UseFakeDevice();
        SheetUnderTest() = TSheetOrigin();
    }

    // The heading both statistical forms print: a period across the year's end, and the
    // placeholders of a series without days or specified range.
    void statTitleTexts()
    {
        TStatDocument doc;
        doc.project = QStringLiteral("県道工事（K-01）");
        TStatSeries series;
        series.mixPrintName = QStringLiteral("密粒度アスコン");
        series.category = QStringLiteral("練上温度");
        series.measurer = QStringLiteral("山田・佐藤");
        series.limitText = QStringLiteral("160_185");
        series.days = {TStatDay{QDateTime(QDate(2024, 12, 30), QTime(0, 0)), {160}},
                       TStatDay{QDateTime(QDate(2025, 1, 2), QTime(0, 0)), {161}}};
        const TStatTitle t = StatTitle(doc, series);
        const QList<QStringList> got{
            {t.project.label, t.project.value},   {t.mix.label, t.mix.value},
            {t.category.label, t.category.value}, {t.period.label, t.period.value},
            {t.measurer.label, t.measurer.value}, {t.limit.label, t.limit.value}};
        const QList<QStringList> want{
            {QStringLiteral("工事名"), QStringLiteral("県道工事（K-01）")},
            {QStringLiteral("合材名"), QStringLiteral("密粒度アスコン")},
            {QStringLiteral("区分"), QStringLiteral("練上温度")},
            {QStringLiteral("期間"), QStringLiteral("2024年 12月 30日 〜 2025年 1月 2日")},
            {QStringLiteral("測定者"), QStringLiteral("山田・佐藤")},
            {QStringLiteral("規格値"), QStringLiteral("160_185")}};
        QCOMPARE(got, want);

        series.days.clear();
        series.limitText.clear();
        const TStatTitle empty = StatTitle(doc, series);
        QVERIFY(empty.period.value.isEmpty());
        QCOMPARE(empty.limit.value, QStringLiteral("—"));
    }

    // Every page placed on the sheet and numbered once, last; a new page only between two.
    void pagesAreNumberedAndPlaced()
    {
        const TFormPage form{{2.0f, 1.0f}, {0, 25.4f, 16.5f, 26.0f}};
        SheetUnderTest() = form.origin;
        TTestPane pane;
        TFormPages pages(pane, form, 3);
        for (int p = 0; p < 3; ++p) {
            TCanvas& c = pages.Next();
            QCOMPARE(c.SheetOrigin(), form.origin);
            c.SetFontSize(11);
            PrintLine(c, 0, 0, 1, 0, 1);
        }
        pages.Finish();
        QCOMPARE(pane.Count(), 3);
        QCOMPARE(pane.PageCanvas().FontSize(), 11);
        for (int p = 0; p < 3; ++p) {
            const QString number = QStringLiteral("%1 / 3").arg(p + 1);
            QCOMPARE(TextsOf(pane.Ops(p)), QStringList{number});
            const TDrawOp& last = pane.Ops(p).back();
            QCOMPARE(last.text, number);
            QCOMPARE(last.font.CharHeight(), 75); // 9 pt
            QVERIFY(qAbs(last.p1.x() + last.textWidth / 2 - (DotX(0) + DotX(16.5f)) / 2) <= 1);
            QVERIFY(CmY(last.p1.y()) > 25.4 && CmY(last.p1.y() + 75) < 26.0);
            QCOMPARE(pane.Ops(p).front().p1, QPoint(DotX(0), DotY(0)));
        }

        TTestPane none;
        TFormPages nothing(none, form, 1);
        nothing.Finish();
        QCOMPARE(none.Count(), 1);
        QVERIFY(none.Ops(0).empty());

        QCOMPARE(DayPages(0, 22), 1);
        QCOMPARE(DayPages(22, 22), 1);
        QCOMPARE(DayPages(23, 22), 2);
        QCOMPARE(PageDays(0, 0, 22).count, 0);
        QCOMPARE(PageDays(1, 23, 22).first, 22);
        QCOMPARE(PageDays(1, 23, 22).count, 1);
        QCOMPARE(PageDays(0, 23, 22).count, 22);
    }

    // Whatever the lines, the labels keep a label's room apart, inside the band; lines far
    // apart keep their labels beside them, in two lines at the largest size.
    void referenceLabelsNeverOverlap()
    {
        const float top = 4.2f, height = 8.2f, bottom = top + height;
        const TReferenceLabels apart = LayOutReferenceLabels({5, 8, 11}, top, height, 10);
        QVERIFY(apart.twoLines);
        QCOMPARE(apart.points, 10);
        QCOMPARE(apart.centres, (std::vector<float>{5, 8, 11}));

        QRandomGenerator random(23);
        for (int round = 0; round < 500; ++round) {
            const int n = 1 + random.bounded(40);
            std::vector<float> lines;
            for (int i = 0; i < n; ++i)
                lines.push_back(float(2.0 + random.bounded(13.0)));
            std::sort(lines.begin(), lines.end());
            const TReferenceLabels l = LayOutReferenceLabels(lines, top, height, 10);
            QCOMPARE(int(l.centres.size()), n);
            QVERIFY(l.points >= SmallestPoints && l.points <= 10);
            QVERIFY(l.pitch * float(n) <= height + 1e-4f);
            QVERIFY2(l.centres.front() - l.pitch / 2 >= top - 1e-4f,
                     qPrintable(QString::number(n)));
            QVERIFY(l.centres.back() + l.pitch / 2 <= bottom + 1e-4f);
            for (int i = 1; i < n; ++i)
                QVERIFY2(l.centres[size_t(i)] - l.centres[size_t(i - 1)] >= l.pitch - 1e-4f,
                         qPrintable(QStringLiteral("%1 labels, %2").arg(n).arg(i)));
        }
    }

    // The size falls until every label of the page fits its column: one line, then month over
    // day, then cut; no label leaves its column and the font is left as found.
    void dayLabelsFitTheirColumns_data()
    {
        QTest::addColumn<float>("half");
        QTest::addColumn<int>("texts");
        QTest::addColumn<int>("height");
        QTest::newRow("one line at 10 pt") << 0.45f << 3 << 83;
        QTest::newRow("month over day at 8 pt") << 0.3f << 6 << 67;
        QTest::newRow("cut at 6 pt") << 0.2f << 3 << 50;
    }
    void dayLabelsFitTheirColumns()
    {
        QFETCH(float, half);
        QFETCH(int, texts);
        QFETCH(int, height);
        auto c = FixedCanvas();
        c->SetFontSize(10);
        const QList<QDateTime> days{Day(12, 30), Day(12, 31), Day(1, 1)};
        const auto centre = [](int k) { return 4.4f + float(k); };
        DrawDayLabels(*c, days, TDayColumns{centre, half, 13.2f, 14.0f});
        QCOMPARE(c->FontSize(), 10);
        const auto ops = OpsOf(*c, TDrawOp::Kind::Text);
        QCOMPARE(int(ops.size()), texts);
        for (const TDrawOp& op : ops) {
            QCOMPARE(op.font.CharHeight(), height);
            const int k = int(ops.size()) == 6 ? int(&op - &ops[0]) / 2 : int(&op - &ops[0]);
            QVERIFY2(op.p1.x() >= DotX(centre(k) - half) &&
                         op.p1.x() + op.textWidth <= DotX(centre(k) + half) + 1,
                     qPrintable(op.text));
            QVERIFY(op.p1.y() >= DotY(13.2f) && op.p1.y() + op.textHeight <= DotY(14.0f) + 1);
        }
    }
};

ONDO_TEST_MAIN(TestFormKit, QGuiApplication)
#include "test_formkit.moc"
