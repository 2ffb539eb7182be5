// The quality a download gets, for media information of several shapes.
#include "tarncore/download/qualityselector.h"

#include <QtTest>

using Kel::MediaProfile;
using Kel::WebMediaInfo;
using Tarn::QualityPreferences;
using Tarn::QualitySelector;

namespace {

MediaProfile video(const QString &name, const QString &format, int width, int height, bool dash = false,
                   qint64 size = 0)
{
    MediaProfile p;
    p.name = name;
    p.url = QStringLiteral("http://media.example/%1").arg(name);
    p.format = format;
    p.type = Kel::Video;
    p.resolution = QSize(width, height);
    p.dash = dash;
    p.size = size;
    if (dash)
        p.qualityLabel = QStringLiteral("%1x%2").arg(width).arg(height);
    return p;
}

MediaProfile audio(const QString &name, const QString &format, int kbps, qint64 size = 0)
{
    MediaProfile p;
    p.name = name;
    p.url = QStringLiteral("http://media.example/%1").arg(name);
    p.format = format;
    p.type = Kel::Audio;
    p.dash = true;
    p.qualityLabel = QStringLiteral("%1K").arg(kbps);
    p.aBitRate = kbps * 1000;
    p.size = size;
    return p;
}

// The extractor's ">1080p" quality that came without width and height.
MediaProfile aboveFullHd(const QString &name, const QString &format)
{
    MediaProfile p = video(name, format, -1, -1, true);
    p.qualityLabel = QStringLiteral(">1080p");
    return p;
}

WebMediaInfo page(const Kel::MediaProfileList &profiles)
{
    WebMediaInfo info;
    info.url = QStringLiteral("http://www.youtube.com/watch?v=abcdefghijk");
    info.setTitle(QStringLiteral("Clip"));
    info.profiles = profiles;
    return info;
}

// Formats in the shipped order.
QualityPreferences prefs(Tarn::PreferredQuality mode, const QString &format, const QSize &resolution = QSize(1280, 720))
{
    QualityPreferences p;
    p.mode = mode;
    p.format = format;
    p.resolution = resolution;
    p.formatOrder = QStringList{"MP4", "WEBM", "3GP", "M4A", "WEBM AUDIO"};
    return p;
}

WebMediaInfo progressiveOnly()
{
    return page({video("36", "3GP", 320, 240), video("18", "MP4", 640, 360), video("43", "WEBM", 640, 360),
                 video("22", "MP4", 1280, 720), video("17", "3GP", 176, 144)});
}

WebMediaInfo dashPage()
{
    return page({video("18", "MP4", 640, 360, false, 9000), video("134", "MP4", 640, 360, true, 3000),
                 video("243", "WEBM", 640, 360, true, 2500), video("136", "MP4", 1280, 720, true, 6000),
                 video("247", "WEBM", 1280, 720, true, 5000), audio("139", "M4A", 48, 300),
                 audio("140", "M4A", 128, 800), audio("249", "WEBM", 50, 250), audio("251", "WEBM", 160, 1000)});
}

WebMediaInfo audioOnlyPage()
{
    return page({audio("139", "M4A", 48), audio("140", "M4A", 128), audio("250", "WEBM", 70),
                 audio("251", "WEBM", 160)});
}

} // namespace

class TestQualitySelector : public QObject
{
    Q_OBJECT

private slots:
    void choice_data();
    void choice();

    void dashPartnerNearestToWantedBitRate();
    void dashPartnerOfAnyFormatWhenNoneMatches();
    void dashSizeAddsPartnerOnlyWhenBothKnown();
    void restartDoesNotAddThePartnerTwice();
    void requestedProfileWithNameIsTaken();
    void audioOnlyFlag();

    void bestResolutionProfile();
    void matchedProfileNeedsThatHeight();
    void nearestProfile_data();
    void nearestProfile();
    void highestBitRateKeepsFirstOfEqual();
    void nearestBitRate_data();
    void nearestBitRate();
    void labelBitRate_data();
    void labelBitRate();
    void sortedBestFirst();
};

