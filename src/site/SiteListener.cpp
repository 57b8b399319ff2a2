#include "site/SiteListener.h"

#include <QHostAddress>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>
#include <QSocketNotifier>
#include <QSslSocket>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>
#include <cerrno>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Follows the requests of one connection as far as their lengths, ahead of the HTTP server's
// own reading: the bytes it has not read yet are peeked, never taken.
class TWatch : public QObject
{
public:
    TWatch(QTcpSocket* socket, int maxHeader, int maxBody, int idleMs, TSiteListener* listener)
        : QObject(socket), m_socket(socket), m_maxHeader(maxHeader), m_maxBody(maxBody),
          m_listener(listener)
    {
        m_idle.setSingleShot(true);
        m_idle.setInterval(idleMs);
        m_slow.setSingleShot(true);
        m_slow.setInterval(TSiteListener::RequestSeconds * 1000);
        connect(&m_idle, &QTimer::timeout, socket, &QTcpSocket::abort);
        connect(&m_slow, &QTimer::timeout, this, [this] {
            refuse(
                408, "Request Timeout",
                QStringLiteral("要求が時間内に届きませんでした。通信の良い所でもう一度送ります"));
        });
        connect(socket, &QTcpSocket::readyRead, this, &TWatch::before);
        connect(socket, &QTcpSocket::bytesWritten, this, [this] { m_idle.start(); });
        m_idle.start();
    }

    // After the HTTP server read what it could: what is left waits for the next part.
    void after() { m_left = m_socket->bytesAvailable(); }

private:
    void before()
    {
        m_idle.start();
        const qint64 available = m_socket->bytesAvailable();
        if (available > m_left)
            feed(m_socket->peek(available).mid(m_left));
        m_left = available;
    }

    void feed(QByteArray fresh)
    {
        while (!fresh.isEmpty() && !m_refused) {
            if (m_bodyLeft > 0) {
                const qint64 taken = qMin<qint64>(m_bodyLeft, fresh.size());
                m_bodyLeft -= taken;
                fresh.remove(0, taken);
                if (m_bodyLeft == 0)
                    m_slow.stop();
                continue;
            }
            m_head += fresh;
            fresh.clear();
            while (m_head.startsWith('\r') || m_head.startsWith('\n'))
                m_head.remove(0, 1);
            if (m_head.isEmpty())
                return;
            if (!m_slow.isActive())
                m_slow.start();
            qsizetype end = m_head.indexOf("\r\n\r\n");
            qsizetype endLength = 4;
            const qsizetype bare = m_head.indexOf("\n\n");
            if (bare >= 0 && (end < 0 || bare < end)) {
                end = bare;
                endLength = 2;
            }
            if (end < 0) {
                if (m_head.size() > m_maxHeader)
                    refuse(431, "Request Header Fields Too Large",
                           QStringLiteral("要求の見出しが大きすぎます"));
                return;
            }
            if (end > m_maxHeader) {
                refuse(431, "Request Header Fields Too Large",
                       QStringLiteral("要求の見出しが大きすぎます"));
                return;
            }
            const QByteArray head = m_head.left(end).toLower();
            fresh = m_head.mid(end + endLength);
            m_head.clear();
            qint64 length = 0;
            for (const QByteArray& line : head.split('\n')) {
                const QByteArray field = line.trimmed();
                if (field.startsWith("transfer-encoding:") &&
                    !field.mid(18).trimmed().startsWith("identity")) {
                    refuse(
                        411, "Length Required",
                        QStringLiteral("本文の長さ（Content-Length）のない要求は受け付けません"));
                    return;
                }
                if (field.startsWith("content-length:")) {
                    bool ok = false;
                    length = field.mid(15).trimmed().toLongLong(&ok);
                    if (!ok || length < 0) {
                        refuse(400, "Bad Request", QStringLiteral("本文の長さが正しくありません"));
                        return;
                    }
                }
            }
            if (length > m_maxBody) {
                refuse(
                    413, "Payload Too Large",
                    QStringLiteral("送られた内容が大きすぎます（%1 バイトまで）").arg(m_maxBody));
                return;
            }
            m_bodyLeft = length;
            if (length == 0)
                m_slow.stop();
        }
    }

