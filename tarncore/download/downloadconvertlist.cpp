#include "tarncore/download/downloadconvertlist.h"

#include "tarncore/convert/downloadconvertitem.h"

namespace Tarn {

void DownloadConvertList::removeItem(int row)
{
    delete takeItem(row);
}

DownloadConvertItem *DownloadConvertList::item(const QString &url) const
{
    for (DownloadConvertItem *candidate : items) {
        if (candidate && candidate->getUrl() == url)
            return candidate;
    }
    return nullptr;
}

} // namespace Tarn
