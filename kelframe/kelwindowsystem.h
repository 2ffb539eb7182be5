#pragma once

#include "kelframe/kelframeglobal.h"

namespace Kel {

// True when the desktop composites windows, so that a window's opacity and
// its translucent pixels show as such. Without a compositing manager (a
// plain X server, Xvfb, some remote desktops) translucent pixels show black
// and opacity does nothing; windows then draw opaque and fade by other
// means. MARLIN_COMPOSITING=0 or 1 overrides the answer (tests).
KELFRAME_EXPORT bool hasCompositing();

} // namespace Kel
