#include "tarncore/settings/samplerate.h"

namespace Tarn {

bool SampleRate::isValid() const
{
    return !sampleRates.isEmpty();
}

bool SampleRate::operator==(const SampleRate &other) const
{
    return sampleRates == other.sampleRates && defaultSampleRate == other.defaultSampleRate;
}

} // namespace Tarn
