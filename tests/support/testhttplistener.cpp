#include "support/testhttplistener.h"

#include "support/testhttpconnection.h"
#include "support/testhttpserverstate.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

TestHttpListener::TestHttpListener(std::shared_ptr<TestHttpServerState> state)
    : m_state(std::move(state))
{
}

TestHttpListener::~TestHttpListener() = default;

bool TestHttpListener::listen(quint16 port)
{
    if (!m_server) {
        m_server = new QTcpServer(this);
        m_server->setMaxPendingConnections(256);
        connect(m_server, &QTcpServer::newConnection, this, &TestHttpListener::acceptPending);
    }
    return m_server->listen(QHostAddress::LocalHost, port);
}

quint16 TestHttpListener::port() const
{
    return m_server ? m_server->serverPort() : 0;
}

void TestHttpListener::acceptPending()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection())
        new TestHttpConnection(socket, m_state, m_state->nextConnectionSerial(), this);
}
