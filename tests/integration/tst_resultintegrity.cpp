// No result is lost or overwritten, whatever happens around a run: several
// marlin-cli processes writing the same names into one folder, runs killed
// outright and the later start that cleans up after them, a conversion that
// dies or finds the disk full after its download. Real extractor tool and
// ffmpeg against the local sample site; results checked with ffprobe.
#include "shared/runstamp.h"
#include "support/samplesite.h"
#include "support/testhttpserver.h"
#include "support/testtools.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <memory>
#include <unistd.h>

namespace {

constexpr int runMs = 300000;

QStringList filesIn(const QString &dir)
{
    return QDir(dir).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
}

QStringList lines(const QByteArray &output)
{
    return QString::fromUtf8(output).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// One marlin-cli process in a process group of its own, so that killing it
// outright takes its tools along, as a power loss would.
class CliProcess
{
public:
    CliProcess(const QString &program, const QStringList &arguments, const QProcessEnvironment &env)
    {
        process.setProcessEnvironment(env);
        process.setChildProcessModifier([] { ::setpgid(0, 0); });
        QObject::connect(&process, &QProcess::readyReadStandardOutput, &process,
                         [this] { output += process.readAllStandardOutput(); });
        QObject::connect(&process, &QProcess::readyReadStandardError, &process,
                         [this] { errors += process.readAllStandardError(); });
        process.start(program, arguments);
    }
    ~CliProcess()
    {
        if (process.state() != QProcess::NotRunning)
            killGroup();
    }

    void killGroup()
    {
        ::kill(-pid_t(process.processId()), SIGKILL);
        process.waitForFinished(30000);
    }
    bool finish(int ms = runMs)
    {
        const QDeadlineTimer deadline(ms);
        while (process.state() != QProcess::NotRunning && !deadline.hasExpired())
            QTest::qWait(50);
        return process.state() == QProcess::NotRunning;
    }
    qint64 pid() const { return process.processId(); }
    QString describe() const
    {
        return QStringLiteral("exit %1\n--- out\n%2\n--- err\n%3")
            .arg(process.exitCode())
            .arg(QString::fromUtf8(output), QString::fromUtf8(errors));
    }

    QProcess process;
    QByteArray output;
    QByteArray errors;
};

// The ffmpeg processes whose parent is pid.
QList<qint64> ffmpegChildren(qint64 parent)
{
    QList<qint64> found;
    for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray text = stat.readAll();
        const int close = text.lastIndexOf(')');
        const QList<QByteArray> fields = text.mid(close + 2).split(' ');
        if (close > 0 && text.contains("(ffmpeg)") && fields.size() > 1 && fields.at(1).toLongLong() == parent)
            found += entry.toLongLong();
    }
    return found;
}

// A small tmpfs, unmounted when it goes.
class SmallDisk
{
public:
    explicit SmallDisk(const QString &dir)
        : path(dir)
    {
        QDir().mkpath(dir);
        const TestTools::RunResult run =
            TestTools::run(QStringLiteral("mount"), {"-t", "tmpfs", "-o", "size=512k", "tmpfs", dir}, 30000);
        mounted = run.succeeded();
        error = run.describe();
    }
    ~SmallDisk()
    {
        if (mounted)
            TestTools::run(QStringLiteral("umount"), {path}, 30000);
    }
    // Fills the disk up to free bytes.
    bool fill(qint64 free)
    {
        QFile filler(path + QStringLiteral("/filler"));
        if (!filler.open(QIODevice::WriteOnly))
            return false;
        const QByteArray block(4096, 'x');
        for (qint64 written = 0; written < 512 * 1024 - free; written += block.size()) {
            if (filler.write(block) != block.size())
                return false;
        }
        return filler.flush();
    }

    QString path;
    bool mounted = false;
    QString error;
};

} // namespace

