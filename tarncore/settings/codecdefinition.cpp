#include "tarncore/settings/codecdefinition.h"

namespace Tarn {

CodecDefinition::CodecDefinition(const QString &displayName, const QString &ffmpegName)
    : name(displayName)
    , ffmpegValue(ffmpegName)
{
}

bool CodecDefinition::operator==(const CodecDefinition &other) const
{
    return name == other.name && ffmpegValue == other.ffmpegValue;
}

} // namespace Tarn
