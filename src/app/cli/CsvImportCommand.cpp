#include "app/cli/Commands.h"
#include "app/cli/Options.h"
#include "core/AppError.h"
#include "exchange/CsvImport.h"
#include "storage/Engine.h"

#include <QCommandLineParser>

namespace Cli {

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

} // namespace Cli
