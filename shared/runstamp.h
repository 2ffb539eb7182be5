#pragma once

#include <QString>

namespace Kel {

// Marks the temporary files and folders of one run of the program, so that
// a later run can tell whether the run that made them is gone (killed
// outright, or the machine lost its power) and remove them, while the files
// of a run that still goes on stay alone.
//
// A stamp begins the name: "MRL_<domain>_<boot>_<pid>_<start>_". The domain
// tells the machine and the process namespace, the boot the system's boot,
// pid the process and start when it started (clock ticks after the boot),
// so that a later process that was given the same number is not taken for
// the one that made the file.
class RunStamp
{
public:
    // Found in the names after the stamp: what made the entry.
    static const QString DownloadMarker;
    static const QString ConvertMarker;
    static const QString SessionMarker;

    enum State {
        Running,
        Gone,
        // Another machine or process namespace, or nothing can be read: the
        // entry is left alone.
        Unknown,
    };

    // The stamp of this process.
    static QString current();
    // The stamp a file name begins with; empty when it begins with none.
    static QString ofName(const QString &fileName);
    // A stamp, followed somewhere by one of the markers.
    static bool isTemporaryName(const QString &fileName);
    static State state(const QString &stamp);

    static QString make(const QString &domain, const QString &boot, qint64 pid, qint64 start);
};

} // namespace Kel
