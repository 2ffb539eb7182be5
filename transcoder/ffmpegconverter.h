#pragma once

#include "shared/childprocess.h"
#include "shared/ffmpegmessages.h"
#include "transcoder/ffmpegprogressparser.h"
#include "transcoder/mediaconverter.h"

#include <QProcess>
#include <QStringList>

namespace Kel {

// Converts one file by running ffmpeg; progress comes from ffmpeg's error
// output, pausing stops the ffmpeg process without ending it. ffmpeg writes
// to a temporary file of this run beside the target, which takes the
// target's name (or the next free numbered one) only once it is complete:
// an unfinished or broken result never carries a result's name, and no
// file that this converter did not make is ever overwritten.
class ffmpegConverter final : public MediaConverter
{
    Q_OBJECT

public:
    explicit ffmpegConverter(QObject *parent = nullptr);
    // Ends a running ffmpeg and removes its unfinished output.
    ~ffmpegConverter() override;

    // The program and arguments of the last conversion started.
    QString program() const { return programPath; }
    QStringList arguments() const { return programArguments; }
    bool isPaused() const { return paused; }
    QString errorText() const override { return failureText; }

public slots:
    void convert(Kel::ConvertJob job) override;
    bool pause() override;
    bool resume() override;
    void cancel() override;
    void clear() override;

private slots:
    void ffmpegReadOutputData(const QStringList &lines);
    void ffFinished(int exitCode, QProcess::ExitStatus exitStatus);
    void ffProcessError(const QString &reason);
    void ffReadError(const QStringList &lines);

private:
    void stopProcess();
    void removeWorkFile();
    void finishResult();
    void reportErrorLater(qint32 code, const QString &reason);

    ChildProcess process;
    QString failureText;
    QString source;
    QString target;
    // What ffmpeg writes: made by this converter, removed unless it became
    // the result.
    QString workFile;
    QString programPath;
    QStringList programArguments;
    double duration = 0.0;
    bool paused = false;
    bool succeeded = false;
    bool canceled = false;
    FfmpegProgressParser parser;
    FfmpegMessages messages;
};

} // namespace Kel
