#pragma once

#include "shared/mediaprofile.h"
#include "shared/webmediainfo.h"

#include <QCoreApplication>
#include <QString>

namespace Tarn {

// The media information of a page as the info command prints it: a
// readable block, or one JSON document on one line.
class MediaInfoReport
{
    Q_DECLARE_TR_FUNCTIONS(Tarn::MediaInfoReport)
public:
    // chosen is the quality a download would get now (marked in the list);
    // it may be invalid.
    static QString text(const Kel::WebMediaInfo &info, const Kel::MediaProfile &chosen);
    static QString json(const Kel::WebMediaInfo &info, const Kel::MediaProfile &chosen);
    // {"url": page, "error": reason}
    static QString jsonError(const QString &page, const QString &reason);

    // "video only", "audio only" or "video and audio".
    static QString streamsText(const Kel::MediaProfile &profile);
    static bool isVideoOnly(const Kel::MediaProfile &profile);
    static bool isAudioOnly(const Kel::MediaProfile &profile);
    // "720P" for a picture, the bit rate label ("96K") for sound.
    static QString qualityText(const Kel::MediaProfile &profile);
};

} // namespace Tarn
