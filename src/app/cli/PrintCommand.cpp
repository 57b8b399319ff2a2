#include "app/cli/Commands.h"
#include "app/cli/Options.h"
#include "core/AppError.h"
#include "core/Settings.h"
#include "domain/OndoKanri.h"
#include "printing/PdfPrinter.h"
#include "printing/PrevX.h"
#include "printing/PrintDocument.h"
#include "printing/Printers.h"
#include "storage/OutputFile.h"
#include "store/Days.h"
#include "store/Registers.h"

#include <QCommandLineParser>
#include <QDate>
#include <QFile>
#include <QSet>
#include <cmath>
#include <optional>
#include <utility>

namespace {

// One print job fed page by page by a document being drawn: the job begins with the first
// finished page, on the printer as the document set it up.
class TStreamedJob
{
public:
    explicit TStreamedJob(TPrevX& prev) : m_prev(prev)
    {
        prev.SetPageStream([this](const TRecordedPage& page) { Add(page); });
    }
    ~TStreamedJob()
    {
        m_prev.SetPageStream({});
        Abandon();
    }
    TStreamedJob(const TStreamedJob&) = delete;
    TStreamedJob& operator=(const TStreamedJob&) = delete;

    void Finish()
    {
        if (!m_printer)
            throw AppError(QStringLiteral("印刷するページがありません"));
        TPrinterDevice* printer = std::exchange(m_printer, nullptr);
        printer->EndJob();
    }
    // Closes the job after a failure; the caller discards what was written.
    void Abandon()
    {
        if (TPrinterDevice* printer = std::exchange(m_printer, nullptr))
            printer->EndJob();
    }

private:
    void Add(const TRecordedPage& page)
    {
        if (!m_printer) {
            TPrinterDevice& printer = SelectedPrinter();
            if (!printer.BeginJob(m_prev.Title))
                throw AppError(QStringLiteral("PDFファイルを開けません"));
            m_printer = &printer;
        } else {
            m_printer->NewPage();
        }
        m_printer->DrawPage(page);
    }

    TPrevX& m_prev;
    TPrinterDevice* m_printer = nullptr;
};

// The option's value, else the range the print dialog stored.
QString RangeValue(const QCommandLineParser& parser, const QCommandLineOption& option,
                   const QString& stored)
{
    if (parser.isSet(option)) {
        const QString text = parser.value(option);
        bool ok = false;
        const double value = text.toDouble(&ok);
        if (!ok || !std::isfinite(value))
            throw AppError(QStringLiteral("--%1 には数値を指定してください: %2")
                               .arg(option.names().constFirst(), text));
        return text;
    }
    return stored;
}

// The categories named by --category ticked, or every one when none is named.
void TickCategories(QList<TPrintRow>& rows, const QStringList& wanted)
{
    for (const QString& name : wanted) {
        bool found = false;
        for (TPrintRow& row : rows) {
            if (row.name == name)
                found = row.ticked = true;
        }
        if (!found)
            throw AppError(QStringLiteral("温度区分 '%1' は登録されていません").arg(name));
    }
    for (TPrintRow& row : rows) {
        if (wanted.isEmpty())
            row.ticked = true;
    }
}

// Draws the document into `file` page by page. It is written beside the target and moved
// into place, so a failure leaves no file.
void WritePdf(const QString& file, TOndoKanri& record, const TPrintRequest& request)
{
    SetPrinterCatalog(std::make_shared<TPdfOnlyCatalog>());
    const QString partial = file + QStringLiteral(".part");
    QFile::remove(partial);
    {
        QFile probe(partial);
        if (!probe.open(QIODevice::WriteOnly))
            throw AppError(QStringLiteral("PDFファイル '%1' に書き込めません").arg(file));
    }
    SetPdfFileAsker([partial](const QString&) { return partial; });
    // No preview needs the pages: each goes to the file as soon as it is drawn.
    TPrevX prev;
    TStreamedJob job(prev);
    try {
        BuildPrintDocument(record, prev, request);
        job.Finish();
    } catch (const AppError& e) {
        job.Abandon();
        QFile::remove(partial);
        // The user knows the file by the name given, not by its temporary one.
        throw AppError(QString(e.message()).replace(partial, file));
    } catch (...) {
        job.Abandon();
        QFile::remove(partial);
        throw;
    }
    QFile::remove(file);
    if (!QFile::rename(partial, file)) {
        QFile::remove(partial);
        throw AppError(QStringLiteral("PDFファイル '%1' に書き込めません").arg(file));
    }
}

} // namespace

