#pragma once

#include "widgetkit/listtableitemdelegate.h"

namespace Tarn {

// The first cell of a quality row: a quiet mark of what the quality holds
// (picture and sound, or sound only), which gives way to the list's
// download mark while the mouse is over the row.
class QualityKindDelegate : public ListTableItemDelegate
{
    Q_OBJECT
public:
    explicit QualityKindDelegate(QObject *parent = nullptr);

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
};

} // namespace Tarn
