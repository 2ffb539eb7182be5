// The convert task's states from its converter and from the user, and the
// convert manager's pool, limit, look-ups and probing, without running
// ffmpeg: the pools here never start a task.
#include "support/testtools.h"

#include "kelframe/kelfolders.h"
#include "tarncore/convert/convertmanager.h"
#include "tarncore/convert/converttask.h"
#include "tarncore/download/appcontext.h"
#include "tarncore/download/datamanager.h"
#include "tarncore/download/downloadmanager.h"
#include "tarncore/settings/settingsmanager.h"
#include "transcoder/mediaconverter.h"

#include <QFile>
#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using Kel::Task;
using Tarn::AppContext;
using Tarn::ConvertParameters;
using Tarn::ConvertTask;

Q_DECLARE_METATYPE(Kel::Task::Status)

namespace {

Kel::MediaProfile profile(const QString &name)
{
    Kel::MediaProfile p;
    p.name = name;
    p.type = Kel::Video;
    p.format = QStringLiteral("MP4");
    p.resolution = QSize(640, 360);
    p.vCodec = QStringLiteral("libx264");
    p.vBitRate = 800000;
    p.aCodec = QStringLiteral("aac");
    p.aBitRate = 96000;
    return p;
}

ConvertParameters parameters(const QString &dest, const QString &name = QStringLiteral("Basic Phone"))
{
    return ConvertParameters(QStringLiteral("/media/source.avi"), dest, profile(name), Kel::FileMediaInfo(), false, -1);
}

// Opens the converter's slots to the tests.
class ProbeTask : public ConvertTask
{
public:
    using ConvertTask::ConvertTask;
    using ConvertTask::onConvertError;
    using ConvertTask::onConvertFinished;
    using ConvertTask::onConvertStarted;
};

// Every task signal, in order.
class TaskWatch
{
public:
    explicit TaskWatch(ConvertTask *task)
    {
        QObject::connect(task, &Task::started, task, [this] { events += QStringLiteral("started"); });
        QObject::connect(task, &Task::paused, task, [this] { events += QStringLiteral("paused"); });
        QObject::connect(task, &Task::resumed, task, [this] { events += QStringLiteral("resumed"); });
        QObject::connect(task, &Task::finished, task, [this] { events += QStringLiteral("finished"); });
        QObject::connect(task, &Task::error, task,
                         [this](qint32 code) { events += QStringLiteral("error %1").arg(code); });
    }
    QStringList events;
};

} // namespace

class TestConvertTask : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_root;

