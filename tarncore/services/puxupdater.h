#pragma once

#include "tarncore/tarncoreglobal.h"

#include <QObject>
#include <QPointer>
#include <QString>

class QNetworkAccessManager;
class QNetworkReply;
class QSaveFile;

namespace Tarn {

// Keeps the extractor tool up to date: fetches the update description,
// compares its version with the installed copies, downloads and verifies
// the newer archive in the user's data folder and swaps it in.
//
// A download goes to a temporary file and only replaces the "_new" file
// once it has arrived whole; the swap replaces the archive in one step, so
// that at every moment a complete archive is in place.
class TARNCORE_EXPORT PuxUpdater : public QObject
{
    Q_OBJECT
public:
    // Results of tryRename().
    enum RenameResult {
        RenameOk = 0,
        RenameNoDataDir = -1,
        RenameBadDescription = -2,
        RenameDigestMismatch = -5,
        RenameOldArchiveLocked = -6,
        RenameOldDescriptionLocked = -7,
        RenameArchiveFailed = -8,
        RenameDescriptionFailed = -9,
    };

    static PuxUpdater *instance();

    explicit PuxUpdater(QObject *parent = nullptr);
    ~PuxUpdater() override;

    void setAppDataDir(const QString &dir);
    QString appDataDir() const { return dataDir; }
    // The product information key of the update description's address.
    QString puxCfgUrl() const { return cfgUrlKey; }
    QString toolName() const { return name; }

    // Fetches the update description at url and reports a newer version
    // with foundNewPuxVersion(), its description in language.
    void checkUpdate(const QString &url, const QString &language);
    // Installs a completely downloaded, verified update; see RenameResult.
    int tryRename();
    // The archive to run: the user data folder's copy when it is newer than
    // the program folder's, else the program folder's.
    QString puxFilePath() const;

    bool isUpdating() const { return updating; }
    // A request that receives nothing for this long fails (60 s by default).
    void setTransferTimeout(int milliseconds) { transferTimeout = milliseconds; }
    // The archive address of the newer version found by the last check.
    QString newVersionUrl() const { return zipUrl; }

public Q_SLOTS:
    // Downloads the archive of the newer version, then installs it.
    void update();

Q_SIGNALS:
    void foundNewPuxVersion(const QString &newVersion, const QString &description);
    void downloadProgress(int done, int total);
    // After an update: error is true when nothing new was installed.
    void done(bool error);
    // Every check ends with this, whether or not it found a newer version.
    void checkFinished(bool newVersionFound);

protected:
    // Moves from over to, replacing to in one step; false on failure.
    virtual bool replaceFile(const QString &from, const QString &to);

private Q_SLOTS:
    void on_http_requestFinished(int id, bool err);
    void on_done(bool error);
    void on_progress(int done, int total);

private:
    QNetworkReply *startRequest(const QString &address, QSaveFile *target, int *requestId);
    void finishDescriptionRequest(bool err);
    void finishArchiveRequest(bool err);
    int finishInterruptedInstall();
    QString dataPath(const QString &fileName) const;
    QString programPath(const QString &fileName) const;

    QString name;
    QString zipName;
    QString newZipName;
    QString cfgName;
    QString newCfgName;
    QString cfgUrlKey;
    QString zipUrlKey;

    QNetworkAccessManager *http = nullptr;
    int lastRequestId = 0;
    int cfgRequestId = 0;
    int zipRequestId = 0;
    QPointer<QNetworkReply> cfgReply;
    QPointer<QNetworkReply> zipReply;
    QSaveFile *cfgFile = nullptr;
    QSaveFile *zipFile = nullptr;

    QString dataDir;
    QString language;
    QString zipUrl;
    bool updating = false;
    int transferTimeout = 60 * 1000;
};

} // namespace Tarn
