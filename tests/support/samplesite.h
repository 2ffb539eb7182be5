#pragma once

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QUrl>

class TestHttpServer;

// The local sample video site, written by scripts/make-sample-site.py into
// the build tree and described by its site.json.
//
// Pages are served at /watch/<id> (the folder watch/<id>/ with its
// index.html); serve() also makes /watch?v=<id> answer the same page. Every
// address inside the pages is root-relative, so one folder serves on any
// port. The extractor tool's generic HTML5 extraction titles the one video of
// a page "<title> (1)" and gives it the id "<id>-1" (Page::expectedTitle,
// Page::expectedId); it reports no duration.
class SampleSite
{
public:
    struct Format
    {
        QString formatId; // the extractor tool's "format_id"
        QString path;     // root-relative address of the media file
        QString ext;
        QString vcodec;   // "h264", "vp9" or "none"
        QString acodec;   // "aac", "opus" or "none"
        int width = 0;
        int height = 0;
        int abr = 0;      // kbit/s, audio-only formats
        qint64 size = 0;  // bytes of the media file

        bool isVideoOnly() const;
        bool isAudioOnly() const;
    };

    struct Page
    {
        QString id;
        QString kind;          // "progressive", "dash", "single" or "none"
        QString path;          // "/watch/<id>"
        QString title;         // as the page states it
        QString expectedTitle; // as the extractor tool reports it
        QString expectedId;
        QString description;
        QString thumbnail;     // root-relative; empty when the page has none
        QString manifest;      // DASH manifest, root-relative; empty for others
        int duration = 0;      // seconds of the media (the tool does not report it)
        QMap<QString, QString> subtitles; // language -> root-relative address
        QList<Format> formats;

        bool isValid() const { return !id.isEmpty(); }
        QStringList subtitleLanguages() const { return subtitles.keys(); }
        Format format(const QString &formatId) const;
        QList<Format> videoOnlyFormats() const;
        QList<Format> audioOnlyFormats() const;
    };

    struct Manifest
    {
        QString progressiveId; // three qualities, subtitles en and de
        QString dashId;        // DASH: video-only and audio-only, subtitles en and de
        QString unicodeId;     // title with non-ASCII and file-name-hostile characters
        QString singleId;      // one long plain source: no labels, poster or subtitles
        QString noVideoId;     // a page without media: the tool fails on it
        QList<Page> pages;

        Page page(const QString &id) const;
    };

    // The folder of the generated site, generating it first when it is
    // missing or was made by another version of the script. Safe when several
    // processes call it at once. Empty on failure, with the reason in *error.
    static QString ensure(QString *error = nullptr);
    static QString scriptPath();
    // The site.json of ensure()'s folder, read once per process. An empty
    // manifest on failure, with the reason in *error.
    static Manifest manifest(QString *error = nullptr);
    static Page page(const QString &id);

    // Generates the site if needed, then starts server on it with the
    // /watch?v=<id> rewrite in place.
    static bool serve(TestHttpServer &server, QString *error = nullptr);
    // Makes /watch?v=<id> (and extra query items after it) answer /watch/<id>.
    static void addWatchRewrite(TestHttpServer &server);

    // http://127.0.0.1:<port>/watch/<id>
    static QUrl watchUrl(const TestHttpServer &server, const QString &id);
    // http://127.0.0.1:<port>/watch?v=<id>
    static QUrl watchQueryUrl(const TestHttpServer &server, const QString &id);
    // An address on the server for a root-relative path from the manifest.
    static QUrl mediaUrl(const TestHttpServer &server, const QString &path);

    static QString progressiveId();
    static QString dashId();
};
