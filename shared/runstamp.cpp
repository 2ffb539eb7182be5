#include "shared/runstamp.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QCoreApplication>
#include <QList>
#include <QRegularExpression>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace Kel {

const QString RunStamp::DownloadMarker = QStringLiteral("PUXTMP_");
const QString RunStamp::ConvertMarker = QStringLiteral("CONVTMP_");
const QString RunStamp::SessionMarker = QStringLiteral("marlin-cli-");

namespace {

const QString NoValue = QStringLiteral("00000000");

struct Identity
{
    QString domain = NoValue;
    QString boot = NoValue;
    qint64 pid = 0;
    qint64 start = 0;
};

// Reads a small file of /proc in one go; QFile reports the size of such
// files as 0.
QByteArray readSmallFile(const QByteArray &path, bool *missing = nullptr)
{
    if (missing)
        *missing = false;
#ifdef Q_OS_UNIX
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (missing)
            *missing = errno == ENOENT || errno == ESRCH;
        return QByteArray();
    }
    QByteArray data(4096, Qt::Uninitialized);
    ssize_t n;
    do {
        n = ::read(fd, data.data(), size_t(data.size()));
    } while (n < 0 && errno == EINTR);
    ::close(fd);
    data.resize(n > 0 ? int(n) : 0);
    return data;
#else
    Q_UNUSED(path)
    return QByteArray();
#endif
}

QString shortHash(const QByteArray &data)
{
    return QString::fromLatin1(QCryptographicHash::hash(data, QCryptographicHash::Sha1).toHex().left(8));
}

// Clock ticks after the boot at which process pid started; -1 when the
// process does not exist, 0 when that cannot be read.
qint64 processStart(qint64 pid)
{
#ifdef Q_OS_LINUX
    bool missing = false;
    const QByteArray stat = readSmallFile("/proc/" + QByteArray::number(pid) + "/stat", &missing);
    if (stat.isEmpty())
        return missing ? -1 : 0;
    // The command name in parentheses may hold anything; the fields follow
    // its last ")". The start time is field 22; the state (field 3) comes
    // first after the name.
    const int close = stat.lastIndexOf(')');
    if (close < 0)
        return 0;
    const QList<QByteArray> fields = stat.mid(close + 2).split(' ');
    if (fields.size() < 20)
        return 0;
    bool ok = false;
    const qint64 start = fields.at(19).toLongLong(&ok);
    return ok ? start : 0;
#else
    Q_UNUSED(pid)
    return 0;
#endif
}

Identity readIdentity()
{
    Identity id;
#ifdef Q_OS_UNIX
    id.pid = qint64(::getpid());
#else
    id.pid = QCoreApplication::applicationPid();
#endif
#ifdef Q_OS_LINUX
    QByteArray machine = readSmallFile("/etc/machine-id").trimmed();
    if (machine.isEmpty())
        machine = readSmallFile("/var/lib/dbus/machine-id").trimmed();
    if (machine.isEmpty())
        machine = readSmallFile("/proc/sys/kernel/hostname").trimmed();
    char link[64] = {};
    const ssize_t n = ::readlink("/proc/self/ns/pid", link, sizeof link - 1);
    const QByteArray pidNamespace(link, n > 0 ? int(n) : 0);
    if (!machine.isEmpty())
        id.domain = shortHash(machine + '/' + pidNamespace);
    QByteArray boot = readSmallFile("/proc/sys/kernel/random/boot_id").trimmed();
    boot.replace('-', QByteArray());
    if (boot.size() >= 8)
        id.boot = QString::fromLatin1(boot.left(8)).toLower();
    id.start = processStart(id.pid);
    if (id.start < 0)
        id.start = 0;
#endif
    return id;
}

const Identity &identity()
{
    static const Identity id = readIdentity();
    return id;
}

const QRegularExpression &stampPattern()
{
    static const QRegularExpression re(
        QStringLiteral("^MRL_([0-9a-f]{8})_([0-9a-f]{8})_([0-9]{1,10})_([0-9]{1,20})_"));
    return re;
}

} // namespace

QString RunStamp::make(const QString &domain, const QString &boot, qint64 pid, qint64 start)
{
    return QStringLiteral("MRL_") + domain + QLatin1Char('_') + boot + QLatin1Char('_') + QString::number(pid)
        + QLatin1Char('_') + QString::number(start) + QLatin1Char('_');
}

QString RunStamp::current()
{
    static const QString stamp = [] {
        const Identity &id = identity();
        return make(id.domain, id.boot, id.pid, id.start);
    }();
    return stamp;
}

QString RunStamp::ofName(const QString &fileName)
{
    const QRegularExpressionMatch m = stampPattern().match(fileName);
    return m.hasMatch() ? m.captured(0) : QString();
}

bool RunStamp::isTemporaryName(const QString &fileName)
{
    const QString stamp = ofName(fileName);
    if (stamp.isEmpty())
        return false;
    const QStringView rest = QStringView(fileName).mid(stamp.size());
    return rest.contains(DownloadMarker) || rest.contains(ConvertMarker) || rest.contains(SessionMarker);
}

RunStamp::State RunStamp::state(const QString &stamp)
{
    const QRegularExpressionMatch m = stampPattern().match(stamp);
    if (!m.hasMatch())
        return Unknown;
    if (stamp == current())
        return Running;
    const Identity &self = identity();
    if (self.domain == NoValue || m.captured(1) != self.domain)
        return Unknown;
    // The machine has started again since: nothing of that run lives.
    if (self.boot != NoValue && m.captured(2) != NoValue && m.captured(2) != self.boot)
        return Gone;
    bool ok = false;
    const qint64 pid = m.captured(3).toLongLong(&ok);
    const qint64 start = m.captured(4).toLongLong();
    if (!ok || pid <= 0 || start <= 0 || self.boot == NoValue)
        return Unknown;
    const qint64 now = processStart(pid);
    if (now < 0)
        return Gone;
    if (now == 0)
        return Unknown;
    // The number now belongs to a process that started at another time.
    return now == start ? Running : Gone;
}

} // namespace Kel
