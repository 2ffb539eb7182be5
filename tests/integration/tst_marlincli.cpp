// marlin-cli driven as a process, the way scripts use it, against the local
// sample site with the real extractor tool and ffmpeg. Results are checked
// with ffprobe; refusals must happen before the server sees a request; an
// interrupted run must leave no file behind, and a killed one no program
// running; a failure is told in the words of the tool that failed.
#include "support/samplesite.h"
#include "support/testhttpserver.h"
#include "support/testtools.h"

#include "shared/webmediainfo.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <json/json.h>

#include <algorithm>
#include <csignal>
#include <memory>

namespace {

constexpr int runMs = 300000;

QStringList filesIn(const QString &dir)
{
    return QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

// Every file below dir, relative to it.
QStringList filesBelow(const QString &dir)
{
    QStringList found;
    QDirIterator it(dir, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext())
        found += QDir(dir).relativeFilePath(it.next());
    std::sort(found.begin(), found.end());
    return found;
}

// The processes whose parent is pid.
QList<qint64> childrenOf(qint64 pid)
{
    QList<qint64> children;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString &entry : entries) {
        bool number = false;
        const qint64 candidate = entry.toLongLong(&number);
        if (!number)
            continue;
        QFile stat(QStringLiteral("/proc/%1/stat").arg(candidate));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray text = stat.readAll();
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1 && fields.at(1).toLongLong() == pid && fields.at(0) != "Z")
            children += candidate;
    }
    return children;
}

bool isRunning(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray text = stat.readAll();
    return text.mid(text.lastIndexOf(')') + 2, 1) != "Z";
}

// A small file system that fills up, mounted for as long as it lives.
class SmallFileSystem
{
public:
    explicit SmallFileSystem(const QString &dir) : m_dir(dir)
    {
        m_mounted = TestTools::run(QStringLiteral("mount"),
                                   {"-t", "tmpfs", "-o", "size=512k", "tmpfs", dir}, 10000).succeeded();
    }
    ~SmallFileSystem()
    {
        if (m_mounted)
            TestTools::run(QStringLiteral("umount"), {m_dir}, 10000);
    }
    bool isMounted() const { return m_mounted; }

private:
    QString m_dir;
    bool m_mounted = false;
};

QStringList outputLines(const QByteArray &output)
{
    return QString::fromUtf8(output).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

bool parseJson(const QString &text, Json::Value *root, QString *error)
{
    Json::CharReaderBuilder builder;
    const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    const QByteArray bytes = text.toUtf8();
    std::string errors;
    if (!reader->parse(bytes.constData(), bytes.constData() + bytes.size(), root, &errors)) {
        *error = QString::fromStdString(errors);
        return false;
    }
    return true;
}

QString jsonText(const Json::Value &value)
{
    return QString::fromStdString(value.asString());
}

QStringList subtitleLanguages(const TestTools::ProbeResult &probe)
{
    QStringList languages;
    for (const TestTools::StreamInfo &s : probe.streamsOfType(QStringLiteral("subtitle")))
        languages += s.language;
    std::sort(languages.begin(), languages.end());
    return languages;
}

} // namespace

class TestMarlinCli : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void helpAndUsage_data();
    void helpAndUsage();
    void infoJsonListsQualities_data();
    void infoJsonListsQualities();
    void infoTextShowsQualities();
    void infoKeepsTheLogOffStandardOutput();
    void extraHostFromTheEnvironment();
    void downloadGivesProbedFile_data();
    void downloadGivesProbedFile();
    void downloadThenConvert_data();
    void downloadThenConvert();
    void severalPagesAtOnce();
    void failedPageIsNamedWithTheToolsError();
    void unknownQualityNameFails();
    void refusedBeforeAnythingStarts_data();
    void refusedBeforeAnythingStarts();
    void convertLocalFile_data();
    void convertLocalFile();
    void profilesMarkTheQuickProfile();
    void interruptedDownloadLeavesNoFiles_data();
    void interruptedDownloadLeavesNoFiles();
    void interruptedConversionLeavesNoFiles();
    void killedRunTakesItsToolsAlong();
    void failureReasonsReachTheUser_data();
    void failureReasonsReachTheUser();

private:
    QString program() const { return TestTools::appDir() + QStringLiteral("/marlin-cli"); }
    QProcessEnvironment environment() const;
    TestTools::RunResult cli(const QStringList &arguments,
                             const QProcessEnvironment &env = QProcessEnvironment()) const;
    QString host() const { return QStringLiteral("127.0.0.1:%1").arg(m_server.port()); }
    QString page(const QString &id) const { return SampleSite::watchQueryUrl(m_server, id).toString(); }
    QString siteFile(const QString &path) const { return m_server.rootDir() + path; }
    // The thumbnails and other files the core keeps in the user's folders.
    QStringList homeFiles() const;

    QTemporaryDir m_root;
    QString m_home;
    QString m_out;
    TestHttpServer m_server;
    SampleSite::Manifest m_manifest;
};

