// The download manager's media-information cache, thumbnails and size
// requests, and the download and HTTP tasks.
#include "support/testhttpserver.h"
#include "support/testtools.h"

#include "kelframe/kelfolders.h"
#include "tarncore/download/appcontext.h"
#include "tarncore/download/downloadmanager.h"
#include "tarncore/download/downloadtask.h"
#include "tarncore/download/httpdownloadtask.h"
#include "tarncore/download/httpheadtask.h"
#include "tarncore/settings/settingsmanager.h"
#include "tarncore/task/progressedtaskpool.h"

#include <QFile>
#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

extern "C" const char *tarncoreLogFile();

using Kel::MediaProfile;
using Kel::WebMediaInfo;
using Tarn::AppContext;
using Tarn::DownloadManager;
using Tarn::DownloadParameters;
using Tarn::DownloadTask;

namespace {

constexpr int waitMs = 60000;

MediaProfile quality(const QString &name, int height, qint64 size)
{
    MediaProfile p;
    p.name = name;
    p.url = QStringLiteral("http://127.0.0.1:1/media/%1.mp4").arg(name);
    p.format = QStringLiteral("MP4");
    p.resolution = QSize(height * 16 / 9, height);
    p.size = size;
    return p;
}

WebMediaInfo info(const QString &url, const QString &title = QStringLiteral("Clip"))
{
    WebMediaInfo i;
    i.url = url;
    i.setTitle(title);
    i.profiles = {quality(QStringLiteral("240"), 240, 0), quality(QStringLiteral("720"), 720, 5000),
                  quality(QStringLiteral("360"), 360, 0)};
    return i;
}

QByteArray readAll(const QString &file)
{
    QFile in(file);
    return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
}

DownloadParameters parameters(const QString &destFile)
{
    DownloadParameters p(QStringLiteral("http://www.youtube.com/watch?v=abcdefghijk"));
    p.setDownloadQuality(quality(QStringLiteral("720"), 720, 0));
    p.setDestFile(destFile);
    return p;
}

} // namespace

class TestDownloadManager : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void cacheAnswersSynchronously();
    void oneExtractorForTwoRequesters();
    void cancelledRequesterIsCountedDown();
    void sizesOnlyForUnknownQualities();
    void sizeAnswers();
    void thumbnailsPerPage();
    void clearRemovesCacheAndThumbnails();

    void downloadTaskRefusals();
    void downloadTaskDuplicateDestination();
    void downloadTaskPauseAndCancel();
    void endedTasksAreDeleted();
    void parametersText();

    void headTask();
    void httpDownloadTask();

private:
    QTemporaryDir m_root;
    TestHttpServer m_server;
};

void TestDownloadManager::initTestCase()
{
    qRegisterMetaType<WebMediaInfo>("Kel::WebMediaInfo");
    QVERIFY(m_root.isValid());
    Kel::setFolderRoot(m_root.filePath(QStringLiteral("home")));
    AppContext::setAppDirOverride(TestTools::appDir());
    QVERIFY(m_server.start(m_root.filePath(QStringLiteral("site"))));
    QVERIFY(QDir().mkpath(m_root.filePath(QStringLiteral("site"))));
}

void TestDownloadManager::cleanupTestCase()
{
    m_server.stop();
    AppContext::setAppDirOverride(QString());
}

void TestDownloadManager::cacheAnswersSynchronously()
{
    DownloadManager manager;
    const QString url = QStringLiteral("http://www.youtube.com/watch?v=cachedcache");
    QSignalSpy ready(&manager, &DownloadManager::mediaInfoReady);
    manager.receiveMediaInfo(info(url));
    QCOMPARE(ready.count(), 1);
    const WebMediaInfo cached = manager.getMediaInfo(url);
    QVERIFY(cached.isValid());
    // Kept from best to worst.
    QCOMPARE(cached.profiles.at(0).name, QStringLiteral("720"));
    QCOMPARE(cached.profiles.at(2).name, QStringLiteral("240"));

    manager.getMediaInfoBySignal(url);
    QCOMPARE(ready.count(), 2);
    QCOMPARE(ready.at(1).at(0).value<WebMediaInfo>().url, url);
    QCOMPARE(manager.getExtractorCount(), 0);
    QVERIFY(manager.getPendingRequests().isEmpty());
    QVERIFY(!manager.getMediaInfo(QStringLiteral("http://www.youtube.com/watch?v=notrequestd")).isValid());
}

