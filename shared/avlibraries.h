#pragma once

#include <QString>
#include <QtGlobal>

namespace Kel {

// The FFmpeg libraries (libavutil, libavcodec, libavformat), loaded when a
// module first needs them rather than when a program starts: together with
// what they depend on they take longer to load than everything else a program
// loads, and most runs never probe a file.
class AvLibraries
{
public:
    // Loads the libraries of the version the module was built against, once
    // per module; false when they cannot be loaded (see errorString()).
    static bool load();
    static QString errorString();
    // A function of the loaded libraries; nullptr when there is none.
    static QFunctionPointer function(const char *name);
};

} // namespace Kel

// The FFmpeg function name, typed as its declaration, looked up once per use
// site; only after AvLibraries::load() returned true. The libraries of one
// major version all have every function its headers declare.
#define KEL_AV(name)                                                                                     \
    ([]() {                                                                                              \
        static const auto resolved = reinterpret_cast<decltype(&name)>(::Kel::AvLibraries::function(#name)); \
        return resolved;                                                                                 \
    }())
