#include "tarncore/download/downloadlist.h"

#include "tarncore/download/downloaditem.h"

namespace Tarn {

void DownloadList::removeItem(int row)
{
    delete takeItem(row);
}

DownloadItem *DownloadList::find(const QString &url, const Kel::MediaProfile &quality) const
{
    for (DownloadItem *item : items) {
        if (!item || item->getUrl() != url)
            continue;
        if (!quality.isValid() || item->getDownloadParameters().getDownloadQuality() == quality)
            return item;
    }
    return nullptr;
}

} // namespace Tarn
