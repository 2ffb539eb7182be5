#pragma once

#include "shared/linebuffer.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace Kel {

// Follows ffmpeg's error output. Progress lines ("frame=... time=00:01:30.50
// bitrate=...") end with a carriage return, other lines with a line feed; a
// line cut between two reads is completed by the next read.
class FfmpegProgressParser
{
public:
    // Takes one read of the output; returns the position in seconds of the
    // last complete progress line in it, or -1 when it completes none.
    double feed(const QByteArray &chunk);
    // The same for lines already cut apart.
    double feedLines(const QStringList &lines);

    // The position of a progress line in seconds; -1 when the line is not a
    // progress line or its time is unknown ("time=N/A").
    static double parseTime(const QString &line);

    // The truncated percentage of duration that position stands for; -1 when
    // the duration is unknown or the percentage is not below 100.
    static qint64 percent(double position, double duration);

    // The last non-progress lines, for diagnostics when ffmpeg fails.
    QStringList lastMessages() const { return messages; }

    void reset();

private:
    static constexpr int MaxMessages = 12;

    LineBuffer lineBuffer;
    QStringList messages;
};

} // namespace Kel
