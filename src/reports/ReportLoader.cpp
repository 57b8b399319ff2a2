#include "reports/ReportLoader.h"

#include "core/KikakuText.h"
#include "core/Settings.h"
#include "reports/FormKit.h"
#include "store/Documents.h"

#include <QHash>
#include <QSet>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <memory>

namespace {

using Store::TDocumentDaysRead;

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

Store::TDocumentScope StoreScope(const TReportScope& scope)
{
    Store::TDocumentScope s;
    s.kojiCode = scope.kojiCode;
    s.gozaiName = scope.gozaiName;
    s.everyMix = scope.perProject;
    s.from = scope.from;
    s.to = scope.to;
    s.measuredOnly = scope.measuredOnly;
    return s;
}

// What every document looks up once: its heading and the registers' names, asked together
// with the document's own reads (`more`): one round trip to a server.
struct TLookups
{
    explicit TLookups(const TReportScope& scope, const std::vector<Store::TRead*>& more = {})
        : kojiCode(scope.kojiCode), font(TSettings::PrintFont()), title(ReadTitleSettings())
    {
        Store::TDocumentLookupsRead read(scope.kojiCode);
        std::vector<Store::TRead*> all{&read};
        all.insert(all.end(), more.begin(), more.end());
        Store::OpenTogether(all);
        const QString name = read.ProjectName();
        project = name.isEmpty() ? kojiCode
                                 : name + QStringLiteral("（") + kojiCode + QStringLiteral("）");
        categories = read.Categories();
        printNames = read.PrintNames();
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
    QHash<int, Store::TDocumentLookupsRead::TCategory> categories;
    QHash<QString, QString> printNames;
};

// The specified range of a stored 規格値; none for a value that is no range.
TLimits LimitsOf(const TKikakuText& kikaku)
{
    TLimits l;
    if (!kikaku.HasRange())
        return l;
    l.text = kikaku.value.trimmed();
    if (kikaku.HasLow())
        l.lower = Fixed4(kikaku.Low());
    if (kikaku.HasHigh())
        l.upper = Fixed4(kikaku.High());
    return l;
}

TDayNote NoteOf(const Store::TDocumentDay& d)
{
    return TDayNote{d.measurer, d.tenki, d.kion, d.tekiyo};
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
    TKikakuText kikaku;
};

std::vector<THeader> HeadersOf(const Store::TDocumentRecordsRead& read)
{
    std::vector<THeader> headers;
    for (const Store::TDocumentRecord& r : read.Rows())
        headers.push_back(THeader{r.gozaiName, r.kubun, r.simei, TKikakuText::Parse(r.kikakuti)});
    return headers;
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

TDaySummary SummaryOf(const Store::TDocumentDay& d)
{
    TDaySummary s;
    s.day = d.day;
    s.kosu = d.kosu;
    s.max = d.maxOndo;
    s.min = d.miniOndo;
    s.avg = d.avgOndo;
    s.simulated = d.mogi;
    return s;
}

} // namespace

TChartDocument LoadChartDocument(const TReportScope& scope)
{
    const QSet<int> ticked(scope.kubunIds.begin(), scope.kubunIds.end());
    const Store::TDocumentScope stored = StoreScope(scope);
    Store::TDocumentMixesRead mixRead(stored);
    // Unordered as the chart always read them: the measurers cell lists them in this order.
    Store::TDocumentRecordsRead headerRead(stored, false);
    TDocumentDaysRead dayRead(stored, TDocumentDaysRead::Order::MixCategoryDay);
    Store::TDocumentAveragesRead averageRead(stored);
    std::vector<Store::TRead*> reads{&headerRead, &dayRead, &averageRead};
    if (scope.perProject)
        reads.push_back(&mixRead);
    const TLookups lookups(scope, reads);
    auto doc = lookups.Document<TChartDocument>(scope);

    const QStringList mixes = scope.perProject ? mixRead.Names() : QStringList{scope.gozaiName};
    const std::vector<THeader> headers = HeadersOf(headerRead);

    // Per mix and category; every summary counts as a day, only those with readings are plotted.
    QHash<QString, QHash<int, QMap<QDateTime, TDaySummary>>> plotted;
    QHash<QString, QSet<QDateTime>> dayset;
    QHash<QString, QMap<QDateTime, TDayNote>> notes;
    for (Store::TDocumentDay d; dayRead.Take(d);) {
        const int id = d.kubun;
        if (!ticked.contains(id))
            continue;
        const QString& mix = d.gozaiName;
        TDaySummary s = SummaryOf(d);
        s.max = Fixed4(s.max);
        s.min = Fixed4(s.min);
        dayset[mix].insert(s.day);
        Widen(doc, scope, s.day.date());
        MergeNote(notes[mix][s.day], NoteOf(d));
        if (s.kosu > 0)
            plotted[mix][id].insert(s.day, s);
    }

    QHash<QString, QHash<int, double>> averages;
    for (Store::TDocumentAverage a; averageRead.Take(a);)
        averages[a.gozaiName].insert(a.kubun, a.average);

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
            const auto info = lookups.categories.value(id);
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
                const TLimits limits = LimitsOf(h.kikaku);
                if (series.limits.text.isEmpty())
                    series.limits.text = limits.text;
                if (limits.lower && *limits.lower < low)
                    low = *limits.lower;
                if (limits.upper && *limits.upper > high)
                    high = *limits.upper;
                const QString& interval = h.kikaku.interval;
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
    const Store::TDocumentScope stored = StoreScope(scope);
    TDocumentDaysRead summaryRead(stored, TDocumentDaysRead::Order::CategoryMixDay);
    // A category's readings at a time: a year of them is tens of thousands of rows.
    std::vector<std::unique_ptr<Store::TDocumentLinesRead>> lineReads;
    std::vector<Store::TRead*> reads{&summaryRead};
    for (int id : scope.kubunIds) {
        lineReads.push_back(std::make_unique<Store::TDocumentLinesRead>(stored, id));
        reads.push_back(lineReads.back().get());
    }
    const TLookups lookups(scope, reads);
    auto doc = lookups.Document<TSheetDocument>(scope);

    struct TStoredDay
    {
        TDaySummary summary;
        TDayNote note;
    };
    QHash<int, QHash<QString, QMap<QDateTime, TStoredDay>>> summaries;
    for (Store::TDocumentDay d; summaryRead.Take(d);) {
        const TDaySummary s = SummaryOf(d);
        summaries[d.kubun][d.gozaiName].insert(s.day, {s, NoteOf(d)});
    }

    for (size_t place = 0; place < lineReads.size(); ++place) {
        const int id = scope.kubunIds.at(int(place));
        TSheetCategory category;
        category.name = lookups.categories.value(id).name;
        Store::TDocumentLinesRead& q = *lineReads[place];
        q.Begin();
        const QHash<QString, QMap<QDateTime, TStoredDay>> ofCategory = summaries.value(id);
        QString lastMix;
        for (; !q.AtEnd(); q.Next()) {
            const QDateTime day = q.Day();
            const QString mix = q.GozaiName();
            if (category.days.empty() || category.days.back().day != day || lastMix != mix) {
                lastMix = mix;
                Widen(doc, scope, day.date());
                TSheetDay d;
                d.mixKey = mix;
                d.mixPrintName = lookups.PrintName(mix);
                d.day = day;
                const TKikakuText kikaku = TKikakuText::Parse(q.Kikakuti());
                d.interval = kikaku.interval.isEmpty() ? q.CategoryInterval() : kikaku.interval;
                d.limits = LimitsOf(kikaku);
                const QMap<QDateTime, TStoredDay> ofMix = ofCategory.value(mix);
                if (ofMix.contains(day)) {
                    d.hasSummary = true;
                    d.summary = ofMix.value(day).summary;
                    d.note = ofMix.value(day).note;
                } else {
                    d.note.measurer = q.RecordMeasurer();
                }
                category.days.push_back(d);
            }
            category.days.back().readings.append(
                TSheetReading{q.Sokuten(), q.Ondo(), q.Jikoku(), q.Syaryo(), q.Biko()});
        }
        doc.categories.push_back(std::move(category));
    }
    return doc;
}

TStatDocument LoadStatDocument(const TReportScope& scope)
{
    const Store::TDocumentScope stored = StoreScope(scope);
    Store::TDocumentRecordsRead headerRead(stored, true);
    const TLookups lookups(scope, {&headerRead});
    auto doc = lookups.Document<TStatDocument>(scope);
    const QSet<int> ticked(scope.kubunIds.begin(), scope.kubunIds.end());
    const std::vector<THeader> headers = HeadersOf(headerRead);

    QStringList mixes;
    if (!scope.perProject)
        mixes << scope.gozaiName;
    QHash<QString, QHash<int, std::vector<TStatDay>>> days;
    {
        Store::TDocumentReadingsRead read(stored);
        read.Open();
        for (Store::TDocumentReading r; read.Take(r);) {
            if (!ticked.contains(r.kubun))
                continue;
            if (!mixes.contains(r.gozaiName))
                mixes << r.gozaiName;
            std::vector<TStatDay>& list = days[r.gozaiName][r.kubun];
            if (list.empty() || list.back().day != r.day) {
                Widen(doc, scope, r.day.date());
                list.push_back(TStatDay{r.day, {}, r.mogi, r.measurer});
            }
            list.back().readings.push_back(Fixed4(r.ondo));
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
                const TLimits limits = LimitsOf(h.kikaku);
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
    Store::TDocumentScope oneMix = StoreScope(scope);
    oneMix.everyMix = false;
    oneMix.measuredOnly = false; // the simulated days are marked, then left out below
    TDocumentDaysRead dayRead(oneMix, TDocumentDaysRead::Order::DayCategory);
    const TLookups lookups(scope, {&dayRead});
    auto doc = lookups.Document<TJourneyDocument>(scope);
    doc.mixPrintName = lookups.PrintName(scope.gozaiName);
    for (Store::TDocumentDay d; dayRead.Take(d);) {
        const QDate day = d.day.date();
        QString& names = doc.measurers[day];
        names = JoinDistinct({names, d.measurer});
        if (d.mogi)
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
