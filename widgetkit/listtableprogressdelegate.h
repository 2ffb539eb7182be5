#pragma once

#include "widgetkit/listtableitemdelegate.h"

#include "widgetkit/livecellmap.h"

#include <QPointer>

namespace Tarn {

class ListTableProgressBar;

// The progress column: a live ListTableProgressBar over each cell, filed under
// the row's item key and brought up to date whenever the cell is drawn.
class WIDGETKIT_EXPORT ListTableProgressDelegate : public ListTableItemDelegate
{
    Q_OBJECT

public:
    explicit ListTableProgressDelegate(QObject *parent = nullptr);

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override;
    void updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const override;
    void destroyEditor(QWidget *editor, const QModelIndex &index) const override;
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;

    void removeEditor(const QModelIndex &index);
    ListTableProgressBar *getEditor(qint64 key) const;
    int editorCount() const;
    // The cells that hold a live widget now.
    QList<QPersistentModelIndex> editorIndexes() const;

private:
    void sync(ListTableProgressBar *bar, const QModelIndex &index) const;

    mutable LiveCellMap<ListTableProgressBar> editors;
};

} // namespace Tarn
