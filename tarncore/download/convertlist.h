#pragma once

#include "tarncore/download/itemlist.h"
#include "tarncore/tarncoreglobal.h"
#include "shared/mediaprofile.h"

#include <QString>

namespace Tarn {

class ConvertItem;

// The convert items of this run, in the order they were added.
class TARNCORE_EXPORT ConvertList : public ItemList<ConvertItem>
{
public:
    // Releases the item's conversion, takes it out and deletes it at once.
    void removeItem(int row);
    // The first conversion of that source file and, when profile is valid,
    // to that profile; null when none.
    ConvertItem *find(const QString &srcFile, const Kel::MediaProfile &profile) const;
};

} // namespace Tarn
