#include "transcoder/convertjob.h"
#include "transcoder/ffmpegarguments.h"
#include "transcoder/framegeometry.h"

#include <QtTest>

using Kel::ConvertJob;
using Kel::FfmpegArguments;
using Kel::FrameGeometry;
using Kel::SubtitleStream;

namespace {

Kel::FileMediaInfo source43()
{
    Kel::FileMediaInfo info;
    info.format = QStringLiteral("mov,mp4,m4a,3gp,3g2,mj2");
    info.type = Kel::Video;
    info.resolution = QSize(640, 480);
    info.aspect = QSize(4, 3);
    info.vCodec = QStringLiteral("h264");
    info.vBitRate = 2000000;
    info.frameRate = 25;
    info.aCodec = QStringLiteral("aac");
    info.aBitRate = 128000;
    info.aSampleRate = 48000;
    info.duration = 181;
    return info;
}

Kel::MediaProfile videoProfile(const QString &format, const QString &vCodec, const QString &aCodec)
{
    Kel::MediaProfile profile;
    profile.name = QStringLiteral("test");
    profile.type = Kel::Video;
    profile.format = format;
    profile.vCodec = vCodec;
    profile.aCodec = aCodec;
    profile.resolution = QSize(640, 360);
    profile.vBitRate = 1500000;
    profile.aBitRate = 128000;
    profile.aSampleRate = 44100;
    profile.frameRate = 0;
    return profile;
}

ConvertJob job(const Kel::MediaProfile &profile)
{
    ConvertJob job;
    job.source = QStringLiteral("/media/in put.mp4");
    job.target = QStringLiteral("/media/out.") + profile.format.toLower();
    job.profile = profile;
    job.sourceInfo = source43();
    job.ffmpegDir = QStringLiteral("/opt/app");
    return job;
}

// The value following option, or a null text when the option is absent.
QString valueOf(const QStringList &args, const QString &option)
{
    const int at = args.indexOf(option);
    return at >= 0 && at + 1 < args.size() ? args.at(at + 1) : QString();
}

SubtitleStream subtitle(SubtitleStream::Kind kind, const char *codec)
{
    SubtitleStream stream;
    stream.kind = kind;
    stream.codec = QString::fromLatin1(codec);
    return stream;
}

} // namespace

class TestFfmpegArguments : public QObject
{
    Q_OBJECT

private slots:
    void fullListForLibx264();
    void libx264WithoutFrameRate();
    void audioOnlyTargets_data();
    void audioOnlyTargets();
    void unknownValuesAreLeftOut_data();
    void unknownValuesAreLeftOut();
    void autoBitRateTakesSourceRate();
    void durationLimit_data();
    void durationLimit();
    void sameAsSource();
    void autoResolution();
    void targetWithUnknownDimensionKeepsSourceSize_data();
    void targetWithUnknownDimensionKeepsSourceSize();
    void noFrameSizeWhenNothingIsKnown();

    void frameGeometry_data();
    void frameGeometry();
    void boxesAreEvenAndEqual_data();
    void boxesAreEvenAndEqual();

    void subtitlesDroppedUnlessKept();
    void subtitleCodecPerContainer_data();
    void subtitleCodecPerContainer();
    void keptSubtitlesAreMappedOneByOne();
    void containerWithoutSubtitlesDropsThem();
    void audioTargetNeverMapsSubtitles();
};

void TestFfmpegArguments::fullListForLibx264()
{
    const QStringList args = FfmpegArguments::build(job(videoProfile(QStringLiteral("MP4"), QStringLiteral("libx264"),
                                                                     QStringLiteral("aac"))));
    const QStringList expected = {
        "-i",       "/media/in put.mp4", "-b:a",  "128k",      "-acodec", "aac",     "-ar",
        "44100",    "-ac",               "2",     "-vcodec",   "libx264", "-b:v",    "1500k",
        "-r",       "29.97",             "-pix_fmt", "yuv420p", "-sn",    "-preset", "ultrafast",
        "-vf",      "scale=480:360,pad=640:360:80:0",  "-aspect", "1.7778", "-y",    "/media/out.mp4"};
    QCOMPARE(args, expected);
}

