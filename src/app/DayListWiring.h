#pragma once

#include "widgets_ui/LazyDialog.h"

class TfDayHistory;
class TfDayList;
class TfJourney;
class TfEditOndoData;

// データ → "登録済みの試験日…": the days of the record shown; a day chosen opens in the window,
// and its 履歴… shows the day's changes.
void ConnectDayList(TfEditOndoData& window, DialogRef<TfDayList> list,
                    DialogRef<TfDayHistory> history);

// データ → "温度低下…": the loads of the day shown, through every category of its project and mix.
void ConnectJourney(TfEditOndoData& window, DialogRef<TfJourney> journey);
