#include "support/BatchRun.h"
#include "support/TestSupport.h"

#define REFERENCE_DIR ""
#include "app/ExchangeWiring.h"
#include "app/cli/BatchPrint.h"
#include "domain/DayEntry.h"
#include "entry_ui/EditOndoData.h"
#include "exchange/Export.h"
#include "exchange_ui/ExportDialog.h"
#include "reports/ReportFixture.h"
#include "storage/Engine.h"

#include <QApplication>
#include <QComboBox>
#include <QDirIterator>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>

namespace {

const QString LongName =
    QStringLiteral("締固[後]:温度/確認?*の長い名前を付けた区分でシート名の上限を超える");

void AddLabelled(const QString& mix, int kubunId, const QDateTime& day,
                 const QList<QPair<QString, double>>& readings, const QString& measurer)
{
    TOndoKanri r;
    r.Koji.Load(QStringLiteral("K1"));
    r.Gozai.Load(mix);
    r.Kubun.LoadByID(kubunId);
    r.Simei.Load(measurer);
    r.SpecValue = QStringLiteral("150_170");
    r.SpecRange = QStringLiteral("140_180");
    r.Hiduke = day;
    r.Kosu = int(readings.size());
    QList<Reading> rows;
    double sum = 0;
    r.MaxOndo = -1e9;
    r.MiniOndo = 1e9;
    for (int i = 0; i < readings.size(); ++i) {
        rows << Reading{i + 1, readings[i].first, readings[i].second};
        r.MaxOndo = std::max(r.MaxOndo, readings[i].second);
        r.MiniOndo = std::min(r.MiniOndo, readings[i].second);
        sum += readings[i].second;
    }
    r.AvgOndo = RoundDecimals(1, sum / double(readings.size()), RoundingRule::HalfUp);
    r.Register(rows);
}

// Project K1: two mixes, two categories (one with a name Excel refuses as a sheet name), 4/2 of
// 密粒 練上温度 filled by simulation; K2 is registered with nothing stored.
void Seed()
{
    PrepareTables();
    Engine::Execute(QStringLiteral("delete from OndoKubun"));
    AddCategory(0, QStringLiteral("練上温度"));
    AddCategory(1, LongName);
    Query(QStringLiteral("insert into Koji1 (Code, Kojimei) values ('K1', '県道工事')")).ExecSQL();
    Query(QStringLiteral("insert into Koji1 (Code, Kojimei) values ('K2', '市道工事')")).ExecSQL();
    AddMix(QStringLiteral("密粒"), QStringLiteral("密粒度アスコン"));
    AddMix(QStringLiteral("粗粒"), QStringLiteral("粗粒度アスコン"));
    AddLabelled(QStringLiteral("密粒"), 0, Day(4, 2),
                {{QStringLiteral("8:15"), 158.5}, {QStringLiteral("No.1, 左"), 161.0}},
                QStringLiteral("山田太郎"));
    AddLabelled(QStringLiteral("密粒"), 0, Day(4, 1), {{QStringLiteral("1"), 155.0}},
                QStringLiteral("山田太郎"));
    AddLabelled(QStringLiteral("粗粒"), 0, Day(4, 1), {{QStringLiteral("\"A\""), 149.9}},
                QStringLiteral("佐藤"));
    AddLabelled(QStringLiteral("密粒"), 1, Day(4, 2),
                {{QStringLiteral("1"), 140.0}, {QStringLiteral("2"), 142.0}},
                QStringLiteral("山田太郎"));
    // One day with everything a day and a reading carry.
    Engine::Execute(QStringLiteral(
        "update OndoLine4 set Jikoku = '08:05', Syaryo = '12', Biko = '再測定' where Ondo = 155"));
    Engine::Execute(QStringLiteral("update OndoHead4 set Sokuteisya = '鈴木', Tenki = '晴', "
                                   "Kion = '18.5', Tekiyo = '晴天' where MaxOndo = 155"));
    Engine::Execute(QStringLiteral("update OndoHead4 set Mogi = 1 where MaxOndo = 161"));
}

QString Python()
{
    // Debian's reader belongs to Debian's interpreter, which another python3 on PATH may hide.
    return QFileInfo::exists(QStringLiteral("/usr/bin/python3"))
               ? QStringLiteral("/usr/bin/python3")
               : QStringLiteral("python3");
}

// The workbook as openpyxl reads it: per sheet its name, frozen cell, column widths and
// rows of [kind, value, number format], kind one of date, number, text, empty.
QJsonArray ReadBack(const QString& file)
{
    const char* script = R"(
import datetime, json, sys, openpyxl
book = openpyxl.load_workbook(sys.argv[1])
sheets = []
for ws in book.worksheets:
    rows = []
    for row in ws.iter_rows():
        cells = []
        for c in row:
            v = c.value
            if isinstance(v, datetime.datetime):
                cells.append(['date', v.strftime('%Y-%m-%d'), c.number_format])
            elif isinstance(v, bool) or v is None:
                cells.append(['empty', None, c.number_format])
            elif isinstance(v, (int, float)):
                cells.append(['number', v, c.number_format])
            else:
                cells.append(['text', v, c.number_format])
        rows.append(cells)
    widths = {k: d.width for k, d in ws.column_dimensions.items()}
    sheets.append({'name': ws.title, 'freeze': ws.freeze_panes, 'widths': widths, 'rows': rows})
print(json.dumps(sheets, ensure_ascii=False))
)";
    QProcess python;
    python.start(Python(), {QStringLiteral("-c"), QString::fromUtf8(script), file});
    if (!python.waitForFinished(60000) || python.exitCode() != 0) {
        qWarning().noquote() << "openpyxl (Debian python3-openpyxl) could not read" << file
                             << QString::fromUtf8(python.readAllStandardError());
        return {};
    }
    return QJsonDocument::fromJson(python.readAllStandardOutput()).array();
}

