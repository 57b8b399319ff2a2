#include "domain/ChosenEntry.h"
#include "domain/ListViewData.h"
#include "domain/OndoKanri.h"
#include "registers_ui/EditKoji.h"
#include "storage/Query.h"
#include "support/TestSupport.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

namespace {

void prepareTables()
{
    CheckRegisterTables();
    TOndoKanri::CreateTables();
    TOndoKubun().CheckTable();
}

int countRows(const QString& sql)
{
    Query q(sql);
    q.Open();
    return q.RecordCount();
}

// Runs `action` on the next modal dialog, once it is shown.
void onNextModal(std::function<void(QWidget*)> action)
{
    QTimer::singleShot(0, [action] {
        QWidget* modal = QApplication::activeModalWidget();
        QVERIFY(modal);
        action(modal);
    });
}

void registerEntry(TRegisterEntry&& entry, const QString& key, const QString& second)
{
    entry.Key = key;
    entry.Second = second;
    entry.Save();
}

} // namespace

class TestEditKoji : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void projectRegisterNewDeleteAndTextsKept()
    {
        TempProfile profile;
        prepareTables();
        TfEditKoji dialog;
        dialog.Edit1->setText(QStringLiteral("K001"));
        dialog.Edit2->setText(QStringLiteral("国道１号舗装工事"));
        dialog.BitBtn2->click(); // 登録
        TKoji koji;
        koji.Load(QStringLiteral("K001"));
        QCOMPARE(koji.Kojimei(), QStringLiteral("国道１号舗装工事"));

        // Closing and reopening keeps the texts.
        onNextModal(
            [](QWidget* w) { w->findChild<QPushButton*>(QStringLiteral("BitBtn3"))->click(); });
        QCOMPARE(dialog.exec(), int(QDialog::Rejected));
        onNextModal(
            [](QWidget* w) { w->findChild<QPushButton*>(QStringLiteral("BitBtn4"))->click(); });
        QCOMPARE(dialog.exec(), int(QDialog::Accepted));
        QCOMPARE(dialog.ChosenKey(), QStringLiteral("K001"));
        QCOMPARE(dialog.Edit2->text(), QStringLiteral("国道１号舗装工事"));

        // 削除 keeps the fields and leaves the records that use the project.
        TOndoKanri record;
        record.Koji.Code() = QStringLiteral("K001");
        record.Gozai.DataName() = QStringLiteral("密粒度13");
        record.Kubun.ID = 0;
        record.Hiduke = QDateTime(QDate(2024, 3, 31), QTime());
        record.Save();
        ListViewData listed;
        TOndoKanri::ListByKoji(listed, QStringLiteral("K001"));
        QCOMPARE(listed.rows.size(), 1);
        // In use: asked first with the number of records; いいえ keeps the project.
        for (const auto answer : {QMessageBox::No, QMessageBox::Yes}) {
            QString question;
            onNextModal([&question, answer](QWidget* w) {
                auto* box = qobject_cast<QMessageBox*>(w);
                QVERIFY(box);
                question = box->text();
                box->button(answer)->click();
            });
            dialog.DeleteItem->trigger();
            QCOMPARE(question,
                     QStringLiteral("この工事は 1 件の記録で使われています。削除しますか？"));
            QCOMPARE(countRows(QStringLiteral("select * from Koji1")),
                     answer == QMessageBox::No ? 1 : 0);
        }
        QCOMPARE(dialog.Edit1->text(), QStringLiteral("K001"));
        QCOMPARE(countRows(QStringLiteral("select * from OndoKanri4")), 1);
        TOndoKanri::ListByKoji(listed, QStringLiteral("K001"));
        QCOMPARE(listed.rows.size(), 0);

        dialog.NewItem->trigger();
        QCOMPARE(dialog.Edit1->text(), QString());
        QCOMPARE(dialog.Edit2->text(), QString());

        // The menu's 閉じる ends the dialog cancelled, as in the other two dialogs.
        onNextModal([](QWidget* w) { static_cast<TfEditKoji*>(w)->CloseItem->trigger(); });
        QCOMPARE(dialog.exec(), int(QDialog::Rejected));
    }

    void selectWithoutRegisterLeavesRegisterUnchanged()
    {
        TempProfile profile;
        prepareTables();
        TfEditKoji dialog;
        dialog.Edit1->setText(QStringLiteral("NEW1"));
        dialog.Edit2->setText(QStringLiteral("未登録の工事"));
        onNextModal([](QWidget* w) { static_cast<TfEditKoji*>(w)->BitBtn4->click(); });
        QCOMPARE(dialog.exec(), int(QDialog::Accepted));
        QCOMPARE(countRows(QStringLiteral("select * from Koji1")), 0);
        // The main window loads the chosen code: the name stays empty.
        TOndoKanri record;
        record.Koji.Load(dialog.ChosenKey());
        QCOMPARE(record.Koji.Code(), QStringLiteral("NEW1"));
        QCOMPARE(record.Koji.Kojimei(), QString());
    }

    void projectSearchThroughListPicker()
    {
        TempProfile profile;
        prepareTables();
        registerEntry(TKoji(), QStringLiteral("B2"), QStringLiteral("二番目"));
        registerEntry(TKoji(), QStringLiteral("A1"), QStringLiteral("一番目"));
        TfEditKoji dialog;
        dialog.Edit1->setText(QStringLiteral("typed"));
        dialog.Edit2->setText(QStringLiteral("入力中"));

        // Accepted with no row selected: nothing changes.
        onNextModal([](QWidget* picker) {
            auto* list = picker->findChild<QTreeWidget*>();
            QCOMPARE(list->topLevelItemCount(), 2);
            static_cast<QDialog*>(picker)->accept();
        });
        dialog.BitBtn1->click();
        QCOMPARE(dialog.Edit1->text(), QStringLiteral("typed"));
        QCOMPARE(dialog.Edit2->text(), QStringLiteral("入力中"));

        // Cancelled with a row selected: nothing changes.
        onNextModal([](QWidget* picker) {
            auto* list = picker->findChild<QTreeWidget*>();
            list->setCurrentItem(list->topLevelItem(0));
            static_cast<QDialog*>(picker)->reject();
        });
        dialog.BitBtn1->click();
        QCOMPARE(dialog.Edit1->text(), QStringLiteral("typed"));

        // Accepted on the second row, listed by code: that project is shown.
        onNextModal([](QWidget* picker) {
            auto* list = picker->findChild<QTreeWidget*>();
            QCOMPARE(list->topLevelItem(0)->text(0), QStringLiteral("A1"));
            list->setCurrentItem(list->topLevelItem(1));
            static_cast<QDialog*>(picker)->accept();
        });
        dialog.BitBtn1->click();
        QCOMPARE(dialog.Edit1->text(), QStringLiteral("B2"));
        QCOMPARE(dialog.Edit2->text(), QStringLiteral("二番目"));

        // A picker put in by the main window is used instead.
        int offered = 0;
        dialog.PickFromList = [&offered](const ListViewData& data) {
            offered = data.rows.size();
            return 0;
        };
        dialog.BitBtn1->click();
        QCOMPARE(offered, 2);
        QCOMPARE(dialog.Edit1->text(), QStringLiteral("A1"));
    }

    void mixDropDownReloadsAndLoadsChoice()
    {
        TempProfile profile;
        prepareTables();
        TfEditGozai dialog;
        registerEntry(TGozai(), QStringLiteral("密粒度13"), QStringLiteral("密粒度アスコン(13)"));
        dialog.ComboBox1->setEditText(QStringLiteral("粗粒度20"));
        dialog.Edit2->setText(QStringLiteral("粗粒度アスコン(20)"));
        dialog.BitBtn3->click(); // 登録

        // Opening the list reads the register afresh and keeps the typed text.
        dialog.show();
        dialog.ComboBox1->setEditText(QStringLiteral("入力中"));
        dialog.ComboBox1->showPopup();
        QCOMPARE(dialog.ComboBox1->count(), 2);
        QCOMPARE(dialog.ComboBox1->itemText(0), QStringLiteral("密粒度13"));
        QCOMPARE(dialog.ComboBox1->currentText(), QStringLiteral("入力中"));

        // Choosing an item from the keyboard loads both texts.
        QAbstractItemView* view = dialog.ComboBox1->view();
        view->setCurrentIndex(view->model()->index(1, 0));
        QTest::keyClick(view, Qt::Key_Return);
        QCOMPARE(dialog.ComboBox1->currentText(), QStringLiteral("粗粒度20"));
        QCOMPARE(dialog.Edit2->text(), QStringLiteral("粗粒度アスコン(20)"));
        dialog.hide();

        // A name that is not registered is handed over as typed; loading gives it as print name.
        dialog.ComboBox1->setEditText(QStringLiteral("再生密粒度13"));
        onNextModal([](QWidget* w) { static_cast<TfEditGozai*>(w)->BitBtn2->click(); });
        QCOMPARE(dialog.exec(), int(QDialog::Accepted));
        TGozai loaded;
        loaded.Load(dialog.ChosenKey());
        QCOMPARE(loaded.PrintName(), QStringLiteral("再生密粒度13"));
        QCOMPARE(countRows(QStringLiteral("select * from GozaiDef")), 2);

        onNextModal([](QWidget* w) { static_cast<TfEditGozai*>(w)->CloseItem->trigger(); });
        QCOMPARE(dialog.exec(), int(QDialog::Rejected));
    }

    void measurerListByReadingAndDelete()
    {
        TempProfile profile;
        prepareTables();
        registerEntry(TSimei(), QStringLiteral("山田"), QStringLiteral("やまだ"));
        registerEntry(TSimei(), QStringLiteral("佐藤"), QStringLiteral("さとう"));
        TfEditSimei dialog;
        dialog.show();
        dialog.ComboBox1->showPopup();
        QCOMPARE(dialog.ComboBox1->itemText(0), QStringLiteral("佐藤"));
        QCOMPARE(dialog.ComboBox1->itemText(1), QStringLiteral("山田"));
        dialog.ComboBox1->hidePopup();
        Q_EMIT dialog.ComboBox1->activated(1);
        QCOMPARE(dialog.Edit1->text(), QStringLiteral("やまだ"));
        TOndoKanri record;
        record.Koji.Code() = QStringLiteral("K1");
        record.Simei.Simei() = QStringLiteral("山田");
        record.Save();
        QString question;
        onNextModal([&question](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            QVERIFY(box);
            question = box->text();
            box->button(QMessageBox::Yes)->click();
        });
        dialog.DeleteItem->trigger();
        QCOMPARE(question,
                 QStringLiteral("この測定者は 1 件の記録で使われています。削除しますか？"));
        QCOMPARE(countRows(QStringLiteral("select * from OndoKanri4")), 1); // the record stays
        QCOMPARE(countRows(QStringLiteral("select * from SIMEI")), 1);
        dialog.hide();

        onNextModal([](QWidget* w) { static_cast<TfEditSimei*>(w)->BitBtn1->click(); });
        QCOMPARE(dialog.exec(), int(QDialog::Accepted));
        QCOMPARE(dialog.ChosenKey(), QStringLiteral("山田"));
    }

    // Return in a field never closes the dialog and loses what was typed: in the code it moves
    // on, in the name it registers; 選択 is pressed; Escape closes.
    void returnMovesOnAndRegistersEscapeCancels()
    {
        TempProfile profile;
        prepareTables();
        TfEditKoji dialog;
        bool stillOpen = false;
        bool movedOn = false;
        QString status;
        // No QCOMPARE in here: a failed one would return before 選択 and leave the dialog open.
        onNextModal([&](QWidget* w) {
            auto* d = static_cast<TfEditKoji*>(w);
            d->Edit1->setFocus();
            d->Edit1->setText(QStringLiteral("K5"));
            QTest::keyClick(d->Edit1, Qt::Key_Return);
            movedOn = d->focusWidget() == d->Edit2;
            d->Edit2->setText(QStringLiteral("市道5号"));
            QTest::keyClick(d->Edit2, Qt::Key_Return);
            stillOpen = d->isVisible();
            status = d->findChild<QLabel*>(QStringLiteral("LabelStatus"))->text();
            d->BitBtn4->click(); // 選択
        });
        QCOMPARE(dialog.exec(), int(QDialog::Accepted));
        QVERIFY(movedOn);
        QVERIFY(stillOpen);
        QCOMPARE(status, QStringLiteral("「K5」を登録しました"));
        QCOMPARE(dialog.ChosenKey(), QStringLiteral("K5"));
        QCOMPARE(countRows(QStringLiteral("select * from Koji1")), 1);
        onNextModal([](QWidget* w) {
            QTest::keyClick(static_cast<TfEditKoji*>(w)->Edit2, Qt::Key_Escape);
        });
        QCOMPARE(dialog.exec(), int(QDialog::Rejected));
    }

    void limitsAndAccessibleNames()
    {
        TfEditKoji koji;
        TfEditGozai gozai;
        TfEditSimei simei;
        QCOMPARE(koji.Edit1->maxLength(), 8);
        QCOMPARE(koji.Edit2->maxLength(), 64);
        QCOMPARE(gozai.ComboBox1->lineEdit()->maxLength(), 64);
        QCOMPARE(gozai.Edit2->maxLength(), 64);
        QCOMPARE(simei.ComboBox1->lineEdit()->maxLength(), 16);
        QCOMPARE(simei.Edit1->maxLength(), 16);
        // Every input carries its label's caption, and the label leads to it.
        for (QDialog* d : std::initializer_list<QDialog*>{&koji, &gozai, &simei}) {
            QList<QLabel*> labels = d->findChildren<QLabel*>();
            labels.removeAll(d->findChild<QLabel*>(QStringLiteral("LabelStatus")));
            QCOMPARE(labels.size(), 2);
            for (QLabel* label : labels) {
                QVERIFY(label->buddy());
                QCOMPARE(label->buddy()->accessibleName(), label->text());
            }
        }
    }

    void mixChosenFromMainWindow()
    {
        TempProfile profile;
        prepareTables();
        registerEntry(TGozai(), QStringLiteral("密粒度13"), QStringLiteral("密粒度アスコン(13)"));
        registerEntry(TKoji(), QStringLiteral("K1"), QStringLiteral("工事一"));
        TOndoKanri stored;
        stored.Koji.Code() = QStringLiteral("K1");
        stored.Gozai.DataName() = QStringLiteral("密粒度13");
        stored.Kubun.ID = 1;
        stored.Hiduke = QDateTime(QDate(2024, 3, 31), QTime());
        stored.Save();

        TOndoKanri record;
        record.Koji.Load(QStringLiteral("K1"));
        record.Kubun.LoadByID(1);
        record.Simei.Simei() = QStringLiteral("山田");
        record.SpecValue = QStringLiteral("150_");
        record.MaxOndo = 160;

        // A mix with headers: only the mix changes.
        QVERIFY(!TakeChosenGozai(record, QStringLiteral("K1"), QStringLiteral("密粒度13")));
        QCOMPARE(record.Gozai.PrintName(), QStringLiteral("密粒度アスコン(13)"));
        QCOMPARE(record.Kubun.ID, 1);
        QCOMPARE(record.Simei.Simei(), QStringLiteral("山田"));

        // A mix without headers for the project: the record empties, project and mix stay.
        QVERIFY(TakeChosenGozai(record, QStringLiteral("K1"), QStringLiteral("開粒度")));
        QCOMPARE(record.Koji.Kojimei(), QStringLiteral("工事一"));
        QCOMPARE(record.Gozai.DataName(), QStringLiteral("開粒度"));
        QCOMPARE(record.Gozai.PrintName(), QStringLiteral("開粒度"));
        QCOMPARE(record.Kubun.ID, -1);
        QCOMPARE(record.Simei.Simei(), QString());
        QCOMPARE(record.SpecValue, QString());
        QCOMPARE(record.MaxOndo, 0.0);
        QCOMPARE(record.ID, 0);
    }
};

ONDO_TEST_MAIN(TestEditKoji, QApplication)
#include "test_editkoji.moc"
