#include "webfetch/puxfilelock.h"

#include <QFile>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace Kel {

PuxFileLock::~PuxFileLock()
{
    unlock();
}

#ifdef Q_OS_WIN

PuxFileLock::Outcome PuxFileLock::lock(const QString &path, Mode mode, bool wait, bool create)
{
    unlock();
    const HANDLE file = CreateFileW(reinterpret_cast<const wchar_t *>(path.utf16()), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    create ? OPEN_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return Unavailable;
    DWORD flags = mode == Exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0;
    if (!wait)
        flags |= LOCKFILE_FAIL_IMMEDIATELY;
    OVERLAPPED overlapped = {};
    if (!LockFileEx(file, flags, 0, 1, 0, &overlapped)) {
        const bool busy = GetLastError() == ERROR_LOCK_VIOLATION;
        CloseHandle(file);
        return busy ? Busy : Unavailable;
    }
    handle = reinterpret_cast<qintptr>(file);
    filePath = path;
    return Locked;
}

void PuxFileLock::unlock()
{
    if (handle >= 0)
        CloseHandle(reinterpret_cast<HANDLE>(handle));
    handle = -1;
    filePath.clear();
}

bool PuxFileLock::isCurrent() const
{
    // An open file cannot be removed or replaced here.
    return handle >= 0;
}

#else

PuxFileLock::Outcome PuxFileLock::lock(const QString &path, Mode mode, bool wait, bool create)
{
    unlock();
    const QByteArray name = QFile::encodeName(path);
    const int flags = O_RDONLY | O_CLOEXEC | (create ? O_CREAT : 0);
    int fd;
    do {
        fd = ::open(name.constData(), flags, 0600);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return Unavailable;
    const int operation = (mode == Exclusive ? LOCK_EX : LOCK_SH) | (wait ? 0 : LOCK_NB);
    int result;
    do {
        result = ::flock(fd, operation);
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
        const bool busy = errno == EWOULDBLOCK;
        ::close(fd);
        return busy ? Busy : Unavailable;
    }
    handle = fd;
    filePath = path;
    return Locked;
}

void PuxFileLock::unlock()
{
    if (handle >= 0)
        ::close(int(handle));
    handle = -1;
    filePath.clear();
}

bool PuxFileLock::isCurrent() const
{
    if (handle < 0)
        return false;
    struct stat held;
    struct stat named;
    return ::fstat(int(handle), &held) == 0 && ::stat(QFile::encodeName(filePath).constData(), &named) == 0
           && held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}

#endif

} // namespace Kel
