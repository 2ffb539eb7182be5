#pragma once

#include <QString>

namespace Kel {

// A clock time or duration: hours, minutes, seconds and microseconds.
class Time
{
public:
    Time() = default;
    Time(qint32 hours, qint32 minutes, qint32 seconds, qint32 microseconds = 0)
        : hours(hours), minutes(minutes), seconds(seconds), microseconds(microseconds) {}

    // Splits a number of seconds (negative counts as 0).
    static Time fromSeconds(qint64 totalSeconds);
    static Time fromMicroseconds(qint64 totalMicroseconds);

    // "%d:%02d:%02d:%08d"
    QString toFullString() const;
    // "%d:%02d:%02d"
    QString toClockString() const;
    // "%d:%02d:%02d.%01d" with tenths of a second
    QString toTenthsString() const;
    // "12.3", "4:12.3", "1:04:12.3"
    QString toCompactString() const;
    // "0:59", "1:02:05": the form used for durations in lists
    QString toShortString() const;

    qint64 totalMicroseconds() const;
    qint64 totalSeconds() const;
    qint64 minutesAndSeconds() const;

    qint32 hours = 0;
    qint32 minutes = 0;
    qint32 seconds = 0;
    qint32 microseconds = 0;
};

} // namespace Kel
