#include "transcoder/ffextractor.h"

#include "shared/kellog.h"
#include "shared/toollocator.h"
#include "transcoder/mediaprobe.h"
#include "transcoder/transcoderlog.h"

#include <QFile>
#include <QFileInfo>

namespace Kel {

ffExtractor::ffExtractor(QObject *parent) : MediaInfoExtractor(parent)
{
    connect(&process, &ChildProcess::failedToStart, this, &ffExtractor::ffProcessError);
    connect(&process, &ChildProcess::errorLines, this, &ffExtractor::ffReadError);
}

ffExtractor::~ffExtractor()
{
    process.disconnect(this);
    process.stop();
}

QString ffExtractor::setThumbnailFile(QString path)
{
    thumbnailFile = path;
    mediaInfo.thumbnailFile = path;
    return path;
}

FileMediaInfo ffExtractor::getMediaInfo(QString file, bool thumbnail, QString ffmpegDir)
{
    // A description asked for together with a thumbnail is still a description.
    probe(file);
    if (thumbnail)
        writeThumbnail(file, ffmpegDir);
    return mediaInfo;
}

void ffExtractor::probe(const QString &file)
{
    // A file that cannot be read must not inherit the previous file's description.
    mediaInfo = FileMediaInfo();
    mediaInfo.mediaFile = file;
    mediaInfo.thumbnailFile = thumbnailFile;

    MediaProbe probe;
    if (!probe.open(file))
        return;
    mediaInfo = probe.describe();
    mediaInfo.thumbnailFile = thumbnailFile;
}

void ffExtractor::writeThumbnail(const QString &file, const QString &ffmpegDir)
{
    qCDebug(lcTranscoder) << file;
    if (thumbnailFile.isEmpty()) {
        KEL_ERROR("No thumbnail file set for %s", qPrintable(file));
        return;
    }
    const QString dir = ffmpegDir.isEmpty() ? ToolLocator::applicationDir() : ffmpegDir;
    const QString program = ToolLocator::ffmpegPath(dir);
    if (program.isEmpty()) {
        KEL_ERROR("ffmpeg was found neither in %s nor on PATH.", qPrintable(dir));
        return;
    }
    // An image left from an earlier file of the same name must not stand in for this one.
    if (QFileInfo::exists(thumbnailFile))
        QFile::remove(thumbnailFile);

    // Transport streams seek badly: their first frame is taken instead.
    const QString suffix = QFileInfo(file).suffix().toLower();
    const bool seek = suffix != QLatin1String("dvr-ms") && suffix != QLatin1String("ts")
                      && suffix != QLatin1String("m2ts") && suffix != QLatin1String("mts");
    const QStringList rest = {QStringLiteral("-i"),      file,
                              QStringLiteral("-f"),      QStringLiteral("image2"),
                              QStringLiteral("-vcodec"), QStringLiteral("mjpeg"),
                              QStringLiteral("-vframes"), QStringLiteral("1"),
                              QStringLiteral("-s"),      QStringLiteral("480x360"),
                              QStringLiteral("-an"),     QStringLiteral("-loglevel"),
                              QStringLiteral("quiet"),   QStringLiteral("-y"),
                              thumbnailFile};
    if (seek) {
        if (runThumbnail(program, QStringList{QStringLiteral("-ss"), QStringLiteral("5.00")} + rest))
            return;
        // Shorter than five seconds: the first frame is better than no picture.
    }
    runThumbnail(program, rest);
}

bool ffExtractor::runThumbnail(const QString &program, const QStringList &arguments)
{
    KEL_DEBUG("%s %s", qPrintable(program), qPrintable(arguments.join(QLatin1Char(' '))));
    process.start(program, arguments);
    if (!process.waitForFinished(ThumbnailTimeoutMs)) {
        if (process.isRunning()) {
            KEL_ERROR("Thumbnail of %s took longer than %d ms.", qPrintable(thumbnailFile), ThumbnailTimeoutMs);
            process.stop();
        }
        QFile::remove(thumbnailFile);
        return false;
    }
    const bool written = process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0
                         && QFileInfo(thumbnailFile).size() > 0;
    if (!written)
        QFile::remove(thumbnailFile);
    return written;
}

void ffExtractor::ffProcessError(const QString &reason)
{
    KEL_ERROR("Thumbnail run failed to start: %s", qPrintable(reason));
}

void ffExtractor::ffReadError(const QStringList &lines)
{
    qCDebug(lcTranscoder).noquote() << lines.join(QLatin1Char('\n'));
}

} // namespace Kel
