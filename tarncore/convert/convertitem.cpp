#include "tarncore/convert/convertitem.h"

#include "tarncore/convert/convertmanager.h"
#include "tarncore/convert/converttask.h"
#include "tarncore/download/appcontext.h"
#include "tarncore/download/downloaditem.h"
#include "tarncore/download/filenaming.h"
#include "tarncore/settings/settingsmanager.h"
#include "shared/keltext.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace Tarn {

QStringList ConvertItem::mConvertedFiles;

namespace {

bool isItunesFormat(const QString &format)
{
    return format.compare(QLatin1String("mp3"), Qt::CaseInsensitive) == 0
        || format.compare(QLatin1String("mp4"), Qt::CaseInsensitive) == 0
        || format.compare(QLatin1String("mov"), Qt::CaseInsensitive) == 0;
}

bool isStandardHeight(int height)
{
    switch (height) {
    case 1080: case 720: case 540: case 480: case 360: case 240: case 144:
        return true;
    default:
        return false;
    }
}

QString kiloText(qint64 bitRate)
{
    return QStringLiteral("%1K").arg(bitRate / 1000);
}

qint64 nonNegative(qint64 value)
{
    return value > 0 ? value : 0;
}

} // namespace

ConvertItem::ConvertItem(QObject *parent)
    : QObject(parent)
{
}

ConvertItem::ConvertItem(DownloadItem *d, QObject *parent)
    : QObject(parent)
{
    if (!d)
        return;
    srcMediaInfo.copy(d->getDownloadParameters().getDownloadQuality());
    srcMediaInfo.mediaFile = d->getDestFile();
    srcMediaInfo.fileSize = d->getFileSize();
    srcMediaInfo.duration = d->getDuration();
    const QString thumbnail = d->getThumbnailFile();
    if (!thumbnail.isEmpty() && QFileInfo::exists(thumbnail))
        srcMediaInfo.thumbnailFile = duplicateThumbnail(thumbnail);

    sourceDownload = d;
    connect(d, &DownloadItem::downloadFinished, this, &ConvertItem::onDownloadFinished);
    connect(d, &DownloadItem::aboutToBeCanceled, this, &ConvertItem::onDownloadAboutToBeCanceled);
    connect(d, &DownloadItem::thumbnailReceived, this, &ConvertItem::onThumbnailReceived);
    setStatus(StatusWaitingDownload);
}

ConvertItem::~ConvertItem()
{
    releaseDestFile();
}

ConvertManager *ConvertItem::manager()
{
    return AppContext::instance()->getConvertManager();
}

SettingsManager *ConvertItem::settings()
{
    return AppContext::instance()->getSettingsManager();
}

void ConvertItem::start()
{
    if (status == StatusPaused) {
        manager()->resumeTask(convertParameters);
        return;
    }
    if (status != StatusReady && status != StatusError)
        return;
    convert();
}

void ConvertItem::convert()
{
    timeStamp = QDateTime::currentDateTime();
    setStatus(StatusStarting);
    // Without a source or a profile there is nothing to name; the task
    // refuses such parameters and the item reports the failure.
    if (convertParameters.getDestFile().isEmpty() && !convertParameters.getSrcFile().isEmpty()
        && convertParameters.getConvertProfile().isValid()) {
        convertParameters.setDestFile(
            makeDestFile(convertParameters.getSrcFile(), convertParameters.getConvertProfile()));
    }
    QDir::setCurrent(AppContext::getAppDir());

    ConvertTask *newTask = manager()->getConvertTask();
    task = newTask;
    connect(newTask, &ConvertTask::progress, this, &ConvertItem::onConvertProgress);
    connect(newTask, &ConvertTask::started, this, &ConvertItem::onConvertStarted);
    connect(newTask, &ConvertTask::paused, this, &ConvertItem::onConvertPaused);
    connect(newTask, &ConvertTask::resumed, this, &ConvertItem::onConvertResumed);
    connect(newTask, &ConvertTask::error, this, &ConvertItem::onConvertError);
    connect(newTask, &ConvertTask::finished, this, &ConvertItem::onConvertFinished);
    newTask->convert(convertParameters);
    emit dataChanged();
}

