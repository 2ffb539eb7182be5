#include "tarncore/convert/downloadconvertitem.h"

#include "tarncore/convert/convertitem.h"
#include "tarncore/convert/convertmanager.h"
#include "tarncore/download/appcontext.h"
#include "tarncore/download/downloaditem.h"
#include "tarncore/settings/settingsmanager.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace Tarn {

namespace {

SettingsManager *settings()
{
    return AppContext::instance()->getSettingsManager();
}

} // namespace

DownloadConvertItem::DownloadConvertItem(const QString &url, QObject *parent)
    : QObject(parent)
    , url(url)
    , downloadParameters(url)
{
}

DownloadConvertItem::~DownloadConvertItem()
{
    // Work nobody follows any more must not go on writing.
    if (convertItem) {
        convertItem->disconnect(this);
        convertItem->clear();
    }
    delete convertItem;
    if (downloadItem) {
        downloadItem->disconnect(this);
        // An item never started has asked nobody for anything.
        if (downloadItem->isWorking() && downloadItem->getStatus() != DownloadItem::NotReady)
            downloadItem->cancel();
    }
    delete downloadItem;
}

void DownloadConvertItem::start()
{
    switch (status) {
    case DCStatusNotReady:
        download();
        break;
    case DCStatusDownloadFailed:
        setStatus(DCStatusNotReady);
        download();
        break;
    case DCStatusConvertReady:
        convert();
        break;
    default:
        break;
    }
}

void DownloadConvertItem::download()
{
    phase = 1;
    timeStamp = QDateTime::currentDateTime();
    setStatus(DCStatusWaiting);
    if (!downloadItem) {
        downloadItem = new DownloadItem(url);
        connect(downloadItem, &DownloadItem::dataChanged, this, &DownloadConvertItem::dataChanged);
        connect(downloadItem, &DownloadItem::statusChanged, this, &DownloadConvertItem::onDownloadStatusChanged);
        connect(downloadItem, qOverload<int, QVariant>(&DownloadItem::error), this, &DownloadConvertItem::error);
        connect(downloadItem, &DownloadItem::downloadFinished, this, &DownloadConvertItem::onDownloadFinished);
        connect(downloadItem, &DownloadItem::exportFinished, this, &DownloadConvertItem::exportFinished);
        downloadItem->setDownloadParameters(downloadParameters);
    }
    downloadItem->setStatus(DownloadItem::NotReady);
    downloadItem->start();
}

void DownloadConvertItem::convert()
{
    if (!downloadItem)
        return;
    phase = 2;
    timeStamp = QDateTime::currentDateTime();
    setStatus(DCStatusConvertStarting);
    if (!convertItem) {
        convertItem = new ConvertItem(downloadItem);
        connect(convertItem, &ConvertItem::dataChanged, this, &DownloadConvertItem::dataChanged);
        connect(convertItem, &ConvertItem::statusChanged, this, &DownloadConvertItem::onConvertStatusChanged);
        connect(convertItem, &ConvertItem::error, this, &DownloadConvertItem::relayConvertError);
        connect(convertItem, &ConvertItem::convertFinished, this, &DownloadConvertItem::onConvertFinished);
        connect(convertItem, &ConvertItem::exportFinished, this, &DownloadConvertItem::exportFinished);

        convertParameters = ConvertParameters(downloadItem->getDestFile(), QString(),
                                              settings()->getQuickConvertProfile(), Kel::FileMediaInfo(),
                                              settings()->isKeepSubtitles(), -1);
        convertItem->setConvertParameters(convertParameters);
        // The conversion works from what the file really holds, not from
        // what the site said it would.
        if (!convertItem->loadSrcFileMediaInfo()) {
            convertItem->setStatus(ConvertItem::StatusError);
            emit error(ConvertItem::SourceProbeFailed, QVariant(downloadItem->getDestFile()));
            return;
        }
        convertParameters.setSrcMediaInfo(convertItem->getSrcMediaInfo());
        convertItem->setConvertParameters(convertParameters);
    }
    convertItem->setStatus(ConvertItem::StatusReady);
    convertItem->start();
}

void DownloadConvertItem::cancel()
{
    emit aboutToBeCanceled();
    if (downloadItem)
        downloadItem->cancel();
    if (convertItem)
        AppContext::instance()->getConvertManager()->cancelConvert(convertItem->getConvertParameters());
}

void DownloadConvertItem::setStatus(Status value)
{
    if (value == status)
        return;
    status = value;
    emit statusChanged();
    emit dataChanged();
}

