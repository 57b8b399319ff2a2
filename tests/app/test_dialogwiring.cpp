#include "app/DayListWiring.h"
#include "app/DialogWiring.h"
#include "app/ExchangeWiring.h"
#include "domain/DayEntry.h"
#include "entry_ui/DayHistory.h"
#include "entry_ui/DayList.h"
#include "entry_ui/EditOndoData.h"
#include "entry_ui/JourneyWindow.h"
#include "entry_ui/MainWindowNames.h"
#include "exchange/ProfileImport.h"
#include "exchange_ui/ExportDialog.h"
#include "registers_ui/EditKoji.h"
#include "registers_ui/EditOndoKubun.h"
#include "settings_ui/CopyDataDialog.h"
#include "settings_ui/SetDataPath.h"
#include "storage/Engine.h"
#include "storage/Query.h"
#include "support/TestSupport.h"
#include "support/WindowProbe.h"
#include "widgets_ui/LazyDialog.h"
#include "widgets_ui/ListView.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>
#include <QTreeWidget>
#include <functional>

namespace N = MainWindowNames;

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
    TDayEntry entry;
    TfListView lv;
    TfEditOndoData w{entry, &lv, {}};
    TfEditOndoKubun kubun;
    TfEditKoji koji;
    TfEditGozai gozai;
    TfEditSimei simei;
    TfSetDataPath dataPath;
    Windows()
    {
        ConnectRegisterDialogs(w, {&lv, &kubun, &koji, &gozai, &simei});
        ConnectDataLocationDialog(w, &dataPath);
    }
    void click(const char* name) { Child<QPushButton>(&w, name)->click(); }
    void trigger(const char* name) { Child<QAction>(&w, name)->trigger(); }
};

} // namespace

