#pragma once

#include <functional>

class TfEditOndoData;
class TfParadoxImport;

// Enables ファイル → "旧データの取り込み…" of the main window: after an import the result is
// shown and the window starts an empty record with the categories read again. The dialog
// must outlive the window's use.
void ConnectOldDataImport(TfEditOndoData& window, TfParadoxImport& dialog);
// The same with the dialog asked for when the command is first chosen (one for the run).
void ConnectOldDataImport(TfEditOndoData& window, std::function<TfParadoxImport&()> dialog);
