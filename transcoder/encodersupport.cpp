#include "transcoder/encodersupport.h"

#include "shared/avlibraries.h"

#include <cstdlib>

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace Kel {

qint32 EncoderSupport::sampleRate(const QString &encoder, qint32 rate)
{
    if (rate <= 0 || encoder.isEmpty() || !AvLibraries::load())
        return rate;
    const AVCodec *codec = KEL_AV(avcodec_find_encoder_by_name)(encoder.toUtf8().constData());
    if (!codec || !codec->supported_samplerates)
        return rate;
    qint32 closest = 0;
    for (const int *supported = codec->supported_samplerates; *supported; ++supported) {
        if (*supported == rate)
            return rate;
        if (!closest || std::abs(*supported - rate) < std::abs(closest - rate))
            closest = *supported;
    }
    return closest ? closest : rate;
}

} // namespace Kel
