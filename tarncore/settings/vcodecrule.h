#pragma once

#include "tarncore/settings/codecrule.h"

namespace Tarn {

// The video codecs of a container format: filter "Format".
class TARNCORE_EXPORT VCodecRule : public CodecRule
{
public:
    VCodecRule() { addFilter(QStringLiteral("Format"), QString()); }
};

} // namespace Tarn
