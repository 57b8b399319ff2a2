#include "printing_ui/SystemPrinters.h"

#include "core/AppError.h"
#include "printing/PdfPrinter.h"
#include "reports/RecordedPage.h"

#include <QFileDialog>
#include <QPainter>
#include <QPointer>

namespace {

// Device paper source codes 1 to 11 follow Qt's order one up; 14 and 15 are named.
QPrinter::PaperSource QtSource(int code)
{
    if (code >= 1 && code <= 11)
        return QPrinter::PaperSource(code - 1);
    if (code == 14)
        return QPrinter::Cassette;
    if (code == 15)
        return QPrinter::FormSource;
    return QPrinter::Auto;
}

} // namespace

TSystemPrinter::TSystemPrinter(const QPrinterInfo& info) : m_printer(info, QPrinter::HighResolution)
{
}

TSystemPrinter::~TSystemPrinter()
{
    if (m_painter)
        m_painter->end();
}

QString TSystemPrinter::Name() const
{
    return m_printer.printerName();
}

int TSystemPrinter::DpiX() const
{
    return m_printer.resolution();
}

int TSystemPrinter::DpiY() const
{
    return m_printer.resolution();
}

QSize TSystemPrinter::PhysicalSize() const
{
    return m_printer.paperRect(QPrinter::DevicePixel).size().toSize();
}

QPoint TSystemPrinter::PhysicalOffset() const
{
    return (m_printer.pageRect(QPrinter::DevicePixel).topLeft() -
            m_printer.paperRect(QPrinter::DevicePixel).topLeft())
        .toPoint();
}

QSize TSystemPrinter::PrintableSize() const
{
    return m_printer.pageRect(QPrinter::DevicePixel).size().toSize();
}

TOrientation TSystemPrinter::Orientation() const
{
    return m_printer.pageLayout().orientation() == QPageLayout::Landscape ? TOrientation::Landscape
                                                                          : TOrientation::Portrait;
}

void TSystemPrinter::SetOrientation(TOrientation orientation)
{
    m_printer.setPageOrientation(orientation == TOrientation::Landscape ? QPageLayout::Landscape
                                                                        : QPageLayout::Portrait);
}

int TSystemPrinter::PaperSize() const
{
    return CodeOfPageSize(m_printer.pageLayout().pageSize());
}

void TSystemPrinter::SetPaperSize(int code)
{
    m_printer.setPageSize(PageSizeOfCode(code));
}

void TSystemPrinter::SetPaperSource(int code)
{
    m_paperSource = code;
    m_printer.setPaperSource(QtSource(code));
}

QPageLayout TSystemPrinter::PageLayout() const
{
    return m_printer.pageLayout();
}

void TSystemPrinter::SetPageLayout(const QPageLayout& layout)
{
    m_printer.setPageLayout(layout);
}

void ApplyJobOptions(QPrinter& printer)
{
    const TJobOptions& options = JobOptions();
    printer.setCopyCount(options.copies);
    printer.setCollateCopies(options.collate);
    printer.setDuplex(QPrinter::DuplexMode(options.duplex));
    printer.setColorMode(options.grayscale ? QPrinter::GrayScale : QPrinter::Color);
    printer.setPageOrder(options.reverse ? QPrinter::LastPageFirst : QPrinter::FirstPageFirst);
}

bool TSystemPrinter::BeginJob(const QString& title)
{
    m_printer.setDocName(title);
    ApplyJobOptions(m_printer);
    m_painter = std::make_unique<QPainter>();
    if (!m_painter->begin(&m_printer)) {
        m_painter.reset();
        throw AppError(QStringLiteral("プリンタ '%1' で印刷を開始できません").arg(Name()));
    }
    return true;
}

void TSystemPrinter::DrawPage(const TRecordedPage& page)
{
    if (m_painter)
        page.ReplayAt(*m_painter, QPointF(0, 0));
}

void TSystemPrinter::NewPage()
{
    if (!m_printer.newPage())
        throw AppError(QStringLiteral("プリンタ '%1' で改ページできません").arg(Name()));
}

void TSystemPrinter::EndJob()
{
    if (m_painter)
        m_painter->end();
    m_painter.reset();
}

QStringList TSystemCatalog::Names() const
{
    return QPrinterInfo::availablePrinterNames() << TPdfPrinter::PrinterName();
}

int TSystemCatalog::DefaultIndex() const
{
    const QStringList names = Names();
    const int system = int(names.indexOf(QPrinterInfo::defaultPrinterName()));
    return system >= 0 && system < names.size() - 1 ? system : int(names.size()) - 1;
}

std::unique_ptr<TPrinterDevice> TSystemCatalog::Open(int index) const
{
    const QStringList system = QPrinterInfo::availablePrinterNames();
    if (index >= 0 && index < system.size())
        return std::make_unique<TSystemPrinter>(QPrinterInfo::printerInfo(system[index]));
    return std::make_unique<TPdfPrinter>();
}

QString AskPdfFile(QWidget* parent, const QString& title)
{
    const QString suggested =
        (title.isEmpty() ? QStringLiteral("印刷") : title) + QStringLiteral(".pdf");
    return QFileDialog::getSaveFileName(parent, QStringLiteral("PDF保存"), suggested,
                                        QStringLiteral("PDF (*.pdf)"));
}

void InstallSystemPrinters(QWidget* parent)
{
    SetPrinterCatalog(std::make_shared<TSystemCatalog>());
    QPointer<QWidget> owner(parent);
    SetPdfFileAsker([owner](const QString& title) { return AskPdfFile(owner, title); });
}