    // Answers, stops the HTTP server reading, and lets the peer finish sending before the
    // connection closes, so that it reads the answer rather than a reset.
    void refuse(int status, const char* reason, const QString& message)
    {
        if (m_refused)
            return;
        m_refused = true;
        m_slow.stop();
        QTcpSocket* s = m_socket;
        Q_EMIT m_listener->refused(s->peerAddress().toString(), status);
        QObject::disconnect(s, &QTcpSocket::readyRead, nullptr, nullptr);
        connect(s, &QTcpSocket::readyRead, s, [s] { s->skip(s->bytesAvailable()); });
        s->skip(s->bytesAvailable());
        s->write(TSiteListener::Refusal(status, reason, message));
        connect(s, &QTcpSocket::bytesWritten, s, [s] {
            if (s->bytesToWrite() == 0)
                ::shutdown(int(s->socketDescriptor()), SHUT_WR);
        });
        QTimer::singleShot(3000, s, &QTcpSocket::abort);
    }

    QTcpSocket* m_socket;
    int m_maxHeader;
    int m_maxBody;
    QPointer<TSiteListener> m_listener;
    QTimer m_idle, m_slow;
    QByteArray m_head;
    qint64 m_bodyLeft = 0;
    qint64 m_left = 0;
    bool m_refused = false;
};

} // namespace

TSiteListener::TSiteListener(int maxHeaderBytes, int maxBodyBytes, QObject* parent)
    : QTcpServer(parent), m_maxHeader(maxHeaderBytes), m_maxBody(maxBodyBytes)
{
}

