#include "marlin/download/downloadlistsortproxymodel.h"

#include "marlin/download/downloadlistmodel.h"


namespace Tarn {

namespace {

// Text with the numbers in it compared as numbers ("240P" before
// "1080P"), the rest as the user's language orders it, case aside.
int compareText(const QString &a, const QString &b)
{
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        const bool digitA = a.at(i).isDigit();
        const bool digitB = b.at(j).isDigit();
        qsizetype endA = i;
        while (endA < a.size() && a.at(endA).isDigit() == digitA)
            ++endA;
        qsizetype endB = j;
        while (endB < b.size() && b.at(endB).isDigit() == digitB)
            ++endB;
        QStringView partA = QStringView(a).mid(i, endA - i);
        QStringView partB = QStringView(b).mid(j, endB - j);
        int result = 0;
        if (digitA && digitB) {
            // Leading zeros aside, the longer number is the greater one.
            while (partA.size() > 1 && partA.front() == QLatin1Char('0'))
                partA = partA.mid(1);
            while (partB.size() > 1 && partB.front() == QLatin1Char('0'))
                partB = partB.mid(1);
            result = partA.size() != partB.size() ? (partA.size() < partB.size() ? -1 : 1)
                                                  : partA.compare(partB);
        } else {
            result = QString::localeAwareCompare(partA.toString().toCaseFolded(), partB.toString().toCaseFolded());
        }
        if (result != 0)
            return result;
        i = endA;
        j = endB;
    }
    return (i < a.size()) - (j < b.size());
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
