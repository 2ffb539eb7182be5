#include "webfetch/puxdownloader.h"

#include "shared/childprocess.h"
#include "shared/fileclaim.h"
#include "shared/kellog.h"
#include "shared/runstamp.h"
#include "webfetch/puxmergecommand.h"
#include "webfetch/puxoutputparser.h"
#include "webfetch/puxresultcheck.h"
#include "webfetch/puxruntime.h"
#include "webfetch/puxtoolcache.h"

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

constexpr int destructionWaitMs = 50;

void removeIfExists(const QString &path)
{
    if (!path.isEmpty() && QFileInfo::exists(path))
        QFile::remove(path);
}

} // namespace

PuxDownloader::PuxDownloader(const QString &toolPath, const QString &dataDir, QObject *parent)
    : WebMediaDownloader(parent),
      process(new ChildProcess(this)),
      ffmpegProcess(new ChildProcess(this)),
      tempDir(QDir::tempPath()),
      toolPath(toolPath),
      dataDir(dataDir)
{
    connect(process, &ChildProcess::outputLines, this, &PuxDownloader::puxReadOutputData);
    connect(process, &ChildProcess::errorLines, this, &PuxDownloader::puxReadError);
    connect(process, &ChildProcess::finished, this, &PuxDownloader::puxFinished);
    connect(process, &ChildProcess::failedToStart, this, &PuxDownloader::puxProcessError);
    connect(ffmpegProcess, &ChildProcess::outputLines, this, &PuxDownloader::ffmpegReadOutputData);
    connect(ffmpegProcess, &ChildProcess::errorLines, this, &PuxDownloader::ffmpegReadStandardError);
    connect(ffmpegProcess, &ChildProcess::finished, this, &PuxDownloader::ffmpegFinished);
    connect(ffmpegProcess, &ChildProcess::failedToStart, this, &PuxDownloader::ffmpegProcessError);
}

PuxDownloader::~PuxDownloader()
{
    process->disconnect(this);
    ffmpegProcess->disconnect(this);
    if (process->isRunning())
        process->waitForFinished(destructionWaitMs);
    process->stop();
    ffmpegProcess->stop();
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
    failureText.clear();
    subtitleFileRunning = false;
    canceled = false;

    KEL_DEBUG("url %s \r\nresolution %s \r\nformat %s \r\ndestfile %s", qPrintable(url),
              qPrintable(QStringLiteral("%1x%2").arg(profile.resolution.width()).arg(profile.resolution.height())),
              qPrintable(profile.format), qPrintable(destFile));
    initPuxDownloaderCommand();
}

