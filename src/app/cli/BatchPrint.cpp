#include "app/cli/BatchPrint.h"

#include "app/cli/Commands.h"
#include "app/cli/Options.h"
#include "core/AppError.h"
#include "reports/TextMetrics.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTextStream>
#include <QTranslator>
#include <exception>
#include <new>
#include <vector>

namespace {

struct TCommandEntry
{
    const QCommandLineOption& option;
    Cli::Command run;
};

// The commands by the option that asks for each, in the order the refusal of two names them.
std::vector<TCommandEntry> Commands(const Cli::Options& o)
{
    return {{o.pdf, Cli::PrintPdf},
            {o.backup, Cli::WriteBackup},
            {o.restore, Cli::RestoreBackup},
            {o.importCsv, Cli::ImportCsv},
            {o.xlsx, Cli::Export},
            {o.csv, Cli::Export},
            {o.package, Cli::WritePackage},
            {o.importParadox, Cli::ImportParadox},
            {o.copyData, Cli::CopyData},
            {o.serve, Cli::Serve},
            {o.devices, Cli::ListDevices},
            {o.revokeDevice, Cli::RevokeDevice},
            {o.history, Cli::PrintHistory},
            {o.verify, Cli::Verify},
            {o.importProfile, Cli::ImportProfileFile},
            {o.verifyPackage, Cli::VerifyPackage}};
}

// The command asked for; without one, the printout, which then asks for its file.
Cli::Command Chosen(const QCommandLineParser& parser, const Cli::Options& o)
{
    for (const TCommandEntry& command : Commands(o)) {
        if (parser.isSet(command.option))
            return command.run;
    }
    return Cli::PrintPdf;
}

// A line for err when the arguments do not make one command, or an empty string.
QString Misuse(const QCommandLineParser& parser, const Cli::Options& o)
{
    if (parser.isSet(o.copyData) && parser.positionalArguments().size() != 1)
        return QStringLiteral(
            "--copy-data には移行元と移行先を指定してください: --copy-data 移行元 移行先");
    if (!parser.isSet(o.copyData) && !parser.positionalArguments().isEmpty())
        return QStringLiteral("不明な引数です: %1").arg(parser.positionalArguments().join(' '));
    QStringList names;
    int given = 0;
    for (const TCommandEntry& command : Commands(o)) {
        names << QStringLiteral("--") + command.option.names().constFirst();
        given += parser.isSet(command.option);
    }
    if (given > 1)
        return names.join(QStringLiteral("、")) + QStringLiteral(" は一つだけ指定してください");
    if (parser.isSet(o.listen) && !parser.isSet(o.serve))
        return QStringLiteral("--listen は --serve と一緒に指定してください");
    if (parser.isSet(o.tls) && !parser.isSet(o.serve))
        return QStringLiteral("--tls は --serve と一緒に指定してください");
    const bool printing = Chosen(parser, o) == Cli::PrintPdf;
    if ((parser.isSet(o.from) || parser.isSet(o.to)) && !printing && !parser.isSet(o.package) &&
        !parser.isSet(o.history))
        return QStringLiteral("--from と --to は印刷、--package または --history と一緒に指定"
                              "してください");
    for (const QCommandLineOption* option : {&o.subgroup, &o.panels})
        if (parser.isSet(*option) && !printing)
            return QStringLiteral("--%1 は --print-pdf と一緒に指定してください")
                .arg(option->names().constFirst());
    if (parser.isSet(o.dryRun) && !parser.isSet(o.importParadox))
        return QStringLiteral("--dry-run は --import-paradox と一緒に指定してください");
    return {};
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
    const Cli::Options o;
    QCommandLineParser parser;
    parser.addOptions(o.All());
    if (!parser.parse(arguments)) {
        err << QStringLiteral("引数が不正です: %1").arg(parser.errorText()) << Qt::endl;
        return 2;
    }
    if (parser.isSet(o.help)) {
        out << Cli::HelpText(o);
        out.flush();
        return 0;
    }
    if (parser.isSet(o.version)) {
        out << QCoreApplication::applicationName() << ' ' << QStringLiteral(ONDOKANRI_VERSION)
            << Qt::endl;
        return 0;
    }
    const QString misuse = Misuse(parser, o);
    if (!misuse.isEmpty()) {
        err << misuse << Qt::endl;
        return 2;
    }
    try {
        Chosen(parser, o)(parser, o, out);
    } catch (const AppError& e) {
        err << ShortMessage(e.message()).simplified() << Qt::endl;
        return 1;
    } catch (const std::bad_alloc&) {
        err << QStringLiteral("メモリが足りないため、処理を続けられません") << Qt::endl;
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
    // The parser's refusals ("'%1' は未知のオプションです。") in Japanese whatever the locale.
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    QTranslator qtJapanese;
    if (qtJapanese.load(QStringLiteral("qtbase_ja"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qtJapanese);
    InstallFontSubstitutions();
    QTextStream out(stdout);
    QTextStream err(stderr);
    return RunBatchPrint(QGuiApplication::arguments(), out, err);
}
