#include "shared/avlibraries.h"

#include <QLibrary>
#include <QMutex>
#include <QStringList>

#include <memory>
#include <vector>

extern "C" {
#include <libavcodec/version_major.h>
#include <libavformat/version_major.h>
#include <libavutil/version.h>
}

namespace Kel {

namespace {

class Loader
{
public:
    Loader()
    {
        // Dependencies first.
        const std::pair<const char *, int> names[] = {
            {"avutil", LIBAVUTIL_VERSION_MAJOR},
            {"avcodec", LIBAVCODEC_VERSION_MAJOR},
            {"avformat", LIBAVFORMAT_VERSION_MAJOR},
        };
        for (const auto &name : names) {
            auto library = std::make_unique<QLibrary>();
#ifdef Q_OS_WIN
            library->setFileName(QStringLiteral("%1-%2").arg(QLatin1String(name.first)).arg(name.second));
#else
            library->setFileNameAndVersion(QLatin1String(name.first), name.second);
#endif
            if (!library->load()) {
                errors += library->errorString();
                continue;
            }
            libraries.push_back(std::move(library));
        }
        loaded = errors.isEmpty();
    }

    QFunctionPointer function(const char *name)
    {
        const QMutexLocker locker(&mutex);
        for (const auto &library : libraries) {
            if (const QFunctionPointer found = library->resolve(name))
                return found;
        }
        return nullptr;
    }

    bool loaded = false;
    QStringList errors;

private:
    QMutex mutex;
    std::vector<std::unique_ptr<QLibrary>> libraries;
};

Loader &loader()
{
    // Made once, by whichever thread comes first; never unloaded.
    static Loader *const instance = new Loader;
    return *instance;
}

} // namespace

bool AvLibraries::load()
{
    return loader().loaded;
}

QString AvLibraries::errorString()
{
    return loader().errors.join(QLatin1String("; "));
}

QFunctionPointer AvLibraries::function(const char *name)
{
    return loader().function(name);
}

} // namespace Kel
