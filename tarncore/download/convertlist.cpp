#include "tarncore/download/convertlist.h"

#include "tarncore/convert/convertitem.h"

namespace Tarn {

void ConvertList::removeItem(int row)
{
    ConvertItem *item = takeItem(row);
    if (!item)
        return;
    item->clear();
    delete item;
}

ConvertItem *ConvertList::find(const QString &srcFile, const Kel::MediaProfile &profile) const
{
    for (ConvertItem *item : items) {
        if (!item || item->getConvertParameters().getSrcFile() != srcFile)
            continue;
        if (!profile.isValid() || item->getConvertParameters().getConvertProfile() == profile)
            return item;
    }
    return nullptr;
}

} // namespace Tarn
