// The media-information document of the extractor tool, read into the
// qualities of a page.
#include "webfetch/puxoutputparser.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtTest/QtTest>

#include <algorithm>

using Kel::MediaProfile;
using Kel::PuxOutputParser;
using Kel::WebMediaInfo;

namespace {

QString ownFixture(const QString &name)
{
    return QStringLiteral(MARLIN_SOURCE_DIR "/tests/fixtures/webfetch/") + name;
}

QString sharedFixture(const QString &name)
{
    return QStringLiteral(MARLIN_FIXTURES_DIR "/ytdlp/") + name;
}

QString readText(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

const MediaProfile *findProfile(const WebMediaInfo &info, const QString &name)
{
    for (const MediaProfile &p : info.profiles) {
        if (p.name == name)
            return &p;
    }
    return nullptr;
}

QStringList sortedIds(QStringList ids)
{
    std::sort(ids.begin(), ids.end(), [](const QString &a, const QString &b) {
        return a.size() != b.size() ? a.size() < b.size() : a < b;
    });
    return ids;
}

QStringList idsWhere(const WebMediaInfo &info, bool (*pred)(const MediaProfile &))
{
    QStringList ids;
    for (const MediaProfile &p : info.profiles) {
        if (pred(p))
            ids += p.name;
    }
    return sortedIds(ids);
}

bool isAudio(const MediaProfile &p)
{
    return p.type == Kel::Audio;
}

bool isProgressive(const MediaProfile &p)
{
    return p.type == Kel::Video && !p.dash;
}

} // namespace

#define PARSE_OWN(info, name)                                                                       \
    WebMediaInfo info;                                                                              \
    do {                                                                                            \
        const QString text_ = readText(ownFixture(QStringLiteral(name)));                           \
        QVERIFY2(!text_.isEmpty(), qPrintable(QStringLiteral("missing fixture ") + QStringLiteral(name))); \
        info.url = QStringLiteral("http://127.0.0.1/watch?v=x");                                    \
        QVERIFY(PuxOutputParser::parseWebMediaInfo(text_, info));                                   \
    } while (false)

class TestPuxOutputParser : public QObject
{
    Q_OBJECT

private slots:
    // Page fields
    void pageFields();
    // Ordering
    void profilesInReverseArrayOrder();
    // Audio and separated streams
    void audioAndDashDetection();
    void audioBitRateForms();
    void audioWithoutPicture();
    void neitherVideoNorAudioIsLeftOut();
    // Resolution texts
    void resolutionTexts_data();
    void resolutionTexts();
    void aboveFullHdSortsAboveFullHd();
    void av01IsNotListed();
    void elementWithoutExtensionIsDropped();
    // Subtitles
    void subtitlesWithoutLiveChat();
    void emptySubtitlesDeclareNone();
    void missingOrNullSubtitles();
    // Character codes
    void characterCodes_data();
    void characterCodes();
    void documentWithCharacterCodes();
    // Bad documents
    void badJson_data();
    void badJson();
    void secondDocumentIsIgnored();
    // The local site's pages (the tool's generic extraction)
    void localSiteProgressive();
    void localSiteDash();
    // Real documents of the video site
    void realDocuments_data();
    void realDocuments();
    void realDocumentDetails();
};

void TestPuxOutputParser::pageFields()
{
    PARSE_OWN(info, "three-formats.json");
    QCOMPARE(info.title, QStringLiteral("Three formats"));
    QCOMPARE(info.fileTitle, QStringLiteral("Three formats"));
    QCOMPARE(info.duration, qint64(61));
    QCOMPARE(info.thumbnailUrl, QStringLiteral("http://127.0.0.1/vi/x/mqdefault.jpg"));
    QCOMPARE(info.url, QStringLiteral("http://127.0.0.1/watch?v=x"));
    for (const MediaProfile &p : info.profiles)
        QCOMPARE(p.description, QStringLiteral("Plain page"));
    QVERIFY(info.isValid());
    QVERIFY(!info.hasSubtitles());

    WebMediaInfo titled;
    QVERIFY(PuxOutputParser::parseWebMediaInfo(
        QStringLiteral(R"({"title": "a/b:c?", "formats": []})"), titled));
    QCOMPARE(titled.fileTitle, QStringLiteral("a b c "));
    QCOMPARE(titled.duration, qint64(0));
    QVERIFY(titled.thumbnailUrl.isEmpty());
}

void TestPuxOutputParser::profilesInReverseArrayOrder()
{
    PARSE_OWN(info, "three-formats.json");
    QCOMPARE(info.profiles.size(), 3);
    QCOMPARE(info.profiles.at(0).name, QStringLiteral("third"));
    QCOMPARE(info.profiles.at(1).name, QStringLiteral("second"));
    QCOMPARE(info.profiles.at(2).name, QStringLiteral("first"));
    QCOMPARE(info.profiles.at(1).format, QStringLiteral("WEBM"));
    QCOMPARE(info.profiles.at(1).url, QStringLiteral("http://127.0.0.1/2.webm"));
    QCOMPARE(info.profiles.at(0).resolution, QSize(1280, 720));
    QCOMPARE(info.profiles.at(0).vCodec, QStringLiteral("avc1.64001F"));
    QVERIFY(!info.profiles.at(0).dash);
    QCOMPARE(info.profiles.at(0).type, Kel::Video);
}

void TestPuxOutputParser::audioAndDashDetection()
{
    PARSE_OWN(info, "stream-kinds.json");
    QStringList names;
    for (const MediaProfile &p : info.profiles)
        names += p.name;
    QCOMPARE(names, QStringList({"22", "mp3", "84", "247", "242", "134", "136", "233", "139", "140", "251"}));

    const MediaProfile *opus = findProfile(info, "251");
    QVERIFY(opus);
    QCOMPARE(opus->type, Kel::Audio);
    QVERIFY(opus->dash);
    QCOMPARE(opus->qualityLabel, QStringLiteral("160K"));
    QCOMPARE(opus->aBitRate, 160000);
    QCOMPARE(opus->aCodec, QStringLiteral("opus"));
    QVERIFY(opus->vCodec.isEmpty());
    QCOMPARE(opus->resolution, QSize(-1, -1));
    QCOMPARE(opus->format, QStringLiteral("WEBM"));

    // Video-only halves: named so, or with an audio codec of "none".
    const MediaProfile *dashVideo = findProfile(info, "136");
    QVERIFY(dashVideo);
    QCOMPARE(dashVideo->type, Kel::Video);
    QVERIFY(dashVideo->dash);
    QCOMPARE(dashVideo->qualityLabel, QStringLiteral("720p"));
    QCOMPARE(dashVideo->resolution, QSize(1280, 720));
    QCOMPARE(dashVideo->aBitRate, 0);

    const MediaProfile *sized = findProfile(info, "134");
    QVERIFY(sized);
    QVERIFY(sized->dash);
    QVERIFY2(sized->qualityLabel.isEmpty(), "a frame size is no quality name");
    QCOMPARE(sized->resolutionString(), QStringLiteral("360P"));

    const MediaProfile *oldWebm = findProfile(info, "242");
    QVERIFY(oldWebm);
    QVERIFY2(oldWebm->dash, "an old \"DASH webm\" stream has no sound");
    QCOMPARE(oldWebm->qualityLabel, QStringLiteral("240p"));

    const MediaProfile *noAudio = findProfile(info, "247");
    QVERIFY(noAudio);
    QVERIFY(noAudio->dash);
    QVERIFY(noAudio->qualityLabel.isEmpty());

    const MediaProfile *stereo = findProfile(info, "84");
    QVERIFY(stereo);
    QVERIFY(stereo->is3D);
    QVERIFY(!stereo->dash);
    QCOMPARE(stereo->resolutionString(), QStringLiteral("720P (3D)"));

    const MediaProfile *progressive = findProfile(info, "22");
    QVERIFY(progressive);
    QVERIFY(!progressive->dash);
    QVERIFY(!progressive->is3D);
    QCOMPARE(progressive->type, Kel::Video);

    QVERIFY2(!findProfile(info, "171"), "a \"DASH webm audio\" entry is not listed");
}

void TestPuxOutputParser::audioBitRateForms()
{
    PARSE_OWN(info, "stream-kinds.json");
    const MediaProfile *fraction = findProfile(info, "140");
    QVERIFY(fraction);
    QCOMPARE(fraction->type, Kel::Audio);
    QCOMPARE(fraction->qualityLabel, QStringLiteral("129K"));
    QCOMPARE(fraction->aBitRate, 129000);

    // "48K" as a size is 48 x 1024 bytes, read as 49 kbit/s.
    const MediaProfile *text = findProfile(info, "139");
    QVERIFY(text);
    QCOMPARE(text->qualityLabel, QStringLiteral("49K"));
    QCOMPARE(text->aBitRate, 49000);

    // No video and an unnamed audio codec: an audio stream of unknown rate.
    const MediaProfile *unknown = findProfile(info, "233");
    QVERIFY(unknown);
    QCOMPARE(unknown->type, Kel::Audio);
    QVERIFY(unknown->dash);
    QVERIFY(unknown->qualityLabel.isEmpty());
    QCOMPARE(unknown->aBitRate, 0);
}

void TestPuxOutputParser::audioWithoutPicture()
{
    PARSE_OWN(info, "stream-kinds.json");
    // No video codec named and no frame size: sound only.
    const MediaProfile *mp3 = findProfile(info, "mp3");
    QVERIFY(mp3);
    QCOMPARE(mp3->type, Kel::Audio);
    QCOMPARE(mp3->qualityLabel, QStringLiteral("192K"));
    // No video codec named but a frame size: a picture with its sound.
    PARSE_OWN(site, "local-site-progressive.json");
    QCOMPARE(findProfile(site, "240p")->type, Kel::Video);
    QVERIFY(!findProfile(site, "240p")->dash);
}

void TestPuxOutputParser::neitherVideoNorAudioIsLeftOut()
{
    PARSE_OWN(info, "stream-kinds.json");
    QVERIFY(!findProfile(info, "sb0"));
}

void TestPuxOutputParser::resolutionTexts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("resolution");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("shown");

