#include "webfetch/webmediadownloaderfactory.h"

#include "webfetch/puxdownloader.h"
#include "webfetch/puxextractor.h"

namespace Kel {

WebMediaDownloaderFactory *WebMediaDownloaderFactory::instance()
{
    // Created on first use and never destroyed.
    static WebMediaDownloaderFactory *const factory = new WebMediaDownloaderFactory;
    return factory;
}

WebMediaDownloader *WebMediaDownloaderFactory::createDownloader(const QString &toolPath, const QString &dataDir)
{
    return new PuxDownloader(toolPath, dataDir);
}

WebMediaInfoExtractor *WebMediaDownloaderFactory::createExtractor(const QString &toolPath, const QString &dataDir)
{
    return new PuxExtractor(toolPath, dataDir);
}

} // namespace Kel
