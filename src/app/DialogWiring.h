#pragma once

#include "widgets_ui/LazyDialog.h"

class TfEditOndoData;
class TfListView;
class TfEditOndoKubun;
class TfEditKoji;
class TfEditGozai;
class TfEditSimei;
class TfSetDataPath;

// The master-data dialogs the main window opens from its menu and header buttons.
struct TRegisterDialogs
{
    DialogRef<TfListView> listView;
    DialogRef<TfEditOndoKubun> kubun;
    DialogRef<TfEditKoji> koji;
    DialogRef<TfEditGozai> gozai;
    DialogRef<TfEditSimei> simei;
    DialogRef<TfSetDataPath> dataPath;
};

// Enables the menu entries and header buttons of the given dialogs and connects them.
void ConnectRegisterDialogs(TfEditOndoData& window, const TRegisterDialogs& dialogs);
