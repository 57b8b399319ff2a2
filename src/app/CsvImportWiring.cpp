#include "app/CsvImportWiring.h"

#include "entry_ui/EditOndoData.h"
#include "exchange_ui/CsvImportDialog.h"
#include "widgets_ui/ErrorGuard.h"

#include <QAction>

void ConnectCsvImportDialog(TfEditOndoData& window, TfCsvImport& dialog)
{
    ConnectCsvImportDialog(window, [&dialog]() -> TfCsvImport& { return dialog; });
}

void ConnectCsvImportDialog(TfEditOndoData& window, std::function<TfCsvImport&()> dialogOf)
{
    if (!window.ImportCsvItem)
        return;
    window.ImportCsvItem->setEnabled(true);
    QObject::connect(window.ImportCsvItem, &QAction::triggered, &window, [&window, dialogOf] {
        RunGuarded(&window, [&window, &dialogOf] {
            TfCsvImport& dialog = dialogOf();
            TOndoKanri shown;
            window.ReadRecord(shown);
            dialog.Prepare({shown.Koji.Code(), shown.Gozai.DataName(), shown.Kubun.KubunName,
                            shown.Simei.Simei()});
            if (dialog.exec() != QDialog::Accepted || !dialog.FirstDay.isValid())
                return;
            const CsvTarget target = dialog.Target();
            TOndoKanri& record = window.OndoKanri();
            record.Clear();
            record.Koji.Load(target.kojiCode);
            record.Gozai.Load(target.gozaiName);
            record.Kubun.LoadByName(target.kubunName);
            record.Hiduke = QDateTime(dialog.FirstDay, QTime(0, 0));
            record.LoadByDate();
            window.ShowRecord();
        });
    });
}
