#include "widgetkit/thumbnaillistwidgetitem.h"

#include <QListWidget>

namespace Tarn {

ThumbnailListWidgetItem::ThumbnailListWidgetItem(QListWidget *view, int type)
    : ThumbnailWidget(nullptr), QListWidgetItem(view, type)
{
    QListWidgetItem::setSizeHint(ThumbnailWidget::sizeHint());
}

void ThumbnailListWidgetItem::setItemWidget()
{
    if (QListWidget *view = listWidget()) {
        QListWidgetItem::setSizeHint(ThumbnailWidget::sizeHint());
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
