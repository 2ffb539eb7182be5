#pragma once

#include "shared/mediatype.h"

#include <QSize>
#include <QString>

namespace Kel {

// The technical description of one stream set. Polymorphic on purpose (copy()
// and isValid() are overridden), but without a virtual destructor: values are
// never deleted through a base pointer.
class MediaInfo
{
public:
    MediaInfo() = default;
    MediaInfo(const MediaInfo &) = default;
    MediaInfo &operator=(const MediaInfo &) = default;

    // Copies the stream description only, not the web-specific flags
    // (dash, is3D, qualityLabel, audioFormat).
    virtual void copy(const MediaInfo &other);
    virtual bool isValid() const;

    bool hasStreams() const;

    MediaType type = UnknownMedia;
    QString format;
    QSize resolution = QSize(-1, -1);
    QSize aspect = QSize(0, 0);
    QString vCodec;
    qint32 vBitRate = 0;
    double frameRate = 0.0;
    QString aCodec;
    qint32 aBitRate = 0;
    qint32 aSampleRate = 0;
    bool dash = false;
    bool is3D = false;
    QString qualityLabel;
    QString audioFormat = QStringLiteral("");
};

} // namespace Kel
