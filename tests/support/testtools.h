#pragma once

#include <QByteArray>
#include <QFileInfo>
#include <QList>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QtTest/QTest>

// Paths of the build and the outside programs, running programs, and
// probing media files, for tests.
namespace TestTools {

// The application directory of the build tree (programs, libraries, conf/,
// resource/, yt.zip).
QString appDir();
// appDir() + "/yt.zip"
QString ytZipPath();
// The folder of the test programs in the build tree.
QString testDir();
QString sourceDir();
// The shared, read-only fixtures folder (outside the repository). Use
// MARLIN_REQUIRE_FIXTURES() in tests that read it.
QString fixturesDir();
// A file below fixturesDir().
QString fixturePath(const QString &relativePath);

// An outside program as the application finds it: its copy in the
// application directory first, then PATH; empty when there is none.
QString programPath(const QString &name);
// "python-3/python3", "python-3/bin/python3" or "python3" in the
// application directory, else python3 on PATH.
QString pythonPath();
QString ffmpegPath();
QString ffprobePath();

QString missingProgramMessage(const QString &name);

// Fails the running test (QFAIL's way) and returns false when the program is
// missing; use as: if (!TestTools::requireProgram("ffmpeg")) return;
bool requireProgram(const QString &name, const char *file = __builtin_FILE(), int line = __builtin_LINE());

struct RunResult
{
    bool started = false;
    bool timedOut = false;
    int exitCode = -1;
    QProcess::ExitStatus exitStatus = QProcess::NormalExit;
    QByteArray standardOutput;
    QByteArray standardError;
    QString errorString;

    // Started, finished in time, and exited normally with 0.
    bool succeeded() const;
    // A one-paragraph account for failure messages.
    QString describe() const;
};

// Runs program with arguments (no shell) and waits at most timeoutMs; a
// program still running then is killed. Blocks the calling thread.
RunResult run(const QString &program, const QStringList &arguments, int timeoutMs = 60000,
              const QString &workingDirectory = QString(),
              const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment());
// python3 yt.zip <arguments>
RunResult runYtDlp(const QStringList &arguments, int timeoutMs = 60000,
                   const QString &workingDirectory = QString());

struct StreamInfo
{
    int index = -1;
    QString codecType; // "video", "audio", "subtitle", "data", "attachment"
    QString codecName; // "h264", "aac", "webvtt", "mov_text", ...
    QString language;  // from the stream's tags, "" when none
    QString title;
    int width = 0;
    int height = 0;
    int sampleRate = 0;
    int channels = 0;
    double duration = -1.0; // seconds; -1 when unknown
};

struct ProbeResult
{
    bool ok = false;
    QString error;
    QString formatName; // the container, e.g. "mov,mp4,m4a,3gp,3g2,mj2"
    double duration = -1.0;
    QList<StreamInfo> streams;

    QList<StreamInfo> streamsOfType(const QString &codecType) const;
    int count(const QString &codecType) const;
    bool hasVideo() const;
    bool hasAudio() const;
    bool hasSubtitles() const;
};

// ffprobe -show_streams -show_format -of json, read with JsonCpp.
ProbeResult probeStreams(const QString &file, int timeoutMs = 30000);

} // namespace TestTools

// Fails the running test loudly when an outside program is missing.
#define MARLIN_REQUIRE_PROGRAM(name)                                                                   \
    do {                                                                                               \
        if (TestTools::programPath(QStringLiteral(name)).isEmpty())                                    \
            QFAIL(qPrintable(TestTools::missingProgramMessage(QStringLiteral(name))));                 \
    } while (false)

// Fails the running test when the extractor tool archive has not been built.
#define MARLIN_REQUIRE_YTZIP()                                                                         \
    do {                                                                                               \
        MARLIN_REQUIRE_PROGRAM("python3");                                                             \
        if (!QFileInfo::exists(TestTools::ytZipPath()))                                                \
            QFAIL(qPrintable(QStringLiteral("yt.zip is missing at %1: build the ytzip target")         \
                                 .arg(TestTools::ytZipPath())));                                       \
    } while (false)

// Skips the running test when the shared fixtures folder is absent (a clone
// without ../shared beside it).
#define MARLIN_REQUIRE_FIXTURES()                                                                      \
    do {                                                                                               \
        if (!QFileInfo(TestTools::fixturesDir()).isDir())                                              \
            QSKIP(qPrintable(QStringLiteral("The fixtures folder %1 is missing; it lies beside the "   \
                                            "repository as shared/fixtures")                           \
                                 .arg(TestTools::fixturesDir())));                                     \
    } while (false)
