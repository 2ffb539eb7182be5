// What goes wrong on the way of a download: cancelling, a server that drops
// the connection or cuts a body of unknown length short, a crashing or
// missing tool, a failing merge, a destination that cannot be taken, and
// configuration the tool must not read. Nothing may be left behind, and each
// failure is reported once with its code and its reason. The fake tool
// stands in only where the real one cannot fail on demand.
#include "downloadrun.h"
#include "shared/runstamp.h"
#include "shared/webmediainfo.h"
#include "support/samplesite.h"
#include "support/testhttpserver.h"
#include "support/testtools.h"
#include "webfetch/webmediadownloader.h"
#include "webfetch/webmediadownloaderfactory.h"
#include "webfetch/webmediainfoextractor.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include <unistd.h>

using Kel::MediaProfile;
using Kel::SubtitleSetting;
using Kel::WebMediaDownloader;
using Kel::WebMediaInfo;

namespace {

QString fakeToolPath()
{
    return QStringLiteral(MARLIN_SOURCE_DIR "/tests/integration/fake_pux_tool.py");
}

// Replaces an environment variable for as long as it lives.
class EnvOverride
{
public:
    EnvOverride(const char *name, const QString &value) : m_name(name), m_saved(qgetenv(name)), m_had(qEnvironmentVariableIsSet(name))
    {
        qputenv(name, value.toLocal8Bit());
    }
    ~EnvOverride()
    {
        if (m_had)
            qputenv(m_name, m_saved);
        else
            qunsetenv(m_name);
    }

private:
    const char *m_name;
    QByteArray m_saved;
    bool m_had;
};

MediaProfile fakeProfile(const QString &format)
{
    MediaProfile profile;
    profile.name = format;
    profile.format = QStringLiteral("MP4");
    profile.type = Kel::Video;
    return profile;
}

QList<QJsonObject> recordedRuns(const QString &file)
{
    QList<QJsonObject> runs;
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return runs;
    for (const QByteArray &line : f.readAll().split('\n')) {
        if (!line.trimmed().isEmpty())
            runs += QJsonDocument::fromJson(line).object();
    }
    return runs;
}

QStringList argumentsOf(const QJsonObject &run)
{
    QStringList args;
    for (const QJsonValue &v : run.value(QStringLiteral("args")).toArray())
        args += v.toString();
    return args;
}

} // namespace

class TestWebfetchFaults : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();

    // Real tool
    void cancelDuringThrottledDownload();
    void cancelBeforeTheFirstLine();
    void serverDropsConnection();
    void bodyCutShortWithoutLength();
    void foreignConfigurationHasNoEffect();
    void failedMergeRemovesPieces_data();
    void failedMergeRemovesPieces();
    void takenDestinationGetsTheNextName();
    void renameFails();
    void renameOfMergedFileFails();
    void missingFfmpeg();
    void deletingRunningDownloaderLeavesNothing();
    // Fake tool
    void toolCrashes();
    void toolExitsWithError();
    void toolWritesNoDestination();
    void missingInterpreter();
    void emptyFormat();
    void outputInAwkwardPieces();
    void commandLines();
    void zippedToolMode();

private:
    MediaProfile profile(const QString &pageId, const QString &formatId);
    std::unique_ptr<WebMediaDownloader> makeDownloader(const QString &tool = TestTools::ytZipPath());
    QString pageUrl(const QString &pageId) const;

    TestHttpServer m_server;
    SampleSite::Manifest m_manifest;
    QMap<QString, WebMediaInfo> m_infos;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestWebfetchFaults::initTestCase()
{
    qRegisterMetaType<Kel::WebMediaInfo>("Kel::WebMediaInfo");
    MARLIN_REQUIRE_YTZIP();
    MARLIN_REQUIRE_PROGRAM("ffmpeg");
    MARLIN_REQUIRE_PROGRAM("ffprobe");
    QString error;
    QVERIFY2(SampleSite::serve(m_server, &error), qPrintable(error));
    m_manifest = SampleSite::manifest(&error);
    QVERIFY2(!m_manifest.pages.isEmpty(), qPrintable(error));
}

void TestWebfetchFaults::cleanupTestCase()
{
    m_server.stop();
}

