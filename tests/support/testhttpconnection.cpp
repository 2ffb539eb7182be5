#include "support/testhttpconnection.h"

#include "support/testhttpserverstate.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTcpSocket>
#include <QUrl>

namespace {

constexpr qint64 kChunk = 64 * 1024;
// Data handed to the socket but not yet written to the system; above this
// the connection waits for bytesWritten instead of reading more.
constexpr qint64 kMaxBuffered = 256 * 1024;
constexpr qsizetype kMaxHeaderBytes = 64 * 1024;
constexpr int kPaceIntervalMs = 10;

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200: return "OK";
    case 204: return "No Content";
    case 206: return "Partial Content";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 303: return "See Other";
    case 304: return "Not Modified";
    case 307: return "Temporary Redirect";
    case 400: return "Bad Request";
    case 401: return "Unauthorized";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 408: return "Request Timeout";
    case 410: return "Gone";
    case 416: return "Range Not Satisfiable";
    case 429: return "Too Many Requests";
    case 431: return "Request Header Fields Too Large";
    case 500: return "Internal Server Error";
    case 501: return "Not Implemented";
    case 502: return "Bad Gateway";
    case 503: return "Service Unavailable";
    case 504: return "Gateway Timeout";
    default: return "Status";
    }
}

struct ByteRange
{
    enum Kind { Whole, Part, Unsatisfiable };
    Kind kind = Whole;
    qint64 first = 0;
    qint64 last = 0;
};

bool parseDigits(const QByteArray &text, qint64 *value)
{
    if (text.isEmpty() || text.size() > 18)
        return false;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return false;
    }
    *value = text.toLongLong();
    return true;
}

// One range of "bytes=a-b", "bytes=a-" or "bytes=-n". Anything else (other
// units, several ranges, bad syntax) is ignored and the whole body is sent,
// which HTTP allows.
ByteRange parseRange(const QByteArray &header, qint64 size)
{
    ByteRange range;
    const QByteArray value = header.trimmed();
    if (!value.toLower().startsWith("bytes="))
        return range;
    const QByteArray rangeText = value.mid(6).trimmed();
    if (rangeText.contains(','))
        return range;
    const qsizetype dash = rangeText.indexOf('-');
    if (dash < 0)
        return range;
    const QByteArray a = rangeText.left(dash).trimmed();
    const QByteArray b = rangeText.mid(dash + 1).trimmed();
    qint64 first = 0;
    qint64 last = 0;
    if (a.isEmpty()) {
        qint64 suffix = 0;
        if (!parseDigits(b, &suffix))
            return range;
        if (suffix == 0 || size == 0) {
            range.kind = ByteRange::Unsatisfiable;
            return range;
        }
        range.kind = ByteRange::Part;
        range.first = qMax<qint64>(0, size - suffix);
        range.last = size - 1;
        return range;
    }
    if (!parseDigits(a, &first))
        return range;
    if (b.isEmpty()) {
        last = size - 1;
    } else {
        if (!parseDigits(b, &last) || last < first)
            return range;
    }
    if (first >= size) {
        range.kind = ByteRange::Unsatisfiable;
        return range;
    }
    range.kind = ByteRange::Part;
    range.first = first;
    range.last = qMin(last, size - 1);
    return range;
}

QByteArray errorPage(int status)
{
    const QByteArray text = QByteArray::number(status) + ' ' + reasonPhrase(status);
    return "<!DOCTYPE html>\n<html><head><title>" + text + "</title></head><body><h1>" + text
        + "</h1></body></html>\n";
}

// The path part of a request target: origin form ("/a?b") or absolute form
// ("http://host/a?b").
QByteArray targetPath(const QByteArray &target, QByteArray *query)
{
    QByteArray rest = target;
    const qsizetype scheme = rest.indexOf("://");
    if (scheme > 0 && !rest.startsWith('/')) {
        const qsizetype slash = rest.indexOf('/', scheme + 3);
        rest = slash < 0 ? QByteArray("/") : rest.mid(slash);
    }
    const qsizetype hash = rest.indexOf('#');
    if (hash >= 0)
        rest.truncate(hash);
    const qsizetype mark = rest.indexOf('?');
    if (mark >= 0) {
        *query = rest.mid(mark + 1);
        rest.truncate(mark);
    }
    return rest;
}

} // namespace

