#include "support/testhttpserver.h"
#include "support/testtools.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

const QByteArray kSmall = "0123456789abcdefghijklmnopqrstuvwxyz";
constexpr qint64 kBigSize = 3 * 1024 * 1024 + 17;

QByteArray bigContent()
{
    QByteArray data(kBigSize, Qt::Uninitialized);
    for (qint64 i = 0; i < kBigSize; ++i)
        data[i] = char((i * 7 + i / 4096) % 251);
    return data;
}

struct Fetched
{
    bool finished = false;
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
    int status = 0;
    QByteArray body;
    QList<QNetworkReply::RawHeaderPair> headers;

    QByteArray header(const QByteArray &name) const
    {
        for (const auto &pair : headers) {
            if (pair.first.compare(name, Qt::CaseInsensitive) == 0)
                return pair.second;
        }
        return QByteArray();
    }
    bool hasHeader(const QByteArray &name) const
    {
        for (const auto &pair : headers) {
            if (pair.first.compare(name, Qt::CaseInsensitive) == 0)
                return true;
        }
        return false;
    }
};

Fetched finish(QNetworkReply *reply, int timeoutMs)
{
    Fetched result;
    QSignalSpy spy(reply, &QNetworkReply::finished);
    result.finished = reply->isFinished() || spy.wait(timeoutMs);
    result.error = reply->error();
    result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    result.body = reply->readAll();
    result.headers = reply->rawHeaderPairs();
    reply->abort();
    reply->deleteLater();
    return result;
}

// Exactly these bytes on a fresh connection; everything the server sends
// until it closes.
QByteArray rawExchange(quint16 port, const QByteArray &request, int timeoutMs = 5000)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!socket.waitForConnected(timeoutMs))
        return QByteArray();
    socket.write(request);
    QByteArray received;
    QElapsedTimer clock;
    clock.start();
    while (socket.state() == QAbstractSocket::ConnectedState && clock.elapsed() < timeoutMs) {
        if (socket.waitForReadyRead(100))
            received += socket.readAll();
    }
    received += socket.readAll();
    return received;
}

int rawStatus(const QByteArray &response)
{
    // "HTTP/1.1 403 Forbidden"
    return response.mid(9, 3).toInt();
}

} // namespace

class TestHttpServerTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void getAndHead_data();
    void getAndHead();
    void largeFileStreamsIntact();
    void hugeFileStreamedNotLoaded();
    void ranges_data();
    void ranges();
    void keepAliveReusesConnection();
    void connectionCloseHonoured();
    void percentEncodedPathDecoded();
    void traversalRefused_data();
    void traversalRefused();
    void methodNotAllowed();

    void errorStatusFault_data();
    void errorStatusFault();
    void faultTimesAndPatterns();
    void missingContentLength();
    void closeAfterBytes();
    void delayedAnswer();
    void hangingRequestAndStop();

    void inMemoryResponses();
    void rewriteRules();
    void requestLog();

    void bandwidthLimitHonoured();
    void slowTransferDoesNotBlockOthers();
    void servesWhileTestThreadBlocks();
    void restartOnNewPort();

private:
    QNetworkReply *get(const QString &path, const QList<QPair<QByteArray, QByteArray>> &headers = {});

    QTemporaryDir m_root;
    QTemporaryDir m_outside;
    TestHttpServer m_server;
    QNetworkAccessManager m_nam;
    QByteArray m_big;
};

