#pragma once

#include "widgets_ui/LazyDialog.h"

class TfCopyData;
class TfEditGozai;
class TfEditKoji;
class TfEditOndoData;
class TfEditOndoKubun;
class TfEditSimei;
class TfListView;
class TfRestoreBackup;
class TfSetDataPath;

// The master-data dialogs the main window opens from its menu and header buttons.
struct TRegisterDialogs
{
    DialogRef<TfListView> listView;
    DialogRef<TfEditOndoKubun> kubun;
    DialogRef<TfEditKoji> koji;
    DialogRef<TfEditGozai> gozai;
    DialogRef<TfEditSimei> simei;
};

// Opens each given dialog when the window asks for it; 選択 takes its choice into the day,
// and the day follows edited categories.
void ConnectRegisterDialogs(TfEditOndoData& window, const TRegisterDialogs& dialogs);

// The commands that put other data under the window: the data location, the copy between
// locations, restore from a backup. Afterwards the tables are made sure of and an empty record
// is shown, except after a data location change, which keeps the day on screen.
void ConnectDataLocationDialog(TfEditOndoData& window, DialogRef<TfSetDataPath> dialog);
void ConnectCopyDataDialog(TfEditOndoData& window, DialogRef<TfCopyData> dialog);
void ConnectRestoreDialog(TfEditOndoData& window, DialogRef<TfRestoreBackup> dialog);
