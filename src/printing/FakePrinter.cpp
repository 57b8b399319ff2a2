#include "printing/FakePrinter.h"

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
