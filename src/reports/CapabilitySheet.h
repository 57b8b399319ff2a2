#pragma once

#include "reports/FormKit.h"
#include "reports/ReportModel.h"
#include "statistics/Capability.h"

class TPageSink;

// Portrait, 1.5 cm in from the paper's left and top edges.
constexpr TFormPage CapabilityPage{{1.5f, 1.5f}};

// The process-capability sheet: one portrait page per mix and category with the histogram,
// the frequency table, the values, the readings outside the specified limits (規格外 N 個) and
// the judgement from both, numbered "n / N"; the readings of simulated days are in none of
// them, which the page says. Touches no table.
// The caller sets portrait orientation first.
void DrawCapabilitySheet(const TStatDocument& doc, TPageSink& pane);

// "Cp=1.42" / "Cp=—" and "Cpk=1.18" as the sheet prints them.
QString CpText(const std::optional<double>& cp);
QString CpkText(const std::optional<double>& cpk);
// The verdict with what it rests on: "まずまず（Cpk=1.52・規格外 2 個）"; "—" without Cpk.
QString JudgementText(const TCapability& cap);
