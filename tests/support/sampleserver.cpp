// Serves the sample video site on 127.0.0.1 until it is told to stop:
//
//   marlin-sample-server [--port N] [--bandwidth BYTES_PER_SECOND] [--until-stdin-closes]
//
// Prints the base address ("http://127.0.0.1:<port>") as one line on
// standard output once it listens, then runs until SIGINT or SIGTERM, or,
// with --until-stdin-closes, until its standard input reaches its end (so a
// script that dies still stops it).

#include "support/samplesite.h"
#include "support/testhttpserver.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <memory>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    // Nothing useful can be done when the pipe is full: a byte is already there.
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
}

bool installSignalHandlers()
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0)
        return false;
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    return ::sigaction(SIGINT, &action, nullptr) == 0 && ::sigaction(SIGTERM, &action, nullptr) == 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("marlin-sample-server"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Serves the local sample video site on 127.0.0.1."));
    parser.addHelpOption();
    const QCommandLineOption portOption(QStringLiteral("port"), QStringLiteral("Port to listen on; 0 picks a free one."),
                                        QStringLiteral("port"), QStringLiteral("0"));
    const QCommandLineOption bandwidthOption(QStringLiteral("bandwidth"),
                                             QStringLiteral("Bytes per second per connection; 0 is unlimited."),
                                             QStringLiteral("bytes"), QStringLiteral("0"));
    const QCommandLineOption stdinOption(QStringLiteral("until-stdin-closes"),
                                         QStringLiteral("Stop when standard input reaches its end."));
    parser.addOption(portOption);
    parser.addOption(bandwidthOption);
    parser.addOption(stdinOption);
    parser.process(app);

    bool portOk = false;
    const uint port = parser.value(portOption).toUInt(&portOk);
    bool bandwidthOk = false;
    const qint64 bandwidth = parser.value(bandwidthOption).toLongLong(&bandwidthOk);
    if (!portOk || port > 65535 || !bandwidthOk || bandwidth < 0) {
        std::fprintf(stderr, "marlin-sample-server: invalid --port or --bandwidth\n");
        return 2;
    }

    if (!installSignalHandlers()) {
        std::perror("marlin-sample-server: signal handlers");
        return 1;
    }
    QSocketNotifier signalNotifier(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&signalNotifier, &QSocketNotifier::activated, &app, &QCoreApplication::quit);

    QString error;
    const QString site = SampleSite::ensure(&error);
    if (site.isEmpty()) {
        std::fprintf(stderr, "marlin-sample-server: %s\n", qPrintable(error));
        return 1;
    }
    TestHttpServer server;
    server.setBandwidthLimit(bandwidth);
    SampleSite::addWatchRewrite(server);
    if (!server.start(site, quint16(port))) {
        std::fprintf(stderr, "marlin-sample-server: cannot listen on 127.0.0.1:%u\n", port);
        return 1;
    }

    std::unique_ptr<QSocketNotifier> stdinNotifier;
    if (parser.isSet(stdinOption)) {
        stdinNotifier = std::make_unique<QSocketNotifier>(STDIN_FILENO, QSocketNotifier::Read);
        QObject::connect(stdinNotifier.get(), &QSocketNotifier::activated, &app, [&app, &stdinNotifier] {
            char buffer[4096];
            const ssize_t count = ::read(STDIN_FILENO, buffer, sizeof buffer);
            if (count <= 0) {
                stdinNotifier->setEnabled(false);
                app.quit();
            }
        });
    }

    std::fprintf(stderr, "marlin-sample-server: serving %s\n", qPrintable(site));
    std::printf("%s\n", qPrintable(server.baseUrl().toString()));
    std::fflush(stdout);

    const int status = app.exec();
    server.stop();
    return status;
}
