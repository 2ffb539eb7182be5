#pragma once

#include "webfetch/puxtool.h"
#include "webfetch/webfetchglobal.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QStringList>
#include <QTimer>

namespace Kel {

class PuxWorkerProcess;
class PuxWorkerReply;

// The warm extractor worker: a Python process running our script
// "puxworker.py" from the application directory, which keeps the extractor
// tool imported and answers media-information requests one after the other
// as a one-shot run of the tool with the same options would, in a fraction
// of the time (the tool's start is most of a one-shot run).
//
// One worker serves every request for the tool in use; a request for
// another tool or other options, or a change of the tool's copy (an update,
// a return to the shipped tool), replaces it, and the one replaced finishes
// what it took. A worker that cannot start, ends, or takes longer than the
// time limit fails its requests (their callers run the tool themselves) and
// is started again; after several failures in a row the tool gets no worker
// until it changes. A worker unused for a few minutes ends, and so does
// every worker when the application ends.
//
// Process-wide; used from the thread that created it.
class WEBFETCH_EXPORT PuxWorker final : public QObject
{
    Q_OBJECT

public:
    static const QString ScriptName;
    static constexpr int DefaultIdleTimeoutMs = 5 * 60 * 1000;
    static constexpr int DefaultTimeLimitMs = 30 * 1000;
    // Failures in a row after which a tool runs without a worker.
    static constexpr int MaxFailures = 3;

    static PuxWorker *instance();

    // Starts the worker for tool and options in the background, unless it
    // runs already.
    void prepare(const PuxTool &tool, const QStringList &options);
    // Hands the request for url to the worker for tool and options, started
    // or replaced as needed; null when no worker serves them (the caller
    // runs the tool itself). The caller owns the reply.
    PuxWorkerReply *request(const PuxTool &tool, const QStringList &options, const QString &url);
    // Ends every worker now; their requests fail (their callers run the tool).
    void stop();

    // Off, every request is refused. On by default, unless the variable
    // MARLIN_EXTRACTOR_WORKER is "0".
    void setEnabled(bool enabled);
    bool isEnabled() const { return enabled; }
    void setIdleTimeout(int msecs);
    int idleTimeout() const { return idleTimer.interval(); }
    // How long a request may take, and a start, before the worker is taken
    // for hung.
    void setTimeLimit(int msecs);  // also for the workers running
    int timeLimit() const { return limitMs; }
    // The script; by default ScriptName in the application directory.
    void setScriptPath(const QString &path);
    QString scriptPath() const;

    // The process of the worker that takes new requests, 0 when none runs.
    qint64 processId() const;
    bool isReady() const;
    // Worker processes running, those finishing after a replacement included.
    int processCount() const;
    // Requests the workers have answered so far.
    quint64 answerCount() const { return answers; }

signals:
    // The worker that takes new requests reported ready.
    void ready();

private:
    PuxWorker();

    struct Request
    {
        QPointer<PuxWorkerReply> reply;
        QString url;
    };

    bool serves(const PuxTool &tool, const QStringList &options) const;
    PuxWorkerProcess *workerFor(const PuxTool &tool, const QStringList &options);
    PuxWorkerProcess *startWorker(const QString &interpreter, const PuxTool &tool, const QStringList &options);
    void retireCurrent();
    void onAnswered(quint64 id, int status, const QString &output, const QString &errorOutput);
    void onEnded(PuxWorkerProcess *worker, const QString &failure, const QList<quint64> &unanswered);
    void onToolChanged(const Kel::PuxTool &tool);
    void onIdle();
    // At the end of the application: every worker ends, every answer is dropped.
    void shutdown();
    static QString keyOf(const QString &interpreter, const PuxTool &tool, const QStringList &options);

    QPointer<PuxWorkerProcess> current;
    QList<QPointer<PuxWorkerProcess>> retiring;
    QHash<quint64, Request> requests;
    quint64 lastId = 0;
    quint64 answers = 0;
    // Interpreters and tools that get no worker, and failures in a row, by keyOf().
    QSet<QString> refused;
    QHash<QString, int> failures;
    QTimer idleTimer;
    int limitMs = DefaultTimeLimitMs;
    QString script;
    bool enabled = true;
};

} // namespace Kel
