#include "shared/filemediainfo.h"
#include "shared/mediaprofile.h"
#include "shared/subtitlesetting.h"
#include "shared/webmediainfo.h"

#include <QtTest>

#include <algorithm>
#include <functional>

using Kel::MediaProfile;

namespace {

MediaProfile profile(int w, int h, const QString &format, bool is3D = false, const QString &label = QString())
{
    MediaProfile p;
    p.resolution = QSize(w, h);
    p.format = format;
    p.is3D = is3D;
    p.qualityLabel = label;
    return p;
}

} // namespace

class TestMediaDescriptions : public QObject
{
    Q_OBJECT

private slots:
    void newDescriptionsHaveTheirDefaults()
    {
        Kel::FileMediaInfo info;
        QCOMPARE(info.type, Kel::UnknownMedia);
        QCOMPARE(info.resolution, QSize(-1, -1));
        QCOMPARE(info.aspect, QSize(0, 0));
        QVERIFY(!info.isValid());
        QVERIFY(!info.hasStreams());
        QVERIFY(!info.audioFormat.isNull());
        QVERIFY(info.audioFormat.isEmpty());

        MediaProfile p;
        QVERIFY(!p.name.isNull());
        QVERIFY(p.url.isNull());
        QCOMPARE(p.size, 0);

        Kel::WebMediaInfo web;
        QCOMPARE(web.mediaType, Kel::UnknownMedia);
        QVERIFY(!web.isValid());
        QVERIFY(!web.hasSubtitles());
    }

    void copyTakesTheStreamDescriptionOnly()
    {
        MediaProfile source = profile(1280, 720, QStringLiteral("MP4"), true, QStringLiteral("720p"));
        source.type = Kel::Video;
        source.aspect = QSize(16, 9);
        source.vCodec = QStringLiteral("h264");
        source.vBitRate = 1500000;
        source.frameRate = 29.97;
        source.aCodec = QStringLiteral("aac");
        source.aBitRate = 128000;
        source.aSampleRate = 44100;
        source.dash = true;
        source.audioFormat = QStringLiteral("140");
        source.name = QStringLiteral("22");

        MediaProfile target;
        target.copy(source);
        QCOMPARE(target.type, Kel::Video);
        QCOMPARE(target.format, QStringLiteral("MP4"));
        QCOMPARE(target.resolution, QSize(1280, 720));
        QCOMPARE(target.aspect, QSize(16, 9));
        QCOMPARE(target.vCodec, QStringLiteral("h264"));
        QCOMPARE(target.vBitRate, 1500000);
        QCOMPARE(target.frameRate, 29.97);
        QCOMPARE(target.aCodec, QStringLiteral("aac"));
        QCOMPARE(target.aBitRate, 128000);
        QCOMPARE(target.aSampleRate, 44100);
        QVERIFY(!target.dash);
        QVERIFY(!target.is3D);
        QVERIFY(target.qualityLabel.isEmpty());
        QVERIFY(target.audioFormat.isEmpty());
        QVERIFY(target.name.isEmpty());

        const MediaProfile full = source;
        QVERIFY(full.dash && full.is3D);
        QCOMPARE(full.audioFormat, QStringLiteral("140"));
        QVERIFY(full.hasStreams());
        QVERIFY(full.isValid());
    }

    void ordering_data()
    {
        QTest::addColumn<MediaProfile>("lower");
        QTest::addColumn<MediaProfile>("higher");
        QTest::newRow("pixels decide") << profile(640, 360, "WEBM") << profile(1280, 720, "MP4");
        QTest::newRow("then the format text") << profile(1920, 1080, "MP4") << profile(1920, 1080, "WEBM");
        QTest::newRow("3D before plain") << profile(1280, 720, "MP4", true) << profile(1280, 720, "MP4");
        QTest::newRow(">1080p above full HD")
            << profile(1920, 1080, "WEBM") << profile(-1, -1, "MP4", false, ">1080P");
        QTest::newRow(">1080p below larger")
            << profile(-1, -1, "WEBM", false, ">1080p") << profile(2560, 1440, "MP4");
        QTest::newRow("unknown size lowest") << profile(-1, -1, "MP4") << profile(256, 144, "MP4");
    }

    void ordering()
    {
        QFETCH(MediaProfile, lower);
        QFETCH(MediaProfile, higher);
        QVERIFY(lower < higher);
        QVERIFY(!(higher < lower));
    }

