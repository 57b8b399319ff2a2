#pragma once

#include <QList>
#include <QString>

class TChartMemo;
class TOndoKanri;
class TPrevX;
class TPrinterWatch;

// One row of the category list of the print settings: its tick, name and ID text.
struct TPrintRow
{
    bool ticked = false;
    QString name;
    QString id;
};

enum class TPrintForm { DataSheet = 0, ControlChart = 1, XbarChart = 2, Capability = 3 };

// What "プレビュー" prints: the form, the category rows in list order, "工事毎に印刷" and the
// graph range as typed.
struct TPrintRequest
{
    TPrintForm form = TPrintForm::DataSheet;
    QList<TPrintRow> rows;
    bool perProject = false;
    QString low;
    QString high;
    bool storeRange = true; // the command line leaves the stored range alone
    bool autoRange = false; // the X̄–s chart's range from the data and the limits
    QString baseFrom;       // 基準期間 "yyyy/mm/dd"; both empty: the days on the chart
    QString baseTo;
};

// Every category of the register in list order (by Odr), unticked.
QList<TPrintRow> CategoryRows();

// Identifiers of the ticked rows, in list order.
QList<int> TickedKubunIds(const QList<TPrintRow>& rows);

// The graph range as the dialog shows it: the stored one, defaults written back when empty.
QString GraphLowSetting();
QString GraphHighSetting();

// Stores the typed range, then fills prev with the pages of the chosen form for the record's
// project and mix, from the stored tables; the record itself is left as it was. The chart
// refuses a range whose lower bound is not below the upper one before any page is made. With a
// watch, the printer list is compared first. Raises AppError.
void BuildPrintDocument(const TOndoKanri& record, TPrevX& prev, const TPrintRequest& request,
                        TChartMemo* memo = nullptr, TPrinterWatch* watch = nullptr);