    QTest::newRow("720p without size") << "r720" << QSize(1280, 720) << "" << "720P";
    QTest::newRow("height only") << "h1080" << QSize(1920, 1080) << "" << "1080P";
    QTest::newRow(">1080p") << "big" << QSize(-1, -1) << ">1080p" << ">1080P";
    QTest::newRow("144P wins over the size") << "r144" << QSize(176, 144) << "" << "176x144";
    QTest::newRow("480p") << "r480" << QSize(720, 480) << "" << "720x480";
    QTest::newRow("360p") << "r360" << QSize(640, 360) << "" << "360P";
    QTest::newRow("240p") << "r240" << QSize(320, 240) << "" << "320x240";
    QTest::newRow("odd size") << "odd" << QSize(1280, 536) << "" << "1280x536";
    QTest::newRow("no size at all") << "none" << QSize(-1, -1) << "" << "-1x-1";
}

void TestPuxOutputParser::resolutionTexts()
{
    QFETCH(QString, name);
    QFETCH(QSize, resolution);
    QFETCH(QString, label);
    QFETCH(QString, shown);
    PARSE_OWN(info, "resolution-texts.json");
    const MediaProfile *p = findProfile(info, name);
    QVERIFY(p);
    QCOMPARE(p->resolution, resolution);
    QCOMPARE(p->qualityLabel, label);
    QCOMPARE(p->resolutionString(), shown);
}