QJsonArray Cell(const QString& kind, const QJsonValue& value, const QString& format)
{
    return QJsonArray{kind, value, format};
}

QStringList LeftOvers(const QString& folder)
{
    QStringList found;
    QDirIterator it(folder, {QStringLiteral("*.part")}, QDir::Files | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        found << it.next();
    return found;
}

} // namespace

class TestExport : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void workbookReadsBackWithDatesNumbersAndSheets();
    void csvHasBomQuotedRowsAndOneMix();
    void refusedTargetsLeaveNoFile();
    void sheetNamesExcelAccepts();
    void dialogFromTheMenuWritesTheChosenFile();
    void formulasOldDaysAndLongNamesExportSafely();
};

void TestExport::workbookReadsBackWithDatesNumbersAndSheets()
{
    TempProfile profile;
    Seed();
    const QString file = profile.root() + QStringLiteral("/k1.xlsx");
    const Run run = Batch(
        {QStringLiteral("--export-xlsx"), file, QStringLiteral("--project"), QStringLiteral("K1")});
    QCOMPARE(run.err, QString());
    QCOMPARE(run.code, 0);
    QCOMPARE(run.out.trimmed(), QStringLiteral("書き出し: 2 日 6 件"));

    const QJsonArray sheets = ReadBack(file);
    QCOMPARE(sheets.size(), 3);
    const QString sanitized =
        QStringLiteral("締固_後__温度_確認__の長い名前を付けた区分でシート名の上");
    QStringList names;
    for (const QJsonValue& s : sheets) {
        names << s[QStringLiteral("name")].toString();
        QCOMPARE(s[QStringLiteral("freeze")].toString(), QStringLiteral("A2"));
        // Every column has a width set from its contents.
        const QJsonObject widths = s[QStringLiteral("widths")].toObject();
        QCOMPARE(widths.size(), s[QStringLiteral("rows")].toArray()[0].toArray().size());
        for (const QJsonValue& w : widths)
            QVERIFY(w.toDouble() >= 8);
    }
    QCOMPARE(names,
             (QStringList{QStringLiteral("日別集計"), QStringLiteral("練上温度"), sanitized}));

    // The long category name widens its column, up to a limit.
    QVERIFY(sheets[0][QStringLiteral("widths")][QStringLiteral("C")].toDouble() > 50);
    QVERIFY(sheets[0][QStringLiteral("widths")][QStringLiteral("C")].toDouble() < 70);
    const QJsonArray summary = sheets[0][QStringLiteral("rows")].toArray();
    QCOMPARE(summary.size(), 1 + 4);
    // By day, then mix, then category.
    QCOMPARE(summary[1].toArray(),
             (QJsonArray{Cell("date", "2024-04-01", "yyyy/mm/dd"), Cell("text", "密粒", "General"),
                         Cell("text", "練上温度", "General"), Cell("number", 1, "General"),
                         Cell("number", 155, "0.0"), Cell("number", 155, "0.0"),
                         Cell("number", 155, "0.0"), Cell("text", "鈴木", "General"),
                         Cell("text", "晴", "General"), Cell("text", "18.5", "General"),
                         Cell("text", "晴天", "General"), Cell("number", 0, "General")}));
    QCOMPARE(summary[2].toArray()[1].toArray()[1].toString(), QStringLiteral("粗粒"));
    // The simulated day says so in the last column, as a number to filter on.
    QCOMPARE(summary[3].toArray()[2].toArray()[1].toString(), QStringLiteral("練上温度"));
    QCOMPARE(summary[3].toArray()[11].toArray(), Cell("number", 1, "General"));
    QCOMPARE(
        summary[4].toArray(),
        (QJsonArray{Cell("date", "2024-04-02", "yyyy/mm/dd"), Cell("text", "密粒", "General"),
                    Cell("text", LongName, "General"), Cell("number", 2, "General"),
                    Cell("number", 142, "0.0"), Cell("number", 140, "0.0"),
                    Cell("number", 141, "0.0"), Cell("text", "山田太郎", "General"),
                    Cell("empty", QJsonValue(), "General"), Cell("empty", QJsonValue(), "General"),
                    Cell("empty", QJsonValue(), "General"), Cell("number", 0, "General")}));

    const QJsonArray mixing = sheets[1][QStringLiteral("rows")].toArray();
    QCOMPARE(mixing.size(), 1 + 4);
    QStringList header;
    for (const QJsonValue& c : mixing[0].toArray())
        header << c.toArray()[1].toString();
    QCOMPARE(header,
             (QStringList{QStringLiteral("試験日"), QStringLiteral("合材名"),
                          QStringLiteral("測点"), QStringLiteral("温度"), QStringLiteral("測定者"),
                          QStringLiteral("規格値"), QStringLiteral("時刻"), QStringLiteral("車番"),
                          QStringLiteral("備考"), QStringLiteral("模擬値")}));
    QCOMPARE(mixing[1].toArray(),
             (QJsonArray{Cell("date", "2024-04-01", "yyyy/mm/dd"), Cell("text", "密粒", "General"),
                         Cell("text", "1", "General"), Cell("number", 155, "0.0"),
                         Cell("text", "鈴木", "General"), Cell("text", "150～170 ℃", "General"),
                         Cell("text", "08:05", "General"), Cell("text", "12", "General"),
                         Cell("text", "再測定", "General"), Cell("number", 0, "General")}));
    QCOMPARE(mixing[2].toArray()[1].toArray()[1].toString(), QStringLiteral("粗粒"));
    QCOMPARE(mixing[2].toArray()[3].toArray()[1].toDouble(), 149.9);
    QCOMPARE(mixing[3].toArray()[3].toArray()[1].toDouble(), 158.5);
    QCOMPARE(mixing[3].toArray()[9].toArray(), Cell("number", 1, "General"));
    QCOMPARE(mixing[4].toArray()[9].toArray(), Cell("number", 1, "General"));
    QCOMPARE(mixing[2].toArray()[9].toArray(), Cell("number", 0, "General"));
    QCOMPARE(mixing[4].toArray()[2].toArray()[1].toString(), QStringLiteral("No.1, 左"));
    QCOMPARE(sheets[2][QStringLiteral("rows")].toArray().size(), 1 + 2);

    // A second run replaces the workbook it wrote.
    const Run again =
        Batch({QStringLiteral("--export-xlsx"), file, QStringLiteral("--project"),
               QStringLiteral("K1"), QStringLiteral("--mix"), QStringLiteral("粗粒")});
    QCOMPARE(again.code, 0);
    QCOMPARE(ReadBack(file)[1][QStringLiteral("rows")].toArray().size(), 1 + 1);
    QCOMPARE(LeftOvers(profile.root()), QStringList());
}