void TestHttpServerTest::initTestCase()
{
    QVERIFY(m_root.isValid());
    const QDir root(m_root.path());
    QVERIFY(root.mkpath(QStringLiteral("sub")));
    auto write = [](const QString &path, const QByteArray &data) {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
    };
    m_big = bigContent();
    QVERIFY(write(root.filePath(QStringLiteral("small.txt")), kSmall));
    QVERIFY(write(root.filePath(QStringLiteral("big.bin")), m_big));
    QVERIFY(write(root.filePath(QStringLiteral("clip.mp4")), QByteArray(1000, 'm')));
    QVERIFY(write(root.filePath(QStringLiteral("manifest.mpd")), "<MPD/>"));
    QVERIFY(write(root.filePath(QStringLiteral("en.vtt")), "WEBVTT\n"));
    QVERIFY(write(root.filePath(QStringLiteral("sub/index.html")), "<html>index</html>"));
    QVERIFY(write(root.filePath(QStringLiteral("name with space \u00fc%.txt")), "odd name"));
    QVERIFY(m_outside.isValid());
    QVERIFY(write(m_outside.filePath(QStringLiteral("secret.txt")), "secret"));
    // A link out of the served folder is refused like "..".
    QVERIFY(QFile::link(m_outside.filePath(QStringLiteral("secret.txt")), root.filePath(QStringLiteral("link.txt"))));

    QVERIFY(m_server.start(m_root.path()));
    QVERIFY(m_server.isRunning());
    QVERIFY(m_server.port() != 0);
    QCOMPARE(m_server.baseUrl(), QUrl(QStringLiteral("http://127.0.0.1:%1").arg(m_server.port())));
}

void TestHttpServerTest::init()
{
    m_server.clearFaults();
    m_server.clearRequests();
    m_server.setBandwidthLimit(0);
}

void TestHttpServerTest::cleanupTestCase()
{
    m_server.stop();
    QVERIFY(!m_server.isRunning());
}

QNetworkReply *TestHttpServerTest::get(const QString &path, const QList<QPair<QByteArray, QByteArray>> &headers)
{
    QNetworkRequest request(m_server.url(path));
    for (const auto &header : headers)
        request.setRawHeader(header.first, header.second);
    return m_nam.get(request);
}

void TestHttpServerTest::getAndHead_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("status");
    QTest::addColumn<qint64>("length");
    QTest::addColumn<QByteArray>("contentType");

    QTest::newRow("text") << "/small.txt" << 200 << qint64(kSmall.size()) << QByteArray("text/plain; charset=utf-8");
    QTest::newRow("binary") << "/big.bin" << 200 << kBigSize << QByteArray("application/octet-stream");
    QTest::newRow("mp4") << "/clip.mp4" << 200 << qint64(1000) << QByteArray("video/mp4");
    QTest::newRow("mpd") << "/manifest.mpd" << 200 << qint64(6) << QByteArray("application/dash+xml");
    QTest::newRow("vtt") << "/en.vtt" << 200 << qint64(7) << QByteArray("text/vtt; charset=utf-8");
    QTest::newRow("folder index") << "/sub" << 200 << qint64(18) << QByteArray("text/html; charset=utf-8");
    QTest::newRow("missing") << "/nothing.mp4" << 404 << qint64(-1) << QByteArray("text/html; charset=utf-8");
}

void TestHttpServerTest::getAndHead()
{
    QFETCH(QString, path);
    QFETCH(int, status);
    QFETCH(qint64, length);
    QFETCH(QByteArray, contentType);

    const Fetched got = finish(get(path), 10000);
    QVERIFY(got.finished);
    QCOMPARE(got.status, status);
    QCOMPARE(got.header("Content-Type"), contentType);
    if (length >= 0) {
        QCOMPARE(got.header("Content-Length").toLongLong(), length);
        QCOMPARE(qint64(got.body.size()), length);
        QCOMPARE(got.header("Accept-Ranges"), QByteArray("bytes"));
    }

    const Fetched head = finish(m_nam.head(QNetworkRequest(m_server.url(path))), 10000);
    QVERIFY(head.finished);
    QCOMPARE(head.status, status);
    QCOMPARE(head.header("Content-Type"), contentType);
    QVERIFY(head.body.isEmpty());
    if (length >= 0)
        QCOMPARE(head.header("Content-Length").toLongLong(), length);
}

void TestHttpServerTest::largeFileStreamsIntact()
{
    const Fetched got = finish(get(QStringLiteral("/big.bin")), 30000);
    QVERIFY(got.finished);
    QCOMPARE(got.error, QNetworkReply::NoError);
    QCOMPARE(got.body.size(), m_big.size());
    QCOMPARE(QCryptographicHash::hash(got.body, QCryptographicHash::Sha1),
             QCryptographicHash::hash(m_big, QCryptographicHash::Sha1));
}

