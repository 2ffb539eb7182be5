// The conversion engine end to end with the real ffmpeg: items convert
// media made by ffmpeg at test time through the application context's
// convert pool; pause, cancel, failures and the pool's limit; and
// download-then-convert from the local sample site with the real extractor
// tool. Results are checked with ffprobe.
#include "support/samplesite.h"
#include "support/testhttpserver.h"
#include "support/testtools.h"

#include "kelframe/kelfolders.h"
#include "tarncore/convert/convertitem.h"
#include "tarncore/convert/convertmanager.h"
#include "tarncore/convert/converttask.h"
#include "tarncore/convert/downloadconvertitem.h"
#include "tarncore/download/appcontext.h"
#include "tarncore/download/datamanager.h"
#include "tarncore/download/downloaditem.h"
#include "tarncore/download/downloadmanager.h"
#include "tarncore/download/videosite.h"
#include "tarncore/settings/settingsmanager.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using Tarn::AppContext;
using Tarn::ConvertItem;
using Tarn::ConvertParameters;
using Tarn::DownloadConvertItem;

namespace {

constexpr int convertMs = 120000;
constexpr int downloadConvertMs = 180000;

Tarn::SettingsManager *settings()
{
    return AppContext::instance()->getSettingsManager();
}

Tarn::ConvertManager *manager()
{
    return AppContext::instance()->getConvertManager();
}

QStringList filesIn(const QString &dir)
{
    return QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

// Everything one convert item reports.
class ItemWatch
{
public:
    explicit ItemWatch(ConvertItem *item)
        : item(item)
        , errors(item, &ConvertItem::error)
        , finished(item, &ConvertItem::convertFinished)
    {
        QObject::connect(item, &ConvertItem::statusChanged, item, [this] { seen += int(this->item->getStatus()); });
        QObject::connect(item, &ConvertItem::dataChanged, item, [this] {
            const Kel::Progress p = this->item->getProgress();
            if (p.total > 0 && (progress.isEmpty() || progress.last() != p))
                progress += p;
        });
    }

    bool ended() const { return !item->isWorking(); }
    QString describe() const
    {
        QStringList states;
        for (int s : seen)
            states += QString::number(s);
        QStringList texts;
        for (const QVariantList &e : errors)
            texts += QStringLiteral("%1 %2").arg(e.at(0).toInt()).arg(e.at(1).toString());
        return QStringLiteral("%1: statuses %2; errors: %3")
            .arg(item->getConvertParameters().getSrcFile(), states.join(QLatin1Char(' ')), texts.join(QLatin1String(" | ")));
    }

    ConvertItem *item;
    QList<int> seen;
    QList<Kel::Progress> progress;
    QSignalSpy errors;
    QSignalSpy finished;
};

} // namespace

class TestConvertEngine : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void customProfile();
    void pauseStopsProgressUntilResume();
    void cancelRemovesTheUnfinishedTarget();
    void corruptSourceFails();
    void destinationThatIsTheSourceSurvives();
    void missingFfmpegFails();
    void poolLimit();
    void itemWaitsForItsDownload();
    void thumbnailsOfSameNamedSources();
    void downloadThenConvert_data();
    void downloadThenConvert();

private:
    // An item ready to convert src with profile, described by the manager.
    std::unique_ptr<ConvertItem> makeItem(const QString &src, const Kel::MediaProfile &profile);
    int countStatus(const QList<ConvertItem *> &items, ConvertItem::Status status) const;

    QTemporaryDir m_root;
    QString m_shortSample;
    QString m_longSample;
    QString m_corruptSample;
    QString m_dir;
    TestHttpServer m_server;
    SampleSite::Manifest m_manifest;
};

