#include "site/SiteListener.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>
#include <sys/socket.h>

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

void TSiteListener::incomingConnection(qintptr descriptor)
{
    auto* socket = new QTcpSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        socket->abort();
        socket->deleteLater();
        return;
    }
    const QString peer = socket->peerAddress().toString();
    if (m_open >= MaxConnections || m_perAddress.value(peer) >= MaxPerAddress) {
        Q_EMIT refused(peer, 503);
        socket->abort();
        socket->deleteLater();
        return;
    }
    ++m_open;
    ++m_perAddress[peer];
    connect(socket, &QObject::destroyed, this, [this, peer] {
        --m_open;
        if (--m_perAddress[peer] <= 0)
            m_perAddress.remove(peer);
    });
    // Whatever a peer sends, no more than one request's worth is held for it.
    socket->setReadBufferSize(m_maxHeader + m_maxBody + 1024);
    auto* watch = new TWatch(socket, m_maxHeader, m_maxBody, m_idleMs, this);
    addPendingConnection(socket);
    // The HTTP server connected its reader just now: this one runs after it.
    connect(socket, &QTcpSocket::readyRead, watch, [watch] { watch->after(); });
}
