#include "reports/JourneySheet.h"

#include "core/Utility.h"
#include "reports/Canvas.h"
#include "reports/FormKit.h"
#include "reports/PageSink.h"
#include "reports/Print.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr TFormPage JourneyPage{ChartOrigin};
constexpr TCmBox TitleBox{0.2f, 1.1f, 26.5f, 3.3f};
constexpr float Top = 3.5f, Bottom = 14.7f, Left = 0.4f, Right = 26.3f;
constexpr float HeadHeight = 0.75f, Row = 0.36f;

QString temp(double t)
{
    return FormatFixed(t, 1);
}

QString timeText(const QTime& t)
{
    return t.isValid() ? t.toString(QStringLiteral("H:mm")) : QString();
}

// The columns of the load table: x edges and headers.
struct TColumns
{
    QList<float> x; // left edges, and the right edge last
    QStringList head;
    QList<int> stage; // first column of each stage
    int mark = 0;
};

TColumns columnsOf(const TJourneyDay& day)
{
    TColumns c;
    float x = Left;
    const auto add = [&](const QString& head, float width) {
        c.x << x;
        c.head << head;
        x += width;
    };
    add(QStringLiteral("車番"), 1.5f);
    for (int s = 0; s < day.stages.size(); ++s) {
        c.stage << int(c.head.size());
        add(day.stages[s].name + QStringLiteral("\\\\℃"), 2.0f);
        add(QStringLiteral("時刻"), 1.2f);
        if (s > 0) {
            add(QStringLiteral("低下\\\\℃"), 1.0f);
            add(QStringLiteral("分"), 0.8f);
            add(QStringLiteral("℃/分"), 1.0f);
        }
    }
    c.mark = int(c.head.size());
    add(QStringLiteral("※"), 0.6f);
    c.x << x;
    return c;
}

void cell(TCanvas& c, const TColumns& cols, int column, float y, const QString& text,
          bool red = false)
{
    if (text.isEmpty())
        return;
    if (red)
        c.SetFontColor(clRed);
    PrintShrinkText(c, text, column == 0 ? 0 : 2, cols.x[column] + 0.08f, y,
                    cols.x[column + 1] - 0.08f, y + Row);
    c.SetFontColor(clBlack);
}

void drawTable(TCanvas& c, const TJourneyDay& day, int first, int count, bool averages)
{
    const TColumns cols = columnsOf(day);
    const float right = cols.x.last();
    const int rows = count + (averages ? 1 : 0);
    const float bottom = Top + HeadHeight + Row * float(rows);
    c.SetFontSize(8);
    for (int i = 0; i < cols.head.size(); ++i)
        PrintText(c, cols.head[i], 1, cols.x[i], Top, cols.x[i + 1], Top + HeadHeight, 0);
    PrintBox(c, Left, Top, right, bottom, 1);
    PrintLine(c, Left, Top + HeadHeight, right, Top + HeadHeight, 1);
    for (int i = 1; i < cols.x.size() - 1; ++i)
        PrintLine(c, cols.x[i], Top, cols.x[i], bottom, cols.stage.contains(i) ? 1.5f : 0.5f);
    c.SetFontSize(9);
    for (int r = 0; r < count; ++r) {
        const TLoad& load = day.loads[first + r];
        const float y = Top + HeadHeight + Row * float(r);
        if (r > 0)
            PrintLine(c, Left, y, right, y, 0.5f);
        cell(c, cols, 0, y, load.name);
        for (int s = 0; s < day.stages.size(); ++s) {
            if (!load.at[s])
                continue;
            const int k = cols.stage[s];
            cell(c, cols, k, y, temp(load.at[s]->temp), s == load.LastStage() && load.belowLast);
            cell(c, cols, k + 1, y, timeText(load.at[s]->time));
        }
        for (const TLoadStep& step : load.steps) {
            const int k = cols.stage[step.to] + 2;
            cell(c, cols, k, y, temp(step.drop), step.tooMuch);
            if (step.minutes)
                cell(c, cols, k + 1, y, QString::number(*step.minutes));
            if (step.rate)
                cell(c, cols, k + 2, y, FormatFixed(*step.rate, 2));
        }
        if (load.Marked())
            cell(c, cols, cols.mark, y, QStringLiteral("※"), true);
    }
    if (averages) {
        const float y = Top + HeadHeight + Row * float(count);
        PrintLine(c, Left, y, right, y, 1);
        cell(c, cols, 0, y, QStringLiteral("平均"));
        for (int s = 0; s < day.stages.size(); ++s)
            if (!std::isnan(day.averages.value(s)))
                cell(c, cols, cols.stage[s], y, temp(day.averages[s]));
    }
    c.SetFontSize(8);
    PrintText(
        c,
        QStringLiteral("※ 前の区分からの低下が限度を超えたもの（赤）、または最後の温度が規格値を"
                       "下回ったもの（赤）"),
        0, Left, bottom + 0.1f, right, bottom + 0.5f, 0);
}

