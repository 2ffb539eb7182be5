#include "tarncore/task/httpoperater.h"

#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkProxyFactory>
#include <QNetworkProxyQuery>
#include <QUrl>

HttpOperater::HttpOperater(QObject *parent)
    : QObject(parent)
{
}

void HttpOperater::applySystemProxy(QNetworkAccessManager &manager, const QUrl &url)
{
    const QNetworkProxyQuery query(url, QNetworkProxyQuery::UrlRequest);
    const QList<QNetworkProxy> proxies = QNetworkProxyFactory::systemProxyForQuery(query);
    if (!proxies.isEmpty())
        manager.setProxy(proxies.first());
}
