#pragma once

#include "printing/PrinterDevice.h"
#include "printing/Printers.h"
#include "reports/RecordedPage.h"

#include <vector>

// A printer for tests: 600 dots per inch, an A4 sheet of 4960 x 7016 dots, physical offsets of
// 100 dots; it keeps every job it is given.
class TFakePrinter : public TSheetPrinter
{
public:
    struct Job
    {
        QString title;
        std::vector<std::vector<TRecordedPage>> sheets; // pages drawn on each sheet
        bool ended = false;
        TJobOptions options; // as the job began
    };

    explicit TFakePrinter(QString name = QStringLiteral("Fake"));

    bool BeginJob(const QString& title) override;
    void DrawPage(const TRecordedPage& page) override;
    void NewPage() override;
    void EndJob() override;

    std::vector<Job> jobs;
    bool declineJobs = false;

protected:
    QSize PortraitSheet() const override;
};
