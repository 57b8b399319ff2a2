#pragma once

#include <QDateTime>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

// What the documents draw, read from the tables once (ReportLoader) and drawn without touching
// them again (ControlChart, DataSheet, XbarChart, XbarRChart, CapabilitySheet). Plain values
// only, so that layout can be tried on models built in memory.

// How every title block dates and signs: the approval boxes' titles (none: no boxes) and
// whether periods are in the Japanese era. Defaults: 監督員 / 現場代理人 / 主任技術者, 西暦.
struct TTitleSettings
{
    QStringList approvals{QStringLiteral("監督員"), QStringLiteral("現場代理人"),
                          QStringLiteral("主任技術者")};
    bool wareki = false;
};

// The specified range of a record: its stored text and bounds (four decimals).
struct TLimits
{
    QString text; // as stored ("160_185", "110_"); empty when none
    std::optional<double> lower, upper;

    // A value below the lower or above the upper bound.
    bool Outside(double v) const { return (lower && v < *lower) || (upper && v > *upper); }
    bool Any() const { return lower.has_value() || upper.has_value(); }
};

// What a day says besides its readings: who measured it, the weather and the day's 記事.
struct TDayNote
{
    QString measurer; // the day's, else the record's
    QString weather;
    QString airTemperature; // as typed
    QString remark;         // 記事
};

// One day summary of a category (a row of OndoHead4).
struct TDaySummary
{
    QDateTime day;
    int kosu = 0;
    double max = 0;
    double min = 0;
    double avg = 0;
    bool simulated = false; // filled by simulation, not measured: printed as 模擬値
};

// A horizontal reference line of the chart: a category's average (black) or one of its
// specified limits (red). Name is the category's name followed by "下限" or "上限", or the name
// alone for an average; Kind is "下限", "上限" or "平均"; Series the category's place among the
// ticked ones (its marker).
class TOJ
{
public:
    QString Name;
    double Value = 0;
    bool IsLimit = false;
    QString Kind;
    int Series = 0;
};

// One ticked category on one mix's chart: the days it is plotted on (summaries with readings).
struct TChartSeries
{
    int kubunId = -1;
    QString name;
    QMap<QDateTime, TDaySummary> days;
    TLimits limits;
    QString sampleSize; // its readings per day over the period, "3〜16"; empty without days
};

struct TChartMix
{
    QString key;                      // GozaiName
    QString printName;                // from the mix register, else the key
    QList<QDateTime> days;            // ascending: days on which a ticked category has a summary
    std::vector<TChartSeries> series; // in the order the categories were ticked
    std::vector<TOJ> lines;           // largest value first
    QString measurer;                 // of the mix's records of the ticked categories, "・" joined
    QMap<QDateTime, TDayNote> notes;  // per day, the ticked categories' notes merged
    // Cells of the title block; empty when unknown.
    QString sampleSize;     // readings per day, "3〜16", of every ticked category
    QString sampleInterval; // measuring interval
};

// What every document is headed with. first and last: the period it covers, which its title
// block prints; the scope's bounds, or the first and last day found where the scope has none.
struct TDocumentHead
{
    QString project; // registered name with its code
    QString kojiCode;
    QString font; // print font face; empty keeps the page's own
    TTitleSettings title;
    QDate first, last;
};

struct TChartDocument : TDocumentHead
{
    std::vector<TChartMix> mixes;
};

struct TSheetReading
{
    QString point; // Sokuten
    double ondo = 0;
    QString time; // "HH:mm"
    QString truck;
    QString remark;
};

// One mix on one day of the record table; more than 15 readings run on into further blocks.
struct TSheetDay
{
    QString mixKey;
    QString mixPrintName;
    QString interval; // the record's measuring interval, else the category's; may be empty
    QDateTime day;
    bool hasSummary = false;
    TDaySummary summary;
    TDayNote note;
    TLimits limits;
    QList<TSheetReading> readings;
};

struct TSheetCategory
{
    QString name;
    std::vector<TSheetDay> days; // by mix, day
};

struct TSheetDocument : TDocumentHead
{
    std::vector<TSheetCategory> categories; // in the order they were ticked
};

// The readings of one day of one category: one subgroup of the statistical forms.
struct TStatDay
{
    QDateTime day;
    std::vector<double> readings; // by reading number
    bool simulated = false;
    QString measurer; // the day's, else the record's
};

// One mix and one ticked category: what one X̄–s chart, x̄-R chart or capability sheet shows.
struct TStatSeries
{
    QString mixKey;
    QString mixPrintName;
    QString category;
    QString measurer;  // "・" joined
    QString limitText; // the specified range as stored ("150_170", "110_"); may be empty
    std::optional<double> lowerLimit, upperLimit;
    std::vector<TStatDay> days; // ascending, days with readings only
};

struct TStatDocument : TDocumentHead
{
    std::vector<TStatSeries> series; // by mix, then in the order the categories were ticked
};

// Which records a document covers: the window's project and mix, the ticked categories, and
// "工事毎に印刷" (every mix of the project); from and to, when valid, keep only their days (the
// statements ask for them); measuredOnly leaves out the days filled by simulation (the
// submission package).
struct TReportScope
{
    QString kojiCode;
    QString gozaiName;
    QList<int> kubunIds;
    bool perProject = false;
    QDate from, to;
    bool measuredOnly = false;
};

// Day texts every document prints: "11/10" in day rows, "2024年 11月 10日" in cells.
inline QString MonthDay(const QDateTime& d)
{
    return QStringLiteral("%1/%2").arg(d.date().month()).arg(d.date().day());
}

inline QString PeriodText(const QDateTime& d)
{
    return QStringLiteral("%1年 %2月 %3日")
        .arg(d.date().year())
        .arg(d.date().month())
        .arg(d.date().day());
}
