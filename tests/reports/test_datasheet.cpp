#include "ReportFixture.h"
#include "core/Settings.h"
#include "reports/ControlChart.h"
#include "reports/DataSheet.h"
#include "reports/ReportLoader.h"
#include "storage/Engine.h"
#include "storage/Query.h"
#include "support/TestSupport.h"

#include <QGuiApplication>
#include <QTemporaryDir>

namespace {

const QString Koji = QStringLiteral("K-01");
const QString Mix = QStringLiteral("密粒13F");
const QString OtherMix = QStringLiteral("粗粒20");

QList<double> Readings(int n, double first = 150)
{
    QList<double> v;
    for (int i = 0; i < n; ++i)
        v << first + i;
    return v;
}

int Count(const std::vector<TDrawOp>& ops, const QString& text)
{
    return int(TextsEqual(ops, text).size());
}

// Where the rows of the page's columns lie (cm): the first row's top, a row's height, and each
// column's left edge.
constexpr float RowsTop = 3.95f, RowHeight = 0.42f;
constexpr float ColumnLeft[] = {0, 8.5f};

float RowY(int row)
{
    return RowsTop + RowHeight * float(row);
}

// The texts of the page that start inside the box (centimetres of the sheet).
QStringList TextsIn(const std::vector<TDrawOp>& ops, float x1, float y1, float x2, float y2)
{
    QStringList out;
    for (const TDrawOp& op : OpsOfKind(ops, TDrawOp::Kind::Text))
        if (op.p1.x() >= DotX(x1) && op.p1.x() < DotX(x2) && op.p1.y() >= DotY(y1) &&
            op.p1.y() < DotY(y2))
            out << op.text;
    return out;
}

TSheetDay ModelDay(const QDateTime& day, const QList<double>& values)
{
    TSheetDay d;
    d.mixPrintName = QStringLiteral("密粒度アスコン");
    d.day = day;
    d.hasSummary = true;
    d.summary = TDaySummary{day,
                            int(values.size()),
                            *std::max_element(values.begin(), values.end()),
                            *std::min_element(values.begin(), values.end()),
                            160,
                            false};
    d.limits = TLimits{QStringLiteral("150_170"), 150.0, 170.0};
    for (int i = 0; i < values.size(); ++i)
        d.readings << TSheetReading{QString::number(i + 1), values[i]};
    return d;
}

TSheetDocument ModelDocument(const std::vector<TSheetDay>& days)
{
    TSheetDocument doc;
    doc.project = QStringLiteral("県道工事（K-01）");
    doc.first = QDate(2024, 4, 1);
    doc.last = QDate(2024, 4, 30);
    TSheetCategory category;
    category.name = QStringLiteral("練上温度");
    category.days = days;
    doc.categories.push_back(category);
    return doc;
}

// The record table of the window's record for its own category, as the print settings draw it.
void Draw(TTestPane& pane, const TOndoKanri& record, bool perProject, QList<int> ids = {})
{
    if (ids.isEmpty())
        ids << record.Kubun.ID;
    DrawDataSheet(LoadSheetDocument(
                      TReportScope{record.Koji.Code(), record.Gozai.DataName(), ids, perProject}),
                  pane);
}

// What a page is drawn on whatever its days hold: every line, and the texts of the headings.
QStringList Grid(const std::vector<TDrawOp>& ops)
{
    QStringList out;
    for (const TDrawOp& op : ops)
        if (op.kind == TDrawOp::Kind::Line && op.p1.y() >= DotY(3.4f))
            out << QStringLiteral("%1,%2-%3,%4")
                       .arg(op.p1.x())
                       .arg(op.p1.y())
                       .arg(op.p2.x())
                       .arg(op.p2.y());
        else if (op.kind == TDrawOp::Kind::Text && op.p1.y() >= DotY(3.4f) &&
                 op.p1.y() < DotY(RowsTop))
            out << op.text;
    return out;
}

} // namespace

