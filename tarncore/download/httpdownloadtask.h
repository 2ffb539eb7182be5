#pragma once

#include "tarncore/task/progressedtask.h"
#include "tarncore/tarncoreglobal.h"

namespace Kel {
class HttpDownloader;
}

namespace Tarn {

// Fetches one file over HTTP in a task pool, keyed by the resource address.
// downloadFinished is emitted at every end; the destination exists when the
// download succeeded.
class TARNCORE_EXPORT HttpDownloadTask : public Kel::ProgressedTask
{
    Q_OBJECT
public:
    explicit HttpDownloadTask(Kel::TaskPool *pool);
    ~HttpDownloadTask() override;

    static QString makeTaskKey(const QString &url);

    // Prepares the download and queues the task in its pool; false when the
    // pool did not take it.
    bool download(const QString &url, const QString &destFile);
    QString getUrl() const { return resourceUrl; }
    QString getDestFile() const { return destFile; }

    QString key() const override;
    bool isValid() const override;
    void run() override;
    void pause() override;
    void resume() override;
    void cancel() override;

signals:
    void downloadFinished(const QString &resourceUrl, const QString &destFile);

private slots:
    void onHttpStarted();
    void onHttpFinished();
    void onHttpError(qint32 errorCode);

private:
    QString resourceUrl;
    QString destFile;
    Kel::HttpDownloader *downloader = nullptr;
};

} // namespace Tarn
