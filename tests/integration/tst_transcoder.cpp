#include "shared/runstamp.h"
#include "support/testtools.h"
#include "transcoder/convertjob.h"
#include "transcoder/mediaconverter.h"
#include "transcoder/mediaconverterfactory.h"
#include "transcoder/mediainfoextractor.h"

#include <QDir>
#include <QFile>
#include <QScopedPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <signal.h>
#include <unistd.h>

using Kel::ConvertJob;
using Kel::MediaConverter;
using Kel::MediaConverterFactory;

namespace {

// Long enough for a conversion to be caught running on a slow machine.
constexpr int LongSourceSeconds = 60;
constexpr int ConversionTimeoutMs = 180000;

QString lavfi(const char *source)
{
    return QString::fromLatin1(source);
}

// The colour of a picture reduced to one pixel: 'r', 'g', 'b' or '?'.
char dominantColour(const QString &image)
{
    const TestTools::RunResult result =
        TestTools::run(TestTools::ffmpegPath(), {"-v", "error", "-i", image, "-vf", "scale=1:1", "-f", "rawvideo",
                                                 "-pix_fmt", "rgb24", "-"});
    if (!result.succeeded() || result.standardOutput.size() < 3)
        return '?';
    const int r = quint8(result.standardOutput.at(0));
    const int g = quint8(result.standardOutput.at(1));
    const int b = quint8(result.standardOutput.at(2));
    if (r > 150 && g < 100 && b < 100)
        return 'r';
    if (b > 150 && r < 100 && g < 100)
        return 'b';
    if (g > 100 && r < 100 && b < 100)
        return 'g';
    return '?';
}

// The ffmpeg processes this test program started and that still run.
QList<qint64> childFfmpegProcesses()
{
    QList<qint64> pids;
    const QString self = QString::number(::getpid());
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString &entry : entries) {
        bool numeric = false;
        const qint64 pid = entry.toLongLong(&numeric);
        if (!numeric)
            continue;
        QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray text = stat.readAll();
        const int open = text.indexOf('(');
        const int close = text.lastIndexOf(')');
        if (open < 0 || close < open)
            continue;
        const QByteArray name = text.mid(open + 1, close - open - 1);
        const QList<QByteArray> fields = text.mid(close + 2).split(' ');
        if (name == "ffmpeg" && fields.size() > 2 && fields.at(0) != "Z" && QString::fromLatin1(fields.at(1)) == self)
            pids.append(pid);
    }
    return pids;
}

// The files that this program's conversions are writing beside target.
QStringList workFiles(const QString &target)
{
    const QString pattern = Kel::RunStamp::current() + QStringLiteral("*") + Kel::RunStamp::ConvertMarker + QStringLiteral("*");
    return QFileInfo(target).dir().entryList({pattern}, QDir::Files);
}

qint64 workFileSize(const QString &target)
{
    const QStringList files = workFiles(target);
    return files.size() == 1 ? QFileInfo(QFileInfo(target).dir().filePath(files.first())).size() : -1;
}

char processState(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray text = stat.readAll();
    const int close = text.lastIndexOf(')');
    return close >= 0 && close + 2 < text.size() ? text.at(close + 2) : 0;
}

Kel::MediaProfile profile(const QString &format, const QString &vCodec, const QString &aCodec, const QSize &size,
                          int aSampleRate = 44100)
{
    Kel::MediaProfile p;
    p.name = QStringLiteral("Test %1").arg(format);
    p.format = format;
    p.type = vCodec.isEmpty() ? Kel::Audio : Kel::Video;
    p.vCodec = vCodec;
    p.aCodec = aCodec;
    p.resolution = size;
    p.vBitRate = 800000;
    p.aBitRate = 128000;
    p.aSampleRate = aSampleRate;
    return p;
}

} // namespace

class TestTranscoder : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void probe_data();
    void probe();
    void probeUnreadableFile_data();
    void probeUnreadableFile();
    void probeDoesNotInheritThePreviousFile();
    void thumbnail_data();
    void thumbnail();
    void thumbnailWithoutPathWritesNothing();

    void convert_data();
    void convert();
    void pauseStopsUntilResume();
    void pauseAndResumeNeedARunningConversion();
    void cancelRemovesTheUnfinishedTarget();
    void cancelWhilePaused();
    void clearKeepsAFinishedTarget();
    void corruptSourceEndsInError();
    void crashedConverterIsReported();
    void targetThatIsTheSourceIsRefused();
    void converterThatCannotStartIsReported();

