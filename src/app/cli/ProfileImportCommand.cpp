#include "app/cli/Commands.h"
#include "app/cli/Options.h"
#include "core/AppError.h"
#include "exchange/ProfileImport.h"

#include <QCommandLineParser>
#include <QTextStream>

namespace Cli {

void ImportProfileFile(const QCommandLineParser& parser, const Options& o, QTextStream& out)
{
    if (parser.value(o.project).isEmpty() || parser.value(o.mix).isEmpty())
        throw AppError(
            QStringLiteral("--import-profile には --project と --mix を指定してください"));
    OpenRecords(DataFolder(parser, o));
    out << ProfileImportLine(ImportProfile(parser.value(o.importProfile), parser.value(o.project),
                                           parser.value(o.mix), parser.isSet(o.replace)))
        << Qt::endl;
}

} // namespace Cli
