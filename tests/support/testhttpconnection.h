#pragma once

#include "support/testhttpserver.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <memory>

class QFile;
class QTcpSocket;
struct TestHttpServerState;

// One client connection of TestHttpServer, in the server thread: parses
// requests one after the other (keep-alive) and streams each answer, paced
// by a timer when a bandwidth limit is set. Deletes itself when the client
// goes away.
class TestHttpConnection final : public QObject
{
public:
    TestHttpConnection(QTcpSocket *socket, std::shared_ptr<TestHttpServerState> state, int serial,
                       QObject *parent);
    ~TestHttpConnection() override;

private:
    enum class Phase { Idle, Waiting, Sending, Hanging, Closing };

    struct Pending
    {
        TestHttpServer::Request request;
        int logIndex = -1;
        TestHttpServer::Fault fault;
        bool hasFault = false;
        bool keepAlive = true;
    };

    struct Body
    {
        std::unique_ptr<QFile> file;
        QByteArray memory;
        qint64 position = 0;  // next byte to send, in the file or memory
        qint64 remaining = 0; // bytes still to send
        bool closeWhenDone = false;
    };

    void onReadyRead();
    void processInput();
    void respond(const Pending &pending);
    void serveFile(const Pending &pending, const QString &filePath);
    void serveBody(const Pending &pending, Body body, qint64 size, const QByteArray &contentType, int status,
                   const QList<TestHttpServer::Header> &extraHeaders);
    void sendError(const Pending &pending, int status, const QList<TestHttpServer::Header> &extraHeaders = {});
    void sendHead(int status, const QList<TestHttpServer::Header> &headers, bool keepAlive);
    void startBody(Body body);
    void pump();
    QByteArray readBody(qint64 count);
    void finishResponse(bool keepAlive);
    void closeConnection();

    QTcpSocket *m_socket;
    std::shared_ptr<TestHttpServerState> m_state;
    const int m_serial;
    QByteArray m_input;
    Phase m_phase = Phase::Idle;
    Body m_body;
    QTimer m_paceTimer;
    QElapsedTimer m_paceClock;
    qint64 m_paceLastNs = 0;
    double m_budget = 0.0;
};
