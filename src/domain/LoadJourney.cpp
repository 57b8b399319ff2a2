#include "domain/LoadJourney.h"

#include "core/KikakuText.h"
#include "core/Settings.h"
#include "core/Utility.h"
#include "store/Days.h"

#include <QHash>
#include <QMap>
#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

namespace {

constexpr double DefaultDropLimit = 20;
constexpr int FitDays = 14;

// Trucks are typed on phones and keyboards alike: "１２", "12 " and "12" are one truck.
QString truckKey(const QString& truck)
{
    return truck.normalized(QString::NormalizationForm_KC).trimmed().toUpper();
}

int minutesBetween(const QTime& a, const QTime& b)
{
    return (b.msecsSinceStartOfDay() - a.msecsSinceStartOfDay()) / 60000;
}

// Untimed readings keep their place after the timed ones; that is all that is known of them.
bool earlier(const TJourneyReading& a, const TJourneyReading& b)
{
    if (a.reading.time.isValid() != b.reading.time.isValid())
        return a.reading.time.isValid();
    return a.reading.time.isValid() && a.reading.time < b.reading.time;
}

} // namespace

QString TMinutesLeft::Text(double limit) const
{
    return QStringLiteral("%1 ℃ まで あと約 %2 分（%3〜%4 分）")
        .arg(FormatGeneral(limit))
        .arg(minutes)
        .arg(shortest)
        .arg(longest);
}

bool TLoad::Marked() const
{
    return belowLast ||
           std::any_of(steps.begin(), steps.end(), [](const TLoadStep& s) { return s.tooMuch; });
}

int TLoad::LastStage() const
{
    for (int i = int(at.size()) - 1; i >= 0; --i)
        if (at[i])
            return i;
    return -1;
}

std::optional<TMinutesLeft> TCoolingFit::MinutesTo(double temp, double limit, double air) const
{
    if (!Usable() || temp <= limit || limit <= air)
        return std::nullopt;
    const double logs = std::log((temp - air) / (limit - air));
    // A slower rate than the spread allows would never cool: a quarter of the rate at least.
    const double slow = std::max(rate - spread, rate / 4);
    TMinutesLeft left;
    left.minutes = int(std::lround(logs / rate));
    left.shortest = int(std::lround(logs / (rate + spread)));
    left.longest = int(std::lround(logs / slow));
    return left;
}

std::optional<TJourneyAxes> JourneyAxes(const TJourneyDay& day)
{
    int first = 24 * 60, last = 0;
    double low = day.compactionStage >= 0 ? day.compactionLimit : 1e9, high = -1e9;
    for (const TLoad& load : day.loads)
        for (const auto& r : load.at)
            if (r && r->time.isValid()) {
                const int m = r->time.msecsSinceStartOfDay() / 60000;
                first = std::min(first, m);
                last = std::max(last, m);
                low = std::min(low, r->temp);
                high = std::max(high, r->temp);
            }
    if (first > last)
        return std::nullopt;
    TJourneyAxes a;
    a.low = std::floor(low / 10) * 10 - 5;
    a.high = std::ceil(high / 10) * 10 + 5;
    a.first = first / 30 * 30;
    a.last = std::max(a.first + 30, (last + 29) / 30 * 30);
    return a;
}

QList<TLoad> MatchLoads(const QList<TJourneyStage>& stages, QList<TJourneyReading> readings)
{
    std::stable_sort(readings.begin(), readings.end(),
                     [](const TJourneyReading& a, const TJourneyReading& b) {
                         return a.stage != b.stage ? a.stage < b.stage : earlier(a, b);
                     });
    QList<TLoad> loads;
    QList<QTime> firstTime;    // per load, for the order
    QHash<QString, int> byKey; // "truck\nn" or "#number\nn" → load
    QHash<QString, int> seen;  // per stage and key: how many times so far
    int stageOf = -1;
    for (const TJourneyReading& r : readings) {
        if (r.stage != stageOf) {
            stageOf = r.stage;
            seen.clear();
        }
        QString key;
        QString name;
        if (!truckKey(r.reading.truck).isEmpty()) {
            key = truckKey(r.reading.truck);
            name = r.reading.truck.trimmed();
        } else if (stages.value(r.stage).numberedAlike && !r.reading.label.trimmed().isEmpty()) {
            key = QLatin1Char('#') + truckKey(r.reading.label);
            name = QStringLiteral("No.") + r.reading.label.trimmed();
        }
        int load = -1;
        if (!key.isEmpty()) {
            const QString nth = key + QLatin1Char('\n') + QString::number(seen[key]++);
            load = byKey.value(nth, -1);
            if (load < 0)
                byKey.insert(nth, int(loads.size()));
        }
        if (load < 0 || loads[load].at[r.stage]) {
            load = int(loads.size());
            TLoad fresh;
            fresh.name = name;
            for (int i = 0; i < stages.size(); ++i)
                fresh.at << std::nullopt;
            loads << fresh;
            firstTime << QTime();
        }
        loads[load].at[r.stage] = r.reading;
        if (r.reading.time.isValid() &&
            (!firstTime[load].isValid() || r.reading.time < firstTime[load]))
            firstTime[load] = r.reading.time;
    }
    QList<int> order(loads.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        if (firstTime[a].isValid() != firstTime[b].isValid())
            return firstTime[a].isValid();
        return firstTime[a].isValid() && firstTime[a] < firstTime[b];
    });
    QList<TLoad> sorted;
    for (int i : order)
        sorted << loads[i];
    return sorted;
}

