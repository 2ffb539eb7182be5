#include "widgetkit/listviewsupport.h"

#include "widgetkit/listrubberband.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QListView>
#include <QMouseEvent>
#include <QScrollBar>

namespace Tarn {

ListViewSupport::ListViewSupport(QAbstractItemView *itemView, BandSelection selection)
    : QObject(itemView), view(itemView), bandSelection(std::move(selection)),
      band(new ListRubberBand(itemView->viewport()))
{
    band->setColors(borderColor, fillColor);
    struct Accelerator {
        const char *text;
        QKeySequence::StandardKey key;
    };
    const Accelerator list[] = {
        {QT_TR_NOOP("Ctrl + A"), QKeySequence::SelectAll},
        {QT_TR_NOOP("Up"), QKeySequence::MoveToPreviousLine},
        {QT_TR_NOOP("Down"), QKeySequence::MoveToNextLine},
        {QT_TR_NOOP("Key Delete"), QKeySequence::Delete},
    };
    for (const Accelerator &accelerator : list) {
        auto *action = new QAction(tr(accelerator.text), view);
        action->setShortcuts(accelerator.key);
        action->setShortcutContext(Qt::WidgetShortcut);
        view->addAction(action);
        actions.append(action);
    }
    scrollTimer.setInterval(40);
    connect(&scrollTimer, &QTimer::timeout, this, &ListViewSupport::autoScroll);
}

QList<QAction *> ListViewSupport::accelerators() const
{
    return actions;
}

void ListViewSupport::setAcceleratorSupport(bool on)
{
    acceleratorOn = on;
    for (QAction *action : actions)
        action->setEnabled(on);
    if (!on) {
        armed = active = false;
        band->hide();
        scrollTimer.stop();
    }
}

bool ListViewSupport::isSupportAccelerator() const
{
    return acceleratorOn;
}

void ListViewSupport::setMouseSpace(const QSize &space)
{
    mouseSpace = space;
}

QSize ListViewSupport::getMouseSpace() const
{
    return mouseSpace;
}

void ListViewSupport::setBandColors(const QColor &border, const QColor &fill)
{
    borderColor = border;
    fillColor = fill;
    band->setColors(border, fill);
}

QColor ListViewSupport::bandBorderColor() const
{
    return borderColor;
}

QColor ListViewSupport::bandFillColor() const
{
    return fillColor;
}

int ListViewSupport::rowCount() const
{
    const QAbstractItemModel *model = view->model();
    return model ? model->rowCount(view->rootIndex()) : 0;
}

QModelIndex ListViewSupport::rowIndex(int row) const
{
    const QAbstractItemModel *model = view->model();
    if (!model)
        return QModelIndex();
    // The grid shows one column of the model; the table starts at column 0.
    int column = 0;
    if (const auto *list = qobject_cast<const QListView *>(view))
        column = list->modelColumn();
    return model->index(row, column, view->rootIndex());
}

QList<int> ListViewSupport::selectedRows() const
{
    QList<int> rows;
    const QItemSelectionModel *selection = view->selectionModel();
    if (!selection)
        return rows;
    for (const QItemSelectionRange &range : selection->selection()) {
        for (int row = range.top(); row <= range.bottom(); ++row) {
            if (!rows.contains(row))
                rows.append(row);
        }
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

void ListViewSupport::select(int row)
{
    const int count = rowCount();
    if (count <= 0 || !view->selectionModel())
        return;
    if (row < 0 || row >= count)
        row = count - 1;
    const QModelIndex index = rowIndex(row);
    view->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    view->scrollTo(index);
}

void ListViewSupport::selectAll()
{
    const int count = rowCount();
    if (count <= 0 || !view->selectionModel())
        return;
    const QAbstractItemModel *model = view->model();
    const QModelIndex root = view->rootIndex();
    const QItemSelection all(model->index(0, 0, root),
                             model->index(count - 1, qMax(0, model->columnCount(root) - 1), root));
    view->selectionModel()->select(all, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void ListViewSupport::selectPrevious()
{
    const QList<int> rows = selectedRows();
    if (rows.isEmpty())
        select(rowCount() - 1);
    else
        select(qMax(0, rows.first() - 1));
}

void ListViewSupport::selectNext()
{
    const QList<int> rows = selectedRows();
    if (rows.isEmpty())
        select(0);
    else
        select(qMin(rowCount() - 1, rows.last() + 1));
}

QPoint ListViewSupport::contentOffset() const
{
    return QPoint(view->horizontalScrollBar()->value(), view->verticalScrollBar()->value());
}

void ListViewSupport::mousePress(QMouseEvent *event)
{
    view->setFocus(Qt::MouseFocusReason);
    ctrlHeld = event->modifiers() & Qt::ControlModifier;
    shiftHeld = !ctrlHeld && (event->modifiers() & Qt::ShiftModifier);
    const QPoint pos = event->position().toPoint();
    pressPoint = pos;
    origin = pos + contentOffset();
    current = pos;
    active = false;
    armed = false;
    if (event->button() != Qt::LeftButton || !acceleratorOn || (event->modifiers() & Qt::ShiftModifier))
        return;
    QRect area = view->viewport()->rect();
    if (mouseSpace.isValid())
        area.adjust(mouseSpace.width(), mouseSpace.height(), -mouseSpace.width(), -mouseSpace.height());
    armed = area.contains(pos);
}

bool ListViewSupport::mouseMove(QMouseEvent *event)
{
    if (!(event->buttons() & Qt::LeftButton) || !(armed || active))
        return false;
    const QPoint pos = event->position().toPoint();
    if (event->modifiers() & Qt::ControlModifier)
        ctrlHeld = true;
    // A click that trembles is still a click.
    if (!active && (pos - pressPoint).manhattanLength() < QApplication::startDragDistance())
        return true;
    active = true;
    current = pos;
    applyBand();
    const QRect area = view->viewport()->rect();
    if (pos.y() < area.top() || pos.y() > area.bottom()) {
        if (!scrollTimer.isActive())
            scrollTimer.start();
    } else {
        scrollTimer.stop();
    }
    return true;
}

void ListViewSupport::mouseRelease(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    if (active) {
        current = event->position().toPoint();
        applyBand();
    }
    armed = active = false;
    scrollTimer.stop();
    band->hide();
    view->viewport()->update();
}

void ListViewSupport::keyPress(QKeyEvent *event)
{
    // One modifier at a time: the second is not recorded while one is held.
    if (event->key() == Qt::Key_Control && !shiftHeld)
        ctrlHeld = true;
    else if (event->key() == Qt::Key_Shift && !ctrlHeld)
        shiftHeld = true;
}

void ListViewSupport::keyRelease(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Control)
        ctrlHeld = false;
    else if (event->key() == Qt::Key_Shift)
        shiftHeld = false;
}

bool ListViewSupport::isMenuRequest(const QEvent *event)
{
    if (event->type() == QEvent::ContextMenu)
        return static_cast<const QContextMenuEvent *>(event)->reason() == QContextMenuEvent::Keyboard;
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto *key = static_cast<const QKeyEvent *>(event);
    return key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier;
}

int ListViewSupport::keyboardMenuRow(QPoint *globalPos)
{
    QWidget *port = view->viewport();
    const QModelIndex current = view->currentIndex();
    QRect rect = current.isValid() ? view->visualRect(current) : QRect();
    if (!current.isValid() || !rect.intersects(port->rect())) {
        *globalPos = port->mapToGlobal(port->rect().center());
        return -1;
    }
    QItemSelectionModel *selection = view->selectionModel();
    if (selection && !selection->isRowSelected(current.row(), current.parent()))
        select(current.row());
    rect = rect.intersected(port->rect());
    *globalPos = port->mapToGlobal(QPoint(rect.left() + qMin(rect.width() / 2, 24), rect.center().y()));
    return current.row();
}

void ListViewSupport::contentScrolled()
{
    if (active)
        applyBand();
}

QRect ListViewSupport::bandRect() const
{
    return QRect(origin - contentOffset(), current).normalized();
}

void ListViewSupport::applyBand()
{
    const QRect rect = bandRect();
    band->setBand(rect);
    if (QItemSelectionModel *selection = view->selectionModel()) {
        const QItemSelectionModel::SelectionFlags flags =
            ctrlHeld ? QItemSelectionModel::Toggle | QItemSelectionModel::Current
                     : QItemSelectionModel::ClearAndSelect;
        selection->select(bandSelection(rect), flags);
    }
    view->viewport()->update();
}

void ListViewSupport::autoScroll()
{
    if (!active) {
        scrollTimer.stop();
        return;
    }
    const QRect area = view->viewport()->rect();
    int distance = 0;
    if (current.y() < area.top())
        distance = current.y() - area.top();
    else if (current.y() > area.bottom())
        distance = current.y() - area.bottom();
    if (distance == 0) {
        scrollTimer.stop();
        return;
    }
    QScrollBar *bar = view->verticalScrollBar();
    const int step = qBound(4, qAbs(distance), 40);
    bar->setValue(bar->value() + (distance < 0 ? -step : step));
    applyBand();
}

bool ListViewSupport::isBandArmed() const
{
    return armed;
}

bool ListViewSupport::isBandActive() const
{
    return active;
}

bool ListViewSupport::isCtrlHeld() const
{
    return ctrlHeld;
}

bool ListViewSupport::isShiftHeld() const
{
    return shiftHeld;
}

} // namespace Tarn