void TestMarlinCli::initTestCase()
{
    MARLIN_REQUIRE_YTZIP();
    MARLIN_REQUIRE_PROGRAM("ffmpeg");
    MARLIN_REQUIRE_PROGRAM("ffprobe");
    if (!QFileInfo(program()).isExecutable())
        QFAIL(qPrintable(QStringLiteral("%1 is missing: build the marlin-cli target").arg(program())));
    QVERIFY(m_root.isValid());
    m_home = m_root.filePath(QStringLiteral("home"));
    QVERIFY(QDir().mkpath(m_home));

    QString error;
    QVERIFY2(SampleSite::serve(m_server, &error), qPrintable(error));
    m_manifest = SampleSite::manifest(&error);
    QVERIFY2(!m_manifest.pages.isEmpty(), qPrintable(error));
}

void TestMarlinCli::init()
{
    m_server.clearFaults();
    m_server.setBandwidthLimit(0);
    m_out = m_root.filePath(QStringLiteral("out/%1").arg(QString::fromLatin1(QTest::currentTestFunction())));
    if (QTest::currentDataTag())
        m_out += QLatin1Char('/') + QString::fromLatin1(QTest::currentDataTag()).replace(QLatin1Char(' '), QLatin1Char('_'));
    QVERIFY(QDir().mkpath(m_out));
}

void TestMarlinCli::cleanupTestCase()
{
    m_server.stop();
}

QProcessEnvironment TestMarlinCli::environment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("MARLIN_HOME"), m_home);
    // Every log output asked for: the program must still keep standard
    // output to its own lines.
    env.insert(QStringLiteral("MARLIN_LOG_OUTPUTS"), QStringLiteral("7"));
    env.remove(QStringLiteral("MARLIN_EXTRA_WATCH_HOST"));
    return env;
}

TestTools::RunResult TestMarlinCli::cli(const QStringList &arguments, const QProcessEnvironment &env) const
{
    return TestTools::run(program(), arguments, runMs, QString(), env.isEmpty() ? environment() : env);
}

QStringList TestMarlinCli::homeFiles() const
{
    QStringList files = filesBelow(m_home);
    // The settings file is the user's own; the run reads it and leaves it be.
    // The diagnostic log is meant to stay.
    files.removeAll(QStringLiteral("config/Marlin.ini"));
    files.removeIf([](const QString &file) { return file.startsWith(QLatin1String("log/")); });
    // The extractor tool's copy is made once for every later run.
    files.removeIf([](const QString &file) { return file.startsWith(QLatin1String("cache/tool/")); });
    return files;
}

void TestMarlinCli::helpAndUsage_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("inOutput");
    QTest::addColumn<QString>("inError");

    QTest::newRow("program help") << QStringList{"--help"} << 0 << "download" << "";
    QTest::newRow("version") << QStringList{"--version"} << 0 << "marlin-cli" << "";
    QTest::newRow("download help") << QStringList{"download", "--help"} << 0 << "--convert" << "";
    QTest::newRow("help of convert") << QStringList{"help", "convert"} << 0 << "--profile" << "";
    QTest::newRow("info help") << QStringList{"info", "-h"} << 0 << "--json" << "";
    QTest::newRow("profiles help") << QStringList{"profiles", "--help"} << 0 << "quick" << "";
    QTest::newRow("no command") << QStringList{} << 2 << "" << "Usage:";
    QTest::newRow("unknown command") << QStringList{"fetch"} << 2 << "" << "unknown command";
    QTest::newRow("unknown option") << QStringList{"download", "--bogus", "x"} << 2 << "" << "bogus";
    QTest::newRow("info without pages") << QStringList{"info"} << 2 << "" << "at least one";
    QTest::newRow("convert without profile") << QStringList{"convert", "a.mp4"} << 2 << "" << "--profile";
}

void TestMarlinCli::helpAndUsage()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, inOutput);
    QFETCH(QString, inError);
    const TestTools::RunResult run = cli(arguments);
    QVERIFY2(run.started && !run.timedOut, qPrintable(run.describe()));
    QCOMPARE(run.exitStatus, QProcess::NormalExit);
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(QString::fromUtf8(run.standardOutput).contains(inOutput), qPrintable(run.describe()));
    QVERIFY2(QString::fromUtf8(run.standardError).contains(inError), qPrintable(run.describe()));
    if (exitCode == 0)
        QVERIFY2(run.standardError.isEmpty(), qPrintable(run.describe()));
    else
        QVERIFY2(run.standardOutput.isEmpty(), qPrintable(run.describe()));
}

