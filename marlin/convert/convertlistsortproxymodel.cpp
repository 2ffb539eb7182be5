#include "marlin/convert/convertlistsortproxymodel.h"

#include "marlin/convert/convertlistmodel.h"
#include "marlin/download/downloadlistmodel.h"

namespace Tarn {

// The download list's order goes by these column numbers.
static_assert(int(ConvertListModel::FileColumn) == int(DownloadListModel::TitleColumn)
                  && int(ConvertListModel::ResolutionColumn) == int(DownloadListModel::ResolutionColumn)
                  && int(ConvertListModel::FormatColumn) == int(DownloadListModel::FormatColumn)
                  && int(ConvertListModel::DurationColumn) == int(DownloadListModel::DurationColumn)
                  && int(ConvertListModel::SizeColumn) == int(DownloadListModel::SizeColumn)
                  && int(ConvertListModel::StatusColumn) == int(DownloadListModel::StatusColumn),
              "the convert list's columns must match the download list's");

ConvertListSortProxyModel::ConvertListSortProxyModel(QObject *parent)
    : DownloadListSortProxyModel(parent)
{
}

} // namespace Tarn
