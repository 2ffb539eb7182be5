#pragma once

#include <QAbstractItemModel>
#include <QHash>
#include <QString>

namespace Tarn {

class DownloadItem;
class DownloadList;

// The download list as the list views see it: row n is item n of the data
// manager's download list. The model owns nothing; it adds items to the list
// and takes them out so that the views hear of every change. Besides the
// roles of the list views it remembers why an item failed, for the status
// cell's tool tip.
class DownloadListModel : public QAbstractItemModel
{
    Q_OBJECT
public:
    enum Column {
        ThumbnailColumn = 0,
        TitleColumn,
        ResolutionColumn,
        FormatColumn,
        DurationColumn,
        SizeColumn,
        StatusColumn,
        ColumnCount
    };

    // The data manager's download list unless another one is given.
    explicit DownloadListModel(QObject *parent = nullptr, DownloadList *list = nullptr);
    ~DownloadListModel() override;

    QModelIndex index(int row, int column, const QModelIndex &parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    // The initial width of a column.
    static int columnWidth(int column);

    DownloadList *list() const { return downloadList; }
    DownloadItem *item(int row) const;
    DownloadItem *item(const QModelIndex &index) const;
    int row(DownloadItem *item) const;

    // Appends the item to the list (which owns it from then on).
    void append(DownloadItem *item);
    // Takes the item of row out of the list and deletes it.
    void removeItem(int row);

    // Why the item failed, in the back end's words where it gave them.
    QString failureReason(DownloadItem *item) const;
    void setFailureReason(DownloadItem *item, const QString &reason);

    // The status column's text for a status, as the table shows it.
    static QString statusText(int status, bool hasProgress);

signals:
    void itemStatusChanged();

public slots:
    void itemDataChanged();

private:
    void watch(DownloadItem *item);
    void onItemDestroyed(QObject *object);
    QString toolTip(DownloadItem *item, int column) const;

    DownloadList *downloadList;
    // Stable keys of the rows' items, for the views' live cells.
    QHash<const DownloadItem *, qint64> keys;
    QHash<const DownloadItem *, QString> reasons;
    qint64 nextKey = 1;
    bool removing = false;
};

} // namespace Tarn
