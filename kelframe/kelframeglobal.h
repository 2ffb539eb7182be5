#pragma once

#include <QtCore/qglobal.h>

#if defined(KELFRAME_LIBRARY)
#  define KELFRAME_EXPORT Q_DECL_EXPORT
#else
#  define KELFRAME_EXPORT Q_DECL_IMPORT
#endif
