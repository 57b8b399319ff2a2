#include "StorageFixture.h"
#include "app/DialogWiring.h"
#include "core/AppError.h"
#include "core/Settings.h"
#include "domain/DayEntry.h"
#include "entry_ui/EditOndoData.h"
#include "settings_ui/RestoreBackup.h"
#include "storage/Backup.h"
#include "storage/DataFile.h"
#include "storage/Engine.h"
#include "storage/Query.h"
#include "storage/Schema.h"
#include "storage/SqlError.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTableWidget>
#include <QTimer>

namespace {

// Answers the next modal window (a message box or dialog) with `act`, once it is up.
void answerModal(std::function<void(QWidget*)> act)
{
    QTimer::singleShot(0, [act] {
        QWidget* w = QApplication::activeModalWidget();
        if (!w) {
            answerModal(act);
            return;
        }
        act(w);
    });
}

void pressYes(QWidget* w)
{
    auto* box = qobject_cast<QMessageBox*>(w);
    QVERIFY(box);
    box->button(QMessageBox::Yes)->click();
}

} // namespace

class TestStorage : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void storageFaultsReadAsJapaneseNamingTheFolder();
    void realFullDiskOnSmallTmpfs();
    void tablesOfANewFileComeInOneTransaction();
    void foreignDamagedAndIncompleteFilesAreLeftUntouched();
    void damagedFileAtStartOffersTheNewestBackup();
    void aFileChangedSinceItsCheckIsCheckedAgain();
    void backupsRotateAndSkipUnchangedData();
    void restoreRoundTripsEveryTableAndRefusesDamagedBackups();
    void restoreFromTheMenuShowsAnEmptyRecord();
};

void TestStorage::storageFaultsReadAsJapaneseNamingTheFolder()
{
    const QString folder = QStringLiteral("/srv/data/");
    const struct
    {
        int code;
        const char* words;
    } cases[] = {{13, "空きがない"},
                 {8, "書き込めません"},
                 {5, "他のプログラムが使用中"},
                 {6, "他のプログラムが使用中"},
                 {778, "ネットワーク"},
                 {11, "壊れている"},
                 {26, "壊れている"},
                 {14, "開けません"},
                 {3, "書き込めません"}};
    for (const auto& c : cases) {
        const QString message = errorOf([&] {
            RaiseSqlError(QSqlError(QStringLiteral("Unable to fetch row"),
                                    QStringLiteral("engine says"), QSqlError::StatementError,
                                    QString::number(c.code)),
                          folder);
        });
        const QStringList lines = message.split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 2);
        QVERIFY2(lines[0].contains(QString::fromUtf8(c.words)) && lines[0].contains(folder),
                 qPrintable(message));
        QVERIFY2(lines[1].contains(QStringLiteral("engine says")), qPrintable(message));
    }
    // A statement the engine refuses: a Japanese line, the engine's words cut short after it.
    const QString refused = SqlErrorMessage(
        1, QStringLiteral("no such column: X\n") + QString(500, QLatin1Char('x')), folder);
    QVERIFY2(refused.startsWith(QStringLiteral("データフォルダ /srv/data/ ")), qPrintable(refused));
    QCOMPARE(refused.split(QLatin1Char('\n')).value(1), QStringLiteral("（no such column: X）"));

    // The engine's own full-disk error on a register, without filling a disk.
    TempProfile profile;
    TOndoKanri::CreateTables();
    Engine::Execute(QStringLiteral("pragma max_page_count = 12"));
    const QString message = errorOf([] {
        Transaction tx;
        Query ins(QStringLiteral(
            "insert into OndoLine4 (KanriID,Hiduke,LNO,Sokuten,Ondo) values (1,'',:A,:B,150)"));
        for (int i = 0; i < 5000; ++i) {
            ins.BindInt(QStringLiteral("A"), i);
            ins.BindText(QStringLiteral("B"), QString(40, QLatin1Char('x')));
            ins.ExecSQL();
        }
        tx.Commit();
    });
    QVERIFY2(message.startsWith(QStringLiteral("データフォルダ %1 のディスクに空きがない")
                                    .arg(Engine::CurrentFolder())),
             qPrintable(message));
    QVERIFY(message.contains(QStringLiteral("full")));
}