// Peak resident memory of this process, in KiB.
static qint64 peakResidentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

void TestHttpServerTest::hugeFileStreamedNotLoaded()
{
    // A sparse 100 MiB file: quick to make, and the server must stream it.
    const qint64 size = 100 * 1024 * 1024;
    const QString path = QDir(m_root.path()).filePath(QStringLiteral("huge.bin"));
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.resize(size));
    }
    const qint64 peakBefore = peakResidentKiB();

    QNetworkReply *reply = get(QStringLiteral("/huge.bin"));
    reply->setReadBufferSize(1024 * 1024);
    qint64 received = 0;
    connect(reply, &QIODevice::readyRead, this, [&] { received += reply->readAll().size(); });
    QSignalSpy finished(reply, &QNetworkReply::finished);
    QVERIFY(finished.wait(60000));
    received += reply->readAll().size();
    QCOMPARE(reply->error(), QNetworkReply::NoError);
    QCOMPARE(received, size);
    delete reply;
    QFile::remove(path);

#if !defined(__SANITIZE_ADDRESS__)
    // (AddressSanitizer keeps freed memory in quarantine, so peaks mean nothing there.)
    const qint64 growthKiB = peakResidentKiB() - peakBefore;
    QVERIFY2(growthKiB < 40 * 1024, qPrintable(QStringLiteral("peak memory grew by %1 KiB").arg(growthKiB)));
#endif
}

void TestHttpServerTest::ranges_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QByteArray>("range");
    QTest::addColumn<int>("status");
    QTest::addColumn<qint64>("first");
    QTest::addColumn<qint64>("last");

    const qint64 n = kSmall.size();
    QTest::newRow("a-b") << "/small.txt" << QByteArray("bytes=0-9") << 206 << qint64(0) << qint64(9);
    QTest::newRow("a-") << "/small.txt" << QByteArray("bytes=10-") << 206 << qint64(10) << n - 1;
    QTest::newRow("-n") << "/small.txt" << QByteArray("bytes=-5") << 206 << n - 5 << n - 1;
    QTest::newRow("-n longer than file") << "/small.txt" << QByteArray("bytes=-500") << 206 << qint64(0) << n - 1;
    QTest::newRow("end clamped") << "/small.txt" << QByteArray("bytes=30-1000") << 206 << qint64(30) << n - 1;
    QTest::newRow("single byte") << "/small.txt" << QByteArray("bytes=35-35") << 206 << n - 1 << n - 1;
    QTest::newRow("big middle") << "/big.bin" << QByteArray("bytes=1048576-2097151") << 206 << qint64(1048576)
                                << qint64(2097151);
    QTest::newRow("start past end") << "/small.txt" << QByteArray("bytes=36-") << 416 << qint64(-1) << qint64(-1);
    QTest::newRow("empty suffix") << "/small.txt" << QByteArray("bytes=-0") << 416 << qint64(-1) << qint64(-1);
    QTest::newRow("reversed ignored") << "/small.txt" << QByteArray("bytes=9-2") << 200 << qint64(0) << n - 1;
    QTest::newRow("other unit ignored") << "/small.txt" << QByteArray("items=0-1") << 200 << qint64(0) << n - 1;
    QTest::newRow("several ignored") << "/small.txt" << QByteArray("bytes=0-1,4-5") << 200 << qint64(0) << n - 1;
    QTest::newRow("garbage ignored") << "/small.txt" << QByteArray("bytes=x-y") << 200 << qint64(0) << n - 1;
}

