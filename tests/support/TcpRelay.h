#pragma once

#include <QThread>
#include <QtGlobal>
#include <functional>

class QObject;
class QTcpServer;

// A TCP relay on 127.0.0.1 to another local port, on a thread of its own: the program under
// test blocks in libpq while it waits for an answer. Stopping it closes the listener and every
// relayed connection, as a server gone away for a moment; starting it again listens on the same
// port.
class TcpRelay
{
public:
    explicit TcpRelay(quint16 target);
    ~TcpRelay();
    TcpRelay(const TcpRelay&) = delete;
    TcpRelay& operator=(const TcpRelay&) = delete;

    quint16 Port() const { return m_port; }
    void Stop();
    void Start();

private:
    void onThread(const std::function<void()>& work);
    void listen();
    void closeAll();

    quint16 m_target;
    quint16 m_port = 0;
    QThread m_thread;
    QObject* m_context = nullptr;
    QTcpServer* m_server = nullptr;
};