class TestDialogWiring : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void copyDataFromTheFileMenu()
    {
        TempProfile profile;
        TDayEntry entry;
        TfEditOndoData w(entry, {}, {});
        TfCopyData copy;
        ConnectCopyDataDialog(w, &copy);
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
        Child<QAction>(&w, N::CopyDataItem)->trigger();
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
        TDayEntry entry;
        TfEditOndoData w(entry, {}, {});
        std::unique_ptr<TfExport> exportSlot;
        std::unique_ptr<TfEditOndoKubun> kubunSlot;
        ConnectExportDialog(w, OnFirstUse(exportSlot));
        ConnectRegisterDialogs(w, {{}, OnFirstUse(kubunSlot)});
        QVERIFY(!exportSlot && !kubunSlot);
        QList<QWidget*> opened;
        for (const char* item : {N::ExportItem, N::ExportItem, N::KubunItem, N::KubunItem}) {
            QTimer::singleShot(0, [&opened] {
                QWidget* d = QApplication::activeModalWidget();
                opened << d;
                if (d)
                    d->close();
            });
            Child<QAction>(&w, item)->trigger();
        }
        QVERIFY(exportSlot && kubunSlot);
        QCOMPARE(opened, (QList<QWidget*>{exportSlot.get(), exportSlot.get(), kubunSlot.get(),
                                          kubunSlot.get()}));
    }

    void projectButtonTakesChosenProject()
    {
        Windows all;
        TKoji k;
        k.Code() = QStringLiteral("K7");
        k.Kojimei() = QStringLiteral("市道工事");
        k.Save();
        chooseInNextDialog(QStringLiteral("K7"));
        all.trigger("KojiItem"); // 選択 from the menu too takes the project
        QCOMPARE(all.entry.Header().kojiCode, QStringLiteral("K7"));
        all.entry.New();
        chooseInNextDialog(QStringLiteral("K7"));
        all.click("Button1");
        QCOMPARE(Child<QLineEdit>(&all.w, N::KojiCode)->text(), QStringLiteral("K7"));
        QCOMPARE(Child<QComboBox>(&all.w, N::KojiName)->currentText(), QStringLiteral("市道工事"));
    }

    void mixButtonClearsRecordWithoutHeaders()
    {
        Windows all;
        all.entry.SetKojiCode(QStringLiteral("K7"));
        all.entry.SetSpecValue(QStringLiteral("150_160"));
        // The typed value is given up when asked.
        all.entry.AskUnsaved = [](const QString&) { return TUnsavedAnswer::Discard; };
        chooseInNextDialog(QStringLiteral("新合材"));
        all.click("Button2");
        QCOMPARE(Child<QComboBox>(&all.w, N::GozaiName)->currentText(), QStringLiteral("新合材"));
        QCOMPARE(Child<QLineEdit>(&all.w, N::PrintName)->text(), QStringLiteral("新合材"));
        QCOMPARE(Child<QLineEdit>(&all.w, N::KojiCode)->text(), QStringLiteral("K7"));
        QCOMPARE(Child<QLineEdit>(&all.w, N::SpecValue)->text(),
                 QString()); // the record was emptied
    }

    void measurerButtonTakesChosenName()
    {
        Windows all;
        chooseInNextDialog(QStringLiteral("佐藤"));
        all.click("Button9");
        QCOMPARE(Child<QComboBox>(&all.w, N::Simei)->currentText(), QStringLiteral("佐藤"));
    }

    // The shown record takes the category's new name, range and interval when the dialog closes.
    void categoryChangesReachTheWindow()
    {
        Windows all;
        all.entry.SetKubunName(QStringLiteral("練上温度"));
        all.entry.ChooseKubun();
        QTimer::singleShot(0, [] {
            auto* d = qobject_cast<TfEditOndoKubun*>(QApplication::activeModalWidget());
            QVERIFY(d);
            QTreeWidgetItem* row = d->ListView1->topLevelItem(0); // renamed in place, same ID
            row->setText(0, QStringLiteral("出荷温度"));
            row->setText(1, QStringLiteral("2台毎"));
            d->Register();
            d->reject();
        });
        all.click("Button4");
        QCOMPARE(Child<QComboBox>(&all.w, N::Kubun)->currentText(), QStringLiteral("出荷温度"));
        QCOMPARE(Child<QLineEdit>(&all.w, N::Interval)->text(), QStringLiteral("2台毎"));
        QCOMPARE(Child<QTableView>(&all.w, N::Readings)->model()->headerData(0, Qt::Horizontal),
                 QVariant(QStringLiteral("2台毎")));
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
        all.trigger("DataPathItem");
        QCOMPARE(Engine::CurrentFolder(), folder + QLatin1Char('/'));
        QVERIFY(Engine::TableExists(QStringLiteral("OndoKanri4")));
        Query kubun(QStringLiteral("select count(*) as N from OndoKubun"));
        kubun.Open();
        QCOMPARE(kubun.FieldInt(QStringLiteral("N")), 2); // the two default categories
        for (const char* table : {"Koji1", "GozaiDef", "SIMEI"})
            QVERIFY2(Engine::TableExists(QLatin1String(table)), table);
    }
    // データ → 登録済みの試験日…: the shown record's days; Enter on one opens it.
    void dayListOpensADay()
    {
        Windows all;
        for (const char* day : {"2024/11/05", "2024/11/06"}) {
            all.entry.SetKojiCode(QStringLiteral("K1"));
            all.entry.SetGozaiName(QStringLiteral("密粒"));
            all.entry.SetKubunName(QStringLiteral("練上温度"));
            all.entry.SetDayText(QLatin1String(day));
            all.entry.SetCell(1, 1,
                              QStringLiteral("1") + QString::fromLatin1(day).right(1) +
                                  QStringLiteral("0"));
            all.entry.Confirm = [](const QString&, bool) { return true; };
            QVERIFY(all.entry.Register());
        }
        TfDayList list(&all.w);
        TfDayHistory history(&all.w);
        ConnectDayList(all.w, &list, &history);
        all.trigger("DayListItem");
        QVERIFY(list.isVisible());
        QCOMPARE(list.windowTitle(), QStringLiteral("登録済みの試験日"));
        QCOMPARE(list.Grid->rowCount(), 2);
        list.Grid->sortItems(0, Qt::AscendingOrder);
        list.Grid->setFocus();
        list.Grid->setCurrentCell(0, 0);
        // 履歴… shows what the day went through: here, its registration.
        Child<QPushButton>(&list, "ButtonHistory")->click();
        QVERIFY(history.isVisible());
        QCOMPARE(history.Grid->rowCount(), 1);
        QCOMPARE(history.Grid->item(0, 2)->text(), QStringLiteral("追加"));
        QVERIFY2(history.Grid->item(0, 5)->text().startsWith(QStringLiteral("1 件（最高 150")),
                 qPrintable(history.Grid->item(0, 5)->text()));
        QVERIFY(history.LabelDay->text().contains(QStringLiteral("2024/11/05")));
        QTest::keyClick(list.Grid, Qt::Key_Return);
        QCOMPARE(all.entry.Header().dayText, QStringLiteral("2024/11/05"));
        QCOMPARE(all.entry.Cell(1, 1), QStringLiteral("150"));
    }

    // データ → 温度低下… shows the loads of the day in the window, through both categories, and
    // follows what is registered while it is open.
    // ファイル → 敷均し温度分布の取り込み…: the file chosen goes to the project and mix shown;
    // a day imported before is replaced only when the user agrees.
    void profileImportFromTheFileMenu()
    {
        Windows all;
        ConnectProfileImport(all.w);
        Engine::Execute(QStringLiteral("insert into Koji1 (Code, Kojimei) values ('K1', '県道')"));
        all.entry.SetKojiCode(QStringLiteral("K1"));
        all.entry.SetGozaiName(QStringLiteral("密粒"));
        const QString file = all.profile.root() + QStringLiteral("/scan.csv");
        QFile scan(file);
        QVERIFY(scan.open(QIODevice::WriteOnly));
        scan.write("RoadScan;K1;\nZeit;Distanz [m];Breite;Laenge;Q;T0;T1;T2;\n"
                   "01.10.2024 08:00:00;0,0;;;4;150,0;151,0;150,5;\n"
                   "01.10.2024 08:00:06;1,0;;;4;150,0;151,0;150,5;\n");
        scan.close();
        // The file dialog makes its model before it shows: looked for until it does.
        const auto choose = [&all, &file] {
            auto* watch = new QTimer(&all.w);
            QObject::connect(watch, &QTimer::timeout, watch, [watch, file] {
                // Typed as a person does: selectFile leaves a focused name box as it was.
                if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
                    Child<QLineEdit>(dialog, "fileNameEdit")->setText(file);
                    Child<QDialogButtonBox>(dialog, "buttonBox")
                        ->button(QDialogButtonBox::Open)
                        ->click();
                    watch->deleteLater();
                }
            });
            watch->start(10);
        };
        choose();
        all.trigger("ImportProfileItem");
        QTRY_VERIFY(all.w.statusBar()->currentMessage().startsWith(
            QStringLiteral("取り込み: 2 行、長さ 1.0 m（2024/10/01")));
        QVERIFY(HasProfile(QStringLiteral("K1"), QStringLiteral("密粒"), QDate(2024, 10, 1)));

        // Again: asked, and no keeps the day as it was. The question comes after the file
        // dialog has gone: looked for until it shows.
        auto asked = std::make_shared<QString>();
        choose();
        auto* watch = new QTimer(&all.w);
        QObject::connect(watch, &QTimer::timeout, watch, [watch, asked] {
            if (auto* question = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                *asked = question->text();
                question->button(QMessageBox::No)->click();
                watch->deleteLater();
            }
        });
        watch->start(10);
        all.w.statusBar()->clearMessage();
        all.trigger("ImportProfileItem");
        QTRY_VERIFY(!asked->isEmpty());
        QVERIFY(asked->contains(QStringLiteral("2024/10/01 の敷均し温度分布は取り込み済みです")));
        QVERIFY(all.w.statusBar()->currentMessage().isEmpty());
    }

    void journeyShowsTheDayShown()
    {
        Windows all;
        all.entry.Confirm = [](const QString&, bool) { return true; };
        const auto day = [&](const QString& kubun, const QString& kikaku,
                             const QList<QStringList>& rows) {
            all.entry.SetKojiCode(QStringLiteral("K1"));
            all.entry.SetGozaiName(QStringLiteral("密粒"));
            all.entry.SetKubunName(kubun);
            all.entry.SetDayText(QStringLiteral("2024/11/05"));
            all.entry.SetSpecValue(kikaku);
            for (int r = 0; r < rows.size(); ++r)
                for (int c = 0; c < rows[r].size(); ++c)
                    all.entry.SetCell(r + 1, c + 1, rows[r][c]);
            QVERIFY(all.entry.Register());
        };
        day(QStringLiteral("練上温度"), QStringLiteral("160～185"),
            {{"170", "8:00", "A"}, {"165", "8:10", "B"}});
        day(QStringLiteral("初期締固前温度"), QStringLiteral("110～"),
            {{"158", "8:50", "B"}, {"108", "9:00", "A"}});
        TfJourney journey(&all.w);
        ConnectJourney(all.w, &journey);
        all.trigger("JourneyItem");
        QVERIFY(journey.isVisible());
        QCOMPARE(journey.windowTitle(), QStringLiteral("温度低下"));
        QCOMPARE(journey.Grid->rowCount(), 3); // two loads and the averages
        const int mark = journey.Grid->columnCount() - 1;
        QCOMPARE(journey.Grid->item(0, 0)->text(), QStringLiteral("A"));
        QCOMPARE(journey.Grid->item(0, mark)->text(), QStringLiteral("※")); // 62 ℃ down, below 110
        QVERIFY(!journey.Grid->item(1, mark));
        QCOMPARE(journey.Grid->item(1, 5)->text(), QStringLiteral("7.0")); // B: 165 → 158

        day(QStringLiteral("初期締固前温度"), QStringLiteral("110～"),
            {{"158", "8:50", "B"}, {"150", "9:00", "A"}});
        QVERIFY(!journey.Grid->item(0, mark)); // 20 ℃ is within the limit
    }
};

ONDO_TEST_MAIN(TestDialogWiring, QApplication)
#include "test_dialogwiring.moc"
