#pragma once

#include "tarncore/task/httpoperater.h"

#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QString>

class QNetworkReply;

namespace Kel {

// Learns the size of one resource with a HEAD request: requestFinished
// carries the size, or -1 when the server did not tell it (0 when the
// address was empty).
class TARNCORE_EXPORT HttpSizeRequester : public HttpOperater
{
    Q_OBJECT
public:
    explicit HttpSizeRequester(const QString &resourceUrl, QObject *parent = nullptr);
    ~HttpSizeRequester() override;

    bool start() override;

    QString getResourceUrl() const;
    // The address as the request carries it.
    static QUrl requestUrl(const QString &resourceUrl);

signals:
    void requestFinished(const QString &resourceUrl, qint64 size);

private slots:
    void onRequesterFinished();
    void onRequesterProgress(qint64 bytesReceived, qint64 bytesTotal);
    void onRequesterReadyRead();

private:
    void releaseReply();

    QString resourceUrl;
    QNetworkRequest request;
    QNetworkReply *reply = nullptr;
    // The size an answer with a body told through its progress.
    qint64 bodyTotal = -1;
    QNetworkAccessManager manager;
};

} // namespace Kel
