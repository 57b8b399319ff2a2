#include "reports/ReportLoader.h"

#include "core/Settings.h"
#include "core/SpecText.h"
#include "core/Utility.h"
#include "reports/FormKit.h"
#include "storage/Engine.h"
#include "storage/Query.h"

#include <QHash>
#include <QSet>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <memory>

namespace {

const QString A = QStringLiteral("A");
const QString B = QStringLiteral("B");
const QString C = QStringLiteral("C");

struct TKubunInfo
{
    QString name;
    QString interval;
};

QHash<int, TKubunInfo> CategoriesOf(Query& q)
{
    QHash<int, TKubunInfo> out;
    for (; !q.Eof(); q.Next())
        out.insert(q.FieldInt(QStringLiteral("ID")),
                   TKubunInfo{q.FieldText(QStringLiteral("KubunName")),
                              q.FieldText(QStringLiteral("SokuteiKankaku"))});
    return out;
}

QHash<QString, QString> PrintNamesOf(Query& q)
{
    QHash<QString, QString> out;
    for (; !q.Eof(); q.Next())
        out.insert(q.FieldText(QStringLiteral("DataName")),
                   q.FieldText(QStringLiteral("PrintName")));
    return out;
}

QString ProjectTextOf(const Query& q, const QString& code)
{
    const QString name = q.Eof() ? QString() : q.FieldText(QStringLiteral("Kojimei")).trimmed();
    return name.isEmpty() ? code : name + QStringLiteral("（") + code + QStringLiteral("）");
}

// The range and the stored temperatures are compared at four decimals, exact halves to even.
double Fixed4(double v)
{
    return std::nearbyint(v * 10000.0) / 10000.0;
}

void AddDistinct(QStringList& list, const QString& text)
{
    const QString t = text.trimmed();
    if (!t.isEmpty() && !list.contains(t))
        list << t;
}

// Largest first, by exchanges: equal values end in the order this exchange sort leaves them.
void SortReferenceLines(std::vector<TOJ>& lines)
{
    for (size_t i = 0; i + 1 < lines.size(); ++i)
        for (size_t j = i + 1; j < lines.size(); ++j)
            if (lines[j].Value > lines[i].Value)
                std::swap(lines[i], lines[j]);
}

// What every document looks up once: its heading and the registers' names, asked together
// with the document's own reads (`more`): one round trip to a server.
struct TLookups
{
    explicit TLookups(const TReportScope& scope, const std::vector<Query*>& more = {})
        : kojiCode(scope.kojiCode), font(TSettings::PrintFont()), title(ReadTitleSettings())
    {
        Query projectQuery(QStringLiteral("select Code, Kojimei from Koji1 where Code = :A"));
        projectQuery.BindText(A, scope.kojiCode);
        Query categoryQuery(QStringLiteral("select ID, KubunName, SokuteiKankaku from OndoKubun"));
        Query nameQuery(QStringLiteral("select DataName, PrintName from GozaiDef"));
        std::vector<Query*> all{&projectQuery, &categoryQuery, &nameQuery};
        all.insert(all.end(), more.begin(), more.end());
        Query::OpenAll(all);
        project = ProjectTextOf(projectQuery, scope.kojiCode);
        categories = CategoriesOf(categoryQuery);
        printNames = PrintNamesOf(nameQuery);
    }
    // A mix the register does not know prints its own name.
    QString PrintName(const QString& mix) const { return printNames.value(mix, mix); }
    // A document headed with the project, the print font and the scope's period.
    template <class TDocument> TDocument Document(const TReportScope& scope) const
    {
        TDocument doc;
        doc.project = project;
        doc.kojiCode = kojiCode;
        doc.font = font;
        doc.title = title;
        doc.first = scope.from;
        doc.last = scope.to;
        return doc;
    }

