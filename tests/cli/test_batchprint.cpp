#include "support/BatchRun.h"
#include "support/TestSupport.h"

#define REFERENCE_DIR ""
#include "app/cli/BatchPrint.h"
#include "core/Settings.h"
#include "reports/ReportFixture.h"
#include "storage/Backup.h"
#include "storage/Engine.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QGuiApplication>

namespace {

int PdfPages(const QString& file)
{
    QProcess run;
    run.start(QStringLiteral("pdfinfo"), {file});
    run.waitForFinished(60000);
    const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)"))
                                          .match(QString::fromUtf8(run.readAllStandardOutput()));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

// A data folder of its own with one project, two categories and days of one mix.
void Seed()
{
    PrepareTables();
    Engine::Execute(QStringLiteral("delete from OndoKubun"));
    AddCategory(0, QStringLiteral("練上温度"));
    AddCategory(1, QStringLiteral("初期締固前温度"));
    Query k(QStringLiteral("insert into Koji1 (Code, Kojimei) values ('K1', '県道工事')"));
    k.ExecSQL();
    AddMix(QStringLiteral("密粒"), QStringLiteral("密粒度アスコン"));
    for (int d = 1; d <= 8; ++d) {
        AddDay(QStringLiteral("K1"), QStringLiteral("密粒"), 0, Day(4, d), {150.0 + d, 160.0 + d});
        AddDay(QStringLiteral("K1"), QStringLiteral("密粒"), 1, Day(4, d), {140.0 + d});
    }
}

QByteArray Digest(const QString& file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly)
               ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256)
               : QByteArray();
}

QStringList Sheet(const QString& file)
{
    return {QStringLiteral("--print-pdf"), file,
            QStringLiteral("--form"),      QStringLiteral("sheet"),
            QStringLiteral("--project"),   QStringLiteral("K1")};
}

} // namespace

class TestBatchPrint : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sheetWritesRecordTablesOfNamedCategories();
    void chartWritesOneSheetWithStoredRangeUntouched();
    void statisticalFormsWriteTheirPdfs();
    void badArgumentsExitNonZeroWithoutFile();
    void helpAndVersion();
    void outputNeverLandsOnTheData();
    void backupAndRestoreFromTheCommandLine();
    void copyDataToTheServerAndBack();
};

// A folder is copied to a server and back: the same counts, the same chart, a target with
// data refused, and every command reading the server through --data.
void TestBatchPrint::copyDataToTheServerAndBack()
{
    TempProfile profile;
    Seed();
    const QString folder = profile.dataFolder();
    const QString db = QStringLiteral("ondo_copy_%1").arg(QCoreApplication::applicationPid());
    ServerAdmin(QStringLiteral("drop database if exists ") + db);
    ServerAdmin(QStringLiteral("create database ") + db);
    const QString server = TestServerUriFor(db);
    Engine::CloseDatabase();

    const Run there = Batch({QStringLiteral("--copy-data"), folder, server});
    QCOMPARE(there.err, QString());
    QCOMPARE(there.code, 0);
    QVERIFY2(
        there.out.startsWith(QStringLiteral("OndoKanri4: 2 件\nOndoHead4: 16 件\nOndoLine4: 24 件\n"
                                            "OndoRireki: 16 件\nOndoFuin: 16 件\nOndoBunpu: 0 件\n"
                                            "OndoBunpuLine: 0 件\nOndoKubun: 2 件\nKoji1: 1 件\n")),
        qPrintable(there.out));

    const Run again = Batch({QStringLiteral("--copy-data"), folder, server});
    QCOMPARE(again.code, 1);
    QVERIFY2(again.err.contains(QStringLiteral("既にデータがあります")), qPrintable(again.err));
    QCOMPARE(again.err.count(QLatin1Char('\n')), 1);
    QCOMPARE(
        Batch({QStringLiteral("--copy-data"), folder, server, QStringLiteral("--replace")}).out,
        there.out);

    const QString back = profile.root() + QStringLiteral("/back");
    const Run home = Batch({QStringLiteral("--copy-data"), server, back});
    QCOMPARE(home.code, 0);
    QCOMPARE(home.out, there.out);
    // A folder's data that a copy replaces is backed up first.
    QVERIFY(Backup::List(back).isEmpty());
    QCOMPARE(Batch({QStringLiteral("--copy-data"), server, back, QStringLiteral("--replace")}).code,
             0);
    QCOMPARE(Backup::List(back).size(), 1);

    // The chart of each location reads the same.
    QStringList texts;
    for (const QString& location : QStringList{folder, server, back + QLatin1Char('/')}) {
        const QString file = profile.root() + QStringLiteral("/chart-%1.pdf").arg(texts.size());
        const Run run = Batch({QStringLiteral("--print-pdf"), file, QStringLiteral("--form"),
                               QStringLiteral("chart"), QStringLiteral("--project"),
                               QStringLiteral("K1"), QStringLiteral("--mix"),
                               QStringLiteral("密粒"), QStringLiteral("--data"), location});
        QVERIFY2(run.code == 0, qPrintable(run.err));
        QProcess text;
        text.start(QStringLiteral("pdftotext"),
                   {QStringLiteral("-layout"), file, QStringLiteral("-")});
        QVERIFY(text.waitForFinished(60000));
        texts << QString::fromUtf8(text.readAllStandardOutput());
    }
    QVERIFY(texts.at(0).contains(QStringLiteral("県道工事")));
    QCOMPARE(texts.at(1), texts.at(0));
    QCOMPARE(texts.at(2), texts.at(0));

    const Run down = Batch(
        {QStringLiteral("--copy-data"), folder, QStringLiteral("postgresql://127.0.0.1:1/none")});
    QCOMPARE(down.code, 1);
    QVERIFY2(down.err.startsWith(QStringLiteral(
                 "データを移行できません: サーバー 127.0.0.1:1/none に接続できません")),
             qPrintable(down.err));
}

