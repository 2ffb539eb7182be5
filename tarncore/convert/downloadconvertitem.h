#pragma once

#include "tarncore/convert/convertparameters.h"
#include "tarncore/download/downloadparameters.h"
#include "tarncore/tarncoreglobal.h"
#include "shared/progress.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QVariant>

namespace Tarn {

class ConvertItem;
class DownloadItem;

// One entry that downloads a web video and then converts the downloaded
// file with the quick-convert profile. It owns the inner download item and,
// once the download is done, the inner convert item, and shows both under
// one status. The intermediate download is removed after a successful
// conversion unless the user keeps downloaded files; a failed, cancelled or
// unfinished conversion leaves it where it is. GUI thread only.
class TARNCORE_EXPORT DownloadConvertItem : public QObject
{
    Q_OBJECT
public:
    enum Status : qint32 {
        DCStatusUnmapped = -1,
        // 0 to 6: the download item's status of the same value.
        DCStatusNotReady = 0,
        DCStatusAnalysing = 1,
        DCStatusReady = 2,
        DCStatusWaiting = 3,
        DCStatusDownloading = 4,
        DCStatusDownloadFailed = 5,
        DCStatusDownloadFinished = 6,
        DCStatusConvertReady = 7,
        DCStatusConvertStarting = 8,
        DCStatusConverting = 9,
        DCStatusConvertError = 11,
        DCStatusConvertFinished = 12,
    };
    Q_ENUM(Status)

    explicit DownloadConvertItem(const QString &url, QObject *parent = nullptr);
    // Ends work still under way. The downloaded file stays: only a
    // successful conversion replaces it.
    ~DownloadConvertItem() override;

    // Not started: download; failed download: download again; convert
    // item ready: convert. Anything else: nothing.
    void start();
    void download();
    void convert();
    void cancel();

    Status getStatus() const { return status; }
    void setStatus(Status value);
    bool isWorking() const;
    // Only a failed download can be started again.
    bool canRestart() const;
    QDateTime getTimeStamp() const { return timeStamp; }
    void setTimeStamp(const QDateTime &time);
    DownloadParameters &getDownloadParameters() { return downloadParameters; }
    const DownloadParameters &getDownloadParameters() const { return downloadParameters; }
    ConvertParameters &getConvertParameters() { return convertParameters; }
    const ConvertParameters &getConvertParameters() const { return convertParameters; }
    void setDownloadParameters(const DownloadParameters &params);
    void setConvertParameters(const ConvertParameters &params);

    QString getTitle() const;
    QString getUrl() const { return url; }
    qint64 getDuration() const;
    QString getDestFile() const;
    QString getThumbnailFile() const;
    Kel::Progress getProgress() const;
    // 0 nothing started, 1 downloading, 2 converting.
    int getPhase() const { return phase; }

    DownloadItem *getDownloadItem() const { return downloadItem; }
    ConvertItem *getConvertItem() const { return convertItem; }

signals:
    void dataChanged();
    void statusChanged();
    void error(int errorCode, QVariant arg);
    void aboutToBeCanceled();
    void downloadFinished();
    void convertFinished();
    void exportFinished(QString file);

public slots:
    void onDownloadFinished();
    void onDownloadStatusChanged();
    void onConvertFinished();
    void onConvertStatusChanged();

private slots:
    // A conversion's failure also tells where the downloaded file is kept.
    void relayConvertError(int errorCode, const QVariant &arg);

private:
    void removeDownloadedFile();

    QString url;
    DownloadParameters downloadParameters;
    ConvertParameters convertParameters;
    DownloadItem *downloadItem = nullptr;
    ConvertItem *convertItem = nullptr;
    int phase = 0;
    Kel::Progress progress;
    Status status = DCStatusNotReady;
    QDateTime timeStamp;
};

} // namespace Tarn
