#pragma once

#include "tarncore/download/itemlist.h"
#include "tarncore/tarncoreglobal.h"

#include <QString>

namespace Tarn {

class DownloadConvertItem;

// The download-then-convert items of this run, in the order they were added.
class TARNCORE_EXPORT DownloadConvertList : public ItemList<DownloadConvertItem>
{
public:
    using ItemList<DownloadConvertItem>::item;

    // Takes the item out and deletes it at once.
    void removeItem(int row);
    // The first item of that page; null when none.
    DownloadConvertItem *item(const QString &url) const;
};

} // namespace Tarn