void drawChart(TCanvas& c, const TJourneyDay& day)
{
    c.SetFontSize(9);
    const std::optional<TJourneyAxes> axes = JourneyAxes(day);
    if (!axes) {
        PrintText(c, QStringLiteral("時刻の入った温度がありません"), 1, Left, Top, Right, Bottom,
                  0);
        return;
    }
    const int first = axes->first, last = axes->last;
    const double low = axes->low, high = axes->high;
    const float pl = 2.2f, pr = 25.8f, pt = Top + 0.3f, pb = Bottom - 1.4f;
    const auto x = [&](const QTime& t) {
        return pl +
               (pr - pl) * float(t.msecsSinceStartOfDay() / 60000.0 - first) / float(last - first);
    };
    const auto y = [&](double t) { return pb - (pb - pt) * float((t - low) / (high - low)); };
    PrintBox(c, pl, pt, pr, pb, 1);
    for (double t = std::ceil(low / 10) * 10; t <= high; t += 10) {
        PrintLine(c, pl, y(t), pr, y(t), 0.3f);
        PrintText(c, QStringLiteral("%1 ℃").arg(t), 2, 0.3f, y(t) - 0.2f, pl - 0.1f, y(t) + 0.2f,
                  0);
    }
    const int step = axes->Step();
    for (int m = first; m <= last; m += step) {
        const QTime t = QTime(0, 0).addSecs(60 * m);
        PrintLine(c, x(t), pt, x(t), pb, 0.3f);
        PrintText(c, timeText(t), 1, x(t) - 1, pb + 0.05f, x(t) + 1, pb + 0.45f, 0);
    }
    if (day.compactionStage >= 0) {
        c.SetPenColor(clRed);
        c.SetPenStyle(TPenStyle::Dash);
        PrintLine(c, pl, y(day.compactionLimit), pr, y(day.compactionLimit), 1);
        c.SetPenStyle(TPenStyle::Solid);
        c.SetPenColor(clBlack);
    }
    for (const TLoad& load : day.loads) {
        c.SetPenColor(load.Marked() ? clRed : clBlack);
        bool started = false;
        float px = 0, py = 0;
        for (const auto& r : load.at) {
            if (!r || !r->time.isValid())
                continue;
            const float nx = x(r->time), ny = y(r->temp);
            if (started)
                PrintLine(c, px, py, nx, ny, load.Marked() ? 1.5f : 0.7f);
            px = nx;
            py = ny;
            started = true;
        }
        c.SetPenColor(clBlack);
        for (int s = 0; s < load.at.size(); ++s)
            if (load.at[s] && load.at[s]->time.isValid())
                DrawMarker(c, s % MarkerCount(), x(load.at[s]->time), y(load.at[s]->temp), 0.07f,
                           clBlack, s % 2 == 0);
    }
    // The legend: the marker of each stage, the compaction limit, the marked loads.
    float lx = pl;
    const float ly = Bottom - 0.55f;
    for (int s = 0; s < day.stages.size(); ++s) {
        DrawMarker(c, s % MarkerCount(), lx + 0.1f, ly + 0.2f, 0.08f, clBlack, s % 2 == 0);
        PrintText(c, day.stages[s].name, 0, lx + 0.3f, ly, lx + 3.6f, ly + 0.4f, 0);
        lx += 3.7f;
    }
    if (day.compactionStage >= 0) {
        c.SetPenColor(clRed);
        c.SetPenStyle(TPenStyle::Dash);
        PrintLine(c, lx, ly + 0.2f, lx + 0.8f, ly + 0.2f, 1);
        c.SetPenStyle(TPenStyle::Solid);
        c.SetPenColor(clBlack);
        PrintText(c, QStringLiteral("締固めの下限 %1 ℃").arg(FormatGeneral(day.compactionLimit)), 0,
                  lx + 1, ly, lx + 5, ly + 0.4f, 0);
        lx += 5.2f;
    }
    c.SetFontColor(clRed);
    PrintText(c, QStringLiteral("赤線: ※の運搬車"), 0, lx, ly, lx + 4, ly + 0.4f, 0);
    c.SetFontColor(clBlack);
}

