#include "printing/PrinterDevice.h"

#include <cmath>

namespace {

struct PaperCode
{
    int code;
    QPageSize::PageSizeId id;
};

constexpr PaperCode kPaperCodes[] = {
    {PaperLetter, QPageSize::Letter}, {PaperLegal, QPageSize::Legal}, {PaperA3, QPageSize::A3},
    {PaperA4, QPageSize::A4},         {PaperA5, QPageSize::A5},       {PaperB4, QPageSize::JisB4},
    {PaperB5, QPageSize::JisB5},
};

} // namespace

QPageSize PageSizeOfCode(int code)
{
    for (const PaperCode& p : kPaperCodes)
        if (p.code == code)
            return QPageSize(p.id);
    return QPageSize(QPageSize::A4);
}

int CodeOfPageSize(const QPageSize& size)
{
    for (const PaperCode& p : kPaperCodes)
        if (p.id == size.id())
            return p.code;
    return 0;
}

TSheetPrinter::TSheetPrinter(QString name, int dpi, int offset)
    : m_name(std::move(name)), m_dpi(dpi), m_offset(offset)
{
}

QSize TSheetPrinter::PortraitSheet() const
{
    const QSizeF pt = PageSizeOfCode(m_paperSize).size(QPageSize::Point);
    return QSize(int(std::lround(pt.width() * m_dpi / 72)),
                 int(std::lround(pt.height() * m_dpi / 72)));
}

QSize TSheetPrinter::PhysicalSize() const
{
    const QSize s = PortraitSheet();
    return m_orientation == TOrientation::Portrait ? s : s.transposed();
}

QSize TSheetPrinter::PrintableSize() const
{
    return PhysicalSize() - QSize(2 * m_offset, 2 * m_offset);
}

QPageLayout TSheetPrinter::PageLayout() const
{
    const double m = m_offset * 72.0 / m_dpi;
    return QPageLayout(PageSizeOfCode(m_paperSize),
                       m_orientation == TOrientation::Portrait ? QPageLayout::Portrait
                                                               : QPageLayout::Landscape,
                       QMarginsF(m, m, m, m), QPageLayout::Point);
}

void TSheetPrinter::SetPageLayout(const QPageLayout& layout)
{
    if (const int code = CodeOfPageSize(layout.pageSize()))
        m_paperSize = code;
    m_orientation = layout.orientation() == QPageLayout::Portrait ? TOrientation::Portrait
                                                                  : TOrientation::Landscape;
}