private:
    QString media(const QString &name) const { return dir.filePath(name); }
    QString output(const QString &name) const { return dir.filePath(QStringLiteral("out/") + name); }
    bool makeMedia(const QString &name, const QStringList &arguments);
    ConvertJob makeJob(const QString &sourceName, const Kel::MediaProfile &profile, const QString &targetName);
    Kel::FileMediaInfo describe(const QString &file);

    QTemporaryDir dir;
};

bool TestTranscoder::makeMedia(const QString &name, const QStringList &arguments)
{
    const TestTools::RunResult result =
        TestTools::run(TestTools::ffmpegPath(),
                       QStringList{"-hide_banner", "-loglevel", "error"} + arguments + QStringList{"-y", media(name)},
                       120000);
    if (!result.succeeded())
        qWarning("%s", qPrintable(result.describe()));
    return result.succeeded();
}

Kel::FileMediaInfo TestTranscoder::describe(const QString &file)
{
    QScopedPointer<Kel::MediaInfoExtractor> extractor(MediaConverterFactory::instance()->createExtractor());
    return extractor->getMediaInfo(file, false, TestTools::appDir());
}

ConvertJob TestTranscoder::makeJob(const QString &sourceName, const Kel::MediaProfile &profile,
                                   const QString &targetName)
{
    ConvertJob job;
    job.source = media(sourceName);
    job.target = output(targetName);
    job.profile = profile;
    job.sourceInfo = describe(job.source);
    job.ffmpegDir = TestTools::appDir();
    return job;
}

void TestTranscoder::initTestCase()
{
    if (!TestTools::requireProgram(QStringLiteral("ffmpeg")) || !TestTools::requireProgram(QStringLiteral("ffprobe")))
        return;
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("out")));

    const QStringList x264 = {"-c:v", "libx264", "-preset", "ultrafast", "-pix_fmt", "yuv420p"};
    QVERIFY(makeMedia("av.mp4", QStringList{"-f", "lavfi", "-i", lavfi("testsrc=size=320x240:rate=25"), "-f", "lavfi",
                                            "-i", lavfi("sine=frequency=440:sample_rate=48000"), "-t", "6"}
                                    + x264 + QStringList{"-c:a", "aac", "-b:a", "96k"}));
    QVERIFY(makeMedia("audio.mp3", {"-f", "lavfi", "-i", lavfi("sine=frequency=880:sample_rate=44100"), "-t", "3",
                                    "-c:a", "libmp3lame", "-b:a", "128k"}));
    QVERIFY(makeMedia("video.mp4", {"-f", "lavfi", "-i", lavfi("testsrc=size=176x144:rate=15"), "-t", "2", "-c:v",
                                    "mpeg4", "-pix_fmt", "yuv420p"}));

    QFile srt(media("en.srt"));
    QVERIFY(srt.open(QIODevice::WriteOnly));
    srt.write("1\n00:00:00,500 --> 00:00:02,000\nHello\n\n2\n00:00:03,000 --> 00:00:05,000\nWorld\n");
    srt.close();
    QVERIFY(QFile::copy(media("en.srt"), media("de.srt")));
    QVERIFY(makeMedia("subs.mp4", {"-i", media("av.mp4"), "-i", media("en.srt"), "-map", "0", "-map", "1", "-c:v",
                                   "copy", "-c:a", "copy", "-c:s", "mov_text"}));
    QVERIFY(makeMedia("subs.mkv", {"-i", media("av.mp4"), "-i", media("en.srt"), "-i", media("de.srt"), "-map", "0",
                                   "-map", "1", "-map", "2", "-c:v", "copy", "-c:a", "copy", "-c:s", "srt",
                                   "-metadata:s:s:0", "language=eng", "-metadata:s:s:1", "language=ger"}));

    // Red for four seconds, then blue: tells the first frame from the one at five seconds.
    const QStringList colours = {"-f", "lavfi", "-i", lavfi("color=c=red:s=320x240:r=25:d=4"), "-f", "lavfi", "-i",
                                 lavfi("color=c=blue:s=320x240:r=25:d=4"), "-filter_complex",
                                 "[0:v][1:v]concat=n=2:v=1:a=0"};
    QVERIFY(makeMedia("colours.mp4", colours + x264));
    QVERIFY(makeMedia("colours.ts", colours + x264));
    QVERIFY(makeMedia("short.mp4", QStringList{"-f", "lavfi", "-i", lavfi("color=c=blue:s=320x240:r=25:d=2")} + x264));
    QVERIFY(makeMedia("long.mp4", QStringList{"-f", "lavfi", "-i", lavfi("testsrc=size=640x480:rate=25"), "-f",
                                              "lavfi", "-i", lavfi("sine=frequency=440:sample_rate=48000"), "-t",
                                              QString::number(LongSourceSeconds)}
                                      + x264 + QStringList{"-c:a", "aac"}));

    QFile corrupt(media("corrupt.mp4"));
    QVERIFY(corrupt.open(QIODevice::WriteOnly));
    for (int i = 0; i < 4096; ++i)
        corrupt.write("this is not a media file; ");
    corrupt.close();
}

