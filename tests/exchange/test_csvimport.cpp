#include "support/BatchRun.h"
#include "support/TestSupport.h"

#define REFERENCE_DIR ""
#include "app/cli/BatchPrint.h"
#include "core/AppError.h"
#include "exchange/CsvImport.h"
#include "reports/ReportFixture.h"
#include "storage/Backup.h"
#include "storage/Engine.h"

#include <QCoreApplication>
#include <QProcess>
#include <QStringEncoder>

namespace {

QByteArray Utf8(const char* text)
{
    return QByteArray(text);
}
QByteArray Sjis(const char* text)
{
    QStringEncoder e("CP932");
    return e.encode(QString::fromUtf8(text));
}

// Days as "date:label=value,…;…", for one comparison per file.
QString Dump(const QList<CsvDay>& days)
{
    QStringList out;
    for (const CsvDay& d : days) {
        QStringList readings;
        for (const Reading& r : d.Readings())
            readings << QStringLiteral("%1=%2").arg(r.Sokuten).arg(r.Ondo);
        out << d.day.toString(Qt::ISODate) + QLatin1Char(':') + readings.join(QLatin1Char(','));
    }
    return out.join(QLatin1Char(';'));
}

QString Write(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    const QString path = dir.filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return QString();
    f.write(bytes);
    return path;
}

int Count(const QString& table)
{
    Query q(QStringLiteral("select count(*) as N from ") + table);
    q.Open();
    return q.FieldInt(QStringLiteral("N"));
}

void Seed()
{
    PrepareTables();
    Engine::Execute(QStringLiteral("delete from OndoKubun"));
    AddCategory(0, QStringLiteral("練上温度"), QStringLiteral("時刻"));
    Query k(QStringLiteral("insert into Koji1 (Code, Kojimei) values ('K1', '県道工事')"));
    k.ExecSQL();
}

// A new database of the test server, by its address.
QString ServerDatabase(const QString& name)
{
    ServerAdmin(QStringLiteral("drop database if exists ") + name);
    ServerAdmin(QStringLiteral("create database ") + name);
    return TestServerUriFor(name);
}

const CsvTarget Target{QStringLiteral("K1"), QStringLiteral("密粒"), QStringLiteral("練上温度"),
                       QStringLiteral("山田")};

} // namespace

class TestCsvImport : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void readsTheFilesLoggersWrite_data();
    void readsTheFilesLoggersWrite();
    void badLinesAndColumns();
    void daysAreReadAgainFromTheFile();
    void importRegistersDays_data();
    void importRegistersDays();
    void commandLine();
    void hostileFilesEndInOneShortLine_data();
    void hostileFilesEndInOneShortLine();
    void longTextsAreRefusedNeverCut();
    void endlessStreamStopsAtTheLimit();
    void secondImportOfANewDayIsRefused_data();
    void secondImportOfANewDayIsRefused();
};

