#include "widgetkit/widgetkitglobal.h"
#include "shared/kellog.h"

// Lets tests and tools ask where this module writes its diagnostic log.
extern "C" WIDGETKIT_EXPORT const char *widgetkitLogFile()
{
    static const QByteArray path = Kel::Log::logFile().toLocal8Bit();
    return path.constData();
}
