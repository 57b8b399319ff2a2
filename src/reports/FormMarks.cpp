#include "reports/Canvas.h"
#include "reports/FormKit.h"
#include "reports/Print.h"

#include <QPointF>
#include <algorithm>
#include <cmath>

// The marks the charts share: where labels of reference lines go, and the markers that tell
// series apart.

std::vector<float> SpreadLabels(const std::vector<float>& wanted, float pitch, float top,
                                float bottom)
{
    // Neighbours that would overlap form a group placed as near its members' wishes as the band
    // allows; groups that then meet merge, until none do.
    struct TGroup
    {
        size_t start;
        size_t count;
        double sum; // of each member's wish less its offset in the group
        double first;
    };
    const double half = pitch / 2.0;
    const auto place = [&](TGroup& g) {
        const double lo = top + half;
        const double hi = std::max(lo, bottom - half - double(g.count - 1) * pitch);
        g.first = std::clamp(g.sum / double(g.count), lo, hi);
    };
    std::vector<TGroup> groups;
    for (size_t i = 0; i < wanted.size(); ++i) {
        groups.push_back({i, 1, double(wanted[i]), 0});
        place(groups.back());
        while (groups.size() > 1) {
            TGroup& last = groups.back();
            TGroup& prev = groups[groups.size() - 2];
            if (prev.first + double(prev.count) * pitch <= last.first + 1e-6)
                break;
            prev.sum += last.sum - double(last.count) * double(last.start - prev.start) * pitch;
            prev.count += last.count;
            groups.pop_back();
            place(groups.back());
        }
    }
    std::vector<float> out(wanted.size(), 0.0f);
    for (const TGroup& g : groups)
        for (size_t k = 0; k < g.count; ++k)
            out[g.start + k] = float(g.first + double(k) * pitch);
    return out;
}

TReferenceLabels LayOutReferenceLabels(const std::vector<float>& lineY, float top, float height,
                                       int largestPoints, float width,
                                       const std::function<float(int)>& widest)
{
    TReferenceLabels out;
    const int n = int(lineY.size());
    if (n == 0)
        return out;
    // A line of text takes 0.04 cm a point, a little gap included.
    out.points = ReadablePoints;
    for (int s = largestPoints; s >= ReadablePoints; --s) {
        if (float(n) * 0.04f * float(s) <= height && widest(s) <= width) {
            out.points = s;
            break;
        }
    }
    out.pitch = std::min(0.04f * float(out.points), height / float(n));
    out.centres = SpreadLabels(lineY, out.pitch, top, top + height);
    return out;
}

namespace {

constexpr double Pi = 3.14159265358979323846;

// Corners of a regular shape round (0, 0) at radius 1, y downwards, the first corner at
// `start` degrees counter-clockwise from 3 o'clock.
std::vector<QPointF> Regular(int corners, double start)
{
    std::vector<QPointF> out;
    for (int k = 0; k < corners; ++k) {
        const double a = (start + 360.0 * k / corners) * Pi / 180.0;
        out.emplace_back(std::cos(a), -std::sin(a));
    }
    return out;
}

std::vector<QPointF> Star()
{
    std::vector<QPointF> out;
    for (int k = 0; k < 10; ++k) {
        const double a = (90.0 + 36.0 * k) * Pi / 180.0;
        const double r = k % 2 ? 0.45 : 1.0;
        out.emplace_back(r * std::cos(a), -r * std::sin(a));
    }
    return out;
}

// Shapes 1 and up; 0 is the circle.
const std::vector<std::vector<QPointF>>& Shapes()
{
    static const std::vector<std::vector<QPointF>> shapes{
        {},
        {{-0.85, -0.85}, {0.85, -0.85}, {0.85, 0.85}, {-0.85, 0.85}},
        Regular(3, 90),
        Regular(4, 90),
        Regular(3, 270),
        Regular(6, 0),
        Regular(5, 90),
        Star(),
        Regular(3, 180),
        Regular(3, 0),
    };
    return shapes;
}

} // namespace

int MarkerCount()
{
    return int(Shapes().size());
}

void DrawMarker(TCanvas& c, int shape, float cx, float cy, float r, TColor colour, bool filled)
{
    c.SetPenColor(colour);
    if (filled)
        c.SetPenWidth(1);
    else
        SetPenWidthMm(c, 0.25f);
    c.SetBrushStyle(TBrushStyle::Solid);
    c.SetBrushColor(filled ? colour : clWhite);
    const int k = ((shape % MarkerCount()) + MarkerCount()) % MarkerCount();
    if (k == 0) {
        PrintCircle(c, cx, cy, r);
    } else {
        std::vector<QPointF> corners;
        for (const QPointF& p : Shapes()[size_t(k)])
            corners.emplace_back(cx + r * p.x(), cy + r * p.y());
        PrintPolygon(c, corners);
    }
    c.SetPenColor(clBlack);
    c.SetPenWidth(1);
    c.SetBrushColor(clWhite);
}

void DrawLineLabels(TCanvas& c, std::vector<TLineLabel> lines, const TCmBox& column,
                    const TCmBox& plot, int largestPoints)
{
    const float plotLeft = plot.x1, plotRight = plot.x2;
    const int points0 = c.FontSize();
    lines.erase(std::remove_if(lines.begin(), lines.end(),
                               [&](const TLineLabel& l) { return l.y < plot.y1 || l.y > plot.y2; }),
                lines.end());
    std::stable_sort(lines.begin(), lines.end(),
                     [](const TLineLabel& a, const TLineLabel& b) { return a.y < b.y; });
    std::vector<float> wanted;
    for (const TLineLabel& l : lines) {
        c.SetPenColor(l.colour);
        SetPenWidthMm(c, l.widthMm);
        PrintLine(c, plotLeft, l.y, plotRight, l.y, 1);
        c.SetPenWidth(1);
        wanted.push_back(l.y);
    }
    const auto widest = [&](int points) {
        c.SetFontSize(points);
        float w = 0;
        for (const TLineLabel& l : lines)
            w = std::max(w, TextWidthCm(c, l.text));
        return w;
    };
    const TReferenceLabels labels = LayOutReferenceLabels(
        wanted, column.y1, column.y2 - column.y1, largestPoints, column.x2 - column.x1, widest);
    c.SetFontSize(labels.points);
    for (size_t k = 0; k < lines.size(); ++k) {
        const float y = labels.centres[k];
        c.SetFontColor(lines[k].colour);
        PrintText(c, lines[k].text, 2, column.x1, y - labels.pitch / 2, column.x2,
                  y + labels.pitch / 2, 0);
        if (std::abs(y - wanted[k]) > 0.05f) {
            const float bend = column.x2 + (plotLeft - column.x2) * 0.3f;
            c.SetPenColor(lines[k].colour);
            PrintLine(c, column.x2 + 0.02f, y, bend, wanted[k], 1);
            PrintLine(c, bend, wanted[k], plotLeft, wanted[k], 1);
        }
    }
    c.SetFontColor(clBlack);
    c.SetPenColor(clBlack);
    c.SetFontSize(points0);
}
