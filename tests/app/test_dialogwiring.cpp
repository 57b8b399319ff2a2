#include "app/DialogWiring.h"
#include "app/ExportWiring.h"
#include "entry_ui/EditOndoData.h"
#include "exchange_ui/ExportDialog.h"
#include "registers_ui/EditKoji.h"
#include "registers_ui/EditOndoKubun.h"
#include "settings_ui/CopyDataDialog.h"
#include "settings_ui/SetDataPath.h"
#include "storage/Engine.h"
#include "storage/Query.h"
#include "support/TestSupport.h"
#include "widgets_ui/LazyDialog.h"
#include "widgets_ui/ListView.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QTreeWidget>
#include <functional>

namespace {

QPushButton* buttonWithText(QWidget* parent, const QString& text)
{
    for (QPushButton* b : parent->findChildren<QPushButton*>()) {
        if (b->text() == text)
            return b;
    }
    return nullptr;
}

// Types `key` into the register dialog that opens next and presses "選択".
void chooseInNextDialog(const QString& key)
{
    QTimer::singleShot(0, [key] {
        auto* dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        QVERIFY(dlg);
        // Projects have a code field; mixes and measurers an editable drop-down.
        QLineEdit* edit = dlg->findChild<QLineEdit*>(QStringLiteral("Edit1"));
        if (auto* combo = dlg->findChild<QComboBox*>(QStringLiteral("ComboBox1")))
            edit = combo->lineEdit();
        QPushButton* select = buttonWithText(dlg, QStringLiteral("選択"));
        if (!edit || !select) {
            dlg->reject();
            QFAIL("key field or 選択 not found");
        }
        edit->setText(key);
        select->click();
    });
}

struct Windows
{
    TempProfile profile;
    TfEditOndoData w;
    TfListView lv;
    TfEditOndoKubun kubun;
    TfEditKoji koji;
    TfEditGozai gozai;
    TfEditSimei simei;
    TfSetDataPath dataPath;
    Windows() { ConnectRegisterDialogs(w, {&lv, &kubun, &koji, &gozai, &simei, &dataPath}); }
};

} // namespace

