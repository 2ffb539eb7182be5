#include "probetask.h"

#include "tarncore/task/progressedtaskpool.h"
#include "tarncore/task/taskpool.h"

#include <QDeadlineTimer>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

using Kel::Task;
using Kel::TaskPool;


namespace {

constexpr int waitMs = 10000;

std::unique_ptr<TaskPool> startedPool(int maxRunning, int intervalMs = 1)
{
    auto pool = std::make_unique<Kel::ProgressedTaskPool>();
    pool->setMaxRunning(maxRunning);
    pool->setInterval(intervalMs);
    pool->start();
    return pool;
}

// Lets the scheduler make at least n further passes, with events flowing.
bool waitPasses(const TaskPool &pool, quint64 n)
{
    const quint64 target = pool.getPassCount() + n;
    return QTest::qWaitFor([&] { return pool.getPassCount() >= target; }, waitMs);
}

// Waits for a status without letting events run, so that a start the
// scheduler has sent stays undelivered.
bool spinUntilStatus(const Task &task, Task::Status status)
{
    QDeadlineTimer deadline(waitMs);
    while (task.status() != status && !deadline.hasExpired())
        QThread::yieldCurrentThread();
    return task.status() == status;
}

void endTask(TaskPool &pool, ProbeTask *task, Task::Status how)
{
    switch (how) {
    case Task::Finished:
        task->setStatus(Task::Finished);
        break;
    case Task::Error:
        task->setErrorCode(-1);
        task->setStatus(Task::Error);
        break;
    case Task::Canceled:
        pool.cancelTask(task->key());
        break;
    case Task::Paused:
        pool.pauseTask(task->key());
        break;
    default:
        QFAIL("not an ending");
    }
}

} // namespace

class TaskPoolTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();

    void addTaskRefuses_data();
    void addTaskRefuses();
    void addTaskQueuesOnlyReadyTasks();
    void settersIgnoreNonPositive_data();
    void settersIgnoreNonPositive();
    void unknownKeysDoNothing();

    void limitHoldsUntilFirstLeavesItsSlot_data();
    void limitHoldsUntilFirstLeavesItsSlot();
    void oneStartPerPass_data();
    void oneStartPerPass();
    void raisingLimitStartsMore();

    void pauseWhileQueued_data();
    void pauseWhileQueued();
    void resumeOfNeverStartedTaskRuns_data();
    void resumeOfNeverStartedTaskRuns();
    void resumeOfStartedTaskResumes();
    void resumeTaskIgnoresOtherStatuses_data();
    void resumeTaskIgnoresOtherStatuses();

    void slotsNeverBelowZero_data();
    void slotsNeverBelowZero();
    void sameStatusTwiceEmitsOnce_data();
    void sameStatusTwiceEmitsOnce();
    void errorCarriesCodeSetBefore();
    void endedIsFinal_data();
    void endedIsFinal();

    void endedTasksLeaveAndAreClearedInTheirThread();
    void cancelAllCancelsEveryTask();
    void taskCodeMayCallBackIntoPool();
    void directReceiversOfTheStartMayCallBack();
    void endedTaskGivesItsKeyUp_data();
    void endedTaskGivesItsKeyUp();
    void deletedTaskLeavesPoolAndFreesSlot();
    void stopCancelsAndDeletesTasks();
    void destructionDeletesTasksAndStartsNothing();
};

void TaskPoolTest::initTestCase()
{
    qRegisterMetaType<Task::Status>("Kel::Task::Status");
}

void TaskPoolTest::addTaskRefuses_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("null task") << "null";
    QTest::newRow("invalid task") << "invalid";
    QTest::newRow("empty key") << "emptyKey";
    QTest::newRow("duplicate key") << "duplicate";
    QTest::newRow("same task twice") << "sameTask";
    QTest::newRow("task of another pool") << "otherPool";
    QTest::newRow("task without pool") << "noPool";
}

