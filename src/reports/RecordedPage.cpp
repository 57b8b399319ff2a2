#include "reports/RecordedPage.h"

#include "reports/TextMetrics.h"

#include <QPainter>
#include <QPainterPath>
#include <QtMath>
#include <cmath>

namespace {

// scale: device units per page dot. A pen thinner than one device unit keeps one unit, as a
// printer pen shown on a screen does.
QPen MakeQPen(const TPenState& p, double scale)
{
    if (p.style == TPenStyle::Clear)
        return QPen(Qt::NoPen);
    QPen pen(ToQColor(p.color));
    pen.setWidthF(qMax(1, p.width) * scale < 1 ? 0.0 : qMax(1, p.width));
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    // Printer pens wider than one dot are always solid.
    if (p.width <= 1) {
        switch (p.style) {
        case TPenStyle::Dash: pen.setStyle(Qt::DashLine); pen.setCapStyle(Qt::FlatCap); break;
        case TPenStyle::Dot: pen.setStyle(Qt::DotLine); pen.setCapStyle(Qt::FlatCap); break;
        case TPenStyle::DashDot: pen.setStyle(Qt::DashDotLine); pen.setCapStyle(Qt::FlatCap); break;
        case TPenStyle::DashDotDot: pen.setStyle(Qt::DashDotDotLine); pen.setCapStyle(Qt::FlatCap); break;
        default: break;
        }
    }
    return pen;
}

QBrush MakeQBrush(const TBrushState& b)
{
    if (b.style == TBrushStyle::Clear)
        return QBrush(Qt::NoBrush);
    return QBrush(ToQColor(b.color));
}

// Angle of a point seen from the centre, counter-clockwise from 3 o'clock, y pointing down.
double AngleOf(QPointF centre, QPoint p)
{
    return qRadiansToDegrees(std::atan2(centre.y() - p.y(), p.x() - centre.x()));
}

void DrawOp(QPainter& painter, const TDrawOp& op, double scale)
{
    switch (op.kind) {
    case TDrawOp::Kind::Line:
        painter.setPen(MakeQPen(op.pen, scale));
        painter.drawLine(QPointF(op.p1), QPointF(op.p2));
        break;
    case TDrawOp::Kind::Ellipse:
        painter.setPen(MakeQPen(op.pen, scale));
        painter.setBrush(MakeQBrush(op.brush));
        painter.drawEllipse(QRectF(QPointF(op.p1), QPointF(op.p2)).normalized());
        break;
    case TDrawOp::Kind::Pie: {
        painter.setPen(MakeQPen(op.pen, scale));
        painter.setBrush(MakeQBrush(op.brush));
        const QRectF r = QRectF(QPointF(op.p1), QPointF(op.p2)).normalized();
        const double a1 = AngleOf(r.center(), op.p3);
        double span = AngleOf(r.center(), op.p4) - a1;
        while (span <= 0)
            span += 360;
        painter.drawPie(r, int(std::lround(a1 * 16)), int(std::lround(span * 16)));
        break;
    }
    case TDrawOp::Kind::Text: {
        if (op.brush.style == TBrushStyle::Solid)
            painter.fillRect(QRect(op.p1, QSize(op.textWidth, op.textHeight)), ToQColor(op.brush.color));
        painter.save();
        painter.setFont(MakeQFont(op.font));
        painter.setPen(ToQColor(op.font.color));
        painter.translate(op.p1);
        if (op.font.escapement != 0)
            painter.rotate(-op.font.escapement / 10.0);
        painter.scale(op.xScale, 1.0);
        painter.drawText(QPointF(0, op.ascent), op.text);
        painter.restore();
        break;
    }
    }
}

} // namespace

void TRecordedPage::Replay(QPainter& painter, const QRectF& target) const
{
    if (m_size.isEmpty())
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.setClipRect(target, Qt::IntersectClip);
    painter.translate(target.topLeft());
    painter.scale(target.width() / m_size.width(), target.height() / m_size.height());
    const QTransform device = painter.deviceTransform();
    const double scale = qMin(std::abs(device.m11()), std::abs(device.m22()));
    for (const TDrawOp& op : m_ops)
        DrawOp(painter, op, scale);
    painter.restore();
}

void TRecordedPage::ReplayAt(QPainter& painter, QPointF origin) const
{
    Replay(painter, QRectF(origin, QSizeF(m_size)));
}
