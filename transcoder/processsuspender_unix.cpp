#include "transcoder/processsuspender.h"

#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <signal.h>
#include <sys/types.h>

namespace Kel {

namespace {

// The state letter of /proc/<pid>/stat ("T" when stopped); 0 when unknown.
char processState(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray text = stat.readAll();
    // The command name in parentheses may itself hold blanks and parentheses.
    const int close = text.lastIndexOf(')');
    return close >= 0 && close + 2 < text.size() ? text.at(close + 2) : 0;
}

} // namespace

bool ProcessSuspender::suspend(qint64 pid)
{
    if (pid <= 0 || ::kill(pid_t(pid), SIGSTOP) != 0)
        return false;
    // SIGSTOP takes effect asynchronously; wait briefly so that no output is
    // produced after the caller has been told the process stopped.
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 200) {
        const char state = processState(pid);
        if (state == 'T' || state == 't' || state == 0)
            break;
        QThread::usleep(500);
    }
    return true;
}

bool ProcessSuspender::resume(qint64 pid)
{
    return pid > 0 && ::kill(pid_t(pid), SIGCONT) == 0;
}

} // namespace Kel
