#include "tarncore/services/itunesplatform.h"

#include "tarncore/services/noitunesplatform.h"
#ifdef Q_OS_WIN
#include "tarncore/services/itunesplatformwin.h"
#endif

#include <atomic>

namespace Tarn {

namespace {
std::atomic<ItunesPlatform *> injected{nullptr};
} // namespace

ItunesPlatform::~ItunesPlatform() = default;

ItunesPlatform *ItunesPlatform::current()
{
    ItunesPlatform *platform = injected.load();
    return platform ? platform : system();
}

void ItunesPlatform::setCurrent(ItunesPlatform *platform)
{
    injected.store(platform);
}

ItunesPlatform *ItunesPlatform::system()
{
#ifdef Q_OS_WIN
    static ItunesPlatformWin platform;
#else
    static NoItunesPlatform platform;
#endif
    return &platform;
}

} // namespace Tarn
