#include "transcoder/processsuspender.h"

#include <windows.h>
#include <tlhelp32.h>

namespace Kel {

namespace {

// The process's main thread: the first one it created.
DWORD mainThreadId(DWORD pid)
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return 0;
    DWORD found = 0;
    ULONGLONG earliest = ~0ULL;
    THREADENTRY32 entry;
    entry.dwSize = sizeof(entry);
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID != pid)
            continue;
        HANDLE thread = OpenThread(THREAD_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ThreadID);
        if (!thread)
            continue;
        FILETIME creation, exit, kernel, user;
        if (GetThreadTimes(thread, &creation, &exit, &kernel, &user)) {
            const ULONGLONG created = (ULONGLONG(creation.dwHighDateTime) << 32) | creation.dwLowDateTime;
            if (created < earliest) {
                earliest = created;
                found = entry.th32ThreadID;
            }
        }
        CloseHandle(thread);
    }
    CloseHandle(snapshot);
    return found;
}

bool changeMainThread(qint64 pid, bool suspend)
{
    if (pid <= 0)
        return false;
    const DWORD threadId = mainThreadId(DWORD(pid));
    if (!threadId)
        return false;
    HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME, FALSE, threadId);
    if (!thread)
        return false;
    const DWORD result = suspend ? SuspendThread(thread) : ResumeThread(thread);
    CloseHandle(thread);
    return result != DWORD(-1);
}

} // namespace

bool ProcessSuspender::suspend(qint64 pid)
{
    return changeMainThread(pid, true);
}

bool ProcessSuspender::resume(qint64 pid)
{
    return changeMainThread(pid, false);
}

} // namespace Kel