    QString kojiCode;
    QString project;
    QString font;
    TTitleSettings title;
    QHash<int, TKubunInfo> categories;
    QHash<QString, QString> printNames;
};

// The records of the scope: its project and, unless every mix is wanted, its mix (parameters
// :A and :B); with dayColumn, only the scope's days (:F and :T).
void AddScope(Query& q, const TReportScope& scope, const QString& dayColumn = QString())
{
    q.Add(QStringLiteral("where KojiCode = :A"));
    q.BindText(A, scope.kojiCode);
    if (!scope.perProject) {
        q.Add(QStringLiteral("and GozaiName = :B"));
        q.BindText(B, scope.gozaiName);
    }
    if (!dayColumn.isEmpty() && scope.from.isValid()) {
        q.Add(QStringLiteral("and %1 >= :F").arg(dayColumn));
        q.BindDateTime(QStringLiteral("F"), QDateTime(scope.from, QTime(0, 0)));
    }
    if (!dayColumn.isEmpty() && scope.to.isValid()) {
        q.Add(QStringLiteral("and %1 <= :T").arg(dayColumn));
        q.BindDateTime(QStringLiteral("T"), QDateTime(scope.to, QTime(0, 0)));
    }
}

// With measuredOnly, only days not filled by simulation: of OndoHead4 when the query joins it,
// else of the readings' own day.
void AddMeasuredOnly(Query& q, const TReportScope& scope, bool headJoined)
{
    if (!scope.measuredOnly)
        return;
    q.Add(headJoined
              ? QStringLiteral("and coalesce(OndoHead4.Mogi, 0) = 0")
              : QStringLiteral("and not exists (select 1 from OndoHead4 where "
                               "OndoHead4.KanriID = OndoLine4.KanriID and "
                               "OndoHead4.Hiduke = OndoLine4.Hiduke and OndoHead4.Mogi = 1)"));
}

// The specified range of a spec value text; none for a text that is no range.
TLimits LimitsOf(const QString& value)
{
    TLimits l;
    const QString text = value.trimmed();
    if (!IsRangeText(text))
        return l;
    l.text = text;
    const double low = RangeLow(text);
    const double high = RangeHigh(text);
    if (low != -RangeUnbounded)
        l.lower = Fixed4(low);
    if (high != RangeUnbounded)
        l.upper = Fixed4(high);
    return l;
}

// The day's own measurer, else the record's; the columns the note queries select.
const QString NoteColumns = QStringLiteral(
    "coalesce(nullif(OndoHead4.Sokuteisya, ''), OndoKanri4.Sokuteisya) as Measurer, Tenki, Kion, "
    "Tekiyo");

TDayNote NoteAt(const Query& q)
{
    return TDayNote{q.FieldText(QStringLiteral("Measurer")).trimmed(),
                    q.FieldText(QStringLiteral("Tenki")).trimmed(),
                    q.FieldText(QStringLiteral("Kion")).trimmed(),
                    q.FieldText(QStringLiteral("Tekiyo")).trimmed()};
}

// Notes of several categories' days on one chart day: each text once.
void MergeNote(TDayNote& into, const TDayNote& note)
{
    const auto add = [](QString& to, const QString& text) {
        if (text.isEmpty() || to.split(QStringLiteral("・")).contains(text))
            return;
        to = to.isEmpty() ? text : to + QStringLiteral("・") + text;
    };
    add(into.measurer, note.measurer);
    add(into.weather, note.weather);
    add(into.airTemperature, note.airTemperature);
    add(into.remark, note.remark);
}

struct THeader
{
    QString mix;
    int kubun = -1;
    QString measurer;
    TSpecText spec;
};

// The record headers of the scope; `order` empty leaves them as the table gives them.
void PrepareHeaders(Query& q, const TReportScope& scope, const QString& order)
{
    q.Add(QStringLiteral("select GozaiName, Kubun, Sokuteisya, Kikakuti from OndoKanri4"));
    AddScope(q, scope);
    if (!order.isEmpty())
        q.Add(order);
}

std::vector<THeader> HeadersOf(Query& q)
{
    std::vector<THeader> headers;
    for (; !q.Eof(); q.Next())
        headers.push_back(THeader{q.FieldText(QStringLiteral("GozaiName")),
                                  q.FieldInt(QStringLiteral("Kubun")),
                                  q.FieldText(QStringLiteral("Sokuteisya")),
                                  TSpecText::Parse(q.FieldText(QStringLiteral("Kikakuti")))});
    return headers;
}

// The day summaries of the scope, each with its mix, category and notes (SummaryAt, NoteAt).
void PrepareDaySummaries(Query& q, const TReportScope& scope, const QString& order)
{
    q.Add(QStringLiteral("select GozaiName, Kubun, OndoHead4.Hiduke as Hiduke, Kosu, MaxOndo, "
                         "MiniOndo, AvgOndo, Mogi, ") +
          NoteColumns + QStringLiteral(" from OndoHead4"));
    q.Add(QStringLiteral("inner join OndoKanri4 on OndoKanri4.ID = OndoHead4.KanriID"));
    AddScope(q, scope, QStringLiteral("OndoHead4.Hiduke"));
    AddMeasuredOnly(q, scope, true);
    q.Add(order);
}

// An open end of the period is the first or last day the document found.
void Widen(TDocumentHead& doc, const TReportScope& scope, const QDate& day)
{
    if (!scope.from.isValid() && (!doc.first.isValid() || day < doc.first))
        doc.first = day;
    if (!scope.to.isValid() && (!doc.last.isValid() || day > doc.last))
        doc.last = day;
}

// "24", or "3〜16" when the days differ; empty without days.
QString SampleSizeOf(int fewest, int most)
{
    if (most <= 0)
        return QString();
    return fewest == most ? QString::number(most) : QStringLiteral("%1〜%2").arg(fewest).arg(most);
}

TDaySummary SummaryAt(const Query& q)
{
    TDaySummary s;
    s.day = q.FieldDateTime(QStringLiteral("Hiduke"));
    s.kosu = q.FieldInt(QStringLiteral("Kosu"));
    s.max = q.FieldDouble(QStringLiteral("MaxOndo"));
    s.min = q.FieldDouble(QStringLiteral("MiniOndo"));
    s.avg = q.FieldDouble(QStringLiteral("AvgOndo"));
    s.simulated = q.FieldInt(QStringLiteral("Mogi")) != 0;
    return s;
}

} // namespace