void TestCsvImport::readsTheFilesLoggersWrite_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("columns");
    QTest::addColumn<QString>("encoding");
    QTest::addColumn<QString>("separator");
    QTest::addColumn<QString>("names");
    QTest::addColumn<QString>("days");

    QTest::newRow("utf8 bom, titles, comma, seconds")
        << Utf8("\xEF\xBB\xBF記録計 TR-01\r\n測定開始,2024/03/31 07:00,1\r\n\r\n日時,温度\r\n"
                "2024/04/01 08:15:00,150.5\r\n2024/04/01 08:30:10,151\r\n")
        << QString() << "UTF-8"
        << ","
        << "日時|温度"
        << "2024-04-01:08:15=150.5,08:30=151";
    QTest::newRow("semicolon, decimal comma, ISO, two days")
        << Utf8("Zeit;Temp\n2024-04-01T08:15;150,5\n2024-04-01T09:00;149,0\n2024-04-02T07:05;148,"
                "25\n")
        << QString() << "UTF-8"
        << ";"
        << "Zeit|Temp"
        << "2024-04-01:08:15=150.5,09:00=149;2024-04-02:07:05=148.25";
    QTest::newRow("shift-jis, tab, date and time apart, full width, suffix")
        << Sjis("測定データ\n日付\t時刻\t温度\n2024/04/01\t8:15\t１５０．５℃\n2024/4/"
                "1\t８:４０\t152 ℃\n")
        << QString() << "Shift-JIS"
        << "\t"
        << "日付|時刻|温度"
        << "2024-04-01:08:15=150.5,08:40=152";
    QTest::newRow("no time: numbered, quoted decimal comma")
        << Utf8("No,日付,温度\n1,2024/04/03,\"160,5\"\n2,2024/04/03,\"161\"\n3,2024/04/04,-1\n")
        << QString() << "UTF-8"
        << ","
        << "No|日付|温度"
        << "2024-04-03:1=160.5,2=161;2024-04-04:1=-1";
    QTest::newRow("columns given: label, date+time")
        << Utf8("point,t,date,time,c\nA1,9,2024/05/01,10:00,155\n,8,2024/05/01,10:05,156\n")
        << "3+4,5,1"
        << "UTF-8"
        << ","
        << "point|t|date|time|c"
        << "2024-05-01:A1=155,10:05=156";
    QTest::newRow("CR line ends") << Utf8("日時,温度\r2024/04/01 08:15,150\r2024/04/01 08:16,151\r")
                                  << QString() << "UTF-8"
                                  << ","
                                  << "日時|温度"
                                  << "2024-04-01:08:15=150,08:16=151";
    QTest::newRow("columns given: temperature not the first number")
        << Utf8("2024/05/02 10:00,1,140\n2024/05/02 10:10,2,141\n") << "1,3"
        << "UTF-8"
        << ","
        << ""
        << "2024-05-02:10:00=140,10:10=141";
}

void TestCsvImport::readsTheFilesLoggersWrite()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, columns);
    const CsvTable table = ParseCsv(bytes);
    QFETCH(QString, encoding);
    QCOMPARE(table.encoding, encoding);
    QFETCH(QString, separator);
    QCOMPARE(QString(table.separator), separator);
    QFETCH(QString, names);
    QCOMPARE(table.Names().join(QLatin1Char('|')), names);
    QFETCH(QString, days);
    const CsvColumns c = columns.isEmpty() ? CsvColumns() : ParseColumnsOption(columns);
    QCOMPARE(Dump(CsvDays(table, c)), days);
}

void TestCsvImport::badLinesAndColumns()
{
    // A line that does not read names its number and text.
    const CsvTable table = ParseCsv(Utf8("日時,温度\n2024/04/01 08:15,150\n\n2024/04/01 08:20,1S0\n"
                                         "2024/04/01 08:25,151\n"));
    QCOMPARE(table.rows.at(table.firstData).line, 2);
    try {
        CsvDays(table);
        QFAIL("a bad line was read");
    } catch (const AppError& e) {
        QVERIFY2(e.message().contains(QStringLiteral("4 行目")), qPrintable(e.message()));
        QVERIFY2(e.message().contains(QStringLiteral("2024/04/01 08:20,1S0")),
                 qPrintable(e.message()));
    }
    // A file without one reading, a time column next to a date that has its time, a bad option.
    for (const auto& [bytes, columns] :
         {std::pair{Utf8("a,b\nc,d\n"), QString()},
          std::pair{Utf8("2024/04/01 08:00,08:00,150\n"), QStringLiteral("1+2,3")},
          std::pair{Utf8("2024/04/01,150\n"), QStringLiteral("1,0")},
          std::pair{Utf8("2024/04/01,150\n"), QStringLiteral("1+2+3,4")}}) {
        bool raised = false;
        try {
            CsvDays(ParseCsv(bytes),
                    columns.isEmpty() ? CsvColumns() : ParseColumnsOption(columns));
        } catch (const AppError&) {
            raised = true;
        }
        QVERIFY2(raised, bytes.constData());
    }
    // Impossible dates and times are not readings.
    QDate d;
    QTime t;
    bool timed = false;
    QVERIFY(!ParseCsvDateTime(QStringLiteral("2024/02/30 08:00"), &d, &t, &timed));
    QVERIFY(!ParseCsvDateTime(QStringLiteral("2024/02/01 25:00"), &d, &t, &timed));
    QVERIFY(ParseCsvDateTime(QStringLiteral("２０２４／０２／０１　０８:００"), &d, &t, &timed));
    QCOMPARE(QDateTime(d, t), QDateTime(QDate(2024, 2, 1), QTime(8, 0)));
}

