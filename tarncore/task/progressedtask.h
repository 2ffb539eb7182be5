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

signals:
    void progress(qint64 total, qint64 finished, qint64 speed);
};

} // namespace Kel
