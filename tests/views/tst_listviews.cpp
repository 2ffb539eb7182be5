// The list views driven with real mouse and key events: the hover row and its
// tool bar, the rubber band, the accelerators and the live cells.
// Mouse events go through the window system, as a real pointer's do, so that
// they reach the child under the pointer and make enter and leave events.
#define QTEST_QPA_MOUSE_HANDLING
#include "listfixturemodel.h"

#include "widgetkit/listitemtoolbar.h"
#include "widgetkit/listtableprogressbar.h"
#include "widgetkit/listtableprogressdelegate.h"
#include "widgetkit/listtablethumbnaildelegate.h"
#include "widgetkit/listtabletoolbardelegate.h"
#include "widgetkit/listtableview.h"
#include "widgetkit/listthumbview.h"
#include "widgetkit/listviewitemdelegate.h"
#include "widgetkit/listviewthumbnailwidget.h"

#include <QContextMenuEvent>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

using namespace Tarn;

namespace {

enum Columns { Thumbnail = 0, Title = 1, Status = 6 };

// Moves the pointer itself, so that what the toolkit believes is under it
// matches the events. A move from next door first: a move to where the pointer
// already is does nothing.
void hover(QWidget *widget, const QPoint &pos)
{
    QCursor::setPos(widget->mapToGlobal(pos) + QPoint(1, 1));
    QCoreApplication::processEvents();
    QCursor::setPos(widget->mapToGlobal(pos));
    QCoreApplication::processEvents();
}

void click(QWidget *widget, const QPoint &pos = QPoint())
{
    const QPoint at = pos.isNull() ? widget->rect().center() : pos;
    hover(widget, at);
    QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, at);
}

QList<QAction *> makeActions(QObject *owner, int count)
{
    QList<QAction *> actions;
    for (int i = 0; i < count; ++i)
        actions.append(new QAction(QStringLiteral("action %1").arg(i), owner));
    return actions;
}

} // namespace

class TstListViews : public QObject
{
    Q_OBJECT

private:
    void fill(ListFixtureModel &model, int rows)
    {
        for (int i = 0; i < rows; ++i)
            model.appendRow(model.makeRow(QStringLiteral("Video %1").arg(i)));
    }

    void showTable(ListTableView &view, ListFixtureModel &model, int rows)
    {
        fill(model, rows);
        view.setModel(&model);
        view.setThumbnailColumn(Thumbnail);
        view.setProgressBarColumn(Status);
        view.setToolBarColumn(Title);
        view.resize(820, 420);
        view.show();
        view.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&view));
    }

    QPoint cellCenter(const ListTableView &view, int row, int column)
    {
        return view.visualRect(view.model()->index(row, column)).center();
    }

    QList<int> selectedRows(const QAbstractItemView &view)
    {
        QList<int> rows;
        for (const QModelIndex &index : view.selectionModel()->selectedRows())
            rows.append(index.row());
        std::sort(rows.begin(), rows.end());
        return rows;
    }