TChartDocument LoadChartDocument(const TReportScope& scope)
{
    const QSet<int> ticked(scope.kubunIds.begin(), scope.kubunIds.end());
    Query mixQuery;
    if (scope.perProject) {
        mixQuery.Add(QStringLiteral("select distinct GozaiName from OndoKanri4"));
        AddScope(mixQuery, scope);
    }
    // Unordered as the chart always read them: the measurers cell lists them in this order.
    Query headerQuery;
    PrepareHeaders(headerQuery, scope, QString());
    Query dayQuery;
    PrepareDaySummaries(dayQuery, scope, QStringLiteral("order by GozaiName, Kubun, Hiduke"));
    Query averageQuery;
    averageQuery.Add(QStringLiteral(
        "select distinct KojiCode, GozaiName, Kubun, Avg(AvgOndo) as AO from OndoKanri4"));
    averageQuery.Add(QStringLiteral("inner join OndoHead4 on OndoHead4.KanriID = OndoKanri4.ID"));
    AddScope(averageQuery, scope, QStringLiteral("OndoHead4.Hiduke"));
    averageQuery.Add(QStringLiteral("and Kosu > 0"));
    AddMeasuredOnly(averageQuery, scope, true);
    averageQuery.Add(QStringLiteral("group by KojiCode, GozaiName, Kubun"));
    std::vector<Query*> reads{&headerQuery, &dayQuery, &averageQuery};
    if (scope.perProject)
        reads.push_back(&mixQuery);
    const TLookups lookups(scope, reads);
    auto doc = lookups.Document<TChartDocument>(scope);

    QStringList mixes;
    if (scope.perProject) {
        for (Query& q = mixQuery; !q.Eof(); q.Next())
            mixes << q.FieldText(QStringLiteral("GozaiName"));
    } else {
        mixes << scope.gozaiName;
    }
    const std::vector<THeader> headers = HeadersOf(headerQuery);

    // Per mix and category; every summary counts as a day, only those with readings are plotted.
    QHash<QString, QHash<int, QMap<QDateTime, TDaySummary>>> plotted;
    QHash<QString, QSet<QDateTime>> dayset;
    QHash<QString, QMap<QDateTime, TDayNote>> notes;
    for (Query& q = dayQuery; !q.Eof(); q.Next()) {
        const int id = q.FieldInt(QStringLiteral("Kubun"));
        if (!ticked.contains(id))
            continue;
        const QString mix = q.FieldText(QStringLiteral("GozaiName"));
        TDaySummary s = SummaryAt(q);
        s.max = Fixed4(s.max);
        s.min = Fixed4(s.min);
        dayset[mix].insert(s.day);
        Widen(doc, scope, s.day.date());
        MergeNote(notes[mix][s.day], NoteAt(q));
        if (s.kosu > 0)
            plotted[mix][id].insert(s.day, s);
    }

    QHash<QString, QHash<int, double>> averages;
    for (Query& q = averageQuery; !q.Eof(); q.Next())
        averages[q.FieldText(QStringLiteral("GozaiName"))].insert(
            q.FieldInt(QStringLiteral("Kubun")), q.FieldDouble(QStringLiteral("AO")));

    for (const QString& mixKey : mixes) {
        const QSet<QDateTime> found = dayset.value(mixKey);
        // A mix of the project without a day of the ticked categories adds no page.
        if (scope.perProject && found.isEmpty())
            continue;
        TChartMix mix;
        mix.key = mixKey;
        mix.printName = lookups.PrintName(mixKey);
        mix.days = QList<QDateTime>(found.begin(), found.end());
        std::sort(mix.days.begin(), mix.days.end());
        mix.notes = notes.value(mixKey);

        QStringList measurers, intervals;
        int fewest = 0, most = 0;
        for (int id : scope.kubunIds) {
            const TKubunInfo info = lookups.categories.value(id);
            const int place = int(mix.series.size());
            TChartSeries series;
            series.kubunId = id;
            series.name = info.name;
            series.days = plotted.value(mixKey).value(id);
            int seriesFewest = 0, seriesMost = 0;
            for (const TDaySummary& s : series.days) {
                seriesFewest = seriesFewest == 0 ? s.kosu : std::min(seriesFewest, s.kosu);
                seriesMost = std::max(seriesMost, s.kosu);
            }
            series.sampleSize = SampleSizeOf(seriesFewest, seriesMost);
            if (seriesMost > 0) {
                fewest = fewest == 0 ? seriesFewest : std::min(fewest, seriesFewest);
                most = std::max(most, seriesMost);
            }
            const QHash<int, double> mixAverages = averages.value(mixKey);
            if (mixAverages.contains(id))
                mix.lines.push_back(
                    TOJ{info.name, mixAverages.value(id), false, QStringLiteral("平均"), place});

            double low = 300, high = 0;
            for (const THeader& h : headers) {
                if (h.mix != mixKey || h.kubun != id)
                    continue;
                AddDistinct(measurers, h.measurer);
                if (series.limits.text.isEmpty())
                    series.limits.text = LimitsOf(h.spec.value).text;
                const double a = RangeLow(h.spec.value);
                if (a != -RangeUnbounded && Fixed4(a) < low)
                    low = Fixed4(a);
                const double b = RangeHigh(h.spec.value);
                if (b != RangeUnbounded && Fixed4(b) > high)
                    high = Fixed4(b);
                const QString& interval = h.spec.interval;
                AddDistinct(intervals, interval.trimmed().isEmpty() ? info.interval : interval);
            }
            if (low > 0 && low < 300) {
                mix.lines.push_back(TOJ{info.name + QStringLiteral("下限"), low, true,
                                        QStringLiteral("下限"), place});
                series.limits.lower = low;
            }
            if (high > 0 && high < 300) {
                mix.lines.push_back(TOJ{info.name + QStringLiteral("上限"), high, true,
                                        QStringLiteral("上限"), place});
                series.limits.upper = high;
            }
            mix.series.push_back(std::move(series));
        }
        SortReferenceLines(mix.lines);
        mix.measurer = measurers.join(QStringLiteral("・"));
        mix.sampleInterval = intervals.join(QStringLiteral("・"));
        mix.sampleSize = SampleSizeOf(fewest, most);
        doc.mixes.push_back(std::move(mix));
    }
    return doc;
}

