#include "widgetkit/listthumbview.h"

#include "widgetkit/listselectionmodel.h"
#include "widgetkit/listviewitemdelegate.h"
#include "widgetkit/listviewsupport.h"
#include "widgetkit/nofocusrectstyle.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>

namespace Tarn {

ListThumbView::ListThumbView(QWidget *parent)
    : QListView(parent),
      support(new ListViewSupport(this, [this](const QRect &band) { return itemsInRect(band); }))
{
    // Styled while it has no parent and nothing polished: set later, the
    // style would restyle the view with all its parts once more.
    setStyle(NoFocusRectStyle::sharedInstance());
    setMouseTracking(true);
    setItemDelegate(new ListViewItemDelegate(this));
    const QList<QAction *> accelerators = support->accelerators();
    connect(accelerators.at(0), &QAction::triggered, this, &ListThumbView::onSelectAll);
    connect(accelerators.at(1), &QAction::triggered, this, &ListThumbView::onSelectPrev);
    connect(accelerators.at(2), &QAction::triggered, this, &ListThumbView::onSelectNext);
    connect(accelerators.at(3), &QAction::triggered, this, &ListThumbView::onRemove);
    connect(this, &QAbstractItemView::entered, this, &ListThumbView::onMouseEntered);
    releaseTimer.setSingleShot(true);
    releaseTimer.setInterval(0);
    connect(&releaseTimer, &QTimer::timeout, this, &ListThumbView::releaseFarCells);
    verticalScrollBar()->installEventFilter(this);
    setFocusPolicy(Qt::StrongFocus);

    setViewMode(QListView::IconMode);
    setMovement(QListView::Static);
    setFlow(QListView::LeftToRight);
    setWrapping(true);
    setResizeMode(QListView::Adjust);
    setUniformItemSizes(true);
    setSpacing(6);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionRectVisible(false);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    verticalScrollBar()->setSingleStep(24);
    setDragEnabled(false);
}

ListThumbView::~ListThumbView() = default;

void ListThumbView::setModel(QAbstractItemModel *newModel)
{
    if (QAbstractItemModel *old = model())
        disconnect(old, &QAbstractItemModel::layoutChanged, this, &ListThumbView::onLayoutChanged);
    setMouseOverRow(-1);
    QListView::setModel(newModel);
    if (newModel) {
        QItemSelectionModel *plain = selectionModel();
        setSelectionModel(new ListSelectionModel(newModel, this));
        delete plain;
        connect(newModel, &QAbstractItemModel::layoutChanged, this, &ListThumbView::onLayoutChanged);
    }
}

ListViewItemDelegate *ListThumbView::getItemDelegate() const
{
    return qobject_cast<ListViewItemDelegate *>(itemDelegate());
}

void ListThumbView::setRowActions(const QList<QAction *> &actions)
{
    rowActions = actions;
    if (ListViewItemDelegate *delegate = getItemDelegate())
        delegate->setRowActions(actions);
}

QList<QAction *> ListThumbView::getRowActions() const
{
    return rowActions;
}

void ListThumbView::setEmphasisTextFont(const QFont &font)
{
    emphasisFont = font;
    emphasisFontSet = true;
    viewport()->update();
}

QFont ListThumbView::getEmphasisTextFont() const
{
    if (emphasisFontSet)
        return emphasisFont;
    QFont font = this->font();
    font.setWeight(QFont::DemiBold);
    return font;
}

void ListThumbView::setEmphasisTextColor(const QColor &color)
{
    emphasisColor = color;
    viewport()->update();
}

QColor ListThumbView::getEmphasisTextColor() const
{
    return emphasisColor;
}

void ListThumbView::setMouseSpace(const QSize &space)
{
    support->setMouseSpace(space);
}

QSize ListThumbView::getMouseSpace() const
{
    return support->getMouseSpace();
}

void ListThumbView::setAcceleratorSupport(bool on)
{
    support->setAcceleratorSupport(on);
}

bool ListThumbView::isSupportAccelerator() const
{
    return support->isSupportAccelerator();
}

void ListThumbView::setRubberBandBorderColor(const QColor &color)
{
    support->setBandColors(color, support->bandFillColor());
}

QColor ListThumbView::getRubberBandBorderColor() const
{
    return support->bandBorderColor();
}

void ListThumbView::setRubberBandFillColor(const QColor &color)
{
    support->setBandColors(support->bandBorderColor(), color);
}

QColor ListThumbView::getRubberBandFillColor() const
{
    return support->bandFillColor();
}

bool ListThumbView::isRubberBandActive() const
{
    return support->isBandActive();
}

QRect ListThumbView::rubberBandRect() const
{
    return support->isBandActive() ? support->bandRect() : QRect();
}

void ListThumbView::updateTile(int row)
{
    if (row < 0 || !model() || row >= model()->rowCount(rootIndex()))
        return;
    viewport()->update(visualRect(model()->index(row, modelColumn(), rootIndex())));
}

void ListThumbView::setMouseOverRow(int row)
{
    if (row == mouseOver)
        return;
    if (auto *delegate = qobject_cast<ListTableItemDelegate *>(itemDelegate()))
        delegate->setMouseOverRow(row);
    const int previous = mouseOver;
    mouseOver = row;
    // The tiles learn it when they are drawn again.
    updateTile(previous);
    updateTile(row);
    emit mouseOverRow(row);
}

int ListThumbView::getMouseOverRow() const
{
    return mouseOver;
}

int ListThumbView::rowAtPoint(const QPoint &pos) const
{
    const QModelIndex index = indexAt(pos);
    return index.isValid() ? index.row() : -1;
}

void ListThumbView::onSelect(int row)
{
    support->select(row);
}

void ListThumbView::onSelectAll()
{
    support->selectAll();
}

void ListThumbView::onSelectPrev()
{
    support->selectPrevious();
}

void ListThumbView::onSelectNext()
{
    support->selectNext();
}

void ListThumbView::onRemove()
{
    if (support->isSupportAccelerator() && !support->selectedRows().isEmpty())
        emit remove();
}

void ListThumbView::onMouseEntered(const QModelIndex &index)
{
    if (support->isBandActive())
        return;
    setMouseOverRow(index.isValid() ? index.row() : -1);
}

void ListThumbView::reset()
{
    setMouseOverRow(-1);
    QListView::reset();
}

void ListThumbView::onLayoutChanged()
{
    const int row = rowAtPoint(viewport()->mapFromGlobal(QCursor::pos()));
    setMouseOverRow(-1);
    if (viewport()->underMouse())
        setMouseOverRow(row);
}

void ListThumbView::rowsInserted(const QModelIndex &parent, int start, int end)
{
    // Tiles are made when their rows are first drawn.
    QListView::rowsInserted(parent, start, end);
}

void ListThumbView::rowsAboutToBeRemoved(const QModelIndex &parent, int start, int end)
{
    setMouseOverRow(-1);
    if (parent == rootIndex() && model()) {
        if (ListViewItemDelegate *delegate = getItemDelegate()) {
            for (int row = start; row <= end; ++row)
                delegate->removeEditor(model()->index(row, modelColumn(), parent));
        }
    }
    QListView::rowsAboutToBeRemoved(parent, start, end);
}

void ListThumbView::dataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight,
                                const QList<int> &roles)
{
    // A row of the list changed: only its tile is drawn again, not the whole
    // grid as for a range of cells.
    if (topLeft.isValid() && topLeft.row() == bottomRight.row() && topLeft.parent() == rootIndex()
        && topLeft.column() <= modelColumn() && modelColumn() <= bottomRight.column()) {
        const QModelIndex tile = topLeft.siblingAtColumn(modelColumn());
        QListView::dataChanged(tile, tile, roles);
        return;
    }
    QListView::dataChanged(topLeft, bottomRight, roles);
}

