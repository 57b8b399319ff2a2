#pragma once

#include "printing/PrevX.h"

#include <QWidget>

// The preview pane: the sheet of paper with its dotted printable area and the page shown.
// It owns the document. Its size follows the sheet at the zoom, 10 pixels around it.
class TPrevXPane : public QWidget
{
    Q_OBJECT

public:
    explicit TPrevXPane(QWidget* parent = nullptr);

    TPrevX& Document() { return m_prev; }
    // Recomputes the sizes and repaints; a missing printer is reported once.
    void Refresh();

Q_SIGNALS:
    void SizeChanged(QSize size);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // False when no printer is listed; then the first failure since the last success is
    // reported on the next turn of the event loop, outside painting.
    bool Rescale();

    TPrevX m_prev;
    bool m_reported = false;
};
