// Every preset that ships in conf/profiles.json converts a two-second clip
// made by ffmpeg at test time, through convert items and the application
// context's convert pool, and the result has the preset's container,
// codecs and frame size.
#include "support/testtools.h"

#include "kelframe/kelfolders.h"
#include "tarncore/convert/convertitem.h"
#include "tarncore/convert/convertmanager.h"
#include "tarncore/download/appcontext.h"
#include "tarncore/settings/settingsmanager.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <memory>
#include <vector>

using Tarn::AppContext;
using Tarn::ConvertItem;

namespace {

constexpr int allPresetsMs = 600000;

Tarn::SettingsManager *settings()
{
    return AppContext::instance()->getSettingsManager();
}

// The container ffprobe reports for a profile's format.
QString containerOf(const QString &format)
{
    const QString f = format.toLower();
    if (f == QLatin1String("mp4") || f == QLatin1String("mov") || f == QLatin1String("m4a"))
        return QStringLiteral("mov,mp4,m4a,3gp,3g2,mj2");
    if (f == QLatin1String("mkv") || f == QLatin1String("webm"))
        return QStringLiteral("matroska,webm");
    if (f == QLatin1String("wmv"))
        return QStringLiteral("asf");
    return f;
}

// The decoder name ffprobe reports for an encoder of a profile.
QString decoderOf(const QString &encoder)
{
    static const QMap<QString, QString> names = {
        {QStringLiteral("libx264"), QStringLiteral("h264")},   {QStringLiteral("libx265"), QStringLiteral("hevc")},
        {QStringLiteral("libxvid"), QStringLiteral("mpeg4")},  {QStringLiteral("libvpx"), QStringLiteral("vp8")},
        {QStringLiteral("libvpx-vp9"), QStringLiteral("vp9")}, {QStringLiteral("flv"), QStringLiteral("flv1")},
        {QStringLiteral("libmp3lame"), QStringLiteral("mp3")}, {QStringLiteral("libopus"), QStringLiteral("opus")},
        {QStringLiteral("libvorbis"), QStringLiteral("vorbis")},
    };
    return names.value(encoder, encoder);
}

bool isAudioOnly(const QString &format)
{
    return format.compare(QLatin1String("mp3"), Qt::CaseInsensitive) == 0 || format == QLatin1String("M4A")
        || format == QLatin1String("WAV") || format == QLatin1String("FLAC");
}

// A rough measure of how long a preset takes to encode.
qint64 cost(const Kel::MediaProfile &profile)
{
    static const QMap<QString, int> slowness = {
        {QStringLiteral("libx265"), 100}, {QStringLiteral("libvpx-vp9"), 20}, {QStringLiteral("libvpx"), 20}};
    if (isAudioOnly(profile.format))
        return 0;
    return qint64(qMax(1, profile.resolution.width())) * qMax(1, profile.resolution.height())
        * slowness.value(profile.vCodec, 1);
}

int even(int n)
{
    return n + (n & 1);
}

} // namespace

