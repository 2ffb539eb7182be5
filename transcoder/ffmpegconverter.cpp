#include "transcoder/ffmpegconverter.h"

#include "shared/fileclaim.h"
#include "shared/kellog.h"
#include "shared/runstamp.h"
#include "shared/toollocator.h"
#include "transcoder/encodersupport.h"
#include "transcoder/ffmpegarguments.h"
#include "transcoder/mediaprobe.h"
#include "transcoder/processsuspender.h"
#include "transcoder/transcoderlog.h"

#include <QFile>
#include <QFileInfo>
#include <QTimer>

namespace Kel {

namespace {

bool isSameFile(const QString &a, const QString &b)
{
    const QFileInfo first(a);
    const QFileInfo second(b);
    if (first.absoluteFilePath() == second.absoluteFilePath())
        return true;
    return first.exists() && second.exists() && first.canonicalFilePath() == second.canonicalFilePath();
}

// ffmpeg ends with 0 even when it could not write the end of its output, as
// on a full disk; such a file is no result.
bool outputLeftIncomplete(const QStringList &messages)
{
    for (const QString &line : messages) {
        if (line.contains(QLatin1String("Error writing trailer")) || line.contains(QLatin1String("Error closing file")))
            return true;
    }
    return false;
}

} // namespace

ffmpegConverter::ffmpegConverter(QObject *parent) : MediaConverter(parent)
{
    // The helper also makes a stopped ffmpeg end with the program that would
    // continue it.
    connect(&process, &ChildProcess::outputLines, this, &ffmpegConverter::ffmpegReadOutputData);
    connect(&process, &ChildProcess::errorLines, this, &ffmpegConverter::ffReadError);
    connect(&process, &ChildProcess::finished, this, &ffmpegConverter::ffFinished);
    connect(&process, &ChildProcess::failedToStart, this, &ffmpegConverter::ffProcessError);
}

ffmpegConverter::~ffmpegConverter()
{
    process.disconnect(this);
    if (process.isRunning()) {
        canceled = true;
        stopProcess();
    }
    if (!succeeded)
        removeWorkFile();
}

void ffmpegConverter::convert(ConvertJob job)
{
    qCDebug(lcTranscoder) << "entering ffmpeg ...";
    if (process.isRunning()) {
        KEL_ERROR("A conversion is already running: %s", qPrintable(target));
        return;
    }

    if (!succeeded)
        removeWorkFile();
    source = job.source;
    target = job.target;
    workFile.clear();
    setResultFile(QString());
    paused = false;
    succeeded = false;
    canceled = false;
    failureText.clear();
    parser.reset();
    messages.clear();

    duration = double(job.sourceInfo.duration);
    QList<SubtitleStream> subtitles;
    if (duration <= 0 || job.keepSubtitles) {
        MediaProbe probe;
        if (probe.open(source)) {
            if (duration <= 0)
                duration = probe.duration();
            subtitles = probe.subtitleStreams();
        }
    }
    if (job.durationLimit > 0 && (duration <= 0 || double(job.durationLimit) < duration))
        duration = double(job.durationLimit);

    // ffmpeg would overwrite the source, and a failure would then remove it.
    if (isSameFile(source, target)) {
        KEL_ERROR("The target is the source itself: %s", qPrintable(source));
        target.clear();
        reportErrorLater(ConverterFailed, tr("The destination is the source file itself."));
        return;
    }

    QString reason;
    workFile = FileClaim::createTemporary(QFileInfo(target).absolutePath(), RunStamp::ConvertMarker,
                                          QFileInfo(target).suffix(), &reason);
    if (workFile.isEmpty()) {
        KEL_ERROR("No file can be written beside %s: %s", qPrintable(target), qPrintable(reason));
        reportErrorLater(ConverterFailed, tr("No file can be written in %1: %2")
                                              .arg(QFileInfo(target).absolutePath(), reason));
        return;
    }

    job.profile.aSampleRate = EncoderSupport::sampleRate(job.profile.aCodec, job.profile.aSampleRate);
    // ffmpeg overwrites only the empty file made for it just now.
    job.target = workFile;
    programArguments = FfmpegArguments::build(job, subtitles);
    const QString dir = job.ffmpegDir.isEmpty() ? ToolLocator::applicationDir() : job.ffmpegDir;
    programPath = ToolLocator::ffmpegPath(dir);

    const QString programName = programPath.isEmpty() ? QStringLiteral("ffmpeg") : QFileInfo(programPath).fileName();
    KEL_INFO("%s %s ", qPrintable(programName), qPrintable(programArguments.join(QLatin1Char(' '))));
    if (programPath.isEmpty()) {
        KEL_ERROR("ffmpeg was found neither in %s nor on PATH.", qPrintable(dir));
        removeWorkFile();
        reportErrorLater(ConverterNotStarted,
                         tr("ffmpeg is needed for the conversion and was found neither in %1 nor on the search path.")
                             .arg(dir));
        return;
    }

    // Standard input is closed: ffmpeg cannot wait for an answer.
    process.start(programPath, programArguments);
    emit started();
}

bool ffmpegConverter::pause()
{
    if (!process.isRunning() || paused)
        return false;
    if (!ProcessSuspender::suspend(process.processId())) {
        KEL_ERROR("pause process throw exception.");
        return false;
    }
    paused = true;
    return true;
}

bool ffmpegConverter::resume()
{
    if (!process.isRunning() || !paused)
        return false;
    if (!ProcessSuspender::resume(process.processId())) {
        KEL_ERROR("resume process throw exception.");
        return false;
    }
    paused = false;
    return true;
}

void ffmpegConverter::cancel()
{
    KEL_ERROR("Cancel convert...");
    canceled = true;
    stopProcess();
    if (!succeeded)
        removeWorkFile();
}

void ffmpegConverter::clear()
{
    if (process.isRunning()) {
        canceled = true;
        stopProcess();
    }
    if (!succeeded)
        removeWorkFile();
}

void ffmpegConverter::stopProcess()
{
    // Killed and gone before the target is touched; a stopped (paused)
    // ffmpeg needs no continuing first.
    process.stop();
    paused = false;
}

void ffmpegConverter::removeWorkFile()
{
    if (workFile.isEmpty() || !QFileInfo::exists(workFile))
        return;
    if (QFile::remove(workFile)) {
        KEL_DEBUG("remove converting file %s ", qPrintable(workFile));
    } else {
        KEL_ERROR("remove converting file failed. %s", qPrintable(workFile));
        KEL_TRACE_FAILURE();
    }
}

void ffmpegConverter::finishResult()
{
    if (outputLeftIncomplete(parser.lastMessages())) {
        KEL_ERROR("ffmpeg could not complete %s: %s", qPrintable(workFile),
                  qPrintable(parser.lastMessages().join(QLatin1String(" | "))));
        removeWorkFile();
        failureText = messages.failureText();
        if (failureText.isEmpty())
            failureText = tr("ffmpeg could not write the end of the converted file.");
        emit error(ConverterFailed);
        return;
    }
    QString reason;
    const QString result = FileClaim::moveToFreeName(workFile, target, &reason);
    if (result.isEmpty()) {
        KEL_ERROR("The converted file %s cannot be named %s: %s", qPrintable(workFile), qPrintable(target),
                  qPrintable(reason));
        removeWorkFile();
        failureText = tr("The converted file could not be given the name %1: %2").arg(target, reason);
        emit error(ConverterFailed);
        return;
    }
    if (result != target)
        KEL_INFO("%s was taken meanwhile; the result is %s", qPrintable(target), qPrintable(result));
    workFile.clear();
    succeeded = true;
    setResultFile(result);
    emit finished();
}

void ffmpegConverter::reportErrorLater(qint32 code, const QString &reason)
{
    failureText = reason;
    // Callers expect the conversion to have begun when convert() returns.
    QTimer::singleShot(0, this, [this, code] {
        if (!canceled)
            emit error(code);
    });
}

void ffmpegConverter::ffmpegReadOutputData(const QStringList &lines)
{
    qCDebug(lcTranscoder).noquote() << lines.join(QLatin1Char('\n'));
}

void ffmpegConverter::ffFinished(int exitCode, QProcess::ExitStatus exitStatus)
{
    qCDebug(lcTranscoder).noquote() << QStringLiteral("ffFinished : %1 %2").arg(exitCode).arg(int(exitStatus));
    paused = false;
    if (canceled)
        return;
    if (exitStatus == QProcess::NormalExit && exitCode == 0) {
        finishResult();
        return;
    }

    KEL_ERROR("ffmpeg failed (%s, exit code %d) converting %s: %s",
              exitStatus == QProcess::CrashExit ? "crashed" : "error", exitCode, qPrintable(source),
              qPrintable(parser.lastMessages().join(QLatin1String(" | "))));
    removeWorkFile();
    // ffmpeg's own words name the cause ("No space left on device").
    const QString words = messages.failureText();
    if (exitStatus == QProcess::CrashExit)
        failureText = tr("ffmpeg crashed or was killed.");
    else if (!words.isEmpty())
        failureText = words;
    else
        failureText = tr("ffmpeg stopped with exit code %1.").arg(exitCode);
    emit error(exitStatus == QProcess::CrashExit ? ConverterCrashed : ConverterFailed);
}

void ffmpegConverter::ffProcessError(const QString &reason)
{
    KEL_ERROR("ffmpeg could not be started: %s %s", qPrintable(programPath), qPrintable(reason));
    if (canceled)
        return;
    failureText = tr("ffmpeg could not be started: %1").arg(reason);
    emit error(ConverterNotStarted);
}

void ffmpegConverter::ffReadError(const QStringList &lines)
{
    qCDebug(lcTranscoder) << "entering ffmpeg output use standarderror ...";
    messages.add(lines);
    const double position = parser.feedLines(lines);
    if (position < 0)
        return;
    const qint64 percent = FfmpegProgressParser::percent(position, duration);
    qCDebug(lcTranscoder).noquote() << QStringLiteral("ffProgress : %1 %2 %3").arg(position).arg(duration).arg(percent);
    if (percent >= 0)
        emit progress(100, percent, paused ? -1 : 0);
}

} // namespace Kel