void TestTranscoder::probe_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("vCodec");
    QTest::addColumn<QSize>("resolution");
    QTest::addColumn<QSize>("aspect");
    QTest::addColumn<double>("frameRate");
    QTest::addColumn<QString>("aCodec");
    QTest::addColumn<int>("sampleRate");
    QTest::addColumn<bool>("subtitles");
    QTest::addColumn<QString>("format");
    QTest::addColumn<int>("duration");

    QTest::newRow("video with audio") << "av.mp4" << int(Kel::Video) << "h264" << QSize(320, 240) << QSize(4, 3) << 25.0
                                      << "aac" << 48000 << false << "mp4" << 6;
    QTest::newRow("audio only") << "audio.mp3" << int(Kel::Audio) << "" << QSize(-1, -1) << QSize(0, 0) << 0.0 << "mp3"
                                << 44100 << false << "mp3" << 3;
    QTest::newRow("video only") << "video.mp4" << int(Kel::Video) << "mpeg4" << QSize(176, 144) << QSize(11, 9) << 15.0
                                << "" << 0 << false << "mp4" << 2;
    QTest::newRow("subtitle stream") << "subs.mkv" << int(Kel::Video) << "h264" << QSize(320, 240) << QSize(4, 3)
                                     << 25.0 << "aac" << 48000 << true << "matroska" << 6;
    QTest::newRow("mov_text stream") << "subs.mp4" << int(Kel::Video) << "h264" << QSize(320, 240) << QSize(4, 3)
                                     << 25.0 << "aac" << 48000 << true << "mp4" << 6;
}

void TestTranscoder::probe()
{
    QFETCH(QString, file);
    QFETCH(int, type);
    QFETCH(QString, vCodec);
    QFETCH(QSize, resolution);
    QFETCH(QSize, aspect);
    QFETCH(double, frameRate);
    QFETCH(QString, aCodec);
    QFETCH(int, sampleRate);
    QFETCH(bool, subtitles);
    QFETCH(QString, format);
    QFETCH(int, duration);

    const Kel::FileMediaInfo info = describe(media(file));
    QVERIFY(info.isValid());
    QVERIFY(info.probed);
    QCOMPARE(int(info.type), type);
    QCOMPARE(info.vCodec, vCodec);
    QCOMPARE(info.resolution, resolution);
    QCOMPARE(info.aspect, aspect);
    QCOMPARE(info.frameRate, frameRate);
    QVERIFY2(aCodec.isEmpty() ? info.aCodec.isEmpty() : info.aCodec.startsWith(aCodec), qPrintable(info.aCodec));
    QCOMPARE(info.aSampleRate, sampleRate);
    if (!aCodec.isEmpty())
        QVERIFY2(info.aBitRate > 0 || format == QLatin1String("matroska"), qPrintable(info.toString()));
    QCOMPARE(info.hasSubtitles, subtitles);
    QVERIFY2(info.format.split(QLatin1Char(',')).contains(format), qPrintable(info.format));
    QCOMPARE(info.duration, qint64(duration));
    QVERIFY(info.vBitRate > 0);
    QCOMPARE(info.fileSize, QFileInfo(media(file)).size());
    QCOMPARE(info.mediaFile, media(file));
}

void TestTranscoder::probeUnreadableFile_data()
{
    QTest::addColumn<QString>("file");
    QTest::newRow("not media") << media("corrupt.mp4");
    QTest::newRow("missing") << media("missing.mp4");
    QTest::newRow("folder") << dir.path();
}

