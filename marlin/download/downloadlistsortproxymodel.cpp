#include "marlin/download/downloadlistsortproxymodel.h"

#include "marlin/download/downloadlistmodel.h"

#include <QCollator>

namespace Tarn {

namespace {

int compareText(const QString &a, const QString &b)
{
    static thread_local QCollator collator = [] {
        QCollator c;
        c.setNumericMode(true);
        c.setCaseSensitivity(Qt::CaseInsensitive);
        return c;
    }();
    return collator.compare(a, b);
}

} // namespace

DownloadListSortProxyModel::DownloadListSortProxyModel(QObject *parent)
    : QSortFilterProxyModel(parent)
{
    setDynamicSortFilter(false);
}

bool DownloadListSortProxyModel::lessThan(const QModelIndex &left, const QModelIndex &right) const
{
    const auto value = [](const QModelIndex &index, int role) { return index.data(role); };
    switch (left.column()) {
    case DownloadListModel::DurationColumn:
    case DownloadListModel::SizeColumn:
        return value(left, Qt::UserRole).toLongLong() < value(right, Qt::UserRole).toLongLong();
    case DownloadListModel::StatusColumn: {
        const int a = value(left, Qt::UserRole).toInt();
        const int b = value(right, Qt::UserRole).toInt();
        if (a != b)
            return a < b;
        return compareText(value(left, Qt::DisplayRole).toString(), value(right, Qt::DisplayRole).toString()) < 0;
    }
    case DownloadListModel::TitleColumn:
    case DownloadListModel::ResolutionColumn:
    case DownloadListModel::FormatColumn:
        return compareText(value(left, Qt::DisplayRole).toString(), value(right, Qt::DisplayRole).toString()) < 0;
    default:
        break;
    }
    // Rows keep the order they were added in.
    return left.row() < right.row();
}

} // namespace Tarn
