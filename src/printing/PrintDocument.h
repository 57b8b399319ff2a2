#pragma once

#include "reports/XbarRChart.h"

#include <QDate>
#include <QList>
#include <QString>
#include <optional>

class TChartMemo;
class TOndoKanri;
class TPrevX;
class TPrinterWatch;

// One row of the category list of the print settings: its tick, name and ID text.
namespace Store {
class TCategoriesRead;
}

struct TPrintRow
{
    bool ticked = false;
    QString name;
    QString id;
};

enum class TPrintForm {
    DataSheet = 0,
    ControlChart = 1,
    XbarChart = 2,
    Capability = 3,
    XbarRChart = 4,
    Journey = 5, // the loads' journey through the categories, of the record's day
    Profile = 6  // the paver's thermal profile of the record's day (敷均し温度分布)
};

// What "プレビュー" prints: the form, the category rows in list order, "工事毎に印刷", the
// graph range and the period as typed.
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
    std::optional<TXbarRSettings> xbarR; // none: as stored
    // The period printed, "yyyy/mm/dd"; an empty end is open (the journey: both empty, the
    // record's day). Every figure of the document comes from its days.
    QString from;
    QString to;
    bool panels = false; // the X chart: a panel per category, each on its own range
};

// Every category of the register in list order (by Odr), unticked.
QList<TPrintRow> CategoryRows();
// CategoryRows of a read asked together with others (Store::OpenTogether).
QList<TPrintRow> CategoryRowsOf(const Store::TCategoriesRead& categories);

// Identifiers of the ticked rows, in list order.
QList<int> TickedKubunIds(const QList<TPrintRow>& rows);

// The graph range as the dialog shows it: the stored one, defaults written back when empty.
QString GraphLowSetting();
QString GraphHighSetting();

// The name of a document, for its PDF file: form, project code, subject (the mix, with the
// category where the form has one) and the months of its period: "X管理図_K001_密粒度13_2024-11",
// "記録表_K1_密粒_練上温度_2024-10_2025-01". Characters a file name cannot hold become "_".
QString DocumentName(TPrintForm form, const QString& kojiCode, const QString& subject,
                     const QDate& first, const QDate& last);
// The same with the kind of document spelt out ("測定値").
QString DocumentName(const QString& kind, const QString& kojiCode, const QString& subject,
                     const QDate& first, const QDate& last);
// The form's name as the documents print it: "記録表", "X管理図", "X̄-s管理図", "x̄-R管理図",
// "工程能力図".
QString FormName(TPrintForm form);

// Stores the typed range, then fills prev with the pages of the chosen form for the record's
// project and mix over the request's period, from the stored tables, and names the document
// (prev.Title, DocumentName, the months of the period); the record itself is left as it was. No
// ticked category, a date that is none or a period that ends before it starts, or a chart range
// whose lower bound is not below the upper one, is refused before any page is made. With a
// watch, the printer list is compared first. Raises AppError.
void BuildPrintDocument(const TOndoKanri& record, TPrevX& prev, const TPrintRequest& request,
                        TChartMemo* memo = nullptr, TPrinterWatch* watch = nullptr);
