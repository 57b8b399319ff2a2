#pragma once

// The control chart tests' project, helpers and the chart as the print settings draw it.

#include "ReportFixture.h"
#include "core/Settings.h"
#include "reports/ChartMemo.h"
#include "reports/ControlChart.h"
#include "reports/ReportLoader.h"
#include "storage/Engine.h"

inline const QString Koji = QStringLiteral("K-01");
inline const QString Mix = QStringLiteral("密粒13F");

class TListMemo : public TChartMemo
{
public:
    void Clear() override { lines.clear(); }
    void AddLine(const QString& line) override { lines << line; }
    QStringList lines;
};

inline float Yv(double v, double low = 100, double high = 200)
{
    return float(4.2 + 8.2 * (high - v) / (high - low));
}

inline float DayX(int d)
{
    return 4.4f + float(d);
}

// The record as the main window holds it when the user prints.
inline void Record(TOndoKanri& r, const QString& mix = Mix)
{
    r.Clear();
    r.Koji.Load(Koji);
    r.Gozai.Load(mix);
    r.Simei.Load(QStringLiteral("山田太郎"));
}

inline std::vector<TDrawOp> Lines(const std::vector<TDrawOp>& ops, TColor colour)
{
    std::vector<TDrawOp> out;
    for (const TDrawOp& op : OpsOfKind(ops, TDrawOp::Kind::Line))
        if (op.pen.color == colour)
            out.push_back(op);
    return out;
}

// The strokes of a line across the plot at y cm, from the left: one for a solid line, many for a
// dashed one.
inline std::vector<TDrawOp> LineAcross(const std::vector<TDrawOp>& ops, TColor colour, float y)
{
    std::vector<TDrawOp> out;
    for (const TDrawOp& op : Lines(ops, colour))
        if (op.p1.y() == DotY(y) && op.p2.y() == DotY(y) && op.p1.x() >= DotX(3.4f))
            out.push_back(op);
    std::sort(out.begin(), out.end(),
              [](const TDrawOp& a, const TDrawOp& b) { return a.p1.x() < b.p1.x(); });
    return out;
}

// Lines one day long that end at day column d: the joining lines.
inline int JoinsInto(const std::vector<TDrawOp>& ops, int d)
{
    int n = 0;
    for (const TDrawOp& op : OpsOfKind(ops, TDrawOp::Kind::Line))
        n += op.p1.x() == DotX(DayX(d) - 1) && op.p2.x() == DotX(DayX(d));
    return n;
}

inline std::vector<TDrawOp> DiscsAt(const std::vector<TDrawOp>& ops, float x, float y,
                                    TDrawOp::Kind kind)
{
    std::vector<TDrawOp> out;
    for (const TDrawOp& op : OpsOfKind(ops, kind))
        if (op.p1 == QPoint(DotX(x - 0.1f), DotY(y - 0.1f)))
            out.push_back(op);
    return out;
}

inline TChartDocument Load(const TOndoKanri& r, const QList<int>& ids, bool perProject)
{
    return LoadChartDocument(TReportScope{r.Koji.Code(), r.Gozai.DataName(), ids, perProject});
}

// What the print settings do: read the document, fill the memo, draw.
inline void Chart(const TOndoKanri& r, TTestPane& pane, const QList<int>& ids, bool perProject,
                  double low, double high, TListMemo* memo = nullptr)
{
    const TChartDocument doc = Load(r, ids, perProject);
    if (memo)
        FillChartMemo(doc, *memo);
    DrawControlChart(doc, pane, low, high);
}

// Text boxes of the page that lie in the column left of the axis, inside the plot's height.
inline std::vector<QRect> LabelBoxes(const std::vector<TDrawOp>& ops)
{
    std::vector<QRect> boxes;
    for (const TDrawOp& t : OpsOfKind(ops, TDrawOp::Kind::Text))
        if (t.p1.x() < DotX(2.4f) && t.p1.y() > DotY(4.0f) && t.p1.y() < DotY(12.6f))
            boxes.push_back(QRect(t.p1, QSize(t.textWidth, t.font.CharHeight())));
    return boxes;
}

// Markers whose box has its centre at (x, y) cm, as circles (Ellipse) or shapes (Polygon).
inline std::vector<TDrawOp> MarkersAt(const std::vector<TDrawOp>& ops, float x, float y,
                                      TDrawOp::Kind kind)
{
    std::vector<TDrawOp> out;
    for (const TDrawOp& op : OpsOfKind(ops, kind)) {
        const QPoint centre = (op.p1 + op.p2) / 2;
        if (qAbs(centre.x() - DotX(x)) <= 2 && qAbs(centre.y() - DotY(y)) <= 2)
            out.push_back(op);
    }
    return out;
}

inline QList<double> Readings16()
{
    QList<double> v;
    for (int i = 0; i < 16; ++i)
        v << 150 + i;
    return v;
}

inline void AddDays(const QString& mix, int kubun, int count, int month = 5)
{
    for (int d = 0; d < count; ++d)
        AddDay(Koji, mix, kubun, Day(month, 1).addDays(d), {150.0 + d % 7, 160.0});
}
