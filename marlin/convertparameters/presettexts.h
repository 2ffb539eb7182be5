#pragma once

#include <QString>

namespace Tarn {

// The words of the shipped presets file (category names, the preset names
// made of words, and preset descriptions) in the user's language; a preset
// keeps its own name everywhere else (settings, file names, style rules).
// They are listed in the source so that the translation tools collect them;
// a text the list lacks (a presets file of another installation) is shown
// as it is written.
class PresetTexts
{
public:
    static QString translate(const QString &text);
};

} // namespace Tarn
