#pragma once

class TfEditOndoData;
class TfExport;

// Enables ファイル → "Excelに出力…": the dialog opens on the project shown and what it wrote
// appears in the status bar. The dialog must outlive the window's use.
void ConnectExportDialog(TfEditOndoData& window, TfExport& dialog);