private slots:
    void hoverToolBarShowsAtMostSixActions_data()
    {
        QTest::addColumn<int>("actionCount");
        QTest::newRow("no actions") << 0;
        QTest::newRow("seven actions") << 7;
    }

    void hoverToolBarShowsAtMostSixActions()
    {
        QFETCH(int, actionCount);
        ListFixtureModel model;
        ListTableView view;
        const QList<QAction *> actions = makeActions(&view, actionCount);
        view.setRowActions(actions);
        showTable(view, model, 5);
        QSignalSpy hovered(&view, &ListTableView::mouseOverRow);

        hover(view.viewport(), cellCenter(view, 2, 3));
        QCOMPARE(view.getMouseOverRow(), 2);
        QCOMPARE(hovered.last().at(0).toInt(), 2);
        auto *bar = qobject_cast<ListItemToolBar *>(view.indexWidget(model.index(2, Title)));
        if (actionCount == 0) {
            QVERIFY(!bar);
            return;
        }
        QVERIFY(bar);
        QVERIFY(bar->isVisible());
        QCOMPARE(bar->geometry().topLeft(), view.visualRect(model.index(2, Title)).topLeft() + QPoint(11, 17));
        for (int i = 0; i < 6; ++i)
            QCOMPARE(bar->button(i % 3, i / 3)->defaultAction(), actions.at(i));
        const QList<QToolButton *> buttons = bar->findChildren<QToolButton *>();
        QVERIFY(std::none_of(buttons.begin(), buttons.end(),
                             [&](QToolButton *b) { return b->defaultAction() == actions.at(6); }));

        // Pressing a tool button selects its row; the first button turns to
        // its second layer when clicked.
        click(bar->button(0, 0));
        QCOMPARE(view.indexWidget(model.index(2, Title)), bar);
        QCOMPARE(selectedRows(view), QList<int>{2});
        QCOMPARE(bar->visibleLayer(0), 1);

        // The tool bar follows the mouse to the next row and is made afresh.
        hover(view.viewport(), cellCenter(view, 3, 3));
        QCOMPARE(view.getMouseOverRow(), 3);
        QVERIFY(!view.indexWidget(model.index(2, Title)));
        QVERIFY(view.indexWidget(model.index(3, Title)));
    }

    void leavingForTheScrollBarClearsTheHoverRow()
    {
        ListFixtureModel model;
        ListTableView view;
        view.setRowActions(makeActions(&view, 3));
        showTable(view, model, 40);
        QVERIFY(view.verticalScrollBar()->isVisible());

        // Over the row's tool bar the row stays hovered.
        hover(view.viewport(), cellCenter(view, 1, Title));
        QVERIFY(view.indexWidget(model.index(1, Title)));
        hover(view.viewport(), view.indexWidget(model.index(1, Title))->geometry().center());
        QCOMPARE(view.getMouseOverRow(), 1);
        QCursor::setPos(view.verticalScrollBar()->mapToGlobal(view.verticalScrollBar()->rect().center()));
        QCoreApplication::processEvents();
        QCOMPARE(view.getMouseOverRow(), -1);
        QVERIFY(!view.indexWidget(model.index(1, Title)));
        QVERIFY(!view.getToolBarDelegate()->getToolBar());
    }

    void rubberBandSelectsWholeRows_data()
    {
        QTest::addColumn<bool>("ctrl");
        QTest::newRow("plain") << false;
        QTest::newRow("ctrl toggles") << true;
    }

    void rubberBandSelectsWholeRows()
    {
        QFETCH(bool, ctrl);
        ListFixtureModel model;
        ListTableView view;
        showTable(view, model, 8);
        view.onSelect(6);
        const Qt::KeyboardModifiers modifiers = ctrl ? Qt::ControlModifier : Qt::NoModifier;

        // A band in the Size column from the middle of row 1 to the top
        // quarter of row 3 selects rows 1 to 3, every column of them.
        const QRect row1 = view.visualRect(model.index(1, 5));
        const QRect row3 = view.visualRect(model.index(3, 5));
        const QPoint from = row1.center();
        const QPoint to(row3.center().x() + 20, row3.top() + row3.height() / 4);
        QTest::mousePress(view.viewport(), Qt::LeftButton, modifiers, from);
        QTest::mouseMove(view.viewport(), (from + to) / 2);
        QTest::mouseMove(view.viewport(), to);
        QVERIFY(view.isRubberBandActive());
        QTest::mouseRelease(view.viewport(), Qt::LeftButton, modifiers, to);
        QVERIFY(!view.isRubberBandActive());

        const QList<int> expected = ctrl ? QList<int>{1, 2, 3, 6} : QList<int>{1, 2, 3};
        QCOMPARE(selectedRows(view), expected);
        QCOMPARE(view.selectionModel()->selectedIndexes().size(), expected.size() * model.columnCount());

        // A single click on one cell selects its whole row.
        QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, cellCenter(view, 4, 2));
        QCOMPARE(view.selectionModel()->selectedIndexes().size(), model.columnCount());
    }

    void shiftPressNeverStartsARubberBand()
    {
        ListFixtureModel model;
        ListTableView view;
        showTable(view, model, 8);
        const QPoint from = cellCenter(view, 1, 4);
        const QPoint to = cellCenter(view, 5, 4);
        QTest::mousePress(view.viewport(), Qt::LeftButton, Qt::ShiftModifier, from);
        QTest::mouseMove(view.viewport(), (from + to) / 2);
        QTest::mouseMove(view.viewport(), to);
        QVERIFY(!view.isRubberBandActive());
        QTest::mouseRelease(view.viewport(), Qt::LeftButton, Qt::ShiftModifier, to);
        QVERIFY(!view.isRubberBandActive());
    }

    void keysOnAnEmptySelection_data()
    {
        QTest::addColumn<bool>("grid");
        QTest::newRow("table") << false;
        QTest::newRow("grid") << true;
    }

    void keysOnAnEmptySelection()
    {
        QFETCH(bool, grid);
        ListFixtureModel model;
        fill(model, 6);
        std::unique_ptr<QAbstractItemView> view;
        if (grid)
            view.reset(new ListThumbView);
        else
            view.reset(new ListTableView);
        view->setModel(&model);
        view->resize(800, 420);
        view->show();
        view->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(view.get()));
        view->setFocus();
        auto call = [&](const char *slot) { QVERIFY(QMetaObject::invokeMethod(view.get(), slot)); };

        call("onSelectPrev");
        QCOMPARE(selectedRows(*view), QList<int>{5});
        view->clearSelection();
        call("onSelectNext");
        QCOMPARE(selectedRows(*view), QList<int>{0});
        call("onSelectPrev");
        QCOMPARE(selectedRows(*view), QList<int>{0});

        // The accelerators go through the same slots.
        QTest::keyClick(view.get(), Qt::Key_Down);
        QTest::keyClick(view.get(), Qt::Key_Down);
        QCOMPARE(selectedRows(*view), QList<int>{2});
        QSignalSpy removed(view.get(), SIGNAL(remove()));
        QTest::keyClick(view.get(), Qt::Key_Delete);
        QCOMPARE(removed.size(), 1);
        QTest::keyClick(view.get(), Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(selectedRows(*view).size(), 6);
        view->clearSelection();
        QTest::keyClick(view.get(), Qt::Key_Delete);
        QCOMPARE(removed.size(), 1);
    }

    void keyboardOpensTheRowMenu_data()
    {
        QTest::addColumn<bool>("grid");
        QTest::addColumn<bool>("menuKey");
        QTest::newRow("table, Menu key") << false << true;
        QTest::newRow("table, Shift+F10") << false << false;
        QTest::newRow("grid, Menu key") << true << true;
        QTest::newRow("grid, Shift+F10") << true << false;
    }

    // As a right click does: for the current row, selected alone unless it
    // is part of the selection; with no current row, the menu of no row.
    void keyboardOpensTheRowMenu()
    {
        QFETCH(bool, grid);
        QFETCH(bool, menuKey);
        ListFixtureModel model;
        fill(model, 6);
        std::unique_ptr<QAbstractItemView> view;
        if (grid)
            view.reset(new ListThumbView);
        else
            view.reset(new ListTableView);
        view->setModel(&model);
        view->resize(800, 420);
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view.get()));
        QSignalSpy menus(view.get(), SIGNAL(rightButtonClicked(QPoint, int)));
        const auto ask = [&] {
            if (menuKey) {
                QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(), QPoint());
                QApplication::sendEvent(view.get(), &event);
            } else {
                QTest::keyClick(view.get(), Qt::Key_F10, Qt::ShiftModifier);
            }
        };
        const auto shownAt = [&](int row) {
            const QRect rect = view->visualRect(model.index(row, 0));
            return QRect(view->viewport()->mapToGlobal(rect.topLeft()), rect.size());
        };

        QItemSelectionModel *selection = view->selectionModel();
        selection->clearCurrentIndex();
        ask();
        QCOMPARE(menus.size(), 1);
        QCOMPARE(menus.at(0).at(1).toInt(), -1);

        selection->select(model.index(1, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        selection->setCurrentIndex(model.index(3, 0), QItemSelectionModel::NoUpdate);
        ask();
        QCOMPARE(menus.size(), 2);
        QCOMPARE(menus.at(1).at(1).toInt(), 3);
        QVERIFY(shownAt(3).contains(menus.at(1).at(0).toPoint()));
        QCOMPARE(selectedRows(*view), QList<int>{3});

        selection->select(model.index(4, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        ask();
        QCOMPARE(menus.size(), 3);
        QCOMPARE(menus.at(2).at(1).toInt(), 3);
        QCOMPARE(selectedRows(*view), (QList<int>{3, 4}));
    }

    void removingTheHoveredRowLeavesNoStaleToolBar()
    {
        ListFixtureModel model;
        ListTableView view;
        view.setRowActions(makeActions(&view, 3));
        showTable(view, model, 5);
        hover(view.viewport(), cellCenter(view, 2, 3));
        QPointer<QWidget> oldBar = view.indexWidget(model.index(2, Title));
        QVERIFY(oldBar);

        model.removeRow(2);
        model.insertRow(2, model.makeRow(QStringLiteral("Newcomer")));
        QCOMPARE(view.getMouseOverRow(), -1);
        QVERIFY(!view.indexWidget(model.index(2, Title)));
        QVERIFY(!view.getToolBarDelegate()->getToolBar());
        QTRY_VERIFY(!oldBar);

        // The newcomer gets live cells of its own when drawn.
        view.viewport()->repaint();
        const qint64 key = model.row(2).key;
        QVERIFY(view.getThumbnailDelegate()->getEditor(key));
        QVERIFY(view.getProgressDelegate()->getEditor(key));
        QCOMPARE(view.indexWidget(model.index(2, Status)), view.getProgressDelegate()->getEditor(key));
    }

    void liveCellsFollowTheModel()
    {
        ListFixtureModel model;
        ListTableView view;
        showTable(view, model, 200);
        // Only rows that were on screen have live cells.
        QVERIFY(view.getProgressDelegate()->editorCount() > 0);
        QVERIFY(view.getProgressDelegate()->editorCount() < 20);
        QVERIFY(!view.getProgressDelegate()->getEditor(model.row(199).key));

        model.setStatus(1, ListFixtureModel::Working);
        model.setProgress(1, Kel::Progress(1000, 420, 50));
        view.viewport()->repaint();
        ListTableProgressBar *bar = view.getProgressDelegate()->getEditor(model.row(1).key);
        QVERIFY(bar->isProgressVisible());
        QCOMPARE(bar->getProgressPercentage(), 42);
        QCOMPARE(bar->getStatus().toString(), QStringLiteral("working"));

        model.setStatus(1, ListFixtureModel::Failed);
        view.viewport()->repaint();
        QVERIFY(!bar->isProgressVisible());
        QVERIFY(bar->isFailed());

        // Rows far out of view give their cells back; rows coming into view
        // get theirs.
        QPointer<ListTableProgressBar> first = bar;
        view.scrollToBottom();
        view.viewport()->repaint();
        QVERIFY(view.getProgressDelegate()->getEditor(model.row(199).key));
        QTRY_VERIFY(!first);
        QVERIFY(view.getProgressDelegate()->editorCount() < 40);
        view.scrollToTop();
        view.viewport()->repaint();
        QVERIFY(view.getProgressDelegate()->getEditor(model.row(1).key)->isFailed());
    }

    void gridTilesFollowTheModel()
    {
        ListFixtureModel model;
        fill(model, 30);
        ListThumbView view;
        view.setModel(&model);
        const QList<QAction *> actions = makeActions(&view, 4);
        view.setRowActions(actions);
        view.resize(700, 400);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        ListViewItemDelegate *delegate = view.getItemDelegate();
        QTRY_VERIFY(delegate->getEditor(model.row(0).key));
        QVERIFY(!delegate->getEditor(model.row(29).key));

        ListViewThumbnailWidget *tile = delegate->getEditor(model.row(0).key);
        QCOMPARE(tile->text(), QStringLiteral("Video 0"));
        QCOMPARE(tile->toolBar()->button(0, 1)->defaultAction(), actions.at(3));
        model.setStatus(0, ListFixtureModel::Working);
        model.setProgress(0, Kel::Progress(100, 30, 1));
        view.viewport()->repaint();
        QVERIFY(tile->isWorking());
        QCOMPARE(tile->getProgressPercentage(), 30);

        // Hovering a working tile shows its tool bar with the second layer
        // of the first button; pressing it selects the tile's row.
        hover(view.viewport(), view.visualRect(model.index(0, 0)).center());
        QCOMPARE(view.getMouseOverRow(), 0);
        view.viewport()->repaint();
        QVERIFY(tile->isHovered());
        QCOMPARE(tile->toolBar()->visibleLayer(0), 1);
        hover(tile->toolBar()->button(1, 0), tile->toolBar()->button(1, 0)->rect().center());
        QTest::mousePress(tile->toolBar()->button(1, 0), Qt::LeftButton);
        QCOMPARE(selectedRows(view), QList<int>{0});
        view.viewport()->repaint();
        QVERIFY(!tile->isHovered());

        // A band touching two tiles selects those two.
        const QRect first = view.visualRect(model.index(1, 0));
        const QRect second = view.visualRect(model.index(2, 0));
        QTest::mousePress(view.viewport(), Qt::LeftButton, Qt::NoModifier, first.center() + QPoint(0, 30));
        QTest::mouseMove(view.viewport(), second.center());
        QTest::mouseMove(view.viewport(), second.center() + QPoint(0, 40));
        QTest::mouseRelease(view.viewport(), Qt::LeftButton, Qt::NoModifier, second.center() + QPoint(0, 40));
        QCOMPARE(selectedRows(view), (QList<int>{1, 2}));
    }
};

QTEST_MAIN(TstListViews)
#include "tst_listviews.moc"
