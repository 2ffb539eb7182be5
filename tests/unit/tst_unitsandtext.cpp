#include "shared/keltext.h"
#include "shared/keltime.h"
#include "shared/kelunits.h"
#include "shared/progress.h"

#include <QTemporaryDir>
#include <QtTest>

#include <limits>

using namespace Kel;

Q_DECLARE_METATYPE(Kel::Time)

class TestUnitsAndText : public QObject
{
    Q_OBJECT

private slots:
    void progress_data()
    {
        QTest::addColumn<qint64>("total");
        QTest::addColumn<qint64>("finish");
        QTest::addColumn<qint64>("speed");
        QTest::addColumn<qint64>("percent");
        QTest::addColumn<bool>("valid");
        QTest::newRow("unknown total") << qint64(0) << qint64(10) << qint64(1) << qint64(-1) << false;
        QTest::newRow("negative total") << qint64(-5) << qint64(0) << qint64(0) << qint64(-1) << false;
        QTest::newRow("half") << qint64(1024) << qint64(512) << qint64(0) << qint64(50) << true;
        QTest::newRow("truncated") << qint64(3) << qint64(2) << qint64(0) << qint64(66) << true;
        QTest::newRow("negative speed") << qint64(10) << qint64(1) << qint64(-1) << qint64(10) << false;
        QTest::newRow("beyond 2 GiB") << (qint64(6) << 30) << (qint64(3) << 30) << qint64(0) << qint64(50) << true;
    }

    void progress()
    {
        QFETCH(qint64, total);
        QFETCH(qint64, finish);
        QFETCH(qint64, speed);
        QFETCH(qint64, percent);
        QFETCH(bool, valid);
        const Progress p(total, finish, speed);
        QCOMPARE(p.percent(), percent);
        QCOMPARE(p.isValid(), valid);
    }

    void progressTexts()
    {
        const Progress p(3 << 20, 1536 << 10, 2048);
        QCOMPARE(p.toString(Progress::PercentOfTotal), QStringLiteral("50% of 3MB  2KB/s"));
        QCOMPARE(p.toString(Progress::PercentOnly), QStringLiteral("50%  2KB/s"));
        QCOMPARE(p.toString(Progress::FinishOfTotal), QStringLiteral("1MB of 3MB  2KB/s"));
        QCOMPARE(Progress().toString(), QStringLiteral("-1% of 0B  0B/s"));
    }

    void sizeText_data()
    {
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("bytes") << qint64(999) << "999B";
        QTest::newRow("exactly 1K") << qint64(1024) << "1KB";
        QTest::newRow("1.5K truncates") << qint64(1536) << "1KB";
        QTest::newRow("3M") << qint64(3) * (1 << 20) << "3MB";
        QTest::newRow("5G") << qint64(5) * (qint64(1) << 30) << "5GB";
        QTest::newRow("2T") << qint64(2) * (qint64(1) << 40) << "2TB";
        QTest::newRow("zero") << qint64(0) << "0B";
        QTest::newRow("negative is 0") << qint64(-1) << "0B";
    }

    void sizeText()
    {
        QFETCH(qint64, bytes);
        QFETCH(QString, text);
        QCOMPARE(Units::sizeString(bytes), text);
        QCOMPARE(Units::shortSizeString(bytes), text.chopped(1));
    }