void TestStorage::realFullDiskOnSmallTmpfs()
{
    QTemporaryDir mountPoint;
    if (QProcess::execute(QStringLiteral("mount"),
                          {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                           QStringLiteral("size=96k"), QStringLiteral("tmpfs"),
                           mountPoint.path()}) != 0)
        QSKIP("a real full disk needs root and the right to mount a small tmpfs; the mapping is "
              "tested above");
    struct Unmount
    {
        QString path;
        ~Unmount()
        {
            Engine::CloseDatabase();
            QProcess::execute(QStringLiteral("umount"), {path});
        }
    } unmount{mountPoint.path()};
    TempProfile profile;
    Engine::OpenDatabase(mountPoint.path());
    TOndoKanri::CreateTables();
    QString message;
    for (int day = 1; day < 400 && message.isEmpty(); ++day) {
        message = errorOf([day] {
            Transaction tx;
            Query ins(QStringLiteral("insert into OndoLine4 (KanriID,Hiduke,LNO,Sokuten,Ondo) "
                                     "values (1,:D,:A,'測点',150)"));
            ins.BindText(QStringLiteral("D"), QString::number(day));
            for (int i = 1; i <= 100; ++i) {
                ins.BindInt(QStringLiteral("A"), i);
                ins.ExecSQL();
            }
            tx.Commit();
        });
    }
    QVERIFY2(message.contains(QStringLiteral("空きがない")) && message.contains(mountPoint.path()),
             qPrintable(message));
    // What was committed before stays readable.
    QVERIFY(DataFile::Inspect(mountPoint.path() + QStringLiteral("/kozeran.sqlite")).state ==
            DataFile::State::Ours);
}

void TestStorage::tablesOfANewFileComeInOneTransaction()
{
    TempProfile profile;
    // Room for a few tables only: creation fails part-way.
    Engine::Execute(QStringLiteral("pragma max_page_count = 6"));
    const QString message = errorOf([] { TOndoKanri::CreateTables(); });
    QVERIFY2(message.contains(QStringLiteral("空きがない")), qPrintable(message));
    QSqlQuery q(Engine::Database());
    QVERIFY(q.exec(QStringLiteral("select count(*) from sqlite_master")) && q.next());
    QCOMPARE(q.value(0).toInt(), 0);

    Engine::Execute(QStringLiteral("pragma max_page_count = 100000"));
    TOndoKanri::CreateTables();
    Query kubun(QStringLiteral("select count(*) as N from OndoKubun"));
    kubun.Open();
    QCOMPARE(kubun.FieldInt(QStringLiteral("N")), 2);
    // What the program creates is what the file check expects.
    const DataFile::Inspection ins = DataFile::Inspect(dataFile());
    QVERIFY(ins.state == DataFile::State::Ours);
    QCOMPARE(ins.missingTables, QStringList());
}

void TestStorage::foreignDamagedAndIncompleteFilesAreLeftUntouched()
{
    TempProfile profile;
    const QString folder = profile.root() + QStringLiteral("/site/");
    const QString file = folder + QStringLiteral("kozeran.sqlite");
    QVERIFY(QDir().mkpath(folder));
    const auto writeFile = [&](const QByteArray& bytes) {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    };
    const auto refused = [&](const QString& expected) {
        const QByteArray before = digest(file);
        const QString message = errorOf([&] { Engine::OpenDatabase(folder); });
        QVERIFY2(message.contains(file) && message.contains(expected), qPrintable(message));
        QCOMPARE(digest(file), before);
        QVERIFY(!QFileInfo::exists(folder + QStringLiteral("backup")));
    };

    // Random bytes and a truncated database.
    writeFile(QByteArray(3000, '\x5a'));
    refused(QStringLiteral("壊れているか、データベースではありません"));
    QFile::remove(file);
    Engine::OpenDatabase(folder);
    seed();
    Engine::CloseDatabase();
    QFile whole(file);
    QVERIFY(whole.open(QIODevice::ReadOnly));
    const QByteArray bytes = whole.readAll();
    whole.close();
    writeFile(bytes.left(bytes.size() / 2));
    refused(QStringLiteral("壊れているか、データベースではありません"));

    // Our table without some of its columns: named, nothing created.
    QFile::remove(file);
    makeDatabase(
        file,
        {QStringLiteral("create table OndoHead4 (KanriID integer, Hiduke datetime, Kosu integer)"),
         QStringLiteral("create table Koji1 (CODE varchar(8), KOJIMEI varchar(64))")});
    refused(
        QStringLiteral("テーブル OndoHead4 に列 MaxOndo, MiniOndo, AvgOndo, Tekiyoがありません"));

    // Another program's database: refused unless the question agrees, then backed up first.
    QFile::remove(file);
    makeDatabase(file, {QStringLiteral("create table Customers (Name text)"),
                        QStringLiteral("insert into Customers values ('a')")});
    refused(QStringLiteral("温度管理のデータベースではありません"));
    QStringList asked;
    Engine::SetFileQuestion([&asked](const DataFile::Inspection& ins) {
        asked << ins.tables;
        return true;
    });
    Engine::OpenDatabase(folder);
    Engine::SetFileQuestion(nullptr);
    QCOMPARE(asked, QStringList{QStringLiteral("Customers")});
    const QList<Backup::Entry> backups = Backup::List(folder);
    QCOMPARE(backups.size(), 1);
    TOndoKanri::CreateTables();
    QVERIFY(DataFile::Inspect(file).state == DataFile::State::Ours);
    QVERIFY(DataFile::Inspect(backups.first().file).tables ==
            QStringList{QStringLiteral("Customers")});
}

