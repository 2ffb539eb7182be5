#pragma once

#include "shared/ffmpegmessages.h"
#include "webfetch/puxcommand.h"
#include "webfetch/puxprogresstracker.h"
#include "webfetch/puxtool.h"
#include "webfetch/webmediadownloader.h"

#include <QProcess>

namespace Kel {

class ChildProcess;

// Downloads one quality of one page with the extractor tool: the chosen
// stream, then its separate audio stream or automatic subtitles when needed,
// into temporary files beside the destination; then gives the single file
// the destination's name, or has ffmpeg merge the pieces into one that gets
// it. A destination taken meanwhile by another program is never replaced:
// the download takes the next free numbered name. The result is checked
// with the FFmpeg libraries before it gets a name.
class PuxDownloader final : public WebMediaDownloader
{
    Q_OBJECT

public:
    PuxDownloader(const QString &toolPath, const QString &dataDir, QObject *parent = nullptr);
    ~PuxDownloader() override;

    void download(QString url, Kel::MediaProfile profile, Kel::SubtitleSetting subtitles,
                  QString destFile) override;
    bool cancel() override;
    void clear() override;
    QString errorText() const override { return failureText; }

    struct SubtitleOptions
    {
        QString text;
        QStringList arguments;
        // Languages the page offers no subtitles of: fetched as automatic
        // subtitles in a run of their own.
        QStringList autoLanguages;
    };
    static SubtitleOptions subtitleOptions(const SubtitleSetting &subtitles, MediaType type);

    enum Phase {
        MainRunPhase = 0,
        SecondRunPhase = 1,
        MergePhase = 2,
        DonePhase = 3,
    };

private slots:
    void puxReadOutputData(const QStringList &lines);
    void puxFinished(int exitCode, QProcess::ExitStatus exitStatus);
    void puxProcessError(const QString &reason);
    void puxReadError(const QStringList &lines);

    void ffmpegReadOutputData(const QStringList &lines);
    void ffmpegFinished(int exitCode, QProcess::ExitStatus exitStatus);
    void ffmpegProcessError(const QString &reason);
    void ffmpegReadStandardError(const QStringList &lines);

private:
    enum Run {
        MainRun,
        SubtitleRun,
        AudioRun,
    };

    void initPuxDownloaderCommand();
    void downloadNextItem();
    void downloadSubtitles();
    void proceedMerge();

    PuxCommand toolCommand();
    QString newTempBaseName();
    void addOutputOption(PuxCommand &command, const QString &baseName) const;
    void startTool(const PuxCommand &command, Run toolRun);
    void handleOutputLines(const QStringList &lines);
    // Checks file as the result of this download and moves it to the
    // destination; false when it failed (and has been reported).
    bool deliverResult(const QString &file);
    // Checks the pieces before they are merged; false when one is broken
    // (and has been reported).
    bool piecesAreSound();
    void removeTemporaryFiles();
    void removeMergeOutput();
    void failDownload(qint32 errorCode, const QString &reason);
    // Gives file the destination's name, or the next free numbered one.
    bool claimDestination(const QString &file, QString *reason);

    ChildProcess *process = nullptr;
    ChildProcess *ffmpegProcess = nullptr;
    QString tempDir;
    QString url;
    MediaProfile profile;
    SubtitleSetting subtitles;
    QString destFile;
    int itemCount = 1;
    int itemIndex = 0;
    int phase = MainRunPhase;
    QString videoFile;
    QString audioFile;
    QStringList subtitleFiles;
    QString destDir;
    QString mergeOutput;
    QString toolPath;
    QString dataDir;
    // The tool the current run started; held while it may run.
    PuxTool tool;
    QStringList autoSubtitleLanguages;
    QString vCodec;
    QString aCodec;
    // expectedSize, firstRunTotal and lastRatio of this download.
    PuxProgressTracker progressTracker;

    Run run = MainRun;
    QString mainBaseName;
    // Every temporary base name of this download: whatever the tool left
    // under them is removed, named in its output or not.
    QStringList tempBaseNames;
    // Why the download failed, for the user.
    QString failureText;
    FfmpegMessages mergeMessages;
    // Progress lines that follow a subtitle file's destination belong to
    // that small file, not to the download.
    bool subtitleFileRunning = false;
    bool canceled = false;
};

} // namespace Kel
