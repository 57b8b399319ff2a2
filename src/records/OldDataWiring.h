#pragma once

class TfEditOndoData;
class TfParadoxImport;

// Enables ファイル → "旧データの取り込み…" of the main window: after an import the result is
// shown and the window starts an empty record with the categories read again. The dialog
// must outlive the window's use.
void ConnectOldDataImport(TfEditOndoData& window, TfParadoxImport& dialog);
