#include "marlin/download/downloadlistmodel.h"

#include "shared/keltime.h"
#include "shared/kelunits.h"
#include "tarncore/download/appcontext.h"
#include "tarncore/download/datamanager.h"
#include "tarncore/download/downloaditem.h"
#include "tarncore/download/downloadlist.h"
#include "widgetkit/listitemroles.h"

namespace Tarn {

namespace {

struct ColumnInfo
{
    const char *header;
    Qt::Alignment alignment;
    int width;
};

const ColumnInfo columns[DownloadListModel::ColumnCount] = {
    {"", Qt::AlignCenter, 100},
    {QT_TRANSLATE_NOOP("Tarn::DownloadListModel", "Title"), Qt::AlignLeft | Qt::AlignVCenter, 216},
    {QT_TRANSLATE_NOOP("Tarn::DownloadListModel", "Resolution"), Qt::AlignCenter, 106},
    {QT_TRANSLATE_NOOP("Tarn::DownloadListModel", "Format"), Qt::AlignCenter, 60},
    {QT_TRANSLATE_NOOP("Tarn::DownloadListModel", "Duration"), Qt::AlignCenter, 78},
    {QT_TRANSLATE_NOOP("Tarn::DownloadListModel", "Size"), Qt::AlignCenter, 70},
    {QT_TRANSLATE_NOOP("Tarn::DownloadListModel", "Status"), Qt::AlignCenter, 125},
};

bool hasShownProgress(const DownloadItem *item)
{
    return item->getStatus() == DownloadItem::Downloading && item->getProgress().isValid();
}

// The words the tile and progress styles know the states by.
QString statusWord(DownloadItem::Status status)
{
    switch (status) {
    case DownloadItem::Downloading: return QStringLiteral("working");
    case DownloadItem::Ready:
    case DownloadItem::Waiting: return QStringLiteral("waitting");
    case DownloadItem::Analysing: return QStringLiteral("analysing");
    case DownloadItem::Failed: return QStringLiteral("faild");
    case DownloadItem::Finished: return QStringLiteral("success");
    case DownloadItem::NotReady: break;
    }
    return QString();
}

} // namespace

DownloadListModel::DownloadListModel(QObject *parent, DownloadList *list)
    : QAbstractItemModel(parent)
    , downloadList(list ? list : AppContext::instance()->getDataManager()->getDownloadList())
{
    // Items already listed (a page made again) are shown as they are.
    for (DownloadItem *item : downloadList->getItems())
        watch(item);
}

DownloadListModel::~DownloadListModel()
{
    for (auto it = keys.cbegin(); it != keys.cend(); ++it)
        disconnect(it.key(), nullptr, this, nullptr);
}

QModelIndex DownloadListModel::index(int row, int column, const QModelIndex &parent) const
{
    if (parent.isValid() || row < 0 || row >= rowCount() || column < 0 || column >= ColumnCount)
        return QModelIndex();
    return createIndex(row, column);
}

QModelIndex DownloadListModel::parent(const QModelIndex &) const
{
    return QModelIndex();
}

int DownloadListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : downloadList->count();
}

int DownloadListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

int DownloadListModel::columnWidth(int column)
{
    return column >= 0 && column < ColumnCount ? columns[column].width : 0;
}

Qt::ItemFlags DownloadListModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    // Editable so that the views can open their live cells.
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

QVariant DownloadListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return QVariant();
    // The title's heading lines up with the titles below it.
    if (role == Qt::TextAlignmentRole)
        return int(section == TitleColumn ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignCenter);
    if (role != Qt::DisplayRole)
        return QVariant();
    return tr(columns[section].header);
}

QString DownloadListModel::statusText(int status, bool hasProgress)
{
    switch (status) {
    case DownloadItem::Analysing: return tr("Analysing");
    case DownloadItem::Ready:
    case DownloadItem::Waiting: return tr("Waiting");
    case DownloadItem::Downloading: return hasProgress ? QString() : tr("Downloading");
    case DownloadItem::Failed:
    case DownloadItem::Finished: return QString();
    default: break;
    }
    return tr("Not Ready");
}