void TestWebfetchFaults::init()
{
    m_server.setBandwidthLimit(0);
    m_server.clearFaults();
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

QString TestWebfetchFaults::pageUrl(const QString &pageId) const
{
    return SampleSite::watchUrl(m_server, pageId).toString();
}

MediaProfile TestWebfetchFaults::profile(const QString &pageId, const QString &formatId)
{
    if (!m_infos.contains(pageId)) {
        std::unique_ptr<Kel::WebMediaInfoExtractor> extractor(
            Kel::WebMediaDownloaderFactory::instance()->createExtractor(TestTools::ytZipPath(), QDir::tempPath()));
        m_infos.insert(pageId, extractor->getMediaInfo(pageUrl(pageId)));
    }
    for (const MediaProfile &p : m_infos.value(pageId).profiles) {
        if (p.name == formatId)
            return p;
    }
    return MediaProfile();
}

std::unique_ptr<WebMediaDownloader> TestWebfetchFaults::makeDownloader(const QString &tool)
{
    return std::unique_ptr<WebMediaDownloader>(
        Kel::WebMediaDownloaderFactory::instance()->createDownloader(tool, QDir::tempPath()));
}

void TestWebfetchFaults::cancelDuringThrottledDownload()
{
    const SampleSite::Page page = m_manifest.page(m_manifest.singleId);
    const SampleSite::Format format = page.formats.first();
    const MediaProfile quality = profile(page.id, format.formatId);
    QVERIFY(!quality.name.isEmpty());
    m_server.setBandwidthLimit(format.size / 20);
    const QString destination = m_dir->filePath(QStringLiteral("cancelled.mp4"));

    auto downloader = makeDownloader();
    DownloadRun run(downloader.get());
    downloader->download(pageUrl(page.id), quality, SubtitleSetting(), destination);
    // Part of the file is on disk when the tool reports progress.
    QTRY_VERIFY_WITH_TIMEOUT(!run.progress().isEmpty(), 60000);
    QVERIFY(!DownloadRun::filesIn(m_dir->path()).isEmpty());
    QVERIFY(run.progress().last().finish < format.size);

    QVERIFY(downloader->cancel());
    QCOMPARE(DownloadRun::filesIn(m_dir->path()), QStringList());
    const int before = run.signalCount();
    QVERIFY2(run.staysSilent(2000), qPrintable(run.describe()));
    QCOMPARE(run.signalCount(), before);
    QVERIFY(run.errors().isEmpty());
    QCOMPARE(run.finishedCount(), 0);
    downloader.reset();
    QCOMPARE(DownloadRun::filesIn(m_dir->path()), QStringList());
}

void TestWebfetchFaults::cancelBeforeTheFirstLine()
{
    // The tool is still starting: no file name is known yet.
    const SampleSite::Page page = m_manifest.page(m_manifest.progressiveId);
    auto downloader = makeDownloader();
    DownloadRun run(downloader.get());
    downloader->download(pageUrl(page.id), profile(page.id, QStringLiteral("360p")), SubtitleSetting(),
                         m_dir->filePath(QStringLiteral("x.mp4")));
    QCOMPARE(run.startedCount(), 1);
    QVERIFY(downloader->cancel());
    QVERIFY(run.staysSilent(1500));
    QCOMPARE(run.signalCount(), 1);
    QCOMPARE(DownloadRun::filesIn(m_dir->path()), QStringList());
}

void TestWebfetchFaults::serverDropsConnection()
{
    const SampleSite::Page page = m_manifest.page(m_manifest.singleId);
    const SampleSite::Format format = page.formats.first();
    const MediaProfile quality = profile(page.id, format.formatId);
    // The first answer breaks off half-way; every try to resume fails.
    TestHttpServer::Fault drop;
    drop.closeAfterBytes = format.size / 2;
    drop.times = 1;
    m_server.setFault(format.path, drop);
    TestHttpServer::Fault unavailable;
    unavailable.status = 503;
    m_server.setFault(format.path + QLatin1Char('*'), unavailable);

    const QString destination = m_dir->filePath(QStringLiteral("dropped.mp4"));
    auto downloader = makeDownloader();
    DownloadRun run(downloader.get());
    downloader->download(pageUrl(page.id), quality, SubtitleSetting(), destination);
    QVERIFY2(run.wait(), qPrintable(run.describe()));
    QCOMPARE(run.errors(), QList<qint32>({-4}));
    // The tool's own words come with it.
    QVERIFY2(downloader->errorText().contains(QLatin1String("503")), qPrintable(downloader->errorText()));
    QCOMPARE(run.finishedCount(), 0);
    QVERIFY(m_server.requestCount(format.path) >= 2);
    QCOMPARE(DownloadRun::filesIn(m_dir->path()), QStringList());
    QVERIFY(run.staysSilent(500));
}

void TestWebfetchFaults::failedMergeRemovesPieces_data()
{
    QTest::addColumn<QString>("broken");
    QTest::addColumn<QString>("fault");
    QTest::addColumn<qint32>("code");
    QTest::addColumn<QString>("reason");
    // The tool's own fix-up of the audio piece fails, in its words.
    QTest::newRow("audio piece is no media") << "audio" << "junk" << qint32(-4) << "Invalid data";
    // Cut short without a length: the tool takes it as whole, the check of
    // the pieces against the page does not.
    QTest::newRow("audio piece cut short") << "audio" << "cut" << qint32(-9) << "incomplete";
    // Only ffmpeg reads the subtitles: its merge fails, in its words, and
    // is not blamed on the extractor tool.
    QTest::newRow("subtitle file is no subtitle") << "en" << "junk" << qint32(-7) << "matches no streams";
}

void TestWebfetchFaults::failedMergeRemovesPieces()
{
    QFETCH(QString, broken);
    QFETCH(QString, fault);
    QFETCH(qint32, code);
    QFETCH(QString, reason);
    const SampleSite::Page page = m_manifest.page(m_manifest.dashId);
    MediaProfile quality = profile(page.id, QStringLiteral("video-360"));
    quality.audioFormat = QStringLiteral("audio-aac");
    // As the video site's pages do, this one tells its duration.
    quality.duration = page.duration;
    SubtitleSetting subtitles;
    if (broken != QLatin1String("audio")) {
        subtitles.mode = Kel::PreferredLanguageSubtitles;
        subtitles.availableLanguages = page.subtitleLanguages();
        subtitles.preferredLanguages = {broken};
    }
    const QString path =
        broken == QLatin1String("audio") ? page.format(QStringLiteral("audio-aac")).path : page.subtitles.value(broken);
    if (fault == QLatin1String("cut")) {
        TestHttpServer::Fault cut;
        cut.omitContentLength = true;
        cut.closeAfterBytes = page.format(QStringLiteral("audio-aac")).size * 3 / 10;
        m_server.setFault(path, cut);
    } else {
        // The start of an MP4 file: ffmpeg takes it for one, and fails.
        QFile media(m_server.rootDir() + page.format(QStringLiteral("video-360")).path);
        QVERIFY(media.open(QIODevice::ReadOnly));
        m_server.setResponse(path, broken == QLatin1String("audio") ? QByteArray(4000, 'x') : media.read(64),
                             "application/octet-stream");
    }

    auto downloader = makeDownloader();
    DownloadRun run(downloader.get());
    downloader->download(pageUrl(page.id), quality, subtitles, m_dir->filePath(QStringLiteral("m.mp4")));
    const bool done = run.wait();
    m_server.removeResponse(path);
    QVERIFY2(done, qPrintable(run.describe()));
    QCOMPARE(run.startedCount(), 2);
    QCOMPARE(run.errors(), QList<qint32>({code}));
    QVERIFY2(downloader->errorText().contains(reason), qPrintable(downloader->errorText()));
    QCOMPARE(run.finishedCount(), 0);
    QCOMPARE(DownloadRun::filesIn(m_dir->path()), QStringList());
}

void TestWebfetchFaults::takenDestinationGetsTheNextName()
{
    // Other programs took the destination (with a folder that holds a file)
    // and its first numbered name while the download ran.
    const QString destination = m_dir->filePath(QStringLiteral("taken.mp4"));
    QVERIFY(QDir().mkpath(destination));
    QFile keep(destination + QStringLiteral("/keep.txt"));
    QVERIFY(keep.open(QIODevice::WriteOnly));
    keep.write("mine");
    keep.close();
    QFile numbered(m_dir->filePath(QStringLiteral("taken(1).mp4")));
    QVERIFY(numbered.open(QIODevice::WriteOnly));
    numbered.write("mine too");
    numbered.close();

    // A merged download: the merged file is claimed (the single-file case
    // meets this in the parallel command-line downloads).
    const SampleSite::Page page = m_manifest.page(m_manifest.dashId);
    MediaProfile quality = profile(page.id, QStringLiteral("video-360"));
    quality.audioFormat = QStringLiteral("audio-aac");
    auto downloader = makeDownloader();
    DownloadRun run(downloader.get());
    downloader->download(pageUrl(page.id), quality, SubtitleSetting(), destination);
    QVERIFY2(run.wait(), qPrintable(run.describe()));
    QCOMPARE(run.errors(), QList<qint32>());
    QCOMPARE(run.finishedCount(), 1);
    const QString result = m_dir->filePath(QStringLiteral("taken(2).mp4"));
    QCOMPARE(downloader->resultFile(), result);
    QCOMPARE(TestTools::probeStreams(result).hasAudio(), true);
    downloader.reset();
    QCOMPARE(DownloadRun::filesIn(m_dir->path()), QStringList({"taken(1).mp4", "taken(2).mp4", "taken.mp4"}));
    QCOMPARE(DownloadRun::filesIn(destination), QStringList({"keep.txt"}));
    QVERIFY(numbered.open(QIODevice::ReadOnly));
    QCOMPARE(numbered.readAll(), QByteArray("mine too"));
}

void TestWebfetchFaults::renameFails()
{
    const SampleSite::Page page = m_manifest.page(m_manifest.progressiveId);
    // A name longer than the file system allows: the download itself goes
    // to a temporary name, only the final move fails.
    const QString destination = m_dir->filePath(QString(300, QLatin1Char('n')) + QStringLiteral(".mp4"));

    auto downloader = makeDownloader();
    DownloadRun run(downloader.get());
    downloader->download(pageUrl(page.id), profile(page.id, QStringLiteral("240p")), SubtitleSetting(),
                         destination);
    QVERIFY2(run.wait(), qPrintable(run.describe()));
    QCOMPARE(run.errors(), QList<qint32>({-8}));
    QCOMPARE(run.finishedCount(), 0);
    QCOMPARE(DownloadRun::filesIn(m_dir->path()), QStringList());
}

void TestWebfetchFaults::renameOfMergedFileFails()
{
    const SampleSite::Page page = m_manifest.page(m_manifest.dashId);
    MediaProfile quality = profile(page.id, QStringLiteral("video-360"));
    quality.audioFormat = QStringLiteral("audio-aac");
    const QString destination = m_dir->filePath(QString(300, QLatin1Char('n')) + QStringLiteral(".mp4"));

    auto downloader = makeDownloader();
    DownloadRun run(downloader.get());
    downloader->download(pageUrl(page.id), quality, SubtitleSetting(), destination);
    QVERIFY2(run.wait(), qPrintable(run.describe()));
    QCOMPARE(run.errors(), QList<qint32>({-8}));
    // The merged file waits under its temporary name until the downloader is
    // done with; the pieces are gone.
    const QStringList left = DownloadRun::filesIn(m_dir->path());
    QCOMPARE(left.size(), 1);
    QVERIFY2(left.first().contains(QStringLiteral(".tmp.")), qPrintable(left.first()));
    downloader.reset();
    QCOMPARE(DownloadRun::filesIn(m_dir->path()), QStringList());
}

void TestWebfetchFaults::missingFfmpeg()
{
    // PATH holds the interpreter and nothing else.
    QTemporaryDir bin;
    QVERIFY(bin.isValid());
    // The interpreter itself, not a launcher script that needs a shell.
    const TestTools::RunResult where =
        TestTools::run(TestTools::pythonPath(), {"-c", "import sys; print(sys.executable)"});
    QVERIFY2(where.succeeded(), qPrintable(where.describe()));
    const QString python = QString::fromLocal8Bit(where.standardOutput).trimmed();
    QVERIFY(QFileInfo(python).isExecutable());
    QVERIFY(QFile::link(python, bin.filePath(QStringLiteral("python3"))));
    const SampleSite::Page page = m_manifest.page(m_manifest.dashId);
    MediaProfile quality = profile(page.id, QStringLiteral("video-360"));
    quality.audioFormat = QStringLiteral("audio-aac");

    auto downloader = makeDownloader();
    DownloadRun run(downloader.get());
    {
        const EnvOverride path("PATH", bin.path());
        downloader->download(pageUrl(page.id), quality, SubtitleSetting(), m_dir->filePath(QStringLiteral("x.mp4")));
        QVERIFY2(run.wait(), qPrintable(run.describe()));
    }
    QCOMPARE(run.errors(), QList<qint32>({-7}));
    QVERIFY2(downloader->errorText().contains(QLatin1String("ffmpeg")), qPrintable(downloader->errorText()));
    QCOMPARE(DownloadRun::filesIn(m_dir->path()), QStringList());
    QVERIFY(run.staysSilent(500));
}

void TestWebfetchFaults::deletingRunningDownloaderLeavesNothing()
{
    const SampleSite::Page page = m_manifest.page(m_manifest.singleId);
    const SampleSite::Format format = page.formats.first();
    m_server.setBandwidthLimit(format.size / 20);
    auto downloader = makeDownloader();
    DownloadRun run(downloader.get());
    downloader->download(pageUrl(page.id), profile(page.id, format.formatId), SubtitleSetting(),
                         m_dir->filePath(QStringLiteral("gone.mp4")));
    QTRY_VERIFY_WITH_TIMEOUT(!run.progress().isEmpty(), 60000);
    downloader.reset();
    QCOMPARE(DownloadRun::filesIn(m_dir->path()), QStringList());
}

void TestWebfetchFaults::bodyCutShortWithoutLength()
{
    // The tool cannot tell this transfer from a whole one; the check of the
    // result can.
    const SampleSite::Page page = m_manifest.page(m_manifest.singleId);
    const SampleSite::Format format = page.formats.first();
    TestHttpServer::Fault cut;
    cut.omitContentLength = true;
    cut.closeAfterBytes = format.size * 4 / 10;
    m_server.setFault(format.path, cut);

    const QString destination = m_dir->filePath(QStringLiteral("cut.mp4"));
    auto downloader = makeDownloader();
    DownloadRun run(downloader.get());
    downloader->download(pageUrl(page.id), profile(page.id, format.formatId), SubtitleSetting(), destination);
    QVERIFY2(run.wait(), qPrintable(run.describe()));
    QCOMPARE(run.errors(), QList<qint32>({-9}));
    QVERIFY2(downloader->errorText().contains(QLatin1String("incomplete")), qPrintable(downloader->errorText()));
    QCOMPARE(run.finishedCount(), 0);
    QCOMPARE(DownloadRun::filesIn(m_dir->path()), QStringList());
}

void TestWebfetchFaults::foreignConfigurationHasNoEffect()
{
    // Configuration in the folder the program starts in, the user's own, and
    // Python code on PYTHONPATH: each would leave a marker when read.
    const QString markers = m_dir->filePath(QStringLiteral("markers"));
    const QString start = m_dir->filePath(QStringLiteral("start"));
    const QString config = m_dir->filePath(QStringLiteral("config"));
    const QString python = m_dir->filePath(QStringLiteral("python"));
    for (const QString &dir : {markers, start, config + QStringLiteral("/yt-dlp"), python})
        QVERIFY(QDir().mkpath(dir));
    auto write = [](const QString &file, const QString &text) {
        QFile f(file);
        return f.open(QIODevice::WriteOnly) && f.write(text.toUtf8()) == text.toUtf8().size();
    };
    QVERIFY(write(start + QStringLiteral("/yt-dlp.conf"),
                  QStringLiteral("--exec \"pre_process:touch %1/start\"\n").arg(markers)));
    QVERIFY(write(config + QStringLiteral("/yt-dlp/config"),
                  QStringLiteral("-f worst\n--exec \"pre_process:touch %1/user\"\n").arg(markers)));
    QVERIFY(write(python + QStringLiteral("/sitecustomize.py"),
                  QStringLiteral("open('%1/python', 'w').close()\n").arg(markers)));

    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(start));
    const EnvOverride xdg("XDG_CONFIG_HOME", config);
    const EnvOverride home("HOME", config);
    const EnvOverride pythonPath("PYTHONPATH", python);

    const SampleSite::Page page = m_manifest.page(m_manifest.dashId);
    std::unique_ptr<Kel::WebMediaInfoExtractor> extractor(
        Kel::WebMediaDownloaderFactory::instance()->createExtractor(TestTools::ytZipPath(), QDir::tempPath()));
    const WebMediaInfo info = extractor->getMediaInfo(pageUrl(page.id));
    MediaProfile quality;
    for (const MediaProfile &p : info.profiles) {
        if (p.name == QLatin1String("video-720"))
            quality = p;
    }
    quality.audioFormat = QStringLiteral("audio-aac");
    const QString destination = m_dir->filePath(QStringLiteral("chosen.mp4"));
    auto downloader = makeDownloader();
    DownloadRun run(downloader.get());
    downloader->download(pageUrl(page.id), quality, SubtitleSetting(), destination);
    const bool done = run.wait();
    QDir::setCurrent(previous);
    QVERIFY2(done && run.errors().isEmpty(), qPrintable(run.describe() + downloader->errorText()));

    QCOMPARE(DownloadRun::filesIn(markers), QStringList());
    // The quality asked for, not the configuration's.
    const TestTools::ProbeResult probe = TestTools::probeStreams(destination);
    QVERIFY2(probe.ok, qPrintable(probe.error));
    QCOMPARE(probe.streamsOfType(QStringLiteral("video")).value(0).height, 720);
    QVERIFY(probe.hasAudio());
}