void TestDownloadManager::oneExtractorForTwoRequesters()
{
    MARLIN_REQUIRE_YTZIP();
    DownloadManager manager;
    // Nothing listens there: the real tool fails at once.
    const QString url = QStringLiteral("http://127.0.0.1:1/watch?v=aaaaaaaaaaa");
    QSignalSpy ready(&manager, &DownloadManager::mediaInfoReady);
    manager.getMediaInfoBySignal(url);
    manager.getMediaInfoBySignal(url);
    QCOMPARE(manager.getExtractorCount(), 1);
    QCOMPARE(manager.getPendingRequests().value(url), 2);
    QCOMPARE(ready.count(), 0);

    QVERIFY(ready.wait(waitMs));
    QCOMPARE(ready.count(), 1);
    const WebMediaInfo answer = ready.at(0).at(0).value<WebMediaInfo>();
    QCOMPARE(answer.url, url);
    QVERIFY(!answer.isValid());
    QVERIFY2(answer.errorText.contains(QLatin1String("ERROR")), qPrintable(answer.errorText));
    QVERIFY(manager.getPendingRequests().isEmpty());
    // A failure is not kept: the next request asks the tool again.
    QVERIFY(!manager.getMediaInfo(url).isValid());
    manager.getMediaInfoBySignal(url);
    QCOMPARE(manager.getPendingRequests().value(url), 1);
    QCOMPARE(manager.getExtractorCount(), 1);
    QVERIFY(ready.wait(waitMs));
    QCOMPARE(ready.count(), 2);
}

void TestDownloadManager::cancelledRequesterIsCountedDown()
{
    MARLIN_REQUIRE_YTZIP();
    DownloadManager manager;
    const QString url = QStringLiteral("http://127.0.0.1:1/watch?v=bbbbbbbbbbb");
    QSignalSpy ready(&manager, &DownloadManager::mediaInfoReady);
    manager.getMediaInfoBySignal(url);
    manager.getMediaInfoBySignal(url);
    QVERIFY(!manager.cancelMediaInfoRequest(url));
    QCOMPARE(manager.getPendingRequests().value(url), 1);
    QVERIFY(!manager.cancelMediaInfoRequest(QStringLiteral("http://other")));
    // The extraction goes on and still answers.
    QVERIFY(ready.wait(waitMs));
    QVERIFY(manager.getPendingRequests().isEmpty());
}

void TestDownloadManager::sizesOnlyForUnknownQualities()
{
    DownloadManager manager;
    const QString url = QStringLiteral("http://www.youtube.com/watch?v=sizesizesiz");
    manager.receiveMediaInfo(info(url));
    // The pool is not started: the requests wait in its queue.
    QStringList keys = manager.getHttpPool().taskKeys();
    keys.sort();
    QCOMPARE(keys, QStringList({quality(QStringLiteral("240"), 240, 0).url, quality(QStringLiteral("360"), 360, 0).url}));

    // Asking again adds no second request for the same address.
    WebMediaInfo again = manager.getMediaInfo(url);
    manager.getMediaSize(again);
    QCOMPARE(manager.getHttpPool().taskKeys().size(), 2);

    // Nothing for an invalid information.
    WebMediaInfo invalid;
    invalid.url = QStringLiteral("x");
    invalid.profiles = {quality(QStringLiteral("999"), 144, 0)};
    manager.getMediaSize(invalid);
    QCOMPARE(manager.getHttpPool().taskKeys().size(), 2);
}

void TestDownloadManager::sizeAnswers()
{
    DownloadManager manager;
    const QString url = QStringLiteral("http://www.youtube.com/watch?v=answeranswe");
    manager.receiveMediaInfo(info(url));
    const QString url240 = quality(QStringLiteral("240"), 240, 0).url;
    const QString url360 = quality(QStringLiteral("360"), 360, 0).url;
    QSignalSpy sizes(&manager, &DownloadManager::mediaSizeReady);

    manager.receiveMediaSize(url240, 1234);
    QCOMPARE(sizes.count(), 1);
    QCOMPARE(sizes.at(0), QVariantList({url, url240, qint64(1234)}));
    bool found = false;
    for (const MediaProfile &p : manager.getMediaInfo(url).profiles) {
        if (p.url == url240) {
            QCOMPARE(p.size, qint64(1234));
            found = true;
        }
    }
    QVERIFY(found);
    // Answered once: a late second answer is not passed on.
    manager.receiveMediaSize(url240, 99);
    QCOMPARE(sizes.count(), 1);

    // A failed request is reported and stays open.
    manager.receiveMediaSize(url360, -1);
    QCOMPARE(sizes.count(), 2);
    QCOMPARE(sizes.at(1).at(2).toLongLong(), qint64(-1));
    manager.receiveMediaSize(url360, 777);
    QCOMPARE(sizes.count(), 3);

    manager.receiveMediaSize(QStringLiteral("http://unknown/quality"), 5);
    QCOMPARE(sizes.count(), 3);
}

