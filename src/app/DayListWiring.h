#pragma once

#include "widgets_ui/LazyDialog.h"

class TfDayList;
class TfEditOndoData;

// データ → "登録済みの試験日…": the days of the record shown; a day chosen opens in the window.
void ConnectDayList(TfEditOndoData& window, DialogRef<TfDayList> list);
