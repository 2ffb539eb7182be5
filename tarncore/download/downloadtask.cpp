#include "tarncore/download/downloadtask.h"

#include "shared/kellog.h"
#include "tarncore/services/puxupdater.h"
#include "tarncore/task/taskpool.h"
#include "webfetch/webmediadownloader.h"
#include "webfetch/webmediadownloaderfactory.h"

namespace Tarn {

DownloadTask::DownloadTask(Kel::TaskPool *pool)
    : Kel::ProgressedTask(pool)
{
}

DownloadTask::~DownloadTask()
{
    delete downloader;
}

QString DownloadTask::makeTaskKey(const DownloadParameters &params)
{
    return params.getDestFile();
}

void DownloadTask::download(const DownloadParameters &params)
{
    if (downloader)
        return;
    PuxUpdater *updater = PuxUpdater::instance();
    downloader = Kel::WebMediaDownloaderFactory::instance()->createDownloader(updater->puxFilePath(),
                                                                              updater->appDataDir());
    parameters = params;
    Kel::Log::writeLog(Kel::Log::Info, "", "DownloadTask", "Tarn::DownloadTask::download", __LINE__,
                       "DownloadParameters : %s\n", qPrintable(parameters.toString()));

    if (!parameters.isValid() || !getPool()) {
        KEL_ERROR("Download refused (%d): %s", InvalidParameters,
                  getPool() ? "invalid parameters" : "the task has no pool");
        fail(InvalidParameters, tr("No quality of the page could be chosen."));
        return;
    }
    const QString taskKey = makeTaskKey(parameters);
    if (getPool()->isKeyTaken(taskKey)) {
        KEL_ERROR("Download refused (%d): a download to %s is under way", DuplicateDestination,
                  qUtf8Printable(taskKey));
        fail(DuplicateDestination, tr("Another download is writing the same file."));
        return;
    }
    connect(downloader, &Kel::WebMediaDownloader::progress, this, &DownloadTask::progress);
    connect(downloader, &Kel::WebMediaDownloader::started, this, &DownloadTask::onDownloadStarted);
    connect(downloader, &Kel::WebMediaDownloader::error, this, &DownloadTask::onDownloadError);
    connect(downloader, &Kel::WebMediaDownloader::finished, this, &DownloadTask::onDownloadFinished);
    if (!getPool()->addTask(taskKey, this)) {
        KEL_ERROR("Download refused (%d): the pool did not take %s", PoolRefused, qUtf8Printable(taskKey));
        fail(PoolRefused, tr("The download queue did not take the download."));
    }
}

QString DownloadTask::getResultFile() const
{
    return downloader ? downloader->resultFile() : QString();
}

QString DownloadTask::key() const
{
    return makeTaskKey(parameters);
}

bool DownloadTask::isValid() const
{
    return parameters.isValid();
}

void DownloadTask::run()
{
    if (!downloader)
        return;
    downloader->download(parameters.getUrl(), parameters.getDownloadQuality(), parameters.subtitleSetting(),
                         parameters.getDestFile());
    setStatus(Running);
}

void DownloadTask::pause()
{
}

void DownloadTask::resume()
{
}

void DownloadTask::cancel()
{
    if (downloader)
        downloader->cancel();
    setStatus(Canceled);
}

void DownloadTask::clear()
{
    if (downloader)
        downloader->clear();
}

void DownloadTask::onDownloadStarted()
{
    setStatus(Running);
}

void DownloadTask::onDownloadFinished()
{
    setStatus(Finished);
}

void DownloadTask::onDownloadError(qint32 errorCode)
{
    fail(errorCode, downloader ? downloader->errorText() : QString());
}

void DownloadTask::fail(qint32 code, const QString &text)
{
    setErrorText(text);
    setErrorCode(code);
    setStatus(Error);
}

} // namespace Tarn