void TestWebfetchFaults::toolCrashes()
{
    auto downloader = makeDownloader(fakeToolPath());
    DownloadRun run(downloader.get());
    downloader->download(QStringLiteral("http://127.0.0.1:9/watch?v=abc"), fakeProfile("crash"), SubtitleSetting(),
                         m_dir->filePath(QStringLiteral("crashed.mp4")));
    QVERIFY2(run.wait(), qPrintable(run.describe()));
    QVERIFY(run.staysSilent(500));
    QCOMPARE(run.errors(), QList<qint32>({-5}));
    QCOMPARE(DownloadRun::filesIn(m_dir->path()), QStringList());
}

void TestWebfetchFaults::toolExitsWithError()
{
    auto downloader = makeDownloader(fakeToolPath());
    DownloadRun run(downloader.get());
    downloader->download(QStringLiteral("http://127.0.0.1:9/watch?v=abc"), fakeProfile("fail"), SubtitleSetting(),
                         m_dir->filePath(QStringLiteral("failed.mp4")));
    QVERIFY2(run.wait(), qPrintable(run.describe()));
    QVERIFY(run.staysSilent(300));
    QCOMPARE(run.errors(), QList<qint32>({-4}));
    QCOMPARE(DownloadRun::filesIn(m_dir->path()), QStringList());
}

