#pragma once

#include "shared/filemediainfo.h"
#include "shared/mediaprofile.h"

#include <QMetaType>
#include <QString>

namespace Kel {

// Everything one conversion needs; handed to MediaConverter::convert by value.
struct ConvertJob
{
    QString source;
    QString target;
    MediaProfile profile;
    FileMediaInfo sourceInfo;
    // The directory searched first for ffmpeg; PATH is searched after it.
    QString ffmpegDir;
    bool keepSubtitles = false;
    // Seconds of the source to convert; <= 0 converts the whole file.
    qint64 durationLimit = 0;
};

} // namespace Kel

Q_DECLARE_METATYPE(Kel::ConvertJob)