private slots:
    void initTestCase()
    {
        QVERIFY(m_root.isValid());
        Kel::setFolderRoot(m_root.filePath(QStringLiteral("home")));
        AppContext::setAppDirOverride(TestTools::appDir());
    }

    void cleanupTestCase()
    {
        AppContext::instance()->getConvertManager()->clear();
        AppContext::setAppDirOverride(QString());
    }

    // Task.
    void keyJoinsDestinationAndProfile()
    {
        const ConvertParameters p = parameters(QStringLiteral("/out/a.mp4"));
        QCOMPARE(ConvertTask::makeTaskKey(p), QStringLiteral("/out/a.mp4 : ") + p.getConvertProfile().toString());
        QVERIFY(ConvertTask::makeTaskKey(p) != ConvertTask::makeTaskKey(parameters(QStringLiteral("/out/a.mp4"), "Other")));
    }

    void convertEntersThePool()
    {
        Kel::ProgressedTaskPool pool;
        auto *task = new ConvertTask(&pool);
        QVERIFY(task->isValid());
        QVERIFY(!task->getConverter());
        const ConvertParameters p = parameters(QStringLiteral("/out/a.mp4"));
        task->convert(p);
        QVERIFY(task->getConverter());
        QCOMPARE(task->key(), ConvertTask::makeTaskKey(p));
        QCOMPARE(pool.task(task->key()), task);
        QCOMPARE(pool.queuedKeys(), QStringList({task->key()}));
        QCOMPARE(task->status(), Task::Ready);
        QCOMPARE(task->getConvertParameters().getDestFile(), p.getDestFile());
        // Only the first call acts.
        Kel::MediaConverter *converter = task->getConverter();
        task->convert(parameters(QStringLiteral("/out/b.mp4")));
        QCOMPARE(task->getConverter(), converter);
        QCOMPARE(task->key(), ConvertTask::makeTaskKey(p));
    }

    void refusedConversionsEndAtOnce_data()
    {
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("code");
        QTest::newRow("invalid parameters") << false << int(ConvertTask::InvalidParameters);
        QTest::newRow("same key twice") << true << int(ConvertTask::DuplicateConversion);
    }
    void refusedConversionsEndAtOnce()
    {
        QFETCH(bool, valid);
        QFETCH(int, code);
        Kel::ProgressedTaskPool pool;
        auto *first = new ConvertTask(&pool);
        first->convert(parameters(QStringLiteral("/out/a.mp4")));
        auto *second = new ConvertTask(&pool);
        TaskWatch watch(second);
        second->convert(valid ? parameters(QStringLiteral("/out/a.mp4")) : parameters(QString()));
        QCOMPARE(second->status(), Task::Error);
        QCOMPARE(second->errorCode(), code);
        QCOMPARE(watch.events, QStringList({QStringLiteral("error %1").arg(code)}));
        QCOMPARE(pool.task(first->key()), first);
        QCOMPARE(first->status(), Task::Ready);
    }

    void stateTable_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<QString>("event");
        QTest::addColumn<int>("to");
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("converter started") << int(Task::Starting) << "started" << int(Task::Running)
                                           << QStringList{"started"};
        QTest::newRow("converter finished") << int(Task::Running) << "finished" << int(Task::Finished)
                                            << QStringList{"finished"};
        QTest::newRow("converter failed") << int(Task::Running) << "error" << int(Task::Error)
                                          << QStringList{"error -4"};
        QTest::newRow("not started: converter failed") << int(Task::Running) << "not started" << int(Task::Error)
                                                       << QStringList{"error -6"};
        QTest::newRow("pause while queued") << int(Task::Ready) << "pause" << int(Task::Paused)
                                            << QStringList{"paused"};
        QTest::newRow("pause while starting") << int(Task::Starting) << "pause" << int(Task::Paused)
                                              << QStringList{"paused"};
        QTest::newRow("pause refused by the converter") << int(Task::Running) << "pause" << int(Task::Running)
                                                        << QStringList{};
        QTest::newRow("resume") << int(Task::Resuming) << "resume" << int(Task::Running) << QStringList{"started"};
        QTest::newRow("cancel while running") << int(Task::Running) << "cancel" << int(Task::Canceled)
                                              << QStringList{};
        QTest::newRow("cancel while queued") << int(Task::Ready) << "cancel" << int(Task::Canceled) << QStringList{};
        QTest::newRow("error after the end") << int(Task::Finished) << "error" << int(Task::Finished)
                                             << QStringList{};
        QTest::newRow("cancel after an error") << int(Task::Error) << "cancel" << int(Task::Error) << QStringList{};
    }
    void stateTable()
    {
        QFETCH(int, from);
        QFETCH(QString, event);
        QFETCH(int, to);
        QFETCH(QStringList, expected);
        Kel::ProgressedTaskPool pool;
        auto *task = new ProbeTask(&pool);
        task->convert(parameters(QStringLiteral("/out/a.mp4")));
        if (from == Task::Resuming)
            task->setStatus(Task::Running);
        task->setStatus(Task::Status(from));
        TaskWatch watch(task);

        if (event == QLatin1String("started"))
            task->onConvertStarted();
        else if (event == QLatin1String("finished"))
            task->onConvertFinished();
        else if (event == QLatin1String("error"))
            task->onConvertError(Kel::MediaConverter::ConverterFailed);
        else if (event == QLatin1String("not started"))
            emit task->getConverter()->error(Kel::MediaConverter::ConverterNotStarted);
        else if (event == QLatin1String("pause"))
            task->pause();
        else if (event == QLatin1String("resume"))
            task->resume();
        else if (event == QLatin1String("cancel"))
            task->cancel();

        QCOMPARE(int(task->status()), to);
        QCOMPARE(watch.events, expected);
    }

    void converterProgressIsTheTasks()
    {
        Kel::ProgressedTaskPool pool;
        auto *task = new ConvertTask(&pool);
        task->convert(parameters(QStringLiteral("/out/a.mp4")));
        QSignalSpy progress(task, &ConvertTask::progress);
        emit task->getConverter()->progress(100, 37, -1);
        QCOMPARE(progress.count(), 1);
        QCOMPARE(progress.at(0), QVariantList({qint64(100), qint64(37), qint64(-1)}));
    }

    // Manager.
    void managerLimit()
    {
        Tarn::ConvertManager manager;
        Kel::ProgressedTaskPool &pool = manager.getConvertPool();
        manager.setMaxConvertSimulaneous(3);
        QCOMPARE(pool.getMaxRunning(), 3);
        manager.setMaxConvertSimulaneous(0);
        QCOMPARE(pool.getMaxRunning(), 3);
        manager.setMaxConvertSimulaneous(-2);
        QCOMPARE(pool.getMaxRunning(), 3);
    }

    void managerFindsTasksByParameters()
    {
        Tarn::ConvertManager manager;
        const ConvertParameters p = parameters(QStringLiteral("/out/a.mp4"));
        QPointer<ConvertTask> task = manager.getConvertTask();
        QCOMPARE(task->getPool(), &manager.getConvertPool());
        QVERIFY(!manager.getConvertTask(ConvertTask::makeTaskKey(p)));
        task->convert(p);
        QCOMPARE(manager.getConvertTask(ConvertTask::makeTaskKey(p)), task.data());

        // Unknown parameters change nothing.
        const ConvertParameters other = parameters(QStringLiteral("/out/b.mp4"));
        manager.pauseTask(other);
        manager.resumeTask(other);
        manager.cancelConvert(other);
        QCOMPARE(task->status(), Task::Ready);

        manager.pauseTask(p);
        QCOMPARE(task->status(), Task::Paused);
        manager.resumeTask(p);
        QCOMPARE(task->status(), Task::Resumed);
        QCOMPARE(manager.getConvertPool().queuedKeys(), QStringList({task->key()}));
        manager.cancelConvert(p);
        QCOMPARE(task->status(), Task::Canceled);
        // Ended tasks go.
        QTRY_VERIFY(!task);
        QVERIFY(!manager.getConvertTask(ConvertTask::makeTaskKey(p)));
    }

    void managerClearCancelsEverything()
    {
        Tarn::ConvertManager manager;
        QList<QPointer<ConvertTask>> tasks;
        for (const char *name : {"/out/a.mp4", "/out/b.mp4", "/out/c.mp4"}) {
            ConvertTask *task = manager.getConvertTask();
            task->convert(parameters(QString::fromLatin1(name)));
            tasks << task;
        }
        manager.pauseTask(parameters(QStringLiteral("/out/b.mp4")));
        QVERIFY(manager.clear());
        for (const QPointer<ConvertTask> &task : tasks)
            QCOMPARE(task->status(), Task::Canceled);
        QTRY_VERIFY(!tasks.at(0) && !tasks.at(1) && !tasks.at(2));
        QVERIFY(manager.getConvertPool().taskKeys().isEmpty());
    }

    void probingWhatIsNoMedia_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("content"); // null: no file
        QTest::newRow("missing") << m_root.filePath(QStringLiteral("missing.mp4")) << QByteArray();
        QTest::newRow("text") << m_root.filePath(QStringLiteral("notes.mp4")) << QByteArray("just some words\n");
        QTest::newRow("empty") << m_root.filePath(QStringLiteral("empty.avi")) << QByteArray("");
    }
    void probingWhatIsNoMedia()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, content);
        if (!content.isNull()) {
            QFile out(file);
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write(content);
        }
        const Kel::FileMediaInfo info = AppContext::instance()->getConvertManager()->getMeidaInfo(file, false);
        QVERIFY(!info.isValid());
        QCOMPARE(info.mediaFile, file);
    }

    // The application context.
    void contextOwnsEveryManagerOnce()
    {
        AppContext *context = AppContext::instance();
        QCOMPARE(AppContext::instance(), context);
        QVERIFY(context->getSettingsManager());
        QVERIFY(context->getDownloadManager());
        QVERIFY(context->getConvertManager());
        QVERIFY(context->getDataManager());
        QCOMPARE(AppContext::instance()->getConvertManager(), context->getConvertManager());
        QCOMPARE(AppContext::instance()->getDataManager(), context->getDataManager());
        Tarn::DataManager *data = context->getDataManager();
        QVERIFY(!data->hasDownloadItem() && !data->hasConvertItem() && !data->hasDownloadConvertItem());
        QVERIFY(!data->hasWorkItem());
    }

    void initStartsTheConvertPoolWithTheSettingsLimit()
    {
        qputenv("NUMBER_OF_PROCESSORS", "4");
        AppContext *context = AppContext::instance();
        Kel::ProgressedTaskPool &pool = context->getConvertManager()->getConvertPool();
        const quint64 passes = pool.getPassCount();
        QVERIFY(context->init());
        QCOMPARE(pool.getMaxRunning(), context->getSettingsManager()->getMaxConvertNumber());
        QCOMPARE(pool.getMaxRunning(), 3);
        // The scheduler runs.
        QTRY_VERIFY(pool.getPassCount() > passes + 2);
        QVERIFY(context->init());
        qunsetenv("NUMBER_OF_PROCESSORS");
    }
};

QTEST_GUILESS_MAIN(TestConvertTask)
#include "tst_converttask.moc"
