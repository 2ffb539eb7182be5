#include "tarncore/download/appcontext.h"
#include "tarncore/settings/mediainfodict.h"
#include "tarncore/settings/settingsmanager.h"
#include "kelframe/kelfolders.h"
#include "kelframe/kelpref.h"
#include "support/testtools.h"

#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

#include <json/reader.h>

#include <memory>

using namespace Tarn;

// The configuration files that ship in the application directory: they must
// load without a skipped section or a dropped preset, and name only
// encoders that the installed ffmpeg has.
class TestShippedConfig : public QObject
{
    Q_OBJECT

private:
    QString confDir() const { return TestTools::appDir() + QStringLiteral("/conf"); }
    QString dictFile() const { return confDir() + QStringLiteral("/basic_parameters.json"); }
    QString profilesFile() const { return confDir() + QStringLiteral("/profiles.json"); }

    std::unique_ptr<QTemporaryDir> m_root;
    std::unique_ptr<KelPref> m_pref;
    std::unique_ptr<SettingsManager> m_settings;
    MediaInfoDict m_dict;

    // Profiles per category as written in the file, read independently.
    QMap<QString, int> writtenProfileCounts()
    {
        QMap<QString, int> counts;
        QFile file(profilesFile());
        if (!file.open(QIODevice::ReadOnly))
            return counts;
        const QByteArray data = file.readAll();
        Json::CharReaderBuilder builder;
        std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
        Json::Value root;
        if (!reader->parse(data.constData(), data.constData() + data.size(), &root, nullptr))
            return counts;
        for (const Json::Value &category : root["Catagories"])
            counts[QString::fromStdString(category["Name"].asString())] += int(category["Profiles"].size());
        return counts;
    }

    static QSet<QString> installedEncoders()
    {
        const TestTools::RunResult result = TestTools::run(TestTools::ffmpegPath(),
                                                           {QStringLiteral("-hide_banner"), QStringLiteral("-encoders")});
        QSet<QString> names;
        if (!result.succeeded())
            return names;
        bool listing = false;
        for (const QByteArray &line : result.standardOutput.split('\n')) {
            const QList<QByteArray> fields = line.simplified().split(' ');
            if (fields.at(0) == "------") {
                listing = true;
                continue;
            }
            if (listing && fields.size() >= 2)
                names.insert(QString::fromLatin1(fields.at(1)));
        }
        return names;
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(QFileInfo::exists(dictFile()), qPrintable(dictFile() + QStringLiteral(" is missing: build app_data")));
        QVERIFY2(QFileInfo::exists(profilesFile()), qPrintable(profilesFile()));
        m_root = std::make_unique<QTemporaryDir>();
        Kel::setFolderRoot(m_root->path());
        m_pref = std::make_unique<KelPref>(m_root->filePath(QStringLiteral("settings.ini")));
        SettingsManager::setPreferenceStore(m_pref.get());
        AppContext::setAppDirOverride(TestTools::appDir());
        m_settings = std::make_unique<SettingsManager>();
        QVERIFY(m_dict.load(dictFile()));
    }

    void cleanupTestCase()
    {
        m_settings.reset();
        SettingsManager::setPreferenceStore(nullptr);
        m_pref.reset();
        AppContext::setAppDirOverride(QString());
        Kel::setFolderRoot(QString());
    }

    void dictionaryHasEverySection()
    {
        QVERIFY(!m_dict.isNull());
        QVERIFY(m_dict.getConvertFormatSupport().isValid());
        QVERIFY(m_dict.getConvertResolutionSupport().isValid());
        QVERIFY(m_dict.getWebMediaFormatSupport().isValid());
        QVERIFY(m_dict.getWebMediaResolutionSupport().isValid());
        QVERIFY(!m_dict.getConvertVideoCodecSupportRules().isEmpty());
        QVERIFY(!m_dict.getConvertAudioCodecSupportRules().isEmpty());
        QVERIFY(!m_dict.getConvertVideoBitRateSupportRules().isEmpty());
        QVERIFY(!m_dict.getConvertAudioBitRateSupportRules().isEmpty());
        QVERIFY(!m_dict.getConvertAudioSampleRateSupports().isEmpty());
        QVERIFY(!m_dict.getCodecDefinitions().isEmpty());
        // The settings manager reads the same file.
        QVERIFY(!m_settings->getMediaInfoDict().isNull());
        QCOMPARE(m_settings->getMediaInfoDict().getCodecDefinitions(), m_dict.getCodecDefinitions());
    }

