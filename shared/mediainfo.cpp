#include "shared/mediainfo.h"

namespace Kel {

void MediaInfo::copy(const MediaInfo &other)
{
    type = other.type;
    format = other.format;
    resolution = other.resolution;
    aspect = other.aspect;
    vCodec = other.vCodec;
    vBitRate = other.vBitRate;
    frameRate = other.frameRate;
    aCodec = other.aCodec;
    aBitRate = other.aBitRate;
    aSampleRate = other.aSampleRate;
}

bool MediaInfo::isValid() const
{
    return !format.isEmpty();
}

bool MediaInfo::hasStreams() const
{
    return !vCodec.isEmpty() || !aCodec.isEmpty();
}

} // namespace Kel
