#pragma once

#include "widgetkit/listtableitemdelegate.h"

#include "widgetkit/livecellmap.h"

#include <QPointer>

namespace Tarn {

class ListTableThumbnailWidget;

// The thumbnail column: a live ListTableThumbnailWidget in each cell, 7 pixels
// in from the cell's corner, filed under the row's item key.
class WIDGETKIT_EXPORT ListTableThumbnailDelegate : public ListTableItemDelegate
{
    Q_OBJECT

public:
    explicit ListTableThumbnailDelegate(QObject *parent = nullptr);

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override;
    void updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const override;
    void destroyEditor(QWidget *editor, const QModelIndex &index) const override;
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

    void removeEditor(const QModelIndex &index);
    ListTableThumbnailWidget *getEditor(qint64 key) const;
    int editorCount() const;
    // The cells that hold a live widget now.
    QList<QPersistentModelIndex> editorIndexes() const;

    static const QPoint EditorOffset;

private:
    mutable LiveCellMap<ListTableThumbnailWidget> editors;
};

} // namespace Tarn
