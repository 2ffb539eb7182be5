#pragma once

#include "tarncore/services/itunesplatform.h"

#include <QByteArray>
#include <QLocale>
#include <QString>

class QRecursiveMutex;

namespace Tarn {

// The routines behind the iTunes export: detection, version, the media and
// automatic-import folders, and adding a file to the library. The parsing
// works on plain data so that it runs everywhere; what needs the operating
// system goes through an ItunesPlatform.
namespace ItunesInteract {

// The class of iTunes' COM application object.
TARNCORE_EXPORT extern const char *const ApplicationClassId;
// From this version on, files are added through the automatic-import
// folder instead of COM, and iTunes is no longer quit after an import.
TARNCORE_EXPORT extern const char *const AutoImportVersion;
// From this version on, the preferences live in "iTunesPrefs.xml".
TARNCORE_EXPORT extern const char *const XmlPrefsVersion;
TARNCORE_EXPORT extern const char *const DefaultAutoImportName;
// COM's code for an invalid pointer, the result of an empty path.
constexpr qint32 InvalidPointer = qint32(0x80004003u);

// The process-wide lock held by every operation that touches iTunes.
TARNCORE_EXPORT QRecursiveMutex &mutex();

// One leading and one trailing double quote removed.
TARNCORE_EXPORT QString stripQuotes(const QString &value);
// A default-icon entry ("path",0) reduced to the path.
TARNCORE_EXPORT QString iconEntryPath(const QString &value);
// Dotted versions compared part by part as numbers, missing parts as 0:
// negative, 0 or positive.
TARNCORE_EXPORT int compareVersions(const QString &left, const QString &right);

// The iTunes executable named by the registry: the COM server's
// LocalServer32 entry, else the default icon entry.
TARNCORE_EXPORT QString executablePath(const ItunesPlatform &platform);
// The COM server entry names an existing file.
TARNCORE_EXPORT bool isInstalled(const ItunesPlatform &platform);
// The installed version as "%d.%d.%d.%d"; empty when unknown.
TARNCORE_EXPORT QString version(const ItunesPlatform &platform);

// "<roaming>/Apple Computer/iTunes/iTunesPrefs.xml" from version 7 on,
// "iTunes.pref" before.
TARNCORE_EXPORT QString preferenceFile(const QString &roamingDir, const QString &itunesVersion);
// The library XML location from the preference file's contents; a
// base64-coded UTF-16 value is decoded. Empty when absent.
TARNCORE_EXPORT QString libraryXmlLocation(const QByteArray &preferences);
// The media folder from the library XML's contents, as a local path
// without trailing separator. Empty when absent.
TARNCORE_EXPORT QString musicFolderFromLibrary(const QByteArray &libraryXml);
// The media folder of the installed iTunes; empty (and logged) on failure.
TARNCORE_EXPORT QString GetMusicFolderPathEx(const ItunesPlatform &platform);

// A Windows language identifier as a locale (the C locale when unknown).
TARNCORE_EXPORT QLocale localeFromLanguageId(quint32 languageId);
// The name of iTunes' language folder for a locale: the ISO 639 code, or
// "zh_CN", "zh_TW", "pt_PT", "nb", "en_GB".
TARNCORE_EXPORT QString languageFolderName(const QLocale &locale);
// The automatic-import folder's name from a "Localizable.strings" file in
// any Unicode encoding; empty when the entry is missing.
TARNCORE_EXPORT QString autoImportNameFromStrings(const QByteArray &strings);
// The automatic-import folder's name of the installed iTunes, or
// "Automatically Add to iTunes".
TARNCORE_EXPORT QString GetAutoDirectoryName(const ItunesPlatform &platform);

// Copies file into folder under its own name, replacing a file of that
// name. False (and logged) when the folder is missing or the copy fails.
TARNCORE_EXPORT bool copyIntoFolder(const QString &file, const QString &folder);
// Adds a file to the library: through the automatic-import folder for
// recent versions, else (or when that fails) through COM. 0 on success.
TARNCORE_EXPORT qint32 addFileToLibrary(ItunesPlatform &platform, const QString &file);

TARNCORE_EXPORT bool isRunning(const ItunesPlatform &platform);
// Quits iTunes through COM when its version is below AutoImportVersion.
TARNCORE_EXPORT bool closeITunes(ItunesPlatform &platform);

} // namespace ItunesInteract
} // namespace Tarn
