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

    void emptyBlockGeometry()
    {
        TTestPane pane;
        pane.PageCanvas().SetSheetOrigin(DataSheetPage.origin);
        DrawRecordBlock(pane.PageCanvas(), 4); // second row, middle column
        const float L = 5.7f, T = 14.2f;
        const auto& ops = pane.Ops(0);
        const auto lines = OpsOfKind(ops, TDrawOp::Kind::Line);
        // mix-name rule, frame of four edges, heading and statistics rules, two columns, twenty
        // rows
        QCOMPARE(int(lines.size()), 1 + 4 + 2 + 2 + 20);
        QCOMPARE(lines[0].p1, QPoint(DotX(L + 1.1f), DotY(T + 0.5f)));
        QCOMPARE(lines[1].p1, QPoint(DotX(L), DotY(T + 1.0f)));
        QCOMPARE(lines[1].p2, QPoint(DotX(L + 5.1f), DotY(T + 1.0f)));
        QCOMPARE(lines[2].p2, QPoint(DotX(L + 5.1f), DotY(T + 10.86f)));
        QCOMPARE(lines[5].p1.y(), DotY(T + 2.5f));
        QCOMPARE(lines[6].p1.y(), DotY(T + 9.1f));
        QCOMPARE(lines[7].p1, QPoint(DotX(L + 1.7f), DotY(T + 1.0f)));
        QCOMPARE(lines[8].p2, QPoint(DotX(L + 3.4f), DotY(T + 9.1f)));
        for (int i = 1; i <= 8; ++i)
            QCOMPARE(lines[i].pen.width, 19); // 0.8 mm
        for (int i = 0; i < 20; ++i) {
            QCOMPARE(lines[9 + i].pen.width, 10); // 0.4 mm
            QCOMPARE(lines[9 + i].p1.y(), DotY(T + 2.5f + 0.44f * i));
        }
        // Zero-height headings sit centred on their line.
        const TDrawOp day = TextsEqual(ops, QStringLiteral("月　日")).at(0);
        QCOMPARE(day.font.CharHeight(), 75);
        QCOMPARE(day.p1.y(), DotY(T + 1.75f) - 37);
        const TDrawOp unit = TextsEqual(ops, QStringLiteral("（℃）")).at(0);
        QVERIFY(unit.p1.y() < DotY(T + 2.15f) && unit.p1.y() + 75 > DotY(T + 2.15f));
        QCOMPARE(TextsEqual(ops, QStringLiteral("合材名")).at(0).font.CharHeight(), 83);
        // "最大値=" is spread, so its first character starts a tenth inside its cell.
        QCOMPARE(TextsEqual(ops, QStringLiteral("最")).at(0).p1.x(), DotX(L + 1.7f + 0.17f));
        QVERIFY(TextsEqual(ops, QStringLiteral("値")).size() == 3);
    }

    void longDayContinuesWithoutMixNameAndStatistics()
    {
        TempProfile profile;
        PrepareTables();
        AddDay(Koji, Mix, 0, Day(4, 1), Readings(16));
        TOndoKanri r;
        LoadRecord(r, Koji, Mix, 0, Day(4, 1));
        TTestPane pane;
        Draw(pane, r, false);
        QCOMPARE(pane.Count(), 1);
        const auto& ops = pane.Ops(0);
        QCOMPARE(Count(ops, QStringLiteral("練上温度記録表")), 0); // spread per character
        QCOMPARE(Count(ops, Mix), 2);                  // the continuation names its mix too
        QCOMPARE(Count(ops, QStringLiteral("16")), 2); // count in block 0, label of reading 16
        QCOMPARE(Count(ops, QStringLiteral("4/1")), 2);
        QCOMPARE(Count(ops, QStringLiteral("〃")), 14);
        QCOMPARE(Count(ops, QStringLiteral("時刻")), 0); // "時刻" is spread: two characters
        QCOMPARE(Count(ops, QStringLiteral("時")), 2);   // heading of both blocks
        // Reading 16 is row 0 of block 1, labelled with the day.
        QVERIFY(HasTextInRow(ops, QStringLiteral("4/1"), 5.7f, 7.4f, 2.2f + 2.5f));
        QVERIFY(HasTextInRow(ops, QStringLiteral("16"), 7.4f, 9.1f, 2.2f + 2.5f));
        QVERIFY(HasTextInRow(ops, QStringLiteral("165"), 9.1f, 10.8f, 2.2f + 2.5f));
        QVERIFY(HasTextInRow(ops, QStringLiteral("164"), 3.4f, 5.1f, 2.2f + 2.5f + 0.44f * 14));
        QVERIFY(HasTextInRow(ops, QStringLiteral("16"), 3.4f, 5.1f, 2.2f + 9.1f));
        QVERIFY(HasTextInRow(ops, QStringLiteral("157.5"), 3.4f, 5.1f, 2.2f + 9.1f + 0.44f * 3));
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
        QCOMPARE(Count(own.Ops(1), QStringLiteral("合材名")), 6); // header and empty blocks again
        QCOMPARE(Count(own.Ops(1), QStringLiteral("記")), 1);
        QVERIFY(HasTextInRow(own.Ops(1), QStringLiteral("4/7"), 0, 1.7f, 2.2f + 2.5f));
        QVERIFY(HasTextInRow(own.Ops(0), QStringLiteral("4/6"), 11.4f, 13.1f, 14.2f + 2.5f));
        QCOMPARE(Count(own.Ops(0), QStringLiteral("140")), 0);
        QCOMPARE(Count(own.Ops(1), QStringLiteral("2 / 2")), 1);
        // The record stays as the window showed it.
        QCOMPARE(r.Hiduke, Day(4, 1));

        // The whole project: the other mix follows by name, other projects never come.
        LoadRecord(r, Koji, Mix, 0, Day(4, 1));
        TTestPane project;
        Draw(project, r, true);
        QCOMPARE(project.Count(), 2);
        QVERIFY(HasTextInRow(project.Ops(1), QStringLiteral("140"), 9.1f, 10.8f, 2.2f + 2.5f));
        QVERIFY(HasTextInRow(project.Ops(1), QStringLiteral("4/3"), 5.7f, 7.4f, 2.2f + 2.5f));
        QCOMPARE(Count(project.Ops(1), OtherMix), 1);
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

    // A day filled by simulation never passes for a measured one: the record table and the
    // control chart say 模擬値 on that day, and only there.
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
        QCOMPARE(Count(ops, QStringLiteral("158.02")), 2);
        QCOMPARE(Count(ops, QStringLiteral("158.3")), 1); // average 158.26
        QCOMPARE(Count(ops, QStringLiteral("160")), 2);
        QCOMPARE(Count(ops, QStringLiteral("155.0")), 1);
        // A mix print name too long for the 4 cm field even at 6 pt is cut with "…" there.
        TDrawOp name;
        for (const TDrawOp& t : OpsOfKind(ops, TDrawOp::Kind::Text))
            if (t.text.startsWith(QStringLiteral("再生密粒度")) && name.text.isEmpty())
                name = t;
        QVERIFY(name.text.endsWith(QStringLiteral("…")));
        QCOMPARE(name.font.CharHeight(), 50);
        QCOMPARE(name.font.charWidth, 0);
        QCOMPARE(name.p1.x(), DotX(1.1f));
        QVERIFY(name.textWidth <= DotX(5.1f) - DotX(1.1f));

        // Middle heading: the record's own interval, else the category's, else "時刻".
        struct Case
        {
            int id;
            QString first;
        };
        for (const Case& c : {Case{0, QStringLiteral("時")}, Case{1, QStringLiteral("1")},
                              Case{5, QStringLiteral("5")}}) {
            LoadRecord(r, Koji, Mix, c.id, Day(4, 1));
            TTestPane one;
            Draw(one, r, false);
            const auto texts = OpsOfKind(one.Ops(0), TDrawOp::Kind::Text);
            const int y = DotY(2.2f + 1.0f);
            bool found = false;
            for (const TDrawOp& t : texts)
                found = found || (t.text == c.first && t.p1.x() == DotX(2.1f) && t.p1.y() > y &&
                                  t.p1.y() < DotY(2.2f + 2.5f));
            QVERIFY2(found, qPrintable(c.first));
        }
        QCOMPARE(r.SpecInterval, QString());
    }

    // Each ticked category prints its own record whatever day the window shows; every block
    // shows its own mix's interval; long labels are shrunk into their cells.
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
        QCOMPARE(Count(own.Ops(0), QStringLiteral("工事名　県道工事（K-01）")), 1);
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
        const QString text = PdfText(file);
        for (const char* want : {"記", "録", "表", "練", "合材名", "密粒度アスコン（１３Ｆ）",
                                 "月日", "温度", "（℃）", "〃", "分", "158.5", "158.6"})
            QVERIFY2(text.contains(QString::fromUtf8(want)), want);
    }
};

ONDO_TEST_MAIN(TestDataSheet, QGuiApplication)
#include "test_datasheet.moc"
