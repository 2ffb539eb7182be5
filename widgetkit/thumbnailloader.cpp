#include "widgetkit/thumbnailloader.h"

#include <QDateTime>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <QPixmapCache>

namespace Tarn {
namespace ThumbnailLoader {

qint64 fileStamp(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isFile())
        return -1;
    return info.lastModified().toMSecsSinceEpoch() ^ (info.size() << 20);
}

static QImage decode(const QString &path, const QSize &target)
{
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QSize source = reader.size();
    if (source.isValid() && !source.isEmpty()) {
        // Decode straight at the shown size, cropping the middle so that any
        // picture fills the 16:9 frame without being stretched.
        const QSize scaled = source.scaled(target, Qt::KeepAspectRatioByExpanding);
        reader.setScaledSize(scaled);
        reader.setScaledClipRect(QRect(QPoint((scaled.width() - target.width()) / 2,
                                              (scaled.height() - target.height()) / 2),
                                       target));
        QImage image = reader.read();
        if (!image.isNull() && image.size() != target)
            image = image.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        return image;
    }
    QImage image = reader.read();
    if (image.isNull())
        return image;
    image = image.scaled(target, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
    return image.copy(QRect(QPoint((image.width() - target.width()) / 2, (image.height() - target.height()) / 2),
                            target));
}

QPixmap load(const QString &path, const QSize &size, qreal pixelRatio, int cornerRadius)
{
    if (path.isEmpty() || size.isEmpty())
        return QPixmap();
    const qint64 stamp = fileStamp(path);
    if (stamp < 0)
        return QPixmap();
    const QString key = QStringLiteral("tarn-thumbnail|%1|%2|%3x%4|%5|%6")
                            .arg(path, QString::number(stamp), QString::number(size.width()),
                                 QString::number(size.height()), QString::number(pixelRatio),
                                 QString::number(cornerRadius));
    QPixmap pixmap;
    if (QPixmapCache::find(key, &pixmap))
        return pixmap;

    const QSize target = (QSizeF(size) * pixelRatio).toSize();
    const QImage image = decode(path, target);
    if (image.isNull())
        return QPixmap();

    QImage rounded(target, QImage::Format_ARGB32_Premultiplied);
    rounded.fill(Qt::transparent);
    {
        QPainter painter(&rounded);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QBrush(image));
        const qreal radius = cornerRadius * pixelRatio;
        painter.drawRoundedRect(QRectF(QPointF(0, 0), QSizeF(target)), radius, radius);
    }
    pixmap = QPixmap::fromImage(rounded);
    pixmap.setDevicePixelRatio(pixelRatio);
    QPixmapCache::insert(key, pixmap);
    return pixmap;
}

} // namespace ThumbnailLoader
} // namespace Tarn