void TestConvertEngine::initTestCase()
{
    MARLIN_REQUIRE_PROGRAM("ffmpeg");
    MARLIN_REQUIRE_PROGRAM("ffprobe");
    QVERIFY(m_root.isValid());
    Kel::setFolderRoot(m_root.filePath(QStringLiteral("home")));
    AppContext::setAppDirOverride(TestTools::appDir());
    QVERIFY2(QFileInfo::exists(settings()->getPresetProfileFile()), "build app_data first");
    QVERIFY(AppContext::instance()->init());
    manager()->setMaxConvertSimulaneous(2);

    const QString samples = m_root.filePath(QStringLiteral("samples"));
    QVERIFY(QDir().mkpath(samples));
    auto make = [](const QString &target, int seconds, const QString &size) {
        const QStringList args = {
            QStringLiteral("-hide_banner"), QStringLiteral("-nostdin"), QStringLiteral("-loglevel"), QStringLiteral("error"),
            QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"), QStringLiteral("testsrc2=size=%1:rate=30").arg(size),
            QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"), QStringLiteral("sine=frequency=440:sample_rate=48000"),
            QStringLiteral("-t"), QString::number(seconds), QStringLiteral("-c:v"), QStringLiteral("libx264"),
            QStringLiteral("-pix_fmt"), QStringLiteral("yuv420p"), QStringLiteral("-c:a"), QStringLiteral("aac"),
            QStringLiteral("-y"), target};
        return TestTools::run(TestTools::ffmpegPath(), args, 120000);
    };
    m_shortSample = samples + QStringLiteral("/short clip.mp4");
    m_longSample = samples + QStringLiteral("/long clip.mp4");
    TestTools::RunResult run = make(m_shortSample, 2, QStringLiteral("320x180"));
    QVERIFY2(run.succeeded(), qPrintable(run.describe()));
    run = make(m_longSample, 20, QStringLiteral("640x360"));
    QVERIFY2(run.succeeded(), qPrintable(run.describe()));

    // The index of this file is written last: cut short, it cannot be read.
    m_corruptSample = samples + QStringLiteral("/cut short.mp4");
    QFile whole(m_longSample);
    QVERIFY(whole.open(QIODevice::ReadOnly));
    QFile cut(m_corruptSample);
    QVERIFY(cut.open(QIODevice::WriteOnly));
    cut.write(whole.read(whole.size() / 2));
}

void TestConvertEngine::init()
{
    m_dir = m_root.filePath(QStringLiteral("converted/%1").arg(QString::fromLatin1(QTest::currentTestFunction())));
    if (QTest::currentDataTag())
        m_dir += QLatin1Char('/') + QString::fromLatin1(QTest::currentDataTag());
    QVERIFY(QDir().mkpath(m_dir));
    settings()->setConvertDestDir(m_dir);
    settings()->setConvertSaveMode(Tarn::ConvertSaveInConvertDir);
    settings()->setConvertAutoExport2Itunes(false);
}

void TestConvertEngine::cleanup()
{
    manager()->setMaxConvertSimulaneous(2);
    // Nothing of a test's conversions is left in the pool.
    QTRY_VERIFY_WITH_TIMEOUT(manager()->getConvertPool().taskKeys().isEmpty(), 10000);
}

void TestConvertEngine::cleanupTestCase()
{
    QVERIFY(manager()->clear());
    m_server.stop();
    Tarn::VideoSite::setExtraWatchHost(QString());
    AppContext::setAppDirOverride(QString());
}

std::unique_ptr<ConvertItem> TestConvertEngine::makeItem(const QString &src, const Kel::MediaProfile &profile)
{
    auto item = std::make_unique<ConvertItem>();
    const Kel::FileMediaInfo info = manager()->getMeidaInfo(src, false);
    item->setSrcMediaInfo(info);
    item->setConvertParameters(
        ConvertParameters(src, QString(), profile, info, settings()->isKeepSubtitles(), -1));
    item->setStatus(ConvertItem::StatusReady);
    return item;
}

int TestConvertEngine::countStatus(const QList<ConvertItem *> &items, ConvertItem::Status status) const
{
    int n = 0;
    for (ConvertItem *item : items)
        n += item->getStatus() == status ? 1 : 0;
    return n;
}