void TestDownloadManager::thumbnailsPerPage()
{
    m_server.setResponse(QStringLiteral("/a/thumb.jpg"), QByteArray("first picture"), "image/jpeg");
    m_server.setResponse(QStringLiteral("/b/thumb.jpg"), QByteArray("second picture"), "image/jpeg");
    DownloadManager manager;
    QSignalSpy thumbnails(&manager, &DownloadManager::mediaThumbnailReady);

    // Two pages of the same title.
    WebMediaInfo first = info(QStringLiteral("http://www.youtube.com/watch?v=thumbfirst1"), QStringLiteral("Same"));
    first.thumbnailUrl = m_server.url(QStringLiteral("/a/thumb.jpg")).toString();
    WebMediaInfo second = info(QStringLiteral("http://www.youtube.com/watch?v=thumbsecond"), QStringLiteral("Same"));
    second.thumbnailUrl = m_server.url(QStringLiteral("/b/thumb.jpg")).toString();
    manager.receiveMediaInfo(first);
    manager.receiveMediaInfo(second);
    QTRY_COMPARE_WITH_TIMEOUT(thumbnails.count(), 2, waitMs);

    QMap<QString, QString> files;
    for (const QVariantList &args : qAsConst(thumbnails))
        files.insert(args.at(0).toString(), args.at(1).toString());
    const QString firstFile = files.value(first.url);
    const QString secondFile = files.value(second.url);
    QVERIFY(firstFile != secondFile);
    QCOMPARE(readAll(firstFile), QByteArray("first picture"));
    QCOMPARE(readAll(secondFile), QByteArray("second picture"));
    const QString folder = AppContext::instance()->getSettingsManager()->getThumbnailDownloadDir();
    QCOMPARE(QFileInfo(firstFile).absolutePath(), folder);
    QCOMPARE(QFileInfo(firstFile).suffix(), QStringLiteral("jpg"));
    QCOMPARE(manager.getMediaInfo(first.url).thumbnailFile, firstFile);

    // A cached page hands out its picture at once, without a new download.
    const int requests = m_server.requestCount(QStringLiteral("/a/thumb.jpg"));
    manager.getMediaInfoBySignal(first.url);
    QCOMPARE(thumbnails.count(), 3);
    QCOMPARE(thumbnails.at(2), QVariantList({first.url, firstFile}));
    QCOMPARE(m_server.requestCount(QStringLiteral("/a/thumb.jpg")), requests);

    // A picture gone from disk is fetched again.
    QVERIFY(QFile::remove(firstFile));
    manager.getMediaInfoBySignal(first.url);
    QTRY_COMPARE_WITH_TIMEOUT(thumbnails.count(), 4, waitMs);
    QCOMPARE(readAll(firstFile), QByteArray("first picture"));
}

void TestDownloadManager::clearRemovesCacheAndThumbnails()
{
    m_server.setResponse(QStringLiteral("/c/thumb.png"), QByteArray("png"), "image/png");
    DownloadManager manager;
    QSignalSpy thumbnails(&manager, &DownloadManager::mediaThumbnailReady);
    WebMediaInfo page = info(QStringLiteral("http://www.youtube.com/watch?v=clearclearc"));
    page.thumbnailUrl = m_server.url(QStringLiteral("/c/thumb.png")).toString();
    manager.receiveMediaInfo(page);
    QTRY_COMPARE_WITH_TIMEOUT(thumbnails.count(), 1, waitMs);
    const QString file = thumbnails.at(0).at(1).toString();
    QVERIFY(QFileInfo::exists(file));
    const QString folder = QFileInfo(file).absolutePath();
    QFile stray(folder + QStringLiteral("/left from before.jpg"));
    QVERIFY(stray.open(QIODevice::WriteOnly));
    stray.close();

    QVERIFY(manager.clear());
    QVERIFY(!manager.getMediaInfo(page.url).isValid());
    QVERIFY(QDir(folder).entryList(QDir::Files | QDir::Hidden).isEmpty());
    QVERIFY(manager.getDownloadPool().isStopped());
}

