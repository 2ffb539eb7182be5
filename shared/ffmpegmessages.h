#pragma once

#include <QStringList>

namespace Kel {

// Follows ffmpeg's error output for the reason of a failure. ffmpeg names the
// cause once ("av_interleaved_write_frame(): No space left on device") and
// then may print many lines of statistics before "Conversion failed!", so
// the lines that read as errors are kept from the start, the others only
// as the last few.
class FfmpegMessages
{
public:
    void add(const QStringList &lines);
    void clear();

    // The lines that name errors, else the last messages; one per line.
    // Empty when ffmpeg said nothing of use.
    QString failureText() const;

    static bool isProgressLine(const QString &line);
    // The version banner and the descriptions of inputs and outputs.
    static bool isNoise(const QString &line);
    static bool isErrorLine(const QString &line);

private:
    static constexpr int MaxErrorLines = 3;
    static constexpr int MaxLastLines = 3;

    QStringList errorLines;
    QStringList lastLines;
};

} // namespace Kel
