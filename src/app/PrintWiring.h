#pragma once

#include "widgets_ui/LazyDialog.h"

class TfEditOndoData;
class TfSetPrintItems;

// "印刷": the shown day goes into the session's record, then the print settings dialog opens
// on that record.
void ConnectPrintDialog(TfEditOndoData& window, DialogRef<TfSetPrintItems> dialog);