TestHttpConnection::TestHttpConnection(QTcpSocket *socket, std::shared_ptr<TestHttpServerState> state,
                                       int serial, QObject *parent)
    : QObject(parent)
    , m_socket(socket)
    , m_state(std::move(state))
    , m_serial(serial)
{
    m_socket->setParent(this);
    m_paceTimer.setInterval(kPaceIntervalMs);
    m_paceTimer.setTimerType(Qt::PreciseTimer);
    m_paceClock.start();
    connect(&m_paceTimer, &QTimer::timeout, this, &TestHttpConnection::pump);
    connect(m_socket, &QTcpSocket::readyRead, this, &TestHttpConnection::onReadyRead);
    connect(m_socket, &QTcpSocket::bytesWritten, this, &TestHttpConnection::pump);
    connect(m_socket, &QTcpSocket::disconnected, this, [this] {
        m_phase = Phase::Closing;
        m_paceTimer.stop();
        deleteLater();
    });
    if (m_socket->bytesAvailable() > 0)
        onReadyRead();
}

TestHttpConnection::~TestHttpConnection() = default;

void TestHttpConnection::onReadyRead()
{
    m_input += m_socket->readAll();
    if (m_phase == Phase::Idle)
        processInput();
}

void TestHttpConnection::processInput()
{
    if (m_phase != Phase::Idle)
        return;
    const qsizetype headerEnd = m_input.indexOf("\r\n\r\n");
    if (headerEnd < 0) {
        if (m_input.size() > kMaxHeaderBytes) {
            m_input.clear();
            Pending bad;
            bad.keepAlive = false;
            sendError(bad, 431);
        }
        return;
    }

    const QList<QByteArray> lines = m_input.left(headerEnd).split('\n');
    Pending pending;
    TestHttpServer::Request &request = pending.request;
    request.connection = m_serial;
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines.at(i).trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon > 0)
            request.headers.append(TestHttpServer::Header{line.left(colon).trimmed(), line.mid(colon + 1).trimmed()});
    }

    // A request body is read and dropped; chunked request bodies are not supported.
    qint64 contentLength = 0;
    if (request.hasHeader("Content-Length") && !parseDigits(request.header("Content-Length"), &contentLength))
        contentLength = -1;
    const bool chunked = request.header("Transfer-Encoding").toLower().contains("chunked");
    if (contentLength > 0 && m_input.size() < headerEnd + 4 + contentLength)
        return;
    m_input.remove(0, headerEnd + 4 + qMax<qint64>(0, contentLength));

    if (requestLine.size() != 3 || !requestLine.at(2).startsWith("HTTP/1.") || contentLength < 0) {
        pending.keepAlive = false;
        sendError(pending, 400);
        return;
    }
    request.method = requestLine.at(0);
    request.target = requestLine.at(1);
    const QByteArray version = requestLine.at(2);
    const QByteArray connection = request.header("Connection").toLower();
    pending.keepAlive = version == "HTTP/1.0" ? connection.contains("keep-alive") : !connection.contains("close");

    const QByteArray rewritten = m_state->rewrite(request.target);
    const QByteArray rawPath = targetPath(rewritten, &request.query);
    request.path = QUrl::fromPercentEncoding(rawPath);
    pending.logIndex = m_state->logRequest(request);

    if (chunked) {
        pending.keepAlive = false;
        sendError(pending, 501);
        return;
    }

    if (const auto fault = m_state->takeFault(request.path)) {
        pending.fault = *fault;
        pending.hasFault = true;
    }
    if (pending.hasFault && pending.fault.hang) {
        m_phase = Phase::Hanging;
        return;
    }
    if (pending.hasFault && pending.fault.delayMs > 0) {
        m_phase = Phase::Waiting;
        QTimer::singleShot(pending.fault.delayMs, this, [this, pending] {
            if (m_phase == Phase::Waiting)
                respond(pending);
        });
        return;
    }
    respond(pending);
}

