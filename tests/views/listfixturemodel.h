#pragma once

#include "shared/progress.h"

#include <QAbstractTableModel>
#include <QList>

// A list model shaped like the pages' models: seven columns (thumbnail,
// title, resolution, format, duration, size, status) serving the roles the
// list views read. Used by the view tests, the gallery and the benchmark.
class ListFixtureModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Status { Normal, Analysing, Waiting, Working, Paused, Done, Failed };
    enum Column { ThumbnailColumn, TitleColumn, ResolutionColumn, FormatColumn, DurationColumn, SizeColumn,
                  StatusColumn, ColumnCount };

    struct Row {
        qint64 key = 0;
        QString title;
        QString thumbnail;
        qint64 duration = 0;
        qint64 size = 0;
        Status status = Normal;
        Kel::Progress progress;
    };

    explicit ListFixtureModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    // Rows get keys 1, 2, 3, ... in the order they are made.
    Row makeRow(const QString &title, Status status = Normal, const Kel::Progress &progress = {});
    void appendRow(const Row &row);
    void insertRow(int position, const Row &row);
    void removeRow(int position);
    void clear();
    // Each tells the views that the whole row changed, as the pages' models do.
    void setProgress(int row, const Kel::Progress &progress);
    void setStatus(int row, Status status);
    void setThumbnail(int row, const QString &path);
    const Row &row(int position) const;

private:
    void rowChanged(int row);

    QList<Row> rows;
    qint64 nextKey = 1;
};
