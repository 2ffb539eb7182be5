#include "shared/kellog.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>
#include <string>

#include <dlfcn.h>

namespace Kel {
namespace Log {

namespace {

constexpr int messageBufferSize = 128000;
constexpr int traceBufferSize = 1024;
constexpr qint64 traceRolloverSize = 8192;

// Set once and then only read; the flag is atomic so that a record written
// from another thread sees a complete state.
struct State
{
    QString logFile;
    QByteArray logFileLocal;
    qint32 minLevel = Info;
    qint32 outputs = ToFile | ToStandardOutput | ToDebugger;
    std::atomic<bool> initialised{false};
    std::mutex initMutex;
};

State &state()
{
    static State s;
    return s;
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

void ensureInitialised()
{
    State &s = state();
    if (s.initialised.load(std::memory_order_acquire))
        return;
    initLog(QString(), envNumber("MARLIN_LOG_LEVEL", Info),
            envNumber("MARLIN_LOG_OUTPUTS", ToFile | ToStandardOutput | ToDebugger));
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

void appendToFile(const QByteArray &path, const char *data, std::size_t size)
{
    if (FILE *f = std::fopen(path.constData(), "ab")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
}

QString traceFile()
{
    return QDir::tempPath() + QLatin1Char('/') + moduleFileName() + QStringLiteral(".1.log");
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

QString defaultLogFile()
{
    QString temp = QDir::tempPath();
    if (temp.size() >= 250)
        temp.clear();
    if (!temp.isEmpty() && !temp.endsWith(QLatin1Char('/')))
        temp += QLatin1Char('/');
    return temp + moduleFileName() + QStringLiteral(".1.log");
}

void initLog(const QString &path, qint32 minLevel, qint32 outputs)
{
    State &s = state();
    std::lock_guard<std::mutex> lock(s.initMutex);
    s.logFile = path.isEmpty() ? defaultLogFile() : path;
    s.logFileLocal = QFile::encodeName(s.logFile);
    s.minLevel = minLevel;
    s.outputs = outputs;
    s.initialised.store(true, std::memory_order_release);
}

void resetLog()
{
    State &s = state();
    std::lock_guard<std::mutex> lock(s.initMutex);
    s.initialised.store(false, std::memory_order_release);
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
    ensureInitialised();
    State &s = state();
    if (level < s.minLevel)
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
    if (s.outputs & ToStandardOutput) {
        std::fwrite(record.constData(), 1, std::size_t(record.size()), stdout);
        std::fflush(stdout);
    }
    if (s.outputs & ToDebugger) {
        std::fwrite(record.constData(), 1, std::size_t(record.size()), stderr);
        std::fflush(stderr);
    }
    if (s.outputs & ToFile)
        appendToFile(s.logFileLocal, record.constData(), std::size_t(record.size()));
}

void traceLastError(const char *format, ...)
{
    char buffer[traceBufferSize];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(buffer, sizeof buffer, format ? format : "", args);
    va_end(args);
    const std::size_t length = n < 0 ? 0 : std::min<std::size_t>(std::size_t(n), sizeof buffer - 1);

    const QString path = traceFile();
    const QByteArray local = QFile::encodeName(path);
    QByteArray line(buffer, int(length));
    line += '\n';
    appendToFile(local, line.constData(), std::size_t(line.size()));

    if (QFileInfo(path).size() >= traceRolloverSize) {
        QString copy = path;
        copy.replace(copy.lastIndexOf(QLatin1Char('1')), 1, QLatin1Char('2'));
        QFile::remove(copy);
        QFile::copy(path, copy);
    }
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
    ensureInitialised();
    return state().logFile;
}

qint32 minLevel()
{
    ensureInitialised();
    return state().minLevel;
}

qint32 outputs()
{
    ensureInitialised();
    return state().outputs;
}

bool isInitialised()
{
    return state().initialised.load(std::memory_order_acquire);
}

} // namespace Log
} // namespace Kel
