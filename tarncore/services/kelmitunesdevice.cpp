#include "tarncore/services/kelmitunesdevice.h"

#include "tarncore/services/itunesinteract.h"
#include "tarncore/services/itunesplatform.h"

#include <QMutexLocker>
#include <QRecursiveMutex>

#include <cstdio>

namespace Tarn {

KelmITunesDevice::KelmITunesDevice(QObject *parent)
    : QObject(parent)
{
}

KelmITunesDevice::KelmITunesDevice(ItunesPlatform *platform, QObject *parent)
    : QObject(parent)
    , fixedPlatform(platform)
{
}

ItunesPlatform &KelmITunesDevice::platform() const
{
    return fixedPlatform ? *fixedPlatform : *ItunesPlatform::current();
}

bool KelmITunesDevice::isItunesInstalled() const
{
    return ItunesInteract::isInstalled(platform());
}

bool KelmITunesDevice::importFile(const QString &file, const QString &, bool)
{
    return ItunesInteract::addFileToLibrary(platform(), file) == 0;
}

bool KelmITunesDevice::importFile(const QString &file, const QString &unused)
{
    return importFile(file, unused, false);
}

bool KelmITunesDevice::isITunesStarted() const
{
    return ItunesInteract::isRunning(platform());
}

bool KelmITunesDevice::closeITunes()
{
    return ItunesInteract::closeITunes(platform());
}

QString KelmITunesDevice::getMusicFolderPath() const
{
    return ItunesInteract::GetMusicFolderPathEx(platform());
}

bool KelmITunesDevice::checkITunes(bool rememberRunning)
{
    QMutexLocker locker(&ItunesInteract::mutex());
    if (rememberRunning)
        itunesWasRunning = isITunesStarted();
    return isItunesInstalled();
}

double KelmITunesDevice::progress() const
{
    return 0.0;
}

void KelmITunesDevice::CncptImportFiles()
{
    QMutexLocker locker(&ItunesInteract::mutex());
    itunesWasRunning = isITunesStarted();
    for (const QString &file : std::as_const(files)) {
        if (file.isEmpty())
            continue;
        if (!importFile(file, QString(), false)) {
            std::fputs("Failed\n", stdout);
            std::fflush(stdout);
        }
    }
    if (!itunesWasRunning)
        closeITunes();
}

void KelmITunesDevice::stopImport()
{
}

} // namespace Tarn
