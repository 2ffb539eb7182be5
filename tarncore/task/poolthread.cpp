#include "tarncore/task/poolthread.h"

#include "tarncore/task/taskpool.h"

#include <chrono>

namespace Kel {

PoolThread::PoolThread(TaskPool *pool)
    : QThread(pool)
    , pool(pool)
{
}

void PoolThread::stop()
{
    {
        std::lock_guard<std::mutex> lock(sleepMutex);
        keepRunning.store(false);
    }
    wakeUp.notify_all();
}

bool PoolThread::isKeepRunning() const
{
    return keepRunning.load();
}

void PoolThread::stopAndJoin()
{
    stop();
    if (!isRunning() && !isFinished())
        return;
    wait();
    std::unique_lock<std::mutex> lock(sleepMutex);
    ended.wait(lock, [this] { return loopEnded; });
}

void PoolThread::run()
{
    while (keepRunning.load()) {
        pool->schedulePass();
        const auto pause = std::chrono::milliseconds(pool->getInterval());
        std::unique_lock<std::mutex> lock(sleepMutex);
        wakeUp.wait_for(lock, pause, [this] { return !keepRunning.load(); });
    }
    std::lock_guard<std::mutex> lock(sleepMutex);
    loopEnded = true;
    ended.notify_all();
}

} // namespace Kel
