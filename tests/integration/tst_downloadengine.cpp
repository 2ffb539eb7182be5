// The download engine end to end: items go from a page address to a file
// through the application context, the real pools, the real extractor tool
// and ffmpeg, against the local sample site. Files are checked with ffprobe.
#include "support/samplesite.h"
#include "support/testhttpserver.h"
#include "support/testtools.h"

#include "kelframe/kelfolders.h"
#include "tarncore/download/appcontext.h"
#include "tarncore/download/downloaditem.h"
#include "tarncore/download/downloadmanager.h"
#include "tarncore/download/videosite.h"
#include "tarncore/settings/settingsmanager.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using Kel::WebMediaInfo;
using Tarn::AppContext;
using Tarn::DownloadItem;
using Tarn::DownloadManager;

namespace {

constexpr int runMs = 180000;

Tarn::SettingsManager *settings()
{
    return AppContext::instance()->getSettingsManager();
}

DownloadManager *manager()
{
    return AppContext::instance()->getDownloadManager();
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList filesIn(const QString &dir)
{
    return QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

QStringList subtitleLanguages(const TestTools::ProbeResult &probe)
{
    QStringList languages;
    for (const TestTools::StreamInfo &s : probe.streamsOfType(QStringLiteral("subtitle")))
        languages += s.language;
    std::sort(languages.begin(), languages.end());
    return languages;
}

// Everything one item reports.
class ItemWatch
{
public:
    explicit ItemWatch(DownloadItem *item)
        : item(item)
        , errors(item, qOverload<int, QVariant>(&DownloadItem::error))
        , infoErrors(item, &DownloadItem::getMediaInfoError)
        , finished(item, &DownloadItem::downloadFinished)
        , thumbnails(item, &DownloadItem::thumbnailReceived)
    {
        QObject::connect(item, &DownloadItem::statusChanged, item, [this] { seen += this->item->getStatus(); });
        QObject::connect(item, &DownloadItem::dataChanged, item, [this] {
            if (this->item->getProgress().total > 0)
                progress += this->item->getProgress();
        });
    }

    bool ended() const { return !item->isWorking(); }

    QString describe() const
    {
        QStringList states;
        for (DownloadItem::Status s : seen)
            states += QString::number(int(s));
        QStringList texts;
        for (const QVariantList &e : errors)
            texts += QStringLiteral("%1 %2").arg(e.at(0).toInt()).arg(e.at(1).toString());
        for (const QVariantList &e : infoErrors)
            texts += e.at(1).toString();
        return QStringLiteral("statuses %1; errors: %2").arg(states.join(QLatin1Char(' ')), texts.join(QLatin1String(" | ")));
    }

    DownloadItem *item;
    QList<DownloadItem::Status> seen;
    QList<Kel::Progress> progress;
    QSignalSpy errors;
    QSignalSpy infoErrors;
    QSignalSpy finished;
    QSignalSpy thumbnails;
};

} // namespace

class TestDownloadEngine : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void addressToFinishedFile_data();
    void addressToFinishedFile();
    void dashQualityGetsItsAudioPartner_data();
    void dashQualityGetsItsAudioPartner();
    void subtitlesFollowSettings_data();
    void subtitlesFollowSettings();
    void twoItemsOfOnePageAndQuality();
    void thumbnailsAndSizesArrive();
    void missingPageFails_data();
    void missingPageFails();
    void failedAnalysisCanBeRestarted();
    void failedDownloadCanBeRestarted();
    void cancellingARunningItemLeavesNoFiles();

private:
    // The canonical address of a sample page, through the same rules as a
    // pasted one.
    QString pageAddress(const QString &id) const;
    QString siteFile(const QString &path) const { return m_server.rootDir() + path; }
    void setQuality(Tarn::PreferredQuality mode, const QString &format, const QSize &resolution = QSize(640, 360));

    QTemporaryDir m_root;
    QString m_dir;
    TestHttpServer m_server;
    SampleSite::Manifest m_manifest;
};

void TestDownloadEngine::initTestCase()
{
    MARLIN_REQUIRE_YTZIP();
    MARLIN_REQUIRE_PROGRAM("ffmpeg");
    MARLIN_REQUIRE_PROGRAM("ffprobe");
    QVERIFY(m_root.isValid());
    Kel::setFolderRoot(m_root.filePath(QStringLiteral("home")));
    // The tool and the configuration of the build's application folder.
    AppContext::setAppDirOverride(TestTools::appDir());

    QString error;
    QVERIFY2(SampleSite::serve(m_server, &error), qPrintable(error));
    m_manifest = SampleSite::manifest(&error);
    QVERIFY2(!m_manifest.pages.isEmpty(), qPrintable(error));
    Tarn::VideoSite::setExtraWatchHost(QStringLiteral("127.0.0.1:%1").arg(m_server.port()));

    QVERIFY(AppContext::instance()->init());
    QCOMPARE(manager()->getDownloadPool().getMaxRunning(), 5);
    QCOMPARE(manager()->getHttpPool().getMaxRunning(), 1);
    QCOMPARE(manager()->getHttpPool().getInterval(), 500);
}

void TestDownloadEngine::init()
{
    m_server.clearFaults();
    m_server.setBandwidthLimit(0);
    m_dir = m_root.filePath(QStringLiteral("downloads/%1").arg(QString::fromLatin1(QTest::currentTestFunction())));
    if (QTest::currentDataTag())
        m_dir += QLatin1Char('/') + QString::fromLatin1(QTest::currentDataTag());
    QVERIFY(QDir().mkpath(m_dir));
    settings()->setDownloadDestDir(m_dir);
    setQuality(Tarn::PreferredQualityResolution, QStringLiteral("MP4"));
    settings()->setSubtitleMode(Kel::NoSubtitle);
    settings()->setSubtitleLanguages({});
}

void TestDownloadEngine::cleanupTestCase()
{
    // The end of a run: every download stopped, cache and thumbnails gone.
    QVERIFY(manager()->clear());
    QVERIFY(filesIn(settings()->getThumbnailDownloadDir()).isEmpty());
    m_server.stop();
    Tarn::VideoSite::setExtraWatchHost(QString());
}

void TestDownloadEngine::setQuality(Tarn::PreferredQuality mode, const QString &format, const QSize &resolution)
{
    settings()->setPreferredQuality(mode);
    settings()->setPreferredQualityFormat(format);
    settings()->setPreferredQualityResolution(resolution);
}

QString TestDownloadEngine::pageAddress(const QString &id) const
{
    const QString pasted = QStringLiteral("%1&feature=share").arg(SampleSite::watchQueryUrl(m_server, id).toString());
    const QString address = DownloadManager::makeupDownloadableUrl(pasted);
    return DownloadManager::isDownloadableUrl(address) ? address : QString();
}

void TestDownloadEngine::addressToFinishedFile_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QSize>("resolution");
    QTest::addColumn<QString>("formatId");
    QTest::addColumn<QString>("label");

