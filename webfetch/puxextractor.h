#pragma once

#include "webfetch/puxcommand.h"
#include "webfetch/puxlinebuffer.h"
#include "webfetch/puxtool.h"
#include "webfetch/webmediainfoextractor.h"

#include <QPointer>
#include <QProcess>

namespace Kel {

// Runs the extractor tool once with "--dump-json" and turns its document
// into the media information of the page.
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

private slots:
    void puxReadOutputData();
    void puxFinished(int exitCode, QProcess::ExitStatus exitStatus);
    void puxProcessError(QProcess::ProcessError error);
    void puxReadError();

private:
    void beginRequest(const QString &url);
    void startProcess();
    void stopProcess();
    void handleErrorLines(const QStringList &lines);
    void answerWithError(qint32 errorCode);

    QPointer<QProcess> process;
    QString url;
    QString tempDir;
    QString toolPath;
    QString dataDir;
    // The tool the current request runs; held until the next one.
    PuxTool tool;
    WebMediaInfo mediaInfo;
    PuxLineBuffer errorLines;
    // One request gets one answer, however many ways its tool fails.
    bool answered = false;
};

} // namespace Kel
