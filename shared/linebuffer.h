#pragma once

#include <QByteArray>
#include <QStringList>

namespace Kel {

// Cuts a child process's output into lines. A line ends at a line feed or
// at a carriage return (progress lines are redrawn with carriage returns);
// an unfinished line waits for the next chunk, so a line split across reads
// is seen whole.
class LineBuffer
{
public:
    // The complete lines of what has arrived so far, empty ones left out.
    QStringList append(const QByteArray &chunk);
    // The unfinished rest, as a last line (when the process has ended).
    QStringList flush();
    void clear() { m_pending.clear(); }
    bool isEmpty() const { return m_pending.isEmpty(); }

private:
    QByteArray m_pending;
};

} // namespace Kel
