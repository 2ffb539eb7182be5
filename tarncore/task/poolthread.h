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
    // stop(), then waits until the thread has ended.
    void stopAndJoin();

protected:
    void run() override;

private:
    TaskPool *pool;
    std::atomic<bool> keepRunning{true};
    std::mutex sleepMutex;
    std::condition_variable wakeUp;
    // Set as the loop's very last act. QThread::wait() orders through Qt's
    // own futex lock, which ThreadSanitizer cannot see; this handshake makes
    // the end of the loop visible to it.
    bool loopEnded = false;
    std::condition_variable ended;
};

} // namespace Kel
