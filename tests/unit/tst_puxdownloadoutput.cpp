// What the extractor tool prints while it downloads: destination and
// progress lines, cut into lines across reads, and the progress of a whole
// download made of one or two runs.
#include "shared/linebuffer.h"
#include "webfetch/puxoutputparser.h"
#include "webfetch/puxprogresstracker.h"

#include <QFile>
#include <QFileInfo>
#include <QtTest/QtTest>

using Kel::Progress;
using Kel::LineBuffer;
using Kel::PuxOutputParser;
using Kel::PuxProgressTracker;
using Line = Kel::PuxOutputParser::DownloadLine;

Q_DECLARE_METATYPE(Line::Kind)

namespace {

struct Summary
{
    QStringList paths;
    int progressLines = 0;
    Line lastProgress;
};

// Feeds text through a line buffer in pieces of the given size, as reads
// from a pipe would come.
Summary feed(const QByteArray &text, int pieceSize)
{
    Summary summary;
    LineBuffer buffer;
    auto take = [&summary](const QStringList &lines) {
        for (const QString &line : lines) {
            // The fixtures' own notes, not the tool's output.
            if (line.startsWith(QLatin1Char('#')))
                continue;
            const Line parsed = PuxOutputParser::parseDownloadLine(line);
            if (parsed.kind == Line::Destination || parsed.kind == Line::AlreadyDownloaded) {
                summary.paths += parsed.path;
            } else if (parsed.kind == Line::Progress) {
                ++summary.progressLines;
                summary.lastProgress = parsed;
            }
        }
    };
    for (int i = 0; i < text.size(); i += pieceSize)
        take(buffer.append(text.mid(i, pieceSize)));
    take(buffer.flush());
    return summary;
}

} // namespace

class TestPuxDownloadOutput : public QObject
{
    Q_OBJECT

private slots:
    // Single lines
    void downloadLine_data();
    void downloadLine();
    // Lines across reads
    void lineSplitAcrossReads();
    void carriageReturnsEndLines();
    void flushGivesTheUnfinishedLine();
    void toolOutputInAnyPieces_data();
    void toolOutputInAnyPieces();
    // Real console logs
    void realConsoleLogs_data();
    void realConsoleLogs();
    // Progress of a whole download
    void oneRunReportsAsIs();
    void unknownTotalReportsNothing();
    void twoRunsNeverGoBack_data();
    void twoRunsNeverGoBack();
    void twoRunsGrowExpectedSize();
};

void TestPuxDownloadOutput::downloadLine_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<Line::Kind>("kind");
    QTest::addColumn<QString>("path");
    QTest::addColumn<qint64>("total");
    QTest::addColumn<qint64>("finish");
    QTest::addColumn<qint64>("speed");

    QTest::newRow("destination") << "[download] Destination: /tmp/a b/{x}PUXTMP_.mp4" << Line::Destination
                                 << "/tmp/a b/{x}PUXTMP_.mp4" << qint64(0) << qint64(0) << qint64(0);
    QTest::newRow("subtitle destination") << "[download] Destination: /v/xPUXTMP_.en.vtt" << Line::Destination
                                          << "/v/xPUXTMP_.en.vtt" << qint64(0) << qint64(0) << qint64(0);
    QTest::newRow("already downloaded") << "[download] /v/xPUXTMP_.mp4 has already been downloaded"
                                        << Line::AlreadyDownloaded << "/v/xPUXTMP_.mp4" << qint64(0) << qint64(0)
                                        << qint64(0);
    QTest::newRow("12.5% of 40MiB") << "[download]  12.5% of 40.00MiB at 1.00MiB/s ETA 00:35" << Line::Progress
                                    << "" << qint64(41943040) << qint64(5242880) << qint64(1048576);
    QTest::newRow("padded") << "[download]   1.5% of   64.60KiB at   58.33MiB/s ETA 00:00" << Line::Progress << ""
                            << qint64(66150) << qint64(992) << qint64(61163438);
    QTest::newRow("fragments") << "[download]  50.0% of 10.00MiB at 2.00MiB/s ETA 00:02 (frag 3/6)"
                               << Line::Progress << "" << qint64(10485760) << qint64(5242880) << qint64(2097152);
    QTest::newRow("bytes") << "[download] 100.0% of 50.00B at 500B/s ETA 00:00" << Line::Progress << ""
                           << qint64(50) << qint64(50) << qint64(500);
    QTest::newRow("estimate") << "[download]  12.5% of ~40.00MiB at 1.00MiB/s ETA 00:35" << Line::Other << ""
                              << qint64(0) << qint64(0) << qint64(0);
    QTest::newRow("padded estimate") << "[download]   0.0% of ~   4.95MiB at  0.00B/s ETA Unknown (frag 0/8)"
                                     << Line::Other << "" << qint64(0) << qint64(0) << qint64(0);
    QTest::newRow("unknown speed") << "[download]   4.6% of   64.60KiB at  Unknown B/s ETA Unknown" << Line::Other
                                   << "" << qint64(0) << qint64(0) << qint64(0);
    QTest::newRow("summary") << "[download] 100% of   64.60KiB in 00:00:00 at 22.64MiB/s" << Line::Other << ""
                             << qint64(0) << qint64(0) << qint64(0);
    QTest::newRow("subtitle notice") << "[info] Writing video subtitles to: /v/x.en.vtt" << Line::Other << ""
                                     << qint64(0) << qint64(0) << qint64(0);
    QTest::newRow("archive") << "[download] Some title 10/04/2021 has already been recorded in the archive"
                             << Line::Other << "" << qint64(0) << qint64(0) << qint64(0);
}