void TestFfmpegArguments::libx264WithoutFrameRate()
{
    Kel::MediaProfile profile = videoProfile(QStringLiteral("MKV"), QStringLiteral("libx264"), QStringLiteral("aac"));
    profile.frameRate = 0;
    const QStringList args = FfmpegArguments::build(job(profile));
    QCOMPARE(valueOf(args, "-r"), QStringLiteral("29.97"));
    QCOMPARE(valueOf(args, "-preset"), QStringLiteral("ultrafast"));
    QVERIFY(!args.contains("-vpre"));

    profile.vCodec = QStringLiteral("mpeg4");
    profile.frameRate = 23.976;
    const QStringList other = FfmpegArguments::build(job(profile));
    QCOMPARE(valueOf(other, "-r"), QStringLiteral("23.976"));
    QVERIFY(!other.contains("-preset"));
}

void TestFfmpegArguments::audioOnlyTargets_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("aCodec");

    QTest::newRow("mp3") << "mp3" << int(Kel::UnknownMedia) << "libmp3lame";
    QTest::newRow("MP3") << "MP3" << int(Kel::Audio) << "libmp3lame";
    QTest::newRow("M4A") << "M4A" << int(Kel::Audio) << "aac";
    QTest::newRow("WAV") << "WAV" << int(Kel::Audio) << "pcm_s16le";
    QTest::newRow("FLAC") << "FLAC" << int(Kel::Audio) << "flac";
    QTest::newRow("audio profile in MP4") << "MP4" << int(Kel::Audio) << "aac";
}

void TestFfmpegArguments::audioOnlyTargets()
{
    QFETCH(QString, format);
    QFETCH(int, type);
    QFETCH(QString, aCodec);

    Kel::MediaProfile profile = videoProfile(format, QStringLiteral("libx264"), aCodec);
    profile.type = Kel::MediaType(type);
    ConvertJob audioJob = job(profile);
    audioJob.keepSubtitles = true;
    const QStringList args = FfmpegArguments::build(audioJob, {subtitle(SubtitleStream::Text, "subrip")});

    QVERIFY(args.contains("-vn"));
    QVERIFY(args.contains("-sn"));
    for (const char *videoOption : {"-vcodec", "-b:v", "-r", "-pix_fmt", "-vf", "-aspect", "-preset", "-qscale", "-map"})
        QVERIFY2(!args.contains(videoOption), videoOption);
    QCOMPARE(valueOf(args, "-acodec"), aCodec);
    QCOMPARE(valueOf(args, "-ac"), QStringLiteral("2"));
    QCOMPARE(args.last(), audioJob.target);
}

void TestFfmpegArguments::unknownValuesAreLeftOut_data()
{
    QTest::addColumn<int>("aBitRate");
    QTest::addColumn<int>("aSampleRate");
    QTest::addColumn<int>("vBitRate");

    QTest::newRow("zero") << 0 << 0 << 0;
    QTest::newRow("minus one") << -1 << -1 << -1;
    QTest::newRow("below one kilobit") << 999 << 0 << 500;
}

void TestFfmpegArguments::unknownValuesAreLeftOut()
{
    QFETCH(int, aBitRate);
    QFETCH(int, aSampleRate);
    QFETCH(int, vBitRate);

    Kel::MediaProfile profile = videoProfile(QStringLiteral("MKV"), QStringLiteral("libx264"), QStringLiteral("flac"));
    profile.aBitRate = aBitRate;
    profile.aSampleRate = aSampleRate;
    profile.vBitRate = vBitRate;
    const QStringList args = FfmpegArguments::build(job(profile));
    QVERIFY(!args.contains("-b:a"));
    QVERIFY(!args.contains("-ar"));
    QVERIFY(!args.contains("-b:v"));
    QCOMPARE(valueOf(args, "-acodec"), QStringLiteral("flac"));

    profile.aCodec.clear();
    profile.vCodec.clear();
    const QStringList open = FfmpegArguments::build(job(profile));
    QVERIFY(!open.contains("-acodec"));
    QVERIFY(!open.contains("-vcodec"));
}