void TestExport::csvHasBomQuotedRowsAndOneMix()
{
    TempProfile profile;
    Seed();
    const QString file = profile.root() + QStringLiteral("/k1.csv");
    const Run run = Batch({QStringLiteral("--export-csv"), file, QStringLiteral("--project"),
                           QStringLiteral("K1"), QStringLiteral("--mix"), QStringLiteral("密粒")});
    QCOMPARE(run.err, QString());
    QCOMPARE(run.code, 0);
    QCOMPARE(run.out.trimmed(), QStringLiteral("書き出し: 2 日 5 件"));
    QFile csv(file);
    QVERIFY(csv.open(QIODevice::ReadOnly));
    const QByteArray bytes = csv.readAll();
    QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
    const QStringList lines = QString::fromUtf8(bytes.mid(3)).split(QStringLiteral("\r\n"));
    QCOMPARE(
        lines,
        (QStringList{
            QStringLiteral("温度区分,試験日,合材名,測点,温度,測定者,規格値,時刻,車番,備考,模擬値"),
            QStringLiteral("練上温度,2024/04/01,密粒,1,155,鈴木,150～170 ℃,08:05,12,再測定,0"),
            QStringLiteral("練上温度,2024/04/02,密粒,8:15,158.5,山田太郎,150～170 ℃,,,,1"),
            QStringLiteral("練上温度,2024/04/02,密粒,\"No.1, 左\",161,山田太郎,150～170 ℃,,,,1"),
            LongName + QStringLiteral(",2024/04/02,密粒,1,140,山田太郎,150～170 ℃,,,,0"),
            LongName + QStringLiteral(",2024/04/02,密粒,2,142,山田太郎,150～170 ℃,,,,0"),
            QString()}));

    const Run other =
        Batch({QStringLiteral("--export-csv"), file, QStringLiteral("--project"),
               QStringLiteral("K1"), QStringLiteral("--mix"), QStringLiteral("粗粒")});
    QCOMPARE(other.code, 0);
    csv.close();
    QVERIFY(csv.open(QIODevice::ReadOnly));
    QVERIFY(csv.readAll().contains(
        "練上温度,2024/04/01,粗粒,\"\"\"A\"\"\",149.9,佐藤,150～170 ℃,,,,0\r\n"));
}

