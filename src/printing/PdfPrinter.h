#pragma once

#include "printing/PrinterDevice.h"

#include <QPainter>
#include <QPdfWriter>
#include <functional>
#include <memory>

// Asks where a PDF goes; an empty answer declines. The argument is the job's title.
using TPdfFileAsker = std::function<QString(const QString& title)>;

// Installed by the windows (a file dialog); without one every PDF job is declined.
void SetPdfFileAsker(TPdfFileAsker asker);
QString AskPdfFileName(const QString& title);

// The built-in printer that writes a PDF file: always listed, 600 dots per inch, A4 unless told
// otherwise, no unprintable border. It asks for the file name when a job begins.
class TPdfPrinter : public TSheetPrinter
{
public:
    static QString PrinterName();

    TPdfPrinter();
    ~TPdfPrinter() override;

    bool BeginJob(const QString& title) override;
    void DrawPage(const TRecordedPage& page) override;
    void NewPage() override;
    void EndJob() override;

    // A job into the given file, without asking.
    void BeginJobToFile(const QString& title, const QString& fileName);

private:
    std::unique_ptr<QPdfWriter> m_writer;
    std::unique_ptr<QPainter> m_painter;
};