void TestHttpServerTest::ranges()
{
    QFETCH(QString, path);
    QFETCH(QByteArray, range);
    QFETCH(int, status);
    QFETCH(qint64, first);
    QFETCH(qint64, last);

    const QByteArray whole = path == QLatin1String("/small.txt") ? kSmall : m_big;
    const Fetched got = finish(get(path, {{"Range", range}}), 10000);
    QVERIFY(got.finished);
    QCOMPARE(got.status, status);
    const QByteArray total = QByteArray::number(whole.size());
    if (status == 416) {
        QCOMPARE(got.header("Content-Range"), "bytes */" + total);
        return;
    }
    QCOMPARE(got.body, whole.mid(first, last - first + 1));
    QCOMPARE(got.header("Content-Length").toLongLong(), last - first + 1);
    if (status == 206)
        QCOMPARE(got.header("Content-Range"),
                 "bytes " + QByteArray::number(first) + '-' + QByteArray::number(last) + '/' + total);
    else
        QVERIFY(!got.hasHeader("Content-Range"));
    QCOMPARE(m_server.requests().value(0).status, status);
}

void TestHttpServerTest::keepAliveReusesConnection()
{
    QNetworkAccessManager nam;
    const int before = m_server.connectionCount();
    for (int i = 0; i < 3; ++i) {
        const Fetched got = finish(nam.get(QNetworkRequest(m_server.url(QStringLiteral("/small.txt")))), 10000);
        QCOMPARE(got.status, 200);
        QCOMPARE(got.header("Connection").toLower(), QByteArray("keep-alive"));
        QCOMPARE(got.body, kSmall);
    }
    QCOMPARE(m_server.connectionCount() - before, 1);
}

void TestHttpServerTest::connectionCloseHonoured()
{
    const QByteArray response = rawExchange(
        m_server.port(), "GET /small.txt HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n");
    QCOMPARE(rawStatus(response), 200);
    QVERIFY(response.contains("\r\nConnection: close\r\n"));
    QVERIFY(response.endsWith("\r\n\r\n" + kSmall));

    // HTTP/1.0 without keep-alive closes too.
    const QByteArray old = rawExchange(m_server.port(), "GET /small.txt HTTP/1.0\r\n\r\n");
    QCOMPARE(rawStatus(old), 200);
    QVERIFY(old.endsWith(kSmall));
}

void TestHttpServerTest::percentEncodedPathDecoded()
{
    const QByteArray target = "/name%20with%20space%20%C3%BC%25.txt";
    const QByteArray response = rawExchange(m_server.port(), "GET " + target + "?x=%2F HTTP/1.1\r\nConnection: close\r\n\r\n");
    QCOMPARE(rawStatus(response), 200);
    QVERIFY(response.endsWith("odd name"));
    const TestHttpServer::Request request = m_server.requests().value(0);
    QCOMPARE(request.target, target + "?x=%2F");
    QCOMPARE(request.path, QStringLiteral("/name with space \u00fc%.txt"));
    QCOMPARE(request.query, QByteArray("x=%2F"));

    // The same through QNetworkAccessManager, which keeps the encoding it was given.
    const Fetched got = finish(get(QString::fromLatin1(target)), 10000);
    QCOMPARE(got.status, 200);
    QCOMPARE(m_server.requests().value(1).target, target);
}

void TestHttpServerTest::traversalRefused_data()
{
    QTest::addColumn<QByteArray>("target");
    QTest::addColumn<int>("status");

    const QByteArray outside = QDir(m_root.path()).relativeFilePath(m_outside.filePath(QStringLiteral("secret.txt"))).toUtf8();
    QTest::newRow("dot dot") << QByteArray("/../" + outside) << 403;
    QTest::newRow("nested dot dot") << QByteArray("/sub/../../" + outside) << 403;
    QTest::newRow("encoded dot dot") << QByteArray("/%2e%2e/" + outside) << 403;
    QTest::newRow("encoded slash") << QByteArray("/..%2f" + outside) << 403;
    QTest::newRow("inner dot dot") << QByteArray("/sub/../small.txt") << 403;
    QTest::newRow("link out") << QByteArray("/link.txt") << 403;
    QTest::newRow("absolute form") << QByteArray("http://127.0.0.1/../" + outside) << 403;
    QTest::newRow("no leading slash") << QByteArray("small.txt") << 400;
}

