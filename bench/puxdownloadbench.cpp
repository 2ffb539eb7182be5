// A large download through the downloader against the bare extractor tool.
//
//     bench_puxdownload [pairs] [mebibytes]
//
// Serves one page with a media file of about the given size (default
// 100 MiB; uncompressed video, which ffmpeg writes at once and which passes
// the downloader's check of its result) from the local test server, then
// downloads its one format alternately with
// "python3 yt.zip -f <format> -o <folder>/bare.%(ext)s -- <page>" and with a
// downloader from the library's factory into the same folder, pairs times
// (default 5). The downloader's median may be at most 5% above the bare
// tool's.
#include "shared/mediaprofile.h"
#include "shared/subtitlesetting.h"
#include "shared/toollocator.h"
#include "shared/webmediainfo.h"
#include "support/testhttpserver.h"
#include "support/testtools.h"
#include "webfetch/webmediadownloader.h"
#include "webfetch/webmediadownloaderfactory.h"
#include "webfetch/webmediainfoextractor.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <memory>
#include <vector>

#include "benchoutput.h"

namespace {

using Bench::out;

constexpr double allowedRatio = 1.05;

// Uncompressed frames of a test picture: as many as make size bytes.
bool writeMediaFile(const QString &path, qint64 size)
{
    // Small frames: a long clip, of which the check reads only the end, as of a real download.
    const qint64 frameBytes = 320 * 180 * 3 / 2;
    const TestTools::RunResult run = TestTools::run(
        TestTools::ffmpegPath(),
        {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-f"), QStringLiteral("lavfi"),
         QStringLiteral("-i"), QStringLiteral("testsrc2=size=320x180:rate=25"), QStringLiteral("-frames:v"),
         QString::number((size + frameBytes - 1) / frameBytes), QStringLiteral("-c:v"), QStringLiteral("rawvideo"),
         QStringLiteral("-pix_fmt"), QStringLiteral("yuv420p"), QStringLiteral("-y"), path},
        120000);
    if (!run.succeeded())
        out() << "ffmpeg " << run.describe() << "\n";
    return run.succeeded();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Milliseconds of one bare run, or -1.
double bareRun(const QString &python, const QString &tool, const QString &format, const QString &folder,
               const QString &page)
{
    QProcess process;
    QElapsedTimer clock;
    clock.start();
    process.start(python, {tool, QStringLiteral("-f"), format, QStringLiteral("--no-check-certificate"),
                           QStringLiteral("-o"), folder + QStringLiteral("/bare.%(ext)s"), QStringLiteral("--"), page});
    if (!process.waitForFinished(600000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        out() << "bare run failed: " << process.readAllStandardError() << "\n";
        return -1;
    }
    return double(clock.nsecsElapsed()) / 1e6;
}

// Milliseconds of one run through the downloader, or -1.
double downloaderRun(const QString &tool, const Kel::MediaProfile &profile, const QString &destination,
                     const QString &page)
{
    std::unique_ptr<Kel::WebMediaDownloader> downloader(
        Kel::WebMediaDownloaderFactory::instance()->createDownloader(tool, QDir::tempPath()));
    QEventLoop loop;
    bool ok = false;
    QObject::connect(downloader.get(), &Kel::WebMediaDownloader::finished, &loop, [&] {
        ok = true;
        loop.quit();
    });
    QObject::connect(downloader.get(), &Kel::WebMediaDownloader::error, &loop, [&](qint32 code) {
        out() << "downloader run failed: " << code << "\n";
        loop.quit();
    });
    QElapsedTimer clock;
    clock.start();
    downloader->download(page, profile, Kel::SubtitleSetting(), destination);
    loop.exec();
    const double ms = double(clock.nsecsElapsed()) / 1e6;
    return ok ? ms : -1;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int pairs = argc > 1 ? qMax(1, QString::fromLocal8Bit(argv[1]).toInt()) : 5;
    const qint64 mebibytes = argc > 2 ? qMax(1, QString::fromLocal8Bit(argv[2]).toInt()) : 100;

    const QString tool = TestTools::ytZipPath();
    const QString python = Kel::ToolLocator::pythonPath(QCoreApplication::applicationDirPath());
    if (!QFileInfo::exists(tool) || python.isEmpty()) {
        out() << "Needs python3 and " << tool << " (build the ytzip target)\n";
        return 2;
    }

    QTemporaryDir site;
    QTemporaryDir downloads;
    if (!site.isValid() || !downloads.isValid())
        return 2;
    if (!writeMediaFile(site.filePath(QStringLiteral("big.mkv")), mebibytes << 20)) {
        out() << "Cannot write the served file\n";
        return 2;
    }
    QFile page(site.filePath(QStringLiteral("watch.html")));
    if (!page.open(QIODevice::WriteOnly))
        return 2;
    page.write("<html><head><title>Large file</title></head><body>"
               "<video controls><source src=\"/big.mkv\" type=\"video/x-matroska\"></video></body></html>");
    page.close();

    TestHttpServer server;
    if (!server.start(site.path())) {
        out() << "Cannot start the local server\n";
        return 2;
    }
    const QString pageUrl = server.url(QStringLiteral("/watch.html")).toString();

    std::unique_ptr<Kel::WebMediaInfoExtractor> extractor(
        Kel::WebMediaDownloaderFactory::instance()->createExtractor(tool, QDir::tempPath()));
    const Kel::WebMediaInfo info = extractor->getMediaInfo(pageUrl);
    if (!info.isValid()) {
        out() << "No media information for " << pageUrl << ": " << info.errorText << "\n";
        return 2;
    }
    const Kel::MediaProfile profile = info.profiles.first();
    out() << "page " << pageUrl << ", format " << profile.name << ", " << mebibytes << " MiB, " << pairs
          << " pairs\n";
    out().flush();

    std::vector<double> bare;
    std::vector<double> ours;
    for (int i = 0; i < pairs; ++i) {
        // Alternate the order so that neither side always runs on a warm cache.
        for (int side = 0; side < 2; ++side) {
            const bool bareTurn = (side == 0) == (i % 2 == 0);
            if (bareTurn) {
                const double ms = bareRun(python, tool, profile.name, downloads.path(), pageUrl);
                if (ms < 0)
                    return 2;
                bare.push_back(ms);
            } else {
                const double ms =
                    downloaderRun(tool, profile, downloads.filePath(QStringLiteral("ours.mkv")), pageUrl);
                if (ms < 0)
                    return 2;
                ours.push_back(ms);
            }
            for (const QString &name : QDir(downloads.path()).entryList(QDir::Files))
                QFile::remove(downloads.filePath(name));
        }
        out() << QStringLiteral("pair %1: bare %2 ms, downloader %3 ms\n")
                     .arg(i + 1)
                     .arg(bare.back(), 0, 'f', 0)
                     .arg(ours.back(), 0, 'f', 0);
        out().flush();
    }
    server.stop();

    const double bareMedian = median(bare);
    const double oursMedian = median(ours);
    const double ratio = oursMedian / bareMedian;
    out() << QStringLiteral("download of %1 MiB: bare tool median %2 ms, downloader median %3 ms, ratio %4; "
                            "allowed %5: %6\n")
                 .arg(mebibytes)
                 .arg(bareMedian, 0, 'f', 0)
                 .arg(oursMedian, 0, 'f', 0)
                 .arg(ratio, 0, 'f', 3)
                 .arg(allowedRatio, 0, 'f', 2)
                 .arg(ratio <= allowedRatio ? QStringLiteral("PASS") : QStringLiteral("FAIL"));
    return ratio <= allowedRatio ? 0 : 1;
}
