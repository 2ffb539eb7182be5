// The start of marlin-cli up to its help text, against a bare Qt program
// that does the same: a QCoreApplication that prints a help text and ends.
//
//     bench_clistart [--runs N] [--program PATH]
//
// Runs "marlin-cli --help" and "bench_clistart --print-help" alternately,
// N times each (default 30). The last line is "start: bare Qt <ms> ms,
// marlin-cli <ms> ms, ratio <r>".
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTextStream>

#include <algorithm>
#include <vector>

#include "benchoutput.h"

namespace {

using Bench::out;
using Bench::median;

// Milliseconds from start to end of program, or -1.
double timedRun(const QString &program, const QStringList &arguments)
{
    QProcess process;
    QElapsedTimer clock;
    clock.start();
    process.start(program, arguments);
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0
        || process.readAllStandardOutput().isEmpty()) {
        out() << program << " failed: " << process.readAllStandardError() << "\n";
        return -1;
    }
    return double(clock.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Times the start of marlin-cli up to its help text."));
    parser.addHelpOption();
    const QCommandLineOption printHelpOption(QStringLiteral("print-help"),
                                             QStringLiteral("Prints this help and ends: the bare Qt program."));
    const QCommandLineOption runsOption(QStringLiteral("runs"), QStringLiteral("Runs of each kind."),
                                        QStringLiteral("N"), QStringLiteral("30"));
    const QCommandLineOption programOption(QStringLiteral("program"), QStringLiteral("marlin-cli to time."),
                                           QStringLiteral("path"), QStringLiteral(MARLIN_APP_DIR "/marlin-cli"));
    parser.addOptions({printHelpOption, runsOption, programOption});
    parser.process(app);
    if (parser.isSet(printHelpOption)) {
        out() << parser.helpText();
        return 0;
    }

    const int runs = qMax(1, parser.value(runsOption).toInt());
    const QString program = parser.value(programOption);
    if (!QFileInfo(program).isExecutable()) {
        out() << program << " is missing: build the marlin-cli target\n";
        return 2;
    }
    const QString self = QCoreApplication::applicationFilePath();

    std::vector<double> bare;
    std::vector<double> ours;
    for (int i = 0; i < runs; ++i) {
        for (int side = 0; side < 2; ++side) {
            const bool bareTurn = (side == 0) == (i % 2 == 0);
            const double ms = bareTurn ? timedRun(self, {QStringLiteral("--print-help")})
                                       : timedRun(program, {QStringLiteral("--help")});
            if (ms < 0)
                return 2;
            (bareTurn ? bare : ours).push_back(ms);
        }
    }
    out() << QStringLiteral("start: bare Qt %1 ms, marlin-cli %2 ms, ratio %3\n")
                 .arg(median(bare), 0, 'f', 1)
                 .arg(median(ours), 0, 'f', 1)
                 .arg(median(ours) / median(bare), 0, 'f', 3);
    return 0;
}
