#include "reports/ControlChart.h"

#include "environment/Query.h"
#include "environment/RegistryUtility.h"
#include "environment/Utility.h"
#include "records/OndoKanri.h"
#include "registers/OndoKubun.h"
#include "reports/Canvas.h"
#include "reports/ChartMemo.h"
#include "reports/PageSink.h"
#include "reports/Print.h"

#include <QDateTime>
#include <QStringList>
#include <cmath>
#include <memory>
#include <vector>

namespace {

constexpr int DaysPerPage = 22;
constexpr float PlotTop = 4.2f;
constexpr float PlotHeight = 8.2f;
constexpr float PlotLeft = 3.4f;
constexpr float PlotRight = 26.5f;
constexpr float FirstDayX = 4.4f;
constexpr float DotRadius = 0.1f;
constexpr float LabelGap = 0.8f;

// The range and the stored temperatures are compared and scaled at four decimals, so that a
// reading and a bound that print alike also compare alike; exact halves go to the even neighbour
// (the default rounding mode).
qint64 ToFixed(double v)
{
    return qint64(std::nearbyint(v * 10000.0));
}

double FromFixed(qint64 v)
{
    return double(v) / 10000.0;
}

class TScale
{
public:
    TScale(double low, double high) : m_low(ToFixed(low)), m_high(ToFixed(high)) {}

    // Equal bounds leave no scale: nothing may be placed on it.
    bool Valid() const { return m_high != m_low; }
    qint64 Low() const { return m_low; }
    qint64 High() const { return m_high; }

    float Y(double v) const
    {
        return float(PlotTop
                     + PlotHeight * (FromFixed(m_high) - v) / (FromFixed(m_high) - FromFixed(m_low)));
    }

