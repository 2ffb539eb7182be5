#include "tarncore/settings/formatsupport.h"

namespace Tarn {

bool FormatSupport::isValid() const
{
    return !formats.isEmpty() && !defaultFormat.isEmpty();
}

bool FormatSupport::operator==(const FormatSupport &other) const
{
    return formats == other.formats && defaultFormat == other.defaultFormat;
}

} // namespace Tarn
