#include "tarncore/settings/abitraterule.h"
#include "tarncore/settings/acodecrule.h"
#include "tarncore/settings/mediainfodict.h"
#include "tarncore/settings/vbitraterule.h"
#include "tarncore/settings/vcodecrule.h"
#include "support/testtools.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace Tarn;

namespace {

QString fixture()
{
    return TestTools::sourceDir() + QStringLiteral("/tests/fixtures/settings/conf/basic_parameters.json");
}

// The ten sections in loading order, each as one small valid JSON member.
const QList<QPair<QString, QString>> &sections()
{
    static const QList<QPair<QString, QString>> list = {
        {QStringLiteral("Convert Format Support"), QStringLiteral(R"({"Formats": ["MP4"], "Default": "MP4"})")},
        {QStringLiteral("Convert Resolution Support"),
         QStringLiteral(R"({"Resolutions": ["640x360"], "Default": "640x360"})")},
        {QStringLiteral("Convert Video Codec Support Rules"),
         QStringLiteral(R"([{"Format": "*", "Codec Support": {"Codecs": ["H.264"], "Default": "H.264"}}])")},
        {QStringLiteral("Convert Audio Codec Support Rules"),
         QStringLiteral(R"([{"Format": "*", "Codec": "*", "Codec Support": {"Codecs": ["AAC"], "Default": "AAC"}}])")},
        {QStringLiteral("Convert Video Bit Rate Support Rules"),
         QStringLiteral(R"([{"Codec": "*", "Resolution": "*", "Bit Rate Support": {"Bit Rates": ["1M"], "Default": "1M"}}])")},
        {QStringLiteral("Convert Audio Bit Rate Support Rules"),
         QStringLiteral(R"([{"Format": "*", "Resolution": "*", "Bit Rate Support": {"Bit Rates": ["128K"], "Default": "128K"}}])")},
        {QStringLiteral("Convert Audio Sample Rate Support"),
         QStringLiteral(R"([{"Sample Rates": ["44100"], "Default": "44100"}])")},
        {QStringLiteral("Web Media Format Support"), QStringLiteral(R"({"Formats": ["MP4"], "Default": "MP4"})")},
        {QStringLiteral("Web Media Resolution Support"),
         QStringLiteral(R"({"Resolutions": ["1280x720"], "Default": "1280x720"})")},
        {QStringLiteral("Codec Definition"), QStringLiteral(R"([{"Name": "H.264", "FFmpeg Value": "libx264"}])")},
    };
    return list;
}

// Which sections a dictionary holds, in loading order.
QList<bool> loadedSections(const MediaInfoDict &dict)
{
    return {
        !dict.getConvertFormatSupport().getFormats().isEmpty(),
        !dict.getConvertResolutionSupport().getResolutions().isEmpty(),
        !dict.getConvertVideoCodecSupportRules().isEmpty(),
        !dict.getConvertAudioCodecSupportRules().isEmpty(),
        !dict.getConvertVideoBitRateSupportRules().isEmpty(),
        !dict.getConvertAudioBitRateSupportRules().isEmpty(),
        !dict.getConvertAudioSampleRateSupports().isEmpty(),
        !dict.getWebMediaFormatSupport().getFormats().isEmpty(),
        !dict.getWebMediaResolutionSupport().getResolutions().isEmpty(),
        !dict.getCodecDefinitions().isEmpty(),
    };
}

} // namespace

class TestMediaInfoDict : public QObject
{
    Q_OBJECT

private:
    QString writeFile(const QString &name, const QByteArray &content)
    {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return QString();
        file.write(content);
        return path;
    }

