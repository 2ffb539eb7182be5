#include "kelframe/kelframeglobal.h"

// The framework's version as the program asks for it at start-up.
extern "C" KELFRAME_EXPORT int kelframeVersion()
{
    return 1030;
}