    QTest::newRow("best") << int(Tarn::PreferredQualityBest) << QSize(640, 360) << "720p" << "720P";
    QTest::newRow("360 lines") << int(Tarn::PreferredQualityResolution) << QSize(640, 360) << "360p" << "360P";
    QTest::newRow("480 missing: 360") << int(Tarn::PreferredQualityResolution) << QSize(854, 480) << "360p"
                                      << "360P";
}

void TestDownloadEngine::addressToFinishedFile()
{
    QFETCH(int, mode);
    QFETCH(QSize, resolution);
    QFETCH(QString, formatId);
    QFETCH(QString, label);
    setQuality(Tarn::PreferredQuality(mode), QStringLiteral("MP4"), resolution);
    const SampleSite::Page page = m_manifest.page(m_manifest.progressiveId);
    const SampleSite::Format format = page.format(formatId);

    const QString address = pageAddress(page.id);
    QCOMPARE(address, SampleSite::watchQueryUrl(m_server, page.id).toString());
    DownloadItem item(address);
    ItemWatch watch(&item);
    item.start();
    QTRY_VERIFY2_WITH_TIMEOUT(watch.ended(), qPrintable(watch.describe()), runMs);
    QCOMPARE(item.getStatus(), DownloadItem::Finished);
    QCOMPARE(watch.finished.count(), 1);
    QCOMPARE(watch.errors.count(), 0);
    QCOMPARE(watch.seen.first(), DownloadItem::Analysing);
    QVERIFY(watch.seen.contains(DownloadItem::Waiting));
    QVERIFY(watch.seen.contains(DownloadItem::Downloading));
    QCOMPARE(watch.seen.last(), DownloadItem::Finished);
    QCOMPARE(item.getTitle(), page.expectedTitle);
    QCOMPARE(item.getProgress(), Kel::Progress());
    // The page gives no duration: the file's own is shown.
    QCOMPARE(item.getDuration(), qint64(page.duration));

    const QString expected = QStringLiteral("%1/%2[%3].mp4").arg(m_dir, page.expectedTitle, label);
    QCOMPARE(item.getDestFile(), expected);
    QCOMPARE(filesIn(m_dir), QStringList({QFileInfo(expected).fileName()}));
    QCOMPARE(fileBytes(expected), fileBytes(siteFile(format.path)));
    const TestTools::ProbeResult probe = TestTools::probeStreams(expected);
    QVERIFY2(probe.ok, qPrintable(probe.error));
    QCOMPARE(probe.streamsOfType(QStringLiteral("video")).first().height, format.height);
    QVERIFY(probe.hasAudio());
    QVERIFY(!DownloadItem::getDownloadedFiles().contains(expected));
}

