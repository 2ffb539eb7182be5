#include "widgetkit/listtableview.h"

#include "widgetkit/listselectionmodel.h"
#include "widgetkit/listtableitemdelegate.h"
#include "widgetkit/listtableprogressdelegate.h"
#include "widgetkit/listtablethumbnaildelegate.h"
#include "widgetkit/listtablethumbnailwidget.h"
#include "widgetkit/listtabletoolbardelegate.h"
#include "widgetkit/listviewsupport.h"
#include "widgetkit/nofocusrectstyle.h"

#include <QHeaderView>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>

namespace Tarn {

ListTableView::ListTableView(QWidget *parent)
    : QTableView(parent),
      support(new ListViewSupport(this, [this](const QRect &band) { return rowsInSpan(band); }))
{
    // Styled while it has no parent and nothing polished: set later, the
    // style would restyle the view with all its parts once more.
    setStyle(NoFocusRectStyle::sharedInstance());
    setMouseTracking(true);
    setItemDelegate(new ListTableItemDelegate(this));
    const QList<QAction *> accelerators = support->accelerators();
    connect(accelerators.at(0), &QAction::triggered, this, &ListTableView::onSelectAll);
    connect(accelerators.at(1), &QAction::triggered, this, &ListTableView::onSelectPrev);
    connect(accelerators.at(2), &QAction::triggered, this, &ListTableView::onSelectNext);
    connect(accelerators.at(3), &QAction::triggered, this, &ListTableView::onRemove);
    connect(this, &QAbstractItemView::entered, this, &ListTableView::onMouseEntered);
    releaseTimer.setSingleShot(true);
    releaseTimer.setInterval(0);
    connect(&releaseTimer, &QTimer::timeout, this, &ListTableView::releaseFarCells);
    verticalScrollBar()->installEventFilter(this);
    setFocusPolicy(Qt::StrongFocus);

    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setDragEnabled(false);
    setShowGrid(false);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    verticalHeader()->hide();
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(true);
}

ListTableView::~ListTableView() = default;

void ListTableView::setModel(QAbstractItemModel *newModel)
{
    if (QAbstractItemModel *old = model())
        disconnect(old, &QAbstractItemModel::layoutChanged, this, &ListTableView::onLayoutChanged);
    setMouseOverRow(-1);
    QTableView::setModel(newModel);
    if (newModel) {
        // Whole rows unless the caller shares a selection model of its own.
        QItemSelectionModel *plain = selectionModel();
        setSelectionModel(new ListSelectionModel(newModel, this));
        delete plain;
        connect(newModel, &QAbstractItemModel::layoutChanged, this, &ListTableView::onLayoutChanged);
    }
}

ListTableThumbnailDelegate *ListTableView::getThumbnailDelegate() const
{
    return thumbnailColumn < 0 ? nullptr
                               : qobject_cast<ListTableThumbnailDelegate *>(itemDelegateForColumn(thumbnailColumn));
}

ListTableProgressDelegate *ListTableView::getProgressDelegate() const
{
    return progressBarColumn < 0 ? nullptr
                                 : qobject_cast<ListTableProgressDelegate *>(itemDelegateForColumn(progressBarColumn));
}

ListTableToolBarDelegate *ListTableView::getToolBarDelegate() const
{
    return toolBarColumn < 0 ? callerToolBarDelegate.data()
                             : qobject_cast<ListTableToolBarDelegate *>(itemDelegateForColumn(toolBarColumn));
}

void ListTableView::closeColumnEditors(int column)
{
    if (column < 0 || !model())
        return;
    const int rows = model()->rowCount(rootIndex());
    for (int row = 0; row < rows; ++row)
        closePersistentEditor(model()->index(row, column, rootIndex()));
}

void ListTableView::setThumbnailColumn(int column)
{
    if (column != thumbnailColumn && getThumbnailDelegate()) {
        closeColumnEditors(thumbnailColumn);
        setItemDelegateForColumn(thumbnailColumn, nullptr);
    }
    thumbnailColumn = column;
    if (column < 0)
        return;
    if (!qobject_cast<ListTableThumbnailDelegate *>(itemDelegateForColumn(column)))
        setItemDelegateForColumn(column, new ListTableThumbnailDelegate(this));
    // Rows tall enough for the thumbnail and its margins.
    const QSize thumbnail = ListTableThumbnailWidget::thumbnailSize();
    const int height = thumbnail.height() + 2 * ListTableThumbnailDelegate::EditorOffset.y();
    if (verticalHeader()->defaultSectionSize() < height)
        verticalHeader()->setDefaultSectionSize(height);
}

int ListTableView::getThumbnailColumn() const
{
    return thumbnailColumn;
}

void ListTableView::setProgressBarColumn(int column)
{
    if (column != progressBarColumn && getProgressDelegate()) {
        closeColumnEditors(progressBarColumn);
        setItemDelegateForColumn(progressBarColumn, nullptr);
    }
    progressBarColumn = column;
    if (column >= 0 && !qobject_cast<ListTableProgressDelegate *>(itemDelegateForColumn(column)))
        setItemDelegateForColumn(column, new ListTableProgressDelegate(this));
}

int ListTableView::getProgressBarColumn() const
{
    return progressBarColumn;
}

void ListTableView::setToolBarColumn(int column)
{
    if (column != toolBarColumn && toolBarColumn >= 0) {
        setMouseOverRow(-1);
        if (qobject_cast<ListTableToolBarDelegate *>(itemDelegateForColumn(toolBarColumn)))
            setItemDelegateForColumn(toolBarColumn, nullptr);
    }
    toolBarColumn = column;
    if (column < 0 || qobject_cast<ListTableToolBarDelegate *>(itemDelegateForColumn(column)))
        return;
    ListTableToolBarDelegate *delegate = callerToolBarDelegate;
    if (!delegate)
        delegate = new ListTableToolBarDelegate(this);
    setItemDelegateForColumn(column, delegate);
}

int ListTableView::getToolBarColumn() const
{
    return toolBarColumn;
}

void ListTableView::setToolBarDelegate(ListTableToolBarDelegate *delegate)
{
    callerToolBarDelegate = delegate;
    if (toolBarColumn >= 0 && delegate && itemDelegateForColumn(toolBarColumn) != delegate) {
        setMouseOverRow(-1);
        setItemDelegateForColumn(toolBarColumn, delegate);
    }
}

void ListTableView::setRowActions(const QList<QAction *> &actions)
{
    rowActions = actions;
    // The tool bar on show is made afresh with the new actions.
    const int row = mouseOver;
    setMouseOverRow(-1);
    setMouseOverRow(row);
}

QList<QAction *> ListTableView::getRowActions() const
{
    return rowActions;
}

void ListTableView::setEmphasisTextFont(const QFont &font)
{
    emphasisFont = font;
    emphasisFontSet = true;
    viewport()->update();
}

QFont ListTableView::getEmphasisTextFont() const
{
    if (emphasisFontSet)
        return emphasisFont;
    QFont font = this->font();
    font.setWeight(QFont::DemiBold);
    return font;
}

void ListTableView::setEmphasisTextColor(const QColor &color)
{
    emphasisColor = color;
    viewport()->update();
}

QColor ListTableView::getEmphasisTextColor() const
{
    return emphasisColor;
}

void ListTableView::setMouseHoverIcon(const QString &path)
{
    hoverIcon = path;
}

QString ListTableView::getMouseHoverIcon() const
{
    return hoverIcon;
}

void ListTableView::setMouseSpace(const QSize &space)
{
    support->setMouseSpace(space);
}

QSize ListTableView::getMouseSpace() const
{
    return support->getMouseSpace();
}

void ListTableView::setAcceleratorSupport(bool on)
{
    support->setAcceleratorSupport(on);
}

bool ListTableView::isSupportAccelerator() const
{
    return support->isSupportAccelerator();
}

void ListTableView::setRubberBandBorderColor(const QColor &color)
{
    support->setBandColors(color, support->bandFillColor());
}

QColor ListTableView::getRubberBandBorderColor() const
{
    return support->bandBorderColor();
}

void ListTableView::setRubberBandFillColor(const QColor &color)
{
    support->setBandColors(support->bandBorderColor(), color);
}

QColor ListTableView::getRubberBandFillColor() const
{
    return support->bandFillColor();
}

bool ListTableView::isRubberBandActive() const
{
    return support->isBandActive();
}

QRect ListTableView::rubberBandRect() const
{
    return support->isBandActive() ? support->bandRect() : QRect();
}

void ListTableView::updateRow(int row)
{
    if (row < 0 || !model() || row >= model()->rowCount(rootIndex()))
        return;
    viewport()->update(QRect(0, rowViewportPosition(row), viewport()->width(), rowHeight(row)));
}

void ListTableView::setMouseOverRow(int row)
{
    if (row == mouseOver)
        return;
    const QList<QAbstractItemDelegate *> delegates = [this]() {
        QList<QAbstractItemDelegate *> list{itemDelegate()};
        const int columns = model() ? model()->columnCount(rootIndex()) : 0;
        for (int column = 0; column < columns; ++column) {
            if (QAbstractItemDelegate *delegate = itemDelegateForColumn(column))
                list.append(delegate);
        }
        return list;
    }();
    for (QAbstractItemDelegate *delegate : delegates) {
        if (auto *listDelegate = qobject_cast<ListTableItemDelegate *>(delegate))
            listDelegate->setMouseOverRow(row);
    }

    // The previous row's tool bar goes; the new row gets one made afresh.
    if (toolBarIndex.isValid()) {
        const QModelIndex index = toolBarIndex;
        toolBarIndex = QPersistentModelIndex();
        closePersistentEditor(index);
        if (ListTableToolBarDelegate *delegate = getToolBarDelegate())
            delegate->removeEditor(index);
    }
    const int previous = mouseOver;
    mouseOver = row;
    const int rows = model() ? model()->rowCount(rootIndex()) : 0;
    if (row >= 0 && row < rows && toolBarColumn >= 0) {
        const QModelIndex index = model()->index(row, toolBarColumn, rootIndex());
        closePersistentEditor(index);
        openPersistentEditor(index);
        if (indexWidget(index))
            toolBarIndex = index;
    }
    updateRow(previous);
    updateRow(row);
    emit mouseOverRow(row);
}

int ListTableView::getMouseOverRow() const
{
    return mouseOver;
}

void ListTableView::onSelect(int row)
{
    support->select(row);
}

void ListTableView::onSelectAll()
{
    support->selectAll();
}

void ListTableView::onSelectPrev()
{
    support->selectPrevious();
}

void ListTableView::onSelectNext()
{
    support->selectNext();
}

void ListTableView::onRemove()
{
    if (support->isSupportAccelerator() && !support->selectedRows().isEmpty())
        emit remove();
}

void ListTableView::onMouseEntered(const QModelIndex &index)
{
    if (support->isBandActive())
        return;
    setMouseOverRow(index.isValid() ? index.row() : -1);
}

void ListTableView::reset()
{
    // The model forgot every row: no tool bar and no hover row survive.
    toolBarIndex = QPersistentModelIndex();
    setMouseOverRow(-1);
    QTableView::reset();
}

void ListTableView::onLayoutChanged()
{
    // Sorting moved the rows under the mouse; start again from the pointer.
    const int row = rowAt(viewport()->mapFromGlobal(QCursor::pos()).y());
    setMouseOverRow(-1);
    if (viewport()->underMouse())
        setMouseOverRow(row);
}

void ListTableView::rowsInserted(const QModelIndex &parent, int start, int end)
{
    // The live cells of the new rows open when the rows are first drawn (see
    // the thumbnail and progress delegates), so that adding many rows stays
    // cheap.
    QTableView::rowsInserted(parent, start, end);
}

void ListTableView::rowsAboutToBeRemoved(const QModelIndex &parent, int start, int end)
{
    setMouseOverRow(-1);
    if (parent == rootIndex() && model()) {
        ListTableThumbnailDelegate *thumbnails = getThumbnailDelegate();
        ListTableProgressDelegate *progress = getProgressDelegate();
        ListTableToolBarDelegate *toolBars = getToolBarDelegate();
        for (int row = start; row <= end; ++row) {
            if (thumbnails) {
                const QModelIndex index = model()->index(row, thumbnailColumn, parent);
                closePersistentEditor(index);
                thumbnails->removeEditor(index);
            }
            if (progress) {
                const QModelIndex index = model()->index(row, progressBarColumn, parent);
                closePersistentEditor(index);
                progress->removeEditor(index);
            }
            if (toolBars)
                toolBars->removeEditor(model()->index(row, toolBarColumn, parent));
        }
    }
    QTableView::rowsAboutToBeRemoved(parent, start, end);
}

void ListTableView::dataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight,
                                const QList<int> &roles)
{
    // A row of the list changed: only its cells are drawn again, not the
    // whole table as for a range of cells.
    if (topLeft.isValid() && topLeft.row() == bottomRight.row() && topLeft.parent() == rootIndex()) {
        for (int column = topLeft.column(); column <= bottomRight.column(); ++column) {
            const QModelIndex cell = topLeft.siblingAtColumn(column);
            QTableView::dataChanged(cell, cell, roles);
        }
        return;
    }
    QTableView::dataChanged(topLeft, bottomRight, roles);
}