void TestTranscoder::probeUnreadableFile()
{
    QFETCH(QString, file);
    const Kel::FileMediaInfo info = describe(file);
    QVERIFY(!info.isValid());
    QVERIFY(!info.probed);
    QCOMPARE(int(info.type), int(Kel::UnknownMedia));
    QCOMPARE(info.resolution, QSize(-1, -1));
}

void TestTranscoder::probeDoesNotInheritThePreviousFile()
{
    QScopedPointer<Kel::MediaInfoExtractor> extractor(MediaConverterFactory::instance()->createExtractor());
    QVERIFY(extractor->getMediaInfo(media("av.mp4"), false, TestTools::appDir()).isValid());
    const Kel::FileMediaInfo info = extractor->getMediaInfo(media("corrupt.mp4"), false, TestTools::appDir());
    QVERIFY(!info.isValid());
    QVERIFY(info.vCodec.isEmpty());
    QCOMPARE(info.duration, qint64(0));
}

void TestTranscoder::thumbnail_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<char>("colour");

    QTest::newRow("mp4 at five seconds") << "colours.mp4" << 'b';
    QTest::newRow("ts from the first frame") << "colours.ts" << 'r';
    QTest::newRow("shorter than five seconds") << "short.mp4" << 'b';
}

void TestTranscoder::thumbnail()
{
    QFETCH(QString, file);
    QFETCH(char, colour);

    const QString image = output(QFileInfo(file).completeBaseName() + QStringLiteral("_") +
                                 QFileInfo(file).suffix() + QStringLiteral(".jpg"));
    QFile::remove(image);
    QScopedPointer<Kel::MediaInfoExtractor> extractor(MediaConverterFactory::instance()->createExtractor());
    QCOMPARE(extractor->setThumbnailFile(image), image);
    const Kel::FileMediaInfo info = extractor->getMediaInfo(media(file), true, TestTools::appDir());

    QCOMPARE(info.thumbnailFile, image);
    QVERIFY(info.isValid());
    QVERIFY2(QFileInfo(image).size() > 0, "no thumbnail written");
    const TestTools::ProbeResult probed = TestTools::probeStreams(image);
    QVERIFY2(probed.ok, qPrintable(probed.error));
    QCOMPARE(probed.count("video"), 1);
    QCOMPARE(probed.streamsOfType("video").first().codecName, QStringLiteral("mjpeg"));
    QCOMPARE(probed.streamsOfType("video").first().width, 480);
    QCOMPARE(probed.streamsOfType("video").first().height, 360);
    QCOMPARE(dominantColour(image), colour);
}

void TestTranscoder::thumbnailWithoutPathWritesNothing()
{
    QScopedPointer<Kel::MediaInfoExtractor> extractor(MediaConverterFactory::instance()->createExtractor());
    const QStringList before = QDir(output(QString())).entryList(QDir::Files);
    const Kel::FileMediaInfo info = extractor->getMediaInfo(media("av.mp4"), true, TestTools::appDir());
    QVERIFY(info.isValid());
    QVERIFY(info.thumbnailFile.isEmpty());
    QCOMPARE(QDir(output(QString())).entryList(QDir::Files), before);
}