    // The axis positions are kept to 0.0001 cm like the rest of the fixed-point sums.
    float AxisY(qint64 v) const
    {
        const double y = PlotTop + PlotHeight * double(m_high - v) / double(m_high - m_low);
        return float(FromFixed(ToFixed(y)));
    }

private:
    qint64 m_low;
    qint64 m_high;
};

QString MonthDay(const QDateTime& d)
{
    return QStringLiteral("%1/%2").arg(d.date().month()).arg(d.date().day());
}

QString PeriodText(const QDateTime& d)
{
    return QStringLiteral("%1月 %2日").arg(d.date().month()).arg(d.date().day());
}

QStringList MixList(const TOndoKanri& record, bool perProject)
{
    QStringList mixes;
    if (!perProject) {
        mixes << record.Gozai.DataName();
        return mixes;
    }
    Query q;
    q.Add(QStringLiteral("select distinct GozaiName from OndoKanri4"));
    q.Add(QStringLiteral("where KojiCode = :A"));
    q.BindText(QStringLiteral("A"), record.Koji.Code());
    q.Open();
    for (; !q.Eof(); q.Next())
        mixes << q.FieldText(QStringLiteral("GozaiName"));
    return mixes;
}

QStringList DayList(const QString& mix, const QString& koji)
{
    QStringList days;
    Query q;
    q.Add(QStringLiteral("select distinct Hiduke from OndoHead4"));
    q.Add(QStringLiteral("inner join OndoKanri4 on OndoKanri4.ID = OndoHead4.KanriID"));
    q.Add(QStringLiteral("where GozaiName = :A  and KojiCode = :B"));
    q.Add(QStringLiteral("order by Hiduke"));
    q.BindText(QStringLiteral("A"), mix);
    q.BindText(QStringLiteral("B"), koji);
    q.Open();
    for (; !q.Eof(); q.Next())
        days << FormatDate(q.FieldDateTime(QStringLiteral("Hiduke")));
    return days;
}

void AddReferenceLines(std::vector<TOJ>& lines, const TOndoKanri& record, TOndoKubun& kubun,
                       int id)
{
    const QString koji = record.Koji.Code();
    const QString mix = record.Gozai.DataName();

    Query avg;
    avg.Add(QStringLiteral(
        "select distinct KojiCode, GozaiName, Kubun, Avg(AvgOndo) as AO from OndoKanri4"));
    avg.Add(QStringLiteral("inner join OndoHead4 on OndoHead4.KanriID = OndoKanri4.ID"));
    avg.Add(QStringLiteral("where KojiCode=:A and GozaiName=:B and Kubun=:C"));
    avg.Add(QStringLiteral("group by KojiCode, GozaiName, Kubun"));
    avg.BindText(QStringLiteral("A"), koji);
    avg.BindText(QStringLiteral("B"), mix);
    avg.BindInt(QStringLiteral("C"), id);
    avg.Open();
    kubun.LoadByID(id);
    const double average = avg.Eof() ? 0.0 : avg.FieldDouble(QStringLiteral("AO"));
    lines.push_back(TOJ{kubun.KubunName, float(average), false});

    qint64 low = ToFixed(300);
    qint64 high = ToFixed(0);
    Query limits;
    limits.Add(QStringLiteral("select KojiCode, GozaiName, Kubun, Kikakuti from OndoKanri4"));
    limits.Add(QStringLiteral("where KojiCode=:A and GozaiName=:B and Kubun=:C"));
    limits.BindText(QStringLiteral("A"), koji);
    limits.BindText(QStringLiteral("B"), mix);
    limits.BindInt(QStringLiteral("C"), id);
    limits.Open();
    for (; !limits.Eof(); limits.Next()) {
        const QString s = GetToken(limits.FieldText(QStringLiteral("Kikakuti")), QStringLiteral(":"), 1);
        const double a = RangeLow(s);
        if (a != -RangeUnbounded && ToFixed(a) < low)
            low = ToFixed(a);
        const double b = RangeHigh(s);
        if (b != RangeUnbounded && ToFixed(b) > high)
            high = ToFixed(b);
    }
    if (low > 0 && low < ToFixed(300))
        lines.push_back(TOJ{kubun.KubunName + QStringLiteral("下限"), float(FromFixed(low)), true});
    if (high > 0 && high < ToFixed(300))
        lines.push_back(TOJ{kubun.KubunName + QStringLiteral("上限"), float(FromFixed(high)), true});
}

// Largest first, by exchanges: equal values end in the order this exchange sort leaves them.
void SortReferenceLines(std::vector<TOJ>& lines)
{
    for (size_t i = 0; i + 1 < lines.size(); ++i)
        for (size_t j = i + 1; j < lines.size(); ++j)
            if (lines[j].Value > lines[i].Value)
                std::swap(lines[i], lines[j]);
}

void DrawAxis(TCanvas& c, const TScale& scale)
{
    const qint64 first = scale.Low() / 10 / 10000 + 1;
    const qint64 last = scale.High() / 10 / 10000 - 1;
    for (qint64 t = first; t <= last; ++t) {
        const qint64 v = 10 * t;
        const float y = scale.AxisY(v * 10000);
        PrintText(c, QString::number(v), 2, 2.4f, y - 0.5f, 3.4f, y + 0.5f, 0);
        PrintLine(c, PlotLeft, y, PlotRight, y, 1);
    }
}

void DrawReferenceLines(TCanvas& c, const TScale& scale, const std::vector<TOJ>& lines)
{
    float previous = PlotTop;
    for (const TOJ& line : lines) {
        const float y = scale.Y(line.Value);
        const TColor colour = line.IsLimit ? clRed : clBlack;
        c.SetFontColor(colour);
        c.SetPenColor(colour);
        PrintLine(c, PlotLeft, y, PlotRight, y, 1);
        // Only the labels move: close lines keep their true places.
        const float label = std::max(y, previous + LabelGap);
        PrintFitText(c, line.Name, 2, 0.2f, label - 0.4f, 2.4f, label, 0);
        PrintFitText(c, FormatFixed(line.Value, 1), 2, 0.2f, label, 2.4f, label + 0.4f, 0);
        previous = label;
    }
}

// The category's maximum and minimum of the day; false when it has no summary that day.
bool DaySummary(const TOndoKanri& record, int id, const QDateTime& day, double& max, double& min)
{
    Query q;
    q.Add(QStringLiteral("select * from OndoHead4"));
    q.Add(QStringLiteral("inner join OndoKanri4 on OndoKanri4.ID = OndoHead4.KanriID"));
    q.Add(QStringLiteral(
        "where (KojiCode = :A) and (GozaiName = :B) and (Kubun = :C) and (Hiduke = :D)"));
    q.BindText(QStringLiteral("A"), record.Koji.Code());
    q.BindText(QStringLiteral("B"), record.Gozai.DataName());
    q.BindInt(QStringLiteral("C"), id);
    q.BindDateTime(QStringLiteral("D"), day);
    q.Open();
    if (q.Eof())
        return false;
    max = FromFixed(ToFixed(q.FieldDouble(QStringLiteral("MaxOndo"))));
    min = FromFixed(ToFixed(q.FieldDouble(QStringLiteral("MiniOndo"))));
    return true;
}

// One category's discs and joining lines on page `page`; a day without values breaks the run.
void DrawSeries(TCanvas& c, const TScale& scale, const TOndoKanri& record, int id,
                const QList<QDateTime>& days, int page)
{
    double prevMax = 0;
    double prevMin = 0;
    const int first = page * DaysPerPage;
    for (int n = first; n < first + DaysPerPage && n < days.size(); ++n) {
        const float x = FirstDayX + float(n - first);
        PrintText(c, MonthDay(days[n]), 1, x - 1, 13.2f, x + 1, 14.0f, 0);
        if (!scale.Valid())
            continue;
        double max = 0;
        double min = 0;
        if (!DaySummary(record, id, days[n], max, min)) {
            prevMax = 0;
            prevMin = 0;
            continue;
        }
        const float xp = x - 1;
        c.SetBrushColor(clRed);
        if (prevMax > 0) {
            PrintLine(c, xp, scale.Y(prevMax), x, scale.Y(max), 1);
            PrintCircle(c, xp, scale.Y(prevMax), DotRadius);
            if (prevMin == prevMax) {
                PrintCircle(c, xp, scale.Y(prevMax), DotRadius);
                c.SetBrushColor(clBlue);
                PrintHalfCircle(c, 2, xp, scale.Y(prevMax), DotRadius);
            }
        }
        c.SetBrushColor(clRed);
        PrintCircle(c, x, scale.Y(max), DotRadius);

        c.SetBrushColor(clBlue);
        if (prevMin > 0) {
            PrintLine(c, xp, scale.Y(prevMin), x, scale.Y(min), 1);
            if (prevMin != prevMax)
                PrintCircle(c, xp, scale.Y(prevMin), DotRadius);
        }
        PrintCircle(c, x, scale.Y(min), DotRadius);
        if (min == max) {
            c.SetBrushColor(clRed);
            PrintHalfCircle(c, 0, x, scale.Y(min), DotRadius);
        }
        prevMax = max;
        prevMin = min;
    }
}

} // namespace

