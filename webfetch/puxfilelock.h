#pragma once

#include <QString>

namespace Kel {

// An advisory lock on a file that the system releases when the process
// ends, however it ends: shared by every process that reads what the lock
// guards, exclusive for the one that may change or remove it. Not
// inherited by child processes.
class PuxFileLock
{
public:
    enum Mode {
        Shared,
        Exclusive,
    };
    enum Outcome {
        Locked,
        // Another holds a lock that excludes this one.
        Busy,
        // The file cannot be opened or created.
        Unavailable,
    };

    PuxFileLock() = default;
    ~PuxFileLock();
    PuxFileLock(const PuxFileLock &) = delete;
    PuxFileLock &operator=(const PuxFileLock &) = delete;

    // Opens path (creating it when create is set) and locks it; without
    // wait, a lock held by another gives Busy at once. Releases any lock
    // held before.
    Outcome lock(const QString &path, Mode mode, bool wait, bool create);
    void unlock();
    bool isLocked() const { return handle >= 0; }
    QString path() const { return filePath; }

    // True while the locked file is still the one that path names: a file
    // removed or replaced since guards nothing any more.
    bool isCurrent() const;

private:
    qintptr handle = -1;
    QString filePath;
};

} // namespace Kel
