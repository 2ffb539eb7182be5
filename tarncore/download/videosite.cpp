#include "tarncore/download/videosite.h"

#include <QUrl>
#include <QUrlQuery>

namespace Tarn {

namespace {

struct ExtraHost
{
    bool set = false;
    QString host;
};

ExtraHost &extraHost()
{
    static ExtraHost value;
    return value;
}

QString videoIdOfQuery(const QUrl &url)
{
    const QUrlQuery query(url);
    if (!query.hasQueryItem(QStringLiteral("v")))
        return QString();
    const QString id = query.queryItemValue(QStringLiteral("v"), QUrl::FullyDecoded);
    return VideoSite::isVideoId(id) ? id : QString();
}

bool isWatchPath(const QString &path)
{
    return path == QLatin1String("/watch") || path == QLatin1String("/watch/");
}

} // namespace

QString VideoSite::watchHost()
{
    return QStringLiteral("www.youtube.com");
}

QString VideoSite::siteDomain()
{
    const QString host = watchHost();
    return host.mid(host.indexOf(QLatin1Char('.')) + 1);
}

QStringList VideoSite::watchPageHosts()
{
    const QString domain = siteDomain();
    return {watchHost(), domain, QStringLiteral("m.") + domain, QStringLiteral("music.") + domain};
}

QStringList VideoSite::shortLinkHosts()
{
    return {QStringLiteral("youtu.be"), QStringLiteral("www.youtu.be")};
}

QString VideoSite::canonicalWatchUrl(const QString &videoId)
{
    return QStringLiteral("http://%1/watch?v=%2").arg(watchHost(), videoId);
}

bool VideoSite::isVideoId(const QString &text)
{
    if (text.size() != VideoIdLength)
        return false;
    for (const QChar c : text) {
        const ushort u = c.unicode();
        const bool ok = (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '-'
            || u == '_';
        if (!ok)
            return false;
    }
    return true;
}

QUrl VideoSite::parseLoosely(const QString &address)
{
    const QString text = address.trimmed();
    QUrl url(text, QUrl::StrictMode);
    if (!url.isValid() || url.scheme().isEmpty() || url.host().isEmpty())
        url = QUrl(QStringLiteral("http://") + text, QUrl::StrictMode);
    return url;
}

QString VideoSite::siteVideoId(const QString &address)
{
    const QUrl url = parseLoosely(address);
    if (!url.isValid())
        return QString();
    const QString scheme = url.scheme().toLower();
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https"))
        return QString();
    const QString host = url.host().toLower();
    if (watchPageHosts().contains(host) && isWatchPath(url.path()))
        return videoIdOfQuery(url);
    if (shortLinkHosts().contains(host)) {
        const QString id = url.path().mid(1);
        if (url.path().startsWith(QLatin1Char('/')) && isVideoId(id))
            return id;
    }
    return QString();
}

QString VideoSite::extraWatchHost()
{
    if (extraHost().set)
        return extraHost().host;
    return qEnvironmentVariable("MARLIN_EXTRA_WATCH_HOST").trimmed().toLower();
}

void VideoSite::setExtraWatchHost(const QString &hostAndPort)
{
    extraHost().host = hostAndPort.trimmed().toLower();
    extraHost().set = !extraHost().host.isEmpty();
}

QString VideoSite::extraWatchUrl(const QString &address)
{
    const QString extra = extraWatchHost();
    if (extra.isEmpty())
        return QString();
    const QUrl url(address.trimmed(), QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        return QString();
    QString authority = url.host().toLower();
    if (url.port() != -1)
        authority += QStringLiteral(":%1").arg(url.port());
    if (authority != extra || !isWatchPath(url.path()))
        return QString();
    const QString id = videoIdOfQuery(url);
    if (id.isEmpty())
        return QString();
    return QStringLiteral("%1://%2/watch?v=%3").arg(scheme, authority, id);
}

} // namespace Tarn