void TestTranscoder::convert_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<Kel::MediaProfile>("profile");
    QTest::addColumn<bool>("keepSubtitles");
    QTest::addColumn<qint64>("limit");
    QTest::addColumn<QString>("container");
    QTest::addColumn<QString>("vCodec");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QString>("aCodec");
    QTest::addColumn<int>("sampleRate");
    QTest::addColumn<QStringList>("subtitles");

    const QSize none(0, 0);
    QTest::newRow("mp4 libx264 aac, pillar boxes")
        << "av.mp4" << profile("MP4", "libx264", "aac", QSize(640, 360)) << false << qint64(0) << "mp4" << "h264"
        << QSize(640, 360) << "aac" << 44100 << QStringList();
    QTest::newRow("mp4 keeps mov_text")
        << "subs.mkv" << profile("MP4", "libx264", "aac", QSize(320, 240)) << true << qint64(0) << "mp4" << "h264"
        << QSize(320, 240) << "aac" << 44100 << QStringList{"mov_text", "mov_text"};
    QTest::newRow("mkv keeps subtitles")
        << "subs.mp4" << profile("MKV", "libx264", "aac", QSize(320, 240)) << true << qint64(0) << "matroska" << "h264"
        << QSize(320, 240) << "aac" << 44100 << QStringList{"subrip"};
    QTest::newRow("mkv copies subrip")
        << "subs.mkv" << profile("MKV", "mpeg4", "libmp3lame", QSize(320, 240)) << true << qint64(0) << "matroska"
        << "mpeg4" << QSize(320, 240) << "mp3" << 44100 << QStringList{"subrip", "subrip"};
    QTest::newRow("mkv without keeping subtitles")
        << "subs.mkv" << profile("MKV", "libx264", "aac", QSize(320, 240)) << false << qint64(0) << "matroska" << "h264"
        << QSize(320, 240) << "aac" << 44100 << QStringList();
    QTest::newRow("webm vp8 vorbis")
        << "av.mp4" << profile("WEBM", "libvpx", "libvorbis", QSize(160, 120)) << false << qint64(2) << "webm" << "vp8"
        << QSize(160, 120) << "vorbis" << 44100 << QStringList();
    QTest::newRow("webm vp9 opus at 44.1 kHz, webvtt")
        << "subs.mkv" << profile("WEBM", "libvpx-vp9", "libopus", QSize(160, 120)) << true << qint64(2) << "webm"
        << "vp9" << QSize(160, 120) << "opus" << 48000 << QStringList{"webvtt", "webvtt"};
    QTest::newRow("avi drops subtitles")
        << "subs.mkv" << profile("AVI", "mpeg4", "libmp3lame", QSize(320, 180)) << true << qint64(0) << "avi" << "mpeg4"
        << QSize(320, 180) << "mp3" << 44100 << QStringList();
    QTest::newRow("flv")
        << "av.mp4" << profile("FLV", "flv", "libmp3lame", QSize(320, 240)) << false << qint64(0) << "flv" << "flv1"
        << QSize(320, 240) << "mp3" << 44100 << QStringList();
    QTest::newRow("mp3 audio only")
        << "subs.mkv" << profile("MP3", "", "libmp3lame", none) << true << qint64(0) << "mp3" << "" << none << "mp3"
        << 44100 << QStringList();
    QTest::newRow("m4a audio only")
        << "av.mp4" << profile("M4A", "", "aac", none) << false << qint64(0) << "mp4" << "" << none << "aac" << 44100
        << QStringList();

    Kel::MediaProfile lossless = profile("FLAC", "", "flac", none, -1);
    lossless.aBitRate = -1;
    QTest::newRow("flac with unknown rates")
        << "av.mp4" << lossless << false << qint64(0) << "flac" << "" << none << "flac" << 48000 << QStringList();

    Kel::MediaProfile same = profile("MP4", "libx264", "aac", QSize(640, 360));
    same.sameAsSource = true;
    same.frameRate = 25;
    same.vBitRate = -1;
    QTest::newRow("same as source") << "av.mp4" << same << false << qint64(0) << "mp4" << "h264" << QSize(320, 240)
                                    << "aac" << 44100 << QStringList();

    Kel::MediaProfile openSize = profile("MOV", "mpeg4", "aac", QSize(-1, -1));
    openSize.autoBitRate = true;
    QTest::newRow("unknown target size keeps the source's")
        << "av.mp4" << openSize << false << qint64(0) << "mov" << "mpeg4" << QSize(320, 240) << "aac" << 44100
        << QStringList();
}

