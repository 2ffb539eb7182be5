#pragma once

#include <QList>

namespace Tarn {

// An ordered list of work items that owns them: removing an item deletes
// it. Copies share the pointers; only the data manager's lists own items.
template<typename Item>
class ItemList
{
public:
    int count() const { return items.size(); }
    // Always true: duplicates and null pointers are not checked.
    bool append(Item *item)
    {
        items.append(item);
        return true;
    }
    // Null when row is out of range.
    Item *item(int row) const { return row >= 0 && row < items.size() ? items.at(row) : nullptr; }
    // -1 when absent.
    int row(Item *item) const { return items.indexOf(item); }
    bool hasWorkItem() const
    {
        for (Item *item : items) {
            if (item && item->isWorking())
                return true;
        }
        return false;
    }
    const QList<Item *> &getItems() const { return items; }

protected:
    // Takes the item at row out of the list; null when row is out of range.
    Item *takeItem(int row) { return row >= 0 && row < items.size() ? items.takeAt(row) : nullptr; }

    QList<Item *> items;
};

} // namespace Tarn
