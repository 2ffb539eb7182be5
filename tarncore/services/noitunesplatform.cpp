#include "tarncore/services/noitunesplatform.h"

#include <QFileInfo>
#include <QStandardPaths>

namespace Tarn {

namespace {
// The COM code for a class that is not registered.
constexpr qint32 ClassNotRegistered = qint32(0x80040154u);
} // namespace

QVariant NoItunesPlatform::registryValue(RegistryRoot, const QString &, const QString &) const
{
    return QVariant();
}

bool NoItunesPlatform::fileExists(const QString &path) const
{
    return !path.isEmpty() && QFileInfo::exists(path);
}

QString NoItunesPlatform::fileVersion(const QString &) const
{
    return QString();
}

bool NoItunesPlatform::isProcessRunning(const QString &) const
{
    return false;
}

QString NoItunesPlatform::roamingAppDataDir() const
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
}

QLocale NoItunesPlatform::userDefaultLocale() const
{
    return QLocale::system();
}

qint32 NoItunesPlatform::addFileToLibrary(const QString &)
{
    return ClassNotRegistered;
}

bool NoItunesPlatform::quitApplication()
{
    return false;
}

} // namespace Tarn
