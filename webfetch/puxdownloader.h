#pragma once

#include "webfetch/puxcommand.h"
#include "webfetch/puxlinebuffer.h"
#include "webfetch/puxprogresstracker.h"
#include "webfetch/webmediadownloader.h"

#include <QProcess>

namespace Kel {

// Downloads one quality of one page with the extractor tool: the chosen
// stream, then its separate audio stream or automatic subtitles when needed,
// into temporary files beside the destination; then gives the single file
// the destination's name, or has ffmpeg merge the pieces into one that gets
// it. A destination taken meanwhile by another program is never replaced:
// the download takes the next free numbered name.
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
    void puxReadOutputData();
    void puxFinished(int exitCode, QProcess::ExitStatus exitStatus);
    void puxProcessError(QProcess::ProcessError error);
    void puxReadError();

    void ffmpegReadOutputData();
    void ffmpegFinished(int exitCode, QProcess::ExitStatus exitStatus);
    void ffmpegProcessError(QProcess::ProcessError error);
    void ffmpegReadStandardError();

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

    PuxCommand toolCommand() const;
    QString newTempBaseName();
    void addOutputOption(PuxCommand &command, const QString &baseName) const;
    void startTool(const PuxCommand &command, Run toolRun);
    void connectTool();
    void stopProcess(QProcess *child);
    void handleOutputLines(const QStringList &lines);
    void removeTemporaryFiles();
    void removeMergeOutput();
    void failDownload(qint32 errorCode);
    // Gives file the destination's name, or the next free numbered one.
    bool claimDestination(const QString &file);

    QProcess *process = nullptr;
    QProcess *ffmpegProcess = nullptr;
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
    PuxLineBuffer outputLines;
    // Progress lines that follow a subtitle file's destination belong to
    // that small file, not to the download.
    bool subtitleFileRunning = false;
    bool canceled = false;
};

} // namespace Kel
