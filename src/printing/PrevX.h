#pragma once

#include "core/AppError.h"
#include "reports/Canvas.h"
#include "reports/PageSink.h"
#include "reports/RecordedPage.h"

#include <QRect>
#include <deque>
#include <functional>
#include <memory>

class QPainter;

class EPrevError : public AppError
{
public:
    using AppError::AppError;
};

// The preview document: records the pages the reports draw on the selected printer's printable
// area, shows one of them as a sheet of paper at a zoom, and prints them. The window side (a
// widget) paints it with Paint and repaints when OnInvalidate fires.
class TPrevX : public TPageSink
{
public:
    TPrevX();
    ~TPrevX() override;

    // Discards the pages and opens page 1; the print range and page shown start afresh.
    void BeginDocument();
    // The canvas of the page being drawn; EPrevError outside a document.
    TCanvas& PageCanvas() override;
    // Closes the page being drawn and opens the next; the page shown does not change.
    void NewPage() override;
    // Closes the last page; the pages stay until the next BeginDocument.
    void EndDocument();

    // With a stream, each page goes to it as soon as it is closed and is not kept (nothing to
    // show or print afterwards): for writing straight to a printer when no preview needs the
    // pages, so that memory does not grow with the document. An empty stream keeps them again.
    using TPageStream = std::function<void(const TRecordedPage&)>;
    void SetPageStream(TPageStream stream) { m_stream = std::move(stream); }

    int PageCount() const { return m_pageCount; }
    const TRecordedPage& Page(int n) const { return m_pages.at(size_t(n - 1)); }
    bool HasOpenCanvas() const { return bool(m_canvas); }

    int CurrentPage() const { return m_currentPage; }
    // Ignored unless 1 <= n <= page count.
    void ShowPage(int n);

    int PrintFrom() const { return m_printFrom; }
    int PrintTo() const { return m_printTo; }
    void SetPrintFrom(int n);
    void SetPrintTo(int n);
    // One job of pages print from to the smaller of print to and the page count.
    void PrintPages();

    // Every page into one PDF file whose sheets are the selected printer's, placed as that
    // printer would place them.
    void SaveAsPdf(const QString& fileName) const;

    QString Title;

    int ZoomScale() const { return m_zoomScale; }
    // Accepts 25 to 200; anything else is ignored, not clamped.
    void SetZoomScale(int percent);

    // Raises EPrevError "プリンタが登録されていません" when no printer is listed.
    void CheckPrinters() const;
    // Refreshes the printer's resolution and the on-screen sizes at the zoom.
    void UpdateScale();
    // The same for painting: trusts the printer count last asked instead of asking the list.
    void UpdateScaleForPaint();

    void SetScreenPpi(int ppi) { m_screenPpi = ppi; }
    int ScreenPpi() const { return m_screenPpi; }
    int PrinterDpiX() const { return m_printerDpiX; }
    int PrinterDpiY() const { return m_printerDpiY; }
    int SheetWidth() const { return m_sheetWidth; }
    int SheetHeight() const { return m_sheetHeight; }
    // The printable area on screen, relative to the sheet's corner.
    QRect PrintableArea() const
    {
        return QRect(m_printableLeft, m_printableTop, m_printableWidth, m_printableHeight);
    }
    // The sheet with a margin of 10 pixels on every side.
    QSize PaneSize() const { return QSize(m_sheetWidth + 20, m_sheetHeight + 20); }

    // Sheet, dotted printable area and, when withPage and there are pages, the page shown,
    // at the sizes of the last UpdateScale.
    void Paint(QPainter& painter, bool withPage) const;

    // Fired when what Paint shows has changed.
    std::function<void()> OnInvalidate;
    // The metrics of new page canvases (the machine's fonts unless tests say otherwise).
    void SetTextMetrics(std::shared_ptr<const TTextMetrics> metrics)
    {
        m_metrics = std::move(metrics);
    }

private:
    void Invalidate();
    void OpenCanvas();
    void CloseCanvas();
    void Measure();

    std::deque<TRecordedPage> m_pages;
    std::unique_ptr<TRecordingCanvas> m_canvas;
    int m_currentPage = 1;
    int m_pageCount = 0;
    int m_printFrom = 1;
    int m_printTo = 9999;
    int m_zoomScale = 25;
    int m_screenPpi = 96;
    int m_printerDpiX = 0;
    int m_printerDpiY = 0;
    int m_sheetWidth = 0;
    int m_sheetHeight = 0;
    int m_printableLeft = 0;
    int m_printableTop = 0;
    int m_printableWidth = 0;
    int m_printableHeight = 0;
    std::shared_ptr<const TTextMetrics> m_metrics;
    TPageStream m_stream;
};