void TaskPoolTest::addTaskRefuses()
{
    QFETCH(QString, kind);
    TaskPool pool;
    TaskPool otherPool;
    auto *first = new ProbeTask(&pool, QStringLiteral("k"));
    QVERIFY(pool.addTask(QStringLiteral("k"), first));

    std::unique_ptr<ProbeTask> orphan;
    bool added = true;
    if (kind == QLatin1String("null")) {
        added = pool.addTask(QStringLiteral("n"), nullptr);
    } else if (kind == QLatin1String("invalid")) {
        added = pool.addTask(QStringLiteral("i"), new ProbeTask(&pool, QStringLiteral("i"), false));
    } else if (kind == QLatin1String("emptyKey")) {
        added = pool.addTask(QString(), new ProbeTask(&pool, QString()));
    } else if (kind == QLatin1String("duplicate")) {
        added = pool.addTask(QStringLiteral("k"), new ProbeTask(&pool, QStringLiteral("k")));
    } else if (kind == QLatin1String("sameTask")) {
        added = pool.addTask(QStringLiteral("k2"), first);
    } else if (kind == QLatin1String("otherPool")) {
        added = pool.addTask(QStringLiteral("o"), new ProbeTask(&otherPool, QStringLiteral("o")));
    } else if (kind == QLatin1String("noPool")) {
        orphan = std::make_unique<ProbeTask>(nullptr, QStringLiteral("p"));
        added = pool.addTask(QStringLiteral("p"), orphan.get());
    }
    QVERIFY(!added);
    QCOMPARE(pool.taskKeys(), QStringList{QStringLiteral("k")});
    QCOMPARE(pool.queuedKeys(), QStringList{QStringLiteral("k")});
    QCOMPARE(pool.task(QStringLiteral("k")), first);
}

void TaskPoolTest::addTaskQueuesOnlyReadyTasks()
{
    TaskPool pool;
    auto *ready = new ProbeTask(&pool, QStringLiteral("ready"));
    auto *paused = new ProbeTask(&pool, QStringLiteral("paused"));
    paused->setStatus(Task::Paused);
    QVERIFY(pool.addTask(ready->key(), ready));
    QVERIFY(pool.addTask(paused->key(), paused));
    QCOMPARE(pool.taskKeys().size(), 2);
    QCOMPARE(pool.queuedKeys(), QStringList{QStringLiteral("ready")});
}

void TaskPoolTest::settersIgnoreNonPositive_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<bool>("taken");
    QTest::newRow("zero") << 0 << false;
    QTest::newRow("negative") << -3 << false;
    QTest::newRow("one") << 1 << true;
    QTest::newRow("many") << 42 << true;
}

void TaskPoolTest::settersIgnoreNonPositive()
{
    QFETCH(int, value);
    QFETCH(bool, taken);
    TaskPool pool;
    QCOMPARE(pool.getMaxRunning(), 5);
    QCOMPARE(pool.getInterval(), 100);
    pool.setMaxRunning(value);
    pool.setInterval(value);
    QCOMPARE(pool.getMaxRunning(), taken ? value : 5);
    QCOMPARE(pool.getInterval(), taken ? value : 100);
}

void TaskPoolTest::unknownKeysDoNothing()
{
    TaskPool pool;
    auto *task = new ProbeTask(&pool, QStringLiteral("k"));
    QVERIFY(pool.addTask(task->key(), task));
    for (const QString &key : {QString(), QStringLiteral("missing")}) {
        QCOMPARE(pool.task(key), nullptr);
        pool.cancelTask(key);
        pool.pauseTask(key);
        pool.resumeTask(key);
    }
    QCOMPARE(task->cancelCalls + task->pauseCalls, 0);
    QCOMPARE(task->status(), Task::Ready);
    QCOMPARE(pool.queuedKeys(), QStringList{QStringLiteral("k")});
}

void TaskPoolTest::limitHoldsUntilFirstLeavesItsSlot_data()
{
    QTest::addColumn<Task::Status>("ending");
    QTest::newRow("finished") << Task::Finished;
    QTest::newRow("error") << Task::Error;
    QTest::newRow("canceled") << Task::Canceled;
    QTest::newRow("paused") << Task::Paused;
}

