#pragma once

#include "reports/ChartMemo.h"
#include "widgets_ui/LazyDialog.h"

class TfEditOndoData;
class TfSetPrintItems;

// The main window's memo as the control chart fills it.
class TMemoLines : public TChartMemo
{
public:
    explicit TMemoLines(TfEditOndoData& window) : m_window(window) {}
    void Clear() override;
    void AddLine(const QString& line) override;

private:
    TfEditOndoData& m_window;
};

// "印刷": the shown day goes into the session's record, then the print settings dialog opens
// on that record.
void ConnectPrintDialog(TfEditOndoData& window, DialogRef<TfSetPrintItems> dialog);