void ConvertItem::pause()
{
    manager()->pauseTask(convertParameters);
}

void ConvertItem::resume()
{
    manager()->resumeTask(convertParameters);
}

void ConvertItem::cancel()
{
    manager()->cancelConvert(convertParameters);
}

void ConvertItem::clear()
{
    // A conversion nobody follows any more must not go on writing.
    if (task && !Kel::Task::isEnded(task->status()))
        manager()->cancelConvert(convertParameters);
    removeOwnThumbnail();
}

void ConvertItem::setStatus(Status value)
{
    if (value == status)
        return;
    status = value;
    emit statusChanged();
    emit dataChanged();
}

bool ConvertItem::isWorking() const
{
    return status != StatusError && status != StatusFinished;
}

bool ConvertItem::canRestart() const
{
    return status == StatusPaused || status == StatusError;
}

void ConvertItem::setSrcMediaInfo(const Kel::FileMediaInfo &info)
{
    srcMediaInfo = info;
    emit dataChanged();
}

QString ConvertItem::getDestFile() const
{
    return convertParameters.isValid() ? convertParameters.getDestFile() : QString();
}

QString ConvertItem::getDestFormat() const
{
    return convertParameters.isValid() ? convertParameters.getConvertProfile().format : QString();
}

QSize ConvertItem::getDestResolution() const
{
    return convertParameters.isValid() ? convertParameters.getConvertProfile().resolution : QSize(-1, -1);
}

Kel::MediaProfile ConvertItem::getConvertProfile() const
{
    return convertParameters.isValid() ? convertParameters.getConvertProfile() : Kel::MediaProfile();
}

qint32 ConvertItem::getDestVBitRate() const
{
    return convertParameters.isValid() ? convertParameters.getConvertProfile().vBitRate : 0;
}

qint32 ConvertItem::getDestABitRate() const
{
    return convertParameters.isValid() ? convertParameters.getConvertProfile().aBitRate : 0;
}

QSize ConvertItem::getEstimatedDestResolution() const
{
    const Kel::MediaProfile profile = convertParameters.getConvertProfile();
    if (profile.isValid() && (profile.autoResolution || profile.sameAsSource))
        return srcMediaInfo.resolution;
    return getDestResolution();
}

qint64 ConvertItem::getEstimatedDestVBitRate() const
{
    const Kel::MediaProfile profile = convertParameters.getConvertProfile();
    if (profile.isValid() && (profile.autoResolution || profile.sameAsSource))
        return srcMediaInfo.vBitRate;
    return getDestVBitRate();
}

qint64 ConvertItem::getEstimatedDestFileSize() const
{
    // An unknown rate (-1) adds nothing rather than taking away.
    const qint64 bitsPerSecond = nonNegative(getEstimatedDestVBitRate()) + nonNegative(getDestABitRate());
    const qint64 size = bitsPerSecond * nonNegative(srcMediaInfo.duration) / 8;
    return size < 1 ? 0 : size;
}

QString ConvertItem::getThumbnailFile() const
{
    if (srcMediaInfo.isValid() && !srcMediaInfo.thumbnailFile.isEmpty()
        && QFileInfo::exists(srcMediaInfo.thumbnailFile))
        return srcMediaInfo.thumbnailFile;
    return settings()->getDefaultThumbnailImage();
}

QString ConvertItem::sourceFile() const
{
    return convertParameters.getSrcFile().isEmpty() ? srcMediaInfo.mediaFile : convertParameters.getSrcFile();
}

bool ConvertItem::loadSrcFileMediaInfo()
{
    const QString file = sourceFile();
    if (file.isEmpty() || !QFileInfo::exists(file))
        return false;
    Kel::FileMediaInfo info = manager()->getMeidaInfo(file, false);
    if (!info.isValid())
        return false;
    info.thumbnailFile = srcMediaInfo.thumbnailFile;
    srcMediaInfo = info;
    convertParameters.setSrcMediaInfo(info);
    emit dataChanged();
    return true;
}

QString ConvertItem::resolutionLabel(const QSize &resolution)
{
    const int w = resolution.width();
    const int h = resolution.height();
    if (isStandardHeight(h) && w / 16 == h / 9)
        return QStringLiteral("%1P").arg(h);
    return QStringLiteral("%1x%2").arg(w).arg(h);
}