void TestMarlinCli::infoJsonListsQualities_data()
{
    QTest::addColumn<QString>("id");
    QTest::newRow("progressive") << SampleSite::progressiveId();
    QTest::newRow("dash") << SampleSite::dashId();
}

void TestMarlinCli::infoJsonListsQualities()
{
    QFETCH(QString, id);
    const SampleSite::Page expected = m_manifest.page(id);
    QVERIFY(expected.isValid());

    const TestTools::RunResult run = cli({"info", "--json", "--allow-host", host(), page(id)});
    QVERIFY2(run.succeeded(), qPrintable(run.describe()));
    const QStringList lines = outputLines(run.standardOutput);
    QCOMPARE(lines.size(), 1);
    Json::Value root;
    QString error;
    QVERIFY2(parseJson(lines.first(), &root, &error), qPrintable(error));

    QCOMPARE(jsonText(root["url"]), page(id));
    QCOMPARE(jsonText(root["title"]), expected.expectedTitle);
    QVERIFY(root["duration"].isNull() || root["duration"].isIntegral());
    QStringList languages;
    for (const Json::Value &language : root["subtitles"])
        languages += jsonText(language);
    QStringList expectedLanguages = expected.subtitleLanguages();
    std::sort(expectedLanguages.begin(), expectedLanguages.end());
    QCOMPARE(languages, expectedLanguages);

    const Json::Value &qualities = root["qualities"];
    QVERIFY(qualities.isArray());
    QCOMPARE(int(qualities.size()), expected.formats.size());
    int chosen = 0;
    for (const Json::Value &quality : qualities) {
        const QString name = jsonText(quality["name"]);
        const SampleSite::Format format = expected.format(name);
        QVERIFY2(!format.formatId.isEmpty(), qPrintable(QStringLiteral("unexpected quality %1").arg(name)));
        QCOMPARE(jsonText(quality["format"]).toLower(), format.ext);
        QCOMPARE(quality["videoOnly"].asBool(), format.isVideoOnly());
        QCOMPARE(quality["audioOnly"].asBool(), format.isAudioOnly());
        // Sizes come from the server, which knows its files.
        QCOMPARE(qint64(quality["size"].asInt64()), format.size);
        if (!format.isAudioOnly())
            QCOMPARE(quality["height"].asInt(), format.height);
        if (quality["chosen"].asBool())
            ++chosen;
    }
    QCOMPARE(chosen, 1);
}

void TestMarlinCli::infoTextShowsQualities()
{
    const SampleSite::Page dash = m_manifest.page(SampleSite::dashId());
    const TestTools::RunResult run = cli({"info", "--no-sizes", "--allow-host", host(), page(dash.id)});
    QVERIFY2(run.succeeded(), qPrintable(run.describe()));
    const QString text = QString::fromUtf8(run.standardOutput);
    QVERIFY2(text.startsWith(dash.expectedTitle + QLatin1Char('\n')), qPrintable(text));
    QVERIFY(text.contains(QStringLiteral("Subtitles:  de, en")));
    for (const SampleSite::Format &format : dash.formats) {
        const QRegularExpression row(QStringLiteral("^ +\\*? +%1 +.*%2$")
                                         .arg(QRegularExpression::escape(format.formatId),
                                              format.isAudioOnly() ? QStringLiteral("audio only")
                                                                   : QStringLiteral("video only.*")),
                                     QRegularExpression::MultilineOption);
        QVERIFY2(row.match(text).hasMatch(), qPrintable(format.formatId + QLatin1Char('\n') + text));
    }
}

void TestMarlinCli::infoKeepsTheLogOffStandardOutput()
{
    const QProcessEnvironment env = environment();
    QCOMPARE(env.value(QStringLiteral("MARLIN_LOG_OUTPUTS")), QStringLiteral("7"));
    const QString failing = page(m_manifest.noVideoId);
    const TestTools::RunResult run =
        cli({"info", "--json", "--allow-host", host(), page(SampleSite::progressiveId()), failing}, env);
    QVERIFY2(run.started && !run.timedOut, qPrintable(run.describe()));
    QCOMPARE(run.exitCode, 1);
    const QStringList lines = outputLines(run.standardOutput);
    QCOMPARE(lines.size(), 2);
    for (const QString &line : lines) {
        Json::Value root;
        QString error;
        QVERIFY2(parseJson(line, &root, &error), qPrintable(error + QLatin1Char('\n') + line));
        QVERIFY(root.isObject());
    }
    Json::Value second;
    QString error;
    QVERIFY(parseJson(lines.last(), &second, &error));
    QCOMPARE(jsonText(second["url"]), failing);
    QVERIFY(jsonText(second["error"]).contains(QLatin1String("ERROR")));
    // The failure is named on standard error with the tool's own words.
    const QString errors = QString::fromUtf8(run.standardError);
    QVERIFY2(errors.contains(failing) && errors.contains(QLatin1String("ERROR")), qPrintable(errors));
}

