#pragma once

#include "kelframe/kelframeglobal.h"

#include <QObject>

class QLocalServer;
class QLocalSocket;

// One running instance per identifier and user: the first start listens on
// a local socket named after the identifier; a later start finds it there,
// hands it a message and ends. A socket file left behind by a crashed
// instance is recognised (nobody answers) and taken over.
class KELFRAME_EXPORT KelSingleInstance : public QObject
{
    Q_OBJECT
public:
    explicit KelSingleInstance(QObject *parent = nullptr);
    ~KelSingleInstance() override;

    // True when another live instance holds id; otherwise this object holds
    // it from now on and receives the messages of later starts.
    bool isRunning(const QString &id);
    // Delivers message to the instance that holds the identifier last given
    // to isRunning(); true once that instance confirmed receipt.
    bool sendMessage(const QString &message, int timeoutMs = 5000);
    // This object holds the identifier.
    bool isPrimary() const;
    QString id() const;

    // The local socket name for id: private to the user, safe as a file name.
    static QString serverNameFor(const QString &id);
    // The longest message accepted; longer ones are dropped unread.
    static constexpr int maxMessageBytes = 64 * 1024;

signals:
    void messageReceived(const QString &message);

private:
    void onNewConnection();
    void readMessage(QLocalSocket *socket);
    bool listen(const QString &name);

    QLocalServer *m_server = nullptr;
    QString m_id;
};