void TestExport::refusedTargetsLeaveNoFile()
{
    if (OnServer())
        QSKIP("the data folder's own files: a server has none");
    TempProfile profile;
    Seed();
    const QString data = profile.dataFolder();
    const QString database = data + QLatin1String(Engine::DatabaseFileName);
    QFile notes(profile.root() + QStringLiteral("/notes.txt"));
    QVERIFY(notes.open(QIODevice::WriteOnly));
    notes.write("keep me");
    notes.close();
    Engine::CloseDatabase();
    QFile db(database);
    QVERIFY(db.open(QIODevice::ReadOnly));
    const QByteArray before = db.readAll();
    db.close();

    const QString ok = profile.root() + QStringLiteral("/out.xlsx");
    auto xlsx = [](const QString& file, const QString& project = QStringLiteral("K1")) {
        return QStringList{QStringLiteral("--export-xlsx"), file, QStringLiteral("--project"),
                           project};
    };
    const QList<QPair<QStringList, QString>> cases{
        {xlsx(database), QStringLiteral("データ格納場所")},
        {xlsx(data + QStringLiteral("backup/k1.xlsx")), QStringLiteral("データ格納場所")},
        {xlsx(data + QStringLiteral("sub/../k1.xlsx")), QStringLiteral("データ格納場所")},
        {QStringList{QStringLiteral("--export-csv"), data + QStringLiteral("k1.csv"),
                     QStringLiteral("--project"), QStringLiteral("K1")},
         QStringLiteral("データ格納場所")},
        {xlsx(notes.fileName()), QStringLiteral("Excelファイルではない既存のファイル")},
        {QStringList{QStringLiteral("--export-csv"), notes.fileName(), QStringLiteral("--project"),
                     QStringLiteral("K1")},
         QStringLiteral("CSVファイルではない既存のファイル")},
        {xlsx(ok, QStringLiteral("K9")), QStringLiteral("工事コード 'K9' は登録されていません")},
        {xlsx(ok, QStringLiteral("K2")),
         QStringLiteral("工事コード 'K2' には書き出す記録がありません")},
        {xlsx(ok) + QStringList{QStringLiteral("--mix"), QStringLiteral("無い")},
         QStringLiteral("合材 '無い' には書き出す記録がありません")},
        {xlsx(profile.root() + QStringLiteral("/notes.txt/k1.xlsx")),
         QStringLiteral("出力先のフォルダ")},
    };
    for (const auto& c : cases) {
        const Run run = Batch(c.first);
        QCOMPARE(run.code, 1);
        QCOMPARE(run.err.count(QLatin1Char('\n')), 1);
        QVERIFY2(run.err.contains(c.second), qPrintable(run.err));
    }
    const Run both = Batch(xlsx(ok) + QStringList{QStringLiteral("--export-csv"), ok});
    QCOMPARE(both.code, 2);

    QVERIFY(db.open(QIODevice::ReadOnly));
    QCOMPARE(db.readAll(), before);
    QVERIFY(!QFileInfo::exists(ok));
    QVERIFY(!QFileInfo::exists(data + QStringLiteral("backup/k1.xlsx")));
    QVERIFY(!QFileInfo::exists(data + QStringLiteral("k1.csv")));
    QCOMPARE(LeftOvers(profile.root()), QStringList());
    QFile kept(notes.fileName());
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), QByteArray("keep me"));
}

