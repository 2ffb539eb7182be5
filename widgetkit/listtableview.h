#pragma once

#include "widgetkit/widgetkitglobal.h"

#include <QAction>
#include <QColor>
#include <QFont>
#include <QList>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QTimer>
#include <QTableView>

namespace Tarn {

class ListTableItemDelegate;
class ListTableProgressDelegate;
class ListTableThumbnailDelegate;
class ListTableToolBarDelegate;
class ListViewSupport;

// The detail table of a list page. Rows are selected whole; the row under the
// mouse is drawn hovered and shows the row actions in a tool bar; the
// thumbnail and progress columns hold live widgets; a rubber band selects
// the rows it spans; Ctrl+A, Up, Down and Delete act on the selection.
class WIDGETKIT_EXPORT ListTableView : public QTableView
{
    Q_OBJECT
    Q_PROPERTY(QFont emphasisTextFont READ getEmphasisTextFont WRITE setEmphasisTextFont)
    Q_PROPERTY(QColor emphasisTextColor READ getEmphasisTextColor WRITE setEmphasisTextColor)
    Q_PROPERTY(QString mouseHoverIcon READ getMouseHoverIcon WRITE setMouseHoverIcon)
    Q_PROPERTY(int thumbnailColumn READ getThumbnailColumn WRITE setThumbnailColumn)
    Q_PROPERTY(int progressBarColumn READ getProgressBarColumn WRITE setProgressBarColumn)
    Q_PROPERTY(int toolBarColumn READ getToolBarColumn WRITE setToolBarColumn)
    Q_PROPERTY(bool supportAccelerator READ isSupportAccelerator WRITE setAcceleratorSupport)
    Q_PROPERTY(QSize mouseSpace READ getMouseSpace WRITE setMouseSpace)
    Q_PROPERTY(QColor rubberBandBorderColor READ getRubberBandBorderColor WRITE setRubberBandBorderColor)
    Q_PROPERTY(QColor rubberBandFillColor READ getRubberBandFillColor WRITE setRubberBandFillColor)

public:
    explicit ListTableView(QWidget *parent = nullptr);
    ~ListTableView() override;

    void setModel(QAbstractItemModel *model) override;

    // Each installs the matching delegate on its column, unless one of that
    // kind is there already.
    void setThumbnailColumn(int column);
    int getThumbnailColumn() const;
    void setProgressBarColumn(int column);
    int getProgressBarColumn() const;
    void setToolBarColumn(int column);
    int getToolBarColumn() const;
    // The caller's tool-bar delegate, used instead of the plain one.
    void setToolBarDelegate(ListTableToolBarDelegate *delegate);
    ListTableToolBarDelegate *getToolBarDelegate() const;
    ListTableThumbnailDelegate *getThumbnailDelegate() const;
    ListTableProgressDelegate *getProgressDelegate() const;

    void setRowActions(const QList<QAction *> &actions);
    QList<QAction *> getRowActions() const;

    void setEmphasisTextFont(const QFont &font);
    QFont getEmphasisTextFont() const;
    void setEmphasisTextColor(const QColor &color);
    QColor getEmphasisTextColor() const;
    void setMouseHoverIcon(const QString &path);
    QString getMouseHoverIcon() const;
    void setMouseSpace(const QSize &space);
    QSize getMouseSpace() const;
    void setAcceleratorSupport(bool on);
    bool isSupportAccelerator() const;
    void setRubberBandBorderColor(const QColor &color);
    QColor getRubberBandBorderColor() const;
    void setRubberBandFillColor(const QColor &color);
    QColor getRubberBandFillColor() const;

    // The hover row: -1 for none.
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
    QItemSelection rowsInSpan(const QRect &band) const;
    void closeColumnEditors(int column);
    void updateRow(int row);
    void onLayoutChanged();
    // Live cells far from the visible rows go, so that a long list holds
    // the widgets of a few screens only; they are made again when their rows
    // come back into view.
    void releaseFarCells();

    ListViewSupport *support;
    QTimer releaseTimer;
    QPointer<ListTableToolBarDelegate> callerToolBarDelegate;
    QList<QAction *> rowActions;
    QPersistentModelIndex toolBarIndex;
    QFont emphasisFont;
    bool emphasisFontSet = false;
    QColor emphasisColor;
    QString hoverIcon;
    int thumbnailColumn = -1;
    int progressBarColumn = -1;
    int toolBarColumn = -1;
    int mouseOver = -1;
};

} // namespace Tarn
