#include "records/ExportWiring.h"

#include "environment/ErrorGuard.h"
#include "exchange/ExportDialog.h"
#include "records/EditOndoData.h"

#include <QAction>
#include <QLineEdit>
#include <QStatusBar>

void ConnectExportDialog(TfEditOndoData& window, TfExport& dialog)
{
    window.ExportItem->setEnabled(true);
    QObject::connect(window.ExportItem, &QAction::triggered, &window, [&window, &dialog] {
        RunGuarded(&window, [&window, &dialog] {
            dialog.Fill(window.Edit2->text().trimmed());
            if (dialog.exec() == QDialog::Accepted)
                window.statusBar()->showMessage(dialog.Written(), 15000);
        });
    });
}
