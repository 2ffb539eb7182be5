#include "tarncore/task/httpsizerequester.h"

#include <QDebug>
#include <QNetworkReply>
#include <QUrl>

namespace Kel {

HttpSizeRequester::HttpSizeRequester(const QString &resourceUrl, QObject *parent)
    : HttpOperater(parent)
    , resourceUrl(resourceUrl)
    , request(QUrl(resourceUrl))
{
}

HttpSizeRequester::~HttpSizeRequester()
{
    releaseReply();
}

QString HttpSizeRequester::getResourceUrl() const
{
    return resourceUrl;
}

QUrl HttpSizeRequester::requestUrl(const QString &resourceUrl)
{
    // Stream addresses come already percent-encoded; encoding them again
    // would ask for another resource.
    if (resourceUrl.indexOf(QLatin1Char('%')) > 0)
        return QUrl::fromEncoded(resourceUrl.toLatin1(), QUrl::TolerantMode);
    QUrl url;
    url.setUrl(resourceUrl, QUrl::TolerantMode);
    return url;
}

bool HttpSizeRequester::start()
{
    if (reply)
        return false;
    if (resourceUrl.isEmpty()) {
        emit error(-1);
        emit requestFinished(resourceUrl, 0);
        return false;
    }
    const QUrl url = requestUrl(resourceUrl);
    request.setUrl(url);
    applySystemProxy(manager, url);
    qDebug().noquote() << QStringLiteral("Starting request : ") + url.toString();
    bodyTotal = -1;
    reply = manager.head(request);
    connect(reply, &QNetworkReply::finished, this, &HttpSizeRequester::onRequesterFinished);
    connect(reply, &QNetworkReply::downloadProgress, this, &HttpSizeRequester::onRequesterProgress);
    connect(reply, &QNetworkReply::readyRead, this, &HttpSizeRequester::onRequesterReadyRead);
    return true;
}

void HttpSizeRequester::onRequesterFinished()
{
    if (!reply)
        return;
    const QVariant header = reply->header(QNetworkRequest::ContentLengthHeader);
    // An error page's length is not the resource's size; an abort of ours
    // after the body told the size is no failure.
    const bool failed = reply->error() != QNetworkReply::NoError
                        && !(reply->error() == QNetworkReply::OperationCanceledError && bodyTotal > 0);
    qint64 size = -1;
    if (!failed) {
        if (bodyTotal > 0)
            size = bodyTotal;
        else if (header.isValid())
            size = header.toLongLong();
    }
    releaseReply();
    if (size < 0) {
        emit error(-1);
        emit requestFinished(resourceUrl, -1);
        qDebug().noquote() << QStringLiteral("Request size failed %1").arg(resourceUrl);
        return;
    }
    emit finished();
    emit requestFinished(resourceUrl, size);
    qDebug().noquote() << QStringLiteral("Request size successful %1 %2").arg(size).arg(resourceUrl);
}

void HttpSizeRequester::onRequesterProgress(qint64 bytesReceived, qint64 bytesTotal)
{
    Q_UNUSED(bytesReceived)
    if (bytesTotal <= 0 || !reply)
        return;
    const int httpStatus = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (httpStatus != 0 && (httpStatus < 200 || httpStatus >= 300))
        return;
    bodyTotal = bytesTotal;
    // The size is known; the rest of the body is not needed. The end is
    // reported once, from onRequesterFinished.
    if (reply->isRunning())
        reply->abort();
}

void HttpSizeRequester::onRequesterReadyRead()
{
}

void HttpSizeRequester::releaseReply()
{
    if (!reply)
        return;
    reply->disconnect(this);
    if (reply->isRunning())
        reply->abort();
    reply->deleteLater();
    reply = nullptr;
}

} // namespace Kel