double DropLimit(int fromKubunId, int toKubunId)
{
    const double v = TSettings::DropLimit(fromKubunId, toKubunId);
    return v > 0 ? v : DefaultDropLimit;
}

void SetDropLimit(int fromKubunId, int toKubunId, double limit)
{
    TSettings::SetDropLimit(fromKubunId, toKubunId, limit);
}

void Measure(TJourneyDay& day)
{
    QHash<QPair<int, int>, double> limits;
    for (int i = 0; i < day.stages.size(); ++i)
        for (int j = i + 1; j < day.stages.size(); ++j)
            limits.insert({i, j}, DropLimit(day.stages[i].kubunId, day.stages[j].kubunId));

    day.compactionStage = -1;
    for (int i = 0; i < day.stages.size(); ++i)
        if (day.stages[i].name.contains(QStringLiteral("締固")))
            day.compactionStage = i;
    if (day.compactionStage < 0 && !day.stages.isEmpty())
        day.compactionStage = int(day.stages.size()) - 1;
    day.compactionLimit = day.compactionStage >= 0 && day.stages[day.compactionStage].hasLow
                              ? day.stages[day.compactionStage].low
                              : 110;

    QList<double> sums(day.stages.size(), 0.0);
    QList<int> counts(day.stages.size(), 0);
    for (TLoad& load : day.loads) {
        load.steps.clear();
        int previous = -1;
        for (int i = 0; i < load.at.size(); ++i) {
            if (!load.at[i])
                continue;
            sums[i] += load.at[i]->temp;
            ++counts[i];
            if (previous >= 0) {
                const TStageReading& a = *load.at[previous];
                const TStageReading& b = *load.at[i];
                TLoadStep step;
                step.from = previous;
                step.to = i;
                step.drop = a.temp - b.temp;
                if (a.time.isValid() && b.time.isValid() && a.time < b.time) {
                    step.minutes = minutesBetween(a.time, b.time);
                    if (*step.minutes > 0)
                        step.rate = step.drop / *step.minutes;
                }
                step.tooMuch = step.drop > limits.value({previous, i}, DefaultDropLimit);
                load.steps << step;
            }
            previous = i;
        }
        const int last = load.LastStage();
        load.belowLast =
            last >= 0 && day.stages[last].hasLow && load.at[last]->temp < day.stages[last].low;
    }
    day.averages.clear();
    for (int i = 0; i < day.stages.size(); ++i)
        day.averages << (counts[i] ? sums[i] / counts[i]
                                   : std::numeric_limits<double>::quiet_NaN());
}

TCoolingFit FitCooling(const QList<TJourneyDay>& days)
{
    // Each pair gives ln((T1 - air) / (T2 - air)) = k · minutes; k by least squares through the
    // origin, its spread from the pairs' own rates.
    double sxy = 0, sxx = 0;
    QList<double> rates;
    TCoolingFit fit;
    for (const TJourneyDay& day : days)
        for (const TLoad& load : day.loads) {
            bool used = false;
            for (const TLoadStep& step : load.steps) {
                if (!step.minutes || *step.minutes <= 0)
                    continue;
                const double t1 = load.at[step.from]->temp - day.air;
                const double t2 = load.at[step.to]->temp - day.air;
                if (t1 <= 0 || t2 <= 0 || t2 >= t1)
                    continue;
                const double y = std::log(t1 / t2);
                const double x = *step.minutes;
                sxy += x * y;
                sxx += x * x;
                rates << y / x;
                used = true;
            }
            fit.loads += used ? 1 : 0;
        }
    fit.pairs = int(rates.size());
    if (sxx <= 0)
        return fit;
    fit.rate = sxy / sxx;
    if (rates.size() > 1) {
        double mean = 0;
        for (double r : rates)
            mean += r;
        mean /= rates.size();
        double ss = 0;
        for (double r : rates)
            ss += (r - mean) * (r - mean);
        fit.spread = std::sqrt(ss / (rates.size() - 1));
    }
    return fit;
}

