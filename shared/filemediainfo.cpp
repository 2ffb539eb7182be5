#include "shared/filemediainfo.h"

namespace Kel {

QString FileMediaInfo::toString() const
{
    return QStringLiteral("MediaFile = %1, duration = %2, type = %3, format = %4, resolution = %5x%6, "
                          "aspect = %7x%8, vCodec = %9, vBitRate = %10, frameRate = %11, aCodec = %12, "
                          "aBitRate = %13, aSampleRate = %14")
        .arg(mediaFile, QString::number(duration), QString::number(static_cast<qint32>(type)), format,
             QString::number(resolution.width()), QString::number(resolution.height()),
             QString::number(aspect.width()), QString::number(aspect.height()), vCodec,
             QString::number(vBitRate), QStringLiteral("%1").arg(frameRate, 0, 'g', -1), aCodec,
             QString::number(aBitRate), QString::number(aSampleRate));
}

} // namespace Kel