void TestMarlinCli::extraHostFromTheEnvironment()
{
    // Without the extra host, a "watch?v=" address of any host stands for
    // the real site's page; with it, the page stays on the local site.
    QProcessEnvironment env = environment();
    env.insert(QStringLiteral("MARLIN_EXTRA_WATCH_HOST"), host());
    const TestTools::RunResult run = cli({"info", "--no-sizes", "--json", page(SampleSite::progressiveId())}, env);
    QVERIFY2(run.succeeded(), qPrintable(run.describe()));
    const QStringList lines = outputLines(run.standardOutput);
    QCOMPARE(lines.size(), 1);
    Json::Value root;
    QString error;
    QVERIFY2(parseJson(lines.first(), &root, &error), qPrintable(error));
    QCOMPARE(jsonText(root["url"]), page(SampleSite::progressiveId()));
    QCOMPARE(jsonText(root["title"]), m_manifest.page(SampleSite::progressiveId()).expectedTitle);
}

void TestMarlinCli::downloadGivesProbedFile_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("height");
    QTest::addColumn<QStringList>("subtitles");
    QTest::addColumn<QString>("suffix");

    QTest::newRow("progressive 360p") << SampleSite::progressiveId() << QStringList{"--quality", "360p"} << 360
                                      << QStringList{} << "mp4";
    QTest::newRow("dash 720p with all subtitles")
        << SampleSite::dashId() << QStringList{"--quality", "720p", "--subtitles", "all"} << 720
        << QStringList{"eng", "ger"} << "mp4";
    QTest::newRow("dash quality by name, one language")
        << SampleSite::dashId() << QStringList{"--quality", "video-360", "--subtitle-languages", "de"} << 360
        << QStringList{"ger"} << "mp4";
    QTest::newRow("dash webm") << SampleSite::dashId() << QStringList{"--quality", "360p", "--format", "webm"}
                               << 360 << QStringList{} << "webm";
    QTest::newRow("audio only") << SampleSite::dashId() << QStringList{"--audio-only"} << 0 << QStringList{}
                                << "m4a";
}

void TestMarlinCli::downloadGivesProbedFile()
{
    QFETCH(QString, id);
    QFETCH(QStringList, options);
    QFETCH(int, height);
    QFETCH(QStringList, subtitles);
    QFETCH(QString, suffix);

    const TestTools::RunResult run =
        cli(QStringList{"download", "--quiet", "--allow-host", host(), "-o", m_out} + options + QStringList{page(id)});
    QVERIFY2(run.succeeded(), qPrintable(run.describe()));
    const QStringList lines = outputLines(run.standardOutput);
    QCOMPARE(lines.size(), 1);
    const QString file = lines.first();
    QCOMPARE(QFileInfo(file).absolutePath(), m_out);
    QCOMPARE(QFileInfo(file).suffix(), suffix);
    QVERIFY(QFileInfo(file).fileName().startsWith(m_manifest.page(id).expectedTitle));
    QCOMPARE(filesIn(m_out), QStringList{QFileInfo(file).fileName()});

    const TestTools::ProbeResult probe = TestTools::probeStreams(file);
    QVERIFY2(probe.ok, qPrintable(probe.error));
    QVERIFY(probe.hasAudio());
    if (height > 0) {
        QCOMPARE(probe.count(QStringLiteral("video")), 1);
        QCOMPARE(probe.streamsOfType(QStringLiteral("video")).first().height, height);
    } else {
        QVERIFY(!probe.hasVideo());
    }
    QCOMPARE(subtitleLanguages(probe), subtitles);
    QVERIFY2(homeFiles().isEmpty(), qPrintable(homeFiles().join(QLatin1Char(' '))));
}

