// The start of the marlin program up to its splash line ("command:close
// splash screen", written once its window shows), against a bare Qt Widgets
// program that shows one window and prints one line; both on an X server of
// their own (Xvfb). Also the memory the program holds once it has started.
//
//     bench_windowstart [--runs N] [--program PATH]
//
// Runs both programs alternately, N times each (default 20), each ended with
// SIGTERM after its line. The last lines are "window start: bare Qt <ms> ms,
// marlin <ms> ms, ratio <r>" and "memory after the start: marlin <KiB> KiB,
// bare Qt <KiB> KiB".
#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <vector>

#include "benchoutput.h"

namespace {

using Bench::out;
using Bench::median;

// The bare program: one window, one line, then it runs until it is ended.
int minimalWindow(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // At the size its text asks for, as any window with text is laid out
    // before it shows.
    QLabel window(QStringLiteral("Hello"));
    window.show();
    std::fputs("command:close splash screen\n", stdout);
    std::fflush(stdout);
    return app.exec();
}

// An X server of our own on a free display, or nothing when Xvfb is missing.
class Xvfb
{
public:
    bool start()
    {
        m_process.setProcessChannelMode(QProcess::SeparateChannels);
        m_process.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"),
                                                 QStringLiteral("-screen"), QStringLiteral("0"),
                                                 QStringLiteral("1280x800x24"), QStringLiteral("-nolisten"),
                                                 QStringLiteral("tcp")});
        if (!m_process.waitForStarted(10000))
            return false;
        QByteArray line;
        QElapsedTimer clock;
        clock.start();
        while (!line.contains('\n') && clock.elapsed() < 20000) {
            m_process.waitForReadyRead(1000);
            line += m_process.readAllStandardOutput();
        }
        m_display = QStringLiteral(":") + QString::fromLatin1(line.trimmed());
        return line.contains('\n');
    }
    ~Xvfb()
    {
        m_process.terminate();
        m_process.waitForFinished(5000);
    }
    QString display() const { return m_display; }

private:
    QProcess m_process;
    QString m_display;
};

struct Run
{
    double ms = -1;
    qint64 rssKiB = -1;
};

qint64 residentKiB(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> lines = status.readAll().split('\n');
    for (const QByteArray &line : lines) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

// Milliseconds from the start to the splash line; the memory after settle
// milliseconds more when asked.
Run timedRun(const QString &program, const QStringList &arguments, const QProcessEnvironment &env, int settleMs)
{
    Run run;
    QProcess process;
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::SeparateChannels);
    QElapsedTimer clock;
    clock.start();
    process.start(program, arguments);
    QByteArray output;
    while (!output.contains("command:close splash screen\n") && clock.elapsed() < 60000) {
        if (!process.waitForReadyRead(1000) && process.state() != QProcess::Running)
            break;
        output += process.readAllStandardOutput();
    }
    if (output.contains("command:close splash screen\n")) {
        run.ms = double(clock.nsecsElapsed()) / 1e6;
        if (settleMs > 0) {
            QThread::msleep(settleMs);
            run.rssKiB = residentKiB(process.processId());
        }
    } else {
        out() << program << " printed no splash line: " << process.readAllStandardError() << "\n";
    }
    if (process.state() == QProcess::Running) {
        ::kill(pid_t(process.processId()), SIGTERM);
        if (!process.waitForFinished(15000)) {
            process.kill();
            process.waitForFinished(5000);
        }
    }
    return run;
}

} // namespace

int main(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        if (qstrcmp(argv[i], "--minimal-window") == 0)
            return minimalWindow(argc, argv);
    }

    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Times the start of marlin up to its splash line."));
    parser.addHelpOption();
    const QCommandLineOption minimalOption(QStringLiteral("minimal-window"),
                                           QStringLiteral("Shows one window and prints one line: the bare program."));
    const QCommandLineOption runsOption(QStringLiteral("runs"), QStringLiteral("Runs of each kind."),
                                        QStringLiteral("N"), QStringLiteral("20"));
    const QCommandLineOption programOption(QStringLiteral("program"), QStringLiteral("marlin to time."),
                                           QStringLiteral("path"), QStringLiteral(MARLIN_APP_DIR "/marlin"));
    parser.addOptions({minimalOption, runsOption, programOption});
    parser.process(app);

    const int runs = qMax(1, parser.value(runsOption).toInt());
    const QString program = parser.value(programOption);
    if (!QFileInfo(program).isExecutable()) {
        out() << program << " is missing: build the marlin target\n";
        return 2;
    }
    Xvfb xvfb;
    if (!xvfb.start()) {
        out() << "Xvfb did not start\n";
        return 2;
    }
    QTemporaryDir home;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), xvfb.display());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    // The user's own settings and instance stay out of it.
    env.insert(QStringLiteral("MARLIN_HOME"), home.path());
    const QString self = QCoreApplication::applicationFilePath();

    // One start of each first: the files are in the page cache for all.
    timedRun(self, {QStringLiteral("--minimal-window")}, env, 0);
    timedRun(program, {}, env, 0);

    std::vector<double> bare;
    std::vector<double> ours;
    for (int i = 0; i < runs; ++i) {
        for (int side = 0; side < 2; ++side) {
            const bool bareTurn = (side == 0) == (i % 2 == 0);
            const Run run = bareTurn ? timedRun(self, {QStringLiteral("--minimal-window")}, env, 0)
                                     : timedRun(program, {}, env, 0);
            if (run.ms < 0)
                return 2;
            (bareTurn ? bare : ours).push_back(run.ms);
        }
    }
    const Run bareMemory = timedRun(self, {QStringLiteral("--minimal-window")}, env, 2000);
    const Run memory = timedRun(program, {}, env, 2000);

    out() << QStringLiteral("window start: bare Qt %1 ms, marlin %2 ms, ratio %3\n")
                 .arg(median(bare), 0, 'f', 1)
                 .arg(median(ours), 0, 'f', 1)
                 .arg(median(ours) / median(bare), 0, 'f', 3);
    out() << QStringLiteral("memory after the start: marlin %1 KiB, bare Qt %2 KiB\n")
                 .arg(memory.rssKiB)
                 .arg(bareMemory.rssKiB);
    return median(ours) / median(bare) <= 1.5 ? 0 : 1;
}
