#include "shared/filemediainfo.h"

namespace Kel {

QString FileMediaInfo::toString() const
{
    return QStringLiteral("MediaFile = %1, duration = %2, type = %3, format = %4, resolution = %5x%6, "
                          "aspect = %7x%8, vCodec = %9, vBitRate = %10, frameRate = %11, aCodec = %12, "
                          "aBitRate = %13, aSampleRate = %14")
        .arg(mediaFile)
        .arg(duration)
        .arg(static_cast<qint32>(type))
        .arg(format)
        .arg(resolution.width())
        .arg(resolution.height())
        .arg(aspect.width())
        .arg(aspect.height())
        .arg(vCodec)
        .arg(vBitRate)
        .arg(frameRate, 0, 'g', -1)
        .arg(aCodec)
        .arg(aBitRate)
        .arg(aSampleRate);
}

} // namespace Kel
