#pragma once

#include <QHash>
#include <QSslConfiguration>
#include <QTcpServer>
#include <QUrl>

class QTcpSocket;

// The listening socket of the site server. It watches each connection before the HTTP server
// reads it: a request whose header block or declared body is over the limits, or that sends
// its body in chunks, is answered at once with a short Japanese message and the connection
// closed, before anything is kept of it; a connection idle for IdleSeconds, or one request
// taking longer than a quarter minute to arrive, is closed. One address holds at most
// MaxPerAddress connections, so that a misbehaving phone (or anyone) cannot shut the others
// out; all of them together at most MaxConnections.
class TSiteListener : public QTcpServer
{
    Q_OBJECT
public:
    static constexpr int MaxConnections = 512;
    static constexpr int MaxPerAddress = 16;
    static constexpr int IdleSeconds = 30;
    static constexpr int RequestSeconds = 15;

    TSiteListener(int maxHeaderBytes, int maxBodyBytes, QObject* parent = nullptr);
    // For the tests of the idle limit.
    void SetIdleMilliseconds(int ms) { m_idleMs = ms; }
    // HTTPS with `configuration`; plain HTTP on the same port is sent to `page` or refused.
    void SetEncryption(const QSslConfiguration& configuration, const QUrl& page);

    // A whole HTTP response, closing the connection, with {"error": message}.
    static QByteArray Refusal(int status, const QByteArray& reason, const QString& message);

Q_SIGNALS:
    void refused(const QString& peer, int status);

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    void accept(QTcpSocket* socket);

    int m_maxHeader;
    int m_maxBody;
    int m_idleMs = IdleSeconds * 1000;
    int m_open = 0;
    QHash<QString, int> m_perAddress;
    bool m_encrypted = false;
    QSslConfiguration m_encryption;
    QUrl m_page;
};