TSheetDocument LoadSheetDocument(const TReportScope& scope)
{
    Query summaryQuery;
    PrepareDaySummaries(summaryQuery, scope, QStringLiteral("order by Kubun, GozaiName, Hiduke"));
    // Only the columns drawn: a year of readings is tens of thousands of rows.
    std::vector<std::unique_ptr<Query>> lineQueries;
    for (int id : scope.kubunIds) {
        auto q = std::make_unique<Query>();
        q->Add(QStringLiteral(
            "select OndoLine4.Hiduke as Hiduke, GozaiName, Kikakuti, SokuteiKankaku, "
            "Sokuten, Ondo, Jikoku, Syaryo, Biko, Sokuteisya from OndoLine4"));
        q->Add(QStringLiteral("inner join OndoKanri4 on OndoKanri4.ID = OndoLine4.KanriID"));
        q->Add(QStringLiteral("inner join OndoKubun on OndoKubun.ID = OndoKanri4.Kubun"));
        AddScope(*q, scope, QStringLiteral("OndoLine4.Hiduke"));
        AddMeasuredOnly(*q, scope, false);
        q->Add(QStringLiteral("and Kubun = :C"));
        q->Add(QStringLiteral("order by GozaiName, Hiduke, Kubun, LNO"));
        q->BindInt(C, id);
        lineQueries.push_back(std::move(q));
    }
    // A file streams each category's readings as they are drawn; a server, which answers
    // whole, is asked for all of them with the look-ups.
    const bool streamed = Engine::ReadsRowsInterleaved();
    std::vector<Query*> reads{&summaryQuery};
    if (!streamed)
        for (const auto& q : lineQueries)
            reads.push_back(q.get());
    const TLookups lookups(scope, reads);
    auto doc = lookups.Document<TSheetDocument>(scope);

    struct TStoredDay
    {
        TDaySummary summary;
        TDayNote note;
    };
    QHash<int, QHash<QString, QMap<QDateTime, TStoredDay>>> summaries;
    for (Query& q = summaryQuery; !q.Eof(); q.Next()) {
        const TDaySummary s = SummaryAt(q);
        summaries[q.FieldInt(QStringLiteral("Kubun"))][q.FieldText(QStringLiteral("GozaiName"))]
            .insert(s.day, {s, NoteAt(q)});
    }

    for (size_t place = 0; place < lineQueries.size(); ++place) {
        const int id = scope.kubunIds.at(int(place));
        TSheetCategory category;
        category.name = lookups.categories.value(id).name;
        Query& q = *lineQueries[place];
        if (streamed)
            q.OpenForward();
        const QHash<QString, QMap<QDateTime, TStoredDay>> ofCategory = summaries.value(id);
        QString lastMix;
        for (; !q.Eof(); q.Next()) {
            const QDateTime day = q.FieldDateTime(QStringLiteral("Hiduke"));
            const QString mix = q.FieldText(QStringLiteral("GozaiName"));
            if (category.days.empty() || category.days.back().day != day || lastMix != mix) {
                lastMix = mix;
                Widen(doc, scope, day.date());
                TSheetDay d;
                d.mixKey = mix;
                d.mixPrintName = lookups.PrintName(mix);
                d.day = day;
                const TSpecText spec = TSpecText::Parse(q.FieldText(QStringLiteral("Kikakuti")));
                d.interval = spec.interval.isEmpty() ? q.FieldText(QStringLiteral("SokuteiKankaku"))
                                                     : spec.interval;
                d.limits = LimitsOf(spec.value);
                const QMap<QDateTime, TStoredDay> ofMix = ofCategory.value(mix);
                if (ofMix.contains(day)) {
                    d.hasSummary = true;
                    d.summary = ofMix.value(day).summary;
                    d.note = ofMix.value(day).note;
                } else {
                    d.note.measurer = q.FieldText(QStringLiteral("Sokuteisya")).trimmed();
                }
                category.days.push_back(d);
            }
            category.days.back().readings.append(TSheetReading{
                q.FieldText(QStringLiteral("Sokuten")), q.FieldDouble(QStringLiteral("Ondo")),
                q.FieldText(QStringLiteral("Jikoku")).trimmed(),
                q.FieldText(QStringLiteral("Syaryo")).trimmed(),
                q.FieldText(QStringLiteral("Biko")).trimmed()});
        }
        doc.categories.push_back(std::move(category));
    }
    return doc;
}

