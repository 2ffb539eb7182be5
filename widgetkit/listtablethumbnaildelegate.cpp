#include "widgetkit/listtablethumbnaildelegate.h"

#include "widgetkit/listitemroles.h"
#include "widgetkit/mousepassthrough.h"
#include "widgetkit/listtablethumbnailwidget.h"

#include <QAbstractItemView>

namespace Tarn {

const QPoint ListTableThumbnailDelegate::EditorOffset(7, 7);

ListTableThumbnailDelegate::ListTableThumbnailDelegate(QObject *parent)
    : ListTableItemDelegate(parent)
{
}

QWidget *ListTableThumbnailDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &,
                                                  const QModelIndex &index) const
{
    auto *editor = new ListTableThumbnailWidget(parent);
    passMouseMoves(editor);
    const qint64 key = itemKey(index);
    editor->setProperty("itemKey", key);
    editors.insert(key, editor, index);
    return editor;
}

void ListTableThumbnailDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    if (auto *thumbnail = qobject_cast<ListTableThumbnailWidget *>(editor))
        thumbnail->setThumbnail(index.data(ThumbnailRole).toString());
}

void ListTableThumbnailDelegate::setModelData(QWidget *, QAbstractItemModel *, const QModelIndex &) const
{
}

void ListTableThumbnailDelegate::updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                                                      const QModelIndex &) const
{
    const QSize size = editor->sizeHint().boundedTo(option.rect.size() - QSize(EditorOffset.x(), EditorOffset.y()));
    editor->setGeometry(QRect(option.rect.topLeft() + EditorOffset, size));
}

void ListTableThumbnailDelegate::destroyEditor(QWidget *editor, const QModelIndex &index) const
{
    const qint64 key = editor->property("itemKey").toLongLong();
    editors.remove(key, editor);
    ListTableItemDelegate::destroyEditor(editor, index);
}

void ListTableThumbnailDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                                       const QModelIndex &index) const
{
    ListTableItemDelegate::paint(painter, option, index);
    // The live cell is made when its row is first seen: a long list costs
    // only the widgets of the rows that were ever on screen.
    ListTableThumbnailWidget *editor = getEditor(itemKey(index));
    if (!editor) {
        if (auto *view = qobject_cast<QAbstractItemView *>(const_cast<QWidget *>(option.widget))) {
            view->openPersistentEditor(index);
            editor = qobject_cast<ListTableThumbnailWidget *>(view->indexWidget(index));
        }
    }
    if (editor)
        editor->setThumbnail(index.data(ThumbnailRole).toString());
}

QSize ListTableThumbnailDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const QSize thumbnail = ListTableThumbnailWidget::thumbnailSize();
    return QSize(thumbnail.width() + 2 * EditorOffset.x(), thumbnail.height() + 2 * EditorOffset.y())
        .expandedTo(ListTableItemDelegate::sizeHint(option, index));
}

void ListTableThumbnailDelegate::removeEditor(const QModelIndex &index)
{
    editors.remove(itemKey(index));
}

ListTableThumbnailWidget *ListTableThumbnailDelegate::getEditor(qint64 key) const
{
    return editors.widget(key);
}

int ListTableThumbnailDelegate::editorCount() const
{
    return editors.size();
}

QList<QPersistentModelIndex> ListTableThumbnailDelegate::editorIndexes() const
{
    return editors.indexes();
}

} // namespace Tarn
