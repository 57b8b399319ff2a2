#include "records/RestoreWiring.h"

#include "environment/ErrorGuard.h"
#include "environment/RestoreBackup.h"
#include "records/EditOndoData.h"

#include <QAction>

void ConnectRestoreDialog(TfEditOndoData& window, TfRestoreBackup& dialog)
{
    ConnectRestoreDialog(window, [&dialog]() -> TfRestoreBackup& { return dialog; });
}

void ConnectRestoreDialog(TfEditOndoData& window, std::function<TfRestoreBackup&()> dialogOf)
{
    auto* item = window.findChild<QAction*>(QStringLiteral("RestoreItem"));
    if (!item)
        return;
    item->setEnabled(true);
    QObject::connect(item, &QAction::triggered, &window, [&window, dialogOf] {
        RunGuarded(&window, [&window, &dialogOf] {
            TfRestoreBackup& dialog = dialogOf();
            if (dialog.exec() != QDialog::Accepted)
                return;
            // An older backup may lack tables; the record shown belongs to the old data.
            TOndoKanri::CreateTables();
            window.NewRecord();
        });
    });
}
