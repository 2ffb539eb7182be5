#pragma once

#include "tarncore/tarncoreglobal.h"

#include <QString>
#include <QStringList>

class QUrl;

namespace Tarn {

// Everything this application knows about the video site's addresses: the
// host of its watch pages, its domain, the other hosts people copy watch
// pages from, and its short-link host. Nothing else in the code spells them.
//
// Tests and demos serve a local copy of a site on 127.0.0.1; they name its
// "host:port" as an extra watch host, either with setExtraWatchHost() or with
// the environment variable MARLIN_EXTRA_WATCH_HOST. An address
// "<scheme>://<extra host>/watch?v=<11 characters>" is then accepted and kept
// on that host. No extra host is set in a normal run.
class TARNCORE_EXPORT VideoSite
{
public:
    // The host of the site's watch pages: "www.youtube.com".
    static QString watchHost();
    // The watch host without its first label: "youtube.com".
    static QString siteDomain();
    // Hosts whose "/watch?v=<id>" page is the same as the watch host's: the
    // watch host, the bare domain, and the mobile and music hosts.
    static QStringList watchPageHosts();
    // Hosts of the site's short links "<host>/<id>".
    static QStringList shortLinkHosts();
    // The length of a video identifier.
    static constexpr int VideoIdLength = 11;

    // "http://www.youtube.com/watch?v=<id>"
    static QString canonicalWatchUrl(const QString &videoId);
    // Eleven characters of letters, digits, "-" and "_".
    static bool isVideoId(const QString &text);

    // The video identifier of a watch page on one of watchPageHosts() or of
    // a short link, with or without a scheme; empty for anything else.
    static QString siteVideoId(const QString &address);

    // The extra watch host ("127.0.0.1:8080"), lower case; empty when none.
    static QString extraWatchHost();
    // Sets the extra watch host, over the environment variable; an empty
    // text gives the word back to the environment variable.
    static void setExtraWatchHost(const QString &hostAndPort);
    // The canonical form of a watch page on the extra watch host
    // ("<scheme>://<host:port>/watch?v=<id>"), or empty when address is not
    // one.
    static QString extraWatchUrl(const QString &address);

private:
    // The address as an absolute URL: "http://" is assumed when it has no
    // scheme.
    static QUrl parseLoosely(const QString &address);
};

} // namespace Tarn
