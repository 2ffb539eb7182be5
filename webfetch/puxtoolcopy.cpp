#include "webfetch/puxtoolcopy.h"

#include "shared/kellog.h"
#include "webfetch/puxfilelock.h"
#include "webfetch/puxtoolmanifest.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QUuid>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace Kel {

const QString PuxToolCopy::UseLockName = QStringLiteral(".use");
const QString PuxToolCopy::MakeLockName = QStringLiteral("make.lock");
const QString PuxToolCopy::IndexName = QStringLiteral("archives");

namespace {

const QString TempPrefix = QStringLiteral(".tmp-");
const QString TrashPrefix = QStringLiteral(".trash-");
// Unpacking takes about a second; a helper that has not ended by far is stuck.
const int UnpackTimeoutMs = 5 * 60 * 1000;
// Archives whose digests the index remembers.
const int IndexEntries = 16;

QString path(const QString &dir, const QString &name)
{
    return dir + QLatin1Char('/') + name;
}

QString trashPath(const QString &cacheDir)
{
    return path(cacheDir, TrashPrefix + QUuid::createUuid().toString(QUuid::Id128));
}

// A folder that nobody locks for use any more goes; one still in use stays
// for a later tidying.
void removeIfUnused(const QString &folder)
{
    PuxFileLock use;
    if (use.lock(path(folder, PuxToolCopy::UseLockName), PuxFileLock::Exclusive, false, false)
        == PuxFileLock::Busy)
        return;
    use.unlock();
    if (!QDir(folder).removeRecursively())
        KEL_ERROR("Cannot remove %s", qUtf8Printable(folder));
}

// Only with the make lock held.
void tidyLocked(const QString &cacheDir, const QString &keepDigest)
{
    const QStringList names = QDir(cacheDir).entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QString &name : names) {
        const QString folder = path(cacheDir, name);
        if (name.startsWith(TempPrefix)) {
            // Left by a run that ended while making a copy: nobody is
            // making one now.
            QDir(folder).removeRecursively();
        } else if (name.startsWith(TrashPrefix)) {
            removeIfUnused(folder);
        } else if (PuxToolCopy::isDigestName(name) && name != keepDigest) {
            PuxFileLock use;
            if (use.lock(path(folder, PuxToolCopy::UseLockName), PuxFileLock::Exclusive, false, false)
                == PuxFileLock::Busy)
                continue;
            // Out of its place first, while nobody can begin to use it.
            const QString trash = trashPath(cacheDir);
#ifdef Q_OS_WIN
            // A folder holding an open file cannot be renamed there.
            use.unlock();
#endif
            if (!QDir().rename(folder, trash)) {
                KEL_ERROR("Cannot remove the tool copy %s", qUtf8Printable(folder));
                continue;
            }
            use.unlock();
            removeIfUnused(trash);
        }
    }
}

// The status of the unpacking script when the archive's digest differs.
const int ArchiveChangedStatus = 3;

PuxToolCopy::Result unpack(const QString &interpreter, const QString &archive, const QString &digest,
                           const QString &folder, QString *error)
{
    QFile script(QStringLiteral(":/webfetch/puxtoolcopy.py"));
    if (!script.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("the unpacking script is missing");
        return PuxToolCopy::Failed;
    }
    QProcess helper;
    helper.setProgram(interpreter);
    helper.setArguments({QStringLiteral("-I"), QStringLiteral("-c"), QString::fromUtf8(script.readAll()),
                         QFileInfo(archive).absoluteFilePath(), folder, digest});
    helper.setWorkingDirectory(folder);
    helper.setStandardInputFile(QProcess::nullDevice());
    helper.start();
    if (!helper.waitForFinished(UnpackTimeoutMs)) {
        *error = helper.state() == QProcess::NotRunning ? helper.errorString()
                                                        : QStringLiteral("unpacking did not end in time");
        helper.kill();
        helper.waitForFinished(5000);
        return PuxToolCopy::Failed;
    }
    if (helper.exitStatus() != QProcess::NormalExit || helper.exitCode() != 0) {
        *error = QString::fromLocal8Bit(helper.readAllStandardError()).trimmed();
        if (error->isEmpty())
            *error = QStringLiteral("the unpacking ended with status %1").arg(helper.exitCode());
        return helper.exitStatus() == QProcess::NormalExit && helper.exitCode() == ArchiveChangedStatus
                   ? PuxToolCopy::Changed
                   : PuxToolCopy::Failed;
    }
    return PuxToolCopy::Made;
}

} // namespace

QString PuxToolCopy::folder(const QString &cacheDir, const QString &digest)
{
    return path(cacheDir, digest);
}

bool PuxToolCopy::isDigestName(const QString &name)
{
    if (name.size() != 64)
        return false;
    for (const QChar c : name) {
        if (!((c >= QLatin1Char('0') && c <= QLatin1Char('9')) || (c >= QLatin1Char('a') && c <= QLatin1Char('f'))))
            return false;
    }
    return true;
}

