#include "reports/RecordedPage.h"

#include "reports/TextMetrics.h"

#include <QGlyphRun>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QTextLayout>
#include <QtMath>
#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>
#include <unordered_map>
#include <vector>

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
        case TPenStyle::Dash:
            pen.setStyle(Qt::DashLine);
            pen.setCapStyle(Qt::FlatCap);
            break;
        case TPenStyle::Dot:
            pen.setStyle(Qt::DotLine);
            pen.setCapStyle(Qt::FlatCap);
            break;
        case TPenStyle::DashDot:
            pen.setStyle(Qt::DashDotLine);
            pen.setCapStyle(Qt::FlatCap);
            break;
        case TPenStyle::DashDotDot:
            pen.setStyle(Qt::DashDotDotLine);
            pen.setCapStyle(Qt::FlatCap);
            break;
        default:
            break;
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

// A text shaped once per face, size and text: every page of a document draws the same labels,
// scale numbers and dates again, and QPainter::drawText shapes them anew each time.
struct TShapedText
{
    QList<QGlyphRun> runs;
    double ascent = 0; // of the laid-out line: the runs' baseline below their origin
};

struct TShapedKey
{
    QString face;
    int height;
    bool bold;
    QString text;
    bool operator==(const TShapedKey& o) const
    {
        return height == o.height && bold == o.bold && text == o.text && face == o.face;
    }
};

struct TShapedKeyHash
{
    size_t operator()(const TShapedKey& k) const
    {
        return qHashMulti(0, k.face, k.height, k.bold, k.text);
    }
};

const TShapedText& ShapedText(const TFontState& font, const QString& text)
{
    // Hashed, and not ordered: every text of every page is looked up. A node's place stays
    // when others are added, so the text handed out stays valid.
    static std::unordered_map<TShapedKey, TShapedText, TShapedKeyHash> cache;
    // Bounded for a long run of the program; one document's texts fit many times over.
    if (cache.size() >= 20000)
        cache.clear();
    TShapedKey key{font.name, font.CharHeight(), font.bold, text};
    auto it = cache.find(key);
    if (it != cache.end())
        return it->second;
    QTextLayout layout(text, MakeQFont(font));
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    layout.setTextOption(option);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    layout.endLayout();
    TShapedText shaped;
    if (line.isValid()) {
        shaped.runs = layout.glyphRuns();
        shaped.ascent = line.ascent();
    }
    return cache.emplace(std::move(key), std::move(shaped)).first->second;
}

// Hands pen, brush and font to the painter only when they change, and draws upright text in
// the page's own transform: every save/restore or state change makes a PDF page write its
// graphics state (clip included) again, which was most of the cost of a page.
class TReplayer
{
public:
    TReplayer(QPainter& painter, double scale)
        : m_painter(painter), m_scale(scale),
          m_dotsAsPoints(painter.paintEngine() &&
                         painter.paintEngine()->type() == QPaintEngine::Pdf)
    {
        m_base = painter.transform();
    }

    void Draw(const TDrawOp& op)
    {
        // Lines, polygons and discs are gathered in runs, each drawn as soon as anything else
        // comes, so that what lies over what stays as recorded.
        if (op.kind != TDrawOp::Kind::Line)
            drawLines();
        if (op.kind != TDrawOp::Kind::Polygon)
            drawShapes();
        if (op.kind == TDrawOp::Kind::Line || op.kind == TDrawOp::Kind::Polygon) {
            drawDots();
            op.kind == TDrawOp::Kind::Line ? addLine(op) : addShape(op);
            return;
        }
        if (op.kind == TDrawOp::Kind::Ellipse && m_dotsAsPoints && addDot(op))
            return;
        drawDots();
        switch (op.kind) {
        case TDrawOp::Kind::Line: // in runs, by addLine
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
        case TDrawOp::Kind::Polygon: // in runs, by addShape
            break;
        case TDrawOp::Kind::Text:
            drawText(op);
            break;
        case TDrawOp::Kind::Image: {
            // A cell of a map is a cell: never blurred into its neighbours.
            const bool smooth = m_painter.testRenderHint(QPainter::SmoothPixmapTransform);
            m_painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
            m_painter.drawImage(QRectF(QPointF(op.p1), QPointF(op.p2)).normalized(), op.image);
            m_painter.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
            break;
        }
        }
    }

private:
    // Lines in a row that share a pen go to the painter as one call: a PDF page then strokes
    // them as one path, where each line alone costs a state check and a stroke of its own (the
    // chart's frames, grids and series are thousands of lines a document). A canvas colour is
    // always opaque, so the run drawn at once looks as its lines drawn one by one.
    void addLine(const TDrawOp& op)
    {
        if (m_lines.empty() || !(op.pen == m_linesState)) {
            QPen pen = MakeQPen(op.pen, m_scale);
            if (!m_lines.empty() && pen != m_linesPen)
                drawLines();
            m_linesPen = std::move(pen);
            m_linesState = op.pen;
        }
        m_lines.emplace_back(QPointF(op.p1), QPointF(op.p2));
    }

