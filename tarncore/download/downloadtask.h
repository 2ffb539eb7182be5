#pragma once

#include "tarncore/download/downloadparameters.h"
#include "tarncore/task/progressedtask.h"
#include "tarncore/tarncoreglobal.h"

namespace Kel {
class WebMediaDownloader;
}

namespace Tarn {

// One media download in the download pool, keyed by its destination file.
// Error codes of its own: -10 invalid parameters or no pool, -11 a download
// to the same destination is already in the pool, -12 the pool refused the
// task; any other code comes from the back end's downloader.
class TARNCORE_EXPORT DownloadTask : public Kel::ProgressedTask
{
    Q_OBJECT
public:
    enum ErrorCode : qint32 {
        InvalidParameters = -10,
        DuplicateDestination = -11,
        PoolRefused = -12,
    };

    explicit DownloadTask(Kel::TaskPool *pool);
    ~DownloadTask() override;

    static QString makeTaskKey(const DownloadParameters &params);

    // Creates the downloader, checks the parameters and enters the pool;
    // a failure ends the task at once with one of the codes above.
    void download(const DownloadParameters &params);
    DownloadParameters getDownloadParameters() const { return parameters; }
    // The file a finished download wrote: its destination, or a numbered
    // name when another program took the destination meanwhile. Empty
    // before the download has finished.
    QString getResultFile() const;

    QString key() const override;
    bool isValid() const override;
    void run() override;
    // A running tool cannot be paused: both do nothing.
    void pause() override;
    void resume() override;
    void cancel() override;
    void clear() override;

private slots:
    void onDownloadStarted();
    void onDownloadFinished();
    void onDownloadError(qint32 errorCode);

private:
    void fail(qint32 code, const QString &text);

    Kel::WebMediaDownloader *downloader = nullptr;
    DownloadParameters parameters;
};

} // namespace Tarn
