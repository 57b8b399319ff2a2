#include "StorageFixture.h"
#include "storage/Backup.h"
#include "storage/SqlError.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QTemporaryDir>
#include <sys/file.h>

// What a backup, a restore and a server refusal do with a file or words made elsewhere.
class TestBackupSafety : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void restoreTakesOnlyOurTablesAndRows();
    void backupFreshnessIsTheDataNotTheClock();
    void serverFaultsReadAsOneJapaneseLine();
};

// A backup that carries more than our tables and rows: a trigger that warms every later
// reading, a view, another table, an undeclared column are refused with the data untouched;
// a constraint inside a table's own definition does not come back with the rows.
void TestBackupSafety::restoreTakesOnlyOurTablesAndRows()
{
    TempProfile profile;
    seed();
    const QStringList seeded = dump();
    const QString clean = Backup::Write(Engine::CurrentFolder());
    QTemporaryDir dir;
    const struct
    {
        const char* sql;
        const char* named;
    } extras[] = {
        {"create trigger warm after insert on OndoLine4 begin update OndoLine4 set Ondo = Ondo "
         "+ 20 where rowid = new.rowid; end",
         "トリガー warm"},
        {"create trigger purge after insert on OndoHead4 begin delete from OndoHead4 where "
         "Hiduke <> new.Hiduke; end",
         "トリガー purge"},
        {"create view Days as select * from OndoHead4", "ビュー Days"},
        {"create table Notes (X integer)", "表 Notes"},
        {"alter table OndoLine4 add Extra integer", "列 OndoLine4.Extra"},
    };
    const QByteArray data = digest(dataFile());
    for (const auto& extra : extras) {
        const QString hostile = dir.filePath(QString::fromLatin1(extra.named).section(' ', 1));
        QVERIFY(QFile::copy(clean, hostile));
        makeDatabase(hostile, {QString::fromUtf8(extra.sql)});
        const QString message = errorOf([&] { Backup::Restore(hostile); });
        QVERIFY2(message.contains(QString::fromUtf8(extra.named)) &&
                     message.contains(QStringLiteral("復元できません")),
                 qPrintable(message));
        QCOMPARE(digest(dataFile()), data);
    }

    // Our tables, one with a CHECK that would refuse every later reading over 155.
    const QString checked = dir.filePath(QStringLiteral("checked.sqlite"));
    QStringList statements;
    for (const Schema::Table& t : Schema::Tables()) {
        QString create = Engine::CreateTableStatement(t.name, t.columns, false);
        if (t.name == QLatin1String("OndoLine4"))
            create.insert(create.size() - 1, QStringLiteral(", check (Ondo < 155)"));
        statements << create;
    }
    statements << QStringLiteral("attach database '%1' as clean").arg(clean);
    for (const Schema::Table& t : Schema::Tables())
        statements << QStringLiteral("insert into main.%1 select * from clean.%1").arg(t.name);
    makeDatabase(checked, statements);
    exec(QStringLiteral("delete from OndoLine4"));
    QVERIFY2(errorOf([&] { Backup::Restore(checked); }).isEmpty(), "a constraint is not refused");
    QCOMPARE(dump(), seeded);
    exec(QStringLiteral("insert into OndoLine4 (KanriID,Hiduke,LNO,Sokuten,Ondo) "
                        "values (1,'2024-04-03 00:00:00',1,'1',170)"));
    Query warm(QStringLiteral("select Ondo from OndoLine4 where Hiduke = '2024-04-03 00:00:00'"));
    warm.Open();
    QCOMPARE(warm.FieldDouble(QStringLiteral("Ondo")), 170.0);
}

// Whether the data changed since the newest backup is read from the data, not from clocks:
// a backup dated in the future stops nothing, a touched file takes no backup, and a part
// left by an interrupted backup goes with the next one (one still being written stays).
void TestBackupSafety::backupFreshnessIsTheDataNotTheClock()
{
    TempProfile profile;
    const QString folder = Engine::CurrentFolder();
    seed();
    const QString first = Backup::WriteIfChanged(folder);
    QVERIFY(!first.isEmpty());
    {
        QFile future(first);
        QVERIFY(future.open(QIODevice::ReadWrite));
        QVERIFY(future.setFileTime(QDateTime(QDate(2099, 1, 1), QTime(0, 0)),
                                   QFileDevice::FileModificationTime));
    }
    exec(QStringLiteral("insert into SIMEI (SIMEI,FURIGANA) values ('佐藤','さとう')"));
    const QString second = Backup::WriteIfChanged(folder);
    QVERIFY2(!second.isEmpty() && second != first, "a change after a future-dated backup");
    QCOMPARE(Backup::WriteIfChanged(folder), QString());
    {
        QFile touched(dataFile());
        QVERIFY(touched.open(QIODevice::ReadWrite));
        QVERIFY(touched.setFileTime(QDateTime::currentDateTime().addSecs(3600),
                                    QFileDevice::FileModificationTime));
    }
    QCOMPARE(Backup::WriteIfChanged(folder), QString());

    const QString backups = Backup::FolderOf(folder);
    const QString left = backups + QStringLiteral("kozeran-20240101-000000.sqlite.part");
    const QString writing = backups + QStringLiteral("kozeran-20240101-000001.sqlite.part");
    for (const QString& part : QStringList{left, left + QStringLiteral("-journal"), writing}) {
        QFile f(part);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    QFile held(writing);
    QVERIFY(held.open(QIODevice::ReadOnly));
    QCOMPARE(::flock(held.handle(), LOCK_EX), 0);
    QVERIFY(!Backup::Write(folder).isEmpty());
    QVERIFY(!QFileInfo::exists(left));
    QVERIFY(!QFileInfo::exists(left + QStringLiteral("-journal")));
    QVERIFY(QFileInfo::exists(writing));
}

// The server's own words, English and several lines long, never reach a person as they are.
void TestBackupSafety::serverFaultsReadAsOneJapaneseLine()
{
    const QString server = QStringLiteral("postgresql://ondo@db.example/kozeran");
    const struct
    {
        const char* state;
        QString detail;
        const char* words;
    } cases[] = {
        {"42501",
         QStringLiteral("ERROR:  permission denied for schema public\nLINE 1: create table"),
         "権限"},
        {"",
         QStringLiteral("server closed the connection unexpectedly\n\tThis probably means the "
                        "server terminated abnormally\n\tbefore or while processing the request."),
         "接続が切れました"},
        {"22021", QStringLiteral("ERROR:  invalid byte sequence for encoding \"UTF8\": 0x00"),
         "保存できない文字"},
    };
    for (const auto& c : cases) {
        const QString message =
            ServerErrorMessage(QString::fromLatin1(c.state), c.detail, server, nullptr);
        QVERIFY2(message.contains(QString::fromUtf8(c.words)), qPrintable(message));
        QVERIFY2(!message.contains(QLatin1Char('\n')) && !message.contains(QStringLiteral("ERROR")),
                 qPrintable(message));
        QVERIFY2(message.startsWith(QStringLiteral("サーバー db.example:5432/kozeran ")),
                 qPrintable(message));
    }
    // What is not known keeps a short clue of the server's words on a second line.
    const QString unknown =
        ServerErrorMessage(QStringLiteral("XX000"),
                           QStringLiteral("internal\n") + QString(5000, 'e'), server, nullptr);
    QCOMPARE(unknown, QStringLiteral("サーバー db.example:5432/kozeran でエラーが発生しました。\n"
                                     "（internal）"));
}

ONDO_TEST_MAIN(TestBackupSafety, QCoreApplication)
#include "test_backupsafety.moc"
