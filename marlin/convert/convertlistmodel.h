#pragma once

#include <QAbstractItemModel>
#include <QHash>
#include <QString>

namespace Tarn {

class ConvertItem;
class ConvertList;

// The convert list as the list views see it: row n is item n of the data
// manager's convert list. The model owns nothing; it adds items to the list
// and takes them out so that the views hear of every change. It also keeps
// why an item failed, for the status cell's tool tip.
class ConvertListModel : public QAbstractItemModel
{
    Q_OBJECT
public:
    enum Column {
        ThumbnailColumn = 0,
        FileColumn,
        ResolutionColumn,
        FormatColumn,
        DurationColumn,
        SizeColumn,
        StatusColumn,
        ColumnCount
    };

    // The data manager's convert list unless another one is given.
    explicit ConvertListModel(QObject *parent = nullptr, ConvertList *list = nullptr);
    ~ConvertListModel() override;

    QModelIndex index(int row, int column, const QModelIndex &parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    // The initial width of a column.
    static int columnWidth(int column);

    ConvertList *list() const { return convertList; }
    ConvertItem *item(int row) const;
    ConvertItem *item(const QModelIndex &index) const;
    int row(ConvertItem *item) const;

    // Appends the item to the list (which owns it from then on).
    void append(ConvertItem *item);
    // Takes the item of row out of the list and deletes it.
    void removeItem(int row);

    // Why the item failed, in the converter's words where it gave them.
    QString failureReason(ConvertItem *item) const;
    void setFailureReason(ConvertItem *item, const QString &reason);

    // The status column's text; empty where the progress bar shows.
    static QString statusText(int status, bool progressShown);

signals:
    void itemStatusChanged();

public slots:
    void itemDataChanged();

private:
    void watch(ConvertItem *item);
    void onItemDestroyed(QObject *object);
    QString toolTip(ConvertItem *item, int column) const;

    ConvertList *convertList;
    // Stable keys of the rows' items, for the views' live cells.
    QHash<const ConvertItem *, qint64> keys;
    QHash<const ConvertItem *, QString> reasons;
    qint64 nextKey = 1;
    bool removing = false;
};

} // namespace Tarn
