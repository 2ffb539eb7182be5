#include "shared/fileclaim.h"

#include "shared/keltext.h"
#include "shared/runstamp.h"

#include <QFile>
#include <QFileInfo>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace Kel {

namespace {

// Numbered names tried before giving up: far more than any folder holds of
// one name, few enough to end quickly on a folder that refuses everything.
constexpr int MaxNumber = 10000;
constexpr int MaxTemporaryAttempts = 1000;

#ifdef Q_OS_UNIX
bool lacksSupport(int code)
{
    return code == EINVAL || code == ENOSYS || code == ENOTSUP || code == EOPNOTSUPP || code == EPERM
        || code == EMLINK;
}
#endif

} // namespace

int FileClaim::moveNoReplace(const QString &from, const QString &to)
{
#ifdef Q_OS_UNIX
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
#ifdef Q_OS_LINUX
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno == EEXIST || !lacksSupport(errno))
        return errno;
#endif
    // A file system that cannot rename without replacing: a second link
    // claims the name, then the temporary one goes.
    if (::link(source.constData(), target.constData()) == 0) {
        ::unlink(source.constData());
        return 0;
    }
    if (errno == EEXIST || !lacksSupport(errno))
        return errno;
    // Neither (some network and foreign file systems): an empty placeholder
    // claims the name, and the file then replaces that placeholder, which is
    // its own.
    const int fd = ::open(target.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return errno;
    ::close(fd);
    if (::rename(source.constData(), target.constData()) == 0)
        return 0;
    const int code = errno;
    ::unlink(target.constData());
    return code;
#else
    // Renaming refuses an existing name here.
    if (QFile::rename(from, to))
        return 0;
    return QFileInfo::exists(to) ? EEXIST : EIO;
#endif
}

QString FileClaim::moveToFreeName(const QString &from, const QString &wanted, QString *error)
{
    for (int n = 0; n < MaxNumber; ++n) {
        const QString candidate = Text::numberedFileName(wanted, n);
        const int code = moveNoReplace(from, candidate);
        if (code == 0)
            return candidate;
        if (code != EEXIST) {
            if (error)
                *error = QString::fromLocal8Bit(std::strerror(code));
            return QString();
        }
    }
    if (error)
        *error = QStringLiteral("every numbered name of %1 is taken").arg(wanted);
    return QString();
}

QString FileClaim::createTemporary(const QString &folder, const QString &marker, const QString &suffix,
                                   QString *error)
{
    static std::atomic<int> counter{0};
    for (int attempt = 0; attempt < MaxTemporaryAttempts; ++attempt) {
        QString name = RunStamp::current() + QString::number(counter++) + marker;
        if (!suffix.isEmpty())
            name += QLatin1Char('.') + suffix;
        QFile file(folder + QLatin1Char('/') + name);
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            file.close();
            return file.fileName();
        }
        if (!file.exists()) {
            if (error)
                *error = file.errorString();
            return QString();
        }
    }
    if (error)
        *error = QStringLiteral("no free temporary name in %1").arg(folder);
    return QString();
}

} // namespace Kel
