#pragma once

#include "tarncore/download/itemlist.h"
#include "tarncore/tarncoreglobal.h"
#include "shared/mediaprofile.h"

#include <QString>

namespace Tarn {

class DownloadItem;

// The download items of this run, in the order they were added.
class TARNCORE_EXPORT DownloadList : public ItemList<DownloadItem>
{
public:
    // Takes the item out and deletes it at once.
    void removeItem(int row);
    // The first item of that page and, when quality is valid, with that
    // chosen quality; null when none.
    DownloadItem *find(const QString &url, const Kel::MediaProfile &quality) const;
};

} // namespace Tarn
