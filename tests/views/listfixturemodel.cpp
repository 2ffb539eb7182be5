#include "listfixturemodel.h"

#include "widgetkit/listitemroles.h"
#include "shared/keltime.h"
#include "shared/kelunits.h"

ListFixtureModel::ListFixtureModel(QObject *parent)
    : QAbstractTableModel(parent)
{
}

int ListFixtureModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(rows.size());
}

int ListFixtureModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

Qt::ItemFlags ListFixtureModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

QVariant ListFixtureModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QVariant();
    static const char *const headers[] = {"", "Title", "Resolution", "Format", "Duration", "Size", "Status"};
    return section >= 0 && section < ColumnCount ? QString::fromLatin1(headers[section]) : QVariant();
}

QVariant ListFixtureModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rows.size())
        return QVariant();
    const Row &r = rows.at(index.row());
    const bool working = r.status == Working && r.progress.isValid();
    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case TitleColumn: return r.title;
        case ResolutionColumn: return QStringLiteral("1280x720");
        case FormatColumn: return QStringLiteral("MP4");
        case DurationColumn:
            return r.duration > 0 ? Kel::Time::fromSeconds(r.duration).toShortString() : QString();
        case SizeColumn: return r.size > 0 ? Kel::Units::sizeString(r.size) : QString();
        case StatusColumn:
            switch (r.status) {
            case Normal: return QStringLiteral("Not Ready");
            case Analysing: return QStringLiteral("Analysing");
            case Waiting: return QStringLiteral("Waiting");
            case Working: return working ? QString() : QStringLiteral("Downloading");
            case Paused: return QStringLiteral("Paused");
            case Done:
            case Failed: return QString();
            }
            return QString();
        default: return QVariant();
        }
    case Qt::TextAlignmentRole:
        return index.column() == TitleColumn ? int(Qt::AlignLeft | Qt::AlignVCenter) : int(Qt::AlignCenter);
    case Tarn::ProgressRole:
        return index.column() == StatusColumn && working ? QVariant::fromValue(r.progress) : QVariant();
    case Tarn::ItemProgressRole:
        return working ? QVariant::fromValue(r.progress) : QVariant();
    case Tarn::EmphasisRole: return index.column() == TitleColumn;
    case Tarn::ItemKeyRole: return r.key;
    case Tarn::ThumbnailRole: return r.thumbnail;
    case Tarn::CompletedRole: return r.status == Done;
    case Tarn::FailedRole: return r.status == Failed;
    case Tarn::AnalysingRole: return r.status == Analysing;
    case Tarn::WaitingRole: return r.status == Waiting;
    case Tarn::WorkingRole: return r.status == Working;
    case Tarn::PausedRole: return r.status == Paused;
    case Tarn::StatusRole:
        return r.status == Paused ? QStringLiteral("pause") : r.status == Working ? QStringLiteral("working") : QString();
    case Tarn::TitleRole: return r.title;
    case Tarn::DurationRole: return r.duration;
    default: return QVariant();
    }
}

ListFixtureModel::Row ListFixtureModel::makeRow(const QString &title, Status status, const Kel::Progress &progress)
{
    Row row;
    row.key = nextKey++;
    row.title = title;
    row.status = status;
    row.progress = progress;
    row.duration = 60 + (row.key * 97) % 3600;
    row.size = (row.key % 40 + 1) * 7 * 1024 * 1024;
    return row;
}

void ListFixtureModel::appendRow(const Row &row)
{
    insertRow(int(rows.size()), row);
}

void ListFixtureModel::insertRow(int position, const Row &row)
{
    beginInsertRows(QModelIndex(), position, position);
    rows.insert(position, row);
    endInsertRows();
}

void ListFixtureModel::removeRow(int position)
{
    beginRemoveRows(QModelIndex(), position, position);
    rows.removeAt(position);
    endRemoveRows();
}

void ListFixtureModel::clear()
{
    beginResetModel();
    rows.clear();
    endResetModel();
}

void ListFixtureModel::rowChanged(int row)
{
    emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
}

void ListFixtureModel::setProgress(int row, const Kel::Progress &progress)
{
    rows[row].progress = progress;
    rowChanged(row);
}

void ListFixtureModel::setStatus(int row, Status status)
{
    rows[row].status = status;
    rowChanged(row);
}

void ListFixtureModel::setThumbnail(int row, const QString &path)
{
    rows[row].thumbnail = path;
    rowChanged(row);
}

const ListFixtureModel::Row &ListFixtureModel::row(int position) const
{
    return rows.at(position);
}
