#include "tarncore/services/puxupdater.h"

#include "tarncore/download/appcontext.h"
#include "tarncore/services/puxreleasesource.h"
#include "tarncore/services/puxupdatecfg.h"
#include "kelframe/kelproductinfo.h"
#include "shared/childprocess.h"
#include "shared/kellog.h"
#include "shared/privatefolder.h"
#include "shared/toollocator.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSaveFile>
#include <QSettings>
#include <QUrl>

#include <limits>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace Tarn {

namespace {

const char *const LogFile = "PuxUpdater";
const char *const CheckUpdateFunction = "Tarn::PuxUpdater::checkUpdate";
const char *const UpdateFunction = "Tarn::PuxUpdater::update";
const char *const TryRenameFunction = "Tarn::PuxUpdater::tryRename";
const char *const RequestFinishedFunction = "Tarn::PuxUpdater::on_http_requestFinished";

#define PUX_FAILURE(function, ...)                                                             \
    do {                                                                                       \
        ::Kel::Log::writeLog(::Kel::Log::Error, "", LogFile, function, __LINE__, __VA_ARGS__); \
        ::Kel::Log::traceFailure(LogFile, __LINE__, function);                                 \
    } while (false)

const char *const CheckReleaseFunction = "Tarn::PuxUpdater::checkRelease";

// The files of a release while it is fetched and checked, beside "_new.zip".
const char *const NewSumsSuffix = "_new.sums";
const char *const NewSignatureSuffix = "_new.sums.sig";
// Present while the user has chosen the program folder's archive.
const char *const ShippedChoiceSuffix = ".shipped";

QString fileHash(const QString &path, QCryptographicHash::Algorithm algorithm, bool *ok)
{
    QFile file(path);
    QCryptographicHash hash(algorithm);
    *ok = file.open(QIODevice::ReadOnly) && hash.addData(&file);
    return *ok ? QString::fromLatin1(hash.result().toHex()) : QString();
}

QString fileMd5(const QString &path, bool *ok)
{
    return fileHash(path, QCryptographicHash::Md5, ok);
}

// Puts a file's contents on disk before it is renamed into place.
void syncFile(const QString &path)
{
#ifdef Q_OS_WIN
    Q_UNUSED(path);
#else
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
#endif
}

// Makes a rename inside dir durable.
void syncDir(const QString &dir)
{
#ifdef Q_OS_WIN
    Q_UNUSED(dir);
#else
    const int fd = ::open(QFile::encodeName(dir).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
#endif
}

int clampToInt(qint64 value)
{
    if (value > std::numeric_limits<int>::max())
        return std::numeric_limits<int>::max();
    if (value < std::numeric_limits<int>::min())
        return std::numeric_limits<int>::min();
    return int(value);
}

bool isReplaceableFile(const QString &path)
{
    const QFileInfo info(path);
    return !info.exists() || info.isFile();
}

} // namespace

PuxUpdater *PuxUpdater::instance()
{
    static PuxUpdater *updater = new PuxUpdater;
    return updater;
}

PuxUpdater::PuxUpdater(QObject *parent)
    : QObject(parent)
    , name(QStringLiteral("yt"))
    , http(new QNetworkAccessManager(this))
{
    zipName = QStringLiteral("/%1.zip").arg(name);
    newZipName = QStringLiteral("/%1_new.zip").arg(name);
    cfgName = QStringLiteral("/%1.puxc").arg(name);
    newCfgName = QStringLiteral("/%1_new.puxc").arg(name);
    cfgUrlKey = name.toUpper() + QStringLiteral("CFG_URL");
    zipUrlKey = name.toUpper() + QStringLiteral("_URL");
}

PuxUpdater::~PuxUpdater()
{
    if (versionRun) {
        versionRun->disconnect(this);
        versionRun->stop();
    }
    for (QNetworkReply *reply : {cfgReply.data(), zipReply.data(), latestReply.data(), releaseReply.data()}) {
        if (reply) {
            reply->disconnect(this);
            reply->abort();
        }
    }
    delete cfgFile;
    delete zipFile;
    delete releaseFile;
}

void PuxUpdater::setAppDataDir(const QString &dir)
{
    dataDir = dir;
    while (dataDir.size() > 1 && (dataDir.endsWith(QLatin1Char('/')) || dataDir.endsWith(QLatin1Char('\\'))))
        dataDir.chop(1);
}

QString PuxUpdater::dataPath(const QString &fileName) const
{
    return dataDir + fileName;
}

QString PuxUpdater::dataFile(const char *suffix) const
{
    return dataPath(QLatin1Char('/') + name + QLatin1String(suffix));
}

QString PuxUpdater::programPath(const QString &fileName) const
{
    return AppContext::getAppDir() + fileName;
}

QNetworkReply *PuxUpdater::startRequest(const QString &address, QSaveFile *target, int *requestId)
{
    QNetworkRequest request{QUrl(address)};
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    // Undecoded bytes, so that the received size can be held against the
    // announced length.
    request.setRawHeader("Accept-Encoding", "identity");
    // A stalled server ends the request instead of holding it forever.
    request.setTransferTimeout(transferTimeout);
    QNetworkReply *reply = http->get(request);
    const int id = ++lastRequestId;
    *requestId = id;
    connect(reply, &QNetworkReply::readyRead, this, [reply, target] { target->write(reply->readAll()); });
    connect(reply, &QNetworkReply::finished, this, [this, reply, target, id] {
        if (reply->isOpen())
            target->write(reply->readAll());
        bool err = reply->error() != QNetworkReply::NoError;
        const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        if (status.isValid() && (status.toInt() < 200 || status.toInt() > 299))
            err = true;
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (!err && length.isValid() && length.toLongLong() != target->pos()) {
            KEL_ERROR("%s: %lld of %lld bytes received", qPrintable(reply->url().toString()),
                      static_cast<long long>(target->pos()), static_cast<long long>(length.toLongLong()));
            err = true;
        }
        if (err)
            KEL_ERROR("%s: %s", qPrintable(reply->url().toString()), qPrintable(reply->errorString()));
        reply->deleteLater();
        on_http_requestFinished(id, err);
    });
    return reply;
}

void PuxUpdater::checkUpdate(const QString &url, const QString &lang)
{
    language = lang;
    failure.clear();
    if (dataDir.isEmpty()) {
        PUX_FAILURE(CheckUpdateFunction, "no application data folder");
        emit checkFinished(false);
        return;
    }
    const QUrl address(url);
    const QString scheme = address.scheme().toLower();
    if (!address.isValid() || address.host().isEmpty()
        || (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
        PUX_FAILURE(CheckUpdateFunction, "not an HTTP address: %s", qPrintable(url));
        emit checkFinished(false);
        return;
    }
    if (cfgReply) {
        // A newer check replaces one still running.
        QNetworkReply *old = cfgReply;
        cfgReply = nullptr;
        old->disconnect(this);
        old->abort();
        old->deleteLater();
    }
    delete cfgFile;
    cfgFile = new QSaveFile(dataPath(newCfgName));
    if (!QDir().mkpath(dataDir) || !cfgFile->open(QIODevice::WriteOnly)) {
        PUX_FAILURE(CheckUpdateFunction, "cannot write %s", qPrintable(cfgFile->fileName()));
        delete cfgFile;
        cfgFile = nullptr;
        emit checkFinished(false);
        return;
    }
    cfgReply = startRequest(url, cfgFile, &cfgRequestId);
}

void PuxUpdater::update()
{
    if (zipUrl.isEmpty()) {
        emit done(true);
        return;
    }
    if (updating)
        return;
    updating = true;
    if (dataDir.isEmpty()) {
        PUX_FAILURE(UpdateFunction, "no application data folder");
        on_done(true);
        return;
    }
    if (!releaseTag.isEmpty()) {
        // Nothing of an earlier attempt may pair with this release's files.
        removeReleaseFiles();
        const PuxReleaseSource source(releaseBaseUrl());
        releaseFiles = QStringList{PuxReleaseSource::ArchiveAsset, PuxReleaseSource::SumsAsset,
                                   PuxReleaseSource::SignatureAsset};
        if (!QDir().mkpath(dataDir)) {
            refuseRelease(QStringLiteral("cannot create %1").arg(dataDir));
            return;
        }
        startNextReleaseFile();
        return;
    }
    delete zipFile;
    zipFile = new QSaveFile(dataPath(newZipName));
    if (!QDir().mkpath(dataDir) || !zipFile->open(QIODevice::WriteOnly)) {
        PUX_FAILURE(UpdateFunction, "cannot write %s", qPrintable(zipFile->fileName()));
        delete zipFile;
        zipFile = nullptr;
        on_done(true);
        return;
    }
    zipReply = startRequest(zipUrl, zipFile, &zipRequestId);
    connect(zipReply, &QNetworkReply::downloadProgress, this,
            [this](qint64 received, qint64 total) { on_progress(clampToInt(received), clampToInt(total)); });
}

void PuxUpdater::on_http_requestFinished(int id, bool err)
{
    if (id == cfgRequestId && cfgFile)
        finishDescriptionRequest(err);
    else if (id == zipRequestId && zipFile)
        finishArchiveRequest(err);
    else if (id == releaseRequestId && releaseFile)
        finishReleaseFile(err);
}

void PuxUpdater::finishDescriptionRequest(bool err)
{
    QSaveFile *file = cfgFile;
    cfgFile = nullptr;
    cfgReply = nullptr;
    if (err) {
        file->cancelWriting();
        delete file;
        PUX_FAILURE(RequestFinishedFunction, "the update description could not be fetched");
        failure = tr("The update description could not be fetched.");
        emit checkFinished(false);
        return;
    }
    const bool committed = file->commit();
    delete file;
    if (!committed) {
        PUX_FAILURE(RequestFinishedFunction, "cannot store %s", qPrintable(dataPath(newCfgName)));
        emit checkFinished(false);
        return;
    }

    PuxUpdateCfg newCfg(zipUrlKey);
    if (newCfg.load(dataPath(newCfgName)) != 0 || newCfg.getUrl().isEmpty()) {
        emit checkFinished(false);
        return;
    }
    PuxUpdateCfg installed(zipUrlKey);
    if (installed.load(dataPath(cfgName)) == 0 && !(installed.getVersion() < newCfg.getVersion())) {
        emit checkFinished(false);
        return;
    }
    PuxUpdateCfg shipped(zipUrlKey);
    if (shipped.load(programPath(cfgName)) == 0 && !(shipped.getVersion() < newCfg.getVersion())) {
        emit checkFinished(false);
        return;
    }
    zipUrl = newCfg.getUrl();
    releaseTag.clear();
    emit foundNewPuxVersion(newCfg.getVersionText(), newCfg.getDescription(language));
    emit checkFinished(true);
}

void PuxUpdater::finishArchiveRequest(bool err)
{
    QSaveFile *file = zipFile;
    zipFile = nullptr;
    zipReply = nullptr;
    if (err) {
        // A broken download never replaces the last complete one.
        file->cancelWriting();
        delete file;
        PUX_FAILURE(RequestFinishedFunction, "the archive could not be fetched");
        failure = tr("The extractor tool could not be downloaded.");
        on_done(true);
        return;
    }
    const bool committed = file->commit();
    delete file;
    if (!committed) {
        PUX_FAILURE(RequestFinishedFunction, "cannot store %s", qPrintable(dataPath(newZipName)));
        on_done(true);
        return;
    }
    installedNow = false;
    const int result = tryRename();
    updating = false;
    if (result != RenameOk || !installedNow)
        failure = tr("The downloaded extractor tool was not installed (%1).").arg(result);
    emit done(result != RenameOk || !installedNow);
}

void PuxUpdater::on_done(bool error)
{
    if (!error)
        return;
    updating = false;
    emit done(error);
}

void PuxUpdater::on_progress(int doneBytes, int totalBytes)
{
    if (updating)
        emit downloadProgress(doneBytes, totalBytes);
}

bool PuxUpdater::replaceFile(const QString &from, const QString &to)
{
#ifdef Q_OS_WIN
    return MoveFileExW(reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(from).utf16()),
                       reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(to).utf16()),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
        != 0;
#else
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
#endif
}

int PuxUpdater::tryRename()
{
    if (dataDir.isEmpty()) {
        PUX_FAILURE(TryRenameFunction, "no application data folder");
        return RenameNoDataDir;
    }
    const QString newZip = dataPath(newZipName);
    const QString newCfgFile = dataPath(newCfgName);
    const QString zip = dataPath(zipName);
    const QString cfg = dataPath(cfgName);

    if (!QFileInfo::exists(newZip) || !QFileInfo::exists(newCfgFile))
        return finishInterruptedInstall();

    PuxUpdateCfg newCfg(zipUrlKey);
    if (newCfg.load(newCfgFile) != 0) {
        PUX_FAILURE(TryRenameFunction, "%s does not load", qPrintable(newCfgFile));
        return RenameBadDescription;
    }
    bool ok = false;
    const QString digest = fileMd5(newZip, &ok);
    if (!ok || newCfg.getMd5().isEmpty() || digest.compare(newCfg.getMd5(), Qt::CaseInsensitive) != 0) {
        PUX_FAILURE(TryRenameFunction, "the digest of %s is %s, the description says %s", qPrintable(newZip),
                    qPrintable(digest), qPrintable(newCfg.getMd5()));
        return RenameDigestMismatch;
    }
    if (!isReplaceableFile(zip)) {
        PUX_FAILURE(TryRenameFunction, "%s cannot be replaced", qPrintable(zip));
        return RenameOldArchiveLocked;
    }
    if (!isReplaceableFile(cfg)) {
        PUX_FAILURE(TryRenameFunction, "%s cannot be replaced", qPrintable(cfg));
        return RenameOldDescriptionLocked;
    }

    // The archive first: until its description follows, the old
    // description keeps the choice of archive on the safe side, and the
    // next start completes the step (finishInterruptedInstall).
    syncFile(newZip);
    if (!replaceFile(newZip, zip)) {
        const bool existed = QFileInfo::exists(zip);
        PUX_FAILURE(TryRenameFunction, "cannot move %s to %s", qPrintable(newZip), qPrintable(zip));
        return existed ? RenameOldArchiveLocked : RenameArchiveFailed;
    }
    syncDir(dataDir);
    syncFile(newCfgFile);
    if (!replaceFile(newCfgFile, cfg)) {
        const bool existed = QFileInfo::exists(cfg);
        PUX_FAILURE(TryRenameFunction, "cannot move %s to %s", qPrintable(newCfgFile), qPrintable(cfg));
        return existed ? RenameOldDescriptionLocked : RenameDescriptionFailed;
    }
    syncDir(dataDir);
    noteInstalled();
    return RenameOk;
}

int PuxUpdater::finishInterruptedInstall()
{
    // Archive already swapped, description not yet: the archive in place
    // matches the waiting description.
    const QString newCfgFile = dataPath(newCfgName);
    const QString zip = dataPath(zipName);
    const QString cfg = dataPath(cfgName);
    if (QFileInfo::exists(dataPath(newZipName)) || !QFileInfo::exists(newCfgFile) || !QFileInfo(zip).isFile())
        return RenameOk;
    PuxUpdateCfg newCfg(zipUrlKey);
    if (newCfg.load(newCfgFile) != 0 || newCfg.getMd5().isEmpty())
        return RenameOk;
    bool ok = false;
    const QString digest = fileMd5(zip, &ok);
    if (!ok || digest.compare(newCfg.getMd5(), Qt::CaseInsensitive) != 0)
        return RenameOk;
    if (!isReplaceableFile(cfg)) {
        PUX_FAILURE(TryRenameFunction, "%s cannot be replaced", qPrintable(cfg));
        return RenameOldDescriptionLocked;
    }
    if (!replaceFile(newCfgFile, cfg)) {
        const bool existed = QFileInfo::exists(cfg);
        PUX_FAILURE(TryRenameFunction, "cannot move %s to %s", qPrintable(newCfgFile), qPrintable(cfg));
        return existed ? RenameOldDescriptionLocked : RenameDescriptionFailed;
    }
    syncDir(dataDir);
    noteInstalled();
    return RenameOk;
}

QString PuxUpdater::puxFilePath() const
{
    const QString programZip = programPath(zipName);
    if (dataDir.isEmpty() || !QFileInfo(dataPath(zipName)).isFile() || isShippedToolChosen())
        return programZip;
    PuxUpdateCfg dataCfg(zipUrlKey);
    PuxUpdateCfg programCfg(zipUrlKey);
    if (dataCfg.load(dataPath(cfgName)) != 0 || programCfg.load(programPath(cfgName)) != 0)
        return programZip;
    return programCfg.getVersion() < dataCfg.getVersion() ? dataPath(zipName) : programZip;
}

void PuxUpdater::cancel()
{
    const bool release = releaseFile || versionRun;
    for (QNetworkReply *reply : {cfgReply.data(), zipReply.data(), latestReply.data(), releaseReply.data()}) {
        if (reply) {
            reply->disconnect(this);
            reply->abort();
            reply->deleteLater();
        }
    }
    cfgReply = zipReply = latestReply = releaseReply = nullptr;
    // Unsaved files leave nothing behind.
    delete cfgFile;
    delete zipFile;
    delete releaseFile;
    cfgFile = zipFile = releaseFile = nullptr;
    if (versionRun) {
        versionRun->disconnect(this);
        versionRun->stop();
        versionRun->deleteLater();
        versionRun = nullptr;
    }
    if (release)
        removeReleaseFiles();
    releaseFiles.clear();
    updating = false;
}

void PuxUpdater::noteInstalled()
{
    installedNow = true;
    // A newly installed version is the user's or the updater's latest word.
    QFile::remove(dataFile(ShippedChoiceSuffix));
    KEL_INFO("extractor tool %s installed", qPrintable(puxVersion()));
    emit puxFileChanged(puxFilePath());
}

QString PuxUpdater::releaseBaseUrl() const
{
    return releaseBase.isEmpty() ? PuxReleaseSource::configuredBaseUrl() : releaseBase;
}

void PuxUpdater::setReleaseKey(const QString &file, const QString &fingerprint)
{
    keyFile = file;
    keyFingerprint = fingerprint;
}

QString PuxUpdater::releaseKeyFile() const
{
    return keyFile.isEmpty() ? PuxReleaseSource::defaultKeyFile() : keyFile;
}

bool PuxUpdater::isShippedToolChosen() const
{
    return !dataDir.isEmpty() && QFileInfo::exists(dataFile(ShippedChoiceSuffix));
}

bool PuxUpdater::useShippedTool()
{
    if (dataDir.isEmpty())
        return false;
    const QString before = puxFilePath();
    QSaveFile marker(dataFile(ShippedChoiceSuffix));
    if (!QDir().mkpath(dataDir) || !marker.open(QIODevice::WriteOnly)
        || marker.write(QDateTime::currentDateTimeUtc().toString(Qt::ISODate).toUtf8() + '\n') < 0
        || !marker.commit()) {
        KEL_ERROR("cannot record the choice of the shipped tool in %s", qPrintable(marker.fileName()));
        return false;
    }
    const QString after = puxFilePath();
    if (after != before)
        emit puxFileChanged(after);
    return true;
}

QString PuxUpdater::puxVersion() const
{
    const QString path = puxFilePath();
    PuxUpdateCfg cfg(zipUrlKey);
    const QString description = path == programPath(zipName) ? programPath(cfgName) : dataPath(cfgName);
    return cfg.load(description) == 0 ? cfg.getVersionText() : QString();
}

QString PuxUpdater::puxSourceUrl() const
{
    const QString path = puxFilePath();
    if (path == programPath(zipName))
        return QString();
    PuxUpdateCfg cfg(zipUrlKey);
    return cfg.load(dataPath(cfgName)) == 0 ? cfg.getUrl() : QString();
}

void PuxUpdater::checkForUpdate(const QString &lang, bool userRequest)
{
    if (userRequest && isShippedToolChosen()) {
        const QString before = puxFilePath();
        QFile::remove(dataFile(ShippedChoiceSuffix));
        if (puxFilePath() != before)
            emit puxFileChanged(puxFilePath());
    } else if (isShippedToolChosen()) {
        language = lang;
        failure.clear();
        emit checkFinished(false);
        return;
    }
    const QString descriptionUrl = KelProductInfo::value(cfgUrlKey).trimmed();
    if (!descriptionUrl.isEmpty())
        checkUpdate(descriptionUrl, lang);
    else {
        language = lang;
        checkRelease();
    }
}

void PuxUpdater::failCheck(const QString &reason)
{
    PUX_FAILURE(CheckReleaseFunction, "%s", qPrintable(reason));
    failure = reason;
    emit checkFinished(false);
}

bool PuxUpdater::isNewerThanInstalled(const QVersionNumber &version) const
{
    PuxUpdateCfg installed(zipUrlKey);
    if (installed.load(dataPath(cfgName)) == 0 && !(installed.getVersion() < version))
        return false;
    PuxUpdateCfg shipped(zipUrlKey);
    return !(shipped.load(programPath(cfgName)) == 0 && !(shipped.getVersion() < version));
}

void PuxUpdater::checkRelease()
{
    failure.clear();
    if (dataDir.isEmpty()) {
        failCheck(tr("There is no application data folder to install the extractor tool in."));
        return;
    }
    const PuxReleaseSource source(releaseBaseUrl());
    const QUrl latest = source.latestUrl();
    const QString scheme = latest.scheme().toLower();
    if (!latest.isValid() || latest.host().isEmpty()
        || (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
        failCheck(tr("The release address %1 is not an HTTP address.").arg(source.baseUrl()));
        return;
    }
    if (latestReply) {
        QNetworkReply *old = latestReply;
        latestReply = nullptr;
        old->disconnect(this);
        old->abort();
        old->deleteLater();
    }
    // The redirect itself names the tag: no page and no API answer needed.
    QNetworkRequest request(latest);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    request.setTransferTimeout(transferTimeout);
    QNetworkReply *reply = http->head(request);
    latestReply = reply;
    connect(reply, &QNetworkReply::finished, this, [this, reply] {
        reply->deleteLater();
        if (reply != latestReply)
            return;
        latestReply = nullptr;
        finishLatestRequest(reply);
    });
}

void PuxUpdater::finishLatestRequest(QNetworkReply *reply)
{
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    QUrl target = reply->url();
    if (status >= 300 && status <= 399)
        target = reply->url().resolved(reply->attribute(QNetworkRequest::RedirectionTargetAttribute).toUrl());
    else if (reply->error() != QNetworkReply::NoError || status < 200 || status > 299) {
        failCheck(tr("The newest release could not be asked for at %1: %2")
                      .arg(reply->url().toString(), reply->errorString()));
        return;
    }
    const QString tag = PuxReleaseSource::tagFromAddress(target);
    const QVersionNumber version = PuxReleaseSource::versionOfTag(tag);
    if (version.isNull()) {
        failCheck(tr("The newest release's address %1 names no version.").arg(target.toString()));
        return;
    }
    if (!isNewerThanInstalled(version)) {
        KEL_INFO("extractor tool release %s is not newer than the installed tool", qPrintable(tag));
        emit checkFinished(false);
        return;
    }
    releaseTag = tag;
    zipUrl = PuxReleaseSource(releaseBaseUrl()).assetUrl(tag, PuxReleaseSource::ArchiveAsset).toString();
    emit foundNewPuxVersion(tag, QString());
    emit checkFinished(true);
}

void PuxUpdater::removeReleaseFiles()
{
    for (const QString &file : {dataPath(newZipName), dataPath(newCfgName),
                                dataFile(NewSumsSuffix),
                                dataFile(NewSignatureSuffix)})
        QFile::remove(file);
}

void PuxUpdater::refuseRelease(const QString &reason)
{
    PUX_FAILURE(UpdateFunction, "release %s refused: %s", qPrintable(releaseTag), qPrintable(reason));
    failure = tr("Release %1 of the extractor tool was not installed: %2").arg(releaseTag, reason);
    removeReleaseFiles();
    releaseFiles.clear();
    on_done(true);
}

void PuxUpdater::startNextReleaseFile()
{
    const QString asset = releaseFiles.takeFirst();
    releaseAsset = asset;
    if (asset == PuxReleaseSource::ArchiveAsset)
        releaseTarget = dataPath(newZipName);
    else if (asset == PuxReleaseSource::SumsAsset)
        releaseTarget = dataFile(NewSumsSuffix);
    else
        releaseTarget = dataFile(NewSignatureSuffix);
    delete releaseFile;
    releaseFile = new QSaveFile(releaseTarget);
    if (!releaseFile->open(QIODevice::WriteOnly)) {
        delete releaseFile;
        releaseFile = nullptr;
        refuseRelease(QStringLiteral("cannot write %1").arg(releaseTarget));
        return;
    }
    const QString address = PuxReleaseSource(releaseBaseUrl()).assetUrl(releaseTag, asset).toString();
    releaseReply = startRequest(address, releaseFile, &releaseRequestId);
    if (asset == PuxReleaseSource::ArchiveAsset)
        connect(releaseReply, &QNetworkReply::downloadProgress, this,
                [this](qint64 received, qint64 total) { on_progress(clampToInt(received), clampToInt(total)); });
}

void PuxUpdater::finishReleaseFile(bool err)
{
    QSaveFile *file = releaseFile;
    releaseFile = nullptr;
    releaseReply = nullptr;
    if (err) {
        file->cancelWriting();
        delete file;
        refuseRelease(QStringLiteral("%1 could not be downloaded").arg(releaseAsset));
        return;
    }
    const bool committed = file->commit();
    delete file;
    if (!committed) {
        refuseRelease(QStringLiteral("cannot store %1").arg(releaseTarget));
        return;
    }
    if (!releaseFiles.isEmpty())
        startNextReleaseFile();
    else
        verifyRelease();
}

void PuxUpdater::verifyRelease()
{
    const QString archive = dataPath(newZipName);
    const QString sums = dataFile(NewSumsSuffix);
    const QString signature = dataFile(NewSignatureSuffix);
    QString reason;
    const QString fingerprint = keyFingerprint.isEmpty() ? PuxReleaseSource::TrustedFingerprint : keyFingerprint;
    if (!PuxReleaseSource::verifySignature(releaseKeyFile(), fingerprint, sums, signature, &reason)) {
        refuseRelease(reason);
        return;
    }
    QFile sumsFile(sums);
    const QString expected =
        sumsFile.open(QIODevice::ReadOnly) ? PuxReleaseSource::digestFor(sumsFile.readAll(), PuxReleaseSource::ArchiveAsset)
                                           : QString();
    bool ok = false;
    const QString actual = fileHash(archive, QCryptographicHash::Sha256, &ok);
    if (expected.isEmpty()) {
        refuseRelease(QStringLiteral("the checksum file has no line for %1").arg(PuxReleaseSource::ArchiveAsset));
        return;
    }
    if (!ok || actual != expected) {
        refuseRelease(QStringLiteral("the archive's SHA-256 is %1, the signed checksum file says %2").arg(actual, expected));
        return;
    }
    // The archive must run with our interpreter, isolated as every run of
    // the tool, and be the release it claims to be.
    delete versionRun;
    versionRun = new Kel::ChildProcess(this);
    versionOutput.clear();
    connect(versionRun, &Kel::ChildProcess::outputLines, this,
            [this](const QStringList &lines) { versionOutput += lines; });
    connect(versionRun, &Kel::ChildProcess::finished, this,
            [this](int code, QProcess::ExitStatus status) { finishVersionRun(code, status == QProcess::CrashExit); });
    connect(versionRun, &Kel::ChildProcess::failedToStart, this,
            [this](const QString &why) { refuseRelease(QStringLiteral("Python could not be started: %1").arg(why)); });
    QString interpreter = Kel::ToolLocator::pythonPath();
    if (interpreter.isEmpty())
        interpreter = QStringLiteral("python3");
    const QStringList arguments{QStringLiteral("-I"), QFileInfo(archive).absoluteFilePath(),
                                QStringLiteral("--ignore-config"), QStringLiteral("--version")};
    KEL_INFO("\"%s\" %s", qPrintable(interpreter), qPrintable(arguments.join(QLatin1Char(' '))));
    versionRun->setWorkingDirectory(Kel::PrivateFolder::path(QStringLiteral("tool")));
    versionRun->start(interpreter, arguments);
}

void PuxUpdater::finishVersionRun(int exitCode, bool crashed)
{
    QStringList lines;
    for (const QString &line : std::as_const(versionOutput)) {
        if (!line.trimmed().isEmpty())
            lines += line.trimmed();
    }
    const QString printed = lines.isEmpty() ? QString() : lines.last();
    if (crashed || exitCode != 0) {
        const QString said = versionRun ? versionRun->recentErrorLines().join(QLatin1Char(' ')).simplified() : QString();
        refuseRelease(QStringLiteral("the archive does not run (exit code %1)%2")
                          .arg(exitCode)
                          .arg(said.isEmpty() ? QString() : QStringLiteral(": ") + said.left(300)));
        return;
    }
    if (printed != releaseTag
        && PuxReleaseSource::versionOfTag(printed) != PuxReleaseSource::versionOfTag(releaseTag)) {
        refuseRelease(QStringLiteral("the archive reports version \"%1\", not %2").arg(printed, releaseTag));
        return;
    }
    bool ok = false;
    const QString archive = dataPath(newZipName);
    const QString md5 = fileMd5(archive, &ok).toUpper();
    const QString sha256 = fileHash(archive, QCryptographicHash::Sha256, &ok);
    // The description is what makes the archive installable, so it is
    // written last, whole, and only for an archive that passed.
    QSaveFile description(dataPath(newCfgName));
    const QByteArray text = QStringLiteral("[INFO]\nVERSION=%1\n%2=%3\nTIMESTAMP=%4\nMD5=%5\nSHA256=%6\n")
                                .arg(releaseTag, zipUrlKey, zipUrl,
                                     QDateTime::currentDateTime().toString(QStringLiteral("yyyy/MM/dd HH:mm:ss")), md5,
                                     sha256)
                                .toUtf8();
    if (!ok || !description.open(QIODevice::WriteOnly) || description.write(text) != text.size()
        || !description.commit()) {
        refuseRelease(QStringLiteral("cannot write %1").arg(description.fileName()));
        return;
    }
    QFile::remove(dataFile(NewSumsSuffix));
    QFile::remove(dataFile(NewSignatureSuffix));
    installedNow = false;
    const int result = tryRename();
    updating = false;
    if (result != RenameOk || !installedNow)
        failure = tr("Release %1 of the extractor tool could not be put in place (%2).").arg(releaseTag).arg(result);
    else {
        releaseTag.clear();
        zipUrl.clear();
    }
    emit done(result != RenameOk || !installedNow);
}

} // namespace Tarn
