#include "app/cli/Commands.h"
#include "app/cli/Options.h"
#include "core/AppError.h"
#include "printing/PackageManifest.h"

#include <QCommandLineParser>
#include <QTextStream>

namespace Cli {

void VerifyPackage(const QCommandLineParser& parser, const Options& o, QTextStream& out)
{
    const QString folder = parser.value(o.verifyPackage);
    const TPackageCheck check = ::VerifyPackage(folder);
    if (check.Clean()) {
        out << QStringLiteral("提出用一式の %1 ファイルはすべて目録 %2 のとおりです")
                   .arg(check.matched)
                   .arg(ManifestName())
            << Qt::endl;
        return;
    }
    for (const QString& line : check.Lines())
        out << line << Qt::endl;
    throw AppError(QStringLiteral("提出用一式 '%1' は目録と一致しません（%2 件）")
                       .arg(folder)
                       .arg(check.changed.size() + check.missing.size() + check.extra.size()));
}

} // namespace Cli
