#pragma once

#include <QString>

namespace Kel {

// One subtitle stream of a source file, as far as choosing its target codec needs it.
struct SubtitleStream
{
    enum Kind {
        Text,
        Bitmap,
        Unknown,
    };

    Kind kind = Unknown;
    // The decoder's codec name ("subrip", "mov_text", "dvd_subtitle").
    QString codec;
};

} // namespace Kel