TStatDocument LoadStatDocument(const TReportScope& scope)
{
    Query headerQuery;
    PrepareHeaders(headerQuery, scope, QStringLiteral("order by GozaiName, ID"));
    const TLookups lookups(scope, {&headerQuery});
    auto doc = lookups.Document<TStatDocument>(scope);
    const QSet<int> ticked(scope.kubunIds.begin(), scope.kubunIds.end());
    const std::vector<THeader> headers = HeadersOf(headerQuery);

    QStringList mixes;
    if (!scope.perProject)
        mixes << scope.gozaiName;
    QHash<QString, QHash<int, std::vector<TStatDay>>> days;
    {
        Query q;
        q.Add(QStringLiteral("select GozaiName, Kubun, OndoLine4.Hiduke as Hiduke, Ondo, Mogi, "
                             "coalesce(nullif(OndoHead4.Sokuteisya, ''), OndoKanri4.Sokuteisya) "
                             "as Measurer from OndoLine4"));
        q.Add(QStringLiteral("inner join OndoKanri4 on OndoKanri4.ID = OndoLine4.KanriID"));
        q.Add(QStringLiteral("left join OndoHead4 on OndoHead4.KanriID = OndoLine4.KanriID and "
                             "OndoHead4.Hiduke = OndoLine4.Hiduke"));
        AddScope(q, scope, QStringLiteral("OndoLine4.Hiduke"));
        AddMeasuredOnly(q, scope, true);
        q.Add(QStringLiteral("order by GozaiName, Kubun, Hiduke, LNO"));
        q.Open();
        for (; !q.Eof(); q.Next()) {
            const int id = q.FieldInt(QStringLiteral("Kubun"));
            if (!ticked.contains(id))
                continue;
            const QString mix = q.FieldText(QStringLiteral("GozaiName"));
            if (!mixes.contains(mix))
                mixes << mix;
            std::vector<TStatDay>& list = days[mix][id];
            const QDateTime day = q.FieldDateTime(QStringLiteral("Hiduke"));
            if (list.empty() || list.back().day != day) {
                Widen(doc, scope, day.date());
                list.push_back(TStatDay{day,
                                        {},
                                        q.FieldInt(QStringLiteral("Mogi")) != 0,
                                        q.FieldText(QStringLiteral("Measurer")).trimmed()});
            }
            list.back().readings.push_back(Fixed4(q.FieldDouble(QStringLiteral("Ondo"))));
        }
    }

    for (const QString& mixKey : mixes) {
        for (int id : scope.kubunIds) {
            TStatSeries series;
            series.days = days.value(mixKey).value(id);
            if (scope.perProject && series.days.empty())
                continue;
            series.mixKey = mixKey;
            series.mixPrintName = lookups.PrintName(mixKey);
            series.category = lookups.categories.value(id).name;
            QStringList measurers;
            for (const THeader& h : headers) {
                if (h.mix != mixKey || h.kubun != id)
                    continue;
                AddDistinct(measurers, h.measurer);
                const TLimits limits = LimitsOf(h.spec.value);
                if (series.limitText.isEmpty() && !limits.text.isEmpty()) {
                    series.limitText = limits.text;
                    series.lowerLimit = limits.lower;
                    series.upperLimit = limits.upper;
                }
            }
            series.measurer = measurers.join(QStringLiteral("・"));
            doc.series.push_back(std::move(series));
        }
    }
    return doc;
}

