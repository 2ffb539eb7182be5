#pragma once

#include "tarncore/task/httpoperater.h"

#include <QFile>
#include <QNetworkAccessManager>
#include <QString>

class QNetworkReply;

namespace Kel {

// Fetches one resource into one file. The body goes to "<destFile>.part",
// which becomes destFile only when the whole body arrived; a failure leaves
// neither file. downloadFinished is emitted at every end: the destination
// exists when the download succeeded.
class TARNCORE_EXPORT HttpDownloader : public HttpOperater
{
    Q_OBJECT
public:
    HttpDownloader(const QString &resourceUrl, const QString &destFile, QObject *parent = nullptr);
    // Aborts a running request and removes its partial file.
    ~HttpDownloader() override;

    bool start() override;

    QString getResourceUrl() const;
    QString getDestFile() const;
    QString getPartFile() const;

signals:
    void downloadFinished(const QString &resourceUrl, const QString &destFile);

private slots:
    void onDownloadProgress(qint64 bytesReceived, qint64 bytesTotal);
    void onDownloadReadyRead();
    void onDownloadFinished();

private:
    void fail(qint32 code);
    // The body is shorter than the length the server announced for it.
    bool isTruncated() const;

    QString resourceUrl;
    QString destFile;
    QFile partFile;
    QNetworkReply *reply = nullptr;
    bool writeFailed = false;
    qint64 received = 0;
    QNetworkAccessManager manager;
};

} // namespace Kel
