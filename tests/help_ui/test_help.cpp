#include "app/Desktop.h"
#include "entry_ui/EditOndoData.h"
#include "help_ui/HelpWindow.h"
#include "storage/Engine.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTextBrowser>
#include <QTextDocument>
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
        // The guide names every menu entry as the menu shows it, and has a part for every window
        // F1 can be pressed in.
        for (QAction* a : window.menuBar()->findChildren<QAction*>()) {
            QString caption = a->text();
            caption.remove(QRegularExpression(QStringLiteral("\\(&.\\)|&")));
            if (!caption.isEmpty() && !a->isSeparator())
                QVERIFY2(guide.contains(caption), qPrintable(caption));
        }
        const QString html = help.Browser->toHtml();
        for (const char* name :
             {"fEditOndoData", "fDayList", "fEditKoji", "fEditOndoKubun", "fSetPrintItems",
              "fCsvImport", "fRestoreBackup", "fSetDataPath", "fPackage"})
            QVERIFY2(html.contains(QStringLiteral("name=\"%1\"").arg(GuideAnchorOf(name))), name);
        for (const char* image : {"main", "days"})
            QVERIFY(!help.Browser->document()
                         ->resource(QTextDocument::ImageResource,
                                    QUrl(QStringLiteral("qrc:/help/images/%1.png").arg(image)))
                         .isNull());
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
