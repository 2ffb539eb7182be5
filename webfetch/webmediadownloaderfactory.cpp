#include "webfetch/webmediadownloaderfactory.h"

#include "webfetch/puxdownloader.h"
#include "webfetch/puxextractor.h"
#include "webfetch/puxworker.h"

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

void WebMediaDownloaderFactory::prepareExtractors(const QString &toolPath)
{
    PuxExtractor::prepareWorker(toolPath);
}

void WebMediaDownloaderFactory::stopExtractors()
{
    PuxWorker::instance()->stop();
}

} // namespace Kel
