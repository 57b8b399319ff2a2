#include "site/SiteServer.h"

#include "core/AppError.h"
#include "site/SiteCertificate.h"
#include "site/SiteListener.h"
#include "site/SitePairing.h"
#include "storage/Engine.h"

#include <QElapsedTimer>
#include <QFile>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QJsonDocument>
#include <QNetworkInterface>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QTcpSocket>
#include <QTimer>

namespace {

QElapsedTimer& monotonic()
{
    static QElapsedTimer clock;
    if (!clock.isValid())
        clock.start();
    return clock;
}

struct TStaticFile
{
    const char* path;
    const char* resource;
    const char* type;
};

// The page and its two files: everything a phone without a token may fetch.
const TStaticFile StaticFiles[] = {
    {"/", ":/site/index.html", "text/html; charset=utf-8"},
    {"/site.css", ":/site/site.css", "text/css; charset=utf-8"},
    {"/site.js", ":/site/site.js", "text/javascript; charset=utf-8"},
};

} // namespace

TSiteServer::TSiteServer(TSitePairing& pairing, QObject* parent)
    : QAbstractHttpServer(parent), m_pairing(pairing)
{
}

TSiteServer::~TSiteServer() = default;

void TSiteServer::Start(const QHostAddress& address, quint16 port, bool encrypted)
{
    Stop();
    auto* listener = new TSiteListener(MaxHeaderBytes, MaxBodyBytes, this);
    if (m_idleMs > 0)
        listener->SetIdleMilliseconds(m_idleMs);
    QSslConfiguration tls;
    if (encrypted) {
        const TSiteCertificate kept = TSiteCertificate::LoadOrMake();
        tls = QSslConfiguration::defaultConfiguration();
        tls.setLocalCertificate(kept.certificate);
        tls.setPrivateKey(kept.key);
        tls.setPeerVerifyMode(QSslSocket::VerifyNone);
        tls.setProtocol(QSsl::TlsV1_2OrLater);
        m_fingerprint = kept.Fingerprint();
    } else {
        m_fingerprint.clear();
    }
    m_encrypted = encrypted;
    if (!listener->listen(address, port)) {
        const QString reason = listener->errorString();
        delete listener;
        throw AppError(QStringLiteral("%1:%2 で受付を始められません（%3）。"
                                      "別のポート番号かアドレスを選んでください")
                           .arg(address.toString())
                           .arg(port)
                           .arg(reason));
    }
    connect(listener, &TSiteListener::refused, this, [this](const QString& peer, int status) {
        Q_EMIT requestLogged(QStringLiteral("%1 %2 要求を断りました %3")
                                 .arg(Now().toString(QStringLiteral("HH:mm:ss")), peer)
                                 .arg(status));
    });
    bind(listener);
    m_listener = listener;
    if (encrypted)
        listener->SetEncryption(tls, PageUrl());
    m_pairing.Code();
    // A phone revoked from a command line (ondokanri --revoke-device) is shut out at its next
    // request; the list shown follows within seconds.
    if (!m_devicesRead) {
        m_devicesRead = new QTimer(this);
        connect(m_devicesRead, &QTimer::timeout, this, [this] { m_pairing.Devices(); });
    }
    m_devicesRead->start(2000);
    Q_EMIT listeningChanged(true);
}

void TSiteServer::Stop()
{
    if (!m_listener)
        return;
    m_listener->close();
    // Its open connections go with it.
    m_listener->deleteLater();
    m_listener = nullptr;
    if (m_devicesRead)
        m_devicesRead->stop();
    Q_EMIT listeningChanged(false);
}

bool TSiteServer::IsListening() const
{
    return m_listener && m_listener->isListening();
}

QUrl TSiteServer::PageUrl() const
{
    if (!IsListening())
        return QUrl();
    QUrl url;
    url.setScheme(m_encrypted ? QStringLiteral("https") : QStringLiteral("http"));
    QHostAddress address = m_listener->serverAddress();
    if (address == QHostAddress::Any || address == QHostAddress::AnyIPv4)
        address = LanAddress();
    url.setHost(address.toString());
    url.setPort(m_listener->serverPort());
    url.setPath(QStringLiteral("/"));
    return url;
}

QHostAddress TSiteServer::LanAddress()
{
    for (const QNetworkInterface& i : QNetworkInterface::allInterfaces()) {
        const auto flags = i.flags();
        if (!(flags & QNetworkInterface::IsUp) || !(flags & QNetworkInterface::IsRunning) ||
            (flags & QNetworkInterface::IsLoopBack))
            continue;
        for (const QNetworkAddressEntry& e : i.addressEntries()) {
            const QHostAddress a = e.ip();
            if (a.protocol() == QAbstractSocket::IPv4Protocol && !a.isLoopback() &&
                !a.isLinkLocal())
                return a;
        }
    }
    return QHostAddress(QHostAddress::LocalHost);
}

