#include "marlin/quality/webmediaqualitylistmodel.h"

#include "shared/kelunits.h"
#include "widgetkit/listitemroles.h"

namespace Tarn {

namespace {

constexpr int widths[WebMediaQualityListModel::ColumnCount] = {82, 118, 120, 100};

} // namespace

WebMediaQualityListModel::WebMediaQualityListModel(QObject *parent)
    : QStandardItemModel(0, ColumnCount, parent)
{
}

int WebMediaQualityListModel::columnWidth(int column)
{
    return column >= 0 && column < ColumnCount ? widths[column] : 0;
}

QString WebMediaQualityListModel::sizeText(qint64 size)
{
    return size > 0 ? Kel::Units::sizeString(size) : QString();
}

QVariant WebMediaQualityListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return QVariant();
    switch (role) {
    case Qt::TextAlignmentRole:
        return index.column() == HoverColumn ? int(Qt::AlignCenter) : int(Qt::AlignLeft | Qt::AlignVCenter);
    case EmphasisRole:
        return index.column() == QualityColumn;
    case Qt::UserRole:
        return index.column() == HoverColumn ? QVariant(true) : QVariant();
    default:
        break;
    }
    return QStandardItemModel::data(index, role);
}

Qt::ItemFlags WebMediaQualityListModel::flags(const QModelIndex &index) const
{
    // Read-only rows that can be clicked.
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

int WebMediaQualityListModel::appendQuality(const Kel::MediaProfile &profile)
{
    QList<QStandardItem *> cells;
    cells.append(new QStandardItem);
    // An unreported picture size leaves the cell empty.
    const bool sized = !profile.qualityLabel.isEmpty() || !profile.resolution.isEmpty();
    cells.append(new QStandardItem(sized ? profile.resolutionString() : QString()));
    cells.append(new QStandardItem(profile.format.toUpper()));
    cells.append(new QStandardItem(sizeText(profile.size)));
    cells.first()->setData(int(profile.type), KindRole);
    for (QStandardItem *cell : std::as_const(cells))
        cell->setEditable(false);
    appendRow(cells);
    return rowCount() - 1;
}

void WebMediaQualityListModel::setSize(int row, qint64 size)
{
    if (QStandardItem *cell = item(row, SizeColumn))
        cell->setText(sizeText(size));
}

} // namespace Tarn
