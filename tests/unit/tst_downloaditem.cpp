// The download item: statuses, media-information answers, destinations,
// progress, errors and the end of a download, without running the tool.
#include "support/testtools.h"

#include "kelframe/kelfolders.h"
#include "tarncore/download/appcontext.h"
#include "tarncore/download/downloaditem.h"
#include "tarncore/download/downloadmanager.h"
#include "tarncore/download/downloadtask.h"
#include "tarncore/settings/settingsmanager.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using Kel::MediaProfile;
using Kel::WebMediaInfo;
using Tarn::AppContext;
using Tarn::DownloadItem;
using Tarn::DownloadManager;

Q_DECLARE_METATYPE(DownloadItem::Status)

namespace {

MediaProfile quality(const QString &page, const QString &name, const QString &format, int height, qint64 size = 0)
{
    MediaProfile p;
    p.name = name;
    p.url = QStringLiteral("http://127.0.0.1:1/media/%1/%2").arg(page, name);
    p.format = format;
    p.type = Kel::Video;
    p.resolution = QSize(height * 16 / 9, height);
    p.size = size;
    return p;
}

WebMediaInfo pageInfo(const QString &id, const QString &title)
{
    WebMediaInfo info;
    info.url = QStringLiteral("http://www.youtube.com/watch?v=%1").arg(id);
    info.setTitle(title);
    info.profiles = {quality(id, QStringLiteral("18"), QStringLiteral("MP4"), 360, 1000),
                     quality(id, QStringLiteral("22"), QStringLiteral("MP4"), 720),
                     quality(id, QStringLiteral("43"), QStringLiteral("WEBM"), 360, 900)};
    info.subtitleLanguages = QStringList{"en", "de"};
    return info;
}

DownloadManager *manager()
{
    return AppContext::instance()->getDownloadManager();
}

Tarn::SettingsManager *settings()
{
    return AppContext::instance()->getSettingsManager();
}

} // namespace

class TestDownloadItem : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void statusesAndFlags_data();
    void statusesAndFlags();
    void setStatusSignalsOnlyChanges();
    void startOnFinishedOrDownloadingDoesNothing();
    void answerForAnotherPageIsIgnored();
    void cachedPageStartsAtOnce();
    void twoItemsOfOnePageGetNumberedDestinations();
    void chosenQualityAndSubtitlesFollowSettings();
    void failedInformationWithoutText();
    void failedInformationWithToolText();
    void cancelWhileAnalysing();
    void downloadErrorFailsWith1000();
    void restartFromItsOwnErrorSignal();
    void progressTeachesTheSize();
    void sizeAnswerUpdatesTheChosenQuality();
    void mergedSizeCountsEachStreamOnce();
    void finishReleasesTheName();
    void exportOnlyForMp4_data();
    void exportOnlyForMp4();
    void defaultQuality();

private:
    // An item whose page is cached, started: it waits in the (idle) pool.
    std::unique_ptr<DownloadItem> startedItem(const WebMediaInfo &info);

    QTemporaryDir m_root;
    QString m_downloads;
    QList<DownloadItem *> m_live;
};

void TestDownloadItem::initTestCase()
{
    qRegisterMetaType<WebMediaInfo>("Kel::WebMediaInfo");
    QVERIFY(m_root.isValid());
    Kel::setFolderRoot(m_root.filePath(QStringLiteral("home")));
    AppContext::setAppDirOverride(TestTools::appDir());
    m_downloads = m_root.filePath(QStringLiteral("downloads"));
    QVERIFY(QDir().mkpath(m_downloads));
    settings()->setDownloadDestDir(m_downloads);
    QCOMPARE(settings()->getDownloadDestDir(), m_downloads);
    // The pools stay idle: nothing here runs the tool.
}

void TestDownloadItem::cleanup()
{
    settings()->setPreferredQuality(Tarn::PreferredQualityBest);
    settings()->setPreferredQualityFormat(QStringLiteral("MP4"));
    settings()->setSubtitleMode(Kel::NoSubtitle);
    settings()->setSubtitleLanguages({});
    settings()->setDownloadAutoExport2Itunes(false);
}

