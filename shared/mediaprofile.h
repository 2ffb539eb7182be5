#pragma once

#include "shared/mediainfo.h"

#include <QList>
#include <QMetaType>

namespace Kel {

// A quality of a web video or a conversion preset.
class MediaProfile : public MediaInfo
{
public:
    // Height and pixel count that stand for the site's ">1080p" label when the
    // tool gives no width: one pixel more than 1920x1080.
    static constexpr qint64 AboveFullHdPixels = 1920LL * 1080LL + 1;

    QString toString() const;
    // The label shown in quality lists: "720P", "1280x536", ">1080P (3D)".
    QString resolutionString() const;
    qint64 pixelCount() const;

    bool operator<(const MediaProfile &other) const;
    bool operator==(const MediaProfile &other) const;
    bool operator!=(const MediaProfile &other) const { return !(*this == other); }

    QString name = QStringLiteral("");
    QString url;
    qint64 size = 0;
    QString description = QStringLiteral("");
    bool sameAsSource = false;
    bool autoResolution = false;
    bool autoBitRate = false;
    // Seconds of the media as its page states them; 0 when it does not.
    // Used to check a download, not part of what the quality is.
    qint64 duration = 0;
};

using MediaProfileList = QList<MediaProfile>;

} // namespace Kel

Q_DECLARE_METATYPE(Kel::MediaProfile)
