#include "printing/PrevX.h"

#include "printing/Printers.h"

#include <QPainter>
#include <QPdfWriter>
#include <cmath>

namespace {

int RoundEven(double v)
{
    return int(std::nearbyint(v));
}

QString NoPrinterText()
{
    return QStringLiteral("プリンタが登録されていません");
}

} // namespace

TPrevX::TPrevX() : m_metrics(DefaultTextMetrics()) {}

TPrevX::~TPrevX() = default;

void TPrevX::Invalidate()
{
    if (OnInvalidate)
        OnInvalidate();
}

void TPrevX::CheckPrinters() const
{
    if (PrinterCount() == 0)
        throw EPrevError(NoPrinterText());
}

void TPrevX::UpdateScale()
{
    CheckPrinters();
    Measure();
}

void TPrevX::UpdateScaleForPaint()
{
    if (KnownPrinterCount() == 0)
        throw EPrevError(NoPrinterText());
    Measure();
}

void TPrevX::Measure()
{
    const TPrinterDevice& printer = SelectedPrinter();
    m_printerDpiX = printer.DpiX();
    m_printerDpiY = printer.DpiY();
    const double f = double(m_screenPpi) / m_printerDpiY * m_zoomScale / 100;
    m_sheetWidth = RoundEven(printer.PhysicalSize().width() * f);
    m_sheetHeight = RoundEven(printer.PhysicalSize().height() * f);
    m_printableLeft = RoundEven(printer.PhysicalOffset().x() * f);
    m_printableTop = RoundEven(printer.PhysicalOffset().y() * f);
    m_printableWidth = RoundEven(printer.PrintableSize().width() * f);
    m_printableHeight = RoundEven(printer.PrintableSize().height() * f);
}

void TPrevX::OpenCanvas()
{
    m_canvas = std::make_unique<TRecordingCanvas>(&m_pages.back(), m_printerDpiX, m_printerDpiY,
                                                  m_metrics);
}

void TPrevX::CloseCanvas()
{
    m_canvas.reset();
    if (m_stream && !m_pages.empty()) {
        m_stream(m_pages.back());
        m_pages.clear();
    }
}

void TPrevX::BeginDocument()
{
    UpdateScale();
    m_currentPage = 1;
    m_printFrom = 1;
    m_printTo = 9999;
    m_canvas.reset();
    m_pages.clear();
    m_pages.emplace_back(SelectedPrinter().PrintableSize());
    OpenCanvas();
    m_pageCount = 1;
}

TCanvas& TPrevX::PageCanvas()
{
    if (!m_canvas)
        throw EPrevError(QStringLiteral("印刷ページが開かれていません"));
    return *m_canvas;
}

void TPrevX::NewPage()
{
    CheckPrinters();
    CloseCanvas();
    m_pages.emplace_back(SelectedPrinter().PrintableSize());
    OpenCanvas();
    ++m_pageCount;
}

void TPrevX::EndDocument()
{
    CloseCanvas();
    Invalidate();
}

void TPrevX::ShowPage(int n)
{
    if (n != m_currentPage && n >= 1 && n <= m_pageCount) {
        m_currentPage = n;
        Invalidate();
    }
}

void TPrevX::SetPrintFrom(int n)
{
    if (n != m_printFrom && n >= 1 && n <= m_pageCount)
        m_printFrom = n;
}

void TPrevX::SetPrintTo(int n)
{
    if (n != m_printTo && n >= 1)
        m_printTo = n;
}

void TPrevX::SetZoomScale(int percent)
{
    if (percent != m_zoomScale && percent >= 25 && percent <= 200) {
        m_zoomScale = percent;
        Invalidate();
    }
}

void TPrevX::PrintPages()
{
    CheckPrinters();
    const int last = std::min(m_pageCount, m_printTo);
    // Without a document there is no page to print (and no empty job to send).
    // Streamed pages are gone.
    if (m_printFrom > last || int(m_pages.size()) < m_pageCount)
        return;
    TPrinterDevice& printer = SelectedPrinter();
    if (!printer.BeginJob(Title))
        return;
    try {
        for (int i = m_printFrom;;) {
            printer.DrawPage(Page(i));
            if (++i > last)
                break;
            printer.NewPage();
        }
    } catch (...) {
        printer.EndJob();
        throw;
    }
    printer.EndJob();
}

void TPrevX::SaveAsPdf(const QString& fileName) const
{
    CheckPrinters();
    if (m_pageCount == 0 || int(m_pages.size()) < m_pageCount)
        return;
    const TPrinterDevice& printer = SelectedPrinter();
    const double toPtX = 72.0 / printer.DpiX();
    const double toPtY = 72.0 / printer.DpiY();
    const QSize sheet = printer.PhysicalSize();
    const QPoint offset = printer.PhysicalOffset();
    const QSize printable = printer.PrintableSize();
    const QPageSize size(QSizeF(sheet.width() * toPtX, sheet.height() * toPtY), QPageSize::Point,
                         QString(), QPageSize::ExactMatch);
    const QMarginsF margins(offset.x() * toPtX, offset.y() * toPtY,
                            (sheet.width() - offset.x() - printable.width()) * toPtX,
                            (sheet.height() - offset.y() - printable.height()) * toPtY);
    QPdfWriter writer(fileName);
    writer.setResolution(printer.DpiY());
    writer.setPdfVersion(QPagedPaintDevice::PdfVersion_A1b);
    writer.setTitle(Title);
    writer.setCreator(QStringLiteral("温度管理"));
    writer.setPageLayout(QPageLayout(size, QPageLayout::Portrait, margins, QPageLayout::Point));
    QPainter painter;
    if (!painter.begin(&writer))
        throw AppError(QStringLiteral("PDFファイル '%1' に書き込めません").arg(fileName));
    const double sx = double(printer.DpiY()) / printer.DpiX();
    for (int i = 1; i <= m_pageCount; ++i) {
        if (i > 1)
            writer.newPage();
        const TRecordedPage& page = Page(i);
        page.Replay(painter, QRectF(0, 0, page.Size().width() * sx, page.Size().height()));
    }
    painter.end();
}

void TPrevX::Paint(QPainter& painter, bool withPage) const
{
    painter.save();
    painter.setPen(QPen(Qt::black, 0, Qt::SolidLine));
    painter.setBrush(Qt::white);
    painter.drawRect(QRect(10, 10, m_sheetWidth, m_sheetHeight));
    const QRect r(m_printableLeft + 10, m_printableTop + 10, m_printableWidth, m_printableHeight);
    painter.setPen(QPen(Qt::black, 0, Qt::DotLine));
    painter.drawRect(r);
    if (withPage && m_pageCount > 0 && m_currentPage <= int(m_pages.size()))
        Page(m_currentPage).Replay(painter, QRectF(r));
    painter.restore();
}
