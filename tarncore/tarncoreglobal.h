#pragma once

#include <QtCore/qglobal.h>

#if defined(TARNCORE_LIBRARY)
#  define TARNCORE_EXPORT Q_DECL_EXPORT
#else
#  define TARNCORE_EXPORT Q_DECL_IMPORT
#endif
