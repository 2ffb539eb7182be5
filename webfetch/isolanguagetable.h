#pragma once

#include <QString>

namespace Kel {

// Two-letter language codes with their three-letter bibliographic codes, the
// form that media containers carry in their language tags.
class IsoLanguageTable
{
public:
    // "en" -> "eng", "de" -> "ger"; an empty text when the code is unknown.
    static QString threeLetterCode(const QString &twoLetterCode);
    static int size();
};

} // namespace Kel
