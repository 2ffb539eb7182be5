#pragma once

#include <QString>

namespace Kel {

// The FFmpeg libraries (libavformat, libavcodec, libavutil) are opened when
// a module first calls one of their functions, not when the program starts:
// with everything they pull in they are more than a hundred libraries, and
// most runs of the program never probe a file before the window shows.
//
// A module that uses them compiles against their headers and links the
// shared media library instead of them; its calls reach the real functions
// through this file. Where the libraries cannot be opened every call fails
// the way FFmpeg reports failures (an error code, a null pointer), so a
// probe fails with a message instead of the program not starting.
namespace FFmpegLibraries {

// Opens the libraries if needed; false when one of them cannot be opened.
// Thread-safe.
bool load();
// Why load() failed; empty when it did not.
QString errorText();

} // namespace FFmpegLibraries
} // namespace Kel
