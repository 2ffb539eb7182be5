#include "tarncore/task/taskpool.h"

#include "tarncore/task/poolthread.h"
#include "tarncore/task/task.h"

#include <QPointer>

#include <algorithm>

namespace Kel {

using Lock = std::lock_guard<std::mutex>;

TaskPool::TaskPool(QObject *parent)
    : QObject(parent)
    , thread(new PoolThread(this))
{
}

TaskPool::~TaskPool()
{
    // Cooperative end: the scheduler finishes its pass and starts nothing
    // after this point.
    thread->stopAndJoin();

    QList<Task *> remaining;
    {
        Lock lock(taskMutex);
        remaining = tasks.values();
        tasks.clear();
        queue.clear();
    }
    // Tasks that already left the map die with the QObject children, after
    // this pool's members: they must not call back.
    const QList<Task *> children = findChildren<Task *>(QString(), Qt::FindDirectChildrenOnly);
    for (Task *task : children)
        task->m_pool = nullptr;
    for (Task *task : qAsConst(remaining)) {
        task->m_pool = nullptr;
        delete task;
    }
    delete thread;
}

void TaskPool::start()
{
    if (stopped.load() || thread->isRunning())
        return;
    thread->start(QThread::InheritPriority);
}

void TaskPool::stop()
{
    stopped.store(true);
    thread->stopAndJoin();
    cancelAll();
    QList<Task *> remaining;
    {
        Lock lock(taskMutex);
        remaining = tasks.values();
        tasks.clear();
        queue.clear();
    }
    for (Task *task : qAsConst(remaining))
        task->deleteLater();
}

void TaskPool::setMaxRunning(int n)
{
    Lock lock(countMutex);
    if (n > 0)
        maxRunning = n;
}

void TaskPool::setInterval(int ms)
{
    Lock lock(countMutex);
    if (ms > 0)
        interval = ms;
}

int TaskPool::getMaxRunning() const
{
    Lock lock(countMutex);
    return maxRunning;
}

int TaskPool::getInterval() const
{
    Lock lock(countMutex);
    return interval;
}

int TaskPool::getRunningCount() const
{
    Lock lock(countMutex);
    return runningCount;
}

bool TaskPool::addTask(const QString &key, Task *task)
{
    // A task of another pool would give its slots back there.
    if (!task || key.isEmpty() || task->m_pool != this || !task->isValid())
        return false;
    Lock lock(taskMutex);
    if (std::find(tasks.cbegin(), tasks.cend(), task) != tasks.cend())
        return false;
    const auto held = tasks.find(key);
    if (held != tasks.end()) {
        if (!Task::isEnded(Task::Status(held.value()->m_status.load())))
            return false;
        retire(held);
    }
    tasks.insert(key, task);
    if (task->m_status.load() == Task::Ready)
        queue.append(key);
    return true;
}

Task *TaskPool::task(const QString &key) const
{
    if (key.isEmpty())
        return nullptr;
    Lock lock(taskMutex);
    return tasks.value(key, nullptr);
}

bool TaskPool::isKeyTaken(const QString &key) const
{
    if (key.isEmpty())
        return false;
    Lock lock(taskMutex);
    const Task *t = tasks.value(key, nullptr);
    return t && !Task::isEnded(Task::Status(t->m_status.load()));
}

Task *TaskPool::dequeue(const QString &key)
{
    if (key.isEmpty())
        return nullptr;
    Lock lock(taskMutex);
    queue.removeAll(key);
    return tasks.value(key, nullptr);
}

void TaskPool::cancelTask(const QString &key)
{
    if (Task *t = dequeue(key))
        t->cancel();
}

void TaskPool::pauseTask(const QString &key)
{
    if (Task *t = dequeue(key))
        t->pause();
}

void TaskPool::resumeTask(const QString &key)
{
    if (key.isEmpty())
        return;
    Task *t = nullptr;
    Task::Status from = Task::Paused;
    {
        Lock lock(taskMutex);
        t = tasks.value(key, nullptr);
        if (!t || t->m_status.load() != Task::Paused || !t->changeStatus(Task::Resumed, from))
            return;
        // Status and queue change together for the scheduler.
        queue.append(key);
    }
    t->announce(from, Task::Resumed);
}

void TaskPool::cancelAll()
{
    QList<QPointer<Task>> all;
    {
        Lock lock(taskMutex);
        queue.clear();
        for (Task *t : qAsConst(tasks))
            all.append(t);
    }
    // One task's cancellation may delete another.
    for (const QPointer<Task> &t : qAsConst(all)) {
        if (t)
            t->cancel();
    }
}

QStringList TaskPool::taskKeys() const
{
    Lock lock(taskMutex);
    return tasks.keys();
}

QStringList TaskPool::queuedKeys() const
{
    Lock lock(taskMutex);
    return queue;
}

quint64 TaskPool::getPassCount() const
{
    return passCount.load();
}

bool TaskPool::isStopped() const
{
    return stopped.load();
}

void TaskPool::schedulePass()
{
    removeEndedTasks();
    startNextTask();
    passCount.fetch_add(1);
}

void TaskPool::removeEndedTasks()
{
    Lock lock(taskMutex);
    for (auto it = tasks.begin(); it != tasks.end();) {
        if (Task::isEnded(Task::Status(it.value()->m_status.load())))
            retire(it++);
        else
            ++it;
    }
}

void TaskPool::retire(QMap<QString, Task *>::iterator it)
{
    // clear() touches the task's workers, which live in its thread.
    QMetaObject::invokeMethod(it.value(), "slotClear", Qt::QueuedConnection);
    queue.removeAll(it.key());
    tasks.erase(it);
}

void TaskPool::startNextTask()
{
    {
        Lock lock(countMutex);
        if (runningCount >= maxRunning)
            return;
        // Reserved before the task can see it, so that a release racing
        // with the start never meets a count that is still too low.
        ++runningCount;
    }
    bool handedOver = false;
    Task *started = nullptr;
    QString key;
    Task::Status status = Task::Starting;
    {
        Lock lock(taskMutex);
        if (!queue.isEmpty()) {
            key = queue.takeFirst();
            Task *t = key.isEmpty() ? nullptr : tasks.value(key, nullptr);
            if (t) {
                handedOver = true;
                if (t->beginStart(status)) {
                    started = t;
                    announcing = t;
                }
            }
        }
    }
    if (!handedOver)
        releaseSlot();
    if (!started)
        return;
    // No lock while receivers run; the task stays alive meanwhile, as
    // forgetTask() waits for the end of the announcement.
    started->announceStart(key, status);
    {
        Lock lock(taskMutex);
        announcing = nullptr;
    }
    announced.notify_all();
}

void TaskPool::awaitAnnouncement(std::unique_lock<std::mutex> &lock, const Task *task)
{
    // A receiver of the announcement itself would wait for its own end.
    if (QThread::currentThread() == thread)
        return;
    announced.wait(lock, [this, task] { return announcing != task; });
}

void TaskPool::releaseSlot()
{
    Lock lock(countMutex);
    if (runningCount > 0)
        --runningCount;
}

void TaskPool::forgetTask(Task *task)
{
    std::unique_lock<std::mutex> lock(taskMutex);
    awaitAnnouncement(lock, task);
    for (auto it = tasks.begin(); it != tasks.end();) {
        if (it.value() == task) {
            queue.removeAll(it.key());
            it = tasks.erase(it);
        } else {
            ++it;
        }
    }
}

} // namespace Kel
