#pragma once

#include "domain/LoadJourney.h"
#include "reports/ReportModel.h"

#include <QList>
#include <QMap>
#include <QSet>
#include <QString>

class TPageSink;

// The printed record of the loads' journey: for each day of the period, the table of loads and
// their chart; then "温度低下集計", the average drop between stages on each of those days. The
// minutes left are an estimate and never printed.
struct TJourneyDocument : TDocumentHead
{
    QString mixPrintName;
    QList<TJourneyDay> days;        // ascending
    QMap<QDate, QString> measurers; // per day: its own, else the record's, "・" joined
    QSet<QDate> simulated;          // days with a category filled by simulation
};

// Loads of the day on one table page.
constexpr int JourneyRowsPerPage = 26;

// Pages the document takes: per day its table pages and its chart, then the summary.
int JourneyPages(const TJourneyDocument& doc);

// A day with a timed reading: one whose chart has something to show.
bool HasTimes(const TJourneyDay& day);

// The caller sets landscape orientation. A document without days prints one page saying so.
void DrawJourneySheet(const TJourneyDocument& doc, TPageSink& pane);