void TestPuxOutputParser::aboveFullHdSortsAboveFullHd()
{
    PARSE_OWN(info, "resolution-texts.json");
    const MediaProfile *big = findProfile(info, "big");
    const MediaProfile *fullHd = findProfile(info, "h1080");
    QVERIFY(big && fullHd);
    QVERIFY(big->dash);
    QVERIFY(*fullHd < *big);
    QVERIFY(!(*big < *fullHd));
}

void TestPuxOutputParser::av01IsNotListed()
{
    PARSE_OWN(info, "stream-kinds.json");
    QVERIFY(!findProfile(info, "399"));
    for (const MediaProfile &p : info.profiles)
        QVERIFY(!p.vCodec.toLower().startsWith(QLatin1String("av01.")));
}

void TestPuxOutputParser::elementWithoutExtensionIsDropped()
{
    PARSE_OWN(info, "resolution-texts.json");
    QCOMPARE(info.profiles.size(), 9);
    QVERIFY(!findProfile(info, "noext"));
}

void TestPuxOutputParser::subtitlesWithoutLiveChat()
{
    PARSE_OWN(info, "subtitles.json");
    QCOMPARE(info.subtitleLanguages, QStringList({"de", "en"}));
    QVERIFY(info.subtitlesDeclared);
    QVERIFY(info.hasSubtitles());
}

