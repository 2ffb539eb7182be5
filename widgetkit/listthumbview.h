#pragma once

#include "widgetkit/widgetkitglobal.h"

#include <QAction>
#include <QColor>
#include <QFont>
#include <QList>
#include <QListView>
#include <QTimer>

namespace Tarn {

class ListViewItemDelegate;
class ListViewSupport;

// The thumbnail grid of a list page: one tile per row, with the same whole-row
// selection, hover row, rubber band and accelerators as the detail table.
class WIDGETKIT_EXPORT ListThumbView : public QListView
{
    Q_OBJECT
    Q_PROPERTY(QFont emphasisTextFont READ getEmphasisTextFont WRITE setEmphasisTextFont)
    Q_PROPERTY(QColor emphasisTextColor READ getEmphasisTextColor WRITE setEmphasisTextColor)
    Q_PROPERTY(bool supportAccelerator READ isSupportAccelerator WRITE setAcceleratorSupport)
    Q_PROPERTY(QSize mouseSpace READ getMouseSpace WRITE setMouseSpace)
    Q_PROPERTY(QColor rubberBandBorderColor READ getRubberBandBorderColor WRITE setRubberBandBorderColor)
    Q_PROPERTY(QColor rubberBandFillColor READ getRubberBandFillColor WRITE setRubberBandFillColor)

public:
    explicit ListThumbView(QWidget *parent = nullptr);
    ~ListThumbView() override;

    void setModel(QAbstractItemModel *model) override;
    ListViewItemDelegate *getItemDelegate() const;

    void setRowActions(const QList<QAction *> &actions);
    QList<QAction *> getRowActions() const;

    void setEmphasisTextFont(const QFont &font);
    QFont getEmphasisTextFont() const;
    void setEmphasisTextColor(const QColor &color);
    QColor getEmphasisTextColor() const;
    void setMouseSpace(const QSize &space);
    QSize getMouseSpace() const;
    void setAcceleratorSupport(bool on);
    bool isSupportAccelerator() const;
    void setRubberBandBorderColor(const QColor &color);
    QColor getRubberBandBorderColor() const;
    void setRubberBandFillColor(const QColor &color);
    QColor getRubberBandFillColor() const;

    void setMouseOverRow(int row);
    int getMouseOverRow() const;
    bool isRubberBandActive() const;
    QRect rubberBandRect() const;

public slots:
    void onSelect(int row);
    void onSelectAll();
    void onSelectPrev();
    void onSelectNext();
    void onRemove();
    void onMouseEntered(const QModelIndex &index);
    void reset() override;

signals:
    void rightButtonClicked(const QPoint &globalPos, int row);
    void mouseOverRow(int row);
    void remove();

protected slots:
    void rowsInserted(const QModelIndex &parent, int start, int end) override;
    void rowsAboutToBeRemoved(const QModelIndex &parent, int start, int end) override;
    void dataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight,
                     const QList<int> &roles = QList<int>()) override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    bool viewportEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    // The Menu key and Shift+F10 open the menu a right click opens, for
    // the current row.
    void contextMenuEvent(QContextMenuEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void openKeyboardMenu();
    QItemSelection itemsInRect(const QRect &band) const;
    void updateTile(int row);
    int rowAtPoint(const QPoint &pos) const;
    void onLayoutChanged();
    // Live cells far from the visible rows go, so that a long list holds
    // the widgets of a few screens only; they are made again when their rows
    // come back into view.
    void releaseFarCells();

    ListViewSupport *support;
    QTimer releaseTimer;
    QList<QAction *> rowActions;
    QFont emphasisFont;
    bool emphasisFontSet = false;
    QColor emphasisColor;
    int mouseOver = -1;
};

} // namespace Tarn
