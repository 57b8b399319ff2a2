#include "core/AppError.h"
#include "domain/OndoKubun.h"
#include "settings_ui/DataLocation.h"
#include "settings_ui/SetDataPath.h"
#include "storage/Backup.h"
#include "storage/Engine.h"
#include "storage/Query.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>
#include <QUrl>

namespace {

// Runs `action` on the dialog once it is shown modally; a message box shown after it
// (by the command) is closed and its text kept in `message`.
void onDialog(std::function<void(TfSetDataPath*)> action, QString* message = nullptr,
              QString* detail = nullptr)
{
    QTimer::singleShot(0, [action, message, detail] {
        auto* d = qobject_cast<TfSetDataPath*>(QApplication::activeModalWidget());
        QVERIFY(d);
        if (message)
            QTimer::singleShot(0, [message, detail] {
                if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                    *message = box->text();
                    if (detail)
                        *detail = box->informativeText();
                    box->accept();
                }
            });
        action(d);
    });
}

// Clicks `button` and returns the text of the message box it opens.
QString boxAfter(QPushButton* button)
{
    QString text;
    QTimer::singleShot(0, [&text] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            text = box->text() + QLatin1Char('|') + box->informativeText();
            box->accept();
        }
    });
    button->click();
    return text;
}

QStringList categoryNames()
{
    QStringList names;
    TOndoKubun().GetKubunNames(names);
    return names;
}

} // namespace