class TestResultIntegrity : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void parallelConversionsKeepEveryResult();
    void parallelDownloadsKeepEveryResult();
    void killedRunsAreCleanedUpByALaterStart();
    void failedConversionKeepsTheDownload_data();
    void failedConversionKeepsTheDownload();

private:
    QString program() const { return TestTools::appDir() + QStringLiteral("/marlin-cli"); }
    QProcessEnvironment environment() const;
    QString host() const { return QStringLiteral("127.0.0.1:%1").arg(m_server.port()); }
    QString page(const QString &id) const { return SampleSite::watchQueryUrl(m_server, id).toString(); }
    QString siteFile(const QString &path) const { return m_server.rootDir() + path; }
    // Settings of the program that later runs read.
    void setFolders(const QString &downloads, const QString &conversions);

    QTemporaryDir m_root;
    QString m_home;
    QString m_tmp;
    QString m_out;
    TestHttpServer m_server;
    SampleSite::Manifest m_manifest;
};

void TestResultIntegrity::initTestCase()
{
    MARLIN_REQUIRE_YTZIP();
    MARLIN_REQUIRE_PROGRAM("ffmpeg");
    MARLIN_REQUIRE_PROGRAM("ffprobe");
    if (!QFileInfo(program()).isExecutable())
        QFAIL(qPrintable(QStringLiteral("%1 is missing: build the marlin-cli target").arg(program())));
    QVERIFY(m_root.isValid());
    QString error;
    QVERIFY2(SampleSite::serve(m_server, &error), qPrintable(error));
    m_manifest = SampleSite::manifest(&error);
    QVERIFY2(!m_manifest.pages.isEmpty(), qPrintable(error));
}

void TestResultIntegrity::init()
{
    const QString name = QString::fromLatin1(QTest::currentTestFunction())
        + QString::fromLatin1(QTest::currentDataTag() ? QTest::currentDataTag() : "").replace(QLatin1Char(' '), QLatin1Char('_'));
    m_home = m_root.filePath(name + QStringLiteral("/home"));
    m_tmp = m_root.filePath(name + QStringLiteral("/tmp"));
    m_out = m_root.filePath(name + QStringLiteral("/out"));
    QVERIFY(QDir().mkpath(m_home) && QDir().mkpath(m_tmp) && QDir().mkpath(m_out));
}

void TestResultIntegrity::cleanup()
{
    m_server.setBandwidthLimit(0);
}

void TestResultIntegrity::cleanupTestCase()
{
    m_server.stop();
}

QProcessEnvironment TestResultIntegrity::environment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("MARLIN_HOME"), m_home);
    env.insert(QStringLiteral("TMPDIR"), m_tmp);
    env.remove(QStringLiteral("MARLIN_EXTRA_WATCH_HOST"));
    return env;
}

void TestResultIntegrity::setFolders(const QString &downloads, const QString &conversions)
{
    QSettings settings(m_home + QStringLiteral("/config/Marlin.ini"), QSettings::IniFormat);
    settings.setValue(QStringLiteral("app_download_destination_dir"), downloads);
    settings.setValue(QStringLiteral("app_convert_destination_dir"), conversions);
    settings.setValue(QStringLiteral("app_convert_save_mode"), 2);
    settings.sync();
    QCOMPARE(settings.status(), QSettings::NoError);
}

