#include "widgetkit/listselectionmodel.h"

#include <QSet>

namespace Tarn {

ListSelectionModel::ListSelectionModel(QAbstractItemModel *model, QObject *parent)
    : QItemSelectionModel(model, parent)
{
}

void ListSelectionModel::select(const QItemSelection &selection, QItemSelectionModel::SelectionFlags command)
{
    const QAbstractItemModel *itemModel = model();
    if (!itemModel || selection.isEmpty()) {
        QItemSelectionModel::select(selection, command);
        return;
    }

    // The rows in order of first appearance, each widened to all columns. Runs
    // of neighbouring rows become one range, and the whole widened selection
    // goes to the base class in one call: with Clear or Current in the flags,
    // one call per row would keep only the last row.
    QItemSelection rows;
    QSet<QPair<QPersistentModelIndex, int>> seen;
    for (const QItemSelectionRange &range : selection) {
        if (!range.isValid())
            continue;
        const QModelIndex parent = range.parent();
        const int lastColumn = itemModel->columnCount(parent) - 1;
        if (lastColumn < 0)
            continue;
        const QPersistentModelIndex parentKey(parent);
        int runStart = -1;
        int runEnd = -1;
        auto flush = [&]() {
            if (runStart >= 0) {
                rows.append(QItemSelectionRange(itemModel->index(runStart, 0, parent),
                                                itemModel->index(runEnd, lastColumn, parent)));
            }
            runStart = runEnd = -1;
        };
        for (int row = range.top(); row <= range.bottom(); ++row) {
            const auto key = qMakePair(parentKey, row);
            if (seen.contains(key)) {
                flush();
                continue;
            }
            seen.insert(key);
            if (runStart < 0)
                runStart = row;
            runEnd = row;
        }
        flush();
    }
    QItemSelectionModel::select(rows, command);
}

} // namespace Tarn
