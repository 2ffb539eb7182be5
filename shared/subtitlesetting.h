#pragma once

#include <QMetaType>
#include <QStringList>

namespace Kel {

enum SubtitleMode : qint32 {
    NoSubtitle = 0,
    AllEmbeddedSubtitles = 1,
    PreferredLanguageSubtitles = 2,
    BurnedInSubtitle = 3,
};

// The subtitle choice that travels with a download.
struct SubtitleSetting
{
    SubtitleMode mode = NoSubtitle;
    QStringList availableLanguages;
    QStringList preferredLanguages;
};

} // namespace Kel

Q_DECLARE_METATYPE(Kel::SubtitleSetting)
