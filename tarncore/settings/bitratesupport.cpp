#include "tarncore/settings/bitratesupport.h"

#include <algorithm>

namespace Tarn {

int BitRateSupport::getMinimumBitRate() const
{
    if (bitRates.isEmpty())
        return -1;
    return *std::min_element(bitRates.cbegin(), bitRates.cend());
}

int BitRateSupport::getMaximumBitRate() const
{
    if (bitRates.isEmpty())
        return -1;
    return *std::max_element(bitRates.cbegin(), bitRates.cend());
}

bool BitRateSupport::isValid() const
{
    return !bitRates.isEmpty();
}

bool BitRateSupport::operator==(const BitRateSupport &other) const
{
    return bitRates == other.bitRates && defaultBitRate == other.defaultBitRate;
}

} // namespace Tarn
