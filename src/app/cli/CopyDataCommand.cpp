#include "app/cli/Commands.h"
#include "app/cli/Options.h"
#include "core/AppError.h"
#include "domain/DataCopy.h"
#include "storage/Engine.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>

namespace {

// A folder is taken as given on the command line, relative to the working folder.
QString LocationArgument(const QString& text)
{
    if (Engine::IsServerLocation(text))
        return text;
    return QDir::fromNativeSeparators(QFileInfo(text).absoluteFilePath());
}

} // namespace

namespace Cli {

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

} // namespace Cli