    QTemporaryDir m_dir;

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY2(QFileInfo::exists(fixture()), qPrintable(fixture()));
    }

    // Parsing of the small texts of the file.
    void parseBitRate_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("expected");
        QTest::newRow("plain") << "128000" << 128000;
        QTest::newRow("lower k") << "1500k" << 1500000;
        QTest::newRow("upper K") << "1500K" << 1500000;
        QTest::newRow("mega") << "2M" << 2000000;
        QTest::newRow("fraction") << "1.5M" << 1500000;
        QTest::newRow("fraction exact") << "4.35K" << 4350;
        QTest::newRow("giga") << "1G" << 1000000000;
        QTest::newRow("too big") << "3G" << -1;
        QTest::newRow("tera") << "1T" << -1;
        QTest::newRow("blanks") << " 96 K " << 96000;
        QTest::newRow("word") << "fast" << -1;
        QTest::newRow("empty") << "" << -1;
        QTest::newRow("unit only") << "K" << -1;
        QTest::newRow("other unit") << "5X" << -1;
        QTest::newRow("negative") << "-3K" << -3000;
    }
    void parseBitRate()
    {
        QFETCH(QString, text);
        QFETCH(int, expected);
        QCOMPARE(MediaInfoDict::parseBitRate(text), expected);
    }

    void parseResolution_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QSize>("expected");
        QTest::newRow("lower x") << "1280x720" << QSize(1280, 720);
        QTest::newRow("upper X") << "640X360" << QSize(640, 360);
        QTest::newRow("aspect") << "16x9" << QSize(16, 9);
        QTest::newRow("three parts") << "1x2x3" << QSize(-1, -1);
        QTest::newRow("no x") << "1280" << QSize(-1, -1);
        QTest::newRow("word") << "widex720" << QSize(-1, -1);
        QTest::newRow("empty") << "" << QSize(-1, -1);
    }
    void parseResolution()
    {
        QFETCH(QString, text);
        QFETCH(QSize, expected);
        QCOMPARE(MediaInfoDict::parseResolution(text), expected);
    }

    // Loading.
    void loadsTheFixtureCompletely()
    {
        MediaInfoDict dict;
        QVERIFY(dict.isNull());
        QVERIFY(dict.load(fixture()));
        QVERIFY(!dict.isNull());

        // Duplicates and empty names dropped, file order kept.
        QCOMPARE(dict.getConvertFormatSupport().getFormats(),
                 QList<QString>({"MP4", "MKV", "MP3", "WEBM"}));
        QCOMPARE(dict.getConvertFormatSupport().getDefaultFormat(), QString("MP4"));
        // Unreadable and empty sizes are not offered.
        QCOMPARE(dict.getConvertResolutionSupport().getResolutions(),
                 QList<QSize>({QSize(1280, 720), QSize(640, 360)}));
        QCOMPARE(dict.getConvertResolutionSupport().getDefaultResolution(), QSize(640, 360));
        // The rule without support member and the non-object are dropped.
        QCOMPARE(dict.getConvertVideoCodecSupportRules().size(), 3);
        QCOMPARE(dict.getConvertAudioCodecSupportRules().size(), 3);
        QCOMPARE(dict.getConvertVideoBitRateSupportRules().size(), 2);
        QCOMPARE(dict.getConvertAudioBitRateSupportRules().size(), 1);
        QCOMPARE(dict.getWebMediaFormatSupport().getFormats(),
                 QList<QString>({"MP4", "WEBM", "M4A", "WEBM AUDIO"}));
        QCOMPARE(dict.getWebMediaFormatSupport().getDefaultFormat(), QString("WEBM"));
        QCOMPARE(dict.getWebMediaResolutionSupport().getDefaultResolution(), QSize(640, 360));
    }

    void codecListSkipsEmptyAndDuplicateNames()
    {
        MediaInfoDict dict(fixture());
        const CodecRule rule = dict.getConvertVideoCodecSupportRule(QStringLiteral("MP4"));
        QVERIFY(rule.isValid());
        QCOMPARE(rule.getSupport().getCodecs(), QList<QString>({"H.264", "MPEG-4"}));
        QCOMPARE(rule.getSupport().getDefaultCodec(), QString("H.264"));
    }

    void badBitRatesAreDroppedAndDefaultOutsideListIsIgnored()
    {
        MediaInfoDict dict(fixture());
        const BitRateRule rule = dict.getConvertVideoBitRateSupportRule(QStringLiteral("H.264"), QSize(1280, 720));
        QVERIFY(rule.isValid());
        // "1500k" and "1500K" are one rate; "fast", "", negative and
        // overflowing rates never reach the list.
        QCOMPARE(rule.getSupport().getBitRates(), QList<int>({1500000, 2000000, 500000}));
        QCOMPARE(rule.getSupport().getDefaultBitRate(), -1);
        QCOMPARE(rule.getSupport().getMinimumBitRate(), 500000);
        QCOMPARE(rule.getSupport().getMaximumBitRate(), 2000000);

        const BitRateRule audio = dict.getConvertAudioBitRateSupportRule(QStringLiteral("MP3"), QSize(-1, -1));
        QCOMPARE(audio.getSupport().getDefaultBitRate(), 192000);
    }

    void defaultsOutsideTheListStayUnset()
    {
        MediaInfoDict dict(fixture());
        // Codec: default named but not listed -> empty, and the rule is not valid.
        const CodecRule mp4 = dict.getConvertAudioCodecSupportRule(QStringLiteral("MP4"), QStringLiteral("H.264"));
        QCOMPARE(mp4.getSupport().getCodecs(), QList<QString>({"AAC", "MP3"}));
        QVERIFY(mp4.getSupport().getDefaultCodec().isEmpty());
        QVERIFY(!mp4.isValid());
        // Sample rate: default stays -1.
        const QList<SampleRate> &rates = dict.getConvertAudioSampleRateSupports();
        QCOMPARE(rates.size(), 2);
        QCOMPARE(rates.at(0).getSampleRates(), QList<qint64>({44100, 48000}));
        QCOMPARE(rates.at(0).getDefaultSampleRate(), qint64(48000));
        QCOMPARE(rates.at(1).getSampleRates(), QList<qint64>({22050}));
        QCOMPARE(rates.at(1).getDefaultSampleRate(), qint64(-1));
    }

    void formatDefaultOutsideTheList()
    {
        const QString path = writeFile(QStringLiteral("format-default.json"), R"({
            "Convert Format Support": {"Formats": ["MP4"], "Default": "AVI"},
            "Convert Resolution Support": {"Resolutions": ["640x360"], "Default": "1x1"}})");
        MediaInfoDict dict(path);
        QVERIFY(dict.getConvertFormatSupport().getDefaultFormat().isEmpty());
        QCOMPARE(dict.getConvertResolutionSupport().getDefaultResolution(), QSize(-1, -1));
        QVERIFY(!dict.getConvertResolutionSupport().isValid());
        QVERIFY(dict.isNull());
    }

    void formatSupportWithoutDefaultLoadsButStaysNull()
    {
        const QString path = writeFile(QStringLiteral("no-default.json"),
                                       R"({"Convert Format Support": {"Formats": ["MP4", "MKV"]}})");
        MediaInfoDict dict;
        QVERIFY(!dict.load(path));
        QCOMPARE(dict.getConvertFormatSupport().getFormats().size(), 2);
        QVERIFY(dict.isNull());
    }

    // Loading stops at the first missing section; the ones before stay.
    void stopsAtTheFirstMissingSection_data()
    {
        QTest::addColumn<int>("missing");
        for (int i = 0; i < sections().size(); ++i)
            QTest::newRow(qPrintable(sections().at(i).first)) << i;
    }
    void stopsAtTheFirstMissingSection()
    {
        QFETCH(int, missing);
        QStringList members;
        for (int i = 0; i < sections().size(); ++i) {
            if (i != missing)
                members << QStringLiteral("\"%1\": %2").arg(sections().at(i).first, sections().at(i).second);
        }
        const QString path = writeFile(QStringLiteral("missing-%1.json").arg(missing),
                                       QStringLiteral("{%1}").arg(members.join(QStringLiteral(",\n"))).toUtf8());
        MediaInfoDict dict;
        QVERIFY(!dict.load(path));
        const QList<bool> loaded = loadedSections(dict);
        for (int i = 0; i < loaded.size(); ++i)
            QVERIFY2(loaded.at(i) == (i < missing), qPrintable(QStringLiteral("section %1").arg(i)));
    }

    void arraySectionOfTheWrongTypeStopsLoading()
    {
        const QString path = writeFile(QStringLiteral("wrong-type.json"), R"({
            "Convert Format Support": {"Formats": ["MP4"], "Default": "MP4"},
            "Convert Resolution Support": {"Resolutions": ["640x360"], "Default": "640x360"},
            "Convert Video Codec Support Rules": {"Format": "*"},
            "Convert Audio Codec Support Rules": []})");
        MediaInfoDict dict;
        QVERIFY(!dict.load(path));
        QVERIFY(!dict.isNull());
        QVERIFY(dict.getConvertVideoCodecSupportRules().isEmpty());
    }

    void unusableFilesLoadNothing_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("not json") << QByteArray("{\"Convert Format Support\": ");
        QTest::newRow("array root") << QByteArray(R"([{"Convert Format Support": {"Formats": ["MP4"]}}])");
        QTest::newRow("string root") << QByteArray(R"("MP4")");
        QTest::newRow("section is a number") << QByteArray(R"({"Convert Format Support": 5})");
        QTest::newRow("empty file") << QByteArray();
    }
    void unusableFilesLoadNothing()
    {
        QFETCH(QByteArray, content);
        const QString path = writeFile(QStringLiteral("unusable.json"), content);
        MediaInfoDict dict;
        QVERIFY(!dict.load(path));
        QVERIFY(dict.isNull());
        QVERIFY(dict.getConvertFormatSupport().getFormats().isEmpty());
        QVERIFY(dict.getCodecDefinitions().isEmpty());
    }

    void missingFileLoadsNothing()
    {
        MediaInfoDict dict(m_dir.filePath(QStringLiteral("nowhere.json")));
        QVERIFY(dict.isNull());
        QCOMPARE(dict.getFFmpegCodecValue(QStringLiteral("H.264")), QString("H.264"));
        QVERIFY(!dict.getConvertVideoCodecSupportRule(QStringLiteral("MP4")).isValid());
    }

    void reloadingDoesNotDuplicateRules()
    {
        MediaInfoDict dict(fixture());
        QVERIFY(dict.load(fixture()));
        QCOMPARE(dict.getConvertVideoCodecSupportRules().size(), 3);
        QCOMPARE(dict.getConvertAudioSampleRateSupports().size(), 2);
        QCOMPARE(dict.getCodecDefinitions().size(), 6);
    }

    // Rule matching.
    void videoCodecRuleLookup_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("expectedDefault");
        QTest::newRow("own rule first") << "MKV" << "VP9";
        QTest::newRow("star matches") << "MP4" << "H.264";
        // The WEBM rule comes after the "*" rule and is never reached.
        QTest::newRow("star shadows later rule") << "WEBM" << "H.264";
        QTest::newRow("star matches empty") << "" << "H.264";
    }
    void videoCodecRuleLookup()
    {
        QFETCH(QString, format);
        QFETCH(QString, expectedDefault);
        MediaInfoDict dict(fixture());
        QCOMPARE(dict.getConvertVideoCodecSupportRule(format).getSupport().getDefaultCodec(), expectedDefault);
    }

    void audioRuleWithoutCodecMemberMatchesOnlyAnEmptyCodec()
    {
        MediaInfoDict dict(fixture());
        const CodecRule empty = dict.getConvertAudioCodecSupportRule(QStringLiteral("MP3"), QString());
        QVERIFY(empty.isValid());
        QCOMPARE(empty.getFilter(QStringLiteral("Codec")), QString());
        QCOMPARE(empty.getSupport().getDefaultCodec(), QString("MP3"));
        QVERIFY(!dict.getConvertAudioCodecSupportRule(QStringLiteral("MP3"), QStringLiteral("H.264")).isValid());
    }

    void matchingIsCaseSensitive()
    {
        MediaInfoDict dict(fixture());
        QVERIFY(dict.getConvertAudioCodecSupportRule(QStringLiteral("MKV"), QStringLiteral("VP9")).isValid());
        QVERIFY(!dict.getConvertAudioCodecSupportRule(QStringLiteral("mkv"), QStringLiteral("VP9")).isValid());
        QVERIFY(!dict.getConvertAudioCodecSupportRule(QStringLiteral("MKV"), QStringLiteral("vp9")).isValid());
    }

    void bitRateRuleMatchesResolutionAsText()
    {
        MediaInfoDict dict(fixture());
        const BitRateRule exact = dict.getConvertVideoBitRateSupportRule(QStringLiteral("H.264"), QSize(1280, 720));
        QCOMPARE(exact.getFilter(QStringLiteral("Resolution")), QString("1280x720"));
        const BitRateRule other = dict.getConvertVideoBitRateSupportRule(QStringLiteral("H.264"), QSize(640, 360));
        QCOMPARE(other.getSupport().getBitRates(), QList<int>({1000000}));
        const BitRateRule unknown = dict.getConvertVideoBitRateSupportRule(QStringLiteral("VP9"), QSize(-1, -1));
        QCOMPARE(unknown.getSupport().getDefaultBitRate(), 1000000);
    }

    void ruleMatchNeedsTheSameFilterNames()
    {
        VCodecRule video;
        QMap<QString, QString> query;
        query.insert(QStringLiteral("Format"), QString());
        QVERIFY(video.matches(query));
        query.insert(QStringLiteral("Codec"), QStringLiteral("H.264"));
        QVERIFY(!video.matches(query));

        ACodecRule audio;
        audio.addFilter(QStringLiteral("Format"), QStringLiteral("*"));
        audio.addFilter(QStringLiteral("Codec"), QStringLiteral("*"));
        QVERIFY(audio.matches(query));
        QMap<QString, QString> wrongNames;
        wrongNames.insert(QStringLiteral("Format"), QStringLiteral("MP4"));
        wrongNames.insert(QStringLiteral("Resolution"), QStringLiteral("1x1"));
        QVERIFY(!audio.matches(wrongNames));

        QCOMPARE(VBitRateRule().getAllFilters(), QList<QString>({"Codec", "Resolution"}));
        QCOMPARE(ABitRateRule().getAllFilters(), QList<QString>({"Format", "Resolution"}));
    }

    // Codec names.
    void codecNames()
    {
        MediaInfoDict dict(fixture());
        QCOMPARE(dict.getCodecDefinitions().size(), 6);
        QCOMPARE(dict.getFFmpegCodecValue(QStringLiteral("H.264")), QString("libx264"));
        QCOMPARE(dict.getFFmpegCodecValue(QStringLiteral("AVC")), QString("libx264"));
        QCOMPARE(dict.getFFmpegCodecValue(QStringLiteral("Theora")), QString("Theora"));
        // The first definition with that encoder gives the display name.
        QCOMPARE(dict.getFFmpegCodecName(QStringLiteral("libx264")), QString("H.264"));
        QCOMPARE(dict.getFFmpegCodecName(QStringLiteral("libtheora")), QString("libtheora"));
        QCOMPARE(dict.getCodecDefinitions().last(), CodecDefinition(QStringLiteral("Nameless"), QString()));
    }
};

QTEST_GUILESS_MAIN(TestMediaInfoDict)
#include "tst_mediainfodict.moc"
