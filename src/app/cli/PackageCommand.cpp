#include "app/cli/Commands.h"
#include "app/cli/Options.h"
#include "core/AppError.h"
#include "printing/Package.h"

#include <QCommandLineParser>
#include <QTextStream>

namespace {

QDate DateOption(const QCommandLineParser& parser, const QCommandLineOption& option)
{
    if (!parser.isSet(option))
        return QDate();
    const QDate day = QDate::fromString(parser.value(option), QStringLiteral("yyyy/MM/dd"));
    if (!day.isValid())
        throw AppError(QStringLiteral("--%1 の日付が不正です: %2")
                           .arg(option.names().constFirst(), parser.value(option)));
    return day;
}

} // namespace

namespace Cli {

void WritePackage(const QCommandLineParser& parser, const Options& o, QTextStream& out)
{
    TPackageRequest request;
    request.folder = parser.value(o.package);
    request.kojiCode = RequiredProject(parser, o);
    request.from = DateOption(parser, o.from);
    request.to = DateOption(parser, o.to);
    if (request.from.isValid() && request.to.isValid() && request.to < request.from)
        throw AppError(QStringLiteral("--from は --to 以前の日付にしてください"));
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
