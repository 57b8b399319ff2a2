#include "app/DialogWiring.h"

#include "domain/DayEntry.h"
#include "entry_ui/EditOndoData.h"
#include "registers_ui/EditKoji.h"
#include "registers_ui/EditOndoKubun.h"
#include "settings_ui/CopyDataDialog.h"
#include "settings_ui/DataLocation.h"
#include "settings_ui/RestoreBackup.h"
#include "settings_ui/SetDataPath.h"
#include "storage/Engine.h"
#include "widgets_ui/ErrorGuard.h"
#include "widgets_ui/ListView.h"

namespace {

// Runs `action` guarded whenever `signal` of the window is emitted.
template <class Signal, class Action>
void onRequest(TfEditOndoData& window, Signal signal, Action action)
{
    QObject::connect(&window, signal, &window, [&window, action](auto... args) {
        RunGuarded(&window, [&] { action(args...); });
    });
}

} // namespace

void ConnectRegisterDialogs(TfEditOndoData& window, const TRegisterDialogs& d)
{
    TDayEntry& entry = window.Entry();
    if (d.koji) {
        if (d.listView) {
            DialogRef<TfListView> lv = d.listView;
            d.koji->PickFromList = [lv](const ListViewData& data) {
                lv->Fill(data);
                lv->setWindowTitle(QStringLiteral("工事の選択"));
                return lv->exec() == QDialog::Accepted ? lv->SelectedIndex() : -1;
            };
        }
        onRequest(window, &TfEditOndoData::projectDialogRequested, [&entry, d](bool fromHeader) {
            // From the header, a code typed there and not registered yet is what to register.
            const QString typed = entry.Header().kojiCode.trimmed();
            if (fromHeader && !typed.isEmpty() && !TKoji::Exists(typed))
                d.koji->SetKey(typed);
            if (d.koji->exec() == QDialog::Accepted)
                entry.TakeProject(d.koji->ChosenKey());
        });
    }
    if (d.gozai) {
        onRequest(window, &TfEditOndoData::mixDialogRequested, [&entry, d](bool) {
            if (d.gozai->exec() == QDialog::Accepted)
                entry.TakeGozai(d.gozai->ChosenKey());
        });
    }
    if (d.simei) {
        onRequest(window, &TfEditOndoData::measurerDialogRequested, [&entry, d](bool) {
            if (d.simei->exec() == QDialog::Accepted)
                entry.TakeSimei(d.simei->ChosenKey());
        });
    }
    if (d.kubun) {
        // The shown record follows renamed categories and changed ranges and intervals.
        onRequest(window, &TfEditOndoData::categoryDialogRequested, [&entry, d] {
            d.kubun->exec();
            entry.RefreshKubun();
        });
    }
}

void ConnectDataLocationDialog(TfEditOndoData& window, DialogRef<TfSetDataPath> dialog)
{
    onRequest(window, &TfEditOndoData::dataLocationRequested, [&window, dialog] {
        if (!window.Entry().SettleUnsaved())
            return;
        const QString before = Engine::CurrentFolder();
        RunDataLocation(*dialog, &window);
        // Every table of a new folder is made at once and in one transaction, so the next
        // register does not fail on a missing table; the old folder has them.
        TOndoKanri::CreateTables();
        if (Engine::CurrentFolder() != before)
            window.Entry().Reset();
    });
}

void ConnectCopyDataDialog(TfEditOndoData& window, DialogRef<TfCopyData> dialog)
{
    onRequest(window, &TfEditOndoData::copyDataRequested, [&window, dialog] {
        if (!window.Entry().SettleUnsaved())
            return;
        dialog->CopiedAny = false;
        dialog->exec();
        if (!dialog->CopiedAny)
            return;
        // The copy may have replaced the data this window shows.
        TOndoKanri::CreateTables();
        window.Entry().Reset();
    });
}

void ConnectRestoreDialog(TfEditOndoData& window, DialogRef<TfRestoreBackup> dialog)
{
    onRequest(window, &TfEditOndoData::restoreRequested, [&window, dialog] {
        if (!window.Entry().SettleUnsaved() || dialog->exec() != QDialog::Accepted)
            return;
        // An older backup may lack tables; the record shown belongs to the old data.
        TOndoKanri::CreateTables();
        window.Entry().Reset();
    });
}