void TestMarlinCli::downloadThenConvert_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<bool>("downloadKept");
    QTest::addColumn<QString>("videoCodec");
    QTest::addColumn<QString>("audioCodec");
    QTest::addColumn<QString>("suffix");

    QTest::newRow("preset, download removed")
        << QStringList{"--convert", "MP3 Standard"} << false << "" << "mp3" << "mp3";
    QTest::newRow("quick profile, download kept")
        << QStringList{"--convert", "quick", "--keep-download"} << true << "h264" << "aac" << "mp4";
}

void TestMarlinCli::downloadThenConvert()
{
    QFETCH(QStringList, options);
    QFETCH(bool, downloadKept);
    QFETCH(QString, videoCodec);
    QFETCH(QString, audioCodec);
    QFETCH(QString, suffix);

    const TestTools::RunResult run =
        cli(QStringList{"download", "--allow-host", host(), "--quality", "720p", "-o", m_out} + options
            + QStringList{page(SampleSite::dashId())});
    QVERIFY2(run.succeeded(), qPrintable(run.describe()));
    const QString text = QString::fromUtf8(run.standardOutput);
    const QRegularExpressionMatch converted =
        QRegularExpression(QStringLiteral("^  converted: +(.+)$"), QRegularExpression::MultilineOption).match(text);
    QVERIFY2(converted.hasMatch(), qPrintable(text));
    const QString result = converted.captured(1);
    QCOMPARE(QFileInfo(result).absolutePath(), m_out);
    QCOMPARE(QFileInfo(result).suffix(), suffix);

    const TestTools::ProbeResult probe = TestTools::probeStreams(result);
    QVERIFY2(probe.ok, qPrintable(probe.error));
    QCOMPARE(probe.streamsOfType(QStringLiteral("audio")).value(0).codecName, audioCodec);
    if (videoCodec.isEmpty()) {
        QVERIFY(!probe.hasVideo());
    } else {
        QCOMPARE(probe.streamsOfType(QStringLiteral("video")).value(0).codecName, videoCodec);
        QCOMPARE(probe.streamsOfType(QStringLiteral("video")).value(0).height, 720);
    }

    const QRegularExpressionMatch downloaded =
        QRegularExpression(QStringLiteral("^  downloaded: +(.+)$"), QRegularExpression::MultilineOption).match(text);
    QCOMPARE(downloaded.hasMatch(), downloadKept);
    QStringList expectedFiles{QFileInfo(result).fileName()};
    if (downloadKept) {
        QVERIFY(TestTools::probeStreams(downloaded.captured(1)).hasVideo());
        expectedFiles += QFileInfo(downloaded.captured(1)).fileName();
    }
    std::sort(expectedFiles.begin(), expectedFiles.end());
    QCOMPARE(filesIn(m_out), expectedFiles);
    QVERIFY2(homeFiles().isEmpty(), qPrintable(homeFiles().join(QLatin1Char(' '))));
}

void TestMarlinCli::severalPagesAtOnce()
{
    const QStringList ids{SampleSite::progressiveId(), SampleSite::dashId(), m_manifest.unicodeId};
    QStringList arguments{"download", "--quiet", "--allow-host", host(), "--quality", "360p", "-j", "3", "-o", m_out};
    for (const QString &id : ids)
        arguments += page(id);
    const TestTools::RunResult run = cli(arguments);
    QVERIFY2(run.succeeded(), qPrintable(run.describe()));

    const QStringList files = outputLines(run.standardOutput);
    QCOMPARE(files.size(), ids.size());
    for (int i = 0; i < ids.size(); ++i) {
        // Results are listed in the order of the command line.
        const QString title = Kel::WebMediaInfo::makeFileTitle(m_manifest.page(ids.at(i)).expectedTitle);
        QVERIFY2(QFileInfo(files.at(i)).fileName().startsWith(title), qPrintable(files.at(i)));
        QVERIFY2(files.at(i).endsWith(QLatin1String("[360P].mp4")), qPrintable(files.at(i)));
        const TestTools::ProbeResult probe = TestTools::probeStreams(files.at(i));
        QVERIFY2(probe.ok, qPrintable(probe.error));
        QCOMPARE(probe.streamsOfType(QStringLiteral("video")).value(0).height, 360);
        QVERIFY(probe.hasAudio());
    }
    QCOMPARE(filesIn(m_out).size(), ids.size());
}

