#include "marlin/convert/convertlistmodel.h"

#include "shared/keltime.h"
#include "shared/kelunits.h"
#include "tarncore/convert/convertitem.h"
#include "tarncore/download/appcontext.h"
#include "tarncore/download/convertlist.h"
#include "tarncore/download/datamanager.h"
#include "tarncore/settings/settingsmanager.h"
#include "widgetkit/listitemroles.h"

#include <QDir>
#include <QFileInfo>

namespace Tarn {

namespace {

struct ColumnInfo
{
    const char *header;
    Qt::Alignment alignment;
    int width;
};

const ColumnInfo columns[ConvertListModel::ColumnCount] = {
    {"", Qt::AlignCenter, 100},
    {QT_TRANSLATE_NOOP("Tarn::ConvertListModel", "File"), Qt::AlignLeft | Qt::AlignVCenter, 210},
    {QT_TRANSLATE_NOOP("Tarn::ConvertListModel", "Resolution"), Qt::AlignCenter, 96},
    {QT_TRANSLATE_NOOP("Tarn::ConvertListModel", "Format"), Qt::AlignCenter, 150},
    {QT_TRANSLATE_NOOP("Tarn::ConvertListModel", "Duration"), Qt::AlignCenter, 75},
    {QT_TRANSLATE_NOOP("Tarn::ConvertListModel", "Size"), Qt::AlignCenter, 76},
    {QT_TRANSLATE_NOOP("Tarn::ConvertListModel", "Status"), Qt::AlignCenter, 125},
};

const QString NoValue = QStringLiteral("--");

bool hasShownProgress(const ConvertItem *item)
{
    return item->getStatus() == ConvertItem::StatusConverting && item->getProgress().isValid();
}

// The words the tile and progress styles know the states by.
QString statusWord(ConvertItem::Status status)
{
    switch (status) {
    case ConvertItem::StatusConverting: return QStringLiteral("working");
    case ConvertItem::StatusWaitingDownload:
    case ConvertItem::StatusReady:
    case ConvertItem::StatusStarting: return QStringLiteral("waitting");
    case ConvertItem::StatusError: return QStringLiteral("faild");
    case ConvertItem::StatusPaused: return QStringLiteral("pause");
    case ConvertItem::StatusFinished: return QStringLiteral("success");
    case ConvertItem::StatusNone: break;
    }
    return QString();
}

QString sourceFile(const ConvertItem *item)
{
    const QString file = item->getConvertParameters().getSrcFile();
    return file.isEmpty() ? item->getSrcMediaInfo().mediaFile : file;
}

QString fileName(const ConvertItem *item)
{
    return QFileInfo(sourceFile(item)).fileName();
}

QString formatText(const Kel::MediaProfile &profile)
{
    if (profile.name == SettingsManager::CustomizedProfileName)
        return profile.format.toUpper();
    return profile.name;
}

} // namespace

ConvertListModel::ConvertListModel(QObject *parent, ConvertList *list)
    : QAbstractItemModel(parent)
    , convertList(list ? list : AppContext::instance()->getDataManager()->getConvertList())
{
    // Items already listed (a page made again) are shown as they are.
    for (ConvertItem *item : convertList->getItems())
        watch(item);
}

ConvertListModel::~ConvertListModel()
{
    for (auto it = keys.cbegin(); it != keys.cend(); ++it)
        disconnect(it.key(), nullptr, this, nullptr);
}

QModelIndex ConvertListModel::index(int row, int column, const QModelIndex &parent) const
{
    if (parent.isValid() || row < 0 || row >= rowCount() || column < 0 || column >= ColumnCount)
        return QModelIndex();
    return createIndex(row, column);
}

QModelIndex ConvertListModel::parent(const QModelIndex &) const
{
    return QModelIndex();
}

int ConvertListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : convertList->count();
}

int ConvertListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

int ConvertListModel::columnWidth(int column)
{
    return column >= 0 && column < ColumnCount ? columns[column].width : 0;
}

Qt::ItemFlags ConvertListModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    // Editable so that the views can open their live cells.
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

