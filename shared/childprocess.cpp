#include "shared/childprocess.h"

#include "shared/kellog.h"

#include <QPointer>
#include <QTimer>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/types.h>
#include <unistd.h>
#endif
#ifdef Q_OS_LINUX
#include <sys/prctl.h>
#endif

namespace Kel {

ChildProcess::ChildProcess(QObject *parent)
    : QObject(parent)
    , process(new QProcess(this))
{
    process->setStandardInputFile(QProcess::nullDevice());
    connect(process, &QProcess::readyReadStandardOutput, this, &ChildProcess::readOutput);
    connect(process, &QProcess::readyReadStandardError, this, &ChildProcess::readError);
    connect(process, &QProcess::finished, this, &ChildProcess::onFinished);
    connect(process, &QProcess::errorOccurred, this, &ChildProcess::onErrorOccurred);
#ifdef Q_OS_UNIX
    const pid_t parentPid = ::getpid();
    // Runs in the child between fork and exec: async-signal-safe calls only.
    process->setChildProcessModifier([parentPid] {
        ::setpgid(0, 0);
#ifdef Q_OS_LINUX
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        // The parent died before the death signal was armed.
        if (::getppid() != parentPid)
            ::_exit(127);
#endif
    });
#endif
}

ChildProcess::~ChildProcess()
{
    stop();
}

void ChildProcess::setWorkingDirectory(const QString &dir)
{
    process->setWorkingDirectory(dir);
}

QString ChildProcess::workingDirectory() const
{
    return process->workingDirectory();
}

void ChildProcess::setInputOpen(bool open)
{
    inputOpen = open;
    // An empty name gives the program a pipe again.
    process->setStandardInputFile(open ? QString() : QProcess::nullDevice());
}

bool ChildProcess::write(const QByteArray &data)
{
    if (!inputOpen || !active || process->state() == QProcess::NotRunning)
        return false;
    return process->write(data) == data.size();
}

void ChildProcess::closeInput()
{
    if (inputOpen && process->state() != QProcess::NotRunning)
        process->closeWriteChannel();
}

void ChildProcess::start(const QString &program, const QStringList &arguments)
{
    if (process->state() != QProcess::NotRunning) {
        KEL_ERROR("%s still runs; stopped for the next run", qPrintable(runProgram));
        stop();
    }
    ++run;
    runProgram = program;
    runArguments = arguments;
    outputBuffer.clear();
    errorBuffer.clear();
    recentErrors.clear();
    startError.clear();
    startFailed = false;
    startFailureReported = false;
    active = true;
    starting = true;
    process->start(program, arguments, inputOpen ? QIODevice::ReadWrite : QIODevice::ReadOnly);
    starting = false;
}

void ChildProcess::stop()
{
    active = false;
    if (process->state() == QProcess::NotRunning)
        return;
#ifdef Q_OS_UNIX
    const qint64 pid = process->processId();
    // The group as well: a grandchild must not go on writing the files the
    // caller is about to remove.
    if (pid > 0)
        ::kill(-pid_t(pid), SIGKILL);
#endif
    // SIGKILL also ends a stopped (paused) program.
    process->kill();
    if (!process->waitForFinished(StopWaitMs))
        KEL_ERROR("%s did not end after being killed", qPrintable(runProgram));
    outputBuffer.clear();
    errorBuffer.clear();
}

bool ChildProcess::waitForFinished(int msecs)
{
    const bool ended = process->state() == QProcess::NotRunning || process->waitForFinished(msecs);
    if (startFailed)
        reportStartFailure();
    return ended && !startFailed;
}

bool ChildProcess::isRunning() const
{
    return process->state() != QProcess::NotRunning;
}

qint64 ChildProcess::processId() const
{
    return process->processId();
}

int ChildProcess::exitCode() const
{
    return process->exitCode();
}

QProcess::ExitStatus ChildProcess::exitStatus() const
{
    return process->exitStatus();
}

bool ChildProcess::deliver(const QStringList &lines, bool errorChannel)
{
    if (lines.isEmpty())
        return active;
    if (errorChannel) {
        recentErrors += lines;
        if (recentErrors.size() > RecentErrorLineCount)
            recentErrors.erase(recentErrors.begin(), recentErrors.end() - RecentErrorLineCount);
    }
    const QPointer<ChildProcess> self(this);
    const quint64 thisRun = run;
    if (errorChannel)
        emit errorLines(lines);
    else
        emit outputLines(lines);
    return self && active && run == thisRun;
}

void ChildProcess::readOutput()
{
    const QByteArray chunk = process->readAllStandardOutput();
    if (active)
        deliver(outputBuffer.append(chunk), false);
}

void ChildProcess::readError()
{
    const QByteArray chunk = process->readAllStandardError();
    if (active)
        deliver(errorBuffer.append(chunk), true);
}

void ChildProcess::onFinished(int code, QProcess::ExitStatus status)
{
    if (!active)
        return;
    // Whatever is still in the pipes, and the last lines without an end.
    if (!deliver(outputBuffer.append(process->readAllStandardOutput()) + outputBuffer.flush(), false))
        return;
    if (!deliver(errorBuffer.append(process->readAllStandardError()) + errorBuffer.flush(), true))
        return;
    active = false;
    emit finished(code, status);
}

void ChildProcess::onErrorOccurred(QProcess::ProcessError error)
{
    // A crash ends in finished() with its exit status; only a program that
    // never ran is reported here.
    if (error != QProcess::FailedToStart || !active)
        return;
    startFailed = true;
    startError = process->errorString();
    if (starting) {
        const quint64 thisRun = run;
        QTimer::singleShot(0, this, [this, thisRun] {
            if (run == thisRun)
                reportStartFailure();
        });
    } else {
        reportStartFailure();
    }
}

void ChildProcess::reportStartFailure()
{
    if (!active || startFailureReported)
        return;
    startFailureReported = true;
    active = false;
    emit failedToStart(startError);
}

} // namespace Kel
