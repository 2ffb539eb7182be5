#pragma once

#include "webfetch/puxtool.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>

namespace Kel {

class ChildProcess;

// One process of the extractor worker script for one tool and one set of
// options. Requests go down its standard input as lines and come back
// answered in the order they were sent. A process that does not report
// ready, or does not answer the request it works on, within the time limit
// is taken for hung and killed.
//
// The value of the tool is held for as long as the process runs, so that
// its copy is not removed under it.
class PuxWorkerProcess final : public QObject
{
    Q_OBJECT

public:
    // The script's exit status when it cannot import the tool.
    static constexpr int CannotRunTool = 3;

    PuxWorkerProcess(const PuxTool &tool, const QStringList &options, QObject *parent = nullptr);
    ~PuxWorkerProcess() override;

    void start(const QString &interpreter, const QString &script, int timeLimitMs);
    // Also for the wait that runs now.
    void setTimeLimit(int msecs);
    // False when the process is over or retiring.
    bool send(quint64 id, const QString &url);
    // Takes no more requests and ends once the ones sent are answered.
    void retire();
    // Kills the process now; nothing more is signalled.
    void stop();

    QString interpreter() const { return runInterpreter; }
    const PuxTool &tool() const { return runTool; }
    QStringList options() const { return runOptions; }
    bool isReady() const { return readyReported; }
    bool isRetiring() const { return retiring; }
    bool isOver() const { return over; }
    // The script ended before it was ready because it cannot run this tool.
    bool refusesTool() const { return cannotRunTool; }
    int pendingCount() const { return int(pending.size()); }
    qint64 processId() const;

signals:
    void ready();
    void answered(quint64 id, int status, const QString &output, const QString &errorOutput);
    // The process is over. failure is empty when it ended as asked (after
    // retire()); unanswered are the requests it took and did not answer.
    void ended(const QString &failure, const QList<quint64> &unanswered);

private:
    void readLines(const QStringList &lines);
    void onFinished(int exitCode, int exitStatus);
    void fail(const QString &reason);
    void finish();
    void armWatchdog();

    QPointer<ChildProcess> process;
    QString runInterpreter;
    PuxTool runTool;
    QStringList runOptions;
    QList<quint64> pending;
    QStringList startErrors;
    QTimer watchdog;
    bool readyReported = false;
    bool retiring = false;
    bool over = false;
    bool cannotRunTool = false;
};

} // namespace Kel
