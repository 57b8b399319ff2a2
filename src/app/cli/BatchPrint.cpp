#include "app/cli/BatchPrint.h"

#include "core/AppError.h"
#include "core/RegistryUtility.h"
#include "domain/DataCopy.h"
#include "domain/OndoKanri.h"
#include "exchange/CsvImport.h"
#include "exchange/Export.h"
#include "exchange/ParadoxImport.h"
#include "printing/PdfPrinter.h"
#include "printing/PrevX.h"
#include "printing/PrintDocument.h"
#include "printing/Printers.h"
#include "reports/TextMetrics.h"
#include "storage/Backup.h"
#include "storage/Engine.h"
#include "storage/OutputFile.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTextStream>
#include <cmath>
#include <utility>

namespace {

struct Options
{
    QCommandLineOption pdf{QStringLiteral("print-pdf"), QStringLiteral("書き出すPDFファイル"),
                           QStringLiteral("FILE")};
    QCommandLineOption form{QStringLiteral("form"),
                            QStringLiteral("chart (管理図)、sheet (データシート)、xbar (X̄-s管理図) "
                                           "または capability (工程能力図)"),
                            QStringLiteral("chart|sheet|xbar|capability")};
    QCommandLineOption baseFrom{QStringLiteral("base-from"),
                                QStringLiteral("xbar の基準期間の開始日"),
                                QStringLiteral("yyyy/mm/dd")};
    QCommandLineOption baseTo{QStringLiteral("base-to"), QStringLiteral("xbar の基準期間の終了日"),
                              QStringLiteral("yyyy/mm/dd")};
    QCommandLineOption project{QStringLiteral("project"), QStringLiteral("工事コード"),
                               QStringLiteral("CODE")};
    QCommandLineOption mix{QStringLiteral("mix"), QStringLiteral("合材名"), QStringLiteral("NAME")};
    QCommandLineOption day{QStringLiteral("day"), QStringLiteral("試験日 (既定は今日)"),
                           QStringLiteral("yyyy/mm/dd")};
    QCommandLineOption category{QStringLiteral("category"),
                                QStringLiteral("温度区分 (印刷では繰り返し可、既定はすべて)"),
                                QStringLiteral("NAME")};
    QCommandLineOption perProject{QStringLiteral("per-project"), QStringLiteral("工事毎に印刷")};
    QCommandLineOption low{QStringLiteral("low"), QStringLiteral("グラフ表示範囲の下限"),
                           QStringLiteral("N")};
    QCommandLineOption high{QStringLiteral("high"), QStringLiteral("グラフ表示範囲の上限"),
                            QStringLiteral("N")};
    QCommandLineOption data{QStringLiteral("data"),
                            QStringLiteral("この実行だけ使うデータ格納場所"),
                            QStringLiteral("DIR")};
    QCommandLineOption backup{
        QStringLiteral("backup"),
        QStringLiteral("データのバックアップを今作成し、そのパスを表示します")};
    QCommandLineOption restore{
        QStringLiteral("restore"),
        QStringLiteral("バックアップからデータを復元します (現在のデータは先にバックアップ)"),
        QStringLiteral("FILE")};
    QCommandLineOption xlsx{
        QStringLiteral("export-xlsx"),
        QStringLiteral("工事の温度をExcelファイルに書き出します (--project、--mix)"),
        QStringLiteral("FILE")};
    QCommandLineOption csv{
        QStringLiteral("export-csv"),
        QStringLiteral("工事の温度をCSVファイル (UTF-8) に書き出します (--project、--mix)"),
        QStringLiteral("FILE")};
    QCommandLineOption importParadox{
        QStringLiteral("import-paradox"),
        QStringLiteral("旧プログラムのデータフォルダ (Paradox の表) を取り込みます"),
        QStringLiteral("DIR")};
    QCommandLineOption dryRun{
        QStringLiteral("dry-run"),
        QStringLiteral("--import-paradox で取り込む内容と重なりを表示するだけにします")};
    QCommandLineOption importCsv{
        QStringLiteral("import-csv"),
        QStringLiteral(
            "温度計・記録計のCSVの読み取りを登録します (--project, --mix, --category が必要)"),
        QStringLiteral("FILE")};
    QCommandLineOption measurer{QStringLiteral("measurer"), QStringLiteral("取り込む記録の測定者"),
                                QStringLiteral("NAME")};
    QCommandLineOption columns{
        QStringLiteral("columns"),
        QStringLiteral("取り込む列の番号 (1から、日付と時刻が別の列なら 3+4)"),
        QStringLiteral("DATE,TEMP[,LABEL]")};
    QCommandLineOption replace{QStringLiteral("replace"),
                               QStringLiteral("登録済みの試験日も取り込みで置き換えます "
                                              "(--copy-data では移行先のデータを置き換えます)")};
    QCommandLineOption copyData{
        QStringLiteral("copy-data"),
        QStringLiteral(
            "すべての表を移行元 FROM から移行先 TO (フォルダまたは postgresql://…) へ移します"),
        QStringLiteral("FROM TO")};
};

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

// The data folder of this run: --data, or the configured one.
QString DataFolder(const QCommandLineParser& parser, const Options& o)
{
    if (!parser.isSet(o.data))
        return Engine::GetAliasPath();
    const QString folder = parser.value(o.data);
    if (Engine::IsServerLocation(folder))
        return Engine::ParseLocation(folder).text;
    if (!QFileInfo(folder).isDir())
        throw AppError(QStringLiteral("データ格納場所 '%1' がありません").arg(folder));
    QString path = QDir::fromNativeSeparators(QFileInfo(folder).absoluteFilePath());
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    return path;
}

void OpenRecords(const QString& folder)
{
    Engine::OpenDatabase(folder);
    if (!Engine::TableExists(QStringLiteral("OndoKubun")) ||
        !Engine::TableExists(QStringLiteral("Koji1")) ||
        !Engine::TableExists(QStringLiteral("OndoKanri4")))
        throw AppError(QStringLiteral("データ格納場所 '%1' に温度管理のデータがありません")
                           .arg(Engine::DisplayName(Engine::CurrentFolder())));
}

QString RangeValue(const QCommandLineParser& parser, const QCommandLineOption& option,
                   const QString& key, const QString& fallback)
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
    const QString stored = ReadSetting(key);
    return stored.isEmpty() ? fallback : stored;
}

