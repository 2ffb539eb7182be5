// The convert item without running ffmpeg: parameter texts, destination
// names and their reservation, views and estimates, the reactions to its
// task, the item made from a download, and the hand-over to iTunes.
#include "support/testtools.h"

#include "kelframe/kelfolders.h"
#include "tarncore/convert/convertitem.h"
#include "tarncore/convert/convertmanager.h"
#include "tarncore/convert/converttask.h"
#include "tarncore/download/appcontext.h"
#include "tarncore/download/downloaditem.h"
#include "tarncore/download/filenaming.h"
#include "tarncore/services/itunesplatform.h"
#include "tarncore/settings/settingsmanager.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

extern "C" const char *tarncoreLogFile();

using Kel::MediaProfile;
using Tarn::AppContext;
using Tarn::ConvertItem;
using Tarn::ConvertParameters;

namespace {

Tarn::SettingsManager *settings()
{
    return AppContext::instance()->getSettingsManager();
}

MediaProfile custom(const QString &vCodec, QSize size, qint32 vBitRate, const QString &aCodec = QStringLiteral("aac"),
                    qint32 aBitRate = 128000)
{
    MediaProfile p;
    p.name = Tarn::SettingsManager::CustomizedProfileName;
    p.type = vCodec.isEmpty() ? Kel::Audio : Kel::Video;
    p.format = vCodec.isEmpty() ? QStringLiteral("MP3") : QStringLiteral("MP4");
    p.resolution = size;
    p.vCodec = vCodec;
    p.vBitRate = vBitRate;
    p.aCodec = aCodec;
    p.aBitRate = aBitRate;
    p.aSampleRate = 44100;
    return p;
}

MediaProfile preset(const QString &name, const QString &format)
{
    MediaProfile p;
    p.name = name;
    p.type = Kel::Video;
    p.format = format;
    p.resolution = QSize(1280, 720);
    p.vCodec = QStringLiteral("libx264");
    p.vBitRate = 2500000;
    p.aCodec = QStringLiteral("aac");
    p.aBitRate = 128000;
    return p;
}

bool touch(const QString &path, const QByteArray &content = "x")
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

// A Windows machine with or without iTunes, as the export sees it; an
// older iTunes, so that a file is added through its automation interface.
class FakeItunes final : public Tarn::ItunesPlatform
{
public:
    QString executable;
    qint32 comResult = 0;
    QStringList added;

    QVariant registryValue(RegistryRoot root, const QString &key, const QString &name) const override
    {
        if (!executable.isEmpty() && root == ClassesRoot && key.endsWith(QLatin1String("LocalServer32"))
            && name.isEmpty())
            return QStringLiteral("\"%1\"").arg(executable);
        return QVariant();
    }
    bool fileExists(const QString &path) const override { return QFileInfo::exists(path); }
    QString fileVersion(const QString &) const override { return QStringLiteral("9.0.0.0"); }
    bool isProcessRunning(const QString &) const override { return false; }
    QString roamingAppDataDir() const override { return QString(); }
    QLocale userDefaultLocale() const override { return QLocale::c(); }
    qint32 addFileToLibrary(const QString &file) override
    {
        added << file;
        return comResult;
    }
    bool quitApplication() override { return true; }
};

// Opens the naming step to the tests.
class NamingItem : public ConvertItem
{
public:
    using ConvertItem::makeDestFile;
};

} // namespace

