// Downloads through the library's factory with the real extractor tool and
// ffmpeg from the local sample site; the results are checked with ffprobe.
#include "downloadrun.h"
#include "shared/webmediainfo.h"
#include "support/samplesite.h"
#include "support/testhttpserver.h"
#include "support/testtools.h"
#include "webfetch/webmediadownloader.h"
#include "webfetch/webmediadownloaderfactory.h"
#include "webfetch/webmediainfoextractor.h"

#include <QFile>
#include <QMap>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using Kel::MediaProfile;
using Kel::SubtitleSetting;
using Kel::WebMediaDownloader;
using Kel::WebMediaInfo;

namespace {

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList languagesOf(const TestTools::ProbeResult &probe)
{
    QStringList languages;
    for (const TestTools::StreamInfo &s : probe.streamsOfType(QStringLiteral("subtitle")))
        languages += s.language;
    std::sort(languages.begin(), languages.end());
    return languages;
}

// The bottom quarter of the frame at 1.5 s, in grey levels: where subtitles
// are drawn.
QByteArray bottomOfFrame(const QString &file)
{
    const TestTools::RunResult r = TestTools::run(
        TestTools::ffmpegPath(), {"-v", "error", "-ss", "1.5", "-i", file, "-frames:v", "1", "-vf",
                                  "scale=640:360,crop=iw:ih/4:0:ih*3/4,format=gray", "-f", "rawvideo", "-"});
    return r.succeeded() ? r.standardOutput : QByteArray();
}

} // namespace

class TestWebfetchDownloader : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void singleQualityRenamed();
    void dashVideoMergedWithAudio();
    void dashWebmVideoWithAacAudio();
    void dashMp4VideoWithOpusAudio();
    void dashVideoWithoutPartnerIsRenamed();
    void allSubtitlesMuxed();
    void preferredSubtitlesMuxed();
    void subtitlesWithDashMerge();
    void subtitleBurnedIn();
    void audioQualityGetsNoSubtitles();

private:
    WebMediaInfo mediaInfo(const QString &pageId);
    MediaProfile profile(const QString &pageId, const QString &formatId);
    std::unique_ptr<WebMediaDownloader> makeDownloader();
    QString pageUrl(const QString &pageId) const;
    QString siteFile(const QString &path) const;
    // Fails the test unless the folder holds exactly the destination.
    void expectOnly(const QString &dir, const QString &destination);

    TestHttpServer m_server;
    SampleSite::Manifest m_manifest;
    QString m_siteDir;
    QMap<QString, WebMediaInfo> m_infos;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestWebfetchDownloader::initTestCase()
{
    qRegisterMetaType<Kel::WebMediaInfo>("Kel::WebMediaInfo");
    qRegisterMetaType<Kel::MediaProfile>("Kel::MediaProfile");
    qRegisterMetaType<Kel::SubtitleSetting>("Kel::SubtitleSetting");
    MARLIN_REQUIRE_YTZIP();
    MARLIN_REQUIRE_PROGRAM("ffmpeg");
    MARLIN_REQUIRE_PROGRAM("ffprobe");
    QString error;
    QVERIFY2(SampleSite::serve(m_server, &error), qPrintable(error));
    m_manifest = SampleSite::manifest(&error);
    QVERIFY2(!m_manifest.pages.isEmpty(), qPrintable(error));
    m_siteDir = m_server.rootDir();
}

void TestWebfetchDownloader::cleanupTestCase()
{
    m_server.stop();
}

