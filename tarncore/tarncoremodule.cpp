#include "tarncore/tarncoreglobal.h"
#include "shared/kellog.h"

// Lets tests and tools ask where this module writes its diagnostic log.
extern "C" TARNCORE_EXPORT const char *tarncoreLogFile()
{
    static const QByteArray path = Kel::Log::logFile().toLocal8Bit();
    return path.constData();
}