// The average drop and minutes of each pair of neighbouring stages, per day.
void drawSummary(TCanvas& c, const TJourneyDocument& doc)
{
    const QList<TJourneyStage>& stages = doc.days.first().stages;
    const int pairs = std::max(0, int(stages.size()) - 1);
    const float dayW = 2.2f, countW = 1.3f,
                pairW = std::min(4.0f, (Right - Left - dayW - 2 * countW) / std::max(1, pairs));
    const float head = 1.0f;
    c.SetFontSize(8);
    const int rows = int(doc.days.size());
    const float bottom = Top + head + Row * float(rows);
    float x = Left;
    PrintText(c, QStringLiteral("試験日"), 1, x, Top, x + dayW, Top + head, 0);
    x += dayW;
    PrintText(c, QStringLiteral("台数"), 1, x, Top, x + countW, Top + head, 0);
    x += countW;
    PrintText(c, QStringLiteral("※"), 1, x, Top, x + countW, Top + head, 0);
    x += countW;
    for (int p = 0; p < pairs; ++p) {
        PrintText(c, stages[p].name + QStringLiteral(" → ") + stages[p + 1].name, 1, x, Top,
                  x + pairW, Top + head / 2, 0);
        PrintText(c, QStringLiteral("平均低下 ℃"), 1, x, Top + head / 2, x + pairW / 2, Top + head,
                  0);
        PrintText(c, QStringLiteral("平均 分"), 1, x + pairW / 2, Top + head / 2, x + pairW,
                  Top + head, 0);
        PrintLine(c, x, Top, x, bottom, 1);
        PrintLine(c, x + pairW / 2, Top + head / 2, x + pairW / 2, bottom, 0.5f);
        PrintLine(c, x, Top + head / 2, x + pairW, Top + head / 2, 0.5f);
        x += pairW;
    }
    const float right = x;
    PrintBox(c, Left, Top, right, bottom, 1);
    PrintLine(c, Left, Top + head, right, Top + head, 1);
    PrintLine(c, Left + dayW, Top, Left + dayW, bottom, 0.5f);
    PrintLine(c, Left + dayW + countW, Top, Left + dayW + countW, bottom, 0.5f);
    c.SetFontSize(9);
    for (int r = 0; r < rows; ++r) {
        const TJourneyDay& day = doc.days[r];
        const float y = Top + head + Row * float(r);
        if (r > 0)
            PrintLine(c, Left, y, right, y, 0.3f);
        PrintText(c, ShortDateWithYear(day.day, doc.title.wareki), 1, Left, y, Left + dayW, y + Row,
                  0);
        PrintText(c, QString::number(day.loads.size()), 2, Left + dayW, y,
                  Left + dayW + countW - 0.1f, y + Row, 0);
        const auto marked = std::count_if(day.loads.begin(), day.loads.end(),
                                          [](const TLoad& l) { return l.Marked(); });
        if (marked > 0)
            c.SetFontColor(clRed);
        PrintText(c, QString::number(marked), 2, Left + dayW + countW, y,
                  Left + dayW + 2 * countW - 0.1f, y + Row, 0);
        c.SetFontColor(clBlack);
        for (int p = 0; p < pairs; ++p) {
            double drop = 0, minutes = 0;
            int n = 0, timed = 0;
            for (const TLoad& load : day.loads)
                for (const TLoadStep& s : load.steps)
                    if (s.from == p && s.to == p + 1) {
                        drop += s.drop;
                        ++n;
                        if (s.minutes) {
                            minutes += *s.minutes;
                            ++timed;
                        }
                    }
            const float px = Left + dayW + 2 * countW + pairW * float(p);
            if (n > 0)
                PrintText(c, temp(drop / n), 2, px, y, px + pairW / 2 - 0.1f, y + Row, 0);
            if (timed > 0)
                PrintText(c, FormatFixed(minutes / timed, 0), 2, px + pairW / 2, y,
                          px + pairW - 0.1f, y + Row, 0);
        }
    }
}