class TestDialogWiring : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void copyDataFromTheFileMenu()
    {
        TempProfile profile;
        TfEditOndoData w;
        Query(QStringLiteral("insert into Koji1 (CODE, KOJIMEI) values ('K9', '町道')")).ExecSQL();
        const QString own = Engine::CurrentFolder();
        const QString other = profile.root() + QStringLiteral("/移行先");
        QStringList results;
        QTimer::singleShot(0, [&] {
            auto* d = qobject_cast<TfCopyData*>(QApplication::activeModalWidget());
            QVERIFY(d);
            QCOMPARE(d->EditFrom->text(), own);
            d->EditTo->setText(other);
            d->ButtonCopy->click();
            results << d->LabelResult->text();
            QTimer::singleShot(0, [] { // the target now holds data: keep it
                if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
                    box->button(QMessageBox::No)->click();
            });
            d->ButtonCopy->click();
            results << d->LabelResult->text();
            d->ButtonClose->click();
        });
        w.CopyDataItem->trigger();
        QCOMPARE(results.size(), 2);
        QVERIFY2(results.at(0).contains(QStringLiteral("Koji1: 1 件")), qPrintable(results.at(0)));
        QVERIFY2(results.at(1).contains(QStringLiteral("既にデータがあります")),
                 qPrintable(results.at(1)));
        QCOMPARE(Engine::CurrentFolder(), own);
        Engine::OpenDatabase(other);
        Query q(QStringLiteral("select KOJIMEI from Koji1 where CODE = 'K9'"));
        q.Open();
        QCOMPARE(q.FieldText(QStringLiteral("KOJIMEI")), QStringLiteral("町道"));
    }

    void dialogMadeOnFirstUseIsKeptForTheRun()
    {
        TempProfile profile;
        TfEditOndoData w;
        std::unique_ptr<TfExport> slot;
        ConnectExportDialog(w, OnFirstUse(slot));
        QVERIFY(w.ExportItem->isEnabled());
        QVERIFY(!slot);
        QList<QWidget*> opened;
        for (int i = 0; i < 2; ++i) {
            QTimer::singleShot(0, [&opened] {
                QWidget* d = QApplication::activeModalWidget();
                opened << d;
                if (d)
                    d->close();
            });
            w.ExportItem->trigger();
        }
        QVERIFY(slot);
        QCOMPARE(opened, (QList<QWidget*>{slot.get(), slot.get()}));

        // A register dialog handed over as a maker: its entries are live before it exists.
        std::unique_ptr<TfEditOndoKubun> kubun;
        ConnectRegisterDialogs(w, {{}, OnFirstUse(kubun)});
        QVERIFY(w.KubunItem->isEnabled() && w.Button4->isEnabled());
        QVERIFY(!w.KojiItem->isEnabled());
        QVERIFY(!kubun);
        opened.clear();
        for (QAction* entry : {w.KubunItem, w.KubunItem}) {
            QTimer::singleShot(0, [&opened] {
                QWidget* d = QApplication::activeModalWidget();
                opened << d;
                if (d)
                    d->close();
            });
            entry->trigger();
        }
        QVERIFY(kubun);
        QCOMPARE(opened, (QList<QWidget*>{kubun.get(), kubun.get()}));
    }

    void entriesEnabledOnlyWhenConnected()
    {
        TempProfile profile;
        TfEditOndoData bare;
        QVERIFY(!bare.Button1->isEnabled());
        QVERIFY(!bare.KubunItem->isEnabled());
        Windows all;
        for (QPushButton* b : {all.w.Button1, all.w.Button2, all.w.Button4, all.w.Button9})
            QVERIFY(b->isEnabled());
        for (QAction* a : {all.w.KojiItem, all.w.GozaiItem, all.w.SimeiItem, all.w.KubunItem,
                           all.w.DataPathItem})
            QVERIFY(a->isEnabled());
    }

    void projectButtonTakesChosenProject()
    {
        Windows all;
        TKoji k;
        k.Code() = QStringLiteral("K7");
        k.Kojimei() = QStringLiteral("市道工事");
        k.Save();
        chooseInNextDialog(QStringLiteral("K7"));
        all.w.Button1->click();
        QCOMPARE(all.w.Edit2->text(), QStringLiteral("K7"));
        QCOMPARE(all.w.ComboBox1->currentText(), QStringLiteral("市道工事"));
        QCOMPARE(all.w.OndoKanri().Koji.Kojimei(), QStringLiteral("市道工事"));
    }

    void mixButtonClearsRecordWithoutHeaders()
    {
        Windows all;
        all.w.Edit2->setText(QStringLiteral("K7"));
        all.w.Edit5->setText(QStringLiteral("150_160"));
        chooseInNextDialog(QStringLiteral("新合材"));
        all.w.Button2->click();
        QCOMPARE(all.w.ComboBox2->currentText(), QStringLiteral("新合材"));
        QCOMPARE(all.w.Edit3->text(), QStringLiteral("新合材")); // unknown mix: own print name
        QCOMPARE(all.w.Edit2->text(), QStringLiteral("K7"));
        QCOMPARE(all.w.Edit5->text(), QString()); // the record was emptied
    }

    void measurerButtonTakesChosenName()
    {
        Windows all;
        chooseInNextDialog(QStringLiteral("佐藤"));
        all.w.Button9->click();
        QCOMPARE(all.w.ComboBox5->currentText(), QStringLiteral("佐藤"));
    }

    // The shown record takes the category's new name, range and interval when the dialog closes.
    void categoryChangesReachTheWindow()
    {
        Windows all;
        TfEditOndoData& w = all.w;
        w.ComboBox4->showPopup();
        w.ComboBox4->hidePopup();
        w.ComboBox4->setCurrentIndex(0);
        Q_EMIT w.ComboBox4->activated(0);
        QCOMPARE(w.OndoKanri().Kubun.ID, 0);
        QTimer::singleShot(0, [] {
            auto* d = qobject_cast<TfEditOndoKubun*>(QApplication::activeModalWidget());
            QVERIFY(d);
            QTreeWidgetItem* row = d->ListView1->topLevelItem(0); // renamed in place, same ID
            row->setText(0, QStringLiteral("出荷温度"));
            row->setText(1, QStringLiteral("2台毎"));
            row->setText(2, QStringLiteral("170_171"));
            d->Register();
            d->reject();
        });
        w.Button4->click();
        // Identifier 0 now has the new name: the window follows it.
        QCOMPARE(w.ComboBox4->currentText(), QStringLiteral("出荷温度"));
        QCOMPARE(w.Edit8->text(), QStringLiteral("2台毎"));
        QCOMPARE(w.SS1->horizontalHeaderItem(0)->text(), QStringLiteral("2台毎"));
        w.Edit7->setText(QStringLiteral("3"));
        w.Button10->click();
        w.Button7->click();
        for (int lno = 1; lno <= 3; ++lno)
            QVERIFY2(w.ReadingCell(lno, 1) == QStringLiteral("170") ||
                         w.ReadingCell(lno, 1) == QStringLiteral("171"),
                     qPrintable(w.ReadingCell(lno, 1)));
    }

    void newDataFolderGetsRecordTables()
    {
        Windows all;
        const QString folder = all.profile.root() + QStringLiteral("/moved");
        all.dataPath.PickFolder = [folder](QWidget*, const QString&) { return folder; };
        QTimer::singleShot(0, [] {
            QWidget* dlg = QApplication::activeModalWidget();
            QVERIFY(dlg);
            dlg->findChild<QPushButton*>(QStringLiteral("Button1"))->click(); // 参照
            dlg->findChild<QPushButton*>(QStringLiteral("BitBtn1"))->click(); // OK
        });
        all.w.DataPathItem->trigger();
        QCOMPARE(Engine::CurrentFolder(), folder + QLatin1Char('/'));
        QVERIFY(Engine::TableExists(QStringLiteral("OndoKanri4")));
        Query kubun(QStringLiteral("select count(*) as N from OndoKubun"));
        kubun.Open();
        QCOMPARE(kubun.FieldInt(QStringLiteral("N")), 2); // the two default categories
        for (const char* table : {"Koji1", "GozaiDef", "SIMEI"})
            QVERIFY2(Engine::TableExists(QLatin1String(table)), table);
    }
};

ONDO_TEST_MAIN(TestDialogWiring, QApplication)
#include "test_dialogwiring.moc"
