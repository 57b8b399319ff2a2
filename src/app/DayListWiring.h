#pragma once

#include "widgets_ui/LazyDialog.h"

class TfDayList;
class TfJourney;
class TfEditOndoData;

// データ → "登録済みの試験日…": the days of the record shown; a day chosen opens in the window.
void ConnectDayList(TfEditOndoData& window, DialogRef<TfDayList> list);

// データ → "温度低下…": the loads of the day shown, through every category of its project and mix.
void ConnectJourney(TfEditOndoData& window, DialogRef<TfJourney> journey);