void TestQualitySelector::choice_data()
{
    QTest::addColumn<WebMediaInfo>("info");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QSize>("resolution");
    QTest::addColumn<QString>("expectedName");
    QTest::addColumn<QString>("expectedAudio");

    const QSize hd(1280, 720);
    const int best = Tarn::PreferredQualityBest;
    const int byResolution = Tarn::PreferredQualityResolution;

    QTest::newRow("progressive, best") << progressiveOnly() << best << "MP4" << hd << "22" << "";
    QTest::newRow("progressive, best WEBM: no WEBM at the top") << progressiveOnly() << best << "WEBM" << hd << "22"
                                                                << "";
    QTest::newRow("progressive, 360 MP4") << progressiveOnly() << byResolution << "MP4" << QSize(640, 360) << "18"
                                          << "";
    QTest::newRow("progressive, 360 WEBM") << progressiveOnly() << byResolution << "WEBM" << QSize(640, 360) << "43"
                                           << "";
    QTest::newRow("progressive, 360 3GP: listed order") << progressiveOnly() << byResolution << "3GP"
                                                        << QSize(640, 360) << "18" << "";
    QTest::newRow("progressive, 480 missing: next lower") << progressiveOnly() << byResolution << "WEBM"
                                                          << QSize(854, 480) << "18" << "";
    QTest::newRow("progressive, 1080 missing: best below") << progressiveOnly() << byResolution << "MP4"
                                                           << QSize(1920, 1080) << "22" << "";
    QTest::newRow("progressive, 100 lines: the lowest") << progressiveOnly() << byResolution << "MP4"
                                                        << QSize(160, 100) << "17" << "";

    QTest::newRow("dash, best MP4: video with M4A partner") << dashPage() << best << "MP4" << hd << "136" << "140";
    QTest::newRow("dash, best WEBM: video with WEBM partner") << dashPage() << best << "WEBM" << hd << "247"
                                                              << "251";
    QTest::newRow("dash, 360 MP4: progressive wins the tie") << dashPage() << byResolution << "MP4"
                                                             << QSize(640, 360) << "18" << "";
    QTest::newRow("dash, 360 WEBM") << dashPage() << byResolution << "WEBM" << QSize(640, 360) << "243" << "251";
    QTest::newRow("dash, 1080 missing") << dashPage() << byResolution << "WEBM" << QSize(1920, 1080) << "136"
                                        << "140";

    QTest::newRow("dash, M4A: best M4A stream") << dashPage() << byResolution << "M4A" << hd << "140" << "";
    QTest::newRow("dash, WEBM AUDIO: best WEBM stream") << dashPage() << byResolution << "WEBM AUDIO" << hd << "251"
                                                        << "";
    QTest::newRow("dash, M4A with best: audio, not video") << dashPage() << best << "M4A" << hd << "140" << "";
    QTest::newRow("dash, WEBM AUDIO with best") << dashPage() << best << "WEBM AUDIO" << hd << "251" << "";
    QTest::newRow("audio page, M4A") << audioOnlyPage() << byResolution << "M4A" << hd << "140" << "";
    QTest::newRow("audio page, WEBM AUDIO") << audioOnlyPage() << best << "WEBM AUDIO" << hd << "251" << "";
    QTest::newRow("audio page, MP4: best audio there is") << audioOnlyPage() << byResolution << "MP4" << hd << "251"
                                                          << "";
    QTest::newRow("progressive page, M4A: nearest video") << progressiveOnly() << byResolution << "M4A" << hd
                                                          << "22" << "";

    const WebMediaInfo tall = page({video("137", "MP4", 1920, 1080, true), aboveFullHd("264", "MP4"),
                                    video("22", "MP4", 1280, 720), audio("140", "M4A", 128)});
    QTest::newRow(">1080p, best") << tall << best << "MP4" << hd << "264" << "140";
    QTest::newRow(">1080p, 1080 wanted") << tall << byResolution << "MP4" << QSize(1920, 1080) << "137" << "140";
    QTest::newRow(">1080p, 1440 wanted") << tall << byResolution << "MP4" << QSize(2560, 1440) << "264" << "140";
    const WebMediaInfo tallWithSize = page({video("137", "MP4", 1920, 1080, true), video("271", "WEBM", 2560, 1440, true),
                                            audio("251", "WEBM", 160)});
    QTest::newRow("single source without size") << page({video("0", "MP4", -1, -1)}) << byResolution << "MP4"
                                                << QSize(640, 360) << "0" << "";
    QTest::newRow(">1080p with a size, best") << tallWithSize << best << "MP4" << hd << "271" << "251";
}