TJourneyDocument LoadJourneyDocument(const TReportScope& scope)
{
    // Each day's measurers and whether a category of it was filled by simulation, asked with
    // the look-ups.
    Query dayQuery;
    dayQuery.Add(QStringLiteral("select OndoHead4.Hiduke as Hiduke, Mogi, ") + NoteColumns +
                 QStringLiteral(" from OndoHead4"));
    dayQuery.Add(QStringLiteral("inner join OndoKanri4 on OndoKanri4.ID = OndoHead4.KanriID"));
    TReportScope oneMix = scope;
    oneMix.perProject = false;
    AddScope(dayQuery, oneMix, QStringLiteral("OndoHead4.Hiduke"));
    dayQuery.Add(QStringLiteral("order by Hiduke, Kubun"));
    const TLookups lookups(scope, {&dayQuery});
    auto doc = lookups.Document<TJourneyDocument>(scope);
    doc.mixPrintName = lookups.PrintName(scope.gozaiName);
    for (Query& q = dayQuery; !q.Eof(); q.Next()) {
        const QDate day = q.FieldDateTime(QStringLiteral("Hiduke")).date();
        QString& names = doc.measurers[day];
        names = JoinDistinct({names, NoteAt(q).measurer});
        if (q.FieldInt(QStringLiteral("Mogi")) != 0)
            doc.simulated.insert(day);
    }
    // An open end reaches every stored day.
    const QDate from = scope.from.isValid() ? scope.from : QDate(1900, 1, 1);
    const QDate to = scope.to.isValid() ? scope.to : QDate(9999, 12, 31);
    for (const TJourneyDay& day : ReadJourneyDays(scope.kojiCode, scope.gozaiName, from, to)) {
        if (scope.measuredOnly && doc.simulated.contains(day.day))
            continue;
        Widen(doc, scope, day.day);
        doc.days << day;
    }
    return doc;
}
