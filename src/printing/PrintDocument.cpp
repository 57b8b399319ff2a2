#include "printing/PrintDocument.h"

#include "core/AppError.h"
#include "core/RegistryUtility.h"
#include "core/Utility.h"
#include "domain/OndoKanri.h"
#include "printing/PrevX.h"
#include "printing/PrinterSetup.h"
#include "printing/Printers.h"
#include "reports/CapabilitySheet.h"
#include "reports/ControlChart.h"
#include "reports/DataSheet.h"
#include "reports/ReportLoader.h"
#include "reports/XbarChart.h"
#include "storage/Query.h"

namespace {

const QString GraphLowKey = QStringLiteral("OndoKanriGraphLow");
const QString GraphHighKey = QStringLiteral("OndoKanriGraphHigh");

QString SettingOrDefault(const QString& key, const QString& fallback)
{
    QString value = ReadSetting(key);
    if (value.isEmpty()) {
        WriteSetting(key, fallback);
        value = fallback;
    }
    return value;
}

} // namespace

QList<TPrintRow> CategoryRows()
{
    QList<TPrintRow> rows;
    Query q(QStringLiteral("select * from OndoKubun order by Odr"));
    q.Open();
    for (; !q.Eof(); q.Next())
        rows.append(TPrintRow{false, q.FieldText(QStringLiteral("KubunName")),
                              QString::number(q.FieldInt(QStringLiteral("ID")))});
    return rows;
}

QList<int> TickedKubunIds(const QList<TPrintRow>& rows)
{
    QList<int> ids;
    for (const TPrintRow& row : rows) {
        if (row.ticked)
            ids.append(row.id.toInt());
    }
    return ids;
}

QString GraphLowSetting()
{
    return SettingOrDefault(GraphLowKey, QStringLiteral("100"));
}

QString GraphHighSetting()
{
    return SettingOrDefault(GraphHighKey, QStringLiteral("200"));
}

void BuildPrintDocument(const TOndoKanri& record, TPrevX& prev, const TPrintRequest& request,
                        TChartMemo* memo, TPrinterWatch* watch)
{
    if (request.storeRange) {
        WriteSetting(GraphLowKey, request.low);
        WriteSetting(GraphHighKey, request.high);
    }
    if (watch)
        watch->Check();

    TReportScope scope;
    scope.kojiCode = record.Koji.Code();
    scope.gozaiName = record.Gozai.DataName();
    scope.kubunIds = TickedKubunIds(request.rows);
    scope.perProject = request.perProject;

    if (request.form == TPrintForm::DataSheet) {
        const TSheetDocument doc = LoadSheetDocument(scope);
        SelectedPrinter().SetOrientation(TOrientation::Portrait);
        prev.BeginDocument();
        DrawDataSheet(doc, prev);
        prev.EndDocument();
        return;
    }

    if (request.form == TPrintForm::Capability) {
        const TStatDocument doc = LoadStatDocument(scope);
        SelectedPrinter().SetOrientation(TOrientation::Portrait);
        prev.BeginDocument();
        DrawCapabilitySheet(doc, prev);
        prev.EndDocument();
        return;
    }
    if (request.form == TPrintForm::XbarChart) {
        TBasePeriod base;
        const QString from = AsciiTyped(request.baseFrom).trimmed();
        const QString to = AsciiTyped(request.baseTo).trimmed();
        if (!from.isEmpty() || !to.isEmpty()) {
            if (!IsDate(from) || !IsDate(to))
                throw AppError(
                    QStringLiteral("基準期間は開始日と終了日を yyyy/mm/dd で指定してください"));
            base.from = ParseDate(from).date();
            base.to = ParseDate(to).date();
            if (base.to < base.from)
                throw AppError(QStringLiteral("基準期間は開始日≦終了日で指定してください"));
        }
        const TStatDocument doc = LoadStatDocument(scope);
        double low = 0, high = 0;
        if (request.autoRange) {
            AutomaticXbarRange(doc, base, low, high);
        } else {
            low = ParseNumber(AsciiTyped(request.low));
            high = ParseNumber(AsciiTyped(request.high));
            if (!(low < high))
                throw AppError(QStringLiteral("グラフ表示範囲は下限＜上限で指定してください"));
        }
        SelectedPrinter().SetOrientation(TOrientation::Landscape);
        prev.BeginDocument();
        DrawXbarChart(doc, prev, low, high, base);
        prev.EndDocument();
        return;
    }

    const double low = ParseNumber(AsciiTyped(request.low));
    const double high = ParseNumber(AsciiTyped(request.high));
    // An inverted axis would draw every point outside the sheet.
    if (!(low < high))
        throw AppError(QStringLiteral("グラフ表示範囲は下限＜上限で指定してください"));
    const TChartDocument doc = LoadChartDocument(scope);
    if (memo)
        FillChartMemo(doc, *memo);
    SelectedPrinter().SetOrientation(TOrientation::Landscape);
    prev.BeginDocument();
    DrawControlChart(doc, prev, low, high);
    prev.EndDocument();
}
