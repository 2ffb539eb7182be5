#include "marlin/mainwindow/mainwindow.h"

#include "kelframe/kelapplication.h"
#include "kelframe/kelfolders.h"
#include "kelframe/kelpref.h"
#include "kelframe/kelproductinfo.h"
#include "kelframe/kelsignalwatcher.h"
#include "kelframe/kelskin.h"
#include "shared/kellog.h"

#include <QDir>

#include <cstdio>
#include <memory>

namespace {

QtMessageHandler defaultHandler = nullptr;

// Qt's debug and info messages are traces: they go to the diagnostic log.
void routeMessage(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtDebugMsg || type == QtInfoMsg) {
        Kel::Log::writeLog(type == QtDebugMsg ? Kel::Log::Debug : Kel::Log::Info, "", "qt",
                           context.function ? context.function : "", context.line, "%s", qUtf8Printable(message));
        return;
    }
    defaultHandler(type, context, message);
}

// Standard output belongs to whatever started the program (it waits for
// the splash line): the log goes to its file, and to standard error only
// when asked for.
void keepStandardOutputClean()
{
    bool ok = false;
    const int outputs = qgetenv("MARLIN_LOG_OUTPUTS").trimmed().toInt(&ok, 0);
    const int wanted = ok ? outputs & ~int(Kel::Log::ToStandardOutput) : int(Kel::Log::ToFile);
    qputenv("MARLIN_LOG_OUTPUTS", QByteArray::number(wanted));
}

// The single-instance identifier. A program run over another home folder
// (MARLIN_HOME: a demo, a test) has settings of its own and is a separate
// instance, so it neither joins nor disturbs the user's own.
QString instanceId()
{
    const QString id = KelProductInfo::value(QString::fromLatin1(KelProductInfo::SingletonAppIdKey));
    const QString root = Kel::folderRoot();
    return root.isEmpty() ? id : QStringLiteral("%1@%2").arg(id, root);
}

} // namespace

int main(int argc, char *argv[])
{
    keepStandardOutputClean();
    defaultHandler = qInstallMessageHandler(routeMessage);

    // The window's menus live in its header; asking the session bus for a
    // global menu bar only slows the start.
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeMenuBar);
    KelApplication app(QString(), argc, argv);
    app.setKelframeVersion(1030);

    if (!app.checkIntegrality())
        return KelApplication::reportDamagedInstallation(argc);

    QDir plugins(QCoreApplication::applicationDirPath());
    if (plugins.cd(QStringLiteral("plugins")))
        QCoreApplication::addLibraryPath(plugins.absolutePath());

    app.pref()->setTanslucentWhenSkin(false);
    app.installTranslators();
    app.initCfg(nullptr, true);

    if (app.processCmdLine(argc, argv))
        return app.cmdLineExitCode();

    if (app.isRunning(instanceId()))
        return 0;

    app.applyMacAppStoreRule();

    // Before the first widget: every widget is then styled once, not once
    // plainly and again when the skin's style sheet arrives.
    KelSkin::restoreSkin();
    auto window = std::make_unique<Tarn::MainWindow>();
    app.setMainWindow(window.get());
    app.setActivationWindow(window->widgetFrame(), true);
    QObject::connect(&app, &KelApplication::openUrlRequested, window.get(), &Tarn::MainWindow::openUrl);
    // The end of a session, a closed terminal, kill: the work in progress is
    // cancelled and its unfinished files removed before the program ends.
    KelSignalWatcher watcher;
    if (!watcher.install())
        KEL_ERROR("The signals that end the program are not watched");
    QObject::connect(&watcher, &KelSignalWatcher::signalReceived, window.get(), &Tarn::MainWindow::endRun);
    window->show(true);
    if (!app.startUrl().isEmpty())
        window->openUrl(app.startUrl());

    std::fputs("command:close splash screen\n", stdout);
    std::fflush(stdout);

    // 0 whatever the loop returned; 128 plus the signal's number when one
    // ended the run, as for any program a signal ends.
    app.exec();
    const int code = window->exitCode();
    window.reset();
    return code;
}
