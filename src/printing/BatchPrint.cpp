#include "printing/BatchPrint.h"

#include "environment/AppError.h"
#include "environment/Engine.h"
#include "environment/RegistryUtility.h"
#include "printing/PdfPrinter.h"
#include "printing/PrevX.h"
#include "printing/PrintDocument.h"
#include "printing/Printers.h"
#include "records/OndoKanri.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

namespace {

struct Options
{
    QCommandLineOption pdf{QStringLiteral("print-pdf"), QStringLiteral("書き出すPDFファイル"),
                           QStringLiteral("FILE")};
    QCommandLineOption form{QStringLiteral("form"), QStringLiteral("chart (管理図) または sheet (データシート)"),
                            QStringLiteral("chart|sheet")};
    QCommandLineOption project{QStringLiteral("project"), QStringLiteral("工事コード"),
                               QStringLiteral("CODE")};
    QCommandLineOption mix{QStringLiteral("mix"), QStringLiteral("合材名"), QStringLiteral("NAME")};
    QCommandLineOption day{QStringLiteral("day"), QStringLiteral("試験日 (既定は今日)"),
                           QStringLiteral("yyyy/mm/dd")};
    QCommandLineOption category{QStringLiteral("category"),
                                QStringLiteral("印刷する温度区分 (繰り返し可、既定はすべて)"),
                                QStringLiteral("NAME")};
    QCommandLineOption perProject{QStringLiteral("per-project"), QStringLiteral("工事毎に印刷")};
    QCommandLineOption low{QStringLiteral("low"), QStringLiteral("グラフ表示範囲の下限"),
                           QStringLiteral("N")};
    QCommandLineOption high{QStringLiteral("high"), QStringLiteral("グラフ表示範囲の上限"),
                            QStringLiteral("N")};
    QCommandLineOption data{QStringLiteral("data"),
                            QStringLiteral("この実行だけ使うデータ格納場所"), QStringLiteral("DIR")};
};

QString RangeValue(const QCommandLineParser& parser, const QCommandLineOption& option,
                   const QString& key, const QString& fallback)
{
    if (parser.isSet(option)) {
        const QString text = parser.value(option);
        bool ok = false;
        text.toDouble(&ok);
        if (!ok)
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
    if (form != QLatin1String("chart") && form != QLatin1String("sheet"))
        throw AppError(QStringLiteral("--form には chart または sheet を指定してください"));
    if (!parser.isSet(o.project) || parser.value(o.project).isEmpty())
        throw AppError(QStringLiteral("--project で工事コードを指定してください"));
    QDate day = QDate::currentDate();
    if (parser.isSet(o.day)) {
        day = QDate::fromString(parser.value(o.day), QStringLiteral("yyyy/MM/dd"));
        if (!day.isValid())
            throw AppError(QStringLiteral("--day の日付が不正です: %1").arg(parser.value(o.day)));
    }
    const QString low = RangeValue(parser, o.low, QStringLiteral("OndoKanriGraphLow"), QStringLiteral("100"));
    const QString high = RangeValue(parser, o.high, QStringLiteral("OndoKanriGraphHigh"), QStringLiteral("200"));

    if (parser.isSet(o.data)) {
        const QString folder = parser.value(o.data);
        if (!QFileInfo(folder).isDir())
            throw AppError(QStringLiteral("データ格納場所 '%1' がありません").arg(folder));
        Engine::OpenDatabase(folder);
    } else {
        Engine::OpenDatabase();
    }
    if (!Engine::TableExists(QStringLiteral("OndoKubun")) || !Engine::TableExists(QStringLiteral("Koji1"))
        || !Engine::TableExists(QStringLiteral("OndoKanri4")))
        throw AppError(QStringLiteral("データ格納場所 '%1' に温度管理のデータがありません")
                           .arg(QDir::toNativeSeparators(Engine::CurrentFolder())));

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
    request.form = form == QLatin1String("chart") ? TPrintForm::ControlChart : TPrintForm::DataSheet;
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
    TPrevX prev;
    BuildPrintDocument(record, prev, request);

    // Written beside the target and moved into place, so a failure leaves no file.
    const QString partial = file + QStringLiteral(".part");
    QFile::remove(partial);
    SetPdfFileAsker([partial](const QString&) { return partial; });
    try {
        prev.PrintPages();
    } catch (...) {
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
    parser.setApplicationDescription(QStringLiteral("温度管理: 管理図・データシートをPDFに書き出します"));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    parser.addOptions({o.pdf, o.form, o.project, o.mix, o.day, o.category, o.perProject, o.low,
                       o.high, o.data});
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
        out << QCoreApplication::applicationName() << ' ' << QStringLiteral(ONDOKANRI_VERSION) << Qt::endl;
        return 0;
    }
    if (!parser.positionalArguments().isEmpty()) {
        err << QStringLiteral("不明な引数です: %1").arg(parser.positionalArguments().join(' ')) << Qt::endl;
        return 2;
    }
    try {
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
