#pragma once

#include <functional>

class TfEditOndoData;
class TfRestoreBackup;

// Enables ファイル → "バックアップから復元…" of the main window: after a restore the tables
// are made sure of and the window shows an empty record. The dialog must outlive the window's use.
void ConnectRestoreDialog(TfEditOndoData& window, TfRestoreBackup& dialog);
// The same with the dialog asked for when the command is first chosen (one for the run).
void ConnectRestoreDialog(TfEditOndoData& window, std::function<TfRestoreBackup&()> dialog);
