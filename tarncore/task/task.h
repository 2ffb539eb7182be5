#pragma once

#include "tarncore/tarncoreglobal.h"

#include <QObject>
#include <QString>

#include <atomic>

namespace Kel {

class TaskPool;

// One long-running piece of work, kept by a task pool under its key. The
// pool's scheduler thread decides when it starts; run(), pause(), resume()
// and cancel() execute in the thread the task belongs to (the GUI thread).
// Status and flags are touched by both threads and are atomic; a status
// change is claimed atomically before its signals go out, so a receiver
// already sees the new status. Finished, Canceled and Error are final.
class TARNCORE_EXPORT Task : public QObject
{
    Q_OBJECT
public:
    enum Status : qint32 {
        Ready = 0,
        Starting = 1,
        Running = 2,
        Paused = 3,
        Resumed = 4,
        Resuming = 5,
        Finished = 6,
        Canceled = 7,
        Error = 8,
    };
    Q_ENUM(Status)

    // The pool becomes the task's parent.
    explicit Task(TaskPool *pool);
    ~Task() override;

    virtual QString key() const = 0;
    virtual bool isValid() const = 0;
    virtual void run() = 0;
    virtual void pause() = 0;
    virtual void resume() = 0;
    virtual void cancel() = 0;
    virtual Status status() const;
    virtual qint32 errorCode() const;
    virtual void setErrorCode(qint32 code);
    virtual bool isRunning() const;
    // Releases the work's resources once the task has ended; the pool calls
    // it in the task's own thread.
    virtual void clear();
    virtual void setStatus(Status status);

    TaskPool *getPool() const;
    // The status has been Running at least once.
    bool hasStarted() const;
    // The task holds one of its pool's running slots.
    bool holdsSlot() const;

    // Starting, Running and Resuming.
    static bool isActive(Status status);
    // Finished, Canceled and Error.
    static bool isEnded(Status status);

signals:
    void statusChanged(const QString &taskKey, Kel::Task::Status status);
    void signalRun();
    void started();
    void paused();
    void resumed();
    void finished();
    void error(qint32 errorCode);

private slots:
    void slotRun();
    void slotClear();

private:
    friend class TaskPool;

    // Scheduler side, with the pool's task lock held and a running slot
    // reserved for this task: Ready or Resumed becomes Starting or Resuming
    // (started). False (slot given back) for any other status.
    bool beginStart(Status &started);
    // Scheduler side, with no lock held: the start claimed by beginStart()
    // goes out.
    void announceStart(const QString &mapKey, Status next);
    // The atomic part of a status change; false when nothing changed.
    bool changeStatus(Status to, Status &from);
    // The signals of a change made by changeStatus().
    void announce(Status from, Status to);
    void releaseSlot();
    // Waits until the scheduler has finished announcing this task's start,
    // which also orders this delivery after the scheduler's post in a way
    // the thread sanitizer can see.
    void synchronizeWithScheduler() const;

    TaskPool *m_pool;
    std::atomic<qint32> m_status{Ready};
    std::atomic<qint32> m_errorCode{0};
    std::atomic<bool> m_hasStarted{false};
    std::atomic<bool> m_pausePending{false};
    std::atomic<bool> m_holdsSlot{false};
    // One delivery of signalRun acts per start of the scheduler.
    std::atomic<bool> m_startRequested{false};
};

} // namespace Kel
