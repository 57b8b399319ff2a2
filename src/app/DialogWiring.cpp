#include "app/DialogWiring.h"

#include "domain/ChosenEntry.h"
#include "entry_ui/EditOndoData.h"
#include "registers_ui/EditKoji.h"
#include "registers_ui/EditOndoKubun.h"
#include "settings_ui/DataLocation.h"
#include "settings_ui/SetDataPath.h"
#include "widgets_ui/ErrorGuard.h"
#include "widgets_ui/ListView.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>

namespace {

template <class Signal, class Sender>
void onTrigger(TfEditOndoData& w, Sender* sender, Signal signal, std::function<void()> action)
{
    sender->setEnabled(true);
    QObject::connect(sender, signal, &w, [&w, action] { RunGuarded(&w, action); });
}

} // namespace

void ConnectRegisterDialogs(TfEditOndoData& w, const TRegisterDialogs& d)
{
    TOndoKanri& r = w.OndoKanri();

    if (d.koji) {
        if (d.listView) {
            DialogRef<TfListView> lv = d.listView;
            d.koji->PickFromList = [lv](const ListViewData& data) {
                lv->Fill(data);
                lv->setWindowTitle(QStringLiteral("工事の選択"));
                return lv->exec() == QDialog::Accepted ? lv->SelectedIndex() : -1;
            };
        }
        onTrigger(w, w.KojiItem, &QAction::triggered, [d] { d.koji->exec(); });
        onTrigger(w, w.Button1, &QPushButton::clicked, [&w, &r, d] {
            if (d.koji->exec() != QDialog::Accepted)
                return;
            r.Koji.Load(d.koji->ChosenKey());
            w.Edit2->setText(r.Koji.Code());
            w.ComboBox1->setEditText(r.Koji.Kojimei());
        });
    }
    if (d.gozai) {
        onTrigger(w, w.GozaiItem, &QAction::triggered, [d] { d.gozai->exec(); });
        onTrigger(w, w.Button2, &QPushButton::clicked, [&w, &r, d] {
            if (d.gozai->exec() != QDialog::Accepted)
                return;
            const bool cleared = TakeChosenGozai(r, w.Edit2->text(), d.gozai->ChosenKey());
            if (cleared) {
                w.ShowRecord();
                return;
            }
            w.ComboBox2->setEditText(r.Gozai.DataName());
            w.Edit3->setText(r.Gozai.PrintName());
        });
    }
    if (d.simei) {
        onTrigger(w, w.SimeiItem, &QAction::triggered, [d] { d.simei->exec(); });
        onTrigger(w, w.Button9, &QPushButton::clicked, [&w, &r, d] {
            if (d.simei->exec() != QDialog::Accepted)
                return;
            r.Simei.Load(d.simei->ChosenKey());
            w.ComboBox5->setEditText(r.Simei.Simei());
        });
    }
    if (d.kubun) {
        // The shown record follows renamed categories and changed ranges and intervals.
        const auto editKubun = [&w, d] {
            d.kubun->exec();
            w.RefreshKubun();
        };
        onTrigger(w, w.KubunItem, &QAction::triggered, editKubun);
        onTrigger(w, w.Button4, &QPushButton::clicked, editKubun);
    }
    if (d.dataPath) {
        onTrigger(w, w.DataPathItem, &QAction::triggered, [&w, d] {
            RunDataLocation(*d.dataPath, &w);
            // Every table of a new folder is made at once and in one transaction, so the
            // next register does not fail on a missing table; the old folder has them.
            TOndoKanri::CreateTables();
        });
    }
}
