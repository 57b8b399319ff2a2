#include "reports/FormKit.h"

#include "reports/Canvas.h"
#include "reports/PageSink.h"
#include "reports/Print.h"

#include <QStringList>
#include <algorithm>

namespace {

// Restores the canvas's font size when it goes.
class TKeepFontSize
{
public:
    explicit TKeepFontSize(TCanvas& canvas) : m_canvas(canvas), m_height(canvas.FontHeight()) {}
    ~TKeepFontSize() { m_canvas.SetFontHeight(m_height); }
    TKeepFontSize(const TKeepFontSize&) = delete;
    TKeepFontSize& operator=(const TKeepFontSize&) = delete;

private:
    TCanvas& m_canvas;
    int m_height;
};

QStringList MonthOverDay(const QDateTime& day)
{
    return {QStringLiteral("%1月").arg(day.date().month()),
            QStringLiteral("%1日").arg(day.date().day())};
}

} // namespace

void DrawFormFrame(TCanvas& c, const TCmBox& border, const std::optional<TCmBox>& body)
{
    c.SetPenStyle(TPenStyle::Solid);
    c.SetPenColor(clBlack);
    c.SetPenWidth(4);
    PrintBox(c, border.x1, border.y1, border.x2, border.y2, 1);
    if (body) {
        c.SetPenWidth(2);
        PrintBox(c, body->x1, body->y1, body->x2, body->y2, 1);
    }
    c.SetPenWidth(1);
}

void DrawFormName(TCanvas& c, const QString& name, const TCmBox& box)
{
    TKeepFontSize keep(c);
    c.SetFontColor(clBlack);
    c.SetFontSize(20);
    PrintText(c, name, 1, box.x1, box.y1, box.x2, box.y2, 0);
}

TStatTitle StatTitle(const TStatDocument& doc, const TStatSeries& series)
{
    const QString period = series.days.empty()
                               ? QString()
                               : PeriodText(series.days.front().day) + QStringLiteral(" 〜 ") +
                                     PeriodText(series.days.back().day);
    return TStatTitle{
        {QStringLiteral("工事名"), doc.project},
        {QStringLiteral("合材名"), series.mixPrintName},
        {QStringLiteral("区分"), series.category},
        {QStringLiteral("期間"), period},
        {QStringLiteral("測定者"), series.measurer},
        {QStringLiteral("規格値"),
         series.limitText.isEmpty() ? QStringLiteral("—") : series.limitText},
    };
}

void DrawPageNumber(TCanvas& c, const TFormPage& page, int number, int total)
{
    TKeepFontSize keep(c);
    c.SetFontSize(9);
    const TCmBox& b = page.pageNumber;
    PrintText(c, QStringLiteral("%1 / %2").arg(number).arg(total), 1, b.x1, b.y1, b.x2, b.y2, 0);
}

int DayPages(int days, int perPage)
{
    return days <= 0 ? 1 : (days - 1) / perPage + 1;
}

TDaySpan PageDays(int page, int days, int perPage)
{
    const int first = page * perPage;
    return TDaySpan{first, std::max(0, std::min(perPage, days - first))};
}

TFormPages::TFormPages(TPageSink& pane, const TFormPage& page, int total)
    : m_pane(pane), m_page(page), m_total(total)
{
}

TCanvas& TFormPages::Next()
{
    if (m_number > 0) {
        DrawPageNumber(m_pane.PageCanvas(), m_page, m_number, m_total);
        m_pane.NewPage();
    }
    ++m_number;
    TCanvas& c = m_pane.PageCanvas();
    c.SetSheetOrigin(m_page.origin);
    return c;
}

void TFormPages::Finish()
{
    if (m_number > 0)
        DrawPageNumber(m_pane.PageCanvas(), m_page, m_number, m_total);
}

void DrawDayLabels(TCanvas& c, const QList<QDateTime>& days, const TDayColumns& columns,
                   const QList<bool>& simulated)
{
    TKeepFontSize keep(c);
    const int largest = c.FontSize();
    auto allFit = [&](int points, bool split) {
        c.SetFontSize(points);
        for (const QDateTime& day : days) {
            const QStringList parts = split ? MonthOverDay(day) : QStringList{MonthDay(day)};
            for (const QString& p : parts)
                if (!TextFits(c, p, 0, 2 * columns.halfWidth))
                    return false;
        }
        return true;
    };
    int points = 0;
    bool split = false;
    for (int s = largest; s >= 8 && !points; --s)
        if (allFit(s, false))
            points = s;
    for (int s = std::min(largest, 9); s >= SmallestPoints && !points; --s)
        if (allFit(s, true)) {
            points = s;
            split = true;
        }
    c.SetFontSize(points ? points : SmallestPoints);
    const float mid = (columns.top + columns.bottom) / 2;
    for (int k = 0; k < days.size(); ++k) {
        const float x1 = columns.centre(k) - columns.halfWidth;
        const float x2 = columns.centre(k) + columns.halfWidth;
        if (simulated.value(k)) {
            // Never to pass for a measured day.
            PrintShrinkText(c, MonthDay(days[k]), 1, x1, columns.top, x2, mid, SmallestPoints);
            const TColor colour = c.FontColor();
            c.SetFontColor(clRed);
            PrintShrinkText(c, QStringLiteral("模擬値"), 1, x1, mid, x2, columns.bottom,
                            SmallestPoints);
            c.SetFontColor(colour);
        } else if (split) {
            const QStringList parts = MonthOverDay(days[k]);
            PrintText(c, parts[0], 1, x1, columns.top, x2, mid, 0);
            PrintText(c, parts[1], 1, x1, mid, x2, columns.bottom, 0);
        } else {
            PrintShrinkText(c, MonthDay(days[k]), 1, x1, columns.top, x2, columns.bottom,
                            SmallestPoints);
        }
    }
}

TReferenceLabels LayOutReferenceLabels(const std::vector<float>& lineY, float top, float height,
                                       int largestPoints)
{
    TReferenceLabels out;
    const int n = int(lineY.size());
    if (n == 0)
        return out;
    // A line of text takes 0.04 cm a point.
    for (int s = largestPoints; s >= SmallestPoints; --s) {
        if (float(n) * 2 * 0.04f * float(s) <= height) {
            out.points = s;
            out.twoLines = true;
            break;
        }
    }
    out.lineHeight = 0.04f * float(out.points);
    out.pitch = out.twoLines ? 2 * out.lineHeight : out.lineHeight;
    if (float(n) * out.pitch > height)
        out.pitch = height / float(n);
    const float bottom = top + height;
    const float half = out.pitch / 2;
    out.centres.assign(size_t(n), 0.0f);
    for (size_t i = 0; i < size_t(n); ++i) {
        const float wanted = std::clamp(lineY[i], top + half, bottom - half);
        out.centres[i] = i == 0 ? wanted : std::max(wanted, out.centres[i - 1] + out.pitch);
    }
    for (size_t i = size_t(n); i-- > 0;) {
        const float limit = i + 1 == size_t(n) ? bottom - half : out.centres[i + 1] - out.pitch;
        out.centres[i] = std::min(out.centres[i], limit);
    }
    return out;
}
