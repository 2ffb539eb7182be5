#include "webfetch/puxtoolmanifest.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringList>

#include <algorithm>
#include <cstring>
#include <cstdlib>
#include <vector>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace Kel {

const QString PuxToolManifest::FileName = QStringLiteral(".manifest");

namespace {

const QByteArray Header = QByteArrayLiteral("marlin-tool-copy 1 ");

struct Status
{
    bool ok = false;
    char kind = '?';
    qint64 size = 0;
    qint64 modified = 0;
    qint64 changed = 0;
};

#ifdef Q_OS_UNIX

qint64 nanoseconds(const struct timespec &time)
{
    return qint64(time.tv_sec) * 1000000000 + time.tv_nsec;
}

// Relative to the copy's folder, links not followed: a file replaced by a
// link is a change.
Status statusAt(int folder, const char *relativePath)
{
    Status status;
    struct stat st;
    if (::fstatat(folder, relativePath, &st, AT_SYMLINK_NOFOLLOW) != 0)
        return status;
    status.ok = true;
    status.kind = S_ISREG(st.st_mode) ? 'f' : S_ISDIR(st.st_mode) ? 'd' : '?';
    // A folder's size says nothing; its times change with its entries.
    status.size = status.kind == 'f' ? qint64(st.st_size) : 0;
    status.modified = nanoseconds(st.st_mtim);
    // Set by the system on every change, also one that restores the
    // modification time.
    status.changed = nanoseconds(st.st_ctim);
    return status;
}

#endif

Status status(const QString &path)
{
#ifdef Q_OS_UNIX
    return statusAt(AT_FDCWD, QFile::encodeName(path).constData());
#else
    Status status;
    const QFileInfo info(path);
    if (!info.exists() || info.isSymLink())
        return status;
    status.ok = true;
    status.kind = info.isFile() ? 'f' : info.isDir() ? 'd' : '?';
    status.size = status.kind == 'f' ? info.size() : 0;
    status.modified = info.lastModified().toMSecsSinceEpoch();
    status.changed = info.birthTime().toMSecsSinceEpoch();
    return status;
#endif
}

QByteArray entryLine(const Status &status, const QByteArray &relativePath)
{
    return status.kind + (' ' + QByteArray::number(status.size) + ' ' + QByteArray::number(status.modified) + ' '
                          + QByteArray::number(status.changed) + ' ' + relativePath + '\n');
}

} // namespace

bool PuxToolManifest::write(const QString &folder, const QString &digest, const QStringList &skip, QString *error)
{
    // In path order: the check then visits each folder's entries together.
    std::vector<std::pair<QByteArray, QByteArray>> lines;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    const qsizetype prefix = folder.size() + 1;
    while (it.hasNext()) {
        const QString path = it.next();
        const QString relative = path.mid(prefix);
        if (relative == FileName || skip.contains(relative))
            continue;
        const QByteArray name = QFile::encodeName(relative);
        const Status entry = status(path);
        if (!entry.ok || entry.kind == '?' || name.contains('\n')) {
            *error = QStringLiteral("%1 cannot be recorded").arg(path);
            return false;
        }
        lines.emplace_back(name, entryLine(entry, name));
    }
    std::sort(lines.begin(), lines.end());

    QSaveFile file(folder + QLatin1Char('/') + FileName);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = file.errorString();
        return false;
    }
    file.write(Header + digest.toLatin1() + '\n');
    for (const auto &line : lines)
        file.write(line.second);
    if (!file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

bool PuxToolManifest::verify(const QString &folder, const QString &digest)
{
    QFile file(folder + QLatin1Char('/') + FileName);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray text = file.readAll();
    file.close();
    const QByteArray header = Header + digest.toLatin1() + '\n';
    if (digest.isEmpty() || !text.startsWith(header) || !text.endsWith('\n'))
        return false;

#ifdef Q_OS_UNIX
    const int root = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (root < 0)
        return false;
#endif
    bool intact = true;
    int entries = 0;
    const char *p = text.constData() + header.size();
    const char *const end = text.constData() + text.size();
    while (intact && p < end) {
        const char *const lineEnd = static_cast<const char *>(std::memchr(p, '\n', size_t(end - p)));
        Status recorded;
        recorded.kind = *p;
        char *field = const_cast<char *>(p + 1);
        recorded.size = std::strtoll(field, &field, 10);
        recorded.modified = std::strtoll(field, &field, 10);
        recorded.changed = std::strtoll(field, &field, 10);
        if (*field != ' ' || field + 1 >= lineEnd) {
            intact = false;
            break;
        }
        const QByteArray relative(field + 1, lineEnd - field - 1);
#ifdef Q_OS_UNIX
        const Status now = statusAt(root, relative.constData());
#else
        const Status now = status(folder + QLatin1Char('/') + QFile::decodeName(relative));
#endif
        intact = now.ok && now.kind == recorded.kind && now.size == recorded.size
                 && now.modified == recorded.modified && now.changed == recorded.changed;
        ++entries;
        p = lineEnd + 1;
    }
#ifdef Q_OS_UNIX
    ::close(root);
#endif
    return intact && entries > 0;
}

} // namespace Kel