void TestPuxOutputParser::emptySubtitlesDeclareNone()
{
    WebMediaInfo info;
    QVERIFY(PuxOutputParser::parseWebMediaInfo(QStringLiteral(R"({"title": "t", "subtitles": {}})"), info));
    QVERIFY(info.subtitleLanguages.isEmpty());
    QVERIFY(!info.hasSubtitles());

    WebMediaInfo chatOnly;
    QVERIFY(PuxOutputParser::parseWebMediaInfo(
        QStringLiteral(R"({"title": "t", "subtitles": {"live_chat": []}})"), chatOnly));
    QVERIFY(chatOnly.subtitleLanguages.isEmpty());
    QVERIFY(!chatOnly.hasSubtitles());
}

void TestPuxOutputParser::missingOrNullSubtitles()
{
    WebMediaInfo missing;
    QVERIFY(PuxOutputParser::parseWebMediaInfo(QStringLiteral(R"({"title": "t"})"), missing));
    QVERIFY(!missing.hasSubtitles());
    WebMediaInfo null;
    QVERIFY(PuxOutputParser::parseWebMediaInfo(QStringLiteral(R"({"title": "t", "subtitles": null})"), null));
    QVERIFY(!null.hasSubtitles());
}

void TestPuxOutputParser::characterCodes_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");

    QTest::newRow("entities") << "&#65;&#66;" << "AB";
    QTest::newRow("escape") << "\\u00e9t\\u00E9" << QStringLiteral("\u00e9t\u00e9");
    QTest::newRow("entity then escape") << "&#92;u0041" << "\\\\u0041";
    QTest::newRow("surrogate pair") << "\\ud83d\\ude00" << QString::fromUcs4(U"\U0001F600", 1);
    QTest::newRow("quote entity stays escaped") << "&#34;" << "\\\"";
    QTest::newRow("quote escape stays") << "\\u0022" << "\\u0022";
    QTest::newRow("backslash escape stays") << "\\u005c" << "\\u005c";
    QTest::newRow("control entity") << "&#10;" << "\\u000a";
    QTest::newRow("escaped backslash before u") << "\\\\u00e9" << "\\\\u00e9";
    QTest::newRow("short escape") << "\\u12" << "\\u12";
    QTest::newRow("big entity") << "&#128512;" << QString::fromUcs4(U"\U0001F600", 1);
    QTest::newRow("out of range entity") << "&#9999999;" << "&#9999999;";
    QTest::newRow("plain") << "plain text" << "plain text";
}

void TestPuxOutputParser::characterCodes()
{
    QFETCH(QString, input);
    QFETCH(QString, expected);
    QCOMPARE(PuxOutputParser::decodeCharacterCodes(input), expected);
}

void TestPuxOutputParser::documentWithCharacterCodes()
{
    PARSE_OWN(info, "character-codes.json");
    QCOMPARE(info.title, QStringLiteral("Caf\u00e9 'Le Chat' & ") + QString::fromUcs4(U"\U0001F600", 1));
    QCOMPARE(info.profiles.size(), 1);
    QCOMPARE(info.profiles.first().description,
             QStringLiteral("Quote \"here\", escaped quote \"there\", backslash \\ and a literal \\u00e9, tab\tend"));
    QCOMPARE(info.profiles.first().url, QStringLiteral("http://127.0.0.1/18?a=1&b=2"));
}

