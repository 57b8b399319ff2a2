#include "printing/PdfPrinter.h"

#include "core/AppError.h"
#include "reports/RecordedPage.h"

namespace {

TPdfFileAsker& Asker()
{
    static TPdfFileAsker asker;
    return asker;
}

} // namespace

void SetPdfFileAsker(TPdfFileAsker asker)
{
    Asker() = std::move(asker);
}

QString AskPdfFileName(const QString& title)
{
    return Asker() ? Asker()(title) : QString();
}

QString TPdfPrinter::PrinterName()
{
    return QStringLiteral("PDFファイル出力");
}

TPdfPrinter::TPdfPrinter() : TSheetPrinter(PrinterName(), 600, 0) {}

TPdfPrinter::~TPdfPrinter()
{
    if (m_painter)
        m_painter->end();
}

bool TPdfPrinter::BeginJob(const QString& title)
{
    const QString file = AskPdfFileName(title);
    if (file.isEmpty())
        return false;
    BeginJobToFile(title, file);
    return true;
}

void TPdfPrinter::BeginJobToFile(const QString& title, const QString& fileName)
{
    m_painter.reset();
    m_writer = std::make_unique<QPdfWriter>(fileName);
    m_writer->setResolution(DpiY());
    // Archival PDF keeps its fonts and reads the same years later.
    m_writer->setPdfVersion(QPagedPaintDevice::PdfVersion_A1b);
    m_writer->setTitle(title);
    m_writer->setCreator(QStringLiteral("温度管理"));
    m_writer->setPageLayout(PageLayout());
    m_painter = std::make_unique<QPainter>();
    if (!m_painter->begin(m_writer.get())) {
        m_painter.reset();
        m_writer.reset();
        throw AppError(QStringLiteral("PDFファイル '%1' に書き込めません").arg(fileName));
    }
}

void TPdfPrinter::DrawPage(const TRecordedPage& page)
{
    if (m_painter)
        page.ReplayAt(*m_painter, QPointF(0, 0));
}

void TPdfPrinter::NewPage()
{
    if (m_writer)
        m_writer->newPage();
}

void TPdfPrinter::EndJob()
{
    if (m_painter)
        m_painter->end();
    m_painter.reset();
    m_writer.reset();
}
