#include "app/cli/Commands.h"
#include "app/cli/Options.h"
#include "core/AppError.h"
#include "site/SitePairing.h"

#include <QCommandLineParser>
#include <QTextStream>

// The phones are kept beside the settings, not with the data: the same list whatever --data
// names, for every server this user runs.

namespace {

QString when(const QDateTime& t)
{
    return t.isValid() ? t.toString(QStringLiteral("yyyy/MM/dd HH:mm")) : QStringLiteral("-");
}

} // namespace

namespace Cli {

void ListDevices(const QCommandLineParser&, const Options&, QTextStream& out)
{
    TSitePairing pairing;
    const QList<TSitePairing::TDevice> devices = pairing.Devices();
    if (devices.isEmpty()) {
        out << QStringLiteral("ペアリングした端末はありません") << Qt::endl;
        return;
    }
    // Tab-separated, a phone a line, for a person and for a script alike.
    out << QStringLiteral("番号\t名前\tペアリング\t最終接続") << Qt::endl;
    for (const TSitePairing::TDevice& d : devices)
        out << d.id << '\t' << d.name << '\t' << when(d.paired) << '\t' << when(d.lastSeen)
            << Qt::endl;
}

void RevokeDevice(const QCommandLineParser& parser, const Options& o, QTextStream& out)
{
    const QString id = parser.value(o.revokeDevice).trimmed();
    TSitePairing pairing;
    const QString name = pairing.NameOf(id);
    if (!pairing.Revoke(id))
        throw AppError(QStringLiteral("端末「%1」はペアリングされていません（--devices で番号を"
                                      "確かめてください）")
                           .arg(Excerpt(id, 20)));
    out << QStringLiteral("端末 %1（%2）のペアリングを取り消しました").arg(id, name) << Qt::endl;
}

} // namespace Cli
