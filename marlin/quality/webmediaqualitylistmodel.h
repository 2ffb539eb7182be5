#pragma once

#include "shared/mediaprofile.h"

#include <QStandardItemModel>

namespace Tarn {

// The qualities of one video as the quality pop-up lists them: a hover cell
// (where the list draws its download mark), the quality's label, its
// format and its size, which may arrive later.
class WebMediaQualityListModel : public QStandardItemModel
{
    Q_OBJECT
public:
    enum Column {
        HoverColumn = 0,
        QualityColumn,
        FormatColumn,
        SizeColumn,
        ColumnCount
    };

    // The first column's Kel::MediaType of the quality.
    static constexpr int KindRole = Qt::UserRole + 1;

    explicit WebMediaQualityListModel(QObject *parent = nullptr);

    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    static int columnWidth(int column);
    // The size as the list shows it; empty while unknown.
    static QString sizeText(qint64 size);

    // Appends a row for profile and returns it.
    int appendQuality(const Kel::MediaProfile &profile);
    void setSize(int row, qint64 size);
};

} // namespace Tarn