void ListTableView::releaseFarCells()
{
    const int reach = viewport()->height();
    auto isFar = [&](const QPersistentModelIndex &index) {
        if (!index.isValid())
            return false;
        const int top = rowViewportPosition(index.row());
        return top + rowHeight(index.row()) < -reach || top > viewport()->height() + reach;
    };
    if (ListTableThumbnailDelegate *thumbnails = getThumbnailDelegate()) {
        for (const QPersistentModelIndex &index : thumbnails->editorIndexes()) {
            if (isFar(index))
                closePersistentEditor(index);
        }
    }
    if (ListTableProgressDelegate *progress = getProgressDelegate()) {
        for (const QPersistentModelIndex &index : progress->editorIndexes()) {
            if (isFar(index))
                closePersistentEditor(index);
        }
    }
}

QItemSelection ListTableView::rowsInSpan(const QRect &band) const
{
    QItemSelection selection;
    const QAbstractItemModel *itemModel = model();
    if (!itemModel)
        return selection;
    const int rows = itemModel->rowCount(rootIndex());
    const int columns = itemModel->columnCount(rootIndex());
    if (rows <= 0 || columns <= 0)
        return selection;
    // Every row whose vertical extent meets the band's, whatever the band's
    // horizontal place.
    const int contentTop = rowViewportPosition(0);
    const int top = qMax(band.top(), contentTop);
    int first = rowAt(top);
    if (first < 0)
        return selection;
    int last = rowAt(band.bottom());
    if (last < 0)
        last = band.bottom() < contentTop ? -1 : rows - 1;
    if (last < first)
        return selection;
    selection.select(itemModel->index(first, 0, rootIndex()), itemModel->index(last, columns - 1, rootIndex()));
    return selection;
}

