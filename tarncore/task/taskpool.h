#pragma once

#include "tarncore/tarncoreglobal.h"

#include <QMap>
#include <QObject>
#include <QStringList>

#include <atomic>
#include <condition_variable>
#include <mutex>

namespace Kel {

class PoolThread;
class Task;

// Keeps tasks by key, queues them and lets its scheduler thread start at
// most maxRunning of them at a time, one start per scheduling pass. The
// scheduler never runs task code: it changes the task's status and emits
// signalRun, which reaches the task in its own thread.
//
// Locks: taskMutex guards tasks and queue, countMutex the counters. When
// both are needed, taskMutex is taken first; the scheduler never holds
// countMutex while taking taskMutex. Task operations (cancel, pause, their
// signals) are called with no pool lock held, so task code may call back
// into the pool. So is the scheduler's announcement of a start
// (statusChanged, signalRun): a receiver connected directly runs in the
// scheduler thread and may call the pool, but must not wait for the task's
// own thread, which does not delete or run the task before the announcement
// is over.
class TARNCORE_EXPORT TaskPool : public QObject
{
    Q_OBJECT
public:
    explicit TaskPool(QObject *parent = nullptr);
    ~TaskPool() override;

    // Starts the scheduler thread; does nothing once the pool was stopped.
    void start();
    // Ends the scheduler, cancels every task and schedules the tasks still
    // in the pool for deletion. The scheduler does not run again.
    void stop();

    // Values of 0 or less are ignored.
    void setMaxRunning(int n);
    void setInterval(int ms);
    int getMaxRunning() const;
    int getInterval() const;
    // Tasks holding a running slot.
    int getRunningCount() const;

    // False for a null or invalid task, an empty key or a key that a task
    // still under way holds. A task that has ended gives its key up at once
    // (it would otherwise wait for the next scheduling pass), so that a
    // receiver of its end signal may start the same work again. A Ready
    // task is queued.
    bool addTask(const QString &key, Task *task);
    Task *task(const QString &key) const;
    // A task that has not ended holds key.
    bool isKeyTaken(const QString &key) const;
    void cancelTask(const QString &key);
    void pauseTask(const QString &key);
    // Queues a Paused task again as Resumed; any other status: nothing.
    void resumeTask(const QString &key);
    void cancelAll();

    QStringList taskKeys() const;
    QStringList queuedKeys() const;
    // Scheduling passes done so far (tests and diagnostics).
    quint64 getPassCount() const;
    bool isStopped() const;

private:
    friend class PoolThread;
    friend class Task;

    // One scheduling pass, in the scheduler thread.
    void schedulePass();
    void removeEndedTasks();
    void startNextTask();
    // Gives back one running slot, never going below zero.
    void releaseSlot();
    // A task going away takes itself out of the map and the queue.
    void forgetTask(Task *task);
    // Takes key out of the queue and returns its task.
    Task *dequeue(const QString &key);
    // Out of the map, cleared later in its own thread; taskMutex held.
    void retire(QMap<QString, Task *>::iterator it);
    // Waits until the scheduler is done announcing task's start; lock holds
    // taskMutex.
    void awaitAnnouncement(std::unique_lock<std::mutex> &lock, const Task *task);

    PoolThread *thread;
    mutable std::mutex taskMutex;
    QMap<QString, Task *> tasks;
    QStringList queue;
    // The task whose start the scheduler is announcing, with no lock held;
    // guarded by taskMutex, its end signalled by announced.
    const Task *announcing = nullptr;
    std::condition_variable announced;
    mutable std::mutex countMutex;
    int runningCount = 0;
    int maxRunning = 5;
    int interval = 100;
    std::atomic<quint64> passCount{0};
    std::atomic<bool> stopped{false};
};

} // namespace Kel
