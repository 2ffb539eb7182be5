#pragma once

#include "widgetkit/listtableitemdelegate.h"

#include "widgetkit/livecellmap.h"

#include <QList>
#include <QPointer>

class QAction;

namespace Tarn {

class ListViewThumbnailWidget;

// The thumbnail grid's cells: each row is a ListViewThumbnailWidget, made
// when the row is first drawn, filed under the row's item key and brought up
// to date whenever it is drawn.
class WIDGETKIT_EXPORT ListViewItemDelegate : public ListTableItemDelegate
{
    Q_OBJECT

public:
    explicit ListViewItemDelegate(QObject *parent = nullptr);

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override;
    void updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const override;
    void destroyEditor(QWidget *editor, const QModelIndex &index) const override;

    // Row actions of the tiles made so far and of those to come.
    void setRowActions(const QList<QAction *> &actions);

    void removeEditor(const QModelIndex &index);
    ListViewThumbnailWidget *getEditor(qint64 key) const;
    int editorCount() const;
    // The cells that hold a live widget now.
    QList<QPersistentModelIndex> editorIndexes() const;

    // The size of one tile.
    static QSize tileSize();

private slots:
    void onToolBarPressed();

private:
    ListViewThumbnailWidget *createTile(QAbstractItemView *view, const QModelIndex &index) const;
    void sync(ListViewThumbnailWidget *tile, const QModelIndex &index, bool selected) const;

    mutable LiveCellMap<ListViewThumbnailWidget> editors;
    QList<QAction *> rowActions;
};

} // namespace Tarn
