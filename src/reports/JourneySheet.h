#pragma once

#include "domain/LoadJourney.h"
#include "reports/ReportModel.h"

#include <QList>
#include <QString>

class TPageSink;

// The printed record of the loads' journey: for the day, the table of loads and their chart;
// then "温度低下集計", the average drop between stages on each day of the period. The minutes
// left are an estimate and never printed.
struct TJourneyDocument
{
    QString project;
    QString mixPrintName;
    QString font;
    TTitleSettings title;
    TJourneyDay day;
    QList<TJourneyDay> period; // ascending
};

// Loads of the day on one table page.
constexpr int JourneyRowsPerPage = 26;

void DrawJourneySheet(const TJourneyDocument& doc, TPageSink& pane);
