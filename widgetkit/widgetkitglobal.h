#pragma once

#include <QtCore/qglobal.h>

#if defined(WIDGETKIT_LIBRARY)
#  define WIDGETKIT_EXPORT Q_DECL_EXPORT
#else
#  define WIDGETKIT_EXPORT Q_DECL_IMPORT
#endif