QList<TJourneyDay> ReadJourneyDays(const QString& kojiCode, const QString& gozaiName,
                                   const QDate& from, const QDate& to)
{
    const QDateTime first(from, QTime(0, 0));
    const QDateTime last(to, QTime(0, 0));

    // The stages: every category with a record of this project and mix, in the categories'
    // order, with the record's specified value.
    QList<TJourneyStage> stages;
    QHash<int, int> stageOfKanri;
    for (const Store::TJourneyRecord& record : Store::JourneyRecords(kojiCode, gozaiName)) {
        TJourneyStage s;
        s.kubunId = record.kubunId;
        s.name = record.kubunName;
        s.numberedAlike = record.numberedAlike;
        const TKikakuText kikaku = TKikakuText::Parse(record.kikakuti);
        if (kikaku.HasLow()) {
            s.hasLow = true;
            s.low = kikaku.Low();
        }
        stageOfKanri.insert(record.kanriId, int(stages.size()));
        stages << s;
    }
    if (stages.size() < 2)
        return {};

    QMap<QDate, TJourneyDay> days;
    QMap<QDate, QList<TJourneyReading>> readings;
    Store::EachJourneyReading(kojiCode, gozaiName, first, last, [&](const Store::TJourneyRow& row) {
        const auto stage = stageOfKanri.constFind(row.kanriId);
        if (stage == stageOfKanri.constEnd())
            return;
        TJourneyReading r;
        r.stage = stage.value();
        r.reading.temp = row.ondo;
        r.reading.time = QTime::fromString(row.jikoku.trimmed(), QStringLiteral("H:mm"));
        r.reading.truck = row.syaryo;
        r.reading.label = row.sokuten;
        readings[row.day.date()] << r;
    });
    // The day's air temperature, as typed in any of its categories.
    Store::EachAirTemperature(kojiCode, gozaiName, first, last,
                              [&](const QDateTime& when, const QString& kion) {
                                  const QDate date = when.date();
                                  bool ok = false;
                                  // NFKC turns "℃" into "°C" and full-width digits into ASCII ones.
                                  const double air = QString(kion)
                                                         .normalized(QString::NormalizationForm_KC)
                                                         .remove(QStringLiteral("°C"))
                                                         .trimmed()
                                                         .toDouble(&ok);
                                  if (ok && !days[date].airTyped) {
                                      days[date].air = air;
                                      days[date].airTyped = true;
                                  }
                              });
    QList<TJourneyDay> result;
    for (auto it = readings.constBegin(); it != readings.constEnd(); ++it) {
        TJourneyDay day = days.value(it.key());
        day.day = it.key();
        day.stages = stages;
        day.loads = MatchLoads(stages, it.value());
        Measure(day);
        result << day;
    }
    return result;
}

TJourney ReadJourney(const QString& kojiCode, const QString& gozaiName, const QDate& day)
{
    TJourney j;
    const QList<TJourneyDay> days =
        ReadJourneyDays(kojiCode, gozaiName, day.addDays(-(FitDays - 1)), day);
    j.fit = FitCooling(days);
    for (const TJourneyDay& d : days)
        if (d.day == day)
            j.day = d;
    if (!j.day.day.isValid()) {
        j.day.day = day;
        return j;
    }
    const double limit = j.day.compactionLimit;
    for (TLoad& load : j.day.loads) {
        const int last = load.LastStage();
        if (last < 0 || last >= j.day.compactionStage || load.at[last]->temp <= limit ||
            limit <= j.day.air)
            continue;
        const std::optional<TMinutesLeft> left =
            j.fit.MinutesTo(load.at[last]->temp, limit, j.day.air);
        if (left && left->Tells())
            load.left = left;
        else
            load.untold = true;
    }
    return j;
}

QString MinutesLeftText(const QString& kojiCode, const QString& gozaiName, const QDate& day,
                        int kubunId, const QString& truck)
{
    if (truckKey(truck).isEmpty())
        return QString();
    const TJourney j = ReadJourney(kojiCode, gozaiName, day);
    int stage = -1;
    for (int i = 0; i < j.day.stages.size(); ++i)
        if (j.day.stages[i].kubunId == kubunId)
            stage = i;
    if (stage < 0)
        return QString();
    const TLoad* found = nullptr;
    for (const TLoad& load : j.day.loads)
        if (load.at[stage] && truckKey(load.at[stage]->truck) == truckKey(truck))
            found = &load;
    if (!found || found->LastStage() != stage)
        return QString();
    if (found->untold)
        return QStringLiteral("%1 ℃ までの時間は、まだ台数が少なく推定できません（%2 台）")
            .arg(FormatGeneral(j.day.compactionLimit))
            .arg(j.fit.loads);
    if (!found->left)
        return QString();
    return found->left->Text(j.day.compactionLimit) +
           QStringLiteral("、%1 台から推定").arg(j.fit.loads);
}
