#include "app/cli/Options.h"

#include "core/AppError.h"
#include "storage/Engine.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>

namespace Cli {

QString DataFolder(const QCommandLineParser& parser, const Options& o)
{
    if (!parser.isSet(o.data))
        return Engine::GetAliasPath();
    const QString folder = parser.value(o.data);
    if (Engine::IsServerLocation(folder))
        return Engine::ParseLocation(folder).text;
    if (!QFileInfo(folder).isDir())
        throw AppError(QStringLiteral("データ格納場所 '%1' がありません").arg(folder));
    QString path = QDir::fromNativeSeparators(QFileInfo(folder).absoluteFilePath());
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    return path;
}

QStringList GuardedFolders(const QString& dataFolder)
{
    return {dataFolder, Engine::GetAliasPath()};
}

void OpenRecords(const QString& folder)
{
    Engine::OpenDatabase(folder);
    if (!Engine::TableExists(QStringLiteral("OndoKubun")) ||
        !Engine::TableExists(QStringLiteral("Koji1")) ||
        !Engine::TableExists(QStringLiteral("OndoKanri4")))
        throw AppError(QStringLiteral("データ格納場所 '%1' に温度管理のデータがありません")
                           .arg(Engine::DisplayName(Engine::CurrentFolder())));
}

QString RequiredProject(const QCommandLineParser& parser, const Options& o)
{
    const QString code = parser.value(o.project);
    if (code.isEmpty())
        throw AppError(QStringLiteral("--project で工事コードを指定してください"));
    return code;
}

} // namespace Cli
