#pragma once

#include "shared/progress.h"

namespace Kel {

// Turns the progress lines of the tool's runs into the progress of the whole
// download. A one-run download reports the tool's figures as they are. A
// two-run download (video, then its audio) reports against an expected size
// that only grows, and only when the finished share grows, so its progress
// never goes back.
class PuxProgressTracker
{
public:
    void reset(int itemCount, qint64 expectedSize);

    // One progress line of the current run; true with the progress to
    // report, false when nothing is to be reported.
    bool update(bool audioRun, qint64 total, qint64 finish, qint64 speed, Progress *report);

    int itemCount() const { return m_itemCount; }
    qint64 expectedSize() const { return m_expectedSize; }
    qint64 firstRunTotal() const { return m_firstRunTotal; }
    double lastRatio() const { return m_lastRatio; }
    // The largest total any run has reported.
    qint64 largestTotal() const { return m_largestTotal; }

private:
    int m_itemCount = 1;
    qint64 m_expectedSize = 0;
    qint64 m_firstRunTotal = 0;
    double m_lastRatio = 0.0;
    qint64 m_largestTotal = 0;
};

} // namespace Kel