void TaskPoolTest::limitHoldsUntilFirstLeavesItsSlot()
{
    QFETCH(Task::Status, ending);
    auto pool = startedPool(1);
    auto *a = new ProbeTask(pool.get(), QStringLiteral("a"));
    auto *b = new ProbeTask(pool.get(), QStringLiteral("b"));
    auto *c = new ProbeTask(pool.get(), QStringLiteral("c"));
    for (ProbeTask *t : {a, b, c})
        QVERIFY(pool->addTask(t->key(), t));

    QTRY_COMPARE_WITH_TIMEOUT(a->runCalls, 1, waitMs);
    QVERIFY(waitPasses(*pool, 5));
    QCOMPARE(b->status(), Task::Ready);
    QCOMPARE(b->runCalls + c->runCalls, 0);
    QCOMPARE(pool->getRunningCount(), 1);

    endTask(*pool, a, ending);
    QTRY_COMPARE_WITH_TIMEOUT(b->runCalls, 1, waitMs);
    QVERIFY(waitPasses(*pool, 5));
    QCOMPARE(c->runCalls, 0);
    QCOMPARE(c->status(), Task::Ready);
    QCOMPARE(pool->getRunningCount(), 1);
}

void TaskPoolTest::oneStartPerPass_data()
{
    QTest::addColumn<int>("tasks");
    QTest::addColumn<int>("interval");
    QTest::newRow("short interval") << 6 << 1;
    QTest::newRow("longer interval") << 3 << 30;
}

void TaskPoolTest::oneStartPerPass()
{
    QFETCH(int, tasks);
    QFETCH(int, interval);
    TaskPool pool;
    pool.setMaxRunning(tasks);
    pool.setInterval(interval);

    // Recorded in the scheduler thread at the moment of each start.
    std::mutex mutex;
    std::vector<quint64> startPasses;
    QList<ProbeTask *> all;
    for (int i = 0; i < tasks; ++i) {
        auto *task = new ProbeTask(&pool, QString::number(i));
        connect(
            task, &Task::statusChanged, task,
            [&](const QString &, Task::Status status) {
                if (status != Task::Starting)
                    return;
                std::lock_guard<std::mutex> lock(mutex);
                startPasses.push_back(pool.getPassCount());
            },
            Qt::DirectConnection);
        QVERIFY(pool.addTask(task->key(), task));
        all.append(task);
    }
    pool.start();
    for (ProbeTask *task : qAsConst(all))
        QTRY_COMPARE_WITH_TIMEOUT(task->runCalls, 1, waitMs);

    std::lock_guard<std::mutex> lock(mutex);
    QCOMPARE(int(startPasses.size()), tasks);
    for (size_t i = 1; i < startPasses.size(); ++i)
        QVERIFY2(startPasses[i] > startPasses[i - 1], "two starts in one pass");
    // Started in queue order.
    for (int i = 1; i < all.size(); ++i)
        QCOMPARE(all[i]->runCalls, 1);
}

void TaskPoolTest::raisingLimitStartsMore()
{
    auto pool = startedPool(2);
    QList<ProbeTask *> all;
    for (int i = 0; i < 5; ++i) {
        auto *task = new ProbeTask(pool.get(), QString::number(i));
        QVERIFY(pool->addTask(task->key(), task));
        all.append(task);
    }
    QTRY_COMPARE_WITH_TIMEOUT(all[1]->runCalls, 1, waitMs);
    QVERIFY(waitPasses(*pool, 5));
    QCOMPARE(all[0]->runCalls + all[2]->runCalls + all[3]->runCalls + all[4]->runCalls, 1);
    QCOMPARE(pool->queuedKeys().size(), 3);

    pool->setMaxRunning(3);
    QTRY_COMPARE_WITH_TIMEOUT(all[2]->runCalls, 1, waitMs);
    pool->setMaxRunning(0);
    QCOMPARE(pool->getMaxRunning(), 3);
    QVERIFY(waitPasses(*pool, 5));
    QCOMPARE(all[3]->runCalls + all[4]->runCalls, 0);
    QCOMPARE(pool->getRunningCount(), 3);
}

void TaskPoolTest::pauseWhileQueued_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<Task::Status>("expected");
    QTest::newRow("task pauses") << int(ProbeTask::PauseMode::SetPaused) << Task::Paused;
    QTest::newRow("task ignores pause") << int(ProbeTask::PauseMode::Ignore) << Task::Ready;
}