class TestDataLocation : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void okWithoutBrowsingKeepsFolder()
    {
        TempProfile profile;
        const QString folder = Engine::GetAliasPath();
        TOndoKubun().CheckTable();
        Query(QStringLiteral("delete from OndoKubun where ID = 1")).ExecSQL();
        TfSetDataPath dialog;
        dialog.Edit1->setReadOnly(false);
        onDialog([folder](TfSetDataPath* d) {
            QCOMPARE(d->Edit1->text(), QDir::toNativeSeparators(folder));
            d->Edit1->setText(QStringLiteral("/typed/elsewhere")); // not used
            d->BitBtn1->click();
        });
        QVERIFY(RunDataLocation(dialog, nullptr));
        QCOMPARE(Engine::GetAliasPath(), folder);
        QCOMPARE(Engine::CurrentFolder(), folder);
        QCOMPARE(categoryNames(), QStringList{QStringLiteral("練上温度")}); // same data
        QVERIFY(!QDir(QStringLiteral("/typed")).exists());
    }

    void browseThenCancelChangesNothing()
    {
        TempProfile profile;
        const QString folder = Engine::GetAliasPath();
        const QString other = profile.root() + QStringLiteral("/other");
        QDir().mkpath(other);
        TfSetDataPath dialog;
        QString startedAt;
        dialog.PickFolder = [&](QWidget*, const QString& start) {
            startedAt = start;
            return other;
        };
        onDialog([](TfSetDataPath* d) {
            d->Button1->click();
            d->BitBtn2->click();
        });
        QVERIFY(!RunDataLocation(dialog, nullptr));
        QCOMPARE(startedAt, folder);
        QCOMPARE(Engine::GetAliasPath(), folder);

        // Reopened and confirmed: the current folder, not the one browsed before.
        onDialog([](TfSetDataPath* d) { d->BitBtn1->click(); });
        QVERIFY(RunDataLocation(dialog, nullptr));
        QCOMPARE(Engine::GetAliasPath(), folder);
        QVERIFY(!QFile::exists(other + QStringLiteral("/kozeran.sqlite")));
    }

    void movingToEmptyFolder()
    {
        TempProfile profile;
        TOndoKubun().CheckTable();
        Query(QStringLiteral("delete from OndoKubun")).ExecSQL();
        const QString oldFolder = Engine::GetAliasPath();
        const QString empty = profile.root() + QStringLiteral("/新しい場所");
        QDir().mkpath(empty);
        TfSetDataPath dialog;
        int picks = 0;
        dialog.PickFolder = [&](QWidget*, const QString&) {
            return ++picks == 1 ? QString() : empty;
        };
        onDialog([empty](TfSetDataPath* d) {
            const QString before = d->Edit1->text();
            d->Button1->click(); // the picker cancelled
            QCOMPARE(d->Edit1->text(), before);
            d->Button1->click();
            QCOMPARE(d->Edit1->text(), QDir::toNativeSeparators(empty + QLatin1Char('/')));
            d->BitBtn1->click();
        });
        QVERIFY(RunDataLocation(dialog, nullptr));
        QCOMPARE(Engine::GetAliasPath(), empty + QLatin1Char('/'));
        QCOMPARE(Engine::CurrentFolder(), empty + QLatin1Char('/'));
        QVERIFY(QFile::exists(empty + QStringLiteral("/kozeran.sqlite")));
        // The tables of the new folder are the main window's to make, in one transaction.

        // The old folder was left as it was.
        Engine::OpenDatabase(oldFolder);
        QCOMPARE(categoryNames(), QStringList());
    }

    void rootShownWithOneSeparator()
    {
        TempProfile profile;
        TfSetDataPath dialog;
        dialog.PickFolder = [](QWidget*, const QString&) { return QDir::rootPath(); };
        dialog.show();
        dialog.Browse();
        QCOMPARE(dialog.Edit1->text(), QDir::toNativeSeparators(QDir::rootPath()));
        QCOMPARE(dialog.ChosenFolder(), QDir::rootPath());
    }

    void serverChosenTestedAndKept()
    {
        TempProfile profile;
        const QString folder = Engine::GetAliasPath();
        const QString db =
            QStringLiteral("ondo_location_%1").arg(QCoreApplication::applicationPid());
        ServerAdmin(QStringLiteral("drop database if exists ") + db);
        ServerAdmin(QStringLiteral("create database ") + db);
        const QUrl server(TestServerUriFor(db));
        TfSetDataPath dialog;
        QStringList results;
        onDialog([&](TfSetDataPath* d) {
            QVERIFY(!d->EditHost->isEnabled());
            d->RadioServer->click();
            QVERIFY(d->EditHost->isEnabled() && !d->Button1->isEnabled());
            d->EditHost->setText(server.host());
            d->EditPort->setValue(server.port());
            d->EditUser->setText(server.userName());
            d->EditDatabase->setText(QStringLiteral("no_such_db"));
            results << boxAfter(d->ButtonTest);
            d->EditDatabase->setText(db);
            results << boxAfter(d->ButtonTest);
            d->BitBtn1->click();
        });
        QVERIFY(RunDataLocation(dialog, nullptr));
        QVERIFY2(results.value(0).contains(QStringLiteral("にデータベースがありません")),
                 qPrintable(results.join('\n')));
        QCOMPARE(results.value(1), QStringLiteral("接続できました|"));
        QCOMPARE(Engine::GetAliasPath(), server.toString());
        QCOMPARE(Engine::CurrentFolder(), server.toString());
        QVERIFY(Engine::IsServer());
        QVERIFY(Backup::WriteIfChanged(Engine::CurrentFolder()).isEmpty());
        QVERIFY_THROWS_EXCEPTION(AppError, Backup::Write(Engine::CurrentFolder()));

        // A server that does not answer: the reason, and the program stays where it was.
        QString message, reason;
        onDialog(
            [](TfSetDataPath* d) {
                QVERIFY(d->RadioServer->isChecked());
                QCOMPARE(d->EditPort->value() > 1, true);
                d->EditPort->setValue(1);
                d->BitBtn1->click();
            },
            &message, &reason);
        QVERIFY(RunDataLocation(dialog, nullptr));
        QCOMPARE(message, QStringLiteral("Failed"));
        QVERIFY2(reason.startsWith(QStringLiteral("サーバー 127.0.0.1:1/")), qPrintable(reason));
        QVERIFY2(reason.contains(QStringLiteral("に接続できません")), qPrintable(reason));
        QCOMPARE(Engine::GetAliasPath(), server.toString());
        QVERIFY(Engine::IsServer());

        // Back to the folder.
        onDialog([](TfSetDataPath* d) {
            d->RadioFolder->click();
            d->BitBtn1->click();
        });
        QVERIFY(RunDataLocation(dialog, nullptr));
        QVERIFY(!Engine::IsServer());
        QVERIFY(Engine::GetAliasPath().startsWith(profile.root()));
        Q_UNUSED(folder);
    }

    void unusableFolderFailsAndKeepsOldOne()
    {
        TempProfile profile;
        const QString folder = Engine::GetAliasPath();
        const QString blocker = profile.root() + QStringLiteral("/afile");
        QFile f(blocker);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        TfSetDataPath dialog;
        dialog.PickFolder = [&](QWidget*, const QString&) {
            return QString(blocker + QStringLiteral("/sub"));
        };
        QString message;
        onDialog(
            [](TfSetDataPath* d) {
                d->Button1->click();
                d->BitBtn1->click();
            },
            &message);
        QVERIFY(RunDataLocation(dialog, nullptr));
        QCOMPARE(message, QStringLiteral("Failed"));
        QCOMPARE(Engine::GetAliasPath(), folder);
        QCOMPARE(Engine::CurrentFolder(), folder);
        QVERIFY(!Engine::TableExists(
            QStringLiteral("OndoKubun"))); // tables are the main window's to make
    }
};

ONDO_TEST_MAIN(TestDataLocation, QApplication)
#include "test_datalocation.moc"