QVariant DownloadListModel::data(const QModelIndex &index, int role) const
{
    DownloadItem *it = item(index);
    if (!it)
        return QVariant();
    const int column = index.column();
    const DownloadItem::Status status = it->getStatus();
    const DownloadParameters params = it->getDownloadParameters();
    const Kel::MediaProfile quality = params.getDownloadQuality();
    const bool progressShown = hasShownProgress(it);

    switch (role) {
    case Qt::DisplayRole:
        switch (column) {
        case TitleColumn: return it->getTitle().isEmpty() ? it->getUrl() : it->getTitle();
        case ResolutionColumn:
            // An audio file or a stream whose size nobody reported has no
            // picture size to show.
            return params.isValid() && (!quality.qualityLabel.isEmpty() || !quality.resolution.isEmpty())
                       ? quality.resolutionString()
                       : QString();
        case FormatColumn: return params.isValid() ? quality.format.toUpper() : QString();
        case DurationColumn:
            return it->getDuration() > 0 ? Kel::Time::fromMicroseconds(it->getDuration() * 1000000).toShortString()
                                         : QString();
        case SizeColumn: return it->getFileSize() > 0 ? Kel::Units::sizeString(it->getFileSize()) : QString();
        case StatusColumn: return statusText(status, progressShown);
        default: return QVariant();
        }
    case Qt::UserRole:
        switch (column) {
        case TitleColumn: return it->getTitle();
        case ResolutionColumn: return quality.resolution;
        case FormatColumn: return quality.format;
        case DurationColumn: return it->getDuration();
        case SizeColumn: return it->getFileSize();
        case StatusColumn: return int(status);
        default: return QVariant();
        }
    case Qt::TextAlignmentRole: return int(columns[column].alignment);
    case Qt::ToolTipRole: return toolTip(it, column);
    case ProgressRole:
        return column == StatusColumn && progressShown ? QVariant::fromValue(it->getProgress()) : QVariant();
    case ItemProgressRole: return progressShown ? QVariant::fromValue(it->getProgress()) : QVariant();
    case EmphasisRole: return column == TitleColumn;
    case ItemKeyRole: return keys.value(it);
    case ThumbnailRole: return it->getThumbnailFile();
    case CompletedRole: return status == DownloadItem::Finished;
    case FailedRole: return status == DownloadItem::Failed;
    case AnalysingRole: return status == DownloadItem::Analysing;
    case WaitingRole: return status == DownloadItem::Ready || status == DownloadItem::Waiting;
    case WorkingRole: return status == DownloadItem::Downloading;
    case PausedRole: return false;
    case StatusRole: return statusWord(status);
    case TitleRole: return it->getTitle().isEmpty() ? it->getUrl() : it->getTitle();
    case DurationRole: return it->getDuration();
    default: break;
    }
    return QVariant();
}

QString DownloadListModel::toolTip(DownloadItem *it, int column) const
{
    const QString title = it->getTitle().isEmpty() ? it->getUrl() : it->getTitle();
    // The thumbnail grid asks column 0; the table's status cell column 6.
    if (column != StatusColumn && column != ThumbnailColumn)
        return column == TitleColumn ? title : QString();
    QString state;
    switch (it->getStatus()) {
    case DownloadItem::Failed: {
        const QString reason = failureReason(it);
        state = reason.isEmpty() ? tr("The download failed.") : tr("Failed: %1").arg(reason);
        break;
    }
    case DownloadItem::Finished: state = tr("Downloaded to %1").arg(it->getDestFile()); break;
    case DownloadItem::Downloading: {
        const Kel::Progress p = it->getProgress();
        if (!p.isValid()) {
            state = tr("Downloading");
            break;
        }
        state = tr("%1% of %2").arg(p.percent()).arg(Kel::Units::sizeString(p.total));
        if (p.speed > 0) {
            const qint64 left = (qMax(qint64(0), p.total - p.finish) + p.speed - 1) / p.speed;
            state += QLatin1Char('\n')
                + tr("%1/s, %2 left")
                      .arg(Kel::Units::sizeString(p.speed), Kel::Time::fromSeconds(left).toShortString());
        }
        break;
    }
    default: state = statusText(it->getStatus(), false); break;
    }
    return column == ThumbnailColumn ? title + QLatin1Char('\n') + state : state;
}

