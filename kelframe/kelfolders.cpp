#include "kelframe/kelfolders.h"

#include "kelframe/kelpref.h"
#include "kelframe/kelproductinfo.h"
#include "shared/kellog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <unistd.h>

namespace Kel {

namespace {

struct FolderState
{
    QMutex mutex;
    QString root;
    bool rootKnown = false;
    QString privateTemp;
};

FolderState &folderState()
{
    static FolderState s;
    return s;
}

QString productKey()
{
    const QString key = KelProductInfo::value(QString::fromLatin1(KelProductInfo::ProductKeyKey));
    return key.isEmpty() ? QStringLiteral("Marlin") : key;
}

QString companyKey()
{
    const QString key = KelProductInfo::value(QString::fromLatin1(KelProductInfo::CompanyRootKeyKey));
    return key.isEmpty() ? productKey() : key;
}

QString ensureFolder(const QString &path)
{
    const QString clean = QDir::cleanPath(path);
    if (!QFileInfo(clean).isDir() && !QDir().mkpath(clean))
        KEL_ERROR("Create folder failed: %s", qUtf8Printable(clean));
    return clean;
}

QString belowRoot(const QString &sub)
{
    const QString root = folderRoot();
    if (root.isEmpty())
        return QString();
    return ensureFolder(root + QLatin1Char('/') + sub);
}

// The shared temporary folder is shared with every user of the machine, so
// our folder there must be ours alone; when someone else holds the name, a
// private folder of this process takes its place.
QString userTempFolder()
{
    const QString wanted = QDir::tempPath() + QLatin1Char('/') + productKey() + QLatin1Char('-')
                           + QString::number(::getuid());
    const QFileInfo info(wanted);
    if (!info.exists()) {
        if (QDir().mkpath(wanted))
            QFile::setPermissions(wanted, QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                              | QFileDevice::ExeOwner);
    }
    const QFileInfo created(wanted);
    if (created.isDir() && !created.isSymLink() && created.ownerId() == ::getuid())
        return wanted;

    FolderState &s = folderState();
    QMutexLocker locker(&s.mutex);
    if (s.privateTemp.isEmpty() || !QFileInfo(s.privateTemp).isDir()) {
        QByteArray pattern = QFile::encodeName(wanted + QStringLiteral("-XXXXXX"));
        if (::mkdtemp(pattern.data()))
            s.privateTemp = QFile::decodeName(pattern);
        else
            s.privateTemp = QDir::tempPath();
        KEL_ERROR("Temporary folder %s is not ours, using %s", qUtf8Printable(wanted),
                  qUtf8Printable(s.privateTemp));
    }
    return s.privateTemp;
}

} // namespace

QString folderRoot()
{
    FolderState &s = folderState();
    QMutexLocker locker(&s.mutex);
    if (!s.rootKnown) {
        const QString env = qEnvironmentVariable("MARLIN_HOME");
        s.root = env.isEmpty() ? QString() : QDir::cleanPath(QDir(env).absolutePath());
        s.rootKnown = true;
    }
    return s.root;
}

void setFolderRoot(const QString &root)
{
    {
        FolderState &s = folderState();
        QMutexLocker locker(&s.mutex);
        s.root = root.isEmpty() ? QString() : QDir::cleanPath(QDir(root).absolutePath());
        s.rootKnown = true;
    }
    KelPref::defaultFileChanged();
}

QString appDataPath()
{
    const QString below = belowRoot(QStringLiteral("appdata"));
    if (!below.isEmpty())
        return below;
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.local/share");
    return ensureFolder(base + QLatin1Char('/') + productKey());
}

QString tempPath()
{
    const QString below = belowRoot(QStringLiteral("temp"));
    if (!below.isEmpty())
        return below;
    return userTempFolder();
}

QString videoPath()
{
    const QString below = belowRoot(QStringLiteral("videos"));
    if (!below.isEmpty())
        return below;
    QString movies = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
    if (movies.isEmpty())
        movies = QDir::homePath() + QStringLiteral("/Videos");
    return ensureFolder(movies);
}

QString configPath()
{
    const QString below = belowRoot(QStringLiteral("config"));
    if (!below.isEmpty())
        return below;
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.config");
    return ensureFolder(base + QLatin1Char('/') + companyKey());
}

QString cachePath()
{
    const QString below = belowRoot(QStringLiteral("cache"));
    if (!below.isEmpty())
        return below;
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.cache");
    return ensureFolder(base + QLatin1Char('/') + productKey());
}

bool isFolderWritable(const QString &path)
{
    if (path.isEmpty() || !QFileInfo(path).isDir())
        return false;
    // Permission bits lie on read-only mounts, network shares and for root,
    // so the only sure answer is a real write.
    QTemporaryFile probe(QDir(path).filePath(QStringLiteral(".marlin-write-test-XXXXXX")));
    if (!probe.open())
        return false;
    const bool written = probe.write("0", 1) == 1 && probe.flush();
    probe.close();
    return written;
}

} // namespace Kel