void TestDownloadEngine::dashQualityGetsItsAudioPartner_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("videoId");
    QTest::addColumn<QString>("audioId");
    QTest::addColumn<QString>("suffix");
    QTest::newRow("best MP4") << int(Tarn::PreferredQualityBest) << "MP4" << "video-720" << "audio-aac" << "mp4";
    QTest::newRow("360 WEBM") << int(Tarn::PreferredQualityResolution) << "WEBM" << "video-360-vp9" << "audio-opus"
                              << "webm";
}

void TestDownloadEngine::dashQualityGetsItsAudioPartner()
{
    QFETCH(int, mode);
    QFETCH(QString, format);
    QFETCH(QString, videoId);
    QFETCH(QString, audioId);
    QFETCH(QString, suffix);
    setQuality(Tarn::PreferredQuality(mode), format);
    const SampleSite::Page page = m_manifest.page(m_manifest.dashId);
    const SampleSite::Format video = page.format(videoId);
    const SampleSite::Format audio = page.format(audioId);

    DownloadItem item(pageAddress(page.id));
    ItemWatch watch(&item);
    item.start();
    QTRY_VERIFY2_WITH_TIMEOUT(watch.ended(), qPrintable(watch.describe()), runMs);
    QCOMPARE(item.getStatus(), DownloadItem::Finished);
    const Kel::MediaProfile chosen = item.getDownloadParameters().getDownloadQuality();
    QCOMPARE(chosen.name, videoId);
    QCOMPARE(chosen.audioFormat, audioId);

    const QString dest = item.getDestFile();
    QCOMPARE(QFileInfo(dest).suffix(), suffix);
    QVERIFY(QFileInfo(dest).fileName().startsWith(page.expectedTitle + QLatin1Char('[')));
    QCOMPARE(filesIn(m_dir), QStringList({QFileInfo(dest).fileName()}));
    const TestTools::ProbeResult probe = TestTools::probeStreams(dest);
    QVERIFY2(probe.ok, qPrintable(probe.error));
    QCOMPARE(probe.count(QStringLiteral("video")), 1);
    QCOMPARE(probe.count(QStringLiteral("audio")), 1);
    QCOMPARE(probe.streamsOfType(QStringLiteral("video")).first().height, video.height);
    QCOMPARE(probe.streamsOfType(QStringLiteral("video")).first().codecName, video.vcodec);
    QCOMPARE(probe.streamsOfType(QStringLiteral("audio")).first().codecName, audio.acodec);
}