void TestStorage::damagedFileAtStartOffersTheNewestBackup()
{
    TempProfile profile;
    seed();
    const QStringList seeded = dump();
    const QString backup = Backup::Write(Engine::CurrentFolder());
    const QString folder = Engine::CurrentFolder();
    Engine::CloseDatabase();
    QFile f(folder + QStringLiteral("kozeran.sqlite"));
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(QByteArray(5000, '\x01'));
    f.close();

    InstallFileQuestions();
    QString question;
    answerModal([&question](QWidget* w) {
        question = qobject_cast<QMessageBox*>(w)->text();
        pressYes(w);
    });
    Engine::OpenDatabase();
    Engine::SetFileQuestion(nullptr);
    QVERIFY2(question.contains(QDir::toNativeSeparators(backup)), qPrintable(question));
    QCOMPARE(dump(), seeded);
    // The damaged file itself is kept beside the backups.
    QCOMPARE(QDir(Backup::FolderOf(folder)).entryList({QStringLiteral("*.damaged")}).size(), 1);
}

void TestStorage::aFileChangedSinceItsCheckIsCheckedAgain()
{
    TempProfile profile;
    seed();
    const QString file = dataFile();
    Engine::CloseDatabase();
    QVERIFY(DataFile::Inspect(file).state == DataFile::State::Ours);
    QVERIFY(DataFile::Inspect(file).state == DataFile::State::Ours);

    // A page of readings overwritten in place by someone else: same size, schema intact.
    QFile f(file);
    QVERIFY(f.open(QIODevice::ReadWrite));
    const QByteArray header = f.read(100);
    const int pageSize = (uchar(header[16]) << 8) | uchar(header[17]);
    const QDateTime modified = QFileInfo(file).lastModified();
    QVERIFY(f.seek(f.size() - pageSize));
    f.write(QByteArray(pageSize, '\x5a'));
    f.close();
    QVERIFY(f.open(QIODevice::ReadWrite));
    QVERIFY(f.setFileTime(modified.addSecs(2), QFileDevice::FileModificationTime));
    f.close();
    QVERIFY(DataFile::Inspect(file).state == DataFile::State::Damaged);
}

