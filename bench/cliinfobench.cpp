// A whole "marlin-cli info" process against a whole process of the
// installed extractor tool of the same version, for one page.
//
//     bench_cliinfo [--runs N] [--page ID] [--program PATH] [--installed PATH]
//
// Serves the local sample site and runs, alternately, N times each
// (default 10): "marlin-cli info --no-sizes --allow-host <host> <page>" and
// the installed tool (default /usr/bin/yt-dlp) with "--dump-json
// --no-check-certificate -- <page>". Both get the installed tool's
// interpreter (its folder goes first on PATH). marlin-cli runs with a home
// of its own (MARLIN_HOME); one run before the timed ones makes the tool's
// copy there, as the first run after an installation or an update does.
// marlin-cli's median may be at most 10% above the installed tool's.
#include "support/samplesite.h"
#include "support/testhttpserver.h"
#include "support/testtools.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <vector>

#include <sys/resource.h>

#include "benchoutput.h"

namespace {

using Bench::out;
using Bench::median;

constexpr double allowedRatio = 1.10;

// Processor time of the ended children, in milliseconds: steadier than the
// clock on a busy machine.
double childrenCpuMs()
{
    struct rusage usage;
    ::getrusage(RUSAGE_CHILDREN, &usage);
    return usage.ru_utime.tv_sec * 1e3 + usage.ru_utime.tv_usec / 1e3 + usage.ru_stime.tv_sec * 1e3
           + usage.ru_stime.tv_usec / 1e3;
}

// Milliseconds of one whole process, or -1.
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

QString scriptInterpreter(const QString &script)
{
    QFile file(script);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    const QByteArray line = file.readLine().trimmed();
    return line.startsWith("#!/") ? QString::fromLocal8Bit(line.mid(2).split(' ').first()) : QString();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption runsOption(QStringLiteral("runs"), QStringLiteral("Runs of each kind."),
                                        QStringLiteral("N"), QStringLiteral("10"));
    const QCommandLineOption pageOption(QStringLiteral("page"), QStringLiteral("The sample page."),
                                        QStringLiteral("ID"), SampleSite::dashId());
    const QCommandLineOption programOption(QStringLiteral("program"), QStringLiteral("marlin-cli to time."),
                                           QStringLiteral("PATH"), TestTools::appDir() + QStringLiteral("/marlin-cli"));
    const QCommandLineOption installedOption(QStringLiteral("installed"), QStringLiteral("The installed tool."),
                                             QStringLiteral("PATH"), QStringLiteral("/usr/bin/yt-dlp"));
    parser.addOptions({runsOption, pageOption, programOption, installedOption});
    parser.process(app);
    const int runs = qMax(1, parser.value(runsOption).toInt());
    const QString program = parser.value(programOption);
    const QString installed = parser.value(installedOption);
    const QString python = scriptInterpreter(installed);
    if (!QFileInfo(program).isExecutable() || python.isEmpty()) {
        out() << "Needs " << program << " (build marlin-cli) and the installed tool " << installed << "\n";
        return 2;
    }

    TestHttpServer server;
    QString error;
    if (!SampleSite::serve(server, &error)) {
        out() << "Cannot serve the sample site: " << error << "\n";
        return 2;
    }
    const QString page = SampleSite::watchUrl(server, parser.value(pageOption)).toString();
    const QString host = QStringLiteral("127.0.0.1:%1").arg(server.port());

    QTemporaryDir home;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("PATH"),
                       QFileInfo(python).absolutePath() + QLatin1Char(':') + environment.value(QStringLiteral("PATH")));
    environment.insert(QStringLiteral("MARLIN_HOME"), home.path());
    const QStringList cliArguments{QStringLiteral("info"), QStringLiteral("--no-sizes"), QStringLiteral("--allow-host"),
                                   host, page};
    const QStringList toolArguments{QStringLiteral("--dump-json"), QStringLiteral("--no-check-certificate"),
                                    QStringLiteral("--"), page};

    const double first = timedRun(program, cliArguments, environment);
    if (first < 0)
        return 2;
    out() << "page " << page << ", " << runs << " runs of each; interpreter " << python << "\n";
    out() << QStringLiteral("first marlin-cli run (makes the tool's copy): %1 ms\n").arg(first, 0, 'f', 1);
    out().flush();

    std::vector<double> tool;
    std::vector<double> cli;
    std::vector<double> toolCpu;
    std::vector<double> cliCpu;
    for (int i = 0; i < runs; ++i) {
        for (int side = 0; side < 2; ++side) {
            const bool toolTurn = (side == 0) == (i % 2 == 0);
            const double cpuBefore = childrenCpuMs();
            const double ms = toolTurn ? timedRun(installed, toolArguments, environment)
                                       : timedRun(program, cliArguments, environment);
            if (ms < 0)
                return 2;
            (toolTurn ? tool : cli).push_back(ms);
            (toolTurn ? toolCpu : cliCpu).push_back(childrenCpuMs() - cpuBefore);
        }
        out() << QStringLiteral("run %1: installed %2 ms, marlin-cli %3 ms\n")
                     .arg(i + 1)
                     .arg(tool.back(), 0, 'f', 1)
                     .arg(cli.back(), 0, 'f', 1);
        out().flush();
    }
    server.stop();

    const double ratio = median(cli) / median(tool);
    out() << QStringLiteral("processor time: installed %1 ms, marlin-cli %2 ms, ratio %3\n")
                 .arg(median(toolCpu), 0, 'f', 1)
                 .arg(median(cliCpu), 0, 'f', 1)
                 .arg(median(cliCpu) / median(toolCpu), 0, 'f', 3);
    out() << QStringLiteral("cliinfo: installed %1 ms, marlin-cli %2 ms, ratio %3; allowed %4: %5\n")
                 .arg(median(tool), 0, 'f', 1)
                 .arg(median(cli), 0, 'f', 1)
                 .arg(ratio, 0, 'f', 3)
                 .arg(allowedRatio, 0, 'f', 2)
                 .arg(ratio <= allowedRatio ? QStringLiteral("PASS") : QStringLiteral("FAIL"));
    return ratio <= allowedRatio ? 0 : 1;
}