void TestExport::sheetNamesExcelAccepts()
{
    QCOMPARE(ExcelSheetName(QStringLiteral("a[b]c:d*e?f/g\\h"), {}),
             QStringLiteral("a_b_c_d_e_f_g_h"));
    QCOMPARE(ExcelSheetName(QStringLiteral("'引用'"), {}) +
                 ExcelSheetName(QStringLiteral("history"), {}),
             QStringLiteral("引用history_"));
    QCOMPARE(ExcelSheetName(QString(), {}), QStringLiteral("区分"));
    QCOMPARE(
        ExcelSheetName(QStringLiteral("Temp"), {QStringLiteral("TEMP"), QStringLiteral("Temp(2)")}),
        QStringLiteral("Temp(3)"));
    const QString longName(40, QChar(0x6E29));
    const QString first = ExcelSheetName(longName, {});
    QCOMPARE(first, longName.left(31));
    QCOMPARE(ExcelSheetName(longName, {first}), longName.left(28) + QStringLiteral("(2)"));
    // A character outside the basic plane is kept whole.
    const QString wide = QString(30, QLatin1Char('x')) + QString::fromUcs4(U"\U0002000B");
    QCOMPARE(ExcelSheetName(wide, {}), QString(30, QLatin1Char('x')));
}

void TestExport::dialogFromTheMenuWritesTheChosenFile()
{
    TempProfile profile;
    Seed();
    TDayEntry entry;
    TfEditOndoData window(entry, {}, {});
    TfExport dialog;
    ConnectExportDialog(window, &dialog);
    window.show();
    entry.SetKojiCode(QStringLiteral("K1"));
    const QString file = profile.root() + QStringLiteral("/chosen.xlsx");
    QString suggested;
    dialog.PickFile = [&](QWidget*, const QString& start, ExportFormat format) {
        suggested = start;
        return format == ExportFormat::Csv ? file.left(file.size() - 4) + QStringLiteral("csv")
                                           : file;
    };
    QStringList mixes;
    QTimer::singleShot(0, [&] {
        auto* d = qobject_cast<TfExport*>(QApplication::activeModalWidget());
        QVERIFY(d);
        for (int i = 0; i < d->ComboBox2->count(); ++i)
            mixes << d->ComboBox2->itemText(i);
        d->ComboBox2->setCurrentIndex(d->ComboBox2->findText(QStringLiteral("密粒")));
        d->RadioCsv->setChecked(true);
        d->Button1->click();
        d->BitBtn1->click();
        if (d->isVisible())
            d->reject();
    });
    Q_EMIT window.exportRequested();
    QCOMPARE(dialog.ComboBox1->currentData().toString(), QStringLiteral("K1"));
    QCOMPARE(mixes, (QStringList{QStringLiteral("（すべての合材）"), QStringLiteral("密粒"),
                                 QStringLiteral("粗粒")}));
    QVERIFY2(suggested.endsWith(QStringLiteral("K1.csv")), qPrintable(suggested));
    const QString csv = file.left(file.size() - 4) + QStringLiteral("csv");
    QFile written(csv);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(written.readAll().count("\r\n"), 1 + 5);
    QVERIFY2(window.statusBar()->currentMessage().startsWith(QStringLiteral("書き出し: 2 日 5 件")),
             qPrintable(window.statusBar()->currentMessage()));

    // A refused target keeps the dialog open with the message; nothing is written.
    QTimer::singleShot(0, [&] {
        auto* d = qobject_cast<TfExport*>(QApplication::activeModalWidget());
        QVERIFY(d);
        d->Edit1->setText(profile.dataFolder() + QStringLiteral("in-data.csv"));
        QTimer::singleShot(0, [] {
            QWidget* box = QApplication::activeModalWidget();
            QVERIFY(box && !qobject_cast<TfExport*>(box));
            box->close();
        });
        d->BitBtn1->click();
        QVERIFY(d->isVisible());
        d->reject();
    });
    Q_EMIT window.exportRequested();
    QVERIFY(!QFileInfo::exists(profile.dataFolder() + QStringLiteral("in-data.csv")));
}

