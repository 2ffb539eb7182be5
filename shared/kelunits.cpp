#include "shared/kelunits.h"

#include <QRegularExpression>

#include <cmath>
#include <limits>

namespace Kel {
namespace Units {

namespace {

struct Unit
{
    char letter;
    qint64 factor;
};

constexpr Unit binaryUnits[] = {
    {'T', 1LL << 40}, {'G', 1LL << 30}, {'M', 1LL << 20}, {'K', 1LL << 10},
};

constexpr Unit decimalUnits[] = {
    {'T', 1000000000000LL}, {'G', 1000000000LL}, {'M', 1000000LL}, {'K', 1000LL},
};

template<std::size_t N>
qint64 parseWithUnits(QString text, const Unit (&units)[N])
{
    text = text.trimmed();
    if (text.isEmpty())
        return -1;
    const QChar last = text.back().toUpper();
    for (const Unit &u : units) {
        if (last == QLatin1Char(u.letter)) {
            bool ok = false;
            const qint64 n = text.left(text.size() - 1).trimmed().toLongLong(&ok);
            // A product beyond 64 bits is no size anyone has: unreadable.
            if (!ok || n > std::numeric_limits<qint64>::max() / u.factor
                || n < std::numeric_limits<qint64>::min() / u.factor)
                return -1;
            return n * u.factor;
        }
    }
    bool ok = false;
    const qint64 n = text.toLongLong(&ok);
    return ok ? n : -1;
}

} // namespace

QString shortSizeString(qint64 bytes)
{
    if (bytes < 0)
        bytes = 0;
    for (const Unit &u : binaryUnits) {
        if (bytes / u.factor > 0)
            return QStringLiteral("%1%2").arg(bytes / u.factor).arg(QLatin1Char(u.letter));
    }
    return QString::number(bytes);
}

QString sizeString(qint64 bytes)
{
    return shortSizeString(bytes) + QLatin1Char('B');
}

qint64 parseSize(const QString &text)
{
    QString t = text.trimmed();
    if (t.endsWith(QLatin1Char('B'), Qt::CaseInsensitive))
        t.chop(1);
    return parseWithUnits(t, binaryUnits);
}

qint64 parseSizeWithFraction(const QString &text)
{
    static const QRegularExpression re(QStringLiteral("(\\d+(\\.\\d+)?)([BKMGTPEZY])"));
    static const QString order = QStringLiteral("BKMGTPEZY");
    const QRegularExpressionMatch m = re.match(text);
    if (!m.hasMatch())
        return -1;
    const double number = m.captured(1).toDouble();
    const int k = int(order.indexOf(m.captured(3)));
    const long double value = (long double)number * std::pow((long double)1024, k);
    if (value >= (long double)std::numeric_limits<qint64>::max())
        return std::numeric_limits<qint64>::max();
    return qint64(value);
}

qint64 parseDecimal(const QString &text)
{
    return parseWithUnits(text, decimalUnits);
}

QString decimalUnitString(qint64 value, QChar unit)
{
    if (!unit.isNull()) {
        const QChar u = unit.toUpper();
        for (const Unit &d : decimalUnits) {
            if (u == QLatin1Char(d.letter))
                return QStringLiteral("%1%2").arg(value / d.factor).arg(u);
        }
    }
    for (const Unit &d : decimalUnits) {
        if (value / d.factor > 0)
            return QStringLiteral("%1%2").arg(value / d.factor).arg(QLatin1Char(d.letter));
    }
    return QString::number(value);
}

} // namespace Units
} // namespace Kel