std::unique_ptr<DownloadItem> TestDownloadItem::startedItem(const WebMediaInfo &info)
{
    manager()->receiveMediaInfo(info);
    auto item = std::make_unique<DownloadItem>(info.url);
    item->start();
    return item;
}

void TestDownloadItem::statusesAndFlags_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("working");
    QTest::addColumn<bool>("restartable");
    QTest::newRow("not ready") << int(DownloadItem::NotReady) << true << false;
    QTest::newRow("analysing") << int(DownloadItem::Analysing) << true << false;
    QTest::newRow("ready") << int(DownloadItem::Ready) << true << false;
    QTest::newRow("waiting") << int(DownloadItem::Waiting) << true << false;
    QTest::newRow("downloading") << int(DownloadItem::Downloading) << true << false;
    QTest::newRow("failed") << int(DownloadItem::Failed) << false << true;
    QTest::newRow("finished") << int(DownloadItem::Finished) << false << false;
}

void TestDownloadItem::statusesAndFlags()
{
    QFETCH(int, status);
    QFETCH(bool, working);
    QFETCH(bool, restartable);
    DownloadItem item(QStringLiteral("http://www.youtube.com/watch?v=abcdefghijk"));
    item.setStatus(DownloadItem::Status(status));
    QCOMPARE(item.isWorking(), working);
    QCOMPARE(item.canRestart(), restartable);
}

void TestDownloadItem::setStatusSignalsOnlyChanges()
{
    DownloadItem item(QStringLiteral("http://www.youtube.com/watch?v=abcdefghijk"));
    QCOMPARE(item.getStatus(), DownloadItem::NotReady);
    QCOMPARE(item.getUrl(), QStringLiteral("http://www.youtube.com/watch?v=abcdefghijk"));
    QCOMPARE(item.getMediaInfo().url, item.getUrl());
    QSignalSpy changed(&item, &DownloadItem::statusChanged);
    QSignalSpy data(&item, &DownloadItem::dataChanged);
    item.setStatus(DownloadItem::NotReady);
    QCOMPARE(changed.count(), 0);
    item.setStatus(DownloadItem::Waiting);
    item.setStatus(DownloadItem::Waiting);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(data.count(), 1);
}

void TestDownloadItem::startOnFinishedOrDownloadingDoesNothing()
{
    for (DownloadItem::Status status : {DownloadItem::Finished, DownloadItem::Downloading, DownloadItem::Waiting}) {
        DownloadItem item(QStringLiteral("http://www.youtube.com/watch?v=nothingnoth"));
        item.setStatus(status);
        QSignalSpy changed(&item, &DownloadItem::statusChanged);
        item.start();
        QCOMPARE(item.getStatus(), status);
        QCOMPARE(changed.count(), 0);
        QVERIFY(!manager()->getPendingRequests().contains(item.getUrl()));
    }
}

void TestDownloadItem::answerForAnotherPageIsIgnored()
{
    MARLIN_REQUIRE_YTZIP();
    // Not cached: the real tool is asked (and fails, nothing listens there).
    const QString url = QStringLiteral("http://127.0.0.1:1/watch?v=ignoreignor");
    DownloadItem item(url);
    item.start();
    QCOMPARE(item.getStatus(), DownloadItem::Analysing);
    QCOMPARE(manager()->getPendingRequests().value(url), 1);

    QSignalSpy data(&item, &DownloadItem::dataChanged);
    manager()->receiveMediaInfo(pageInfo(QStringLiteral("otherpage01"), QStringLiteral("Other")));
    QCOMPARE(item.getStatus(), DownloadItem::Analysing);
    QVERIFY(item.getTitle().isEmpty());
    QCOMPARE(data.count(), 0);

    // Still listening: its own answer arrives and is used.
    WebMediaInfo own = pageInfo(QStringLiteral("ignoreignor"), QStringLiteral("Own"));
    own.url = url;
    manager()->receiveMediaInfo(own);
    QCOMPARE(item.getStatus(), DownloadItem::Waiting);
    QCOMPARE(item.getTitle(), QStringLiteral("Own"));
    item.cancel();
}