void TestDownloadEngine::subtitlesFollowSettings_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QList<QLocale::Language>>("languages");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("none") << int(Kel::NoSubtitle) << QList<QLocale::Language>{QLocale::German} << QStringList();
    QTest::newRow("all") << int(Kel::AllEmbeddedSubtitles) << QList<QLocale::Language>{}
                         << QStringList({"eng", "ger"});
    QTest::newRow("German") << int(Kel::PreferredLanguageSubtitles) << QList<QLocale::Language>{QLocale::German}
                            << QStringList({"ger"});
}

void TestDownloadEngine::subtitlesFollowSettings()
{
    QFETCH(int, mode);
    QFETCH(QList<QLocale::Language>, languages);
    QFETCH(QStringList, expected);
    settings()->setSubtitleMode(Kel::SubtitleMode(mode));
    settings()->setSubtitleLanguages(languages);
    setQuality(Tarn::PreferredQualityResolution, QStringLiteral("MP4"), QSize(426, 240));

    DownloadItem item(pageAddress(m_manifest.progressiveId));
    ItemWatch watch(&item);
    item.start();
    QTRY_VERIFY2_WITH_TIMEOUT(watch.ended(), qPrintable(watch.describe()), runMs);
    QCOMPARE(item.getStatus(), DownloadItem::Finished);
    QCOMPARE(int(item.getDownloadParameters().subtitleSetting().mode), mode);
    const TestTools::ProbeResult probe = TestTools::probeStreams(item.getDestFile());
    QVERIFY2(probe.ok, qPrintable(probe.error));
    QCOMPARE(subtitleLanguages(probe), expected);
    QCOMPARE(filesIn(m_dir), QStringList({QFileInfo(item.getDestFile()).fileName()}));
}

void TestDownloadEngine::twoItemsOfOnePageAndQuality()
{
    const SampleSite::Page page = m_manifest.page(m_manifest.progressiveId);
    const QString address = pageAddress(page.id);
    DownloadItem first(address);
    DownloadItem second(address);
    ItemWatch firstWatch(&first);
    ItemWatch secondWatch(&second);
    first.start();
    second.start();
    QTRY_VERIFY2_WITH_TIMEOUT(firstWatch.ended() && secondWatch.ended(),
                              qPrintable(firstWatch.describe() + QLatin1String(" / ") + secondWatch.describe()),
                              runMs);
    QCOMPARE(first.getStatus(), DownloadItem::Finished);
    QCOMPARE(second.getStatus(), DownloadItem::Finished);

    const QString base = QStringLiteral("%1[360P]").arg(page.expectedTitle);
    QCOMPARE(first.getDestFile(), QStringLiteral("%1/%2.mp4").arg(m_dir, base));
    QCOMPARE(second.getDestFile(), QStringLiteral("%1/%2(1).mp4").arg(m_dir, base));
    QCOMPARE(filesIn(m_dir), QStringList({base + QStringLiteral("(1).mp4"), base + QStringLiteral(".mp4")}));
    const QByteArray original = fileBytes(siteFile(page.format(QStringLiteral("360p")).path));
    QCOMPARE(fileBytes(first.getDestFile()), original);
    QCOMPARE(fileBytes(second.getDestFile()), original);
}

