#pragma once

#include "reports/Print.h"

#include <QPageLayout>
#include <QPoint>
#include <QSize>
#include <QString>

class TRecordedPage;

enum class TOrientation { Portrait = 0, Landscape = 1 };

// Device paper size codes (as stored with the printer setup).
constexpr int PaperLetter = 1;
constexpr int PaperLegal = 5;
constexpr int PaperA3 = 8;
constexpr int PaperA4 = 9;
constexpr int PaperA5 = 11;
constexpr int PaperB4 = 12; // JIS
constexpr int PaperB5 = 13; // JIS
// Device paper source code of the stored design values.
constexpr int SourceFormSource = 15;

// Page size of a paper size code; A4 for codes without one.
QPageSize PageSizeOfCode(int code);
// Paper size code of a page size; 0 when it has none.
int CodeOfPageSize(const QPageSize& size);

// One printer with the capabilities the drawing and the preview read, in device dots.
class TPrinterDevice
{
public:
    virtual ~TPrinterDevice() = default;

    virtual QString Name() const = 0;
    virtual int DpiX() const = 0;
    virtual int DpiY() const = 0;
    // The whole sheet as oriented now.
    virtual QSize PhysicalSize() const = 0;
    // From the paper's top-left corner to the printable area.
    virtual QPoint PhysicalOffset() const = 0;
    // The printable area; the frame of every page drawn for this printer.
    virtual QSize PrintableSize() const = 0;

    virtual TOrientation Orientation() const = 0;
    virtual void SetOrientation(TOrientation orientation) = 0;
    virtual int PaperSize() const = 0;
    virtual void SetPaperSize(int code) = 0;
    virtual int PaperSource() const = 0;
    virtual void SetPaperSource(int code) = 0;
    virtual QPageLayout PageLayout() const = 0;
    virtual void SetPageLayout(const QPageLayout& layout) = 0;

    // One print job. BeginJob returns false when the user declined (nothing is printed and no
    // other call follows); a refused job raises AppError.
    virtual bool BeginJob(const QString& title) = 0;
    // Draws a page at the top-left of the printable area at its own size, dot for dot.
    virtual void DrawPage(const TRecordedPage& page) = 0;
    virtual void NewPage() = 0;
    virtual void EndJob() = 0;

    TPrintDeviceCaps Caps() const
    {
        return TPrintDeviceCaps{DpiX(), DpiY(), PhysicalOffset().x(), PhysicalOffset().y()};
    }
};

// A printer whose sheet comes from its paper size and orientation, with the same physical
// offset on every side.
class TSheetPrinter : public TPrinterDevice
{
public:
    TSheetPrinter(QString name, int dpi, int offset);

    QString Name() const override { return m_name; }
    int DpiX() const override { return m_dpi; }
    int DpiY() const override { return m_dpi; }
    QSize PhysicalSize() const override;
    QPoint PhysicalOffset() const override { return QPoint(m_offset, m_offset); }
    QSize PrintableSize() const override;
    TOrientation Orientation() const override { return m_orientation; }
    void SetOrientation(TOrientation orientation) override { m_orientation = orientation; }
    int PaperSize() const override { return m_paperSize; }
    void SetPaperSize(int code) override { m_paperSize = code; }
    int PaperSource() const override { return m_paperSource; }
    void SetPaperSource(int code) override { m_paperSource = code; }
    QPageLayout PageLayout() const override;
    void SetPageLayout(const QPageLayout& layout) override;

protected:
    // The sheet upright, in dots.
    virtual QSize PortraitSheet() const;

private:
    QString m_name;
    int m_dpi;
    int m_offset;
    TOrientation m_orientation = TOrientation::Portrait;
    int m_paperSize = PaperA4;
    int m_paperSource = SourceFormSource;
};