void TestFfmpegArguments::autoBitRateTakesSourceRate()
{
    Kel::MediaProfile profile = videoProfile(QStringLiteral("MP4"), QStringLiteral("libx264"), QStringLiteral("aac"));
    profile.autoBitRate = true;
    ConvertJob autoJob = job(profile);
    QCOMPARE(valueOf(FfmpegArguments::build(autoJob), "-b:v"), QStringLiteral("2000k"));

    autoJob.sourceInfo.vBitRate = 0;
    QVERIFY(!FfmpegArguments::build(autoJob).contains("-b:v"));
}

void TestFfmpegArguments::durationLimit_data()
{
    QTest::addColumn<qint64>("limit");
    QTest::addColumn<QStringList>("head");

    QTest::newRow("whole file") << qint64(0) << QStringList{"-i", "/media/in put.mp4"};
    QTest::newRow("negative") << qint64(-1) << QStringList{"-i", "/media/in put.mp4"};
    QTest::newRow("thirty seconds") << qint64(30) << QStringList{"-t", "30", "-i", "/media/in put.mp4"};
}

void TestFfmpegArguments::durationLimit()
{
    QFETCH(qint64, limit);
    QFETCH(QStringList, head);

    ConvertJob limited = job(videoProfile(QStringLiteral("MP4"), QStringLiteral("libx264"), QStringLiteral("aac")));
    limited.durationLimit = limit;
    const QStringList args = FfmpegArguments::build(limited);
    QCOMPARE(args.mid(0, head.size()), head);
    const QStringList tail = limit > 0 ? QStringList{"-t", QString::number(limit), "-y", limited.target}
                                       : QStringList{"-aspect", "1.7778", "-y", limited.target};
    QCOMPARE(args.mid(args.size() - tail.size()), tail);
}

void TestFfmpegArguments::sameAsSource()
{
    Kel::MediaProfile profile = videoProfile(QStringLiteral("AVI"), QStringLiteral("mpeg4"), QStringLiteral("libmp3lame"));
    profile.sameAsSource = true;
    const QStringList args = FfmpegArguments::build(job(profile));
    QCOMPARE(valueOf(args, "-qscale"), QStringLiteral("0"));
    QCOMPARE(valueOf(args, "-vf"), QStringLiteral("scale=640:480,pad=640:480:"));
    QCOMPARE(valueOf(args, "-aspect"), QStringLiteral("1.3333"));
}

void TestFfmpegArguments::autoResolution()
{
    Kel::MediaProfile profile = videoProfile(QStringLiteral("MP4"), QStringLiteral("libx264"), QStringLiteral("aac"));
    profile.autoResolution = true;
    ConvertJob autoJob = job(profile);
    autoJob.sourceInfo.resolution = QSize(853, 481);
    autoJob.sourceInfo.aspect = QSize(0, 0);
    const QStringList args = FfmpegArguments::build(autoJob);
    QVERIFY(!args.contains("-qscale"));
    QCOMPARE(valueOf(args, "-vf"), QStringLiteral("scale=854:482,pad=854:482:"));
}

void TestFfmpegArguments::targetWithUnknownDimensionKeepsSourceSize_data()
{
    QTest::addColumn<QSize>("profileSize");
    QTest::newRow("unknown") << QSize(-1, -1);
    QTest::newRow("no height") << QSize(640, -1);
    QTest::newRow("zero width") << QSize(0, 360);
}

