#include "reports/FormKit.h"

#include "core/KikakuText.h"
#include "core/Settings.h"
#include "reports/Canvas.h"
#include "reports/PageSink.h"
#include "reports/Print.h"

#include <QRegularExpression>
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

// The era of a day and its year in it; an invalid era name before 1926.
struct TEra
{
    QString name;
    QString letter;
    int year = 0;
};

TEra EraOf(const QDate& day)
{
    if (day >= QDate(2019, 5, 1))
        return {QStringLiteral("令和"), QStringLiteral("R"), day.year() - 2018};
    if (day >= QDate(1989, 1, 8))
        return {QStringLiteral("平成"), QStringLiteral("H"), day.year() - 1988};
    if (day >= QDate(1926, 12, 25))
        return {QStringLiteral("昭和"), QStringLiteral("S"), day.year() - 1925};
    return {};
}

QString YearText(const QDate& day, bool wareki)
{
    const TEra era = EraOf(day);
    if (!wareki || era.name.isEmpty())
        return QStringLiteral("%1年").arg(day.year());
    return era.name + (era.year == 1 ? QStringLiteral("元") : QString::number(era.year)) +
           QStringLiteral("年");
}

// A labelled cell of the title block: the label centred in its part, the value after it.
void TitleCell(TCanvas& c, const TTitleField& field, float x1, float labelWidth, float x2, float y1,
               float y2)
{
    const float xv = x1 + labelWidth;
    PrintLine(c, xv, y1, xv, y2, 1);
    c.SetFontSize(8);
    PrintFittedText(c, field.label, 1, TCmBox{x1 + 0.05f, y1, xv - 0.05f, y2});
    c.SetFontSize(9);
    PrintFittedText(c, field.value, 0, TCmBox{xv + 0.1f, y1, x2 - 0.08f, y2});
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

QStringList ParseApprovals(const QString& text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return TTitleSettings().approvals;
    if (t == QStringLiteral("なし"))
        return {};
    QStringList out;
    for (const QString& part : t.split(QRegularExpression(QStringLiteral("[,、，]"))))
        if (!part.trimmed().isEmpty())
            out << part.trimmed();
    return out;
}

TTitleSettings ReadTitleSettings()
{
    TTitleSettings s;
    s.approvals = ParseApprovals(TSettings::Approvals());
    s.wareki = TSettings::Wareki();
    return s;
}

void WriteTitleSettings(const TTitleSettings& s)
{
    const QString approvals = s.approvals == TTitleSettings().approvals ? QString()
                              : s.approvals.isEmpty()                   ? QStringLiteral("なし")
                                                      : s.approvals.join(QStringLiteral("、"));
    TSettings::SetApprovals(approvals);
    TSettings::SetWareki(s.wareki);
}

QString DateText(const QDate& day, bool wareki)
{
    return YearText(day, wareki) + QStringLiteral("%1月%2日").arg(day.month()).arg(day.day());
}

QString PeriodOf(const QDate& first, const QDate& last, bool wareki)
{
    if (!first.isValid())
        return QString();
    if (!last.isValid() || last == first)
        return DateText(first, wareki);
    const bool sameYear = YearText(first, wareki) == YearText(last, wareki);
    return DateText(first, wareki) + QStringLiteral("～") +
           (sameYear ? QStringLiteral("%1月%2日").arg(last.month()).arg(last.day())
                     : DateText(last, wareki));
}

QString PeriodOf(const TDocumentHead& doc)
{
    return PeriodOf(doc.first, doc.last, doc.title.wareki);
}

QString ShortDateWithYear(const QDate& day, bool wareki)
{
    const TEra era = EraOf(day);
    const QString year = wareki && !era.name.isEmpty() ? era.letter + QString::number(era.year)
                                                       : QString::number(day.year());
    return QStringLiteral("%1/%2/%3").arg(year).arg(day.month()).arg(day.day());
}

QString JoinDistinct(const QStringList& names)
{
    // A day measured by several people arrives already joined.
    QStringList out;
    for (const QString& joined : names)
        for (const QString& n : joined.split(QStringLiteral("・")))
            if (!n.trimmed().isEmpty() && !out.contains(n.trimmed()))
                out << n.trimmed();
    return out.join(QStringLiteral("・"));
}

QString MeasurersOfDays(const QList<QPair<QDate, QString>>& days)
{
    QStringList names;
    for (const auto& d : days)
        names << d.second;
    const QString all = JoinDistinct(names);
    if (!all.contains(QStringLiteral("・")))
        return all;
    const auto measured = [&](int i, const QString& name) {
        return JoinDistinct({days[i].second}).split(QStringLiteral("・")).contains(name);
    };
    // Runs enough to name the days of each; too many would crowd out everything else.
    constexpr int MostRuns = 4;
    QStringList parts;
    int runCount = 0;
    for (const QString& name : all.split(QStringLiteral("・"))) {
        QStringList runs;
        for (int i = 0; i < days.size(); ++i) {
            if (!measured(i, name))
                continue;
            int j = i;
            while (j + 1 < days.size() && measured(j + 1, name))
                ++j;
            const auto md = [](const QDate& d) {
                return QStringLiteral("%1/%2").arg(d.month()).arg(d.day());
            };
            runs << (j > i ? md(days[i].first) + QStringLiteral("～") + md(days[j].first)
                           : md(days[i].first));
            i = j;
        }
        runCount += int(runs.size());
        parts << name + QLatin1Char(' ') + runs.join(QStringLiteral(", "));
    }
    if (runCount > MostRuns)
        return all + QStringLiteral("（日により異なる）");
    return parts.join(QStringLiteral("・"));
}

TTitleBlock StatTitle(const TStatDocument& doc, const TStatSeries& series, int first, int count)
{
    TTitleBlock t;
    t.project = doc.project;
    t.mix = series.mixPrintName;
    t.category = series.category;
    t.limit = ReadableRange(series.limitText);
    const int n = int(series.days.size());
    const int last = count < 0 ? n - 1 : std::min(n, first + count) - 1;
    QList<QPair<QDate, QString>> measurers;
    for (int i = first; i <= last; ++i)
        measurers.append({series.days[size_t(i)].day.date(), series.days[size_t(i)].measurer});
    t.measurer = measurers.isEmpty() ? series.measurer : MeasurersOfDays(measurers);
    t.period = PeriodOf(doc);
    return t;
}

int SimulatedDays(const TStatSeries& series)
{
    return int(std::count_if(series.days.begin(), series.days.end(),
                             [](const TStatDay& d) { return d.simulated; }));
}

QString SimulatedLeftOut(int days)
{
    return QStringLiteral("模擬値の %1 日を除く").arg(days);
}

float DrawSimulatedKey(TCanvas& c, const QList<QPair<int, TColor>>& markers, float x, float y,
                       float y2, const QString& text)
{
    const float r = std::min(0.09f, (y2 - y) / 3);
    for (const auto& [shape, colour] : markers) {
        DrawMarker(c, shape, x + r, (y + y2) / 2, r, colour, false);
        x += 2 * r + 0.08f;
    }
    const float width = TextWidthCm(c, text);
    PrintText(c, text, 0, x + 0.05f, y, x + 0.1f + width, y2, 0);
    return x + 0.1f + width;
}

void DrawTitleBlock(TCanvas& c, const TTitleBlock& block, const TTitleSettings& settings,
                    const TCmBox& box)
{
    TKeepFontSize keep(c);
    const TColor font = c.FontColor();
    c.SetFontColor(clBlack);
    c.SetPenColor(clBlack);
    c.SetPenWidth(1);
    const float width = box.x2 - box.x1;
    const float height = box.y2 - box.y1;

    // Approval boxes: a title strip over the room for a seal.
    const int n = int(settings.approvals.size());
    const float sealWidth = n > 0 ? std::min(1.7f, width * 0.3f / float(n)) : 0.0f;
    const float fieldsRight = n > 0 ? box.x2 - sealWidth * float(n) - 0.15f : box.x2;
    for (int i = 0; i < n; ++i) {
        const float x1 = box.x2 - sealWidth * float(n - i);
        const float x2 = x1 + sealWidth;
        PrintBox(c, x1, box.y1, x2, box.y2, 1);
        PrintLine(c, x1, box.y1 + 0.45f, x2, box.y1 + 0.45f, 1);
        c.SetFontSize(8);
        PrintShrinkText(c, settings.approvals[i], 1, x1 + 0.05f, box.y1, x2 - 0.05f, box.y1 + 0.45f,
                        ReadablePoints);
    }

    struct TCell
    {
        TTitleField field;
        float weight;
    };
    const QString dash = QStringLiteral("—");
    const TCell limit{{QStringLiteral("規格値"), block.limit.isEmpty() ? dash : block.limit}, 2};
    const TCell measurer{{QStringLiteral("測定者"), block.measurer}, 3};
    std::vector<std::vector<TCell>> rows{
        {{{QStringLiteral("工事名"), block.project}, 1}},
        {{{QStringLiteral("合材"), block.mix}, 3}, {{QStringLiteral("区分"), block.category}, 2}},
        {{{QStringLiteral("期間"), block.period}, 3},
         {{QStringLiteral("頁"), QStringLiteral("%1 / %2").arg(block.page).arg(block.pages)}, 1}}};
    // Where there is room for five rows the specified value and the measurers have one each.
    if (height >= 2.8f) {
        rows.push_back({limit});
        rows.push_back({measurer});
    } else {
        rows.push_back({limit, measurer});
    }
    for (const TTitleField& f : block.extra)
        rows[2].push_back({f, 1.2f});

    const float rowHeight = height / float(rows.size());
    PrintBox(c, box.x1, box.y1, fieldsRight, box.y2, 1);
    for (size_t r = 0; r < rows.size(); ++r) {
        const float y1 = box.y1 + rowHeight * float(r);
        const float y2 = y1 + rowHeight;
        if (r > 0)
            PrintLine(c, box.x1, y1, fieldsRight, y1, 1);
        float total = 0;
        for (const TCell& cell : rows[r])
            total += cell.weight;
        float x = box.x1;
        for (size_t k = 0; k < rows[r].size(); ++k) {
            const TCell& cell = rows[r][k];
            const float x2 = k + 1 == rows[r].size()
                                 ? fieldsRight
                                 : x + (fieldsRight - box.x1) * cell.weight / total;
            if (k > 0)
                PrintLine(c, x, y1, x, y2, 1);
            const float label = std::min(1.3f, (x2 - x) * 0.35f);
            TitleCell(c, cell.field, x, label, x2, y1, y2);
            x = x2;
        }
    }
    c.SetFontColor(font);
}

int PrintFittedText(TCanvas& c, const QString& text, int align, const TCmBox& box, int smallest)
{
    if (text.isEmpty())
        return c.FontSize();
    TKeepFontSize keep(c);
    const int largest = c.FontSize();
    for (int s = largest; s >= smallest; --s) {
        c.SetFontSize(s);
        if (TextFits(c, text, box.x1, box.x2)) {
            PrintText(c, text, align, box.x1, box.y1, box.x2, box.y2, 0);
            return s;
        }
    }
    // Two lines, split where the longer of the two is shortest.
    int split = 1;
    int best = -1;
    c.SetFontSize(smallest);
    for (int k = 1; k < text.size(); ++k) {
        if (text.at(k).isLowSurrogate())
            continue;
        const int wider = std::max(c.TextWidth(text.left(k)), c.TextWidth(text.mid(k)));
        if (best < 0 || wider < best) {
            best = wider;
            split = k;
        }
    }
    const QString upper = text.left(split);
    const QString lower = text.mid(split);
    const float mid = (box.y1 + box.y2) / 2;
    for (int s = largest; s >= smallest; --s) {
        c.SetFontSize(s);
        if ((TextFits(c, upper, box.x1, box.x2) && TextFits(c, lower, box.x1, box.x2) &&
             TextHeightCm(c, upper) * 2 <= (box.y2 - box.y1) + 0.05f) ||
            s == smallest) {
            PrintShrinkText(c, upper, align, box.x1, box.y1, box.x2, mid, s);
            PrintShrinkText(c, lower, align, box.x1, mid, box.x2, box.y2, s);
            return s;
        }
    }
    return smallest;
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
    if (m_number > 0)
        m_pane.NewPage();
    ++m_number;
    TCanvas& c = m_pane.PageCanvas();
    c.SetSheetOrigin(m_page.origin);
    return c;
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
