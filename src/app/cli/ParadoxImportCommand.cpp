#include "app/cli/Commands.h"
#include "app/cli/Options.h"
#include "exchange/ParadoxImport.h"

#include <QCommandLineParser>

namespace Cli {

void ImportParadox(const QCommandLineParser& parser, const Options& o, QTextStream& out)
{
    ParadoxImport::RunCommand(parser.value(o.importParadox), parser.isSet(o.dryRun),
                              DataFolder(parser, o), out);
}

} // namespace Cli
