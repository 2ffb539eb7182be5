#pragma once

#include "transcoder/subtitlestream.h"

#include <QList>
#include <QStringList>

namespace Kel {

struct ConvertJob;
class MediaProfile;

// Builds ffmpeg's argument list for one conversion.
class FfmpegArguments
{
public:
    // subtitles: the source's subtitle streams in file order; only consulted
    // when the job keeps subtitles.
    static QStringList build(const ConvertJob &job, const QList<SubtitleStream> &subtitles = {});

    // Targets that carry no picture: audio profiles and audio-only containers.
    static bool isAudioOnly(const MediaProfile &profile);
    // The target container in lower case: the profile's format, else the
    // target's suffix.
    static QString containerOf(const ConvertJob &job);
    // The codec a subtitle stream gets in a container ("copy" keeps it as it
    // is); empty when the container cannot hold it.
    static QString subtitleCodec(const QString &container, const SubtitleStream &stream);
    // Frame rate used when the profile leaves it open.
    static constexpr double DefaultFrameRate = 29.97;
};

} // namespace Kel
