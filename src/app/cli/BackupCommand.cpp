#include "app/cli/Commands.h"
#include "app/cli/Options.h"
#include "storage/Backup.h"
#include "storage/Engine.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>

namespace Cli {

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

} // namespace Cli