// The file is read again for each day's readings when they are stored: a day met twice, a pipe
// and a file written again since it was shown each come out right.
void TestCsvImport::daysAreReadAgainFromTheFile()
{
    TempProfile profile;
    Seed();
    const QList<CsvDay> days =
        CsvDays(ParseCsv("2024/04/01 08:00,150\n2024/04/02 08:00,140\n\n2024/04/01 08:10,152.5\n"));
    QCOMPARE(Dump(days), QStringLiteral("2024-04-01:08:00=150,08:10=152.5;2024-04-02:08:00=140"));
    QCOMPARE(days.first().stats.count, 2);
    QCOMPARE(days.first().stats.average, 151.3);
    QCOMPARE(days.first().stats.maximum, 152.5);

    QTemporaryDir dir;
    const QString source = Write(dir, QStringLiteral("a.csv"), "2024/04/03 08:00,150\n");
    const QString pipe = dir.filePath(QStringLiteral("pipe"));
    QCOMPARE(QProcess::execute(QStringLiteral("mkfifo"), {pipe}), 0);
    QProcess writer;
    writer.start(QStringLiteral("sh"),
                 {QStringLiteral("-c"), QStringLiteral("cat \"$0\" > \"$1\""), source, pipe});
    QCOMPARE(Dump(CsvDays(ReadCsvFile(pipe))), QStringLiteral("2024-04-03:08:00=150"));
    QVERIFY(writer.waitForFinished());

    // A logger writing the file again while the dialog shows it: nothing of either is stored.
    const QString file = Write(dir, QStringLiteral("b.csv"), "2024/04/04 08:00,150\n");
    const QList<CsvDay> shown = CsvDays(ReadCsvFile(file));
    Write(dir, QStringLiteral("b.csv"), "2024/04/04 08:00,160\n");
    {
        // Written again at once, the clock may not have moved: it is moved for it.
        QFile again(file);
        QVERIFY(again.open(QIODevice::ReadWrite));
        QVERIFY(again.setFileTime(QDateTime::currentDateTime().addSecs(10),
                                  QFileDevice::FileModificationTime));
    }
    try {
        ImportCsvDays(shown, Target, false);
        QFAIL("a changed file was stored");
    } catch (const AppError& e) {
        QVERIFY2(e.message().contains(QStringLiteral("読み込んだ後で変更されています")),
                 qPrintable(e.message()));
    }
    QCOMPARE(Count(QStringLiteral("OndoHead4")), 0);
}

void TestCsvImport::importRegistersDays_data()
{
    QTest::addColumn<bool>("server");
    QTest::newRow("folder") << false;
    QTest::newRow("server") << true;
}

