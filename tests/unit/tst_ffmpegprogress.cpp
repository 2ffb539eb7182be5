#include "transcoder/ffmpegprogressparser.h"

#include <QtTest>

using Kel::FfmpegProgressParser;

class TestFfmpegProgress : public QObject
{
    Q_OBJECT

private slots:
    void parseTime_data();
    void parseTime();
    void percent_data();
    void percent();
    void lastProgressLineOfAChunkCounts();
    void lineSplitAcrossChunks();
    void lineEndSplitAcrossChunks();
    void chunkWithoutProgress();
    void messagesKeepTheLatestLines();
    void bannerIsNoMessage();
    void resetForgetsPendingText();
};

void TestFfmpegProgress::parseTime_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<double>("seconds");

    QTest::newRow("fraction") << "frame= 2262 fps=150 q=-1.0 size=  1024kB time=00:01:30.50 bitrate= 92.7kbits/s speed=6x"
                              << 90.5;
    QTest::newRow("hours") << "size=N/A time=01:02:03.04 bitrate=N/A speed=1x" << 3723.04;
    QTest::newRow("whole seconds") << "time=00:00:07 bitrate=1kbits/s" << 7.0;
    QTest::newRow("time at line end") << "bitrate=1.0kbits/s time=00:00:02.25" << 2.25;
    QTest::newRow("unknown time") << "frame=    0 fps=0.0 q=0.0 size=       0kB time=N/A bitrate=N/A speed=N/A" << -1.0;
    QTest::newRow("negative time") << "size=       0kB time=-577014:32:22.77 bitrate=  -0.0kbits/s speed=N/A" << -1.0;
    QTest::newRow("no bitrate") << "  Duration: 00:03:01.00, start: 0.000000, time=00:00:01.00" << -1.0;
    QTest::newRow("not progress") << "Stream #0:0: Video: h264" << -1.0;
    QTest::newRow("two fields") << "time=01:30.50 bitrate=1kbits/s" << -1.0;
}

void TestFfmpegProgress::parseTime()
{
    QFETCH(QString, line);
    QFETCH(double, seconds);
    QCOMPARE(FfmpegProgressParser::parseTime(line), seconds);
}

void TestFfmpegProgress::percent_data()
{
    QTest::addColumn<double>("position");
    QTest::addColumn<double>("duration");
    QTest::addColumn<qint64>("percent");

    QTest::newRow("half of 181 s") << 90.5 << 181.0 << qint64(50);
    QTest::newRow("truncated") << 1.0 << 3.0 << qint64(33);
    QTest::newRow("start") << 0.0 << 10.0 << qint64(0);
    QTest::newRow("end is not reported") << 10.0 << 10.0 << qint64(-1);
    QTest::newRow("beyond the duration") << 12.0 << 10.0 << qint64(-1);
    QTest::newRow("unknown duration") << 5.0 << 0.0 << qint64(-1);
    QTest::newRow("unknown position") << -1.0 << 10.0 << qint64(-1);
}

void TestFfmpegProgress::percent()
{
    QFETCH(double, position);
    QFETCH(double, duration);
    QFETCH(qint64, percent);
    QCOMPARE(FfmpegProgressParser::percent(position, duration), percent);
}

void TestFfmpegProgress::lastProgressLineOfAChunkCounts()
{
    FfmpegProgressParser parser;
    const QByteArray chunk = "frame=  1 size=1kB time=00:00:01.00 bitrate=1kbits/s speed=1x\r"
                             "frame=  2 size=1kB time=00:00:02.00 bitrate=1kbits/s speed=1x\r"
                             "[libx264 @ 0x1] frame I:1\n";
    QCOMPARE(parser.feed(chunk), 2.0);
}

void TestFfmpegProgress::lineSplitAcrossChunks()
{
    FfmpegProgressParser parser;
    QCOMPARE(parser.feed("frame=  1 size=1kB time=00:00:01.00 bitrate=1kbits/s speed=1x\rframe=  2 size=1kB ti"), 1.0);
    QCOMPARE(parser.feed("me=00:00:0"), -1.0);
    QCOMPARE(parser.feed("3.75 bitrate=1kbits/s speed=1x\r"), 3.75);
}

void TestFfmpegProgress::lineEndSplitAcrossChunks()
{
    FfmpegProgressParser parser;
    QCOMPARE(parser.feed("size=1kB time=00:00:04.50 bitrate=1kbits/s\r"), 4.5);
    QCOMPARE(parser.feed("\nOutput #0, mp4\n"), -1.0);
    QCOMPARE(parser.lastMessages(), QStringList{"Output #0, mp4"});
}

void TestFfmpegProgress::chunkWithoutProgress()
{
    FfmpegProgressParser parser;
    QCOMPARE(parser.feed("Input #0, mov,mp4,m4a,3gp,3g2,mj2, from 'in.mp4':\n  Duration: 00:00:06.00\n"), -1.0);
    QCOMPARE(parser.lastMessages().size(), 2);
}

void TestFfmpegProgress::messagesKeepTheLatestLines()
{
    FfmpegProgressParser parser;
    QByteArray text;
    for (int i = 0; i < 40; ++i)
        text += "line " + QByteArray::number(i) + "\n";
    parser.feed(text + "in.mp4: Invalid data found when processing input\n");
    const QStringList messages = parser.lastMessages();
    QVERIFY(messages.size() < 40);
    QCOMPARE(messages.last(), QStringLiteral("in.mp4: Invalid data found when processing input"));
    QCOMPARE(messages.at(messages.size() - 2), QStringLiteral("line 39"));
}

void TestFfmpegProgress::bannerIsNoMessage()
{
    FfmpegProgressParser parser;
    parser.feed("ffmpeg version 5.1.9 Copyright (c) 2000-2026\n  built with gcc 12\n  configuration: --prefix=/usr\n"
                "  libavutil      57. 28.100 / 57. 28.100\n/tmp/x.mp4: Invalid data found when processing input\n");
    QCOMPARE(parser.lastMessages(), QStringList{"/tmp/x.mp4: Invalid data found when processing input"});
}

void TestFfmpegProgress::resetForgetsPendingText()
{
    FfmpegProgressParser parser;
    parser.feed("Error opening\nsize=1kB time=00:00:0");
    parser.reset();
    QCOMPARE(parser.feed("5.00 bitrate=1kbits/s\r"), -1.0);
    QVERIFY(!parser.lastMessages().contains(QStringLiteral("Error opening")));
}

QTEST_APPLESS_MAIN(TestFfmpegProgress)
#include "tst_ffmpegprogress.moc"
