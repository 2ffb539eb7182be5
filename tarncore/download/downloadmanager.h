#pragma once

#include "tarncore/download/downloadparameters.h"
#include "tarncore/task/progressedtaskpool.h"
#include "tarncore/tarncoreglobal.h"
#include "shared/webmediainfo.h"

#include <QMap>
#include <QObject>
#include <QString>

namespace Kel {
class HttpDownloader;
class Task;
class WebMediaInfoExtractor;
} // namespace Kel

namespace Tarn {

class DownloadTask;

// Decides which addresses are video pages and gives them one canonical
// form; obtains, caches and shares the media information of pages; fetches
// their thumbnails and the sizes of their qualities; owns the download pool
// and the HTTP pool. GUI thread only.
//
// Ended tasks of both pools are deleted once they have ended; nobody keeps
// a pointer to a task past its end.
class TARNCORE_EXPORT DownloadManager : public QObject
{
    Q_OBJECT
public:
    explicit DownloadManager(QObject *parent = nullptr);
    ~DownloadManager() override;

    // Configures and starts both pools.
    void init();
    // Values of 0 or less are ignored.
    void setMaxDownloadSimulaneous(int n);

    // A new task of the download pool, not yet in it.
    DownloadTask *getDownloadTask();
    DownloadTask *getDownloadTask(const QString &key);
    // Cancels the task of these parameters; false in every case.
    bool cancelDownload(const DownloadParameters &params);

    // Whether url names a video page; see the rules in the source.
    static bool isDownloadableUrl(const QString &url);
    // The canonical form of a page address.
    static QString makeupDownloadableUrl(const QString &url);

    // Gets the media-information requests ready in the background (the
    // extractor tool started and waiting), for a program that will make
    // them soon; call after init().
    void prepareMediaInfo();
    // Answers with mediaInfoReady, at once when the page is cached.
    void getMediaInfoBySignal(const QString &url);
    // The cached information of url, or an empty one.
    Kel::WebMediaInfo getMediaInfo(const QString &url) const;
    // One requester less; the extraction goes on. False.
    bool cancelMediaInfoRequest(const QString &url);
    void getMediaThumbnail(Kel::WebMediaInfo &info);
    void getMediaSize(Kel::WebMediaInfo &info);
    // Cancels everything, forgets the cache, removes the thumbnails and ends
    // what prepareMediaInfo() started.
    bool clear();

    // Requests waiting for an answer, and their requesters (tests).
    QMap<QString, int> getPendingRequests() const { return pendingRequests; }
    int getExtractorCount() const { return extractors.size(); }
    Kel::ProgressedTaskPool &getDownloadPool() { return downloadPool; }
    Kel::ProgressedTaskPool &getHttpPool() { return httpPool; }

signals:
    void mediaInfoReady(const Kel::WebMediaInfo &mediaInfo);
    void mediaThumbnailReady(const QString &url, const QString &thumbnailFile);
    void mediaSizeReady(const QString &url, const QString &profileUrl, qint64 size);

public slots:
    void receiveMediaInfo(const Kel::WebMediaInfo &mediaInfo);
    void receiveMediaThumbnail(const QString &thumbnailUrl, const QString &thumbnailFile);
    void receiveMediaSize(const QString &profileUrl, qint64 size);

protected:
    bool cancelAll();
    bool clearMediaInfo();
    void clearAppData();

private:
    // Deletes task once it has ended.
    static void deleteWhenEnded(Kel::Task *task);

    QMap<QString, Kel::WebMediaInfo> mediaInfoCache;
    Kel::ProgressedTaskPool downloadPool;
    QMap<QString, int> pendingRequests;
    QMap<QString, Kel::WebMediaInfoExtractor *> extractors;
    QMap<QString, QString> thumbnailOwners;
    QMap<QString, Kel::HttpDownloader *> thumbnailDownloaders;
    QMap<QString, QString> sizeOwners;
    Kel::ProgressedTaskPool httpPool;
};

} // namespace Tarn
