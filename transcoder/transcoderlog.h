#pragma once

#include <QLoggingCategory>

// The converter back end's debug stream; silent unless enabled with
// QT_LOGGING_RULES="marlin.transcoder.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcTranscoder)
