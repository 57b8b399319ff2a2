#pragma once

#include "printing/PrinterDevice.h"
#include "printing/PrinterSetup.h"
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

// Fake printers of the given names for tests; the first is the default.
class TFakeCatalog : public TPrinterCatalog
{
public:
    explicit TFakeCatalog(QStringList names = {QStringLiteral("Fake")}) : m_names(std::move(names))
    {
    }
    QStringList Names() const override { return m_names; }
    int DefaultIndex() const override { return m_names.isEmpty() ? -1 : 0; }
    std::unique_ptr<TPrinterDevice> Open(int index) const override;

private:
    QStringList m_names;
};

// Fake printers for tests whose list, hidden flags and ports may change while running.
class TFakeListCatalog : public TPrinterCatalog, public TPrinterAttributes
{
public:
    explicit TFakeListCatalog(TPrinterList printers = {}, QStringList ports = {})
        : printers(std::move(printers)), ports(std::move(ports))
    {
    }
    QStringList Names() const override;
    int DefaultIndex() const override;
    std::unique_ptr<TPrinterDevice> Open(int index) const override;
    mutable int namesAsked = 0;
    bool IsHidden(int index) const override { return printers.value(index).hidden; }
    QStringList Ports() const override { return ports; }

    TPrinterList printers;
    QStringList ports;
    int defaultIndex = 0;
};
