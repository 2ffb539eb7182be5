#include "webfetch/puxextractor.h"

#include "shared/kellog.h"
#include "webfetch/puxoutputparser.h"
#include "webfetch/puxruntime.h"
#include "webfetch/puxtoolcache.h"

#include <QDir>
#include <QLoggingCategory>

// Traces for developers; enable with QT_LOGGING_RULES="marlin.webfetch.*.debug=true".
Q_LOGGING_CATEGORY(lcPuxExtractor, "marlin.webfetch.extractor", QtInfoMsg)

namespace Kel {

PuxExtractor::PuxExtractor(const QString &toolPath, const QString &dataDir, QObject *parent)
    : WebMediaInfoExtractor(parent), tempDir(QDir::tempPath()), toolPath(toolPath), dataDir(dataDir)
{
}

PuxExtractor::~PuxExtractor()
{
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

void PuxExtractor::beginRequest(const QString &requestUrl)
{
    // A new request replaces one still running, and starts from empty
    // information rather than adding to the last page's qualities.
    stopProcess();
    if (process)
        process->deleteLater();
    answered = false;
    errorLines.clear();
    mediaInfo = WebMediaInfo();
    url = requestUrl;
    mediaInfo.url = requestUrl;
    KEL_DEBUG("url %s ", qPrintable(requestUrl));
    process = new QProcess(this);
}

void PuxExtractor::startProcess()
{
    tool = PuxToolCache::instance()->toolFor(toolPath);
    const PuxCommand command = initPuxExtractorCommand(toolPath, url, tool.runPath());
    KEL_INFO("%s", qPrintable(command.text()));
    process->start(command.program(), command.arguments(), QIODevice::ReadWrite);
    process->closeWriteChannel();
}

void PuxExtractor::stopProcess()
{
    if (!process)
        return;
    process->disconnect(this);
    if (process->state() != QProcess::NotRunning) {
        process->kill();
        process->waitForFinished(5000);
    }
}

void PuxExtractor::getMediaInfoBySignal(QString requestUrl)
{
    beginRequest(requestUrl);
    connect(process, &QProcess::readyReadStandardError, this, &PuxExtractor::puxReadError);
    connect(process, &QProcess::finished, this, &PuxExtractor::puxFinished);
    connect(process, &QProcess::errorOccurred, this, &PuxExtractor::puxProcessError);
    startProcess();
}

Kel::WebMediaInfo PuxExtractor::getMediaInfo(QString requestUrl)
{
    beginRequest(requestUrl);
    startProcess();
    if (!process->waitForFinished(-1))
        KEL_DEBUG("Pux extract process finished abnormally: %d", int(process->error()));
    const QString errorOutput = QString::fromLocal8Bit(process->readAllStandardError()).trimmed();
    if (!errorOutput.isEmpty())
        mediaInfo.errorText = errorOutput;
    puxReadOutputData();
    answered = true;
    emit finished(mediaInfo);
    return mediaInfo;
}

void PuxExtractor::cancel()
{
    KEL_ERROR("Cancel getMediaInfo...");
    answered = true;
    stopProcess();
}

void PuxExtractor::puxReadOutputData()
{
    if (!process)
        return;
    const QString output = QString::fromLocal8Bit(process->readAllStandardOutput());
    if (Log::minLevel() <= Log::Debug)
        KEL_DEBUG("%s \r\n%s ", qPrintable(mediaInfo.url), qPrintable(output));
    PuxOutputParser::parseWebMediaInfo(output, mediaInfo);
    KEL_DEBUG("duration : %lld", static_cast<long long>(mediaInfo.duration));
}

void PuxExtractor::puxFinished(int exitCode, QProcess::ExitStatus exitStatus)
{
    qCDebug(lcPuxExtractor) << QStringLiteral("puxFinished : %1 %2").arg(exitCode).arg(int(exitStatus));
    handleErrorLines(errorLines.flush());
    // A crash has been answered through the process error already.
    if (answered || exitStatus == QProcess::CrashExit)
        return;
    answered = true;
    if (exitCode == 0) {
        puxReadOutputData();
        emit finished(mediaInfo);
    } else {
        qCDebug(lcPuxExtractor) << process->errorString();
        emit error(-1);
    }
}

void PuxExtractor::puxProcessError(QProcess::ProcessError processError)
{
    KEL_ERROR("Pux extract process terminated with error: %d", int(processError));
    if (answered)
        return;
    answerWithError(qint32(processError));
}

void PuxExtractor::puxReadError()
{
    handleErrorLines(errorLines.append(process->readAllStandardError()));
}

void PuxExtractor::handleErrorLines(const QStringList &lines)
{
    if (lines.isEmpty())
        return;
    const QString text = lines.join(QLatin1Char('\n'));
    KEL_ERROR("Pux extract read error: %s", qPrintable(text));
    if (answered)
        return;
    mediaInfo.errorText = text;
    // Warnings are only kept; any other line is the tool's error. Judged
    // line by line, so a warning beside an error does not hide it.
    for (const QString &line : lines) {
        if (!line.contains(QLatin1String("WARNING"), Qt::CaseInsensitive)) {
            answerWithError(-1);
            return;
        }
    }
}

void PuxExtractor::answerWithError(qint32 errorCode)
{
    // What was gathered so far (the address and the tool's error text)
    // goes first, so that a receiver can show it.
    answered = true;
    const QPointer<PuxExtractor> self(this);
    emit finished(mediaInfo);
    if (self)
        emit error(errorCode);
}

} // namespace Kel