void TestCsvImport::importRegistersDays()
{
    QFETCH(bool, server);
    TempProfile profile;
    if (server)
        Engine::OpenDatabase(ServerDatabase(QStringLiteral("ondo_csv_days")));
    Seed();
    QByteArray csv("日時,温度\n");
    for (int i = 0; i < 3; ++i)
        csv += QStringLiteral("2024/04/01 08:%1,%2\n").arg(10 + i).arg(150.5 + i).toUtf8();
    csv += "2024/04/02 09:00,140\n2024/04/02 09:30,143\n";
    for (int i = 0; i < 1000; ++i)
        csv += QStringLiteral("2024/04/03 %1:%2,150\n")
                   .arg(6 + i / 60)
                   .arg(i % 60, 2, 10, QLatin1Char('0'))
                   .toUtf8();
    const QList<CsvDay> days = CsvDays(ParseCsv(csv));
    QCOMPARE(days.size(), 3);

    const CsvImportResult result = ImportCsvDays(days, Target, false);
    QCOMPARE(result.days, 2);
    QCOMPARE(result.readings, 5);
    QCOMPARE(result.refused.size(), 1);
    QVERIFY(result.refused.first().contains(QStringLiteral("2024/04/03")));
    QVERIFY(server || !Backup::List(Engine::CurrentFolder()).isEmpty());

    // Each day as 登録 stores it: readings, and the summary the main window shows.
    TOndoKanri r;
    LoadRecord(r, QStringLiteral("K1"), QStringLiteral("密粒"), 0,
               QDateTime(QDate(2024, 4, 1), QTime(0, 0)));
    QCOMPARE(r.Kosu, 3);
    QCOMPARE(r.MaxOndo, 152.5);
    QCOMPARE(r.MiniOndo, 150.5);
    QCOMPARE(r.AvgOndo, 151.5);
    QCOMPARE(r.Simei.Simei(), QStringLiteral("山田"));
    QCOMPARE(r.SpecInterval, QStringLiteral("時刻"));
    const QList<Reading> stored = TOndoKanri::ReadDay(
        QStringLiteral("K1"), 0, QDateTime(QDate(2024, 4, 2), QTime(0, 0)), QStringLiteral("密粒"));
    QCOMPARE(stored.size(), 2);
    QCOMPARE(stored.at(1).LNO, 2);
    QCOMPARE(stored.at(1).Sokuten, QStringLiteral("09:30"));
    QCOMPARE(stored.at(1).Ondo, 143.0);

    // A stored day is not overwritten without replace; with it, the day becomes the file's.
    const QList<CsvDay> again = CsvDays(ParseCsv("2024/04/05 10:00,130\n2024/04/02 10:00,141\n"));
    QCOMPARE(StoredCsvDays(again, Target), QList<QDate>{QDate(2024, 4, 2)});
    QVERIFY_THROWS_EXCEPTION(AppError, ImportCsvDays(again, Target, false));
    QCOMPARE(Count(QStringLiteral("OndoLine4")), 5);
    QCOMPARE(Count(QStringLiteral("OndoHead4")), 2);
    // What the day had besides its readings stays: its note and conditions. A phone's id on a
    // reading it replaces goes: the phone's later correction must not reach the file's reading.
    Engine::Execute(QStringLiteral("update OndoHead4 set Tekiyo = '雨天', Kion = '12.5' where "
                                   "Hiduke = '2024-04-02 00:00:00'"));
    Engine::Execute(QStringLiteral("update OndoLine4 set Uketuke = 'p-1' where LNO = 1 and "
                                   "Hiduke = '2024-04-02 00:00:00'"));
    // A reading left without its day (an old file's) does not join the new day of its date.
    Engine::Execute(QStringLiteral("insert into OndoLine4 (KanriID, Hiduke, LNO, Ondo) select ID, "
                                   "'2024-04-05 00:00:00', 7, 99 from OndoKanri4"));
    ImportCsvDays(again, Target, true);
    QCOMPARE(TOndoKanri::ReadDay(QStringLiteral("K1"), 0, QDateTime(QDate(2024, 4, 5), QTime(0, 0)),
                                 QStringLiteral("密粒")),
             (QList<Reading>{{1, QStringLiteral("10:00"), 130, QStringLiteral("10:00")}}));
    QCOMPARE(Count(QStringLiteral("OndoHead4")), 3);
    Query kept(QStringLiteral("select Tekiyo, Kion, Uketuke from OndoHead4 inner join OndoLine4 "
                              "on OndoLine4.KanriID = OndoHead4.KanriID and OndoLine4.Hiduke = "
                              "OndoHead4.Hiduke where OndoHead4.Hiduke = '2024-04-02 00:00:00'"));
    kept.Open();
    QCOMPARE(kept.FieldText(QStringLiteral("Tekiyo")) + kept.FieldText(QStringLiteral("Kion")) +
                 kept.FieldText(QStringLiteral("Uketuke")),
             QStringLiteral("雨天12.5"));
    QCOMPARE(TOndoKanri::ReadDay(QStringLiteral("K1"), 0, QDateTime(QDate(2024, 4, 2), QTime(0, 0)),
                                 QStringLiteral("密粒"))
                 .size(),
             1);

    // An unknown project or category stores nothing.
    for (CsvTarget t :
         {CsvTarget{QStringLiteral("K9"), Target.gozaiName, Target.kubunName, {}},
          CsvTarget{Target.kojiCode, Target.gozaiName, QStringLiteral("無い区分"), {}}})
        QVERIFY_THROWS_EXCEPTION(AppError, ImportCsvDays(days, t, true));
    QCOMPARE(Count(QStringLiteral("OndoLine4")), 5);
    if (server) {
        Engine::CloseDatabase();
        ServerAdmin(QStringLiteral("drop database ondo_csv_days"));
    }
}

