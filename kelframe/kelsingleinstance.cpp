#include "kelframe/kelsingleinstance.h"

#include "shared/kellog.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QTimer>
#include <QtEndian>


#include <QFile>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#endif
#include <unistd.h>

namespace {

constexpr char ackByte = '\x06';
constexpr int probeTimeoutMs = 1000;
constexpr int lockTimeoutMs = 10000;
constexpr int idleConnectionMs = 10000;

#ifdef Q_OS_UNIX
// The lock that keeps two starts at the same moment from both taking the
// name. An advisory lock on an open file: unlike a lock file it is never
// synced to the disk (which can take longer than the whole start), and it
// ends with the process however the process ends.
class StartLock
{
public:
    explicit StartLock(const QString &path)
        : m_path(QFile::encodeName(path))
    {
    }
    ~StartLock()
    {
        if (m_fd < 0)
            return;
        // Removed while still held: whoever opened it meanwhile sees that
        // the file is gone and takes the new one.
        ::unlink(m_path.constData());
        ::close(m_fd);
    }
    StartLock(const StartLock &) = delete;
    StartLock &operator=(const StartLock &) = delete;

    bool tryLock(int timeoutMs)
    {
        QElapsedTimer clock;
        clock.start();
        for (;;) {
            const int fd = ::open(m_path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
            if (fd < 0)
                return false;
            if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
                struct stat opened;
                struct stat named;
                // The holder before removed the file: this one is no lock.
                if (::fstat(fd, &opened) == 0 && ::stat(m_path.constData(), &named) == 0
                    && opened.st_ino == named.st_ino && opened.st_dev == named.st_dev) {
                    m_fd = fd;
                    return true;
                }
            }
            ::close(fd);
            if (clock.elapsed() >= timeoutMs)
                return false;
            ::usleep(10000);
        }
    }
    QString fileName() const { return QFile::decodeName(m_path); }

private:
    QByteArray m_path;
    int m_fd = -1;
};
#else
using StartLock = QLockFile;
#endif

} // namespace

KelSingleInstance::KelSingleInstance(QObject *parent)
    : QObject(parent)
{
}

KelSingleInstance::~KelSingleInstance()
{
    if (m_server)
        m_server->close();
}

QString KelSingleInstance::serverNameFor(const QString &id)
{
    QString readable;
    for (const QChar c : id) {
        if (readable.size() >= 32)
            break;
        if (c.isLetterOrNumber() && c.unicode() < 128)
            readable.append(c);
        else if (c == QLatin1Char('.') || c == QLatin1Char('-') || c == QLatin1Char('_'))
            readable.append(c);
    }
    const QByteArray hash = QCryptographicHash::hash(id.toUtf8(), QCryptographicHash::Sha1).toHex().left(12);
    return QStringLiteral("kel-%1-%2-%3").arg(readable, QString::number(::getuid()), QString::fromLatin1(hash));
}

bool KelSingleInstance::isPrimary() const
{
    return m_server && m_server->isListening();
}

QString KelSingleInstance::id() const
{
    return m_id;
}

bool KelSingleInstance::isRunning(const QString &id)
{
    const QString name = serverNameFor(id);
    if (isPrimary() && m_id == id)
        return false;
    if (m_server) {
        m_server->close();
        delete m_server;
        m_server = nullptr;
    }
    m_id = id;

    // Two starts at the same moment must not both take the name.
    StartLock lock(QDir::tempPath() + QLatin1Char('/') + name + QStringLiteral(".lock"));
    if (!lock.tryLock(lockTimeoutMs))
        KEL_ERROR("Single-instance lock not obtained: %s", qUtf8Printable(lock.fileName()));

    QLocalSocket probe;
    probe.connectToServer(name);
    if (probe.waitForConnected(probeTimeoutMs)) {
        probe.abort();
        return true;
    }
    listen(name);
    return false;
}

bool KelSingleInstance::listen(const QString &name)
{
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &KelSingleInstance::onNewConnection);
    if (m_server->listen(name))
        return true;
    if (m_server->serverError() == QAbstractSocket::AddressInUseError) {
        // Nobody answered on the name, so the socket file is a crashed
        // instance's leftover.
        QLocalServer::removeServer(name);
        if (m_server->listen(name))
            return true;
    }
    KEL_ERROR("Single-instance server not started: %s", qUtf8Printable(m_server->errorString()));
    return false;
}

void KelSingleInstance::onNewConnection()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        auto *idle = new QTimer(socket);
        idle->setSingleShot(true);
        connect(idle, &QTimer::timeout, socket, &QLocalSocket::abort);
        idle->start(idleConnectionMs);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readMessage(socket); });
        if (socket->bytesAvailable() > 0)
            readMessage(socket);
    }
}

void KelSingleInstance::readMessage(QLocalSocket *socket)
{
    if (socket->bytesAvailable() < 4)
        return;
    uchar header[4];
    socket->peek(reinterpret_cast<char *>(header), 4);
    const quint32 length = qFromBigEndian<quint32>(header);
    if (length > quint32(maxMessageBytes)) {
        KEL_ERROR("Single-instance message too long: %u bytes", length);
        socket->abort();
        return;
    }
    if (socket->bytesAvailable() < qint64(4 + length))
        return;
    socket->skip(4);
    const QString message = QString::fromUtf8(socket->read(length));
    socket->write(&ackByte, 1);
    socket->flush();
    emit messageReceived(message);
}

bool KelSingleInstance::sendMessage(const QString &message, int timeoutMs)
{
    if (m_id.isEmpty())
        return false;
    const QByteArray payload = message.toUtf8();
    if (payload.size() > maxMessageBytes)
        return false;
    QElapsedTimer clock;
    clock.start();
    const auto remaining = [&] { return qMax(1, timeoutMs - int(clock.elapsed())); };

    QLocalSocket socket;
    socket.connectToServer(serverNameFor(m_id));
    if (!socket.waitForConnected(remaining()))
        return false;
    QByteArray frame(4, Qt::Uninitialized);
    qToBigEndian<quint32>(quint32(payload.size()), frame.data());
    frame.append(payload);
    socket.write(frame);
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(remaining()))
            return false;
    }
    while (socket.bytesAvailable() < 1) {
        if (!socket.waitForReadyRead(remaining()))
            return false;
    }
    char ack = 0;
    const bool confirmed = socket.read(&ack, 1) == 1 && ack == ackByte;
    socket.disconnectFromServer();
    return confirmed;
}