void TestPuxOutputParser::badJson_data()
{
    QTest::addColumn<QString>("document");
    QTest::newRow("truncated") << readText(ownFixture("truncated.json"));
    QTest::newRow("empty") << QString();
    QTest::newRow("tool error text") << "ERROR: Unsupported URL: http://127.0.0.1/";
    QTest::newRow("array") << "[1, 2, 3]";
    QTest::newRow("null") << "null";
}

void TestPuxOutputParser::badJson()
{
    QFETCH(QString, document);
    WebMediaInfo info;
    info.url = QStringLiteral("http://127.0.0.1/watch?v=x");
    info.title = QStringLiteral("kept");
    info.errorText = QStringLiteral("earlier");
    QVERIFY(!PuxOutputParser::parseWebMediaInfo(document, info));
    QCOMPARE(info.url, QStringLiteral("http://127.0.0.1/watch?v=x"));
    QCOMPARE(info.title, QStringLiteral("kept"));
    QCOMPARE(info.errorText, QStringLiteral("earlier"));
    QVERIFY(info.profiles.isEmpty());

    WebMediaInfo fresh;
    fresh.url = QStringLiteral("http://127.0.0.1/watch?v=x");
    PuxOutputParser::parseWebMediaInfo(document, fresh);
    QVERIFY(!fresh.isValid());
}

void TestPuxOutputParser::secondDocumentIsIgnored()
{
    const QString one = readText(ownFixture("three-formats.json")).trimmed();
    WebMediaInfo info;
    info.url = QStringLiteral("http://127.0.0.1/list");
    QVERIFY(PuxOutputParser::parseWebMediaInfo(one + QLatin1Char('\n') + one + QLatin1Char('\n'), info));
    QCOMPARE(info.profiles.size(), 3);
}

void TestPuxOutputParser::localSiteProgressive()
{
    PARSE_OWN(info, "local-site-progressive.json");
    QCOMPARE(info.title, QStringLiteral("Sample clip (1)"));
    QCOMPARE(info.duration, qint64(12));
    QCOMPARE(info.thumbnailUrl, QStringLiteral("http://127.0.0.1:8080/thumb.jpg"));
    QCOMPARE(info.subtitleLanguages, QStringList({"de", "en"}));
    QCOMPARE(info.profiles.size(), 3);
    const struct
    {
        const char *id;
        QSize size;
        const char *format;
        const char *shown;
    } expected[] = {
        {"240p", QSize(426, 240), "MP4", "240P"},
        {"360p", QSize(640, 360), "MP4", "360P"},
        {"540p", QSize(960, 540), "WEBM", "540P"},
    };
    for (const auto &e : expected) {
        const MediaProfile *p = findProfile(info, QLatin1String(e.id));
        QVERIFY2(p, e.id);
        QCOMPARE(p->type, Kel::Video);
        QVERIFY2(!p->dash, "a progressive file carries its own sound");
        QCOMPARE(p->resolution, e.size);
        QCOMPARE(p->format, QLatin1String(e.format));
        QCOMPARE(p->resolutionString(), QLatin1String(e.shown));
        QCOMPARE(p->description, QStringLiteral(""));
    }
}

void TestPuxOutputParser::localSiteDash()
{
    PARSE_OWN(info, "local-site-dash.json");
    QCOMPARE(info.duration, qint64(0));
    QCOMPARE(info.profiles.size(), 2);
    const MediaProfile *video = findProfile(info, "0");
    const MediaProfile *audio = findProfile(info, "1");
    QVERIFY(video && audio);
    QCOMPARE(video->type, Kel::Video);
    QVERIFY(video->dash);
    QCOMPARE(video->resolutionString(), QStringLiteral("360P"));
    QCOMPARE(video->format, QStringLiteral("MP4"));
    QCOMPARE(audio->type, Kel::Audio);
    QVERIFY(audio->dash);
    QCOMPARE(audio->qualityLabel, QStringLiteral("69K"));
    QCOMPARE(audio->format, QStringLiteral("M4A"));
}