QString ConvertItem::makeConvertParametersString(const Kel::MediaProfile &profile, bool withFormat)
{
    if (profile.name != SettingsManager::CustomizedProfileName)
        return profile.name;

    QString result = withFormat ? profile.format : QString();
    const MediaInfoDict &dict = settings()->getMediaInfoDict();
    const bool hasSize = profile.resolution.width() >= 1 && profile.resolution.height() >= 1;
    // A profile without a video codec has no picture to describe.
    const bool video = !profile.vCodec.isEmpty()
        && (profile.autoBitRate || profile.autoResolution || hasSize || profile.vBitRate >= 0);
    QString text;
    if (video) {
        const QString size = profile.autoResolution ? tr("Auto") : resolutionLabel(profile.resolution);
        const QString rate = profile.autoBitRate ? tr("Auto") : kiloText(profile.vBitRate);
        text = QStringLiteral("%1-%2-%3").arg(dict.getFFmpegCodecName(profile.vCodec), size, rate);
    } else if (profile.aBitRate >= 1) {
        text = QStringLiteral("%1-%2").arg(dict.getFFmpegCodecName(profile.aCodec), kiloText(profile.aBitRate));
    } else {
        text = dict.getFFmpegCodecName(profile.aCodec);
    }
    if (withFormat)
        text = QStringLiteral("(%1)").arg(text);
    return result + text;
}

QString ConvertItem::makeDestFile(const QString &srcFile, const Kel::MediaProfile &profile)
{
    releaseDestFile();
    const QString parameters = makeConvertParametersString(profile, false);
    const QString suffix = profile.format.toLower();
    // The whole name must fit the file system's limit, with room for a
    // later "(n)" and temporary suffixes.
    const QString tail = QStringLiteral("__[%1].%2").arg(parameters, suffix);
    const int room = FileNaming::MaxFileNameBytes - FileNaming::ReservedBytes - FileNaming::encodedLength(tail);
    // A download's name comes from its page's title: what is hidden, reads
    // as an option or disguises the type stays out of the result's name too.
    const QString base =
        FileNaming::fitToBytes(FileNaming::safeTitle(QFileInfo(srcFile).completeBaseName()), qMax(0, room));
    QString name = base + tail;
    static const QString forbidden = QStringLiteral("/\\:*?\"<>|");
    for (QChar &c : name) {
        if (forbidden.contains(c))
            c = QLatin1Char(' ');
    }

    const QString folder = settings()->getConvertSaveMode() == ConvertSaveInDownloadDir
        ? settings()->getDownloadDestDir()
        : settings()->getConvertDestDir();
    const QString path = Kel::Text::uniqueFileName(QStringLiteral("%1/%2").arg(folder, name), mConvertedFiles);
    mConvertedFiles.append(path);
    reservedDestFile = path;
    return path;
}

void ConvertItem::releaseDestFile()
{
    if (reservedDestFile.isEmpty())
        return;
    mConvertedFiles.removeOne(reservedDestFile);
    reservedDestFile.clear();
}

void ConvertItem::onConvertProgress(qint64 total, qint64 finish, qint64 speed)
{
    progress = Kel::Progress(total, finish, speed);
    emit dataChanged();
}

void ConvertItem::onConvertStarted()
{
    setStatus(StatusConverting);
}

void ConvertItem::onConvertPaused()
{
    setStatus(StatusPaused);
}

void ConvertItem::onConvertResumed()
{
    setStatus(StatusStarting);
}

void ConvertItem::onConvertFinished()
{
    // Another program may have taken the name meanwhile; the result then
    // has the next free one.
    const QString result = task ? task->getResultFile() : QString();
    if (!result.isEmpty())
        convertParameters.setDestFile(result);
    progress = Kel::Progress();
    setStatus(StatusFinished);
    emit convertFinished();
    exportToItunes();
    releaseDestFile();
}

void ConvertItem::onConvertError(qint32 errorCode)
{
    Q_UNUSED(errorCode)
    // The back end's words travel with the error.
    const auto *failed = qobject_cast<const ConvertTask *>(sender());
    handleError(ConvertFailed, failed ? failed->getErrorText() : QString(QLatin1String("")));
}

