#include "ReportFixture.h"
#include "core/RegistryUtility.h"
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

// The text drawn centred in the row box that starts at y cm (fixed metrics: 9 pt = 75 dots).
bool HasTextInRow(const std::vector<TDrawOp>& ops, const QString& text, float x1, float x2, float y)
{
    for (const TDrawOp& op : TextsEqual(ops, text)) {
        const int mid = op.p1.x() + op.textWidth / 2;
        if (mid > DotX(x1) && mid < DotX(x2) && op.p1.y() >= DotY(y) && op.p1.y() < DotY(y + 0.44f))
            return true;
    }
    return false;
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

// The record table of the window's record for its own category, as the print settings draw it.
void Draw(TTestPane& pane, const TOndoKanri& record, bool perProject, QList<int> ids = {})
{
    if (ids.isEmpty())
        ids << record.Kubun.ID;
    DrawDataSheet(LoadSheetDocument(
                      TReportScope{record.Koji.Code(), record.Gozai.DataName(), ids, perProject}),
                  pane);
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
        WriteSetting(QStringLiteral("hin_prnfont"), QString());
    }

    // A day of 16 readings runs on into a second block: each block's first date has its year,
    // the day's summary stands where it ends and the block before says （続き）; readings out of
    // the specified range are bold with ○, counted, and the foot explains the mark; with one
    // reading in tenths every temperature has one decimal.
    void dayBlocksMarksAndSummary()
    {
        TSheetDocument doc;
        doc.project = QStringLiteral("県道工事（K-01）");
        TSheetCategory category;
        category.name = QStringLiteral("練上温度");
        QList<double> values = Readings(16, 150);
        values[0] = 149.5; // below 150
        values[15] = 176;  // above 170
        category.days.push_back(ModelDay(Day(4, 1), values));
        category.days.back().note = TDayNote{QStringLiteral("山田太郎"), QStringLiteral("晴"),
                                             QStringLiteral("12"), QStringLiteral("雨で中断")};
        doc.categories.push_back(category);
        TTestPane pane;
        DrawDataSheet(doc, pane);
        QCOMPARE(pane.Count(), 1);
        const auto& ops = pane.Ops(0);
        const float T = 3.4f, rows = T + 1.4f, summary = rows + 0.4f * 15;
        QVERIFY(HasTextInRow(ops, QStringLiteral("2024/4/1"), 0, 1.7f, rows));
        QVERIFY(HasTextInRow(ops, QStringLiteral("2024/4/1"), 5.7f, 7.4f, rows));
        QCOMPARE(Count(ops, QStringLiteral("〃")), 14);
        QVERIFY(TextsIn(ops, 0, summary, 5.1f, summary + 2).contains(QStringLiteral("（続き）")));
        QVERIFY(TextsIn(ops, 5.7f, summary, 10.8f, summary + 2).contains(QStringLiteral("16")));
        QCOMPARE(Count(ops, QStringLiteral("（続き）")), 1);
        // One decimal throughout: 150 prints as 150.0, the maximum 176 as 176.0.
        QCOMPARE(Count(ops, QStringLiteral("151.0")), 1);
        QCOMPARE(Count(ops, QStringLiteral("176.0")), 2);
        QCOMPARE(Count(ops, QStringLiteral("151")), 0);
        // The two out of range: bold, with a ○ in their cell; two in the summary; the foot.
        int bold = 0;
        for (const TDrawOp& op : OpsOfKind(ops, TDrawOp::Kind::Text))
            bold += op.font.bold &&
                    (op.text == QStringLiteral("149.5") || op.text == QStringLiteral("176.0"));
        QCOMPARE(bold, 2);
        QCOMPARE(Count(ops, QStringLiteral("○")), 2);
        QVERIFY(
            TextsIn(ops, 5.7f, summary + 1.6f, 10.8f, summary + 2).contains(QStringLiteral("2")));
        QCOMPARE(Count(ops, QStringLiteral("○印は規格外")), 1);
        // Weather and 記事 under the summary of the day's last block.
        const QStringList notes = TextsIn(ops, 5.7f, summary + 2, 10.8f, summary + 3.1f);
        QVERIFY2(notes.contains(QStringLiteral("天候 晴　気温 12℃")), qPrintable(notes.join('|')));
        QVERIFY(notes.contains(QStringLiteral("記事 雨で中断")));
        // The title block: the page's period with its year, the value as people write it.
        QCOMPARE(Count(ops, QStringLiteral("2024年4月1日")), 1);
        QCOMPARE(Count(ops, QStringLiteral("150～170 ℃")), 1);
        QCOMPARE(Count(ops, QStringLiteral("1 / 1")), 1);
        QCOMPARE(Count(ops, QStringLiteral("監督員")), 1);

        // Whole degrees everywhere: no decimals, and no foot without a mark.
        doc.categories[0].days = {ModelDay(Day(4, 2), {160, 161})};
        TTestPane whole;
        DrawDataSheet(doc, whole);
        QCOMPARE(Count(whole.Ops(0), QStringLiteral("161")), 2);
        QCOMPARE(Count(whole.Ops(0), QStringLiteral("○印は規格外")), 0);

        // The average in the decimals the user chose in the main window, from the readings.
        TempProfile profile;
        WriteSetting(QStringLiteral("OndoAvgKetasu"), QStringLiteral("2"));
        TTestPane two;
        DrawDataSheet(doc, two);
        QCOMPARE(Count(two.Ops(0), QStringLiteral("160.50")), 1);
    }

    // Time, truck and remark columns come with the readings that have them: two blocks across,
    // one across the page for a long remark; the loader reads them and the day's notes.
    void columnsFollowTheReadings()
    {
        TempProfile profile;
        PrepareTables();
        AddDay(Koji, Mix, 0, Day(4, 1), {155, 156});
        AddDay(Koji, Mix, 0, Day(4, 2), {157});
        TSheetDocument doc = LoadSheetDocument(TReportScope{Koji, Mix, {0}, false});
        QCOMPARE(SheetColumnsOf(doc.categories[0]).across, 3);
        Engine::Execute(QStringLiteral(
            "update OndoLine4 set Jikoku = '08:30', Syaryo = 'No.12' where LNO = 1"));
        Engine::Execute(QStringLiteral("update OndoHead4 set Tenki = '曇', Kion = '8', "
                                       "Tekiyo = '出荷遅延', Sokuteisya = '佐藤花子'"));
        doc = LoadSheetDocument(TReportScope{Koji, Mix, {0}, false});
        const TSheetDay& first = doc.categories[0].days[0];
        QCOMPARE(first.readings[0].time, QStringLiteral("08:30"));
        QCOMPARE(first.readings[0].truck, QStringLiteral("No.12"));
        QCOMPARE(first.note.weather, QStringLiteral("曇"));
        QCOMPARE(first.note.remark, QStringLiteral("出荷遅延"));
        QCOMPARE(first.note.measurer, QStringLiteral("佐藤花子"));
        QCOMPARE(first.limits.upper.value_or(0), 170.0);
        TSheetColumns columns = SheetColumnsOf(doc.categories[0]);
        QVERIFY(columns.time && columns.truck && !columns.remark);
        QCOMPARE(columns.across, 2);
        TTestPane two;
        DrawDataSheet(doc, two);
        for (const char* heading : {"時　刻", "車　番", "測　点"})
            QCOMPARE(Count(two.Ops(0), QString::fromUtf8(heading)), 2);
        QCOMPARE(Count(two.Ops(0), QStringLiteral("No.12")), 2);    // the first load of each day
        QCOMPARE(Count(two.Ops(0), QStringLiteral("佐藤花子")), 1); // in the title block

        Engine::Execute(
            QStringLiteral("update OndoLine4 set Biko = '温度計を交換して再測定' where LNO = 1"));
        doc = LoadSheetDocument(TReportScope{Koji, Mix, {0}, false});
        QCOMPARE(SheetColumnsOf(doc.categories[0]).across, 1);
        TTestPane one;
        DrawDataSheet(doc, one);
        QCOMPARE(Count(one.Ops(0), QStringLiteral("温度計を交換して再測定")), 2);
        QVERIFY(HasTextInRow(one.Ops(0), QStringLiteral("2024/4/2"), 0, 1.9f, 14.25f + 1.4f));
    }

    void blocksPagesAndRecordSelection()
    {
        TempProfile profile;
        PrepareTables();
        for (int d = 1; d <= 7; ++d)
            AddDay(Koji, Mix, 0, Day(4, d), Readings(2));
        AddDay(Koji, OtherMix, 0, Day(4, 3), Readings(3, 140));
        AddDay(QStringLiteral("K-02"), Mix, 0, Day(4, 3), Readings(3, 130));
        TOndoKanri r;
        LoadRecord(r, Koji, Mix, 0, Day(4, 1));

        TTestPane own;
        Draw(own, r, false);
        QCOMPARE(own.Count(), 2);
        QCOMPARE(Count(own.Ops(1), QStringLiteral("合材名")), 1); // the seventh day alone
        QCOMPARE(Count(own.Ops(1), QStringLiteral("記")), 1);
        QVERIFY(HasTextInRow(own.Ops(1), QStringLiteral("2024/4/7"), 0, 1.7f, 3.4f + 1.4f));
        QVERIFY(HasTextInRow(own.Ops(0), QStringLiteral("2024/4/6"), 11.4f, 13.1f, 14.25f + 1.4f));
        QCOMPARE(Count(own.Ops(0), QStringLiteral("140")), 0);
        QCOMPARE(Count(own.Ops(1), QStringLiteral("2 / 2")), 1);
        // Each page's own period.
        QCOMPARE(Count(own.Ops(0), QStringLiteral("2024年4月1日～4月6日")), 1);
        QCOMPARE(Count(own.Ops(1), QStringLiteral("2024年4月7日")), 1);
        // The record stays as the window showed it.
        QCOMPARE(r.Hiduke, Day(4, 1));

        // The whole project: the other mix follows by name, other projects never come.
        LoadRecord(r, Koji, Mix, 0, Day(4, 1));
        TTestPane project;
        Draw(project, r, true);
        QCOMPARE(project.Count(), 2);
        QVERIFY(HasTextInRow(project.Ops(1), QStringLiteral("140"), 9.1f, 10.8f, 3.4f + 1.4f));
        QVERIFY(HasTextInRow(project.Ops(1), QStringLiteral("2024/4/3"), 5.7f, 7.4f, 3.4f + 1.4f));
        QCOMPARE(Count(project.Ops(1), OtherMix), 1);
        QCOMPARE(Count(project.Ops(1), Mix + QStringLiteral("・") + OtherMix), 1); // title block
        QCOMPARE(Count(project.Ops(0), OtherMix), 0);
        QCOMPARE(Count(project.Ops(0), QStringLiteral("130")) +
                     Count(project.Ops(1), QStringLiteral("130")),
                 0);
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
    // in that day's block (the second, 5.7 to 10.8 cm across) and explains it at the foot; the
    // control chart under that day; the package's table leaves the day out.
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
        QVERIFY(CmX(marks.front().p1.x()) > 9.5 && CmX(marks.front().p1.x()) < 10.8);
        QVERIFY(CmY(marks.front().p1.y()) >= 3.4 && CmY(marks.front().p1.y()) < 3.9);
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

    void headingStatisticsAndSqueezedName()
    {
        TempProfile profile;
        PrepareTables();
        AddCategory(5, QStringLiteral("舗設温度"), QStringLiteral("5分"));
        AddMix(Mix, QStringLiteral("再生密粒度アスファルト混合物（１３Ｆ）改質Ⅱ型"));
        AddDay(Koji, Mix, 0, Day(4, 1), {158.5, 158.02});
        AddDay(Koji, Mix, 0, Day(4, 2), {160, 150});
        AddDay(Koji, Mix, 1, Day(4, 1), {150}, QStringLiteral("150_170"), QStringLiteral("10台"));
        AddDay(Koji, Mix, 5, Day(4, 1), {150});
        TOndoKanri r;
        LoadRecord(r, Koji, Mix, 0, Day(4, 1));
        TTestPane pane;
        Draw(pane, r, false);
        const auto& ops = pane.Ops(0);
        QCOMPARE(Count(ops, QStringLiteral("158.5")), 2); // reading and maximum
        QCOMPARE(Count(ops, QStringLiteral("158.0")), 2); // 158.02 and the minimum, in tenths
        QCOMPARE(Count(ops, QStringLiteral("158.3")), 1); // average 158.26
        QCOMPARE(Count(ops, QStringLiteral("160.0")), 2);
        QCOMPARE(Count(ops, QStringLiteral("155.0")), 1);
        // A long mix print name takes two lines in its field, never under 7 pt, never cut.
        QString name;
        for (const TDrawOp& t : OpsOfKind(ops, TDrawOp::Kind::Text))
            if (t.p1.y() < DotY(3.4f + 0.5f) && t.p1.y() >= DotY(3.4f) && t.p1.x() < DotX(5.1f) &&
                t.p1.x() >= DotX(1.2f)) {
                name += t.text;
                QVERIFY(t.font.CharHeight() >= 58);
                QVERIFY(t.p1.x() + t.textWidth <= DotX(5.1f));
            }
        QCOMPARE(name, QStringLiteral("再生密粒度アスファルト混合物（１３Ｆ）改質Ⅱ型"));

        // 測定間隔 in the title block: the record's own interval, else the category's.
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

    // Each ticked category prints its own record whatever day the window shows; every block
    // has its own mix's interval; long labels are shrunk into their cells.
    void categoriesAndMixesKeepTheirOwn()
    {
        TempProfile profile;
        PrepareTables();
        Query k(QStringLiteral("insert into Koji1 (Code, Kojimei) values ('K-01', '県道工事')"));
        k.ExecSQL();
        AddDay(Koji, Mix, 0, Day(10, 1), {160, 161}, QStringLiteral("150_170"),
               QStringLiteral("5分"));
        AddDay(Koji, Mix, 1, Day(10, 2), {141}, QStringLiteral("130_150"), QStringLiteral("10分"));
        AddDay(Koji, OtherMix, 1, Day(10, 2), {142}, QStringLiteral("130_150"),
               QStringLiteral("1台毎"));
        TOndoKanri r;
        LoadRecord(r, Koji, Mix, 0, Day(10, 1));
        const TOndoKanri before = r;

        TTestPane own;
        Draw(own, r, false, {0, 1});
        QCOMPARE(own.Count(), 2);
        QCOMPARE(Count(own.Ops(1), QStringLiteral("141")),
                 3); // reading, maximum, minimum of category 1
        QCOMPARE(Count(own.Ops(1), QStringLiteral("142")), 0);
        QCOMPARE(Count(own.Ops(0), QStringLiteral("県道工事（K-01）")), 1);
        QCOMPARE(Count(own.Ops(1), QStringLiteral("2 / 2")), 1);
        QCOMPARE(r.Kubun.ID, before.Kubun.ID);
        QCOMPARE(r.Hiduke, before.Hiduke);

        const TSheetDocument doc = LoadSheetDocument(TReportScope{Koji, Mix, {1}, true});
        QCOMPARE(int(doc.categories.at(0).days.size()), 2);
        QCOMPARE(doc.categories[0].days[0].interval, QStringLiteral("10分"));
        QCOMPARE(doc.categories[0].days[1].interval, QStringLiteral("1台毎")); // not the mix before

        TSheetDocument model;
        model.project = QStringLiteral("県道工事（K-01）");
        TSheetCategory category;
        category.name = QStringLiteral("練上温度");
        TSheetDay day;
        day.mixPrintName = QStringLiteral("密粒度アスコン");
        day.day = Day(10, 1);
        for (int i = 0; i < 3; ++i)
            day.readings << TSheetReading{QStringLiteral("No.120+15.5（左側路肩）"), 160.5};
        category.days.push_back(day);
        model.categories.push_back(category);
        TTestPane pane(true);
        DrawDataSheet(model, pane);
        const auto labels = OpsOfKind(pane.Ops(0), TDrawOp::Kind::Text);
        int points = 0;
        for (const TDrawOp& t : labels)
            if (t.text.startsWith(QStringLiteral("No."))) {
                ++points;
                QVERIFY(t.p1.x() >= DotX(1.7f) && t.p1.x() + t.textWidth <= DotX(3.4f));
                QVERIFY(t.font.CharHeight() >= 50);
            }
        QCOMPARE(points, 3);
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
        WriteSetting(QStringLiteral("hin_prnfont"), QStringLiteral("ＭＳ 明朝"));
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
        AddDay(Koji, Mix, 0, Day(4, 2), Readings(16, 148), QStringLiteral("150_170"),
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
        for (const char* want : {"記", "録", "表", "練", "合材名", "密粒度アスコン（１３Ｆ）",
                                 "月日", "温度", "（℃）", "〃", "30分", "158.5", "158.6",
                                 "2024年4月1日～4月2日", "150～170℃", "（続き）", "○印は規格外"})
            QVERIFY2(text.contains(QString::fromUtf8(want)), want);
    }
};

ONDO_TEST_MAIN(TestDataSheet, QGuiApplication)
#include "test_datasheet.moc"
