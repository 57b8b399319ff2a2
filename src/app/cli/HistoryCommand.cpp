#include "app/cli/Commands.h"
#include "app/cli/Options.h"
#include "core/AppError.h"
#include "domain/History.h"
#include "domain/Verify.h"

#include <QCommandLineParser>
#include <QTextStream>

namespace Cli {

void PrintHistory(const QCommandLineParser& parser, const Options& o, QTextStream& out)
{
    const QString code = RequiredProject(parser, o);
    QDate from, to;
    PeriodOptions(parser, o, from, to);
    OpenRecords(DataFolder(parser, o));
    const QList<History::TEntry> entries =
        History::Read(code, parser.value(o.mix), from.startOfDay(), to.startOfDay());
    if (entries.isEmpty())
        out << QStringLiteral("変更の履歴はありません") << Qt::endl;
    for (const History::TEntry& e : entries)
        out << History::LineOf(e) << Qt::endl;
}

void Verify(const QCommandLineParser& parser, const Options& o, QTextStream& out)
{
    OpenRecords(DataFolder(parser, o));
    const TVerifyResult result = VerifyRecords();
    for (const QString& line : result.changed)
        out << line << Qt::endl;
    if (!result.changed.isEmpty())
        throw AppError(result.Summary());
    out << result.Summary() << Qt::endl;
}

} // namespace Cli
