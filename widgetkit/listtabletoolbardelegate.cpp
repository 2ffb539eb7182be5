#include "widgetkit/listtabletoolbardelegate.h"

#include "widgetkit/listitemroles.h"
#include "widgetkit/listitemtoolbar.h"
#include "widgetkit/listtableview.h"

namespace Tarn {

const QPoint ListTableToolBarDelegate::EditorOffset(11, 17);

ListTableToolBarDelegate::ListTableToolBarDelegate(QObject *parent)
    : ListTableItemDelegate(parent)
{
}

static ListTableView *viewOf(const QWidget *widget)
{
    // Editors live on the view's viewport.
    for (const QWidget *w = widget; w; w = w->parentWidget()) {
        if (auto *view = qobject_cast<const ListTableView *>(w))
            return const_cast<ListTableView *>(view);
    }
    return nullptr;
}

QWidget *ListTableToolBarDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &,
                                                const QModelIndex &index) const
{
    ListTableView *view = viewOf(parent);
    const QList<QAction *> actions = view ? view->getRowActions() : QList<QAction *>();
    if (actions.isEmpty())
        return nullptr;

    // Filled while hidden; the view shows it once it is placed.
    auto *bar = new ListItemToolBar(parent);
    bar->hide();
    setToolBarActions(bar, actions, index);
    bar->setProperty("itemKey", itemKey(index));
    connect(bar, &ListItemToolBar::pressed, this, &ListTableToolBarDelegate::onToolBarPressed);
    toolBar = bar;
    return bar;
}

void ListTableToolBarDelegate::setToolBarActions(ListItemToolBar *bar, const QList<QAction *> &actions,
                                                 const QModelIndex &) const
{
    for (int i = 0; i < actions.size() && i < 6; ++i)
        bar->setAction(actions.at(i), i % 3, i / 3);
}

void ListTableToolBarDelegate::onToolBarPressed()
{
    if (auto *bar = qobject_cast<ListItemToolBar *>(sender()))
        emit commitData(bar);
}

void ListTableToolBarDelegate::setEditorData(QWidget *, const QModelIndex &) const
{
}

void ListTableToolBarDelegate::setModelData(QWidget *editor, QAbstractItemModel *, const QModelIndex &index) const
{
    if (ListTableView *view = viewOf(editor))
        view->onSelect(index.row());
}

void ListTableToolBarDelegate::updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                                                    const QModelIndex &) const
{
    const QSize room = option.rect.size() - QSize(EditorOffset.x(), EditorOffset.y());
    editor->setGeometry(QRect(option.rect.topLeft() + EditorOffset, editor->sizeHint().boundedTo(room)));
}

void ListTableToolBarDelegate::destroyEditor(QWidget *editor, const QModelIndex &index) const
{
    if (editor == toolBar)
        toolBar = nullptr;
    ListTableItemDelegate::destroyEditor(editor, index);
}

void ListTableToolBarDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                                     const QModelIndex &index) const
{
    if (!toolBar || index.row() != getMouseOverRow()
        || toolBar->property("itemKey").toLongLong() != itemKey(index)) {
        ListTableItemDelegate::paint(painter, option, index);
        return;
    }
    // Only the tool bar shows in the cell that owns it.
    QStyleOptionViewItem opt = rowOption(option, index);
    opt.text.clear();
    opt.icon = QIcon();
    opt.features &= ~QStyleOptionViewItem::HasDisplay;
    opt.features &= ~QStyleOptionViewItem::HasDecoration;
    paintCell(painter, opt);
}

void ListTableToolBarDelegate::removeEditor(const QModelIndex &index)
{
    if (toolBar && toolBar->property("itemKey").toLongLong() == itemKey(index))
        toolBar = nullptr;
}

ListItemToolBar *ListTableToolBarDelegate::getToolBar() const
{
    return toolBar;
}

} // namespace Tarn