void DrawChartFrame(TCanvas& c)
{
    c.SetPenStyle(TPenStyle::Solid);
    c.SetPenWidth(4);
    PrintBox(c, 0, 0, 26.7f, 15, 1);
    c.SetPenWidth(2);
    PrintBox(c, 0.2f, 1.1f, 26.5f, 14.8f, 1);
    c.SetPenWidth(1);
    static const float lines[][4] = {
        {0.2f, 1.875f, 19.1f, 1.875f}, {21.1f, 1.875f, 26.5f, 1.875f},
        {0.2f, 2.65f, 26.5f, 2.65f},   {2.0f, 3.425f, 9.7f, 3.425f},
        {10.5f, 3.425f, 19.1f, 3.425f}, {0.2f, 4.2f, 26.5f, 4.2f},
        {0.2f, 12.4f, 26.5f, 12.4f},   {0.2f, 13.2f, 26.5f, 13.2f},
        {0.2f, 14.0f, 26.5f, 14.0f},   {2.0f, 2.65f, 2.0f, 4.2f},
        {3.4f, 1.1f, 3.4f, 14.8f},     {9.7f, 1.875f, 9.7f, 4.2f},
        {10.5f, 2.65f, 10.5f, 4.2f},   {12.4f, 1.875f, 12.4f, 4.2f},
        {19.1f, 1.1f, 19.1f, 4.2f},    {21.1f, 1.1f, 21.1f, 2.65f},
        {22.2f, 1.1f, 22.2f, 4.2f},
    };
    for (const auto& l : lines)
        PrintLine(c, l[0], l[1], l[2], l[3], 1);

    struct Label
    {
        const char* text;
        int align;
        float x1, y1, x2, y2;
    };
    static const Label labels[] = {
        {"名称", 4, 0.2f, 1.1f, 3.4f, 1.875f},
        {"品質特性", 4, 0.2f, 1.875f, 3.4f, 2.65f},
        {"規格\\\\限界", 4, 0.2f, 2.65f, 2.0f, 4.2f},
        {"最大\\\\最小", 4, 2.0f, 2.65f, 3.4f, 4.2f},
        {"測定単位", 4, 9.7f, 1.875f, 12.4f, 2.65f},
        {"試\\\\料", 1, 9.7f, 2.65f, 10.5f, 4.2f},
        {"大きさ\\\\間隔", 4, 10.5f, 2.65f, 12.4f, 4.2f},
        {"期間", 4, 19.1f, 1.1f, 21.1f, 2.65f},
        {"自\\\\至", 1, 21.1f, 1.1f, 22.2f, 2.65f},
        {"測定者", 4, 19.1f, 2.65f, 22.2f, 4.2f},
        {"温度管理", 4, 4.4f, 1.875f, 8.7f, 2.65f},
    };
    c.SetFontSize(20);
    PrintText(c, QStringLiteral("Ｘ 管 理 図"), 1, 0, 0, 26.7f, 1.1f, 0);
    c.SetFontSize(10);
    for (const Label& l : labels)
        PrintText(c, QString::fromUtf8(l.text), l.align, l.x1, l.y1, l.x2, l.y2, 0);

    PrintLine(c, 3.4f, 3.425f, 9.7f, 2.65f, 1);
    PrintLine(c, 3.4f, 4.2f, 9.7f, 3.425f, 1);
    PrintLine(c, 12.4f, 3.425f, 19.1f, 2.65f, 1);
    PrintLine(c, 12.4f, 4.2f, 19.1f, 3.425f, 1);

    PrintText(c, QStringLiteral("測点"), 4, 0.2f, 12.4f, 3.4f, 13.2f, 0);
    PrintText(c, QStringLiteral("月日"), 4, 0.2f, 13.2f, 3.4f, 14.0f, 0);
    PrintText(c, QStringLiteral("記事"), 4, 0.2f, 14.0f, 3.4f, 14.8f, 0);
    PrintText(c,
              QStringLiteral("注）イ．記事欄には、施工管理基準に定められた事項、異常原因、その他必要事項を記入する。"),
              0, 1, 15, 26, 15.6f, 0);
    PrintText(c, QStringLiteral("　　ロ．管理図は、仕様書による規格限界線を朱書きで記入する。"), 0, 1,
              15.6f, 26, 16.2f, 0);

    const QString colour = ReadSetting(QStringLiteral("HotbinMemoriColor"));
    c.SetPenColor(colour.isEmpty() ? clAqua : TColor(ParseWhole(colour)));
}