void TestResultIntegrity::parallelConversionsKeepEveryResult()
{
    // Eight sources of one name: every run wants the same result name.
    const QString media = siteFile(m_manifest.page(SampleSite::progressiveId()).format(QStringLiteral("240p")).path);
    std::vector<std::unique_ptr<CliProcess>> runs;
    for (int i = 0; i < 8; ++i) {
        const QString source = m_root.filePath(QStringLiteral("sources/%1/clip.mp4").arg(i));
        QVERIFY(QDir().mkpath(QFileInfo(source).absolutePath()));
        QVERIFY(QFile::copy(media, source));
        runs.push_back(std::make_unique<CliProcess>(
            program(), QStringList{"convert", "--quiet", "--profile", "MP3 Standard", "-o", m_out, source},
            environment()));
    }
    QSet<QString> results;
    for (const auto &run : runs) {
        QVERIFY(run->finish());
        QVERIFY2(run->process.exitStatus() == QProcess::NormalExit && run->process.exitCode() == 0,
                 qPrintable(run->describe()));
        const QStringList printed = lines(run->output);
        QCOMPARE(printed.size(), 1);
        QVERIFY2(QFileInfo::exists(printed.first()), qPrintable(run->describe()));
        QVERIFY2(!TestTools::probeStreams(printed.first()).hasVideo()
                     && TestTools::probeStreams(printed.first()).hasAudio(),
                 qPrintable(printed.first()));
        results.insert(printed.first());
    }
    QCOMPARE(results.size(), 8);
    QCOMPARE(filesIn(m_out).size(), 8);
    QVERIFY(results.contains(m_out + QStringLiteral("/clip__[MP3 Standard].mp3")));
}

void TestResultIntegrity::parallelDownloadsKeepEveryResult()
{
    std::vector<std::unique_ptr<CliProcess>> runs;
    for (int i = 0; i < 4; ++i) {
        runs.push_back(std::make_unique<CliProcess>(
            program(),
            QStringList{"download", "--quiet", "--allow-host", host(), "--quality", "360p", "-o", m_out,
                        page(SampleSite::progressiveId())},
            environment()));
    }
    QSet<QString> results;
    for (const auto &run : runs) {
        QVERIFY(run->finish());
        QVERIFY2(run->process.exitStatus() == QProcess::NormalExit && run->process.exitCode() == 0,
                 qPrintable(run->describe()));
        const QStringList printed = lines(run->output);
        QCOMPARE(printed.size(), 1);
        QCOMPARE(TestTools::probeStreams(printed.first()).streamsOfType(QStringLiteral("video")).value(0).height, 360);
        results.insert(printed.first());
    }
    QCOMPARE(results.size(), 4);
    QCOMPARE(filesIn(m_out).size(), 4);
}

void TestResultIntegrity::killedRunsAreCleanedUpByALaterStart()
{
    setFolders(m_out, m_out);
    const QString longMedia = siteFile(m_manifest.page(m_manifest.singleId).formats.first().path);
    const QString second = m_root.filePath(QStringLiteral("second long.mp4"));
    QFile::remove(second);
    QVERIFY(QFile::copy(longMedia, second));
    const QStringList slowConversion{"convert", "--profile", "MKV H.265 1080p"};

    // A download and a conversion, each killed outright half-way.
    m_server.setBandwidthLimit(48 * 1024);
    CliProcess download(program(), {"download", "--allow-host", host(), page(m_manifest.singleId)}, environment());
    CliProcess conversion(program(), slowConversion + QStringList{longMedia}, environment());
    // And one more conversion that goes on.
    CliProcess running(program(), slowConversion + QStringList{second}, environment());
    auto tempsOf = [this](qint64 pid) {
        QStringList found;
        for (const QString &name : filesIn(m_out) + filesIn(m_tmp)) {
            if (Kel::RunStamp::ofName(name).contains(QStringLiteral("_%1_").arg(pid)))
                found += name;
        }
        return found;
    };
    QTRY_VERIFY2_WITH_TIMEOUT(download.output.contains("downloading") && tempsOf(download.pid()).size() >= 2,
                              qPrintable(download.describe()), 120000);
    QTRY_VERIFY2_WITH_TIMEOUT(conversion.output.contains("converting") && tempsOf(conversion.pid()).size() == 2,
                              qPrintable(conversion.describe()), 120000);
    QTRY_VERIFY2_WITH_TIMEOUT(running.output.contains("converting") && tempsOf(running.pid()).size() == 2,
                              qPrintable(running.describe()), 120000);
    const QStringList killed = tempsOf(download.pid()) + tempsOf(conversion.pid());
    download.killGroup();
    conversion.killGroup();

    // Nothing under a result's name: every file there is a stamped temporary.
    for (const QString &name : filesIn(m_out))
        QVERIFY2(Kel::RunStamp::isTemporaryName(name), qPrintable(name));
    for (const QString &name : killed)
        QVERIFY2(QFileInfo::exists(m_out + QLatin1Char('/') + name) || QFileInfo::exists(m_tmp + QLatin1Char('/') + name),
                 qPrintable(name));

    // A later start of the core removes what the killed runs left, in the
    // folders of the settings and in the temporary folder, and nothing of
    // the run that goes on.
    const QStringList kept = tempsOf(running.pid());
    CliProcess later(program(), {"profiles"}, environment());
    QVERIFY(later.finish());
    QCOMPARE(later.process.exitCode(), 0);
    QCOMPARE(tempsOf(download.pid()), QStringList());
    QCOMPARE(tempsOf(conversion.pid()), QStringList());
    QCOMPARE(tempsOf(running.pid()), kept);

    // The surviving run still ends cleanly.
    ::kill(pid_t(running.pid()), SIGINT);
    QVERIFY(running.finish());
    QCOMPARE(running.process.exitCode(), 128 + SIGINT);
    QCOMPARE(filesIn(m_out), QStringList());
    for (const QString &name : filesIn(m_tmp))
        QVERIFY2(Kel::RunStamp::ofName(name).isEmpty(), qPrintable(name));
}

