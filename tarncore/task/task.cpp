#include "tarncore/task/task.h"

#include "tarncore/task/taskpool.h"

namespace Kel {

Task::Task(TaskPool *pool)
    : QObject(pool)
    , m_pool(pool)
{
    // Emitted by the scheduler thread, so the slot runs queued in ours.
    connect(this, &Task::signalRun, this, &Task::slotRun);
}

Task::~Task()
{
    if (m_pool) {
        m_pool->forgetTask(this);
        if (m_holdsSlot.exchange(false))
            m_pool->releaseSlot();
    }
}

Task::Status Task::status() const
{
    return Status(m_status.load());
}

qint32 Task::errorCode() const
{
    return m_errorCode.load();
}

void Task::setErrorCode(qint32 code)
{
    m_errorCode.store(code);
}

bool Task::isRunning() const
{
    return status() == Running;
}

void Task::clear()
{
}

void Task::setStatus(Status status)
{
    Status from = Ready;
    if (changeStatus(status, from))
        announce(from, status);
}

TaskPool *Task::getPool() const
{
    return m_pool;
}

bool Task::hasStarted() const
{
    return m_hasStarted.load();
}

bool Task::holdsSlot() const
{
    return m_holdsSlot.load();
}

bool Task::isActive(Status status)
{
    return status == Starting || status == Running || status == Resuming;
}

bool Task::isEnded(Status status)
{
    return status == Finished || status == Canceled || status == Error;
}

bool Task::changeStatus(Status to, Status &from)
{
    qint32 current = m_status.load();
    do {
        // An ended task stays ended: a worker's late error after a cancel,
        // or a pause arriving after the end, must not revive or relabel it.
        if (current == to || isEnded(Status(current)))
            return false;
    } while (!m_status.compare_exchange_weak(current, to));
    from = Status(current);

    if (to == Running)
        m_hasStarted.store(true);
    if (to == Paused)
        m_pausePending.store(true);
    // A slot is given back by whoever takes the flag, so it is given back
    // exactly once, and only by a task that really holds one.
    if (!isActive(to) && m_holdsSlot.exchange(false))
        releaseSlot();
    return true;
}

void Task::announce(Status from, Status to)
{
    Q_UNUSED(from)
    switch (to) {
    case Running:
        emit started();
        break;
    case Paused:
        emit paused();
        break;
    case Resumed:
        emit resumed();
        break;
    case Finished:
        emit finished();
        break;
    case Error:
        emit error(errorCode());
        break;
    case Ready:
    case Starting:
    case Resuming:
    case Canceled:
        break;
    }
    emit statusChanged(key(), to);
}

void Task::releaseSlot()
{
    if (m_pool)
        m_pool->releaseSlot();
}

bool Task::beginStart(Status &started)
{
    qint32 current = m_status.load();
    if (current != Ready && current != Resumed) {
        releaseSlot();
        return false;
    }
    // A Ready or Resumed task holds no slot: the reserved one becomes its.
    m_pausePending.store(false);
    m_holdsSlot.store(true);
    qint32 next = Starting;
    for (;;) {
        if (current == Ready) {
            next = Starting;
        } else if (current == Resumed) {
            // Paused before it ever ran: it runs from the start.
            next = m_hasStarted.load() ? Resuming : Starting;
        } else {
            // Changed under our feet (cancelled, paused): give the slot back
            // unless the change already did.
            if (m_holdsSlot.exchange(false))
                releaseSlot();
            return false;
        }
        if (m_status.compare_exchange_weak(current, next))
            break;
    }
    m_startRequested.store(true);
    started = Status(next);
    return true;
}

void Task::announceStart(const QString &mapKey, Status next)
{
    emit statusChanged(mapKey, next);
    emit signalRun();
}

void Task::synchronizeWithScheduler() const
{
    // Qt's event queue already orders the scheduler's post before this
    // delivery, but through a futex lock that ThreadSanitizer cannot see
    // unless Qt itself is instrumented. The scheduler takes the pool's task
    // lock once more after its post; waiting for that here makes the same
    // order visible.
    if (m_pool) {
        std::unique_lock<std::mutex> lock(m_pool->taskMutex);
        m_pool->awaitAnnouncement(lock, this);
    }
}

void Task::slotClear()
{
    synchronizeWithScheduler();
    clear();
}

void Task::slotRun()
{
    synchronizeWithScheduler();
    if (!m_startRequested.exchange(false))
        return;
    // A pause arrived between the scheduler's decision and this delivery.
    if (m_pausePending.load())
        return;
    switch (status()) {
    case Starting:
        run();
        break;
    case Resuming:
        resume();
        break;
    default:
        break;
    }
}

} // namespace Kel