void TestWebfetchFaults::toolWritesNoDestination()
{
    auto downloader = makeDownloader(fakeToolPath());
    DownloadRun run(downloader.get());
    downloader->download(QStringLiteral("http://127.0.0.1:9/watch?v=abc"), fakeProfile("nodest"), SubtitleSetting(),
                         m_dir->filePath(QStringLiteral("none.mp4")));
    QVERIFY2(run.wait(), qPrintable(run.describe()));
    QCOMPARE(run.errors(), QList<qint32>({-8}));
    QCOMPARE(DownloadRun::filesIn(m_dir->path()), QStringList());
}

void TestWebfetchFaults::missingInterpreter()
{
    QTemporaryDir empty;
    QVERIFY(empty.isValid());
    const SampleSite::Page page = m_manifest.page(m_manifest.progressiveId);
    const MediaProfile quality = profile(page.id, QStringLiteral("240p"));
    auto downloader = makeDownloader();
    DownloadRun run(downloader.get());
    {
        const EnvOverride path("PATH", empty.path());
        downloader->download(pageUrl(page.id), quality, SubtitleSetting(), m_dir->filePath(QStringLiteral("x.mp4")));
        QVERIFY2(run.wait(10000), qPrintable(run.describe()));
    }
    QVERIFY(run.staysSilent(300));
    QCOMPARE(run.errors(), QList<qint32>({-1}));
    QVERIFY2(downloader->errorText().contains(QLatin1String("Python 3")), qPrintable(downloader->errorText()));
    QCOMPARE(run.finishedCount(), 0);
    QCOMPARE(DownloadRun::filesIn(m_dir->path()), QStringList());
}