void TestMarlinCli::failedPageIsNamedWithTheToolsError()
{
    const QString failing = page(m_manifest.noVideoId);
    const TestTools::RunResult run = cli({"download", "--quiet", "--allow-host", host(), "--quality", "240p", "-o",
                                          m_out, failing, page(SampleSite::progressiveId())});
    QVERIFY2(run.started && !run.timedOut, qPrintable(run.describe()));
    QCOMPARE(run.exitCode, 1);
    const QString errors = QString::fromUtf8(run.standardError);
    QVERIFY2(errors.contains(QStringLiteral("failed: ")) && errors.contains(failing), qPrintable(errors));
    QVERIFY2(errors.contains(QLatin1String("ERROR")), qPrintable(errors));
    // The other page is not held back by the failure.
    const QStringList files = outputLines(run.standardOutput);
    QCOMPARE(files.size(), 1);
    QVERIFY(TestTools::probeStreams(files.first()).hasVideo());
    QCOMPARE(filesIn(m_out).size(), 1);
}

void TestMarlinCli::unknownQualityNameFails()
{
    const TestTools::RunResult run = cli({"download", "--allow-host", host(), "--quality", "no-such-quality", "-o",
                                          m_out, page(SampleSite::progressiveId())});
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.standardError.contains("no quality named \"no-such-quality\""), qPrintable(run.describe()));
    QVERIFY(filesIn(m_out).isEmpty());
}

void TestMarlinCli::refusedBeforeAnythingStarts_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");

    const QString media = siteFile(m_manifest.page(SampleSite::progressiveId()).format(QStringLiteral("240p")).path);
    const QString notMedia = m_root.filePath(QStringLiteral("notes.txt"));
    QFile file(notMedia);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("not a video\n");
    file.close();
    const QString page = this->page(SampleSite::progressiveId());

    QTest::newRow("not a watch page") << QStringList{"download", "--allow-host", host(),
                                                     m_server.url(QStringLiteral("/index.html")).toString()}
                                      << "not the address of a video page";
    QTest::newRow("watch page without a video id")
        << QStringList{"info", "--allow-host", host(), m_server.url(QStringLiteral("/watch?v=short")).toString()}
        << "not the address of a video page";
    QTest::newRow("bad page among good ones") << QStringList{"download", "--allow-host", host(), page, "nonsense"}
                                              << "not the address of a video page: nonsense";
    QTest::newRow("missing file") << QStringList{"convert", "--profile", "MP3 Standard", media,
                                                 m_root.filePath(QStringLiteral("missing.mp4"))}
                                  << "no such file";
    QTest::newRow("not a media file") << QStringList{"convert", "--profile", "MP3 Standard", notMedia}
                                      << "not a media file";
    QTest::newRow("unknown profile to convert") << QStringList{"convert", "--profile", "No Such Profile", media}
                                                << "unknown profile \"No Such Profile\"";
    QTest::newRow("unknown profile after download")
        << QStringList{"download", "--allow-host", host(), "--convert", "No Such Profile", page}
        << "unknown profile \"No Such Profile\"";
    QTest::newRow("folder below a file") << QStringList{"download", "--allow-host", host(), "-o",
                                                        notMedia + QStringLiteral("/sub"), page}
                                         << "cannot create the folder";
    QTest::newRow("file as folder") << QStringList{"convert", "--profile", "MP3 Standard", "-o", notMedia, media}
                                    << "not a folder";
    QTest::newRow("unknown format") << QStringList{"download", "--allow-host", host(), "--format", "AVI", page}
                                    << "unknown format";
    QTest::newRow("unknown subtitle language")
        << QStringList{"download", "--allow-host", host(), "--subtitle-languages", "xx-nonsense", page}
        << "unknown language code";
    QTest::newRow("bad job count") << QStringList{"download", "--allow-host", host(), "-j", "0", page} << "--jobs";
    QTest::newRow("bad extra host") << QStringList{"info", "--allow-host", "http://x/", page} << "--allow-host";
}

void TestMarlinCli::refusedBeforeAnythingStarts()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    m_server.clearRequests();
    const QStringList before = filesBelow(m_root.path());

    // Never the folders of the settings, should a refusal fail.
    QStringList withOutput = arguments;
    if (!withOutput.contains(QStringLiteral("-o")) && withOutput.first() != QLatin1String("info"))
        withOutput = QStringList{withOutput.first(), QStringLiteral("-o"), m_out} + withOutput.mid(1);
    const TestTools::RunResult run = cli(withOutput);
    QVERIFY2(run.started && !run.timedOut, qPrintable(run.describe()));
    QCOMPARE(run.exitStatus, QProcess::NormalExit);
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(QString::fromUtf8(run.standardError).contains(message), qPrintable(run.describe()));
    QVERIFY2(run.standardOutput.isEmpty(), qPrintable(run.describe()));
    // Nothing was asked of the site and nothing was written.
    QCOMPARE(m_server.requestCount(), 0);
    QCOMPARE(filesBelow(m_root.path()), before);
}

