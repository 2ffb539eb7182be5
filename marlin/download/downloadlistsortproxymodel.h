#pragma once

#include <QSortFilterProxyModel>

namespace Tarn {

// The order the user picks by clicking a header: Size and Duration by
// number, Status by its number and then its text, Resolution and Format by
// the text shown, Title by title (the address for a page without one yet).
class DownloadListSortProxyModel : public QSortFilterProxyModel
{
    Q_OBJECT
public:
    explicit DownloadListSortProxyModel(QObject *parent = nullptr);

protected:
    bool lessThan(const QModelIndex &left, const QModelIndex &right) const override;
};

} // namespace Tarn
