#pragma once

#include "widgets_ui/LazyDialog.h"

class TfCsvImport;
class TfEditOndoData;
class TfExport;
class TfParadoxImport;

// "Excelに出力…": the dialog opens on the project shown; what it wrote appears in the status bar.
void ConnectExportDialog(TfEditOndoData& window, DialogRef<TfExport> dialog);
// "CSVから取り込み…": the dialog opens on the day shown; afterwards the first day imported is
// shown.
void ConnectCsvImportDialog(TfEditOndoData& window, DialogRef<TfCsvImport> dialog);
// "敷均し温度分布の取り込み…": a scanner's file for the project and mix shown; a day imported
// before is replaced only when the user agrees. The result shows in the status bar.
void ConnectProfileImport(TfEditOndoData& window);
// "旧データの取り込み…": after an import the result is told and an empty record shown, with the
// categories read again.
void ConnectOldDataImport(TfEditOndoData& window, DialogRef<TfParadoxImport> dialog);
