#pragma once

#include "webfetch/puxcommand.h"
#include "webfetch/puxtool.h"
#include "webfetch/webmediainfoextractor.h"

#include <QPointer>
#include <QProcess>
#include <QStringList>

namespace Kel {

class ChildProcess;
class PuxWorkerReply;

// Runs the extractor tool once with "--dump-json" and turns its document
// into the media information of the page. Every failure is answered once:
// finished() with what was gathered (the address and the reason in
// errorText), then error().
//
// getMediaInfoBySignal() asks the warm worker (PuxWorker) first, which
// answers as that run would, and runs the tool itself only when the worker
// cannot answer.
class PuxExtractor final : public WebMediaInfoExtractor
{
    Q_OBJECT

public:
    PuxExtractor(const QString &toolPath, const QString &dataDir, QObject *parent = nullptr);
    ~PuxExtractor() override;

    Kel::WebMediaInfo getMediaInfo(QString url) override;
    void getMediaInfoBySignal(QString url) override;
    void cancel() override;

    // runPath, when given, is what runs in place of the archive toolPath
    // (its unpacked copy).
    static PuxCommand initPuxExtractorCommand(const QString &toolPath, const QString &url,
                                              const QString &runPath = QString());
    // Whether a line of the tool's standard error reports a failure, as
    // opposed to a warning or a note.
    static bool isErrorLine(const QString &line);
    // The tool's options of that command, as the worker takes them: without
    // the interpreter's, the tool and the address.
    static QStringList workerOptions(const PuxCommand &command);
    // Starts the worker for toolPath in the background.
    static void prepareWorker(const QString &toolPath);

private slots:
    void puxReadOutputData(const QStringList &lines);
    void puxFinished(int exitCode, QProcess::ExitStatus exitStatus);
    void puxProcessError(const QString &reason);
    void puxReadError(const QStringList &lines);

private:
    void beginRequest(const QString &url);
    void startProcess();
    void stopProcess();
    void parseOutput();
    // The reason of a failed run: the tool's error output, else fallback.
    void setFailureText(const QString &fallback);
    void answerWithError(qint32 errorCode);
    bool askWorker();
    void workerAnswered(int status, const QString &output, const QString &errorOutput);
    void workerFailed(const QString &reason);
    void dropWorkerReply();

    QPointer<ChildProcess> process;
    QPointer<PuxWorkerReply> workerReply;
    QString url;
    QString tempDir;
    QString toolPath;
    QString dataDir;
    // The tool the current request runs; held until the next one.
    PuxTool tool;
    WebMediaInfo mediaInfo;
    QStringList outputLines;
    QStringList errorLines;
    // getMediaInfo() answers by itself when the run is over.
    bool synchronous = false;
    // One request gets one answer, however many ways its tool fails.
    bool answered = false;
};

} // namespace Kel
