#include "shared/kellog.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>
#include <string>

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Kel {
namespace Log {

namespace {

constexpr int messageBufferSize = 128000;
constexpr int traceBufferSize = 1024;

struct Config
{
    QString logFile;
    QByteArray logFileLocal;
    QByteArray rotatedLocal;
    qint32 minLevel = Info;
    qint32 outputs = ToFile | ToStandardOutput | ToDebugger;
};

// The module's state. Writers take a copy of the configuration under the
// lock, so that a later initLog() never changes it under their feet; the
// copy shares its texts and costs no allocation.
struct State
{
    std::mutex mutex;
    bool initialised = false;
    Config config;
};

// Never destroyed: threads may still write while the process ends.
State &state()
{
    static State *s = new State;
    return *s;
}

void moduleAnchor() {}

qint32 envNumber(const char *name, qint32 fallback)
{
    const QByteArray value = qgetenv(name);
    if (value.isEmpty())
        return fallback;
    bool ok = false;
    const int n = value.trimmed().toInt(&ok, 0);
    return ok ? n : fallback;
}

// The second file of a log file: its last "1" becomes "2"; a name without
// one gets ".2" appended.
QString rotatedName(const QString &path)
{
    const qsizetype one = path.lastIndexOf(QLatin1Char('1'));
    if (one < 0 || one < path.lastIndexOf(QLatin1Char('/')))
        return path + QStringLiteral(".2");
    QString copy = path;
    copy[one] = QLatin1Char('2');
    return copy;
}

void setConfig(State &s, const QString &path, qint32 minLevel, qint32 outputs)
{
    Config c;
    c.logFile = path.isEmpty() ? defaultLogFile() : path;
    if (!c.logFile.isEmpty()) {
        c.logFileLocal = QFile::encodeName(c.logFile);
        c.rotatedLocal = QFile::encodeName(rotatedName(c.logFile));
    }
    c.minLevel = minLevel;
    c.outputs = outputs;
    s.config = c;
    s.initialised = true;
}

// The configuration, set up with the defaults and the environment on first
// use; any number of threads may meet here at once.
Config config()
{
    State &s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (!s.initialised) {
        setConfig(s, QString(), envNumber("MARLIN_LOG_LEVEL", Info),
                  envNumber("MARLIN_LOG_OUTPUTS", ToFile | ToStandardOutput | ToDebugger));
    }
    return s.config;
}

QByteArray localTimeText()
{
    const std::time_t now = std::time(nullptr);
    std::tm tmv;
    if (!localtime_r(&now, &tmv)) {
        std::perror("localtime");
        return QByteArray();
    }
    char buf[64];
    const std::size_t n = std::strftime(buf, sizeof buf, " %Y-%m-%d %H:%M:%S ", &tmv);
    if (n == 0) {
        std::fputs("strftime returned 0\n", stderr);
        return QByteArray();
    }
    return QByteArray(buf, int(n));
}

bool writeAll(int fd, const char *data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= std::size_t(n);
    }
    return true;
}

// Appends data to the file at path, which stays below LogFileLimit bytes:
// a file that the record would take beyond it is renamed to rotated first.
// Threads and processes writing the same file (several runs of a program)
// take turns through an exclusive lock on it; one that finds the name
// already given to a newer file after the wait writes to that one.
void appendToFile(const Config &c, const char *data, std::size_t size)
{
    if (c.logFileLocal.isEmpty())
        return;
    const int savedErrno = errno;
    for (int attempt = 0; attempt < 4; ++attempt) {
        const int fd = ::open(c.logFileLocal.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW,
                              S_IRUSR | S_IWUSR);
        if (fd < 0)
            break;
        while (::flock(fd, LOCK_EX) < 0 && errno == EINTR) {
        }
        struct stat opened;
        struct stat named;
        bool again = ::fstat(fd, &opened) < 0 || ::stat(c.logFileLocal.constData(), &named) < 0
            || opened.st_ino != named.st_ino || opened.st_dev != named.st_dev;
        if (!again && opened.st_size > 0 && opened.st_size + qint64(size) > LogFileLimit) {
            ::rename(c.logFileLocal.constData(), c.rotatedLocal.constData());
            again = true;
        }
        if (!again) {
            // A file of an older version or of a wider umask is made private.
            if ((opened.st_mode & (S_IRWXG | S_IRWXO)) != 0)
                ::fchmod(fd, S_IRUSR | S_IWUSR);
            writeAll(fd, data, size);
        }
        ::close(fd);
        if (!again)
            break;
    }
    errno = savedErrno;
}

// Makes path a folder of this user's alone: created with its missing
// parents, each 0700, and accepted only when it is a real folder (no link)
// owned by this user; its permissions are then narrowed to 0700.
bool makePrivateFolder(const QString &path)
{
    if (path.isEmpty() || !path.startsWith(QLatin1Char('/')))
        return false;
    const QByteArray local = QFile::encodeName(QDir::cleanPath(path));
    for (qsizetype i = 1; i <= local.size(); ++i) {
        if (i == local.size() || local.at(i) == '/') {
            const QByteArray part = local.left(i);
            if (::mkdir(part.constData(), S_IRWXU) < 0 && errno != EEXIST)
                return false;
        }
    }
    struct stat info;
    if (::lstat(local.constData(), &info) < 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::geteuid())
        return false;
    if ((info.st_mode & (S_IRWXG | S_IRWXO)) != 0 && ::chmod(local.constData(), S_IRWXU) < 0)
        return false;
    return true;
}

QString stateFolder()
{
    const QString xdg = qEnvironmentVariable("XDG_STATE_HOME");
    if (xdg.startsWith(QLatin1Char('/')))
        return xdg;
    const QString home = qEnvironmentVariable("HOME");
    return home.startsWith(QLatin1Char('/')) ? home + QStringLiteral("/.local/state") : QString();
}

} // namespace

QString moduleFileName()
{
    Dl_info info;
    if (dladdr(reinterpret_cast<void *>(&moduleAnchor), &info) && info.dli_fname && *info.dli_fname) {
        const QString name = QFileInfo(QString::fromLocal8Bit(info.dli_fname)).fileName();
        if (!name.isEmpty())
            return name;
    }
    return QStringLiteral("log");
}

QString logFolder()
{
    QStringList candidates;
    const QString home = qEnvironmentVariable("MARLIN_HOME");
    if (!home.isEmpty()) {
        candidates << QDir::cleanPath(QDir(home).absolutePath()) + QStringLiteral("/log");
    } else {
        const QString base = stateFolder();
        if (!base.isEmpty())
            candidates << base + QStringLiteral("/Marlin/log");
    }
    // A read-only or missing home still leaves a log, as before, in the
    // temporary folder, but in a folder of this user's own.
    candidates << QDir::tempPath() + QStringLiteral("/Marlin-log-") + QString::number(::geteuid());
    for (const QString &candidate : std::as_const(candidates)) {
        if (makePrivateFolder(candidate))
            return QDir::cleanPath(candidate);
    }
    return QString();
}

QString defaultLogFile()
{
    const QString folder = logFolder();
    if (folder.isEmpty())
        return QString();
    return folder + QLatin1Char('/') + moduleFileName() + QStringLiteral(".1.log");
}

void initLog(const QString &path, qint32 minLevel, qint32 outputs)
{
    State &s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    setConfig(s, path, minLevel, outputs);
}

void resetLog()
{
    State &s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.initialised = false;
    s.config = Config();
}

QString levelText(qint32 level)
{
    switch (level) {
    case Debug: return QStringLiteral("[DEBUG]");
    case Info: return QStringLiteral("[INFO]");
    case Error: return QStringLiteral("[ERROR]");
    case Fatal: return QStringLiteral("[FATAL]");
    default: return QString();
    }
}

QByteArray qualifiedFunctionName(const char *pretty)
{
    if (!pretty)
        return QByteArray();
    const QByteArray text(pretty);
    // The parameter list opens at the first "(" outside template brackets,
    // except for operator() itself.
    int depth = 0;
    qsizetype open = -1;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text.at(i);
        if (c == '<') {
            ++depth;
        } else if (c == '>') {
            if (depth > 0)
                --depth;
        } else if (c == '(' && depth == 0) {
            if (text.mid(0, i).endsWith("operator") && text.mid(i, 2) == "()") {
                ++i;
                continue;
            }
            open = i;
            break;
        }
    }
    if (open < 0)
        return text;
    // The name starts after the last blank outside template brackets.
    qsizetype start = 0;
    depth = 0;
    for (qsizetype i = open - 1; i >= 0; --i) {
        const char c = text.at(i);
        if (c == '>') {
            ++depth;
        } else if (c == '<') {
            if (depth > 0)
                --depth;
        } else if ((c == ' ' || c == '*' || c == '&') && depth == 0) {
            start = i + 1;
            break;
        }
    }
    return text.mid(start, open - start);
}

