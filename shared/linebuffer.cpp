#include "shared/linebuffer.h"

#include <QString>

namespace Kel {

QStringList LineBuffer::append(const QByteArray &chunk)
{
    m_pending += chunk;
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < m_pending.size(); ++i) {
        const char c = m_pending.at(i);
        if (c != '\n' && c != '\r')
            continue;
        if (i > start)
            lines += QString::fromLocal8Bit(m_pending.constData() + start, i - start);
        start = i + 1;
    }
    m_pending.remove(0, start);
    return lines;
}

QStringList LineBuffer::flush()
{
    QStringList lines;
    if (!m_pending.isEmpty())
        lines += QString::fromLocal8Bit(m_pending);
    m_pending.clear();
    return lines;
}

} // namespace Kel
