#pragma once

#include "tarncore/tarncoreglobal.h"

#include <QObject>

class QNetworkAccessManager;
class QUrl;

// A one-shot HTTP operation: one object serves one request and is not
// reused. Failures are reported with error(-1), except network failures of a
// download, which carry Qt's network error code.
class TARNCORE_EXPORT HttpOperater : public QObject
{
    Q_OBJECT
public:
    explicit HttpOperater(QObject *parent = nullptr);

    // False when the operation could not start; its end signals have then
    // already been emitted.
    virtual bool start() = 0;

signals:
    void started();
    void progress(qint64 total, qint64 finish);
    void error(qint32 errorCode);
    void finished();

protected:
    // Uses the system's proxy for url on manager when it names one.
    static void applySystemProxy(QNetworkAccessManager &manager, const QUrl &url);
};