void TestConvertEngine::customProfile()
{
    Kel::MediaProfile profile;
    profile.name = Tarn::SettingsManager::CustomizedProfileName;
    profile.type = Kel::Video;
    profile.format = QStringLiteral("MKV");
    profile.resolution = QSize(640, 360);
    profile.aspect = QSize(16, 9);
    profile.vCodec = QStringLiteral("libx264");
    profile.vBitRate = 800000;
    profile.frameRate = 25;
    profile.aCodec = QStringLiteral("libvorbis");
    profile.aBitRate = 96000;
    profile.aSampleRate = 44100;

    std::unique_ptr<ConvertItem> item = makeItem(m_shortSample, profile);
    QVERIFY(item->getSrcMediaInfo().isValid());
    QCOMPARE(item->getSrcMediaInfo().duration, qint64(2));
    ItemWatch watch(item.get());
    item->start();
    QTRY_VERIFY2_WITH_TIMEOUT(watch.ended(), qPrintable(watch.describe()), convertMs);
    QCOMPARE(item->getStatus(), ConvertItem::StatusFinished);
    QCOMPARE(watch.errors.count(), 0);
    QCOMPARE(watch.finished.count(), 1);
    QCOMPARE(watch.seen.first(), int(ConvertItem::StatusStarting));
    QVERIFY(watch.seen.contains(int(ConvertItem::StatusConverting)));
    QCOMPARE(item->getProgress(), Kel::Progress());

    const QString dest = item->getConvertParameters().getDestFile();
    QCOMPARE(dest, m_dir + QStringLiteral("/short clip__[H.264-360P-800K].mkv"));
    QCOMPARE(filesIn(m_dir), QStringList({QFileInfo(dest).fileName()}));
    const TestTools::ProbeResult probe = TestTools::probeStreams(dest);
    QVERIFY2(probe.ok, qPrintable(probe.error));
    QCOMPARE(probe.formatName, QStringLiteral("matroska,webm"));
    QCOMPARE(probe.count(QStringLiteral("video")), 1);
    const TestTools::StreamInfo video = probe.streamsOfType(QStringLiteral("video")).first();
    QCOMPARE(video.codecName, QStringLiteral("h264"));
    QCOMPARE(QSize(video.width, video.height), QSize(640, 360));
    QCOMPARE(probe.streamsOfType(QStringLiteral("audio")).first().codecName, QStringLiteral("vorbis"));
    QCOMPARE(probe.streamsOfType(QStringLiteral("audio")).first().sampleRate, 44100);
    QVERIFY2(qAbs(probe.duration - 2.0) < 0.3, qPrintable(QString::number(probe.duration)));
    QVERIFY(!ConvertItem::getConvertedFiles().contains(dest));
}

void TestConvertEngine::pauseStopsProgressUntilResume()
{
    std::unique_ptr<ConvertItem> item =
        makeItem(m_longSample, settings()->getProfileByName(QStringLiteral("MP4 Full HD 1080p")));
    QVERIFY(item->getConvertParameters().getConvertProfile().isValid());
    ItemWatch watch(item.get());
    item->start();
    QTRY_VERIFY2_WITH_TIMEOUT(item->getProgress().finish >= 5 || watch.ended(), qPrintable(watch.describe()), convertMs);
    QCOMPARE(item->getStatus(), ConvertItem::StatusConverting);
    item->pause();
    QTRY_COMPARE(item->getStatus(), ConvertItem::StatusPaused);
    const QString dest = item->getConvertParameters().getDestFile();
    // Output already under way is read; after that nothing moves.
    QTest::qWait(300);
    const Kel::Progress atPause = item->getProgress();
    const qint64 sizeAtPause = QFileInfo(dest).size();
    const int updates = watch.progress.size();
    QTest::qWait(1500);
    QCOMPARE(item->getProgress(), atPause);
    QCOMPARE(watch.progress.size(), updates);
    QCOMPARE(QFileInfo(dest).size(), sizeAtPause);
    QVERIFY(atPause.finish < 100);
    QCOMPARE(item->getStatus(), ConvertItem::StatusPaused);
    QVERIFY(item->canRestart());

    // Starting a paused item resumes it.
    item->start();
    QTRY_VERIFY2_WITH_TIMEOUT(watch.ended(), qPrintable(watch.describe()), convertMs);
    QCOMPARE(item->getStatus(), ConvertItem::StatusFinished);
    QCOMPARE(watch.errors.count(), 0);
    const QList<int> tail = watch.seen.mid(watch.seen.indexOf(int(ConvertItem::StatusPaused)));
    QCOMPARE(tail, QList<int>({int(ConvertItem::StatusPaused), int(ConvertItem::StatusStarting),
                               int(ConvertItem::StatusConverting), int(ConvertItem::StatusFinished)}));
    QVERIFY(watch.progress.last().finish > atPause.finish);

    const TestTools::ProbeResult probe = TestTools::probeStreams(dest);
    QVERIFY2(probe.ok, qPrintable(probe.error));
    QVERIFY2(qAbs(probe.duration - 20.0) < 0.3, qPrintable(QString::number(probe.duration)));
    const TestTools::StreamInfo video = probe.streamsOfType(QStringLiteral("video")).first();
    QCOMPARE(QSize(video.width, video.height), QSize(1920, 1080));
    QVERIFY2(qAbs(video.duration - 20.0) < 0.3, qPrintable(QString::number(video.duration)));
}

