#pragma once

#include "tarncore/task/task.h"

namespace Kel {

// A task that reports how far its work has come. Whoever emits progress
// supplies all three figures; a task without a speed passes 0.
class TARNCORE_EXPORT ProgressedTask : public Task
{
    Q_OBJECT
public:
    explicit ProgressedTask(TaskPool *pool);

    // Why the task failed, for the user; set before its error() goes out.
    // Thread of the task only.
    QString getErrorText() const { return errorText; }
    void setErrorText(const QString &text) { errorText = text; }

signals:
    void progress(qint64 total, qint64 finished, qint64 speed);

private:
    QString errorText;
};

} // namespace Kel
