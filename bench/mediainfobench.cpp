// The media information of one page through the back end's extractor
// against the bare extractor tool run with the same arguments.
//
//     bench_mediainfo [--runs N] [--page ID]
//
// Serves the local sample site, then asks for the page's information
// alternately with "python3 yt.zip --dump-json --no-check-certificate --
// <page>" and with an extractor from the library's factory, N times each
// (default 8). The extractor's median may be at most 5% above the bare
// tool's. The last line is "mediainfo: bare <ms> ms, back end <ms> ms,
// ratio <r>".
#include "shared/toollocator.h"
#include "shared/webmediainfo.h"
#include "support/samplesite.h"
#include "support/testhttpserver.h"
#include "support/testtools.h"
#include "webfetch/webmediadownloaderfactory.h"
#include "webfetch/webmediainfoextractor.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTextStream>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

constexpr double allowedRatio = 1.05;

QTextStream &out()
{
    static QTextStream stream(stdout);
    return stream;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

// Milliseconds of one bare run, or -1.
double bareRun(const QString &python, const QString &tool, const QString &page)
{
    QProcess process;
    QElapsedTimer clock;
    clock.start();
    process.start(python, {tool, QStringLiteral("--dump-json"), QStringLiteral("--no-check-certificate"),
                           QStringLiteral("--"), page});
    process.closeWriteChannel();
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        out() << "bare run failed: " << process.readAllStandardError() << "\n";
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
    parser.addOptions({runsOption, pageOption});
    parser.process(app);
    const int runs = qMax(1, parser.value(runsOption).toInt());

    const QString tool = TestTools::ytZipPath();
    const QString python = Kel::ToolLocator::pythonPath(QCoreApplication::applicationDirPath());
    if (!QFileInfo::exists(tool) || python.isEmpty()) {
        out() << "Needs python3 and " << tool << " (build the ytzip target)\n";
        return 2;
    }
    TestHttpServer server;
    QString error;
    if (!SampleSite::serve(server, &error)) {
        out() << "Cannot serve the sample site: " << error << "\n";
        return 2;
    }
    const QString page = SampleSite::watchUrl(server, parser.value(pageOption)).toString();
    out() << "page " << page << ", " << runs << " runs of each\n";
    out().flush();

    std::vector<double> bare;
    std::vector<double> ours;
    for (int i = 0; i < runs; ++i) {
        // Alternate the order so that neither side always runs on a warm cache.
        for (int side = 0; side < 2; ++side) {
            const bool bareTurn = (side == 0) == (i % 2 == 0);
            const double ms = bareTurn ? bareRun(python, tool, page) : backEndRun(tool, page);
            if (ms < 0)
                return 2;
            (bareTurn ? bare : ours).push_back(ms);
        }
        out() << QStringLiteral("run %1: bare %2 ms, back end %3 ms\n")
                     .arg(i + 1)
                     .arg(bare.back(), 0, 'f', 1)
                     .arg(ours.back(), 0, 'f', 1);
        out().flush();
    }
    server.stop();

    const double ratio = median(ours) / median(bare);
    out() << QStringLiteral("mediainfo: bare %1 ms, back end %2 ms, ratio %3; allowed %4: %5\n")
                 .arg(median(bare), 0, 'f', 1)
                 .arg(median(ours), 0, 'f', 1)
                 .arg(ratio, 0, 'f', 3)
                 .arg(allowedRatio, 0, 'f', 2)
                 .arg(ratio <= allowedRatio ? QStringLiteral("PASS") : QStringLiteral("FAIL"));
    return ratio <= allowedRatio ? 0 : 1;
}