class TestConvertItem : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_root;
    QString m_convertDir;
    QString m_downloadDir;
    QString m_sourceDir;

    QString source(const QString &name) const { return m_sourceDir + QLatin1Char('/') + name; }
    // An item whose conversion has been handed to a task that never runs
    // (the convert pool is not started in this test).
    void prepare(ConvertItem &item, const QString &src, const MediaProfile &profile)
    {
        item.setConvertParameters(ConvertParameters(src, QString(), profile, Kel::FileMediaInfo(), false, -1));
        item.setStatus(ConvertItem::StatusReady);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_root.isValid());
        Kel::setFolderRoot(m_root.filePath(QStringLiteral("home")));
        AppContext::setAppDirOverride(TestTools::appDir());
        QVERIFY2(QFileInfo::exists(settings()->getMediaInfoDictFile()), "build app_data first");
        m_sourceDir = m_root.filePath(QStringLiteral("sources"));
        QVERIFY(QDir().mkpath(m_sourceDir));
    }

    void init()
    {
        const QString name = QString::fromLatin1(QTest::currentTestFunction());
        m_convertDir = m_root.filePath(QStringLiteral("converted/") + name);
        m_downloadDir = m_root.filePath(QStringLiteral("downloads/") + name);
        QVERIFY(QDir().mkpath(m_convertDir));
        QVERIFY(QDir().mkpath(m_downloadDir));
        settings()->setConvertDestDir(m_convertDir);
        settings()->setDownloadDestDir(m_downloadDir);
        settings()->setConvertSaveMode(Tarn::ConvertSaveInConvertDir);
        settings()->setConvertAutoExport2Itunes(false);
    }

    void cleanup()
    {
        Tarn::ItunesPlatform::setCurrent(nullptr);
        QVERIFY(ConvertItem::getConvertedFiles().isEmpty());
    }

    void cleanupTestCase()
    {
        AppContext::instance()->getConvertManager()->clear();
        AppContext::setAppDirOverride(QString());
    }

    // Parameter texts.
    void parameterText_data()
    {
        QTest::addColumn<MediaProfile>("profile");
        QTest::addColumn<bool>("withFormat");
        QTest::addColumn<QString>("text");

        QTest::newRow("preset") << preset(QStringLiteral("iPhone"), QStringLiteral("MP4")) << false << "iPhone";
        QTest::newRow("preset, format asked") << preset(QStringLiteral("iPhone"), QStringLiteral("MP4")) << true
                                              << "iPhone";
        const MediaProfile hd = custom(QStringLiteral("libx264"), QSize(1280, 720), 1500000);
        QTest::newRow("custom video") << hd << false << "H.264-720P-1500K";
        QTest::newRow("custom video with format") << hd << true << "MP4(H.264-720P-1500K)";
        MediaProfile autoRate = hd;
        autoRate.autoBitRate = true;
        QTest::newRow("automatic bit rate") << autoRate << false << "H.264-720P-Auto";
        MediaProfile autoSize = hd;
        autoSize.autoResolution = true;
        autoSize.resolution = QSize(-1, -1);
        QTest::newRow("automatic size") << autoSize << false << "H.264-Auto-1500K";
        QTest::newRow("odd size") << custom(QStringLiteral("libx264"), QSize(1000, 600), 1500000) << false
                                  << "H.264-1000x600-1500K";
        QTest::newRow("480 lines of 854") << custom(QStringLiteral("libx264"), QSize(854, 480), 1000000) << false
                                          << "H.264-480P-1000K";
        QTest::newRow("4:3 of 480 lines") << custom(QStringLiteral("libx264"), QSize(640, 480), 1000000) << false
                                          << "H.264-640x480-1000K";
        QTest::newRow("unlisted height") << custom(QStringLiteral("libx265"), QSize(3840, 2160), 8000000) << false
                                         << "H.265-3840x2160-8000K";
        QTest::newRow("audio without bit rate")
            << custom(QString(), QSize(-1, -1), -1, QStringLiteral("libmp3lame"), 0) << false << "MP3";
        QTest::newRow("audio at 128K") << custom(QString(), QSize(-1, -1), -1, QStringLiteral("libmp3lame"), 128000)
                                       << false << "MP3-128K";
        QTest::newRow("audio with format")
            << custom(QString(), QSize(-1, -1), -1, QStringLiteral("libmp3lame"), 128000) << true << "MP3(MP3-128K)";
        // A fresh profile has a video bit rate of 0, but no video codec.
        QTest::newRow("audio, zero video rate")
            << custom(QString(), QSize(-1, -1), 0, QStringLiteral("libmp3lame"), 0) << false << "MP3";
        QTest::newRow("codec without display name")
            << custom(QStringLiteral("mjpeg"), QSize(640, 360), 2000000) << false << "mjpeg-360P-2000K";
    }
    void parameterText()
    {
        QFETCH(MediaProfile, profile);
        QFETCH(bool, withFormat);
        QFETCH(QString, text);
        QCOMPARE(ConvertItem::makeConvertParametersString(profile, withFormat), text);
    }

    // Destination names.
    void destinationName_data()
    {
        QTest::addColumn<QString>("sourceName");
        QTest::addColumn<MediaProfile>("profile");
        QTest::addColumn<QString>("destName");

        QTest::newRow("colon and preset") << "Talk: part 1.mkv" << preset(QStringLiteral("iPhone"), QStringLiteral("MP4"))
                                          << "Talk  part 1__[iPhone].mp4";
        QTest::newRow("custom profile") << "clip.avi" << custom(QStringLiteral("libx264"), QSize(1280, 720), 1500000)
                                        << "clip__[H.264-720P-1500K].mp4";
        QTest::newRow("every forbidden character") << "a*b?c\"d<e>f|g\\h.mov"
                                                    << preset(QStringLiteral("Web"), QStringLiteral("WEBM"))
                                                    << "a b c d e f g h__[Web].webm";
        QTest::newRow("forbidden in the preset name")
            << "clip.mp4" << preset(QStringLiteral("A/B: C"), QStringLiteral("MKV")) << "clip__[A B  C].mkv";
        QTest::newRow("dots in the base name") << "my.holiday.2019.mp4"
                                               << preset(QStringLiteral("iPad"), QStringLiteral("MP4"))
                                               << "my.holiday.2019__[iPad].mp4";
        QTest::newRow("audio") << "song.wav" << custom(QString(), QSize(-1, -1), -1, QStringLiteral("libmp3lame"), 192000)
                               << "song__[MP3-192K].mp3";
        // Nothing hidden, nothing that reads as an option, nothing invisible.
        QTest::newRow("leading dash") << "-rf.mkv" << preset(QStringLiteral("iPhone"), QStringLiteral("MP4"))
                                      << "rf__[iPhone].mp4";
        QTest::newRow("hidden source") << ".clip.avi" << preset(QStringLiteral("iPad"), QStringLiteral("MP4"))
                                       << "clip__[iPad].mp4";
        QTest::newRow("right-to-left override") << "a\u202Evia.mkv" << preset(QStringLiteral("Web"), QStringLiteral("WEBM"))
                                                << "avia__[Web].webm";
    }
    void destinationName()
    {
        QFETCH(QString, sourceName);
        QFETCH(MediaProfile, profile);
        QFETCH(QString, destName);
        NamingItem item;
        QCOMPARE(item.makeDestFile(source(sourceName), profile), m_convertDir + QLatin1Char('/') + destName);
        QVERIFY(ConvertItem::getConvertedFiles().contains(m_convertDir + QLatin1Char('/') + destName));
    }

    void duplicatesAreNumbered()
    {
        const MediaProfile iphone = preset(QStringLiteral("iPhone"), QStringLiteral("MP4"));
        const QString src = source(QStringLiteral("Talk: part 1.mkv"));
        auto first = std::make_unique<NamingItem>();
        NamingItem second;
        NamingItem third;
        const QString base = m_convertDir + QStringLiteral("/Talk  part 1__[iPhone]");
        QCOMPARE(first->makeDestFile(src, iphone), base + QStringLiteral(".mp4"));
        QCOMPARE(second.makeDestFile(src, iphone), base + QStringLiteral("(1).mp4"));
        // A file on disk counts as taken as well.
        QVERIFY(touch(base + QStringLiteral("(2).mp4")));
        QCOMPARE(third.makeDestFile(src, iphone), base + QStringLiteral("(3).mp4"));
        // An item that goes gives its name back; the others keep theirs.
        first.reset();
        QCOMPARE(ConvertItem::getConvertedFiles(),
                 QStringList({base + QStringLiteral("(1).mp4"), base + QStringLiteral("(3).mp4")}));
        NamingItem fourth;
        QCOMPARE(fourth.makeDestFile(src, iphone), base + QStringLiteral(".mp4"));
    }

    void renamingGivesTheOldNameBack()
    {
        NamingItem item;
        const QString first = item.makeDestFile(source(QStringLiteral("a.mp4")), preset("P", "MP4"));
        const QString second = item.makeDestFile(source(QStringLiteral("a.mp4")), preset("Q", "MP4"));
        QCOMPARE(ConvertItem::getConvertedFiles(), QStringList({second}));
        QVERIFY(first != second);
    }

    void saveModeChoosesTheFolder()
    {
        settings()->setConvertSaveMode(Tarn::ConvertSaveInDownloadDir);
        NamingItem item;
        QCOMPARE(item.makeDestFile(source(QStringLiteral("clip.mp4")), preset("iPhone", "MP4")),
                 m_downloadDir + QStringLiteral("/clip__[iPhone].mp4"));
    }

    void longNamesFitTheFileSystem()
    {
        const QString longBase = QString(200, QChar(0x00e9)); // two bytes each
        NamingItem item;
        const QString path = item.makeDestFile(source(longBase + QStringLiteral(".mp4")), preset("iPhone", "MP4"));
        const QString name = QFileInfo(path).fileName();
        QVERIFY(name.endsWith(QLatin1String("__[iPhone].mp4")));
        QVERIFY(Tarn::FileNaming::encodedLength(name) <= Tarn::FileNaming::MaxFileNameBytes - Tarn::FileNaming::ReservedBytes);
        QVERIFY(touch(path));
    }

    // Views and estimates.
    void viewsOfInvalidParameters()
    {
        ConvertItem item;
        QCOMPARE(item.getStatus(), ConvertItem::StatusNone);
        QVERIFY(item.isWorking());
        QVERIFY(!item.canRestart());
        QCOMPARE(item.getDestFile(), QString());
        QCOMPARE(item.getDestFormat(), QString());
        QCOMPARE(item.getDestResolution(), QSize(-1, -1));
        QVERIFY(!item.getConvertProfile().isValid());
        QCOMPARE(item.getDestVBitRate(), 0);
        QCOMPARE(item.getDestABitRate(), 0);
        QCOMPARE(item.getEstimatedDestFileSize(), qint64(0));
        QCOMPARE(item.getThumbnailFile(), settings()->getDefaultThumbnailImage());
    }

    void estimates_data()
    {
        QTest::addColumn<bool>("autoResolution");
        QTest::addColumn<bool>("sameAsSource");
        QTest::addColumn<QSize>("resolution");
        QTest::addColumn<qint64>("vBitRate");
        QTest::addColumn<qint64>("size");
        // 10 s of source at 1 Mbit/s video; 128 kbit/s audio in the profile.
        QTest::newRow("profile values") << false << false << QSize(1280, 720) << qint64(2500000)
                                        << qint64((2500000 + 128000) * 10 / 8);
        QTest::newRow("automatic size") << true << false << QSize(640, 360) << qint64(1000000)
                                        << qint64((1000000 + 128000) * 10 / 8);
        QTest::newRow("same as source") << false << true << QSize(640, 360) << qint64(1000000)
                                        << qint64((1000000 + 128000) * 10 / 8);
    }
    void estimates()
    {
        QFETCH(bool, autoResolution);
        QFETCH(bool, sameAsSource);
        QFETCH(QSize, resolution);
        QFETCH(qint64, vBitRate);
        QFETCH(qint64, size);
        MediaProfile profile = preset(QStringLiteral("P"), QStringLiteral("MP4"));
        profile.autoResolution = autoResolution;
        profile.sameAsSource = sameAsSource;
        Kel::FileMediaInfo src;
        src.format = QStringLiteral("mov,mp4,m4a,3gp,3g2,mj2");
        src.resolution = QSize(640, 360);
        src.vBitRate = 1000000;
        src.duration = 10;
        ConvertItem item;
        item.setSrcMediaInfo(src);
        item.setConvertParameters(
            ConvertParameters(source(QStringLiteral("a.mp4")), source(QStringLiteral("b.mp4")), profile, src, false, -1));
        QCOMPARE(item.getEstimatedDestResolution(), resolution);
        QCOMPARE(item.getEstimatedDestVBitRate(), vBitRate);
        QCOMPARE(item.getEstimatedDestFileSize(), size);
        QCOMPARE(item.getDestFormat(), QStringLiteral("MP4"));
        QCOMPARE(item.getDestABitRate(), 128000);
    }

    void audioEstimateIgnoresAnUnknownVideoRate()
    {
        MediaProfile mp3 = custom(QString(), QSize(-1, -1), -1, QStringLiteral("libmp3lame"), 128000);
        Kel::FileMediaInfo src;
        src.format = QStringLiteral("wav");
        src.duration = 8;
        ConvertItem item;
        item.setSrcMediaInfo(src);
        item.setConvertParameters(
            ConvertParameters(source(QStringLiteral("a.wav")), source(QStringLiteral("a.mp3")), mp3, src, false, -1));
        QCOMPARE(item.getEstimatedDestFileSize(), qint64(128000 * 8 / 8));
    }

    // Status rules.
    void setStatusSignalsOnlyChanges()
    {
        ConvertItem item;
        QSignalSpy status(&item, &ConvertItem::statusChanged);
        QSignalSpy data(&item, &ConvertItem::dataChanged);
        item.setStatus(ConvertItem::StatusNone);
        QCOMPARE(status.count(), 0);
        item.setStatus(ConvertItem::StatusReady);
        QCOMPARE(status.count(), 1);
        QCOMPARE(data.count(), 1);
    }

    void workingAndRestart_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("working");
        QTest::addColumn<bool>("restart");
        QTest::newRow("none") << int(ConvertItem::StatusNone) << true << false;
        QTest::newRow("waiting download") << int(ConvertItem::StatusWaitingDownload) << true << false;
        QTest::newRow("ready") << int(ConvertItem::StatusReady) << true << false;
        QTest::newRow("starting") << int(ConvertItem::StatusStarting) << true << false;
        QTest::newRow("converting") << int(ConvertItem::StatusConverting) << true << false;
        QTest::newRow("error") << int(ConvertItem::StatusError) << false << true;
        QTest::newRow("paused") << int(ConvertItem::StatusPaused) << true << true;
        QTest::newRow("finished") << int(ConvertItem::StatusFinished) << false << false;
    }
    void workingAndRestart()
    {
        QFETCH(int, status);
        QFETCH(bool, working);
        QFETCH(bool, restart);
        ConvertItem item;
        item.setStatus(ConvertItem::Status(status));
        QCOMPARE(item.isWorking(), working);
        QCOMPARE(item.canRestart(), restart);
    }

    void startDoesNothingUnlessReadyOrFailed_data()
    {
        QTest::addColumn<int>("status");
        QTest::newRow("none") << int(ConvertItem::StatusNone);
        QTest::newRow("waiting download") << int(ConvertItem::StatusWaitingDownload);
        QTest::newRow("starting") << int(ConvertItem::StatusStarting);
        QTest::newRow("converting") << int(ConvertItem::StatusConverting);
        QTest::newRow("finished") << int(ConvertItem::StatusFinished);
    }
    void startDoesNothingUnlessReadyOrFailed()
    {
        QFETCH(int, status);
        ConvertItem item;
        item.setConvertParameters(ConvertParameters(source(QStringLiteral("a.mp4")), QString(),
                                                    preset("iPhone", "MP4"), Kel::FileMediaInfo(), false, -1));
        item.setStatus(ConvertItem::Status(status));
        const QStringList keys = AppContext::instance()->getConvertManager()->getConvertPool().taskKeys();
        QSignalSpy data(&item, &ConvertItem::dataChanged);
        item.start();
        QCOMPARE(int(item.getStatus()), status);
        QCOMPARE(data.count(), 0);
        QCOMPARE(item.getDestFile(), QString());
        QCOMPARE(AppContext::instance()->getConvertManager()->getConvertPool().taskKeys(), keys);
    }

    void startQueuesATaskUnderItsKey()
    {
        ConvertItem item;
        prepare(item, source(QStringLiteral("Talk: 1.mkv")), preset("iPhone", "MP4"));
        QSignalSpy data(&item, &ConvertItem::dataChanged);
        const QDateTime before = QDateTime::currentDateTime();
        item.start();
        QCOMPARE(item.getStatus(), ConvertItem::StatusStarting);
        QVERIFY(item.getTimeStamp() >= before);
        QCOMPARE(item.getDestFile(), m_convertDir + QStringLiteral("/Talk  1__[iPhone].mp4"));
        QCOMPARE(QDir::currentPath(), QDir(TestTools::appDir()).absolutePath());
        QVERIFY(data.count() >= 2);
        Tarn::ConvertManager *manager = AppContext::instance()->getConvertManager();
        const QString key = QStringLiteral("%1 : %2").arg(item.getDestFile(), preset("iPhone", "MP4").toString());
        QVERIFY(manager->getConvertTask(key));
        QVERIFY(manager->getConvertPool().queuedKeys().contains(key));

        // Pausing a task that never ran marks it paused without any converter.
        item.pause();
        QCOMPARE(item.getStatus(), ConvertItem::StatusPaused);
        QVERIFY(!manager->getConvertPool().queuedKeys().contains(key));
        // Starting a paused item resumes it: its task is queued again.
        item.start();
        QCOMPARE(item.getStatus(), ConvertItem::StatusStarting);
        QVERIFY(manager->getConvertPool().queuedKeys().contains(key));

        item.cancel();
        QTRY_VERIFY(!manager->getConvertTask(key));
        QCOMPARE(item.getStatus(), ConvertItem::StatusStarting);
    }

    void unusableParametersFail_data()
    {
        QTest::addColumn<QString>("src");
        QTest::addColumn<MediaProfile>("profile");
        QTest::newRow("no source") << QString() << preset("iPhone", "MP4");
        QTest::newRow("no profile") << source(QStringLiteral("a.mp4")) << MediaProfile();
    }
    void unusableParametersFail()
    {
        QFETCH(QString, src);
        QFETCH(MediaProfile, profile);
        ConvertItem item;
        prepare(item, src, profile);
        QSignalSpy errors(&item, &ConvertItem::error);
        item.start();
        QCOMPARE(item.getStatus(), ConvertItem::StatusError);
        QCOMPARE(errors.count(), 1);
        QCOMPARE(errors.at(0).at(0).toInt(), int(ConvertItem::ConvertFailed));
        QVERIFY(ConvertItem::getConvertedFiles().isEmpty());
    }

    void sameConversionTwiceFailsWithoutHarmingTheFirst()
    {
        const QString dest = m_convertDir + QStringLiteral("/fixed.mp4");
        ConvertItem first;
        ConvertItem second;
        for (ConvertItem *item : {&first, &second}) {
            item->setConvertParameters(ConvertParameters(source(QStringLiteral("a.mp4")), dest, preset("iPhone", "MP4"),
                                                         Kel::FileMediaInfo(), false, -1));
            item->setStatus(ConvertItem::StatusReady);
        }
        first.start();
        QVERIFY(touch(dest));
        QSignalSpy errors(&second, &ConvertItem::error);
        QFile log(QString::fromLocal8Bit(tarncoreLogFile()));
        QVERIFY2(log.open(QIODevice::ReadOnly), qPrintable(log.fileName()));
        log.seek(log.size());
        second.start();
        QCOMPARE(second.getStatus(), ConvertItem::StatusError);
        QCOMPARE(errors.count(), 1);
        QVERIFY(log.readAll().contains("Conversion refused (-11): " + dest.toLocal8Bit()));
        // The refused twin neither cancels nor deletes what the first one writes.
        QCOMPARE(first.getStatus(), ConvertItem::StatusStarting);
        QVERIFY(QFileInfo::exists(dest));
        first.cancel();
        QFile::remove(dest);
    }

    // A receiver of the error may start the item again at once.
    void restartFromItsOwnErrorSignal()
    {
        ConvertItem item;
        prepare(item, source(QStringLiteral("again.avi")), preset("iPhone", "MP4"));
        item.start();
        Tarn::ConvertManager *manager = AppContext::instance()->getConvertManager();
        const QString key = Tarn::ConvertTask::makeTaskKey(item.getConvertParameters());
        Kel::Task *first = manager->getConvertTask(key);
        QVERIFY(first);
        int errors = 0;
        connect(&item, &ConvertItem::error, this, [&] {
            if (++errors == 1)
                item.start();
        });
        first->setErrorCode(-4);
        first->setStatus(Kel::Task::Error);
        QCOMPARE(errors, 1);
        QCOMPARE(item.getStatus(), ConvertItem::StatusStarting);
        Kel::Task *second = manager->getConvertTask(key);
        QVERIFY(second && second != first);
        QCOMPARE(second->status(), Kel::Task::Ready);
        item.cancel();
    }

    // Reactions to the task.
    void taskFeedback()
    {
        ConvertItem item;
        prepare(item, source(QStringLiteral("a.mp4")), preset("iPhone", "MP4"));
        item.setStatus(ConvertItem::StatusStarting);
        QSignalSpy data(&item, &ConvertItem::dataChanged);
        item.onConvertProgress(100, 42, 0);
        QCOMPARE(item.getProgress(), Kel::Progress(100, 42, 0));
        QCOMPARE(data.count(), 1);
        item.onConvertStarted();
        QCOMPARE(item.getStatus(), ConvertItem::StatusConverting);
        item.onConvertPaused();
        QCOMPARE(item.getStatus(), ConvertItem::StatusPaused);
        item.onConvertResumed();
        QCOMPARE(item.getStatus(), ConvertItem::StatusStarting);
    }

    void finishReleasesTheName()
    {
        ConvertItem item;
        prepare(item, source(QStringLiteral("a.avi")), preset("MKV", "MKV"));
        item.start();
        const QString dest = item.getDestFile();
        QVERIFY(ConvertItem::getConvertedFiles().contains(dest));
        QSignalSpy finished(&item, &ConvertItem::convertFinished);
        QSignalSpy errors(&item, &ConvertItem::error);
        item.onConvertProgress(100, 99, 0);
        item.onConvertFinished();
        QCOMPARE(item.getStatus(), ConvertItem::StatusFinished);
        QCOMPARE(item.getProgress(), Kel::Progress());
        QCOMPARE(finished.count(), 1);
        QCOMPARE(errors.count(), 0);
        QVERIFY(!ConvertItem::getConvertedFiles().contains(dest));
        // A finished item is not started again.
        item.start();
        QCOMPARE(item.getStatus(), ConvertItem::StatusFinished);
    }

    void errorReportsConversionFailure()
    {
        ConvertItem item;
        prepare(item, source(QStringLiteral("a.avi")), preset("iPhone", "MP4"));
        item.start();
        item.onConvertProgress(100, 30, 0);
        QSignalSpy errors(&item, &ConvertItem::error);
        item.onConvertError(-4);
        QCOMPARE(item.getStatus(), ConvertItem::StatusError);
        QCOMPARE(item.getProgress(), Kel::Progress());
        QCOMPARE(errors.count(), 1);
        QCOMPARE(errors.at(0).at(0).toInt(), 1001);
        QCOMPARE(errors.at(0).at(1).toString(), QString());
        // The name stays reserved until the item goes; the item can restart.
        QVERIFY(ConvertItem::getConvertedFiles().contains(item.getDestFile()));
        QVERIFY(item.canRestart());
        item.cancel();
    }

    // iTunes.
    void itunesHandOver_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<bool>("exportOn");
        QTest::addColumn<bool>("installed");
        QTest::addColumn<int>("comResult");
        QTest::addColumn<int>("errorCode"); // 0: none
        QTest::addColumn<bool>("exported");

        QTest::newRow("mp4 exported") << "MP4" << true << true << 0 << 0 << true;
        QTest::newRow("mov exported") << "mov" << true << true << 0 << 0 << true;
        QTest::newRow("mp3 exported") << "Mp3" << true << true << 0 << 0 << true;
        QTest::newRow("import fails") << "MP4" << true << true << int(0x80004005) << 1002 << false;
        QTest::newRow("not installed") << "MP4" << true << false << 0 << 1003 << false;
        QTest::newRow("setting off") << "MP4" << false << true << 0 << 0 << false;
        QTest::newRow("mkv never") << "MKV" << true << true << 0 << 0 << false;
        QTest::newRow("m4a never") << "M4A" << true << false << 0 << 0 << false;
    }
    void itunesHandOver()
    {
        QFETCH(QString, format);
        QFETCH(bool, exportOn);
        QFETCH(bool, installed);
        QFETCH(int, comResult);
        QFETCH(int, errorCode);
        QFETCH(bool, exported);
        FakeItunes itunes;
        if (installed) {
            itunes.executable = m_root.filePath(QStringLiteral("iTunes/iTunes.exe"));
            QVERIFY(touch(itunes.executable));
        }
        itunes.comResult = comResult;
        Tarn::ItunesPlatform::setCurrent(&itunes);
        settings()->setConvertAutoExport2Itunes(exportOn);

        ConvertItem item;
        prepare(item, source(QStringLiteral("song.wav")), preset(QStringLiteral("P"), format));
        item.start();
        const QString dest = item.getDestFile();
        QVERIFY(touch(dest));
        QSignalSpy errors(&item, &ConvertItem::error);
        QSignalSpy exports(&item, &ConvertItem::exportFinished);
        item.onConvertFinished();
        QCOMPARE(exports.count(), exported ? 1 : 0);
        if (exported) {
            QCOMPARE(exports.at(0).at(0).toString(), QFileInfo(dest).fileName());
            QCOMPARE(itunes.added, QStringList({dest}));
        }
        QCOMPARE(errors.count(), errorCode ? 1 : 0);
        if (errorCode == 1002)
            QCOMPARE(errors.at(0).at(1).toString(), QFileInfo(dest).fileName());
        if (errorCode == 1003)
            QVERIFY(!errors.at(0).at(1).isValid());
        if (errorCode)
            QCOMPARE(errors.at(0).at(0).toInt(), errorCode);
        if (!exported && errorCode != 1002)
            QVERIFY(itunes.added.isEmpty());
        QFile::remove(dest);
    }

    // The item made from a download.
    void itemFromADownload()
    {
        const QString thumbnail = m_root.filePath(QStringLiteral("home/thumbs/page one.jpg"));
        QVERIFY(touch(thumbnail, "jpeg"));
        Tarn::DownloadItem download(QStringLiteral("http://127.0.0.1:1/watch?v=abcdefghijk"));
        Kel::WebMediaInfo info;
        info.url = download.getUrl();
        info.duration = 95;
        info.profiles = {};
        download.setMediaInfo(info);
        MediaProfile quality;
        quality.name = QStringLiteral("22");
        quality.format = QStringLiteral("MP4");
        quality.type = Kel::Video;
        quality.resolution = QSize(1280, 720);
        quality.vCodec = QStringLiteral("h264");
        quality.aCodec = QStringLiteral("aac");
        quality.size = 123456;
        Tarn::DownloadParameters params(download.getUrl());
        params.setDownloadQuality(quality);
        params.setDestFile(m_downloadDir + QStringLiteral("/Page[720P].mp4"));
        download.setDownloadParameters(params);
        download.setThumbnailFile(thumbnail);

        auto item = std::make_unique<ConvertItem>(&download);
        QCOMPARE(item->getStatus(), ConvertItem::StatusWaitingDownload);
        const Kel::FileMediaInfo &src = item->getSrcMediaInfo();
        QCOMPARE(src.mediaFile, params.getDestFile());
        QCOMPARE(src.fileSize, qint64(123456));
        QCOMPARE(src.duration, qint64(95));
        QCOMPARE(src.format, QStringLiteral("MP4"));
        QCOMPARE(src.resolution, QSize(1280, 720));
        QCOMPARE(src.vCodec, QStringLiteral("h264"));
        // A private copy of the download's thumbnail.
        QCOMPARE(src.thumbnailFile, m_root.filePath(QStringLiteral("home/thumbs/page one_convert.jpg")));
        QCOMPARE(item->getThumbnailFile(), src.thumbnailFile);
        QVERIFY(QFileInfo::exists(src.thumbnailFile));

        // A later thumbnail of the download is copied too, and the earlier copy goes.
        const QString later = m_root.filePath(QStringLiteral("home/thumbs/later.png"));
        QVERIFY(touch(later, "png"));
        const QString firstCopy = src.thumbnailFile;
        QSignalSpy data(item.get(), &ConvertItem::dataChanged);
        emit download.thumbnailReceived(later);
        QCOMPARE(data.count(), 1);
        QCOMPARE(item->getSrcMediaInfo().thumbnailFile, m_root.filePath(QStringLiteral("home/thumbs/later_convert.png")));
        QVERIFY(!QFileInfo::exists(firstCopy));

        // Cancelling the download cancels the conversion and tells the page.
        QSignalSpy canceled(item.get(), &ConvertItem::canceled);
        download.cancel();
        QCOMPARE(canceled.count(), 1);

        // The downloaded file is missing: error 1004 and the item ends.
        QSignalSpy errors(item.get(), &ConvertItem::error);
        emit download.downloadFinished();
        QCOMPARE(errors.count(), 1);
        QCOMPARE(errors.at(0).at(0).toInt(), 1004);
        QCOMPARE(errors.at(0).at(1).toString(), params.getDestFile());
        QCOMPARE(item->getStatus(), ConvertItem::StatusError);
        QVERIFY(!item->isWorking());
        // Past waiting, the conversion no longer hangs on the download item:
        // removing that from the download list leaves the conversion alone.
        download.cancel();
        QCOMPARE(canceled.count(), 1);

        // Removing the item removes its own copies only.
        const QString copy = item->getSrcMediaInfo().thumbnailFile;
        item->clear();
        QVERIFY(!QFileInfo::exists(copy));
        QVERIFY(QFileInfo::exists(thumbnail));
        QVERIFY(QFileInfo::exists(later));
        item.reset();
    }

    void thumbnailThatCannotBeCopiedStaysShared()
    {
        Tarn::DownloadItem download(QStringLiteral("http://127.0.0.1:1/watch?v=abcdefghijk"));
        ConvertItem item(&download);
        const QString gone = m_root.filePath(QStringLiteral("home/thumbs/gone.jpg"));
        emit download.thumbnailReceived(gone);
        QCOMPARE(item.getSrcMediaInfo().thumbnailFile, gone);
        QVERIFY(touch(gone));
        item.clear();
        QVERIFY(QFileInfo::exists(gone));
    }

    void clearKeepsTheDefaultPicture()
    {
        ConvertItem item;
        Kel::FileMediaInfo src;
        src.format = QStringLiteral("avi");
        src.thumbnailFile = settings()->getDefaultThumbnailImage();
        item.setSrcMediaInfo(src);
        const bool existed = QFileInfo::exists(src.thumbnailFile);
        item.clear();
        QCOMPARE(QFileInfo::exists(src.thumbnailFile), existed);
    }

    void downloadWithoutThumbnail()
    {
        Tarn::DownloadItem download(QStringLiteral("http://127.0.0.1:1/watch?v=abcdefghijk"));
        ConvertItem item(&download);
        QCOMPARE(item.getSrcMediaInfo().thumbnailFile, QString());
        QCOMPARE(item.getThumbnailFile(), settings()->getDefaultThumbnailImage());
    }
};

QTEST_GUILESS_MAIN(TestConvertItem)
#include "tst_convertitem.moc"
