#include "marlin/convert/convertlisttoolbardelegate.h"

#include "marlin/convert/convertlistmodel.h"
#include "tarncore/convert/convertitem.h"
#include "widgetkit/listitemtoolbar.h"

namespace Tarn {

ConvertListToolBarDelegate::ConvertListToolBarDelegate(QObject *parent)
    : ListTableToolBarDelegate(parent)
{
}

void ConvertListToolBarDelegate::setToolBarActions(ListItemToolBar *toolBar, const QList<QAction *> &actions,
                                                   const QModelIndex &index) const
{
    ListTableToolBarDelegate::setToolBarActions(toolBar, actions, index);
    const int status = index.sibling(index.row(), ConvertListModel::StatusColumn).data(Qt::UserRole).toInt();
    const bool running = status == ConvertItem::StatusReady || status == ConvertItem::StatusStarting
        || status == ConvertItem::StatusConverting;
    toolBar->setVisibleButton(0, running ? 1 : 0);
}

} // namespace Tarn
