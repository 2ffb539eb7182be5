#pragma once

#include <QtGlobal>

namespace Kel {

// Stored as a 32-bit integer; no code path produces the value 2.
enum MediaType : qint32 {
    Video = 0,
    Audio = 1,
    UnknownMedia = 3,
};

} // namespace Kel
