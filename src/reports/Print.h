#pragma once

#include "reports/CanvasTypes.h"

#include <QPointF>
#include <QString>
#include <functional>
#include <vector>

class QImage;
class TCanvas;

// Drawing in centimetres on a page of printer dots.
//
// Positions are single-precision centimetres from the sheet origin the canvas carries
// (TCanvas::SheetOrigin). A page canvas starts at the printer's printable area, so the printer's
// physical offsets are taken off too. Every operation asks the selected printer afresh, so a
// change of printer or orientation takes effect at once. Nothing is clipped and nothing raises,
// except when no printer can be asked at all.

// What the conversions need of the selected printer.
struct TPrintDeviceCaps
{
    int dpiX = 0;
    int dpiY = 0;
    int physicalOffsetX = 0; // dots from the paper's left edge to the printable area
    int physicalOffsetY = 0;
};

// The selected printer, asked at every conversion (installed by the printer layer; tests may
// install fixed values). Without one the operations raise AppError.
// Returns the source it replaces.
std::function<TPrintDeviceCaps()> SetPrintDevice(std::function<TPrintDeviceCaps()> source);
TPrintDeviceCaps PrintDeviceCaps();

// Centimetres of a sheet to dots of a page canvas, for the selected printer as it is now:
// x cm becomes dot Trunc(dpiX * x / 2.54 - offsetX).
struct TSheetDots
{
    int dpiX = 0;
    int dpiY = 0;
    int offsetX = 0; // dots: the printer's physical offset less the origin's distance from the edge
    int offsetY = 0;

    int X(float cm) const;
    int Y(float cm) const;
    // Lengths, not positions: no offset.
    int Width(float cm) const;
    int Height(float cm) const;
};
TSheetDots SheetDots(const TSheetOrigin& origin);

// Align: 0 left / top, 1 centred, 2 right / bottom, 3 spread, 4 spread inside a tenth of the
// box on each side, 5 decimal split (the part from the first "." smaller, upper right).
// Vertical: 0 horizontal, 1 one character under the other; other values draw nothing.
// Two backslashes split the text into two lines (or columns); a text wider than its box wraps
// into the upper and lower halves. Pen, brush and font are left as found.
void PrintText(TCanvas& canvas, const QString& text, int align, float x1, float y1, float x2,
               float y2, int vertical);
// As PrintText when the text fits the width; else squeezed to the box width at its left edge.
void PrintFitText(TCanvas& canvas, const QString& text, int align, float x1, float y1, float x2,
                  float y2, int vertical);
// One line of text in the box: at the canvas font when it fits the width, else at the largest
// smaller whole point size down to minPoints, else cut with "…" at minPoints. Never wraps.
// Returns the point size used; the font is left as found. Alignments 0 to 2.
int PrintShrinkText(TCanvas& canvas, const QString& text, int align, float x1, float y1, float x2,
                    float y2, int minPoints = 6);
// Whether the text fits the box width in one line at the canvas font.
bool TextFits(TCanvas& canvas, const QString& text, float x1, float x2);
// Text at (x, y) with characters narrowed to percent of the average width, angle in degrees.
void PrintCondensedText(TCanvas& canvas, int angle, int percent, float x, float y,
                        const QString& text);
// Line in the canvas pen's style (solid, dotted, dash-dot; others the default 20-dot dash);
// the pen is solid afterwards.
void PrintLine(TCanvas& canvas, float x1, float y1, float x2, float y2, float widthFactor);
void PrintBox(TCanvas& canvas, float x1, float y1, float x2, float y2, float widthFactor);
void PrintCircle(TCanvas& canvas, float cx, float cy, float r);
// Corners in centimetres; outlined with the pen, filled with the brush.
void PrintPolygon(TCanvas& canvas, const std::vector<QPointF>& corners);
// The image stretched over the box, a pixel a sharp-edged cell.
void PrintImage(TCanvas& canvas, float x1, float y1, float x2, float y2, const QImage& image);
// Filled half disc: 0 upper, 1 right, 2 lower, 3 left. Leaves the brush solid, the pen black.
void PrintHalfCircle(TCanvas& canvas, int kind, float cx, float cy, float r);
// Both measure with 2.55 cm to the inch (0.4 % more than drawn) and the horizontal resolution.
float TextWidthCm(TCanvas& canvas, const QString& text);
float TextHeightCm(TCanvas& canvas, const QString& text);
// Pen width in dots rounded up; a value up to 0.00001 above a whole number stays that number.
void SetPenWidthMm(TCanvas& canvas, float mm);