void TestDownloadItem::cachedPageStartsAtOnce()
{
    const WebMediaInfo info = pageInfo(QStringLiteral("cachedpage1"), QStringLiteral("Cached"));
    manager()->receiveMediaInfo(info);
    DownloadItem item(info.url);
    QList<DownloadItem::Status> seen;
    connect(&item, &DownloadItem::statusChanged, this, [&] { seen += item.getStatus(); });
    item.start();
    QCOMPARE(seen, QList<DownloadItem::Status>(
                       {DownloadItem::Analysing, DownloadItem::Ready, DownloadItem::Waiting}));
    QVERIFY(item.getTimeStamp().isValid());
    const QString dest = item.getDestFile();
    QCOMPARE(dest, m_downloads + QStringLiteral("/Cached[720P].mp4"));
    QVERIFY(manager()->getDownloadTask(dest));
    QVERIFY(DownloadItem::getDownloadedFiles().contains(dest));
    item.cancel();
}

void TestDownloadItem::twoItemsOfOnePageGetNumberedDestinations()
{
    const WebMediaInfo info = pageInfo(QStringLiteral("twiceclip01"), QStringLiteral("Twice"));
    auto first = startedItem(info);
    auto second = startedItem(info);
    QCOMPARE(first->getDestFile(), m_downloads + QStringLiteral("/Twice[720P].mp4"));
    QCOMPARE(second->getDestFile(), m_downloads + QStringLiteral("/Twice[720P](1).mp4"));
    QVERIFY(manager()->getDownloadTask(first->getDestFile()));
    QVERIFY(manager()->getDownloadTask(second->getDestFile()));
    first->cancel();
    second->cancel();
}

void TestDownloadItem::chosenQualityAndSubtitlesFollowSettings()
{
    settings()->setPreferredQuality(Tarn::PreferredQualityResolution);
    settings()->setPreferredQualityResolution(QSize(640, 360));
    settings()->setPreferredQualityFormat(QStringLiteral("WEBM"));
    settings()->setSubtitleMode(Kel::PreferredLanguageSubtitles);
    settings()->setSubtitleLanguages({QLocale::German});
    auto item = startedItem(pageInfo(QStringLiteral("settings001"), QStringLiteral("Settings")));
    const Tarn::DownloadParameters params = item->getDownloadParameters();
    QCOMPARE(params.getDownloadQuality().name, QStringLiteral("43"));
    QCOMPARE(params.getDestFile(), m_downloads + QStringLiteral("/Settings[360P].webm"));
    QCOMPARE(params.getDestDir(), m_downloads);
    QCOMPARE(params.subtitleSetting().mode, Kel::PreferredLanguageSubtitles);
    QCOMPARE(params.subtitleSetting().availableLanguages, QStringList({"en", "de"}));
    QCOMPARE(params.subtitleSetting().preferredLanguages, QStringList({"de"}));
    QCOMPARE(item->getFileSize(), qint64(900));
    item->cancel();
}

void TestDownloadItem::failedInformationWithoutText()
{
    const QString url = QStringLiteral("http://www.youtube.com/watch?v=failnotext1");
    DownloadItem item(url);
    // Waits for the answer without asking anyone: as if requested before.
    item.setStatus(DownloadItem::Failed);
    QSignalSpy errors(&item, qOverload<int, QVariant>(&DownloadItem::error));
    QSignalSpy infoErrors(&item, &DownloadItem::getMediaInfoError);
    QList<DownloadItem::Status> seen;
    connect(&item, &DownloadItem::statusChanged, this, [&] { seen += item.getStatus(); });

    WebMediaInfo failed;
    failed.url = url;
    manager()->getMediaInfoBySignal(url);
    item.start();
    QCOMPARE(seen, QList<DownloadItem::Status>({DownloadItem::NotReady, DownloadItem::Analysing}));
    QCOMPARE(manager()->getPendingRequests().value(url), 2);
    manager()->receiveMediaInfo(failed);
    QCOMPARE(item.getStatus(), DownloadItem::Failed);
    QVERIFY(item.canRestart());
    QCOMPARE(errors.count(), 1);
    QCOMPARE(errors.at(0).at(0).toInt(), 1005);
    QCOMPARE(errors.at(0).at(1).toString(), url);
    QCOMPARE(infoErrors.count(), 0);
    QVERIFY(!manager()->getPendingRequests().contains(url));
}