void TestConvertEngine::cancelRemovesTheUnfinishedTarget()
{
    std::unique_ptr<ConvertItem> item =
        makeItem(m_longSample, settings()->getProfileByName(QStringLiteral("MP4 Full HD 1080p")));
    ItemWatch watch(item.get());
    item->start();
    const QString dest = item->getConvertParameters().getDestFile();
    QTRY_VERIFY2_WITH_TIMEOUT((item->getProgress().finish >= 1 && !filesIn(m_dir).isEmpty()) || watch.ended(),
                              qPrintable(watch.describe()), convertMs);
    QCOMPARE(item->getStatus(), ConvertItem::StatusConverting);
    // What is being written never carries the destination's name.
    QVERIFY(!QFileInfo::exists(dest));
    const QString key = Tarn::ConvertTask::makeTaskKey(item->getConvertParameters());
    item->cancel();
    QVERIFY(!QFileInfo::exists(dest));
    QTRY_VERIFY(!manager()->getConvertTask(key));
    QCOMPARE(filesIn(m_dir), QStringList());
    QCOMPARE(watch.errors.count(), 0);
    QCOMPARE(watch.finished.count(), 0);
}

void TestConvertEngine::corruptSourceFails()
{
    std::unique_ptr<ConvertItem> item =
        makeItem(m_corruptSample, settings()->getProfileByName(QStringLiteral("MP4 HD 720p")));
    QVERIFY(!item->getSrcMediaInfo().isValid());
    ItemWatch watch(item.get());
    item->start();
    QTRY_VERIFY2_WITH_TIMEOUT(watch.ended(), qPrintable(watch.describe()), convertMs);
    QCOMPARE(item->getStatus(), ConvertItem::StatusError);
    QCOMPARE(watch.errors.count(), 1);
    QCOMPARE(watch.errors.at(0).at(0).toInt(), int(ConvertItem::ConvertFailed));
    QCOMPARE(watch.finished.count(), 0);
    QCOMPARE(item->getProgress(), Kel::Progress());
    QVERIFY(!QFileInfo::exists(item->getConvertParameters().getDestFile()));
    QCOMPARE(filesIn(m_dir), QStringList());
    QVERIFY(QFileInfo::exists(m_corruptSample));
}

void TestConvertEngine::destinationThatIsTheSourceSurvives()
{
    const QString source = m_dir + QStringLiteral("/own.mp4");
    QVERIFY(QFile::copy(m_shortSample, source));
    const qint64 size = QFileInfo(source).size();
    std::unique_ptr<ConvertItem> item =
        makeItem(source, settings()->getProfileByName(QStringLiteral("MP4 HD 720p")));
    item->getConvertParameters().setDestFile(source);
    ItemWatch watch(item.get());
    item->start();
    QTRY_VERIFY2_WITH_TIMEOUT(watch.ended(), qPrintable(watch.describe()), convertMs);
    QCOMPARE(item->getStatus(), ConvertItem::StatusError);
    QCOMPARE(watch.errors.count(), 1);
    // The item's clean-up after the refusal leaves the source alone.
    QCOMPARE(QFileInfo(source).size(), size);
    QCOMPARE(filesIn(m_dir), QStringList({"own.mp4"}));
}

