#pragma once

#include <QObject>

#include <memory>

class QTcpServer;
struct TestHttpServerState;

// Accepts connections for TestHttpServer; lives in the server thread, and
// each accepted connection becomes a TestHttpConnection child of it.
class TestHttpListener final : public QObject
{
public:
    explicit TestHttpListener(std::shared_ptr<TestHttpServerState> state);
    ~TestHttpListener() override;

    // Call in the server thread.
    bool listen(quint16 port);
    quint16 port() const;

private:
    void acceptPending();

    std::shared_ptr<TestHttpServerState> m_state;
    QTcpServer *m_server = nullptr;
};
