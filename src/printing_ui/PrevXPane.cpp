#include "printing_ui/PrevXPane.h"

#include "widgets_ui/ErrorGuard.h"

#include <QPainter>
#include <QPointer>
#include <QTimer>

TPrevXPane::TPrevXPane(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_prev.OnInvalidate = [this] { Refresh(); };
}

bool TPrevXPane::Rescale()
{
    m_prev.SetScreenPpi(logicalDpiY());
    try {
        m_prev.UpdateScaleForPaint();
        m_reported = false;
        return true;
    } catch (const AppError&) {
        if (!m_reported) {
            m_reported = true;
            QPointer<TPrevXPane> self(this);
            QTimer::singleShot(0, this, [self] {
                if (self)
                    RunGuarded(self->window(), [self] { self->m_prev.CheckPrinters(); });
            });
        }
        return false;
    }
}

void TPrevXPane::Refresh()
{
    if (Rescale() && size() != m_prev.PaneSize())
        resize(m_prev.PaneSize());
    update();
}

void TPrevXPane::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    const bool ok = Rescale();
    if (ok && size() != m_prev.PaneSize())
        resize(m_prev.PaneSize());
    // Without a printer only the empty sheet of the last known size is shown.
    m_prev.Paint(painter, ok);
}

void TPrevXPane::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Q_EMIT SizeChanged(size());
}
