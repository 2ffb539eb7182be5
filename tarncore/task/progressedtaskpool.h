#pragma once

#include "tarncore/task/taskpool.h"

namespace Kel {

// The pool of progress-reporting tasks that the managers hold.
class TARNCORE_EXPORT ProgressedTaskPool : public TaskPool
{
public:
    explicit ProgressedTaskPool(QObject *parent = nullptr);
};

} // namespace Kel
