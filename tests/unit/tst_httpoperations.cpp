#include "support/testhttpserver.h"

#include "tarncore/task/httpdownloader.h"
#include "tarncore/task/httpsizerequester.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using Kel::HttpDownloader;
using Kel::HttpSizeRequester;

Q_DECLARE_METATYPE(TestHttpServer::Fault)

namespace {

constexpr int waitMs = 20000;

QByteArray patterned(int size)
{
    QByteArray data(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        data[i] = char((i * 31 + i / 977) % 253);
    return data;
}

QByteArray readAll(const QString &file)
{
    QFile in(file);
    return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
}

bool writeAll(const QString &file, const QByteArray &data)
{
    QFile out(file);
    return out.open(QIODevice::WriteOnly | QIODevice::Truncate) && out.write(data) == data.size();
}

} // namespace

// The HTTP operations against the local test server.
class HttpOperationsTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void downloadSucceeds();
    void downloadWithoutAnnouncedLength();
    void downloadToExistingDestination();
    void downloadFailsHalfWay_data();
    void downloadFailsHalfWay();
    void downloadRefusedAtStart_data();
    void downloadRefusedAtStart();
    void destroyedWhileRunningLeavesNothing();
    void destinationAppearingMeanwhileIsKept();

    void sizeRequest_data();
    void sizeRequest();
    void sizeOfEmptyAddress();
    void sizeRequestSendsAddressUnchanged_data();
    void sizeRequestSendsAddressUnchanged();
    void systemProxyIsUsed();

private:
    QString served(const QString &name) const { return m_served.filePath(name); }
    QString dest(const QString &name) const { return m_dest.filePath(name); }
    QStringList destEntries() const { return QDir(m_dest.path()).entryList(QDir::Files | QDir::Hidden); }

    TestHttpServer m_server;
    QTemporaryDir m_served;
    QTemporaryDir m_dest;
    QByteArray m_content;
};

void HttpOperationsTest::initTestCase()
{
    QVERIFY(m_served.isValid() && m_dest.isValid());
    m_content = patterned(300 * 1024 + 7);
    QVERIFY(writeAll(served(QStringLiteral("thumb.jpg")), m_content));
    QVERIFY(m_server.start(m_served.path()));
}

void HttpOperationsTest::init()
{
    m_server.clearFaults();
    m_server.clearRequests();
    m_server.setBandwidthLimit(0);
    QDir destDir(m_dest.path());
    for (const QString &name : destDir.entryList(QDir::Files | QDir::Hidden))
        QVERIFY(destDir.remove(name));
}

void HttpOperationsTest::cleanupTestCase()
{
    m_server.stop();
}

void HttpOperationsTest::downloadSucceeds()
{
    const QString url = m_server.url(QStringLiteral("/thumb.jpg")).toString();
    const QString target = dest(QStringLiteral("thumb.jpg"));
    HttpDownloader downloader(url, target);
    QSignalSpy started(&downloader, &HttpOperater::started);
    QSignalSpy progress(&downloader, &HttpOperater::progress);
    QSignalSpy errors(&downloader, &HttpOperater::error);
    QSignalSpy finished(&downloader, &HttpOperater::finished);
    QSignalSpy done(&downloader, &HttpDownloader::downloadFinished);

    QVERIFY(downloader.start());
    QCOMPARE(started.count(), 1);
    QVERIFY(done.wait(waitMs));
    QCOMPARE(errors.count(), 0);
    QCOMPARE(finished.count(), 1);
    QCOMPARE(done.count(), 1);
    QCOMPARE(done.at(0).at(0).toString(), url);
    QCOMPARE(done.at(0).at(1).toString(), target);
    QCOMPARE(readAll(target), m_content);
    QCOMPARE(destEntries(), QStringList{QStringLiteral("thumb.jpg")});
    // Total first, then what has arrived.
    QVERIFY(!progress.isEmpty());
    QCOMPARE(progress.last().at(0).toLongLong(), qint64(m_content.size()));
    QCOMPARE(progress.last().at(1).toLongLong(), qint64(m_content.size()));
    QCOMPARE(m_server.requestCount(QStringLiteral("/thumb.jpg")), 1);
}

void HttpOperationsTest::downloadWithoutAnnouncedLength()
{
    // The body ends with the connection: complete, so a success.
    TestHttpServer::Fault noLength;
    noLength.omitContentLength = true;
    m_server.setFault(QStringLiteral("/thumb.jpg"), noLength);
    const QString target = dest(QStringLiteral("unannounced.jpg"));
    HttpDownloader downloader(m_server.url(QStringLiteral("/thumb.jpg")).toString(), target);
    QSignalSpy errors(&downloader, &HttpOperater::error);
    QSignalSpy done(&downloader, &HttpDownloader::downloadFinished);
    QVERIFY(downloader.start());
    QVERIFY(done.wait(waitMs));
    QCOMPARE(errors.count(), 0);
    QCOMPARE(readAll(target), m_content);
    QCOMPARE(destEntries(), QStringList{QStringLiteral("unannounced.jpg")});
}

