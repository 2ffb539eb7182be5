#include "transcoder/mediaconverterfactory.h"

#include "transcoder/ffextractor.h"
#include "transcoder/ffmpegconverter.h"

namespace Kel {

MediaConverterFactory *MediaConverterFactory::instance()
{
    // Deliberately leaked: callers may use it until the process ends.
    static MediaConverterFactory *const factory = new MediaConverterFactory;
    return factory;
}

MediaConverter *MediaConverterFactory::createConverter(QObject *parent)
{
    return new ffmpegConverter(parent);
}

MediaInfoExtractor *MediaConverterFactory::createExtractor(QObject *parent)
{
    return new ffExtractor(parent);
}

} // namespace Kel
