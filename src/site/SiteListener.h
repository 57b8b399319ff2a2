#pragma once

#include <QTcpServer>

// The listening socket of the site server. It watches each connection before the HTTP server
// reads it: a request whose header block or declared body is over the limits, or that sends
// its body in chunks, is answered at once with a short Japanese message and the connection
// closed, before anything is kept of it; a connection idle for a minute, or one request taking
// longer than a quarter minute to arrive, is closed; at most MaxConnections are open.
class TSiteListener : public QTcpServer
{
    Q_OBJECT
public:
    static constexpr int MaxConnections = 256;
    static constexpr int IdleSeconds = 60;
    static constexpr int RequestSeconds = 15;

    TSiteListener(int maxHeaderBytes, int maxBodyBytes, QObject* parent = nullptr);

    // A whole HTTP response, closing the connection, with {"error": message}.
    static QByteArray Refusal(int status, const QByteArray& reason, const QString& message);

Q_SIGNALS:
    void refused(const QString& peer, int status);

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    int m_maxHeader;
    int m_maxBody;
    int m_open = 0;
};
