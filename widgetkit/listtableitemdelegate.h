#pragma once

#include "widgetkit/widgetkitglobal.h"

#include <QStyledItemDelegate>

namespace Tarn {

// The cell painter of the list views. It draws the whole row under the mouse
// hovered, emphasised cells (EmphasisRole) with the view's emphasis font and
// colour, and the view's mouse-hover icon at the start of the hovered row.
// The delegates with live cells derive from it.
class WIDGETKIT_EXPORT ListTableItemDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    explicit ListTableItemDelegate(QObject *parent = nullptr);

    virtual void setMouseOverRow(int row);
    virtual int getMouseOverRow() const;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;

    // The key the item behind the index is filed under (ItemKeyRole).
    static qint64 itemKey(const QModelIndex &index);

protected:
    // The option as this row is drawn: hovered exactly on the mouse-over row,
    // emphasis applied.
    QStyleOptionViewItem rowOption(const QStyleOptionViewItem &option, const QModelIndex &index) const;
    // Draws the cell as the standard delegate would, from a prepared option.
    void paintCell(QPainter *painter, const QStyleOptionViewItem &option) const;

private:
    void paintHoverIcon(QPainter *painter, const QStyleOptionViewItem &option) const;

    int mouseOverRow = -1;
    mutable QString failedIconPath;
};

} // namespace Tarn
