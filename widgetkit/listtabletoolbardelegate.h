#pragma once

#include "widgetkit/listtableitemdelegate.h"

#include <QList>
#include <QPointer>

class QAction;

namespace Tarn {

class ListItemToolBar;
class ListTableView;

// The tool-bar column: the row under the mouse shows the view's row actions
// in a ListItemToolBar instead of the cell's text. Only the tool bar made last
// is kept.
class WIDGETKIT_EXPORT ListTableToolBarDelegate : public ListTableItemDelegate
{
    Q_OBJECT

public:
    explicit ListTableToolBarDelegate(QObject *parent = nullptr);

    // Nothing when the view has no row actions.
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    // Selects the tool bar's row in the view.
    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override;
    void updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const override;
    void destroyEditor(QWidget *editor, const QModelIndex &index) const override;
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;

    // The first three actions go to layer 0 of buttons 0 to 2, the next three
    // to layer 1; the rest are ignored. Pages refine it per row.
    virtual void setToolBarActions(ListItemToolBar *toolBar, const QList<QAction *> &actions,
                                   const QModelIndex &index) const;

    void removeEditor(const QModelIndex &index);
    ListItemToolBar *getToolBar() const;

    static const QPoint EditorOffset;

private slots:
    void onToolBarPressed();

private:
    mutable QPointer<ListItemToolBar> toolBar;
};

} // namespace Tarn
