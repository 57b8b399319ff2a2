#include "records/OldDataWiring.h"

#include "environment/ErrorGuard.h"
#include "exchange/ParadoxImportDialog.h"
#include "records/EditOndoData.h"

#include <QAction>
#include <QMessageBox>

void ConnectOldDataImport(TfEditOndoData& window, TfParadoxImport& dialog)
{
    QAction* item = window.ImportOldItem;
    if (!item)
        return;
    item->setEnabled(true);
    QObject::connect(item, &QAction::triggered, &window, [&window, &dialog] {
        RunGuarded(&window, [&window, &dialog] {
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
