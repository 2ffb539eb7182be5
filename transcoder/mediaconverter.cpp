#include "transcoder/mediaconverter.h"

namespace Kel {

MediaConverter::MediaConverter(QObject *parent) : QObject(parent) {}

MediaConverter::~MediaConverter() = default;

} // namespace Kel
