#pragma once

#include <QHash>
#include <QList>
#include <QPersistentModelIndex>
#include <QPointer>

namespace Tarn {

// The live cells a delegate made, filed under their rows' item keys, with the
// cell each one sits on.
template <typename Widget>
class LiveCellMap
{
public:
    void insert(qint64 key, Widget *widget, const QModelIndex &index)
    {
        cells.insert(key, Cell{widget, QPersistentModelIndex(index)});
    }
    // Forgets the key's cell only if it is this widget: a newer one may have
    // taken the key.
    void remove(qint64 key, const QObject *widget)
    {
        const auto it = cells.constFind(key);
        if (it != cells.cend() && it->widget == widget)
            cells.erase(it);
    }
    void remove(qint64 key) { cells.remove(key); }
    Widget *widget(qint64 key) const { return cells.value(key).widget; }
    int size() const { return int(cells.size()); }
    QList<QPersistentModelIndex> indexes() const
    {
        QList<QPersistentModelIndex> list;
        list.reserve(cells.size());
        for (const Cell &cell : cells)
            list.append(cell.index);
        return list;
    }
    QList<Widget *> widgets() const
    {
        QList<Widget *> list;
        for (const Cell &cell : cells) {
            if (cell.widget)
                list.append(cell.widget);
        }
        return list;
    }

private:
    struct Cell {
        QPointer<Widget> widget;
        QPersistentModelIndex index;
    };
    QHash<qint64, Cell> cells;
};

} // namespace Tarn
