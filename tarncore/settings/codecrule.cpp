#include "tarncore/settings/codecrule.h"

namespace Tarn {

bool CodecRule::isValid() const
{
    return !support.getCodecs().isEmpty() && !support.getDefaultCodec().isEmpty();
}

} // namespace Tarn
