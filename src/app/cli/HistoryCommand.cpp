#include "app/cli/Commands.h"
#include "app/cli/Options.h"
#include "core/AppError.h"
#include "domain/History.h"
#include "domain/Verify.h"

#include <QCommandLineParser>
#include <QTextStream>

namespace {

QDateTime dayOption(const QCommandLineParser& parser, const QCommandLineOption& option)
{
    if (!parser.isSet(option))
        return QDateTime();
    const QDate day = QDate::fromString(parser.value(option), QStringLiteral("yyyy/MM/dd"));
    if (!day.isValid())
        throw AppError(QStringLiteral("--%1 の日付が不正です: %2")
                           .arg(option.names().constFirst(), parser.value(option)));
    return QDateTime(day, QTime(0, 0));
}

} // namespace

namespace Cli {

void PrintHistory(const QCommandLineParser& parser, const Options& o, QTextStream& out)
{
    const QString code = RequiredProject(parser, o);
    const QDateTime from = dayOption(parser, o.from), to = dayOption(parser, o.to);
    if (from.isValid() && to.isValid() && to < from)
        throw AppError(QStringLiteral("--from は --to 以前の日付にしてください"));
    OpenRecords(DataFolder(parser, o));
    const QList<History::TEntry> entries = History::Read(code, parser.value(o.mix), from, to);
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