void TestWebfetchFaults::emptyFormat()
{
    auto downloader = makeDownloader();
    DownloadRun run(downloader.get());
    downloader->download(pageUrl(m_manifest.progressiveId), MediaProfile(), SubtitleSetting(),
                         m_dir->filePath(QStringLiteral("x.mp4")));
    QCOMPARE(run.errors(), QList<qint32>({-1}));
    QCOMPARE(run.startedCount(), 0);
    QVERIFY(run.staysSilent(300));
}

void TestWebfetchFaults::outputInAwkwardPieces()
{
    const QString destination = m_dir->filePath(QStringLiteral("pieces.mp4"));
    // Real media, as the result is checked.
    const QString media = m_server.rootDir() + m_manifest.page(m_manifest.progressiveId).format("240p").path;
    const EnvOverride payload("MARLIN_FAKE_TOOL_MEDIA", media);
    auto downloader = makeDownloader(fakeToolPath());
    DownloadRun run(downloader.get());
    downloader->download(QStringLiteral("http://127.0.0.1:9/watch?v=abc"), fakeProfile("split"), SubtitleSetting(),
                         destination);
    QVERIFY2(run.wait(), qPrintable(run.describe()));
    QVERIFY2(run.errors().isEmpty(), qPrintable(run.describe()));
    QCOMPARE(run.finishedCount(), 1);
    // The line cut in two named the file; the estimate gave nothing.
    QCOMPARE(DownloadRun::filesIn(m_dir->path()), QStringList({"pieces.mp4"}));
    QCOMPARE(QFileInfo(destination).size(), QFileInfo(media).size());
    QCOMPARE(run.progress(), QList<Kel::Progress>({Kel::Progress(2048, 512, 1024), Kel::Progress(2048, 2048, 2048)}));
}