PuxCommand PuxDownloader::toolCommand()
{
    tool = PuxToolCache::instance()->toolFor(toolPath);
    return PuxCommand::toolCommand(PuxRuntime::interpreterPath(), tool.runPath());
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

void PuxDownloader::startTool(const PuxCommand &command, Run toolRun)
{
    run = toolRun;
    subtitleFileRunning = false;
    KEL_INFO("%s", qPrintable(command.text()));
    process->setWorkingDirectory(PuxRuntime::workingDirectory());
    process->start(command.program(), command.arguments());
}

void PuxDownloader::initPuxDownloaderCommand()
{
    qCDebug(lcPuxDownloader) << "entering pux...";
    const bool zipped = PuxRuntime::isZippedTool(toolPath);

    phase = MainRunPhase;
    itemCount = (profile.dash && !profile.audioFormat.isEmpty()) ? 2 : 1;
    itemIndex = 1;
    progressTracker.reset(itemCount, profile.size);

    if (profile.name.isEmpty()) {
        KEL_ERROR("Pux download format is empty. url %s", qPrintable(url));
        failureText = tr("No quality of the page was chosen.");
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
        failDownload(-1, tr("No sound of the page was chosen."));
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

void PuxDownloader::puxReadOutputData(const QStringList &lines)
{
    if (Log::minLevel() <= Log::Debug)
        KEL_DEBUG("Pux download output: %s", qPrintable(lines.join(QLatin1Char('\n'))));
    handleOutputLines(lines);
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
    qCDebug(lcPuxDownloader) << QStringLiteral("puxFinished : %1 %2").arg(exitCode).arg(int(exitStatus));

    const QString words = PuxOutputParser::errorText(process->recentErrorLines());
    if (exitStatus == QProcess::CrashExit) {
        KEL_ERROR("Pux process crashed: %s ", qPrintable(url));
        failDownload(-5, words.isEmpty() ? tr("The extractor tool crashed or was killed.") : words);
        return;
    }
    if (exitCode != 0) {
        KEL_ERROR("Pux process terminated abnormally: %s  \n ExitCode: %d", qPrintable(url), exitCode);
        failDownload(-4, words.isEmpty() ? tr("The extractor tool stopped with exit code %1.").arg(exitCode) : words);
        return;
    }

    KEL_INFO("Pux download finished: %s", qPrintable(url));
    if (!autoSubtitleLanguages.isEmpty()) {
        downloadSubtitles();
        autoSubtitleLanguages.clear();
    } else if (itemIndex < itemCount) {
        downloadNextItem();
    } else if (itemCount > 1 || !subtitleFiles.isEmpty()) {
        if (piecesAreSound())
            proceedMerge();
    } else if (videoFile.isEmpty()) {
        KEL_ERROR("Rename failed from %s to %s!", qPrintable(videoFile), qPrintable(destFile));
        failDownload(-8, tr("The extractor tool ended without naming the file it wrote."));
    } else if (deliverResult(videoFile)) {
        phase = DonePhase;
        emit finished();
    }
}

bool PuxDownloader::claimDestination(const QString &file, QString *reason)
{
    const QString result = file.isEmpty() ? QString() : FileClaim::moveToFreeName(file, destFile, reason);
    if (result.isEmpty()) {
        KEL_ERROR("Rename failed from %s to %s! %s", qPrintable(file), qPrintable(destFile), qPrintable(*reason));
        return false;
    }
    if (result != destFile)
        KEL_INFO("%s was taken meanwhile; the download is %s", qPrintable(destFile), qPrintable(result));
    setResultFile(result);
    return true;
}

void PuxDownloader::puxProcessError(const QString &reason)
{
    KEL_ERROR("Pux process error: %d %s", int(QProcess::FailedToStart), qPrintable(reason));
    if (canceled)
        return;
    failDownload(-1, PuxRuntime::interpreterFailureText(reason));
}

void PuxDownloader::puxReadError(const QStringList &lines)
{
    KEL_ERROR("Pux process read error: %s ", qPrintable(lines.join(QLatin1Char('\n'))));
}

bool PuxDownloader::piecesAreSound()
{
    // A piece cut short would still merge into a file that looks whole.
    PuxResultCheck::Expectation main = PuxResultCheck::expectationFor(profile);
    QList<QPair<QString, PuxResultCheck::Expectation>> pieces;
    if (!audioFile.isEmpty()) {
        PuxResultCheck::Expectation sound;
        sound.audio = true;
        sound.duration = main.duration;
        main.audio = false;
        pieces.append({audioFile, sound});
    }
    pieces.prepend({videoFile, main});
    for (const auto &piece : qAsConst(pieces)) {
        const QString broken = PuxResultCheck::check(piece.first, piece.second);
        if (!broken.isEmpty()) {
            KEL_ERROR("Downloaded piece %s is broken: %s", qPrintable(piece.first), qPrintable(broken));
            failDownload(-9, broken);
            return false;
        }
    }
    return true;
}

bool PuxDownloader::deliverResult(const QString &file)
{
    const QString broken = PuxResultCheck::check(file, PuxResultCheck::expectationFor(profile));
    if (!broken.isEmpty()) {
        KEL_ERROR("Download result %s is broken: %s", qPrintable(file), qPrintable(broken));
        failDownload(-9, broken);
        return false;
    }
    if (file == mergeOutput)
        removeTemporaryFiles();
    QString why;
    if (!claimDestination(file, &why)) {
        const QString reason = tr("The finished file could not be given the name %1: %2").arg(destFile, why);
        if (file == mergeOutput) {
            // The merged file stays under its temporary name until clear().
            failureText = reason;
            emit error(-8);
        } else {
            failDownload(-8, reason);
        }
        return false;
    }
    return true;
}

void PuxDownloader::proceedMerge()
{
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
    mergeMessages.clear();
    const PuxCommand command = merge.command();
    KEL_INFO("%s", qPrintable(command.text()));
    // ffmpeg gets no answers (its input is closed): a question about an
    // existing file ends it.
    ffmpegProcess->setWorkingDirectory(PuxRuntime::workingDirectory());
    ffmpegProcess->start(command.program(), command.arguments());
}

void PuxDownloader::ffmpegFinished(int exitCode, QProcess::ExitStatus exitStatus)
{
    if (canceled)
        return;
    KEL_INFO("FFMPEG process finished");
    // A failed merge is ffmpeg's failure, not the extractor tool's.
    const QString words = mergeMessages.failureText();
    if (exitStatus == QProcess::CrashExit) {
        KEL_ERROR("FFMPEG crashed!");
        failDownload(-7, words.isEmpty() ? tr("ffmpeg crashed or was killed while putting the streams together.")
                                         : words);
        return;
    }
    if (exitCode != 0) {
        KEL_ERROR("FFMPEG terminated abnormally!");
        failDownload(-7, words.isEmpty()
                             ? tr("ffmpeg could not put the streams together (exit code %1).").arg(exitCode)
                             : words);
        return;
    }

    if (!deliverResult(mergeOutput))
        return;
    phase = DonePhase;
    const qint64 size =
        progressTracker.expectedSize() > 0 ? progressTracker.expectedSize() : progressTracker.largestTotal();
    const QPointer<PuxDownloader> self(this);
    emit progress(size, size, 0);
    if (self)
        emit finished();
}

void PuxDownloader::ffmpegProcessError(const QString &reason)
{
    KEL_ERROR("FFMPEG process error: %d %s", int(QProcess::FailedToStart), qPrintable(reason));
    if (canceled)
        return;
    failDownload(-7, PuxRuntime::ffmpegFailureText(reason));
}

void PuxDownloader::ffmpegReadOutputData(const QStringList &lines)
{
    KEL_INFO("FFMPEG read output: %s", qPrintable(lines.join(QLatin1Char('\n'))));
}

void PuxDownloader::ffmpegReadStandardError(const QStringList &lines)
{
    KEL_ERROR("FFMPEG read error: %s", qPrintable(lines.join(QLatin1Char('\n'))));
    mergeMessages.add(lines);
}

void PuxDownloader::failDownload(qint32 errorCode, const QString &reason)
{
    failureText = reason;
    // Clean up first: a receiver may delete this object on the signal.
    clear();
    emit error(errorCode);
}

bool PuxDownloader::cancel()
{
    KEL_INFO("Download canceling...");
    canceled = true;
    // Nothing of this download reports after it has been cancelled, and
    // nothing of it runs any more when its files are removed.
    process->stop();
    ffmpegProcess->stop();
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