void TestConvertEngine::missingFfmpegFails()
{
    QVERIFY(!QFileInfo::exists(TestTools::appDir() + QStringLiteral("/ffmpeg")));
    const QByteArray path = qgetenv("PATH");
    const QString empty = m_root.filePath(QStringLiteral("empty-path"));
    QVERIFY(QDir().mkpath(empty));
    std::unique_ptr<ConvertItem> item =
        makeItem(m_shortSample, settings()->getProfileByName(QStringLiteral("MP4 HD 720p")));
    ItemWatch watch(item.get());
    qputenv("PATH", empty.toLocal8Bit());
    item->start();
    // The failure arrives while ffmpeg is still missing.
    QTRY_VERIFY2_WITH_TIMEOUT(watch.ended(), qPrintable(watch.describe()), convertMs);
    qputenv("PATH", path);
    QCOMPARE(item->getStatus(), ConvertItem::StatusError);
    QCOMPARE(watch.errors.count(), 1);
    QCOMPARE(watch.errors.at(0).at(0).toInt(), int(ConvertItem::ConvertFailed));
    QCOMPARE(filesIn(m_dir), QStringList());
}

void TestConvertEngine::poolLimit()
{
    std::vector<std::unique_ptr<ConvertItem>> owned;
    QList<ConvertItem *> items;
    for (int i = 0; i < 5; ++i) {
        owned.push_back(makeItem(m_longSample, settings()->getProfileByName(QStringLiteral("MP4 Full HD 1080p"))));
        items << owned.back().get();
    }
    Kel::ProgressedTaskPool &pool = manager()->getConvertPool();
    QCOMPARE(pool.getMaxRunning(), 2);
    for (ConvertItem *item : items)
        item->start();
    QTRY_COMPARE_WITH_TIMEOUT(countStatus(items, ConvertItem::StatusConverting), 2, convertMs);
    // Several scheduling passes later the other three still wait.
    const quint64 passes = pool.getPassCount();
    QTRY_VERIFY(pool.getPassCount() >= passes + 5);
    QCOMPARE(countStatus(items, ConvertItem::StatusConverting), 2);
    QCOMPARE(countStatus(items, ConvertItem::StatusStarting), 3);
    QCOMPARE(pool.getRunningCount(), 2);
    QCOMPARE(pool.queuedKeys().size(), 3);

    manager()->setMaxConvertSimulaneous(0);
    QCOMPARE(pool.getMaxRunning(), 2);
    manager()->setMaxConvertSimulaneous(3);
    QTRY_COMPARE_WITH_TIMEOUT(countStatus(items, ConvertItem::StatusConverting), 3, convertMs);
    QCOMPARE(countStatus(items, ConvertItem::StatusFinished), 0);
    QCOMPARE(countStatus(items, ConvertItem::StatusStarting), 2);

    for (ConvertItem *item : items)
        item->cancel();
    QTRY_VERIFY(pool.taskKeys().isEmpty());
    QCOMPARE(filesIn(m_dir), QStringList());
}

