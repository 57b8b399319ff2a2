#include "app/cli/Commands.h"
#include "app/cli/Options.h"
#include "core/AppError.h"
#include "domain/History.h"
#include "storage/Backup.h"
#include "storage/Engine.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>

namespace Cli {

void RestoreBackup(const QCommandLineParser& parser, const Options& o, QTextStream& out)
{
    const QString folder = DataFolder(parser, o);
    const QString file = parser.value(o.restore);
    if (!QFileInfo(file).isFile())
        throw AppError(QStringLiteral("バックアップ '%1' がありません").arg(file));
    const QString kept = Backup::RestoreFile(file, folder);
    Engine::OpenDatabase(folder);
    History::NoteRestore(file);
    out << QStringLiteral("%1 から復元しました").arg(file);
    if (!kept.isEmpty())
        out << QStringLiteral("（復元前のデータ: %1）").arg(QDir::toNativeSeparators(kept));
    out << Qt::endl;
}

} // namespace Cli
