#include "webfetch/puxworker.h"

#include "shared/kellog.h"
#include "webfetch/puxruntime.h"
#include "webfetch/puxtoolcache.h"
#include "webfetch/puxworkerprocess.h"
#include "webfetch/puxworkerreply.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <utility>

namespace Kel {

namespace {

// What the script can import the tool from: an unpacked copy or a zip
// archive; a tool of another kind always runs by itself.
bool importable(const QString &path)
{
    const QFileInfo info(path);
    if (info.isDir())
        return true;
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(4) == QByteArray("PK\x03\x04", 4);
}

} // namespace

const QString PuxWorker::ScriptName = QStringLiteral("puxworker.py");

PuxWorker *PuxWorker::instance()
{
    // Never destroyed: its processes end with aboutToQuit or with the
    // program (they die with the thread that started them).
    static PuxWorker *const worker = new PuxWorker;
    return worker;
}

PuxWorker::PuxWorker()
{
    enabled = qgetenv("MARLIN_EXTRACTOR_WORKER") != "0";
    idleTimer.setSingleShot(true);
    idleTimer.setInterval(DefaultIdleTimeoutMs);
    connect(&idleTimer, &QTimer::timeout, this, &PuxWorker::onIdle);
    connect(PuxToolCache::instance(), &PuxToolCache::toolChanged, this, &PuxWorker::onToolChanged);
    if (QCoreApplication *app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, &PuxWorker::shutdown);
    // Also for a program that ends without an event loop's quit.
    qAddPostRoutine([] { PuxWorker::instance()->shutdown(); });
}

void PuxWorker::shutdown()
{
    for (const Request &request : std::exchange(requests, {})) {
        if (request.reply)
            request.reply->disconnect();
    }
    stop();
}

QString PuxWorker::keyOf(const QString &interpreter, const PuxTool &tool, const QStringList &options)
{
    return QStringList({interpreter, tool.runPath(), tool.digest(), options.join(QLatin1Char('\n'))})
        .join(QLatin1Char('\n'));
}

void PuxWorker::setEnabled(bool on)
{
    enabled = on;
    if (!on)
        stop();
}

void PuxWorker::setIdleTimeout(int msecs)
{
    idleTimer.setInterval(msecs);
    if (idleTimer.isActive())
        idleTimer.start();
}

void PuxWorker::setTimeLimit(int msecs)
{
    limitMs = msecs;
    for (PuxWorkerProcess *worker : std::as_const(retiring) + QList<QPointer<PuxWorkerProcess>>{current}) {
        if (worker)
            worker->setTimeLimit(msecs);
    }
}

void PuxWorker::setScriptPath(const QString &path)
{
    script = path;
    refused.clear();
    failures.clear();
}

QString PuxWorker::scriptPath() const
{
    return script.isEmpty() ? PuxRuntime::applicationDir() + QLatin1Char('/') + ScriptName : script;
}

qint64 PuxWorker::processId() const
{
    return current ? current->processId() : 0;
}

bool PuxWorker::isReady() const
{
    return current && current->isReady();
}

int PuxWorker::processCount() const
{
    int count = current && !current->isOver() ? 1 : 0;
    for (const QPointer<PuxWorkerProcess> &worker : retiring)
        count += worker && !worker->isOver() ? 1 : 0;
    return count;
}

bool PuxWorker::serves(const PuxTool &tool, const QStringList &options) const
{
    return enabled && !tool.runPath().isEmpty()
           && !refused.contains(keyOf(PuxRuntime::interpreterPath(), tool, options)) && importable(tool.runPath());
}

void PuxWorker::prepare(const PuxTool &tool, const QStringList &options)
{
    if (!serves(tool, options))
        return;
    if (workerFor(tool, options))
        idleTimer.start();
}

PuxWorkerReply *PuxWorker::request(const PuxTool &tool, const QStringList &options, const QString &url)
{
    if (!serves(tool, options))
        return nullptr;
    PuxWorkerProcess *worker = workerFor(tool, options);
    if (!worker)
        return nullptr;
    const quint64 id = ++lastId;
    auto *reply = new PuxWorkerReply(id);
    if (!worker->send(id, url)) {
        delete reply;
        return nullptr;
    }
    requests.insert(id, Request{reply, url});
    idleTimer.start();
    return reply;
}

PuxWorkerProcess *PuxWorker::workerFor(const PuxTool &tool, const QStringList &options)
{
    // The interpreter is looked for as a one-shot run looks for it.
    const QString interpreter = PuxRuntime::interpreterPath();
    if (current && !current->isOver() && !current->isRetiring() && current->interpreter() == interpreter
        && current->tool() == tool && current->options() == options)
        return current;
    retireCurrent();
    current = startWorker(interpreter, tool, options);
    return current;
}

PuxWorkerProcess *PuxWorker::startWorker(const QString &interpreter, const PuxTool &tool,
                                         const QStringList &options)
{
    const QString path = scriptPath();
    if (!QFileInfo(path).isFile()) {
        KEL_ERROR("The extractor tool runs once per request: %s is missing", qUtf8Printable(path));
        refused.insert(keyOf(interpreter, tool, options));
        return nullptr;
    }
    auto *worker = new PuxWorkerProcess(tool, options, this);
    connect(worker, &PuxWorkerProcess::ready, this, [this, worker] {
        if (worker == current)
            emit ready();
    });
    connect(worker, &PuxWorkerProcess::answered, this, &PuxWorker::onAnswered);
    connect(worker, &PuxWorkerProcess::ended, this,
            [this, worker](const QString &failure, const QList<quint64> &unanswered) {
                onEnded(worker, failure, unanswered);
            });
    worker->start(interpreter, path, limitMs);
    return worker;
}

void PuxWorker::retireCurrent()
{
    if (!current)
        return;
    if (current->isOver()) {
        current->deleteLater();
    } else {
        current->retire();
        retiring.append(current);
    }
    current = nullptr;
}

void PuxWorker::stop()
{
    idleTimer.stop();
    QList<QPointer<PuxWorkerProcess>> all = retiring;
    all.append(current);
    retiring.clear();
    current = nullptr;
    for (const QPointer<PuxWorkerProcess> &worker : all) {
        if (worker) {
            worker->stop();
            worker->deleteLater();
        }
    }
    // Their requests are run by their callers.
    const QHash<quint64, Request> dropped = std::exchange(requests, {});
    for (const Request &request : dropped) {
        if (request.reply)
            emit request.reply->failed(QStringLiteral("the worker was stopped"));
    }
}

void PuxWorker::onAnswered(quint64 id, int status, const QString &output, const QString &errorOutput)
{
    const Request request = requests.take(id);
    ++answers;
    if (auto *worker = qobject_cast<PuxWorkerProcess *>(sender()))
        failures.remove(keyOf(worker->interpreter(), worker->tool(), worker->options()));
    idleTimer.start();
    // A cancelled request's reply is gone: its answer is dropped.
    if (request.reply)
        emit request.reply->answered(status, output, errorOutput);
}

void PuxWorker::onEnded(PuxWorkerProcess *worker, const QString &failure, const QList<quint64> &unanswered)
{
    retiring.removeAll(worker);
    retiring.removeAll(nullptr);
    const bool wasCurrent = worker == current;
    if (wasCurrent)
        current = nullptr;
    worker->deleteLater();
    if (!failure.isEmpty()) {
        const QString key = keyOf(worker->interpreter(), worker->tool(), worker->options());
        int &count = failures[key];
        // A tool that cannot be imported will not be one the next time.
        count = worker->refusesTool() ? MaxFailures : count + 1;
        if (count >= MaxFailures) {
            KEL_ERROR("The extractor tool %s runs once per request from now on: its worker failed %d times",
                      qUtf8Printable(worker->tool().runPath()), count);
            refused.insert(key);
        } else if (wasCurrent && enabled) {
            // Warm again for the next request.
            current = startWorker(worker->interpreter(), worker->tool(), worker->options());
        }
    }
    for (const quint64 id : unanswered) {
        const Request request = requests.take(id);
        if (request.reply)
            emit request.reply->failed(failure);
    }
}

void PuxWorker::onToolChanged(const Kel::PuxTool &tool)
{
    // An update or a return to the shipped tool, or its copy became ready:
    // the next request finds a worker of the new tool started.
    if (!current || current->isOver() || current->isRetiring() || current->tool() == tool
        || current->tool().archivePath() != tool.archivePath())
        return;
    const QString interpreter = current->interpreter();
    const QStringList options = current->options();
    retireCurrent();
    if (enabled && !refused.contains(keyOf(interpreter, tool, options)))
        current = startWorker(interpreter, tool, options);
}

void PuxWorker::onIdle()
{
    if (!current)
        return;
    if (current->pendingCount() > 0) {
        idleTimer.start();
        return;
    }
    KEL_INFO("Extractor worker ends: unused for %d s", idleTimer.interval() / 1000);
    retireCurrent();
}

} // namespace Kel
