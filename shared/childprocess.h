#pragma once

#include "shared/linebuffer.h"

#include <QObject>
#include <QProcess>
#include <QStringList>

namespace Kel {

// One run of an outside program at a time, as both back ends use them: a
// program and an argument list (never a command text that something splits),
// standard input closed unless asked for, the output cut into whole lines, a failed start
// reported as such, and a stop that leaves nothing running.
//
// The program gets a process group of its own, so that stop() also ends what
// it started (the extractor tool runs ffmpeg itself), and on Linux it ends
// when the thread that started it ends, which is the program's main thread:
// no child outlives a program that was killed outright.
//
// Signals: the lines of a read, then, once the program has ended, its last
// unfinished lines and finished(). A program that cannot be started gives
// failedToStart() instead, never from inside start(). After stop() nothing
// of that run is signalled. A receiver may delete the object from any signal.
class ChildProcess : public QObject
{
    Q_OBJECT

public:
    // How long stop() waits for a killed program to be gone.
    static constexpr int StopWaitMs = 5000;
    // Lines of standard error kept for the reason of a failure.
    static constexpr int RecentErrorLineCount = 40;

    explicit ChildProcess(QObject *parent = nullptr);
    // Stops a program that still runs.
    ~ChildProcess() override;

    // The folder the next run starts in; empty: this process's own.
    void setWorkingDirectory(const QString &dir);
    QString workingDirectory() const;
    // Whether the next run gets a pipe on its standard input for write();
    // by default it reads an empty input.
    void setInputOpen(bool open);
    // Queues data for the program's standard input; false when the run has
    // no open input.
    bool write(const QByteArray &data);
    // The program sees the end of its input once what was written is read.
    void closeInput();

    // Starts program with arguments; a run still going is stopped first.
    void start(const QString &program, const QStringList &arguments);
    // Kills the program and everything in its process group, then waits
    // until it is gone; only then may its files be touched.
    void stop();
    // Blocks until the run has ended; its signals come from inside. False on
    // timeout (the program still runs) or when it did not start.
    bool waitForFinished(int msecs = -1);

    bool isRunning() const;
    qint64 processId() const;
    QString program() const { return runProgram; }
    QStringList arguments() const { return runArguments; }
    int exitCode() const;
    QProcess::ExitStatus exitStatus() const;
    bool failedToStartRun() const { return startFailed; }
    // Why the run could not be started.
    QString startErrorText() const { return startError; }
    // The last lines of standard error of this run.
    QStringList recentErrorLines() const { return recentErrors; }

signals:
    void outputLines(const QStringList &lines);
    void errorLines(const QStringList &lines);
    void finished(int exitCode, QProcess::ExitStatus exitStatus);
    void failedToStart(const QString &reason);

private:
    void readOutput();
    void readError();
    void onFinished(int code, QProcess::ExitStatus status);
    void onErrorOccurred(QProcess::ProcessError error);
    void reportStartFailure();
    // Emits the lines; false when the run is over for us afterwards (the
    // receiver stopped it, started another, or deleted this object).
    bool deliver(const QStringList &lines, bool errorChannel);

    QProcess *process = nullptr;
    QString runProgram;
    QStringList runArguments;
    LineBuffer outputBuffer;
    LineBuffer errorBuffer;
    QStringList recentErrors;
    QString startError;
    // Counts the runs: a queued report of an old run must not reach a new one.
    quint64 run = 0;
    bool active = false;
    bool inputOpen = false;
    bool starting = false;
    bool startFailed = false;
    bool startFailureReported = false;
};

} // namespace Kel