void TestPuxDownloadOutput::downloadLine()
{
    QFETCH(QString, line);
    QFETCH(Line::Kind, kind);
    QFETCH(QString, path);
    QFETCH(qint64, total);
    QFETCH(qint64, finish);
    QFETCH(qint64, speed);
    const Line parsed = PuxOutputParser::parseDownloadLine(line);
    QCOMPARE(parsed.kind, kind);
    QCOMPARE(parsed.path, path);
    if (kind == Line::Progress) {
        QCOMPARE(parsed.total, total);
        QCOMPARE(parsed.finish, finish);
        QCOMPARE(parsed.speed, speed);
    }
}

void TestPuxDownloadOutput::lineSplitAcrossReads()
{
    LineBuffer buffer;
    QVERIFY(buffer.append("[download] Destination: /tmp/long fol").isEmpty());
    QVERIFY(buffer.append("der/{abc}PUXTMP_").isEmpty());
    const QStringList lines = buffer.append(".mp4\n[download]   1.0% of");
    QCOMPARE(lines, QStringList({"[download] Destination: /tmp/long folder/{abc}PUXTMP_.mp4"}));
    QCOMPARE(PuxOutputParser::parseDownloadLine(lines.first()).path, QStringLiteral("/tmp/long folder/{abc}PUXTMP_.mp4"));
    const QStringList rest = buffer.append(" 10.00MiB at 1.00MiB/s ETA 00:09\r");
    QCOMPARE(rest.size(), 1);
    const Line progress = PuxOutputParser::parseDownloadLine(rest.first());
    QCOMPARE(progress.kind, Line::Progress);
    QCOMPARE(progress.total, qint64(10485760));
    QVERIFY(buffer.isEmpty());
}

void TestPuxDownloadOutput::carriageReturnsEndLines()
{
    LineBuffer buffer;
    const QStringList lines = buffer.append("\r[download]  10.0% of 1.00MiB at 1.00KiB/s ETA 00:10"
                                            "\r[download]  20.0% of 1.00MiB at 1.00KiB/s ETA 00:09\r\n"
                                            "[download] Destination: /v/a.mp4\r\n");
    QCOMPARE(lines.size(), 3);
    QCOMPARE(PuxOutputParser::parseDownloadLine(lines.at(0)).finish, qint64(104857));
    QCOMPARE(PuxOutputParser::parseDownloadLine(lines.at(1)).finish, qint64(209715));
    QCOMPARE(PuxOutputParser::parseDownloadLine(lines.at(2)).path, QStringLiteral("/v/a.mp4"));
}

void TestPuxDownloadOutput::flushGivesTheUnfinishedLine()
{
    LineBuffer buffer;
    QVERIFY(buffer.append("[download] /v/a.mp4 has already been downloaded").isEmpty());
    const QStringList last = buffer.flush();
    QCOMPARE(last.size(), 1);
    QCOMPARE(PuxOutputParser::parseDownloadLine(last.first()).kind, Line::AlreadyDownloaded);
    QVERIFY(buffer.flush().isEmpty());
}

void TestPuxDownloadOutput::toolOutputInAnyPieces_data()
{
    QTest::addColumn<int>("pieceSize");
    for (int size : {1, 2, 3, 7, 16, 61, 4096})
        QTest::newRow(qPrintable(QStringLiteral("%1 bytes").arg(size))) << size;
}

