#include "widgetkit/listtablethumbnailwidget.h"

#include "widgetkit/thumbnailloader.h"
#include "kelframe/kelskin.h"
#include "shared/kellog.h"

#include <QLabel>
#include <QVBoxLayout>

namespace Tarn {

ListTableThumbnailWidget::ListTableThumbnailWidget(QWidget *parent)
    : QWidget(parent), label(new QLabel(this))
{
    setFocusPolicy(Qt::NoFocus);
    label->setObjectName(QStringLiteral("thumbnailLabel"));
    label->setProperty("loaded", QStringLiteral("false"));
    label->setAlignment(Qt::AlignCenter);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(label);
    setFixedSize(sizeHint());
}

QSize ListTableThumbnailWidget::thumbnailSize()
{
    return QSize(86, 48);
}

QSize ListTableThumbnailWidget::sizeHint() const
{
    return thumbnailSize();
}

void ListTableThumbnailWidget::setThumbnail(const QString &newPath)
{
    if (newPath == path || newPath.isEmpty())
        return;
    const qint64 stamp = ThumbnailLoader::fileStamp(newPath);
    if (newPath == failedPath && stamp == failedStamp)
        return;
    ensurePolished();
    if (layout())
        layout()->activate();
    const QPixmap pixmap = ThumbnailLoader::load(newPath, label->contentsRect().size(), devicePixelRatioF(),
                                                 cornerRadius);
    if (pixmap.isNull()) {
        if (newPath != failedPath)
            KEL_ERROR("Thumbnail loading failed. %s", qPrintable(newPath));
        failedPath = newPath;
        failedStamp = stamp;
        return;
    }
    failedPath.clear();
    path = newPath;
    label->setPixmap(pixmap);
    if (label->property("loaded").toString() != QLatin1String("true")) {
        label->setProperty("loaded", QStringLiteral("true"));
        KelSkin::repolish(label);
    }
}

QString ListTableThumbnailWidget::getThumbnail() const
{
    return path;
}

QLabel *ListTableThumbnailWidget::thumbnailLabel() const
{
    return label;
}

void ListTableThumbnailWidget::setCornerRadius(int radius)
{
    cornerRadius = qMax(0, radius);
}

int ListTableThumbnailWidget::getCornerRadius() const
{
    return cornerRadius;
}

} // namespace Tarn
