// Media information through the warm extractor worker against the installed
// extractor tool of the same version started once per page.
//
//     bench_puxworker [--runs N] [--page ID] [--program PATH] [--installed PATH] [--cli-runs M]
//
// Serves the local sample site and measures, alternating with the installed
// tool (default /usr/bin/yt-dlp, "--dump-json --no-check-certificate --
// <page>", by the interpreter of its "#!" line, which Marlin is made to use
// too), N times each (default 8):
//   - the first request through the back end's extractor, with no worker
//     running: the request starts it (at most 1x the installed tool);
//   - four later requests, answered by the warm worker (at most 0.1x);
// then M times (default 5) "marlin-cli info --no-sizes" of five pages
// against five runs of the installed tool (at most 0.5x), and the memory of
// the idle worker. The tool runs from its copy in a cache folder of the
// bench's own, made before the timed runs.
#include "shared/webmediainfo.h"
#include "support/samplesite.h"
#include "support/testhttpserver.h"
#include "support/testtools.h"
#include "webfetch/puxtoolcache.h"
#include "webfetch/puxworker.h"
#include "webfetch/webmediadownloaderfactory.h"
#include "webfetch/webmediainfoextractor.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <memory>
#include <vector>

#include "benchoutput.h"

namespace {

using Bench::out;
using Bench::median;

constexpr double allowedFirstRatio = 1.0;
constexpr double allowedLaterRatio = 0.1;
constexpr double allowedCliRatio = 0.5;
constexpr int laterRequests = 4;

QString ms(double value)
{
    return QString::number(value, 'f', 1);
}

QString verdict(double ratio, double allowed)
{
    return ratio <= allowed ? QStringLiteral("PASS") : QStringLiteral("FAIL");
}

// Milliseconds of one whole process that must end with 0 and print
// something, or -1.
double timedRun(const QString &program, const QStringList &arguments, const QProcessEnvironment &environment)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setStandardInputFile(QProcess::nullDevice());
    QElapsedTimer clock;
    clock.start();
    process.start(program, arguments);
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0
        || process.readAllStandardOutput().isEmpty()) {
        out() << program << " failed: " << process.readAllStandardError() << "\n";
        return -1;
    }
    return double(clock.nsecsElapsed()) / 1e6;
}

// Milliseconds of one request through the back end, as the core makes it
// (by signal), or -1.
double backEndRequest(const QString &tool, const QString &page)
{
    std::unique_ptr<Kel::WebMediaInfoExtractor> extractor(
        Kel::WebMediaDownloaderFactory::instance()->createExtractor(tool, QDir::tempPath()));
    QEventLoop loop;
    Kel::WebMediaInfo info;
    QObject::connect(extractor.get(), &Kel::WebMediaInfoExtractor::finished, &loop,
                     [&](const Kel::WebMediaInfo &answer) {
                         info = answer;
                         loop.quit();
                     });
    QTimer::singleShot(120000, &loop, &QEventLoop::quit);
    QElapsedTimer clock;
    clock.start();
    extractor->getMediaInfoBySignal(page);
    loop.exec();
    const double elapsed = double(clock.nsecsElapsed()) / 1e6;
    if (!info.isValid()) {
        out() << "back-end request failed: " << info.errorText << "\n";
        return -1;
    }
    return elapsed;
}

QString scriptInterpreter(const QString &script)
{
    QFile file(script);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    const QByteArray line = file.readLine().trimmed();
    return line.startsWith("#!/") ? QString::fromLocal8Bit(line.mid(2).split(' ').first()) : QString();
}

