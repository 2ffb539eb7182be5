#include "tarncore/task/progressedtaskpool.h"

namespace Kel {

ProgressedTaskPool::ProgressedTaskPool(QObject *parent)
    : TaskPool(parent)
{
}

} // namespace Kel
