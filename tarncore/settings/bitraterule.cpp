#include "tarncore/settings/bitraterule.h"

namespace Tarn {

bool BitRateRule::isValid() const
{
    return !support.getBitRates().isEmpty();
}

} // namespace Tarn
