#pragma once

class TOndoKanri;
class TPageSink;

// The record table ("記録表") of one temperature category: portrait pages of six day blocks,
// 15 readings a block, each day with its count, maximum, minimum and average.
//
// The caller (print settings dialog, command-line export) sets portrait orientation, sets
// printed = false, begins the document, and for each ticked category in the dialog's order
// loads the record's category by name, calls record.LoadByDate() and then DrawDataSheet.
//
// record      the record of the category to print: project code, category, ID. It serves as a
//             cursor: afterwards its mix, day, day summary and Kikakuti parts are those of the
//             last block drawn.
// pane        the preview pane, already in a document; pages are added as needed.
// printed     shared by the calls of one document: a call with readings starts on a new page
//             when an earlier one drew any, and sets it.
// perProject  "工事毎に印刷": every record of the project for the category instead of the
//             record's own ID.
// Sets PrintMarginX = PrintMarginY = -2.0. Query failures raise the engine's AppError.
void DrawDataSheet(TOndoKanri& record, TPageSink& pane, bool& printed, bool perProject);

// The page header (category name + "記録表", underlined twice) and the six empty blocks.
void DrawRecordPage(TOndoKanri& record, TPageSink& pane);

// One empty block, 0 to 5 (two rows of three), on the pane's current page.
void DrawRecordBlock(TPageSink& pane, int block);

// Reads the day summary of the record's project, category, mix and day into Kosu, MaxOndo,
// MiniOndo and AvgOndo; without one they stay as they were.
void LoadDaySummary(TOndoKanri& record);
