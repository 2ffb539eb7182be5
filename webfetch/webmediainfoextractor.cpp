#include "webfetch/webmediainfoextractor.h"

namespace Kel {

WebMediaInfoExtractor::WebMediaInfoExtractor(QObject *parent) : QObject(parent) {}

WebMediaInfoExtractor::~WebMediaInfoExtractor() = default;

} // namespace Kel
