#include "core/KikakuText.h"
#include "reports/Canvas.h"
#include "reports/Print.h"
#include "reports/XbarRChart.h"

#include <QStringList>
#include <algorithm>
#include <vector>

// The data sheet of the x̄-R chart: the subgroups of a sheet and how the limits follow from
// all of them.

namespace {

constexpr TCmBox TitleBox{0.2f, 1.1f, 26.5f, 3.3f};
constexpr float TableLeft = 0.2f;
constexpr float HeadTop = 3.45f, HeadMid = 3.75f, RowsTop = 4.05f, Row = 0.4f;
constexpr float SubtotalTop = RowsTop + Row * XbarRPerSheet;
constexpr float PanelLeft = 17.5f, PanelRight = 26.3f;
// Below this many subgroups the limits only show the way.
constexpr int FewGroups = 20;

QString Fixed(double v, int decimals)
{
    return QString::number(v, 'f', decimals);
}

struct TColumn
{
    QString head;
    float width;
};

// 組番号, 月日, x1 … xN, Σx, x̄, R, 摘要.
std::vector<TColumn> ColumnsOf(int size)
{
    std::vector<TColumn> columns{{QStringLiteral("組番号"), 1.1f}, {QStringLiteral("月日"), 1.4f}};
    for (int i = 1; i <= size; ++i)
        columns.push_back({QStringLiteral("x%1").arg(i), 1.5f});
    columns.push_back({QStringLiteral("Σx"), 1.7f});
    columns.push_back({QStringLiteral("x̄"), 1.7f});
    columns.push_back({QStringLiteral("R"), 1.3f});
    columns.push_back({QStringLiteral("摘要"), 2.2f});
    return columns;
}

void Cell(TCanvas& c, const QString& text, float x1, float x2, float y, int align = 2,
          TColor colour = clBlack)
{
    if (text.isEmpty())
        return;
    c.SetFontColor(colour);
    PrintShrinkText(c, text, align, x1 + 0.06f, y, x2 - 0.06f, y + Row, ReadablePoints);
    c.SetFontColor(clBlack);
}

// A labelled line of the panel: the label at the left, the working and result after it.
float PanelLine(TCanvas& c, float y, const QString& label, const QString& value, bool bold = false)
{
    PrintShrinkText(c, label, 0, PanelLeft + 0.1f, y, PanelLeft + 2.9f, y + Row, ReadablePoints);
    c.SetFontBold(bold);
    PrintShrinkText(c, value, 0, PanelLeft + 3.0f, y, PanelRight - 0.1f, y + Row, ReadablePoints);
    c.SetFontBold(false);
    return y + Row;
}

void DrawPanel(TCanvas& c, const TStatSeries& series, const TXbarRSeries& s)
{
    const int dec = s.decimals;
    const TRangeLimits& k = s.limits;
    const TRangeConstants n = RangeConstants(s.size);
    const TRangeSubgroupLimits l = RangeLimitsFor(k);
    const QString none = QStringLiteral("—");
    const auto value = [&](double v) { return k.valid ? Fixed(v, dec + 2) : none; };
    PrintBox(c, PanelLeft, HeadTop, PanelRight, SubtotalTop + Row, 1);
    c.SetFontSize(9);
    float y = HeadTop + 0.05f;
    PrintShrinkText(c, QStringLiteral("管理限界の計算（期間の全組）"), 0, PanelLeft + 0.1f, y,
                    PanelRight - 0.1f, y + Row, ReadablePoints);
    y += Row + 0.1f;
    c.SetFontSize(8);
    y = PanelLine(c, y, QStringLiteral("組数 k"), QString::number(k.count));
    y = PanelLine(c, y, QStringLiteral("Σx̄ ・ ΣR"),
                  k.valid ? Fixed(k.sumOfMeans, dec + 1) + QStringLiteral(" ・ ") +
                                Fixed(k.sumOfRanges, dec)
                          : none);
    y = PanelLine(c, y, QStringLiteral("X̿ = Σx̄ / k"), value(k.grandMean), true);
    y = PanelLine(c, y, QStringLiteral("R̄ = ΣR / k"), value(k.rBar), true);
    const QString a2 = Fixed(n.a2, 3), d4 = Fixed(n.d4, 3);
    y = PanelLine(c, y, QStringLiteral("UCL = X̿ + A2·R̄"),
                  k.valid ? QStringLiteral("%1 + %2 × %3 = %4")
                                .arg(value(k.grandMean), a2, value(k.rBar), value(l.xHigh))
                          : none,
                  true);
    y = PanelLine(c, y, QStringLiteral("LCL = X̿ − A2·R̄"),
                  k.valid ? QStringLiteral("%1 − %2 × %3 = %4")
                                .arg(value(k.grandMean), a2, value(k.rBar), value(l.xLow))
                          : none,
                  true);
    y = PanelLine(c, y, QStringLiteral("UCL(R) = D4·R̄"),
                  k.valid ? QStringLiteral("%1 × %2 = %3").arg(d4, value(k.rBar), value(l.rHigh))
                          : none,
                  true);
    y = PanelLine(c, y, QStringLiteral("LCL(R) = D3·R̄"),
                  l.hasRLow ? value(l.rLow) : QStringLiteral("なし（n ≦ 6）"));

    // The constants of the sizes the sheet may use; the one used bold.
    y += 0.15f;
    const float widths[] = {1.2f, 1.6f, 1.6f, 1.6f};
    const auto tableRow = [&](const QStringList& cells, bool bold) {
        float x = PanelLeft + 0.1f;
        c.SetFontBold(bold);
        for (int i = 0; i < cells.size(); ++i) {
            PrintBox(c, x, y, x + widths[i], y + Row, 1);
            PrintShrinkText(c, cells[i], 1, x + 0.05f, y, x + widths[i] - 0.05f, y + Row,
                            ReadablePoints);
            x += widths[i];
        }
        c.SetFontBold(false);
        y += Row;
    };
    tableRow(
        {QStringLiteral("n"), QStringLiteral("A2"), QStringLiteral("D3"), QStringLiteral("D4")},
        false);
    for (int size = SmallestXbarRSize; size <= LargestXbarRSize; ++size) {
        const TRangeConstants t = RangeConstants(size);
        tableRow({QString::number(size), Fixed(t.a2, 3), t.d3 > 0 ? Fixed(t.d3, 3) : none,
                  Fixed(t.d4, 3)},
                 size == s.size);
    }

    y += 0.15f;
    QStringList notes;
    const QString limit = ReadableRange(series.limitText);
    notes << QStringLiteral("規格値 ") + (limit.isEmpty() ? none : limit);
    notes << QStringLiteral("組: 同じ日の測定順に %1 個ずつ").arg(s.size);
    if (s.leftOut > 0)
        notes << QStringLiteral("組にならない測定値 %1 個（%2 日の最後の %3 個未満の分）")
                     .arg(s.leftOut)
                     .arg(s.leftOutDays)
                     .arg(s.size);
    if (s.simulated > 0)
        notes << QStringLiteral("管理限界は") + SimulatedLeftOut(s.simulated);
    if (k.valid && k.count < FewGroups)
        notes << QStringLiteral("組数が %1 未満のため管理限界は参考値").arg(FewGroups);
    c.SetFontColor(clBlack);
    for (const QString& note : notes) {
        if (y + Row > SubtotalTop + Row)
            break;
        PrintFittedText(c, note, 0, TCmBox{PanelLeft + 0.1f, y, PanelRight - 0.1f, y + Row});
        y += Row;
    }
}

} // namespace

