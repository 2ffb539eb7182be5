// The memory the program's main window holds with an empty download list and
// with 100 finished downloads, from the local sample site.
//
//     bench_windowmemory [--items N]
//
// Builds the window as the program does, on the display of $DISPLAY (the
// benchmark runner gives it an Xvfb) or offscreen, reads the process's
// resident memory once the empty window has settled, then downloads N
// (default 100) pages and reads it again once they have finished. Every page
// is the same sample clip under its own address, so every item is a
// download of its own. The last line is "window memory: empty list <KiB> KiB,
// <N> finished items <KiB> KiB".
#include "support/samplesite.h"
#include "support/testhttpserver.h"

#include "kelframe/kelapplication.h"
#include "kelframe/kelfolders.h"
#include "kelframe/kelskin.h"
#include "marlin/download/downloadwidget.h"
#include "marlin/mainwindow/mainwindow.h"
#include "tarncore/download/appcontext.h"
#include "tarncore/download/datamanager.h"
#include "tarncore/download/downloaditem.h"
#include "tarncore/download/downloadlist.h"
#include "tarncore/download/videosite.h"
#include "tarncore/settings/settingsmanager.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <cstdio>

#include "benchoutput.h"

namespace {

using Bench::out;

qint64 residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> lines = status.readAll().split('\n');
    for (const QByteArray &line : lines) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

void settle(int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
}

// Twelve characters would not be a video id: "bench" and six digits.
QString pageId(int n)
{
    return QStringLiteral("bench%1").arg(n, 6, 10, QLatin1Char('0'));
}

} // namespace

int main(int argc, char *argv[])
{
    // The program's own settings and files stay out of it.
    QTemporaryDir home;
    qputenv("MARLIN_HOME", QFile::encodeName(home.path()));
    qputenv("MARLIN_LOG_OUTPUTS", "1");
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeMenuBar);
    KelApplication app(QString(), argc, argv);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Memory of the main window, empty and with finished items."));
    parser.addHelpOption();
    const QCommandLineOption itemsOption(QStringLiteral("items"), QStringLiteral("Downloads to finish."),
                                        QStringLiteral("N"), QStringLiteral("100"));
    parser.addOption(itemsOption);
    parser.process(app);
    const int items = qMax(1, parser.value(itemsOption).toInt());

    Tarn::AppContext::setAppDirOverride(QStringLiteral(MARLIN_APP_DIR));
    KelApplication::setTranslationsDir(QStringLiteral(MARLIN_APP_DIR "/translations"));
    KelSkin::setResourceDir(QStringLiteral(MARLIN_APP_DIR "/resource"));
    app.installTranslators();
    app.initCfg(nullptr, true);

    TestHttpServer server;
    // Every "bench" page is the progressive sample page.
    const QString sample = SampleSite::progressiveId();
    server.addRewrite(QRegularExpression(QStringLiteral("^/watch\\?v=bench[0-9]{6}$")),
                      QStringLiteral("/watch/") + sample);
    QString error;
    if (!SampleSite::serve(server, &error)) {
        out() << "the sample site did not start: " << error << "\n";
        return 2;
    }
    Tarn::VideoSite::setExtraWatchHost(QStringLiteral("127.0.0.1:%1").arg(server.port()));

    KelSkin::restoreSkin();
    Tarn::MainWindow window;
    window.show(true);
    settle(3000);
    const qint64 empty = residentKiB();

    // A box about a failed item would wait for an answer nobody gives.
    QTimer boxCloser;
    QObject::connect(&boxCloser, &QTimer::timeout, [] {
        if (QWidget *modal = QApplication::activeModalWidget())
            modal->close();
    });
    boxCloser.start(500);

    Tarn::DownloadList *list = Tarn::AppContext::instance()->getDataManager()->getDownloadList();
    int added = 0;
    int finished = 0;
    int failed = 0;
    QElapsedTimer clock;
    clock.start();
    // A few pages at a time: a hundred extractor tools at once would only
    // make the machine slow.
    while (finished + failed < items && clock.elapsed() < 30 * 60 * 1000) {
        int working = 0;
        finished = 0;
        failed = 0;
        for (int row = 0; row < list->count(); ++row) {
            const Tarn::DownloadItem *item = list->item(row);
            if (item->getStatus() == Tarn::DownloadItem::Finished)
                ++finished;
            else if (item->getStatus() == Tarn::DownloadItem::Failed)
                ++failed;
            else
                ++working;
        }
        while (working < 8 && added < items) {
            window.downloadWidget()->onDownload(SampleSite::watchQueryUrl(server, pageId(added)).toString());
            ++added;
            ++working;
        }
        settle(200);
    }
    settle(3000);
    const qint64 full = residentKiB();
    window.close();
    server.stop();

    out() << QStringLiteral("items: %1 finished, %2 failed\n").arg(finished).arg(failed);
    out() << QStringLiteral("window memory: empty list %1 KiB, %2 finished items %3 KiB\n")
                 .arg(empty)
                 .arg(finished)
                 .arg(full);
    return finished == items ? 0 : 1;
}