void TestPuxOutputParser::realDocuments_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("title");
    QTest::addColumn<qint64>("duration");
    QTest::addColumn<QString>("thumbnail");
    QTest::addColumn<int>("count");
    QTest::addColumn<QStringList>("audio");
    QTest::addColumn<QStringList>("progressive");
    QTest::addColumn<QStringList>("subtitles");

    QTest::newRow("youtube-dl 2014")
        << "youtube-dl-2014-phpMyDL-_-lO_1QCuoI.json" << "Clash of Clans Introduces: Clan Wars! (Coming Soon)"
        << qint64(46) << "https://i1.ytimg.com/vi/_-lO_1QCuoI/mqdefault.jpg" << 18 << QStringList({"140"})
        << QStringList({"5", "17", "18", "22", "36", "43"}) << QStringList();
    QTest::newRow("youtube-dl 2017")
        << "youtube-dl-2017-vodman.json" << "StarCraft: Remastered - UNITED EARTH DIRECTORATE!" << qint64(1205)
        << "https://i.ytimg.com/vi/5IwQ0AGvfuQ/default.jpg" << 27
        << QStringList({"139", "140", "171", "249", "250", "251"}) << QStringList({"17", "18", "22", "36", "43"})
        << QStringList();
    QTest::newRow("youtube-dl 2020 2160p")
        << "youtube-dl-2020-pyrepr-Rk0NIQfEXBA-2160p-tiny.json" << "Modes of Operation - Computerphile"
        << qint64(855) << "https://i.ytimg.com/vi/Rk0NIQfEXBA/mqdefault.jpg" << 20
        << QStringList({"140", "249", "250", "251"}) << QStringList({"18", "22"}) << QStringList();
    QTest::newRow("youtube-dl 2020 dash")
        << "youtube-dl-2020-pyrepr-ukKvDWpp-NE-dash.json" << "How to Add Scrolling Text Tutorial : Premiere Pro CC"
        << qint64(79) << "https://i.ytimg.com/vi/ukKvDWpp-NE/mqdefault.jpg" << 21
        << QStringList({"139", "140", "251"}) << QStringList({"18", "22"}) << QStringList();
    QTest::newRow("yt-dlp 2024")
        << "ytdlp-2024-pinchflat-bwRHIkYqYJo.json" << "Trying to Wheelie Without the Rear Brake" << qint64(582)
        << "https://i.ytimg.com/vi/bwRHIkYqYJo/mqdefault.jpg" << 42
        << QStringList({"139", "140", "233", "234", "249", "250", "251", "599", "600"}) << QStringList({"18", "22"})
        << QStringList({"de"});
    QTest::newRow("yt-dlp 2025")
        << "ytdlp-2025-ytgrabber-VcG1DZ4IlPg.json" << "Cold Burn" << qint64(581)
        << "https://i.ytimg.com/vi_webp/VcG1DZ4IlPg/mqdefault.webp" << 32
        << QStringList({"140", "233", "234", "249", "250", "251"}) << QStringList({"18"}) << QStringList();
}

