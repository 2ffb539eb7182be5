#include "webfetch/puxtoolcache.h"

#include "shared/kellog.h"
#include "webfetch/puxfilelock.h"
#include "webfetch/puxruntime.h"
#include "webfetch/puxtoolcopy.h"
#include "webfetch/puxtoolmanifest.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QThreadPool>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace Kel {

namespace {

// After a copy could not be made (a full or read-only disk), the archive
// runs for this long before the next attempt.
const int RetryAfterFailureMs = 10 * 60 * 1000;
// Another process is making the copy; it is looked for again after this.
const int RetryWhileBusyMs = 1000;

// The folder holds code that runs, so it must be the user's own and
// writable by nobody else.
bool prepareFolder(const QString &dir)
{
    if (dir.isEmpty() || !QDir().mkpath(dir))
        return false;
    const QFileInfo info(dir);
    if (!info.isDir() || info.isSymLink())
        return false;
#ifdef Q_OS_UNIX
    if (info.ownerId() != ::getuid())
        return false;
#endif
    const QFileDevice::Permissions ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                               | QFileDevice::ExeOwner | QFileDevice::ReadUser
                                               | QFileDevice::WriteUser | QFileDevice::ExeUser;
    if ((info.permissions() & ~ownerOnly) && !QFile::setPermissions(dir, ownerOnly))
        return false;
    return true;
}

} // namespace

PuxToolCache *PuxToolCache::instance()
{
    // Created on first use and never destroyed: background work may still
    // report to it while the program ends.
    static PuxToolCache *const cache = new PuxToolCache;
    return cache;
}

PuxToolCache::PuxToolCache()
{
    qRegisterMetaType<Kel::PuxTool>("Kel::PuxTool");
}

void PuxToolCache::setCacheDir(const QString &folder)
{
    dir = folder.isEmpty() ? QString() : QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    dirState = DirState::Unknown;
    tidyChecked = false;
    leases.clear();
    last = PuxTool();
}

QString PuxToolCache::usableCacheDir()
{
    if (dirState == DirState::Unknown) {
        dirState = prepareFolder(dir) ? DirState::Usable : DirState::Unusable;
        if (dirState == DirState::Unusable && !dir.isEmpty())
            KEL_ERROR("The extractor tool runs from its archive: the cache folder %s cannot be used",
                      qUtf8Printable(dir));
    }
    return dirState == DirState::Usable ? dir : QString();
}

QString PuxToolCache::digestOf(const QString &cache, const QString &archive)
{
    const QByteArray key = PuxToolCopy::fileKey(archive);
    if (key.isEmpty())
        return QString();
    const auto known = digests.constFind(archive);
    if (known != digests.constEnd() && known->first == key)
        return known->second;
    // Reading the whole archive is the slow part of a start: the cache
    // remembers the digest for the archive file as it is.
    QString digest = cache.isEmpty() ? QString() : PuxToolCopy::storedDigest(cache, archive, key);
    if (digest.isEmpty()) {
        digest = PuxToolCopy::fileDigest(archive);
        if (!digest.isEmpty() && !cache.isEmpty())
            PuxToolCopy::storeDigest(cache, archive, key, digest);
    }
    if (!digest.isEmpty())
        digests.insert(archive, qMakePair(key, digest));
    return digest;
}

bool PuxToolCache::lease(const QString &cache, PuxTool &tool)
{
    const QString folder = PuxToolCopy::folder(cache, tool.sha256);
    std::shared_ptr<PuxFileLock> held = leases.value(tool.sha256).lock();
    if (!held || !held->isCurrent() || !PuxToolManifest::verify(folder, tool.sha256)) {
        held = std::make_shared<PuxFileLock>();
        if (!PuxToolCopy::acquire(cache, tool.sha256, held.get()))
            return false;
        leases.insert(tool.sha256, held);
    }
    tool.copy = folder;
    tool.lease = held;
    return true;
}

PuxTool PuxToolCache::toolFor(const QString &archivePath)
{
    PuxTool tool(archivePath);
    const QString cache = usableCacheDir();
    const QString archive = QFileInfo(archivePath).absoluteFilePath();
    tool.sha256 = digestOf(cache, archive);
    if (!cache.isEmpty() && !tool.sha256.isEmpty()) {
        if (!lease(cache, tool))
            startJob(cache, archive, tool.sha256);
        else if (!tidyChecked && PuxToolCopy::needsTidying(cache, tool.sha256))
            startJob(cache, QString(), tool.sha256);
        tidyChecked = tidyChecked || tool.isCopy();
    }
    const bool changed = tool != last;
    last = tool;
    if (changed)
        emit toolChanged(tool);
    return tool;
}

void PuxToolCache::startJob(const QString &cache, const QString &archive, const QString &digest)
{
    // An empty archive asks only for tidying.
    const QString key = archive.isEmpty() ? QString() : digest;
    {
        QMutexLocker locker(&mutex);
        if (making.contains(key))
            return;
        const auto retry = retryAfter.constFind(key);
        if (retry != retryAfter.constEnd() && !retry->hasExpired())
            return;
        making.insert(key);
        ++jobs;
    }
    const QString interpreter = PuxRuntime::interpreterPath();
    QThreadPool::globalInstance()->start([this, cache, archive, digest, key, interpreter] {
        if (archive.isEmpty()) {
            PuxToolCopy::tidy(cache, digest);
            finishJob(key, PuxToolCopy::Present);
            return;
        }
        QElapsedTimer clock;
        clock.start();
        QString error;
        const PuxToolCopy::Result result = PuxToolCopy::make(cache, archive, digest, interpreter, &error);
        if (result == PuxToolCopy::Made)
            KEL_INFO("Extractor tool copy of %s made in %lld ms: %s", qUtf8Printable(archive),
                     static_cast<long long>(clock.elapsed()), qUtf8Printable(PuxToolCopy::folder(cache, digest)));
        else if (result == PuxToolCopy::Failed)
            KEL_ERROR("The extractor tool runs from its archive %s: its copy cannot be made: %s",
                      qUtf8Printable(archive), qUtf8Printable(error));
        finishJob(key, result);
    });
}

void PuxToolCache::finishJob(const QString &key, int result)
{
    {
        QMutexLocker locker(&mutex);
        making.remove(key);
        if (result == PuxToolCopy::Failed)
            retryAfter.insert(key, QDeadlineTimer(RetryAfterFailureMs));
        else if (result == PuxToolCopy::Busy || result == PuxToolCopy::Changed)
            retryAfter.insert(key, QDeadlineTimer(RetryWhileBusyMs));
        else
            retryAfter.remove(key);
        --jobs;
        jobsDone.wakeAll();
    }
    if (result == PuxToolCopy::Made)
        QMetaObject::invokeMethod(this, &PuxToolCache::refresh, Qt::QueuedConnection);
}

void PuxToolCache::refresh()
{
    if (!last.archivePath().isEmpty() && !last.isCopy())
        toolFor(last.archivePath());
}

bool PuxToolCache::waitForCopies(int msecs)
{
    QDeadlineTimer deadline(msecs);
    QMutexLocker locker(&mutex);
    while (jobs > 0) {
        if (!jobsDone.wait(&mutex, deadline))
            return jobs == 0;
    }
    return true;
}

} // namespace Kel
