#pragma once

#include "shared/mediaprofile.h"
#include "shared/progress.h"
#include "shared/webmediainfo.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariant>

namespace Tarn {

class DownloadConvertItem;
class DownloadItem;

// One page of the download command: asks for its media information, then
// downloads it through a download item of the download list, or through a
// download-then-convert item when the result is to be converted, and
// follows the item to its end. The items belong to the data manager.
class DownloadJob : public QObject
{
    Q_OBJECT
public:
    enum State {
        Analysing,
        Waiting,
        Downloading,
        Converting,
        Finished,
        Failed,
        Cancelled,
    };
    Q_ENUM(State)

    struct Request
    {
        // A quality of the page by its name; empty: the settings choose.
        QString qualityName;
        bool audioOnly = false;
        // Convert the download with the quick-convert profile of the settings.
        bool convert = false;
    };

    DownloadJob(const QString &url, const Request &request, QObject *parent = nullptr);
    ~DownloadJob() override;

    void start();
    // Stops the job and its files; ended() follows before this returns.
    void cancel();

    QString url() const { return pageUrl; }
    State state() const { return jobState; }
    bool isEnded() const { return jobState == Finished || jobState == Failed || jobState == Cancelled; }
    // The page's title once known, else its address.
    QString label() const;
    // A phase word for the progress row ("downloading").
    QString stateText() const;
    Kel::Progress progress() const;
    bool progressInBytes() const { return jobState != Converting; }
    // Why the job failed.
    QString reason() const { return failure; }
    // The downloaded file, and the converted one of a converting job.
    QString downloadedFile() const;
    QString convertedFile() const;
    // The finished download of a converting job whose conversion failed:
    // it stays on disk. Empty otherwise.
    QString keptDownload() const;

signals:
    void changed();
    void ended();

private:
    void receiveMediaInfo(const Kel::WebMediaInfo &info);
    void startItem(const Kel::MediaProfile &quality);
    void followDownloadItem(DownloadItem *item);
    void onDownloadStatusChanged();
    void onConvertItemStatusChanged();
    void onItemError(int code, const QVariant &argument);
    void setState(State state);
    // The item has ended. Its reasons and its last steps (removing an
    // intermediate download) come right after its status, so the end is
    // reported from the event loop.
    void endSoon(State end);
    void fail(const QString &reason);

    QString pageUrl;
    Request request;
    State jobState = Analysing;
    QString title;
    QString failure;
    QString itemReason;
    bool ending = false;
    QPointer<DownloadItem> item;
    QPointer<DownloadConvertItem> convertItem;
};

} // namespace Tarn
