#pragma once

#include <functional>

class TfEditOndoData;
class TfExport;

// Enables ファイル → "Excelに出力…": the dialog opens on the project shown and what it wrote
// appears in the status bar. The dialog must outlive the window's use.
void ConnectExportDialog(TfEditOndoData& window, TfExport& dialog);
// The same with the dialog asked for when the command is first chosen (one for the run).
void ConnectExportDialog(TfEditOndoData& window, std::function<TfExport&()> dialog);