void ListThumbView::releaseFarCells()
{
    ListViewItemDelegate *delegate = getItemDelegate();
    if (!delegate)
        return;
    const int reach = viewport()->height();
    const QRect keep = viewport()->rect().adjusted(0, -reach, 0, reach);
    for (const QPersistentModelIndex &index : delegate->editorIndexes()) {
        if (index.isValid() && !visualRect(index).intersects(keep)) {
            delegate->removeEditor(index);
            setIndexWidget(index, nullptr);
        }
    }
}

QItemSelection ListThumbView::itemsInRect(const QRect &band) const
{
    // In a grid a band picks the tiles it touches.
    QItemSelection selection;
    const QAbstractItemModel *itemModel = model();
    if (!itemModel)
        return selection;
    const int rows = itemModel->rowCount(rootIndex());
    for (int row = 0; row < rows; ++row) {
        const QModelIndex index = itemModel->index(row, modelColumn(), rootIndex());
        if (visualRect(index).intersects(band))
            selection.select(index, index);
    }
    return selection;
}

bool ListThumbView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == verticalScrollBar() && (event->type() == QEvent::Enter || event->type() == QEvent::Leave))
        setMouseOverRow(-1);
    return QListView::eventFilter(watched, event);
}

bool ListThumbView::viewportEvent(QEvent *event)
{
    if (event->type() == QEvent::Leave)
        setMouseOverRow(-1);
    return QListView::viewportEvent(event);
}

void ListThumbView::mousePressEvent(QMouseEvent *event)
{
    support->mousePress(event);
    QListView::mousePressEvent(event);
}

void ListThumbView::mouseMoveEvent(QMouseEvent *event)
{
    if (!support->mouseMove(event))
        QListView::mouseMoveEvent(event);
    // No hover row while a band is drawn.
    setMouseOverRow(support->isBandActive() ? -1 : rowAtPoint(event->position().toPoint()));
}

void ListThumbView::mouseReleaseEvent(QMouseEvent *event)
{
    QListView::mouseReleaseEvent(event);
    support->mouseRelease(event);
    if (event->button() == Qt::RightButton)
        emit rightButtonClicked(event->globalPosition().toPoint(), rowAtPoint(event->position().toPoint()));
}

void ListThumbView::keyPressEvent(QKeyEvent *event)
{
    support->keyPress(event);
    if (ListViewSupport::isMenuRequest(event)) {
        event->accept();
        openKeyboardMenu();
        return;
    }
    QListView::keyPressEvent(event);
}

void ListThumbView::contextMenuEvent(QContextMenuEvent *event)
{
    if (!ListViewSupport::isMenuRequest(event)) {
        QListView::contextMenuEvent(event);
        return;
    }
    event->accept();
    openKeyboardMenu();
}

void ListThumbView::openKeyboardMenu()
{
    QPoint globalPos;
    const int row = support->keyboardMenuRow(&globalPos);
    emit rightButtonClicked(globalPos, row);
}

void ListThumbView::keyReleaseEvent(QKeyEvent *event)
{
    support->keyRelease(event);
    QListView::keyReleaseEvent(event);
}

void ListThumbView::scrollContentsBy(int dx, int dy)
{
    QListView::scrollContentsBy(dx, dy);
    support->contentScrolled();
    releaseTimer.start();
}

} // namespace Tarn