void ConvertItem::handleError(int code, const QString &text)
{
    // Nothing is removed here: a failed conversion leaves no file under the
    // destination's name (the converter writes elsewhere until it has
    // finished), and a file there belongs to someone else, the source itself
    // included when it is the destination.
    if (task && !Kel::Task::isEnded(task->status()))
        manager()->cancelConvert(convertParameters);
    progress = Kel::Progress();
    setStatus(StatusError);
    emit error(code, QVariant(text));
}

void ConvertItem::exportToItunes()
{
    if (!isItunesFormat(convertParameters.getConvertProfile().format) || !settings()->isConvertAutoExport2Itunes())
        return;
    if (!device.isItunesInstalled()) {
        emit error(ItunesNotInstalled, QVariant());
        return;
    }
    const QFileInfo file(convertParameters.getDestFile());
    if (device.importFile(file.absoluteFilePath(), QString(), false))
        emit exportFinished(file.fileName());
    else
        emit error(ItunesImportFailed, QVariant(file.fileName()));
}

void ConvertItem::onDownloadFinished()
{
    // A conversion already under way or done is not started twice.
    if (status == StatusStarting || status == StatusConverting || status == StatusPaused
        || status == StatusFinished)
        return;
    // The download may have ended under another name than the one it was
    // given, when another program took that one meanwhile.
    const QString downloaded = sourceDownload ? sourceDownload->getDestFile() : QString();
    if (!downloaded.isEmpty() && downloaded != srcMediaInfo.mediaFile) {
        if (convertParameters.getSrcFile() == srcMediaInfo.mediaFile)
            convertParameters.setSrcFile(downloaded);
        srcMediaInfo.mediaFile = downloaded;
    }
    if (!loadSrcFileMediaInfo()) {
        // Nothing can be converted: the item ends instead of waiting.
        setStatus(StatusError);
        emit error(SourceProbeFailed, QVariant(sourceFile()));
        return;
    }
    setStatus(StatusReady);
    convert();
}

void ConvertItem::onDownloadAboutToBeCanceled()
{
    // Once the download has ended its file is the source and the conversion
    // no longer needs the download item: removing that from its list must
    // not end a conversion under way or undo one that is done.
    if (status != StatusWaitingDownload && status != StatusNone)
        return;
    manager()->cancelConvert(convertParameters);
    emit canceled();
}

void ConvertItem::onThumbnailReceived(QString thumbnailFile)
{
    // The download keeps its picture; this item works on a copy of its own.
    const QString copy = QFileInfo::exists(thumbnailFile) ? duplicateThumbnail(thumbnailFile) : QString();
    removeOwnThumbnail();
    srcMediaInfo.thumbnailFile = copy.isEmpty() ? thumbnailFile : copy;
    sharedThumbnail = copy.isEmpty() ? thumbnailFile : QString();
    emit dataChanged();
}

void ConvertItem::removeOwnThumbnail()
{
    const QString thumbnail = srcMediaInfo.thumbnailFile;
    if (thumbnail.isEmpty() || thumbnail == sharedThumbnail || !QFileInfo::exists(thumbnail)
        || QFileInfo(thumbnail) == QFileInfo(settings()->getDefaultThumbnailImage()))
        return;
    QFile::remove(thumbnail);
}

QString ConvertItem::duplicateThumbnail(const QString &path)
{
    const int dot = path.lastIndexOf(QLatin1Char('.'));
    const int slash = qMax(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    QString target;
    if (dot > 0 && dot > slash + 1) {
        target = Kel::Text::uniqueFileName(QStringLiteral("%1_convert.%2").arg(path.left(dot), path.mid(dot + 1)));
    } else {
        // Without a suffix the copy still gets a name of its own.
        target = path + QStringLiteral("_convert");
        for (int n = 1; QFileInfo::exists(target); ++n)
            target = QStringLiteral("%1_convert(%2)").arg(path, QString::number(n));
    }
    if (!QFile::copy(path, target))
        return QString();
    return target;
}

} // namespace Tarn