void Print(const QCommandLineParser& parser, const Options& o)
{
    const QString file = parser.value(o.pdf);
    if (file.isEmpty())
        throw AppError(QStringLiteral("--print-pdf で出力ファイルを指定してください"));
    const QString form = parser.value(o.form);
    static const QStringList forms{QStringLiteral("sheet"), QStringLiteral("chart"),
                                   QStringLiteral("xbar"), QStringLiteral("capability")};
    if (!forms.contains(form))
        throw AppError(
            QStringLiteral("--form には chart、sheet、xbar または capability を指定してください"));
    if (!parser.isSet(o.project) || parser.value(o.project).isEmpty())
        throw AppError(QStringLiteral("--project で工事コードを指定してください"));
    QDate day = QDate::currentDate();
    if (parser.isSet(o.day)) {
        day = QDate::fromString(parser.value(o.day), QStringLiteral("yyyy/MM/dd"));
        if (!day.isValid())
            throw AppError(QStringLiteral("--day の日付が不正です: %1").arg(parser.value(o.day)));
    }
    const QString low =
        RangeValue(parser, o.low, QStringLiteral("OndoKanriGraphLow"), QStringLiteral("100"));
    const QString high =
        RangeValue(parser, o.high, QStringLiteral("OndoKanriGraphHigh"), QStringLiteral("200"));

    const QString folder = DataFolder(parser, o);
    RefuseOutput(file, {folder, Engine::GetAliasPath()},
                 {QStringLiteral("PDF"), QByteArrayLiteral("%PDF-"), QString()});
    OpenRecords(folder);

    TOndoKanri record;
    const QString code = parser.value(o.project);
    QStringList codes;
    record.Koji.TRegisterEntry::GetList(codes);
    if (!codes.contains(code))
        throw AppError(QStringLiteral("工事コード '%1' は登録されていません").arg(code));
    record.Koji.Load(code);
    record.Gozai.Load(parser.value(o.mix));
    record.Hiduke = QDateTime(day, QTime(0, 0));

    TPrintRequest request;
    request.form = TPrintForm(forms.indexOf(form));
    // The statistical chart's range is automatic unless given.
    request.autoRange = !parser.isSet(o.low) && !parser.isSet(o.high);
    request.baseFrom = parser.value(o.baseFrom);
    request.baseTo = parser.value(o.baseTo);
    request.rows = CategoryRows();
    request.perProject = parser.isSet(o.perProject);
    request.low = low;
    request.high = high;
    request.storeRange = false;
    const QStringList wanted = parser.values(o.category);
    for (const QString& name : wanted) {
        bool found = false;
        for (TPrintRow& row : request.rows) {
            if (row.name == name)
                found = row.ticked = true;
        }
        if (!found)
            throw AppError(QStringLiteral("温度区分 '%1' は登録されていません").arg(name));
    }
    for (TPrintRow& row : request.rows) {
        if (wanted.isEmpty())
            row.ticked = true;
    }
    // The record the main window would show: the stored one of the first ticked category that
    // has this day, with its measurer and specified value.
    for (const TPrintRow& row : request.rows) {
        if (!row.ticked)
            continue;
        record.Kubun.LoadByName(row.name);
        record.LoadByDate();
        if (record.ID != 0)
            break;
    }

    SetPrinterCatalog(std::make_shared<TPdfOnlyCatalog>());

    // Written beside the target and moved into place, so a failure leaves no file.
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

void Export(const QCommandLineParser& parser, const Options& o, QTextStream& out)
{
    const bool xlsx = parser.isSet(o.xlsx);
    if (!parser.isSet(o.project) || parser.value(o.project).isEmpty())
        throw AppError(QStringLiteral("--project で工事コードを指定してください"));
    const QString folder = DataFolder(parser, o);
    const QString file = parser.value(xlsx ? o.xlsx : o.csv);
    const ExportFormat format = xlsx ? ExportFormat::Xlsx : ExportFormat::Csv;
    const QStringList dataFolders{folder, Engine::GetAliasPath()};
    // Checked before the data is opened, so that a refused target never touches it.
    RefuseExportTarget(file, format, dataFolders);
    OpenRecords(folder);
    const ExportData data =
        ExportFile(file, format, parser.value(o.project), parser.value(o.mix), dataFolders);
    out << ExportSummary(data) << Qt::endl;
}

void WriteBackup(const QCommandLineParser& parser, const Options& o, QTextStream& out)
{
    const QString folder = DataFolder(parser, o);
    // Opening checks the file and finishes an interrupted write; a missing file is not made.
    if (!Engine::IsServerLocation(folder) &&
        QFileInfo::exists(folder + QLatin1String(Engine::DatabaseFileName)))
        Engine::OpenDatabase(folder);
    const QString written = Backup::Write(folder);
    Backup::Rotate(folder);
    out << QDir::toNativeSeparators(written) << Qt::endl;
}

void RestoreBackup(const QCommandLineParser& parser, const Options& o, QTextStream& out)
{
    const QString folder = DataFolder(parser, o);
    const QString file = parser.value(o.restore);
    if (!QFileInfo(file).isFile())
        throw AppError(QStringLiteral("バックアップ '%1' がありません").arg(file));
    const QString kept = Backup::RestoreFile(file, folder);
    Engine::OpenDatabase(folder);
    out << QStringLiteral("%1 から復元しました").arg(file);
    if (!kept.isEmpty())
        out << QStringLiteral("（復元前のデータ: %1）").arg(QDir::toNativeSeparators(kept));
    out << Qt::endl;
}

// A folder is taken as given on the command line, relative to the working folder.
QString LocationArgument(const QString& text)
{
    if (Engine::IsServerLocation(text))
        return text;
    return QDir::fromNativeSeparators(QFileInfo(text).absoluteFilePath());
}

void CopyData(const QCommandLineParser& parser, const Options& o, QTextStream& out)
{
    const QString from = LocationArgument(parser.value(o.copyData));
    const QString to = LocationArgument(parser.positionalArguments().constFirst());
    if (!Engine::IsServerLocation(from) && !QFileInfo(from).isDir())
        throw AppError(QStringLiteral("移行元 '%1' がありません").arg(parser.value(o.copyData)));
    try {
        const DataCopy::Counts counts = DataCopy::Copy(from, to, parser.isSet(o.replace));
        for (const QString& line : DataCopy::CountLines(counts))
            out << line << Qt::endl;
    } catch (const AppError& e) {
        throw AppError(QStringLiteral("データを移行できません: ") + e.message());
    }
}

void ImportCsv(const QCommandLineParser& parser, const Options& o, QTextStream& out)
{
    CsvCommand command;
    command.file = parser.value(o.importCsv);
    command.columns = parser.value(o.columns);
    command.target = {parser.value(o.project), parser.value(o.mix), parser.value(o.category),
                      parser.value(o.measurer)};
    command.replace = parser.isSet(o.replace);
    if (command.target.kojiCode.isEmpty() || command.target.gozaiName.isEmpty() ||
        parser.values(o.category).size() != 1)
        throw AppError(QStringLiteral(
            "--import-csv には --project、--mix と --category (一つ) を指定してください"));
    Engine::OpenDatabase(DataFolder(parser, o));
    RunCsvImportCommand(command, out);
}

} // namespace