void TestHttpConnection::respond(const Pending &pending)
{
    const TestHttpServer::Request &request = pending.request;
    if (pending.hasFault && pending.fault.status > 0) {
        sendError(pending, pending.fault.status);
        return;
    }
    if (const auto memory = m_state->response(request.path)) {
        Body body;
        body.memory = memory->body;
        QList<TestHttpServer::Header> headers = memory->headers;
        serveBody(pending, std::move(body), memory->body.size(), memory->contentType, memory->status, headers);
        return;
    }
    if (request.method != "GET" && request.method != "HEAD") {
        sendError(pending, 405, {{"Allow", "GET, HEAD"}});
        return;
    }
    if (!request.path.startsWith(QLatin1Char('/')) || request.path.contains(QChar(0))) {
        sendError(pending, 400);
        return;
    }
    if (request.path.split(QLatin1Char('/')).contains(QLatin1String(".."))) {
        sendError(pending, 403);
        return;
    }
    const QString root = m_state->rootDir();
    if (root.isEmpty()) {
        sendError(pending, 404);
        return;
    }
    QString filePath = QDir::cleanPath(root + request.path);
    if (QFileInfo(filePath).isDir())
        filePath += QLatin1String("/index.html");
    const QFileInfo info(filePath);
    if (!info.isFile()) {
        sendError(pending, 404);
        return;
    }
    // Symbolic links must not lead out of the served folder either.
    const QString canonicalRoot = QFileInfo(root).canonicalFilePath();
    if (!info.canonicalFilePath().startsWith(canonicalRoot + QLatin1Char('/')) || !info.isReadable()) {
        sendError(pending, 403);
        return;
    }
    serveFile(pending, filePath);
}

void TestHttpConnection::serveFile(const Pending &pending, const QString &filePath)
{
    Body body;
    body.file = std::make_unique<QFile>(filePath);
    if (!body.file->open(QIODevice::ReadOnly)) {
        sendError(pending, 403);
        return;
    }
    const qint64 size = body.file->size();
    serveBody(pending, std::move(body), size, TestHttpServer::contentTypeFor(filePath), 200, {});
}

void TestHttpConnection::serveBody(const Pending &pending, Body body, qint64 size, const QByteArray &contentType,
                                   int status, const QList<TestHttpServer::Header> &extraHeaders)
{
    const TestHttpServer::Request &request = pending.request;
    const TestHttpServer::Fault fault = pending.hasFault ? pending.fault : TestHttpServer::Fault();
    const bool head = request.method == "HEAD";

    QList<TestHttpServer::Header> headers;
    if (!contentType.isEmpty())
        headers.append(TestHttpServer::Header{"Content-Type", contentType});
    headers += extraHeaders;

    qint64 first = 0;
    qint64 length = size;
    if (status == 200) {
        headers.append(TestHttpServer::Header{"Accept-Ranges", "bytes"});
        const ByteRange range = parseRange(request.header("Range"), size);
        if (range.kind == ByteRange::Unsatisfiable) {
            Body empty;
            serveBody(pending, std::move(empty), 0, QByteArray(), 416,
                      {{"Content-Range", "bytes */" + QByteArray::number(size)}});
            return;
        }
        if (range.kind == ByteRange::Part) {
            status = 206;
            first = range.first;
            length = range.last - range.first + 1;
            headers.append(TestHttpServer::Header{"Content-Range", "bytes " + QByteArray::number(range.first) + '-'
                                                 + QByteArray::number(range.last) + '/'
                                                 + QByteArray::number(size)});
        }
    }
    if (!fault.omitContentLength)
        headers.append(TestHttpServer::Header{"Content-Length", QByteArray::number(length)});

    qint64 toSend = head ? 0 : length;
    const bool truncated = !head && fault.closeAfterBytes >= 0 && fault.closeAfterBytes < length;
    if (truncated)
        toSend = fault.closeAfterBytes;
    const bool keepAlive = pending.keepAlive && !fault.omitContentLength && !truncated;

    m_state->setRequestStatus(pending.logIndex, status);
    sendHead(status, headers, keepAlive);

    body.position += first;
    body.remaining = toSend;
    body.closeWhenDone = !keepAlive;
    if (body.file && !body.file->seek(body.position)) {
        closeConnection();
        return;
    }
    startBody(std::move(body));
}