void TestQualitySelector::choice()
{
    QFETCH(WebMediaInfo, info);
    QFETCH(int, mode);
    QFETCH(QString, format);
    QFETCH(QSize, resolution);
    QFETCH(QString, expectedName);
    QFETCH(QString, expectedAudio);

    const QualitySelector selector(prefs(Tarn::PreferredQuality(mode), format, resolution));
    const MediaProfile chosen = selector.getDownloadMediaProfile(info, MediaProfile(), false);
    QVERIFY(chosen.isValid());
    QCOMPARE(chosen.name, expectedName);
    QCOMPARE(chosen.audioFormat, expectedAudio);
}

void TestQualitySelector::dashPartnerNearestToWantedBitRate()
{
    const QualitySelector selector(prefs(Tarn::PreferredQualityBest, "WEBM"));
    MediaProfile requested;
    requested.aBitRate = 60000;
    const MediaProfile chosen = selector.getDownloadMediaProfile(dashPage(), requested, false);
    QCOMPARE(chosen.name, QStringLiteral("247"));
    QCOMPARE(chosen.audioFormat, QStringLiteral("249"));
    requested.aBitRate = 160000;
    QCOMPARE(selector.getDownloadMediaProfile(dashPage(), requested, false).audioFormat, QStringLiteral("251"));
}

void TestQualitySelector::dashPartnerOfAnyFormatWhenNoneMatches()
{
    const WebMediaInfo info = page({video("136", "MP4", 1280, 720, true), audio("251", "WEBM", 160)});
    const MediaProfile chosen =
        QualitySelector(prefs(Tarn::PreferredQualityBest, "MP4")).getDownloadMediaProfile(info, MediaProfile(), false);
    QCOMPARE(chosen.name, QStringLiteral("136"));
    QCOMPARE(chosen.audioFormat, QStringLiteral("251"));

    const WebMediaInfo silent = page({video("136", "MP4", 1280, 720, true)});
    const MediaProfile alone = QualitySelector(prefs(Tarn::PreferredQualityBest, "MP4"))
                                   .getDownloadMediaProfile(silent, MediaProfile(), false);
    QCOMPARE(alone.name, QStringLiteral("136"));
    QVERIFY(alone.audioFormat.isEmpty());
}

void TestQualitySelector::dashSizeAddsPartnerOnlyWhenBothKnown()
{
    const QualitySelector selector(prefs(Tarn::PreferredQualityBest, "MP4"));
    QCOMPARE(selector.getDownloadMediaProfile(dashPage(), MediaProfile(), false).size, qint64(6000 + 800));

    WebMediaInfo unknownVideo = dashPage();
    for (MediaProfile &p : unknownVideo.profiles) {
        if (p.name == QLatin1String("136"))
            p.size = 0;
    }
    // Learnt later from the download's progress.
    QCOMPARE(selector.getDownloadMediaProfile(unknownVideo, MediaProfile(), false).size, qint64(0));

    WebMediaInfo unknownAudio = dashPage();
    for (MediaProfile &p : unknownAudio.profiles) {
        if (p.name == QLatin1String("140"))
            p.size = 0;
    }
    QCOMPARE(selector.getDownloadMediaProfile(unknownAudio, MediaProfile(), false).size, qint64(6000));
}

void TestQualitySelector::restartDoesNotAddThePartnerTwice()
{
    const QualitySelector selector(prefs(Tarn::PreferredQualityBest, "MP4"));
    const MediaProfile first = selector.getDownloadMediaProfile(dashPage(), MediaProfile(), false);
    const MediaProfile again = selector.getDownloadMediaProfile(dashPage(), first, false);
    QCOMPARE(again.name, first.name);
    QCOMPARE(again.audioFormat, first.audioFormat);
    QCOMPARE(again.size, first.size);
}

