#include "transcoder/mediainfoextractor.h"

namespace Kel {

MediaInfoExtractor::MediaInfoExtractor(QObject *parent) : QObject(parent) {}

MediaInfoExtractor::~MediaInfoExtractor() = default;

} // namespace Kel