void TestFfmpegArguments::targetWithUnknownDimensionKeepsSourceSize()
{
    QFETCH(QSize, profileSize);
    Kel::MediaProfile profile = videoProfile(QStringLiteral("MP4"), QStringLiteral("libx264"), QStringLiteral("aac"));
    profile.resolution = profileSize;
    QCOMPARE(FrameGeometry::targetSize(profile, source43()), QSize(640, 480));
    QCOMPARE(valueOf(FfmpegArguments::build(job(profile)), "-vf"), QStringLiteral("scale=640:480,pad=640:480:"));
}

void TestFfmpegArguments::noFrameSizeWhenNothingIsKnown()
{
    Kel::MediaProfile profile = videoProfile(QStringLiteral("MP4"), QStringLiteral("libx264"), QStringLiteral("aac"));
    profile.resolution = QSize(-1, -1);
    ConvertJob unknown = job(profile);
    unknown.sourceInfo.resolution = QSize(-1, -1);
    const QStringList args = FfmpegArguments::build(unknown);
    QVERIFY(!args.contains("-vf"));
    QVERIFY(!args.contains("-aspect"));
    QVERIFY(!FrameGeometry::compute(QSize(0, 0), QSize(640, 480), QSize(4, 3)).isValid());
}

void TestFfmpegArguments::frameGeometry_data()
{
    QTest::addColumn<QSize>("target");
    QTest::addColumn<QSize>("source");
    QTest::addColumn<QSize>("aspect");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("ratio");

    QTest::newRow("16:9 from 4:3: pillar boxes")
        << QSize(640, 360) << QSize(640, 480) << QSize(4, 3) << "scale=480:360,pad=640:360:80:0" << "1.7778";
    QTest::newRow("4:3 from 16:9: letter boxes")
        << QSize(640, 480) << QSize(640, 360) << QSize(16, 9) << "scale=640:360,pad=640:480:0:60" << "1.3333";
    QTest::newRow("same ratio, smaller")
        << QSize(640, 360) << QSize(1280, 720) << QSize(16, 9) << "scale=640:360,pad=640:360:" << "1.7778";
    QTest::newRow("odd target rounded up to even")
        << QSize(641, 361) << QSize(1280, 720) << QSize(16, 9) << "scale=642:362,pad=642:362:" << "1.7735";
    QTest::newRow("anamorphic source shown 16:9")
        << QSize(1280, 720) << QSize(720, 576) << QSize(16, 9) << "scale=1280:720,pad=1280:720:" << "1.7778";
    QTest::newRow("anamorphic source into 4:3")
        << QSize(640, 480) << QSize(720, 576) << QSize(16, 9) << "scale=640:360,pad=640:480:0:60" << "1.3333";
    QTest::newRow("unknown aspect uses the frame")
        << QSize(640, 360) << QSize(320, 240) << QSize(0, 0) << "scale=480:360,pad=640:360:80:0" << "1.7778";
    QTest::newRow("unknown source: scale only")
        << QSize(640, 360) << QSize(-1, -1) << QSize(0, 0) << "scale=640:360,pad=640:360:" << "1.7778";
    QTest::newRow("nearly equal ratios need no boxes")
        << QSize(640, 360) << QSize(1366, 768) << QSize(683, 384) << "scale=640:360,pad=640:360:" << "1.7778";
    QTest::newRow("portrait into landscape")
        << QSize(1280, 720) << QSize(720, 1280) << QSize(9, 16) << "scale=404:720,pad=1280:720:438:0" << "1.7778";
}

void TestFfmpegArguments::frameGeometry()
{
    QFETCH(QSize, target);
    QFETCH(QSize, source);
    QFETCH(QSize, aspect);
    QFETCH(QString, filter);
    QFETCH(QString, ratio);

    const FrameGeometry geometry = FrameGeometry::compute(target, source, aspect);
    QVERIFY(geometry.isValid());
    QCOMPARE(geometry.filterText(), filter);
    QCOMPARE(geometry.aspectText(), ratio);
    QCOMPARE(geometry.arguments(), (QStringList{"-vf", filter, "-aspect", ratio}));
}

