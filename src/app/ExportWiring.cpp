#include "app/ExportWiring.h"

#include "entry_ui/EditOndoData.h"
#include "exchange_ui/ExportDialog.h"
#include "widgets_ui/ErrorGuard.h"

#include <QAction>
#include <QLineEdit>
#include <QStatusBar>

void ConnectExportDialog(TfEditOndoData& window, TfExport& dialog)
{
    ConnectExportDialog(window, [&dialog]() -> TfExport& { return dialog; });
}

void ConnectExportDialog(TfEditOndoData& window, std::function<TfExport&()> dialogOf)
{
    window.ExportItem->setEnabled(true);
    QObject::connect(window.ExportItem, &QAction::triggered, &window, [&window, dialogOf] {
        RunGuarded(&window, [&window, &dialogOf] {
            TfExport& dialog = dialogOf();
            dialog.Fill(window.Edit2->text().trimmed());
            if (dialog.exec() == QDialog::Accepted)
                window.statusBar()->showMessage(dialog.Written(), 15000);
        });
    });
}
