#pragma once

#include "reports/FormKit.h"
#include "reports/ReportModel.h"

class TCanvas;
class TPageSink;

// Portrait, 2 cm in from the paper's left and top edges.
constexpr TFormPage DataSheetPage{{2.0f, 2.0f}};

// The record table ("記録表"): per category portrait pages of day blocks, 15 readings a block,
// each page under a title block. A day's count, maximum, minimum, average and readings out of
// its specified range stand in the block where the day ends, with its weather and 記事; the
// blocks before say "（続き）". Readings out of the range are bold with "○", explained at the
// foot ("○印は規格外"). Columns for time and truck appear when a reading of the category has
// one, for 備考 when one has a remark; blocks are then two across, or one across the page when a
// remark is longer than six characters. Touches no table.
//
// pane  the preview pane, already in a document; every category with readings starts a page of
//       its own, the first on the pane's current page. Categories without readings add none.
// The caller sets portrait orientation.
void DrawDataSheet(const TSheetDocument& doc, TPageSink& pane);

// Pages the document takes.
int SheetPages(const TSheetDocument& doc);

// The columns of a category's blocks and how many blocks stand side by side.
struct TSheetColumns
{
    bool time = false;
    bool truck = false;
    bool remark = false;
    int across = 3;
};
TSheetColumns SheetColumnsOf(const TSheetCategory& category);
