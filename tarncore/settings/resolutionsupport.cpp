#include "tarncore/settings/resolutionsupport.h"

namespace Tarn {

bool ResolutionSupport::isValid() const
{
    return !resolutions.isEmpty() && defaultResolution.width() >= 1 && defaultResolution.height() >= 1;
}

bool ResolutionSupport::operator==(const ResolutionSupport &other) const
{
    return resolutions == other.resolutions && defaultResolution == other.defaultResolution;
}

} // namespace Tarn
