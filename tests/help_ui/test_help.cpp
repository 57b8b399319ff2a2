#include "app/Desktop.h"
#include "entry_ui/EditOndoData.h"
#include "help_ui/HelpWindow.h"
#include "storage/Engine.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QMessageBox>
#include <QTextBrowser>
#include <QTimer>

class TestHelp : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Both entries of the main window's ヘルプ menu reach their windows, the guide comes from
    // the compiled-in resource with every section, and the version box names what is in use.
    void helpMenuOpensGuideAndVersion()
    {
        TempProfile profile;
        TDesktop desktop;
        TfEditOndoData& window = desktop.MainWindow();
        auto* menu = window.findChild<QMenu*>(QStringLiteral("HelpMenu"));
        QVERIFY(menu && menu->isEnabled());
        QStringList entries;
        for (QAction* a : menu->actions())
            entries << a->text();
        QCOMPARE(entries, (QStringList{"使い方(&H)", "バージョン情報(&A)"}));
        QCOMPARE(menu->actions().at(0)->shortcut(), QKeySequence(Qt::Key_F1));

        menu->actions().at(0)->trigger();
        auto* found = window.findChild<TfHelp*>();
        QVERIFY(found);
        TfHelp& help = *found;
        QVERIFY(help.isVisible());
        QVERIFY(!help.isModal());
        const QString guide = help.Browser->toPlainText();
        for (const char* heading : {"1日の作業", "印刷", "帳票", "取り込みと書き出し",
                                    "バックアップ", "データの格納場所"})
            QVERIFY2(guide.contains(QString::fromUtf8(heading)), heading);
        help.Browser->scrollToAnchor(QStringLiteral("data"));

        QString shown;
        QTimer::singleShot(0, [&shown] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            QCOMPARE(box->objectName(), QStringLiteral("AboutBox"));
            shown = box->text();
            box->accept();
        });
        menu->actions().at(1)->trigger();
        QVERIFY(shown.contains(QStringLiteral(ONDOKANRI_VERSION)));
        QVERIFY(shown.contains(QDir::toNativeSeparators(profile.dataFolder())));
        QVERIFY(shown.contains(QStringLiteral("SQLite")));
    }
};

ONDO_TEST_MAIN(TestHelp, QApplication)
#include "test_help.moc"