QVariant ConvertListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return QVariant();
    // The file's heading lines up with the names below it.
    if (role == Qt::TextAlignmentRole)
        return int(section == FileColumn ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignCenter);
    if (role != Qt::DisplayRole)
        return QVariant();
    return tr(columns[section].header);
}

QString ConvertListModel::statusText(int status, bool progressShown)
{
    switch (status) {
    case ConvertItem::StatusWaitingDownload:
    case ConvertItem::StatusReady:
    case ConvertItem::StatusStarting: return tr("Waiting");
    case ConvertItem::StatusConverting: return progressShown ? QString() : tr("Converting");
    case ConvertItem::StatusError:
    case ConvertItem::StatusFinished: return QString();
    case ConvertItem::StatusPaused: return tr("Paused");
    default: break;
    }
    return tr("Not Ready");
}

QVariant ConvertListModel::data(const QModelIndex &index, int role) const
{
    ConvertItem *it = item(index);
    if (!it)
        return QVariant();
    const int column = index.column();
    const ConvertItem::Status status = it->getStatus();
    const Kel::MediaProfile profile = it->getConvertParameters().getConvertProfile();
    const qint64 duration = it->getSrcMediaInfo().duration;
    const bool progressShown = hasShownProgress(it);

    switch (role) {
    case Qt::DisplayRole:
        switch (column) {
        case FileColumn: return fileName(it);
        case ResolutionColumn: {
            const QSize size = it->getEstimatedDestResolution();
            return size.width() >= 1 && size.height() >= 1 ? QStringLiteral("%1x%2").arg(size.width()).arg(size.height())
                                                           : NoValue;
        }
        case FormatColumn: return formatText(profile);
        case DurationColumn:
            return duration > 0 ? Kel::Time::fromMicroseconds(duration * 1000000).toShortString() : QString();
        case SizeColumn: {
            const qint64 size = it->getEstimatedDestFileSize();
            return size > 0 ? Kel::Units::sizeString(size) : NoValue;
        }
        case StatusColumn: return statusText(status, progressShown);
        default: return QVariant();
        }
    case Qt::UserRole:
        switch (column) {
        case FileColumn: return fileName(it);
        case ResolutionColumn: return it->getEstimatedDestResolution();
        case FormatColumn: return profile.format;
        case DurationColumn: return duration;
        case SizeColumn: return it->getEstimatedDestFileSize();
        case StatusColumn: return int(status);
        default: return QVariant();
        }
    case Qt::TextAlignmentRole: return int(columns[column].alignment);
    case Qt::ToolTipRole: return toolTip(it, column);
    case ProgressRole:
        return column == StatusColumn && progressShown ? QVariant::fromValue(it->getProgress()) : QVariant();
    case ItemProgressRole: return progressShown ? QVariant::fromValue(it->getProgress()) : QVariant();
    case EmphasisRole: return column == FileColumn;
    case ItemKeyRole: return keys.value(it);
    case ThumbnailRole: return it->getThumbnailFile();
    case CompletedRole: return status == ConvertItem::StatusFinished;
    case FailedRole: return status == ConvertItem::StatusError;
    case AnalysingRole: return false;
    case WaitingRole:
        return status == ConvertItem::StatusWaitingDownload || status == ConvertItem::StatusReady
            || status == ConvertItem::StatusStarting;
    case WorkingRole: return status == ConvertItem::StatusConverting;
    case PausedRole: return status == ConvertItem::StatusPaused;
    case StatusRole: return statusWord(status);
    case TitleRole: return fileName(it);
    case DurationRole: return duration;
    default: break;
    }
    return QVariant();
}

