#include "transcoder/ffmpegprogressparser.h"

namespace Kel {

namespace {

bool isProgressLine(const QString &line)
{
    return line.contains(QLatin1String("time=")) && line.contains(QLatin1String("bitrate="));
}

// ffmpeg's version banner says nothing about a failure.
bool isBannerLine(const QString &line)
{
    static const char *const prefixes[] = {"ffmpeg version", "built with", "configuration:", "libavutil",
                                           "libavcodec", "libavformat", "libavdevice", "libavfilter",
                                           "libswscale", "libswresample", "libpostproc"};
    for (const char *prefix : prefixes) {
        if (line.startsWith(QLatin1String(prefix)))
            return true;
    }
    return false;
}

} // namespace

double FfmpegProgressParser::feed(const QByteArray &chunk)
{
    return feedLines(lineBuffer.append(chunk));
}

double FfmpegProgressParser::feedLines(const QStringList &lines)
{
    double position = -1;
    for (auto it = lines.crbegin(); it != lines.crend(); ++it) {
        if (isProgressLine(*it)) {
            position = parseTime(*it);
            break;
        }
    }
    for (const QString &line : lines) {
        const QString message = line.trimmed();
        if (message.isEmpty() || isProgressLine(message) || isBannerLine(message))
            continue;
        messages.append(message);
        if (messages.size() > MaxMessages)
            messages.removeFirst();
    }
    return position;
}

double FfmpegProgressParser::parseTime(const QString &line)
{
    if (!isProgressLine(line))
        return -1;
    const int start = line.indexOf(QLatin1String("time=")) + 5;
    if (line.mid(start, 1) == QLatin1String("-"))
        return -1;
    int stop = line.indexOf(QLatin1Char(' '), start);
    if (stop < 0)
        stop = line.size();
    const QStringList parts = line.mid(start, stop - start).split(QLatin1Char(':'));
    if (parts.size() != 3)
        return -1;

    bool ok = false;
    const int hours = parts.at(0).toInt(&ok);
    if (!ok || hours < 0)
        return -1;
    const int minutes = parts.at(1).toInt(&ok);
    if (!ok || minutes < 0)
        return -1;
    const double seconds = parts.at(2).toDouble(&ok);
    if (!ok || seconds < 0)
        return -1;
    return hours * 3600.0 + minutes * 60.0 + seconds;
}

qint64 FfmpegProgressParser::percent(double position, double duration)
{
    if (duration <= 0 || position < 0)
        return -1;
    const double value = position * 100.0 / duration;
    return value < 100 ? qint64(value) : -1;
}

void FfmpegProgressParser::reset()
{
    lineBuffer.clear();
    messages.clear();
}

} // namespace Kel
