#pragma once

#include "tarncore/tarncoreglobal.h"

#include <QLocale>
#include <QString>
#include <QVariant>

namespace Tarn {

// What the iTunes export needs from the operating system: registry values,
// the version resource of an executable, the process list, the user's
// folders and the COM automation of iTunes. The Windows implementation uses
// the real services; elsewhere iTunes is simply not installed. Tests
// install their own implementation with setCurrent().
class TARNCORE_EXPORT ItunesPlatform
{
public:
    enum RegistryRoot {
        ClassesRoot,
        LocalMachine,
        CurrentUser,
    };

    virtual ~ItunesPlatform();

    // The named value of a registry key (the key's default value when name
    // is empty), opened for reading; a null variant when there is none.
    virtual QVariant registryValue(RegistryRoot root, const QString &key, const QString &name) const = 0;
    // Whether a file or folder exists at path.
    virtual bool fileExists(const QString &path) const = 0;
    // The file version of an executable as "%d.%d.%d.%d"; empty when it has
    // none.
    virtual QString fileVersion(const QString &executable) const = 0;
    // Whether a process of that executable name runs.
    virtual bool isProcessRunning(const QString &executableName) const = 0;
    // The user's roaming application data folder.
    virtual QString roamingAppDataDir() const = 0;
    virtual QLocale userDefaultLocale() const = 0;
    // Asks iTunes through COM to add the file to its library playlist; the
    // COM result code (0 on success).
    virtual qint32 addFileToLibrary(const QString &file) = 0;
    // Asks iTunes through COM to quit; true when the call went through.
    virtual bool quitApplication() = 0;

    // The implementation in use: the one set by setCurrent(), else the
    // operating system's.
    static ItunesPlatform *current();
    // nullptr restores the operating system's implementation. The caller
    // keeps ownership.
    static void setCurrent(ItunesPlatform *platform);
    // The operating system's implementation.
    static ItunesPlatform *system();
};

} // namespace Tarn
