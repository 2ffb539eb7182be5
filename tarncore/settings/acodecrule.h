#pragma once

#include "tarncore/settings/codecrule.h"

namespace Tarn {

// The audio codecs of a container format and video codec: filters "Format"
// and "Codec".
class TARNCORE_EXPORT ACodecRule : public CodecRule
{
public:
    ACodecRule()
    {
        addFilter(QStringLiteral("Format"), QString());
        addFilter(QStringLiteral("Codec"), QString());
    }
};

} // namespace Tarn
