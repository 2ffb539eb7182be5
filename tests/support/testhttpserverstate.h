#pragma once

#include "support/testhttpserver.h"

#include <QHash>

#include <atomic>
#include <mutex>
#include <optional>

// What the test's thread and the server thread share: configuration set by
// the test and the request log written by the server. Every member function
// is thread-safe. Standard mutexes rather than Qt's, so that ThreadSanitizer
// sees the ordering they create.
struct TestHttpServerState
{
    QString rootDir() const;
    void setRootDir(const QString &rootDir);

    qint64 bandwidthLimit() const;
    void setBandwidthLimit(qint64 bytesPerSecond);

    void setFault(const QString &pathPattern, const TestHttpServer::Fault &fault);
    void clearFault(const QString &pathPattern);
    void clearFaults();
    // The fault for a request to path, counting it against the fault's
    // number of uses; nothing when no pattern matches.
    std::optional<TestHttpServer::Fault> takeFault(const QString &path);

    void setResponse(const QString &path, const TestHttpServer::Response &response);
    void removeResponse(const QString &path);
    std::optional<TestHttpServer::Response> response(const QString &path) const;

    void addRewrite(const QRegularExpression &pattern, const QString &replacement);
    void clearRewrites();
    QByteArray rewrite(const QByteArray &target) const;

    // Appends to the log and returns the entry's index.
    int logRequest(const TestHttpServer::Request &request);
    void setRequestStatus(int index, int status);
    QList<TestHttpServer::Request> requests() const;
    void clearRequests();

    int nextConnectionSerial();
    int connectionCount() const;

private:
    struct FaultRule
    {
        QString pattern;
        QRegularExpression regex;
        TestHttpServer::Fault fault;
    };
    struct Rewrite
    {
        QRegularExpression pattern;
        QString replacement;
    };

    std::atomic<qint64> m_bandwidthLimit{0};
    std::atomic<int> m_connections{0};

    mutable std::mutex m_mutex;
    QString m_rootDir;
    QList<FaultRule> m_faults;
    QHash<QString, TestHttpServer::Response> m_responses;
    QList<Rewrite> m_rewrites;
    QList<TestHttpServer::Request> m_log;
    // Log entries dropped by clearRequests(), so that indexes held by
    // connections stay valid.
    int m_logOffset = 0;
};
