#include "app/cli/Commands.h"
#include "app/cli/Options.h"
#include "core/AppError.h"
#include "printing/Package.h"

#include <QCommandLineParser>
#include <QTextStream>

namespace Cli {

void WritePackage(const QCommandLineParser& parser, const Options& o, QTextStream& out)
{
    TPackageRequest request;
    request.folder = parser.value(o.package);
    request.kojiCode = RequiredProject(parser, o);
    PeriodOptions(parser, o, request.from, request.to);
    const QString folder = DataFolder(parser, o);
    OpenRecords(folder);
    const TPackageResult result = ::WritePackage(request, GuardedFolders(folder));
    for (const QString& file : result.files)
        out << file << Qt::endl;
    for (const QString& note : result.skipped)
        out << QStringLiteral("省略: ") << note << Qt::endl;
    for (const QString& day : result.simulated)
        out << day << Qt::endl;
}

} // namespace Cli