// The period: --from and --to keep their days, --day alone is that one day, neither every day;
// the title block prints the period.
void TestBatchPrint::sheetWritesRecordTablesOfNamedCategories()
{
    TempProfile profile;
    Seed();
    const QString file = profile.root() + QStringLiteral("/sheet.pdf");
    const QStringList sheet{QStringLiteral("--print-pdf"), file,
                            QStringLiteral("--form"),      QStringLiteral("sheet"),
                            QStringLiteral("--project"),   QStringLiteral("K1"),
                            QStringLiteral("--mix"),       QStringLiteral("密粒")};
    Run run =
        Batch(sheet + QStringList{QStringLiteral("--from"), QStringLiteral("2024/04/02"),
                                  QStringLiteral("--to"), QStringLiteral("2024/04/05"),
                                  QStringLiteral("--category"), QStringLiteral("初期締固前温度")});
    QCOMPARE(run.code, 0);
    QCOMPARE(run.out, QString());
    QCOMPARE(run.err, QString());
    QCOMPARE(PdfPages(file), 1);
    QString text = PdfText(file);
    QVERIFY(text.contains(QStringLiteral("初期締固前温度記録表")));
    QVERIFY(text.contains(QStringLiteral("2024年4月2日～4月5日")));
    for (int d = 1; d <= 8; ++d)
        QCOMPARE(text.contains(QStringLiteral("%1.0").arg(140 + d)), d >= 2 && d <= 5);
    QVERIFY(!text.contains(QStringLiteral("156.0"))); // a day of the category not named

    run =
        Batch(sheet + QStringList{QStringLiteral("--day"), QStringLiteral("2024/04/03"),
                                  QStringLiteral("--category"), QStringLiteral("初期締固前温度")});
    QCOMPARE(run.code, 0);
    text = PdfText(file);
    QVERIFY(text.contains(QStringLiteral("143.0")));
    QVERIFY(!text.contains(QStringLiteral("142.0")) && !text.contains(QStringLiteral("144.0")));
    QVERIFY(text.contains(QStringLiteral("2024年4月3日")));

    // Every category and every day when neither is given.
    run = Batch(sheet + QStringList{QStringLiteral("--per-project")});
    QCOMPARE(run.code, 0);
    QCOMPARE(PdfPages(file), 2);
    text = PdfText(file);
    QVERIFY(text.contains(QStringLiteral("156.0")) && text.contains(QStringLiteral("141.0")));
    QVERIFY(text.contains(QStringLiteral("2024年4月1日～4月8日")));

    // The chart and the journey keep to the period as well.
    const QString chart = profile.root() + QStringLiteral("/chart.pdf");
    run = Batch({QStringLiteral("--print-pdf"), chart, QStringLiteral("--form"),
                 QStringLiteral("chart"), QStringLiteral("--project"), QStringLiteral("K1"),
                 QStringLiteral("--mix"), QStringLiteral("密粒"), QStringLiteral("--from"),
                 QStringLiteral("2024/04/07")});
    QCOMPARE(run.code, 0);
    text = PdfText(chart);
    QVERIFY(text.contains(QStringLiteral("2024年4月7日～4月8日")));
    QVERIFY(text.contains(QStringLiteral("4/7")) && !text.contains(QStringLiteral("4/6")));
    Engine::Execute(QStringLiteral("update OndoLine4 set Syaryo = 'T1', Jikoku = '08:00'"));
    const QString journey = profile.root() + QStringLiteral("/journey.pdf");
    run =
        Batch({QStringLiteral("--print-pdf"), journey, QStringLiteral("--form"),
               QStringLiteral("journey"), QStringLiteral("--project"), QStringLiteral("K1"),
               QStringLiteral("--mix"), QStringLiteral("密粒"), QStringLiteral("--from"),
               QStringLiteral("2024/04/02"), QStringLiteral("--to"), QStringLiteral("2024/04/03")});
    QVERIFY2(run.code == 0, qPrintable(run.err));
    QCOMPARE(PdfPages(journey), 2 * 2 + 1); // a table and a chart a day, the summary
    text = PdfText(journey);
    QVERIFY(text.contains(QStringLiteral("2024年4月2日～4月3日")));
    QVERIFY(!text.contains(QStringLiteral("2024年4月4日")));
}