void TestHttpServerTest::traversalRefused()
{
    QFETCH(QByteArray, target);
    QFETCH(int, status);
    const QByteArray response = rawExchange(m_server.port(), "GET " + target + " HTTP/1.1\r\nConnection: close\r\n\r\n");
    QCOMPARE(rawStatus(response), status);
    QVERIFY(!response.contains("secret"));
}

void TestHttpServerTest::methodNotAllowed()
{
    const QByteArray response = rawExchange(
        m_server.port(), "POST /small.txt HTTP/1.1\r\nContent-Length: 4\r\nConnection: close\r\n\r\nbody");
    QCOMPARE(rawStatus(response), 405);
    QVERIFY(response.contains("\r\nAllow: GET, HEAD\r\n"));
    QCOMPARE(m_server.requests().value(0).method, QByteArray("POST"));
}

void TestHttpServerTest::errorStatusFault_data()
{
    QTest::addColumn<int>("status");
    QTest::newRow("403") << 403;
    QTest::newRow("404") << 404;
    QTest::newRow("500") << 500;
    QTest::newRow("503") << 503;
}

void TestHttpServerTest::errorStatusFault()
{
    QFETCH(int, status);
    TestHttpServer::Fault fault;
    fault.status = status;
    m_server.setFault(QStringLiteral("/small.txt"), fault);

    const Fetched got = finish(get(QStringLiteral("/small.txt")), 10000);
    QCOMPARE(got.status, status);
    QVERIFY(got.error != QNetworkReply::NoError);
    QVERIFY(got.body.contains(QByteArray::number(status)));
    // Other paths are unaffected.
    QCOMPARE(finish(get(QStringLiteral("/clip.mp4")), 10000).status, 200);
}

void TestHttpServerTest::faultTimesAndPatterns()
{
    TestHttpServer::Fault once;
    once.status = 500;
    once.times = 1;
    m_server.setFault(QStringLiteral("/sub/*"), once);
    QCOMPARE(finish(get(QStringLiteral("/sub/index.html")), 10000).status, 500);
    QCOMPARE(finish(get(QStringLiteral("/sub/index.html")), 10000).status, 200);

    // A specific pattern wins over the global fault, whatever the order of setting.
    TestHttpServer::Fault global;
    global.status = 503;
    m_server.setGlobalFault(global);
    TestHttpServer::Fault specific;
    specific.status = 410;
    m_server.setFault(QStringLiteral("*.mp?"), specific);
    QCOMPARE(finish(get(QStringLiteral("/clip.mp4")), 10000).status, 410);
    QCOMPARE(finish(get(QStringLiteral("/small.txt")), 10000).status, 503);
    m_server.clearFault(QStringLiteral("*"));
    QCOMPARE(finish(get(QStringLiteral("/small.txt")), 10000).status, 200);
    QCOMPARE(finish(get(QStringLiteral("/clip.mp4")), 10000).status, 410);
    m_server.clearFaults();
    QCOMPARE(finish(get(QStringLiteral("/clip.mp4")), 10000).status, 200);
}

void TestHttpServerTest::missingContentLength()
{
    TestHttpServer::Fault fault;
    fault.omitContentLength = true;
    m_server.setFault(QStringLiteral("/big.bin"), fault);

    const Fetched got = finish(get(QStringLiteral("/big.bin")), 30000);
    QVERIFY(got.finished);
    QCOMPARE(got.error, QNetworkReply::NoError);
    QCOMPARE(got.status, 200);
    QVERIFY(!got.hasHeader("Content-Length"));
    QCOMPARE(got.header("Connection").toLower(), QByteArray("close"));
    QCOMPARE(got.body.size(), m_big.size());
    QVERIFY(got.body == m_big);

    // A range is still honoured, only its length is left out.
    const Fetched part = finish(get(QStringLiteral("/big.bin"), {{"Range", "bytes=100-199"}}), 10000);
    QCOMPARE(part.status, 206);
    QVERIFY(!part.hasHeader("Content-Length"));
    QCOMPARE(part.body, m_big.mid(100, 100));
}