void TestDownloadItem::failedInformationWithToolText()
{
    const QString url = QStringLiteral("http://www.youtube.com/watch?v=failwithtxt");
    DownloadItem item(url);
    item.setStatus(DownloadItem::Failed);
    manager()->getMediaInfoBySignal(url);
    item.start();
    QSignalSpy errors(&item, qOverload<int, QVariant>(&DownloadItem::error));
    QSignalSpy infoErrors(&item, &DownloadItem::getMediaInfoError);
    WebMediaInfo failed;
    failed.url = url;
    failed.errorText = QStringLiteral("ERROR: Video unavailable");
    manager()->receiveMediaInfo(failed);
    QCOMPARE(item.getStatus(), DownloadItem::Failed);
    QCOMPARE(errors.count(), 0);
    QCOMPARE(infoErrors.count(), 1);
    QCOMPARE(infoErrors.at(0), QVariantList({url, QStringLiteral("ERROR: Video unavailable")}));
}

void TestDownloadItem::cancelWhileAnalysing()
{
    const QString url = QStringLiteral("http://www.youtube.com/watch?v=cancelanaly");
    DownloadItem item(url);
    item.setStatus(DownloadItem::Failed);
    manager()->getMediaInfoBySignal(url);
    item.start();
    QCOMPARE(manager()->getPendingRequests().value(url), 2);
    QSignalSpy canceling(&item, &DownloadItem::aboutToBeCanceled);
    item.cancel();
    QCOMPARE(canceling.count(), 1);
    QCOMPARE(manager()->getPendingRequests().value(url), 1);
    WebMediaInfo info = pageInfo(QStringLiteral("cancelanaly"), QStringLiteral("Cancelled"));
    manager()->receiveMediaInfo(info);
    // The answer no longer starts a download.
    QCOMPARE(item.getStatus(), DownloadItem::Analysing);
    QVERIFY(item.getDestFile().isEmpty());
}

void TestDownloadItem::downloadErrorFailsWith1000()
{
    auto item = startedItem(pageInfo(QStringLiteral("errorerror1"), QStringLiteral("Error")));
    QSignalSpy errors(item.get(), qOverload<int, QVariant>(&DownloadItem::error));
    QSignalSpy plainErrors(item.get(), qOverload<int>(&DownloadItem::error));
    QSignalSpy canceling(item.get(), &DownloadItem::aboutToBeCanceled);
    item->onDownloadProgress(100, 50, 10);
    item->onDownloadError(-4);
    QCOMPARE(item->getStatus(), DownloadItem::Failed);
    QCOMPARE(canceling.count(), 1);
    QCOMPARE(errors.count(), 1);
    QCOMPARE(errors.at(0).at(0).toInt(), 1000);
    QCOMPARE(errors.at(0).at(1).toString(), QString());
    QCOMPARE(plainErrors.count(), 1);
    QCOMPARE(item->getProgress(), Kel::Progress());
    // Cancelled in the pool by its destination.
    QTRY_VERIFY(!manager()->getDownloadTask(item->getDestFile()));
}