void TestQualitySelector::requestedProfileWithNameIsTaken()
{
    // The user's pick in the quality dialog, whatever the settings say.
    const WebMediaInfo info = progressiveOnly();
    MediaProfile picked = info.profiles.at(0);
    const MediaProfile chosen =
        QualitySelector(prefs(Tarn::PreferredQualityBest, "MP4")).getDownloadMediaProfile(info, picked, false);
    QCOMPARE(chosen.name, QStringLiteral("36"));

    // A requested resolution without a stream picks the stream of that size.
    MediaProfile bySize;
    bySize.format = QStringLiteral("WEBM");
    bySize.resolution = QSize(640, 360);
    QCOMPARE(QualitySelector(prefs(Tarn::PreferredQualityBest, "MP4")).getDownloadMediaProfile(info, bySize, false).name,
             QStringLiteral("43"));
}

void TestQualitySelector::audioOnlyFlag()
{
    const QualitySelector selector(prefs(Tarn::PreferredQualityBest, "MP4"));
    MediaProfile requested;
    requested.aBitRate = 128000;
    QCOMPARE(selector.getDownloadMediaProfile(dashPage(), requested, true).name, QStringLiteral("140"));
    requested.aBitRate = 0;
    QCOMPARE(selector.getDownloadMediaProfile(dashPage(), requested, true).name, QStringLiteral("251"));
    // A page without separate audio: the usual choice.
    QCOMPARE(selector.getDownloadMediaProfile(progressiveOnly(), requested, true).name, QStringLiteral("22"));
}

void TestQualitySelector::bestResolutionProfile()
{
    const QualitySelector selector(prefs(Tarn::PreferredQualityBest, "MP4"));
    QVERIFY(!selector.getBestResolutionProfile(page({}), QStringLiteral("MP4")).isValid());
    QCOMPARE(selector.getBestResolutionProfile(dashPage(), QString()).resolution, QSize(1280, 720));
    QCOMPARE(selector.getBestResolutionProfile(dashPage(), QStringLiteral("WEBM")).name, QStringLiteral("247"));
    QCOMPARE(selector.getBestResolutionProfile(dashPage(), QStringLiteral("MP4")).name, QStringLiteral("136"));
    // A format only found lower down gives the best quality all the same.
    QCOMPARE(selector.getBestResolutionProfile(progressiveOnly(), QStringLiteral("3GP")).name, QStringLiteral("22"));
}

void TestQualitySelector::matchedProfileNeedsThatHeight()
{
    const QualitySelector selector(prefs(Tarn::PreferredQualityResolution, "MP4", QSize(640, 360)));
    QVERIFY(!selector.getMatchedMediaProfile(progressiveOnly(), QSize(854, 480), QStringLiteral("MP4")).isValid());
    // Empty wishes are the settings'.
    QCOMPARE(selector.getMatchedMediaProfile(progressiveOnly(), QSize(), QString()).name, QStringLiteral("18"));
    // A format outside the preference list never qualifies as a stand-in.
    const WebMediaInfo odd = page({video("x1", "FLV", 640, 360)});
    QVERIFY(!selector.getMatchedMediaProfile(odd, QSize(640, 360), QStringLiteral("MP4")).isValid());
    QCOMPARE(selector.getMatchedMediaProfile(odd, QSize(640, 360), QStringLiteral("FLV")).name, QStringLiteral("x1"));
}

void TestQualitySelector::nearestProfile_data()
{
    QTest::addColumn<WebMediaInfo>("info");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QString>("expectedName");

    QTest::newRow("exact height, listed order") << progressiveOnly() << QSize(640, 360) << "18";
    QTest::newRow("between heights") << progressiveOnly() << QSize(1000, 600) << "18";
    QTest::newRow("all taller: the lowest") << progressiveOnly() << QSize(100, 60) << "17";
    QTest::newRow("invalid size: the settings'") << progressiveOnly() << QSize() << "22";
    QTest::newRow("no video: best audio") << audioOnlyPage() << QSize(640, 360) << "251";
    QTest::newRow("no size told") << page({video("0", "MP4", -1, -1), audio("251", "WEBM", 160)}) << QSize(640, 360)
                                  << "0";
    QTest::newRow("sizes told win") << page({video("0", "MP4", -1, -1), video("18", "MP4", 640, 360)})
                                    << QSize(320, 180) << "18";
    QTest::newRow("nothing") << page({}) << QSize(640, 360) << "";
}

