#include "reports/Print.h"

#include "core/AppError.h"
#include "core/Utility.h"
#include "reports/Canvas.h"
#include "reports/StyleLine.h"

#include <QStringList>
#include <cmath>
#include <utility>

namespace {

std::function<TPrintDeviceCaps()>& DeviceSource()
{
    static std::function<TPrintDeviceCaps()> source;
    return source;
}

int Trunc(double v)
{
    return int(std::trunc(v));
}

QStringList CodePoints(const QString& text)
{
    QStringList out;
    for (char32_t cp : text.toUcs4())
        out << QString::fromUcs4(&cp, 1);
    return out;
}

void DrawHorizontal(TCanvas& canvas, const TSheetDots& dots, const QString& text, int align,
                    float x1, float y1, float x2, float y2)
{
    const int boxW = dots.Width(x2 - x1);
    const int boxH = dots.Height(y2 - y1);
    const int w = canvas.TextWidth(text);
    const QStringList chars = CodePoints(text);
    const float midY = (y1 + y2) / 2;

    if (w > boxW) {
        int k = 1;
        QString prefix;
        for (; k <= chars.size(); ++k) {
            prefix += chars[k - 1];
            if (canvas.TextWidth(prefix) >= boxW)
                break;
        }
        // A box narrower than the first character cannot be split: draw the text whole.
        if (k > 1) {
            const QString partA = chars.mid(0, k - 1).join(QString());
            const QString partB = chars.mid(k - 1).join(QString());
            PrintText(canvas, partA, align, x1, y1, x2, midY, 0);
            PrintText(canvas, partB, align, x1, midY, x2, y2, 0);
            return;
        }
    }

    const int y = dots.Y(y1) + Trunc((boxH - canvas.Font().CharHeight()) / 2.0);
    const double x0 = dots.dpiX * double(x1) / 2.54 - dots.offsetX;
    const int n = int(chars.size());
    if (align == 3 && n == 1)
        align = 1;
    switch (align) {
    case 0:
        canvas.TextOut(Trunc(x0), y, text);
        break;
    case 1:
        canvas.TextOut(Trunc(x0 + (boxW - w) / 2.0), y, text);
        break;
    case 2:
        canvas.TextOut(Trunc(x0 + (boxW - w)), y, text);
        break;
    case 3: {
        if (n == 0)
            break;
        const double gap = double(boxW - w) / (n - 1);
        float xf = float(x0);
        for (const QString& ch : chars) {
            canvas.TextOut(Trunc(xf), y, ch);
            xf = float(xf + canvas.TextWidth(ch) + gap);
        }
        break;
    }
    default:
        break;
    }
}

void DrawVertical(TCanvas& canvas, const TSheetDots& dots, const QString& text, int align, float x1,
                  float y1, float x2, float y2)
{
    const int boxW = dots.Width(x2 - x1);
    const int boxH = dots.Height(y2 - y1);
    QStringList chars = CodePoints(text);
    for (QString& ch : chars)
        if (ch == QStringLiteral("ー"))
            ch = QStringLiteral("｜");
    const int n = int(chars.size());
    int r = 0;
    for (const QString& ch : chars)
        r += canvas.TextHeight(ch);
    // Truncated before the offset is taken off, unlike Y().
    float yf = float(Trunc(dots.dpiY * double(y1) / 2.54) - dots.offsetY);
    double gap = 0;
    // One character has no gaps to spread: it is centred instead.
    if (align == 3 && n == 1)
        align = 1;
    if (align == 1)
        yf += float((boxH - r) / 2);
    else if (align == 2)
        yf += float(boxH - r);
    else if (align == 3 && r < boxH)
        gap = double(boxH - r) / (n - 1);
    const int left = dots.X(x1);
    for (const QString& ch : chars) {
        const int x = Trunc((boxW - canvas.TextWidth(ch)) / 2.0) + left;
        canvas.TextOut(x, Trunc(yf), ch);
        yf = float(yf + canvas.TextHeight(ch) + gap);
    }
}

} // namespace

std::function<TPrintDeviceCaps()> SetPrintDevice(std::function<TPrintDeviceCaps()> source)
{
    return std::exchange(DeviceSource(), std::move(source));
}

TPrintDeviceCaps PrintDeviceCaps()
{
    if (!DeviceSource())
        throw AppError(QStringLiteral("プリンタが登録されていません"));
    return DeviceSource()();
}

int TSheetDots::X(float cm) const
{
    return Trunc(dpiX * double(cm) / 2.54 - offsetX);
}

int TSheetDots::Y(float cm) const
{
    return Trunc(dpiY * double(cm) / 2.54 - offsetY);
}

int TSheetDots::Width(float cm) const
{
    return Trunc(cm * double(dpiX) / 2.54);
}