void TestCsvImport::commandLine()
{
    TempProfile profile;
    Seed();
    QTemporaryDir dir;
    const QString good =
        Write(dir, QStringLiteral("good.csv"),
              Sjis("温度記録\n日付,時刻,温度\n2024/06/01,8:00,150\n2024/06/01,8:10,151\n"
                   "2024/06/02,8:00,149\n"));
    const QString bad =
        Write(dir, QStringLiteral("bad.csv"), Utf8("2024/06/03 08:00,150\n2024/06/03 08:10,---\n"));
    const QStringList target{QStringLiteral("--project"),  QStringLiteral("K1"),
                             QStringLiteral("--mix"),      QStringLiteral("密粒"),
                             QStringLiteral("--category"), QStringLiteral("練上温度")};

    Run run = Batch(QStringList{QStringLiteral("--import-csv"), good} + target);
    QCOMPARE(run.code, 0);
    QCOMPARE(run.out.trimmed(), QStringLiteral("取り込み: 2 日 3 件"));

    // Again without --replace, and a bad line: exit 1, one line, nothing stored.
    for (const QString& file : {good, bad}) {
        run = Batch(QStringList{QStringLiteral("--import-csv"), file} + target);
        QCOMPARE(run.code, 1);
        QCOMPARE(run.err.trimmed().count(QLatin1Char('\n')), 0);
        QCOMPARE(Count(QStringLiteral("OndoLine4")), 3);
    }
    QVERIFY(run.err.contains(QStringLiteral("2 行目")));

    run = Batch(QStringList{QStringLiteral("--import-csv"), good, QStringLiteral("--replace"),
                            QStringLiteral("--columns"), QStringLiteral("1+2,3"),
                            QStringLiteral("--measurer"), QStringLiteral("佐藤")} +
                target);
    QCOMPARE(run.code, 0);
    QCOMPARE(Count(QStringLiteral("OndoLine4")), 3);
    TOndoKanri r;
    LoadRecord(r, QStringLiteral("K1"), QStringLiteral("密粒"), 0,
               QDateTime(QDate(2024, 6, 1), QTime(0, 0)));
    QCOMPARE(r.Simei.Simei(), QStringLiteral("佐藤"));

    run = Batch(QStringList{QStringLiteral("--import-csv"), good, QStringLiteral("--project"),
                            QStringLiteral("K1")});
    QCOMPARE(run.code, 1);

    // Time, truck and remark columns; 0 for the label the file lacks. A new record takes its
    // category's range as its specified value.
    Engine::Execute(QStringLiteral("update OndoKubun set OndoRange = '160_180' where ID = 0"));
    const QString trucks = Write(
        dir, QStringLiteral("trucks.csv"),
        Utf8("日付,時刻,温度,車番,備考\n2024/06/05,8:00,150,12,\n2024/06/05,8:20,152,7,再\n"));
    run = Batch(QStringList{QStringLiteral("--import-csv"), trucks, QStringLiteral("--columns"),
                            QStringLiteral("1,3,0,2,4,5"), QStringLiteral("--project"),
                            QStringLiteral("K1"), QStringLiteral("--mix"), QStringLiteral("粗粒"),
                            QStringLiteral("--category"), QStringLiteral("練上温度")});
    QCOMPARE(run.err, QString());
    QCOMPARE(run.code, 0);
    Query q(QStringLiteral("select Jikoku, Syaryo, Biko, Kikakuti from OndoLine4 inner join "
                           "OndoKanri4 on OndoKanri4.ID = OndoLine4.KanriID where "
                           "GozaiName = '粗粒' order by LNO"));
    q.Open();
    QStringList rows;
    for (; !q.Eof(); q.Next())
        rows << q.FieldText(QStringLiteral("Jikoku")) + QLatin1Char('|') +
                    q.FieldText(QStringLiteral("Syaryo")) + QLatin1Char('|') +
                    q.FieldText(QStringLiteral("Biko"));
    QCOMPARE(rows, (QStringList{"08:00|12|", "08:20|7|再"}));
    Query kikaku(QStringLiteral("select Kikakuti from OndoKanri4 where GozaiName = '粗粒'"));
    kikaku.Open();
    QCOMPARE(kikaku.FieldText(QStringLiteral("Kikakuti")), QStringLiteral("160_180:160_180:時刻"));
}

