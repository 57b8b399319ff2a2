#include "app/cli/Commands.h"
#include "app/cli/Options.h"
#include "exchange/Export.h"

#include <QCommandLineParser>
#include <QTextStream>

namespace Cli {

void Export(const QCommandLineParser& parser, const Options& o, QTextStream& out)
{
    const bool xlsx = parser.isSet(o.xlsx);
    const QString code = RequiredProject(parser, o);
    const QString folder = DataFolder(parser, o);
    const QString file = parser.value(xlsx ? o.xlsx : o.csv);
    const ExportFormat format = xlsx ? ExportFormat::Xlsx : ExportFormat::Csv;
    const QStringList guarded = GuardedFolders(folder);
    // Checked before the data is opened, so that a refused target never touches it.
    RefuseExportTarget(file, format, guarded);
    OpenRecords(folder);
    const ExportData data = ExportFile(file, format, code, parser.value(o.mix), guarded);
    out << ExportSummary(data) << Qt::endl;
}

} // namespace Cli
