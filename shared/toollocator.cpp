#include "shared/toollocator.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStandardPaths>

namespace Kel {
namespace ToolLocator {

QString applicationDir()
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath().section(QLatin1Char('/'), 0, -2);
}

QString findProgram(const QStringList &appDirCandidates, const QStringList &pathNames, const QString &appDir)
{
    if (!appDir.isEmpty()) {
        for (const QString &candidate : appDirCandidates) {
            const QFileInfo info(appDir + QLatin1Char('/') + candidate);
            if (info.isFile() && info.isExecutable())
                return info.absoluteFilePath();
        }
    }
    for (const QString &name : pathNames) {
        const QString found = QStandardPaths::findExecutable(name);
        if (!found.isEmpty())
            return found;
    }
    return QString();
}

QString pythonPath(const QString &appDir)
{
    return findProgram({QStringLiteral("python-3/python3"), QStringLiteral("python-3/bin/python3"),
                        QStringLiteral("python3")},
                       {QStringLiteral("python3")}, appDir);
}

QString ffmpegPath(const QString &appDir)
{
    return findProgram({QStringLiteral("ffmpeg")}, {QStringLiteral("ffmpeg")}, appDir);
}

} // namespace ToolLocator
} // namespace Kel