void TaskPoolTest::pauseWhileQueued()
{
    QFETCH(int, mode);
    QFETCH(Task::Status, expected);
    auto pool = startedPool(1);
    auto *blocker = new ProbeTask(pool.get(), QStringLiteral("blocker"));
    auto *queued = new ProbeTask(pool.get(), QStringLiteral("queued"));
    queued->pauseMode = ProbeTask::PauseMode(mode);
    QVERIFY(pool->addTask(blocker->key(), blocker));
    QVERIFY(pool->addTask(queued->key(), queued));
    QTRY_COMPARE_WITH_TIMEOUT(blocker->runCalls, 1, waitMs);

    pool->pauseTask(queued->key());
    QCOMPARE(queued->pauseCalls, 1);
    QCOMPARE(queued->status(), expected);
    QCOMPARE(pool->queuedKeys(), QStringList());

    // Out of the queue: it does not start even when a slot frees up.
    blocker->setStatus(Task::Finished);
    QTRY_COMPARE_WITH_TIMEOUT(pool->getRunningCount(), 0, waitMs);
    QVERIFY(waitPasses(*pool, 5));
    QCOMPARE(queued->runCalls, 0);
    QCOMPARE(queued->status(), expected);
}

void TaskPoolTest::resumeOfNeverStartedTaskRuns_data()
{
    QTest::addColumn<bool>("afterSchedulerDecision");
    QTest::newRow("paused in the queue") << false;
    QTest::newRow("paused before the start arrived") << true;
}

