#pragma once

#include <QMetaType>
#include <QString>

namespace Kel {

// Total, finished and speed of one running job; total <= 0 means unknown.
class Progress
{
public:
    enum TextForm {
        PercentOfTotal, // "50% of 2MB  1KB/s"
        PercentOnly,    // "50%  1KB/s"
        FinishOfTotal,  // "1MB of 2MB  1KB/s"
    };

    Progress() = default;
    Progress(qint64 total, qint64 finish, qint64 speed) : total(total), finish(finish), speed(speed) {}

    // -1 when the total is unknown; otherwise finish * 100 / total, truncated.
    qint64 percent() const;
    bool isValid() const;
    QString toString(TextForm form = PercentOfTotal) const;

    bool operator==(const Progress &other) const
    {
        return total == other.total && finish == other.finish && speed == other.speed;
    }
    bool operator!=(const Progress &other) const { return !(*this == other); }

    qint64 total = 0;
    qint64 finish = 0;
    qint64 speed = 0;
};

} // namespace Kel

Q_DECLARE_METATYPE(Kel::Progress)