void TestTranscoder::convert()
{
    QFETCH(QString, source);
    QFETCH(Kel::MediaProfile, profile);
    QFETCH(bool, keepSubtitles);
    QFETCH(qint64, limit);
    QFETCH(QString, container);
    QFETCH(QString, vCodec);
    QFETCH(QSize, size);
    QFETCH(QString, aCodec);
    QFETCH(int, sampleRate);
    QFETCH(QStringList, subtitles);

    ConvertJob job = makeJob(source, profile, QStringLiteral("%1.%2").arg(QTest::currentDataTag(), profile.format.toLower()));
    job.keepSubtitles = keepSubtitles;
    job.durationLimit = limit;
    QFile::remove(job.target);

    QScopedPointer<MediaConverter> converter(MediaConverterFactory::instance()->createConverter());
    QSignalSpy started(converter.data(), &MediaConverter::started);
    QSignalSpy progress(converter.data(), &MediaConverter::progress);
    QSignalSpy failed(converter.data(), &MediaConverter::error);
    QSignalSpy finished(converter.data(), &MediaConverter::finished);

    converter->convert(job);
    QCOMPARE(started.count(), 1);
    QTRY_VERIFY_WITH_TIMEOUT(finished.count() + failed.count() > 0, ConversionTimeoutMs);
    QVERIFY2(failed.isEmpty(), qPrintable(QStringLiteral("error %1").arg(failed.value(0).value(0).toInt())));
    QCOMPARE(finished.count(), 1);

    qint64 last = 0;
    for (const QList<QVariant> &step : qAsConst(progress)) {
        QCOMPARE(step.at(0).toLongLong(), qint64(100));
        QVERIFY(step.at(1).toLongLong() >= last);
        QVERIFY(step.at(1).toLongLong() < 100);
        QCOMPARE(step.at(2).toLongLong(), qint64(0));
        last = step.at(1).toLongLong();
    }

    const TestTools::ProbeResult result = TestTools::probeStreams(job.target);
    QVERIFY2(result.ok, qPrintable(result.error));
    QVERIFY2(result.formatName.split(QLatin1Char(',')).contains(container), qPrintable(result.formatName));
    if (vCodec.isEmpty()) {
        QCOMPARE(result.count("video"), 0);
    } else {
        QCOMPARE(result.count("video"), 1);
        const TestTools::StreamInfo video = result.streamsOfType("video").first();
        QCOMPARE(video.codecName, vCodec);
        QCOMPARE(QSize(video.width, video.height), size);
    }
    QCOMPARE(result.count("audio"), 1);
    const TestTools::StreamInfo audio = result.streamsOfType("audio").first();
    QCOMPARE(audio.codecName, aCodec);
    QCOMPARE(audio.sampleRate, sampleRate);
    QCOMPARE(audio.channels, 2);

    QStringList subtitleCodecs;
    for (const TestTools::StreamInfo &stream : result.streamsOfType("subtitle"))
        subtitleCodecs << stream.codecName;
    QCOMPARE(subtitleCodecs, subtitles);

    const double expected = limit > 0 ? double(limit) : double(job.sourceInfo.duration);
    QVERIFY2(qAbs(result.duration - expected) < 0.6, qPrintable(QString::number(result.duration)));
}

void TestTranscoder::pauseStopsUntilResume()
{
    const ConvertJob job = makeJob("long.mp4", profile("MP4", "libx264", "aac", QSize(640, 360)), "paused.mp4");
    QFile::remove(job.target);
    QScopedPointer<MediaConverter> converter(MediaConverterFactory::instance()->createConverter());
    QSignalSpy progress(converter.data(), &MediaConverter::progress);
    QSignalSpy failed(converter.data(), &MediaConverter::error);
    QSignalSpy finished(converter.data(), &MediaConverter::finished);

    converter->convert(job);
    QVERIFY(progress.wait(60000));
    QVERIFY2(finished.isEmpty(), "the conversion ended before it could be paused");

    QVERIFY(converter->pause());
    QVERIFY(!converter->pause());
    const QList<qint64> children = childFfmpegProcesses();
    QCOMPARE(children.size(), 1);
    QCOMPARE(processState(children.first()), 'T');

    // Output already on its way when the process stopped may still arrive.
    QTest::qWait(200);
    const int progressWhilePaused = progress.count();
    const qint64 sizeWhilePaused = workFileSize(job.target);
    QVERIFY(sizeWhilePaused >= 0);
    QTest::qWait(1500);
    QCOMPARE(progress.count(), progressWhilePaused);
    QCOMPARE(workFileSize(job.target), sizeWhilePaused);
    QVERIFY(finished.isEmpty());
    QVERIFY(failed.isEmpty());

    QVERIFY(converter->resume());
    QVERIFY(!converter->resume());
    QVERIFY(processState(children.first()) != 'T');
    QTRY_VERIFY_WITH_TIMEOUT(finished.count() + failed.count() > 0, ConversionTimeoutMs);
    QVERIFY(failed.isEmpty());
    QVERIFY(progress.count() > progressWhilePaused);

    const TestTools::ProbeResult result = TestTools::probeStreams(job.target);
    QVERIFY2(result.ok, qPrintable(result.error));
    QVERIFY2(qAbs(result.duration - LongSourceSeconds) < 0.6, qPrintable(QString::number(result.duration)));
    QCOMPARE(result.count("video"), 1);
    QCOMPARE(result.count("audio"), 1);
}

