#include "support/testhttpserver.h"

#include "support/testhttplistener.h"
#include "support/testhttpserverstate.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QHash>
#include <QMetaObject>

#include <condition_variable>
#include <mutex>

QByteArray TestHttpServer::Request::header(const QByteArray &name) const
{
    for (const Header &h : headers) {
        if (h.first.compare(name, Qt::CaseInsensitive) == 0)
            return h.second;
    }
    return QByteArray();
}

bool TestHttpServer::Request::hasHeader(const QByteArray &name) const
{
    for (const Header &h : headers) {
        if (h.first.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

TestHttpServer::TestHttpServer()
    : m_state(std::make_shared<TestHttpServerState>())
{
}

TestHttpServer::~TestHttpServer()
{
    stop();
}

bool TestHttpServer::start(const QString &rootDir, quint16 port)
{
    if (m_thread.joinable())
        return false;
    // Settings made before start() stay in force.
    m_state->setRootDir(rootDir.isEmpty() ? QString() : QFileInfo(rootDir).absoluteFilePath());

    struct Startup
    {
        std::mutex mutex;
        std::condition_variable ready;
        bool done = false;
        bool listening = false;
        quint16 port = 0;
        QEventLoop *loop = nullptr;
    } startup;

    std::shared_ptr<TestHttpServerState> state = m_state;
    m_thread = std::thread([state, port, &startup] {
        QEventLoop loop; // also gives this thread its event dispatcher
        auto listener = std::make_unique<TestHttpListener>(state);
        const bool listening = listener->listen(port);
        {
            const std::lock_guard<std::mutex> lock(startup.mutex);
            startup.done = true;
            startup.listening = listening;
            startup.port = listener->port();
            startup.loop = listening ? &loop : nullptr;
            // Under the lock: once it is released the waiting start() may
            // return and destroy startup.
            startup.ready.notify_one();
        }
        if (!listening)
            return;
        loop.exec();
        // Every connection and socket goes with the listener, in this thread.
        listener.reset();
    });

    std::unique_lock<std::mutex> lock(startup.mutex);
    startup.ready.wait(lock, [&startup] { return startup.done; });
    if (!startup.listening) {
        lock.unlock();
        m_thread.join();
        return false;
    }
    m_loop = startup.loop;
    m_port = startup.port;
    return true;
}

void TestHttpServer::stop()
{
    if (!m_thread.joinable())
        return;
    // Queued: runs in the server thread, even if its loop has not started yet.
    QMetaObject::invokeMethod(m_loop, "quit", Qt::QueuedConnection);
    m_thread.join();
    m_loop = nullptr;
    m_port = 0;
}

bool TestHttpServer::isRunning() const
{
    return m_thread.joinable();
}

quint16 TestHttpServer::port() const
{
    return m_port;
}

QString TestHttpServer::rootDir() const
{
    return m_state->rootDir();
}

QUrl TestHttpServer::baseUrl() const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(m_port));
}

QUrl TestHttpServer::url(const QString &path) const
{
    QString tail = path;
    if (!tail.startsWith(QLatin1Char('/')))
        tail.prepend(QLatin1Char('/'));
    return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(m_port) + tail, QUrl::TolerantMode);
}

void TestHttpServer::setBandwidthLimit(qint64 bytesPerSecond)
{
    m_state->setBandwidthLimit(bytesPerSecond);
}

qint64 TestHttpServer::bandwidthLimit() const
{
    return m_state->bandwidthLimit();
}

void TestHttpServer::setFault(const QString &pathPattern, const Fault &fault)
{
    m_state->setFault(pathPattern, fault);
}

void TestHttpServer::setGlobalFault(const Fault &fault)
{
    m_state->setFault(QStringLiteral("*"), fault);
}

void TestHttpServer::clearFault(const QString &pathPattern)
{
    m_state->clearFault(pathPattern);
}

void TestHttpServer::clearFaults()
{
    m_state->clearFaults();
}

void TestHttpServer::setResponse(const QString &path, const Response &response)
{
    m_state->setResponse(path, response);
}

void TestHttpServer::setResponse(const QString &path, const QByteArray &body, const QByteArray &contentType,
                                 int status)
{
    Response response;
    response.status = status;
    response.contentType = contentType;
    response.body = body;
    m_state->setResponse(path, response);
}

void TestHttpServer::removeResponse(const QString &path)
{
    m_state->removeResponse(path);
}

void TestHttpServer::addRewrite(const QRegularExpression &pattern, const QString &replacement)
{
    m_state->addRewrite(pattern, replacement);
}

void TestHttpServer::clearRewrites()
{
    m_state->clearRewrites();
}

QList<TestHttpServer::Request> TestHttpServer::requests() const
{
    return m_state->requests();
}

int TestHttpServer::requestCount() const
{
    return int(m_state->requests().size());
}

int TestHttpServer::requestCount(const QString &path) const
{
    return int(requestsFor(path).size());
}

QList<TestHttpServer::Request> TestHttpServer::requestsFor(const QString &path) const
{
    QList<Request> matching;
    const QList<Request> all = m_state->requests();
    for (const Request &request : all) {
        if (request.path == path)
            matching.append(request);
    }
    return matching;
}

void TestHttpServer::clearRequests()
{
    m_state->clearRequests();
}

int TestHttpServer::connectionCount() const
{
    return m_state->connectionCount();
}

QByteArray TestHttpServer::contentTypeFor(const QString &fileName)
{
    static const QHash<QString, QByteArray> types = {
        {QStringLiteral("html"), "text/html; charset=utf-8"},
        {QStringLiteral("htm"), "text/html; charset=utf-8"},
        {QStringLiteral("mp4"), "video/mp4"},
        {QStringLiteral("m4v"), "video/mp4"},
        {QStringLiteral("m4a"), "audio/mp4"},
        {QStringLiteral("webm"), "video/webm"},
        {QStringLiteral("mkv"), "video/x-matroska"},
        {QStringLiteral("mp3"), "audio/mpeg"},
        {QStringLiteral("mpd"), "application/dash+xml"},
        {QStringLiteral("vtt"), "text/vtt; charset=utf-8"},
        {QStringLiteral("srt"), "application/x-subrip"},
        {QStringLiteral("jpg"), "image/jpeg"},
        {QStringLiteral("jpeg"), "image/jpeg"},
        {QStringLiteral("png"), "image/png"},
        {QStringLiteral("json"), "application/json"},
        {QStringLiteral("ini"), "text/plain; charset=utf-8"},
        {QStringLiteral("txt"), "text/plain; charset=utf-8"},
        {QStringLiteral("xml"), "application/xml"},
        {QStringLiteral("zip"), "application/zip"},
    };
    return types.value(QFileInfo(fileName).suffix().toLower(), "application/octet-stream");
}
