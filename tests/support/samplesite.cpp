#include "support/samplesite.h"

#include "support/jsonfields.h"

#include "support/testhttpserver.h"
#include "support/testtools.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QMutex>
#include <QMutexLocker>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <json/json.h>

#include <memory>

namespace {

const char kStampFile[] = ".stamp";

QString siteDir()
{
    return TestTools::testDir() + QLatin1String("/sample-site");
}

void setError(QString *error, const QString &text)
{
    if (error)
        *error = text;
}

// The stamp names the script that wrote the site: a changed script means a
// new site.
QByteArray scriptStamp()
{
    QFile script(SampleSite::scriptPath());
    if (!script.open(QIODevice::ReadOnly))
        return QByteArray();
    return QCryptographicHash::hash(script.readAll(), QCryptographicHash::Sha256).toHex();
}

bool isCurrent(const QString &dir, const QByteArray &stamp)
{
    QFile file(dir + QLatin1Char('/') + QLatin1String(kStampFile));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    return file.readAll().trimmed() == stamp && QFileInfo::exists(dir + QLatin1String("/site.json"));
}

QString uniqueSibling(const QString &dir, const char *tag)
{
    return QStringLiteral("%1.%2-%3-%4")
        .arg(dir, QLatin1String(tag), QString::number(QCoreApplication::applicationPid()),
             QStringLiteral("%1").arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0')));
}

using JsonFields::integer;
using JsonFields::text;

SampleSite::Format readFormat(const Json::Value &f)
{
    SampleSite::Format format;
    format.formatId = text(f, "format_id");
    format.path = text(f, "path");
    format.ext = text(f, "ext");
    format.vcodec = text(f, "vcodec");
    format.acodec = text(f, "acodec");
    format.width = int(integer(f, "width"));
    format.height = int(integer(f, "height"));
    format.abr = int(integer(f, "abr"));
    format.size = integer(f, "size");
    return format;
}

SampleSite::Page readPage(const Json::Value &p)
{
    SampleSite::Page page;
    page.id = text(p, "id");
    page.kind = text(p, "kind");
    page.path = text(p, "path");
    page.title = text(p, "title");
    page.expectedTitle = text(p, "expected_title");
    page.expectedId = text(p, "expected_id");
    page.description = text(p, "description");
    page.thumbnail = text(p, "thumbnail");
    page.manifest = text(p, "manifest");
    page.duration = int(integer(p, "duration"));
    const Json::Value &subtitles = p["subtitles"];
    if (subtitles.isObject()) {
        for (const std::string &lang : subtitles.getMemberNames())
            page.subtitles.insert(QString::fromStdString(lang), text(subtitles, lang.c_str()));
    }
    for (const Json::Value &f : p["formats"])
        page.formats.append(readFormat(f));
    return page;
}

bool readManifest(const QString &file, SampleSite::Manifest *manifest, QString *error)
{
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly)) {
        setError(error, QStringLiteral("Cannot read %1: %2").arg(file, in.errorString()));
        return false;
    }
    const QByteArray data = in.readAll();
    Json::CharReaderBuilder builder;
    const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    Json::Value root;
    std::string errors;
    if (!reader->parse(data.constData(), data.constData() + data.size(), &root, &errors) || !root.isObject()) {
        setError(error, QStringLiteral("%1 is not valid JSON: %2").arg(file, QString::fromStdString(errors)));
        return false;
    }
    manifest->progressiveId = text(root, "progressive_id");
    manifest->dashId = text(root, "dash_id");
    manifest->unicodeId = text(root, "unicode_id");
    manifest->singleId = text(root, "single_id");
    manifest->noVideoId = text(root, "no_video_id");
    for (const Json::Value &p : root["pages"])
        manifest->pages.append(readPage(p));
    if (manifest->pages.isEmpty()) {
        setError(error, QStringLiteral("%1 lists no pages").arg(file));
        return false;
    }
    return true;
}

} // namespace

bool SampleSite::Format::isVideoOnly() const
{
    return acodec == QLatin1String("none") && vcodec != QLatin1String("none");
}

bool SampleSite::Format::isAudioOnly() const
{
    return vcodec == QLatin1String("none") && acodec != QLatin1String("none");
}

SampleSite::Format SampleSite::Page::format(const QString &formatId) const
{
    for (const Format &f : formats) {
        if (f.formatId == formatId)
            return f;
    }
    return Format();
}

QList<SampleSite::Format> SampleSite::Page::videoOnlyFormats() const
{
    QList<Format> found;
    for (const Format &f : formats) {
        if (f.isVideoOnly())
            found.append(f);
    }
    return found;
}

QList<SampleSite::Format> SampleSite::Page::audioOnlyFormats() const
{
    QList<Format> found;
    for (const Format &f : formats) {
        if (f.isAudioOnly())
            found.append(f);
    }
    return found;
}

SampleSite::Page SampleSite::Manifest::page(const QString &id) const
{
    for (const Page &p : pages) {
        if (p.id == id)
            return p;
    }
    return Page();
}

QString SampleSite::scriptPath()
{
    return TestTools::sourceDir() + QLatin1String("/scripts/make-sample-site.py");
}

