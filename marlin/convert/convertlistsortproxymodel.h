#pragma once

#include "marlin/download/downloadlistsortproxymodel.h"

namespace Tarn {

// The order the user picks by clicking a header, as on the download page:
// Size and Duration by number, Status by its number and then its text,
// File, Resolution and Format by the text shown, numbers in it counted as
// numbers. The two lists share their column layout, so the download list's
// order serves here too.
class ConvertListSortProxyModel : public DownloadListSortProxyModel
{
    Q_OBJECT
public:
    explicit ConvertListSortProxyModel(QObject *parent = nullptr);
};

} // namespace Tarn
