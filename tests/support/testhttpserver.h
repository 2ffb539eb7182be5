#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QRegularExpression>
#include <QString>
#include <QUrl>

#include <memory>
#include <thread>

class QEventLoop;
struct TestHttpServerState;

// A local HTTP/1.1 server for tests. It listens on 127.0.0.1 and serves a
// folder from a thread of its own, so that the code under test may block the
// test's thread (a synchronous call waiting on a child process that talks to
// this server) without blocking the server.
//
// Files: GET and HEAD, Content-Type by suffix, single byte ranges (206, 416),
// keep-alive unless the client asks to close, a folder answered by its
// index.html, percent-decoded paths, ".." refused with 403. Bodies are
// streamed from disk in small chunks, optionally paced to a bandwidth limit
// per connection.
//
// Every setter is thread-safe and takes effect for the next request (the
// bandwidth limit also for bodies already being sent). Settings and the
// request log outlive stop() and carry over to the next start().
class TestHttpServer
{
public:
    using Header = QPair<QByteArray, QByteArray>;

    // What goes wrong, for requests whose decoded path matches a pattern.
    struct Fault
    {
        int status = 0;                 // answer this status (with a short page) instead
        qint64 closeAfterBytes = -1;    // close the connection after this many body bytes
        bool omitContentLength = false; // no Content-Length; the body ends with the connection
        bool hang = false;              // read the request, never answer
        int delayMs = 0;                // wait this long before answering
        int times = -1;                 // number of requests it applies to; -1: every one
    };

    // A body served from memory instead of the folder.
    struct Response
    {
        int status = 200;
        QByteArray contentType = "application/octet-stream";
        QByteArray body;
        QList<Header> headers; // extra response headers
    };

    // One request as it arrived.
    struct Request
    {
        QByteArray method;
        QByteArray target;      // exactly as sent: path and query, percent-encoding kept
        QString path;           // decoded path after rewrites, without the query
        QByteArray query;       // raw query after rewrites, without "?"
        QList<Header> headers;  // in arrival order, names as sent
        int status = 0;         // status answered; 0 while none (e.g. a hanging request)
        int connection = 0;     // serial number of the connection that carried it

        // The value of a header, the name compared case-insensitively; empty when absent.
        QByteArray header(const QByteArray &name) const;
        bool hasHeader(const QByteArray &name) const;
    };

    TestHttpServer();
    ~TestHttpServer();
    TestHttpServer(const TestHttpServer &) = delete;
    TestHttpServer &operator=(const TestHttpServer &) = delete;

    // Starts listening on 127.0.0.1 (port 0: a free one) and serving rootDir
    // (may be empty: only in-memory responses). False when already running
    // or when the port cannot be bound.
    bool start(const QString &rootDir = QString(), quint16 port = 0);
    // Closes every connection and joins the server thread. Idempotent.
    void stop();
    bool isRunning() const;

    quint16 port() const;
    QString rootDir() const;
    // "http://127.0.0.1:<port>"
    QUrl baseUrl() const;
    // The address of a path on this server; the path is taken as already
    // percent-encoded where it contains '%' (so tests can send odd encodings).
    QUrl url(const QString &path) const;

    // Bytes per second per connection; 0 or less: unlimited.
    void setBandwidthLimit(qint64 bytesPerSecond);
    qint64 bandwidthLimit() const;

    // Patterns are matched against the decoded path ("*" any text, "?" one
    // character). The first matching pattern in order of setting wins; "*"
    // (the global fault) is tried after every other pattern.
    void setFault(const QString &pathPattern, const Fault &fault);
    void setGlobalFault(const Fault &fault);
    void clearFault(const QString &pathPattern);
    void clearFaults();

    // In-memory answers, by exact decoded path; they win over files and
    // answer every method.
    void setResponse(const QString &path, const Response &response);
    void setResponse(const QString &path, const QByteArray &body, const QByteArray &contentType,
                     int status = 200);
    void removeResponse(const QString &path);

    // Rewrites a request target (path and query, as sent) before anything
    // else looks at it, QRegularExpression substitution style ("\\1").
    // The first matching rule applies.
    void addRewrite(const QRegularExpression &pattern, const QString &replacement);
    void clearRewrites();

    // The request log.
    QList<Request> requests() const;
    int requestCount() const;
    // Requests whose decoded path equals path.
    int requestCount(const QString &path) const;
    QList<Request> requestsFor(const QString &path) const;
    void clearRequests();
    // Connections accepted since start.
    int connectionCount() const;

    // The Content-Type answered for a file name.
    static QByteArray contentTypeFor(const QString &fileName);

private:
    std::shared_ptr<TestHttpServerState> m_state;
    // A plain thread running a Qt event loop: joining it and the start-up
    // handshake are then visible to ThreadSanitizer.
    std::thread m_thread;
    QEventLoop *m_loop = nullptr; // lives in m_thread
    quint16 m_port = 0;
};