void TaskPoolTest::resumeOfNeverStartedTaskRuns()
{
    QFETCH(bool, afterSchedulerDecision);
    auto pool = startedPool(1);
    auto *task = new ProbeTask(pool.get(), QStringLiteral("t"));
    QSignalSpy resumed(task, &Task::resumed);

    if (afterSchedulerDecision) {
        QVERIFY(pool->addTask(task->key(), task));
        QVERIFY(spinUntilStatus(*task, Task::Starting));
        pool->pauseTask(task->key());
        QCOMPARE(task->status(), Task::Paused);
        QCOMPARE(pool->getRunningCount(), 0);
        // The start sent before the pause arrives now and must do nothing.
        QVERIFY(waitPasses(*pool, 3));
        QCOMPARE(task->runCalls, 0);
    } else {
        auto *blocker = new ProbeTask(pool.get(), QStringLiteral("blocker"));
        QVERIFY(pool->addTask(blocker->key(), blocker));
        QVERIFY(pool->addTask(task->key(), task));
        QTRY_COMPARE_WITH_TIMEOUT(blocker->runCalls, 1, waitMs);
        pool->pauseTask(task->key());
        blocker->setStatus(Task::Finished);
    }
    QCOMPARE(task->status(), Task::Paused);
    QVERIFY(!task->hasStarted());

    pool->resumeTask(task->key());
    QCOMPARE(task->status(), Task::Resumed);
    QCOMPARE(resumed.count(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(task->runCalls, 1, waitMs);
    QCOMPARE(task->resumeCalls, 0);
    QCOMPARE(task->status(), Task::Running);
    QVERIFY(task->hasStarted());
}

void TaskPoolTest::resumeOfStartedTaskResumes()
{
    auto pool = startedPool(1);
    auto *task = new ProbeTask(pool.get(), QStringLiteral("t"));
    QVERIFY(pool->addTask(task->key(), task));
    QTRY_COMPARE_WITH_TIMEOUT(task->runCalls, 1, waitMs);

    pool->pauseTask(task->key());
    QCOMPARE(task->status(), Task::Paused);
    QCOMPARE(pool->getRunningCount(), 0);
    pool->resumeTask(task->key());
    QTRY_COMPARE_WITH_TIMEOUT(task->resumeCalls, 1, waitMs);
    QCOMPARE(task->runCalls, 1);
    QCOMPARE(task->status(), Task::Running);
    QCOMPARE(pool->getRunningCount(), 1);
}

void TaskPoolTest::resumeTaskIgnoresOtherStatuses_data()
{
    QTest::addColumn<Task::Status>("status");
    for (Task::Status s : {Task::Ready, Task::Starting, Task::Running, Task::Resumed, Task::Resuming,
                           Task::Finished, Task::Canceled, Task::Error}) {
        QTest::newRow(QMetaEnum::fromType<Task::Status>().valueToKey(s)) << s;
    }
}

void TaskPoolTest::resumeTaskIgnoresOtherStatuses()
{
    QFETCH(Task::Status, status);
    TaskPool pool;
    auto *task = new ProbeTask(&pool, QStringLiteral("t"));
    QVERIFY(pool.addTask(task->key(), task));
    pool.pauseTask(task->key());
    task->setStatus(status);
    QSignalSpy resumed(task, &Task::resumed);

    pool.resumeTask(task->key());
    QCOMPARE(task->status(), status);
    QCOMPARE(resumed.count(), 0);
    QCOMPARE(pool.queuedKeys(), QStringList());
}

void TaskPoolTest::slotsNeverBelowZero_data()
{
    QTest::addColumn<Task::Status>("ending");
    QTest::newRow("finished") << Task::Finished;
    QTest::newRow("error") << Task::Error;
}

void TaskPoolTest::slotsNeverBelowZero()
{
    QFETCH(Task::Status, ending);
    auto pool = startedPool(1);

    // Nothing running: the count stays at zero.
    auto *lone = new ProbeTask(pool.get(), QStringLiteral("lone"));
    lone->setStatus(ending);
    QCOMPARE(pool->getRunningCount(), 0);

    // One running: a task that never held a slot ends without taking the
    // running one's slot away, so the limit still holds.
    auto *running = new ProbeTask(pool.get(), QStringLiteral("running"));
    auto *waiting = new ProbeTask(pool.get(), QStringLiteral("waiting"));
    auto *next = new ProbeTask(pool.get(), QStringLiteral("next"));
    for (ProbeTask *t : {running, waiting, next})
        QVERIFY(pool->addTask(t->key(), t));
    QTRY_COMPARE_WITH_TIMEOUT(running->runCalls, 1, waitMs);
    waiting->setErrorCode(-1);
    waiting->setStatus(ending);
    QCOMPARE(pool->getRunningCount(), 1);
    QVERIFY(waitPasses(*pool, 5));
    QCOMPARE(next->runCalls, 0);
    QCOMPARE(waiting->runCalls, 0);

    running->setStatus(ending);
    QCOMPARE(pool->getRunningCount(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(next->runCalls, 1, waitMs);
    next->setStatus(ending);
    next->setStatus(Task::Finished);
    next->setStatus(Task::Error);
    QCOMPARE(pool->getRunningCount(), 0);
}

void TaskPoolTest::sameStatusTwiceEmitsOnce_data()
{
    QTest::addColumn<Task::Status>("status");
    QTest::addColumn<QByteArray>("signal");
    QTest::newRow("running") << Task::Running << QByteArray(SIGNAL(started()));
    QTest::newRow("paused") << Task::Paused << QByteArray(SIGNAL(paused()));
    QTest::newRow("resumed") << Task::Resumed << QByteArray(SIGNAL(resumed()));
    QTest::newRow("finished") << Task::Finished << QByteArray(SIGNAL(finished()));
    QTest::newRow("error") << Task::Error << QByteArray(SIGNAL(error(qint32)));
}

void TaskPoolTest::sameStatusTwiceEmitsOnce()
{
    QFETCH(Task::Status, status);
    QFETCH(QByteArray, signal);
    TaskPool pool;
    ProbeTask *task = new ProbeTask(&pool, QStringLiteral("t"));
    QSignalSpy spy(task, signal.constData());
    QSignalSpy changes(task, &Task::statusChanged);
    task->setStatus(status);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(changes.count(), 1);
    QCOMPARE(changes.at(0).at(0).toString(), QStringLiteral("t"));
    QCOMPARE(changes.at(0).at(1).value<Task::Status>(), status);
    task->setStatus(status);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(changes.count(), 1);
    QCOMPARE(task->status(), status);
}

void TaskPoolTest::errorCarriesCodeSetBefore()
{
    TaskPool pool;
    auto *task = new ProbeTask(&pool, QStringLiteral("t"));
    QSignalSpy errors(task, &Task::error);
    QSignalSpy canceled(task, &Task::finished);
    task->setErrorCode(-11);
    QCOMPARE(task->errorCode(), -11);
    task->setStatus(Task::Error);
    QCOMPARE(errors.count(), 1);
    QCOMPARE(errors.at(0).at(0).toInt(), -11);

    // Cancelling emits no end signal at all.
    auto *other = new ProbeTask(&pool, QStringLiteral("o"));
    QSignalSpy otherErrors(other, &Task::error);
    QSignalSpy otherFinished(other, &Task::finished);
    other->setStatus(Task::Canceled);
    QCOMPARE(otherErrors.count() + otherFinished.count(), 0);
}

void TaskPoolTest::endedIsFinal_data()
{
    QTest::addColumn<Task::Status>("ended");
    QTest::addColumn<Task::Status>("later");
    const QMetaEnum names = QMetaEnum::fromType<Task::Status>();
    for (Task::Status ended : {Task::Finished, Task::Canceled, Task::Error}) {
        for (Task::Status later : {Task::Ready, Task::Running, Task::Paused, Task::Resumed, Task::Finished,
                                   Task::Canceled, Task::Error}) {
            if (later == ended)
                continue;
            QTest::addRow("%s then %s", names.valueToKey(ended), names.valueToKey(later)) << ended << later;
        }
    }
}

void TaskPoolTest::endedIsFinal()
{
    QFETCH(Task::Status, ended);
    QFETCH(Task::Status, later);
    auto pool = startedPool(1);
    auto *task = new ProbeTask(pool.get(), QStringLiteral("t"));
    QVERIFY(pool->addTask(task->key(), task));
    QTRY_COMPARE_WITH_TIMEOUT(task->runCalls, 1, waitMs);
    task->setStatus(ended);
    QCOMPARE(pool->getRunningCount(), 0);

    // A late worker signal, a pause or a cancel after the end.
    QSignalSpy changes(task, &Task::statusChanged);
    QSignalSpy errors(task, &Task::error);
    QSignalSpy finished(task, &Task::finished);
    task->setStatus(later);
    pool->pauseTask(task->key());
    pool->resumeTask(task->key());
    QCOMPARE(task->status(), ended);
    QCOMPARE(changes.count() + errors.count() + finished.count(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(pool->task(task->key()), nullptr, waitMs);
    QCOMPARE(task->runCalls + task->resumeCalls, 1);
}

void TaskPoolTest::endedTasksLeaveAndAreClearedInTheirThread()
{
    auto pool = startedPool(2);
    auto *task = new ProbeTask(pool.get(), QStringLiteral("t"));
    auto *stays = new ProbeTask(pool.get(), QStringLiteral("s"));
    QVERIFY(pool->addTask(task->key(), task));
    QVERIFY(pool->addTask(stays->key(), stays));
    QTRY_COMPARE_WITH_TIMEOUT(task->runCalls, 1, waitMs);
    task->setStatus(Task::Finished);

    QTRY_COMPARE_WITH_TIMEOUT(pool->task(task->key()), nullptr, waitMs);
    QTRY_COMPARE_WITH_TIMEOUT(task->clearCalls, 1, waitMs);
    QCOMPARE(task->clearThread, QThread::currentThread());
    // Not deleted: it stays a child of the pool.
    QCOMPARE(task->parent(), pool.get());
    QCOMPARE(pool->task(stays->key()), stays);
    QCOMPARE(stays->clearCalls, 0);

    // The key is free again.
    auto *again = new ProbeTask(pool.get(), QStringLiteral("t"));
    QVERIFY(pool->addTask(again->key(), again));
    QTRY_COMPARE_WITH_TIMEOUT(again->runCalls, 1, waitMs);
}

void TaskPoolTest::cancelAllCancelsEveryTask()
{
    auto pool = startedPool(1);
    QList<ProbeTask *> all;
    for (int i = 0; i < 4; ++i) {
        auto *task = new ProbeTask(pool.get(), QString::number(i));
        QVERIFY(pool->addTask(task->key(), task));
        all.append(task);
    }
    QTRY_COMPARE_WITH_TIMEOUT(all[0]->runCalls, 1, waitMs);
    pool->cancelAll();
    QCOMPARE(pool->queuedKeys(), QStringList());
    for (ProbeTask *task : qAsConst(all)) {
        QCOMPARE(task->cancelCalls, 1);
        QCOMPARE(task->status(), Task::Canceled);
    }
    QCOMPARE(pool->getRunningCount(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(pool->taskKeys(), QStringList(), waitMs);
    for (ProbeTask *task : qAsConst(all))
        QCOMPARE(task->runCalls, task == all[0] ? 1 : 0);
}

void TaskPoolTest::taskCodeMayCallBackIntoPool()
{
    auto pool = startedPool(1);
    auto *task = new ProbeTask(pool.get(), QStringLiteral("t"));
    // A receiver of paused() asks the pool about the task and resumes it.
    bool seen = false;
    connect(task, &Task::paused, this, [&] {
        seen = pool->task(task->key()) == task;
        pool->resumeTask(task->key());
    });
    connect(task, &Task::statusChanged, this, [&](const QString &key, Task::Status status) {
        if (status == Task::Canceled)
            pool->cancelTask(key);
    });
    QVERIFY(pool->addTask(task->key(), task));
    QTRY_COMPARE_WITH_TIMEOUT(task->runCalls, 1, waitMs);

    pool->pauseTask(task->key());
    QVERIFY(seen);
    QTRY_COMPARE_WITH_TIMEOUT(task->resumeCalls, 1, waitMs);
    pool->cancelTask(task->key());
    QCOMPARE(task->status(), Task::Canceled);
    QCOMPARE(pool->getRunningCount(), 0);
}

// The scheduler announces a start with no lock held: receivers connected
// directly run in its thread and may ask the pool, and the task is not
// deleted under them.
void TaskPoolTest::directReceiversOfTheStartMayCallBack()
{
    auto pool = startedPool(1);
    auto *task = new ProbeTask(pool.get(), QStringLiteral("t"));
    std::atomic<int> answered{0};
    std::atomic<bool> inside{false};
    connect(
        task, &Task::statusChanged, task,
        [&, task](const QString &key, Task::Status status) {
            if (status != Task::Starting)
                return;
            if (pool->task(key) == task && pool->getRunningCount() == 1 && pool->queuedKeys().isEmpty())
                ++answered;
            inside = true;
            // Long enough for the test thread to delete the task meanwhile.
            QThread::msleep(200);
        },
        Qt::DirectConnection);
    connect(task, &Task::signalRun, task, [&] { answered += pool->taskKeys().size(); }, Qt::DirectConnection);
    QVERIFY(pool->addTask(task->key(), task));
    QVERIFY(QTest::qWaitFor([&] { return inside.load(); }, waitMs));
    delete task;
    QCOMPARE(answered.load(), 2);
    QCOMPARE(pool->task(QStringLiteral("t")), nullptr);
    QCOMPARE(pool->getRunningCount(), 0);
}

void TaskPoolTest::endedTaskGivesItsKeyUp_data()
{
    QTest::addColumn<Task::Status>("ended");
    QTest::newRow("finished") << Task::Finished;
    QTest::newRow("canceled") << Task::Canceled;
    QTest::newRow("error") << Task::Error;
}

// A receiver of a task's end may add the same work again at once, before
// the scheduler has taken the ended task out.
void TaskPoolTest::endedTaskGivesItsKeyUp()
{
    QFETCH(Task::Status, ended);
    TaskPool pool;
    auto *first = new ProbeTask(&pool, QStringLiteral("k"));
    QVERIFY(pool.addTask(first->key(), first));
    QVERIFY(pool.isKeyTaken(QStringLiteral("k")));
    ProbeTask *second = nullptr;
    connect(first, &Task::statusChanged, this, [&](const QString &key, Task::Status) {
        second = new ProbeTask(&pool, key);
        QVERIFY(!pool.isKeyTaken(key));
        QVERIFY(pool.addTask(key, second));
    });
    first->setStatus(ended);
    QVERIFY(second);
    QCOMPARE(pool.task(QStringLiteral("k")), second);
    QVERIFY(pool.isKeyTaken(QStringLiteral("k")));
    QCOMPARE(pool.queuedKeys(), QStringList{QStringLiteral("k")});
    // The ended task is still cleared, in its own thread.
    QTRY_COMPARE_WITH_TIMEOUT(first->clearCalls, 1, waitMs);
    QCOMPARE(second->clearCalls, 0);
}

void TaskPoolTest::deletedTaskLeavesPoolAndFreesSlot()
{
    auto pool = startedPool(1);
    auto *running = new ProbeTask(pool.get(), QStringLiteral("running"));
    auto *queued = new ProbeTask(pool.get(), QStringLiteral("queued"));
    auto *next = new ProbeTask(pool.get(), QStringLiteral("next"));
    for (ProbeTask *t : {running, queued, next})
        QVERIFY(pool->addTask(t->key(), t));
    QTRY_COMPARE_WITH_TIMEOUT(running->runCalls, 1, waitMs);

    delete queued;
    QCOMPARE(pool->task(QStringLiteral("queued")), nullptr);
    QCOMPARE(pool->queuedKeys(), QStringList{QStringLiteral("next")});
    delete running;
    QCOMPARE(pool->task(QStringLiteral("running")), nullptr);
    QCOMPARE(pool->getRunningCount(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(next->runCalls, 1, waitMs);
}

void TaskPoolTest::stopCancelsAndDeletesTasks()
{
    auto pool = startedPool(1);
    QList<QPointer<ProbeTask>> all;
    QList<std::shared_ptr<QSignalSpy>> destroyed;
    for (int i = 0; i < 3; ++i) {
        auto *task = new ProbeTask(pool.get(), QString::number(i));
        QVERIFY(pool->addTask(task->key(), task));
        all.append(task);
        destroyed.append(std::make_shared<QSignalSpy>(task, &QObject::destroyed));
    }
    QTRY_COMPARE_WITH_TIMEOUT(all[0]->runCalls, 1, waitMs);
    pool->pauseTask(QStringLiteral("1"));

    pool->stop();
    QVERIFY(pool->isStopped());
    for (const QPointer<ProbeTask> &task : qAsConst(all)) {
        QVERIFY(task);
        QCOMPARE(task->cancelCalls, 1);
        QCOMPARE(pool->task(task->key()), nullptr);
    }
    QCOMPARE(pool->taskKeys(), QStringList());
    QCOMPARE(pool->queuedKeys(), QStringList());
    for (const auto &spy : qAsConst(destroyed))
        QTRY_COMPARE_WITH_TIMEOUT(spy->count(), 1, waitMs);

    // The scheduler stays stopped, even when asked to start again: a second
    // pool serves as the clock.
    const quint64 passes = pool->getPassCount();
    pool->start();
    auto *late = new ProbeTask(pool.get(), QStringLiteral("late"));
    QVERIFY(pool->addTask(late->key(), late));
    auto clock = startedPool(1);
    QVERIFY(waitPasses(*clock, 10));
    QCOMPARE(pool->getPassCount(), passes);
    QCOMPARE(late->runCalls, 0);
    QCOMPARE(late->status(), Task::Ready);
}

void TaskPoolTest::destructionDeletesTasksAndStartsNothing()
{
    auto *pool = new TaskPool;
    pool->setMaxRunning(2);
    pool->setInterval(1);
    auto *running = new ProbeTask(pool, QStringLiteral("running"));
    auto *ended = new ProbeTask(pool, QStringLiteral("ended"));
    auto *queued = new ProbeTask(pool, QStringLiteral("queued"));
    QSignalSpy runningGone(running, &QObject::destroyed);
    QSignalSpy endedGone(ended, &QObject::destroyed);
    QSignalSpy queuedGone(queued, &QObject::destroyed);
    QVERIFY(pool->addTask(running->key(), running));
    QVERIFY(pool->addTask(ended->key(), ended));
    pool->start();
    QTRY_COMPARE_WITH_TIMEOUT(ended->runCalls, 1, waitMs);
    ended->setStatus(Task::Finished);
    QTRY_COMPARE_WITH_TIMEOUT(pool->task(ended->key()), nullptr, waitMs);
    QTRY_COMPARE_WITH_TIMEOUT(running->runCalls, 1, waitMs);
    int queuedRuns = 0;
    connect(queued, &ProbeTask::runCalled, this, [&] { ++queuedRuns; });
    QVERIFY(pool->addTask(queued->key(), queued));
    // The scheduler may have sent the queued task's start already; it must
    // never arrive.
    const bool queuedStarted = spinUntilStatus(*queued, Task::Starting);
    Q_UNUSED(queuedStarted)

    delete pool;
    QCOMPARE(runningGone.count(), 1);
    QCOMPARE(endedGone.count(), 1);
    QCOMPARE(queuedGone.count(), 1);
    QCoreApplication::processEvents();
    QCOMPARE(queuedRuns, 0);
}

QTEST_GUILESS_MAIN(TaskPoolTest)
#include "tst_taskpool.moc"
