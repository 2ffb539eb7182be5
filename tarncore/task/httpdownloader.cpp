#include "tarncore/task/httpdownloader.h"

#include <QDebug>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

namespace Kel {

HttpDownloader::HttpDownloader(const QString &resourceUrl, const QString &destFile, QObject *parent)
    : HttpOperater(parent)
    , resourceUrl(resourceUrl)
    , destFile(destFile)
{
}

HttpDownloader::~HttpDownloader()
{
    if (reply) {
        // The reply must not call back into this half-destroyed object.
        reply->disconnect(this);
        if (reply->isRunning())
            reply->abort();
        reply->deleteLater();
        reply = nullptr;
        // An unfinished body is of no use to anyone.
        partFile.close();
        partFile.remove();
    }
}

QString HttpDownloader::getResourceUrl() const
{
    return resourceUrl;
}

QString HttpDownloader::getDestFile() const
{
    return destFile;
}

QString HttpDownloader::getPartFile() const
{
    return destFile.isEmpty() ? QString() : destFile + QStringLiteral(".part");
}

bool HttpDownloader::start()
{
    if (reply)
        return false;
    if (resourceUrl.isEmpty() || destFile.isEmpty()) {
        emit error(-1);
        emit downloadFinished(resourceUrl, QString());
        return false;
    }
    if (QFile::exists(destFile)) {
        emit error(-1);
        emit downloadFinished(resourceUrl, destFile);
        return true;
    }
    partFile.setFileName(getPartFile());
    if (!partFile.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        qDebug().noquote() << QStringLiteral("Create download file fail : ") + destFile;
        emit error(-1);
        emit downloadFinished(resourceUrl, QString());
        return false;
    }
    writeFailed = false;
    received = 0;

    const QUrl url(resourceUrl);
    applySystemProxy(manager, url);
    reply = manager.get(QNetworkRequest(url));
    qDebug().noquote() << QStringLiteral("Starting download : ") + url.toString();
    connect(reply, &QNetworkReply::downloadProgress, this, &HttpDownloader::onDownloadProgress);
    connect(reply, &QNetworkReply::readyRead, this, &HttpDownloader::onDownloadReadyRead);
    connect(reply, &QNetworkReply::finished, this, &HttpDownloader::onDownloadFinished);
    emit started();
    return true;
}

void HttpDownloader::onDownloadProgress(qint64 bytesReceived, qint64 bytesTotal)
{
    emit progress(bytesTotal, bytesReceived);
}

void HttpDownloader::onDownloadReadyRead()
{
    if (!reply || writeFailed)
        return;
    const QByteArray data = reply->readAll();
    if (data.isEmpty())
        return;
    if (partFile.write(data) == data.size()) {
        received += data.size();
    } else {
        // A full disk must not pass for a complete file.
        qDebug().noquote() << QStringLiteral("write file failed : ") + partFile.fileName() + QStringLiteral(" ")
                                  + partFile.errorString();
        writeFailed = true;
        reply->abort();
    }
}

void HttpDownloader::fail(qint32 code)
{
    // Clean up first, so that a receiver of the signals finds no trace.
    if (reply) {
        reply->disconnect(this);
        if (reply->isRunning())
            reply->abort();
        reply->deleteLater();
        reply = nullptr;
    }
    partFile.close();
    if (partFile.exists() && !partFile.remove())
        qDebug().noquote() << QStringLiteral("remove file failed : ") + partFile.fileName();
    emit error(code);
    emit downloadFinished(resourceUrl, destFile);
}

bool HttpDownloader::isTruncated() const
{
    const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
    if (!length.isValid())
        return false;
    // A body Qt decompressed has another length than the one announced.
    const QByteArray encoding = reply->rawHeader("Content-Encoding").trimmed().toLower();
    if (!encoding.isEmpty() && encoding != "identity")
        return false;
    return received != length.toLongLong();
}

void HttpDownloader::onDownloadFinished()
{
    if (!reply)
        return;
    if (reply->error() == QNetworkReply::NoError && !writeFailed)
        onDownloadReadyRead();

    if (writeFailed) {
        fail(-1);
        return;
    }
    if (reply->error() != QNetworkReply::NoError) {
        qDebug().noquote() << QStringLiteral("download resource failed : ") + reply->errorString();
        fail(reply->error());
        return;
    }
    // Qt may end a reply without an error when the server closes the
    // connection before the announced length has arrived.
    if (isTruncated()) {
        qDebug().noquote() << QStringLiteral("download resource failed : ")
                                  + QStringLiteral("connection closed after %1 of %2 bytes")
                                        .arg(received)
                                        .arg(reply->header(QNetworkRequest::ContentLengthHeader).toLongLong());
        fail(QNetworkReply::RemoteHostClosedError);
        return;
    }

    reply->disconnect(this);
    reply->deleteLater();
    reply = nullptr;
    if (!partFile.flush()) {
        qDebug().noquote() << QStringLiteral("write file failed : ") + partFile.fileName();
        fail(-1);
        return;
    }
    partFile.close();
    // QFile::rename never replaces: a destination that appeared meanwhile
    // stays as it is and the download counts as failed.
    if (!partFile.rename(destFile)) {
        qDebug().noquote() << QStringLiteral("rename file failed : ") + partFile.fileName();
        fail(-1);
        return;
    }
    qDebug().noquote() << QStringLiteral("download file successful : ") + destFile;
    emit finished();
    emit downloadFinished(resourceUrl, destFile);
}

} // namespace Kel