// Texts a spreadsheet would run as formulas are written as texts, a day before 1900 stays a
// readable text in the workbook (never a negative serial), and a name too long for the disk
// is refused in one short line.
void TestExport::formulasOldDaysAndLongNamesExportSafely()
{
    TempProfile profile;
    Seed();
    AddMix(QStringLiteral("改質"), QStringLiteral("改質アスコン"));
    AddLabelled(QStringLiteral("改質"), 0, QDateTime(QDate(1899, 12, 30), QTime(0, 0)),
                {{QStringLiteral("=1+1"), 150.0},
                 {QStringLiteral("@SUM(A1)"), 151.0},
                 {QStringLiteral("-2"), 152.0},
                 {QStringLiteral("No.=4"), 153.0}},
                QStringLiteral("+山田"));
    const QStringList target{QStringLiteral("--project"), QStringLiteral("K1"),
                             QStringLiteral("--mix"), QStringLiteral("改質")};
    const QString csvFile = profile.root() + QStringLiteral("/f.csv");
    const Run csv = Batch(QStringList{QStringLiteral("--export-csv"), csvFile} + target);
    QCOMPARE(csv.code, 0);
    QFile written(csvFile);
    QVERIFY(written.open(QIODevice::ReadOnly));
    const QStringList lines =
        QString::fromUtf8(written.readAll().mid(3)).split(QStringLiteral("\r\n"));
    QCOMPARE(lines.mid(1, 4),
             (QStringList{
                 QStringLiteral("練上温度,1899/12/30,改質,'=1+1,150,'+山田,150～170 ℃,,,,0"),
                 QStringLiteral("練上温度,1899/12/30,改質,'@SUM(A1),151,'+山田,150～170 ℃,,,,0"),
                 QStringLiteral("練上温度,1899/12/30,改質,'-2,152,'+山田,150～170 ℃,,,,0"),
                 QStringLiteral("練上温度,1899/12/30,改質,No.=4,153,'+山田,150～170 ℃,,,,0")}));

    const QString book = profile.root() + QStringLiteral("/f.xlsx");
    QCOMPARE(Batch(QStringList{QStringLiteral("--export-xlsx"), book} + target).code, 0);
    const QJsonArray sheets = ReadBack(book);
    QVERIFY(!sheets.isEmpty());
    int days = 0;
    for (const QJsonValue& sheet : sheets) {
        for (const QJsonValue& row : sheet.toObject().value(QStringLiteral("rows")).toArray()) {
            for (const QJsonValue& cell : row.toArray()) {
                QVERIFY2(cell.toArray().at(0).toString() != QStringLiteral("date"),
                         qPrintable(cell.toArray().at(1).toString()));
                if (cell.toArray().at(1).toString() == QStringLiteral("1899/12/30"))
                    ++days;
            }
        }
    }
    QVERIFY2(days >= 2, qPrintable(QString::number(days))); // the summary and the category

    const QString longName = profile.root() + QLatin1Char('/') + QString(300, QLatin1Char('n'));
    for (const char* option : {"--export-csv", "--export-xlsx"}) {
        const Run refused = Batch(
            QStringList{QString::fromLatin1(option), longName + QStringLiteral(".x")} + target);
        QCOMPARE(refused.code, 1);
        QCOMPARE(refused.err.count(QLatin1Char('\n')), 1);
        QVERIFY2(refused.err.startsWith(QStringLiteral("出力先のファイル名が長すぎます")) &&
                     refused.err.size() < 150,
                 qPrintable(refused.err));
    }
    QCOMPARE(LeftOvers(profile.root()), QStringList());
}

ONDO_TEST_MAIN(TestExport, QApplication)
#include "test_export.moc"