bool IsBatchCommand(const QStringList& arguments)
{
    for (const QString& arg : arguments.mid(1)) {
        if (arg.startsWith(QLatin1String("-")))
            return true;
    }
    return false;
}

int RunBatchPrint(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    Options o;
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("温度管理: "
                       "管理図・データシートのPDF出力、CSVの取り込み、Excel・CSVへの書き出し、デー"
                       "タのバックアップと復元、旧データの取り込み"));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    parser.addOptions({o.pdf,        o.form,    o.project,       o.mix,      o.day,     o.category,
                       o.perProject, o.low,     o.high,          o.baseFrom, o.baseTo,  o.data,
                       o.backup,     o.restore, o.importCsv,     o.measurer, o.columns, o.replace,
                       o.xlsx,       o.csv,     o.importParadox, o.dryRun,   o.copyData});
    if (!parser.parse(arguments)) {
        err << QStringLiteral("引数が不正です: %1").arg(parser.errorText()) << Qt::endl;
        return 2;
    }
    if (parser.isSet(help)) {
        out << parser.helpText();
        out.flush();
        return 0;
    }
    if (parser.isSet(version)) {
        out << QCoreApplication::applicationName() << ' ' << QStringLiteral(ONDOKANRI_VERSION)
            << Qt::endl;
        return 0;
    }
    if (parser.isSet(o.copyData) && parser.positionalArguments().size() != 1) {
        err << QStringLiteral(
                   "--copy-data には移行元と移行先を指定してください: --copy-data FROM TO")
            << Qt::endl;
        return 2;
    }
    if (!parser.isSet(o.copyData) && !parser.positionalArguments().isEmpty()) {
        err << QStringLiteral("不明な引数です: %1").arg(parser.positionalArguments().join(' '))
            << Qt::endl;
        return 2;
    }
    int commands = 0;
    for (const QCommandLineOption* command : {&o.pdf, &o.backup, &o.restore, &o.importCsv, &o.xlsx,
                                              &o.csv, &o.importParadox, &o.copyData})
        commands += parser.isSet(*command);
    if (commands > 1) {
        err << QStringLiteral(
                   "--print-pdf、--backup、--restore、--import-csv、--export-xlsx、--export-csv、--"
                   "import-paradox、--copy-data は一つだけ指定してください")
            << Qt::endl;
        return 2;
    }
    if (parser.isSet(o.dryRun) && !parser.isSet(o.importParadox)) {
        err << QStringLiteral("--dry-run は --import-paradox と一緒に指定してください") << Qt::endl;
        return 2;
    }
    try {
        if (parser.isSet(o.backup))
            WriteBackup(parser, o, out);
        else if (parser.isSet(o.restore))
            RestoreBackup(parser, o, out);
        else if (parser.isSet(o.xlsx) || parser.isSet(o.csv))
            Export(parser, o, out);
        else if (parser.isSet(o.importParadox))
            ParadoxImport::RunCommand(parser.value(o.importParadox), parser.isSet(o.dryRun),
                                      DataFolder(parser, o), out);
        else if (parser.isSet(o.importCsv))
            ImportCsv(parser, o, out);
        else if (parser.isSet(o.copyData))
            CopyData(parser, o, out);
        else
            Print(parser, o);
    } catch (const AppError& e) {
        err << e.message().simplified() << Qt::endl;
        return 1;
    } catch (const std::exception& e) {
        err << QString::fromUtf8(e.what()).simplified() << Qt::endl;
        return 1;
    }
    return 0;
}

int RunCommandLine(int argc, char** argv)
{
    // No window opens, so no display is needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName(QStringLiteral("ondokanri"));
    QGuiApplication::setApplicationVersion(QStringLiteral(ONDOKANRI_VERSION));
    InstallFontSubstitutions();
    QTextStream out(stdout);
    QTextStream err(stderr);
    return RunBatchPrint(QGuiApplication::arguments(), out, err);
}
