#pragma once

#include <QColor>
#include <QItemSelection>
#include <QList>
#include <QObject>
#include <QPoint>
#include <QSize>
#include <QTimer>

#include <functional>

class QAbstractItemView;
class QAction;
class QEvent;
class QKeyEvent;
class QMouseEvent;

namespace Tarn {

class ListRubberBand;

// What the table and the thumbnail grid share: the keyboard accelerators, the
// whole-row selection slots, the tracked modifier keys and the rubber band.
class ListViewSupport : public QObject
{
    Q_OBJECT

public:
    // The rows a band covers; the band is in viewport coordinates.
    using BandSelection = std::function<QItemSelection(const QRect &band)>;

    ListViewSupport(QAbstractItemView *view, BandSelection bandSelection);

    // The four accelerator actions, added to the view: select all, previous,
    // next, remove.
    QList<QAction *> accelerators() const;
    void setAcceleratorSupport(bool on);
    bool isSupportAccelerator() const;
    void setMouseSpace(const QSize &space);
    QSize getMouseSpace() const;
    void setBandColors(const QColor &border, const QColor &fill);
    QColor bandBorderColor() const;
    QColor bandFillColor() const;

    int rowCount() const;
    QList<int> selectedRows() const;
    // Selects the row alone and makes it current; negative or beyond the end
    // means the last row.
    void select(int row);
    void selectAll();
    void selectPrevious();
    void selectNext();

    // Event hooks. mousePress comes before the view's own handling,
    // mouseMove returns true when the band took the move, mouseRelease
    // comes after the view's own handling.
    void mousePress(QMouseEvent *event);
    bool mouseMove(QMouseEvent *event);
    void mouseRelease(QMouseEvent *event);
    void keyPress(QKeyEvent *event);
    void keyRelease(QKeyEvent *event);
    void contentScrolled();
    // True for the keys that ask for the context menu (the Menu key comes as
    // a keyboard context-menu event, Shift+F10 as a key press).
    static bool isMenuRequest(const QEvent *event);
    // The row a menu asked for from the keyboard is for, and where it opens
    // (global): the current row, selected alone first unless it is selected
    // already; else no row (-1) and the middle of the view.
    int keyboardMenuRow(QPoint *globalPos);

    bool isBandArmed() const;
    bool isBandActive() const;
    QRect bandRect() const;
    bool isCtrlHeld() const;
    bool isShiftHeld() const;

private:
    QPoint contentOffset() const;
    QModelIndex rowIndex(int row) const;
    void applyBand();
    void autoScroll();

    QAbstractItemView *view;
    BandSelection bandSelection;
    ListRubberBand *band;
    QList<QAction *> actions;
    QTimer scrollTimer;
    QSize mouseSpace{-1, -1};
    QColor borderColor{222, 222, 222};
    QColor fillColor{0, 0, 0, 28};
    QPoint pressPoint;
    QPoint origin;  // content coordinates: the band's origin moves with the content
    QPoint current; // viewport coordinates
    bool acceleratorOn = true;
    bool armed = false;
    bool active = false;
    bool ctrlHeld = false;
    bool shiftHeld = false;
};

} // namespace Tarn
