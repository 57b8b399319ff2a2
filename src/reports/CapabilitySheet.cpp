#include "reports/CapabilitySheet.h"

#include "reports/Canvas.h"
#include "reports/FormKit.h"
#include "reports/PageSink.h"
#include "reports/Print.h"
#include "statistics/Capability.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float HistLeft = 1.6f, HistRight = 11.8f, HistTop = 4.4f, HistBottom = 13.6f;

int DecimalsOf(double unit)
{
    return unit >= 1 ? 0 : unit >= 0.1 ? 1 : 2;
}

// A boxed row: the label at the left, the value after it.
void Row(TCanvas& c, const TTitleField& row, float x1, float x2, float x3, float y1, float y2)
{
    // Spread alignment would tear "x̄" apart.
    PrintShrinkText(c, row.label, 0, x1 + 0.15f, y1, x2 - 0.1f, y2, SmallestPoints);
    PrintShrinkText(c, row.value, 0, x2 + 0.15f, y1, x3 - 0.1f, y2, SmallestPoints);
    PrintBox(c, x1, y1, x3, y2, 1);
    PrintLine(c, x2, y1, x2, y2, 1);
}

} // namespace

QString JudgementText(const TCapability& cap)
{
    if (cap.judgement.isEmpty())
        return QStringLiteral("—");
    const QString reasons = CpkText(cap.cpk) + QStringLiteral("・規格外 %1 個").arg(cap.outside);
    return cap.judgement + QStringLiteral("（") + reasons + QStringLiteral("）");
}

QString CpText(const std::optional<double>& cp)
{
    return QStringLiteral("Cp=") + (cp ? CapabilityFigure(*cp) : QStringLiteral("—"));
}

QString CpkText(const std::optional<double>& cpk)
{
    return QStringLiteral("Cpk=") + (cpk ? CapabilityFigure(*cpk) : QStringLiteral("—"));
}