void DrawXbarRDataSheet(TCanvas& c, const TStatDocument& doc, const TStatSeries& series,
                        const TXbarRSeries& s, int sheet, const TTitleBlock& title)
{
    DrawTitleBlock(c, title, doc.title, TitleBox);
    const int dec = s.decimals;
    const std::vector<TColumn> columns = ColumnsOf(s.size);
    std::vector<float> edges{TableLeft};
    for (const TColumn& col : columns)
        edges.push_back(edges.back() + col.width);
    const float right = edges.back();
    const int firstX = 2, sumColumn = 2 + s.size;

    // Heading: 測定値 over x1 … xN, the other heads over both its rows.
    SetPenWidthMm(c, 0.4f);
    PrintBox(c, TableLeft, HeadTop, right, SubtotalTop + Row, 1);
    PrintLine(c, TableLeft, RowsTop, right, RowsTop, 1);
    PrintLine(c, TableLeft, SubtotalTop, right, SubtotalTop, 1);
    c.SetPenWidth(1);
    PrintLine(c, edges[firstX], HeadMid, edges[sumColumn], HeadMid, 1);
    for (size_t i = 1; i + 1 < edges.size(); ++i) {
        const bool inMeasured = int(i) > firstX && int(i) < sumColumn;
        // The 小計's label spans the cells left of Σx.
        const float bottom = int(i) < sumColumn ? SubtotalTop : SubtotalTop + Row;
        PrintLine(c, edges[i], inMeasured ? HeadMid : HeadTop, edges[i], bottom, 1);
    }
    for (int r = 1; r < XbarRPerSheet; ++r)
        PrintLine(c, TableLeft, RowsTop + Row * float(r), right, RowsTop + Row * float(r), 1);
    c.SetFontSize(8);
    PrintText(c, QStringLiteral("測定値"), 1, edges[firstX], HeadTop, edges[sumColumn], HeadMid, 0);
    for (size_t i = 0; i < columns.size(); ++i) {
        const bool measured = int(i) >= firstX && int(i) < sumColumn;
        PrintShrinkText(c, columns[i].head, 1, edges[i] + 0.05f, measured ? HeadMid : HeadTop,
                        edges[i + 1] - 0.05f, RowsTop, ReadablePoints);
    }

    c.SetFontSize(9);
    const int from = sheet * XbarRPerSheet;
    const int to = std::min(int(s.rows.size()), from + XbarRPerSheet);
    double sumMeans = 0, sumRanges = 0;
    int measured = 0;
    for (int i = from; i < to; ++i) {
        const TXbarRRow& row = s.rows[size_t(i)];
        const float y = RowsTop + Row * float(i - from);
        Cell(c, QString::number(row.number), edges[0], edges[1], y, 1);
        Cell(c, MonthDay(row.day), edges[1], edges[2], y, 1, row.simulated ? clRed : clBlack);
        double sum = 0;
        for (int k = 0; k < s.size; ++k) {
            sum += row.readings[size_t(k)];
            Cell(c, Fixed(row.readings[size_t(k)], dec), edges[size_t(firstX + k)],
                 edges[size_t(firstX + k + 1)], y);
        }
        Cell(c, Fixed(sum, dec), edges[size_t(sumColumn)], edges[size_t(sumColumn + 1)], y);
        Cell(c, Fixed(row.group.mean, dec + 1), edges[size_t(sumColumn + 1)],
             edges[size_t(sumColumn + 2)], y, 2, row.flag.mean ? clRed : clBlack);
        Cell(c, Fixed(row.group.range, dec), edges[size_t(sumColumn + 2)],
             edges[size_t(sumColumn + 3)], y, 2, row.flag.range ? clRed : clBlack);
        QString remark;
        if (row.simulated)
            remark = QStringLiteral("模擬値・計算外");
        else if (row.flag.mean || row.flag.range)
            remark = QStringLiteral("管理外れ");
        Cell(c, remark, edges[size_t(sumColumn + 3)], right, y, 0, clRed);
        if (!row.simulated) {
            sumMeans += row.group.mean;
            sumRanges += row.group.range;
            ++measured;
        }
    }
    // The sheet's 小計 of its measured subgroups.
    c.SetFontSize(8);
    Cell(c, QStringLiteral("小計（%1組）").arg(measured), edges[0], edges[size_t(sumColumn)],
         SubtotalTop, 1);
    Cell(c, measured ? Fixed(sumMeans, dec + 1) : QString(), edges[size_t(sumColumn + 1)],
         edges[size_t(sumColumn + 2)], SubtotalTop);
    Cell(c, measured ? Fixed(sumRanges, dec) : QString(), edges[size_t(sumColumn + 2)],
         edges[size_t(sumColumn + 3)], SubtotalTop);
    if (s.rows.empty()) {
        c.SetFontSize(10);
        PrintText(c, QStringLiteral("組がありません（%1個そろう日がありません）").arg(s.size), 1,
                  TableLeft, RowsTop, right, RowsTop + Row * 3, 0);
    }
    DrawPanel(c, series, s);
    c.SetFontSize(10);
}