    void everyEntryHasItsDefault()
    {
        for (const CodecRule &rule : m_dict.getConvertVideoCodecSupportRules())
            QVERIFY2(rule.isValid(), qPrintable(rule.getFilter(QStringLiteral("Format"))));
        for (const CodecRule &rule : m_dict.getConvertAudioCodecSupportRules())
            QVERIFY2(rule.isValid(), qPrintable(rule.getFilter(QStringLiteral("Format"))));
        for (const BitRateRule &rule : m_dict.getConvertVideoBitRateSupportRules()) {
            QVERIFY(rule.isValid());
            QVERIFY(rule.getSupport().getBitRates().contains(rule.getSupport().getDefaultBitRate()));
        }
        for (const BitRateRule &rule : m_dict.getConvertAudioBitRateSupportRules()) {
            QVERIFY(rule.isValid());
            QVERIFY(rule.getSupport().getBitRates().contains(rule.getSupport().getDefaultBitRate()));
        }
        for (const SampleRate &rate : m_dict.getConvertAudioSampleRateSupports())
            QVERIFY(rate.getSampleRates().contains(rate.getDefaultSampleRate()));
    }

    void offersTheExpectedFormats()
    {
        const QList<QString> &formats = m_dict.getConvertFormatSupport().getFormats();
        for (const char *format : {"MP4", "MKV", "MOV", "AVI", "WMV", "FLV", "WEBM", "MP3", "M4A", "WAV", "FLAC"})
            QVERIFY2(formats.contains(QLatin1String(format)), format);
        const QList<QString> &web = m_dict.getWebMediaFormatSupport().getFormats();
        for (const char *format : {"MP4", "WEBM", "M4A", "WEBM AUDIO"})
            QVERIFY2(web.contains(QLatin1String(format)), format);
        QCOMPARE(web.first(), QString("MP4"));
    }

    // What the custom-profile page offers must fit together.
    void everyFormatHasRulesForItsChoices()
    {
        const QSet<QString> audioOnly = {QStringLiteral("MP3"), QStringLiteral("M4A"), QStringLiteral("WAV"),
                                         QStringLiteral("FLAC")};
        const QList<QSize> &sizes = m_dict.getConvertResolutionSupport().getResolutions();
        for (const QString &format : m_dict.getConvertFormatSupport().getFormats()) {
            const CodecRule video = m_dict.getConvertVideoCodecSupportRule(format);
            QCOMPARE(video.isValid(), !audioOnly.contains(format));
            const QList<QString> videoCodecs = video.isValid() ? video.getSupport().getCodecs() : QList<QString>{QString()};
            for (const QString &codec : videoCodecs) {
                const CodecRule audio = m_dict.getConvertAudioCodecSupportRule(format, codec);
                QVERIFY2(audio.isValid(), qPrintable(format + QLatin1Char('/') + codec));
                if (!codec.isEmpty()) {
                    for (const QSize &size : sizes)
                        QVERIFY(m_dict.getConvertVideoBitRateSupportRule(codec, size).isValid());
                    QVERIFY(m_dict.getConvertVideoBitRateSupportRule(codec, QSize(-1, -1)).isValid());
                }
            }
            QVERIFY2(m_dict.getConvertAudioBitRateSupportRule(format, QSize(-1, -1)).isValid(), qPrintable(format));
        }
    }

    void everyCodecNameHasADefinition()
    {
        QSet<QString> names;
        for (const CodecRule &rule : m_dict.getConvertVideoCodecSupportRules())
            names.unite(QSet<QString>(rule.getSupport().getCodecs().cbegin(), rule.getSupport().getCodecs().cend()));
        for (const CodecRule &rule : m_dict.getConvertAudioCodecSupportRules())
            names.unite(QSet<QString>(rule.getSupport().getCodecs().cbegin(), rule.getSupport().getCodecs().cend()));
        for (const QString &name : names)
            QVERIFY2(m_dict.getFFmpegCodecValue(name) != name, qPrintable(name));
        // Display names and encoder names are one to one.
        QSet<QString> encoders;
        for (const CodecDefinition &definition : m_dict.getCodecDefinitions()) {
            QVERIFY(!definition.getName().isEmpty());
            QVERIFY(!encoders.contains(definition.getFFmpegValue()));
            encoders.insert(definition.getFFmpegValue());
        }
    }

