#pragma once

#include "reports/ChartMemo.h"

#include <functional>

class QPlainTextEdit;
class TfEditOndoData;
class TfSetPrintItems;

// The main window's Memo1 as the control chart fills it.
class TMemoLines : public TChartMemo
{
public:
    explicit TMemoLines(QPlainTextEdit* memo) : m_memo(memo) {}
    void Clear() override;
    void AddLine(const QString& line) override;

private:
    QPlainTextEdit* m_memo;
};

// Enables "印刷" of the main window: the window's boxes go into its record object, then the
// print settings dialog opens on that record. The dialog must outlive the window's use.
void ConnectPrintDialog(TfEditOndoData& window, TfSetPrintItems& dialog);
// The same with the dialog asked for at the first "印刷" (made then, one for the run).
void ConnectPrintDialog(TfEditOndoData& window, std::function<TfSetPrintItems&()> dialog);
