#pragma once

#include "widgets_ui/LazyDialog.h"

class TfEditOndoData;
class TfHelp;

// ヘルプ: "使い方" and F1 in any window of the program open the guide at the part about the
// window in front; "バージョン情報" the version box.
void ConnectHelp(TfEditOndoData& window, DialogRef<TfHelp> help);
