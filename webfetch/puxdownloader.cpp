#include "webfetch/puxdownloader.h"

#include "shared/fileclaim.h"
#include "shared/kellog.h"
#include "shared/runstamp.h"
#include "webfetch/puxmergecommand.h"
#include "webfetch/puxoutputparser.h"
#include "webfetch/puxruntime.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QPointer>

#include <exception>

// Traces for developers; enable with QT_LOGGING_RULES="marlin.webfetch.*.debug=true".
Q_LOGGING_CATEGORY(lcPuxDownloader, "marlin.webfetch.downloader", QtInfoMsg)

namespace Kel {

namespace {

// Waits this long for a killed child to be gone before its files are
// removed, so that it cannot write them again.
constexpr int killWaitMs = 5000;
constexpr int destructionWaitMs = 50;

void removeIfExists(const QString &path)
{
    if (!path.isEmpty() && QFileInfo::exists(path))
        QFile::remove(path);
}

} // namespace

PuxDownloader::PuxDownloader(const QString &toolPath, const QString &dataDir, QObject *parent)
    : WebMediaDownloader(parent),
      process(new QProcess(this)),
      ffmpegProcess(new QProcess(this)),
      tempDir(QDir::tempPath()),
      toolPath(toolPath),
      dataDir(dataDir)
{
}

PuxDownloader::~PuxDownloader()
{
    process->disconnect(this);
    ffmpegProcess->disconnect(this);
    if (process->state() != QProcess::NotRunning)
        process->waitForFinished(destructionWaitMs);
    stopProcess(process);
    stopProcess(ffmpegProcess);
    clear();
}

PuxDownloader::SubtitleOptions PuxDownloader::subtitleOptions(const SubtitleSetting &subtitles, MediaType type)
{
    SubtitleOptions options;
    if (subtitles.mode == NoSubtitle || type != Video)
        return options;

    auto add = [&options](const QString &option, const QString &value = QString()) {
        options.text += option + QLatin1Char(' ');
        options.arguments += option;
        if (!value.isNull()) {
            options.text += QStringLiteral("--sub-langs %1 ").arg(value);
            options.arguments += QStringLiteral("--sub-langs");
            options.arguments += value;
        }
    };

    switch (subtitles.mode) {
    case AllEmbeddedSubtitles:
        add(QStringLiteral("--all-subs"));
        break;
    case BurnedInSubtitle: {
        const QString wanted = subtitles.preferredLanguages.isEmpty() ? QStringLiteral("en")
                                                                      : subtitles.preferredLanguages.first();
        const QString offered = PuxRuntime::matchLanguage(wanted, subtitles.availableLanguages);
        if (!offered.isEmpty())
            add(QStringLiteral("--write-subs"), offered);
        else
            add(QStringLiteral("--write-auto-subs"), wanted);
        break;
    }
    case PreferredLanguageSubtitles: {
        QStringList manual;
        QStringList automatic;
        for (const QString &wanted : subtitles.preferredLanguages) {
            const QString offered = PuxRuntime::matchLanguage(wanted, subtitles.availableLanguages);
            if (!offered.isEmpty())
                manual += offered;
            else
                automatic += wanted;
        }
        if (!manual.isEmpty()) {
            add(QStringLiteral("--write-subs"), manual.join(QLatin1Char(',')));
            options.autoLanguages = automatic;
        } else if (!automatic.isEmpty()) {
            add(QStringLiteral("--write-auto-subs"), automatic.join(QLatin1Char(',')));
        }
        break;
    }
    case NoSubtitle:
        break;
    }
    return options;
}

void PuxDownloader::download(QString pageUrl, Kel::MediaProfile chosenProfile, Kel::SubtitleSetting subtitleSetting,
                             QString destinationFile)
{
    url = pageUrl;
    profile = chosenProfile;
    subtitles = subtitleSetting;
    destFile = destinationFile;
    setResultFile(QString());
    vCodec = profile.vCodec;
    aCodec = profile.aCodec;
    destDir = QFileInfo(destFile).absolutePath();
    videoFile.clear();
    audioFile.clear();
    subtitleFiles.clear();
    mergeOutput.clear();
    autoSubtitleLanguages.clear();
    tempBaseNames.clear();
    mainBaseName.clear();
    outputLines.clear();
    subtitleFileRunning = false;
    canceled = false;

    KEL_DEBUG("url %s \r\nresolution %s \r\nformat %s \r\ndestfile %s", qPrintable(url),
              qPrintable(QStringLiteral("%1x%2").arg(profile.resolution.width()).arg(profile.resolution.height())),
              qPrintable(profile.format), qPrintable(destFile));
    initPuxDownloaderCommand();
}

PuxCommand PuxDownloader::toolCommand() const
{
    return PuxCommand::toolCommand(PuxRuntime::interpreterPath(), toolPath);
}

QString PuxDownloader::newTempBaseName()
{
    const bool debugSwitchOn = PuxRuntime::isDebugSwitchOn();
    QString base = PuxRuntime::tempBaseName(url, debugSwitchOn);
    // A later start removes what a run killed outright left under its stamp;
    // the files kept for debugging carry none.
    if (!debugSwitchOn)
        base.prepend(RunStamp::current());
    tempBaseNames += base;
    return base;
}

void PuxDownloader::addOutputOption(PuxCommand &command, const QString &baseName) const
{
    const QString outputTemplate = QStringLiteral("%1/%2%3%4").arg(PuxRuntime::escapeOutputTemplate(destDir),
                                                                     baseName, PuxRuntime::TempMarker,
                                                                     QStringLiteral(".%(ext)s"));
    command.add(QStringLiteral("-o \"%1\" ").arg(outputTemplate), {QStringLiteral("-o"), outputTemplate});
    // Nothing after "--" is read as an option, whatever the address holds.
    command.addArgument(QStringLiteral("--"));
    const QString address = PuxRuntime::pageAddress(url);
    command.add(address, {address});
}

void PuxDownloader::connectTool()
{
    connect(process, &QProcess::readyReadStandardOutput, this, &PuxDownloader::puxReadOutputData,
            Qt::UniqueConnection);
    connect(process, &QProcess::readyReadStandardError, this, &PuxDownloader::puxReadError, Qt::UniqueConnection);
    connect(process, &QProcess::finished, this, &PuxDownloader::puxFinished, Qt::UniqueConnection);
    connect(process, &QProcess::errorOccurred, this, &PuxDownloader::puxProcessError, Qt::UniqueConnection);
}

void PuxDownloader::startTool(const PuxCommand &command, Run toolRun)
{
    run = toolRun;
    subtitleFileRunning = false;
    outputLines.clear();
    KEL_INFO("%s", qPrintable(command.text()));
    process->start(command.program(), command.arguments(), QIODevice::ReadWrite);
    process->closeWriteChannel();
}

void PuxDownloader::initPuxDownloaderCommand()
{
    qCDebug(lcPuxDownloader) << "entering pux...";
    connectTool();
    const bool zipped = PuxRuntime::isZippedTool(toolPath);
    if (zipped)
        process->setWorkingDirectory(QFileInfo(PuxRuntime::interpreterPath()).absolutePath());

    phase = MainRunPhase;
    itemCount = (profile.dash && !profile.audioFormat.isEmpty()) ? 2 : 1;
    itemIndex = 1;
    progressTracker.reset(itemCount, profile.size);

    if (profile.name.isEmpty()) {
        KEL_ERROR("Pux download format is empty. url %s", qPrintable(url));
        emit error(-1);
        return;
    }

    PuxCommand command = toolCommand();
    command.add(QStringLiteral(" -f %1 ").arg(profile.name), {QStringLiteral("-f"), profile.name});
    const SubtitleOptions options = subtitleOptions(subtitles, profile.type);
    command.add(options.text, options.arguments);
    autoSubtitleLanguages = options.autoLanguages;
    if (zipped)
        command.addArgument(QStringLiteral("--no-check-certificate"));
    mainBaseName = newTempBaseName();
    addOutputOption(command, mainBaseName);

    startTool(command, MainRun);
    emit started();
}

void PuxDownloader::downloadNextItem()
{
    ++itemIndex;
    phase = MainRunPhase;
    if (profile.audioFormat.isEmpty()) {
        KEL_ERROR("pux download format is empty. url %s", qPrintable(url));
        failDownload(-1);
        return;
    }

    PuxCommand command = toolCommand();
    command.add(QStringLiteral(" -f %1 ").arg(profile.audioFormat), {QStringLiteral("-f"), profile.audioFormat});
    if (PuxRuntime::isZippedTool(toolPath))
        command.addArgument(QStringLiteral("--no-check-certificate"));
    QString base = newTempBaseName();
    if (videoFile.contains(base)) {
        base += QLatin1String("_audio");
        tempBaseNames.last() = base;
    }
    addOutputOption(command, base);

    startTool(command, AudioRun);
    phase = SecondRunPhase;
    qCDebug(lcPuxDownloader) << QStringLiteral("puxStarted : %1").arg(url);
    emit started();
}

void PuxDownloader::downloadSubtitles()
{
    PuxCommand command = toolCommand();
    command.add(QStringLiteral(" "));
    if (PuxRuntime::isZippedTool(toolPath))
        command.addArgument(QStringLiteral("--no-check-certificate"));
    command.addArgument(QStringLiteral("--write-auto-subs"));
    const QString languages = autoSubtitleLanguages.join(QLatin1Char(','));
    command.add(QStringLiteral("--sub-langs %1 ").arg(languages), {QStringLiteral("--sub-langs"), languages});
    command.addArgument(QStringLiteral("--skip-download"));
    addOutputOption(command, mainBaseName);

    startTool(command, SubtitleRun);
    phase = SecondRunPhase;
    qCDebug(lcPuxDownloader) << QStringLiteral("puxSubtitleStarted : %1").arg(url);
    emit started();
}

void PuxDownloader::puxReadOutputData()
{
    const QByteArray chunk = process->readAllStandardOutput();
    if (Log::minLevel() <= Log::Debug)
        KEL_DEBUG("Pux download output: %s", QString::fromLocal8Bit(chunk).toLocal8Bit().constData());
    handleOutputLines(outputLines.append(chunk));
}

void PuxDownloader::handleOutputLines(const QStringList &lines)
{
    bool report = false;
    Progress latest;
    for (const QString &line : lines) {
        const PuxOutputParser::DownloadLine parsed = PuxOutputParser::parseDownloadLine(line);
        switch (parsed.kind) {
        case PuxOutputParser::DownloadLine::Destination:
        case PuxOutputParser::DownloadLine::AlreadyDownloaded:
            if (run == AudioRun) {
                audioFile = parsed.path;
                subtitleFileRunning = false;
            } else if (PuxRuntime::isSubtitleFile(parsed.path)) {
                if (!subtitleFiles.contains(parsed.path))
                    subtitleFiles += parsed.path;
                subtitleFileRunning = true;
            } else if (run == MainRun) {
                videoFile = parsed.path;
                subtitleFileRunning = false;
            }
            break;
        case PuxOutputParser::DownloadLine::Progress: {
            qCDebug(lcPuxDownloader) << QStringLiteral("puxProgress : %1B %2B %3B/s")
                                            .arg(parsed.total)
                                            .arg(parsed.finish)
                                            .arg(parsed.speed);
            if (subtitleFileRunning || run == SubtitleRun)
                break;
            Progress next;
            if (progressTracker.update(run == AudioRun, parsed.total, parsed.finish, parsed.speed, &next)) {
                latest = next;
                report = true;
            }
            break;
        }
        case PuxOutputParser::DownloadLine::Other:
            break;
        }
    }
    // One report per read: the newest figures.
    if (report)
        emit progress(latest.total, latest.finish, latest.speed);
}

void PuxDownloader::puxFinished(int exitCode, QProcess::ExitStatus exitStatus)
{
    if (canceled)
        return;
    handleOutputLines(outputLines.flush());
    qCDebug(lcPuxDownloader) << QStringLiteral("puxFinished : %1 %2").arg(exitCode).arg(int(exitStatus));

    if (exitStatus == QProcess::CrashExit) {
        KEL_ERROR("Pux process crashed: %s ", qPrintable(url));
        failDownload(-5);
        return;
    }
    if (exitCode != 0) {
        KEL_ERROR("Pux process terminated abnormally: %s  \n ExitCode: %d", qPrintable(url), exitCode);
        failDownload(-4);
        return;
    }

    KEL_INFO("Pux download finished: %s", qPrintable(url));
    if (!autoSubtitleLanguages.isEmpty()) {
        downloadSubtitles();
        autoSubtitleLanguages.clear();
    } else if (itemIndex < itemCount) {
        downloadNextItem();
    } else if (itemCount > 1 || !subtitleFiles.isEmpty()) {
        proceedMerge();
    } else if (claimDestination(videoFile)) {
        phase = DonePhase;
        emit finished();
    } else {
        failDownload(-8);
    }
}

bool PuxDownloader::claimDestination(const QString &file)
{
    QString reason;
    const QString result = file.isEmpty() ? QString() : FileClaim::moveToFreeName(file, destFile, &reason);
    if (result.isEmpty()) {
        KEL_ERROR("Rename failed from %s to %s! %s", qPrintable(file), qPrintable(destFile), qPrintable(reason));
        return false;
    }
    if (result != destFile)
        KEL_INFO("%s was taken meanwhile; the download is %s", qPrintable(destFile), qPrintable(result));
    setResultFile(result);
    return true;
}

void PuxDownloader::puxProcessError(QProcess::ProcessError processError)
{
    KEL_ERROR("Pux process error: %d ", int(processError));
    // A crash ends in puxFinished, which reports it; only a tool that never
    // ran is reported here.
    if (canceled || processError != QProcess::FailedToStart)
        return;
    failDownload(-1);
}

void PuxDownloader::puxReadError()
{
    const QString text = QString::fromLocal8Bit(process->readAllStandardError());
    KEL_ERROR("Pux process read error: %s ", qPrintable(text));
}

void PuxDownloader::proceedMerge()
{
    connect(ffmpegProcess, &QProcess::readyReadStandardOutput, this, &PuxDownloader::ffmpegReadOutputData,
            Qt::UniqueConnection);
    connect(ffmpegProcess, &QProcess::readyReadStandardError, this, &PuxDownloader::ffmpegReadStandardError,
            Qt::UniqueConnection);
    connect(ffmpegProcess, &QProcess::finished, this, &PuxDownloader::ffmpegFinished, Qt::UniqueConnection);
    connect(ffmpegProcess, &QProcess::errorOccurred, this, &PuxDownloader::ffmpegProcessError,
            Qt::UniqueConnection);

    PuxMergeCommand::Input input;
    input.videoFile = videoFile;
    input.audioFile = audioFile;
    input.subtitleFiles = subtitleFiles;
    input.subtitles = subtitles;
    input.vCodec = vCodec;
    const PuxMergeCommand merge(PuxRuntime::ffmpegPath(), input);
    subtitleFiles = merge.subtitleFiles();
    mergeOutput = merge.outputFile();

    phase = MergePhase;
    const PuxCommand command = merge.command();
    KEL_INFO("%s", qPrintable(command.text()));
    ffmpegProcess->start(command.program(), command.arguments(), QIODevice::ReadWrite);
    // ffmpeg gets no answers: a question about an existing file ends it.
    ffmpegProcess->closeWriteChannel();
}

void PuxDownloader::ffmpegFinished(int exitCode, QProcess::ExitStatus exitStatus)
{
    if (canceled)
        return;
    KEL_INFO("FFMPEG process finished");
    if (exitStatus == QProcess::CrashExit) {
        KEL_ERROR("FFMPEG crashed!");
        failDownload(-5);
        return;
    }
    if (exitCode != 0) {
        KEL_ERROR("FFMPEG terminated abnormally!");
        failDownload(-4);
        return;
    }

    removeTemporaryFiles();
    if (!claimDestination(mergeOutput)) {
        // The merged file stays under its temporary name until clear().
        emit error(-8);
        return;
    }
    phase = DonePhase;
    const qint64 size =
        progressTracker.expectedSize() > 0 ? progressTracker.expectedSize() : progressTracker.largestTotal();
    const QPointer<PuxDownloader> self(this);
    emit progress(size, size, 0);
    if (self)
        emit finished();
}

void PuxDownloader::ffmpegProcessError(QProcess::ProcessError processError)
{
    KEL_ERROR("FFMPEG process error: %d", int(processError));
    if (canceled || processError != QProcess::FailedToStart)
        return;
    failDownload(-7);
}

void PuxDownloader::ffmpegReadOutputData()
{
    KEL_INFO("FFMPEG read output: %s", ffmpegProcess->readAllStandardOutput().constData());
}

void PuxDownloader::ffmpegReadStandardError()
{
    KEL_ERROR("FFMPEG read error: %s", ffmpegProcess->readAllStandardError().constData());
}

void PuxDownloader::failDownload(qint32 errorCode)
{
    // Clean up first: a receiver may delete this object on the signal.
    clear();
    emit error(errorCode);
}

void PuxDownloader::stopProcess(QProcess *child)
{
    if (child->state() == QProcess::NotRunning)
        return;
    child->kill();
    child->waitForFinished(killWaitMs);
}

bool PuxDownloader::cancel()
{
    KEL_INFO("Download canceling...");
    canceled = true;
    // Nothing of this download reports after it has been cancelled.
    process->disconnect(this);
    ffmpegProcess->disconnect(this);
    stopProcess(process);
    stopProcess(ffmpegProcess);
    removeTemporaryFiles();
    removeMergeOutput();
    return true;
}

void PuxDownloader::clear()
{
    try {
        removeTemporaryFiles();
        removeMergeOutput();
    } catch (const std::exception &) {
        KEL_ERROR("Cancel download failed.");
    } catch (...) {
        KEL_ERROR("Cancel download failed.");
    }
}

void PuxDownloader::removeMergeOutput()
{
    removeIfExists(mergeOutput);
}

void PuxDownloader::removeTemporaryFiles()
{
    const bool debugSwitchOn = PuxRuntime::isDebugSwitchOn();
    if (!debugSwitchOn) {
        removeIfExists(videoFile);
        removeIfExists(audioFile);
        for (const QString &file : qAsConst(subtitleFiles))
            removeIfExists(file);
        // Whatever else the tool left under this download's names: a file
        // it had begun before its name was read, fragments, resume data.
        if (!destDir.isEmpty() && !tempBaseNames.isEmpty()) {
            QStringList patterns;
            for (const QString &base : qAsConst(tempBaseNames))
                patterns += base + PuxRuntime::TempMarker + QLatin1Char('*');
            // The merged file shares the names; it goes only with clear().
            const QDir dir(destDir);
            const QString merged = QFileInfo(mergeOutput).fileName();
            for (const QString &name : dir.entryList(patterns, QDir::Files | QDir::Hidden | QDir::System)) {
                if (mergeOutput.isEmpty() || name != merged)
                    QFile::remove(dir.filePath(name));
            }
        }
    }
    if (!videoFile.isEmpty())
        removeIfExists(videoFile + QLatin1String(".part"));
    if (!audioFile.isEmpty())
        removeIfExists(audioFile + QLatin1String(".part"));
    if (!destFile.isEmpty())
        removeIfExists(destFile + QLatin1String(".part"));
}

} // namespace Kel
