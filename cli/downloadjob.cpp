#include "cli/downloadjob.h"

#include "cli/failurereason.h"
#include "tarncore/convert/convertitem.h"
#include "tarncore/convert/downloadconvertitem.h"
#include "tarncore/download/appcontext.h"
#include "tarncore/download/datamanager.h"
#include "tarncore/download/downloaditem.h"
#include "tarncore/download/downloadmanager.h"

#include <QFileInfo>
#include <QTimer>

namespace Tarn {

namespace {

DownloadManager *manager()
{
    return AppContext::instance()->getDownloadManager();
}

} // namespace

DownloadJob::DownloadJob(const QString &url, const Request &request, QObject *parent)
    : QObject(parent)
    , pageUrl(url)
    , request(request)
{
}

DownloadJob::~DownloadJob() = default;

void DownloadJob::start()
{
    connect(manager(), &DownloadManager::mediaInfoReady, this, &DownloadJob::receiveMediaInfo);
    manager()->getMediaInfoBySignal(pageUrl);
}

void DownloadJob::cancel()
{
    if (isEnded())
        return;
    disconnect(manager(), nullptr, this, nullptr);
    if (item)
        item->disconnect(this);
    if (convertItem)
        convertItem->disconnect(this);
    if (convertItem)
        convertItem->cancel();
    else if (item)
        item->cancel();
    else
        manager()->cancelMediaInfoRequest(pageUrl);
    setState(Cancelled);
}

QString DownloadJob::label() const
{
    return title.isEmpty() ? pageUrl : title;
}

QString DownloadJob::stateText() const
{
    switch (jobState) {
    case Analysing: return tr("analysing");
    case Waiting: return tr("waiting");
    case Downloading: return tr("downloading");
    case Converting: return tr("converting");
    case Finished: return tr("done");
    case Failed: return tr("failed");
    case Cancelled: return tr("cancelled");
    }
    return QString();
}

Kel::Progress DownloadJob::progress() const
{
    if (convertItem)
        return convertItem->getProgress();
    if (item)
        return item->getProgress();
    return Kel::Progress();
}

QString DownloadJob::downloadedFile() const
{
    if (convertItem)
        return convertItem->getDownloadItem() ? convertItem->getDownloadItem()->getDestFile() : QString();
    return item ? item->getDestFile() : QString();
}

QString DownloadJob::convertedFile() const
{
    return convertItem ? convertItem->getDestFile() : QString();
}

QString DownloadJob::keptDownload() const
{
    const DownloadItem *download = convertItem ? convertItem->getDownloadItem() : nullptr;
    if (!download || download->getStatus() != DownloadItem::Finished || jobState != Failed)
        return QString();
    const QString file = download->getDestFile();
    return QFileInfo::exists(file) ? file : QString();
}

void DownloadJob::receiveMediaInfo(const Kel::WebMediaInfo &info)
{
    if (info.url != pageUrl || isEnded())
        return;
    disconnect(manager(), &DownloadManager::mediaInfoReady, this, &DownloadJob::receiveMediaInfo);
    if (!info.isValid()) {
        fail(info.errorText.isEmpty() ? FailureReason::forItemError(DownloadItem::MediaInfoFailed, QVariant())
                                      : FailureReason::fromToolOutput(info.errorText));
        return;
    }
    title = info.title;
    Kel::MediaProfile quality;
    if (!request.qualityName.isEmpty()) {
        QStringList names;
        for (const Kel::MediaProfile &profile : info.profiles) {
            names += profile.name;
            if (!quality.isValid() && profile.name.compare(request.qualityName, Qt::CaseInsensitive) == 0)
                quality = profile;
        }
        if (!quality.isValid()) {
            fail(tr("the page has no quality named \"%1\" (it has %2)")
                     .arg(request.qualityName, names.join(QLatin1String(", "))));
            return;
        }
    }
    emit changed();
    startItem(quality);
}

void DownloadJob::startItem(const Kel::MediaProfile &quality)
{
    DownloadParameters parameters(pageUrl);
    parameters.setDownloadAudioOnlyIfExist(request.audioOnly);
    if (quality.isValid())
        parameters.setDownloadQuality(quality);
    DataManager *data = AppContext::instance()->getDataManager();
    setState(Waiting);

    if (!request.convert) {
        item = new DownloadItem(pageUrl);
        item->setDownloadParameters(parameters);
        data->getDownloadList()->append(item);
        followDownloadItem(item);
        connect(item, &DownloadItem::statusChanged, this, &DownloadJob::onDownloadStatusChanged);
        item->start();
        return;
    }

    convertItem = new DownloadConvertItem(pageUrl);
    convertItem->setDownloadParameters(parameters);
    data->getDownloadConvertList()->append(convertItem);
    connect(convertItem, &DownloadConvertItem::statusChanged, this, &DownloadJob::onConvertItemStatusChanged);
    connect(convertItem, &DownloadConvertItem::dataChanged, this, &DownloadJob::changed);
    connect(convertItem, &DownloadConvertItem::error, this, &DownloadJob::onItemError);
    convertItem->start();
    if (convertItem && convertItem->getDownloadItem()) {
        connect(convertItem->getDownloadItem(), &DownloadItem::getMediaInfoError, this,
                [this](const QString &, const QString &detail) { itemReason = FailureReason::fromToolOutput(detail); });
    }
}

void DownloadJob::followDownloadItem(DownloadItem *downloadItem)
{
    connect(downloadItem, &DownloadItem::dataChanged, this, &DownloadJob::changed);
    connect(downloadItem, qOverload<int, QVariant>(&DownloadItem::error), this, &DownloadJob::onItemError);
    connect(downloadItem, &DownloadItem::getMediaInfoError, this,
            [this](const QString &, const QString &detail) { itemReason = FailureReason::fromToolOutput(detail); });
}

void DownloadJob::onDownloadStatusChanged()
{
    if (!item || isEnded())
        return;
    // The page is known before the item starts: until the download runs,
    // the item only waits.
    switch (item->getStatus()) {
    case DownloadItem::NotReady:
    case DownloadItem::Analysing:
    case DownloadItem::Ready:
    case DownloadItem::Waiting:
        setState(Waiting);
        break;
    case DownloadItem::Downloading:
        setState(Downloading);
        break;
    case DownloadItem::Failed:
        endSoon(Failed);
        break;
    case DownloadItem::Finished:
        endSoon(Finished);
        break;
    }
}

void DownloadJob::onConvertItemStatusChanged()
{
    if (!convertItem || isEnded())
        return;
    switch (convertItem->getStatus()) {
    case DownloadConvertItem::DCStatusNotReady:
    case DownloadConvertItem::DCStatusAnalysing:
    case DownloadConvertItem::DCStatusReady:
    case DownloadConvertItem::DCStatusWaiting:
        setState(Waiting);
        break;
    case DownloadConvertItem::DCStatusDownloading:
        setState(Downloading);
        break;
    case DownloadConvertItem::DCStatusDownloadFinished:
    case DownloadConvertItem::DCStatusConvertReady:
    case DownloadConvertItem::DCStatusConvertStarting:
        setState(Converting);
        break;
    case DownloadConvertItem::DCStatusConverting:
        setState(Converting);
        break;
    case DownloadConvertItem::DCStatusDownloadFailed:
    case DownloadConvertItem::DCStatusConvertError:
        endSoon(Failed);
        break;
    case DownloadConvertItem::DCStatusConvertFinished:
        endSoon(Finished);
        break;
    case DownloadConvertItem::DCStatusUnmapped:
        break;
    }
}

void DownloadJob::onItemError(int code, const QVariant &argument)
{
    // iTunes troubles come after a finished file and do not undo it.
    if (code == ConvertItem::ItunesImportFailed || code == ConvertItem::ItunesNotInstalled)
        return;
    // The first reason is the cause; a probe failure comes after a download
    // that ended well and says more.
    const QString text = FailureReason::forItemError(code, argument);
    if (itemReason.isEmpty() || code == ConvertItem::SourceProbeFailed)
        itemReason = text;
}

void DownloadJob::endSoon(State end)
{
    if (ending)
        return;
    ending = true;
    QTimer::singleShot(0, this, [this, end] {
        if (end == Finished) {
            setState(Finished);
            return;
        }
        QString reason = itemReason;
        if (reason.isEmpty())
            reason = jobState == Converting ? tr("the conversion failed") : tr("the download failed");
        fail(reason);
    });
}

void DownloadJob::fail(const QString &reason)
{
    if (isEnded())
        return;
    failure = reason;
    setState(Failed);
}

void DownloadJob::setState(State state)
{
    if (isEnded() || state == jobState)
        return;
    jobState = state;
    emit changed();
    if (isEnded())
        emit ended();
}

} // namespace Tarn
