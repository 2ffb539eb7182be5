#include "webfetch/puxextractor.h"

#include "shared/childprocess.h"
#include "shared/kellog.h"
#include "webfetch/puxoutputparser.h"
#include "webfetch/puxruntime.h"
#include "webfetch/puxtoolcache.h"
#include "webfetch/puxworker.h"
#include "webfetch/puxworkerreply.h"

#include <QDir>
#include <QLoggingCategory>
#include <QRegularExpression>

// Traces for developers; enable with QT_LOGGING_RULES="marlin.webfetch.*.debug=true".
Q_LOGGING_CATEGORY(lcPuxExtractor, "marlin.webfetch.extractor", QtInfoMsg)

namespace Kel {

PuxExtractor::PuxExtractor(const QString &toolPath, const QString &dataDir, QObject *parent)
    : WebMediaInfoExtractor(parent), tempDir(QDir::tempPath()), toolPath(toolPath), dataDir(dataDir)
{
}

PuxExtractor::~PuxExtractor()
{
    dropWorkerReply();
    stopProcess();
}

PuxCommand PuxExtractor::initPuxExtractorCommand(const QString &toolPath, const QString &url, const QString &runPath)
{
    qCDebug(lcPuxExtractor) << "entering pux...";
    PuxCommand command =
        PuxCommand::toolCommand(PuxRuntime::interpreterPath(), runPath.isEmpty() ? toolPath : runPath);
    command.add(QStringLiteral(" --dump-json "), {QStringLiteral("--dump-json")});
    // The archive decides, also when its copy runs.
    if (PuxRuntime::isZippedTool(toolPath))
        command.addArgument(QStringLiteral("--no-check-certificate"));
    // Nothing after "--" is read as an option, whatever the address holds.
    command.addArgument(QStringLiteral("--"));
    const QString address = PuxRuntime::pageAddress(url);
    command.add(address, {address});
    return command;
}

QStringList PuxExtractor::workerOptions(const PuxCommand &command)
{
    // "-I", the tool, the options, "--", the address.
    const QStringList arguments = command.arguments();
    return arguments.mid(2, arguments.size() - 4);
}

void PuxExtractor::prepareWorker(const QString &toolPath)
{
    const PuxTool tool = PuxToolCache::instance()->toolFor(toolPath);
    PuxWorker::instance()->prepare(tool, workerOptions(initPuxExtractorCommand(toolPath, QString(), tool.runPath())));
}

void PuxExtractor::beginRequest(const QString &requestUrl)
{
    // A new request replaces one still running, and starts from empty
    // information rather than adding to the last page's qualities.
    dropWorkerReply();
    stopProcess();
    if (process)
        process->deleteLater();
    answered = false;
    outputLines.clear();
    errorLines.clear();
    mediaInfo = WebMediaInfo();
    url = requestUrl;
    mediaInfo.url = requestUrl;
    KEL_DEBUG("url %s ", qPrintable(requestUrl));
    process = new ChildProcess(this);
    connect(process, &ChildProcess::outputLines, this, &PuxExtractor::puxReadOutputData);
    connect(process, &ChildProcess::errorLines, this, &PuxExtractor::puxReadError);
    connect(process, &ChildProcess::finished, this, &PuxExtractor::puxFinished);
    connect(process, &ChildProcess::failedToStart, this, &PuxExtractor::puxProcessError);
}

void PuxExtractor::startProcess()
{
    tool = PuxToolCache::instance()->toolFor(toolPath);
    const PuxCommand command = initPuxExtractorCommand(toolPath, url, tool.runPath());
    KEL_INFO("%s", qPrintable(command.text()));
    process->setWorkingDirectory(PuxRuntime::workingDirectory());
    process->start(command.program(), command.arguments());
}

void PuxExtractor::stopProcess()
{
    if (process) {
        process->disconnect(this);
        process->stop();
    }
}

bool PuxExtractor::askWorker()
{
    tool = PuxToolCache::instance()->toolFor(toolPath);
    const PuxCommand command = initPuxExtractorCommand(toolPath, url, tool.runPath());
    workerReply = PuxWorker::instance()->request(tool, workerOptions(command), PuxRuntime::pageAddress(url));
    if (!workerReply)
        return false;
    KEL_INFO("%s (extractor worker)", qPrintable(command.text()));
    connect(workerReply, &PuxWorkerReply::answered, this, &PuxExtractor::workerAnswered);
    connect(workerReply, &PuxWorkerReply::failed, this, &PuxExtractor::workerFailed);
    return true;
}

void PuxExtractor::dropWorkerReply()
{
    // Deleting the reply drops its answer.
    if (workerReply) {
        workerReply->disconnect(this);
        workerReply->deleteLater();
        workerReply = nullptr;
    }
}

void PuxExtractor::workerAnswered(int status, const QString &output, const QString &errorOutput)
{
    dropWorkerReply();
    // What the tool's run would have written, line by line as it is read
    // from a process: the same answer, the same code, the same text.
    static const QRegularExpression lineEnd(QStringLiteral("[\\r\\n]"));
    const QPointer<PuxExtractor> self(this);
    const QStringList errors = errorOutput.split(lineEnd, Qt::SkipEmptyParts);
    if (!errors.isEmpty())
        puxReadError(errors);
    if (!self || answered)
        return;
    puxReadOutputData(output.split(lineEnd, Qt::SkipEmptyParts));
    puxFinished(status, QProcess::NormalExit);
}

void PuxExtractor::workerFailed(const QString &reason)
{
    dropWorkerReply();
    if (answered)
        return;
    KEL_INFO("The extractor worker did not answer (%s); the tool runs for %s", qUtf8Printable(reason),
             qUtf8Printable(url));
    startProcess();
}

void PuxExtractor::getMediaInfoBySignal(QString requestUrl)
{
    synchronous = false;
    beginRequest(requestUrl);
    if (!askWorker())
        startProcess();
}

Kel::WebMediaInfo PuxExtractor::getMediaInfo(QString requestUrl)
{
    synchronous = true;
    beginRequest(requestUrl);
    startProcess();
    if (!process->waitForFinished(-1))
        KEL_DEBUG("Pux extract process finished abnormally: %s", qPrintable(process->startErrorText()));
    if (process->failedToStartRun()) {
        mediaInfo.errorText = PuxRuntime::interpreterFailureText(process->startErrorText());
    } else {
        if (!errorLines.isEmpty())
            mediaInfo.errorText = errorLines.join(QLatin1Char('\n'));
        if (process->exitStatus() == QProcess::NormalExit && process->exitCode() == 0)
            parseOutput();
        else
            setFailureText(tr("The extractor tool stopped with exit code %1.").arg(process->exitCode()));
    }
    synchronous = false;
    answered = true;
    emit finished(mediaInfo);
    return mediaInfo;
}

void PuxExtractor::cancel()
{
    KEL_ERROR("Cancel getMediaInfo...");
    answered = true;
    dropWorkerReply();
    stopProcess();
}

void PuxExtractor::parseOutput()
{
    const QString output = outputLines.join(QLatin1Char('\n'));
    if (Log::minLevel() <= Log::Debug)
        KEL_DEBUG("%s \r\n%s ", qPrintable(mediaInfo.url), qPrintable(output));
    PuxOutputParser::parseWebMediaInfo(output, mediaInfo);
    KEL_DEBUG("duration : %lld", static_cast<long long>(mediaInfo.duration));
}

void PuxExtractor::puxReadOutputData(const QStringList &lines)
{
    outputLines += lines;
}

void PuxExtractor::puxFinished(int exitCode, QProcess::ExitStatus exitStatus)
{
    qCDebug(lcPuxExtractor) << QStringLiteral("puxFinished : %1 %2").arg(exitCode).arg(int(exitStatus));
    if (answered || synchronous)
        return;
    if (exitStatus == QProcess::CrashExit) {
        KEL_ERROR("Pux extract process terminated with error: %d", int(QProcess::Crashed));
        setFailureText(tr("The extractor tool crashed or was killed."));
        answerWithError(qint32(QProcess::Crashed));
    } else if (exitCode != 0) {
        // Also a tool that wrote only warnings: its words are the reason.
        setFailureText(tr("The extractor tool stopped with exit code %1.").arg(exitCode));
        answerWithError(-1);
    } else {
        answered = true;
        parseOutput();
        emit finished(mediaInfo);
    }
}

void PuxExtractor::puxProcessError(const QString &reason)
{
    KEL_ERROR("Pux extract process terminated with error: %d (%s)", int(QProcess::FailedToStart),
              qPrintable(reason));
    if (answered || synchronous)
        return;
    mediaInfo.errorText = PuxRuntime::interpreterFailureText(reason);
    answerWithError(qint32(QProcess::FailedToStart));
}

void PuxExtractor::puxReadError(const QStringList &lines)
{
    const QString text = lines.join(QLatin1Char('\n'));
    KEL_ERROR("Pux extract read error: %s", qPrintable(text));
    if (answered)
        return;
    errorLines += lines;
    mediaInfo.errorText = errorLines.join(QLatin1Char('\n'));
    if (synchronous)
        return;
    // Only the tool's own error lines end the request at once; what else it
    // writes there (warnings, notes such as "Deprecated Feature: ...", which
    // newer versions print on every run) is kept, and the exit code decides.
    // Judged line by line, so a warning beside an error does not hide it.
    for (const QString &line : lines) {
        if (isErrorLine(line)) {
            answerWithError(-1);
            return;
        }
    }
}

bool PuxExtractor::isErrorLine(const QString &line)
{
    const QString text = line.trimmed();
    return text.startsWith(QLatin1String("ERROR:")) || text.startsWith(QLatin1String("Traceback "));
}

void PuxExtractor::setFailureText(const QString &fallback)
{
    mediaInfo.errorText = errorLines.isEmpty() ? fallback : errorLines.join(QLatin1Char('\n'));
}

void PuxExtractor::answerWithError(qint32 errorCode)
{
    // What was gathered so far (the address and the reason) goes first, so
    // that a receiver can show it.
    answered = true;
    const QPointer<PuxExtractor> self(this);
    emit finished(mediaInfo);
    if (self)
        emit error(errorCode);
}

} // namespace Kel