void DrawCapabilitySheet(const TStatDocument& doc, TPageSink& pane)
{
    TFormPages pages(pane, CapabilityPage, std::max<int>(1, int(doc.series.size())));
    for (const TStatSeries& series : doc.series) {
        // What the process gave: a simulated day's readings are the category's range, not it.
        std::vector<double> all;
        for (const TStatDay& d : series.days)
            if (!d.simulated)
                all.insert(all.end(), d.readings.begin(), d.readings.end());
        const THistogram h = MakeHistogram(all);
        const TCapability cap = ComputeCapability(all, series.lowerLimit, series.upperLimit);
        const int dec = DecimalsOf(h.unit);

        TCanvas& c = pages.Next();
        c.SetFontName(doc.font);
        DrawFormFrame(c, TCmBox{0, 0, 18, 26.7f});
        DrawFormName(c, QStringLiteral("工程能力図"), TCmBox{0, 0.2f, 18, 1.3f});
        TTitleBlock title = StatTitle(doc, series);
        title.page = pages.Number();
        title.pages = pages.Total();
        DrawTitleBlock(c, title, doc.title, TCmBox{0.4f, 1.4f, 17.6f, 3.4f});
        c.SetFontSize(9);

        // 度数図: the axis spans the classes and both limits.
        PrintText(c, QStringLiteral("度数図"), 0, HistLeft, 3.6f, HistRight, 4.3f, 0);
        PrintBox(c, HistLeft, HistTop, HistRight, HistBottom, 1);
        if (!h.classes.empty()) {
            double lo = h.classes.front().low, hi = h.classes.back().high;
            if (series.lowerLimit)
                lo = std::min(lo, *series.lowerLimit - h.width);
            if (series.upperLimit)
                hi = std::max(hi, *series.upperLimit + h.width);
            lo -= h.width / 2;
            hi += h.width / 2;
            auto X = [&](double v) {
                return float(HistLeft + (HistRight - HistLeft) * (v - lo) / (hi - lo));
            };
            int most = 1;
            for (const THistogramClass& k2 : h.classes)
                most = std::max(most, k2.count);
            const int step = most <= 10    ? 1
                             : most <= 20  ? 2
                             : most <= 50  ? 5
                             : most <= 100 ? 10
                                           : int(std::ceil(most / 10.0 / 10) * 10);
            const int top = int(std::ceil(double(most) / step)) * step;
            const float plotTop = HistTop + 0.8f;
            auto Y = [&](double n) { return float(HistBottom - (HistBottom - plotTop) * n / top); };
            c.SetFontSize(7);
            for (int v = 0; v <= top; v += step) {
                c.SetPenColor(clAqua);
                PrintLine(c, HistLeft, Y(v), HistRight, Y(v), 1);
                c.SetPenColor(clBlack);
                PrintText(c, QString::number(v), 2, 0.4f, Y(v) - 0.2f, HistLeft - 0.1f, Y(v) + 0.2f,
                          0);
            }
            SetPenWidthMm(c, 0.2f);
            for (const THistogramClass& k2 : h.classes)
                if (k2.count > 0)
                    PrintBox(c, X(k2.low), Y(k2.count), X(k2.high), HistBottom, 1);
            c.SetPenWidth(1);
            // Boundary labels every few classes so they never overlap.
            const int every = std::max(1, int(h.classes.size() + 5) / 6);
            for (size_t i = 0; i <= h.classes.size(); i += size_t(every)) {
                const double b = i < h.classes.size() ? h.classes[i].low : h.classes.back().high;
                PrintText(c, QString::number(b, 'f', dec + 1), 1, X(b) - 0.8f, HistBottom + 0.05f,
                          X(b) + 0.8f, HistBottom + 0.45f, 0);
            }
            auto vertical = [&](double v, TColor colour, const QString& name) {
                const float x = X(v);
                c.SetPenColor(colour);
                SetPenWidthMm(c, 0.3f);
                PrintLine(c, x, HistTop + 0.4f, x, HistBottom, 1);
                c.SetPenWidth(1);
                c.SetPenColor(clBlack);
                c.SetFontColor(colour);
                PrintText(c, name, 1, x - 1.2f, HistTop + 0.02f, x + 1.2f, HistTop + 0.4f, 0);
                c.SetFontColor(clBlack);
            };
            if (series.lowerLimit)
                vertical(*series.lowerLimit, clRed,
                         QStringLiteral("SL=") + QString::number(*series.lowerLimit));
            if (series.upperLimit)
                vertical(*series.upperLimit, clRed,
                         QStringLiteral("SU=") + QString::number(*series.upperLimit));
            c.SetPenStyle(TPenStyle::Dash);
            vertical(cap.mean, clBlue, QStringLiteral("x̄"));
            c.SetPenStyle(TPenStyle::Solid);
        }
        c.SetFontSize(9);
        PrintText(c, QStringLiteral("温度（℃）"), 1, HistLeft, HistBottom + 0.45f, HistRight,
                  HistBottom + 0.9f, 0);

        // 度数表 beside the histogram.
        PrintText(c, QStringLiteral("度数表"), 0, 12.4f, 3.6f, 17.6f, 4.3f, 0);
        const float rowH = std::min(0.45f, 9.0f / float(h.classes.size() + 1));
        c.SetFontSize(8);
        Row(c, {QStringLiteral("階級"), QStringLiteral("度数")}, 12.4f, 15.8f, 17.6f, HistTop,
            HistTop + rowH);
        for (size_t i = 0; i < h.classes.size(); ++i) {
            const float y = HistTop + rowH * float(i + 1);
            const THistogramClass& k2 = h.classes[i];
            Row(c,
                {QStringLiteral("%1〜%2")
                     .arg(k2.low, 0, 'f', dec + 1)
                     .arg(k2.high, 0, 'f', dec + 1),
                 QString::number(k2.count)},
                12.4f, 15.8f, 17.6f, y, y + rowH);
        }

        // The values and the judgement.
        c.SetFontSize(10);
        const bool any = cap.n > 0;
        const TTitleField values[] = {
            {QStringLiteral("n"), QString::number(cap.n)},
            {QStringLiteral("平均 x̄"),
             any ? QString::number(cap.mean, 'f', dec + 1) : QStringLiteral("—")},
            {QStringLiteral("標準偏差 s"),
             any ? QString::number(cap.s, 'f', dec + 2) : QStringLiteral("—")},
            {QStringLiteral("最小"),
             any ? QString::number(cap.min, 'f', dec) : QStringLiteral("—")},
            {QStringLiteral("最大"),
             any ? QString::number(cap.max, 'f', dec) : QStringLiteral("—")},
            {QStringLiteral("規格値"), title.limit.isEmpty() ? QStringLiteral("—") : title.limit},
            {QStringLiteral("規格外"),
             QStringLiteral("%1 個 (%2%)").arg(cap.outside).arg(cap.outsideShare * 100, 0, 'f', 1)},
            {QStringLiteral("工程能力"), CpText(cap.cp) + QStringLiteral("　") + CpkText(cap.cpk)},
            {QStringLiteral("判定"), JudgementText(cap)},
        };
        float y = 14.8f;
        for (const auto& v : values) {
            Row(c, v, 1.6f, 5.0f, 11.8f, y, y + 0.7f);
            y += 0.7f;
        }
        c.SetFontSize(8);
        PrintFittedText(c,
                        QStringLiteral("Cp=(SU−SL)/6s　Cpk=min(SU−x̄, x̄−SL)/3s（片側規格はその側の"
                                       "み）"),
                        0, TCmBox{1.6f, y + 0.3f, 17.6f, y + 0.7f});
        PrintFittedText(
            c,
            QStringLiteral("判定: Cpk≧1.33 で規格外 0 個なら十分、Cpk≧1.00（規格外があれば "
                           "Cpk≧1.33 でも）まずまず、Cpk＜1.00 不足"),
            0, TCmBox{1.6f, y + 0.7f, 17.6f, y + 1.1f});
        y += 0.4f;
        if (const int simulated = SimulatedDays(series)) {
            c.SetFontSize(10);
            c.SetFontColor(clRed);
            PrintText(c, QStringLiteral("度数図・値はすべて") + SimulatedLeftOut(simulated), 0,
                      1.6f, y + 0.9f, 17.6f, y + 1.5f, 0);
            c.SetFontColor(clBlack);
        }
    }
}