QString SampleSite::ensure(QString *error)
{
    static QMutex mutex;
    QMutexLocker processLock(&mutex);

    const QString site = siteDir();
    const QByteArray stamp = scriptStamp();
    if (stamp.isEmpty()) {
        setError(error, QStringLiteral("Cannot read the site generator %1").arg(scriptPath()));
        return QString();
    }
    if (isCurrent(site, stamp))
        return site;

    // Other test processes may be here at the same moment: one generates,
    // the others wait and then find the site current.
    const QString base = TestTools::testDir();
    QDir().mkpath(base);
    QLockFile lock(base + QLatin1String("/sample-site.lock"));
    lock.setStaleLockTime(5 * 60 * 1000);
    if (!lock.tryLock(5 * 60 * 1000)) {
        setError(error, QStringLiteral("Timed out waiting for another process to generate the sample site"));
        return QString();
    }
    if (isCurrent(site, stamp))
        return site;

    // Leftovers of processes that died while generating; nobody else
    // touches these while the lock is held.
    const QFileInfoList leftovers = QDir(base).entryInfoList(
        {QStringLiteral("sample-site.tmp-*"), QStringLiteral("sample-site.old-*")}, QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QFileInfo &leftover : leftovers)
        QDir(leftover.absoluteFilePath()).removeRecursively();

    const QString python = TestTools::pythonPath();
    const QString ffmpeg = TestTools::ffmpegPath();
    if (python.isEmpty() || ffmpeg.isEmpty()) {
        setError(error, TestTools::missingProgramMessage(python.isEmpty() ? QStringLiteral("python3")
                                                                          : QStringLiteral("ffmpeg")));
        return QString();
    }

    // Written beside the final folder and renamed into place, so that no
    // reader ever sees half a site.
    const QString temp = uniqueSibling(site, "tmp");
    const TestTools::RunResult run =
        TestTools::run(python, {scriptPath(), temp, QStringLiteral("--ffmpeg"), ffmpeg}, 5 * 60 * 1000);
    if (!run.succeeded()) {
        QDir(temp).removeRecursively();
        setError(error, QStringLiteral("make-sample-site.py failed: %1").arg(run.describe()));
        return QString();
    }
    QFile stampFile(temp + QLatin1Char('/') + QLatin1String(kStampFile));
    if (!stampFile.open(QIODevice::WriteOnly) || stampFile.write(stamp + '\n') < 0) {
        QDir(temp).removeRecursively();
        setError(error, QStringLiteral("Cannot write %1").arg(stampFile.fileName()));
        return QString();
    }
    stampFile.close();

    QString old;
    if (QFileInfo::exists(site)) {
        old = uniqueSibling(site, "old");
        if (!QDir().rename(site, old)) {
            QDir(temp).removeRecursively();
            setError(error, QStringLiteral("Cannot move the outdated sample site %1 aside").arg(site));
            return QString();
        }
    }
    if (!QDir().rename(temp, site)) {
        // Someone else's copy got there first: keep theirs.
        QDir(temp).removeRecursively();
        if (!isCurrent(site, stamp)) {
            setError(error, QStringLiteral("Cannot move the generated sample site to %1").arg(site));
            return QString();
        }
    }
    if (!old.isEmpty())
        QDir(old).removeRecursively();
    return site;
}

SampleSite::Manifest SampleSite::manifest(QString *error)
{
    static QMutex mutex;
    static Manifest cached;
    static bool loaded = false;
    QMutexLocker lock(&mutex);
    if (loaded)
        return cached;
    const QString site = ensure(error);
    if (site.isEmpty())
        return Manifest();
    Manifest fresh;
    if (!readManifest(site + QLatin1String("/site.json"), &fresh, error))
        return Manifest();
    cached = fresh;
    loaded = true;
    return cached;
}

SampleSite::Page SampleSite::page(const QString &id)
{
    return manifest().page(id);
}

bool SampleSite::serve(TestHttpServer &server, QString *error)
{
    const QString site = ensure(error);
    if (site.isEmpty())
        return false;
    addWatchRewrite(server);
    if (!server.start(site)) {
        setError(error, QStringLiteral("The test HTTP server did not start"));
        return false;
    }
    return true;
}

void SampleSite::addWatchRewrite(TestHttpServer &server)
{
    server.addRewrite(QRegularExpression(QStringLiteral("^/watch\\?(?:[^#]*&)?v=([A-Za-z0-9_-]{11})(?:[&#].*)?$")),
                      QStringLiteral("/watch/\\1"));
}

QUrl SampleSite::watchUrl(const TestHttpServer &server, const QString &id)
{
    return server.url(QStringLiteral("/watch/") + id);
}

QUrl SampleSite::watchQueryUrl(const TestHttpServer &server, const QString &id)
{
    return server.url(QStringLiteral("/watch?v=") + id);
}

QUrl SampleSite::mediaUrl(const TestHttpServer &server, const QString &path)
{
    return server.url(path);
}

QString SampleSite::progressiveId()
{
    return manifest().progressiveId;
}

QString SampleSite::dashId()
{
    return manifest().dashId;
}