void TestDownloadItem::restartFromItsOwnErrorSignal()
{
    auto item = startedItem(pageInfo(QStringLiteral("restartme01"), QStringLiteral("Restart")));
    const QString dest = item->getDestFile();
    Tarn::DownloadTask *first = manager()->getDownloadTask(dest);
    QVERIFY(first);
    int errors = 0;
    connect(item.get(), qOverload<int, QVariant>(&DownloadItem::error), this, [&] {
        if (++errors == 1)
            item->start();
    });
    first->setErrorCode(-4);
    first->setStatus(Kel::Task::Error);
    QCOMPARE(errors, 1);
    QCOMPARE(item->getStatus(), DownloadItem::Waiting);
    QCOMPARE(item->getDestFile(), dest);
    Tarn::DownloadTask *second = manager()->getDownloadTask(dest);
    QVERIFY(second && second != first);
    QCOMPARE(second->status(), Kel::Task::Ready);
    item->cancel();
}

void TestDownloadItem::progressTeachesTheSize()
{
    auto item = startedItem(pageInfo(QStringLiteral("progresss01"), QStringLiteral("Progress")));
    QCOMPARE(item->getDownloadParameters().getDownloadQuality().name, QStringLiteral("22"));
    QCOMPARE(item->getFileSize(), qint64(0));
    QSignalSpy sizes(manager(), &DownloadManager::mediaSizeReady);
    QSignalSpy data(item.get(), &DownloadItem::dataChanged);

    item->onDownloadStarted();
    QCOMPARE(item->getStatus(), DownloadItem::Downloading);
    item->onDownloadProgress(5000, 100, 50);
    QCOMPARE(item->getFileSize(), qint64(5000));
    QCOMPARE(item->getProgress(), Kel::Progress(5000, 100, 50));
    QVERIFY(data.count() >= 1);
    // The cache and the other listeners learn it too.
    QCOMPARE(sizes.count(), 1);
    QCOMPARE(sizes.at(0).at(2).toLongLong(), qint64(5000));
    const QString qualityUrl = item->getDownloadParameters().getDownloadQuality().url;
    for (const MediaProfile &p : manager()->getMediaInfo(item->getUrl()).profiles) {
        if (p.url == qualityUrl)
            QCOMPARE(p.size, qint64(5000));
    }
    // Only the first progress teaches it.
    item->onDownloadProgress(6000, 200, 50);
    QCOMPARE(item->getFileSize(), qint64(5000));
    QCOMPARE(sizes.count(), 1);
    item->cancel();
}

void TestDownloadItem::sizeAnswerUpdatesTheChosenQuality()
{
    auto item = startedItem(pageInfo(QStringLiteral("sizeanswer1"), QStringLiteral("Size answer")));
    const QString qualityUrl = item->getDownloadParameters().getDownloadQuality().url;
    QSignalSpy data(item.get(), &DownloadItem::dataChanged);
    manager()->receiveMediaSize(qualityUrl, 4242);
    QCOMPARE(item->getFileSize(), qint64(4242));
    QVERIFY(data.count() >= 1);
    // Another page's answer changes nothing.
    item->receiveMediaSize(QStringLiteral("http://elsewhere"), qualityUrl, 1);
    QCOMPARE(item->getFileSize(), qint64(4242));
    item->cancel();
}

void TestDownloadItem::mergedSizeCountsEachStreamOnce()
{
    WebMediaInfo info = pageInfo(QStringLiteral("mergedsize1"), QStringLiteral("Merged"));
    MediaProfile video = quality(QStringLiteral("mergedsize1"), QStringLiteral("137"), QStringLiteral("MP4"), 1080);
    video.dash = true;
    MediaProfile audio = quality(QStringLiteral("mergedsize1"), QStringLiteral("140"), QStringLiteral("M4A"), 0, 300);
    audio.type = Kel::Audio;
    audio.dash = true;
    audio.resolution = QSize(-1, -1);
    audio.qualityLabel = QStringLiteral("128K");
    info.profiles += {video, audio};
    auto item = startedItem(info);
    const MediaProfile chosen = item->getDownloadParameters().getDownloadQuality();
    QCOMPARE(chosen.name, QStringLiteral("137"));
    QCOMPARE(chosen.audioFormat, QStringLiteral("140"));
    QSignalSpy sizes(manager(), &DownloadManager::mediaSizeReady);

    // The first total already estimates both streams: it is the download's
    // size, not the video's.
    item->onDownloadProgress(1200, 10, 5);
    QCOMPARE(item->getFileSize(), qint64(1200));
    QCOMPARE(sizes.count(), 0);
    // The video's real size still counts, and the audio once.
    manager()->receiveMediaSize(video.url, 1000);
    QCOMPARE(item->getFileSize(), qint64(1300));
    item->cancel();
}