void TestDownloadManager::downloadTaskRefusals()
{
    Kel::ProgressedTaskPool pool;
    DownloadTask invalid(&pool);
    QSignalSpy invalidErrors(&invalid, &DownloadTask::error);
    DownloadParameters noQuality(QStringLiteral("http://www.youtube.com/watch?v=abcdefghijk"));
    noQuality.setDestFile(m_root.filePath(QStringLiteral("x.mp4")));
    invalid.download(noQuality);
    QCOMPARE(invalid.status(), Kel::Task::Error);
    QCOMPARE(invalid.errorCode(), qint32(-10));
    QCOMPARE(invalidErrors.count(), 1);
    QCOMPARE(invalidErrors.at(0).at(0).toInt(), -10);

    DownloadTask orphan(nullptr);
    orphan.download(parameters(m_root.filePath(QStringLiteral("orphan.mp4"))));
    QCOMPARE(orphan.status(), Kel::Task::Error);
    QCOMPARE(orphan.errorCode(), qint32(-10));
    QVERIFY(pool.taskKeys().isEmpty());
}

void TestDownloadManager::downloadTaskDuplicateDestination()
{
    Kel::ProgressedTaskPool pool;
    const QString dest = m_root.filePath(QStringLiteral("same.mp4"));
    auto *first = new DownloadTask(&pool);
    first->download(parameters(dest));
    QCOMPARE(first->status(), Kel::Task::Ready);
    QCOMPARE(pool.task(dest), first);
    QCOMPARE(first->key(), dest);
    QCOMPARE(DownloadTask::makeTaskKey(parameters(dest)), dest);

    auto *second = new DownloadTask(&pool);
    QSignalSpy started(second, &DownloadTask::started);
    const QString log = QString::fromLocal8Bit(tarncoreLogFile());
    QFile logFile(log);
    QVERIFY2(logFile.open(QIODevice::ReadOnly), qPrintable(log));
    logFile.seek(logFile.size());
    second->download(parameters(dest));
    QCOMPARE(second->status(), Kel::Task::Error);
    QCOMPARE(second->errorCode(), qint32(-11));
    QCOMPARE(pool.task(dest), first);
    QCOMPARE(pool.queuedKeys(), QStringList({dest}));
    QCOMPARE(started.count(), 0);
    QVERIFY(logFile.readAll().contains("Download refused (-11): a download to " + dest.toLocal8Bit()));

    // Once the first has ended, the destination is free again.
    first->setStatus(Kel::Task::Canceled);
    auto *third = new DownloadTask(&pool);
    third->download(parameters(dest));
    QCOMPARE(third->status(), Kel::Task::Ready);
    QCOMPARE(pool.task(dest), third);
}

void TestDownloadManager::downloadTaskPauseAndCancel()
{
    Kel::ProgressedTaskPool pool;
    const QString dest = m_root.filePath(QStringLiteral("paused.mp4"));
    auto *task = new DownloadTask(&pool);
    QSignalSpy errors(task, &DownloadTask::error);
    task->download(parameters(dest));
    task->pause();
    QCOMPARE(task->status(), Kel::Task::Ready);
    task->resume();
    QCOMPARE(task->status(), Kel::Task::Ready);
    pool.cancelTask(dest);
    QCOMPARE(task->status(), Kel::Task::Canceled);
    QCOMPARE(errors.count(), 0);
    QVERIFY(!QFileInfo::exists(dest));
}

void TestDownloadManager::endedTasksAreDeleted()
{
    DownloadManager manager;
    QPointer<DownloadTask> failing = manager.getDownloadTask();
    failing->download(DownloadParameters());
    QCOMPARE(failing->errorCode(), qint32(-10));
    QTRY_VERIFY(failing.isNull());

    const QString dest = m_root.filePath(QStringLiteral("cancelled.mp4"));
    QPointer<DownloadTask> cancelled = manager.getDownloadTask();
    cancelled->download(parameters(dest));
    QCOMPARE(manager.getDownloadTask(dest), cancelled.data());
    QVERIFY(!manager.cancelDownload(parameters(dest)));
    QTRY_VERIFY(cancelled.isNull());
    QVERIFY(!manager.getDownloadTask(dest));
    // Invalid parameters cancel nothing.
    QVERIFY(!manager.cancelDownload(DownloadParameters()));
}

