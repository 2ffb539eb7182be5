#pragma once

#include "tarncore/tarncoreglobal.h"

#include <QList>

namespace Tarn {

// One offered set of audio sample rates in hertz, with the one preselected
// (-1 while none is).
class TARNCORE_EXPORT SampleRate
{
public:
    const QList<qint64> &getSampleRates() const { return sampleRates; }
    void setSampleRates(const QList<qint64> &list) { sampleRates = list; }
    void appendSampleRate(qint64 rate) { sampleRates.append(rate); }

    qint64 getDefaultSampleRate() const { return defaultSampleRate; }
    void setDefaultSampleRate(qint64 rate) { defaultSampleRate = rate; }

    bool isValid() const;
    bool operator==(const SampleRate &other) const;
    bool operator!=(const SampleRate &other) const { return !(*this == other); }

private:
    QList<qint64> sampleRates;
    qint64 defaultSampleRate = -1;
};

} // namespace Tarn