void TestWebfetchDownloader::init()
{
    m_server.setBandwidthLimit(0);
    m_server.clearFaults();
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

QString TestWebfetchDownloader::pageUrl(const QString &pageId) const
{
    return SampleSite::watchUrl(m_server, pageId).toString();
}

QString TestWebfetchDownloader::siteFile(const QString &path) const
{
    return m_siteDir + path;
}

WebMediaInfo TestWebfetchDownloader::mediaInfo(const QString &pageId)
{
    if (!m_infos.contains(pageId)) {
        std::unique_ptr<Kel::WebMediaInfoExtractor> extractor(
            Kel::WebMediaDownloaderFactory::instance()->createExtractor(TestTools::ytZipPath(), QDir::tempPath()));
        m_infos.insert(pageId, extractor->getMediaInfo(pageUrl(pageId)));
    }
    return m_infos.value(pageId);
}

MediaProfile TestWebfetchDownloader::profile(const QString &pageId, const QString &formatId)
{
    for (const MediaProfile &p : mediaInfo(pageId).profiles) {
        if (p.name == formatId)
            return p;
    }
    return MediaProfile();
}

std::unique_ptr<WebMediaDownloader> TestWebfetchDownloader::makeDownloader()
{
    return std::unique_ptr<WebMediaDownloader>(
        Kel::WebMediaDownloaderFactory::instance()->createDownloader(TestTools::ytZipPath(), QDir::tempPath()));
}

void TestWebfetchDownloader::expectOnly(const QString &dir, const QString &destination)
{
    QCOMPARE(DownloadRun::filesIn(dir), QStringList({QFileInfo(destination).fileName()}));
}

void TestWebfetchDownloader::singleQualityRenamed()
{
    const SampleSite::Page page = m_manifest.page(m_manifest.progressiveId);
    const SampleSite::Format format = page.format(QStringLiteral("360p"));
    const MediaProfile quality = profile(page.id, format.formatId);
    QCOMPARE(quality.name, format.formatId);

    // A folder and a name that a shell or the tool's options would misread.
    const QString folder = m_dir->filePath(QStringLiteral("it's 100% \"odd\" & -x Gr\u00fc\u00dfe \u65e5\u672c"));
    QVERIFY(QDir().mkpath(folder));
    const QString destination = folder + QStringLiteral("/-clip [1] $HOME.mp4");

    // Slow enough for the tool to report progress as it goes.
    m_server.setBandwidthLimit(format.size / 2);
    auto downloader = makeDownloader();
    DownloadRun run(downloader.get());
    downloader->download(pageUrl(page.id), quality, SubtitleSetting(), destination);
    QVERIFY2(run.wait(), qPrintable(run.describe()));
    QVERIFY2(run.errors().isEmpty(), qPrintable(run.describe()));
    QCOMPARE(run.finishedCount(), 1);
    QCOMPARE(run.startedCount(), 1);

    const QList<Kel::Progress> progress = run.progress();
    QVERIFY2(!progress.isEmpty(), qPrintable(run.describe()));
    for (const Kel::Progress &p : progress) {
        // The tool rounds the size it prints to two decimals of its unit.
        QVERIFY2(qAbs(p.total - format.size) <= format.size / 100, qPrintable(p.toString()));
        QVERIFY(p.finish >= 0 && p.finish <= p.total);
        QVERIFY(p.speed > 0);
    }

    expectOnly(folder, destination);
    QCOMPARE(fileBytes(destination), fileBytes(siteFile(format.path)));
    const TestTools::ProbeResult probe = TestTools::probeStreams(destination);
    QVERIFY2(probe.ok, qPrintable(probe.error));
    QCOMPARE(probe.count(QStringLiteral("video")), 1);
    QCOMPARE(probe.count(QStringLiteral("audio")), 1);
    QCOMPARE(probe.streamsOfType(QStringLiteral("video")).first().height, 360);
}

void TestWebfetchDownloader::dashVideoMergedWithAudio()
{
    const SampleSite::Page page = m_manifest.page(m_manifest.dashId);
    MediaProfile quality = profile(page.id, QStringLiteral("video-360"));
    QVERIFY(quality.dash);
    quality.audioFormat = QStringLiteral("audio-aac");
    quality.size = page.format(QStringLiteral("video-360")).size;
    const QString destination = m_dir->filePath(QStringLiteral("dash clip.mp4"));

    m_server.setBandwidthLimit(30000);
    auto downloader = makeDownloader();
    DownloadRun run(downloader.get());
    downloader->download(pageUrl(page.id), quality, SubtitleSetting(), destination);
    QVERIFY2(run.wait(), qPrintable(run.describe()));
    QVERIFY2(run.errors().isEmpty(), qPrintable(run.describe()));
    QCOMPARE(run.finishedCount(), 1);
    QCOMPARE(run.startedCount(), 2);

    // Two runs, one progress that never goes back and ends complete.
    const QList<Kel::Progress> progress = run.progress();
    QVERIFY2(progress.size() >= 2, qPrintable(run.describe()));
    double share = 0.0;
    for (int i = 0; i + 1 < progress.size(); ++i) {
        const Kel::Progress &p = progress.at(i);
        const double next = double(p.finish) / double(p.total);
        QVERIFY2(next > share, qPrintable(p.toString(Kel::Progress::FinishOfTotal)));
        share = next;
    }
    const Kel::Progress last = progress.last();
    QCOMPARE(last.finish, last.total);
    QCOMPARE(last.speed, qint64(0));
    QVERIFY(last.total >= page.format("video-360").size + page.format("audio-aac").size - 2000);

    expectOnly(m_dir->path(), destination);
    const TestTools::ProbeResult probe = TestTools::probeStreams(destination);
    QVERIFY2(probe.ok, qPrintable(probe.error));
    QCOMPARE(probe.count(QStringLiteral("video")), 1);
    QCOMPARE(probe.count(QStringLiteral("audio")), 1);
    QCOMPARE(probe.streamsOfType(QStringLiteral("video")).first().codecName, QStringLiteral("h264"));
    QCOMPARE(probe.streamsOfType(QStringLiteral("audio")).first().codecName, QStringLiteral("aac"));
    QVERIFY(probe.formatName.contains(QLatin1String("mp4")));
}

void TestWebfetchDownloader::dashWebmVideoWithAacAudio()
{
    const SampleSite::Page page = m_manifest.page(m_manifest.dashId);
    MediaProfile quality = profile(page.id, QStringLiteral("video-360-vp9"));
    QCOMPARE(quality.format, QStringLiteral("WEBM"));
    quality.audioFormat = QStringLiteral("audio-aac");
    const QString destination = m_dir->filePath(QStringLiteral("clip.webm"));
    auto downloader = makeDownloader();
    DownloadRun run(downloader.get());
    downloader->download(pageUrl(page.id), quality, SubtitleSetting(), destination);
    QVERIFY2(run.wait(), qPrintable(run.describe()));
    QVERIFY2(run.errors().isEmpty(), qPrintable(run.describe()));
    expectOnly(m_dir->path(), destination);
    const TestTools::ProbeResult probe = TestTools::probeStreams(destination);
    QVERIFY2(probe.ok, qPrintable(probe.error));
    QCOMPARE(probe.streamsOfType(QStringLiteral("video")).value(0).codecName, QStringLiteral("vp9"));
    QCOMPARE(probe.streamsOfType(QStringLiteral("audio")).value(0).codecName, QStringLiteral("opus"));
    QVERIFY(probe.formatName.contains(QLatin1String("webm")));
}

void TestWebfetchDownloader::dashMp4VideoWithOpusAudio()
{
    const SampleSite::Page page = m_manifest.page(m_manifest.dashId);
    MediaProfile quality = profile(page.id, QStringLiteral("video-720"));
    quality.audioFormat = QStringLiteral("audio-opus");
    const QString destination = m_dir->filePath(QStringLiteral("clip.mp4"));
    auto downloader = makeDownloader();
    DownloadRun run(downloader.get());
    downloader->download(pageUrl(page.id), quality, SubtitleSetting(), destination);
    QVERIFY2(run.wait(), qPrintable(run.describe()));
    QVERIFY2(run.errors().isEmpty(), qPrintable(run.describe()));
    expectOnly(m_dir->path(), destination);
    const TestTools::ProbeResult probe = TestTools::probeStreams(destination);
    QCOMPARE(probe.streamsOfType(QStringLiteral("video")).value(0).codecName, QStringLiteral("h264"));
    QCOMPARE(probe.streamsOfType(QStringLiteral("video")).value(0).height, 720);
    QCOMPARE(probe.streamsOfType(QStringLiteral("audio")).value(0).codecName, QStringLiteral("aac"));
}

void TestWebfetchDownloader::dashVideoWithoutPartnerIsRenamed()
{
    const SampleSite::Page page = m_manifest.page(m_manifest.dashId);
    const MediaProfile quality = profile(page.id, QStringLiteral("video-360"));
    QVERIFY(quality.dash);
    QVERIFY(quality.audioFormat.isEmpty());
    const QString destination = m_dir->filePath(QStringLiteral("silent.mp4"));
    auto downloader = makeDownloader();
    DownloadRun run(downloader.get());
    downloader->download(pageUrl(page.id), quality, SubtitleSetting(), destination);
    QVERIFY2(run.wait(), qPrintable(run.describe()));
    QVERIFY2(run.errors().isEmpty(), qPrintable(run.describe()));
    QCOMPARE(run.startedCount(), 1);
    expectOnly(m_dir->path(), destination);
    QCOMPARE(fileBytes(destination), fileBytes(siteFile(page.format("video-360").path)));
}

void TestWebfetchDownloader::allSubtitlesMuxed()
{
    const SampleSite::Page page = m_manifest.page(m_manifest.progressiveId);
    SubtitleSetting subtitles;
    subtitles.mode = Kel::AllEmbeddedSubtitles;
    subtitles.availableLanguages = mediaInfo(page.id).subtitleLanguages;
    const QString destination = m_dir->filePath(QStringLiteral("all subtitles.mp4"));
    auto downloader = makeDownloader();
    DownloadRun run(downloader.get());
    downloader->download(pageUrl(page.id), profile(page.id, QStringLiteral("240p")), subtitles, destination);
    QVERIFY2(run.wait(), qPrintable(run.describe()));
    QVERIFY2(run.errors().isEmpty(), qPrintable(run.describe()));
    expectOnly(m_dir->path(), destination);
    const TestTools::ProbeResult probe = TestTools::probeStreams(destination);
    QVERIFY2(probe.ok, qPrintable(probe.error));
    QCOMPARE(probe.count(QStringLiteral("video")), 1);
    QCOMPARE(probe.count(QStringLiteral("audio")), 1);
    QCOMPARE(probe.count(QStringLiteral("subtitle")), 2);
    QCOMPARE(probe.streamsOfType(QStringLiteral("subtitle")).first().codecName, QStringLiteral("mov_text"));
    QCOMPARE(languagesOf(probe), QStringList({"eng", "ger"}));
}

void TestWebfetchDownloader::preferredSubtitlesMuxed()
{
    const SampleSite::Page page = m_manifest.page(m_manifest.progressiveId);
    SubtitleSetting subtitles;
    subtitles.mode = Kel::PreferredLanguageSubtitles;
    subtitles.availableLanguages = mediaInfo(page.id).subtitleLanguages;
    // German is offered; French only as automatic subtitles, which this page
    // has none of: a run of its own that finds nothing.
    subtitles.preferredLanguages = {QStringLiteral("de"), QStringLiteral("fr")};
    const QString destination = m_dir->filePath(QStringLiteral("german.mp4"));
    auto downloader = makeDownloader();
    DownloadRun run(downloader.get());
    downloader->download(pageUrl(page.id), profile(page.id, QStringLiteral("360p")), subtitles, destination);
    QVERIFY2(run.wait(), qPrintable(run.describe()));
    QVERIFY2(run.errors().isEmpty(), qPrintable(run.describe()));
    QCOMPARE(run.startedCount(), 2);
    expectOnly(m_dir->path(), destination);
    const TestTools::ProbeResult probe = TestTools::probeStreams(destination);
    QVERIFY2(probe.ok, qPrintable(probe.error));
    QCOMPARE(probe.count(QStringLiteral("video")), 1);
    QCOMPARE(probe.count(QStringLiteral("audio")), 1);
    QCOMPARE(languagesOf(probe), QStringList({"ger"}));
}

void TestWebfetchDownloader::subtitlesWithDashMerge()
{
    const SampleSite::Page page = m_manifest.page(m_manifest.dashId);
    MediaProfile quality = profile(page.id, QStringLiteral("video-360"));
    quality.audioFormat = QStringLiteral("audio-aac");
    SubtitleSetting subtitles;
    subtitles.mode = Kel::PreferredLanguageSubtitles;
    subtitles.availableLanguages = mediaInfo(page.id).subtitleLanguages;
    subtitles.preferredLanguages = {QStringLiteral("en"), QStringLiteral("de")};
    const QString destination = m_dir->filePath(QStringLiteral("dash with subtitles.mp4"));
    auto downloader = makeDownloader();
    DownloadRun run(downloader.get());
    downloader->download(pageUrl(page.id), quality, subtitles, destination);
    QVERIFY2(run.wait(), qPrintable(run.describe()));
    QVERIFY2(run.errors().isEmpty(), qPrintable(run.describe()));
    expectOnly(m_dir->path(), destination);
    const TestTools::ProbeResult probe = TestTools::probeStreams(destination);
    QVERIFY2(probe.ok, qPrintable(probe.error));
    QCOMPARE(probe.count(QStringLiteral("video")), 1);
    QCOMPARE(probe.count(QStringLiteral("audio")), 1);
    QCOMPARE(languagesOf(probe), QStringList({"eng", "ger"}));
    // The first preferred language is the first subtitle stream.
    QCOMPARE(probe.streamsOfType(QStringLiteral("subtitle")).first().language, QStringLiteral("eng"));
}

void TestWebfetchDownloader::subtitleBurnedIn()
{
    const SampleSite::Page page = m_manifest.page(m_manifest.progressiveId);
    const SampleSite::Format format = page.format(QStringLiteral("360p"));
    SubtitleSetting subtitles;
    subtitles.mode = Kel::BurnedInSubtitle;
    subtitles.availableLanguages = mediaInfo(page.id).subtitleLanguages;
    subtitles.preferredLanguages = {QStringLiteral("en")};
    const QString destination = m_dir->filePath(QStringLiteral("burned.mp4"));
    auto downloader = makeDownloader();
    DownloadRun run(downloader.get());
    downloader->download(pageUrl(page.id), profile(page.id, format.formatId), subtitles, destination);
    QVERIFY2(run.wait(), qPrintable(run.describe()));
    QVERIFY2(run.errors().isEmpty(), qPrintable(run.describe()));
    expectOnly(m_dir->path(), destination);

    const TestTools::ProbeResult probe = TestTools::probeStreams(destination);
    QVERIFY2(probe.ok, qPrintable(probe.error));
    QCOMPARE(probe.count(QStringLiteral("subtitle")), 0);
    QCOMPARE(probe.count(QStringLiteral("video")), 1);
    QCOMPARE(probe.count(QStringLiteral("audio")), 1);
    QVERIFY(fileBytes(destination) != fileBytes(siteFile(format.path)));

    // The text is in the picture: the bottom of a frame differs strongly
    // from the source in many places, not just by the noise of re-encoding.
    const QByteArray source = bottomOfFrame(siteFile(format.path));
    const QByteArray burned = bottomOfFrame(destination);
    QVERIFY(!source.isEmpty());
    QCOMPARE(burned.size(), source.size());
    int changed = 0;
    for (int i = 0; i < source.size(); ++i) {
        if (qAbs(int(quint8(source.at(i))) - int(quint8(burned.at(i)))) > 80)
            ++changed;
    }
    QVERIFY2(changed > 200, qPrintable(QStringLiteral("%1 pixels changed").arg(changed)));
}

void TestWebfetchDownloader::audioQualityGetsNoSubtitles()
{
    const SampleSite::Page page = m_manifest.page(m_manifest.dashId);
    const MediaProfile quality = profile(page.id, QStringLiteral("audio-aac"));
    QCOMPARE(quality.type, Kel::Audio);
    SubtitleSetting subtitles;
    subtitles.mode = Kel::AllEmbeddedSubtitles;
    subtitles.availableLanguages = mediaInfo(page.id).subtitleLanguages;
    const QString destination = m_dir->filePath(QStringLiteral("sound.m4a"));
    auto downloader = makeDownloader();
    DownloadRun run(downloader.get());
    downloader->download(pageUrl(page.id), quality, subtitles, destination);
    QVERIFY2(run.wait(), qPrintable(run.describe()));
    QVERIFY2(run.errors().isEmpty(), qPrintable(run.describe()));
    expectOnly(m_dir->path(), destination);
    const TestTools::ProbeResult probe = TestTools::probeStreams(destination);
    QCOMPARE(probe.count(QStringLiteral("audio")), 1);
    QCOMPARE(probe.count(QStringLiteral("video")), 0);
    QCOMPARE(probe.count(QStringLiteral("subtitle")), 0);
}

QTEST_GUILESS_MAIN(TestWebfetchDownloader)
#include "tst_webfetchdownloader.moc"
