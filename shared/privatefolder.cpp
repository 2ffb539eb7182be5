#include "shared/privatefolder.h"

#include "shared/kellog.h"

#include <QDir>
#include <QFile>
#include <QMutex>

#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace Kel {
namespace PrivateFolder {

namespace {

QString runtimeBase()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (runtime.isEmpty() || QDir::isRelativePath(runtime))
        return QString();
    struct stat info = {};
    if (::lstat(QFile::encodeName(runtime).constData(), &info) != 0 || !S_ISDIR(info.st_mode)
        || info.st_uid != ::getuid() || (info.st_mode & 077) != 0)
        return QString();
    return runtime + QStringLiteral("/marlin");
}

QString makeClaimed(const QString &wanted)
{
    const QByteArray name = QFile::encodeName(wanted);
    if (::mkdir(name.constData(), 0700) != 0 && errno != EEXIST)
        return QString();
    return claim(wanted) ? wanted : QString();
}

} // namespace

bool claim(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat info = {};
    if (::lstat(name.constData(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::getuid())
        return false;
    if ((info.st_mode & 0777) != 0700 && ::chmod(name.constData(), 0700) != 0)
        return false;
    return true;
}

QString base()
{
    static QMutex mutex;
    static QString chosen;
    QMutexLocker locker(&mutex);
    // Checked again on every use: a folder in the shared temporary folder
    // may have been removed by a clean-up since.
    if (!chosen.isEmpty() && claim(chosen))
        return chosen;

    QString wanted = runtimeBase();
    QString found = wanted.isEmpty() ? QString() : makeClaimed(wanted);
    if (found.isEmpty()) {
        wanted = QDir::tempPath() + QStringLiteral("/marlin-") + QString::number(::getuid());
        found = makeClaimed(wanted);
    }
    if (found.isEmpty()) {
        QByteArray pattern = QFile::encodeName(wanted + QStringLiteral("-XXXXXX"));
        if (::mkdtemp(pattern.data()))
            found = QFile::decodeName(pattern);
        KEL_ERROR("The private folder %s is not ours; using %s", qUtf8Printable(wanted), qUtf8Printable(found));
    }
    // Nothing at all can be created: the root folder, which nobody else may
    // write either, is still a safe place to start in.
    chosen = found.isEmpty() ? QStringLiteral("/") : found;
    return chosen;
}

QString path(const QString &name)
{
    const QString root = base();
    if (root == QLatin1String("/"))
        return root;
    const QString wanted = root + QLatin1Char('/') + name;
    const QString found = makeClaimed(wanted);
    return found.isEmpty() ? root : found;
}

} // namespace PrivateFolder
} // namespace Kel