void TestQualitySelector::nearestProfile()
{
    QFETCH(WebMediaInfo, info);
    QFETCH(QSize, size);
    QFETCH(QString, expectedName);
    const QualitySelector selector(prefs(Tarn::PreferredQualityResolution, "WEBM"));
    QCOMPARE(selector.getNearestMediaProfile(info, size).name, expectedName);
}

void TestQualitySelector::highestBitRateKeepsFirstOfEqual()
{
    const QualitySelector selector(prefs(Tarn::PreferredQualityBest, "MP4"));
    const WebMediaInfo info = page({audio("a", "M4A", 128), audio("b", "M4A", 128), audio("c", "WEBM", 160)});
    QCOMPARE(selector.getHighestBitRateAudioMediaProfile(info, QStringLiteral("M4A")).name, QStringLiteral("a"));
    QCOMPARE(selector.getHighestBitRateAudioMediaProfile(info).name, QStringLiteral("c"));
    QVERIFY(!selector.getHighestBitRateAudioMediaProfile(progressiveOnly()).isValid());
    // A progressive stream is not a separated audio stream.
    MediaProfile muxed = audio("m", "M4A", 256);
    muxed.dash = false;
    QCOMPARE(selector.getHighestBitRateAudioMediaProfile(page({muxed, audio("d", "M4A", 64)})).name,
             QStringLiteral("d"));
}

void TestQualitySelector::nearestBitRate_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<qint64>("bitRate");
    QTest::addColumn<QString>("expectedName");

    QTest::newRow("exact") << "" << qint64(50000) << "249";
    QTest::newRow("nearest below") << "" << qint64(60000) << "249";
    QTest::newRow("nearest above") << "" << qint64(120000) << "140";
    QTest::newRow("tie goes to the higher") << "" << qint64(89000) << "140";
    QTest::newRow("no wish: the highest") << "" << qint64(0) << "251";
    QTest::newRow("of one format") << "M4A" << qint64(160000) << "140";
    QTest::newRow("format missing") << "OGG" << qint64(160000) << "";
}

void TestQualitySelector::nearestBitRate()
{
    QFETCH(QString, format);
    QFETCH(qint64, bitRate);
    QFETCH(QString, expectedName);
    const QualitySelector selector(prefs(Tarn::PreferredQualityBest, "MP4"));
    QCOMPARE(selector.getNearestBitRateAudioMediaProfile(dashPage(), format, bitRate).name, expectedName);
}

void TestQualitySelector::labelBitRate_data()
{
    QTest::addColumn<QString>("label");
    QTest::addColumn<qint64>("value");
    QTest::newRow("K") << "160K" << qint64(160 * 1024);
    QTest::newRow("KB") << "128KB" << qint64(128 * 1024);
    QTest::newRow("lower case") << "12kb" << qint64(12 * 1024);
    QTest::newRow("M with fraction") << "1.5M" << qint64(1572864);
    QTest::newRow("plain") << "700" << qint64(700);
    QTest::newRow("resolution") << "1280x720" << qint64(-1);
    QTest::newRow("empty") << "" << qint64(-1);
}

void TestQualitySelector::labelBitRate()
{
    QFETCH(QString, label);
    QFETCH(qint64, value);
    QCOMPARE(QualitySelector::labelBitRate(label), value);
}

void TestQualitySelector::sortedBestFirst()
{
    const Kel::MediaProfileList sorted = QualitySelector::sortedBestFirst(dashPage().profiles);
    QStringList names;
    for (const MediaProfile &p : sorted)
        names += p.name;
    // Height first, then the format's name backwards; a progressive stream
    // before a separated one of the same kind; audio last, in page order
    // within a format.
    QCOMPARE(names, QStringList({"247", "136", "243", "18", "134", "249", "251", "139", "140"}));
}

QTEST_GUILESS_MAIN(TestQualitySelector)
#include "tst_qualityselector.moc"
