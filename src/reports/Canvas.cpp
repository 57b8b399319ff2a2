#include "reports/Canvas.h"

#include <cmath>
#include <cstdlib>

namespace {

// Windows' MulDiv: rounds half away from zero.
int MulDiv(int a, int b, int c)
{
    return int(std::lround(double(a) * b / c));
}

} // namespace

TCanvas::TCanvas(int dpiX, int dpiY, std::shared_ptr<const TTextMetrics> metrics)
    : m_dpiX(dpiX), m_dpiY(dpiY), m_metrics(std::move(metrics))
{
    m_font.name = DefaultFaceName();
    SetFontSize(8);
}

void TCanvas::MoveTo(int x, int y)
{
    m_penPos = QPoint(x, y);
}

void TCanvas::LineTo(int x, int y)
{
    const QPoint to(x, y);
    if (to != m_penPos) {
        TDrawOp op;
        op.kind = TDrawOp::Kind::Line;
        op.p1 = m_penPos;
        op.p2 = to;
        op.pen = m_pen;
        op.brush = m_brush;
        Emit(std::move(op));
    }
    m_penPos = to;
}

TDrawOp TCanvas::MakeTextOp(int x, int y, const QString& text) const
{
    TDrawOp op;
    op.kind = TDrawOp::Kind::Text;
    op.p1 = QPoint(x, y);
    op.text = text;
    op.pen = m_pen;
    op.brush = m_brush;
    op.font = m_font;
    op.textWidth = TextWidth(text);
    op.textHeight = TextHeight(text);
    op.ascent = m_metrics->Ascent(m_font);
    return op;
}

void TCanvas::TextOut(int x, int y, const QString& text)
{
    Emit(MakeTextOp(x, y, text));
}

void TCanvas::TextOutNarrow(int x, int y, const QString& text, int charWidth, int escapement)
{
    TDrawOp op = MakeTextOp(x, y, text);
    op.font.charWidth = charWidth;
    op.font.escapement = escapement;
    const int average = AverageCharWidth();
    // As with a Windows font, a width of 0 keeps the natural shape and the sign is ignored.
    if (charWidth != 0 && average > 0) {
        op.xScale = double(std::abs(charWidth)) / average;
        op.textWidth = int(std::lround(op.textWidth * op.xScale));
    }
    Emit(std::move(op));
}

int TCanvas::TextWidth(const QString& text) const
{
    return m_metrics->TextWidth(m_font, text);
}

int TCanvas::TextHeight(const QString& text) const
{
    return m_metrics->TextHeight(m_font, text);
}

int TCanvas::AverageCharWidth() const
{
    return m_metrics->AverageCharWidth(m_font);
}

void TCanvas::Ellipse(int x1, int y1, int x2, int y2)
{
    TDrawOp op;
    op.kind = TDrawOp::Kind::Ellipse;
    op.p1 = QPoint(x1, y1);
    op.p2 = QPoint(x2, y2);
    op.pen = m_pen;
    op.brush = m_brush;
    Emit(std::move(op));
}

void TCanvas::Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4)
{
    TDrawOp op;
    op.kind = TDrawOp::Kind::Pie;
    op.p1 = QPoint(x1, y1);
    op.p2 = QPoint(x2, y2);
    op.p3 = QPoint(x3, y3);
    op.p4 = QPoint(x4, y4);
    op.pen = m_pen;
    op.brush = m_brush;
    Emit(std::move(op));
}

void TCanvas::Polygon(const QPolygon& corners)
{
    TDrawOp op;
    op.kind = TDrawOp::Kind::Polygon;
    op.polygon = corners;
    op.p1 = corners.isEmpty() ? QPoint() : corners.boundingRect().topLeft();
    op.p2 = corners.isEmpty() ? QPoint() : corners.boundingRect().bottomRight();
    op.pen = m_pen;
    op.brush = m_brush;
    Emit(std::move(op));
}

void TCanvas::Image(int x1, int y1, int x2, int y2, const QImage& image)
{
    TDrawOp op;
    op.kind = TDrawOp::Kind::Image;
    op.p1 = QPoint(x1, y1);
    op.p2 = QPoint(x2, y2);
    op.image = image;
    Emit(std::move(op));
}

void TCanvas::DrawRecorded(const TRecordedPage& part, const TCanvas& after)
{
    for (const TDrawOp& op : part.Ops())
        Emit(op);
    TakeState(after);
}

void TCanvas::TakeState(const TCanvas& other)
{
    m_penPos = other.m_penPos;
    m_pen = other.m_pen;
    m_brush = other.m_brush;
    m_font = other.m_font;
    m_origin = other.m_origin;
}

bool TCanvas::SameState(const TCanvas& other) const
{
    const TFontState& a = m_font;
    const TFontState& b = other.m_font;
    return m_penPos == other.m_penPos && m_pen == other.m_pen && m_brush == other.m_brush &&
           a.name == b.name && a.height == b.height && a.color == b.color &&
           a.charWidth == b.charWidth && a.escapement == b.escapement && a.bold == b.bold &&
           m_origin == other.m_origin;
}

void TCanvas::SetFontName(const QString& name)
{
    if (!name.isEmpty())
        m_font.name = name;
}

int TCanvas::FontSize() const
{
    return -MulDiv(m_font.height, 72, m_dpiY);
}

void TCanvas::SetFontSize(int points)
{
    m_font.height = -MulDiv(points, m_dpiY, 72);
}

TRecordingCanvas::TRecordingCanvas(QSize pageSize, int dpiX, int dpiY,
                                   std::shared_ptr<const TTextMetrics> metrics)
    : TCanvas(dpiX, dpiY, std::move(metrics)), m_page(pageSize), m_target(&m_page)
{
}

TRecordingCanvas::TRecordingCanvas(TRecordedPage* page, int dpiX, int dpiY,
                                   std::shared_ptr<const TTextMetrics> metrics)
    : TCanvas(dpiX, dpiY, std::move(metrics)), m_target(page)
{
}

std::shared_ptr<const TTextMetrics> DefaultTextMetrics()
{
    static const auto metrics = std::make_shared<const TQtTextMetrics>();
    return metrics;
}
