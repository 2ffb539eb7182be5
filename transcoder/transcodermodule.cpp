#include "transcoder/transcoderglobal.h"
#include "shared/kellog.h"

// Lets tests and tools ask where this module writes its diagnostic log.
extern "C" TRANSCODER_EXPORT const char *transcoderLogFile()
{
    static const QByteArray path = Kel::Log::logFile().toLocal8Bit();
    return path.constData();
}
