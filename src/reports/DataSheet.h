#pragma once

#include "reports/FormKit.h"
#include "reports/ReportModel.h"

class TCanvas;
class TPageSink;

// Portrait, 2 cm in from the paper's left and top edges.
constexpr TFormPage DataSheetPage{{2.0f, 2.0f}, {0, 25.4f, 16.5f, 26.0f}};

// The record table ("記録表"): per category portrait pages of six day blocks, 15 readings a
// block, each day with its count, maximum, minimum and average, numbered "n / N" at the foot.
// Touches no table.
//
// pane  the preview pane, already in a document; every category with readings starts a page of
//       its own, the first on the pane's current page. Categories without readings add none.
// The caller sets portrait orientation.
void DrawDataSheet(const TSheetDocument& doc, TPageSink& pane);

// Pages the document takes.
int SheetPages(const TSheetDocument& doc);

// The page header (category name + "記録表", underlined twice, the project below) and the six
// empty blocks, placed on the page (DataSheetPage).
void DrawRecordPage(TCanvas& canvas, const QString& category, const QString& project);

// One empty block, 0 to 5 (two rows of three).
void DrawRecordBlock(TCanvas& canvas, int block);
