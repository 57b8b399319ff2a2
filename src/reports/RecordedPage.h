#pragma once

#include "reports/CanvasTypes.h"

#include <QImage>
#include <QPoint>
#include <QPolygon>
#include <QRectF>
#include <QSize>
#include <QString>
#include <vector>

class QPainter;

// One drawing operation of a page, in dots of the page, with the pen, brush and font in force.
struct TDrawOp
{
    enum class Kind { Line, Text, Ellipse, Pie, Polygon, Image };

    Kind kind = Kind::Line;
    QPoint p1; // Line: start; Text: top-left of the character cell; Ellipse, Pie: rectangle corner
    QPoint p2; // Line: end (not drawn); Ellipse, Pie, Image: opposite corner
    QPoint p3; // Pie: point on the starting radial
    QPoint p4; // Pie: point on the ending radial (counter-clockwise from p3)
    QPolygon polygon; // Polygon: its corners, outlined with the pen and filled with the brush
    QImage image;     // Image: stretched over p1 to p2, each pixel a sharp-edged cell
    QString text;
    TPenState pen;
    TBrushState brush;
    TFontState font;
    int textWidth = 0;   // Text: measured when drawn, narrowing applied
    int textHeight = 0;  // Text: the character cell
    int ascent = 0;      // Text: cell top to baseline
    double xScale = 1.0; // Text: narrowing factor of condensed text
};

// A recorded page: its frame is the printable area in printer dots.
class TRecordedPage
{
public:
    TRecordedPage() = default;
    explicit TRecordedPage(QSize size) : m_size(size) {}

    QSize Size() const { return m_size; }
    const std::vector<TDrawOp>& Ops() const { return m_ops; }
    void Append(TDrawOp op) { m_ops.push_back(std::move(op)); }

    // Maps the whole frame onto target, stretched.
    void Replay(QPainter& painter, const QRectF& target) const;
    // At its own size, one page dot to one device unit, top-left at origin.
    void ReplayAt(QPainter& painter, QPointF origin) const;

private:
    QSize m_size;
    std::vector<TDrawOp> m_ops;
};