class TestConvertPresets : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        MARLIN_REQUIRE_PROGRAM("ffmpeg");
        MARLIN_REQUIRE_PROGRAM("ffprobe");
        QVERIFY(m_root.isValid());
        Kel::setFolderRoot(m_root.filePath(QStringLiteral("home")));
        AppContext::setAppDirOverride(TestTools::appDir());
        QVERIFY2(QFileInfo::exists(settings()->getPresetProfileFile()), "build app_data first");
        QVERIFY(AppContext::instance()->init());

        m_sample = m_root.filePath(QStringLiteral("clip.mp4"));
        const QStringList args = {
            QStringLiteral("-hide_banner"), QStringLiteral("-nostdin"), QStringLiteral("-loglevel"), QStringLiteral("error"),
            QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"), QStringLiteral("testsrc2=size=320x180:rate=30"),
            QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"), QStringLiteral("sine=frequency=440:sample_rate=48000"),
            QStringLiteral("-t"), QStringLiteral("2"), QStringLiteral("-c:v"), QStringLiteral("libx264"),
            QStringLiteral("-pix_fmt"), QStringLiteral("yuv420p"), QStringLiteral("-c:a"), QStringLiteral("aac"),
            QStringLiteral("-y"), m_sample};
        const TestTools::RunResult run = TestTools::run(TestTools::ffmpegPath(), args, 120000);
        QVERIFY2(run.succeeded(), qPrintable(run.describe()));
    }

    void cleanupTestCase()
    {
        AppContext::instance()->getConvertManager()->clear();
        AppContext::setAppDirOverride(QString());
    }

    void everyPresetConverts()
    {
        const QString dir = m_root.filePath(QStringLiteral("converted"));
        QVERIFY(QDir().mkpath(dir));
        settings()->setConvertDestDir(dir);
        settings()->setConvertSaveMode(Tarn::ConvertSaveInConvertDir);
        Tarn::ConvertManager *manager = AppContext::instance()->getConvertManager();
        // Two at a time: the encoders use every core themselves.
        manager->setMaxConvertSimulaneous(2);
        const Kel::FileMediaInfo source = manager->getMeidaInfo(m_sample, false);
        QVERIFY(source.isValid());

        std::vector<std::unique_ptr<ConvertItem>> items;
        const QMap<QString, QList<Kel::MediaProfile>> presets = settings()->getPresetProfiles();
        for (auto it = presets.cbegin(); it != presets.cend(); ++it) {
            for (const Kel::MediaProfile &profile : it.value()) {
                auto item = std::make_unique<ConvertItem>();
                item->setSrcMediaInfo(source);
                item->setConvertParameters(Tarn::ConvertParameters(m_sample, QString(), profile, source, false, -1));
                item->setStatus(ConvertItem::StatusReady);
                items.push_back(std::move(item));
            }
        }
        QVERIFY(items.size() >= 30);
        // The slow encoders first, so that the quick ones share the other
        // running slot with them instead of waiting for them at the end.
        std::stable_sort(items.begin(), items.end(), [](const auto &a, const auto &b) {
            return cost(a->getConvertParameters().getConvertProfile()) > cost(b->getConvertParameters().getConvertProfile());
        });

        QElapsedTimer clock;
        clock.start();
        for (const std::unique_ptr<ConvertItem> &item : items)
            item->start();
        auto allEnded = [&items] {
            for (const std::unique_ptr<ConvertItem> &item : items) {
                if (item->isWorking())
                    return false;
            }
            return true;
        };
        QTRY_VERIFY_WITH_TIMEOUT(allEnded(), allPresetsMs);
        qInfo("%d presets converted in %lld ms", int(items.size()), clock.elapsed());

        QStringList failures;
        QStringList destinations;
        for (const std::unique_ptr<ConvertItem> &item : items) {
            const Kel::MediaProfile profile = item->getConvertParameters().getConvertProfile();
            const QString dest = item->getConvertParameters().getDestFile();
            destinations << dest;
            auto fail = [&](const QString &why) { failures << QStringLiteral("%1: %2").arg(profile.name, why); };
            if (item->getStatus() != ConvertItem::StatusFinished) {
                fail(QStringLiteral("status %1").arg(int(item->getStatus())));
                continue;
            }
            if (dest != QStringLiteral("%1/clip__[%2].%3").arg(dir, profile.name, profile.format.toLower()))
                fail(QStringLiteral("destination %1").arg(dest));
            const TestTools::ProbeResult probe = TestTools::probeStreams(dest);
            if (!probe.ok) {
                fail(probe.error);
                continue;
            }
            if (probe.formatName != containerOf(profile.format))
                fail(QStringLiteral("container %1").arg(probe.formatName));
            if (qAbs(probe.duration - 2.0) > 0.3)
                fail(QStringLiteral("duration %1").arg(probe.duration));
            const QList<TestTools::StreamInfo> audio = probe.streamsOfType(QStringLiteral("audio"));
            if (audio.size() != 1 || audio.first().codecName != decoderOf(profile.aCodec))
                fail(QStringLiteral("audio %1").arg(audio.isEmpty() ? QStringLiteral("missing") : audio.first().codecName));
            const QList<TestTools::StreamInfo> video = probe.streamsOfType(QStringLiteral("video"));
            if (isAudioOnly(profile.format)) {
                if (!video.isEmpty())
                    fail(QStringLiteral("video in an audio format"));
                continue;
            }
            const QSize size = profile.autoResolution || profile.sameAsSource
                ? source.resolution
                : QSize(even(profile.resolution.width()), even(profile.resolution.height()));
            if (video.size() != 1)
                fail(QStringLiteral("%1 video streams").arg(video.size()));
            else if (video.first().codecName != decoderOf(profile.vCodec))
                fail(QStringLiteral("video codec %1").arg(video.first().codecName));
            else if (QSize(video.first().width, video.first().height) != size)
                fail(QStringLiteral("frame %1x%2").arg(video.first().width).arg(video.first().height));
        }
        QVERIFY2(failures.isEmpty(), qPrintable(failures.join(QLatin1Char('\n'))));
        // Every preset got a destination of its own.
        destinations.removeDuplicates();
        QCOMPARE(int(destinations.size()), int(items.size()));
    }

private:
    QTemporaryDir m_root;
    QString m_sample;
};

QTEST_GUILESS_MAIN(TestConvertPresets)
#include "tst_convertpresets.moc"