class TestDataSheet : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        UseFakeDevice();
        SheetUnderTest() = DataSheetPage.origin;
        TSettings::SetText(QStringLiteral("hin_prnfont"), QString());
    }

    // Two columns of 50 rows and five cells on every page, whatever the day holds: a day of two
    // bare readings draws the same grid as one of 120 with times, trucks and long remarks
    // (empty rows keep their cells). The long day runs down the columns and onto a second page,
    // named again at the head of each column it continues in; its figures and notes end it.
    void oneLayoutWhateverTheDayHolds()
    {
        const TSheetDocument small = ModelDocument({ModelDay(Day(4, 1), {160, 161})});
        TSheetDay big = ModelDay(Day(4, 2), Readings(120, 140));
        for (int i = 0; i < big.readings.size(); ++i) {
            big.readings[i].time = QTime(7, 0).addSecs(60 * i).toString(QStringLiteral("HH:mm"));
            big.readings[i].truck = QStringLiteral("No.%1").arg(i + 1);
            big.readings[i].remark = i % 7 ? QString() : QStringLiteral("温度計を交換して再測定");
        }
        big.note.remark = QStringLiteral("雨で一時中断");
        const TSheetDocument large = ModelDocument({big});
        TTestPane a, b;
        DrawDataSheet(small, a);
        DrawDataSheet(large, b);
        QCOMPARE(a.Count(), 1);
        QCOMPARE(b.Count(), 2);
        QCOMPARE(SheetPages(large), 2);
        const QStringList headings{QStringLiteral("測　点"), QStringLiteral("時　刻"),
                                   QStringLiteral("車　番"), QStringLiteral("温度（℃）"),
                                   QStringLiteral("備　考")};
        for (const QString& h : headings) {
            QCOMPARE(Count(a.Ops(0), h), 2);
            QCOMPARE(Count(b.Ops(1), h), 2);
        }
        // The same headings and frame, the same row lines; the cells' separators of a page full
        // of readings run down whole columns.
        const QStringList gridA = Grid(a.Ops(0)), gridB = Grid(b.Ops(0));
        for (const QString& h : headings)
            QCOMPARE(gridA.count(h), gridB.count(h));
        int rowLinesA = 0, rowLinesB = 0;
        for (const TDrawOp& op : OpsOfKind(a.Ops(0), TDrawOp::Kind::Line))
            rowLinesA += op.p1.y() == op.p2.y() && op.p1.y() > DotY(RowsTop);
        for (const TDrawOp& op : OpsOfKind(b.Ops(0), TDrawOp::Kind::Line))
            rowLinesB += op.p1.y() == op.p2.y() && op.p1.y() > DotY(RowsTop);
        QCOMPARE(rowLinesA, rowLinesB);
        QCOMPARE(rowLinesA, 2 * SheetRows); // 49 between the rows and the foot, each column

        const std::vector<TSheetPage> layout = SheetLayout(large.categories[0]);
        QCOMPARE(int(layout.size()), 2);
        int readings = 0, continued = 0;
        for (const TSheetPage& page : layout)
            for (const auto& column : page) {
                QVERIFY(int(column.size()) <= SheetRows);
                QCOMPARE(column.front().kind, TSheetRow::Day);
                for (const TSheetRow& row : column) {
                    readings += row.kind == TSheetRow::Reading;
                    continued += row.kind == TSheetRow::Day && row.continued;
                }
            }
        QCOMPARE(readings, 120);
        QCOMPARE(continued, 2);
        const std::vector<TSheetRow>& last = layout.back().front();
        QCOMPARE(last[last.size() - 3].kind, TSheetRow::Figures);
        QCOMPARE(last[last.size() - 2].kind, TSheetRow::Notes);
        QCOMPARE(last.back().kind, TSheetRow::Remark);
        QCOMPARE(Count(b.Ops(0), QStringLiteral("2024/4/2（火）")), 2);
        QCOMPARE(Count(b.Ops(1), QStringLiteral("2024/4/2（火）")), 1);
        QCOMPARE(Count(b.Ops(0), QStringLiteral("密粒度アスコン（続き）")), 1);
        QCOMPARE(Count(b.Ops(1), QStringLiteral("密粒度アスコン（続き）")), 1);
        QCOMPARE(Count(b.Ops(1), QStringLiteral("記事 雨で一時中断")), 1);
        QCOMPARE(
            Count(b.Ops(0), QStringLiteral("2 / 2")) + Count(b.Ops(1), QStringLiteral("2 / 2")), 1);

        // Each value once: a label that only repeats the reading's time is left blank.
        TSheetDay timed = ModelDay(Day(4, 3), {160, 161});
        timed.readings[0] = TSheetReading{QStringLiteral("8:30"), 160, QStringLiteral("08:30")};
        timed.readings[1] = TSheetReading{QStringLiteral("No.5"), 161, QStringLiteral("08:35")};
        TTestPane once;
        DrawDataSheet(ModelDocument({timed}), once);
        QCOMPARE(Count(once.Ops(0), QStringLiteral("08:30")), 1);
        QCOMPARE(Count(once.Ops(0), QStringLiteral("8:30")), 0);
        QCOMPARE(Count(once.Ops(0), QStringLiteral("No.5")), 1);
        QCOMPARE(Count(once.Ops(0), QStringLiteral("08:35")), 1);
    }

    // Readings out of the specified range are bold with ○ and counted in the day's figures; the
    // foot explains the mark; with one reading in tenths every temperature has one decimal; the
    // day's weather, air temperature and measurer under its figures, its 記事 under them.
    void marksFiguresAndNotes()
    {
        QList<double> values = Readings(16, 150);
        values[0] = 149.5; // below 150
        values[15] = 176;  // above 170
        TSheetDay day = ModelDay(Day(4, 1), values);
        day.note = TDayNote{QStringLiteral("山田太郎"), QStringLiteral("晴"), QStringLiteral("12"),
                            QStringLiteral("雨で中断")};
        TTestPane pane;
        DrawDataSheet(ModelDocument({day}), pane);
        QCOMPARE(pane.Count(), 1);
        const auto& ops = pane.Ops(0);
        QCOMPARE(Count(ops, QStringLiteral("2024/4/1（月）")), 1);
        QCOMPARE(Count(ops, QStringLiteral("151.0")), 1);
        QCOMPARE(Count(ops, QStringLiteral("151")), 0);
        int bold = 0;
        for (const TDrawOp& op : OpsOfKind(ops, TDrawOp::Kind::Text))
            bold += op.font.bold &&
                    (op.text == QStringLiteral("149.5") || op.text == QStringLiteral("176.0"));
        QCOMPARE(bold, 2);
        QCOMPARE(Count(ops, QStringLiteral("○")), 2);
        QCOMPARE(Count(ops, QStringLiteral("○印は規格外")), 1);
        // The rows after the sixteen readings: figures, notes, 記事.
        const QStringList figures = TextsIn(ops, 0, RowY(17), 8, RowY(18));
        QVERIFY2(figures.contains(QStringLiteral("個数 16  最大 176.0  最小 149.5  平均 160.0")),
                 qPrintable(figures.join('|')));
        QCOMPARE(TextsEqual(ops, QStringLiteral("規格外 2")).at(0).font.bold, true);
        QVERIFY(TextsIn(ops, 0, RowY(18), 8, RowY(19))
                    .contains(QStringLiteral("天候 晴  気温 12℃  測定者 山田太郎")));
        QVERIFY(TextsIn(ops, 0, RowY(19), 8, RowY(20)).contains(QStringLiteral("記事 雨で中断")));
        QCOMPARE(Count(ops, QStringLiteral("2024年4月1日～4月30日")), 1);
        QCOMPARE(Count(ops, QStringLiteral("150～170 ℃")), 1);
        QCOMPARE(Count(ops, QStringLiteral("1 / 1")), 1);
        QCOMPARE(Count(ops, QStringLiteral("監督員")), 1);

        // Whole degrees everywhere: no decimals, and no foot without a mark.
        TTestPane whole;
        DrawDataSheet(ModelDocument({ModelDay(Day(4, 2), {160, 161})}), whole);
        QCOMPARE(Count(whole.Ops(0), QStringLiteral("161")), 1);
        QCOMPARE(Count(whole.Ops(0), QStringLiteral("○印は規格外")), 0);
        QVERIFY(TextsIn(whole.Ops(0), 0, RowY(3), 8, RowY(4))
                    .contains(QStringLiteral("天候 晴  気温 12℃  測定者 山田太郎")) == false);
        QVERIFY(TextsIn(whole.Ops(0), 0, RowY(4), 8, RowY(5)).contains(QStringLiteral("測定者 —")));

        // The average in the decimals the user chose in the main window, from the readings.
        TempProfile profile;
        TSettings::SetText(QStringLiteral("OndoAvgKetasu"), QStringLiteral("2"));
        TTestPane two;
        DrawDataSheet(ModelDocument({ModelDay(Day(4, 2), {160, 161})}), two);
        QVERIFY(TextsIn(two.Ops(0), 0, RowY(3), 8, RowY(4))
                    .contains(QStringLiteral("個数 2  最大 161  最小 160  平均 160.50")));
    }

    // Each day prints its own measurer (the day's, else the record's) under its figures; the
    // title block names who measured which days; times and trucks are read with the readings.
    void eachDayItsOwnMeasurer()
    {
        TempProfile profile;
        PrepareTables();
        AddDay(Koji, Mix, 0, Day(4, 1), {155, 156});
        AddDay(Koji, Mix, 0, Day(4, 2), {157});
        Engine::Execute(QStringLiteral(
            "update OndoLine4 set Jikoku = '08:30', Syaryo = 'No.12' where LNO = 1"));
        Engine::Execute(QStringLiteral("update OndoHead4 set Tenki = '曇', Kion = '8', "
                                       "Tekiyo = '出荷遅延', Sokuteisya = '佐藤花子' where "
                                       "Hiduke = '%1'")
                            .arg(DateTimeToStorage(Day(4, 1))));
        const TSheetDocument doc = LoadSheetDocument(TReportScope{Koji, Mix, {0}, false});
        const TSheetDay& first = doc.categories[0].days[0];
        QCOMPARE(first.readings[0].time, QStringLiteral("08:30"));
        QCOMPARE(first.readings[0].truck, QStringLiteral("No.12"));
        QCOMPARE(first.note.weather, QStringLiteral("曇"));
        QCOMPARE(first.note.remark, QStringLiteral("出荷遅延"));
        QCOMPARE(first.note.measurer, QStringLiteral("佐藤花子"));
        QCOMPARE(doc.categories[0].days[1].note.measurer, QStringLiteral("山田太郎"));
        QCOMPARE(first.limits.upper.value_or(0), 170.0);
        TTestPane pane;
        DrawDataSheet(doc, pane);
        const auto& ops = pane.Ops(0);
        // Day 1: its name, two readings, figures, notes, 記事; then day 2.
        QVERIFY(TextsIn(ops, 0, RowY(4), 8, RowY(5))
                    .contains(QStringLiteral("天候 曇  気温 8℃  測定者 佐藤花子")));
        QVERIFY(TextsIn(ops, 0, RowY(5), 8, RowY(6)).contains(QStringLiteral("記事 出荷遅延")));
        QVERIFY(TextsIn(ops, 0, RowY(6), 8, RowY(7)).contains(QStringLiteral("2024/4/2（火）")));
        QVERIFY(TextsIn(ops, 0, RowY(9), 8, RowY(10)).contains(QStringLiteral("測定者 山田太郎")));
        QCOMPARE(Count(ops, QStringLiteral("佐藤花子 4/1・山田太郎 4/2")), 1); // title block
        QCOMPARE(Count(ops, QStringLiteral("No.12")), 2); // the first load of each day
        QCOMPARE(Count(ops, QStringLiteral("08:30")), 2);
    }

    // The period chosen keeps only its days and is what the title block prints; with none,
    // the first and last day found.
    void periodKeepsItsDays()
    {
        TempProfile profile;
        PrepareTables();
        AddDay(Koji, Mix, 0, Day(3, 31), {141});
        for (int d = 1; d <= 3; ++d)
            AddDay(Koji, Mix, 0, Day(4, d), {150.0 + d});
        AddDay(Koji, Mix, 0, Day(5, 1), {142});
        TReportScope april{Koji, Mix, {0}, false};
        april.from = QDate(2024, 4, 1);
        april.to = QDate(2024, 4, 30);
        const TSheetDocument doc = LoadSheetDocument(april);
        QCOMPARE(int(doc.categories[0].days.size()), 3);
        QCOMPARE(doc.categories[0].days.front().day, Day(4, 1));
        QCOMPARE(doc.categories[0].days.back().day, Day(4, 3));
        QCOMPARE(doc.first, april.from);
        QCOMPARE(doc.last, april.to);
        TTestPane pane;
        DrawDataSheet(doc, pane);
        QCOMPARE(Count(pane.Ops(0), QStringLiteral("2024年4月1日～4月30日")), 1);
        QCOMPARE(Count(pane.Ops(0), QStringLiteral("141")), 0);
        QCOMPARE(Count(pane.Ops(0), QStringLiteral("142")), 0);
        const TSheetDocument all = LoadSheetDocument(TReportScope{Koji, Mix, {0}, false});
        QCOMPARE(all.first, QDate(2024, 3, 31));
        QCOMPARE(all.last, QDate(2024, 5, 1));
    }

    // Days follow one another down the columns; the whole project brings the other mix's days
    // (named by theirs), never another project's; the record stays as the window showed it.
    void pagesAndRecordSelection()
    {
        TempProfile profile;
        PrepareTables();
        for (int d = 1; d <= 30; ++d)
            AddDay(Koji, Mix, 0, Day(4, d), Readings(2));
        AddDay(Koji, OtherMix, 0, Day(4, 3), Readings(3, 140));
        AddDay(QStringLiteral("K-02"), Mix, 0, Day(4, 3), Readings(3, 130));
        TOndoKanri r;
        LoadRecord(r, Koji, Mix, 0, Day(4, 1));

        // Five rows a day, ten days a column, twenty a page.
        TTestPane own;
        Draw(own, r, false);
        QCOMPARE(own.Count(), 2);
        QVERIFY(TextsIn(own.Ops(0), 0, RowY(45), 8, RowY(46))
                    .contains(QStringLiteral("2024/4/10（水）")));
        QVERIFY(TextsIn(own.Ops(0), 8.5f, RowY(0), 16.5f, RowY(1))
                    .contains(QStringLiteral("2024/4/11（木）")));
        QVERIFY(TextsIn(own.Ops(1), 0, RowY(0), 8, RowY(1))
                    .contains(QStringLiteral("2024/4/21（日）")));
        QCOMPARE(Count(own.Ops(0), QStringLiteral("140")), 0);
        QCOMPARE(Count(own.Ops(1), QStringLiteral("2 / 2")), 1);
        QCOMPARE(Count(own.Ops(1), QStringLiteral("2024年4月1日～4月30日")), 1);
        QCOMPARE(r.Hiduke, Day(4, 1));

        TTestPane project;
        Draw(project, r, true);
        QCOMPARE(project.Count(), 2);
        QCOMPARE(Count(project.Ops(0), OtherMix), 0);
        QCOMPARE(Count(project.Ops(1), OtherMix), 1);
        QCOMPARE(Count(project.Ops(1), Mix + QStringLiteral("・") + OtherMix), 1); // title block
        for (int p = 0; p < project.Count(); ++p)
            QCOMPARE(Count(project.Ops(p), QStringLiteral("130")), 0);
        QCOMPARE(r.Gozai.DataName(), Mix);
    }

    void eachCategoryWithReadingsStartsAPage()
    {
        TempProfile profile;
        PrepareTables();
        AddCategory(12, QStringLiteral("到着温度"));
        AddDay(Koji, Mix, 0, Day(4, 1), Readings(3));
        AddDay(Koji, Mix, 12, Day(4, 1), Readings(3, 170));
        TOndoKanri r;
        LoadRecord(r, Koji, Mix, 0, Day(4, 1));
        TTestPane pane;
        Draw(pane, r, false, {1, 0, 1, 12}); // category 1 has no readings
        QCOMPARE(pane.Count(), 2);
        QCOMPARE(Count(pane.Ops(0), QStringLiteral("151")), 1);
        QCOMPARE(Count(pane.Ops(0), QStringLiteral("171")), 0);
        QCOMPARE(Count(pane.Ops(1), QStringLiteral("171")), 1);
        QCOMPARE(Count(pane.Ops(1), QStringLiteral("到")), 1); // its own heading
    }

    // A day filled by simulation never passes for a measured one: the record table says 模擬値
    // in red at the right of the day's name and explains it at the foot; the control chart
    // under that day; measured days only leave it out.
    void simulatedDayIsMarkedOnPaper()
    {
        TempProfile profile;
        PrepareTables();
        AddDay(Koji, Mix, 0, Day(4, 1), Readings(3));
        AddDay(Koji, Mix, 0, Day(4, 2), Readings(3));
        Engine::Execute(QStringLiteral("update OndoHead4 set Mogi = 1 where Hiduke = '%1'")
                            .arg(DateTimeToStorage(Day(4, 2))));
        TOndoKanri r;
        LoadRecord(r, Koji, Mix, 0, Day(4, 1));
        TTestPane sheet;
        Draw(sheet, r, false, {0});
        const std::vector<TDrawOp> marks = TextsEqual(sheet.Ops(0), QStringLiteral("模擬値"));
        QCOMPARE(int(marks.size()), 1);
        QCOMPARE(marks.front().font.color, clRed);
        QVERIFY(CmX(marks.front().p1.x()) > 6.5 && CmX(marks.front().p1.x()) < 8.0);
        QVERIFY(CmY(marks.front().p1.y()) >= RowY(6) && CmY(marks.front().p1.y()) < RowY(7));
        QCOMPARE(Count(sheet.Ops(0),
                       QStringLiteral("模擬値の日はシミュレーションで入れた値（実測値ではない）")),
                 1);
        TReportScope measured{Koji, Mix, {0}, false};
        measured.measuredOnly = true;
        const TSheetDocument kept = LoadSheetDocument(measured);
        QCOMPARE(int(kept.categories.at(0).days.size()), 1);
        QCOMPARE(kept.categories.at(0).days.at(0).day, Day(4, 1));
        QCOMPARE(int(kept.categories.at(0).days.at(0).readings.size()), 3);

        TTestPane chart;
        DrawControlChart(LoadChartDocument(TReportScope{Koji, Mix, {0}, false}), chart, 100, 200);
        QCOMPARE(int(TextsEqual(chart.Ops(0), QStringLiteral("模擬値")).size()), 1);
    }

    // Figures in the category's decimals; a long mix name and a long label stay in their cells,
    // never under 7 pt; the interval in the title block is the record's, else the category's.
    void figuresLongNamesAndIntervals()
    {
        TempProfile profile;
        PrepareTables();
        AddCategory(5, QStringLiteral("舗設温度"), QStringLiteral("5分"));
        AddMix(Mix, QStringLiteral("再生密粒度アスファルト混合物（１３Ｆ）改質Ⅱ型"));
        AddDay(Koji, Mix, 0, Day(4, 1), {158.5, 158.02});
        AddDay(Koji, Mix, 0, Day(4, 2), {160, 150});
        AddDay(Koji, Mix, 1, Day(4, 1), {150}, QStringLiteral("150_170"), QStringLiteral("10台"));
        AddDay(Koji, Mix, 5, Day(4, 1), {150});
        Engine::Execute(QStringLiteral("update OndoLine4 set Sokuten = 'No.120+15.5（左側路肩）'"));
        TOndoKanri r;
        LoadRecord(r, Koji, Mix, 0, Day(4, 1));
        TTestPane pane;
        Draw(pane, r, false);
        const auto& ops = pane.Ops(0);
        QCOMPARE(Count(ops, QStringLiteral("158.5")), 1);
        QCOMPARE(Count(ops, QStringLiteral("158.0")), 1); // 158.02 in tenths
        QVERIFY(TextsIn(ops, 0, RowY(3), 8, RowY(4))
                    .contains(QStringLiteral("個数 2  最大 158.5  最小 158.0  平均 158.3")));
        for (const TDrawOp& t : OpsOfKind(ops, TDrawOp::Kind::Text)) {
            if (t.p1.y() < DotY(RowsTop))
                continue;
            QVERIFY2(t.font.CharHeight() >= 58, qPrintable(t.text));
            QVERIFY2(t.p1.x() + t.textWidth <= DotX(16.5f), qPrintable(t.text));
            if (t.text.startsWith(QStringLiteral("No.")))
                QVERIFY(t.p1.x() >= DotX(0) && t.p1.x() + t.textWidth <= DotX(1.8f));
        }
        QCOMPARE(Count(ops, QStringLiteral("2024/4/1（月）")), 1);

        struct Case
        {
            int id;
            QString interval;
        };
        for (const Case& c : {Case{0, QString()}, Case{1, QStringLiteral("10台")},
                              Case{5, QStringLiteral("5分")}}) {
            LoadRecord(r, Koji, Mix, c.id, Day(4, 1));
            const TSheetDocument doc = LoadSheetDocument(TReportScope{Koji, Mix, {c.id}, false});
            QCOMPARE(doc.categories[0].days[0].interval, c.interval);
            if (c.interval.isEmpty())
                continue;
            TTestPane one;
            Draw(one, r, false);
            QCOMPARE(Count(one.Ops(0), c.interval), 1);
        }
        QCOMPARE(r.SpecInterval, QString());
    }

    void printFontSetting()
    {
        TempProfile profile;
        PrepareTables();
        AddDay(Koji, Mix, 0, Day(4, 1), Readings(2));
        TOndoKanri r;
        LoadRecord(r, Koji, Mix, 0, Day(4, 1));
        TTestPane plain;
        Draw(plain, r, false);
        for (const TDrawOp& op : OpsOfKind(plain.Ops(0), TDrawOp::Kind::Text))
            QCOMPARE(op.font.name, DefaultFaceName());
        TSettings::SetText(QStringLiteral("hin_prnfont"), QStringLiteral("ＭＳ 明朝"));
        TTestPane mincho;
        Draw(mincho, r, false);
        for (const TDrawOp& op : OpsOfKind(mincho.Ops(0), TDrawOp::Kind::Text))
            QCOMPARE(op.font.name, QStringLiteral("ＭＳ 明朝"));
    }

    void referenceDumpAndPdf()
    {
        TempProfile profile;
        PrepareTables();
        AddMix(Mix, QStringLiteral("密粒度アスコン（１３Ｆ）"));
        AddDay(Koji, Mix, 0, Day(4, 1), {158.5, 160, 157, 159}, QStringLiteral("150_170"),
               QStringLiteral("30分"));
        AddDay(Koji, Mix, 0, Day(4, 2), Readings(60, 148), QStringLiteral("150_170"),
               QStringLiteral("30分"));
        TOndoKanri r;
        LoadRecord(r, Koji, Mix, 0, Day(4, 1));
        TTestPane pane;
        Draw(pane, r, false);
        QString why;
        QVERIFY2(MatchesReference(QStringLiteral("datasheet.txt"), DumpPages(pane), why),
                 qPrintable(why));

        TTestPane real(true, false);
        LoadRecord(r, Koji, Mix, 0, Day(4, 1));
        Draw(real, r, false);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("datasheet.pdf"));
        WritePdf(real, file, false);
        if (!qEnvironmentVariableIsEmpty("ONDO_KEEP_PDF"))
            QFile::copy(file,
                        qEnvironmentVariable("ONDO_KEEP_PDF") + QStringLiteral("/datasheet.pdf"));
        // The face maps its wave dash back to U+301C.
        const QString text = PdfText(file).replace(QChar(0x301C), QChar(0xFF5E));
        for (const char* want :
             {"記", "録", "表", "練", "測点", "時刻", "車番", "密粒度アスコン（１３Ｆ）", "温度",
              "（℃）", "30分", "158.5", "158.6", "2024年4月1日～4月2日", "150～170℃", "（続き）",
              "○印は規格外", "測定者山田太郎"})
            QVERIFY2(text.contains(QString::fromUtf8(want)), want);
    }
};

ONDO_TEST_MAIN(TestDataSheet, QGuiApplication)
#include "test_datasheet.moc"