void TestResultIntegrity::failedConversionKeepsTheDownload_data()
{
    QTest::addColumn<bool>("fullDisk");
    QTest::newRow("ffmpeg killed") << false;
    QTest::newRow("disk full") << true;
}

void TestResultIntegrity::failedConversionKeepsTheDownload()
{
    QFETCH(bool, fullDisk);
    std::unique_ptr<SmallDisk> disk;
    QString conversions = m_out;
    if (fullDisk) {
        disk = std::make_unique<SmallDisk>(m_root.filePath(QStringLiteral("small")));
        if (!disk->mounted)
            QSKIP(qPrintable(QStringLiteral("a small file system cannot be mounted here (it needs root): %1").arg(disk->error)));
        QVERIFY(disk->fill(16 * 1024));
        conversions = disk->path;
    }
    setFolders(m_out, conversions);
    const QString id = fullDisk ? SampleSite::progressiveId() : m_manifest.singleId;
    const QString profile = fullDisk ? QStringLiteral("MP3 Standard") : QStringLiteral("MKV H.265 1080p");
    CliProcess run(program(), {"download", "--allow-host", host(), "--convert", profile, page(id)}, environment());
    if (!fullDisk) {
        QTRY_VERIFY2_WITH_TIMEOUT(run.output.contains("converting") && !ffmpegChildren(run.pid()).isEmpty(),
                                  qPrintable(run.describe()), 120000);
        for (qint64 ffmpeg : ffmpegChildren(run.pid()))
            ::kill(pid_t(ffmpeg), SIGKILL);
    }
    QVERIFY(run.finish());
    QCOMPARE(run.process.exitCode(), 1);

    // The download stays, whole, and the error says where.
    const QStringList downloads = filesIn(m_out);
    QCOMPARE(downloads.size(), 1);
    const QString downloaded = m_out + QLatin1Char('/') + downloads.first();
    QVERIFY2(QString::fromUtf8(run.errors).contains(QStringLiteral("the downloaded file is kept: %1").arg(downloaded)),
             qPrintable(run.describe()));
    QVERIFY(TestTools::probeStreams(downloaded).hasVideo());
    // No result, broken or not.
    if (fullDisk)
        QCOMPARE(filesIn(conversions), QStringList({"filler"}));
}

QTEST_GUILESS_MAIN(TestResultIntegrity)
#include "tst_resultintegrity.moc"