void TestHttpConnection::sendError(const Pending &pending, int status, const QList<TestHttpServer::Header> &extraHeaders)
{
    Body body;
    body.memory = errorPage(status);
    const qint64 size = body.memory.size();
    serveBody(pending, std::move(body), size, "text/html; charset=utf-8", status, extraHeaders);
}

void TestHttpConnection::sendHead(int status, const QList<TestHttpServer::Header> &headers, bool keepAlive)
{
    QByteArray head = "HTTP/1.1 " + QByteArray::number(status) + ' ' + reasonPhrase(status) + "\r\n";
    head += "Server: marlin-test-server\r\n";
    for (const TestHttpServer::Header &header : headers)
        head += header.first + ": " + header.second + "\r\n";
    head += keepAlive ? "Connection: keep-alive\r\n" : "Connection: close\r\n";
    head += "\r\n";
    m_socket->write(head);
}

void TestHttpConnection::startBody(Body body)
{
    m_body = std::move(body);
    m_phase = Phase::Sending;
    m_budget = 0.0;
    m_paceLastNs = m_paceClock.nsecsElapsed();
    pump();
}

void TestHttpConnection::pump()
{
    if (m_phase != Phase::Sending || m_socket->state() != QAbstractSocket::ConnectedState)
        return;
    const qint64 limit = m_state->bandwidthLimit();
    while (m_body.remaining > 0 && m_socket->bytesToWrite() < kMaxBuffered) {
        qint64 count = qMin(kChunk, m_body.remaining);
        if (limit > 0) {
            const qint64 now = m_paceClock.nsecsElapsed();
            const double seconds = double(now - m_paceLastNs) / 1e9;
            m_paceLastNs = now;
            // At most a few ticks' worth may be saved up, so a pause of the
            // timer never turns into a burst.
            const double cap = qMax(double(limit) * kPaceIntervalMs * 5 / 1000.0, 1.0);
            m_budget = qMin(m_budget + double(limit) * seconds, cap);
            if (m_budget < 1.0)
                break;
            count = qMin(count, qint64(m_budget));
        }
        const QByteArray data = readBody(count);
        if (data.isEmpty()) {
            // The file shrank under us: the promised length cannot be kept.
            closeConnection();
            return;
        }
        m_socket->write(data);
        m_body.remaining -= data.size();
        if (limit > 0)
            m_budget -= double(data.size());
    }
    if (m_body.remaining == 0) {
        m_paceTimer.stop();
        finishResponse(!m_body.closeWhenDone);
        return;
    }
    if (limit > 0) {
        if (!m_paceTimer.isActive())
            m_paceTimer.start();
    } else {
        m_paceTimer.stop();
    }
}

QByteArray TestHttpConnection::readBody(qint64 count)
{
    QByteArray data;
    if (m_body.file) {
        data = m_body.file->read(count);
    } else {
        data = m_body.memory.mid(m_body.position, count);
    }
    m_body.position += data.size();
    return data;
}

void TestHttpConnection::finishResponse(bool keepAlive)
{
    m_body = Body();
    if (!keepAlive) {
        closeConnection();
        return;
    }
    m_phase = Phase::Idle;
    QTimer::singleShot(0, this, &TestHttpConnection::processInput);
}

void TestHttpConnection::closeConnection()
{
    m_phase = Phase::Closing;
    m_paceTimer.stop();
    m_body = Body();
    // Writes what is still buffered, then closes.
    m_socket->disconnectFromHost();
}