    void equalProfilesAreNotOrdered()
    {
        const MediaProfile a = profile(1280, 720, "MP4");
        QVERIFY(!(a < a));
        QList<MediaProfile> list{profile(1920, 1080, "WEBM"), profile(256, 144, "MP4"),
                                 profile(-1, -1, "MP4", false, ">1080p"), profile(1920, 1080, "MP4"),
                                 profile(1280, 720, "MP4", true)};
        std::sort(list.begin(), list.end());
        QStringList order;
        for (const MediaProfile &p : list)
            order << p.resolutionString() + QLatin1Char('/') + p.format;
        QCOMPARE(order, (QStringList{"144P/MP4", "720P (3D)/MP4", "1080P/MP4", "1080P/WEBM", ">1080P/MP4"}));
    }

    void equality_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<bool>("matters");
        for (const char *f : {"name", "type", "format", "resolution", "aspect", "vCodec", "vBitRate", "frameRate",
                              "aCodec", "aSampleRate", "autoBitRate", "autoResolution", "sameAsSource"})
            QTest::newRow(f) << QString::fromLatin1(f) << true;
        for (const char *f : {"aBitRate", "url", "size", "description", "dash", "is3D", "qualityLabel", "audioFormat"})
            QTest::newRow(f) << QString::fromLatin1(f) << false;
    }

    void equality()
    {
        QFETCH(QString, field);
        QFETCH(bool, matters);
        const MediaProfile a = profile(1280, 720, "MP4");
        MediaProfile b = a;
        QVERIFY(a == b);
        const QHash<QString, std::function<void(MediaProfile &)>> change{
            {"name", [](MediaProfile &p) { p.name = "x"; }},
            {"type", [](MediaProfile &p) { p.type = Kel::Audio; }},
            {"format", [](MediaProfile &p) { p.format = "MKV"; }},
            {"resolution", [](MediaProfile &p) { p.resolution = QSize(1, 1); }},
            {"aspect", [](MediaProfile &p) { p.aspect = QSize(4, 3); }},
            {"vCodec", [](MediaProfile &p) { p.vCodec = "vp9"; }},
            {"vBitRate", [](MediaProfile &p) { p.vBitRate = 9; }},
            {"frameRate", [](MediaProfile &p) { p.frameRate = 25; }},
            {"aCodec", [](MediaProfile &p) { p.aCodec = "opus"; }},
            {"aSampleRate", [](MediaProfile &p) { p.aSampleRate = 48000; }},
            {"autoBitRate", [](MediaProfile &p) { p.autoBitRate = true; }},
            {"autoResolution", [](MediaProfile &p) { p.autoResolution = true; }},
            {"sameAsSource", [](MediaProfile &p) { p.sameAsSource = true; }},
            {"aBitRate", [](MediaProfile &p) { p.aBitRate = 96000; }},
            {"url", [](MediaProfile &p) { p.url = "http://x"; }},
            {"size", [](MediaProfile &p) { p.size = 42; }},
            {"description", [](MediaProfile &p) { p.description = "d"; }},
            {"dash", [](MediaProfile &p) { p.dash = true; }},
            {"is3D", [](MediaProfile &p) { p.is3D = true; }},
            {"qualityLabel", [](MediaProfile &p) { p.qualityLabel = "720p"; }},
            {"audioFormat", [](MediaProfile &p) { p.audioFormat = "140"; }},
        };
        change.value(field)(b);
        QCOMPARE(a == b, !matters);
        QCOMPARE(a != b, matters);
    }

    void resolutionString_data()
    {
        QTest::addColumn<MediaProfile>("profile");
        QTest::addColumn<QString>("text");
        QTest::newRow("720 standard") << profile(1280, 720, "MP4") << "720P";
        QTest::newRow("144 standard") << profile(256, 144, "MP4") << "144P";
        QTest::newRow("1080 standard") << profile(1920, 1080, "MP4") << "1080P";
        QTest::newRow("cinema 536") << profile(1280, 536, "MP4") << "1280x536";
        QTest::newRow("cinema 536 3D") << profile(1280, 536, "MP4", true) << "1280x536 (3D)";
        QTest::newRow("4:3 at 480") << profile(640, 480, "MP4") << "640x480";
        QTest::newRow("label upper-cased") << profile(-1, -1, "MP4", false, ">1080p") << ">1080P";
        QTest::newRow("audio label") << profile(-1, -1, "M4A", false, "128K") << "128K";
        QTest::newRow("label with 3D") << profile(1280, 720, "MP4", true, "720p") << "720P (3D)";
        QTest::newRow("unknown size") << profile(-1, -1, "MP4") << "-1x-1";
    }

    void resolutionString()
    {
        QFETCH(MediaProfile, profile);
        QFETCH(QString, text);
        QCOMPARE(profile.resolutionString(), text);
    }

    void textForms()
    {
        MediaProfile p = profile(1280, 720, "MP4");
        p.name = "22";
        p.description = "clip";
        p.type = Kel::Video;
        p.aspect = QSize(16, 9);
        p.vCodec = "h264";
        p.vBitRate = 2000;
        p.frameRate = 29.97;
        p.aCodec = "aac";
        p.aBitRate = 128000;
        p.aSampleRate = 44100;
        QCOMPARE(p.toString(),
                 QStringLiteral("Name = 22, description = clip, type = 0, format = MP4, resolution = 1280x720, "
                                "aspect = 16x9, vCodec = h264, vBitRate = 2000, frameRate = 29.97, aCodec = aac, "
                                "aBitRate = 128000, aSampleRate = 44100"));

        Kel::FileMediaInfo f;
        f.mediaFile = "/tmp/a.mp4";
        f.duration = 12;
        f.format = "mov,mp4";
        f.frameRate = 25;
        QCOMPARE(f.toString(),
                 QStringLiteral("MediaFile = /tmp/a.mp4, duration = 12, type = 3, format = mov,mp4, "
                                "resolution = -1x-1, aspect = 0x0, vCodec = , vBitRate = 0, frameRate = 25, "
                                "aCodec = , aBitRate = 0, aSampleRate = 0"));
    }

    // Texts made of data that holds "%N" markers (escaped addresses, file
    // names) come out as they went in.
    void textFormsKeepPercentMarkers_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("escaped brackets") << "a%5Bb%5D.mp4";
        QTest::newRow("low markers") << "%1%2%3 %14";
        QTest::newRow("percent sign") << "100% sure";
    }
    void textFormsKeepPercentMarkers()
    {
        QFETCH(QString, text);
        MediaProfile p = profile(640, 360, "MP4");
        p.name = text;
        p.vCodec = text;
        QVERIFY2(p.toString().startsWith("Name = " + text + ", description = , type = 3, format = MP4, resolution = "
                                         "640x360, aspect = 0x0, vCodec = " + text + ", "),
                 qPrintable(p.toString()));
        Kel::FileMediaInfo f;
        f.mediaFile = text;
        QVERIFY2(f.toString().startsWith("MediaFile = " + text + ", duration = 0, type = 3, format = , resolution = -1x-1"),
                 qPrintable(f.toString()));
    }

    void fileTitle_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("fileTitle");
        QTest::newRow("slash colon question") << "a/b:c?" << "a b c ";
        QTest::newRow("all nine") << "1/2\\3:4*5?6\"7<8>9|" << "1 2 3 4 5 6 7 8 9 ";
        QTest::newRow("untouched") << QStringLiteral("Grüße – 日本") << QStringLiteral("Grüße – 日本");
    }

    void fileTitle()
    {
        QFETCH(QString, title);
        QFETCH(QString, fileTitle);
        Kel::WebMediaInfo info;
        info.setTitle(title);
        QCOMPARE(info.title, title);
        QCOMPARE(info.fileTitle, fileTitle);
    }

    void webMediaInfoValidity()
    {
        Kel::WebMediaInfo info;
        info.url = "https://host/watch?v=abc";
        info.setTitle("t");
        QVERIFY(!info.isValid());
        info.profiles << profile(640, 360, "MP4");
        QVERIFY(info.isValid());
        info.title.clear();
        QVERIFY(!info.isValid());

        info.subtitlesDeclared = true;
        QVERIFY(info.hasSubtitles());
        info.subtitlesDeclared = false;
        info.subtitleLanguages << "en";
        QVERIFY(info.hasSubtitles());
    }

    void valuesTravelThroughQVariant()
    {
        Kel::WebMediaInfo info;
        info.url = "u";
        info.profiles << profile(1, 2, "MP4");
        const QVariant v = QVariant::fromValue(info);
        QCOMPARE(v.value<Kel::WebMediaInfo>().profiles.first().resolution, QSize(1, 2));
        Kel::SubtitleSetting s;
        s.mode = Kel::BurnedInSubtitle;
        s.preferredLanguages << "de";
        const Kel::SubtitleSetting back = QVariant::fromValue(s).value<Kel::SubtitleSetting>();
        QCOMPARE(back.mode, Kel::BurnedInSubtitle);
        QCOMPARE(back.preferredLanguages, QStringList{"de"});
    }
};

QTEST_GUILESS_MAIN(TestMediaDescriptions)
#include "tst_mediadescriptions.moc"
