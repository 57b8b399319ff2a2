#pragma once

#include <QString>

// The main window's memo (Memo1) as the control chart fills it: the charted mixes, each
// followed by its days. The window implements it; a report run without a window passes none.
class TChartMemo
{
public:
    virtual ~TChartMemo() = default;
    virtual void Clear() = 0;
    virtual void AddLine(const QString& line) = 0;
};
