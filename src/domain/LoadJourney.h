#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QTime>
#include <optional>

// Each truck load of one day, project and mix followed through the temperature categories it
// was measured in (plant, arrival, laying, compaction …): how much it cooled between them, and
// how long it has left before it is too cold to compact.

// A category the day's loads pass through, in the categories' order.
struct TJourneyStage
{
    int kubunId = -1;
    QString name;
    double low = 0; // the lower bound of the record's 規格値, when hasLow
    bool hasLow = false;
    bool numberedAlike = false; // loads without a truck match by their load number
};

// One reading of a load at a stage.
struct TStageReading
{
    double temp = 0;
    QTime time; // invalid: not recorded
    QString truck;
    QString label; // the load number as typed
};

// What happened between two stages the load was measured at.
struct TLoadStep
{
    int from = 0; // stage indexes
    int to = 0;
    double drop = 0;
    std::optional<int> minutes; // both times known and in order
    std::optional<double> rate; // ℃ per minute
    bool tooMuch = false;       // dropped more than the pair's limit
};

// Minutes until a load reaches the compaction limit, from its latest reading.
struct TMinutesLeft
{
    int minutes = 0;
    int shortest = 0;
    int longest = 0;
    QString Text(double limit) const; // "110 ℃ まで あと約 25 分（20〜31 分）"
    // A wider range ("49〜695 分") tells the paver nothing to act on: it is not shown.
    static constexpr int WidestRange = 30;
    bool Tells() const { return longest - shortest <= WidestRange; }
};

struct TLoad
{
    QString name; // the truck, "No.7" for a load known by its number, or empty
    QList<std::optional<TStageReading>> at; // one per stage
    QList<TLoadStep> steps;
    bool belowLast = false;           // its last reading is below that stage's specified value
    std::optional<TMinutesLeft> left; // only a range that Tells()
    bool untold = false; // on its way to compaction, but the loads so far give no such range

    bool Marked() const;
    // Index of the last stage it was measured at, or -1.
    int LastStage() const;
};

// Newton's cooling towards the air, one rate for the mix: dT/dt = -k (T - air).
struct TCoolingFit
{
    int loads = 0; // loads that gave at least one pair
    int pairs = 0;
    double rate = 0;   // k, per minute
    double spread = 0; // standard deviation of the pairs' rates
    bool Usable() const { return loads >= MinimumLoads && rate > 0; }
    static constexpr int MinimumLoads = 10;

    // Minutes for a load at temp to cool to limit with air at air; nothing when it is already
    // there or the fit is not usable.
    std::optional<TMinutesLeft> MinutesTo(double temp, double limit, double air) const;
};

struct TJourneyDay
{
    QDate day;
    QList<TJourneyStage> stages;
    QList<TLoad> loads;
    double air = 20;        // the day's air temperature
    bool airTyped = false;  // false: 20 ℃ assumed
    QList<double> averages; // per stage; NaN where nothing was read
    double compactionLimit = 110;
    int compactionStage = -1;
};

// What a chart of the day's loads spans: minutes of the day in whole half hours, temperatures
// in tens with 5 ℃ to spare, the compaction limit included. Nothing without a timed reading.
struct TJourneyAxes
{
    int first = 0, last = 0; // minutes since midnight
    double low = 0, high = 0;
    int Step() const { return last - first > 6 * 60 ? 60 : 30; } // minutes between time labels
};
std::optional<TJourneyAxes> JourneyAxes(const TJourneyDay& day);

// A reading as stored, with the stage it belongs to.
struct TJourneyReading
{
    int stage = 0;
    TStageReading reading;
};

// Joins a day's readings into loads: by truck (the n-th time a truck appears at a stage is its
// n-th load there, in time order), by load number at stages numbered alike, and alone otherwise.
// The loads come in the order they were first measured.
QList<TLoad> MatchLoads(const QList<TJourneyStage>& stages, QList<TJourneyReading> readings);

// The drop limit of a pair of stages, from the settings (20 ℃ unless set).
double DropLimit(int fromKubunId, int toKubunId);
void SetDropLimit(int fromKubunId, int toKubunId, double limit);

// Steps, marks and the stages' averages of matched loads.
void Measure(TJourneyDay& day);

// One rate for the days given, from every pair of stages a load was measured at.
TCoolingFit FitCooling(const QList<TJourneyDay>& days);

// The loads of a day of a project and mix, measured, with the minutes left of each load from
// the fit over the 14 days up to it. Raises AppError for an unknown project or mix.
struct TJourney
{
    TJourneyDay day;
    TCoolingFit fit;
};
TJourney ReadJourney(const QString& kojiCode, const QString& gozaiName, const QDate& day);

// For the load of that truck last measured in the category on the day: the minutes left to the
// compaction limit, as the site page shows them after an arrival or laying temperature
// ("110 ℃ まで あと約 25 分（20〜31 分）、32 台から推定"), or that the loads are too few to tell;
// empty when the load needs no estimate.
QString MinutesLeftText(const QString& kojiCode, const QString& gozaiName, const QDate& day,
                        int kubunId, const QString& truck);

// The days of a period with readings at two stages or more, measured.
QList<TJourneyDay> ReadJourneyDays(const QString& kojiCode, const QString& gozaiName,
                                   const QDate& from, const QDate& to);
