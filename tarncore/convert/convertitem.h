#pragma once

#include "tarncore/convert/convertparameters.h"
#include "tarncore/services/kelmitunesdevice.h"
#include "tarncore/tarncoreglobal.h"
#include "shared/filemediainfo.h"
#include "shared/mediaprofile.h"
#include "shared/progress.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QSize>
#include <QStringList>
#include <QVariant>

namespace Tarn {

class ConvertManager;
class ConvertTask;
class DownloadItem;
class SettingsManager;

// One entry of the convert list: one source file, one target profile, its
// progress and its state. It names the destination, hands the conversion to
// a task of the convert manager, follows the task and may hand the result
// to iTunes. An item made from a download item waits for the download and
// then converts the downloaded file. GUI thread only.
class TARNCORE_EXPORT ConvertItem : public QObject
{
    Q_OBJECT
public:
    enum Status : qint32 {
        StatusNone = 0,
        StatusWaitingDownload = 1,
        StatusReady = 2,
        StatusStarting = 3,
        StatusConverting = 4,
        StatusError = 5,
        StatusPaused = 6,
        StatusFinished = 7,
    };
    Q_ENUM(Status)

    // Codes of error(int, QVariant).
    enum ErrorCode : int {
        ConvertFailed = 1001,
        ItunesImportFailed = 1002,
        ItunesNotInstalled = 1003,
        SourceProbeFailed = 1004,
    };

    explicit ConvertItem(QObject *parent = nullptr);
    // An item that converts what d downloads: it waits for the download.
    explicit ConvertItem(DownloadItem *d, QObject *parent = nullptr);
    // Gives back the destination name this item reserved.
    ~ConvertItem() override;

    // Ready or failed items convert, paused ones resume; others: nothing.
    void start();
    // Starts the conversion whatever the status.
    void convert();
    void pause();
    void resume();
    // Cancels the conversion; the status stays as it is.
    void cancel();
    // Releases the item before it goes: ends a conversion still under way
    // and removes the item's own thumbnail.
    void clear();

    Status getStatus() const { return status; }
    void setStatus(Status value);
    // Not failed and not finished.
    bool isWorking() const;
    bool canRestart() const;

    Kel::Progress getProgress() const { return progress; }
    void setProgress(const Kel::Progress &value) { progress = value; }
    QDateTime getTimeStamp() const { return timeStamp; }
    void setTimeStamp(const QDateTime &time) { timeStamp = time; }
    ConvertParameters &getConvertParameters() { return convertParameters; }
    const ConvertParameters &getConvertParameters() const { return convertParameters; }
    void setConvertParameters(const ConvertParameters &params) { convertParameters = params; }
    Kel::FileMediaInfo &getSrcMediaInfo() { return srcMediaInfo; }
    const Kel::FileMediaInfo &getSrcMediaInfo() const { return srcMediaInfo; }
    void setSrcMediaInfo(const Kel::FileMediaInfo &info);

    // Views of the parameters; empty values while the parameters are not
    // valid.
    QString getDestFile() const;
    QString getDestFormat() const;
    QSize getDestResolution() const;
    Kel::MediaProfile getConvertProfile() const;
    qint32 getDestVBitRate() const;
    qint32 getDestABitRate() const;

    // What the result will probably be: the source's size and bit rate for
    // profiles that keep them.
    QSize getEstimatedDestResolution() const;
    qint64 getEstimatedDestVBitRate() const;
    // Bytes; 0 when nothing can be said.
    qint64 getEstimatedDestFileSize() const;

    // The source's thumbnail, or the default picture.
    QString getThumbnailFile() const;

    // Probes the source file again and keeps the thumbnail; false when the
    // file is missing or not a media file.
    bool loadSrcFileMediaInfo();

    // A preset by its name; the user's own profile as
    // "<codec>-<size>-<bit rate>" or "<codec>[-<bit rate>]", with the format
    // in front ("MP4(H.264-720P-1500K)") when withFormat is set.
    static QString makeConvertParametersString(const Kel::MediaProfile &profile, bool withFormat);
    // "720P" for the common 16:9 heights, else "<width>x<height>".
    static QString resolutionLabel(const QSize &resolution);
    // The destinations reserved by living items.
    static QStringList getConvertedFiles() { return mConvertedFiles; }

signals:
    void dataChanged();
    void statusChanged();
    void error(int errorCode, QVariant arg = QVariant());
    void convertFinished();
    void exportFinished(QString file);
    void canceled();

public slots:
    void onConvertProgress(qint64 total, qint64 finish, qint64 speed);
    void onConvertStarted();
    void onConvertPaused();
    void onConvertResumed();
    void onConvertFinished();
    void onConvertError(qint32 errorCode);
    void onDownloadFinished();
    void onDownloadAboutToBeCanceled();
    void onThumbnailReceived(QString thumbnailFile);

protected:
    // "<source base name>__[<parameter text>].<format>" in the destination
    // folder of the settings, numbered when the name is taken on disk or
    // by another item, and reserved for this item.
    QString makeDestFile(const QString &srcFile, const Kel::MediaProfile &profile);
    void handleError(int code, const QString &text);

private:
    // A private copy "<name>_convert.<suffix>" of a thumbnail; empty when
    // the copy fails.
    static QString duplicateThumbnail(const QString &path);
    void exportToItunes();
    void releaseDestFile();
    void removeOwnThumbnail();
    QString sourceFile() const;
    static ConvertManager *manager();
    static SettingsManager *settings();

    Kel::FileMediaInfo srcMediaInfo;
    ConvertParameters convertParameters;
    Kel::Progress progress;
    Status status = StatusNone;
    QDateTime timeStamp;
    KelmITunesDevice device;
    // The task of the last start, while it exists.
    QPointer<ConvertTask> task;
    // A thumbnail that belongs to someone else and is never removed here.
    QString sharedThumbnail;
    // The destination this item holds in mConvertedFiles.
    QString reservedDestFile;
    // The download whose file this item converts, while it exists.
    QPointer<DownloadItem> sourceDownload;

    static QStringList mConvertedFiles;
};

} // namespace Tarn