int TSheetDots::Height(float cm) const
{
    return Trunc(cm * double(dpiY) / 2.54);
}

TSheetDots SheetDots(const TSheetOrigin& origin)
{
    const TPrintDeviceCaps caps = PrintDeviceCaps();
    TSheetDots dots;
    dots.dpiX = caps.dpiX;
    dots.dpiY = caps.dpiY;
    dots.offsetX = caps.physicalOffsetX + Trunc(caps.dpiX * double(-origin.left) / 2.54);
    dots.offsetY = caps.physicalOffsetY + Trunc(caps.dpiY * double(-origin.top) / 2.54);
    return dots;
}

void PrintText(TCanvas& canvas, const QString& text, int align, float x1, float y1, float x2,
               float y2, int vertical)
{
    const float midY = (y1 + y2) / 2;
    const float midX = (x1 + x2) / 2;

    if (align == 5) {
        const int dot = int(text.indexOf(QLatin1Char('.')));
        const QString partA = dot < 0 ? QString() : text.left(dot);
        const QString partB = dot < 0 ? text : text.mid(dot);
        PrintText(canvas, partA, 0, x1 + 0.01f, midY, x2, y2, 0);
        const int height = canvas.FontHeight();
        canvas.SetFontSize(int(std::trunc(canvas.FontSize() * 0.8)));
        PrintText(canvas, partB, 2, x1, y1, x2, midY, 0);
        canvas.SetFontHeight(height);
        return;
    }
    if (align == 4) {
        if (vertical == 0) {
            const float d = (x2 - x1) / 10;
            PrintText(canvas, text, 3, x1 + d, y1, x2 - d, y2, vertical);
        } else {
            const float d = (y2 - y1) / 10;
            PrintText(canvas, text, 3, x1, y1 + d, x2, y2 - d, vertical);
        }
        return;
    }
    const int pair = int(text.indexOf(QStringLiteral("\\\\")));
    if (pair >= 0) {
        const QString partA = text.left(pair);
        const QString partB = text.mid(pair + 2);
        if (vertical == 0) {
            PrintText(canvas, partA, align, x1, y1, x2, midY, vertical);
            PrintText(canvas, partB, align, x1, midY, x2, y2, vertical);
        } else if (vertical == 1) {
            PrintText(canvas, partA, align, x1, y1, midX, y2, vertical);
            PrintText(canvas, partB, align, midX, y1, x2, y2, vertical);
        }
        return;
    }

    struct RestoreBrush
    {
        TCanvas& c;
        TBrushStyle s;
        ~RestoreBrush() { c.SetBrushStyle(s); }
    } restore{canvas, canvas.BrushStyle()};
    canvas.SetBrushStyle(TBrushStyle::Clear);
    const TSheetDots dots = SheetDots(canvas.SheetOrigin());
    if (vertical == 0)
        DrawHorizontal(canvas, dots, text, align, x1, y1, x2, y2);
    else if (vertical == 1)
        DrawVertical(canvas, dots, text, align, x1, y1, x2, y2);
}

void PrintFitText(TCanvas& canvas, const QString& text, int align, float x1, float y1, float x2,
                  float y2, int vertical)
{
    const float wcm = TextWidthCm(canvas, text);
    const float hcm = TextHeightCm(canvas, text);
    // Nothing to squeeze: an empty text would divide by zero below.
    if (!(wcm > 0))
        return;
    if (x2 - x1 >= wcm) {
        PrintText(canvas, text, align, x1, y1, x2, y2, vertical);
        return;
    }
    PrintCondensedText(canvas, 0, int(std::trunc((x2 - x1) / wcm * 100)), x1,
                       y1 + (y2 - y1 - hcm) / 2, text);
}

bool TextFits(TCanvas& canvas, const QString& text, float x1, float x2)
{
    return canvas.TextWidth(text) <= SheetDots(canvas.SheetOrigin()).Width(x2 - x1);
}

int PrintShrinkText(TCanvas& canvas, const QString& text, int align, float x1, float y1, float x2,
                    float y2, int minPoints)
{
    const int height = canvas.FontHeight();
    int points = canvas.FontSize();
    while (!TextFits(canvas, text, x1, x2) && points > minPoints)
        canvas.SetFontSize(--points);
    QString shown = text;
    if (!TextFits(canvas, shown, x1, x2)) {
        QStringList chars = CodePoints(text);
        do {
            chars.removeLast();
            shown = chars.join(QString()) + QStringLiteral("…");
        } while (!chars.isEmpty() && !TextFits(canvas, shown, x1, x2));
    }
    // Fits now, so PrintText draws it as one piece.
    PrintText(canvas, shown, align, x1, y1, x2, y2, 0);
    canvas.SetFontHeight(height);
    return points;
}

