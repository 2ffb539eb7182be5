#include "tarncore/download/httpheadtask.h"

#include "tarncore/task/httpsizerequester.h"
#include "tarncore/task/taskpool.h"

namespace Tarn {

HttpHeadTask::HttpHeadTask(Kel::TaskPool *pool)
    : Kel::ProgressedTask(pool)
{
}

HttpHeadTask::~HttpHeadTask()
{
    delete requester;
}

QString HttpHeadTask::makeTaskKey(const QString &url)
{
    return url;
}

bool HttpHeadTask::head(const QString &url)
{
    if (requester)
        return false;
    requester = new Kel::HttpSizeRequester(url, nullptr);
    resourceUrl = url;
    connect(requester, &HttpOperater::progress, this, &HttpHeadTask::onHttpProgress);
    connect(requester, &HttpOperater::started, this, &HttpHeadTask::onHttpStarted);
    connect(requester, &HttpOperater::error, this, &HttpHeadTask::onHttpError);
    connect(requester, &HttpOperater::finished, this, &HttpHeadTask::onHttpFinished);
    connect(requester, &Kel::HttpSizeRequester::requestFinished, this, &HttpHeadTask::headFinished);
    return getPool() && getPool()->addTask(makeTaskKey(url), this);
}

QString HttpHeadTask::key() const
{
    return makeTaskKey(resourceUrl);
}

bool HttpHeadTask::isValid() const
{
    return true;
}

void HttpHeadTask::run()
{
    // The requester announces no start of its own; a request under way is
    // Running like any other task's work.
    if (requester && requester->start())
        setStatus(Running);
}

void HttpHeadTask::pause()
{
    setStatus(Paused);
}

void HttpHeadTask::resume()
{
    setStatus(Running);
}

void HttpHeadTask::cancel()
{
    setStatus(Canceled);
}

void HttpHeadTask::onHttpStarted()
{
    setStatus(Running);
}

void HttpHeadTask::onHttpProgress(qint64 total, qint64 finish)
{
    emit progress(total, finish, 0);
}

void HttpHeadTask::onHttpFinished()
{
    setStatus(Finished);
}

void HttpHeadTask::onHttpError(qint32 errorCode)
{
    setErrorCode(errorCode);
    setStatus(Error);
}

} // namespace Tarn
