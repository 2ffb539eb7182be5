#pragma once

#include "transcoder/transcoderglobal.h"

class QObject;

namespace Kel {

class MediaConverter;
class MediaInfoExtractor;

// The converter back end's only entry point. Created on first use and never
// destroyed; the objects it hands out belong to the caller.
class TRANSCODER_EXPORT MediaConverterFactory
{
public:
    static MediaConverterFactory *instance();

    MediaConverter *createConverter(QObject *parent = nullptr);
    MediaInfoExtractor *createExtractor(QObject *parent = nullptr);

protected:
    MediaConverterFactory() = default;
    MediaConverterFactory(const MediaConverterFactory &) = delete;
    // The factory has no state to copy.
    MediaConverterFactory &operator=(const MediaConverterFactory &) { return *this; }
};

} // namespace Kel
