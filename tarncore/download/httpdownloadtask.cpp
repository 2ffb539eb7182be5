#include "tarncore/download/httpdownloadtask.h"

#include "tarncore/task/httpdownloader.h"
#include "tarncore/task/taskpool.h"

namespace Tarn {

HttpDownloadTask::HttpDownloadTask(Kel::TaskPool *pool)
    : Kel::ProgressedTask(pool)
{
}

HttpDownloadTask::~HttpDownloadTask()
{
    delete downloader;
}

QString HttpDownloadTask::makeTaskKey(const QString &url)
{
    return url;
}

bool HttpDownloadTask::download(const QString &url, const QString &file)
{
    if (downloader)
        return false;
    resourceUrl = url;
    destFile = file;
    downloader = new Kel::HttpDownloader(url, file, nullptr);
    connect(downloader, &HttpOperater::started, this, &HttpDownloadTask::onHttpStarted);
    connect(downloader, &HttpOperater::error, this, &HttpDownloadTask::onHttpError);
    connect(downloader, &HttpOperater::finished, this, &HttpDownloadTask::onHttpFinished);
    connect(downloader, &Kel::HttpDownloader::downloadFinished, this, &HttpDownloadTask::downloadFinished);
    return getPool() && getPool()->addTask(makeTaskKey(url), this);
}

QString HttpDownloadTask::key() const
{
    return makeTaskKey(resourceUrl);
}

bool HttpDownloadTask::isValid() const
{
    return true;
}

void HttpDownloadTask::run()
{
    if (downloader)
        downloader->start();
}

void HttpDownloadTask::pause()
{
    setStatus(Paused);
}

void HttpDownloadTask::resume()
{
    setStatus(Running);
}

void HttpDownloadTask::cancel()
{
    // A cancelled download must not go on to complete its file: the
    // downloader's destruction aborts the request and removes the part file.
    if (downloader && !isEnded(status())) {
        downloader->disconnect(this);
        downloader->deleteLater();
        downloader = nullptr;
    }
    setStatus(Canceled);
}

void HttpDownloadTask::onHttpStarted()
{
    setStatus(Running);
}

void HttpDownloadTask::onHttpFinished()
{
    setStatus(Finished);
}

void HttpDownloadTask::onHttpError(qint32 errorCode)
{
    setErrorCode(errorCode);
    setStatus(Error);
}

} // namespace Tarn
