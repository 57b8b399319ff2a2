#pragma once

#include "printing/Printers.h"

#include <QPrinter>
#include <QPrinterInfo>
#include <memory>

class QPainter;
class QWidget;

// A printer of the system (CUPS), through QPrinter at its full resolution.
class TSystemPrinter : public TPrinterDevice
{
public:
    explicit TSystemPrinter(const QPrinterInfo& info);
    ~TSystemPrinter() override;

    QString Name() const override;
    int DpiX() const override;
    int DpiY() const override;
    QSize PhysicalSize() const override;
    QPoint PhysicalOffset() const override;
    QSize PrintableSize() const override;
    TOrientation Orientation() const override;
    void SetOrientation(TOrientation orientation) override;
    int PaperSize() const override;
    void SetPaperSize(int code) override;
    int PaperSource() const override { return m_paperSource; }
    void SetPaperSource(int code) override;
    QPageLayout PageLayout() const override;
    void SetPageLayout(const QPageLayout& layout) override;

    bool BeginJob(const QString& title) override;
    void DrawPage(const TRecordedPage& page) override;
    void NewPage() override;
    void EndJob() override;

    // For the platform's printer setup dialog.
    QPrinter& Printer() { return m_printer; }

private:
    mutable QPrinter m_printer;
    int m_paperSource = SourceFormSource;
    std::unique_ptr<QPainter> m_painter;
};

// The system's printers followed by the built-in PDF printer; the default is the system's
// default printer, else the PDF printer.
class TSystemCatalog : public TPrinterCatalog
{
public:
    QStringList Names() const override;
    int DefaultIndex() const override;
    std::unique_ptr<TPrinterDevice> Open(int index) const override;
};

// Makes the system's printers the shared printer list and has PDF jobs ask for their file with
// a file dialog over parent. Call once at start, after the application object exists.
void InstallSystemPrinters(QWidget* parent = nullptr);

// The copies, collation, duplex, colour and page order chosen for this run's jobs.
void ApplyJobOptions(QPrinter& printer);

// The save dialog of PDF files; empty when cancelled.
QString AskPdfFile(QWidget* parent, const QString& title);