    void drawLines()
    {
        if (m_lines.empty())
            return;
        usePen(m_linesPen);
        m_painter.drawLines(m_lines.data(), int(m_lines.size()));
        m_lines.clear();
    }

    // Polygons in a row with one pen and brush that do not touch (a chart's markers) are one
    // path: filled and outlined at once, they look as they did one by one, and a PDF page
    // writes the state for them once. One that touches the run starts a new one, as does a
    // long run, so that looking for touches stays cheap.
    void addShape(const TDrawOp& op)
    {
        QPen pen = MakeQPen(op.pen, m_scale);
        QBrush brush = MakeQBrush(op.brush);
        const double margin = qMax(1.0, pen.widthF());
        const QRectF reach =
            QRectF(op.polygon.boundingRect()).adjusted(-margin, -margin, margin, margin);
        if (!m_shapeReach.empty() &&
            (pen != m_shapePen || brush != m_shapeBrush || m_shapeReach.size() >= 256 ||
             std::any_of(m_shapeReach.cbegin(), m_shapeReach.cend(),
                         [&](const QRectF& r) { return r.intersects(reach); })))
            drawShapes();
        if (m_shapeReach.empty()) {
            m_shapePen = std::move(pen);
            m_shapeBrush = std::move(brush);
        }
        m_shapes.addPolygon(QPolygonF(op.polygon));
        m_shapes.closeSubpath();
        m_shapeReach.push_back(reach);
    }

    void drawShapes()
    {
        if (m_shapeReach.empty())
            return;
        usePen(m_shapePen);
        useBrush(m_shapeBrush);
        m_painter.drawPath(m_shapes);
        m_shapes.clear();
        m_shapeReach.clear();
    }

    // A PDF writer turns a circle into four Bezier curves written out in full: the chart's
    // points were half of its page streams and a fifth of its time. A round-capped point of
    // the same diameter is one short segment that the viewer draws as an exact disc; an
    // outline is a wider disc in the pen's colour under it. Discs recorded one after another
    // that do not touch are drawn outlines first, then insides, a pen for all that share it:
    // each change of pen is written out in full too.
    struct TDot
    {
        QPointF centre;
        QPen outline; // Qt::NoPen: none
        QPen inside;  // Qt::NoPen: the outline covers it
        double reach;
    };

    bool addDot(const TDrawOp& op)
    {
        // A circle's corners are rounded to whole dots on each axis alone, so its box may be a
        // dot wider than high; its diameter is taken to the whole dot too, so that the discs
        // of one size share their pens (half a dot is a fiftieth of a millimetre).
        const QRectF r = QRectF(QPointF(op.p1), QPointF(op.p2)).normalized();
        if (std::abs(r.width() - r.height()) > 1 || r.isEmpty() ||
            op.brush.style != TBrushStyle::Solid)
            return false;
        const QPen pen = MakeQPen(op.pen, m_scale);
        const bool outlined = pen.style() != Qt::NoPen;
        if (outlined && (pen.style() != Qt::SolidLine || pen.widthF() <= 0))
            return false;
        const double diameter = std::round((r.width() + r.height()) / 2);
        const double width = outlined ? pen.widthF() : 0.0;
        TDot dot{r.center(), outlined ? dotPen(pen.color(), diameter + width) : QPen(Qt::NoPen),
                 diameter > width ? dotPen(ToQColor(op.brush.color), diameter - width)
                                  : QPen(Qt::NoPen),
                 (diameter + width) / 2};
        for (const TDot& other : m_dots) {
            if (QLineF(other.centre, dot.centre).length() < other.reach + dot.reach) {
                drawDots();
                break;
            }
        }
        m_dots.push_back(std::move(dot));
        return true;
    }

    void drawDots()
    {
        for (QPen TDot::*layer : {&TDot::outline, &TDot::inside}) {
            for (size_t i = 0; i < m_dots.size(); ++i) {
                const QPen& pen = m_dots[i].*layer;
                if (pen.style() == Qt::NoPen || (i > 0 && isDrawn(i, layer)))
                    continue;
                m_points.clear();
                for (size_t k = i; k < m_dots.size(); ++k) {
                    if (m_dots[k].*layer == pen)
                        m_points.push_back(m_dots[k].centre);
                }
                usePen(pen);
                m_painter.drawPoints(m_points.data(), int(m_points.size()));
            }
        }
        m_dots.clear();
    }