    void parseSize_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("binary");
        QTest::addColumn<qint64>("fraction");
        QTest::addColumn<qint64>("decimal");
        QTest::newRow("plain") << "700" << qint64(700) << qint64(-1) << qint64(700);
        QTest::newRow("12K") << "12K" << qint64(12 * 1024) << qint64(12 * 1024) << qint64(12000);
        QTest::newRow("lower k") << "12k" << qint64(12 * 1024) << qint64(-1) << qint64(12000);
        QTest::newRow("3MB") << "3MB" << qint64(3 << 20) << qint64(3 << 20) << qint64(-1);
        QTest::newRow("12.5M") << "12.5M" << qint64(-1) << qint64(13107200) << qint64(-1);
        QTest::newRow("12.5MiB in text") << "of ~12.50MiB at" << qint64(-1) << qint64(13107200) << qint64(-1);
        QTest::newRow("3X") << "3X" << qint64(-1) << qint64(-1) << qint64(-1);
        QTest::newRow("empty") << "" << qint64(-1) << qint64(-1) << qint64(-1);
        QTest::newRow("2G") << "2G" << (qint64(2) << 30) << (qint64(2) << 30) << qint64(2000000000);
        QTest::newRow("3.5G exact above 2 GiB") << "3.5G" << qint64(-1) << qint64(3758096384) << qint64(-1);
        QTest::newRow("1T") << "1T" << (qint64(1) << 40) << (qint64(1) << 40) << qint64(1000000000000);
        QTest::newRow("bytes unit") << "512B" << qint64(512) << qint64(512) << qint64(-1);
        // Beyond 64 bits: unreadable, never an overflow.
        const qint64 most = std::numeric_limits<qint64>::max();
        QTest::newRow("99999999999T") << "99999999999T" << qint64(-1) << most << qint64(-1);
        QTest::newRow("-99999999999T") << "-99999999999T" << qint64(-1) << most << qint64(-1);
        QTest::newRow("2^63 bytes") << "8388608T" << qint64(-1) << most << qint64(8388608000000000000);
        QTest::newRow("largest") << "9223372036854775807" << most << qint64(-1) << most;
    }

    void parseSize()
    {
        QFETCH(QString, text);
        QFETCH(qint64, binary);
        QFETCH(qint64, fraction);
        QFETCH(qint64, decimal);
        QCOMPARE(Units::parseSize(text), binary);
        QCOMPARE(Units::parseSizeWithFraction(text), fraction);
        QCOMPARE(Units::parseDecimal(text), decimal);
    }

    void decimalUnitText()
    {
        QCOMPARE(Units::decimalUnitString(128000), QStringLiteral("128K"));
        QCOMPARE(Units::decimalUnitString(2500000), QStringLiteral("2M"));
        QCOMPARE(Units::decimalUnitString(2500000, QLatin1Char('k')), QStringLiteral("2500K"));
        QCOMPARE(Units::decimalUnitString(3000000000LL), QStringLiteral("3G"));
        QCOMPARE(Units::decimalUnitString(999), QStringLiteral("999"));
    }

    void timeTexts_data()
    {
        QTest::addColumn<Time>("time");
        QTest::addColumn<QString>("full");
        QTest::addColumn<QString>("clock");
        QTest::addColumn<QString>("tenths");
        QTest::addColumn<QString>("compact");
        QTest::addColumn<QString>("shortForm");
        QTest::newRow("59 s") << Time::fromSeconds(59) << "0:00:59:00000000" << "0:00:59" << "0:00:59.0" << "59.0"
                              << "0:59";
        QTest::newRow("3725 s") << Time::fromSeconds(3725) << "1:02:05:00000000" << "1:02:05" << "1:02:05.0"
                                << "1:2:5.0" << "1:02:05";
        QTest::newRow("fractions") << Time(0, 4, 12, 345678) << "0:04:12:00345678" << "0:04:12" << "0:04:12.3"
                                   << "4:12.3" << "4:12";
        QTest::newRow("hours") << Time(10, 0, 1, 999999) << "10:00:01:00999999" << "10:00:01" << "10:00:01.9"
                               << "10:0:1.9" << "10:00:01";
    }

    void timeTexts()
    {
        QFETCH(Time, time);
        QFETCH(QString, full);
        QFETCH(QString, clock);
        QFETCH(QString, tenths);
        QFETCH(QString, compact);
        QFETCH(QString, shortForm);
        QCOMPARE(time.toFullString(), full);
        QCOMPARE(time.toClockString(), clock);
        QCOMPARE(time.toTenthsString(), tenths);
        QCOMPARE(time.toCompactString(), compact);
        QCOMPARE(time.toShortString(), shortForm);
    }

    void timeConversions()
    {
        const Time t(1, 2, 3, 4);
        QCOMPARE(t.totalMicroseconds(), qint64(3723000004));
        QCOMPARE(t.totalSeconds(), qint64(3723));
        QCOMPARE(t.minutesAndSeconds(), qint64(123));
        QCOMPARE(Time::fromMicroseconds(t.totalMicroseconds()).toFullString(), t.toFullString());
        QCOMPARE(Time::fromSeconds(-5).totalSeconds(), qint64(0));
        QCOMPARE(Time(1000, 0, 0).totalMicroseconds(), qint64(3600000000000));
    }

    void decoding_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("entities");
        QTest::addColumn<QString>("escapes");
        QTest::newRow("AB") << "&#65;&#66;" << "AB" << "&#65;&#66;";
        QTest::newRow("text kept") << "x &#38; y" << "x & y" << "x &#38; y";
        QTest::newRow("escape") << "caf\\u00e9" << "caf\\u00e9" << QStringLiteral("café");
        QTest::newRow("upper hex") << "\\u00C9t\\u00E9" << "\\u00C9t\\u00E9" << QStringLiteral("Été");
        QTest::newRow("surrogate pair") << "\\ud83d\\ude00" << "\\ud83d\\ude00" << QStringLiteral("😀");
        QTest::newRow("entity above BMP") << "&#128512;" << QStringLiteral("😀") << "&#128512;";
        QTest::newRow("entity out of range") << "&#99999999;" << "&#99999999;" << "&#99999999;";
        QTest::newRow("short escape kept") << "\\u12" << "\\u12" << "\\u12";
        QTest::newRow("nothing") << "plain" << "plain" << "plain";
    }

    void decoding()
    {
        QFETCH(QString, input);
        QFETCH(QString, entities);
        QFETCH(QString, escapes);
        QCOMPARE(Text::decodeEntities(input), entities);
        QCOMPARE(Text::decodeEscapes(input), escapes);
    }

    void checks()
    {
        QVERIFY(Text::isWebAddress("https://www.example.com/watch?v=abc"));
        QVERIFY(Text::isWebAddress("http://127.0.0.1:8000/watch/x"));
        QVERIFY(!Text::isWebAddress("ftp://host/x"));
        QVERIFY(!Text::isWebAddress("https://host/a b"));
        QVERIFY(!Text::isWebAddress("https://"));
        QVERIFY(!Text::isWebAddress(" https://host"));

        QVERIFY(Text::isValidPath("/home/u/Videos"));
        QVERIFY(Text::isValidPath("C:\\Users\\u"));
        QVERIFY(!Text::isValidPath(""));
        QVERIFY(!Text::isValidPath(QString(248, QLatin1Char('a'))));
        QVERIFY(Text::isValidPath(QString(247, QLatin1Char('a'))));
        for (const char c : {'*', '?', '"', '<', '>', '|'})
            QVERIFY2(!Text::isValidPath(QStringLiteral("/a%1b").arg(QLatin1Char(c))), &c);

        QVERIFY(Text::isValidFileName("clip (1).mp4"));
        QVERIFY(!Text::isValidFileName("clip."));
        QVERIFY(!Text::isValidFileName(""));
        QVERIFY(!Text::isValidFileName(QString(248, QLatin1Char('a'))));
        for (const char c : {'/', '\\', ':', '*', '?', '"', '<', '>', '|'})
            QVERIFY2(!Text::isValidFileName(QStringLiteral("a%1b").arg(QLatin1Char(c))), &c);

        QCOMPARE(Text::mountRoot("/Volumes/Disk/Movies/a.mp4"), QStringLiteral("/Volumes/Disk"));
        QCOMPARE(Text::mountRoot("/Volumes/Disk"), QStringLiteral("/Volumes/Disk"));
        QCOMPARE(Text::mountRoot("/home/u/a.mp4"), QStringLiteral("/"));

        QCOMPARE(Text::removeTrailingSlash("/a/b//"), QStringLiteral("/a/b"));
        QCOMPARE(Text::removeTrailingSlash("C:\\a\\"), QStringLiteral("C:\\a"));
        QCOMPARE(Text::removeTrailingSlash("/a"), QStringLiteral("/a"));
    }

    void uniqueFileName()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString a = dir.filePath("a.mp4");
        QCOMPARE(Text::uniqueFileName(a), a);
        for (const char *name : {"a.mp4", "a(1).mp4"}) {
            QFile f(dir.filePath(name));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        QCOMPARE(Text::uniqueFileName(a), dir.filePath("a(2).mp4"));
        QCOMPARE(Text::uniqueFileName(a, {dir.filePath("a(2).mp4")}), dir.filePath("a(3).mp4"));
        QCOMPARE(Text::uniqueFileName(dir.filePath("clip.part.mp4")), dir.filePath("clip.part.mp4"));
        QFile f(dir.filePath("clip.part.mp4"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        QCOMPARE(Text::uniqueFileName(dir.filePath("clip.part.mp4")), dir.filePath("clip.part(1).mp4"));
        QCOMPARE(Text::uniqueFileName(dir.filePath("%1%2.mp4"), {dir.filePath("%1%2.mp4")}),
                 dir.filePath("%1%2(1).mp4"));
    }
};

QTEST_GUILESS_MAIN(TestUnitsAndText)
#include "tst_unitsandtext.moc"
