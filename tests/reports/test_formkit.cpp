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

    // The title block every page prints: the document's period with the year (in the era when
    // asked), the specified value as people write it, who measured which days, the page "n / N" and
    // the approval boxes the settings name; no text outside its cell, none under 7 pt.
    void titleBlockTexts()
    {
        TStatDocument doc;
        doc.project = QStringLiteral("県道工事（K-01）");
        TStatSeries series;
        series.mixPrintName = QStringLiteral("密粒度アスコン");
        series.category = QStringLiteral("練上温度");
        series.limitText = QStringLiteral("160_185");
        const auto day = [](int y, int m, int d, const char* who) {
            return TStatDay{
                QDateTime(QDate(y, m, d), QTime(0, 0)), {160}, false, QString::fromUtf8(who)};
        };
        series.days = {day(2024, 12, 30, "山田"), day(2024, 12, 31, "山田"),
                       day(2025, 1, 2, "佐藤"), day(2025, 1, 6, "山田")};
        // The document's period, whatever days the page shows.
        doc.first = QDate(2024, 12, 1);
        doc.last = QDate(2025, 1, 31);
        TTitleBlock t = StatTitle(doc, series, 1, 2);
        QCOMPARE(t.period, QStringLiteral("2024年12月1日～2025年1月31日"));
        QCOMPARE(t.limit, QStringLiteral("160～185 ℃"));
        QCOMPARE(t.measurer, QStringLiteral("山田 12/31・佐藤 1/2"));
        QCOMPARE(StatTitle(doc, series).measurer,
                 QStringLiteral("山田 12/30～12/31, 1/6・佐藤 1/2"));
        // A day of several categories measured by two people names each of them once.
        series.days[2].measurer = QStringLiteral("佐藤・山田");
        QCOMPARE(StatTitle(doc, series).measurer, QStringLiteral("山田 12/30～1/6・佐藤 1/2"));
        for (int d = 3; d < 8; ++d)
            series.days.push_back(day(2025, 1, d * 2, d % 2 ? "佐藤" : "山田・佐藤"));
        QCOMPARE(StatTitle(doc, series).measurer, QStringLiteral("山田・佐藤（日により異なる）"));
        doc.title.wareki = true;
        QCOMPARE(StatTitle(doc, series, 0, 2).period,
                 QStringLiteral("令和6年12月1日～令和7年1月31日"));
        doc.last = QDate(2024, 12, 31);
        QCOMPARE(PeriodOf(doc), QStringLiteral("令和6年12月1日～12月31日"));
        QCOMPARE(DateText(QDate(2019, 5, 1), true), QStringLiteral("令和元年5月1日"));
        QCOMPARE(DateText(QDate(2019, 4, 30), true), QStringLiteral("平成31年4月30日"));
        QCOMPARE(ShortDateWithYear(QDate(2024, 10, 1), true), QStringLiteral("R6/10/1"));
        QCOMPARE(ShortDateWithYear(QDate(2024, 10, 1), false), QStringLiteral("2024/10/1"));

        t.page = 2;
        t.pages = 5;
        t.extra << TTitleField{QStringLiteral("測定間隔"), QStringLiteral("1台毎")};
        TTitleSettings settings;
        settings.approvals = ParseApprovals(QStringLiteral("監督員、課長,係長"));
        for (const TCmBox box : {TCmBox{0, 1.1f, 16.5f, 3.1f}, TCmBox{0.2f, 1.1f, 26.5f, 4.2f}}) {
            auto c = FixedCanvas();
            c->SetFontSize(10);
            DrawTitleBlock(*c, t, settings, box);
            QCOMPARE(c->FontSize(), 10);
            const QStringList texts = TextsOf(c->Page().Ops());
            for (const QString& want :
                 {QStringLiteral("県道工事（K-01）"), QStringLiteral("密粒度アスコン"),
                  QStringLiteral("練上温度"), t.period, QStringLiteral("160～185 ℃"),
                  QStringLiteral("2 / 5"), QStringLiteral("1台毎"), QStringLiteral("監督員"),
                  QStringLiteral("課長"), QStringLiteral("係長"), QStringLiteral("規格値")})
                QVERIFY2(texts.join(QString()).contains(want), qPrintable(want));
            for (const TDrawOp& op : OpsOf(*c, TDrawOp::Kind::Text)) {
                QVERIFY2(op.font.CharHeight() >= 58, qPrintable(op.text)); // 7 pt
                QVERIFY(op.p1.x() >= DotX(box.x1) && op.p1.x() + op.textWidth <= DotX(box.x2));
                QVERIFY(op.p1.y() >= DotY(box.y1) && op.p1.y() < DotY(box.y2));
                QVERIFY(!op.text.endsWith(QStringLiteral("…")));
            }
        }
        QCOMPARE(ParseApprovals(QStringLiteral("なし")), QStringList());
        QCOMPARE(ParseApprovals(QString()), TTitleSettings().approvals);
    }

    // Every page placed on the sheet; a new page only between two, numbered as begun.
    void pagesArePlacedAndCounted()
    {
        const TFormPage form{{2.0f, 1.0f}};
        SheetUnderTest() = form.origin;
        TTestPane pane;
        TFormPages pages(pane, form, 3);
        for (int p = 0; p < 3; ++p) {
            TCanvas& c = pages.Next();
            QCOMPARE(c.SheetOrigin(), form.origin);
            QCOMPARE(pages.Number(), p + 1);
            QCOMPARE(pages.Total(), 3);
            PrintLine(c, 0, 0, 1, 0, 1);
        }
        QCOMPARE(pane.Count(), 3);
        for (int p = 0; p < 3; ++p)
            QCOMPARE(pane.Ops(p).front().p1, QPoint(DotX(0), DotY(0)));

        QCOMPARE(DayPages(0, 22), 1);
        QCOMPARE(DayPages(22, 22), 1);
        QCOMPARE(DayPages(23, 22), 2);
        QCOMPARE(PageDays(0, 0, 22).count, 0);
        QCOMPARE(PageDays(1, 23, 22).first, 22);
        QCOMPARE(PageDays(1, 23, 22).count, 1);
        QCOMPARE(PageDays(0, 23, 22).count, 22);
    }

    // Whatever the lines, the labels keep a label's room apart, inside the band, at 7 pt or more;
    // lines far apart keep their labels beside them; crowded neighbours share the move.
    void referenceLabelsNeverOverlap()
    {
        const float top = 4.2f, height = 8.2f, bottom = top + height;
        const auto narrow = [](int points) { return 0.2f * float(points); };
        const TReferenceLabels apart = LayOutReferenceLabels({5, 8, 11}, top, height, 9, 2, narrow);
        QCOMPARE(apart.points, 9);
        QCOMPARE(apart.centres, (std::vector<float>{5, 8, 11}));
        // Too wide at 9 and 8 pt: 7 pt.
        QCOMPARE(LayOutReferenceLabels({5}, top, height, 9, 1.5f, narrow).points, 7);
        const std::vector<float> pair = SpreadLabels({8.0f, 8.1f}, 0.4f, top, bottom);
        QVERIFY(std::abs(pair[0] - 7.85f) < 1e-4f && std::abs(pair[1] - 8.25f) < 1e-4f);

        QRandomGenerator random(23);
        for (int round = 0; round < 500; ++round) {
            const int n = 1 + random.bounded(30);
            std::vector<float> lines;
            for (int i = 0; i < n; ++i)
                lines.push_back(float(2.0 + random.bounded(13.0)));
            std::sort(lines.begin(), lines.end());
            const TReferenceLabels l = LayOutReferenceLabels(lines, top, height, 9, 2, narrow);
            QCOMPARE(int(l.centres.size()), n);
            QVERIFY(l.points >= ReadablePoints && l.points <= 9);
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
