#pragma once

#include "widgetkit/widgetkitglobal.h"

#include <QItemSelectionModel>

namespace Tarn {

// The row-selection policy both list views share: whatever is selected, whole
// rows are selected, every column of them.
class WIDGETKIT_EXPORT ListSelectionModel : public QItemSelectionModel
{
    Q_OBJECT

public:
    explicit ListSelectionModel(QAbstractItemModel *model, QObject *parent = nullptr);

    using QItemSelectionModel::select;
    void select(const QItemSelection &selection, QItemSelectionModel::SelectionFlags command) override;
};

} // namespace Tarn