void DrawControlChart(TOndoKanri& record, TPageSink& pane, const QList<int>& kubunIds,
                      bool perProject, double low, double high, TChartMemo* memo)
{
    const TScale scale(low, high);
    const QString font = ReadSetting(QStringLiteral("hin_prnfont"));
    TOndoKubun kubun;
    std::vector<TOJ> lines;

    const QStringList mixes = MixList(record, perProject);
    if (memo)
        memo->Clear();
    for (int m = 0; m < mixes.size(); ++m) {
        const QString& mix = mixes[m];
        if (memo)
            memo->AddLine(mix);
        const QStringList dayTexts = DayList(mix, record.Koji.Code());
        QList<QDateTime> days;
        for (const QString& d : dayTexts) {
            days << ParseDate(d);
            if (memo)
                memo->AddLine(d);
        }
        record.Gozai.Load(mix);

        lines.clear();
        for (int id : kubunIds)
            AddReferenceLines(lines, record, kubun, id);
        SortReferenceLines(lines);

        const int pages = days.isEmpty() ? 1 : int((days.size() - 1) / DaysPerPage) + 1;
        for (int p = 0; p < pages; ++p) {
            TCanvas& c = pane.PageCanvas();
            c.SetFontName(font);
            DrawChartFrame(c);
            c.SetPenColor(clAqua);
            if (scale.Valid())
                DrawAxis(c, scale);
            for (int d = 0; d < DaysPerPage; ++d)
                PrintLine(c, FirstDayX + d, PlotTop, FirstDayX + d, PlotTop + PlotHeight, 1);

            PrintText(c, record.Gozai.PrintName() + QStringLiteral("の温度"), 1, 3.5f, 1.1f, 19,
                      1.875f, 0);
            PrintText(c, QStringLiteral("℃"), 1, 12.4f, 1.875f, 19.1f, 2.65f, 0);
            // A mix without days has no period.
            if (!days.isEmpty()) {
                PrintText(c, PeriodText(days.first()), 1, 22.2f, 1.1f, 26.5f, 1.875f, 0);
                PrintText(c, PeriodText(days.last()), 1, 22.2f, 1.875f, 26.5f, 2.65f, 0);
            }
            PrintText(c, record.Simei.Simei(), 1, 22.2f, 2.65f, 26.5f, 4.2f, 0);

            if (scale.Valid())
                DrawReferenceLines(c, scale, lines);
            c.SetFontColor(clBlack);
            c.SetPenColor(clBlack);
            for (int id : kubunIds)
                DrawSeries(c, scale, record, id, days, p);

            if (p < pages - 1 || m < mixes.size() - 1)
                pane.NewPage();
        }
    }
}
