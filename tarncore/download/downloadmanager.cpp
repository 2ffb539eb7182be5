#include "tarncore/download/downloadmanager.h"

#include "shared/kellog.h"
#include "tarncore/download/appcontext.h"
#include "tarncore/download/downloadtask.h"
#include "tarncore/download/filenaming.h"
#include "tarncore/download/httpheadtask.h"
#include "tarncore/download/qualityselector.h"
#include "tarncore/download/videosite.h"
#include "tarncore/services/puxupdater.h"
#include "tarncore/settings/settingsmanager.h"
#include "tarncore/task/httpdownloader.h"
#include "webfetch/webmediadownloaderfactory.h"
#include "webfetch/webmediainfoextractor.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>
#include <QUrlQuery>

namespace Tarn {

namespace {

const int HttpPoolInterval = 500;

SettingsManager *settings()
{
    return AppContext::instance()->getSettingsManager();
}

QString queryValue(const QUrlQuery &query, const QString &key)
{
    return query.queryItemValue(key, QUrl::FullyDecoded);
}

} // namespace

DownloadManager::DownloadManager(QObject *parent)
    : QObject(parent)
{
}

DownloadManager::~DownloadManager()
{
    for (Kel::WebMediaInfoExtractor *extractor : qAsConst(extractors)) {
        extractor->disconnect(this);
        delete extractor;
    }
    extractors.clear();
    for (Kel::HttpDownloader *downloader : qAsConst(thumbnailDownloaders)) {
        downloader->disconnect(this);
        delete downloader;
    }
    thumbnailDownloaders.clear();
}

void DownloadManager::init()
{
    downloadPool.setMaxRunning(settings()->getMaxDownloadNumber());
    downloadPool.start();
    httpPool.setMaxRunning(1);
    httpPool.setInterval(HttpPoolInterval);
    httpPool.start();
}

void DownloadManager::setMaxDownloadSimulaneous(int n)
{
    downloadPool.setMaxRunning(n);
}

DownloadTask *DownloadManager::getDownloadTask()
{
    auto *task = new DownloadTask(&downloadPool);
    deleteWhenEnded(task);
    return task;
}

DownloadTask *DownloadManager::getDownloadTask(const QString &key)
{
    return qobject_cast<DownloadTask *>(downloadPool.task(key));
}

bool DownloadManager::cancelDownload(const DownloadParameters &params)
{
    if (params.isValid())
        downloadPool.cancelTask(DownloadTask::makeTaskKey(params));
    return false;
}

void DownloadManager::deleteWhenEnded(Kel::Task *task)
{
    // The task as context: the start announcements come from the pool's
    // scheduler thread and reach the task's own thread queued.
    connect(task, &Kel::Task::statusChanged, task, [task](const QString &, Kel::Task::Status status) {
        if (Kel::Task::isEnded(status))
            task->deleteLater();
    });
}

// Acceptance of a page address.
//
// Beyond the watch host's own addresses, the watch page of the site's other
// hosts (bare domain, mobile, music) and the site's short links are
// accepted, with or without a scheme (VideoSite::siteVideoId), and so is a
// watch page on the extra watch host of tests and demos.
bool DownloadManager::isDownloadableUrl(const QString &url)
{
    if (!VideoSite::extraWatchUrl(url).isEmpty() || !VideoSite::siteVideoId(url).isEmpty())
        return true;

    const QString watchHost = VideoSite::watchHost();
    const QString lower = url.toLower();
    const QUrl parsed(lower);
    if (parsed.host() == watchHost && parsed.path() == QLatin1String("/watch")) {
        const QUrlQuery query(parsed);
        if (query.hasQueryItem(QStringLiteral("v"))
            && queryValue(query, QStringLiteral("v")).size() == VideoSite::VideoIdLength)
            return true;
        if (query.hasQueryItem(QStringLiteral("video_ids")) && query.hasQueryItem(QStringLiteral("index")))
            return true;
    }
    if (lower.indexOf(QStringLiteral("/%1/v/").arg(watchHost)) >= 1)
        return true;
    const QStringList parts = parsed.path().split(QLatin1Char('/'), Qt::SkipEmptyParts);
    return parts.size() == 2 && parts.at(1).size() == VideoSite::VideoIdLength;
}

// Canonical form of a page address: "http://<watch host>/watch?v=<id>" for
// the site's pages, and the short links among them; the extra watch host's
// pages stay on that host.
QString DownloadManager::makeupDownloadableUrl(const QString &url)
{
    const QString onExtraHost = VideoSite::extraWatchUrl(url);
    if (!onExtraHost.isEmpty())
        return onExtraHost;

    QString s = url;
    const QUrl parsed(s);
    const QUrlQuery query(parsed);
    if (query.hasQueryItem(QStringLiteral("video_ids")) && query.hasQueryItem(QStringLiteral("index"))) {
        const int index = queryValue(query, QStringLiteral("index")).toInt(nullptr, 10);
        static const QRegularExpression lists[] = {
            QRegularExpression(QStringLiteral("&video_ids=((\\S{11}(%2C){1})+\\S{11})")),
            QRegularExpression(QStringLiteral("&video_ids=((\\S{11}(\\s){1})+\\S{11})")),
        };
        for (const QRegularExpression &list : lists) {
            const QRegularExpressionMatch match = list.match(s);
            if (!match.hasMatch())
                continue;
            const QStringList ids = match.captured(1).split(match.captured(3), Qt::KeepEmptyParts);
            s = VideoSite::canonicalWatchUrl(index >= 0 && index < ids.size() ? ids.at(index) : QString());
            break;
        }
    } else if (query.hasQueryItem(QStringLiteral("v"))
               && queryValue(query, QStringLiteral("v")).size() == VideoSite::VideoIdLength) {
        s = VideoSite::canonicalWatchUrl(queryValue(query, QStringLiteral("v")));
    } else {
        const QString shortLinkId = VideoSite::siteVideoId(s);
        if (!shortLinkId.isEmpty())
            s = VideoSite::canonicalWatchUrl(shortLinkId);
    }

    const QString watchHost = VideoSite::watchHost();
    const QString lower = s.toLower();
    if (lower.startsWith(QStringLiteral("http://") + watchHost))
        return s;
    if (lower.startsWith(watchHost))
        return QStringLiteral("http://%1").arg(s);
    if (lower.startsWith(VideoSite::siteDomain()))
        return QStringLiteral("http://www.%1").arg(s);
    return s;
}

void DownloadManager::getMediaInfoBySignal(const QString &url)
{
    const auto cached = mediaInfoCache.constFind(url);
    if (cached != mediaInfoCache.constEnd()) {
        Kel::WebMediaInfo info = cached.value();
        emit mediaInfoReady(info);
        if (!info.thumbnailFile.isEmpty() && QFileInfo::exists(info.thumbnailFile))
            emit mediaThumbnailReady(url, info.thumbnailFile);
        else if (!thumbnailDownloaders.contains(info.thumbnailUrl))
            getMediaThumbnail(info);
        return;
    }
    if (pendingRequests.contains(url)) {
        ++pendingRequests[url];
        return;
    }

    pendingRequests.insert(url, 1);
    PuxUpdater *updater = PuxUpdater::instance();
    Kel::WebMediaInfoExtractor *extractor =
        Kel::WebMediaDownloaderFactory::instance()->createExtractor(updater->puxFilePath(), updater->appDataDir());
    // The extractor answers every request with finished(), a failed one too
    // (with the reason in the information's error text).
    connect(extractor, &Kel::WebMediaInfoExtractor::finished, this, &DownloadManager::receiveMediaInfo);
    extractor->getMediaInfoBySignal(url);
    if (Kel::WebMediaInfoExtractor *old = extractors.take(url)) {
        // It may be the very extractor whose answer is being delivered.
        old->disconnect(this);
        old->deleteLater();
    }
    extractors.insert(url, extractor);
}

void DownloadManager::prepareMediaInfo()
{
    Kel::WebMediaDownloaderFactory::instance()->prepareExtractors(PuxUpdater::instance()->puxFilePath());
}

Kel::WebMediaInfo DownloadManager::getMediaInfo(const QString &url) const
{
    return mediaInfoCache.value(url);
}

bool DownloadManager::cancelMediaInfoRequest(const QString &url)
{
    auto pending = pendingRequests.find(url);
    if (pending != pendingRequests.end() && pending.value() > 0)
        --pending.value();
    return false;
}

void DownloadManager::receiveMediaInfo(const Kel::WebMediaInfo &mediaInfo)
{
    Kel::WebMediaInfo info = mediaInfo;
    if (info.isValid() && !mediaInfoCache.contains(info.url)) {
        info.profiles = QualitySelector::sortedBestFirst(info.profiles);
        mediaInfoCache.insert(info.url, info);
    }
    pendingRequests.remove(info.url);
    emit mediaInfoReady(info);
    getMediaThumbnail(info);
    getMediaSize(info);
}

void DownloadManager::getMediaThumbnail(Kel::WebMediaInfo &info)
{
    if (!info.isValid() || info.thumbnailUrl.isEmpty() || thumbnailDownloaders.contains(info.thumbnailUrl))
        return;
    const QString title = info.fileTitle.isEmpty() ? info.title : info.fileTitle;
    const QString file = QStringLiteral("%1/%2").arg(
        settings()->getThumbnailDownloadDir(),
        FileNaming::thumbnailFileName(title, info.url, FileNaming::urlSuffix(info.thumbnailUrl)));
    auto *downloader = new Kel::HttpDownloader(info.thumbnailUrl, file, nullptr);
    connect(downloader, &Kel::HttpDownloader::downloadFinished, this, &DownloadManager::receiveMediaThumbnail);
    thumbnailDownloaders.insert(info.thumbnailUrl, downloader);
    thumbnailOwners.insert(info.thumbnailUrl, info.url);
    downloader->start();
}

void DownloadManager::receiveMediaThumbnail(const QString &thumbnailUrl, const QString &thumbnailFile)
{
    const auto owner = thumbnailOwners.constFind(thumbnailUrl);
    if (owner != thumbnailOwners.constEnd()) {
        const QString page = owner.value();
        thumbnailOwners.remove(thumbnailUrl);
        auto cached = mediaInfoCache.find(page);
        if (cached != mediaInfoCache.end())
            cached->thumbnailFile = thumbnailFile;
        emit mediaThumbnailReady(page, thumbnailFile);
    }
    if (Kel::HttpDownloader *downloader = thumbnailDownloaders.take(thumbnailUrl))
        downloader->deleteLater();
}

void DownloadManager::getMediaSize(Kel::WebMediaInfo &info)
{
    if (!info.isValid())
        return;
    for (const Kel::MediaProfile &quality : qAsConst(info.profiles)) {
        if (quality.size != 0 || quality.url.isEmpty())
            continue;
        // One request per address at a time.
        if (httpPool.task(HttpHeadTask::makeTaskKey(quality.url)))
            continue;
        auto *task = new HttpHeadTask(&httpPool);
        connect(task, &HttpHeadTask::headFinished, this, &DownloadManager::receiveMediaSize);
        deleteWhenEnded(task);
        sizeOwners.insert(quality.url, info.url);
        if (!task->head(quality.url))
            task->deleteLater();
    }
}

void DownloadManager::receiveMediaSize(const QString &profileUrl, qint64 size)
{
    const auto owner = sizeOwners.constFind(profileUrl);
    if (owner == sizeOwners.constEnd())
        return;
    const QString page = owner.value();
    auto cached = mediaInfoCache.find(page);
    if (cached != mediaInfoCache.end()) {
        for (Kel::MediaProfile &quality : cached->profiles) {
            if (quality.url == profileUrl)
                quality.size = size;
        }
    }
    if (size > 0)
        sizeOwners.remove(profileUrl);
    emit mediaSizeReady(page, profileUrl, size);
}

bool DownloadManager::clear()
{
    cancelAll();
    Kel::WebMediaDownloaderFactory::instance()->stopExtractors();
    clearMediaInfo();
    clearAppData();
    return true;
}

bool DownloadManager::cancelAll()
{
    for (Kel::WebMediaInfoExtractor *extractor : qAsConst(extractors)) {
        extractor->disconnect(this);
        extractor->cancel();
        extractor->deleteLater();
    }
    pendingRequests.clear();
    extractors.clear();
    downloadPool.stop();
    return true;
}

bool DownloadManager::clearMediaInfo()
{
    bool removedAll = true;
    for (const Kel::WebMediaInfo &info : qAsConst(mediaInfoCache)) {
        if (!info.thumbnailFile.isEmpty() && QFileInfo::exists(info.thumbnailFile)
            && !QFile::remove(info.thumbnailFile))
            removedAll = false;
    }
    mediaInfoCache.clear();
    return removedAll;
}

void DownloadManager::clearAppData()
{
    const QDir dir(settings()->getThumbnailDownloadDir());
    const QStringList files = dir.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Unsorted);
    for (const QString &file : files) {
        if (!QFile::remove(dir.filePath(file)))
            KEL_ERROR("remove thumbnail failed : %s", qPrintable(dir.filePath(file)));
    }
}

} // namespace Tarn
