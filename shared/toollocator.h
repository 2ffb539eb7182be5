#pragma once

#include <QStringList>

namespace Kel {

// Finds the outside programs: the copy that ships in the application
// directory first, then the one on PATH.
namespace ToolLocator {

// The application directory: QCoreApplication's when an application object
// exists, else the directory of the running executable.
QString applicationDir();

// The first existing, executable candidate below appDir, else the first
// name found on PATH; an empty text when there is none.
QString findProgram(const QStringList &appDirCandidates, const QStringList &pathNames,
                    const QString &appDir = applicationDir());

// "python-3/python3", "python-3/bin/python3" or "python3" in the application
// directory, else python3 on PATH.
QString pythonPath(const QString &appDir = applicationDir());
// "ffmpeg" in the application directory, else ffmpeg on PATH.
QString ffmpegPath(const QString &appDir = applicationDir());

} // namespace ToolLocator
} // namespace Kel
