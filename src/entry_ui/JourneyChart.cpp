#include "entry_ui/JourneyChart.h"

#include "core/Utility.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace {

// Markers told apart by shape as well as colour, for a print in black and white.
void drawMarker(QPainter& p, const QPointF& at, int stage)
{
    static const QColor colours[] = {QColor(0xc0, 0x30, 0x00), QColor(0x00, 0x60, 0xc0),
                                     QColor(0x00, 0x90, 0x40), QColor(0x80, 0x00, 0x90)};
    p.setBrush(colours[stage % 4]);
    p.setPen(Qt::NoPen);
    const double r = 3.5;
    switch (stage % 4) {
    case 0:
        p.drawEllipse(at, r, r);
        break;
    case 1:
        p.drawRect(QRectF(at.x() - r, at.y() - r, 2 * r, 2 * r));
        break;
    case 2: {
        QPolygonF t{
            {at.x(), at.y() - r - 1}, {at.x() - r - 1, at.y() + r}, {at.x() + r + 1, at.y() + r}};
        p.drawPolygon(t);
        break;
    }
    default: {
        QPolygonF d{{at.x(), at.y() - r - 1},
                    {at.x() + r + 1, at.y()},
                    {at.x(), at.y() + r + 1},
                    {at.x() - r - 1, at.y()}};
        p.drawPolygon(d);
    }
    }
}

} // namespace

TJourneyChart::TJourneyChart(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("JourneyChart"));
    setMinimumHeight(220);
    setAccessibleName(QStringLiteral("運搬車ごとの温度の推移"));
}

void TJourneyChart::SetDay(const TJourneyDay& day)
{
    m_day = day;
    update();
}

void TJourneyChart::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), Qt::white);

    const std::optional<TJourneyAxes> axes = JourneyAxes(m_day);
    if (!axes) {
        p.setPen(Qt::darkGray);
        p.drawText(rect(), Qt::AlignCenter, QStringLiteral("時刻の入った温度がありません"));
        return;
    }
    const int first = axes->first, last = axes->last;
    const double low = axes->low, high = axes->high;

    const QFontMetrics fm(font());
    const QRectF plot(fm.horizontalAdvance(QStringLiteral("200 ℃")) + 10, 10,
                      width() - fm.horizontalAdvance(QStringLiteral("200 ℃")) - 24,
                      height() - 2 * fm.height() - 26);
    const auto x = [&](const QTime& t) {
        return plot.left() +
               plot.width() * (t.msecsSinceStartOfDay() / 60000.0 - first) / (last - first);
    };
    const auto y = [&](double temp) {
        return plot.bottom() - plot.height() * (temp - low) / (high - low);
    };

    p.setPen(QColor(0xdd, 0xdd, 0xdd));
    for (double t = std::ceil(low / 10) * 10; t <= high; t += 10)
        p.drawLine(QPointF(plot.left(), y(t)), QPointF(plot.right(), y(t)));
    const int step = axes->Step();
    for (int m = first; m <= last; m += step)
        p.drawLine(QPointF(x(QTime(0, 0).addSecs(60 * m)), plot.top()),
                   QPointF(x(QTime(0, 0).addSecs(60 * m)), plot.bottom()));
    p.setPen(Qt::black);
    p.drawRect(plot);
    for (double t = std::ceil(low / 10) * 10; t <= high; t += 10)
        p.drawText(QRectF(0, y(t) - fm.height() / 2.0, plot.left() - 4, fm.height()),
                   Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("%1 ℃").arg(t));
    for (int m = first; m <= last; m += step) {
        const QTime t = QTime(0, 0).addSecs(60 * m);
        p.drawText(QRectF(x(t) - 30, plot.bottom() + 2, 60, fm.height()), Qt::AlignCenter,
                   t.toString(QStringLiteral("H:mm")));
    }
    if (m_day.compactionStage >= 0) {
        p.setPen(QPen(Qt::red, 1, Qt::DashLine));
        p.drawLine(QPointF(plot.left(), y(m_day.compactionLimit)),
                   QPointF(plot.right(), y(m_day.compactionLimit)));
    }

    for (const TLoad& load : m_day.loads) {
        QPainterPath path;
        bool started = false;
        for (const auto& r : load.at) {
            if (!r || !r->time.isValid())
                continue;
            const QPointF pt(x(r->time), y(r->temp));
            if (started)
                path.lineTo(pt);
            else
                path.moveTo(pt);
            started = true;
        }
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(load.Marked() ? QColor(Qt::red) : QColor(0x70, 0x70, 0x70),
                      load.Marked() ? 1.6 : 1));
        p.drawPath(path);
        for (int s = 0; s < load.at.size(); ++s)
            if (load.at[s] && load.at[s]->time.isValid())
                drawMarker(p, QPointF(x(load.at[s]->time), y(load.at[s]->temp)), s);
    }

    // The legend under the time axis: a marker and the name of each stage.
    double lx = plot.left();
    const double ly = plot.bottom() + fm.height() + 12;
    for (int s = 0; s < m_day.stages.size(); ++s) {
        drawMarker(p, QPointF(lx + 5, ly), s);
        p.setPen(Qt::black);
        const QString name = m_day.stages[s].name;
        p.drawText(QPointF(lx + 14, ly + fm.ascent() / 2.0 - 1), name);
        lx += 30 + fm.horizontalAdvance(name);
    }
    if (m_day.compactionStage >= 0) {
        p.setPen(QPen(Qt::red, 1, Qt::DashLine));
        p.drawLine(QPointF(lx, ly), QPointF(lx + 20, ly));
        p.setPen(Qt::black);
        p.drawText(QPointF(lx + 26, ly + fm.ascent() / 2.0 - 1),
                   QStringLiteral("締固めの下限 %1 ℃").arg(FormatGeneral(m_day.compactionLimit)));
    }
}