QPair<QHostAddress, quint16> TSiteServer::ParseListen(const QString& text)
{
    const QString t = text.trimmed();
    const int colon = t.lastIndexOf(QLatin1Char(':'));
    const QString host = colon < 0 ? t : t.left(colon);
    quint16 port = DefaultPort;
    if (colon >= 0) {
        bool ok = false;
        const uint p = t.mid(colon + 1).toUInt(&ok);
        if (!ok || p == 0 || p > 65535)
            throw AppError(QStringLiteral("ポート番号「%1」が正しくありません（1〜65535）")
                               .arg(t.mid(colon + 1).left(20)));
        port = quint16(p);
    }
    QHostAddress address = host.isEmpty() ? LanAddress() : QHostAddress(host);
    if (address.isNull())
        throw AppError(QStringLiteral("受付のアドレス「%1」が正しくありません。"
                                      "192.168.1.10:8470 のように指定してください")
                           .arg(host.left(40)));
    return {address, port};
}

// ---- requests ----

bool TSiteServer::handleRequest(const QHttpServerRequest& request, QTcpSocket* socket)
{
    QElapsedTimer took;
    took.start();
    const QByteArray path = request.url().path(QUrl::FullyEncoded).toLatin1();
    QString device;
    TReply reply;
    try {
        // A lock held elsewhere (a backup, psql, another office's question) is waited for a few
        // seconds at most: the phone is told to send again rather than left spinning.
        const Engine::WaitLimits limits(LockWaitMs, StatementMs);
        reply = route(request, path, device);
    } catch (const std::exception&) {
        reply = error(500, QStringLiteral("事務所のパソコンでエラーが起きました"));
    }
    send(socket, request, reply);
    const QString who =
        device.isEmpty() ? QStringLiteral("（ペアリング前）") : m_pairing.NameOf(device);
    // A line a person in the office reads: what was asked, by whom, and how it ended.
    const QString what = path == "/api/readings"           ? QStringLiteral("温度の記録")
                         : path == "/api/readings/correct" ? QStringLiteral("温度の修正")
                         : path == "/api/readings/remove"  ? QStringLiteral("温度の削除")
                         : path == "/api/pair"             ? QStringLiteral("ペアリング")
                         : path == "/api/registers"        ? QStringLiteral("一覧の読み込み")
                         : path == "/api/day"              ? QStringLiteral("その日の集計")
                         : path.startsWith("/api/")        ? QStringLiteral("不明な要求")
                                                           : QStringLiteral("ページ");
    Q_EMIT requestLogged(QStringLiteral("%1 %2 %3 %4 → %5（%6 ミリ秒）")
                             .arg(Now().toString(QStringLiteral("HH:mm:ss")),
                                  request.remoteAddress().toString(), who, what)
                             .arg(reply.status)
                             .arg(took.elapsed()));
    return true;
}

void TSiteServer::missingHandler(const QHttpServerRequest& request, QTcpSocket* socket)
{
    send(socket, request, error(404, QStringLiteral("ありません")));
}

TSiteServer::TReply TSiteServer::route(const QHttpServerRequest& request, const QByteArray& path,
                                       QString& device)
{
    using Method = QHttpServerRequest::Method;
    const QString from = request.remoteAddress().toString();
    if (request.body().size() > MaxBodyBytes)
        return error(
            413, QStringLiteral("送られた内容が大きすぎます（%1 バイトまで）").arg(MaxBodyBytes));
    // Another site's page in the phone's browser may send here too: only this page is heard.
    const QByteArray origin = request.value("origin");
    if (!origin.isEmpty() && !sameOrigin(request, origin))
        return error(403, QStringLiteral("このページ以外からの要求は受け付けません"));
    // A form of another site can post text/plain without asking; a body is JSON or nothing.
    const bool hasBody = !request.body().isEmpty() || request.method() == Method::Post;
    if (hasBody &&
        !request.value("content-type").trimmed().toLower().startsWith("application/json"))
        return error(415, QStringLiteral("送られた内容の形式（Content-Type）が違います"));
    if (!path.startsWith("/api/")) {
        if (!allowed(QStringLiteral("addr:") + from, 60, 20))
            return error(429, QStringLiteral("要求が多すぎます"), 2);
        if (request.method() != Method::Get && request.method() != Method::Head)
            return error(405, QStringLiteral("この操作はできません"));
        return page(path);
    }
    if (path == "/api/pair") {
        if (request.method() != Method::Post)
            return error(405, QStringLiteral("この操作はできません"));
        return pair(request, from);
    }
    QByteArray token = request.value("authorization");
    token = token.startsWith("Bearer ") ? token.mid(7).trimmed() : QByteArray();
    device = m_pairing.DeviceOf(token);
    if (device.isEmpty()) {
        if (!allowed(QStringLiteral("addr:") + from, 60, 20))
            return error(429, QStringLiteral("要求が多すぎます"), 2);
        return error(401, QStringLiteral("この端末は接続されていません（取り消されたか、まだ"
                                         "です）。ペアリングコードを入力してください"));
    }
    if (!allowed(QStringLiteral("dev:") + device, Burst, PerSecond))
        return error(429, QStringLiteral("要求が多すぎます。少し待ってから送ります"), 1);
    // A question of the office's program is open inside its own write: wait for it.
    if (Engine::InTransaction())
        return error(503,
                     QStringLiteral("事務所のパソコンが登録の途中です。少しして自動で送ります"), 2);
    if (path == "/api/registers" && request.method() == Method::Get)
        return registers();
    if (path == "/api/day" && request.method() == Method::Get)
        return day(request);
    if (path.startsWith("/api/readings") && request.method() == Method::Post)
        return reading(request, path, device);
    return error(404, QStringLiteral("ありません"));
}

