#pragma once

#include "reports/FormKit.h"
#include "reports/ReportModel.h"

#include <vector>

class TCanvas;
class TPageSink;

// Portrait, 2 cm in from the paper's left and top edges.
constexpr TFormPage DataSheetPage{{2.0f, 2.0f}};

// The record table ("記録表"): per category portrait pages of one layout whatever the days hold,
// two columns of SheetRows rows under a title block, each with the columns 測点, 時刻, 車番,
// 温度（℃） and 備考. The days run down the columns one after the other: a row naming the day
// (its date, weekday and mix), a row per reading, then its count, maximum, minimum, average and
// readings out of its specified range, and a row with its weather, air temperature and
// measurer, and one with its 記事 when it has one. A day that does not fit continues in the
// next column or on the next page under its name again, "（続き）" after it. A 測点 that only
// repeats the reading's time is left blank. Readings out of the range are bold with "○",
// explained at the foot ("○印は規格外"). Touches no table.
//
// pane  the preview pane, already in a document; every category with readings starts a page of
//       its own, the first on the pane's current page. Categories without readings add none.
// The caller sets portrait orientation.
void DrawDataSheet(const TSheetDocument& doc, TPageSink& pane);

// Rows of one column of a page.
constexpr int SheetRows = 50;

// Pages the document takes.
int SheetPages(const TSheetDocument& doc);

// One row of a column: which day and what of it.
struct TSheetRow
{
    enum Kind { Day, Reading, Figures, Notes, Remark } kind = Day;
    const TSheetDay* day = nullptr;
    int reading = 0;        // Reading: index into the day's readings
    bool continued = false; // Day: the day goes on from the column before
};

// The columns of each page of a category: pages, then two columns of rows.
using TSheetPage = std::vector<std::vector<TSheetRow>>;
std::vector<TSheetPage> SheetLayout(const TSheetCategory& category);
