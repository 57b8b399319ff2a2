#include "app/cli/Commands.h"
#include "app/cli/Options.h"
#include "domain/OndoKanri.h"
#include "site/SitePairing.h"
#include "site/SiteServer.h"
#include "storage/Engine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTextStream>
#include <QTimer>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_signalPipe[2] = {-1, -1};

// Only a write is safe in a signal handler: the event loop reads it and ends.
void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[0], &byte, 1);
}

void endOnSignals()
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) != 0)
        return;
    auto* notifier =
        new QSocketNotifier(g_signalPipe[1], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, QCoreApplication::instance(),
                     [] { QCoreApplication::quit(); });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

} // namespace

namespace Cli {

void Serve(const QCommandLineParser& parser, const Options& o, QTextStream& out)
{
    const auto [address, port] =
        parser.isSet(o.listen) ? TSiteServer::ParseListen(parser.value(o.listen))
                               : qMakePair(TSiteServer::LanAddress(), TSiteServer::DefaultPort);
    Engine::OpenDatabase(DataFolder(parser, o));
    TOndoKanri::CreateTables();
    // Set once for the whole run: each request then finds them in place, at no statement.
    const Engine::WaitLimits limits(TSiteServer::LockWaitMs, TSiteServer::StatementMs);

    TSitePairing pairing;
    TSiteServer server(pairing);
    QTextStream err(stderr);
    QObject::connect(&server, &TSiteServer::requestLogged,
                     [&err](const QString& line) { err << line << Qt::endl; });
    server.Start(address, port, parser.isSet(o.tls));
    out << server.PageUrl().toString() << Qt::endl;
    if (server.IsEncrypted())
        out << QStringLiteral("証明書の指紋: ") << server.Fingerprint() << Qt::endl;
    out << QStringLiteral("ペアリングコード: ") << pairing.Code() << Qt::endl;
    QObject::connect(&pairing, &TSitePairing::codeChanged, [&out](const QString& code) {
        if (!code.isEmpty())
            out << QStringLiteral("ペアリングコード: ") << code << Qt::endl;
    });
    // An expired or voided code is replaced, and the new one printed, without a person here.
    QTimer renew;
    QObject::connect(&renew, &QTimer::timeout, &pairing, [&pairing] { pairing.Code(); });
    renew.start(5000);
    endOnSignals();
    QCoreApplication::exec();
    server.Stop();
}

} // namespace Cli
