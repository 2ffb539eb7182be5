#include "tarncore/download/appcontext.h"
#include "tarncore/settings/mediainfodict.h"
#include "tarncore/settings/settingsmanager.h"
#include "kelframe/kelfolders.h"
#include "kelframe/kelpref.h"
#include "support/testtools.h"

#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace Tarn;

// Encodes a short generated clip with every codec combination the shipped
// dictionary offers and with every shipped preset, the way the converter
// passes its options, so that no choice the user can make is one ffmpeg
// refuses.
class TestShippedFormats : public QObject
{
    Q_OBJECT

private:
    static QString confFile(const char *name) { return TestTools::appDir() + QStringLiteral("/conf/") + QLatin1String(name); }

    static bool isAudioOnly(const QString &format)
    {
        return format.compare(QLatin1String("mp3"), Qt::CaseInsensitive) == 0 || format == QLatin1String("M4A")
            || format == QLatin1String("WAV") || format == QLatin1String("FLAC");
    }

    void encode(const Kel::MediaProfile &p)
    {
        if (!TestTools::requireProgram(QStringLiteral("ffmpeg")))
            return;
        const bool audioOnly = isAudioOnly(p.format);
        const QString target = m_dir.filePath(QStringLiteral("out.") + p.format.toLower());
        QFile::remove(target);
        QStringList args = {
            QStringLiteral("-hide_banner"), QStringLiteral("-nostdin"), QStringLiteral("-loglevel"), QStringLiteral("error"),
            QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"), QStringLiteral("testsrc2=size=320x180:rate=30"),
            QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"), QStringLiteral("sine=frequency=440:sample_rate=48000"),
            QStringLiteral("-t"), QStringLiteral("0.4"),
            QStringLiteral("-b:a"), QStringLiteral("%1k").arg(p.aBitRate / 1000),
            QStringLiteral("-acodec"), p.aCodec,
            QStringLiteral("-ar"), QString::number(p.aSampleRate),
            QStringLiteral("-ac"), QStringLiteral("2"),
        };
        if (audioOnly) {
            args << QStringLiteral("-vn");
        } else {
            const double frameRate = p.frameRate <= 0.001 ? 29.97 : p.frameRate;
            args << QStringLiteral("-vcodec") << p.vCodec << QStringLiteral("-b:v")
                 << QStringLiteral("%1k").arg((p.vBitRate > 0 ? p.vBitRate : 1000000) / 1000) << QStringLiteral("-r")
                 << QString::number(frameRate, 'g') << QStringLiteral("-pix_fmt") << QStringLiteral("yuv420p");
        }
        args << QStringLiteral("-y") << target;

        const TestTools::RunResult run = TestTools::run(TestTools::ffmpegPath(), args, 120000);
        QVERIFY2(run.succeeded(), qPrintable(run.describe()));
        const TestTools::ProbeResult probe = TestTools::probeStreams(target);
        QVERIFY2(probe.ok, qPrintable(probe.error));
        QVERIFY(probe.hasAudio());
        QCOMPARE(probe.hasVideo(), !audioOnly);
    }

    QTemporaryDir m_dir;

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY2(QFileInfo::exists(confFile("basic_parameters.json")), "build app_data first");
    }

    void dictionaryCombinations_data()
    {
        QTest::addColumn<Kel::MediaProfile>("profile");
        MediaInfoDict dict(confFile("basic_parameters.json"));
        QVERIFY(!dict.isNull());
        const qint64 sampleRate = dict.getConvertAudioSampleRateSupports().first().getDefaultSampleRate();
        for (const QString &format : dict.getConvertFormatSupport().getFormats()) {
            const CodecRule videoRule = dict.getConvertVideoCodecSupportRule(format);
            const QList<QString> videoCodecs =
                videoRule.isValid() ? videoRule.getSupport().getCodecs() : QList<QString>{QString()};
            for (const QString &videoCodec : videoCodecs) {
                const QSize size = dict.getConvertResolutionSupport().getDefaultResolution();
                const CodecRule audioRule = dict.getConvertAudioCodecSupportRule(format, videoCodec);
                for (const QString &audioCodec : audioRule.getSupport().getCodecs()) {
                    Kel::MediaProfile p;
                    p.name = SettingsManager::CustomizedProfileName;
                    p.format = format;
                    p.vCodec = dict.getFFmpegCodecValue(videoCodec);
                    p.aCodec = dict.getFFmpegCodecValue(audioCodec);
                    p.vBitRate = dict.getConvertVideoBitRateSupportRule(videoCodec, size).getSupport().getDefaultBitRate();
                    p.aBitRate = dict.getConvertAudioBitRateSupportRule(format, size).getSupport().getDefaultBitRate();
                    p.aSampleRate = int(sampleRate);
                    p.frameRate = 29.97;
                    QTest::newRow(qPrintable(QStringLiteral("%1 %2 %3").arg(format, videoCodec, audioCodec))) << p;
                }
            }
        }
    }
    void dictionaryCombinations()
    {
        QFETCH(Kel::MediaProfile, profile);
        encode(profile);
    }

    void presets_data()
    {
        QTest::addColumn<Kel::MediaProfile>("profile");
        QTemporaryDir root;
        Kel::setFolderRoot(root.path());
        KelPref pref(root.filePath(QStringLiteral("settings.ini")));
        SettingsManager::setPreferenceStore(&pref);
        AppContext::setAppDirOverride(TestTools::appDir());
        {
            SettingsManager settings;
            const QMap<QString, QList<Kel::MediaProfile>> presets = settings.getPresetProfiles();
            QVERIFY(!presets.isEmpty());
            for (auto it = presets.cbegin(); it != presets.cend(); ++it) {
                for (const Kel::MediaProfile &p : it.value())
                    QTest::newRow(qPrintable(it.key() + QStringLiteral(": ") + p.name)) << p;
            }
            QTest::newRow("default custom profile") << settings.getDefaultCustomConvertProfile();
        }
        SettingsManager::setPreferenceStore(nullptr);
        AppContext::setAppDirOverride(QString());
        Kel::setFolderRoot(QString());
    }
    void presets()
    {
        QFETCH(Kel::MediaProfile, profile);
        encode(profile);
    }
};

QTEST_GUILESS_MAIN(TestShippedFormats)
#include "tst_shippedformats.moc"