// Files a careless logger, a typing person or an attacker hands the import: each ends in one
// short line naming the line, and nothing stored changes. A stored day is there to replace.
void TestCsvImport::hostileFilesEndInOneShortLine_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected");
    QTest::newRow("typo in the first reading")
        << Utf8("2024/06/01 08:00,15O\n2024/06/01 08:10,151\n2024/06/01 08:20,152\n")
        << "1 行目を読み取れません: 2024/06/01 08:00,15O";
    QTest::newRow("typo under the column names")
        << Utf8("記録計\n日時,温度\n2024/06/01 08:00,1５O\n2024/06/01 08:10,151\n")
        << "3 行目を読み取れません";
    QTest::newRow("one CP932 line in a UTF-8 file")
        << Utf8("日時,温度,測点\n2024/06/01 08:00,150,入口\n") + Sjis("2024/06/01 08:10,151,出口\n")
        << "文字コードが行によって違います（3 行目は UTF-8 ではありません）";
    QTest::newRow("average beyond the integer range")
        << Utf8("2024/06/01 08:00,150\n2024/06/01 08:10,3000000000\n")
        << "2 行目（「3000000000」は温度の範囲 (−20〜300 ℃) の外です）: 2024/06/01 08:10,";
    QTest::newRow("a missed decimal point")
        << Utf8("日時,温度\n2024/06/01 08:00,150\n2024/06/01 08:10,1505\n2024/06/01 08:20,151\n")
        << "3 行目（「1505」は温度の範囲 (−20〜300 ℃) の外です）: 2024/06/01 08:10,1505";
    QTest::newRow("three decimals")
        << Utf8("2024/06/01 08:00,150\n2024/06/01 08:10,150.125\n")
        << "2 行目（「150.125」は温度として読めません（小数は2桁まで））";
    QTest::newRow("an exponent") << Utf8("2024/06/01 08:00,150\n2024/06/01 08:10,1E3\n")
                                 << "2 行目を読み取れません";

    QTest::newRow("long unreadable line, quoted short")
        << Utf8("2024/06/01 08:00,150\n2024/06/01 08:10,") + QByteArray(3000, 'x') + "\n"
        << "2 行目を読み取れません: 2024/06/01 08:10,xxxxxxxxxx";
    QTest::newRow("line over the limit")
        << Utf8("2024/06/01 08:00,150\n") + QByteArray(100000, 'y') + "\n"
        << "2 行目が長すぎます";
    QTest::newRow("NUL in a label")
        << QByteArray("2024/06/01 08:00,150,a\0b\n", 25) << "1 行目に NUL 文字があります";
    QTest::newRow("UTF-16") << QByteArray("\xFF\xFE\x32\x00", 4) << "UTF-16 のファイルは読めません";
    QTest::newRow("a date before 1900")
        << Utf8("1899/12/30 08:00,150\n") << "1 行目の日付は 1900 年より前です";
}