    // Whether an earlier dot of the run had the same pen on this layer, and so drew dot i.
    bool isDrawn(size_t i, QPen TDot::*layer) const
    {
        for (size_t k = 0; k < i; ++k) {
            if (m_dots[k].*layer == m_dots[i].*layer)
                return true;
        }
        return false;
    }

    static QPen dotPen(const QColor& colour, double diameter)
    {
        QPen pen(colour, diameter);
        pen.setCapStyle(Qt::RoundCap);
        return pen;
    }

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

    void drawText(const TDrawOp& op)
    {
        if (op.brush.style == TBrushStyle::Solid)
            m_painter.fillRect(QRect(op.p1, QSize(op.textWidth, op.textHeight)),
                               ToQColor(op.brush.color));
        // Text takes only the pen's colour: a line pen of that colour stays, so that lines and
        // their labels in turn do not write a pen out for each.
        const QColor colour = ToQColor(op.font.color);
        if (!m_penSet || m_pen.color() != colour || m_pen.brush().style() != Qt::SolidPattern)
            usePen(QPen(colour));
        const TShapedText& shaped = ShapedText(op.font, op.text);
        const bool upright = op.font.escapement == 0 && op.xScale == 1.0;
        if (upright) {
            if (m_turned) {
                m_painter.setTransform(m_base);
                m_turned = false;
            }
            drawShaped(shaped, QPointF(op.p1.x(), op.p1.y() + op.ascent));
            return;
        }
        QTransform t = m_base;
        t.translate(op.p1.x(), op.p1.y());
        if (op.font.escapement != 0)
            t.rotate(-op.font.escapement / 10.0);
        t.scale(op.xScale, 1.0);
        m_painter.setTransform(t);
        m_turned = true;
        drawShaped(shaped, QPointF(0, op.ascent));
    }

    void drawShaped(const TShapedText& shaped, QPointF baseline)
    {
        const QPointF origin(baseline.x(), baseline.y() - shaped.ascent);
        for (const QGlyphRun& run : shaped.runs)
            m_painter.drawGlyphRun(origin, run);
    }

public:
    bool DrawsDots() const { return m_dotsAsPoints; }

    void Finish()
    {
        drawLines();
        drawShapes();
        drawDots();
        if (m_turned)
            m_painter.setTransform(m_base);
    }

private:
    QPainter& m_painter;
    double m_scale;
    bool m_dotsAsPoints;
    std::vector<TDot> m_dots;
    std::vector<QPointF> m_points;
    std::vector<QLineF> m_lines;
    QPen m_linesPen;
    TPenState m_linesState; // the pen as recorded, so that a run's next line makes no QPen
    QPainterPath m_shapes;
    std::vector<QRectF> m_shapeReach;
    QPen m_shapePen;
    QBrush m_shapeBrush;
    QTransform m_base;
    bool m_turned = false;
    QPen m_pen;
    bool m_penSet = false;
    QBrush m_brush;
    bool m_brushSet = false;
};

// A chart draws each point again after every line that meets it, so that points lie on top.
// A disc drawn again later, the same in place, size and colours, covers all it painted before;
// only the last one is written to a PDF page.
std::vector<bool> HiddenDiscs(const std::vector<TDrawOp>& ops)
{
    using Key = std::tuple<int, int, int, int, int, int, TColor, int, TColor>;
    const auto keyOf = [](const TDrawOp& op) {
        return Key(op.p1.x(), op.p1.y(), op.p2.x(), op.p2.y(), op.pen.width, int(op.pen.style),
                   op.pen.color, int(op.brush.style), op.brush.color);
    };
    std::vector<bool> hidden(ops.size(), false);
    std::map<Key, size_t> last;
    for (size_t i = 0; i < ops.size(); ++i) {
        const TDrawOp& op = ops[i];
        if (op.kind != TDrawOp::Kind::Ellipse || op.brush.style != TBrushStyle::Solid)
            continue;
        const auto [it, inserted] = last.try_emplace(keyOf(op), i);
        if (!inserted) {
            hidden[it->second] = true;
            it->second = i;
        }
    }
    return hidden;
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
    TReplayer replayer(painter, scale);
    const std::vector<bool> hidden =
        replayer.DrawsDots() ? HiddenDiscs(m_ops) : std::vector<bool>();
    for (size_t i = 0; i < m_ops.size(); ++i) {
        if (hidden.empty() || !hidden[i])
            replayer.Draw(m_ops[i]);
    }
    replayer.Finish();
    painter.restore();
}

void TRecordedPage::ReplayAt(QPainter& painter, QPointF origin) const
{
    Replay(painter, QRectF(origin, QSizeF(m_size)));
}