void TestFfmpegArguments::boxesAreEvenAndEqual_data()
{
    QTest::addColumn<QSize>("target");
    QTest::addColumn<QSize>("source");
    QTest::addColumn<QSize>("aspect");

    QTest::newRow("4:3 -> 16:9") << QSize(640, 360) << QSize(640, 480) << QSize(4, 3);
    QTest::newRow("16:9 -> 4:3") << QSize(640, 480) << QSize(1920, 1080) << QSize(16, 9);
    QTest::newRow("2.39:1 -> 16:9") << QSize(1280, 720) << QSize(1920, 804) << QSize(160, 67);
    QTest::newRow("4:3 -> 21:9") << QSize(2560, 1080) << QSize(1024, 768) << QSize(4, 3);
    QTest::newRow("tall -> 4:3") << QSize(320, 240) << QSize(100, 1000) << QSize(1, 10);
    QTest::newRow("wide -> 3:4") << QSize(240, 320) << QSize(1000, 100) << QSize(10, 1);
}

void TestFfmpegArguments::boxesAreEvenAndEqual()
{
    QFETCH(QSize, target);
    QFETCH(QSize, source);
    QFETCH(QSize, aspect);

    const FrameGeometry geometry = FrameGeometry::compute(target, source, aspect);
    QVERIFY(geometry.isPadded());
    const QSize frame = geometry.frameSize();
    const QSize scaled = geometry.scaledSize();
    const QPoint offset = geometry.padOffset();
    QVERIFY(scaled.width() >= 2 && scaled.height() >= 2);
    QCOMPARE(offset.x() % 2, 0);
    QCOMPARE(offset.y() % 2, 0);
    QCOMPARE(scaled.width() % 2, 0);
    QCOMPARE(scaled.height() % 2, 0);
    QCOMPARE(scaled.width() + 2 * offset.x(), frame.width());
    QCOMPARE(scaled.height() + 2 * offset.y(), frame.height());
    QVERIFY(offset.x() == 0 || offset.y() == 0);
    // The picture keeps its proportions within the rounding to even numbers.
    const double shown = double(aspect.width()) / aspect.height();
    QVERIFY2(qAbs(double(scaled.width()) / scaled.height() - shown) / shown < 0.05,
             qPrintable(geometry.filterText()));
}

void TestFfmpegArguments::subtitlesDroppedUnlessKept()
{
    ConvertJob plain = job(videoProfile(QStringLiteral("MP4"), QStringLiteral("libx264"), QStringLiteral("aac")));
    const QStringList args = FfmpegArguments::build(plain, {subtitle(SubtitleStream::Text, "mov_text")});
    QVERIFY(args.contains("-sn"));
    QVERIFY(!args.contains("-map"));
    QVERIFY(!args.join(' ').contains("-c:s"));
}

void TestFfmpegArguments::subtitleCodecPerContainer_data()
{
    QTest::addColumn<QString>("container");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("codec");
    QTest::addColumn<QString>("expected");

    const int text = SubtitleStream::Text;
    const int bitmap = SubtitleStream::Bitmap;
    QTest::newRow("mp4 text") << "mp4" << text << "subrip" << "mov_text";
    QTest::newRow("mov text") << "mov" << text << "webvtt" << "mov_text";
    QTest::newRow("mp4 bitmap") << "mp4" << bitmap << "dvd_subtitle" << "";
    QTest::newRow("mkv subrip") << "mkv" << text << "subrip" << "copy";
    QTest::newRow("mkv ass") << "mkv" << text << "ass" << "copy";
    QTest::newRow("mkv mov_text") << "mkv" << text << "mov_text" << "srt";
    QTest::newRow("mkv dvd") << "mkv" << bitmap << "dvd_subtitle" << "copy";
    QTest::newRow("mkv unknown bitmap") << "mkv" << bitmap << "xsub" << "";
    QTest::newRow("webm text") << "webm" << text << "mov_text" << "webvtt";
    QTest::newRow("webm bitmap") << "webm" << bitmap << "dvd_subtitle" << "";
    QTest::newRow("ts bitmap") << "ts" << bitmap << "dvd_subtitle" << "dvbsub";
    QTest::newRow("ts text") << "ts" << text << "subrip" << "";
    QTest::newRow("avi") << "avi" << text << "subrip" << "";
    QTest::newRow("flv") << "flv" << text << "subrip" << "";
    QTest::newRow("wmv") << "wmv" << text << "subrip" << "";
    QTest::newRow("unknown kind") << "mkv" << int(SubtitleStream::Unknown) << "eia_608" << "";
}