void TestDownloadEngine::thumbnailsAndSizesArrive()
{
    const SampleSite::Page page = m_manifest.page(m_manifest.unicodeId);
    setQuality(Tarn::PreferredQualityResolution, QStringLiteral("MP4"), QSize(426, 240));
    const QString address = pageAddress(page.id);
    QSignalSpy sizes(manager(), &DownloadManager::mediaSizeReady);
    DownloadItem item(address);
    ItemWatch watch(&item);
    item.start();
    QTRY_VERIFY2_WITH_TIMEOUT(watch.ended(), qPrintable(watch.describe()), runMs);
    QCOMPARE(item.getStatus(), DownloadItem::Finished);

    // The picture of this page, in the thumbnail folder.
    QTRY_COMPARE_WITH_TIMEOUT(watch.thumbnails.count(), 1, runMs);
    const QString thumbnail = watch.thumbnails.at(0).at(0).toString();
    QCOMPARE(item.getThumbnailFile(), thumbnail);
    QCOMPARE(QFileInfo(thumbnail).absolutePath(), settings()->getThumbnailDownloadDir());
    QCOMPARE(fileBytes(thumbnail), fileBytes(siteFile(page.thumbnail)));

    // Every quality's size, one request after the other.
    QTRY_VERIFY_WITH_TIMEOUT(sizes.count() >= page.formats.size(), runMs);
    const WebMediaInfo cached = manager()->getMediaInfo(address);
    for (const SampleSite::Format &format : page.formats) {
        const QString url = SampleSite::mediaUrl(m_server, format.path).toString();
        bool found = false;
        for (const Kel::MediaProfile &p : cached.profiles) {
            if (p.url == url) {
                QCOMPARE(p.size, format.size);
                found = true;
            }
        }
        QVERIFY2(found, qPrintable(url));
    }
    for (const QVariantList &args : qAsConst(sizes))
        QCOMPARE(args.at(0).toString(), address);
    QCOMPARE(item.getFileSize(), page.format(QStringLiteral("240p")).size);

    // A title that file names cannot hold as it is.
    const QString name = QFileInfo(item.getDestFile()).fileName();
    QCOMPARE(name, Kel::WebMediaInfo::makeFileTitle(page.expectedTitle) + QStringLiteral("[240P].mp4"));
    QCOMPARE(filesIn(m_dir), QStringList({name}));
}

void TestDownloadEngine::missingPageFails_data()
{
    QTest::addColumn<QString>("id");
    QTest::newRow("page without video") << m_manifest.noVideoId;
    QTest::newRow("page that does not exist") << "zzzzzzzzzzz";
}

void TestDownloadEngine::missingPageFails()
{
    QFETCH(QString, id);
    const QString address = pageAddress(id);
    QVERIFY(!address.isEmpty());
    DownloadItem item(address);
    ItemWatch watch(&item);
    item.start();
    QTRY_VERIFY2_WITH_TIMEOUT(watch.ended(), qPrintable(watch.describe()), runMs);
    QCOMPARE(item.getStatus(), DownloadItem::Failed);
    QVERIFY(item.canRestart());
    // The tool's own words reach the user.
    QCOMPARE(watch.infoErrors.count() + watch.errors.count(), 1);
    if (watch.infoErrors.count()) {
        QCOMPARE(watch.infoErrors.at(0).at(0).toString(), address);
        QVERIFY2(watch.infoErrors.at(0).at(1).toString().contains(QLatin1String("ERROR")),
                 qPrintable(watch.describe()));
    } else {
        QCOMPARE(watch.errors.at(0).at(0).toInt(), 1005);
    }
    QVERIFY(!manager()->getMediaInfo(address).isValid());
    QVERIFY(filesIn(m_dir).isEmpty());

    // A restart asks the tool again.
    item.start();
    QCOMPARE(item.getStatus(), DownloadItem::Analysing);
    QTRY_VERIFY2_WITH_TIMEOUT(watch.ended(), qPrintable(watch.describe()), runMs);
    QCOMPARE(item.getStatus(), DownloadItem::Failed);
    QCOMPARE(watch.infoErrors.count() + watch.errors.count(), 2);
}