void TestPuxDownloadOutput::toolOutputInAnyPieces()
{
    QFETCH(int, pieceSize);
    // What the tool prints for a page with two subtitles, its bars redrawn
    // with carriage returns.
    const QByteArray output = "[info] Writing video subtitles to: /d/{u}PUXTMP_.en.vtt\n"
                              "[download] Destination: /d/{u}PUXTMP_.en.vtt\n"
                              "\r[download] 100.0% of     50.00B at  Unknown B/s ETA Unknown"
                              "\r[download] 100% of     50.00B in 00:00:00 at 15.83KiB/s    \n"
                              "[download] Destination: /d/{u}PUXTMP_.mp4\n"
                              "\r[download]   1.5% of   64.60KiB at  Unknown B/s ETA Unknown"
                              "\r[download]  97.5% of   64.60KiB at   58.33MiB/s ETA 00:00  "
                              "\r[download] 100.0% of   64.60KiB at   51.41MiB/s ETA 00:00"
                              "\r[download] 100% of   64.60KiB in 00:00:00 at 22.64MiB/s  \n";
    const Summary summary = feed(output, pieceSize);
    QCOMPARE(summary.paths, QStringList({"/d/{u}PUXTMP_.en.vtt", "/d/{u}PUXTMP_.mp4"}));
    QCOMPARE(summary.progressLines, 2);
    QCOMPARE(summary.lastProgress.total, qint64(66150));
    QCOMPARE(summary.lastProgress.finish, qint64(66150));
}

void TestPuxDownloadOutput::realConsoleLogs_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("paths");
    QTest::addColumn<int>("progressLines");
    QTest::addColumn<qint64>("lastTotal");
    QTest::addColumn<qint64>("lastFinish");
    QTest::addColumn<qint64>("lastSpeed");

    QTest::newRow("newline run") << "console-youtube-dl-2015-issue5958-newline.txt"
                                 << QStringList({"Beautiful Aerial Wedding Photography-BmBEwlGCwPI.m4a"}) << 5
                                 << qint64(237066) << qint64(31766) << qint64(100577);
    QTest::newRow("gui samples") << "console-progress-gui-pr10-samples.txt" << QStringList() << 1
                                 << qint64(240134389) << qint64(61714537) << qint64(2359296);
    QTest::newRow("estimated fragments") << "console-youtube-dl-2019-issue21253-dashsegments.txt"
                                         << QStringList({"static/videos/Nhw0NfSf3D0/video.f135.mp4"}) << 0
                                         << qint64(0) << qint64(0) << qint64(0);
    QTest::newRow("hls fragments") << "console-ytdlp-2022-ruby-ytdl-pr2-hls-frag.txt"
                                   << QStringList({"Sassy Girl [6mliesp0o4z91].fhls-1541.mp4"}) << 0 << qint64(0)
                                   << qint64(0) << qint64(0);
    QTest::newRow("already downloaded")
        << "console-youtube-dl-2021-issue29131-already-downloaded.txt"
        << QStringList({"Ultra High Definition Video from the International Space Station-84Jkt5RwRUc.webm",
                        "Ultra High Definition Video from the International Space Station-84Jkt5RwRUc 315.f315.webm"})
        << 0 << qint64(0) << qint64(0) << qint64(0);
    QTest::newRow("archive") << "console-ytdlp-2021-issue1795-archive.txt" << QStringList() << 0 << qint64(0)
                             << qint64(0) << qint64(0);
    QTest::newRow("merge") << "console-youtube-dl-2019-issue20932-merge.txt"
                           << QStringList({"20180922 - Connections.f140.m4a"}) << 0 << qint64(0) << qint64(0)
                           << qint64(0);
    QTest::newRow("complete") << "console-ytdlp-2023-issue6076-complete.txt"
                              << QStringList({"C:\\temp\\supernaturalsongs.f137.mp4"}) << 0 << qint64(0) << qint64(0)
                              << qint64(0);
    QTest::newRow("merger") << "console-ytdlp-2023-issue7159-merger.txt" << QStringList() << 0 << qint64(0)
                            << qint64(0) << qint64(0);
    QTest::newRow("subtitles") << "console-ytdlp-2025-issue14140-subtitles.txt" << QStringList() << 0 << qint64(0)
                               << qint64(0) << qint64(0);
    QTest::newRow("format tables") << "console-formats-youtube-dl-F-tables.txt" << QStringList() << 0 << qint64(0)
                                   << qint64(0) << qint64(0);
}

void TestPuxDownloadOutput::realConsoleLogs()
{
    if (!QFileInfo(QStringLiteral(MARLIN_FIXTURES_DIR "/ytdlp")).isDir())
        QSKIP("The shared fixtures folder " MARLIN_FIXTURES_DIR "/ytdlp is missing (it lies beside the "
              "repository as shared/fixtures): these tests read real console logs of the extractor tool from it");
    QFETCH(QString, file);
    QFETCH(QStringList, paths);
    QFETCH(int, progressLines);
    QFETCH(qint64, lastTotal);
    QFETCH(qint64, lastFinish);
    QFETCH(qint64, lastSpeed);

    QFile log(QStringLiteral(MARLIN_FIXTURES_DIR "/ytdlp/") + file);
    QVERIFY2(log.open(QIODevice::ReadOnly), qPrintable(log.fileName()));
    const QByteArray text = log.readAll();
    for (int pieceSize : {5, 1 << 16}) {
        const Summary summary = feed(text, pieceSize);
        QCOMPARE(summary.paths, paths);
        QCOMPARE(summary.progressLines, progressLines);
        if (progressLines > 0) {
            QCOMPARE(summary.lastProgress.total, lastTotal);
            QCOMPARE(summary.lastProgress.finish, lastFinish);
            QCOMPARE(summary.lastProgress.speed, lastSpeed);
        }
    }
}

