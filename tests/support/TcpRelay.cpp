#include "support/TcpRelay.h"

#include <QHostAddress>
#include <QMetaObject>
#include <QTcpServer>
#include <QTcpSocket>

TcpRelay::TcpRelay(quint16 target) : m_target(target)
{
    m_thread.start();
    m_context = new QObject;
    m_context->moveToThread(&m_thread);
    onThread([this] {
        m_server = new QTcpServer(m_context);
        QObject::connect(m_server, &QTcpServer::newConnection, m_context, [this] {
            while (QTcpSocket* client = m_server->nextPendingConnection()) {
                client->setParent(m_context);
                auto* upstream = new QTcpSocket(m_context);
                const auto pipe = [](QTcpSocket* from, QTcpSocket* to) {
                    QObject::connect(from, &QTcpSocket::readyRead, to,
                                     [from, to] { to->write(from->readAll()); });
                    QObject::connect(from, &QTcpSocket::disconnected, to,
                                     [to] { to->disconnectFromHost(); });
                };
                pipe(client, upstream);
                pipe(upstream, client);
                QObject::connect(upstream, &QTcpSocket::connected, client,
                                 [client, upstream] { upstream->write(client->readAll()); });
                upstream->connectToHost(QHostAddress(QHostAddress::LocalHost), m_target);
            }
        });
        listen();
    });
}

TcpRelay::~TcpRelay()
{
    onThread([this] {
        closeAll();
        delete m_context;
    });
    m_thread.quit();
    m_thread.wait();
}

void TcpRelay::Stop()
{
    onThread([this] { closeAll(); });
}

void TcpRelay::Start()
{
    onThread([this] { listen(); });
}

void TcpRelay::onThread(const std::function<void()>& work)
{
    QMetaObject::invokeMethod(m_context, work, Qt::BlockingQueuedConnection);
}

void TcpRelay::listen()
{
    m_server->listen(QHostAddress(QHostAddress::LocalHost), m_port);
    m_port = m_server->serverPort();
}

void TcpRelay::closeAll()
{
    m_server->close();
    for (QTcpSocket* s : m_context->findChildren<QTcpSocket*>()) {
        s->abort();
        s->deleteLater();
    }
}