void TestTranscoder::pauseAndResumeNeedARunningConversion()
{
    QScopedPointer<MediaConverter> converter(MediaConverterFactory::instance()->createConverter());
    QVERIFY(!converter->pause());
    QVERIFY(!converter->resume());

    const ConvertJob job = makeJob("long.mp4", profile("MP4", "libx264", "aac", QSize(640, 360)), "resume.mp4");
    QSignalSpy progress(converter.data(), &MediaConverter::progress);
    converter->convert(job);
    QVERIFY(progress.wait(60000));
    QVERIFY(!converter->resume());
    converter->cancel();
    QVERIFY(!converter->pause());
}

void TestTranscoder::cancelRemovesTheUnfinishedTarget()
{
    const ConvertJob job = makeJob("long.mp4", profile("MKV", "libx264", "aac", QSize(640, 360)), "canceled.mkv");
    QScopedPointer<MediaConverter> converter(MediaConverterFactory::instance()->createConverter());
    QSignalSpy progress(converter.data(), &MediaConverter::progress);
    QSignalSpy failed(converter.data(), &MediaConverter::error);
    QSignalSpy finished(converter.data(), &MediaConverter::finished);

    converter->convert(job);
    QVERIFY(progress.wait(60000));
    // The unfinished result never carries the target's name.
    QVERIFY(!QFileInfo::exists(job.target));
    QCOMPARE(workFiles(job.target).size(), 1);
    converter->cancel();
    QVERIFY(!QFileInfo::exists(job.target));
    QVERIFY(workFiles(job.target).isEmpty());
    QVERIFY(childFfmpegProcesses().isEmpty());
    QCoreApplication::processEvents();
    QVERIFY(failed.isEmpty());
    QVERIFY(finished.isEmpty());
}

void TestTranscoder::cancelWhilePaused()
{
    const ConvertJob job = makeJob("long.mp4", profile("MP4", "libx264", "aac", QSize(640, 360)), "pausedcancel.mp4");
    QScopedPointer<MediaConverter> converter(MediaConverterFactory::instance()->createConverter());
    QSignalSpy progress(converter.data(), &MediaConverter::progress);
    QSignalSpy failed(converter.data(), &MediaConverter::error);

    converter->convert(job);
    QVERIFY(progress.wait(60000));
    QVERIFY(converter->pause());
    converter->cancel();
    QVERIFY(!QFileInfo::exists(job.target));
    QVERIFY(childFfmpegProcesses().isEmpty());
    QCoreApplication::processEvents();
    QVERIFY(failed.isEmpty());
}

void TestTranscoder::clearKeepsAFinishedTarget()
{
    const ConvertJob job = makeJob("video.mp4", profile("MP4", "libx264", "aac", QSize(176, 144)), "cleared.mp4");
    QScopedPointer<MediaConverter> converter(MediaConverterFactory::instance()->createConverter());
    QSignalSpy finished(converter.data(), &MediaConverter::finished);
    QSignalSpy failed(converter.data(), &MediaConverter::error);
    converter->convert(job);
    QTRY_VERIFY_WITH_TIMEOUT(finished.count() + failed.count() > 0, ConversionTimeoutMs);
    QCOMPARE(finished.count(), 1);
    QCOMPARE(converter->resultFile(), job.target);
    converter->clear();
    QVERIFY(QFileInfo::exists(job.target));

    // A converter that never finished removes what it wrote.
    const ConvertJob other = makeJob("long.mp4", profile("MP4", "libx264", "aac", QSize(640, 360)), "unfinished.mp4");
    QScopedPointer<MediaConverter> second(MediaConverterFactory::instance()->createConverter());
    QSignalSpy progress(second.data(), &MediaConverter::progress);
    second->convert(other);
    QVERIFY(progress.wait(60000));
    second->clear();
    QVERIFY(!QFileInfo::exists(other.target));
    QVERIFY(workFiles(other.target).isEmpty());
    QVERIFY(childFfmpegProcesses().isEmpty());
}

