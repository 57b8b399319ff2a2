#include "app/RestoreWiring.h"

#include "entry_ui/EditOndoData.h"
#include "settings_ui/RestoreBackup.h"
#include "storage/Engine.h"
#include "widgets_ui/ErrorGuard.h"

#include <QAction>
#include <QMenu>

void ConnectRestoreDialog(TfEditOndoData& window, TfRestoreBackup& dialog)
{
    ConnectRestoreDialog(window, [&dialog]() -> TfRestoreBackup& { return dialog; });
}

void ConnectRestoreDialog(TfEditOndoData& window, std::function<TfRestoreBackup&()> dialogOf)
{
    auto* item = window.findChild<QAction*>(QStringLiteral("RestoreItem"));
    if (!item)
        return;
    // A server's backups are the server's own.
    const auto follow = [item] { item->setEnabled(!Engine::IsServer()); };
    follow();
    for (QObject* menu : item->associatedObjects()) {
        if (auto* m = qobject_cast<QMenu*>(menu))
            QObject::connect(m, &QMenu::aboutToShow, item, follow);
    }
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
