#pragma once

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
    TfListView* listView = nullptr;
    TfEditOndoKubun* kubun = nullptr;
    TfEditKoji* koji = nullptr;
    TfEditGozai* gozai = nullptr;
    TfEditSimei* simei = nullptr;
    TfSetDataPath* dataPath = nullptr;
};

// Enables the menu entries and header buttons of the given dialogs and connects them.
void ConnectRegisterDialogs(TfEditOndoData& window, const TRegisterDialogs& dialogs);