void TestBatchPrint::chartWritesOneSheetWithStoredRangeUntouched()
{
    TempProfile profile;
    const QString data = profile.root() + QStringLiteral("/other/");
    QVERIFY(QDir().mkpath(data));
    Engine::OpenDatabase(data);
    Seed();
    const QString stored = Engine::GetAliasPath();
    Engine::OpenDatabase();
    TSettings::SetText(QStringLiteral("OndoKanriGraphLow"), QStringLiteral("120"));

    const QString file = profile.root() + QStringLiteral("/chart.pdf");
    const Run run =
        Batch({QStringLiteral("--print-pdf"), file, QStringLiteral("--form"),
               QStringLiteral("chart"), QStringLiteral("--project"), QStringLiteral("K1"),
               QStringLiteral("--mix"), QStringLiteral("密粒"), QStringLiteral("--high"),
               QStringLiteral("180"), QStringLiteral("--data"), data});
    QCOMPARE(run.code, 0);
    QCOMPARE(PdfPages(file), 1);
    const QString text = PdfText(file);
    QVERIFY(text.contains(QStringLiteral("Ｘ管理図")));
    QVERIFY(text.contains(QStringLiteral("密粒度アスコン")));
    QVERIFY(text.contains(QStringLiteral("2024年4月1日～4月8日")));
    QCOMPARE(Engine::GetAliasPath(), stored);
    QCOMPARE(TSettings::Text(QStringLiteral("OndoKanriGraphLow")), QStringLiteral("120"));
    QCOMPARE(TSettings::Text(QStringLiteral("OndoKanriGraphHigh")), QString());
}