// A value in kB of /proc/<pid>/<file>, or -1.
qint64 procKb(qint64 pid, const QString &file, const QByteArray &key)
{
    QFile status(QStringLiteral("/proc/%1/%2").arg(pid).arg(file));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption runsOption(QStringLiteral("runs"), QStringLiteral("Runs of each kind."),
                                        QStringLiteral("N"), QStringLiteral("8"));
    const QCommandLineOption cliRunsOption(QStringLiteral("cli-runs"), QStringLiteral("Runs of marlin-cli info."),
                                           QStringLiteral("M"), QStringLiteral("5"));
    const QCommandLineOption pageOption(QStringLiteral("page"), QStringLiteral("The sample page."),
                                        QStringLiteral("ID"), SampleSite::dashId());
    const QCommandLineOption programOption(QStringLiteral("program"), QStringLiteral("marlin-cli to time."),
                                           QStringLiteral("PATH"), TestTools::appDir() + QStringLiteral("/marlin-cli"));
    const QCommandLineOption installedOption(QStringLiteral("installed"), QStringLiteral("The installed tool."),
                                             QStringLiteral("PATH"), QStringLiteral("/usr/bin/yt-dlp"));
    parser.addOptions({runsOption, cliRunsOption, pageOption, programOption, installedOption});
    parser.process(app);
    const int runs = qMax(1, parser.value(runsOption).toInt());
    const int cliRuns = qMax(1, parser.value(cliRunsOption).toInt());
    const QString program = parser.value(programOption);
    const QString installed = parser.value(installedOption);
    const QString python = scriptInterpreter(installed);
    const QString tool = TestTools::ytZipPath();
    if (!QFileInfo(program).isExecutable() || python.isEmpty() || !QFileInfo::exists(tool)) {
        out() << "Needs " << program << " (build marlin-cli), " << tool << " and the installed tool " << installed
              << "\n";
        return 2;
    }
    // Marlin finds python3 on PATH: the installed tool's comes first.
    const QByteArray path = QFile::encodeName(QFileInfo(python).absolutePath()) + ':' + qgetenv("PATH");
    qputenv("PATH", path);

    TestHttpServer server;
    QString error;
    if (!SampleSite::serve(server, &error)) {
        out() << "Cannot serve the sample site: " << error << "\n";
        return 2;
    }
    const QString page = SampleSite::watchUrl(server, parser.value(pageOption)).toString();
    const QString host = QStringLiteral("127.0.0.1:%1").arg(server.port());
    const QStringList toolArguments{QStringLiteral("--dump-json"), QStringLiteral("--no-check-certificate"),
                                    QStringLiteral("--"), page};
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("PATH"), QString::fromLocal8Bit(path));

    // The tool's copy, as every run after the first one finds it.
    QTemporaryDir cacheRoot;
    Kel::PuxToolCache *cache = Kel::PuxToolCache::instance();
    cache->setCacheDir(cacheRoot.filePath(QStringLiteral("tool")));
    cache->toolFor(tool);
    if (!cache->waitForCopies(600000) || !cache->toolFor(tool).isCopy()) {
        out() << "The tool's copy could not be made\n";
        return 2;
    }
    Kel::PuxWorker *worker = Kel::PuxWorker::instance();
    // The script as the application directory holds it.
    worker->setScriptPath(TestTools::appDir() + QLatin1Char('/') + Kel::PuxWorker::ScriptName);
    out() << "page " << page << ", " << runs << " runs of each; interpreter " << python << "\n";
    out().flush();

    std::vector<double> installedMs;
    std::vector<double> firstMs;
    std::vector<double> laterMs;
    for (int i = 0; i < runs; ++i) {
        for (int side = 0; side < 2; ++side) {
            if ((side == 0) == (i % 2 == 0)) {
                const double elapsed = timedRun(installed, toolArguments, environment);
                if (elapsed < 0)
                    return 2;
                installedMs.push_back(elapsed);
                continue;
            }
            // No worker runs: the request starts one and waits for it.
            worker->stop();
            const double first = backEndRequest(tool, page);
            if (first < 0)
                return 2;
            firstMs.push_back(first);
            for (int later = 0; later < laterRequests; ++later) {
                const double elapsed = backEndRequest(tool, page);
                if (elapsed < 0)
                    return 2;
                laterMs.push_back(elapsed);
            }
        }
        out() << QStringLiteral("run %1: installed %2 ms, first request %3 ms, later requests %4 ms\n")
                     .arg(i + 1)
                     .arg(ms(installedMs.back()), ms(firstMs.back()), ms(laterMs.back()));
        out().flush();
    }
    if (worker->answerCount() == 0) {
        out() << "The worker answered no request: " << worker->scriptPath() << "\n";
        return 2;
    }

    // The idle worker, after its requests.
    const qint64 pid = worker->processId();
    const qint64 rssKb = procKb(pid, QStringLiteral("status"), "VmRSS:");
    const qint64 pssKb = procKb(pid, QStringLiteral("smaps_rollup"), "Pss:");
    worker->stop();

    // marlin-cli info of five pages against five runs of the installed tool.
    QStringList pages;
    for (const QString &id : {SampleSite::progressiveId(), SampleSite::dashId()})
        pages << SampleSite::watchUrl(server, id).toString();
    const SampleSite::Manifest manifest = SampleSite::manifest();
    pages << SampleSite::watchUrl(server, manifest.unicodeId).toString()
          << SampleSite::watchUrl(server, manifest.singleId).toString()
          << server.url(QStringLiteral("/watch?v=%1").arg(SampleSite::progressiveId())).toString();
    QTemporaryDir home;
    QProcessEnvironment cliEnvironment = environment;
    cliEnvironment.insert(QStringLiteral("MARLIN_HOME"), home.path());
    const QStringList cliArguments =
        QStringList{QStringLiteral("info"), QStringLiteral("--no-sizes"), QStringLiteral("--allow-host"), host} + pages;
    // The first run makes the tool's copy in the program's own cache.
    if (timedRun(program, cliArguments, cliEnvironment) < 0)
        return 2;
    std::vector<double> installedFive;
    std::vector<double> cliFive;
    for (int i = 0; i < cliRuns; ++i) {
        for (int side = 0; side < 2; ++side) {
            if ((side == 0) == (i % 2 == 0)) {
                double total = 0;
                for (const QString &each : pages) {
                    const double elapsed = timedRun(installed,
                                                    {QStringLiteral("--dump-json"),
                                                     QStringLiteral("--no-check-certificate"), QStringLiteral("--"),
                                                     each},
                                                    environment);
                    if (elapsed < 0)
                        return 2;
                    total += elapsed;
                }
                installedFive.push_back(total);
            } else {
                const double elapsed = timedRun(program, cliArguments, cliEnvironment);
                if (elapsed < 0)
                    return 2;
                cliFive.push_back(elapsed);
            }
        }
        out() << QStringLiteral("five pages, run %1: installed %2 ms, marlin-cli %3 ms\n")
                     .arg(i + 1)
                     .arg(ms(installedFive.back()), ms(cliFive.back()));
        out().flush();
    }
    server.stop();

    const double installedMedian = median(installedMs);
    const double firstRatio = median(firstMs) / installedMedian;
    const double laterRatio = median(laterMs) / installedMedian;
    const double cliRatio = median(cliFive) / median(installedFive);
    out() << QStringLiteral("worker first: installed %1 ms, first request %2 ms, ratio %3; allowed %4: %5\n")
                 .arg(ms(installedMedian), ms(median(firstMs)))
                 .arg(firstRatio, 0, 'f', 3)
                 .arg(allowedFirstRatio, 0, 'f', 2)
                 .arg(verdict(firstRatio, allowedFirstRatio));
    out() << QStringLiteral("worker later: installed %1 ms, later requests %2 ms, ratio %3; allowed %4: %5\n")
                 .arg(ms(installedMedian), ms(median(laterMs)))
                 .arg(laterRatio, 0, 'f', 3)
                 .arg(allowedLaterRatio, 0, 'f', 2)
                 .arg(verdict(laterRatio, allowedLaterRatio));
    out() << QStringLiteral("worker cli five pages: installed %1 ms, marlin-cli %2 ms, ratio %3; allowed %4: %5\n")
                 .arg(ms(median(installedFive)), ms(median(cliFive)))
                 .arg(cliRatio, 0, 'f', 3)
                 .arg(allowedCliRatio, 0, 'f', 2)
                 .arg(verdict(cliRatio, allowedCliRatio));
    out() << QStringLiteral("worker memory: idle worker RSS %1 KiB, PSS %2 KiB\n").arg(rssKb).arg(pssKb);
    cache->waitForCopies(600000);
    return firstRatio <= allowedFirstRatio && laterRatio <= allowedLaterRatio && cliRatio <= allowedCliRatio ? 0 : 1;
}
