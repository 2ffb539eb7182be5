#pragma once

#include <QString>

namespace Kel {

// Byte sizes and bit rates as text, and back. A size of -1 means unknown.
namespace Units {

// Binary units with integer division: "3M", "1K", "999".
QString shortSizeString(qint64 bytes);
// The short form followed by "B": "3MB", "1KB", "999B".
QString sizeString(qint64 bytes);

// "12K", "3MB", "700": binary multiples; -1 when unreadable or beyond 64 bits.
qint64 parseSize(const QString &text);
// The first number with a unit among B K M G T P E Z Y ("12.5MiB" -> 13107200);
// -1 when there is none.
qint64 parseSizeWithFraction(const QString &text);
// Decimal multiples for bit rates ("128K" -> 128000); -1 when unreadable or
// beyond 64 bits.
qint64 parseDecimal(const QString &text);
// "%dK", "%dM" ... with the largest decimal unit whose quotient is > 0, or
// with the given unit letter.
QString decimalUnitString(qint64 value, QChar unit = QChar());

} // namespace Units
} // namespace Kel
