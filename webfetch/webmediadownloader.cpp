#include "webfetch/webmediadownloader.h"

namespace Kel {

WebMediaDownloader::WebMediaDownloader(QObject *parent) : QObject(parent) {}

WebMediaDownloader::~WebMediaDownloader() = default;

} // namespace Kel
