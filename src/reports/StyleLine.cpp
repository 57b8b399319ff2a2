#include "reports/StyleLine.h"

#include "reports/Canvas.h"

#include <cmath>
#include <initializer_list>

namespace {

// Nearest whole dot, halves to even (the default rounding mode).
int RoundEven(double v)
{
    return int(std::nearbyint(v));
}

} // namespace

void TStyleLine::SetStyle(unsigned char code)
{
    Style = code;
    const float u = float(Canvas->DpiX()) / 72.0f;
    auto fill = [&](std::initializer_list<int> points) {
        int i = 1;
        for (int p : points)
            Segments[i++] = RoundEven(double(u * float(p)));
        SegmentCount = int(points.size());
    };
    switch (code) {
    case 2:
        fill({4, 4});
        break;
    case 3:
        fill({24, 8});
        break;
    case 4:
        fill({12, 8, 4, 8});
        break;
    case 5:
        fill({12, 4, 4, 4, 4, 4});
        break;
    default:
        break;
    }
    CycleLength = 0;
    for (int i = 1; i <= SegmentCount; ++i)
        CycleLength += Segments[i];
}

void TStyleLine::SetWidth(int dots)
{
    Width = dots > 0 ? dots : 1;
}

void TStyleLine::MoveTo(int x, int y)
{
    Canvas->MoveTo(x, y);
    Canvas->SetPenStyle(TPenStyle::Solid);
    Canvas->SetPenWidth(Width);
    CurrentSegment = 1;
    SegmentPos = 1;
}

void TStyleLine::LineTo(int x, int y)
{
    if (Style == 1) {
        Canvas->LineTo(x, y);
        return;
    }
    const QPoint start = Canvas->PenPos();
    double px = start.x();
    double py = start.y();
    double len = std::hypot(x - px, y - py);
    if (len == 0)
        return;
    const double ux = (x - px) / len;
    const double uy = (y - py) / len;

    auto go = [&](int j, int tx, int ty) {
        if (j % 2 == 1)
            Canvas->LineTo(tx, ty);
        else
            Canvas->MoveTo(tx, ty);
    };
    auto advance = [&](int j, double d) {
        px += ux * d;
        py += uy * d;
        go(j, RoundEven(px), RoundEven(py));
    };

    if (CurrentSegment > 1 || SegmentPos > 1) {
        for (int j = CurrentSegment; j <= SegmentCount; ++j) {
            const double rem = Segments[j] - SegmentPos + 1;
            if (rem > len) {
                go(j, x, y);
                SegmentPos += RoundEven(len);
                CurrentSegment = j;
                return;
            }
            advance(j, rem);
            len -= rem;
            SegmentPos = 1;
        }
    }

    if (CycleLength > 0) {
        const long n = long(std::trunc(len / CycleLength));
        for (long i = 0; i < n; ++i)
            for (int j = 1; j <= SegmentCount; ++j)
                advance(j, Segments[j]);
        len -= double(n) * CycleLength;
    }

    for (int j = 1; j <= SegmentCount; ++j) {
        if (Segments[j] > len) {
            go(j, x, y);
            SegmentPos = RoundEven(len) + 1;
            CurrentSegment = j;
            return;
        }
        advance(j, Segments[j]);
        len -= Segments[j];
    }
    CurrentSegment = 1;
    SegmentPos = 1;
}