TSiteServer::TReply TSiteServer::page(const QByteArray& path) const
{
    for (const TStaticFile& f : StaticFiles) {
        if (path != f.path)
            continue;
        QFile file(QString::fromLatin1(f.resource));
        if (!file.open(QIODevice::ReadOnly))
            break;
        TReply r;
        r.body = file.readAll();
        r.type = f.type;
        return r;
    }
    return error(404, QStringLiteral("ありません"));
}

TSiteServer::TReply TSiteServer::pair(const QHttpServerRequest& request, const QString& from)
{
    // Wrong codes count against the address that sent them: one guessing address shuts out
    // only itself.
    QList<qint64>& wrong = m_wrongCodes[from];
    const qint64 now = monotonic().elapsed();
    while (!wrong.isEmpty() && now - wrong.first() >= WrongCodesWindowMs)
        wrong.removeFirst();
    if (wrong.size() >= WrongCodesPerAddress)
        return error(429,
                     QStringLiteral("コードの入力が続けて違いました。しばらくしてから入力して"
                                    "ください"),
                     int((WrongCodesWindowMs - (now - wrong.first())) / 1000) + 1);
    QJsonParseError parseError;
    const QJsonObject o = QJsonDocument::fromJson(request.body(), &parseError).object();
    if (parseError.error != QJsonParseError::NoError)
        return error(400, QStringLiteral("送られた内容を読み取れません"));
    try {
        const QString token = m_pairing.Pair(o.value(QStringLiteral("code")).toString(),
                                             o.value(QStringLiteral("name")).toString());
        return json({{QStringLiteral("token"), token}});
    } catch (const AppError& e) {
        wrong.append(now);
        return error(403, e.message());
    }
}

bool TSiteServer::sameOrigin(const QHttpServerRequest& request, const QByteArray& origin) const
{
    // The browser's Origin names the scheme, host and port the page was loaded from, the last
    // two as its Host header does.
    const QByteArray host = request.value("host");
    const QByteArray own =
        (IsEncrypted() ? QByteArrayLiteral("https://") : QByteArrayLiteral("http://")) + host;
    return !host.isEmpty() && origin.trimmed().compare(own, Qt::CaseInsensitive) == 0;
}

bool TSiteServer::allowed(const QString& key, int burst, int perSecond)
{
    TBucket& b = m_buckets[key];
    const qint64 now = monotonic().elapsed();
    b.tokens =
        b.at == 0 ? burst : qMin(double(burst), b.tokens + (now - b.at) * perSecond / 1000.0);
    b.at = now;
    if (b.tokens < 1.0)
        return false;
    b.tokens -= 1.0;
    return true;
}

TSiteServer::TReply TSiteServer::json(const QJsonObject& object, int status)
{
    TReply r;
    r.status = status;
    r.body = QJsonDocument(object).toJson(QJsonDocument::Compact);
    return r;
}

TSiteServer::TReply TSiteServer::error(int status, const QString& message, int retryAfter)
{
    TReply r = json({{QStringLiteral("error"), message}}, status);
    r.retryAfter = retryAfter;
    return r;
}

void TSiteServer::send(QTcpSocket* socket, const QHttpServerRequest& request, const TReply& reply)
{
    if (!socket->isOpen())
        return;
    QHttpServerResponder responder = makeResponder(request, socket);
    responder.writeStatusLine(static_cast<QHttpServerResponder::StatusCode>(reply.status));
    responder.writeHeader("Content-Type", reply.type);
    responder.writeHeader("Content-Length", QByteArray::number(reply.body.size()));
    responder.writeHeader("Cache-Control", "no-store");
    responder.writeHeader("X-Content-Type-Options", "nosniff");
    responder.writeHeader("X-Frame-Options", "DENY");
    responder.writeHeader("Referrer-Policy", "no-referrer");
    responder.writeHeader("Content-Security-Policy",
                          "default-src 'self'; img-src 'self' data:; frame-ancestors 'none'");
    if (reply.retryAfter > 0)
        responder.writeHeader("Retry-After", QByteArray::number(reply.retryAfter));
    responder.writeBody(request.method() == QHttpServerRequest::Method::Head ? QByteArray()
                                                                             : reply.body);
}