void TestCsvImport::hostileFilesEndInOneShortLine()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    TempProfile profile;
    Seed();
    QTemporaryDir dir;
    const QString stored =
        Write(dir, QStringLiteral("stored.csv"),
              Utf8("2024/06/01 07:00,140\n2024/06/01 07:10,141\n2024/06/01 07:20,142\n"));
    const QStringList target{QStringLiteral("--project"),  QStringLiteral("K1"),
                             QStringLiteral("--mix"),      QStringLiteral("密粒"),
                             QStringLiteral("--category"), QStringLiteral("練上温度"),
                             QStringLiteral("--replace")};
    QCOMPARE(Batch(QStringList{QStringLiteral("--import-csv"), stored} + target).code, 0);

    const QString file = Write(dir, QStringLiteral("hostile.csv"), bytes);
    const Run run = Batch(QStringList{QStringLiteral("--import-csv"), file} + target);
    QCOMPARE(run.code, 1);
    QVERIFY2(run.err.startsWith(expected), qPrintable(run.err));
    QCOMPARE(run.err.count(QLatin1Char('\n')), 1);
    QVERIFY2(run.err.size() < 200, qPrintable(run.err));
    QCOMPARE(Count(QStringLiteral("OndoLine4")), 3);
    QCOMPARE(Count(QStringLiteral("OndoLine4")), 3);
    QCOMPARE(TOndoKanri::ReadDay(QStringLiteral("K1"), 0, QDateTime(QDate(2024, 6, 1), QTime(0, 0)),
                                 QStringLiteral("密粒"))
                 .constFirst()
                 .Ondo,
             140.0);
}

// A text longer than its column refuses the file, naming the line: it is never cut.
void TestCsvImport::longTextsAreRefusedNeverCut()
{
    TempProfile profile;
    Seed();
    QTemporaryDir dir;
    const QStringList withTrucks{QStringLiteral("--columns"),  QStringLiteral("1,3,0,2,4,5"),
                                 QStringLiteral("--project"),  QStringLiteral("K1"),
                                 QStringLiteral("--mix"),      QStringLiteral("密粒"),
                                 QStringLiteral("--category"), QStringLiteral("練上温度")};
    for (const auto& [text, why] :
         {std::pair{Utf8("日付,時刻,温度,車番\n2024/06/01,8:00,150,12\n2024/06/01,8:10,151,"
                         "12345678901234567\n"),
                    "3 行目（車番は16文字までです（17 文字あります））"},
          std::pair{QByteArray(Utf8("日付,時刻,温度,車番,備考\n2024/06/01,8:00,150,12,") +
                               QByteArray(65, 'r') + "\n"),
                    "2 行目（備考は64文字までです（65 文字あります））"}}) {
        const QString longer = Write(dir, QStringLiteral("longer.csv"), text);
        const Run refused = Batch(QStringList{QStringLiteral("--import-csv"), longer} + withTrucks);
        QCOMPARE(refused.code, 1);
        QVERIFY2(refused.err.startsWith(QString::fromUtf8(why)), qPrintable(refused.err));
    }
    QCOMPARE(Count(QStringLiteral("OndoLine4")), 0);
}

// A file without end (/dev/zero) stops at the stated size, in a process whose memory is
// limited to well below what reading it whole would take; a file of one encoding is read.
void TestCsvImport::endlessStreamStopsAtTheLimit()
{
    TempProfile profile;
    Seed();
    QProcess run;
    run.start(QStringLiteral("sh"),
              {QStringLiteral("-c"),
               QStringLiteral("ulimit -v 1500000; exec \"$0\" --import-csv /dev/zero --project K1 "
                              "--mix 密粒 --category 練上温度 --data \"$1\""),
               QStringLiteral(ONDOKANRI_PROGRAM), Engine::CurrentFolder()});
    QVERIFY(run.waitForFinished(60000));
    const QString err = QString::fromUtf8(run.readAllStandardError()).trimmed();
    QCOMPARE(run.exitCode(), 1);
    QCOMPARE(err,
             QStringLiteral("ファイル '/dev/zero' は大きすぎます（%1 MB まで）。ファイルを分けて"
                            "取り込んでください")
                 .arg(MaxCsvBytes / (1024 * 1024)));
    QCOMPARE(Count(QStringLiteral("OndoLine4")), 0);

    // Just over the limit, in lines that read, is refused the same way; just under is read.
    QTemporaryDir dir;
    QByteArray lines;
    while (lines.size() <= MaxCsvBytes)
        lines += "2024/06/01 08:00,150\n";
    const QString over = Write(dir, QStringLiteral("over.csv"), lines);
    QVERIFY_THROWS_EXCEPTION(AppError, ReadCsvFile(over));
    QCOMPARE(
        ReadCsvFile(Write(dir, QStringLiteral("utf8.csv"), Utf8("日時,温度\n") + lines.left(2100)))
            .encoding,
        QStringLiteral("UTF-8"));
}

