#pragma once

#include "tarncore/settings/bitraterule.h"

namespace Tarn {

// Video bit rates by video codec and frame size: filters "Codec" and
// "Resolution".
class TARNCORE_EXPORT VBitRateRule : public BitRateRule
{
public:
    VBitRateRule()
    {
        addFilter(QStringLiteral("Codec"), QString());
        addFilter(QStringLiteral("Resolution"), QString());
    }
};

} // namespace Tarn
