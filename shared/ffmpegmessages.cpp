#include "shared/ffmpegmessages.h"

namespace Kel {

namespace {

// ffmpeg's closing words say only that something failed.
bool isGenericEnd(const QString &line)
{
    return line == QLatin1String("Conversion failed!");
}

} // namespace

bool FfmpegMessages::isProgressLine(const QString &line)
{
    return line.contains(QLatin1String("time=")) && line.contains(QLatin1String("bitrate="));
}

bool FfmpegMessages::isNoise(const QString &line)
{
    // Descriptions of inputs, outputs and streams are indented.
    if (line.startsWith(QLatin1Char(' ')))
        return true;
    static const char *const prefixes[] = {"ffmpeg version", "built with", "configuration:", "libavutil",
                                           "libavcodec", "libavformat", "libavdevice", "libavfilter",
                                           "libswscale", "libswresample", "libpostproc", "Input #",
                                           "Output #", "Stream mapping:", "Press [q]"};
    for (const char *prefix : prefixes) {
        if (line.startsWith(QLatin1String(prefix)))
            return true;
    }
    return false;
}

bool FfmpegMessages::isErrorLine(const QString &line)
{
    static const char *const words[] = {"error", "invalid", "no space", "no such", "denied", "not found",
                                        "failed", "unable", "cannot", "could not", "unknown", "unrecognized",
                                        "not supported", "incorrect"};
    for (const char *word : words) {
        if (line.contains(QLatin1String(word), Qt::CaseInsensitive))
            return true;
    }
    return false;
}

void FfmpegMessages::add(const QStringList &lines)
{
    for (const QString &line : lines) {
        const QString message = line.trimmed();
        if (message.isEmpty() || isProgressLine(message) || isNoise(line))
            continue;
        if (isErrorLine(message) && !isGenericEnd(message) && errorLines.size() < MaxErrorLines
            && !errorLines.contains(message))
            errorLines.append(message);
        lastLines.append(message);
        if (lastLines.size() > MaxLastLines)
            lastLines.removeFirst();
    }
}

void FfmpegMessages::clear()
{
    errorLines.clear();
    lastLines.clear();
}

QString FfmpegMessages::failureText() const
{
    return (errorLines.isEmpty() ? lastLines : errorLines).join(QLatin1Char('\n'));
}

} // namespace Kel
