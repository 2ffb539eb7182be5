#pragma once

#include "shared/mediaprofile.h"

#include <QMetaType>
#include <QStringList>

namespace Kel {

// The description of one video page with all its qualities.
class WebMediaInfo
{
public:
    bool isValid() const;
    // True when the page lists subtitle languages or declares subtitles.
    bool hasSubtitles() const;

    // The title with each of / \ : * ? " < > | replaced by one space.
    static QString makeFileTitle(const QString &title);
    void setTitle(const QString &text);

    QString url;
    QString title;
    QString fileTitle;
    qint64 duration = 0;
    // Left to the core: the back ends leave it at 0.
    qint64 userData = 0;
    QString thumbnailUrl;
    QString thumbnailFile;
    MediaType mediaType = UnknownMedia;
    MediaProfileList profiles;
    QString errorText;
    bool subtitlesDeclared = false;
    QStringList subtitleLanguages;
};

} // namespace Kel

Q_DECLARE_METATYPE(Kel::WebMediaInfo)