void TestHttpServerTest::closeAfterBytes()
{
    TestHttpServer::Fault fault;
    fault.closeAfterBytes = 100000;
    m_server.setFault(QStringLiteral("/big.bin"), fault);

    // On the wire: the full length announced, then exactly that many bytes, then the end.
    const QByteArray raw = rawExchange(m_server.port(), "GET /big.bin HTTP/1.1\r\n\r\n");
    const qsizetype bodyStart = raw.indexOf("\r\n\r\n") + 4;
    QVERIFY(bodyStart > 4);
    QCOMPARE(rawStatus(raw), 200);
    QVERIFY(raw.left(bodyStart).contains("\r\nContent-Length: " + QByteArray::number(kBigSize) + "\r\n"));
    QVERIFY(raw.left(bodyStart).contains("\r\nConnection: close\r\n"));
    QCOMPARE(raw.size() - bodyStart, 100000);
    QVERIFY(raw.mid(bodyStart) == m_big.left(100000));

    // QNetworkAccessManager (6.4) does not always flag such a body as an
    // error, so a client has to compare what it got with Content-Length.
    QNetworkReply *reply = get(QStringLiteral("/big.bin"));
    QByteArray received;
    connect(reply, &QIODevice::readyRead, this, [&] { received += reply->readAll(); });
    const Fetched got = finish(reply, 30000);
    received += got.body;
    QVERIFY(got.finished);
    QCOMPARE(got.header("Content-Length").toLongLong(), kBigSize);
    QCOMPARE(received.size(), 100000);
    QVERIFY(received == m_big.left(100000));

    // What a resuming client does next: ask for the rest.
    m_server.clearFaults();
    const Fetched rest = finish(get(QStringLiteral("/big.bin"), {{"Range", "bytes=100000-"}}), 30000);
    QCOMPARE(rest.status, 206);
    QVERIFY(received + rest.body == m_big);
}

void TestHttpServerTest::delayedAnswer()
{
    TestHttpServer::Fault fault;
    fault.delayMs = 400;
    m_server.setFault(QStringLiteral("/small.txt"), fault);
    QElapsedTimer clock;
    clock.start();
    const Fetched got = finish(get(QStringLiteral("/small.txt")), 10000);
    QCOMPARE(got.status, 200);
    QCOMPARE(got.body, kSmall);
    QVERIFY2(clock.elapsed() >= 350, qPrintable(QString::number(clock.elapsed())));
}

void TestHttpServerTest::hangingRequestAndStop()
{
    TestHttpServer server;
    QVERIFY(server.start(m_root.path()));
    TestHttpServer::Fault fault;
    fault.hang = true;
    server.setGlobalFault(fault);

    QNetworkAccessManager nam;
    QNetworkReply *reply = nam.get(QNetworkRequest(server.url(QStringLiteral("/small.txt"))));
    QSignalSpy finished(reply, &QNetworkReply::finished);
    QTRY_COMPARE_WITH_TIMEOUT(server.requestCount(), 1, 10000);
    QVERIFY(!finished.wait(300));
    QCOMPARE(server.requests().value(0).status, 0);

    // Stopping closes the hanging connection; the client sees an error, not a hang.
    QElapsedTimer clock;
    clock.start();
    server.stop();
    QVERIFY(clock.elapsed() < 5000);
    QVERIFY(finished.count() == 1 || finished.wait(10000));
    QVERIFY(reply->error() != QNetworkReply::NoError);
    delete reply;
}