    void everyPresetLoads()
    {
        const QMap<QString, int> written = writtenProfileCounts();
        QVERIFY(!written.isEmpty());
        const QMap<QString, QList<Kel::MediaProfile>> &presets = m_settings->getPresetProfiles();
        QCOMPARE(presets.keys(), written.keys());
        QSet<QString> names;
        for (auto it = presets.cbegin(); it != presets.cend(); ++it) {
            QCOMPARE(it.value().size(), written.value(it.key()));
            for (const Kel::MediaProfile &profile : it.value()) {
                QVERIFY2(!names.contains(profile.name), qPrintable(profile.name));
                names.insert(profile.name);
                QVERIFY(!profile.description.isEmpty());
                QVERIFY(profile.type == Kel::Video || profile.type == Kel::Audio);
                QVERIFY2(m_dict.getConvertFormatSupport().getFormats().contains(profile.format), qPrintable(profile.name));
            }
        }
        for (const char *category : {"Phone", "Tablet", "TV", "Web Video", "Audio"})
            QVERIFY2(presets.contains(QLatin1String(category)), category);
    }

    void presetsUseCodecsTheirFormatAllows()
    {
        const QMap<QString, QList<Kel::MediaProfile>> &presets = m_settings->getPresetProfiles();
        for (const QList<Kel::MediaProfile> &list : presets) {
            for (const Kel::MediaProfile &p : list) {
                const QString aCodec = m_dict.getFFmpegCodecName(p.aCodec);
                QVERIFY2(aCodec != p.aCodec, qPrintable(p.name));
                if (p.type == Kel::Video) {
                    const QString vCodec = m_dict.getFFmpegCodecName(p.vCodec);
                    QVERIFY2(vCodec != p.vCodec, qPrintable(p.name));
                    QVERIFY2(m_dict.getConvertVideoCodecSupportRule(p.format).getSupport().getCodecs().contains(vCodec),
                             qPrintable(p.name));
                    QVERIFY2(p.frameRate > 0.0, qPrintable(p.name));
                    QVERIFY2(p.autoResolution || p.resolution.isValid(), qPrintable(p.name));
                }
                QVERIFY2(m_dict.getConvertAudioCodecSupportRule(p.format, m_dict.getFFmpegCodecName(p.vCodec))
                             .getSupport()
                             .getCodecs()
                             .contains(aCodec),
                         qPrintable(p.name));
                QVERIFY2(p.aBitRate > 0 && p.aSampleRate > 0, qPrintable(p.name));
            }
        }
    }

    void defaultsPointAtRealProfiles()
    {
        QVERIFY(m_settings->isDefaultDownloadQualityBest());
        QVERIFY(m_dict.getWebMediaResolutionSupport().getResolutions().contains(
            m_settings->getDefaultDownloadQualityResolution()));
        QVERIFY(m_settings->getProfileByName(m_settings->getDefaultConvertProfileName()).isValid());
        const Kel::MediaProfile custom = m_settings->getDefaultCustomConvertProfile();
        QVERIFY(custom.isValid());
        QCOMPARE(custom.name, SettingsManager::CustomizedProfileName);
        QCOMPARE(m_settings->getQuickConvertProfile().name, m_settings->getDefaultConvertProfileName());
    }

    // Every encoder the files name exists in the installed ffmpeg.
    void encodersExistInFFmpeg()
    {
        if (!TestTools::requireProgram(QStringLiteral("ffmpeg")))
            return;
        const QSet<QString> installed = installedEncoders();
        QVERIFY2(installed.size() > 20, "ffmpeg -encoders gave no list");
        QStringList unknown;
        for (const CodecDefinition &definition : m_dict.getCodecDefinitions()) {
            if (!installed.contains(definition.getFFmpegValue()))
                unknown << definition.getFFmpegValue();
        }
        const QMap<QString, QList<Kel::MediaProfile>> &presets = m_settings->getPresetProfiles();
        for (const QList<Kel::MediaProfile> &list : presets) {
            for (const Kel::MediaProfile &p : list) {
                for (const QString &codec : {p.vCodec, p.aCodec}) {
                    if (!codec.isEmpty() && !installed.contains(codec))
                        unknown << QStringLiteral("%1 (%2)").arg(codec, p.name);
                }
            }
        }
        QVERIFY2(unknown.isEmpty(), qPrintable(QStringLiteral("unknown encoders: ") + unknown.join(QStringLiteral(", "))));
    }
};

QTEST_GUILESS_MAIN(TestShippedConfig)
#include "tst_shippedconfig.moc"
