#pragma once

#include "webfetch/webfetchglobal.h"

#include <QString>

namespace Kel {

class WebMediaDownloader;
class WebMediaInfoExtractor;

// The one way into this library. The objects it creates have no parent,
// belong to the caller and live in the caller's thread.
class WEBFETCH_EXPORT WebMediaDownloaderFactory
{
public:
    static WebMediaDownloaderFactory *instance();

    WebMediaDownloader *createDownloader(const QString &toolPath, const QString &dataDir);
    WebMediaInfoExtractor *createExtractor(const QString &toolPath, const QString &dataDir);

    WebMediaDownloaderFactory &operator=(const WebMediaDownloaderFactory &) { return *this; }

protected:
    WebMediaDownloaderFactory() = default;
    WebMediaDownloaderFactory(const WebMediaDownloaderFactory &) = default;
};

} // namespace Kel