// The title block of a day's pages (the day given) or of the summary (none): the document's
// period, the day's measurers or those of every day.
TTitleBlock titleOf(const TJourneyDocument& doc, const TJourneyDay* day, int page, int pages)
{
    TTitleBlock block;
    block.project = doc.project;
    block.mix = doc.mixPrintName;
    QStringList names;
    const QList<TJourneyStage>& stages = day ? day->stages : doc.days.first().stages;
    for (const TJourneyStage& s : stages)
        names << s.name;
    block.category = names.join(QStringLiteral("・"));
    block.period = PeriodOf(doc);
    const double limit = day ? day->compactionLimit : doc.days.first().compactionLimit;
    block.limit = QStringLiteral("締固めの下限 %1 ℃").arg(FormatGeneral(limit));
    if (day) {
        block.measurer = doc.measurers.value(day->day);
        block.extra << TTitleField{QStringLiteral("試験日"), DateText(day->day, doc.title.wareki)};
        block.extra << TTitleField{QStringLiteral("気温"),
                                   day->airTyped ? FormatGeneral(day->air) + QStringLiteral(" ℃")
                                                 : QStringLiteral("—")};
    } else {
        QList<QPair<QDate, QString>> measurers;
        for (const TJourneyDay& d : doc.days)
            measurers.append({d.day, doc.measurers.value(d.day)});
        block.measurer = MeasurersOfDays(measurers);
    }
    block.page = page;
    block.pages = pages;
    return block;
}

int tablePages(const TJourneyDay& day)
{
    return std::max(1, int((day.loads.size() + JourneyRowsPerPage - 1) / JourneyRowsPerPage));
}

} // namespace

bool HasTimes(const TJourneyDay& day)
{
    return JourneyAxes(day).has_value();
}

int JourneyPages(const TJourneyDocument& doc)
{
    if (doc.days.isEmpty())
        return 1;
    int pages = 1; // the summary
    for (const TJourneyDay& day : doc.days)
        pages += tablePages(day) + 1;
    return pages;
}

void DrawJourneySheet(const TJourneyDocument& doc, TPageSink& pane)
{
    TFormPages pages(pane, JourneyPage, JourneyPages(doc));
    const auto start = [&](const QString& name, const TJourneyDay* day) -> TCanvas& {
        TCanvas& c = pages.Next();
        c.SetFontName(doc.font);
        DrawFormFrame(c, ChartBorder, ChartBody);
        DrawFormName(c, name, ChartNameBox);
        if (!doc.days.isEmpty())
            DrawTitleBlock(c, titleOf(doc, day, pages.Number(), pages.Total()), doc.title,
                           TitleBox);
        if (day && doc.simulated.contains(day->day)) {
            // Never to pass for a measured day.
            c.SetFontSize(10);
            c.SetFontColor(clRed);
            PrintText(c, QStringLiteral("模擬値を含む日"), 2, 19.0f, 0.2f, 26.5f, 0.9f, 0);
            c.SetFontColor(clBlack);
        }
        return c;
    };
    if (doc.days.isEmpty()) {
        TCanvas& c = start(QStringLiteral("温 度 低 下 記 録"), nullptr);
        c.SetFontSize(10);
        PrintText(c, QStringLiteral("期間内に2つ以上の温度区分で測った日がありません"), 1, Left,
                  Top, Right, Top + 1, 0);
        return;
    }
    for (const TJourneyDay& day : doc.days) {
        const int loads = int(day.loads.size());
        const int count = tablePages(day);
        for (int p = 0; p < count; ++p) {
            TCanvas& c = start(QStringLiteral("温 度 低 下 記 録"), &day);
            const int first = p * JourneyRowsPerPage;
            if (loads == 0)
                PrintText(c, QStringLiteral("2つ以上の温度区分で測った運搬車がありません"), 1, Left,
                          Top, Right, Top + 1, 0);
            else
                drawTable(c, day, first, std::min(JourneyRowsPerPage, loads - first),
                          p == count - 1);
        }
        drawChart(start(QStringLiteral("温 度 低 下 記 録"), &day), day);
    }
    drawSummary(start(QStringLiteral("温度低下集計"), nullptr), doc);
}