void TestTranscoder::corruptSourceEndsInError()
{
    const ConvertJob job = makeJob("corrupt.mp4", profile("MP4", "libx264", "aac", QSize(640, 360)), "corrupt.mp4");
    QVERIFY(!job.sourceInfo.isValid());
    QScopedPointer<MediaConverter> converter(MediaConverterFactory::instance()->createConverter());
    QSignalSpy failed(converter.data(), &MediaConverter::error);
    QSignalSpy finished(converter.data(), &MediaConverter::finished);

    converter->convert(job);
    QVERIFY(failed.wait(60000));
    QCOMPARE(failed.first().first().toInt(), int(MediaConverter::ConverterFailed));
    QVERIFY(finished.isEmpty());
    QVERIFY(!QFileInfo::exists(job.target));
}

void TestTranscoder::crashedConverterIsReported()
{
    const ConvertJob job = makeJob("long.mp4", profile("MP4", "libx264", "aac", QSize(640, 360)), "crashed.mp4");
    QScopedPointer<MediaConverter> converter(MediaConverterFactory::instance()->createConverter());
    QSignalSpy progress(converter.data(), &MediaConverter::progress);
    QSignalSpy failed(converter.data(), &MediaConverter::error);
    QSignalSpy finished(converter.data(), &MediaConverter::finished);

    converter->convert(job);
    QVERIFY(progress.wait(60000));
    const QList<qint64> children = childFfmpegProcesses();
    QCOMPARE(children.size(), 1);
    QCOMPARE(::kill(pid_t(children.first()), SIGSEGV), 0);
    QVERIFY(failed.wait(30000));
    QCOMPARE(failed.first().first().toInt(), int(MediaConverter::ConverterCrashed));
    QVERIFY(finished.isEmpty());
    QVERIFY(!QFileInfo::exists(job.target));
    QVERIFY(workFiles(job.target).isEmpty());
}

void TestTranscoder::targetThatIsTheSourceIsRefused()
{
    QVERIFY(QFile::copy(media("av.mp4"), media("own.mp4")));
    QVERIFY(QFile::link(media("own.mp4"), media("own-link.mp4")));
    const QByteArray before = TestTools::probeStreams(media("own.mp4")).formatName.toUtf8();
    const qint64 size = QFileInfo(media("own.mp4")).size();

    for (const QString &target : {media("own.mp4"), media("own-link.mp4"), dir.path() + QStringLiteral("/out/../own.mp4")}) {
        ConvertJob job = makeJob("own.mp4", profile("MP4", "libx264", "aac", QSize(320, 240)), "unused.mp4");
        job.target = target;
        QScopedPointer<MediaConverter> converter(MediaConverterFactory::instance()->createConverter());
        QSignalSpy failed(converter.data(), &MediaConverter::error);
        QSignalSpy finished(converter.data(), &MediaConverter::finished);
        converter->convert(job);
        QVERIFY(failed.wait(30000));
        QCOMPARE(failed.first().first().toInt(), int(MediaConverter::ConverterFailed));
        converter->clear();
        QVERIFY(finished.isEmpty());
        QCOMPARE(QFileInfo(media("own.mp4")).size(), size);
    }
    QCOMPARE(TestTools::probeStreams(media("own.mp4")).formatName.toUtf8(), before);
}

void TestTranscoder::converterThatCannotStartIsReported()
{
    // A program the system cannot start (its interpreter is missing): the one
    // fault real ffmpeg cannot show.
    const QString fakeDir = dir.filePath(QStringLiteral("broken-app"));
    QVERIFY(QDir().mkpath(fakeDir));
    QFile fake(fakeDir + QStringLiteral("/ffmpeg"));
    QVERIFY(fake.open(QIODevice::WriteOnly));
    fake.write("#!/nonexistent/interpreter\n");
    fake.close();
    QVERIFY(fake.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));

    ConvertJob job = makeJob("av.mp4", profile("MP4", "libx264", "aac", QSize(320, 240)), "notstarted.mp4");
    job.ffmpegDir = fakeDir;
    QScopedPointer<MediaConverter> converter(MediaConverterFactory::instance()->createConverter());
    QSignalSpy failed(converter.data(), &MediaConverter::error);
    QSignalSpy finished(converter.data(), &MediaConverter::finished);
    converter->convert(job);
    QVERIFY(failed.wait(30000));
    QCOMPARE(failed.count(), 1);
    QCOMPARE(failed.first().first().toInt(), int(MediaConverter::ConverterNotStarted));
    QVERIFY(finished.isEmpty());
    QVERIFY(!QFileInfo::exists(job.target));
}

QTEST_GUILESS_MAIN(TestTranscoder)
#include "tst_transcoder.moc"