void HttpOperationsTest::downloadToExistingDestination()
{
    const QString url = m_server.url(QStringLiteral("/thumb.jpg")).toString();
    const QString target = dest(QStringLiteral("existing.jpg"));
    QVERIFY(writeAll(target, "keep me"));
    HttpDownloader downloader(url, target);
    QStringList order;
    connect(&downloader, &HttpOperater::error, this, [&](qint32 code) { order << QStringLiteral("error %1").arg(code); });
    connect(&downloader, &HttpDownloader::downloadFinished, this,
            [&](const QString &u, const QString &d) { order << QStringLiteral("done %1 %2").arg(u, d); });

    QVERIFY(downloader.start());
    QCOMPARE(order, (QStringList{QStringLiteral("error -1"), QStringLiteral("done %1 %2").arg(url, target)}));
    QCOMPARE(readAll(target), QByteArray("keep me"));
    QCOMPARE(destEntries(), QStringList{QStringLiteral("existing.jpg")});
    QCOMPARE(m_server.requestCount(), 0);
}

void HttpOperationsTest::downloadFailsHalfWay_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<TestHttpServer::Fault>("fault");
    QTest::addColumn<int>("code");
    TestHttpServer::Fault cut;
    cut.closeAfterBytes = 100 * 1024;
    QTest::newRow("connection cut mid-body") << QStringLiteral("/thumb.jpg") << cut
                                             << int(QNetworkReply::RemoteHostClosedError);
    TestHttpServer::Fault missing;
    missing.status = 404;
    QTest::newRow("not found") << QStringLiteral("/thumb.jpg") << missing
                               << int(QNetworkReply::ContentNotFoundError);
    TestHttpServer::Fault broken;
    broken.status = 500;
    QTest::newRow("server error") << QStringLiteral("/thumb.jpg") << broken
                                  << int(QNetworkReply::InternalServerError);
    QTest::newRow("no such file") << QStringLiteral("/absent.jpg") << TestHttpServer::Fault()
                                  << int(QNetworkReply::ContentNotFoundError);
}

void HttpOperationsTest::downloadFailsHalfWay()
{
    QFETCH(QString, path);
    QFETCH(TestHttpServer::Fault, fault);
    QFETCH(int, code);
    if (fault.status || fault.closeAfterBytes >= 0)
        m_server.setFault(path, fault);
    const QString url = m_server.url(path).toString();
    const QString target = dest(QStringLiteral("thumb.jpg"));
    // A leftover of an earlier attempt goes too.
    QVERIFY(writeAll(target + QStringLiteral(".part"), "stale"));

    HttpDownloader downloader(url, target);
    QSignalSpy errors(&downloader, &HttpOperater::error);
    QSignalSpy finished(&downloader, &HttpOperater::finished);
    QSignalSpy done(&downloader, &HttpDownloader::downloadFinished);
    bool partGoneAtEnd = false;
    connect(&downloader, &HttpDownloader::downloadFinished, this,
            [&] { partGoneAtEnd = !QFileInfo::exists(target + QStringLiteral(".part")); });
    QVERIFY(downloader.start());
    QVERIFY(done.wait(waitMs));
    QCOMPARE(errors.count(), 1);
    QCOMPARE(errors.at(0).at(0).toInt(), code);
    QCOMPARE(finished.count(), 0);
    QCOMPARE(done.at(0).at(0).toString(), url);
    QVERIFY(partGoneAtEnd);
    QCOMPARE(destEntries(), QStringList());
}

void HttpOperationsTest::downloadRefusedAtStart_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("target");
    const QString url = m_server.url(QStringLiteral("/thumb.jpg")).toString();
    QTest::newRow("empty address") << QString() << dest(QStringLiteral("a.jpg"));
    QTest::newRow("empty destination") << url << QString();
    QTest::newRow("destination folder missing") << url << dest(QStringLiteral("no/such/folder/a.jpg"));
}

void HttpOperationsTest::downloadRefusedAtStart()
{
    QFETCH(QString, url);
    QFETCH(QString, target);
    HttpDownloader downloader(url, target);
    QStringList order;
    connect(&downloader, &HttpOperater::error, this, [&](qint32 c) { order << QStringLiteral("error %1").arg(c); });
    connect(&downloader, &HttpOperater::started, this, [&] { order << QStringLiteral("started"); });
    connect(&downloader, &HttpDownloader::downloadFinished, this,
            [&](const QString &u, const QString &d) { order << QStringLiteral("done %1 [%2]").arg(u, d); });
    QVERIFY(!downloader.start());
    QCOMPARE(order, (QStringList{QStringLiteral("error -1"), QStringLiteral("done %1 []").arg(url)}));
    QCOMPARE(destEntries(), QStringList());
    QCOMPARE(m_server.requestCount(), 0);
}

