#include "support/FakePrinter.h"

TFakePrinter::TFakePrinter(QString name) : TSheetPrinter(std::move(name), 600, 100) {}

QSize TFakePrinter::PortraitSheet() const
{
    return PaperSize() == PaperA4 ? QSize(4960, 7016) : TSheetPrinter::PortraitSheet();
}

bool TFakePrinter::BeginJob(const QString& title)
{
    if (declineJobs)
        return false;
    jobs.push_back(Job{title, {{}}, false, JobOptions()});
    return true;
}

void TFakePrinter::DrawPage(const TRecordedPage& page)
{
    jobs.back().sheets.back().push_back(page);
}

void TFakePrinter::NewPage()
{
    jobs.back().sheets.emplace_back();
}

void TFakePrinter::EndJob()
{
    jobs.back().ended = true;
}

std::unique_ptr<TPrinterDevice> TFakeCatalog::Open(int index) const
{
    return std::make_unique<TFakePrinter>(m_names.value(index));
}

QStringList TFakeListCatalog::Names() const
{
    ++namesAsked;
    QStringList names;
    for (const TPrinterEntry& entry : printers)
        names.append(entry.name);
    return names;
}

int TFakeListCatalog::DefaultIndex() const
{
    return printers.isEmpty() ? -1 : qBound(0, defaultIndex, int(printers.size()) - 1);
}

std::unique_ptr<TPrinterDevice> TFakeListCatalog::Open(int index) const
{
    return std::make_unique<TFakePrinter>(printers.value(index).name);
}
