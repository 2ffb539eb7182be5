#pragma once

#include <QtCore/qglobal.h>

#if defined(TRANSCODER_LIBRARY)
#  define TRANSCODER_EXPORT Q_DECL_EXPORT
#else
#  define TRANSCODER_EXPORT Q_DECL_IMPORT
#endif
