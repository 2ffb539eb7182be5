#pragma once

#include "tarncore/settings/bitraterule.h"

namespace Tarn {

// Audio bit rates by container format and frame size: filters "Format" and
// "Resolution".
class TARNCORE_EXPORT ABitRateRule : public BitRateRule
{
public:
    ABitRateRule()
    {
        addFilter(QStringLiteral("Format"), QString());
        addFilter(QStringLiteral("Resolution"), QString());
    }
};

} // namespace Tarn