PuxToolCopy::Result PuxToolCopy::make(const QString &cacheDir, const QString &archive, const QString &digest,
                                      const QString &interpreter, QString *error)
{
    PuxFileLock makeLock;
    switch (makeLock.lock(path(cacheDir, MakeLockName), PuxFileLock::Exclusive, false, true)) {
    case PuxFileLock::Locked:
        break;
    case PuxFileLock::Busy:
        return Busy;
    case PuxFileLock::Unavailable:
        *error = QStringLiteral("%1 cannot be written").arg(cacheDir);
        return Failed;
    }

    const QString target = folder(cacheDir, digest);
    // Made by another process since this one looked.
    if (PuxToolManifest::verify(target, digest)) {
        tidyLocked(cacheDir, digest);
        return Present;
    }

    QTemporaryDir work(path(cacheDir, TempPrefix + QStringLiteral("XXXXXX")));
    if (!work.isValid()) {
        *error = work.errorString();
        return Failed;
    }
    const Result unpacked = unpack(interpreter, archive, digest, work.path(), error);
    if (unpacked != Made)
        return unpacked;
    QFile use(path(work.path(), UseLockName));
    if (!use.open(QIODevice::WriteOnly)) {
        *error = use.errorString();
        return Failed;
    }
    use.close();
    if (!PuxToolManifest::write(work.path(), digest, {UseLockName}, error))
        return Failed;
    // A damaged copy makes way; a process still running from it keeps its
    // files until it lets go of them.
    if (QFileInfo::exists(target) && !QDir().rename(target, trashPath(cacheDir))) {
        *error = QStringLiteral("the damaged copy %1 cannot be moved away").arg(target);
        return Failed;
    }
    if (!QDir().rename(work.path(), target)) {
        *error = QStringLiteral("%1 cannot be renamed to %2").arg(work.path(), target);
        return Failed;
    }
    work.setAutoRemove(false);
    tidyLocked(cacheDir, digest);
    return Made;
}

void PuxToolCopy::tidy(const QString &cacheDir, const QString &keepDigest)
{
    PuxFileLock makeLock;
    if (makeLock.lock(path(cacheDir, MakeLockName), PuxFileLock::Exclusive, false, true) == PuxFileLock::Locked)
        tidyLocked(cacheDir, keepDigest);
}

bool PuxToolCopy::needsTidying(const QString &cacheDir, const QString &keepDigest)
{
    const QStringList names = QDir(cacheDir).entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QString &name : names) {
        if (name.startsWith(TempPrefix) || name.startsWith(TrashPrefix) || (isDigestName(name) && name != keepDigest))
            return true;
    }
    return false;
}

bool PuxToolCopy::acquire(const QString &cacheDir, const QString &digest, PuxFileLock *lease)
{
    const QString copy = folder(cacheDir, digest);
    // A second try covers a copy replaced between opening and locking.
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (lease->lock(path(copy, UseLockName), PuxFileLock::Shared, true, false) != PuxFileLock::Locked)
            return false;
        if (lease->isCurrent()) {
            if (PuxToolManifest::verify(copy, digest))
                return true;
            lease->unlock();
            return false;
        }
        lease->unlock();
    }
    return false;
}

QByteArray PuxToolCopy::fileKey(const QString &filePath)
{
#ifdef Q_OS_UNIX
    struct stat st;
    if (::stat(QFile::encodeName(filePath).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return QByteArray();
    return QByteArray::number(quint64(st.st_dev)) + ':' + QByteArray::number(quint64(st.st_ino)) + ':'
           + QByteArray::number(qint64(st.st_size)) + ':' + QByteArray::number(qint64(st.st_mtim.tv_sec)) + '.'
           + QByteArray::number(qint64(st.st_mtim.tv_nsec)) + ':' + QByteArray::number(qint64(st.st_ctim.tv_sec))
           + '.' + QByteArray::number(qint64(st.st_ctim.tv_nsec));
#else
    const QFileInfo info(filePath);
    if (!info.isFile())
        return QByteArray();
    return QByteArray::number(info.size()) + ':' + QByteArray::number(info.lastModified().toMSecsSinceEpoch()) + ':'
           + QByteArray::number(info.birthTime().toMSecsSinceEpoch());
#endif
}

QString PuxToolCopy::fileDigest(const QString &filePath)
{
    QFile file(filePath);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file))
        return QString();
    return QString::fromLatin1(hash.result().toHex());
}

// The index: one line per archive, "<digest> <key> <path>", newest first.
QString PuxToolCopy::storedDigest(const QString &cacheDir, const QString &filePath, const QByteArray &key)
{
    QFile index(path(cacheDir, IndexName));
    if (key.isEmpty() || !index.open(QIODevice::ReadOnly))
        return QString();
    const QByteArray wanted = ' ' + key + ' ' + QFile::encodeName(filePath);
    const QList<QByteArray> lines = index.readAll().split('\n');
    for (const QByteArray &line : lines) {
        const QString digest = QString::fromLatin1(line.left(64));
        if (line.mid(64) == wanted && isDigestName(digest))
            return digest;
    }
    return QString();
}

void PuxToolCopy::storeDigest(const QString &cacheDir, const QString &filePath, const QByteArray &key,
                              const QString &digest)
{
    const QByteArray name = QFile::encodeName(filePath);
    if (key.isEmpty() || name.contains('\n'))
        return;
    QByteArray text = digest.toLatin1() + ' ' + key + ' ' + name + '\n';
    QFile old(path(cacheDir, IndexName));
    if (old.open(QIODevice::ReadOnly)) {
        const QList<QByteArray> lines = old.readAll().split('\n');
        int kept = 1;
        for (const QByteArray &line : lines) {
            const qsizetype pathStart = line.indexOf(' ', 65);
            if (line.isEmpty() || pathStart < 0 || line.mid(pathStart + 1) == name || kept >= IndexEntries)
                continue;
            text += line + '\n';
            ++kept;
        }
    }
    // Several processes may write it; each write is whole, and a lost
    // entry only costs computing the digest again.
    QSaveFile index(path(cacheDir, IndexName));
    if (index.open(QIODevice::WriteOnly)) {
        index.write(text);
        index.commit();
    }
}

} // namespace Kel