QString ConvertListModel::toolTip(ConvertItem *it, int column) const
{
    const QString name = fileName(it);
    const Kel::MediaProfile profile = it->getConvertParameters().getConvertProfile();
    if (column == FileColumn)
        return QDir::toNativeSeparators(sourceFile(it));
    if (column == FormatColumn)
        return ConvertItem::makeConvertParametersString(profile, true);
    // The thumbnail grid asks column 0; the table's status cell column 6.
    if (column != StatusColumn && column != ThumbnailColumn)
        return QString();
    QString state;
    switch (it->getStatus()) {
    case ConvertItem::StatusError: {
        const QString reason = failureReason(it);
        state = reason.isEmpty() ? tr("The conversion failed.") : tr("Failed: %1").arg(reason);
        break;
    }
    case ConvertItem::StatusFinished:
        state = tr("Converted to %1").arg(QDir::toNativeSeparators(it->getConvertParameters().getDestFile()));
        break;
    case ConvertItem::StatusWaitingDownload: state = tr("Waits for its download to finish"); break;
    case ConvertItem::StatusConverting: {
        const qint64 percent = it->getProgress().percent();
        state = percent >= 0 ? tr("Converting: %1%").arg(percent) : tr("Converting");
        break;
    }
    default: state = statusText(it->getStatus(), false); break;
    }
    return column == ThumbnailColumn ? name + QLatin1Char('\n') + state : state;
}

ConvertItem *ConvertListModel::item(int row) const
{
    return convertList->item(row);
}

ConvertItem *ConvertListModel::item(const QModelIndex &index) const
{
    if (!index.isValid() || index.model() != this)
        return nullptr;
    return convertList->item(index.row());
}

int ConvertListModel::row(ConvertItem *item) const
{
    return convertList->row(item);
}

void ConvertListModel::watch(ConvertItem *item)
{
    if (!item || keys.contains(item))
        return;
    keys.insert(item, nextKey++);
    connect(item, &ConvertItem::dataChanged, this, &ConvertListModel::itemDataChanged);
    connect(item, &ConvertItem::statusChanged, this, &ConvertListModel::itemStatusChanged);
    // A new run forgets why the last one failed.
    connect(item, &ConvertItem::statusChanged, this, [this, item] {
        if (item->getStatus() != ConvertItem::StatusError)
            reasons.remove(item);
    });
    connect(item, &QObject::destroyed, this, &ConvertListModel::onItemDestroyed);
}

void ConvertListModel::append(ConvertItem *item)
{
    if (!item)
        return;
    const int at = rowCount();
    beginInsertRows(QModelIndex(), at, at);
    convertList->append(item);
    watch(item);
    endInsertRows();
    emit itemStatusChanged();
}

void ConvertListModel::removeItem(int row)
{
    ConvertItem *it = item(row);
    if (!it)
        return;
    beginRemoveRows(QModelIndex(), row, row);
    disconnect(it, nullptr, this, nullptr);
    keys.remove(it);
    reasons.remove(it);
    removing = true;
    convertList->removeItem(row);
    removing = false;
    endRemoveRows();
    emit itemStatusChanged();
}

void ConvertListModel::onItemDestroyed(QObject *object)
{
    // Someone else emptied the list (the data manager at shutdown): the rows
    // are gone already, so the views start afresh.
    // The item is past its own destructor: compare addresses as QObjects
    // instead of casting the object back to what it no longer is.
    const auto isGone = [object](const ConvertItem *item) { return static_cast<const QObject *>(item) == object; };
    keys.removeIf([&isGone](const auto &entry) { return isGone(entry.key()); });
    reasons.removeIf([&isGone](const auto &entry) { return isGone(entry.key()); });
    if (removing)
        return;
    beginResetModel();
    endResetModel();
}

QString ConvertListModel::failureReason(ConvertItem *item) const
{
    return reasons.value(item);
}

void ConvertListModel::setFailureReason(ConvertItem *item, const QString &reason)
{
    if (!keys.contains(item))
        return;
    reasons.insert(item, reason.trimmed());
    const int r = row(item);
    if (r >= 0)
        emit dataChanged(index(r, 0), index(r, ColumnCount - 1));
}

void ConvertListModel::itemDataChanged()
{
    auto *item = qobject_cast<ConvertItem *>(sender());
    const int r = item ? row(item) : -1;
    if (r < 0)
        return;
    emit dataChanged(index(r, 0), index(r, ColumnCount - 1));
}

} // namespace Tarn
