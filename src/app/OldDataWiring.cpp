#include "app/OldDataWiring.h"

#include "entry_ui/EditOndoData.h"
#include "exchange_ui/ParadoxImportDialog.h"
#include "widgets_ui/ErrorGuard.h"

#include <QAction>
#include <QMessageBox>

void ConnectOldDataImport(TfEditOndoData& window, TfParadoxImport& dialog)
{
    ConnectOldDataImport(window, [&dialog]() -> TfParadoxImport& { return dialog; });
}

void ConnectOldDataImport(TfEditOndoData& window, std::function<TfParadoxImport&()> dialogOf)
{
    QAction* item = window.ImportOldItem;
    if (!item)
        return;
    item->setEnabled(true);
    QObject::connect(item, &QAction::triggered, &window, [&window, dialogOf] {
        RunGuarded(&window, [&window, &dialogOf] {
            TfParadoxImport& dialog = dialogOf();
            if (!dialog.Run())
                return;
            // The shown record and the category box belong to the data before the import.
            window.RefreshKubun();
            window.NewRecord();
            QMessageBox::information(&window, window.windowTitle(),
                                     ParadoxImport::ResultLine(dialog.Imported()));
        });
    });
}