void TestHttpServerTest::inMemoryResponses()
{
    const QByteArray ini = "[update]\nversion=2023.03.04\n";
    m_server.setResponse(QStringLiteral("/update/latest.ini"), ini, "text/plain; charset=utf-8");
    Fetched got = finish(get(QStringLiteral("/update/latest.ini")), 10000);
    QCOMPARE(got.status, 200);
    QCOMPARE(got.body, ini);
    QCOMPARE(got.header("Content-Type"), QByteArray("text/plain; charset=utf-8"));

    got = finish(get(QStringLiteral("/update/latest.ini"), {{"Range", "bytes=1-6"}}), 10000);
    QCOMPARE(got.status, 206);
    QCOMPARE(got.body, QByteArray("update"));

    // A memory answer may carry any status and headers, and wins over a file.
    TestHttpServer::Response moved;
    moved.status = 302;
    moved.contentType = "text/plain";
    moved.body = "moved";
    moved.headers.append({"Location", m_server.url(QStringLiteral("/clip.mp4")).toEncoded()});
    m_server.setResponse(QStringLiteral("/small.txt"), moved);
    const QByteArray raw = rawExchange(m_server.port(), "GET /small.txt HTTP/1.1\r\nConnection: close\r\n\r\n");
    QCOMPARE(rawStatus(raw), 302);
    QVERIFY(raw.contains("\r\nLocation: http://127.0.0.1:"));
    m_server.removeResponse(QStringLiteral("/small.txt"));
    QCOMPARE(finish(get(QStringLiteral("/small.txt")), 10000).body, kSmall);

    m_server.removeResponse(QStringLiteral("/update/latest.ini"));
    QCOMPARE(finish(get(QStringLiteral("/update/latest.ini")), 10000).status, 404);
}

void TestHttpServerTest::rewriteRules()
{
    m_server.addRewrite(QRegularExpression(QStringLiteral("^/watch\\?v=([a-z]+)$")), QStringLiteral("/sub/\\1.html"));
    QVERIFY(QFile::copy(QDir(m_root.path()).filePath(QStringLiteral("sub/index.html")),
                        QDir(m_root.path()).filePath(QStringLiteral("sub/page.html"))));
    const Fetched got = finish(get(QStringLiteral("/watch?v=page")), 10000);
    QCOMPARE(got.status, 200);
    QCOMPARE(got.body, QByteArray("<html>index</html>"));
    const TestHttpServer::Request request = m_server.requests().value(0);
    QCOMPARE(request.target, QByteArray("/watch?v=page"));
    QCOMPARE(request.path, QStringLiteral("/sub/page.html"));
    m_server.clearRewrites();
    QCOMPARE(finish(get(QStringLiteral("/watch?v=page")), 10000).status, 404);
}

void TestHttpServerTest::requestLog()
{
    QCOMPARE(m_server.requestCount(), 0);
    finish(get(QStringLiteral("/small.txt"), {{"X-Marlin-Test", "yes"}, {"Range", "bytes=2-3"}}), 10000);
    finish(m_nam.head(QNetworkRequest(m_server.url(QStringLiteral("/clip.mp4")))), 10000);
    finish(get(QStringLiteral("/missing")), 10000);

    const QList<TestHttpServer::Request> log = m_server.requests();
    QCOMPARE(log.size(), 3);
    QCOMPARE(log.at(0).method, QByteArray("GET"));
    QCOMPARE(log.at(0).path, QStringLiteral("/small.txt"));
    QCOMPARE(log.at(0).header("x-marlin-test"), QByteArray("yes"));
    QCOMPARE(log.at(0).header("RANGE"), QByteArray("bytes=2-3"));
    QVERIFY(log.at(0).hasHeader("Host"));
    QVERIFY(!log.at(0).hasHeader("X-Absent"));
    QCOMPARE(log.at(0).status, 206);
    QCOMPARE(log.at(1).method, QByteArray("HEAD"));
    QCOMPARE(log.at(1).status, 200);
    QCOMPARE(log.at(2).status, 404);
    QCOMPARE(m_server.requestCount(QStringLiteral("/clip.mp4")), 1);
    QCOMPARE(m_server.requestsFor(QStringLiteral("/small.txt")).size(), 1);
    m_server.clearRequests();
    QCOMPARE(m_server.requestCount(), 0);
}

