#include "tarncore/settings/codecsupport.h"

namespace Tarn {

bool CodecSupport::isValid() const
{
    return !codecs.isEmpty() && !defaultCodec.isEmpty();
}

bool CodecSupport::operator==(const CodecSupport &other) const
{
    return codecs == other.codecs && defaultCodec == other.defaultCodec;
}

} // namespace Tarn
