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
    // Gets the extractors of toolPath ready in the background (the warm
    // worker that answers their requests), so that the first request does
    // not wait for the tool's start.
    void prepareExtractors(const QString &toolPath);
    // Ends what prepareExtractors() and the extractors' requests started.
    void stopExtractors();

    WebMediaDownloaderFactory &operator=(const WebMediaDownloaderFactory &) { return *this; }

protected:
    WebMediaDownloaderFactory() = default;
    WebMediaDownloaderFactory(const WebMediaDownloaderFactory &) = default;
};

} // namespace Kel