QByteArray TSiteListener::Refusal(int status, const QByteArray& reason, const QString& message)
{
    const QByteArray body = QJsonDocument(QJsonObject{{QStringLiteral("error"), message}})
                                .toJson(QJsonDocument::Compact);
    return "HTTP/1.1 " + QByteArray::number(status) + ' ' + reason +
           "\r\nContent-Type: application/json; charset=utf-8\r\nContent-Length: " +
           QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

namespace {

QString peerOf(qintptr descriptor)
{
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (::getpeername(int(descriptor), reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return QString();
    return QHostAddress(reinterpret_cast<sockaddr*>(&address)).toString();
}

// With HTTPS a browser given the plain address still reaches the page: the page is sent to its
// https:// address, and the API is refused, so that no reading or token crosses the network
// unencrypted.
class TPlainAnswer : public QObject
{
public:
    TPlainAnswer(QTcpSocket* socket, const QUrl& page, int maxHeader)
        : QObject(socket), m_socket(socket), m_page(page), m_maxHeader(maxHeader)
    {
        connect(socket, &QTcpSocket::readyRead, this, &TPlainAnswer::read);
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        QTimer::singleShot(TSiteListener::RequestSeconds * 1000, socket, &QTcpSocket::abort);
    }

private:
    void read()
    {
        m_head += m_socket->readAll();
        const qsizetype end = m_head.indexOf("\r\n");
        if (end < 0 && m_head.size() <= m_maxHeader)
            return;
        disconnect(m_socket, &QTcpSocket::readyRead, this, nullptr);
        const QList<QByteArray> request = m_head.left(end).split(' ');
        const QByteArray method = request.value(0), path = request.value(1);
        QByteArray answer;
        if ((method == "GET" || method == "HEAD") && path.startsWith('/') &&
            !path.startsWith("/api/")) {
            // Always to this server's own address: the request's Host is not trusted.
            QUrl to = m_page;
            to.setPath(QString::fromLatin1(path.left(200)).section(QLatin1Char('?'), 0, 0));
            answer = "HTTP/1.1 301 Moved Permanently\r\nLocation: " + to.toEncoded() +
                     "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
        } else {
            answer = TSiteListener::Refusal(
                403, "Forbidden",
                QStringLiteral("暗号化された接続（%1）でのみ受け付けます").arg(m_page.toString()));
        }
        m_socket->write(answer);
        connect(m_socket, &QTcpSocket::bytesWritten, m_socket, [s = m_socket] {
            if (s->bytesToWrite() == 0)
                s->disconnectFromHost();
        });
    }

    QTcpSocket* m_socket;
    QUrl m_page;
    int m_maxHeader;
    QByteArray m_head;
};

} // namespace

void TSiteListener::SetEncryption(const QSslConfiguration& configuration, const QUrl& page)
{
    m_encryption = configuration;
    m_page = page;
    m_encrypted = true;
}

void TSiteListener::incomingConnection(qintptr descriptor)
{
    const QString peer = peerOf(descriptor);
    if (peer.isEmpty() || m_open >= MaxConnections || m_perAddress.value(peer) >= MaxPerAddress) {
        Q_EMIT refused(peer, 503);
        ::close(int(descriptor));
        return;
    }
    ++m_open;
    ++m_perAddress[peer];
    const auto release = [this, peer] {
        --m_open;
        if (--m_perAddress[peer] <= 0)
            m_perAddress.remove(peer);
    };
    if (!m_encrypted) {
        auto* socket = new QTcpSocket(this);
        connect(socket, &QObject::destroyed, this, release);
        if (!socket->setSocketDescriptor(descriptor)) {
            socket->deleteLater();
            return;
        }
        accept(socket);
        return;
    }
    // HTTPS and plain HTTP share the port: a TLS handshake starts with the byte 0x16. It is
    // peeked at before any socket reads, so that the chosen one finds every byte in place.
    auto* waiting = new QSocketNotifier(descriptor, QSocketNotifier::Read, this);
    auto* timeout = new QTimer(waiting);
    timeout->setSingleShot(true);
    const auto give = [this, descriptor, waiting, release](bool encrypted) {
        waiting->setEnabled(false);
        waiting->deleteLater();
        QTcpSocket* socket =
            encrypted ? new QSslSocket(this) : static_cast<QTcpSocket*>(new QTcpSocket(this));
        connect(socket, &QObject::destroyed, this, release);
        if (!socket->setSocketDescriptor(descriptor)) {
            socket->deleteLater();
            return;
        }
        if (!encrypted) {
            new TPlainAnswer(socket, m_page, m_maxHeader);
            return;
        }
        auto* tls = static_cast<QSslSocket*>(socket);
        tls->setSslConfiguration(m_encryption);
        connect(tls, &QSslSocket::encrypted, this, [this, tls] { accept(tls); });
        connect(tls, &QSslSocket::errorOccurred, tls, &QObject::deleteLater);
        connect(tls, &QSslSocket::disconnected, tls, &QObject::deleteLater);
        QTimer::singleShot(RequestSeconds * 1000, tls, [tls] {
            if (!tls->isEncrypted())
                tls->abort();
        });
        tls->startServerEncryption();
    };
    connect(waiting, &QSocketNotifier::activated, this, [descriptor, give, waiting, release] {
        char first = 0;
        const ssize_t n = ::recv(int(descriptor), &first, 1, MSG_PEEK | MSG_DONTWAIT);
        if (n == 1) {
            give(first == 0x16);
        } else if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) {
            waiting->setEnabled(false);
            waiting->deleteLater();
            ::close(int(descriptor));
            release();
        }
    });
    connect(timeout, &QTimer::timeout, this, [descriptor, waiting, release] {
        waiting->setEnabled(false);
        waiting->deleteLater();
        ::close(int(descriptor));
        release();
    });
    timeout->start(RequestSeconds * 1000);
}

void TSiteListener::accept(QTcpSocket* socket)
{
    // Whatever a peer sends, no more than one request's worth is held for it.
    socket->setReadBufferSize(m_maxHeader + m_maxBody + 1024);
    auto* watch = new TWatch(socket, m_maxHeader, m_maxBody, m_idleMs, this);
    addPendingConnection(socket);
    // The HTTP server connected its reader just now: this one runs after it.
    connect(socket, &QTcpSocket::readyRead, watch, [watch] { watch->after(); });
}