void TestFfmpegArguments::subtitleCodecPerContainer()
{
    QFETCH(QString, container);
    QFETCH(int, kind);
    QFETCH(QString, codec);
    QFETCH(QString, expected);

    SubtitleStream stream;
    stream.kind = SubtitleStream::Kind(kind);
    stream.codec = codec;
    QCOMPARE(FfmpegArguments::subtitleCodec(container, stream), expected);
}

void TestFfmpegArguments::keptSubtitlesAreMappedOneByOne()
{
    ConvertJob keep = job(videoProfile(QStringLiteral("MKV"), QStringLiteral("libx264"), QStringLiteral("aac")));
    keep.keepSubtitles = true;
    const QStringList args =
        FfmpegArguments::build(keep, {subtitle(SubtitleStream::Text, "mov_text"), subtitle(SubtitleStream::Bitmap, "xsub"),
                                      subtitle(SubtitleStream::Bitmap, "dvd_subtitle")});
    const QStringList head = {"-i", keep.source, "-map", "0:V:0?", "-map", "0:a:0?", "-map", "0:s:0", "-map", "0:s:2"};
    QCOMPARE(args.mid(0, head.size()), head);
    QCOMPARE(valueOf(args, "-c:s:0"), QStringLiteral("srt"));
    QCOMPARE(valueOf(args, "-c:s:1"), QStringLiteral("copy"));
    QVERIFY(!args.contains("-c:s:2"));
    QVERIFY(!args.contains("-sn"));
}

void TestFfmpegArguments::containerWithoutSubtitlesDropsThem()
{
    ConvertJob keep = job(videoProfile(QStringLiteral("AVI"), QStringLiteral("mpeg4"), QStringLiteral("libmp3lame")));
    keep.keepSubtitles = true;
    const QStringList args = FfmpegArguments::build(keep, {subtitle(SubtitleStream::Text, "subrip")});
    QVERIFY(args.contains("-sn"));
    QVERIFY(!args.contains("-map"));
    QVERIFY(!args.contains("mov_text"));

    keep.profile.format.clear();
    keep.target = QStringLiteral("/media/out.mp4");
    QCOMPARE(FfmpegArguments::containerOf(keep), QStringLiteral("mp4"));
    QCOMPARE(valueOf(FfmpegArguments::build(keep, {subtitle(SubtitleStream::Text, "subrip")}), "-c:s:0"),
             QStringLiteral("mov_text"));
}

void TestFfmpegArguments::audioTargetNeverMapsSubtitles()
{
    Kel::MediaProfile profile = videoProfile(QStringLiteral("M4A"), QString(), QStringLiteral("aac"));
    ConvertJob keep = job(profile);
    keep.keepSubtitles = true;
    const QStringList args = FfmpegArguments::build(keep, {subtitle(SubtitleStream::Text, "mov_text")});
    QVERIFY(!args.contains("-map"));
    QVERIFY(args.contains("-vn"));
    QVERIFY(args.contains("-sn"));
}

QTEST_APPLESS_MAIN(TestFfmpegArguments)
#include "tst_ffmpegarguments.moc"