void TestDownloadItem::finishReleasesTheName()
{
    auto item = startedItem(pageInfo(QStringLiteral("finished001"), QStringLiteral("Finished")));
    const QString dest = item->getDestFile();
    QVERIFY(DownloadItem::getDownloadedFiles().contains(dest));
    QSignalSpy finished(item.get(), &DownloadItem::downloadFinished);
    item->onDownloadStarted();
    item->onDownloadProgress(10, 5, 1);
    item->onDownloadFinished();
    QCOMPARE(item->getStatus(), DownloadItem::Finished);
    QCOMPARE(finished.count(), 1);
    QCOMPARE(item->getProgress(), Kel::Progress());
    QVERIFY(!DownloadItem::getDownloadedFiles().contains(dest));
    item->cancel();
}

void TestDownloadItem::exportOnlyForMp4_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<bool>("exportOn");
    QTest::addColumn<int>("expectedError");
    QTest::newRow("mp4, export on, no iTunes") << "MP4" << true << 1003;
    QTest::newRow("mp4, export off") << "MP4" << false << 0;
    QTest::newRow("mkv, export on") << "MKV" << true << 0;
    QTest::newRow("webm, export on") << "WEBM" << true << 0;
}

void TestDownloadItem::exportOnlyForMp4()
{
    QFETCH(QString, format);
    QFETCH(bool, exportOn);
    QFETCH(int, expectedError);
    settings()->setDownloadAutoExport2Itunes(exportOn);
    settings()->setPreferredQuality(Tarn::PreferredQualityResolution);
    settings()->setPreferredQualityResolution(QSize(640, 360));
    settings()->setPreferredQualityFormat(format);
    const QString id = QStringLiteral("export%1").arg(format.toLower()).leftJustified(11, QLatin1Char('x'));
    WebMediaInfo info = pageInfo(id, QStringLiteral("Export"));
    info.profiles.append(quality(id, QStringLiteral("mk"), QStringLiteral("MKV"), 360));
    auto item = startedItem(info);
    QCOMPARE(QFileInfo(item->getDestFile()).suffix(), format.toLower());
    QSignalSpy errors(item.get(), qOverload<int, QVariant>(&DownloadItem::error));
    QSignalSpy exported(item.get(), &DownloadItem::exportFinished);
    item->onDownloadFinished();
    if (expectedError) {
        QCOMPARE(errors.count(), 1);
        QCOMPARE(errors.at(0).at(0).toInt(), expectedError);
        QVERIFY(!errors.at(0).at(1).isValid());
    } else {
        QCOMPARE(errors.count(), 0);
    }
    QCOMPARE(exported.count(), 0);
    item->cancel();
}

void TestDownloadItem::defaultQuality()
{
    QVERIFY(!DownloadItem::getDefaultQuality(QStringLiteral("http://www.youtube.com/watch?v=uncacheddef")).isValid());
    const WebMediaInfo info = pageInfo(QStringLiteral("defaultqual"), QStringLiteral("Default"));
    manager()->receiveMediaInfo(info);
    QCOMPARE(DownloadItem::getDefaultQuality(info.url).name, QStringLiteral("22"));
    settings()->setPreferredQuality(Tarn::PreferredQualityResolution);
    settings()->setPreferredQualityResolution(QSize(640, 360));
    QCOMPARE(DownloadItem::getDefaultQuality(info.url).name, QStringLiteral("18"));
}

QTEST_GUILESS_MAIN(TestDownloadItem)
#include "tst_downloaditem.moc"