void TestWebfetchFaults::commandLines()
{
    const QString record = m_dir->filePath(QStringLiteral("runs.jsonl"));
    const QString folder = m_dir->filePath(QStringLiteral("100% sure"));
    QVERIFY(QDir().mkpath(folder));
    const EnvOverride recording("MARLIN_FAKE_TOOL_RECORD", record);
    const EnvOverride payload("MARLIN_FAKE_TOOL_MEDIA",
                              m_server.rootDir() + m_manifest.page(m_manifest.progressiveId).format("240p").path);

    SubtitleSetting subtitles;
    subtitles.mode = Kel::PreferredLanguageSubtitles;
    subtitles.availableLanguages = {QStringLiteral("de")};
    subtitles.preferredLanguages = {QStringLiteral("de"), QStringLiteral("fr")};
    const QString url = QStringLiteral("http://127.0.0.1:9/watch?v=abc&list=xyz");
    auto downloader = makeDownloader(fakeToolPath());
    DownloadRun run(downloader.get());
    downloader->download(url, fakeProfile("-ff"), subtitles, folder + QStringLiteral("/out.mp4"));
    QVERIFY2(run.wait(), qPrintable(run.describe()));
    QVERIFY2(run.errors().isEmpty(), qPrintable(run.describe()));

    const QList<QJsonObject> runs = recordedRuns(record);
    QCOMPARE(runs.size(), 2);
    // Isolated, and no configuration file before anything else.
    for (const QJsonObject &r : runs) {
        QVERIFY(r.value(QStringLiteral("isolated")).toBool());
        QCOMPARE(argumentsOf(r).value(0), QStringLiteral("--ignore-config"));
    }
    const QStringList main = argumentsOf(runs.at(0)).mid(1);
    QCOMPARE(main.mid(0, 5), QStringList({"-f", "-ff", "--write-subs", "--sub-langs", "de"}));
    QCOMPARE(main.at(5), QStringLiteral("-o"));
    const QString outputTemplate = main.at(6);
    // Stamped with this run, so that a later start can tell its leftovers.
    QVERIFY2(outputTemplate.startsWith(QString(folder).replace(QLatin1Char('%'), QLatin1String("%%")) + QLatin1Char('/')
                                       + Kel::RunStamp::current() + QLatin1Char('{')),
             qPrintable(outputTemplate));
    QVERIFY(outputTemplate.endsWith(QStringLiteral("}PUXTMP_.%(ext)s")));
    QCOMPARE(main.mid(7), QStringList({"--", "http://127.0.0.1:9/watch?v=abc"}));
    QVERIFY(!main.contains(QStringLiteral("--no-check-certificate")));

    // Automatic subtitles for the language the page does not offer, into the
    // same names.
    QCOMPARE(argumentsOf(runs.at(1)).mid(1),
             QStringList({"--write-auto-subs", "--sub-langs", "fr", "--skip-download", "-o", outputTemplate, "--",
                          "http://127.0.0.1:9/watch?v=abc"}));
}

