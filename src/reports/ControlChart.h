#pragma once

#include <QList>
#include <QString>

class TCanvas;
class TChartMemo;
class TOndoKanri;
class TPageSink;

// A horizontal reference line of the chart: a category's average (black) or one of its
// specified limits (red).
class TOJ
{
public:
    QString Name;
    float Value = 0;
    bool IsLimit = false;
};

// The static landscape sheet of the X control chart, drawn anew on every page. Leaves the pen
// one dot wide, solid, in the colour of setting HotbinMemoriColor (aqua when empty), and the
// font at 10 points.
void DrawChartFrame(TCanvas& canvas);

// Draws the X control chart into `pane`, one landscape sheet per mix and per 22 days.
//
// record      the record in the main window: its project code, mix and measurer. Afterwards
//             its mix object holds the last charted mix.
// pane        the preview pane, already in a document (BeginDocument); the chart adds the
//             pages after the first and never ends the document.
// kubunIds    identifiers of the ticked categories, in the order of the dialog's list.
// perProject  "工事毎に印刷": every mix of the project instead of the record's own mix.
// low, high   temperature axis in °C as the dialog parsed them (ParseNumber); kept to four
//             decimals, an exact half going to the even neighbour. Equal bounds draw the sheet
//             with its title, period, measurer and days but no axis, reference lines or points.
// memo        Memo1 of the main window, cleared and filled with each mix and its days; may
//             be null.
//
// The caller sets PrintMarginX = -1.5, PrintMarginY = -2.5 and landscape orientation first.
// Query failures raise the engine's AppError.
void DrawControlChart(TOndoKanri& record, TPageSink& pane, const QList<int>& kubunIds,
                      bool perProject, double low, double high, TChartMemo* memo = nullptr);
