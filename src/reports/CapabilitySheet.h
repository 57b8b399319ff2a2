#pragma once

#include "reports/ReportModel.h"

class TPageSink;

// The process-capability sheet: one portrait page per mix and category with the histogram,
// the frequency table, the values and the judgement, numbered "n / N". Touches no table.
// The caller sets portrait orientation and margins -1.5 / -1.5 first.
void DrawCapabilitySheet(const TStatDocument& doc, TPageSink& pane);

// "Cp=1.42" / "Cp=—" and "Cpk=1.18" as the sheet prints them.
QString CpText(const std::optional<double>& cp);
QString CpkText(const std::optional<double>& cpk);