void TestMarlinCli::convertLocalFile_data()
{
    QTest::addColumn<QString>("profile");
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<int>("height");
    QTest::addColumn<QString>("audioCodec");

    QTest::newRow("audio preset") << "MP3 Standard" << "mp3" << 0 << "mp3";
    QTest::newRow("video preset, name in other case") << "hd tv 720p" << "mp4" << 720 << "aac";
}

void TestMarlinCli::convertLocalFile()
{
    QFETCH(QString, profile);
    QFETCH(QString, suffix);
    QFETCH(int, height);
    QFETCH(QString, audioCodec);
    const QString source = siteFile(m_manifest.page(SampleSite::progressiveId()).format(QStringLiteral("240p")).path);

    const TestTools::RunResult run = cli({"convert", "--quiet", "--profile", profile, "-o", m_out, source});
    QVERIFY2(run.succeeded(), qPrintable(run.describe()));
    const QStringList lines = outputLines(run.standardOutput);
    QCOMPARE(lines.size(), 1);
    const QString result = lines.first();
    QCOMPARE(QFileInfo(result).absolutePath(), m_out);
    QCOMPARE(QFileInfo(result).suffix(), suffix);
    QVERIFY(QFileInfo(result).fileName().startsWith(QStringLiteral("240p__[")));
    const TestTools::ProbeResult probe = TestTools::probeStreams(result);
    QVERIFY2(probe.ok, qPrintable(probe.error));
    QCOMPARE(probe.streamsOfType(QStringLiteral("audio")).value(0).codecName, audioCodec);
    if (height > 0)
        QCOMPARE(probe.streamsOfType(QStringLiteral("video")).value(0).height, height);
    else
        QVERIFY(!probe.hasVideo());
    QCOMPARE(filesIn(m_out), QStringList{QFileInfo(result).fileName()});
}

void TestMarlinCli::profilesMarkTheQuickProfile()
{
    const TestTools::RunResult run = cli({"profiles", "--json"});
    QVERIFY2(run.succeeded(), qPrintable(run.describe()));
    Json::Value root;
    QString error;
    QVERIFY2(parseJson(QString::fromUtf8(run.standardOutput), &root, &error), qPrintable(error));
    const QString quick = jsonText(root["quick"]);
    QCOMPARE(quick, QStringLiteral("MP4 HD 720p"));
    int marked = 0;
    int profiles = 0;
    QStringList categories;
    for (const Json::Value &category : root["categories"]) {
        categories += jsonText(category["name"]);
        for (const Json::Value &profile : category["profiles"]) {
            ++profiles;
            if (profile["quick"].asBool()) {
                ++marked;
                QCOMPARE(jsonText(profile["name"]), quick);
            }
        }
    }
    QCOMPARE(marked, 1);
    QVERIFY(profiles > 10);
    QVERIFY(categories.contains(QStringLiteral("Audio")));

    const TestTools::RunResult text = cli({"profiles"});
    QVERIFY2(text.succeeded(), qPrintable(text.describe()));
    QVERIFY(QRegularExpression(QStringLiteral("^  \\* MP4 HD 720p +MP4 +1280x720$"), QRegularExpression::MultilineOption)
                .match(QString::fromUtf8(text.standardOutput))
                .hasMatch());
}

void TestMarlinCli::interruptedDownloadLeavesNoFiles_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("SIGINT") << int(SIGINT);
    QTest::newRow("SIGTERM") << int(SIGTERM);
    // A closed terminal, and the quit key.
    QTest::newRow("SIGHUP") << int(SIGHUP);
    QTest::newRow("SIGQUIT") << int(SIGQUIT);
}

void TestMarlinCli::interruptedDownloadLeavesNoFiles()
{
    QFETCH(int, signalNumber);
    // Slow enough that the download is surely under way when the signal comes.
    m_server.setBandwidthLimit(48 * 1024);
    QProcess process;
    process.setProcessEnvironment(environment());
    QByteArray output;
    connect(&process, &QProcess::readyReadStandardOutput, &process, [&] { output += process.readAllStandardOutput(); });
    process.start(program(), {"download", "--allow-host", host(), "-o", m_out, page(m_manifest.singleId)});
    QVERIFY2(process.waitForStarted(), qPrintable(process.errorString()));

    // A partial file in the folder and progress on the output: mid-download.
    const QRegularExpression progress(QStringLiteral("downloading +[1-9][0-9]?%"));
    QTRY_VERIFY2_WITH_TIMEOUT(progress.match(QString::fromUtf8(output)).hasMatch() && !filesIn(m_out).isEmpty(),
                              output.constData(), 120000);
    QCOMPARE(process.state(), QProcess::Running);
    ::kill(pid_t(process.processId()), signalNumber);
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 128 + signalNumber);
    const QByteArray errors = process.readAllStandardError();
    QVERIFY2(errors.contains("cancelled"), errors.constData());

    QVERIFY2(filesIn(m_out).isEmpty(), qPrintable(filesIn(m_out).join(QLatin1Char(' '))));
    QVERIFY2(homeFiles().isEmpty(), qPrintable(homeFiles().join(QLatin1Char(' '))));
}

