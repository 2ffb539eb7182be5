#pragma once

#include "tarncore/download/downloadparameters.h"
#include "tarncore/download/qualityselector.h"
#include "tarncore/services/kelmitunesdevice.h"
#include "tarncore/tarncoreglobal.h"
#include "shared/mediaprofile.h"
#include "shared/progress.h"
#include "shared/webmediainfo.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QVariant>

namespace Tarn {

class DownloadManager;
class DownloadTask;
class SettingsManager;

// One entry of the download list: drives one page from its address to a
// file on disk. It asks the download manager for the page's media
// information, chooses the quality and the destination, hands the download
// to a task of the download pool and follows it. GUI thread only.
class TARNCORE_EXPORT DownloadItem : public QObject
{
    Q_OBJECT
public:
    enum Status : qint32 {
        NotReady = 0,
        Analysing = 1,
        Ready = 2,
        Waiting = 3,
        Downloading = 4,
        Failed = 5,
        Finished = 6,
    };
    Q_ENUM(Status)

    // Codes of error(int, QVariant).
    enum ErrorCode : int {
        DownloadFailed = 1000,
        ItunesImportFailed = 1002,
        ItunesNotInstalled = 1003,
        MediaInfoFailed = 1005,
    };

    explicit DownloadItem(const QString &url, QObject *parent = nullptr);
    ~DownloadItem() override;

    void start();
    // Builds the parameters and hands them to a new download task.
    void download();
    void cancel();

    void setStatus(Status status);
    Status getStatus() const { return status; }
    bool canRestart() const;
    bool isWorking() const;

    QString getUrl() const;
    QString getTitle() const;
    qint64 getDuration() const;
    qint64 getFileSize() const;
    Kel::MediaType getMediaType() const;
    QString getDestFile() const;
    QString getThumbnailFile() const;
    void setThumbnailFile(const QString &file);
    QDateTime getTimeStamp() const { return timeStamp; }
    void setTimeStamp(const QDateTime &time) { timeStamp = time; }
    Kel::Progress getProgress() const { return progress; }
    void setProgress(const Kel::Progress &value) { progress = value; }
    Kel::WebMediaInfo getMediaInfo() const { return mediaInfo; }
    void setMediaInfo(const Kel::WebMediaInfo &info);
    DownloadParameters getDownloadParameters() const { return downloadParameters; }
    void setDownloadParameters(const DownloadParameters &params) { downloadParameters = params; }

    // The quality a download of url would get now: the choice below for
    // the cached information of url with nothing requested; an empty
    // profile when nothing valid is cached.
    static Kel::MediaProfile getDefaultQuality(const QString &url);
    // The quality choice with the user's current settings.
    static Kel::MediaProfile getDownloadMediaProfile(const Kel::WebMediaInfo &info,
                                                     const Kel::MediaProfile &requested, bool audioOnly);
    static QualityPreferences currentQualityPreferences();

    // The subtitles a download of quality gets from info with the user's
    // subtitle mode and languages.
    static Kel::SubtitleSetting makeSubtitleSetting(const Kel::WebMediaInfo &info, const Kel::MediaProfile &quality,
                                                    Kel::SubtitleMode mode, const QList<QLocale::Language> &languages);
    // The language code the site uses for a language ("de", "haw").
    static QString subtitleLanguageCode(QLocale::Language language);
    // "<folder>/<title>[<label>].<suffix>", unique against the files on disk
    // and the destinations already claimed in this process.
    static QString makeDestFile(const QString &folder, const Kel::WebMediaInfo &info,
                                const Kel::MediaProfile &quality);
    // The destinations claimed by items of this process.
    static QStringList getDownloadedFiles() { return mDownloadedFiles; }

signals:
    void dataChanged();
    void statusChanged();
    void error(int errorCode, QVariant arg);
    void error(int errorCode);
    void exportFinished(QString file);
    void downloadFinished();
    void aboutToBeCanceled();
    void thumbnailReceived(QString thumbnailFile);
    void getMediaInfoError(QString info, QString detail);

public slots:
    void receiveMediaInfo(const Kel::WebMediaInfo &info);
    void receiveMediaThumbnail(const QString &url, const QString &thumbnailFile);
    void receiveMediaSize(const QString &url, const QString &profileUrl, qint64 size);
    void onDownloadProgress(qint64 total, qint64 finish, qint64 speed);
    void onDownloadStarted();
    void onDownloadFinished();
    void onDownloadError(qint32 errorCode);

private:
    bool isDownloadScheduled() const { return downloadScheduled; }
    void setDownloadScheduled(bool on) { downloadScheduled = on; }
    void loadMediaInfo();
    void makeDownloadParameters(const Kel::MediaProfile &requested);
    void exportToItunes();
    void handleError(int code, const QString &text);
    static DownloadManager *manager();
    static SettingsManager *settings();

    DownloadParameters downloadParameters;
    Kel::WebMediaInfo mediaInfo;
    Kel::Progress progress;
    Status status = NotReady;
    QDateTime timeStamp;
    bool downloadScheduled = false;
    bool startRequested = false;
    KelmITunesDevice device;
    // The task of the last download, while it exists.
    QPointer<DownloadTask> task;

    static QStringList mDownloadedFiles;
};

} // namespace Tarn