void TestPuxOutputParser::realDocuments()
{
    if (!QFileInfo(QStringLiteral(MARLIN_FIXTURES_DIR "/ytdlp")).isDir())
        QSKIP("The shared fixtures folder " MARLIN_FIXTURES_DIR "/ytdlp is missing (it lies beside the "
              "repository as shared/fixtures): these tests read the real documents of the extractor tool from it");
    QFETCH(QString, file);
    QFETCH(QString, title);
    QFETCH(qint64, duration);
    QFETCH(QString, thumbnail);
    QFETCH(int, count);
    QFETCH(QStringList, audio);
    QFETCH(QStringList, progressive);
    QFETCH(QStringList, subtitles);

    const QString text = readText(sharedFixture(file));
    QVERIFY2(!text.isEmpty(), qPrintable(sharedFixture(file)));
    WebMediaInfo info;
    info.url = QStringLiteral("https://www.example.invalid/watch?v=x");
    QVERIFY(PuxOutputParser::parseWebMediaInfo(text, info));
    QVERIFY(info.isValid());
    QCOMPARE(info.title, title);
    QCOMPARE(info.duration, duration);
    QCOMPARE(info.thumbnailUrl, thumbnail);
    QCOMPARE(info.profiles.size(), count);
    QCOMPARE(idsWhere(info, isAudio), audio);
    QCOMPARE(idsWhere(info, isProgressive), progressive);
    QCOMPARE(info.subtitleLanguages, subtitles);
    QCOMPARE(info.hasSubtitles(), !subtitles.isEmpty());

    for (const MediaProfile &p : info.profiles) {
        QVERIFY2(!p.name.isEmpty() && !p.format.isEmpty() && !p.url.isEmpty(), qPrintable(p.toString()));
        QVERIFY2(p.format != QLatin1String("MHTML"), "storyboards are no quality");
        if (p.type == Kel::Audio) {
            QVERIFY(p.dash);
            QCOMPARE(p.resolution, QSize(-1, -1));
        } else {
            // Every picture has a size a person can read.
            QVERIFY2(p.resolution.width() > 0 && p.resolution.height() > 0, qPrintable(p.toString()));
            QVERIFY2(!p.resolutionString().contains(QLatin1String("-1")), qPrintable(p.resolutionString()));
        }
    }
}

void TestPuxOutputParser::realDocumentDetails()
{
    if (!QFileInfo(QStringLiteral(MARLIN_FIXTURES_DIR "/ytdlp")).isDir())
        QSKIP("The shared fixtures folder " MARLIN_FIXTURES_DIR "/ytdlp is missing (it lies beside the "
              "repository as shared/fixtures): these tests read the real documents of the extractor tool from it");

    WebMediaInfo old;
    QVERIFY(PuxOutputParser::parseWebMediaInfo(readText(sharedFixture("youtube-dl-2014-phpMyDL-_-lO_1QCuoI.json")), old));
    QCOMPARE(old.fileTitle, QStringLiteral("Clash of Clans Introduces  Clan Wars! (Coming Soon)"));
    const MediaProfile *p160 = findProfile(old, "160");
    QVERIFY(p160);
    QVERIFY(p160->dash);
    QCOMPARE(p160->qualityLabel, QStringLiteral("192p"));
    QCOMPARE(p160->resolution, QSize(336, 192));
    QCOMPARE(findProfile(old, "140")->qualityLabel, QStringLiteral("128K"));
    QVERIFY(findProfile(old, "248")->dash);
    QCOMPARE(findProfile(old, "248")->resolutionString(), QStringLiteral("1080P"));
    QVERIFY(!findProfile(old, "171"));

    WebMediaInfo big;
    QVERIFY(PuxOutputParser::parseWebMediaInfo(
        readText(sharedFixture("youtube-dl-2020-pyrepr-Rk0NIQfEXBA-2160p-tiny.json")), big));
    Kel::MediaProfileList sorted = big.profiles;
    std::stable_sort(sorted.begin(), sorted.end());
    QCOMPARE(sorted.last().name, QStringLiteral("313"));
    QCOMPARE(sorted.last().resolution, QSize(3840, 2160));
    QCOMPARE(findProfile(big, "137")->resolutionString(), QStringLiteral("1080P"));
    QCOMPARE(findProfile(big, "22")->resolutionString(), QStringLiteral("720P"));
    QCOMPARE(findProfile(big, "251")->qualityLabel, QStringLiteral("160K"));

    WebMediaInfo recent;
    QVERIFY(PuxOutputParser::parseWebMediaInfo(readText(sharedFixture("ytdlp-2025-ytgrabber-VcG1DZ4IlPg.json")), recent));
    QVERIFY(findProfile(recent, "18")->description.contains(
        QStringLiteral("Cold Burn \u00b7 Cult of Luna")));
    QCOMPARE(findProfile(recent, "137")->resolution, QSize(1080, 1080));
    QCOMPARE(findProfile(recent, "140")->qualityLabel, QStringLiteral("129K"));
}

QTEST_GUILESS_MAIN(TestPuxOutputParser)
#include "tst_puxoutputparser.moc"