QByteArray formatRecord(const QByteArray &timeText, qint32 level, const char *tag, const char *file,
                        const char *function, int line, const QByteArray &message)
{
    QByteArray record;
    record.reserve(message.size() + 160);
    record += '\n';
    record += timeText;
    record += ' ';
    record += levelText(level).toLatin1();
    record += ' ';
    record += tag ? tag : "";
    record += ' ';
    record += function ? function : "";
    record += "  ";
    record += file ? file : "";
    record += "(line";
    record += QByteArray::number(line);
    record += ") :\n";
    record += message;
    record += '\n';
    return record;
}

void writeLog(qint32 level, const char *tag, const char *file, const char *function, int line,
              const char *format, ...)
{
    const Config c = config();
    if (level < c.minLevel)
        return;

    thread_local std::string buffer;
    buffer.resize(messageBufferSize);
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(buffer.data(), buffer.size(), format ? format : "", args);
    va_end(args);
    const int length = n < 0 ? 0 : std::min(n, messageBufferSize - 1);

    QByteArray name(function ? function : "");
    if (name.contains('('))
        name = qualifiedFunctionName(function);

    const QByteArray record = formatRecord(localTimeText(), level, tag, file, name.constData(), line,
                                           QByteArray(buffer.data(), length));
    if (c.outputs & ToStandardOutput) {
        std::fwrite(record.constData(), 1, std::size_t(record.size()), stdout);
        std::fflush(stdout);
    }
    if (c.outputs & ToDebugger) {
        std::fwrite(record.constData(), 1, std::size_t(record.size()), stderr);
        std::fflush(stderr);
    }
    if (c.outputs & ToFile)
        appendToFile(c, record.constData(), std::size_t(record.size()));
}

void traceLastError(const char *format, ...)
{
    char buffer[traceBufferSize];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(buffer, sizeof buffer, format ? format : "", args);
    va_end(args);
    const std::size_t length = n < 0 ? 0 : std::min<std::size_t>(std::size_t(n), sizeof buffer - 1);

    QByteArray line(buffer, int(length));
    line += '\n';
    appendToFile(config(), line.constData(), std::size_t(line.size()));
}

void traceFailure(const char *file, int line, const char *function)
{
    const int lastError = errno;
    const QByteArray name = qualifiedFunctionName(function);
    const QByteArray when = QDateTime::currentDateTime().toString(QStringLiteral("yyyy/MM/dd hh:mm:ss")).toLatin1();
    traceLastError("%s(%d): in %s : %s %08x", file, line, name.constData(), when.constData(),
                   static_cast<unsigned>(lastError));
    writeLog(Error, "", file, name.constData(), line, "%s", "");
}

QString logFile()
{
    return config().logFile;
}

qint32 minLevel()
{
    return config().minLevel;
}

qint32 outputs()
{
    return config().outputs;
}

bool isInitialised()
{
    State &s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.initialised;
}

} // namespace Log
} // namespace Kel
