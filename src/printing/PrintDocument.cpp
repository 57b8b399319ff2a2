#include "printing/PrintDocument.h"

#include "core/AppError.h"
#include "core/Settings.h"
#include "core/Utility.h"
#include "domain/OndoKanri.h"
#include "printing/PrevX.h"
#include "printing/PrinterSetup.h"
#include "printing/Printers.h"
#include "reports/CapabilitySheet.h"
#include "reports/ControlChart.h"
#include "reports/DataSheet.h"
#include "reports/ProfileSheet.h"
#include "reports/ReportLoader.h"
#include "reports/XbarChart.h"
#include "reports/XbarRChart.h"
#include "store/Registers.h"

namespace {

// A typed day of the period; empty is none.
QDate TypedDay(const QString& typed, const QString& what)
{
    const QString text = AsciiTyped(typed).trimmed();
    if (text.isEmpty())
        return QDate();
    if (!IsDate(text))
        throw AppError(
            QStringLiteral("期間の%1 '%2' は 2024/04/01 のように年/月/日で指定してください")
                .arg(what, typed));
    return ParseDate(text).date();
}

QString Subject(const QStringList& names)
{
    QStringList distinct;
    for (const QString& n : names)
        if (!n.isEmpty() && !distinct.contains(n))
            distinct << n;
    return distinct.join(QStringLiteral("・"));
}

} // namespace

QString FormName(TPrintForm form)
{
    switch (form) {
    case TPrintForm::DataSheet:
        return QStringLiteral("記録表");
    case TPrintForm::ControlChart:
        return QStringLiteral("X管理図");
    case TPrintForm::XbarChart:
        return QStringLiteral("X̄-s管理図");
    case TPrintForm::XbarRChart:
        return QStringLiteral("x̄-R管理図");
    case TPrintForm::Capability:
        return QStringLiteral("工程能力図");
    case TPrintForm::Journey:
        return QStringLiteral("温度低下記録");
    case TPrintForm::Profile:
        return QStringLiteral("敷均し温度分布");
    }
    return QString();
}

QString DocumentName(TPrintForm form, const QString& kojiCode, const QString& subject,
                     const QDate& first, const QDate& last)
{
    // File names keep to plain letters: the overlined forms are spelt out.
    return DocumentName(form == TPrintForm::XbarChart    ? QStringLiteral("Xbar-s管理図")
                        : form == TPrintForm::XbarRChart ? QStringLiteral("Xbar-R管理図")
                                                         : FormName(form),
                        kojiCode, subject, first, last);
}

QString DocumentName(const QString& kind, const QString& kojiCode, const QString& subject,
                     const QDate& first, const QDate& last)
{
    QString name = kind;
    for (const QString& part : {kojiCode, subject})
        if (!part.trimmed().isEmpty())
            name += QLatin1Char('_') + part.trimmed();
    if (first.isValid()) {
        const QString from = first.toString(QStringLiteral("yyyy-MM"));
        const QString to = last.isValid() ? last.toString(QStringLiteral("yyyy-MM")) : from;
        name += QLatin1Char('_') + from + (to != from ? QLatin1Char('_') + to : QString());
    }
    for (QChar& c : name)
        if (QStringLiteral("\\/:*?\"<>|").contains(c) || c.isSpace() || c.unicode() < 0x20)
            c = QLatin1Char('_');
    return name;
}

QList<TPrintRow> CategoryRows()
{
    Store::TCategoriesRead categories;
    categories.Open();
    return CategoryRowsOf(categories);
}