bool ListTableView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == verticalScrollBar() && (event->type() == QEvent::Enter || event->type() == QEvent::Leave))
        setMouseOverRow(-1);
    return QTableView::eventFilter(watched, event);
}

bool ListTableView::viewportEvent(QEvent *event)
{
    if (event->type() == QEvent::Leave)
        setMouseOverRow(-1);
    return QTableView::viewportEvent(event);
}

void ListTableView::mousePressEvent(QMouseEvent *event)
{
    support->mousePress(event);
    QTableView::mousePressEvent(event);
}

void ListTableView::mouseMoveEvent(QMouseEvent *event)
{
    if (!support->mouseMove(event))
        QTableView::mouseMoveEvent(event);
    // No hover row while a band is drawn.
    setMouseOverRow(support->isBandActive() ? -1 : rowAt(event->position().toPoint().y()));
}

void ListTableView::mouseReleaseEvent(QMouseEvent *event)
{
    QTableView::mouseReleaseEvent(event);
    support->mouseRelease(event);
    if (event->button() == Qt::RightButton)
        emit rightButtonClicked(event->globalPosition().toPoint(), rowAt(event->position().toPoint().y()));
}

void ListTableView::keyPressEvent(QKeyEvent *event)
{
    support->keyPress(event);
    if (ListViewSupport::isMenuRequest(event)) {
        event->accept();
        openKeyboardMenu();
        return;
    }
    QTableView::keyPressEvent(event);
}

void ListTableView::contextMenuEvent(QContextMenuEvent *event)
{
    if (!ListViewSupport::isMenuRequest(event)) {
        QTableView::contextMenuEvent(event);
        return;
    }
    event->accept();
    openKeyboardMenu();
}

void ListTableView::openKeyboardMenu()
{
    QPoint globalPos;
    const int row = support->keyboardMenuRow(&globalPos);
    emit rightButtonClicked(globalPos, row);
}

void ListTableView::keyReleaseEvent(QKeyEvent *event)
{
    support->keyRelease(event);
    QTableView::keyReleaseEvent(event);
}

void ListTableView::scrollContentsBy(int dx, int dy)
{
    QTableView::scrollContentsBy(dx, dy);
    support->contentScrolled();
    releaseTimer.start();
}

} // namespace Tarn
