#pragma once

#include "tarncore/tarncoreglobal.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QVersionNumber>

class QNetworkAccessManager;
class QNetworkReply;
class QSaveFile;

namespace Kel {
class ChildProcess;
}

namespace Tarn {

// Keeps the extractor tool up to date: fetches the update description,
// compares its version with the installed copies, downloads and verifies
// the newer archive in the user's data folder and swaps it in.
//
// Two sources: an update description (INI) on a server the product
// information names under puxCfgUrl(), or, when it names none, the tool's
// own signed releases (PuxReleaseSource). A release is installed only when
// its checksum file carries a good signature of the trusted key, the
// archive's SHA-256 is the one that file gives, and the archive, run by our
// interpreter, reports the release's version. Only then is its description
// ("_new.puxc") written, so a waiting pair of "_new" files is always one
// that passed every check.
//
// The program folder's archive is never touched: "use the shipped tool"
// only records the choice, and the updated archive stays for a later
// update. Every change of the archive to run is signalled by
// puxFileChanged().
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
    // Checks the configured source (above). userRequest: the user asked for
    // it, which also ends the choice of the shipped tool; an automatic check
    // leaves that choice alone and reports nothing.
    void checkForUpdate(const QString &language, bool userRequest = false);
    // Asks the tool's releases for the newest tag and reports it with
    // foundNewPuxVersion() when it is newer than every installed copy.
    void checkRelease();

    // The releases' address; empty: the configured one.
    void setReleaseBaseUrl(const QString &url) { releaseBase = url; }
    QString releaseBaseUrl() const;
    // The armored public key that release signatures must verify against,
    // and the fingerprint of the one key in it that is trusted.
    void setReleaseKey(const QString &keyFile, const QString &fingerprint);
    QString releaseKeyFile() const;
    QString releaseKeyFingerprint() const { return keyFingerprint; }

    // Runs the program folder's archive from now on, until an update is
    // installed or the user asks for one. False when it cannot be recorded.
    bool useShippedTool();
    bool isShippedToolChosen() const;
    // The version of the archive puxFilePath() names, as its description
    // writes it; empty when unknown.
    QString puxVersion() const;
    // Where that archive came from: its download address, empty for the
    // shipped one.
    QString puxSourceUrl() const;
    // Why the last check or update failed; empty after one that did not.
    QString lastError() const { return failure; }
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
    // Ends a check or an update under way; nothing of it stays behind and
    // no signal of it follows.
    void cancel();

Q_SIGNALS:
    void foundNewPuxVersion(const QString &newVersion, const QString &description);
    void downloadProgress(int done, int total);
    // After an update: error is true when nothing new was installed.
    void done(bool error);
    // Every check ends with this, whether or not it found a newer version.
    void checkFinished(bool newVersionFound);
    // The archive to run changed (an update was installed, or the shipped
    // tool was chosen): path is the new puxFilePath(). Whatever keeps a tool
    // process running follows this.
    void puxFileChanged(const QString &path);

protected:
    // Moves from over to, replacing to in one step; false on failure.
    virtual bool replaceFile(const QString &from, const QString &to);

private Q_SLOTS:
    void on_http_requestFinished(int id, bool err);
    void on_done(bool error);
    void on_progress(int done, int total);

private:
    void finishLatestRequest(QNetworkReply *reply);
    void startNextReleaseFile();
    void finishReleaseFile(bool err);
    void verifyRelease();
    void finishVersionRun(int exitCode, bool crashed);
    void refuseRelease(const QString &reason);
    void removeReleaseFiles();
    bool isNewerThanInstalled(const QVersionNumber &version) const;
    void failCheck(const QString &reason);
    void noteInstalled();
    QNetworkReply *startRequest(const QString &address, QSaveFile *target, int *requestId);
    void finishDescriptionRequest(bool err);
    void finishArchiveRequest(bool err);
    int finishInterruptedInstall();
    QString dataPath(const QString &fileName) const;
    // "<data folder>/<tool name><suffix>".
    QString dataFile(const char *suffix) const;
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

    QString releaseBase;
    QString keyFile;
    QString keyFingerprint;
    QPointer<QNetworkReply> latestReply;
    // The release found by the last check, and the files still to fetch.
    QString releaseTag;
    QStringList releaseFiles;
    QString releaseAsset;
    QString releaseTarget;
    QPointer<QNetworkReply> releaseReply;
    QSaveFile *releaseFile = nullptr;
    int releaseRequestId = 0;
    Kel::ChildProcess *versionRun = nullptr;
    QStringList versionOutput;
    QString failure;
    bool installedNow = false;
    bool updating = false;
    int transferTimeout = 60 * 1000;
};

} // namespace Tarn
