#pragma once

#include "reports/CanvasTypes.h"
#include "reports/ReportModel.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

class TCanvas;
class TPageSink;

// The parts the printed forms share, so that each is drawn the same way wherever it appears.

// The smallest font size any form prints at.
constexpr int SmallestPoints = 6;

// A box on the sheet in centimetres, (x1, y1) its top left and (x2, y2) its bottom right corner.
struct TCmBox
{
    float x1 = 0;
    float y1 = 0;
    float x2 = 0;
    float y2 = 0;
};

// Where a form's pages lie on the paper and where their number stands; each form has its own.
struct TFormPage
{
    TSheetOrigin origin;
    TCmBox pageNumber;
};

// The landscape sheet of both control charts: 1.5 cm in from the paper's left edge and 2.5 cm
// down, framed, its name in the band above the body.
constexpr TSheetOrigin ChartOrigin{1.5f, 2.5f};
constexpr TCmBox ChartBorder{0, 0, 26.7f, 15};
constexpr TCmBox ChartBody{0.2f, 1.1f, 26.5f, 14.8f};
constexpr TCmBox ChartNameBox{0, 0, 26.7f, 1.1f};

// A box four dots wide round the form and, when given, one two dots wide round its body. The
// pen is left solid, black and one dot wide.
void DrawFormFrame(TCanvas& canvas, const TCmBox& border,
                   const std::optional<TCmBox>& body = std::nullopt);
// The form's name in black at 20 pt, centred in the box; the font size is left as found.
void DrawFormName(TCanvas& canvas, const QString& name, const TCmBox& box);

// A label of a title block and the value beside it.
struct TTitleField
{
    QString label;
    QString value;
};

// The title block of a page of the statistical forms (X̄–s chart, capability sheet): the
// period runs from the first to the last day, the specified range shows "—" when none is given.
struct TStatTitle
{
    TTitleField project, mix, category, period, measurer, limit;
};
TStatTitle StatTitle(const TStatDocument& doc, const TStatSeries& series);

// "n / N" at 9 pt, centred in the page's number box; the font size is left as found.
void DrawPageNumber(TCanvas& canvas, const TFormPage& page, int number, int total);

// Pages of perPage days: as many as the days fill, and one without days.
int DayPages(int days, int perPage);

// The days page `page` (from 0) shows: indexes first to first + count - 1.
struct TDaySpan
{
    int first = 0;
    int count = 0;
};
TDaySpan PageDays(int page, int days, int perPage);

// The pages of one document of a form. Each page's canvas is placed on the form's sheet; a page
// is numbered "n / N" once the next one starts or the document finishes, and a new page of the
// pane comes only between two pages.
class TFormPages
{
public:
    // total: what the document will take, printed after the "/".
    TFormPages(TPageSink& pane, const TFormPage& page, int total);

    // Numbers the page drawn so far and starts the next one: the first page is the pane's
    // current one. The canvas is valid until the next call.
    TCanvas& Next();
    // Numbers the last page; nothing when none was started.
    void Finish();

private:
    TPageSink& m_pane;
    TFormPage m_page;
    int m_total;
    int m_number = 0;
};

// The day columns of a chart page: the label of the page's k-th day is centred on centre(k), at
// most halfWidth either side, in the band from top to bottom.
struct TDayColumns
{
    std::function<float(int)> centre;
    float halfWidth = 0;
    float top = 0;
    float bottom = 0;
};

// A label per day of the page, in the largest size at which every label fits its column: "11/10"
// on one line from the canvas font's size down to 8 pt, then month over day from 9 pt down, then
// one line at the smallest size, cut to fit. A day filled by simulation shows its date over a red
// "模擬値". The font size is left as found.
void DrawDayLabels(TCanvas& canvas, const QList<QDateTime>& days, const TDayColumns& columns,
                   const QList<bool>& simulated = {});

// Where the labels of a chart's horizontal reference lines go, in the column beside the plot.
struct TReferenceLabels
{
    int points = SmallestPoints;
    bool twoLines = false; // the name above the value; else both on one line
    float lineHeight = 0;  // of one line of text
    float pitch = 0;       // room of one label, centre to centre
    std::vector<float> centres;
};

// lineY: where each line lies, top first, in the band of `height` from `top`. Each label is
// centred on its line where there is room, pushed down below the one above, and up from the
// bottom of the band when that is full: labels never overlap and stay inside the band. They take
// two lines in the largest size from largestPoints down at which all fit, else one line each,
// squeezed together when even that does not fit.
TReferenceLabels LayOutReferenceLabels(const std::vector<float>& lineY, float top, float height,
                                       int largestPoints);
