#pragma once

#include "widgetkit/thumbnailwidget.h"

#include <QListWidgetItem>

namespace Tarn {

// One object that is both a row of a QListWidget and the tile shown for it.
class WIDGETKIT_EXPORT ThumbnailListWidgetItem : public ThumbnailWidget, public QListWidgetItem
{
    Q_OBJECT

public:
    explicit ThumbnailListWidgetItem(QListWidget *view = nullptr, int type = QListWidgetItem::UserType);

    // Shows this tile as the widget of its own row.
    void setItemWidget();

    // These act on the tile, not on the list row.
    void setText(const QString &text);
    QString text() const;
    void setSelected(bool selected);
    bool isSelected() const;
};

} // namespace Tarn
