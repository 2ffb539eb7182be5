#pragma once

#include "tarncore/tarncoreglobal.h"

#include <QList>

namespace Tarn {

// Bit rates in bits per second allowed by one rule, with the one preselected
// (-1 while none is).
class TARNCORE_EXPORT BitRateSupport
{
public:
    const QList<int> &getBitRates() const { return bitRates; }
    void setBitRates(const QList<int> &list) { bitRates = list; }
    void appendBitRate(int bitRate) { bitRates.append(bitRate); }

    int getDefaultBitRate() const { return defaultBitRate; }
    void setDefaultBitRate(int bitRate) { defaultBitRate = bitRate; }

    // The smallest and largest listed rate; -1 when the list is empty.
    int getMinimumBitRate() const;
    int getMaximumBitRate() const;

    bool isValid() const;
    bool operator==(const BitRateSupport &other) const;
    bool operator!=(const BitRateSupport &other) const { return !(*this == other); }

private:
    QList<int> bitRates;
    int defaultBitRate = -1;
};

} // namespace Tarn
