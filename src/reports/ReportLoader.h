#pragma once

#include "reports/JourneySheet.h"
#include "reports/ReportModel.h"

// Both read everything one document needs in a few statements, independent of the number of
// days. Query failures raise the engine's AppError.

// Per mix (the scope's own, or with perProject every mix of the project that has a day of a
// ticked category): its days, per ticked category its day summaries, the reference lines, the
// measurers, the limit and sample cells. Summaries without readings (Kosu 0) are not plotted
// and not averaged.
TChartDocument LoadChartDocument(const TReportScope& scope);

// Per ticked category the readings of the scope's project and mix (with perProject every mix),
// by mix, day and reading number, with each day's summary and measuring interval.
TSheetDocument LoadSheetDocument(const TReportScope& scope);

// Per mix (as for the chart) and per ticked category the readings by day, with the measurers
// and the specified range. With perProject a mix without readings of a category adds nothing.
TStatDocument LoadStatDocument(const TReportScope& scope);

// The loads of each day of the scope's period (open ends: every stored day) of its project and
// mix, through every category; with measuredOnly, days with a simulated category left out.
TJourneyDocument LoadJourneyDocument(const TReportScope& scope);
