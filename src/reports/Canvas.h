#pragma once

#include "reports/CanvasTypes.h"
#include "reports/RecordedPage.h"
#include "reports/TextMetrics.h"

#include <QPoint>
#include <QString>
#include <memory>

// A page canvas with the semantics of a printer page under GDI, in dots of the page:
// - MoveTo / LineTo move the pen position; LineTo draws up to (not including) its end dot;
// - TextOut places the top-left corner of the character cell; an opaque brush fills the cell;
// - font sizes are points at the page's vertical resolution: Height = -(points * dpiY / 72),
//   to the nearest dot.
// A fresh canvas has a black solid pen one dot wide, a white solid brush, an 8 point black font
// in the default face, and its sheet origin at the paper's corner.
class TCanvas
{
public:
    TCanvas(int dpiX, int dpiY, std::shared_ptr<const TTextMetrics> metrics);
    virtual ~TCanvas() = default;
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    // Resolution of the page's device (dots per inch); fonts resolve at DpiY.
    int DpiX() const { return m_dpiX; }
    int DpiY() const { return m_dpiY; }

    void MoveTo(int x, int y);
    void LineTo(int x, int y);
    QPoint PenPos() const { return m_penPos; }

    void TextOut(int x, int y, const QString& text);
    // TextOut with a one-off font derived from the current one: characters charWidth dots wide
    // on average (0 keeps the natural width) and the baseline turned by escapement tenths of a
    // degree counter-clockwise. The text still starts at (x, y).
    void TextOutNarrow(int x, int y, const QString& text, int charWidth, int escapement);
    int TextWidth(const QString& text) const;
    int TextHeight(const QString& text) const;
    int AverageCharWidth() const;

    void Ellipse(int x1, int y1, int x2, int y2);
    // Sector of the inscribed ellipse, counter-clockwise from the radial through (x3, y3) to
    // the radial through (x4, y4).
    void Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
    // Outlined with the pen, filled with the brush.
    void Polygon(const QPolygon& corners);
    // The image stretched over the rectangle, a pixel a sharp-edged cell: a colour map.
    void Image(int x1, int y1, int x2, int y2, const QImage& image);

    int PenWidth() const { return m_pen.width; }
    void SetPenWidth(int width) { m_pen.width = width; }
    TPenStyle PenStyle() const { return m_pen.style; }
    void SetPenStyle(TPenStyle style) { m_pen.style = style; }
    TColor PenColor() const { return m_pen.color; }
    void SetPenColor(TColor color) { m_pen.color = color; }
    const TPenState& Pen() const { return m_pen; }

    TBrushStyle BrushStyle() const { return m_brush.style; }
    void SetBrushStyle(TBrushStyle style) { m_brush.style = style; }
    TColor BrushColor() const { return m_brush.color; }
    void SetBrushColor(TColor color) { m_brush.color = color; }
    const TBrushState& Brush() const { return m_brush; }

    QString FontName() const { return m_font.name; }
    // An empty name changes nothing.
    void SetFontName(const QString& name);
    int FontSize() const;
    void SetFontSize(int points);
    int FontHeight() const { return m_font.height; }
    void SetFontHeight(int height) { m_font.height = height; }
    TColor FontColor() const { return m_font.color; }
    void SetFontColor(TColor color) { m_font.color = color; }
    bool FontBold() const { return m_font.bold; }
    void SetFontBold(bool bold) { m_font.bold = bold; }
    const TFontState& Font() const { return m_font; }

    // Where the centimetre drawing (Print.h) puts 0,0 of the sheet.
    const TSheetOrigin& SheetOrigin() const { return m_origin; }
    void SetSheetOrigin(const TSheetOrigin& origin) { m_origin = origin; }

    // Draws again what another canvas of the same page kind recorded and takes over its state,
    // as if the same calls had been made here: a part common to many pages is drawn once.
    void DrawRecorded(const TRecordedPage& part, const TCanvas& after);
    // Pen, brush, font, pen position and sheet origin.
    void TakeState(const TCanvas& other);
    bool SameState(const TCanvas& other) const;
    const std::shared_ptr<const TTextMetrics>& Metrics() const { return m_metrics; }

protected:
    virtual void Emit(TDrawOp op) = 0;

private:
    TDrawOp MakeTextOp(int x, int y, const QString& text) const;

    int m_dpiX;
    int m_dpiY;
    std::shared_ptr<const TTextMetrics> m_metrics;
    QPoint m_penPos;
    TPenState m_pen;
    TBrushState m_brush;
    TFontState m_font;
    TSheetOrigin m_origin;
};

// Records what is drawn into a page: its own, or one that outlives the canvas.
class TRecordingCanvas : public TCanvas
{
public:
    TRecordingCanvas(QSize pageSize, int dpiX, int dpiY,
                     std::shared_ptr<const TTextMetrics> metrics);
    TRecordingCanvas(TRecordedPage* page, int dpiX, int dpiY,
                     std::shared_ptr<const TTextMetrics> metrics);

    const TRecordedPage& Page() const { return *m_target; }

protected:
    void Emit(TDrawOp op) override { m_target->Append(std::move(op)); }

private:
    TRecordedPage m_page;
    TRecordedPage* m_target;
};

// The metrics page canvases use unless told otherwise: the machine's fonts.
std::shared_ptr<const TTextMetrics> DefaultTextMetrics();
