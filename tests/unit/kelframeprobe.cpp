// A second program for the framework tests: a later start of the
// application (single instance, command line) and a window-less process
// that asks for the user's folders.
//
// KELFRAME_PROBE_MODE:
//   "start" (default)  the program's start-up order; prints "running" and
//                      ends with 3 when another instance holds the
//                      identifier, else prints "primary"
//   "hold"             like start, then stays, printing "ready" and every
//                      message as "message:<text>"; the message "quit" ends it
//   "paths"            QCoreApplication only: prints the folders and the
//                      default preference file, one per line
// KELFRAME_PROBE_ID    the single-instance identifier (else the product's)

#include "kelframe/kelapplication.h"
#include "kelframe/kelfolders.h"
#include "kelframe/kelpref.h"
#include "kelframe/kelproductinfo.h"

#include <QCoreApplication>

#include <cstdio>

namespace {

void say(const QString &line)
{
    std::fputs(qUtf8Printable(line + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
}

int printPaths(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    say(Kel::appDataPath());
    say(Kel::tempPath());
    say(Kel::videoPath());
    say(Kel::configPath());
    KelPref::instance()->setValue(QStringLiteral("probe/written"), 42, true);
    say(KelPref::instance()->fileName());
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    const QByteArray mode = qgetenv("KELFRAME_PROBE_MODE");
    if (mode == "paths")
        return printPaths(argc, argv);

    KelApplication app(QString(), argc, argv);
    app.initCfg(nullptr, true);
    if (app.processCmdLine(argc, argv))
        return app.cmdLineExitCode();
    QString id = qEnvironmentVariable("KELFRAME_PROBE_ID");
    if (id.isEmpty())
        id = KelProductInfo::value(QString::fromLatin1(KelProductInfo::SingletonAppIdKey));
    if (app.isRunning(id)) {
        say(QStringLiteral("running"));
        return 3;
    }
    say(QStringLiteral("primary"));
    if (mode != "hold")
        return 0;
    QObject::connect(&app, &KelApplication::messageReceived, &app, [&app](const QString &message) {
        say(QStringLiteral("message:") + message);
        if (message == QLatin1String("quit"))
            app.quit();
    });
    say(QStringLiteral("ready"));
    return app.exec();
}