bool DownloadConvertItem::isWorking() const
{
    switch (status) {
    case DCStatusNotReady:
    case DCStatusAnalysing:
    case DCStatusReady:
    case DCStatusWaiting:
    case DCStatusDownloading:
    case DCStatusDownloadFinished:
    case DCStatusConvertReady:
    case DCStatusConvertStarting:
    case DCStatusConverting:
        return true;
    case DCStatusUnmapped:
    case DCStatusDownloadFailed:
    case DCStatusConvertError:
    case DCStatusConvertFinished:
        break;
    }
    return false;
}

bool DownloadConvertItem::canRestart() const
{
    return phase == 1 && downloadItem && downloadItem->canRestart();
}

void DownloadConvertItem::setTimeStamp(const QDateTime &time)
{
    timeStamp = time;
    emit dataChanged();
}

void DownloadConvertItem::setDownloadParameters(const DownloadParameters &params)
{
    downloadParameters = params;
    emit dataChanged();
}

void DownloadConvertItem::setConvertParameters(const ConvertParameters &params)
{
    convertParameters = params;
    emit dataChanged();
}

QString DownloadConvertItem::getTitle() const
{
    return downloadItem ? downloadItem->getTitle() : QString();
}

qint64 DownloadConvertItem::getDuration() const
{
    if (downloadItem && downloadItem->getMediaInfo().isValid())
        return downloadItem->getDuration();
    return 0;
}

QString DownloadConvertItem::getDestFile() const
{
    return convertItem ? convertItem->getDestFile() : QString();
}

QString DownloadConvertItem::getThumbnailFile() const
{
    if (downloadItem && !downloadItem->getThumbnailFile().isEmpty())
        return downloadItem->getThumbnailFile();
    return settings()->getDefaultThumbnailImage();
}

Kel::Progress DownloadConvertItem::getProgress() const
{
    if (phase == 1 && downloadItem)
        return downloadItem->getProgress();
    if (phase == 2 && convertItem)
        return convertItem->getProgress();
    return progress;
}

void DownloadConvertItem::onDownloadFinished()
{
    convert();
    emit downloadFinished();
}

void DownloadConvertItem::onDownloadStatusChanged()
{
    const int value = downloadItem ? int(downloadItem->getStatus()) : -1;
    setStatus(value >= DCStatusNotReady && value <= DCStatusDownloadFinished ? Status(value) : DCStatusUnmapped);
}

void DownloadConvertItem::onConvertStatusChanged()
{
    if (!convertItem)
        return;
    switch (convertItem->getStatus()) {
    case ConvertItem::StatusNone:
        setStatus(DCStatusNotReady);
        break;
    case ConvertItem::StatusReady:
        setStatus(DCStatusConvertReady);
        break;
    case ConvertItem::StatusStarting:
        setStatus(DCStatusConvertStarting);
        break;
    case ConvertItem::StatusConverting:
        setStatus(DCStatusConverting);
        break;
    case ConvertItem::StatusError:
        setStatus(DCStatusConvertError);
        break;
    case ConvertItem::StatusFinished:
        setStatus(DCStatusConvertFinished);
        break;
    case ConvertItem::StatusWaitingDownload:
    case ConvertItem::StatusPaused:
        setStatus(DCStatusUnmapped);
        break;
    }
}

void DownloadConvertItem::onConvertFinished()
{
    if (!settings()->remainDownloadFile())
        removeDownloadedFile();
    emit convertFinished();
}

void DownloadConvertItem::relayConvertError(int errorCode, const QVariant &arg)
{
    const bool downloadDone = downloadItem && downloadItem->getStatus() == DownloadItem::Finished;
    const QString downloaded = downloadDone ? downloadItem->getDestFile() : QString();
    if (errorCode != ConvertItem::ConvertFailed || downloaded.isEmpty() || !QFileInfo::exists(downloaded)) {
        emit error(errorCode, arg);
        return;
    }
    const QString text = arg.toString();
    const QString kept = tr("The downloaded file is kept: %1").arg(QDir::toNativeSeparators(downloaded));
    emit error(errorCode, QVariant(text.isEmpty() ? kept : text + QLatin1Char('\n') + kept));
}

void DownloadConvertItem::removeDownloadedFile()
{
    if (!downloadItem || settings()->remainDownloadFile())
        return;
    const QString file = downloadItem->getDestFile();
    if (!file.isEmpty() && QFileInfo::exists(file))
        QFile::remove(file);
}

} // namespace Tarn
