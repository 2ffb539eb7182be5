#pragma once

#include "widgetkit/listtableitemdelegate.h"

#include <QHash>
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

private:
    void sync(ListTableProgressBar *bar, const QModelIndex &index) const;

    mutable QHash<qint64, QPointer<ListTableProgressBar>> editors;
};

} // namespace Tarn