void TestBatchPrint::statisticalFormsWriteTheirPdfs()
{
    TempProfile profile;
    Seed();
    Engine::Execute(QStringLiteral("update OndoKanri4 set Kikakuti = '150_175::'"));
    const QString xbar = profile.root() + QStringLiteral("/xbar.pdf");
    const QString capability = profile.root() + QStringLiteral("/capability.pdf");
    Run run = Batch({QStringLiteral("--print-pdf"), xbar, QStringLiteral("--form"),
                     QStringLiteral("xbar"), QStringLiteral("--project"), QStringLiteral("K1"),
                     QStringLiteral("--mix"), QStringLiteral("密粒"), QStringLiteral("--category"),
                     QStringLiteral("練上温度"), QStringLiteral("--base-from"),
                     QStringLiteral("2024/04/01"), QStringLiteral("--base-to"),
                     QStringLiteral("2024/04/05")});
    QCOMPARE(run.code, 0);
    QString text = PdfText(xbar);
    QVERIFY(text.contains(QStringLiteral("管理図")));
    QVERIFY(text.contains(QStringLiteral("2024/04/05")));
    QVERIFY(text.contains(QStringLiteral("日数=5")));
    run = Batch({QStringLiteral("--print-pdf"), capability, QStringLiteral("--form"),
                 QStringLiteral("capability"), QStringLiteral("--project"), QStringLiteral("K1"),
                 QStringLiteral("--mix"), QStringLiteral("密粒")});
    QCOMPARE(run.code, 0);
    QCOMPARE(PdfPages(capability), 2); // one sheet per category
    text = PdfText(capability);
    QVERIFY(text.contains(QStringLiteral("工程能力図")));
    QVERIFY(text.contains(QStringLiteral("Cp=")));
    QVERIFY(text.contains(QStringLiteral("Cpk=")));
    // x̄-R: subgroups of the size asked for, a data sheet and a chart; other sizes refused.
    const QString xbarR = profile.root() + QStringLiteral("/xbar-r.pdf");
    const QStringList range{QStringLiteral("--print-pdf"), xbarR,
                            QStringLiteral("--form"),      QStringLiteral("xbar-r"),
                            QStringLiteral("--project"),   QStringLiteral("K1"),
                            QStringLiteral("--mix"),       QStringLiteral("密粒"),
                            QStringLiteral("--category"),  QStringLiteral("練上温度")};
    run = Batch(range + QStringList{QStringLiteral("--subgroup"), QStringLiteral("2")});
    QCOMPARE(run.code, 0);
    QCOMPARE(PdfPages(xbarR), 2);
    text = PdfText(xbarR);
    QVERIFY(text.contains(QStringLiteral("R管理データシート")));
    QVERIFY(text.contains(QStringLiteral("R管理図")));
    QVERIFY(text.contains(QStringLiteral("150～175℃")));
    QVERIFY(text.contains(QStringLiteral("4/8")));
    QVERIFY(text.contains(QStringLiteral("2個")));
    for (const char* size : {"1", "6", "x"}) {
        QFile::remove(xbarR);
        run = Batch(range + QStringList{QStringLiteral("--subgroup"), QString::fromLatin1(size)});
        QCOMPARE(run.code, 1);
        QVERIFY2(run.err.contains(QStringLiteral("2〜5")) &&
                     run.err.contains(QString::fromLatin1(size)),
                 qPrintable(run.err));
        QVERIFY(!QFileInfo::exists(xbarR));
    }
    run = Batch({QStringLiteral("--print-pdf"), xbar, QStringLiteral("--form"),
                 QStringLiteral("xbar"), QStringLiteral("--project"), QStringLiteral("K1"),
                 QStringLiteral("--base-from"), QStringLiteral("2024/04/09"),
                 QStringLiteral("--base-to"), QStringLiteral("2024/04/01")});
    QCOMPARE(run.code, 1);
    QVERIFY(run.err.contains(QStringLiteral("基準期間")));
}

