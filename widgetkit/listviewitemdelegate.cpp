#include "widgetkit/listviewitemdelegate.h"

#include "widgetkit/listitemroles.h"
#include "widgetkit/mousepassthrough.h"
#include "widgetkit/listviewthumbnailwidget.h"
#include "shared/progress.h"

#include <QAbstractItemView>

namespace Tarn {

ListViewItemDelegate::ListViewItemDelegate(QObject *parent)
    : ListTableItemDelegate(parent)
{
}

QSize ListViewItemDelegate::tileSize()
{
    return QSize(204, 154);
}

QSize ListViewItemDelegate::sizeHint(const QStyleOptionViewItem &, const QModelIndex &) const
{
    return tileSize();
}

ListViewThumbnailWidget *ListViewItemDelegate::createTile(QAbstractItemView *view, const QModelIndex &index) const
{
    // Made hidden and shown by the view once it is placed: nothing flickers,
    // and the view's updates need no suspending (which would walk every
    // widget on the view, each time).
    auto *tile = new ListViewThumbnailWidget(view->viewport());
    tile->hide();
    passMouseMoves(tile);
    const qint64 key = itemKey(index);
    tile->setProperty("itemKey", key);
    tile->setToolBarActions(rowActions);
    connect(tile, &ListViewThumbnailWidget::toolBarPressed, this, &ListViewItemDelegate::onToolBarPressed);
    editors.insert(key, tile, index);
    view->setIndexWidget(index, tile);
    return tile;
}

void ListViewItemDelegate::paint(QPainter *, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    // The tile draws the whole cell.
    ListViewThumbnailWidget *tile = getEditor(itemKey(index));
    if (!tile) {
        auto *view = qobject_cast<QAbstractItemView *>(const_cast<QWidget *>(option.widget));
        if (!view)
            return;
        tile = createTile(view, index);
    }
    sync(tile, index, option.state & QStyle::State_Selected);
}

void ListViewItemDelegate::sync(ListViewThumbnailWidget *tile, const QModelIndex &index, bool selected) const
{
    // The status first: the progress bar and the tool bar's first button
    // depend on it.
    if (index.data(CompletedRole).toBool())
        tile->setCompleted();
    else if (index.data(FailedRole).toBool())
        tile->setFailed();
    else if (index.data(WaitingRole).toBool())
        tile->setWaitting();
    else if (index.data(WorkingRole).toBool())
        tile->setWorking();
    else if (index.data(PausedRole).toBool())
        tile->setPause();
    else if (index.data(AnalysingRole).toBool())
        tile->setAnalysing();
    else
        tile->setNormal();
    tile->setSelected(selected);
    tile->setHovered(index.row() == getMouseOverRow());
    tile->setThumbnail(index.data(ThumbnailRole).toString());
    tile->setText(index.data(TitleRole).toString());
    tile->setDuration(index.data(DurationRole).toLongLong());
    tile->setProgress(index.data(ItemProgressRole).value<Kel::Progress>());
}

void ListViewItemDelegate::setEditorData(QWidget *, const QModelIndex &) const
{
}

void ListViewItemDelegate::setModelData(QWidget *, QAbstractItemModel *, const QModelIndex &) const
{
}

void ListViewItemDelegate::updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                                                const QModelIndex &) const
{
    editor->setGeometry(option.rect);
}

void ListViewItemDelegate::destroyEditor(QWidget *editor, const QModelIndex &index) const
{
    const qint64 key = editor->property("itemKey").toLongLong();
    editors.remove(key, editor);
    ListTableItemDelegate::destroyEditor(editor, index);
}

void ListViewItemDelegate::setRowActions(const QList<QAction *> &actions)
{
    rowActions = actions;
    for (ListViewThumbnailWidget *tile : editors.widgets())
        tile->setToolBarActions(actions);
}

void ListViewItemDelegate::onToolBarPressed()
{
    auto *tile = qobject_cast<ListViewThumbnailWidget *>(sender());
    if (!tile)
        return;
    auto *view = qobject_cast<QAbstractItemView *>(tile->parentWidget() ? tile->parentWidget()->parentWidget()
                                                                        : nullptr);
    if (!view)
        return;
    const QModelIndex index = view->indexAt(tile->geometry().center());
    if (index.isValid())
        view->setCurrentIndex(index);
}

void ListViewItemDelegate::removeEditor(const QModelIndex &index)
{
    editors.remove(itemKey(index));
}

ListViewThumbnailWidget *ListViewItemDelegate::getEditor(qint64 key) const
{
    return editors.widget(key);
}

int ListViewItemDelegate::editorCount() const
{
    return editors.size();
}

QList<QPersistentModelIndex> ListViewItemDelegate::editorIndexes() const
{
    return editors.indexes();
}

} // namespace Tarn