void TestDownloadManager::parametersText()
{
    DownloadParameters p(QStringLiteral("http://page"));
    QVERIFY(!p.isValid());
    QVERIFY(p.toString().startsWith(QStringLiteral("url: http://page\ndest file: \nquality: ")));
    QVERIFY(p.toString().endsWith(QLatin1Char('\n')));
    p.setDownloadQuality(quality(QStringLiteral("720"), 720, 0));
    QVERIFY(p.isValid());
    QVERIFY(!DownloadParameters().isValid());
    QCOMPARE(p.subtitleSetting().mode, Kel::NoSubtitle);
    QVERIFY(!p.downloadAudioOnlyIfExist());
}

void TestDownloadManager::headTask()
{
    m_server.setResponse(QStringLiteral("/sized.bin"), QByteArray(4321, 'x'), "application/octet-stream");
    Kel::ProgressedTaskPool pool;
    pool.setInterval(10);
    pool.start();

    const QString good = m_server.url(QStringLiteral("/sized.bin")).toString();
    auto *task = new Tarn::HttpHeadTask(&pool);
    QSignalSpy answered(task, &Tarn::HttpHeadTask::headFinished);
    QVERIFY(task->head(good));
    QCOMPARE(task->key(), good);
    QVERIFY(answered.wait(waitMs));
    QCOMPARE(answered.at(0), QVariantList({good, qint64(4321)}));
    QTRY_COMPARE(task->status(), Kel::Task::Finished);

    // The same address twice at once: the second is not taken.
    auto *first = new Tarn::HttpHeadTask(&pool);
    auto *twin = new Tarn::HttpHeadTask(&pool);
    TestHttpServer::Fault slow;
    slow.delayMs = 300;
    m_server.setFault(QStringLiteral("/slow.bin"), slow);
    m_server.setResponse(QStringLiteral("/slow.bin"), QByteArray(10, 'y'), "application/octet-stream");
    const QString slowUrl = m_server.url(QStringLiteral("/slow.bin")).toString();
    QVERIFY(first->head(slowUrl));
    QVERIFY(!twin->head(slowUrl));

    TestHttpServer::Fault noLength;
    noLength.omitContentLength = true;
    m_server.setFault(QStringLiteral("/unsized.bin"), noLength);
    m_server.setResponse(QStringLiteral("/unsized.bin"), QByteArray(10, 'z'), "application/octet-stream");
    const QString bad = m_server.url(QStringLiteral("/unsized.bin")).toString();
    auto *failing = new Tarn::HttpHeadTask(&pool);
    QSignalSpy failed(failing, &Tarn::HttpHeadTask::headFinished);
    QSignalSpy errors(failing, &Tarn::HttpHeadTask::error);
    QVERIFY(failing->head(bad));
    QVERIFY(failed.wait(waitMs));
    QCOMPARE(failed.last(), QVariantList({bad, qint64(-1)}));
    QTRY_COMPARE(failing->status(), Kel::Task::Error);
    QCOMPARE(errors.count(), 1);
    QCOMPARE(errors.at(0).at(0).toInt(), -1);
    m_server.clearFaults();
}

void TestDownloadManager::httpDownloadTask()
{
    m_server.setResponse(QStringLiteral("/file.bin"), QByteArray(2048, 'f'), "application/octet-stream");
    const QString url = m_server.url(QStringLiteral("/file.bin")).toString();
    const QString dest = m_root.filePath(QStringLiteral("fetched.bin"));
    {
        // Cancelled while it waits: nothing is fetched.
        Kel::ProgressedTaskPool idle;
        auto *task = new Tarn::HttpDownloadTask(&idle);
        QVERIFY(task->download(url, dest));
        idle.cancelTask(url);
        QCOMPARE(task->status(), Kel::Task::Canceled);
        QVERIFY(!QFileInfo::exists(dest));
    }
    Kel::ProgressedTaskPool pool;
    pool.setInterval(10);
    pool.start();
    auto *task = new Tarn::HttpDownloadTask(&pool);
    QSignalSpy done(task, &Tarn::HttpDownloadTask::downloadFinished);
    QVERIFY(task->download(url, dest));
    QVERIFY(done.wait(waitMs));
    QCOMPARE(done.at(0), QVariantList({url, dest}));
    QCOMPARE(task->status(), Kel::Task::Finished);
    QCOMPARE(readAll(dest), QByteArray(2048, 'f'));
}

QTEST_GUILESS_MAIN(TestDownloadManager)
#include "tst_downloadmanager.moc"
