#include "tarncore/services/puxupdater.h"

#include "tarncore/download/appcontext.h"
#include "tarncore/services/puxupdatecfg.h"
#include "shared/kellog.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSaveFile>
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

QString fileMd5(const QString &path, bool *ok)
{
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Md5);
    *ok = file.open(QIODevice::ReadOnly) && hash.addData(&file);
    return *ok ? QString::fromLatin1(hash.result().toHex()) : QString();
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
    for (QNetworkReply *reply : {cfgReply.data(), zipReply.data()}) {
        if (reply) {
            reply->disconnect(this);
            reply->abort();
        }
    }
    delete cfgFile;
    delete zipFile;
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
    const int result = tryRename();
    updating = false;
    emit done(result != RenameOk);
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
    return RenameOk;
}

QString PuxUpdater::puxFilePath() const
{
    const QString programZip = programPath(zipName);
    if (dataDir.isEmpty() || !QFileInfo(dataPath(zipName)).isFile())
        return programZip;
    PuxUpdateCfg dataCfg(zipUrlKey);
    PuxUpdateCfg programCfg(zipUrlKey);
    if (dataCfg.load(dataPath(cfgName)) != 0 || programCfg.load(programPath(cfgName)) != 0)
        return programZip;
    return programCfg.getVersion() < dataCfg.getVersion() ? dataPath(zipName) : programZip;
}

} // namespace Tarn