void TestDownloadEngine::failedAnalysisCanBeRestarted()
{
    // The page's own address form, so that nothing of it is cached yet.
    const SampleSite::Page page = m_manifest.page(m_manifest.progressiveId);
    const QString address = SampleSite::watchUrl(m_server, page.id).toString();
    QVERIFY(DownloadManager::isDownloadableUrl(address));
    QCOMPARE(DownloadManager::makeupDownloadableUrl(address), address);
    QVERIFY(!manager()->getMediaInfo(address).isValid());

    TestHttpServer::Fault gone;
    gone.status = 404;
    m_server.setFault(page.path, gone);
    DownloadItem item(address);
    ItemWatch watch(&item);
    item.start();
    QTRY_VERIFY2_WITH_TIMEOUT(watch.ended(), qPrintable(watch.describe()), runMs);
    QCOMPARE(item.getStatus(), DownloadItem::Failed);
    QCOMPARE(watch.infoErrors.count(), 1);
    QVERIFY2(watch.infoErrors.at(0).at(1).toString().contains(QLatin1String("404")), qPrintable(watch.describe()));

    m_server.clearFaults();
    item.start();
    QTRY_VERIFY2_WITH_TIMEOUT(watch.ended(), qPrintable(watch.describe()), runMs);
    QCOMPARE(item.getStatus(), DownloadItem::Finished);
    QVERIFY(QFileInfo::exists(item.getDestFile()));
}

void TestDownloadEngine::failedDownloadCanBeRestarted()
{
    const SampleSite::Page page = m_manifest.page(m_manifest.progressiveId);
    const SampleSite::Format format = page.format(QStringLiteral("240p"));
    setQuality(Tarn::PreferredQualityResolution, QStringLiteral("MP4"), QSize(426, 240));
    TestHttpServer::Fault broken;
    broken.status = 500;
    m_server.setFault(format.path, broken);

    DownloadItem item(pageAddress(page.id));
    ItemWatch watch(&item);
    QSignalSpy canceling(&item, &DownloadItem::aboutToBeCanceled);
    item.start();
    QTRY_VERIFY2_WITH_TIMEOUT(watch.ended(), qPrintable(watch.describe()), runMs);
    QCOMPARE(item.getStatus(), DownloadItem::Failed);
    QCOMPARE(watch.errors.count(), 1);
    QCOMPARE(watch.errors.at(0).at(0).toInt(), 1000);
    QCOMPARE(canceling.count(), 1);
    QCOMPARE(item.getProgress(), Kel::Progress());
    const QString dest = item.getDestFile();
    QVERIFY(!dest.isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(filesIn(m_dir).isEmpty(), runMs);

    // Same quality, same destination.
    m_server.clearFaults();
    item.start();
    QTRY_VERIFY2_WITH_TIMEOUT(watch.ended(), qPrintable(watch.describe()), runMs);
    QCOMPARE(item.getStatus(), DownloadItem::Finished);
    QCOMPARE(item.getDestFile(), dest);
    QCOMPARE(fileBytes(dest), fileBytes(siteFile(format.path)));
    QCOMPARE(filesIn(m_dir), QStringList({QFileInfo(dest).fileName()}));
}

void TestDownloadEngine::cancellingARunningItemLeavesNoFiles()
{
    const SampleSite::Page page = m_manifest.page(m_manifest.singleId);
    const SampleSite::Format format = page.formats.first();
    // Slow enough to be caught half-way.
    m_server.setBandwidthLimit(format.size / 20);

    DownloadItem item(pageAddress(page.id));
    ItemWatch watch(&item);
    QSignalSpy canceling(&item, &DownloadItem::aboutToBeCanceled);
    item.start();
    QTRY_VERIFY2_WITH_TIMEOUT(!watch.progress.isEmpty() || watch.ended(), qPrintable(watch.describe()), runMs);
    QCOMPARE(item.getStatus(), DownloadItem::Downloading);
    const QString dest = item.getDestFile();
    // The tool tells no size of this page's one video.
    QCOMPARE(QFileInfo(dest).fileName(), page.expectedTitle + QStringLiteral(".mp4"));
    QVERIFY(manager()->getDownloadTask(dest));

    item.cancel();
    QCOMPARE(canceling.count(), 1);
    QTRY_VERIFY_WITH_TIMEOUT(!manager()->getDownloadTask(dest), runMs);
    QTRY_VERIFY_WITH_TIMEOUT(filesIn(m_dir).isEmpty(), runMs);
    QCOMPARE(watch.finished.count(), 0);
    QCOMPARE(watch.errors.count(), 0);
    m_server.setBandwidthLimit(0);
}

QTEST_GUILESS_MAIN(TestDownloadEngine)
#include "tst_downloadengine.moc"