void HttpOperationsTest::destroyedWhileRunningLeavesNothing()
{
    m_server.setBandwidthLimit(20 * 1024);
    const QString target = dest(QStringLiteral("slow.jpg"));
    auto downloader = std::make_unique<HttpDownloader>(m_server.url(QStringLiteral("/thumb.jpg")).toString(), target);
    QSignalSpy progress(downloader.get(), &HttpOperater::progress);
    QVERIFY(downloader->start());
    QTRY_VERIFY_WITH_TIMEOUT(!progress.isEmpty() && progress.last().at(1).toLongLong() > 0, waitMs);
    QVERIFY(QFileInfo::exists(target + QStringLiteral(".part")));
    downloader.reset();
    QCOMPARE(destEntries(), QStringList());
}

void HttpOperationsTest::destinationAppearingMeanwhileIsKept()
{
    m_server.setBandwidthLimit(200 * 1024);
    const QString target = dest(QStringLiteral("raced.jpg"));
    HttpDownloader downloader(m_server.url(QStringLiteral("/thumb.jpg")).toString(), target);
    QSignalSpy progress(&downloader, &HttpOperater::progress);
    QSignalSpy errors(&downloader, &HttpOperater::error);
    QSignalSpy finished(&downloader, &HttpOperater::finished);
    QSignalSpy done(&downloader, &HttpDownloader::downloadFinished);
    QVERIFY(downloader.start());
    QVERIFY(progress.wait(waitMs));
    QVERIFY(writeAll(target, "someone else's"));
    QVERIFY(done.wait(waitMs));
    QCOMPARE(errors.count(), 1);
    QCOMPARE(errors.at(0).at(0).toInt(), -1);
    QCOMPARE(finished.count(), 0);
    QCOMPARE(readAll(target), QByteArray("someone else's"));
    QCOMPARE(destEntries(), QStringList{QStringLiteral("raced.jpg")});
}

void HttpOperationsTest::sizeRequest_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<TestHttpServer::Fault>("fault");
    QTest::addColumn<qint64>("size");
    // The size announced for the body reaches the requester through the
    // reply's progress before the end; it is reported once.
    QTest::newRow("content length") << QStringLiteral("/thumb.jpg") << TestHttpServer::Fault()
                                    << qint64(300 * 1024 + 7);
    QTest::newRow("answer from memory") << QStringLiteral("/generated") << TestHttpServer::Fault() << qint64(4321);
    TestHttpServer::Fault noLength;
    noLength.omitContentLength = true;
    QTest::newRow("no content length") << QStringLiteral("/thumb.jpg") << noLength << qint64(-1);
    // The error page's length is not the resource's size.
    TestHttpServer::Fault missing;
    missing.status = 404;
    QTest::newRow("not found") << QStringLiteral("/thumb.jpg") << missing << qint64(-1);
    QTest::newRow("no such file") << QStringLiteral("/absent.jpg") << TestHttpServer::Fault() << qint64(-1);
}

void HttpOperationsTest::sizeRequest()
{
    QFETCH(QString, path);
    QFETCH(TestHttpServer::Fault, fault);
    QFETCH(qint64, size);
    if (fault.status || fault.omitContentLength)
        m_server.setFault(path, fault);
    m_server.setResponse(QStringLiteral("/generated"), QByteArray(4321, 'g'), "video/webm");
    const QString url = m_server.url(path).toString();
    HttpSizeRequester requester(url);
    QSignalSpy errors(&requester, &HttpOperater::error);
    QSignalSpy finished(&requester, &HttpOperater::finished);
    QSignalSpy started(&requester, &HttpOperater::started);
    QSignalSpy done(&requester, &HttpSizeRequester::requestFinished);
    QVERIFY(requester.start());
    QVERIFY(done.wait(waitMs));
    QCOMPARE(done.count(), 1);
    QCOMPARE(done.at(0).at(0).toString(), url);
    QCOMPARE(done.at(0).at(1).toLongLong(), size);
    QCOMPARE(finished.count(), size >= 0 ? 1 : 0);
    QCOMPARE(errors.count(), size >= 0 ? 0 : 1);
    if (size < 0)
        QCOMPARE(errors.at(0).at(0).toInt(), -1);
    QCOMPARE(started.count(), 0);
    const QList<TestHttpServer::Request> requests = m_server.requests();
    QCOMPARE(requests.size(), 1);
    QCOMPARE(requests.at(0).method, QByteArray("HEAD"));
    // Nothing more arrives later.
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(done.count(), 1);
    QCOMPARE(finished.count() + errors.count(), 1);
}