void TestConvertEngine::itemWaitsForItsDownload()
{
    const QString downloads = m_dir + QStringLiteral("/downloads");
    QVERIFY(QDir().mkpath(downloads));
    Tarn::DownloadItem download(QStringLiteral("http://127.0.0.1:1/watch?v=abcdefghijk"));
    Kel::MediaProfile quality;
    quality.name = QStringLiteral("18");
    quality.format = QStringLiteral("MP4");
    quality.resolution = QSize(640, 360);
    Tarn::DownloadParameters params(download.getUrl());
    params.setDownloadQuality(quality);
    params.setDestFile(downloads + QStringLiteral("/Page[360P].mp4"));
    download.setDownloadParameters(params);

    ConvertItem item(&download);
    const Kel::MediaProfile profile = settings()->getProfileByName(QStringLiteral("Basic Phone"));
    item.setConvertParameters(ConvertParameters(params.getDestFile(), QString(), profile, item.getSrcMediaInfo(),
                                                false, -1));
    QCOMPARE(item.getStatus(), ConvertItem::StatusWaitingDownload);
    ItemWatch watch(&item);
    // The download arrives: the item describes the file and converts it.
    QVERIFY(QFile::copy(m_shortSample, params.getDestFile()));
    emit download.downloadFinished();
    QCOMPARE(item.getSrcMediaInfo().format, QStringLiteral("mov,mp4,m4a,3gp,3g2,mj2"));
    QCOMPARE(item.getSrcMediaInfo().resolution, QSize(320, 180));
    QCOMPARE(item.getConvertParameters().getSrcMediaInfo().duration, qint64(2));
    QTRY_VERIFY2_WITH_TIMEOUT(watch.ended(), qPrintable(watch.describe()), convertMs);
    QCOMPARE(item.getStatus(), ConvertItem::StatusFinished);
    QCOMPARE(watch.seen.first(), int(ConvertItem::StatusReady));
    const TestTools::ProbeResult probe = TestTools::probeStreams(item.getConvertParameters().getDestFile());
    QVERIFY2(probe.ok, qPrintable(probe.error));
    const TestTools::StreamInfo video = probe.streamsOfType(QStringLiteral("video")).first();
    QCOMPARE(QSize(video.width, video.height), QSize(640, 360));
    // The download's file stays: only a download-then-convert entry removes it.
    QVERIFY(QFileInfo::exists(params.getDestFile()));
}

void TestConvertEngine::thumbnailsOfSameNamedSources()
{
    const QString first = m_dir + QStringLiteral("/a/clip.mp4");
    const QString second = m_dir + QStringLiteral("/b/clip.mp4");
    QVERIFY(QDir().mkpath(QFileInfo(first).absolutePath()));
    QVERIFY(QDir().mkpath(QFileInfo(second).absolutePath()));
    QVERIFY(QFile::copy(m_shortSample, first));
    QVERIFY(QFile::copy(m_shortSample, second));

    ConvertItem one;
    ConvertItem two;
    one.setSrcMediaInfo(manager()->getMeidaInfo(first, true));
    two.setSrcMediaInfo(manager()->getMeidaInfo(second, true));
    const QString thumbnailDir = settings()->getThumbnailDownloadDir();
    QCOMPARE(QFileInfo(one.getThumbnailFile()).absolutePath(), thumbnailDir);
    QCOMPARE(QFileInfo(two.getThumbnailFile()).absolutePath(), thumbnailDir);
    QVERIFY(one.getThumbnailFile() != two.getThumbnailFile());
    QVERIFY(QFileInfo(one.getThumbnailFile()).size() > 0);
    QVERIFY(QFileInfo(two.getThumbnailFile()).size() > 0);
    QCOMPARE(one.getSrcMediaInfo().mediaFile, first);
    QVERIFY(one.getSrcMediaInfo().isValid());

    const QString kept = two.getThumbnailFile();
    const QString removed = one.getThumbnailFile();
    one.clear();
    QVERIFY(!QFileInfo::exists(removed));
    QVERIFY(QFileInfo::exists(kept));
    two.clear();
    QVERIFY(!QFileInfo::exists(kept));
}

void TestConvertEngine::downloadThenConvert_data()
{
    QTest::addColumn<bool>("remain");
    QTest::newRow("download removed") << false;
    QTest::newRow("download kept") << true;
}

