#pragma once

#include "tarncore/tarncoreglobal.h"

#include <QObject>
#include <QStringList>

namespace Tarn {

class ItunesPlatform;

// Hands finished files to iTunes. Every operation runs under the
// process-wide iTunes lock.
class TARNCORE_EXPORT KelmITunesDevice : public QObject
{
    Q_OBJECT
public:
    // platform: the system to work with; the current one when null.
    explicit KelmITunesDevice(QObject *parent = nullptr);
    explicit KelmITunesDevice(ItunesPlatform *platform, QObject *parent = nullptr);

    bool isItunesInstalled() const;
    // Adds file to the iTunes library; true on success.
    bool importFile(const QString &file, const QString &, bool);
    bool isITunesStarted() const;
    // Quits iTunes when its version is one that was driven through COM.
    bool closeITunes();
    // The iTunes media folder; empty when unknown.
    QString getMusicFolderPath() const;
    // Whether iTunes is installed; with rememberRunning, also notes whether
    // it runs now, so that a batch import leaves it as it found it.
    bool checkITunes(bool rememberRunning);

    // The files that CncptImportFiles() imports.
    QStringList getImportFiles() const { return files; }
    void setImportFiles(const QStringList &list) { files = list; }

public Q_SLOTS:
    virtual bool importFile(const QString &file, const QString &unused);
    virtual double progress() const;
    // Imports the listed files one after the other, writes "Failed" to
    // standard output for each failure, and quits iTunes afterwards when it
    // was not running before.
    virtual void CncptImportFiles();
    virtual void stopImport();

private:
    ItunesPlatform &platform() const;

    QStringList files;
    bool itunesWasRunning = false;
    ItunesPlatform *fixedPlatform = nullptr;
};

} // namespace Tarn
