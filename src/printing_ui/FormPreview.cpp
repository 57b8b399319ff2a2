#include "printing_ui/FormPreview.h"

#include "core/Utility.h"
#include "printing/PdfPrinter.h"
#include "printing_ui/PrevXPane.h"
#include "printing_ui/SystemPrinters.h"
#include "widgets_ui/ErrorGuard.h"
#include "widgets_ui/WindowFont.h"

#include <QApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>

namespace {

constexpr int kWheelStep = 32;

} // namespace

TFormPreview::TFormPreview(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("印刷プレビュー"));
    setWindowFlags(Qt::Window | Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint |
                   Qt::WindowCloseButtonHint);
    QFont f = WindowFont(QStringLiteral("ＭＳ Ｐゴシック"), -1);
    f.setPixelSize(12);
    setFont(f);

    Panel1 = new QWidget(this);
    Panel1->setFixedHeight(90);
    auto* bar = new QHBoxLayout(Panel1);

    GroupBox2 = new QGroupBox(QStringLiteral("表示倍率"), Panel1);
    auto* zoom = new QHBoxLayout(GroupBox2);
    Button5 = new QPushButton(QStringLiteral("＋"), GroupBox2);
    Button6 = new QPushButton(QStringLiteral("－"), GroupBox2);
    zoom->addWidget(Button5);
    zoom->addWidget(Button6);
    bar->addWidget(GroupBox2);

    GroupBox4 = new QGroupBox(QStringLiteral("ページ切替"), Panel1);
    auto* paging = new QHBoxLayout(GroupBox4);
    Edit1 = new QLineEdit(QStringLiteral("1"), GroupBox4);
    Edit1->setFixedWidth(60);
    UpDownDown = new QToolButton(GroupBox4);
    UpDownDown->setArrowType(Qt::LeftArrow);
    UpDownUp = new QToolButton(GroupBox4);
    UpDownUp->setArrowType(Qt::RightArrow);
    LabelPages = new QLabel(QStringLiteral("/ 1"), GroupBox4);
    LabelPages->setObjectName(QStringLiteral("LabelPages"));
    paging->addWidget(Edit1);
    paging->addWidget(LabelPages);
    paging->addSpacing(6);
    paging->addWidget(UpDownDown);
    paging->addWidget(UpDownUp);
    paging->setSpacing(0);
    bar->addWidget(GroupBox4);

    GroupBox5 = new QGroupBox(QStringLiteral("印刷"), Panel1);
    auto* printing = new QHBoxLayout(GroupBox5);
    Button2 = new QPushButton(QStringLiteral("すべて印刷"), GroupBox5);
    Button4 = new QPushButton(QStringLiteral("このページを印刷"), GroupBox5);
    ButtonPdf = new QPushButton(QStringLiteral("PDF保存"), GroupBox5);
    printing->addWidget(Button2);
    printing->addWidget(Button4);
    printing->addWidget(ButtonPdf);
    bar->addWidget(GroupBox5);

    bar->addStretch(1);
    BitBtn1 = new QPushButton(QStringLiteral("閉じる(&C)"), Panel1);
    BitBtn1->setAutoDefault(false);
    bar->addWidget(BitBtn1);
    for (QPushButton* b : {Button5, Button6, Button2, Button4, ButtonPdf})
        b->setAutoDefault(false);

    ScrollBox1 = new QScrollArea(this);
    ScrollBox1->setWidgetResizable(false);
    ScrollBox1->verticalScrollBar()->setSingleStep(kWheelStep);
    m_scrollContent = new QWidget;
    PrevX1 = new TPrevXPane(m_scrollContent);
    PrevX1->move(32, 17);
    ScrollBox1->setWidget(m_scrollContent);
    connect(PrevX1, &TPrevXPane::SizeChanged, this,
            [this](QSize size) { m_scrollContent->resize(size + QSize(32, 17)); });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Panel1);
    layout->addWidget(ScrollBox1, 1);

    connect(Button5, &QPushButton::clicked, this, [this] { Guarded([this] { ZoomIn(); }); });
    connect(Button6, &QPushButton::clicked, this, [this] { Guarded([this] { ZoomOut(); }); });
    connect(Edit1, &QLineEdit::textChanged, this, [this](const QString& text) {
        Guarded([this, text] { PrevX().ShowPage(ParseIntOrZero(text)); });
    });
    connect(UpDownDown, &QToolButton::clicked, this, [this] { StepPage(-1); });
    connect(UpDownUp, &QToolButton::clicked, this, [this] { StepPage(1); });
    connect(Button2, &QPushButton::clicked, this, [this] { Guarded([this] { PrintAll(); }); });
    connect(Button4, &QPushButton::clicked, this, [this] { Guarded([this] { PrintThisPage(); }); });
    connect(ButtonPdf, &QPushButton::clicked, this, [this] { Guarded([this] { SavePdf(); }); });
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::reject);

    qApp->installEventFilter(this);
}

