#include "widgetkit/listtableprogressdelegate.h"

#include "widgetkit/listitemroles.h"
#include "widgetkit/mousepassthrough.h"
#include "widgetkit/listtableprogressbar.h"

#include <QAbstractItemView>

namespace Tarn {

ListTableProgressDelegate::ListTableProgressDelegate(QObject *parent)
    : ListTableItemDelegate(parent)
{
}

QWidget *ListTableProgressDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &,
                                                 const QModelIndex &index) const
{
    auto *editor = new ListTableProgressBar(parent);
    passMouseMoves(editor);
    const qint64 key = itemKey(index);
    editor->setProperty("itemKey", key);
    editors.insert(key, editor, index);
    return editor;
}

void ListTableProgressDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    if (auto *bar = qobject_cast<ListTableProgressBar *>(editor))
        sync(bar, index);
}

void ListTableProgressDelegate::setModelData(QWidget *, QAbstractItemModel *, const QModelIndex &) const
{
}

void ListTableProgressDelegate::updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                                                     const QModelIndex &) const
{
    editor->setGeometry(option.rect);
}

void ListTableProgressDelegate::destroyEditor(QWidget *editor, const QModelIndex &index) const
{
    const qint64 key = editor->property("itemKey").toLongLong();
    editors.remove(key, editor);
    ListTableItemDelegate::destroyEditor(editor, index);
}

void ListTableProgressDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                                      const QModelIndex &index) const
{
    ListTableItemDelegate::paint(painter, option, index);
    ListTableProgressBar *bar = getEditor(itemKey(index));
    if (!bar) {
        if (auto *view = qobject_cast<QAbstractItemView *>(const_cast<QWidget *>(option.widget))) {
            view->openPersistentEditor(index);
            bar = qobject_cast<ListTableProgressBar *>(view->indexWidget(index));
        }
    }
    if (!bar)
        return;
    bar->setSelected(option.state & QStyle::State_Selected);
    sync(bar, index);
}

void ListTableProgressDelegate::sync(ListTableProgressBar *bar, const QModelIndex &index) const
{
    const Kel::Progress progress = index.data(ProgressRole).value<Kel::Progress>();
    if (progress.isValid()) {
        bar->setStatus(index.data(StatusRole));
        if (!bar->isProgressVisible() || bar->getProgress() != progress)
            bar->setProgress(progress);
    } else if (bar->isProgressVisible()) {
        bar->setProgressVisible(false);
    }
    // A failed row's text is empty, so its mark is what tells it apart.
    const bool completed = index.data(CompletedRole).toBool();
    const bool failed = !completed && index.data(FailedRole).toBool();
    bar->setCompleted(completed);
    bar->setFailed(failed);
}

void ListTableProgressDelegate::removeEditor(const QModelIndex &index)
{
    editors.remove(itemKey(index));
}

ListTableProgressBar *ListTableProgressDelegate::getEditor(qint64 key) const
{
    return editors.widget(key);
}

int ListTableProgressDelegate::editorCount() const
{
    return editors.size();
}

QList<QPersistentModelIndex> ListTableProgressDelegate::editorIndexes() const
{
    return editors.indexes();
}

} // namespace Tarn
