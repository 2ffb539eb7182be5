#pragma once

#include <QtCore/qglobal.h>

#if defined(WEBFETCH_LIBRARY)
#  define WEBFETCH_EXPORT Q_DECL_EXPORT
#else
#  define WEBFETCH_EXPORT Q_DECL_IMPORT
#endif
