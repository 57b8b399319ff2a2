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

// Hands pen, brush and font to the painter only when they change, and draws upright text in
// the page's own transform: every save/restore or state change makes a PDF page write its
// graphics state (clip included) again, which was most of the cost of a page.
class TReplayer
{
public:
    TReplayer(QPainter& painter, double scale) : m_painter(painter), m_scale(scale)
    {
        m_base = painter.transform();
    }

    void Draw(const TDrawOp& op)
    {
        switch (op.kind) {
        case TDrawOp::Kind::Line:
            usePen(MakeQPen(op.pen, m_scale));
            m_painter.drawLine(QPointF(op.p1), QPointF(op.p2));
            break;
        case TDrawOp::Kind::Ellipse:
            usePen(MakeQPen(op.pen, m_scale));
            useBrush(MakeQBrush(op.brush));
            m_painter.drawEllipse(QRectF(QPointF(op.p1), QPointF(op.p2)).normalized());
            break;
        case TDrawOp::Kind::Pie: {
            usePen(MakeQPen(op.pen, m_scale));
            useBrush(MakeQBrush(op.brush));
            const QRectF r = QRectF(QPointF(op.p1), QPointF(op.p2)).normalized();
            const double a1 = AngleOf(r.center(), op.p3);
            double span = AngleOf(r.center(), op.p4) - a1;
            while (span <= 0)
                span += 360;
            m_painter.drawPie(r, int(std::lround(a1 * 16)), int(std::lround(span * 16)));
            break;
        }
        case TDrawOp::Kind::Text:
            drawText(op);
            break;
        }
    }

private:
    void usePen(const QPen& pen)
    {
        if (!m_penSet || pen != m_pen) {
            m_painter.setPen(pen);
            m_pen = pen;
            m_penSet = true;
        }
    }

    void useBrush(const QBrush& brush)
    {
        if (!m_brushSet || brush != m_brush) {
            m_painter.setBrush(brush);
            m_brush = brush;
            m_brushSet = true;
        }
    }

    void useFont(const TFontState& font)
    {
        if (m_fontSet && font.CharHeight() == m_fontHeight && font.name == m_fontName)
            return;
        m_painter.setFont(MakeQFont(font));
        m_fontName = font.name;
        m_fontHeight = font.CharHeight();
        m_fontSet = true;
    }

    void drawText(const TDrawOp& op)
    {
        if (op.brush.style == TBrushStyle::Solid)
            m_painter.fillRect(QRect(op.p1, QSize(op.textWidth, op.textHeight)), ToQColor(op.brush.color));
        useFont(op.font);
        usePen(QPen(ToQColor(op.font.color)));
        const bool upright = op.font.escapement == 0 && op.xScale == 1.0;
        if (upright) {
            if (m_turned) {
                m_painter.setTransform(m_base);
                m_turned = false;
            }
            m_painter.drawText(QPointF(op.p1.x(), op.p1.y() + op.ascent), op.text);
            return;
        }
        QTransform t = m_base;
        t.translate(op.p1.x(), op.p1.y());
        if (op.font.escapement != 0)
            t.rotate(-op.font.escapement / 10.0);
        t.scale(op.xScale, 1.0);
        m_painter.setTransform(t);
        m_turned = true;
        m_painter.drawText(QPointF(0, op.ascent), op.text);
    }

public:
    void Finish()
    {
        if (m_turned)
            m_painter.setTransform(m_base);
    }

private:
    QPainter& m_painter;
    double m_scale;
    QTransform m_base;
    bool m_turned = false;
    QPen m_pen;
    bool m_penSet = false;
    QBrush m_brush;
    bool m_brushSet = false;
    QString m_fontName;
    int m_fontHeight = 0;
    bool m_fontSet = false;
};

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
    TReplayer replayer(painter, scale);
    for (const TDrawOp& op : m_ops)
        replayer.Draw(op);
    replayer.Finish();
    painter.restore();
}

void TRecordedPage::ReplayAt(QPainter& painter, QPointF origin) const
{
    Replay(painter, QRectF(origin, QSizeF(m_size)));
}
