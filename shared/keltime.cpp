#include "shared/keltime.h"

namespace Kel {

Time Time::fromSeconds(qint64 totalSeconds)
{
    return fromMicroseconds(totalSeconds * 1000000);
}

Time Time::fromMicroseconds(qint64 total)
{
    if (total < 0)
        total = 0;
    Time t;
    t.microseconds = qint32(total % 1000000);
    qint64 secs = total / 1000000;
    t.seconds = qint32(secs % 60);
    secs /= 60;
    t.minutes = qint32(secs % 60);
    t.hours = qint32(secs / 60);
    return t;
}

QString Time::toFullString() const
{
    return QString::asprintf("%d:%02d:%02d:%08d", hours, minutes, seconds, microseconds);
}

QString Time::toClockString() const
{
    return QString::asprintf("%d:%02d:%02d", hours, minutes, seconds);
}

QString Time::toTenthsString() const
{
    return QString::asprintf("%d:%02d:%02d.%01d", hours, minutes, seconds, microseconds / 100000);
}

QString Time::toCompactString() const
{
    QString text = QString::asprintf("%d.%01d", seconds, microseconds / 100000);
    if (minutes > 0 || hours > 0)
        text = QString::asprintf("%d:%s", minutes, qPrintable(text));
    if (hours > 0)
        text = QString::asprintf("%d:%s", hours, qPrintable(text));
    return text;
}

QString Time::toShortString() const
{
    if (hours == 0)
        return QString::asprintf("%d:%02d", minutes, seconds);
    const QString ms = QString::asprintf("%02d:%02d", minutes, seconds);
    return QString::asprintf("%d:%s", hours, qPrintable(ms));
}

qint64 Time::totalMicroseconds() const
{
    return ((qint64(hours) * 60 + minutes) * 60 + seconds) * 1000000 + microseconds;
}

qint64 Time::totalSeconds() const
{
    return qint64(hours) * 3600 + qint64(minutes) * 60 + seconds;
}

qint64 Time::minutesAndSeconds() const
{
    return qint64(minutes) * 60 + seconds;
}

} // namespace Kel
