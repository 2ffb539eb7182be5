#pragma once

#include "widgetkit/listtabletoolbardelegate.h"

namespace Tarn {

// The convert table's row tool bar: its first button offers pause while the
// row's conversion waits or runs, and start otherwise.
class ConvertListToolBarDelegate : public ListTableToolBarDelegate
{
    Q_OBJECT
public:
    explicit ConvertListToolBarDelegate(QObject *parent = nullptr);

    void setToolBarActions(ListItemToolBar *toolBar, const QList<QAction *> &actions,
                           const QModelIndex &index) const override;
};

} // namespace Tarn