QList<TPrintRow> CategoryRowsOf(const Store::TCategoriesRead& categories)
{
    QList<TPrintRow> rows;
    for (const Store::TCategoryRow& c : categories.Rows())
        rows.append(TPrintRow{false, c.name, QString::number(c.id)});
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

// The range shown is the range stored: a default shown once is kept as if typed.
QString GraphLowSetting()
{
    const QString low = TSettings::GraphLow();
    TSettings::SetGraphLow(low);
    return low;
}

QString GraphHighSetting()
{
    const QString high = TSettings::GraphHigh();
    TSettings::SetGraphHigh(high);
    return high;
}

void BuildPrintDocument(const TOndoKanri& record, TPrevX& prev, const TPrintRequest& request,
                        TChartMemo* memo, TPrinterWatch* watch)
{
    if (request.storeRange) {
        TSettings::SetGraphLow(request.low);
        TSettings::SetGraphHigh(request.high);
    }
    if (watch)
        watch->Check();

    TReportScope scope;
    scope.kojiCode = record.Koji.Code();
    scope.gozaiName = record.Gozai.DataName();
    scope.kubunIds = TickedKubunIds(request.rows);
    scope.perProject = request.perProject;
    scope.from = TypedDay(request.from, QStringLiteral("開始日"));
    scope.to = TypedDay(request.to, QStringLiteral("終了日"));
    if (scope.from.isValid() && scope.to.isValid() && scope.to < scope.from)
        throw AppError(QStringLiteral("期間は開始日≦終了日で指定してください: %1～%2")
                           .arg(request.from, request.to));
    if (request.form == TPrintForm::Journey) {
        // Every category of the project and mix is a stage: the ticks do not apply.
        if (!scope.from.isValid() && !scope.to.isValid())
            scope.from = scope.to = record.Hiduke.date();
        const TJourneyDocument doc = LoadJourneyDocument(scope);
        if (doc.days.isEmpty())
            throw AppError(QStringLiteral(
                "この工事・合材には期間内に2つ以上の温度区分で測った日がありません"));
        SelectedPrinter().SetOrientation(TOrientation::Landscape);
        prev.BeginDocument();
        prev.Title =
            DocumentName(request.form, scope.kojiCode, scope.gozaiName, doc.first, doc.last);
        DrawJourneySheet(doc, prev);
        prev.EndDocument();
        return;
    }
    if (request.form == TPrintForm::Profile) {
        const QDate day = record.Hiduke.date();
        const TProfileDocument doc = LoadProfileDocument(scope.kojiCode, scope.gozaiName, day);
        SelectedPrinter().SetOrientation(TOrientation::Landscape);
        prev.BeginDocument();
        prev.Title = DocumentName(request.form, scope.kojiCode, scope.gozaiName, day, day);
        DrawProfileSheet(doc, prev);
        prev.EndDocument();
        return;
    }
    // An empty preview would look like a failure to print.
    if (scope.kubunIds.isEmpty())
        throw AppError(QStringLiteral("印刷する温度区分にチェックを付けてください"));
    if (request.form == TPrintForm::DataSheet) {
        const TSheetDocument doc = LoadSheetDocument(scope);
        QStringList names;
        for (const TSheetCategory& c : doc.categories) {
            if (!c.days.empty())
                names << c.name;
        }
        const QString subject =
            scope.perProject ? Subject(names) : scope.gozaiName + QLatin1Char('_') + Subject(names);
        SelectedPrinter().SetOrientation(TOrientation::Portrait);
        prev.BeginDocument();
        prev.Title = DocumentName(request.form, scope.kojiCode, subject, doc.first, doc.last);
        DrawDataSheet(doc, prev);
        prev.EndDocument();
        return;
    }

    if (request.form == TPrintForm::Capability || request.form == TPrintForm::XbarRChart ||
        request.form == TPrintForm::XbarChart) {
        TBasePeriod base;
        const QString from = AsciiTyped(request.baseFrom).trimmed();
        const QString to = AsciiTyped(request.baseTo).trimmed();
        if (request.form == TPrintForm::XbarChart && (!from.isEmpty() || !to.isEmpty())) {
            if (!IsDate(from) || !IsDate(to))
                throw AppError(QStringLiteral(
                    "基準期間は開始日と終了日を 2024/04/01 のように年/月/日で指定してください"));
            base.from = ParseDate(from).date();
            base.to = ParseDate(to).date();
            if (base.to < base.from)
                throw AppError(QStringLiteral("基準期間は開始日≦終了日で指定してください"));
        }
        std::optional<std::pair<double, double>> range;
        if (request.form == TPrintForm::XbarChart && !request.autoRange) {
            const double low = ParseNumber(AsciiTyped(request.low));
            const double high = ParseNumber(AsciiTyped(request.high));
            if (!(low < high))
                throw AppError(QStringLiteral("グラフ表示範囲は下限＜上限で指定してください"));
            range = std::make_pair(low, high);
        }
        const TStatDocument doc = LoadStatDocument(scope);
        QStringList names;
        for (const TStatSeries& s : doc.series)
            names << (scope.perProject ? s.mixKey + QLatin1Char('_') + s.category : s.category);
        const QString subject =
            scope.perProject ? Subject(names) : scope.gozaiName + QLatin1Char('_') + Subject(names);
        const bool portrait = request.form == TPrintForm::Capability;
        SelectedPrinter().SetOrientation(portrait ? TOrientation::Portrait
                                                  : TOrientation::Landscape);
        prev.BeginDocument();
        prev.Title = DocumentName(request.form, scope.kojiCode, subject, doc.first, doc.last);
        if (request.form == TPrintForm::Capability)
            DrawCapabilitySheet(doc, prev);
        else if (request.form == TPrintForm::XbarChart)
            DrawXbarChart(doc, prev, range, base);
        else
            DrawXbarRChart(doc, prev, request.xbarR ? *request.xbarR : ReadXbarRSettings());
        prev.EndDocument();
        return;
    }

    const double low = ParseNumber(AsciiTyped(request.low));
    const double high = ParseNumber(AsciiTyped(request.high));
    // An inverted axis would draw every point outside the sheet; panels take their own.
    if (!request.panels && !(low < high))
        throw AppError(QStringLiteral("グラフ表示範囲は下限＜上限で指定してください"));
    const TChartDocument doc = LoadChartDocument(scope);
    if (memo)
        FillChartMemo(doc, *memo);
    QStringList names;
    for (const TChartMix& mix : doc.mixes)
        names << mix.key;
    SelectedPrinter().SetOrientation(TOrientation::Landscape);
    prev.BeginDocument();
    prev.Title = DocumentName(request.form, scope.kojiCode, Subject(names), doc.first, doc.last);
    if (request.panels)
        DrawControlChartPanels(doc, prev);
    else
        DrawControlChart(doc, prev, low, high);
    prev.EndDocument();
}
