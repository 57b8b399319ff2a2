#include "app/ExchangeWiring.h"

#include "core/AppError.h"
#include "core/Utility.h"
#include "domain/DayEntry.h"
#include "entry_ui/EditOndoData.h"
#include "exchange/ProfileImport.h"
#include "exchange_ui/CsvImportDialog.h"
#include "exchange_ui/ExportDialog.h"
#include "exchange_ui/ParadoxImportDialog.h"
#include "widgets_ui/ErrorGuard.h"

#include <QFileDialog>
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

void ConnectProfileImport(TfEditOndoData& window)
{
    QObject::connect(&window, &TfEditOndoData::profileImportRequested, &window, [&window] {
        RunGuarded(&window, [&] {
            const TDayHeader& h = window.Entry().Header();
            if (h.kojiCode.trimmed().isEmpty() || h.gozaiName.trimmed().isEmpty())
                throw AppError(QStringLiteral("取り込む工事と合材を主画面で選んでください"));
            const QString file = QFileDialog::getOpenFileName(
                &window, QStringLiteral("敷均し温度分布の取り込み"), QString(),
                QStringLiteral("温度計測装置のCSV (*.csv *.CSV *.txt);;すべてのファイル (*)"));
            if (file.isEmpty())
                return;
            const QDate day = ProfileDay(file);
            const bool replace = HasProfile(h.kojiCode, h.gozaiName, day);
            if (replace &&
                QMessageBox::question(
                    &window, window.windowTitle(),
                    QStringLiteral("工事 %1 / %2 の %3 の敷均し温度分布は取り込み"
                                   "済みです。このファイルで置き換えますか？")
                        .arg(h.kojiCode, h.gozaiName, FormatDate(QDateTime(day, QTime(0, 0)))),
                    QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes)
                return;
            window.ShowStatus(
                ProfileImportLine(ImportProfile(file, h.kojiCode, h.gozaiName, replace)), 15000);
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
