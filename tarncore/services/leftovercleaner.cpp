#include "tarncore/services/leftovercleaner.h"

#include "shared/kellog.h"
#include "shared/runstamp.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace Tarn {

namespace {

bool isOwnEntry(const QFileInfo &entry)
{
#ifdef Q_OS_UNIX
    return entry.ownerId() == ::geteuid();
#else
    Q_UNUSED(entry)
    return true;
#endif
}

} // namespace

int LeftoverCleaner::removeLeftovers(const QStringList &folders)
{
    QSet<QString> seen;
    QHash<QString, Kel::RunStamp::State> states;
    int removed = 0;
    for (const QString &folder : folders) {
        if (folder.isEmpty())
            continue;
        const QFileInfo folderInfo(folder);
        const QString canonical = folderInfo.canonicalFilePath();
        if (canonical.isEmpty() || !folderInfo.isDir() || seen.contains(canonical))
            continue;
        seen.insert(canonical);

        const QDir dir(canonical);
        const QFileInfoList entries = dir.entryInfoList({QStringLiteral("MRL_*")},
                                                        QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot
                                                            | QDir::Hidden | QDir::System);
        for (const QFileInfo &entry : entries) {
            const QString name = entry.fileName();
            if (!Kel::RunStamp::isTemporaryName(name) || entry.isSymLink() || !isOwnEntry(entry))
                continue;
            const QString stamp = Kel::RunStamp::ofName(name);
            auto state = states.constFind(stamp);
            if (state == states.constEnd())
                state = states.insert(stamp, Kel::RunStamp::state(stamp));
            if (*state != Kel::RunStamp::Gone)
                continue;
            const QString path = entry.absoluteFilePath();
            bool ok = false;
            if (entry.isDir()) {
                // Folders are only ever the private folders of command-line runs.
                if (!name.contains(Kel::RunStamp::SessionMarker))
                    continue;
                ok = QDir(path).removeRecursively();
            } else {
                ok = QFile::remove(path);
            }
            if (ok) {
                ++removed;
                KEL_INFO("Removed %s, left by a run that ended without cleaning up", qPrintable(path));
            } else {
                KEL_ERROR("Could not remove %s, left by a run that ended without cleaning up",
                          qPrintable(path));
            }
        }
    }
    return removed;
}

} // namespace Tarn
