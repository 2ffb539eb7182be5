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


#include <unistd.h>

namespace {

constexpr char ackByte = '\x06';
constexpr int probeTimeoutMs = 1000;
constexpr int lockTimeoutMs = 10000;
constexpr int idleConnectionMs = 10000;

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
    QLockFile lock(QDir::tempPath() + QLatin1Char('/') + name + QStringLiteral(".lock"));
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