void TestHttpServerTest::bandwidthLimitHonoured()
{
    // 1 MiB at 400 KiB/s takes about 2.5 s; the bounds are wide on purpose.
    const qint64 limit = 400 * 1024;
    m_server.setBandwidthLimit(limit);
    QCOMPARE(m_server.bandwidthLimit(), limit);

    QElapsedTimer clock;
    clock.start();
    const Fetched got = finish(get(QStringLiteral("/big.bin"), {{"Range", "bytes=0-1048575"}}), 30000);
    const qint64 elapsed = clock.elapsed();
    QCOMPARE(got.status, 206);
    QCOMPARE(got.body.size(), 1048576);
    QVERIFY2(elapsed >= 1800, qPrintable(QStringLiteral("took only %1 ms").arg(elapsed)));
    QVERIFY2(elapsed <= 15000, qPrintable(QStringLiteral("took %1 ms").arg(elapsed)));

    m_server.setBandwidthLimit(0);
    clock.restart();
    QCOMPARE(finish(get(QStringLiteral("/big.bin")), 30000).body.size(), m_big.size());
    QVERIFY2(clock.elapsed() < elapsed, "unlimited must be faster than limited");
}

void TestHttpServerTest::slowTransferDoesNotBlockOthers()
{
    m_server.setBandwidthLimit(64 * 1024);
    QNetworkAccessManager slowNam;
    QNetworkReply *slow = slowNam.get(QNetworkRequest(m_server.url(QStringLiteral("/big.bin"))));
    QSignalSpy slowProgress(slow, &QNetworkReply::downloadProgress);
    QVERIFY(slowProgress.wait(10000));

    // Another connection is served at once (its small body needs well under
    // a second even at the limit), while the slow one goes on.
    const Fetched quick = finish(get(QStringLiteral("/small.txt")), 10000);
    QCOMPARE(quick.body, kSmall);
    QVERIFY(!slow->isFinished());

    // Lifting the limit speeds up the body already under way.
    m_server.setBandwidthLimit(0);
    QSignalSpy slowFinished(slow, &QNetworkReply::finished);
    QVERIFY(slow->isFinished() || slowFinished.wait(20000));
    QCOMPARE(slow->error(), QNetworkReply::NoError);
    QCOMPARE(slow->readAll().size(), m_big.size());
    delete slow;
}

void TestHttpServerTest::servesWhileTestThreadBlocks()
{
    MARLIN_REQUIRE_PROGRAM("python3");
    // The test's thread waits for the child, which fetches from the server.
    const QString script = QStringLiteral(
        "import sys, urllib.request\n"
        "r = urllib.request.urlopen(urllib.request.Request(sys.argv[1], headers={'Range': 'bytes=0-9'}))\n"
        "sys.stdout.write('%d %s' % (r.status, r.read().decode()))\n");
    const TestTools::RunResult run = TestTools::run(
        TestTools::pythonPath(), {QStringLiteral("-c"), script, m_server.url(QStringLiteral("/small.txt")).toString()}, 30000);
    QVERIFY2(run.succeeded(), qPrintable(run.describe()));
    QCOMPARE(run.standardOutput, QByteArray("206 0123456789"));
    QCOMPARE(m_server.requests().value(0).header("Connection"), QByteArray("close"));
}

void TestHttpServerTest::restartOnNewPort()
{
    TestHttpServer server;
    QVERIFY(server.start(m_root.path()));
    QVERIFY(!server.start(m_root.path()));
    const quint16 first = server.port();
    server.stop();
    server.stop();
    QCOMPARE(server.port(), quint16(0));
    QVERIFY(server.start(m_root.path()));
    QVERIFY(server.port() != 0);
    Q_UNUSED(first);
    QCOMPARE(finish(m_nam.get(QNetworkRequest(server.url(QStringLiteral("/small.txt")))), 10000).body, kSmall);

    // A port in use is refused.
    TestHttpServer other;
    QVERIFY(!other.start(m_root.path(), server.port()));
    QVERIFY(!other.isRunning());
}

QTEST_GUILESS_MAIN(TestHttpServerTest)
#include "tst_testhttpserver.moc"