void TestBatchPrint::badArgumentsExitNonZeroWithoutFile()
{
    TempProfile profile;
    Seed();
    const QString file = profile.root() + QStringLiteral("/bad.pdf");
    const QStringList base{QStringLiteral("--print-pdf"), file, QStringLiteral("--project"),
                           QStringLiteral("K1")};
    const QList<QStringList> cases{
        {QStringLiteral("--form"), QStringLiteral("list")},
        {QStringLiteral("--form"), QStringLiteral("chart"), QStringLiteral("--bogus")},
        {QStringLiteral("--form"), QStringLiteral("sheet"), QStringLiteral("--day"),
         QStringLiteral("2024/13/01")},
        {QStringLiteral("--form"), QStringLiteral("chart"), QStringLiteral("--low"),
         QStringLiteral("abc")},
        {QStringLiteral("--form"), QStringLiteral("chart"), QStringLiteral("--low"),
         QStringLiteral("200"), QStringLiteral("--high"), QStringLiteral("150")},
        {QStringLiteral("--form"), QStringLiteral("sheet"), QStringLiteral("--category"),
         QStringLiteral("無い区分")},
        {QStringLiteral("--form"), QStringLiteral("sheet"), QStringLiteral("--data"),
         profile.root() + QStringLiteral("/none")},
        {QStringLiteral("--form"), QStringLiteral("sheet"), QStringLiteral("--from"),
         QStringLiteral("2024/04/05"), QStringLiteral("--to"), QStringLiteral("2024/04/01")},
        {QStringLiteral("--form"), QStringLiteral("sheet"), QStringLiteral("--to"),
         QStringLiteral("2024-04-05")},
        {QStringLiteral("--form"), QStringLiteral("sheet"), QStringLiteral("--day"),
         QStringLiteral("2024/04/05"), QStringLiteral("--from"), QStringLiteral("2024/04/01")},
        {QStringLiteral("--form"), QStringLiteral("sheet"), QStringLiteral("--subgroup"),
         QStringLiteral("3")},
        {QStringLiteral("--form"), QStringLiteral("sheet"), QStringLiteral("--panels")},
    };
    for (const QStringList& extra : cases) {
        const Run run = Batch(base + extra);
        QVERIFY2(run.code != 0, qPrintable(extra.join(' ')));
        QCOMPARE(run.err.count(QLatin1Char('\n')), 1);
        QVERIFY2(!QFileInfo::exists(file), qPrintable(extra.join(' ')));
    }
    // The period and the documents' options belong to the printouts and the package.
    for (const QStringList& misuse :
         {QStringList{QStringLiteral("--backup"), QStringLiteral("--from"),
                      QStringLiteral("2024/04/01")},
          QStringList{QStringLiteral("--package"), file, QStringLiteral("--subgroup"),
                      QStringLiteral("3")}}) {
        const Run run = Batch(misuse);
        QCOMPARE(run.code, 2);
        QVERIFY2(run.err.contains(misuse.at(misuse.size() - 2)), qPrintable(run.err));
    }
    const Run unknown =
        Batch({QStringLiteral("--print-pdf"), file, QStringLiteral("--form"),
               QStringLiteral("chart"), QStringLiteral("--project"), QStringLiteral("K9")});
    QVERIFY(unknown.code != 0);
    QVERIFY(unknown.err.contains(QStringLiteral("K9")));
    QVERIFY(!QFileInfo::exists(file));
}

void TestBatchPrint::helpAndVersion()
{
    const Run help = Batch({QStringLiteral("--help")});
    QCOMPARE(help.code, 0);
    for (const char* option : {"--print-pdf", "--form", "--project", "--mix", "--day", "--category",
                               "--per-project", "--low", "--high", "--data", "--from", "--to",
                               "--subgroup", "--panels", "--verify-package"})
        QVERIFY2(help.out.contains(QLatin1String(option)), option);
    const Run version = Batch({QStringLiteral("--version")});
    QCOMPARE(version.code, 0);
    QVERIFY(version.out.contains(QStringLiteral(ONDOKANRI_VERSION)));
}

