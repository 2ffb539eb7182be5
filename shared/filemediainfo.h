#pragma once

#include "shared/mediainfo.h"

#include <QMetaType>

namespace Kel {

// The description of a local media file, as the file extractor probes it.
class FileMediaInfo : public MediaInfo
{
public:
    QString toString() const;

    QString mediaFile;
    QString thumbnailFile;
    // Left to the core: the back ends only copy it.
    qint64 fileSize = 0;
    qint64 duration = 0;
    // Set by the file extractor when the probe succeeded.
    bool probed = false;
    // Set by the file extractor when the file holds a readable subtitle stream.
    bool hasSubtitles = false;
};

} // namespace Kel

Q_DECLARE_METATYPE(Kel::FileMediaInfo)
