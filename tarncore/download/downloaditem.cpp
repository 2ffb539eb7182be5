#include "tarncore/download/downloaditem.h"

#include "shared/keltext.h"
#include "tarncore/download/appcontext.h"
#include "tarncore/download/downloadmanager.h"
#include "tarncore/download/downloadtask.h"
#include "tarncore/download/filenaming.h"
#include "tarncore/settings/settingsmanager.h"
#include "transcoder/mediaprobe.h"

#include <QFileInfo>
#include <QLocale>

namespace Tarn {

QStringList DownloadItem::mDownloadedFiles;

namespace {

// The size of the quality with this address in info; 0 when unknown.
qint64 listedSize(const Kel::WebMediaInfo &info, const QString &url)
{
    for (const Kel::MediaProfile &p : info.profiles) {
        if (p.url == url)
            return p.size;
    }
    return 0;
}

qint64 listedSizeByName(const Kel::WebMediaInfo &info, const QString &name)
{
    for (const Kel::MediaProfile &p : info.profiles) {
        if (p.name == name)
            return p.size;
    }
    return 0;
}

} // namespace

DownloadItem::DownloadItem(const QString &url, QObject *parent)
    : QObject(parent)
    , downloadParameters(url)
{
    mediaInfo.url = url;
}

DownloadItem::~DownloadItem() = default;

DownloadManager *DownloadItem::manager()
{
    return AppContext::instance()->getDownloadManager();
}

SettingsManager *DownloadItem::settings()
{
    return AppContext::instance()->getSettingsManager();
}

void DownloadItem::start()
{
    switch (status) {
    case Failed:
        // A restart asks for the media information again.
        setStatus(NotReady);
        startRequested = true;
        loadMediaInfo();
        break;
    case NotReady:
        startRequested = true;
        loadMediaInfo();
        break;
    case Ready:
        download();
        break;
    case Analysing:
    case Waiting:
    case Downloading:
    case Finished:
        break;
    }
}

void DownloadItem::loadMediaInfo()
{
    setStatus(Analysing);
    DownloadManager *m = manager();
    connect(m, &DownloadManager::mediaInfoReady, this, &DownloadItem::receiveMediaInfo, Qt::UniqueConnection);
    connect(m, &DownloadManager::mediaThumbnailReady, this, &DownloadItem::receiveMediaThumbnail,
            Qt::UniqueConnection);
    connect(m, &DownloadManager::mediaSizeReady, this, &DownloadItem::receiveMediaSize, Qt::UniqueConnection);
    m->getMediaInfoBySignal(getUrl());
}

void DownloadItem::receiveMediaInfo(const Kel::WebMediaInfo &info)
{
    if (info.url != getUrl())
        return;
    disconnect(manager(), &DownloadManager::mediaInfoReady, this, &DownloadItem::receiveMediaInfo);
    if (!startRequested)
        return;
    if (!info.isValid()) {
        startRequested = false;
        setStatus(Failed);
        if (info.errorText.isEmpty()) {
            emit error(MediaInfoFailed, QVariant(getUrl()));
            emit error(MediaInfoFailed);
        } else {
            emit getMediaInfoError(getUrl(), info.errorText);
        }
        return;
    }
    setMediaInfo(info);
    setStatus(Ready);
    startRequested = false;
    download();
}

void DownloadItem::download()
{
    timeStamp = QDateTime::currentDateTime();
    setStatus(Waiting);
    const Kel::MediaProfile requested =
        downloadParameters.isValid() ? downloadParameters.getDownloadQuality() : Kel::MediaProfile();
    makeDownloadParameters(requested);

    DownloadTask *newTask = manager()->getDownloadTask();
    task = newTask;
    connect(newTask, &DownloadTask::progress, this, &DownloadItem::onDownloadProgress);
    connect(newTask, &DownloadTask::started, this, &DownloadItem::onDownloadStarted);
    connect(newTask, &DownloadTask::error, this, &DownloadItem::onDownloadError);
    connect(newTask, &DownloadTask::finished, this, &DownloadItem::onDownloadFinished);
    setDownloadScheduled(true);
    newTask->download(downloadParameters);
}

void DownloadItem::makeDownloadParameters(const Kel::MediaProfile &requested)
{
    downloadParameters.setUrl(getUrl());
    const Kel::MediaProfile quality =
        getDownloadMediaProfile(mediaInfo, requested, downloadParameters.downloadAudioOnlyIfExist());
    downloadParameters.setDownloadQuality(quality);

    // Without a quality the task refuses the download; no name is claimed
    // for it.
    if (downloadParameters.getDestFile().isEmpty() && quality.isValid()) {
        const QString folder = settings()->getDownloadDestDir();
        const QString destFile = makeDestFile(folder, mediaInfo, quality);
        mDownloadedFiles.append(destFile);
        downloadParameters.setDestFile(destFile);
        downloadParameters.setDestDir(folder);
    }

    downloadParameters.setSubtitleSetting(
        makeSubtitleSetting(mediaInfo, quality, settings()->subtitleMode(), settings()->subtitleLanguages()));
}

QString DownloadItem::makeDestFile(const QString &folder, const Kel::WebMediaInfo &info,
                                   const Kel::MediaProfile &quality)
{
    // A quality that tells neither a label nor a size gets no label rather
    // than "[-1x-1]".
    const bool unlabelled = quality.qualityLabel.isEmpty()
        && (quality.resolution.width() <= 0 || quality.resolution.height() <= 0);
    QString label = unlabelled ? QString() : quality.resolutionString();
    label.replace(QLatin1String(">1080P"), QLatin1String("1080P+"));
    const QString title = info.fileTitle.isEmpty() ? Kel::WebMediaInfo::makeFileTitle(info.title) : info.fileTitle;
    const QString name = FileNaming::downloadFileName(title, label, quality.format.toLower());
    return Kel::Text::uniqueFileName(QStringLiteral("%1/%2").arg(folder, name), mDownloadedFiles);
}

QString DownloadItem::subtitleLanguageCode(QLocale::Language language)
{
    if (language == QLocale::AnyLanguage || language == QLocale::C)
        return QString();
    // The shortest ISO 639 code: two letters where the language has them,
    // three otherwise (Hawaiian is "haw", not "ha", which is Hausa).
    return QLocale::languageToCode(language);
}

Kel::SubtitleSetting DownloadItem::makeSubtitleSetting(const Kel::WebMediaInfo &info,
                                                       const Kel::MediaProfile &quality, Kel::SubtitleMode mode,
                                                       const QList<QLocale::Language> &languages)
{
    Kel::SubtitleMode chosen = info.hasSubtitles() ? mode : Kel::NoSubtitle;
    if (chosen == Kel::AllEmbeddedSubtitles && info.subtitleLanguages.isEmpty())
        chosen = Kel::NoSubtitle;
    if (quality.format.compare(QLatin1String("3gp"), Qt::CaseInsensitive) == 0)
        chosen = Kel::NoSubtitle;

    QStringList wanted;
    for (const QLocale::Language language : languages) {
        const QString code = subtitleLanguageCode(language);
        if (!code.isEmpty() && !wanted.contains(code))
            wanted.append(code);
    }
    Kel::SubtitleSetting setting;
    setting.mode = chosen;
    setting.availableLanguages = info.subtitleLanguages;
    setting.preferredLanguages = wanted;
    return setting;
}

QualityPreferences DownloadItem::currentQualityPreferences()
{
    SettingsManager *s = settings();
    QualityPreferences prefs;
    prefs.mode = s->getPreferredQuality();
    prefs.resolution = s->getPreferredQualityResolution();
    prefs.format = s->getPreferredQualityFormat();
    prefs.formatOrder = s->getMediaInfoDict().getWebMediaFormatSupport().getFormats();
    return prefs;
}

Kel::MediaProfile DownloadItem::getDownloadMediaProfile(const Kel::WebMediaInfo &info,
                                                        const Kel::MediaProfile &requested, bool audioOnly)
{
    return QualitySelector(currentQualityPreferences()).getDownloadMediaProfile(info, requested, audioOnly);
}

Kel::MediaProfile DownloadItem::getDefaultQuality(const QString &url)
{
    const Kel::WebMediaInfo info = manager()->getMediaInfo(url);
    if (!info.isValid())
        return Kel::MediaProfile();
    return getDownloadMediaProfile(info, Kel::MediaProfile(), false);
}

void DownloadItem::cancel()
{
    emit aboutToBeCanceled();
    manager()->cancelMediaInfoRequest(getUrl());
    startRequested = false;
    manager()->cancelDownload(downloadParameters);
}

void DownloadItem::setStatus(Status value)
{
    if (value == status)
        return;
    status = value;
    emit statusChanged();
    emit dataChanged();
}

bool DownloadItem::canRestart() const
{
    return status == Failed;
}

bool DownloadItem::isWorking() const
{
    switch (status) {
    case NotReady:
    case Analysing:
    case Ready:
    case Waiting:
    case Downloading:
        return true;
    case Failed:
    case Finished:
        break;
    }
    return false;
}

QString DownloadItem::getUrl() const
{
    return downloadParameters.getUrl();
}

QString DownloadItem::getTitle() const
{
    return mediaInfo.title;
}

qint64 DownloadItem::getDuration() const
{
    return mediaInfo.duration;
}

qint64 DownloadItem::getFileSize() const
{
    return downloadParameters.getDownloadQuality().size;
}

Kel::MediaType DownloadItem::getMediaType() const
{
    return mediaInfo.mediaType;
}

QString DownloadItem::getDestFile() const
{
    return downloadParameters.getDestFile();
}

QString DownloadItem::getThumbnailFile() const
{
    return mediaInfo.thumbnailFile;
}

void DownloadItem::setThumbnailFile(const QString &file)
{
    mediaInfo.thumbnailFile = file;
}

void DownloadItem::setMediaInfo(const Kel::WebMediaInfo &info)
{
    mediaInfo = info;
}

void DownloadItem::receiveMediaThumbnail(const QString &url, const QString &thumbnailFile)
{
    if (url != getUrl())
        return;
    disconnect(manager(), &DownloadManager::mediaThumbnailReady, this, &DownloadItem::receiveMediaThumbnail);
    setThumbnailFile(thumbnailFile);
    emit thumbnailReceived(thumbnailFile);
}

void DownloadItem::receiveMediaSize(const QString &url, const QString &profileUrl, qint64 size)
{
    if (url != getUrl() || size <= 0)
        return;
    for (Kel::MediaProfile &p : mediaInfo.profiles) {
        if (p.url == profileUrl)
            p.size = size;
    }
    Kel::MediaProfile quality = downloadParameters.getDownloadQuality();
    if (quality.isValid()) {
        if (quality.audioFormat.isEmpty()) {
            if (quality.url == profileUrl)
                quality.size = size;
        } else {
            // A merged download weighs its video and its audio partner.
            const qint64 video = listedSize(mediaInfo, quality.url);
            const qint64 audio = listedSizeByName(mediaInfo, quality.audioFormat);
            if (video > 0 && audio > 0)
                quality.size = video + audio;
        }
        downloadParameters.setDownloadQuality(quality);
    }
    emit dataChanged();
}

void DownloadItem::onDownloadProgress(qint64 total, qint64 finish, qint64 speed)
{
    Kel::MediaProfile quality = downloadParameters.getDownloadQuality();
    if (quality.isValid() && total > 0 && quality.size == 0) {
        quality.size = total;
        downloadParameters.setDownloadQuality(quality);
        // The total of a merged download estimates the video and its audio
        // together: it is the size of neither stream, and the video's real
        // size, still to come from its size request, must not be refused
        // for it.
        if (quality.audioFormat.isEmpty()) {
            for (Kel::MediaProfile &p : mediaInfo.profiles) {
                if (p.url == quality.url && p.size == 0)
                    p.size = total;
            }
            manager()->receiveMediaSize(quality.url, total);
        }
    }
    progress = Kel::Progress(total, finish, speed);
    emit dataChanged();
}

void DownloadItem::onDownloadStarted()
{
    if (status != Downloading)
        setStatus(Downloading);
}

void DownloadItem::onDownloadFinished()
{
    const QString reserved = getDestFile();
    // Another program may have taken the name meanwhile; the download then
    // has the next free one.
    const QString result = task ? task->getResultFile() : QString();
    if (!result.isEmpty())
        downloadParameters.setDestFile(result);
    // A page that gives no duration: the file says how long it is.
    if (mediaInfo.duration <= 0)
        mediaInfo.duration = qRound64(Kel::MediaProbe::declaredDuration(getDestFile()));
    progress = Kel::Progress();
    setDownloadScheduled(false);
    setStatus(Finished);
    exportToItunes();
    emit downloadFinished();
    mDownloadedFiles.removeAll(reserved);
}

void DownloadItem::exportToItunes()
{
    const QFileInfo file(getDestFile());
    if (file.suffix().compare(QLatin1String("mp4"), Qt::CaseInsensitive) != 0
        || !settings()->isDownloadAutoExport2Itunes())
        return;
    if (!device.isItunesInstalled()) {
        emit error(ItunesNotInstalled, QVariant());
        emit error(ItunesNotInstalled);
        return;
    }
    if (!device.importFile(file.absoluteFilePath(), QString(), false)) {
        emit error(ItunesImportFailed, QVariant(file.fileName()));
        emit error(ItunesImportFailed);
    } else {
        emit exportFinished(file.fileName());
    }
}

void DownloadItem::onDownloadError(qint32 errorCode)
{
    Q_UNUSED(errorCode)
    // The back end's words travel with the error.
    const auto *failed = qobject_cast<const DownloadTask *>(sender());
    handleError(DownloadFailed, failed ? failed->getErrorText() : QString());
}

void DownloadItem::handleError(int code, const QString &text)
{
    cancel();
    progress = Kel::Progress();
    setDownloadScheduled(false);
    setStatus(Failed);
    emit error(code, QVariant(text));
    emit error(code);
}

} // namespace Tarn
