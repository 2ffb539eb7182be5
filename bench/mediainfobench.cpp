// The media information of one page through the back end's extractor,
// against the installed extractor tool of the same version and against the
// bare archive, all run by the same interpreter.
//
//     bench_mediainfo [--runs N] [--page ID] [--installed PATH] [--first-runs M]
//
// Serves the local sample site and runs, in turn, N times each (default 8):
//   - the installed tool (default /usr/bin/yt-dlp, Debian's package) with
//     "--dump-json --no-check-certificate -- <page>", by the interpreter of
//     its "#!" line, which the back end is made to use too (its folder goes
//     first on PATH);
//   - the bare archive: "python3 yt.zip" with the same arguments;
//   - an extractor from the library's factory, which runs the archive's
//     unpacked copy from a cache folder of its own.
// The back end's median may be at most 2% above the installed tool's and 5%
// above the bare archive's. Also reported: the first request after an update
// (the archive runs while its copy is made; M times, default 3, each with an
// empty cache) and the cost of checking the copy before a run.
#include "shared/toollocator.h"
#include "shared/webmediainfo.h"
#include "support/samplesite.h"
#include "support/testhttpserver.h"
#include "support/testtools.h"
#include "webfetch/puxtoolcache.h"
#include "webfetch/webmediadownloaderfactory.h"
#include "webfetch/webmediainfoextractor.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <memory>
#include <vector>

#include <sys/resource.h>

#include "benchoutput.h"

namespace {

using Bench::out;
using Bench::median;

constexpr double allowedBareRatio = 1.05;
constexpr double allowedInstalledRatio = 1.02;

// Processor time of this process and its ended children, in milliseconds:
// steadier than the clock on a busy machine.
double cpuMs()
{
    double total = 0;
    for (const int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
        struct rusage usage;
        ::getrusage(who, &usage);
        total += usage.ru_utime.tv_sec * 1e3 + usage.ru_utime.tv_usec / 1e3 + usage.ru_stime.tv_sec * 1e3
                 + usage.ru_stime.tv_usec / 1e3;
    }
    return total;
}

// Milliseconds of one run of python with arguments, or -1.
double toolRun(const QString &python, const QStringList &arguments)
{
    QProcess process;
    QElapsedTimer clock;
    clock.start();
    process.start(python, arguments);
    process.closeWriteChannel();
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        out() << "run of " << arguments.join(QLatin1Char(' ')) << " failed: " << process.readAllStandardError()
              << "\n";
        return -1;
    }
    const QByteArray document = process.readAllStandardOutput();
    const double ms = double(clock.nsecsElapsed()) / 1e6;
    return document.isEmpty() ? -1 : ms;
}

// Milliseconds of one run through the back end, or -1.
double backEndRun(const QString &tool, const QString &page)
{
    std::unique_ptr<Kel::WebMediaInfoExtractor> extractor(
        Kel::WebMediaDownloaderFactory::instance()->createExtractor(tool, QDir::tempPath()));
    QElapsedTimer clock;
    clock.start();
    const Kel::WebMediaInfo info = extractor->getMediaInfo(page);
    const double ms = double(clock.nsecsElapsed()) / 1e6;
    if (!info.isValid()) {
        out() << "back-end run failed: " << info.errorText << "\n";
        return -1;
    }
    return ms;
}

// The interpreter named by a script's "#!" line, or empty.
QString scriptInterpreter(const QString &script)
{
    QFile file(script);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    const QByteArray line = file.readLine().trimmed();
    if (!line.startsWith("#!/"))
        return QString();
    const QList<QByteArray> words = line.mid(2).split(' ');
    return QString::fromLocal8Bit(words.first());
}

QString versionOf(const QString &python, const QString &tool)
{
    const TestTools::RunResult run = TestTools::run(python, {tool, QStringLiteral("--version")});
    return run.succeeded() ? QString::fromUtf8(run.standardOutput).trimmed() : QStringLiteral("?");
}

