#include "webfetch/puxworkerprocess.h"

#include "shared/childprocess.h"
#include "shared/kellog.h"
#include "webfetch/puxruntime.h"

#include <json/json.h>

#include <memory>

namespace Kel {

namespace {

bool parseLine(const QString &line, Json::Value *value)
{
    const QByteArray text = line.toUtf8();
    Json::CharReaderBuilder builder;
    builder["collectComments"] = false;
    const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    std::string errors;
    return reader->parse(text.constData(), text.constData() + text.size(), value, &errors) && value->isObject();
}

QString textOf(const Json::Value &value)
{
    return value.isString() ? QString::fromStdString(value.asString()) : QString();
}

} // namespace

PuxWorkerProcess::PuxWorkerProcess(const PuxTool &tool, const QStringList &options, QObject *parent)
    : QObject(parent), runTool(tool), runOptions(options)
{
    watchdog.setSingleShot(true);
    connect(&watchdog, &QTimer::timeout, this, [this] {
        fail(readyReported ? QStringLiteral("no answer within %1 ms").arg(watchdog.interval())
                           : QStringLiteral("not ready within %1 ms").arg(watchdog.interval()));
    });
}

PuxWorkerProcess::~PuxWorkerProcess()
{
    stop();
}

void PuxWorkerProcess::start(const QString &interpreter, const QString &script, int timeLimitMs)
{
    watchdog.setInterval(timeLimitMs);
    runInterpreter = interpreter;
    process = new ChildProcess(this);
    process->setInputOpen(true);
    process->setWorkingDirectory(PuxRuntime::workingDirectory());
    connect(process, &ChildProcess::outputLines, this, &PuxWorkerProcess::readLines);
    connect(process, &ChildProcess::errorLines, this, [this](const QStringList &lines) {
        // The tool's own words travel in the answers; this is the worker's.
        for (const QString &line : lines)
            KEL_ERROR("Extractor worker: %s", qUtf8Printable(line));
        startErrors = (startErrors + lines).mid(qMax(0, int(startErrors.size() + lines.size()) - 5));
    });
    connect(process, &ChildProcess::finished, this,
            [this](int exitCode, QProcess::ExitStatus status) { onFinished(exitCode, int(status)); });
    connect(process, &ChildProcess::failedToStart, this,
            [this](const QString &reason) { fail(QStringLiteral("cannot start: %1").arg(reason)); });
    const QStringList arguments = QStringList{QStringLiteral("-I"), script, runTool.runPath()} + runOptions;
    KEL_INFO("Extractor worker: \"%s\" %s", qUtf8Printable(interpreter), qUtf8Printable(arguments.join(QLatin1Char(' '))));
    process->start(interpreter, arguments);
    armWatchdog();
}

void PuxWorkerProcess::setTimeLimit(int msecs)
{
    const bool waiting = watchdog.isActive();
    watchdog.setInterval(msecs);
    if (waiting)
        watchdog.start();
}

bool PuxWorkerProcess::send(quint64 id, const QString &url)
{
    if (over || retiring || !process)
        return false;
    Json::Value request(Json::objectValue);
    request["id"] = Json::UInt64(id);
    request["url"] = url.toStdString();
    Json::StreamWriterBuilder builder;
    builder["indentation"] = "";
    const QByteArray line = QByteArray::fromStdString(Json::writeString(builder, request)) + '\n';
    if (!process->write(line))
        return false;
    pending.append(id);
    if (pending.size() == 1)
        armWatchdog();
    return true;
}

void PuxWorkerProcess::retire()
{
    if (over || retiring)
        return;
    retiring = true;
    // The script ends at the end of its input, after the last answer.
    if (process)
        process->closeInput();
    armWatchdog();
}

void PuxWorkerProcess::stop()
{
    over = true;
    watchdog.stop();
    pending.clear();
    if (process) {
        process->disconnect(this);
        process->stop();
    }
}

qint64 PuxWorkerProcess::processId() const
{
    return process && process->isRunning() ? process->processId() : 0;
}

void PuxWorkerProcess::armWatchdog()
{
    // Waiting for the start, for an answer, or for the end after retire().
    if (!readyReported || !pending.isEmpty() || retiring)
        watchdog.start();
    else
        watchdog.stop();
}

void PuxWorkerProcess::readLines(const QStringList &lines)
{
    const QPointer<PuxWorkerProcess> self(this);
    for (const QString &line : lines) {
        if (over)
            return;
        Json::Value value;
        if (!parseLine(line, &value)) {
            fail(QStringLiteral("unreadable line: %1").arg(line.left(200)));
            return;
        }
        if (value.isMember("ready")) {
            readyReported = true;
            KEL_INFO("Extractor worker %lld ready: %s", static_cast<long long>(processId()),
                     qUtf8Printable(runTool.runPath()));
            armWatchdog();
            emit ready();
            if (!self)
                return;
            continue;
        }
        const Json::Value &id = value["id"];
        if (!id.isUInt64() || pending.isEmpty() || id.asUInt64() != pending.first()) {
            fail(QStringLiteral("answer out of turn: %1").arg(line.left(200)));
            return;
        }
        pending.removeFirst();
        // The time limit starts anew for the next request.
        armWatchdog();
        const Json::Value &status = value["status"];
        emit answered(id.asUInt64(), status.isInt() ? status.asInt() : 1, textOf(value["out"]), textOf(value["err"]));
        if (!self)
            return;
    }
}

void PuxWorkerProcess::onFinished(int exitCode, int exitStatus)
{
    if (over)
        return;
    if (retiring && pending.isEmpty() && exitStatus == QProcess::NormalExit && exitCode == 0) {
        finish();
        return;
    }
    cannotRunTool = !readyReported && exitStatus == QProcess::NormalExit && exitCode == CannotRunTool;
    QString reason = exitStatus == QProcess::NormalExit ? QStringLiteral("ended with exit code %1").arg(exitCode)
                                                        : QStringLiteral("crashed or was killed");
    if (!startErrors.isEmpty())
        reason += QStringLiteral(": ") + startErrors.last();
    fail(reason);
}

void PuxWorkerProcess::fail(const QString &reason)
{
    if (over)
        return;
    const QList<quint64> unanswered = pending;
    stop();
    KEL_ERROR("Extractor worker for %s failed: %s", qUtf8Printable(runTool.runPath()), qUtf8Printable(reason));
    emit ended(reason, unanswered);
}

void PuxWorkerProcess::finish()
{
    over = true;
    watchdog.stop();
    emit ended(QString(), {});
}

} // namespace Kel