TFormPreview::~TFormPreview()
{
    qApp->removeEventFilter(this);
}

TPrevX& TFormPreview::PrevX() const
{
    return PrevX1->Document();
}

void TFormPreview::Guarded(const std::function<void()>& action)
{
    RunGuarded(this, action);
}

void TFormPreview::showEvent(QShowEvent* event)
{
    setWindowState(windowState() | Qt::WindowMaximized);
    m_upDownMax = qMax(1, PrevX().PageCount());
    LabelPages->setText(QStringLiteral("/ %1").arg(m_upDownMax));
    Edit1->setText(QStringLiteral("1"));
    Guarded([this] { PrevX().ShowPage(1); });
    PrevX1->Refresh();
    QDialog::showEvent(event);
}

void TFormPreview::StepPage(int delta)
{
    const int position = qBound(1, ParseIntOrZero(Edit1->text()), m_upDownMax);
    GoToPage(position + delta);
}

void TFormPreview::GoToPage(int page)
{
    Edit1->setText(QString::number(qBound(1, page, m_upDownMax)));
    Edit1->selectAll();
}

bool TFormPreview::PageKey(int key)
{
    switch (key) {
    case Qt::Key_PageUp:
    case Qt::Key_Up:
    case Qt::Key_Left:
        StepPage(-1);
        return true;
    case Qt::Key_PageDown:
    case Qt::Key_Down:
    case Qt::Key_Right:
        StepPage(1);
        return true;
    case Qt::Key_Home:
        GoToPage(1);
        return true;
    case Qt::Key_End:
        GoToPage(m_upDownMax);
        return true;
    default:
        return false;
    }
}

void TFormPreview::ZoomIn()
{
    if (PrevX().ZoomScale() < 210)
        PrevX().SetZoomScale(PrevX().ZoomScale() + 10);
}

void TFormPreview::ZoomOut()
{
    if (PrevX().ZoomScale() > 30)
        PrevX().SetZoomScale(PrevX().ZoomScale() - 10);
}

void TFormPreview::PrintAll()
{
    PrevX().SetPrintFrom(1);
    PrevX().SetPrintTo(PrevX().PageCount());
    PrevX().PrintPages();
}

void TFormPreview::PrintThisPage()
{
    PrevX().SetPrintFrom(PrevX().CurrentPage());
    PrevX().SetPrintTo(PrevX().CurrentPage());
    PrevX().PrintPages();
}

void TFormPreview::SavePdf()
{
    PrevX().CheckPrinters();
    const QString file = AskPdfFileName(PrevX().Title);
    if (!file.isEmpty())
        PrevX().SaveAsPdf(file);
}

bool TFormPreview::Wheel(QWheelEvent* wheel)
{
    const QPoint p = ScrollBox1->mapFromGlobal(wheel->globalPosition().toPoint());
    if (p.x() <= 0 || p.x() >= ScrollBox1->width() || p.y() <= 0 || p.y() >= ScrollBox1->height())
        return false;
    // Touchpads report pixels; wheels report angles, one notch (120) being one step.
    QPoint delta = wheel->pixelDelta();
    if (delta.isNull()) {
        const QPoint scaled = wheel->angleDelta() * kWheelStep + m_wheelRest;
        delta = scaled / 120;
        m_wheelRest = scaled - delta * 120;
    }
    if ((wheel->modifiers() & Qt::ShiftModifier) && delta.x() == 0)
        delta = QPoint(delta.y(), 0);
    QScrollBar* vertical = ScrollBox1->verticalScrollBar();
    if (delta.y() != 0 && vertical->isVisible())
        vertical->setValue(vertical->value() - delta.y());
    QScrollBar* horizontal = ScrollBox1->horizontalScrollBar();
    if (delta.x() != 0 && horizontal->isVisible())
        horizontal->setValue(horizontal->value() - delta.x());
    // The wheel scrolls; it never changes pages.
    return true;
}

bool TFormPreview::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Edit1 && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (!(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) && PageKey(key->key()))
            return true;
        return QDialog::eventFilter(watched, event);
    }
    if (event->type() != QEvent::Wheel || !isActiveWindow())
        return QDialog::eventFilter(watched, event);
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != this)
        return QDialog::eventFilter(watched, event);
    if (Wheel(static_cast<QWheelEvent*>(event)))
        return true;
    return QDialog::eventFilter(watched, event);
}