QString ms(double value)
{
    return QString::number(value, 'f', 1);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption runsOption(QStringLiteral("runs"), QStringLiteral("Runs of each kind."),
                                        QStringLiteral("N"), QStringLiteral("8"));
    const QCommandLineOption pageOption(QStringLiteral("page"), QStringLiteral("The sample page."),
                                        QStringLiteral("ID"), SampleSite::dashId());
    const QCommandLineOption installedOption(QStringLiteral("installed"), QStringLiteral("The installed tool."),
                                             QStringLiteral("PATH"), QStringLiteral("/usr/bin/yt-dlp"));
    const QCommandLineOption firstRunsOption(QStringLiteral("first-runs"),
                                             QStringLiteral("First requests after an update."), QStringLiteral("M"),
                                             QStringLiteral("3"));
    parser.addOptions({runsOption, pageOption, installedOption, firstRunsOption});
    parser.process(app);
    const int runs = qMax(1, parser.value(runsOption).toInt());
    const int firstRuns = qMax(0, parser.value(firstRunsOption).toInt());

    const QString tool = TestTools::ytZipPath();
    const QString installed = parser.value(installedOption);
    const QString installedPython = scriptInterpreter(installed);
    if (installedPython.isEmpty() || !QFileInfo(installedPython).isExecutable()) {
        out() << "Needs the installed tool " << installed << " (apt-get install yt-dlp)\n";
        return 2;
    }
    // The back end finds python3 on PATH: the installed tool's comes first.
    qputenv("PATH", QFile::encodeName(QFileInfo(installedPython).absolutePath()) + ':' + qgetenv("PATH"));
    const QString python = Kel::ToolLocator::pythonPath(QCoreApplication::applicationDirPath());
    if (!QFileInfo::exists(tool) || python.isEmpty()) {
        out() << "Needs python3 and " << tool << " (build the ytzip target)\n";
        return 2;
    }
    out() << "interpreter " << python << " (installed tool: " << installedPython << ")\n";
    out() << "versions: archive " << versionOf(python, tool) << ", installed " << versionOf(python, installed) << "\n";

    TestHttpServer server;
    QString error;
    if (!SampleSite::serve(server, &error)) {
        out() << "Cannot serve the sample site: " << error << "\n";
        return 2;
    }
    const QString page = SampleSite::watchUrl(server, parser.value(pageOption)).toString();
    out() << "page " << page << ", " << runs << " runs of each\n";
    out().flush();

    QTemporaryDir cacheRoot;
    Kel::PuxToolCache *cache = Kel::PuxToolCache::instance();

    // The first request after an update: the archive runs while its copy
    // is made beside it.
    std::vector<double> firstRequest;
    std::vector<double> copyReady;
    for (int i = 0; i < firstRuns; ++i) {
        cache->setCacheDir(cacheRoot.filePath(QStringLiteral("first-%1").arg(i)));
        QElapsedTimer clock;
        clock.start();
        const double request = backEndRun(tool, page);
        if (request < 0 || !cache->waitForCopies(600000))
            return 2;
        firstRequest.push_back(request);
        copyReady.push_back(double(clock.nsecsElapsed()) / 1e6);
    }

    cache->setCacheDir(cacheRoot.filePath(QStringLiteral("tool")));
    cache->toolFor(tool);
    if (!cache->waitForCopies(600000) || !cache->toolFor(tool).isCopy()) {
        out() << "The tool's copy was not made; see the diagnostic log\n";
        return 2;
    }
    // What each run pays to learn that its copy is there and intact.
    std::vector<double> checks;
    const double checksCpuBefore = cpuMs();
    const int checkRuns = 200;
    for (int i = 0; i < checkRuns; ++i) {
        QElapsedTimer clock;
        clock.start();
        cache->toolFor(tool);
        checks.push_back(double(clock.nsecsElapsed()) / 1e3);
    }
    const double checkCpuUs = (cpuMs() - checksCpuBefore) * 1e3 / checkRuns;

    const QStringList arguments{QStringLiteral("--dump-json"), QStringLiteral("--no-check-certificate"),
                                QStringLiteral("--"), page};
    std::vector<double> installedTimes;
    std::vector<double> bare;
    std::vector<double> ours;
    std::vector<double> installedCpu;
    std::vector<double> oursCpu;
    for (int i = 0; i < runs; ++i) {
        // A different order each time, so that no side always runs first.
        for (int side = 0; side < 3; ++side) {
            const int kind = (side + i) % 3;
            const double cpuBefore = cpuMs();
            const double t = kind == 0   ? toolRun(python, QStringList{installed} + arguments)
                             : kind == 1 ? toolRun(python, QStringList{tool} + arguments)
                                         : backEndRun(tool, page);
            if (t < 0)
                return 2;
            (kind == 0 ? installedTimes : kind == 1 ? bare : ours).push_back(t);
            if (kind != 1)
                (kind == 0 ? installedCpu : oursCpu).push_back(cpuMs() - cpuBefore);
        }
        out() << QStringLiteral("run %1: installed %2 ms, bare %3 ms, back end %4 ms\n")
                     .arg(i + 1)
                     .arg(ms(installedTimes.back()), ms(bare.back()), ms(ours.back()));
        out().flush();
    }
    server.stop();

    const double bareRatio = median(ours) / median(bare);
    const double installedRatio = median(ours) / median(installedTimes);
    const auto verdict = [](double ratio, double allowed) {
        return ratio <= allowed ? QStringLiteral("PASS") : QStringLiteral("FAIL");
    };
    if (firstRuns > 0)
        out() << QStringLiteral("first run after an update: request %1 ms, copy ready %2 ms\n")
                     .arg(ms(median(firstRequest)), ms(median(copyReady)));
    out() << QStringLiteral("copy check: %1 us per request (processor %2 us)\n")
                 .arg(ms(median(checks)), ms(checkCpuUs));
    out() << QStringLiteral("processor time: installed %1 ms, back end %2 ms, ratio %3\n")
                 .arg(ms(median(installedCpu)), ms(median(oursCpu)))
                 .arg(median(oursCpu) / median(installedCpu), 0, 'f', 3);
    out() << QStringLiteral("installed: installed %1 ms, back end %2 ms, ratio %3; allowed %4: %5\n")
                 .arg(ms(median(installedTimes)), ms(median(ours)))
                 .arg(installedRatio, 0, 'f', 3)
                 .arg(allowedInstalledRatio, 0, 'f', 2)
                 .arg(verdict(installedRatio, allowedInstalledRatio));
    out() << QStringLiteral("mediainfo: bare %1 ms, back end %2 ms, ratio %3; allowed %4: %5\n")
                 .arg(ms(median(bare)), ms(median(ours)))
                 .arg(bareRatio, 0, 'f', 3)
                 .arg(allowedBareRatio, 0, 'f', 2)
                 .arg(verdict(bareRatio, allowedBareRatio));
    return bareRatio <= allowedBareRatio && installedRatio <= allowedInstalledRatio ? 0 : 1;
}
