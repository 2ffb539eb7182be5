#include "support/testtools.h"

#include "support/jsonfields.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <json/json.h>

#include <memory>

namespace TestTools {

QString appDir()
{
    return QStringLiteral(MARLIN_APP_DIR);
}

QString ytZipPath()
{
    return appDir() + QLatin1String("/yt.zip");
}

QString testDir()
{
    return QStringLiteral(MARLIN_TEST_DIR);
}

QString sourceDir()
{
    return QStringLiteral(MARLIN_SOURCE_DIR);
}

QString fixturesDir()
{
    return QStringLiteral(MARLIN_FIXTURES_DIR);
}

QString fixturePath(const QString &relativePath)
{
    return fixturesDir() + QLatin1Char('/') + relativePath;
}

static QString findInAppDir(const QStringList &candidates)
{
    for (const QString &candidate : candidates) {
        const QFileInfo info(appDir() + QLatin1Char('/') + candidate);
        if (info.isFile() && info.isExecutable())
            return info.absoluteFilePath();
    }
    return QString();
}

QString programPath(const QString &name)
{
    if (name == QLatin1String("python3"))
        return pythonPath();
    const QString local = findInAppDir({name});
    return local.isEmpty() ? QStandardPaths::findExecutable(name) : local;
}

QString pythonPath()
{
    const QString local = findInAppDir({QStringLiteral("python-3/python3"), QStringLiteral("python-3/bin/python3"),
                                        QStringLiteral("python3")});
    return local.isEmpty() ? QStandardPaths::findExecutable(QStringLiteral("python3")) : local;
}

QString ffmpegPath()
{
    return programPath(QStringLiteral("ffmpeg"));
}

QString ffprobePath()
{
    return programPath(QStringLiteral("ffprobe"));
}

QString missingProgramMessage(const QString &name)
{
    return QStringLiteral("The outside program \"%1\" was found neither in %2 nor on PATH; "
                          "install it (scripts/install-deps.sh)")
        .arg(name, appDir());
}

bool requireProgram(const QString &name, const char *file, int line)
{
    if (!programPath(name).isEmpty())
        return true;
    QTest::qFail(qPrintable(missingProgramMessage(name)), file, line);
    return false;
}

bool RunResult::succeeded() const
{
    return started && !timedOut && exitStatus == QProcess::NormalExit && exitCode == 0;
}

QString RunResult::describe() const
{
    QString text;
    if (!started)
        text = QStringLiteral("did not start: %1").arg(errorString);
    else if (timedOut)
        text = QStringLiteral("timed out and was killed");
    else if (exitStatus != QProcess::NormalExit)
        text = QStringLiteral("crashed");
    else
        text = QStringLiteral("exit code %1").arg(exitCode);
    const QString err = QString::fromUtf8(standardError).trimmed();
    if (!err.isEmpty())
        text += QStringLiteral("; standard error:\n") + err.right(4000);
    return text;
}

RunResult run(const QString &program, const QStringList &arguments, int timeoutMs,
              const QString &workingDirectory, const QProcessEnvironment &environment)
{
    RunResult result;
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setProcessEnvironment(environment);
    process.setStandardInputFile(QProcess::nullDevice());
    if (!workingDirectory.isEmpty())
        process.setWorkingDirectory(workingDirectory);
    process.start();
    if (!process.waitForStarted(30000)) {
        result.errorString = program.isEmpty() ? QStringLiteral("no program given") : process.errorString();
        return result;
    }
    result.started = true;
    if (!process.waitForFinished(timeoutMs)) {
        result.timedOut = process.state() != QProcess::NotRunning;
        if (result.timedOut) {
            process.kill();
            process.waitForFinished(10000);
        }
    }
    result.exitCode = process.exitCode();
    result.exitStatus = process.exitStatus();
    result.standardOutput = process.readAllStandardOutput();
    result.standardError = process.readAllStandardError();
    result.errorString = process.errorString();
    return result;
}

RunResult runYtDlp(const QStringList &arguments, int timeoutMs, const QString &workingDirectory)
{
    return run(pythonPath(), QStringList{ytZipPath()} + arguments, timeoutMs, workingDirectory);
}

QList<StreamInfo> ProbeResult::streamsOfType(const QString &codecType) const
{
    QList<StreamInfo> found;
    for (const StreamInfo &stream : streams) {
        if (stream.codecType == codecType)
            found.append(stream);
    }
    return found;
}

int ProbeResult::count(const QString &codecType) const
{
    return int(streamsOfType(codecType).size());
}

bool ProbeResult::hasVideo() const
{
    return count(QStringLiteral("video")) > 0;
}

bool ProbeResult::hasAudio() const
{
    return count(QStringLiteral("audio")) > 0;
}

bool ProbeResult::hasSubtitles() const
{
    return count(QStringLiteral("subtitle")) > 0;
}

ProbeResult probeStreams(const QString &file, int timeoutMs)
{
    ProbeResult probe;
    const QString ffprobe = ffprobePath();
    if (ffprobe.isEmpty()) {
        probe.error = missingProgramMessage(QStringLiteral("ffprobe"));
        return probe;
    }
    if (!QFileInfo(file).isFile()) {
        probe.error = QStringLiteral("%1 does not exist").arg(file);
        return probe;
    }
    const RunResult run = TestTools::run(ffprobe,
                                         {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_streams"),
                                          QStringLiteral("-show_format"), QStringLiteral("-of"), QStringLiteral("json"),
                                          file},
                                         timeoutMs);
    if (!run.succeeded()) {
        probe.error = QStringLiteral("ffprobe %1 %2").arg(file, run.describe());
        return probe;
    }

    Json::CharReaderBuilder builder;
    const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    Json::Value root;
    std::string errors;
    const QByteArray &out = run.standardOutput;
    if (!reader->parse(out.constData(), out.constData() + out.size(), &root, &errors) || !root.isObject()) {
        probe.error = QStringLiteral("ffprobe output is not JSON: %1").arg(QString::fromStdString(errors));
        return probe;
    }
    const Json::Value &format = root["format"];
    probe.formatName = JsonFields::text(format, "format_name");
    probe.duration = JsonFields::seconds(format, "duration");
    for (const Json::Value &s : root["streams"]) {
        StreamInfo stream;
        stream.index = JsonFields::integer(s, "index");
        stream.codecType = JsonFields::text(s, "codec_type");
        stream.codecName = JsonFields::text(s, "codec_name");
        stream.width = JsonFields::integer(s, "width");
        stream.height = JsonFields::integer(s, "height");
        stream.sampleRate = JsonFields::integer(s, "sample_rate");
        stream.channels = JsonFields::integer(s, "channels");
        stream.duration = JsonFields::seconds(s, "duration");
        const Json::Value &tags = s["tags"];
        stream.language = JsonFields::text(tags, "language");
        stream.title = JsonFields::text(tags, "title");
        probe.streams.append(stream);
    }
    probe.ok = true;
    return probe;
}

} // namespace TestTools