void TestConvertEngine::downloadThenConvert()
{
    QFETCH(bool, remain);
    MARLIN_REQUIRE_YTZIP();
    if (!m_server.isRunning()) {
        QString error;
        QVERIFY2(SampleSite::serve(m_server, &error), qPrintable(error));
        m_manifest = SampleSite::manifest(&error);
        QVERIFY2(!m_manifest.pages.isEmpty(), qPrintable(error));
        Tarn::VideoSite::setExtraWatchHost(QStringLiteral("127.0.0.1:%1").arg(m_server.port()));
    }
    const QString downloads = m_dir + QStringLiteral("/downloads");
    QVERIFY(QDir().mkpath(downloads));
    settings()->setDownloadDestDir(downloads);
    settings()->setPreferredQuality(Tarn::PreferredQualityResolution);
    settings()->setPreferredQualityResolution(QSize(640, 360));
    settings()->setPreferredQualityFormat(QStringLiteral("MP4"));
    settings()->setSubtitleMode(Kel::NoSubtitle);
    settings()->setDownloadAutoExport2Itunes(false);
    settings()->setLastConvertProfileName(QStringLiteral("E-mail Attachment"));
    settings()->setRemainDownloadFile(remain);

    const QString page = Tarn::DownloadManager::makeupDownloadableUrl(
        SampleSite::watchQueryUrl(m_server, m_manifest.progressiveId).toString());
    QVERIFY(Tarn::DownloadManager::isDownloadableUrl(page));
    Tarn::DownloadConvertList *list = AppContext::instance()->getDataManager()->getDownloadConvertList();
    auto *item = new DownloadConvertItem(page);
    QVERIFY(list->append(item));
    QList<int> seen;
    connect(item, &DownloadConvertItem::statusChanged, this, [&seen, item] { seen << int(item->getStatus()); });
    QSignalSpy errors(item, &DownloadConvertItem::error);
    QSignalSpy downloaded(item, &DownloadConvertItem::downloadFinished);
    QSignalSpy converted(item, &DownloadConvertItem::convertFinished);
    item->start();
    auto describe = [&] {
        QStringList parts;
        for (int s : seen)
            parts += QString::number(s);
        for (const QVariantList &e : errors)
            parts += QStringLiteral("error %1 %2").arg(e.at(0).toInt()).arg(e.at(1).toString());
        return parts.join(QLatin1Char(' '));
    };
    QTRY_VERIFY2_WITH_TIMEOUT(!item->isWorking() && item->getStatus() != DownloadConvertItem::DCStatusUnmapped,
                              qPrintable(describe()), downloadConvertMs);
    QCOMPARE(item->getStatus(), DownloadConvertItem::DCStatusConvertFinished);
    QCOMPARE(errors.count(), 0);
    QCOMPARE(downloaded.count(), 1);
    QCOMPARE(converted.count(), 1);
    QCOMPARE(seen.first(), int(DownloadConvertItem::DCStatusWaiting));
    for (int s : {1, 3, 6, 7, 8, 9})
        QVERIFY2(seen.contains(s), qPrintable(describe()));
    QCOMPARE(item->getTitle(), m_manifest.page(m_manifest.progressiveId).expectedTitle);

    const QString downloadedFile = item->getDownloadItem()->getDestFile();
    const QString dest = item->getDestFile();
    QCOMPARE(QFileInfo(dest).fileName(),
             QStringLiteral("%1__[E-mail Attachment].mp4").arg(QFileInfo(downloadedFile).completeBaseName()));
    QCOMPARE(QFileInfo(dest).absolutePath(), m_dir);
    QCOMPARE(QFileInfo::exists(downloadedFile), remain);
    const TestTools::ProbeResult probe = TestTools::probeStreams(dest);
    QVERIFY2(probe.ok, qPrintable(probe.error));
    QVERIFY(probe.formatName.contains(QLatin1String("mp4")));
    const TestTools::StreamInfo video = probe.streamsOfType(QStringLiteral("video")).first();
    QCOMPARE(video.codecName, QStringLiteral("h264"));
    QCOMPARE(QSize(video.width, video.height), QSize(320, 240));
    QCOMPARE(probe.streamsOfType(QStringLiteral("audio")).first().codecName, QStringLiteral("aac"));

    // Taking the entry off the list keeps the result.
    QVERIFY(!AppContext::instance()->getDataManager()->hasWorkItem());
    list->removeItem(list->row(item));
    QVERIFY(QFileInfo::exists(dest));
    QCOMPARE(QFileInfo::exists(downloadedFile), remain);
}

QTEST_GUILESS_MAIN(TestConvertEngine)
#include "tst_convertengine.moc"
