#include "support/testhttpserver.h"

#include "support/testhttplistener.h"
#include "support/testhttpserverstate.h"

#include <QFileInfo>
#include <QHash>
#include <QMetaObject>
#include <QThread>

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
    if (m_thread)
        return false;
    // Settings made before start() stay in force.
    m_state->setRootDir(rootDir.isEmpty() ? QString() : QFileInfo(rootDir).absoluteFilePath());

    m_thread = new QThread;
    m_thread->setObjectName(QStringLiteral("TestHttpServer"));
    m_thread->start();
    m_listener = new TestHttpListener(m_state);
    m_listener->moveToThread(m_thread);

    bool listening = false;
    quint16 boundPort = 0;
    TestHttpListener *listener = m_listener;
    QMetaObject::invokeMethod(
        listener,
        [listener, port, &listening, &boundPort] {
            listening = listener->listen(port);
            boundPort = listener->port();
        },
        Qt::BlockingQueuedConnection);
    if (!listening) {
        stop();
        return false;
    }
    m_port = boundPort;
    return true;
}

void TestHttpServer::stop()
{
    if (!m_thread)
        return;
    TestHttpListener *listener = m_listener;
    // Deleted in its own thread, with every connection and socket under it.
    QMetaObject::invokeMethod(listener, [listener] { delete listener; }, Qt::BlockingQueuedConnection);
    m_listener = nullptr;
    m_thread->quit();
    m_thread->wait();
    delete m_thread;
    m_thread = nullptr;
    m_port = 0;
}

bool TestHttpServer::isRunning() const
{
    return m_thread != nullptr;
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
