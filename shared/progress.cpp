#include "shared/progress.h"

#include "shared/kelunits.h"

namespace Kel {

qint64 Progress::percent() const
{
    if (total <= 0)
        return -1;
    return finish * 100 / total;
}

bool Progress::isValid() const
{
    return total > 0 && finish >= 0 && speed >= 0;
}

QString Progress::toString(TextForm form) const
{
    switch (form) {
    case PercentOnly:
        return QStringLiteral("%1%  %2/s").arg(percent()).arg(Units::sizeString(speed));
    case FinishOfTotal:
        return QStringLiteral("%1 of %2  %3/s")
            .arg(Units::sizeString(finish), Units::sizeString(total), Units::sizeString(speed));
    case PercentOfTotal:
        break;
    }
    return QStringLiteral("%1% of %2  %3/s")
        .arg(percent())
        .arg(Units::sizeString(total), Units::sizeString(speed));
}

} // namespace Kel
