#include "webfetch/puxtool.h"

#include "webfetch/puxfilelock.h"

namespace Kel {

PuxTool::PuxTool(const QString &archivePath) : archive(archivePath)
{
}

bool PuxTool::operator==(const PuxTool &other) const
{
    return archive == other.archive && sha256 == other.sha256 && copy == other.copy;
}

} // namespace Kel
