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

#ifdef Q_OS_LINUX
#include <signal.h>
#include <sys/prctl.h>
#endif

namespace Kel {

namespace {

// How long cancel() waits for a killed ffmpeg to be gone.
constexpr int KillWaitMs = 5000;

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
    connect(&process, &QProcess::readyReadStandardOutput, this, &ffmpegConverter::ffmpegReadOutputData);
    connect(&process, &QProcess::readyReadStandardError, this, &ffmpegConverter::ffReadError);
    connect(&process, &QProcess::finished, this, &ffmpegConverter::ffFinished);
    connect(&process, &QProcess::errorOccurred, this, &ffmpegConverter::ffProcessError);
#ifdef Q_OS_LINUX
    // A stopped ffmpeg must not outlive the program that would continue it.
    process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
#endif
}

ffmpegConverter::~ffmpegConverter()
{
    process.disconnect(this);
    if (process.state() != QProcess::NotRunning) {
        canceled = true;
        stopProcess();
    }
    if (!succeeded)
        removeWorkFile();
}

void ffmpegConverter::convert(ConvertJob job)
{
    qCDebug(lcTranscoder) << "entering ffmpeg ...";
    if (process.state() != QProcess::NotRunning) {
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
    parser.reset();

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
        reportErrorLater(ConverterFailed);
        return;
    }

    QString reason;
    workFile = FileClaim::createTemporary(QFileInfo(target).absolutePath(), RunStamp::ConvertMarker,
                                          QFileInfo(target).suffix(), &reason);
    if (workFile.isEmpty()) {
        KEL_ERROR("No file can be written beside %s: %s", qPrintable(target), qPrintable(reason));
        reportErrorLater(ConverterFailed);
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
        reportErrorLater(ConverterNotStarted);
        return;
    }

    process.start(programPath, programArguments, QIODevice::ReadWrite);
    emit started();
}

bool ffmpegConverter::pause()
{
    if (process.state() != QProcess::Running || paused)
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
    if (process.state() != QProcess::Running || !paused)
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
    if (process.state() != QProcess::NotRunning) {
        canceled = true;
        stopProcess();
    }
    if (!succeeded)
        removeWorkFile();
}

void ffmpegConverter::stopProcess()
{
    if (process.state() == QProcess::NotRunning)
        return;
    // SIGKILL also ends a stopped process; nothing has to continue it first.
    process.kill();
    if (!process.waitForFinished(KillWaitMs))
        KEL_ERROR("ffmpeg did not end after being killed: %s", qPrintable(target));
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
        emit error(ConverterFailed);
        return;
    }
    QString reason;
    const QString result = FileClaim::moveToFreeName(workFile, target, &reason);
    if (result.isEmpty()) {
        KEL_ERROR("The converted file %s cannot be named %s: %s", qPrintable(workFile), qPrintable(target),
                  qPrintable(reason));
        removeWorkFile();
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

void ffmpegConverter::reportErrorLater(qint32 code)
{
    // Callers expect the conversion to have begun when convert() returns.
    QTimer::singleShot(0, this, [this, code] {
        if (!canceled)
            emit error(code);
    });
}

void ffmpegConverter::ffmpegReadOutputData()
{
    qCDebug(lcTranscoder).noquote() << QString::fromUtf8(process.readAllStandardOutput());
}

void ffmpegConverter::ffFinished(int exitCode, QProcess::ExitStatus exitStatus)
{
    qCDebug(lcTranscoder).noquote() << QStringLiteral("ffFinished : %1 %2").arg(exitCode).arg(int(exitStatus));
    paused = false;
    if (canceled)
        return;
    ffReadError();
    if (exitStatus == QProcess::NormalExit && exitCode == 0) {
        finishResult();
        return;
    }

    const QString messages = parser.lastMessages().join(QLatin1String(" | "));
    KEL_ERROR("ffmpeg failed (%s, exit code %d) converting %s: %s",
              exitStatus == QProcess::CrashExit ? "crashed" : "error", exitCode, qPrintable(source),
              qPrintable(messages));
    removeWorkFile();
    emit error(exitStatus == QProcess::CrashExit ? ConverterCrashed : ConverterFailed);
}

void ffmpegConverter::ffProcessError(QProcess::ProcessError processError)
{
    if (processError != QProcess::FailedToStart)
        return;
    KEL_ERROR("ffmpeg could not be started: %s %s", qPrintable(programPath), qPrintable(process.errorString()));
    reportErrorLater(ConverterNotStarted);
}

void ffmpegConverter::ffReadError()
{
    qCDebug(lcTranscoder) << "entering ffmpeg output use standarderror ...";
    const double position = parser.feed(process.readAllStandardError());
    if (position < 0)
        return;
    const qint64 percent = FfmpegProgressParser::percent(position, duration);
    qCDebug(lcTranscoder).noquote() << QStringLiteral("ffProgress : %1 %2 %3").arg(position).arg(duration).arg(percent);
    if (percent >= 0)
        emit progress(100, percent, paused ? -1 : 0);
}

} // namespace Kel