void TestPuxDownloadOutput::oneRunReportsAsIs()
{
    PuxProgressTracker tracker;
    tracker.reset(1, 0);
    Progress report;
    QVERIFY(tracker.update(false, 41943040, 5242880, 1048576, &report));
    QCOMPARE(report, Progress(41943040, 5242880, 1048576));
    QVERIFY(tracker.update(false, 41943040, 1000, 5, &report));
    QCOMPARE(report, Progress(41943040, 1000, 5));
}

void TestPuxDownloadOutput::unknownTotalReportsNothing()
{
    PuxProgressTracker tracker;
    Progress report(1, 2, 3);
    tracker.reset(1, 0);
    QVERIFY(!tracker.update(false, 0, 0, 10, &report));
    QVERIFY(!tracker.update(false, -1, 0, 10, &report));
    tracker.reset(2, 0);
    QVERIFY(!tracker.update(false, 0, 0, 10, &report));
    QCOMPARE(report, Progress(1, 2, 3));
}

void TestPuxDownloadOutput::twoRunsNeverGoBack_data()
{
    QTest::addColumn<qint64>("profileSize");
    QTest::addColumn<qint64>("videoSize");
    QTest::addColumn<qint64>("audioSize");

    QTest::newRow("size unknown") << qint64(0) << qint64(1000000) << qint64(200000);
    QTest::newRow("size of the video") << qint64(1000000) << qint64(1000000) << qint64(200000);
    QTest::newRow("size too small") << qint64(1000) << qint64(1000000) << qint64(900000);
    QTest::newRow("audio larger than the guess") << qint64(0) << qint64(100000) << qint64(500000);
}

void TestPuxDownloadOutput::twoRunsNeverGoBack()
{
    QFETCH(qint64, profileSize);
    QFETCH(qint64, videoSize);
    QFETCH(qint64, audioSize);

    PuxProgressTracker tracker;
    tracker.reset(2, profileSize);
    QList<Progress> reports;
    auto step = [&](bool audioRun, qint64 total, double percent) {
        Progress report;
        if (tracker.update(audioRun, total, qint64(double(total) * percent / 100.0), 1000, &report))
            reports += report;
    };
    for (double p = 0.5; p <= 100.0; p += 0.5)
        step(false, videoSize, p);
    QCOMPARE(tracker.firstRunTotal(), videoSize);
    for (double p = 0.5; p <= 100.0; p += 0.5)
        step(true, audioSize, p);

    QVERIFY(reports.size() > 10);
    double lastShare = 0.0;
    qint64 lastFinish = 0;
    for (const Progress &r : qAsConst(reports)) {
        QVERIFY(r.total > 0);
        QVERIFY2(r.finish < r.total, "a running download is never reported complete");
        const double share = double(r.finish) / double(r.total);
        QVERIFY2(share > lastShare, qPrintable(QStringLiteral("went back to %1 of %2").arg(r.finish).arg(r.total)));
        QVERIFY(r.finish >= lastFinish);
        lastShare = share;
        lastFinish = r.finish;
    }
    QCOMPARE(reports.last().finish, videoSize + audioSize);
}

void TestPuxDownloadOutput::twoRunsGrowExpectedSize()
{
    PuxProgressTracker tracker;
    tracker.reset(2, 0);
    Progress report;
    QVERIFY(tracker.update(false, 1000, 500, 10, &report));
    // A main run larger than expected: its size and a fifth more for the audio.
    QCOMPARE(tracker.expectedSize(), qint64(1200));
    QCOMPARE(report, Progress(1200, 500, 10));
    QVERIFY(tracker.update(true, 400, 100, 20, &report));
    QCOMPARE(tracker.expectedSize(), qint64(1400));
    QCOMPARE(report, Progress(1400, 1100, 20));
    QVERIFY(!tracker.update(true, 400, 50, 20, &report));
    QVERIFY(tracker.update(true, 400, 400, 20, &report));
    QCOMPARE(report, Progress(1401, 1400, 20));
}

QTEST_GUILESS_MAIN(TestPuxDownloadOutput)
#include "tst_puxdownloadoutput.moc"