void TestStorage::backupsRotateAndSkipUnchangedData()
{
    TempProfile profile;
    const QString folder = Engine::CurrentFolder();
    QCOMPARE(Backup::WriteIfChanged(folder), QString()); // an empty file has nothing to keep
    seed();
    TSettings::SetText(QStringLiteral("BackupKeep"), QStringLiteral("3"));
    const QString first = Backup::WriteIfChanged(folder);
    QVERIFY(QFileInfo(first).fileName().contains(
        QRegularExpression(QStringLiteral("^kozeran-\\d{8}-\\d{6}\\.sqlite$"))));
    QCOMPARE(Backup::WriteIfChanged(folder), QString()); // unchanged since
    QStringList written{first};
    for (int i = 0; i < 4; ++i) {
        exec(QStringLiteral("insert into SIMEI (SIMEI,FURIGANA) values ('%1','')").arg(i));
        const QString next = Backup::WriteIfChanged(folder);
        QVERIFY(!next.isEmpty() && !written.contains(next));
        written << next;
    }
    const QList<Backup::Entry> kept = Backup::List(folder, true);
    QCOMPARE(kept.size(), 3);
    QCOMPARE(kept.first().file, written.last());
    QCOMPARE(kept.last().file, written.at(2));
    QVERIFY(kept.first().healthy);
    QCOMPARE(kept.first().records, 1);
    QCOMPARE(kept.first().days, 2);
    QCOMPARE(kept.first().readings, 4);

    TSettings::SetText(QStringLiteral("BackupKeep"), QStringLiteral("0"));
    exec(QStringLiteral("delete from SIMEI"));
    QCOMPARE(Backup::WriteIfChanged(folder), QString());
    QCOMPARE(Backup::List(folder).size(), 3);
}

void TestStorage::restoreRoundTripsEveryTableAndRefusesDamagedBackups()
{
    TempProfile profile;
    seed();
    const QStringList seeded = dump();
    const QString backup = Backup::Write(Engine::CurrentFolder());
    exec(QStringLiteral("delete from OndoLine4"));
    exec(QStringLiteral("update OndoKubun set KubunName = '変更'"));
    exec(QStringLiteral("insert into Koji1 (CODE,KOJIMEI) values ('K2','後から')"));

    const QString kept = Backup::Restore(backup);
    QCOMPARE(dump(), seeded);
    QVERIFY(kept != backup);
    QCOMPARE(DataFile::CountRows(kept).readings, 0); // the replaced data was kept first

    // A damaged backup changes nothing, not even the backup folder.
    const QString damaged = Backup::FolderOf(Engine::CurrentFolder()) +
                            QStringLiteral("kozeran-20000101-000000.sqlite");
    QFile bad(damaged);
    QVERIFY(bad.open(QIODevice::WriteOnly));
    QFile good(backup);
    QVERIFY(good.open(QIODevice::ReadOnly));
    bad.write(good.read(good.size() / 3));
    bad.close();
    const QStringList before =
        QDir(Backup::FolderOf(Engine::CurrentFolder())).entryList(QDir::Files);
    const QByteArray bytes = digest(dataFile());
    const QString message = errorOf([&] { Backup::Restore(damaged); });
    QVERIFY2(message.contains(QDir::toNativeSeparators(damaged)) &&
                 message.contains(QStringLiteral("復元できません")),
             qPrintable(message));
    QCOMPARE(digest(dataFile()), bytes);
    QCOMPARE(QDir(Backup::FolderOf(Engine::CurrentFolder())).entryList(QDir::Files), before);
    QCOMPARE(dump(), seeded);
}

void TestStorage::restoreFromTheMenuShowsAnEmptyRecord()
{
    TempProfile profile;
    seed();
    const QString backup = Backup::Write(Engine::CurrentFolder());
    exec(QStringLiteral("delete from OndoHead4"));

    TDayEntry entry;
    TfEditOndoData window(entry, {}, {});
    TfRestoreBackup dialog(&window);
    ConnectRestoreDialog(window, &dialog);
    entry.SetKojiCode(QStringLiteral("K1"));
    auto* item = window.findChild<QAction*>(QStringLiteral("RestoreItem"));
    QVERIFY(item && item->isEnabled());
    QCOMPARE(item->text(), QStringLiteral("バックアップから復元…"));

    QStringList row;
    answerModal([&](QWidget* w) {
        QCOMPARE(w, &dialog);
        QCOMPARE(dialog.ListView1->rowCount(), 1);
        for (int c = 0; c < dialog.ListView1->columnCount(); ++c)
            row << dialog.ListView1->item(0, c)->text();
        answerModal(pressYes);
        dialog.BitBtn1->click();
    });
    item->trigger();
    QCOMPARE(row.mid(2), (QStringList{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("4"),
                                      QStringLiteral("正常")}));
    QCOMPARE(dialog.RestoredFrom(), backup);
    QCOMPARE(DataFile::CountRows(dataFile()).days, 2);
    QCOMPARE(entry.Header().kojiCode, QString());
    QCOMPARE(entry.ShownId(), 0);
}

ONDO_TEST_MAIN(TestStorage, QApplication)
#include "test_storage.moc"