void TestBatchPrint::outputNeverLandsOnTheData()
{
    TempProfile profile;
    Seed();
    const QString data = Engine::CurrentFolder();
    const QString database = data + QStringLiteral("kozeran.sqlite");
    const QString other = profile.root() + QStringLiteral("/other/");
    QVERIFY(QDir().mkpath(other));
    const QString text = profile.root() + QStringLiteral("/notes.txt");
    QFile notes(text);
    QVERIFY(notes.open(QIODevice::WriteOnly));
    notes.write("keep me");
    notes.close();
    QFile blocker(profile.root() + QStringLiteral("/file"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    Engine::CloseDatabase();
    const QByteArray before = Digest(database);

    const QList<QStringList> cases{
        Sheet(database) + QStringList{QStringLiteral("--data"), data},
        Sheet(data + QStringLiteral("../data/kozeran.sqlite")),
        // The configured data, while another folder is used for this run.
        Sheet(database) + QStringList{QStringLiteral("--data"), other},
        Sheet(data + QStringLiteral("backup/sheet.pdf")),
        Sheet(text),
        Sheet(profile.root() + QStringLiteral("/file/sheet.pdf")),
    };
    for (const QStringList& arguments : cases) {
        const Run run = Batch(arguments);
        QCOMPARE(run.code, 1);
        QCOMPARE(run.err.count(QLatin1Char('\n')), 1);
        QVERIFY2(run.err.contains(arguments.at(1)) && !run.err.contains(QStringLiteral(".part")),
                 qPrintable(run.err));
    }
    QCOMPARE(Digest(database), before);
    QVERIFY(!QFileInfo::exists(data + QStringLiteral("backup/sheet.pdf")));
    QCOMPARE(Digest(text), QCryptographicHash::hash("keep me", QCryptographicHash::Sha256));

    // Only finite numbers make a graph range.
    const QString pdf = profile.root() + QStringLiteral("/chart.pdf");
    for (const char* value : {"nan", "inf", "-inf"}) {
        const Run run =
            Batch(Sheet(pdf) + QStringList{QStringLiteral("--low"), QString::fromLatin1(value)});
        QCOMPARE(run.code, 1);
        QCOMPARE(
            run.err.trimmed(),
            QStringLiteral("--low には数値を指定してください: %1").arg(QString::fromLatin1(value)));
    }
    const Run high =
        Batch(Sheet(pdf) + QStringList{QStringLiteral("--high"), QStringLiteral("inf")});
    QCOMPARE(high.err.trimmed(), QStringLiteral("--high には数値を指定してください: inf"));
    QVERIFY(!QFileInfo::exists(pdf));
}

void TestBatchPrint::backupAndRestoreFromTheCommandLine()
{
    TempProfile profile;
    const QString data = profile.root() + QStringLiteral("/site/");
    QVERIFY(QDir().mkpath(data));
    Engine::OpenDatabase(data);
    Seed();
    Engine::OpenDatabase();

    const Run backup = Batch({QStringLiteral("--backup"), QStringLiteral("--data"), data});
    QCOMPARE(backup.code, 0);
    const QString written = backup.out.trimmed();
    QVERIFY2(written.startsWith(data + QStringLiteral("backup/kozeran-")) &&
                 QFileInfo::exists(written),
             qPrintable(backup.out + backup.err));

    Engine::OpenDatabase(data);
    Engine::Execute(QStringLiteral("delete from OndoLine4"));
    Engine::CloseDatabase();
    const Run restore =
        Batch({QStringLiteral("--restore"), written, QStringLiteral("--data"), data});
    QCOMPARE(restore.code, 0);
    QCOMPARE(restore.out.count(QLatin1Char('\n')), 1);
    Engine::OpenDatabase(data);
    Query lines(QStringLiteral("select count(*) as N from OndoLine4"));
    lines.Open();
    QCOMPARE(lines.FieldInt(QStringLiteral("N")), 24);
    Engine::CloseDatabase();

    // A file that is no backup is refused, and the data stays.
    QFile junk(profile.root() + QStringLiteral("/file"));
    QVERIFY(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(4096, 'x'));
    junk.close();
    const QByteArray before = Digest(data + QStringLiteral("kozeran.sqlite"));
    const Run refused =
        Batch({QStringLiteral("--restore"), profile.root() + QStringLiteral("/file"),
               QStringLiteral("--data"), data});
    QCOMPARE(refused.code, 1);
    QCOMPARE(refused.err.count(QLatin1Char('\n')), 1);
    QCOMPARE(Digest(data + QStringLiteral("kozeran.sqlite")), before);
    const Run both = Batch({QStringLiteral("--backup"), QStringLiteral("--restore"), written});
    QCOMPARE(both.code, 2);
}

ONDO_TEST_MAIN(TestBatchPrint, QGuiApplication)
#include "test_batchprint.moc"
