#pragma once

#include "tarncore/tarncoreglobal.h"

#include <QThread>

#include <atomic>
#include <condition_variable>
#include <mutex>

namespace Kel {

class TaskPool;

// A task pool's scheduler: one pass per interval until stopped. Its sleep
// is interruptible, so stop() takes effect at once instead of after the
// current interval.
class TARNCORE_EXPORT PoolThread : public QThread
{
public:
    explicit PoolThread(TaskPool *pool);

    // The loop ends after its current pass; the thread is not waited for.
    virtual void stop();
    bool isKeepRunning() const;

protected:
    void run() override;

private:
    TaskPool *pool;
    std::atomic<bool> keepRunning{true};
    std::mutex sleepMutex;
    std::condition_variable wakeUp;
};

} // namespace Kel