void HttpOperationsTest::sizeOfEmptyAddress()
{
    HttpSizeRequester requester{QString()};
    QSignalSpy errors(&requester, &HttpOperater::error);
    QSignalSpy done(&requester, &HttpSizeRequester::requestFinished);
    QVERIFY(!requester.start());
    QCOMPARE(errors.count(), 1);
    QCOMPARE(errors.at(0).at(0).toInt(), -1);
    QCOMPARE(done.count(), 1);
    QCOMPARE(done.at(0).at(0).toString(), QString());
    QCOMPARE(done.at(0).at(1).toLongLong(), qint64(0));
}

void HttpOperationsTest::sizeRequestSendsAddressUnchanged_data()
{
    QTest::addColumn<QByteArray>("target");
    QTest::addColumn<QString>("decodedPath");
    QTest::addColumn<QByteArray>("sent");
    // Already encoded: every escape goes out as it came, none encoded twice.
    const QByteArray encoded("/videoplayback/clip%20one%2B%C3%A9.mp4?expire=1&sig=AB%2Fcd%3D%3D&mime=video%2Fmp4"
                             "&pct=100%25");
    QTest::newRow("encoded path and query") << encoded << QStringLiteral("/videoplayback/clip one+\u00e9.mp4") << encoded;
    const QByteArray query("/videoplayback?id=o-AB%2Ccd&ip=127.0.0.1&sparams=ip%2Cid");
    QTest::newRow("encoded query only") << query << QStringLiteral("/videoplayback") << query;
    QTest::newRow("no percent sign") << QByteArray("/plain/file.bin?a=b&c=d") << QStringLiteral("/plain/file.bin")
                                     << QByteArray("/plain/file.bin?a=b&c=d");
    // Plain text is encoded once.
    QTest::newRow("plain text") << QStringLiteral("/plain/caf\u00e9 1.bin?q=\u00e9").toUtf8()
                                << QStringLiteral("/plain/caf\u00e9 1.bin")
                                << QByteArray("/plain/caf%C3%A9%201.bin?q=%C3%A9");
}

void HttpOperationsTest::sizeRequestSendsAddressUnchanged()
{
    QFETCH(QByteArray, target);
    QFETCH(QString, decodedPath);
    QFETCH(QByteArray, sent);
    m_server.setResponse(decodedPath, QByteArray(1234, 'v'), "video/mp4");
    const QString url = m_server.baseUrl().toString() + QString::fromUtf8(target);
    HttpSizeRequester requester(url);
    QSignalSpy done(&requester, &HttpSizeRequester::requestFinished);
    QVERIFY(requester.start());
    QVERIFY(done.wait(waitMs));
    QCOMPARE(done.at(0).at(1).toLongLong(), qint64(1234));
    const QList<TestHttpServer::Request> requests = m_server.requests();
    QCOMPARE(requests.size(), 1);
    QCOMPARE(requests.at(0).target, sent);
    m_server.removeResponse(decodedPath);
}

void HttpOperationsTest::systemProxyIsUsed()
{
    // The test server plays the proxy named by the environment: it receives
    // the full address of a host that does not exist.
    const QByteArray savedProxy = qgetenv("http_proxy");
    const QByteArray savedNoProxy = qgetenv("no_proxy");
    const auto restore = qScopeGuard([&] {
        qputenv("http_proxy", savedProxy);
        if (!savedNoProxy.isEmpty())
            qputenv("no_proxy", savedNoProxy);
        m_server.clearRewrites();
    });
    qputenv("http_proxy", m_server.baseUrl().toString().toLatin1());
    qunsetenv("no_proxy");
    m_server.addRewrite(QRegularExpression(QStringLiteral("^http://media\\.marlin\\.invalid")), QString());
    const QString url = QStringLiteral("http://media.marlin.invalid/thumb.jpg");

    HttpSizeRequester requester(url);
    QSignalSpy sized(&requester, &HttpSizeRequester::requestFinished);
    QVERIFY(requester.start());
    QVERIFY(sized.wait(waitMs));
    HttpDownloader downloader(url, dest(QStringLiteral("proxied.jpg")));
    QSignalSpy done(&downloader, &HttpDownloader::downloadFinished);
    QVERIFY(downloader.start());
    QVERIFY(done.wait(waitMs));

    QCOMPARE(sized.at(0).at(1).toLongLong(), qint64(m_content.size()));
    QCOMPARE(readAll(dest(QStringLiteral("proxied.jpg"))), m_content);
    const QList<TestHttpServer::Request> requests = m_server.requests();
    QCOMPARE(requests.size(), 2);
    for (const TestHttpServer::Request &request : requests)
        QCOMPARE(request.target, url.toLatin1());
}

QTEST_GUILESS_MAIN(HttpOperationsTest)
#include "tst_httpoperations.moc"
