#pragma once

#include "widgets_ui/LazyDialog.h"

class TfEditOndoData;
class TfSitePanel;

// ファイル → 現場入力を開始… shows the site page's panel. Readings arriving from the page reach
// the day shown: it shows them, or, with unregistered changes of its own, says so and keeps
// them.
void ConnectSitePanel(TfEditOndoData& window, DialogRef<TfSitePanel> panel);
