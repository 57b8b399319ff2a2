#include "app/ExchangeWiring.h"

#include "domain/DayEntry.h"
#include "entry_ui/EditOndoData.h"
#include "exchange_ui/CsvImportDialog.h"
#include "exchange_ui/ExportDialog.h"
#include "exchange_ui/ParadoxImportDialog.h"
#include "widgets_ui/ErrorGuard.h"

#include <QMessageBox>

void ConnectExportDialog(TfEditOndoData& window, DialogRef<TfExport> dialog)
{
    QObject::connect(&window, &TfEditOndoData::exportRequested, &window, [&window, dialog] {
        RunGuarded(&window, [&] {
            dialog->Fill(window.Entry().Header().kojiCode.trimmed());
            if (dialog->exec() == QDialog::Accepted)
                window.ShowStatus(dialog->Written(), 15000);
        });
    });
}

void ConnectCsvImportDialog(TfEditOndoData& window, DialogRef<TfCsvImport> dialog)
{
    QObject::connect(&window, &TfEditOndoData::csvImportRequested, &window, [&window, dialog] {
        RunGuarded(&window, [&] {
            TDayEntry& entry = window.Entry();
            // The import ends by showing the first day it stored.
            if (!entry.SettleUnsaved())
                return;
            const TOndoKanri shown = entry.RecordAsShown();
            dialog->Prepare({shown.Koji.Code(), shown.Gozai.DataName(), shown.Kubun.KubunName,
                             shown.Simei.Simei()});
            if (dialog->exec() != QDialog::Accepted || !dialog->FirstDay.isValid())
                return;
            const CsvTarget target = dialog->Target();
            entry.ShowDay(target.kojiCode, target.gozaiName, target.kubunName,
                          QDateTime(dialog->FirstDay, QTime(0, 0)));
        });
    });
}

void ConnectOldDataImport(TfEditOndoData& window, DialogRef<TfParadoxImport> dialog)
{
    QObject::connect(&window, &TfEditOndoData::oldDataImportRequested, &window, [&window, dialog] {
        RunGuarded(&window, [&] {
            if (!window.Entry().SettleUnsaved() || !dialog->Run())
                return;
            // The shown record and the category box belong to the data before the import.
            window.Entry().RefreshKubun();
            window.Entry().Reset();
            QMessageBox::information(&window, window.windowTitle(),
                                     ParadoxImport::ResultLine(dialog->Imported()));
        });
    });
}
