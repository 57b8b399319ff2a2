#pragma once

#include <QDateTime>
#include <QList>
#include <QMap>
#include <QString>
#include <optional>
#include <vector>

// What the two documents draw, read from the tables once (ReportLoader) and drawn without
// touching them again (ControlChart, DataSheet). Plain values only, so that layout can be
// tried on models built in memory.

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
// specified limits (red).
class TOJ
{
public:
    QString Name;
    double Value = 0;
    bool IsLimit = false;
};

// One ticked category on one mix's chart: the days it is plotted on (summaries with readings).
struct TChartSeries
{
    int kubunId = -1;
    QString name;
    QMap<QDateTime, TDaySummary> days;
};

struct TChartMix
{
    QString key;                      // GozaiName
    QString printName;                // from the mix register, else the key
    QList<QDateTime> days;            // ascending: days on which a ticked category has a summary
    std::vector<TChartSeries> series; // in the order the categories were ticked
    std::vector<TOJ> lines;           // largest value first
    QString measurer;                 // of the mix's records of the ticked categories, "・" joined
    // Cells of the title block; an empty text is struck out.
    QString limitHigh;
    QString limitLow;
    QString sampleSize;     // readings per day, "3〜16"
    QString sampleInterval; // measuring interval
};

struct TChartDocument
{
    QString project; // registered name with its code
    QString font;    // print font face; empty keeps the page's own
    std::vector<TChartMix> mixes;
};

struct TSheetReading
{
    QString point; // Sokuten
    double ondo = 0;
};

// One mix on one day of the record table; more than 15 readings run on into further blocks.
struct TSheetDay
{
    QString mixPrintName;
    QString interval; // the record's measuring interval, else the category's; may be empty
    QDateTime day;
    bool hasSummary = false;
    TDaySummary summary;
    QList<TSheetReading> readings;
};

struct TSheetCategory
{
    QString name;
    std::vector<TSheetDay> days; // by mix, day
};

struct TSheetDocument
{
    QString project;
    QString font;
    std::vector<TSheetCategory> categories; // in the order they were ticked
};

// The readings of one day of one category: one subgroup of the statistical forms.
struct TStatDay
{
    QDateTime day;
    std::vector<double> readings; // by reading number
    bool simulated = false;
};

// One mix and one ticked category: what one X̄–s chart or one capability sheet shows.
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

struct TStatDocument
{
    QString project;
    QString font;
    std::vector<TStatSeries> series; // by mix, then in the order the categories were ticked
};

// Which records a document covers: the window's project and mix, the ticked categories, and
// "工事毎に印刷" (every mix of the project).
struct TReportScope
{
    QString kojiCode;
    QString gozaiName;
    QList<int> kubunIds;
    bool perProject = false;
};

// Day texts every document prints: "11/10" in day rows, "2024年 11月 10日" in periods.
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