// Two imports of the same new day, each in its own process and neither replacing: one is
// stored, the other is refused, whatever order the lock gives them. They are started while
// this test holds the write lock, so that both are waiting when it is let go.
void TestCsvImport::secondImportOfANewDayIsRefused_data()
{
    QTest::addColumn<bool>("server");
    QTest::newRow("folder") << false;
    QTest::newRow("server") << true;
}

void TestCsvImport::secondImportOfANewDayIsRefused()
{
    QFETCH(bool, server);
    TempProfile profile;
    QString location = Engine::CurrentFolder();
    if (server) {
        location = ServerDatabase(QStringLiteral("ondo_csv_race"));
        Engine::OpenDatabase(location);
    }
    Seed();
    QTemporaryDir dir;
    QList<std::shared_ptr<QProcess>> imports;
    {
        Transaction tx;
        Engine::LockForNewID(QStringLiteral("OndoKanri4"));
        Query taken(QStringLiteral("select count(*) as N from OndoKanri4"));
        taken.Open(); // the server's lock goes out with the next statement
        for (const int temperature : {150, 160}) {
            const QString file = Write(dir, QStringLiteral("%1.csv").arg(temperature),
                                       QStringLiteral("2024/07/01 08:00,%1\n2024/07/01 08:10,%1\n")
                                           .arg(temperature)
                                           .toUtf8());
            auto import = std::make_shared<QProcess>();
            import->start(QStringLiteral(ONDOKANRI_PROGRAM),
                          {QStringLiteral("--import-csv"), file, QStringLiteral("--project"),
                           QStringLiteral("K1"), QStringLiteral("--mix"), QStringLiteral("密粒"),
                           QStringLiteral("--category"), QStringLiteral("練上温度"),
                           QStringLiteral("--data"), location});
            QVERIFY(import->waitForStarted());
            imports << import;
        }
        // Both wait for the lock held here: on a server each shows in pg_locks as not granted;
        // on a data file each sleeps in SQLite's busy handler, an import's one sleep.
        const auto waiting = [&] {
            if (server) {
                Query locks(QStringLiteral("select count(*) as N from pg_locks where not granted"));
                locks.Open();
                return locks.FieldInt(QStringLiteral("N")) >= 2;
            }
            int asleep = 0;
            for (const auto& import : imports) {
                QFile call(QStringLiteral("/proc/%1/syscall").arg(import->processId()));
                if (call.open(QIODevice::ReadOnly)) {
                    const QByteArray number = call.readAll().split(' ').value(0).trimmed();
                    asleep += number == "35" || number == "230"; // nanosleep, clock_nanosleep
                }
            }
            return asleep == 2;
        };
        QTRY_VERIFY_WITH_TIMEOUT(waiting(), 20000);
    }
    QStringList errors;
    int stored = 0;
    for (const auto& import : imports) {
        QVERIFY(import->waitForFinished(30000));
        if (import->exitCode() == 0)
            ++stored;
        else
            errors << QString::fromUtf8(import->readAllStandardError()).trimmed();
    }
    QCOMPARE(stored, 1);
    QCOMPARE(errors.size(), 1);
    QVERIFY2(
        errors.first().startsWith(QStringLiteral("試験日 2024/07/01 はすでに登録されています")),
        qPrintable(errors.first()));
    const QList<Reading> day = TOndoKanri::ReadDay(
        QStringLiteral("K1"), 0, QDateTime(QDate(2024, 7, 1), QTime(0, 0)), QStringLiteral("密粒"));
    QCOMPARE(day.size(), 2);
    QCOMPARE(day.at(0).Ondo, day.at(1).Ondo); // one file's day, not a mix of both
    if (server) {
        Engine::CloseDatabase();
        ServerAdmin(QStringLiteral("drop database ondo_csv_race"));
    }
}

ONDO_TEST_MAIN(TestCsvImport, QCoreApplication)
#include "test_csvimport.moc"