void TestWebfetchFaults::zippedToolMode()
{
    // A tool whose path names "yt.zip" runs in zipped mode.
    const QString toolDir = m_dir->filePath(QStringLiteral("yt.zip.d"));
    QVERIFY(QDir().mkpath(toolDir));
    const QString tool = toolDir + QStringLiteral("/tool.py");
    QVERIFY(QFile::copy(fakeToolPath(), tool));
    const QString record = m_dir->filePath(QStringLiteral("runs.jsonl"));
    const QString folder = m_dir->filePath(QStringLiteral("out"));
    QVERIFY(QDir().mkpath(folder));
    const EnvOverride recording("MARLIN_FAKE_TOOL_RECORD", record);

    MediaProfile quality = fakeProfile("video");
    quality.dash = true;
    quality.audioFormat = QStringLiteral("audio");
    auto downloader = makeDownloader(tool);
    DownloadRun run(downloader.get());
    downloader->download(QStringLiteral("http://127.0.0.1:9/v"), quality, SubtitleSetting(),
                         folder + QStringLiteral("/out.mp4"));
    QVERIFY2(run.wait(), qPrintable(run.describe()));
    // The fake pieces are no media: they are found broken before a merge,
    // and removed.
    QCOMPARE(run.errors(), QList<qint32>({-9}));
    QCOMPARE(DownloadRun::filesIn(folder), QStringList());

    // Every run starts in the same folder of the user's own, not in the one
    // the program was started from.
    const QList<QJsonObject> runs = recordedRuns(record);
    QCOMPARE(runs.size(), 2);
    const QFileInfo workDir(runs.at(0).value(QStringLiteral("cwd")).toString());
    QCOMPARE(runs.at(1).value(QStringLiteral("cwd")).toString(), workDir.filePath());
    QVERIFY(workDir.canonicalFilePath() != QFileInfo(QDir::currentPath()).canonicalFilePath());
    QVERIFY(workDir.isDir() && !workDir.isSymLink());
    QCOMPARE(workDir.ownerId(), ::getuid());
    QCOMPARE(workDir.permissions() & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser),
             QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QStringList video = argumentsOf(runs.at(0)).mid(1);
    const QStringList audio = argumentsOf(runs.at(1)).mid(1);
    QCOMPARE(video.mid(0, 3), QStringList({"-f", "video", "--no-check-certificate"}));
    QCOMPARE(audio.mid(0, 3), QStringList({"-f", "audio", "--no-check-certificate"}));
    // Each run has names of its own.
    QVERIFY(video.at(4) != audio.at(4));
    QCOMPARE(audio.mid(5), QStringList({"--", "http://127.0.0.1:9/v"}));
}

QTEST_GUILESS_MAIN(TestWebfetchFaults)
#include "tst_webfetchfaults.moc"