namespace Cli {

void PrintPdf(const QCommandLineParser& parser, const Options& o, QTextStream&)
{
    const QString file = parser.value(o.pdf);
    if (file.isEmpty())
        throw AppError(QStringLiteral("--print-pdf で出力ファイルを指定してください"));
    const QString form = parser.value(o.form);
    // In the order of TPrintForm.
    static const QStringList forms{QStringLiteral("sheet"),  QStringLiteral("chart"),
                                   QStringLiteral("xbar"),   QStringLiteral("capability"),
                                   QStringLiteral("xbar-r"), QStringLiteral("journey"),
                                   QStringLiteral("profile")};
    if (!forms.contains(form))
        throw AppError(QStringLiteral("--form には chart、sheet、xbar、xbar-r、capability、"
                                      "journey または profile を指定してください"));
    const QString code = RequiredProject(parser, o);
    // --day alone is that one day; without a period every registered day is printed, and the
    // journey today's.
    QDate from, to;
    if (parser.isSet(o.day) && (parser.isSet(o.from) || parser.isSet(o.to)))
        throw AppError(QStringLiteral("--day と --from・--to は一緒に指定できません"));
    if (parser.isSet(o.day))
        from = to = DateOption(parser, o.day);
    else
        PeriodOptions(parser, o, from, to);
    const QDate day = from.isValid() ? from : to.isValid() ? to : QDate::currentDate();
    std::optional<TXbarRSettings> xbarR;
    if (parser.isSet(o.subgroup)) {
        if (form != QStringLiteral("xbar-r"))
            throw AppError(QStringLiteral("--subgroup は --form xbar-r と一緒に指定してください"));
        xbarR = ReadXbarRSettings();
        xbarR->size = XbarRSizeOf(parser.value(o.subgroup));
    }
    if (parser.isSet(o.panels) && form != QStringLiteral("chart"))
        throw AppError(QStringLiteral("--panels は --form chart と一緒に指定してください"));
    const QString low = RangeValue(parser, o.low, TSettings::GraphLow());
    const QString high = RangeValue(parser, o.high, TSettings::GraphHigh());

    const QString folder = DataFolder(parser, o);
    RefuseOutput(file, GuardedFolders(folder),
                 {QStringLiteral("PDF"), QByteArrayLiteral("%PDF-"), QString()});
    OpenRecords(folder);

    TOndoKanri record;
    record.Hiduke = QDateTime(day, QTime(0, 0));
    // Everything the request depends on, asked at once.
    Store::TRegisterRead project = record.Koji.PrepareLoad(code);
    Store::TRegisterRead mix = record.Gozai.PrepareLoad(parser.value(o.mix));
    Store::TCategoriesRead categories;
    Store::TCategoriesOfDayRead stored(code, parser.value(o.mix), record.Hiduke);
    Store::OpenTogether({&project, &mix, &categories, &stored});
    if (!project.Row())
        throw AppError(QStringLiteral("工事コード '%1' は登録されていません").arg(code));
    record.Koji.TakeLoad(project, code);
    record.Gozai.TakeLoad(mix, parser.value(o.mix));
    QSet<QString> storedKubuns;
    for (const int id : stored.Ids())
        storedKubuns.insert(QString::number(id));

    TPrintRequest request;
    request.form = TPrintForm(forms.indexOf(form));
    // The statistical chart's range is automatic unless given.
    request.autoRange = !parser.isSet(o.low) && !parser.isSet(o.high);
    request.baseFrom = parser.value(o.baseFrom);
    request.baseTo = parser.value(o.baseTo);
    request.rows = CategoryRowsOf(categories);
    request.perProject = parser.isSet(o.perProject);
    request.low = low;
    request.high = high;
    request.storeRange = false;
    request.xbarR = xbarR;
    request.panels = parser.isSet(o.panels);
    request.from = from.isValid() ? from.toString(QStringLiteral("yyyy/MM/dd")) : QString();
    request.to = to.isValid() ? to.toString(QStringLiteral("yyyy/MM/dd")) : QString();
    TickCategories(request.rows, parser.values(o.category));
    // The record the main window would show: the stored one of the first ticked category that
    // has this day, with its measurer and specified value.
    const TPrintRow* shown = nullptr;
    for (const TPrintRow& row : request.rows) {
        if (!row.ticked)
            continue;
        shown = &row;
        if (storedKubuns.contains(row.id))
            break;
    }
    if (shown) {
        record.Kubun.LoadByName(shown->name);
        record.LoadByDate();
    }
    WritePdf(file, record, request);
}

} // namespace Cli