DownloadItem *DownloadListModel::item(int row) const
{
    return downloadList->item(row);
}

DownloadItem *DownloadListModel::item(const QModelIndex &index) const
{
    if (!index.isValid() || index.model() != this)
        return nullptr;
    return downloadList->item(index.row());
}

int DownloadListModel::row(DownloadItem *item) const
{
    return downloadList->row(item);
}

void DownloadListModel::watch(DownloadItem *item)
{
    if (!item || keys.contains(item))
        return;
    keys.insert(item, nextKey++);
    connect(item, &DownloadItem::dataChanged, this, &DownloadListModel::itemDataChanged);
    // The item tells of its picture with this signal alone.
    connect(item, &DownloadItem::thumbnailReceived, this, &DownloadListModel::itemDataChanged);
    connect(item, &DownloadItem::statusChanged, this, &DownloadListModel::itemStatusChanged);
    // A new run forgets why the last one failed.
    connect(item, &DownloadItem::statusChanged, this, [this, item] {
        if (item->getStatus() != DownloadItem::Failed)
            reasons.remove(item);
    });
    connect(item, &QObject::destroyed, this, &DownloadListModel::onItemDestroyed);
}

void DownloadListModel::append(DownloadItem *item)
{
    if (!item)
        return;
    const int at = rowCount();
    beginInsertRows(QModelIndex(), at, at);
    downloadList->append(item);
    watch(item);
    endInsertRows();
    emit itemStatusChanged();
}

void DownloadListModel::removeItem(int row)
{
    DownloadItem *it = item(row);
    if (!it)
        return;
    beginRemoveRows(QModelIndex(), row, row);
    disconnect(it, nullptr, this, nullptr);
    keys.remove(it);
    reasons.remove(it);
    removing = true;
    downloadList->removeItem(row);
    removing = false;
    endRemoveRows();
    emit itemStatusChanged();
}

void DownloadListModel::onItemDestroyed(QObject *object)
{
    // Someone else emptied the list (the data manager at shutdown): the rows
    // are gone already, so the views start afresh.
    // The item is past its own destructor: compare addresses as QObjects
    // instead of casting the object back to what it no longer is.
    const auto isGone = [object](const DownloadItem *item) { return static_cast<const QObject *>(item) == object; };
    keys.removeIf([&isGone](const auto &entry) { return isGone(entry.key()); });
    reasons.removeIf([&isGone](const auto &entry) { return isGone(entry.key()); });
    if (removing)
        return;
    beginResetModel();
    endResetModel();
}

QString DownloadListModel::failureReason(DownloadItem *item) const
{
    return reasons.value(item);
}

void DownloadListModel::setFailureReason(DownloadItem *item, const QString &reason)
{
    if (!keys.contains(item))
        return;
    reasons.insert(item, reason.trimmed());
    const int r = row(item);
    if (r >= 0)
        emit dataChanged(index(r, 0), index(r, ColumnCount - 1));
}

void DownloadListModel::itemDataChanged()
{
    auto *item = qobject_cast<DownloadItem *>(sender());
    const int r = item ? row(item) : -1;
    if (r < 0)
        return;
    emit dataChanged(index(r, 0), index(r, ColumnCount - 1));
}

} // namespace Tarn