void TestMarlinCli::interruptedConversionLeavesNoFiles()
{
    const QString source = siteFile(m_manifest.page(m_manifest.singleId).formats.first().path);
    QProcess process;
    process.setProcessEnvironment(environment());
    QByteArray output;
    connect(&process, &QProcess::readyReadStandardOutput, &process, [&] { output += process.readAllStandardOutput(); });
    // A slow encoder, so that the result is unfinished when the signal comes.
    process.start(program(), {"convert", "--profile", "MKV H.265 1080p", "-o", m_out, source});
    QVERIFY2(process.waitForStarted(), qPrintable(process.errorString()));

    QTRY_VERIFY2_WITH_TIMEOUT(output.contains("converting") && !filesIn(m_out).isEmpty(), output.constData(), 120000);
    QCOMPARE(process.state(), QProcess::Running);
    ::kill(pid_t(process.processId()), SIGINT);
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.exitCode(), 128 + SIGINT);
    QVERIFY2(filesIn(m_out).isEmpty(), qPrintable(filesIn(m_out).join(QLatin1Char(' '))));
    QVERIFY2(homeFiles().isEmpty(), qPrintable(homeFiles().join(QLatin1Char(' '))));
}

void TestMarlinCli::killedRunTakesItsToolsAlong()
{
    // Killed outright, the program cannot stop its tools; they must end by
    // themselves rather than write on unseen.
    m_server.setBandwidthLimit(48 * 1024);
    QProcess process;
    process.setProcessEnvironment(environment());
    process.start(program(), {"download", "--allow-host", host(), "-o", m_out, page(m_manifest.singleId)});
    QVERIFY2(process.waitForStarted(), qPrintable(process.errorString()));
    QList<qint64> tools;
    QTRY_VERIFY_WITH_TIMEOUT(!(tools = childrenOf(process.processId())).isEmpty() && !filesIn(m_out).isEmpty(),
                             120000);
    ::kill(pid_t(process.processId()), SIGKILL);
    QVERIFY(process.waitForFinished(30000));
    for (const qint64 tool : qAsConst(tools))
        QTRY_VERIFY2_WITH_TIMEOUT(!isRunning(tool), qPrintable(QString::number(tool)), 10000);
}

void TestMarlinCli::failureReasonsReachTheUser_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason");
    QTest::newRow("server error") << "server" << "HTTP Error 500";
    QTest::newRow("full disk, download") << "download" << "No space left on device";
    QTest::newRow("full disk, conversion") << "convert" << "No space left on device";
    QTest::newRow("no Python") << "python" << "Python 3";
}

void TestMarlinCli::failureReasonsReachTheUser()
{
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    const SampleSite::Page single = m_manifest.page(m_manifest.singleId);
    QProcessEnvironment env = environment();
    std::unique_ptr<SmallFileSystem> disk;
    QTemporaryDir emptyPath;
    if (kind == QLatin1String("download") || kind == QLatin1String("convert")) {
        disk = std::make_unique<SmallFileSystem>(m_out);
        if (!disk->isMounted())
            QSKIP("A small file system cannot be mounted here (mounting tmpfs needs root).");
    } else if (kind == QLatin1String("server")) {
        TestHttpServer::Fault fault;
        fault.status = 500;
        m_server.setFault(single.formats.first().path, fault);
    } else {
        env.insert(QStringLiteral("PATH"), emptyPath.path());
    }

    const QStringList arguments = kind == QLatin1String("convert")
        ? QStringList{"convert", "--profile", "HD TV 720p", "-o", m_out, siteFile(single.formats.first().path)}
        : QStringList{"download", "--allow-host", host(), "-o", m_out, page(single.id)};
    const TestTools::RunResult run = cli(arguments, env);
    QVERIFY2(run.started && !run.timedOut, qPrintable(run.describe()));
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.standardError.contains(reason.toUtf8()), qPrintable(run.describe()));
    QVERIFY2(filesIn(m_out).isEmpty(), qPrintable(filesIn(m_out).join(QLatin1Char(' '))));
}

QTEST_GUILESS_MAIN(TestMarlinCli)
#include "tst_marlincli.moc"
