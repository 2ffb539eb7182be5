#pragma once

#include "tarncore/task/progressedtask.h"
#include "tarncore/tarncoreglobal.h"

namespace Kel {
class HttpSizeRequester;
}

namespace Tarn {

// Asks a server for the size of one resource, in the download manager's
// HTTP pool, keyed by the resource address. A failed request ends with
// error(-1) and headFinished(url, -1).
class TARNCORE_EXPORT HttpHeadTask : public Kel::ProgressedTask
{
    Q_OBJECT
public:
    explicit HttpHeadTask(Kel::TaskPool *pool);
    ~HttpHeadTask() override;

    static QString makeTaskKey(const QString &url);

    // Prepares the request and queues the task in its pool; false when the
    // pool did not take it (no pool, or the address is already asked for).
    bool head(const QString &url);
    QString getUrl() const { return resourceUrl; }

    QString key() const override;
    bool isValid() const override;
    void run() override;
    // A HEAD request is too short to be worth stopping: pausing and
    // cancelling only change the status, the answer is still reported.
    void pause() override;
    void resume() override;
    void cancel() override;

signals:
    void headFinished(const QString &resourceUrl, qint64 size);

private slots:
    void onHttpStarted();
    void onHttpProgress(qint64 total, qint64 finish);
    void onHttpFinished();
    void onHttpError(qint32 errorCode);

private:
    QString resourceUrl;
    Kel::HttpSizeRequester *requester = nullptr;
};

} // namespace Tarn
