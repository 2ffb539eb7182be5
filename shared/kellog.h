#pragma once

#include <QString>

// The diagnostic log. Every module carries its own copy of this code and so
// its own state and its own log file, "<module file name>.1.log" in the
// user's private log folder (logFolder()). A file that would grow beyond
// LogFileLimit bytes becomes "<module file name>.2.log", replacing the one
// before, and a new ".1.log" is begun: a module keeps at most two files.
namespace Kel {
namespace Log {

enum Level : qint32 {
    Debug = 0,
    Info = 1,
    Error = 2,
    Fatal = 3,
};

enum Output : qint32 {
    ToFile = 1,
    ToStandardOutput = 2,
    ToDebugger = 4, // standard error on this platform
};

constexpr qint64 LogFileLimit = 4 * 1024 * 1024;

// Sets the module's log state. An empty path means the log folder plus the
// module's file name plus ".1.log". Safe to call from any thread, also
// while other threads write records.
void initLog(const QString &path, qint32 minLevel, qint32 outputs);

// Formats one record printf-style and writes it to every sink. Initialises
// the state with the defaults (no DEBUG, all sinks) on first use; the
// environment variables MARLIN_LOG_LEVEL and MARLIN_LOG_OUTPUTS, when set,
// replace those defaults. A function text with a parameter list (a compiler's
// pretty function name) is reduced to its qualified name.
void writeLog(qint32 level, const char *tag, const char *file, const char *function, int line,
              const char *format, ...) __attribute__((format(printf, 6, 7)));

// Appends one line (at most 1023 bytes and a line feed) to the module's log
// file, whatever the level and the outputs.
void traceLastError(const char *format, ...) __attribute__((format(printf, 1, 2)));

// Records a failed file operation with the time and the system's last error
// code, then writes an empty record.
void traceFailure(const char *file, int line, const char *function);

QString levelText(qint32 level);
// The record exactly as the sinks receive it, for a given time text.
QByteArray formatRecord(const QByteArray &timeText, qint32 level, const char *tag, const char *file,
                        const char *function, int line, const QByteArray &message);
// "void Kel::A::b(int) const" -> "Kel::A::b"
QByteArray qualifiedFunctionName(const char *prettyFunction);

QString moduleFileName();
// The folder of the log files, made on first use, the user's alone (0700;
// the files are 0600): "$MARLIN_HOME/log" when MARLIN_HOME is set, else
// "Marlin/log" in the user's state folder ($XDG_STATE_HOME, by default
// ~/.local/state). When that cannot be made, a folder of this user's own
// in the temporary folder; empty when there is none either (no file sink).
QString logFolder();
QString defaultLogFile();
QString logFile();
qint32 minLevel();
qint32 outputs();
bool isInitialised();
// Forgets the state so that the next record initialises it again (tests).
void resetLog();

} // namespace Log
} // namespace Kel

#define KEL_LOG_SOURCE_FILE (::Kel::Log::sourceFileTag(__FILE__))

namespace Kel {
namespace Log {
// The file name part of a compiler's source path ("puxdownloader.cpp").
constexpr const char *sourceFileTag(const char *path)
{
    const char *base = path;
    for (const char *p = path; *p; ++p) {
        if (*p == '/' || *p == '\\')
            base = p + 1;
    }
    return base;
}
} // namespace Log
} // namespace Kel

#define KEL_LOG(level, ...) \
    ::Kel::Log::writeLog((level), "", KEL_LOG_SOURCE_FILE, __PRETTY_FUNCTION__, __LINE__, __VA_ARGS__)
#define KEL_DEBUG(...) KEL_LOG(::Kel::Log::Debug, __VA_ARGS__)
#define KEL_INFO(...) KEL_LOG(::Kel::Log::Info, __VA_ARGS__)
#define KEL_ERROR(...) KEL_LOG(::Kel::Log::Error, __VA_ARGS__)
#define KEL_FATAL(...) KEL_LOG(::Kel::Log::Fatal, __VA_ARGS__)
#define KEL_TRACE_FAILURE() ::Kel::Log::traceFailure(KEL_LOG_SOURCE_FILE, __LINE__, __PRETTY_FUNCTION__)
