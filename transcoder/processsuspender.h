#pragma once

#include <QtGlobal>

namespace Kel {

// Stops and continues a child process without ending it: the process's main
// thread is suspended on Windows, the process gets SIGSTOP/SIGCONT elsewhere.
class ProcessSuspender
{
public:
    // True when the process has been stopped.
    static bool suspend(qint64 pid);
    // True when the process has been told to continue.
    static bool resume(qint64 pid);
};

} // namespace Kel
