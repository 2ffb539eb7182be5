#include "transcoder/ffmpegarguments.h"

#include "transcoder/convertjob.h"
#include "transcoder/framegeometry.h"

#include <QFileInfo>
#include <QLocale>

namespace Kel {

namespace {

QString kiloBits(qint64 bitRate)
{
    return QStringLiteral("%1k").arg(bitRate / 1000);
}

bool isOneOf(const QString &value, std::initializer_list<const char *> names)
{
    for (const char *name : names) {
        if (value == QLatin1String(name))
            return true;
    }
    return false;
}

} // namespace

QStringList FfmpegArguments::build(const ConvertJob &job, const QList<SubtitleStream> &subtitles)
{
    const MediaProfile &profile = job.profile;
    const bool audioOnly = isAudioOnly(profile);

    QStringList args;
    if (job.durationLimit > 0)
        args << QStringLiteral("-t") << QString::number(job.durationLimit);
    args << QStringLiteral("-i") << job.source;

    // Kept subtitle streams need explicit stream maps, and once one map is
    // given ffmpeg selects nothing by itself.
    QStringList subtitleArgs;
    if (!audioOnly && job.keepSubtitles) {
        const QString container = containerOf(job);
        QStringList maps;
        for (int i = 0; i < subtitles.size(); ++i) {
            const QString codec = subtitleCodec(container, subtitles.at(i));
            if (codec.isEmpty())
                continue;
            maps << QStringLiteral("-map") << QStringLiteral("0:s:%1").arg(i);
            subtitleArgs << QStringLiteral("-c:s:%1").arg(subtitleArgs.size() / 2) << codec;
        }
        if (!maps.isEmpty()) {
            args << QStringLiteral("-map") << QStringLiteral("0:V:0?") << QStringLiteral("-map")
                 << QStringLiteral("0:a:0?") << maps;
        }
    }
    if (subtitleArgs.isEmpty())
        subtitleArgs << QStringLiteral("-sn");

    // Values below one kilobit or hertz are unknown: ffmpeg picks its own.
    if (profile.aBitRate >= 1000)
        args << QStringLiteral("-b:a") << kiloBits(profile.aBitRate);
    if (!profile.aCodec.isEmpty())
        args << QStringLiteral("-acodec") << profile.aCodec;
    if (profile.aSampleRate > 0)
        args << QStringLiteral("-ar") << QString::number(profile.aSampleRate);
    args << QStringLiteral("-ac") << QStringLiteral("2");

    if (audioOnly) {
        args << QStringLiteral("-vn") << QStringLiteral("-sn");
    } else {
        const double frameRate = profile.frameRate <= 0.001 ? DefaultFrameRate : profile.frameRate;
        if (!profile.vCodec.isEmpty())
            args << QStringLiteral("-vcodec") << profile.vCodec;
        const qint64 vBitRate = profile.autoBitRate ? job.sourceInfo.vBitRate : profile.vBitRate;
        if (vBitRate >= 1000)
            args << QStringLiteral("-b:v") << kiloBits(vBitRate);
        args << QStringLiteral("-r") << QString::number(frameRate, 'g', QLocale::FloatingPointShortest);
        args << QStringLiteral("-pix_fmt") << QStringLiteral("yuv420p");
        args << subtitleArgs;
        if (profile.vCodec == QLatin1String("libx264"))
            args << QStringLiteral("-preset") << QStringLiteral("ultrafast");
        if (profile.sameAsSource)
            args << QStringLiteral("-qscale") << QStringLiteral("0");
        const QSize target = FrameGeometry::targetSize(profile, job.sourceInfo);
        args << FrameGeometry::compute(target, job.sourceInfo.resolution, job.sourceInfo.aspect).arguments();
    }

    // The input limit does not reach encoded subtitles; this one ends every stream.
    if (job.durationLimit > 0)
        args << QStringLiteral("-t") << QString::number(job.durationLimit);
    args << QStringLiteral("-y") << job.target;
    return args;
}

bool FfmpegArguments::isAudioOnly(const MediaProfile &profile)
{
    if (profile.type == Audio)
        return true;
    const QString format = profile.format.toLower();
    return isOneOf(format, {"mp3", "m4a", "m4r", "wav", "flac", "aac", "ac3", "wma", "opus", "oga",
                            "mka", "aif", "aiff", "amr", "au"});
}

QString FfmpegArguments::containerOf(const ConvertJob &job)
{
    if (!job.profile.format.isEmpty())
        return job.profile.format.toLower();
    return QFileInfo(job.target).suffix().toLower();
}

QString FfmpegArguments::subtitleCodec(const QString &container, const SubtitleStream &stream)
{
    const bool text = stream.kind == SubtitleStream::Text;
    const bool bitmap = stream.kind == SubtitleStream::Bitmap;
    if (isOneOf(container, {"mp4", "m4v", "mov", "3gp", "3g2"}))
        return text ? QStringLiteral("mov_text") : QString();
    if (container == QLatin1String("mkv")) {
        if (text) {
            return isOneOf(stream.codec, {"subrip", "ass", "ssa", "webvtt"}) ? QStringLiteral("copy")
                                                                             : QStringLiteral("srt");
        }
        if (bitmap && isOneOf(stream.codec, {"dvd_subtitle", "hdmv_pgs_subtitle", "dvb_subtitle"}))
            return QStringLiteral("copy");
        return QString();
    }
    if (container == QLatin1String("webm"))
        return text ? QStringLiteral("webvtt") : QString();
    if (isOneOf(container, {"ts", "m2ts", "mts"}))
        return bitmap ? QStringLiteral("dvbsub") : QString();
    return QString();
}

} // namespace Kel
