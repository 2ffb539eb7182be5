#include "shared/webmediainfo.h"

namespace Kel {

bool WebMediaInfo::isValid() const
{
    return !url.isEmpty() && !title.isEmpty() && !profiles.isEmpty();
}

bool WebMediaInfo::hasSubtitles() const
{
    return !subtitleLanguages.isEmpty() || subtitlesDeclared;
}

QString WebMediaInfo::makeFileTitle(const QString &title)
{
    static const QString forbidden = QStringLiteral("/\\:*?\"<>|");
    QString result = title;
    for (QChar &c : result) {
        if (forbidden.contains(c))
            c = QLatin1Char(' ');
    }
    return result;
}

void WebMediaInfo::setTitle(const QString &text)
{
    title = text;
    fileTitle = makeFileTitle(text);
}

} // namespace Kel
