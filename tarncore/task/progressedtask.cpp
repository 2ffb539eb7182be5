#include "tarncore/task/progressedtask.h"

namespace Kel {

ProgressedTask::ProgressedTask(TaskPool *pool)
    : Task(pool)
{
}

} // namespace Kel
