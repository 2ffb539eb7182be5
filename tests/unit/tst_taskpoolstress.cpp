#include "probetask.h"

#include "tarncore/task/progressedtaskpool.h"

#include <QEventLoop>
#include <QRandomGenerator>
#include <QSet>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <functional>

using Kel::Task;
using Kel::TaskPool;

namespace {

// Runs a real event loop until done() holds, so that timers and queued
// starts flow freely instead of in the bursts of a polling wait.
bool runUntil(const std::function<bool()> &done, int timeoutMs)
{
    QEventLoop loop;
    QTimer check;
    check.setInterval(2);
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    check.start();
    if (!done())
        loop.exec();
    return done();
}

} // namespace

// Thousands of tasks through one pool while the user pauses, resumes and
// cancels at random and tasks end by themselves at any moment (also while
// queued or paused): the running limit must hold at every moment and every
// task must end.
class TaskPoolStressTest : public QObject
{
    Q_OBJECT
private slots:
    void randomTraffic_data();
    void randomTraffic();
};

void TaskPoolStressTest::randomTraffic_data()
{
    QTest::addColumn<int>("taskCount");
    QTest::addColumn<int>("maxRunning");
    QTest::addColumn<int>("workMs");
    QTest::addColumn<quint32>("seed");
    QTest::newRow("narrow") << 1000 << 1 << 3 << 7u;
    QTest::newRow("wide") << 3000 << 8 << 12 << 20240607u;
}

void TaskPoolStressTest::randomTraffic()
{
    QFETCH(int, taskCount);
    QFETCH(int, maxRunning);
    QFETCH(int, workMs);
    QFETCH(quint32, seed);
    QRandomGenerator random(seed);

    Kel::ProgressedTaskPool pool;
    pool.setMaxRunning(maxRunning);
    pool.setInterval(1);

    // Tasks doing work at this moment, as the tasks themselves see it.
    QSet<ProbeTask *> working;
    int mostWorking = 0;
    // Slots counted by the pool, sampled in the scheduler thread.
    std::atomic<int> mostCounted{0};
    int endSignals = 0;

    auto endByItself = [&](ProbeTask *task) {
        if (random.bounded(5) == 0) {
            task->setErrorCode(-1);
            task->setStatus(Task::Error);
        } else {
            task->setStatus(Task::Finished);
        }
    };
    auto enterWork = [&](ProbeTask *task) {
        working.insert(task);
        mostWorking = qMax(mostWorking, int(working.size()));
        // The work ends a little later unless paused or cancelled by then.
        QTimer::singleShot(int(random.bounded(workMs)), task, [&, task] {
            if (task->status() == Task::Running)
                endByItself(task);
        });
    };

    QList<ProbeTask *> tasks;
    for (int i = 0; i < taskCount; ++i) {
        auto *task = new ProbeTask(&pool, QStringLiteral("task %1").arg(i));
        task->onRun = enterWork;
        task->onResume = enterWork;
        // Directly, and only for the changes made in this thread: the
        // scheduler's own changes (Starting, Resuming) are of no interest.
        connect(
            task, &Task::statusChanged, task,
            [&, task](const QString &, Task::Status status) {
                if (QThread::currentThread() == thread() && status != Task::Running)
                    working.remove(task);
            },
            Qt::DirectConnection);
        connect(task, &Task::finished, task, [&] { ++endSignals; });
        connect(task, &Task::error, task, [&] { ++endSignals; });
        connect(
            task, &Task::statusChanged, task,
            [&](const QString &, Task::Status status) {
                if (status != Task::Starting && status != Task::Resuming)
                    return;
                const int counted = pool.getRunningCount();
                int seen = mostCounted.load();
                while (counted > seen && !mostCounted.compare_exchange_weak(seen, counted)) {
                }
            },
            Qt::DirectConnection);
        tasks.append(task);
    }

    // Tasks arrive over time while the scheduler runs.
    pool.start();
    int added = 0;
    QTimer arrivals;
    arrivals.setInterval(0);
    connect(&arrivals, &QTimer::timeout, this, [&] {
        for (int n = 0; n < 4 && added < taskCount; ++n, ++added)
            QVERIFY(pool.addTask(tasks[added]->key(), tasks[added]));
        if (added == taskCount)
            arrivals.stop();
    });
    arrivals.start();

    // Meanwhile the user acts on working tasks and on tasks that have not
    // ended yet, and tasks end by themselves in any status.
    QTimer user;
    user.setInterval(1);
    connect(&user, &QTimer::timeout, this, [&] {
        if (added == 0)
            return;
        ProbeTask *task = nullptr;
        if (!working.isEmpty() && random.bounded(2) == 0) {
            task = *std::next(working.cbegin(), int(random.bounded(int(working.size()))));
        } else {
            for (int tries = 0; tries < 8 && !task; ++tries) {
                ProbeTask *candidate = tasks[int(random.bounded(added))];
                if (!Task::isEnded(candidate->status()))
                    task = candidate;
            }
        }
        if (!task)
            return;
        const quint32 action = random.bounded(100);
        if (action < 40)
            pool.pauseTask(task->key());
        else if (action < 85)
            pool.resumeTask(task->key());
        else if (action < 90)
            pool.cancelTask(task->key());
        else
            endByItself(task);
    });
    user.start();

    auto countEnded = [&] {
        int ended = 0;
        for (ProbeTask *task : qAsConst(tasks))
            ended += Task::isEnded(task->status()) ? 1 : 0;
        return ended;
    };
    QVERIFY2(runUntil([&] { return countEnded() >= taskCount * 9 / 10; }, 240000), "the pool stalled");
    user.stop();
    QCOMPARE(added, taskCount);

    // Paused tasks come back until every one has ended.
    auto allEnded = [&] {
        for (ProbeTask *task : qAsConst(tasks)) {
            if (task->status() == Task::Paused)
                pool.resumeTask(task->key());
        }
        return countEnded() == taskCount;
    };
    QVERIFY2(runUntil(allEnded, 240000), "a task never ended");

    QVERIFY2(mostWorking <= maxRunning, qPrintable(QStringLiteral("%1 tasks worked at once").arg(mostWorking)));
    QVERIFY2(mostCounted.load() <= maxRunning, "the pool counted more slots than its limit");
    QVERIFY(working.isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(pool.getRunningCount(), 0, 10000);
    QTRY_COMPARE_WITH_TIMEOUT(pool.taskKeys(), QStringList(), 10000);
    int canceled = 0;
    for (ProbeTask *task : qAsConst(tasks)) {
        canceled += task->status() == Task::Canceled ? 1 : 0;
        QVERIFY(task->runCalls <= 1);
    }
    // Every task ended exactly once.
    QCOMPARE(endSignals + canceled, taskCount);
    qInfo("%d finished or failed, %d canceled, %llu passes", endSignals, canceled, pool.getPassCount());
    QVERIFY2(mostWorking == maxRunning, "the pool never reached its limit");
}

QTEST_GUILESS_MAIN(TaskPoolStressTest)
#include "tst_taskpoolstress.moc"