void PrintCondensedText(TCanvas& canvas, int angle, int percent, float x, float y,
                        const QString& text)
{
    const TSheetDots dots = SheetDots(canvas.SheetOrigin());
    const int dx = dots.X(x);
    const int dy = dots.Y(y);
    const int charWidth = canvas.AverageCharWidth() * percent / 100;
    const TBrushStyle brush = canvas.BrushStyle();
    canvas.SetBrushStyle(TBrushStyle::Clear);
    canvas.TextOutNarrow(dx, dy, text, charWidth, angle * 10);
    canvas.SetBrushStyle(brush);
}

void PrintLine(TCanvas& canvas, float x1, float y1, float x2, float y2, float widthFactor)
{
    const int w0 = canvas.PenWidth();
    canvas.SetPenWidth(Trunc(w0 * double(widthFactor)));
    const TSheetDots dots = SheetDots(canvas.SheetOrigin());
    TStyleLine line;
    line.Canvas = &canvas;
    line.SetWidth(w0);
    switch (canvas.PenStyle()) {
    case TPenStyle::Solid:
        line.SetStyle(1);
        break;
    case TPenStyle::Dot:
        line.SetStyle(2);
        break;
    case TPenStyle::DashDot:
        line.SetStyle(4);
        break;
    default:
        break;
    }
    line.MoveTo(dots.X(x1), dots.Y(y1));
    line.LineTo(dots.X(x2), dots.Y(y2));
    canvas.SetPenWidth(w0);
}

void PrintBox(TCanvas& canvas, float x1, float y1, float x2, float y2, float widthFactor)
{
    const int w0 = canvas.PenWidth();
    canvas.SetPenWidth(Trunc(w0 * double(widthFactor)));
    const TSheetDots dots = SheetDots(canvas.SheetOrigin());
    const int l = dots.X(x1), t = dots.Y(y1), r = dots.X(x2), b = dots.Y(y2);
    canvas.MoveTo(l, t);
    canvas.LineTo(r, t);
    canvas.MoveTo(r, t);
    canvas.LineTo(r, b);
    canvas.MoveTo(r, b);
    canvas.LineTo(l, b);
    canvas.MoveTo(l, b);
    canvas.LineTo(l, t);
    canvas.SetPenWidth(w0);
}

void PrintImage(TCanvas& canvas, float x1, float y1, float x2, float y2, const QImage& image)
{
    const TSheetDots dots = SheetDots(canvas.SheetOrigin());
    canvas.Image(dots.X(x1), dots.Y(y1), dots.X(x2), dots.Y(y2), image);
}

void PrintCircle(TCanvas& canvas, float cx, float cy, float r)
{
    const TSheetDots dots = SheetDots(canvas.SheetOrigin());
    canvas.Ellipse(dots.X(cx - r), dots.Y(cy - r), dots.X(cx + r), dots.Y(cy + r));
}

void PrintPolygon(TCanvas& canvas, const std::vector<QPointF>& corners)
{
    const TSheetDots dots = SheetDots(canvas.SheetOrigin());
    QPolygon polygon;
    for (const QPointF& p : corners)
        polygon << QPoint(dots.X(float(p.x())), dots.Y(float(p.y())));
    canvas.Polygon(polygon);
}

void PrintHalfCircle(TCanvas& canvas, int kind, float cx, float cy, float r)
{
    const TSheetDots dots = SheetDots(canvas.SheetOrigin());
    const int left = dots.X(cx - r), top = dots.Y(cy - r), right = dots.X(cx + r),
              bottom = dots.Y(cy + r);
    canvas.SetBrushStyle(TBrushStyle::Solid);
    canvas.SetPenColor(clBlack);
    const int mx = (left + right) / 2;
    const int my = (top + bottom) / 2;
    switch (kind) {
    case 0:
        canvas.Pie(left, top, right, bottom, right, my, left, my);
        break;
    case 1:
        canvas.Pie(left, top, right, bottom, mx, bottom, mx, top);
        break;
    case 2:
        canvas.Pie(left, top, right, bottom, left, my, right, my);
        break;
    case 3:
        canvas.Pie(left, top, right, bottom, mx, top, mx, bottom);
        break;
    default:
        break;
    }
}

float TextWidthCm(TCanvas& canvas, const QString& text)
{
    return float(canvas.TextWidth(text) * 2.55 / PrintDeviceCaps().dpiX);
}

float TextHeightCm(TCanvas& canvas, const QString& text)
{
    return float(canvas.TextHeight(text) * 2.55 / PrintDeviceCaps().dpiX);
}

void SetPenWidthMm(TCanvas& canvas, float mm)
{
    const float v = float(PrintDeviceCaps().dpiX * double(mm) * 0.1 / 2.54);
    canvas.SetPenWidth(int(RoundUpDecimals(0, v)));
}
