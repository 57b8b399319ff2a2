#pragma once

#include <functional>

class TfEditOndoData;
class TfCsvImport;

// Enables ファイル → "CSVから取り込み…" of the main window: the dialog opens on the record
// shown, and after an import the window shows the first day imported. The dialog must
// outlive the window's use.
void ConnectCsvImportDialog(TfEditOndoData& window, TfCsvImport& dialog);
// The same with the dialog asked for when the command is first chosen (one for the run).
void ConnectCsvImportDialog(TfEditOndoData& window, std::function<TfCsvImport&()> dialog);
