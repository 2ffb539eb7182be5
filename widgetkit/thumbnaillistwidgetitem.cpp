#include "widgetkit/thumbnaillistwidgetitem.h"

#include <QListWidget>

namespace Tarn {

// The row is as large as the tile can be: a smaller row would let the
// tile, which never shrinks below its minimum, overlap its neighbours.
static QSize tileSize(const ThumbnailWidget *tile)
{
    return tile->sizeHint().expandedTo(tile->minimumSize());
}

ThumbnailListWidgetItem::ThumbnailListWidgetItem(QListWidget *view, int type)
    : ThumbnailWidget(nullptr), QListWidgetItem(view, type)
{
    QListWidgetItem::setSizeHint(tileSize(this));
}

void ThumbnailListWidgetItem::setItemWidget()
{
    if (QListWidget *view = listWidget()) {
        QListWidgetItem::setSizeHint(tileSize(this));
        view->setItemWidget(this, this);
    }
}

void ThumbnailListWidgetItem::setText(const QString &text)
{
    ThumbnailWidget::setText(text);
}

QString ThumbnailListWidgetItem::text() const
{
    return ThumbnailWidget::text();
}

void ThumbnailListWidgetItem::setSelected(bool selected)
{
    ThumbnailWidget::setSelected(selected);
}

bool ThumbnailListWidgetItem::isSelected() const
{
    return ThumbnailWidget::isSelected();
}

} // namespace Tarn
