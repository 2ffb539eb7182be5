#include "webfetch/webfetchglobal.h"
#include "shared/kellog.h"

// Lets tests and tools ask where this module writes its diagnostic log.
extern "C" WEBFETCH_EXPORT const char *webfetchLogFile()
{
    static const QByteArray path = Kel::Log::logFile().toLocal8Bit();
    return path.constData();
}
