#include "webfetch/puxworkerreply.h"

namespace Kel {

PuxWorkerReply::PuxWorkerReply(quint64 id, QObject *parent) : QObject(parent), requestId(id)
{
}

} // namespace Kel
