#include "webfetch/puxprogresstracker.h"

#include <QtGlobal>

namespace Kel {

void PuxProgressTracker::reset(int itemCount, qint64 expectedSize)
{
    m_itemCount = itemCount;
    m_expectedSize = expectedSize;
    m_firstRunTotal = 0;
    m_lastRatio = 0.0;
    m_largestTotal = 0;
}

bool PuxProgressTracker::update(bool audioRun, qint64 total, qint64 finish, qint64 speed, Progress *report)
{
    if (total <= 0)
        return false;
    m_largestTotal = qMax(m_largestTotal, total);

    if (m_itemCount <= 1) {
        *report = Progress(total, finish, speed);
        return true;
    }

    if (!audioRun) {
        m_firstRunTotal = total;
        if (total > m_expectedSize)
            m_expectedSize = qint64(double(total) * 1.2);
    } else {
        finish += m_firstRunTotal;
        if (m_firstRunTotal + total > m_expectedSize)
            m_expectedSize = m_firstRunTotal + total;
    }
    if (finish >= m_expectedSize)
        m_expectedSize = finish + 1;
    if (m_expectedSize <= 0)
        return false;
    const double ratio = double(finish) / double(m_expectedSize);
    if (ratio <= m_lastRatio)
        return false;
    m_lastRatio = ratio;
    *report = Progress(m_expectedSize, finish, speed);
    return true;
}

} // namespace Kel
