#include "transcoder/transcoderlog.h"

Q_LOGGING_CATEGORY(lcTranscoder, "marlin.transcoder", QtInfoMsg)
