#include "support/samplesite.h"
#include "support/testhttpserver.h"
#include "support/testtools.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <json/json.h>

#include <memory>

namespace {

QString text(const Json::Value &object, const char *name)
{
    const Json::Value &value = object[name];
    return value.isString() ? QString::fromStdString(value.asString()) : QString();
}

int integer(const Json::Value &object, const char *name)
{
    const Json::Value &value = object[name];
    return value.isNumeric() ? value.asInt() : 0;
}

const Json::Value *findFormat(const Json::Value &info, const QString &formatId)
{
    for (const Json::Value &format : info["formats"]) {
        if (text(format, "format_id") == formatId)
            return &format;
    }
    return nullptr;
}

} // namespace

// The generated sample site against the real extractor tool and ffmpeg.
class SampleSiteTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void siteGeneratedOnce();
    void pagesServed_data();
    void pagesServed();

    void progressivePage();
    void dashPage();
    void unicodeTitle();
    void singleSourcePage();
    void pageWithoutVideoFails();
    void queryFormAddress();

    void dashDownloadMerged();
    void progressiveDownloadWithSubtitles();

private:
    // python3 yt.zip --dump-json -- <url>, parsed; fails the test on error.
    bool dumpJson(const QUrl &url, Json::Value *info, QByteArray *raw = nullptr);

    TestHttpServer m_server;
    SampleSite::Manifest m_manifest;
};

void SampleSiteTest::initTestCase()
{
    MARLIN_REQUIRE_YTZIP();
    MARLIN_REQUIRE_PROGRAM("ffmpeg");
    MARLIN_REQUIRE_PROGRAM("ffprobe");
    QString error;
    QVERIFY2(SampleSite::serve(m_server, &error), qPrintable(error));
    m_manifest = SampleSite::manifest(&error);
    QVERIFY2(!m_manifest.pages.isEmpty(), qPrintable(error));
}

void SampleSiteTest::cleanupTestCase()
{
    m_server.stop();
}

bool SampleSiteTest::dumpJson(const QUrl &url, Json::Value *info, QByteArray *raw)
{
    const TestTools::RunResult run = TestTools::runYtDlp(
        {QStringLiteral("--ignore-config"), QStringLiteral("--no-cache-dir"), QStringLiteral("--dump-json"),
         QStringLiteral("--"), url.toString(QUrl::FullyEncoded)},
        60000);
    if (!run.succeeded()) {
        QTest::qFail(qPrintable(QStringLiteral("yt.zip --dump-json %1: %2").arg(url.toString(), run.describe())),
                     __FILE__, __LINE__);
        return false;
    }
    if (raw)
        *raw = run.standardOutput;
    Json::CharReaderBuilder builder;
    const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    std::string errors;
    const QByteArray &out = run.standardOutput;
    if (!reader->parse(out.constData(), out.constData() + out.size(), info, &errors) || !info->isObject()) {
        QTest::qFail(qPrintable(QStringLiteral("not JSON: %1").arg(QString::fromStdString(errors))), __FILE__,
                     __LINE__);
        return false;
    }
    return true;
}

void SampleSiteTest::siteGeneratedOnce()
{
    QString error;
    const QString site = SampleSite::ensure(&error);
    QVERIFY2(!site.isEmpty(), qPrintable(error));
    QCOMPARE(site, m_server.rootDir());
    const QDateTime stamped = QFileInfo(site + QLatin1String("/.stamp")).lastModified();

    // Current: a second call finds it, fast, without writing anything.
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(SampleSite::ensure(), site);
    QVERIFY(clock.elapsed() < 2000);
    QCOMPARE(QFileInfo(site + QLatin1String("/.stamp")).lastModified(), stamped);

    // Everything the manifest lists is there, and the site stays small.
    qint64 total = 0;
    for (const SampleSite::Page &page : m_manifest.pages) {
        QVERIFY2(QFileInfo(site + page.path + QLatin1String("/index.html")).isFile(), qPrintable(page.path));
        for (const SampleSite::Format &format : page.formats) {
            const QFileInfo file(site + format.path);
            QVERIFY2(file.isFile(), qPrintable(format.path));
            QCOMPARE(file.size(), format.size);
            total += file.size();
        }
        if (!page.thumbnail.isEmpty())
            QVERIFY(QFileInfo(site + page.thumbnail).isFile());
        for (const QString &subtitle : page.subtitles)
            QVERIFY(QFileInfo(site + subtitle).isFile());
    }
    QVERIFY2(total < 8 * 1024 * 1024, qPrintable(QString::number(total)));
    QVERIFY(!m_manifest.progressiveId.isEmpty());
    QVERIFY(!m_manifest.dashId.isEmpty());
    QCOMPARE(SampleSite::progressiveId(), m_manifest.progressiveId);
    QCOMPARE(SampleSite::dashId(), m_manifest.dashId);
    static const QRegularExpression idPattern(QStringLiteral("^[A-Za-z0-9_-]{11}$"));
    for (const SampleSite::Page &page : m_manifest.pages)
        QVERIFY2(idPattern.match(page.id).hasMatch(), qPrintable(page.id));
}

void SampleSiteTest::pagesServed_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QByteArray>("contentType");
    QTest::newRow("watch page") << QStringLiteral("/watch/") + SampleSite::progressiveId()
                                << QByteArray("text/html; charset=utf-8");
    QTest::newRow("query form") << QStringLiteral("/watch?v=") + SampleSite::dashId()
                                << QByteArray("text/html; charset=utf-8");
    QTest::newRow("query form, more items") << QStringLiteral("/watch?feature=x&v=%1&t=3").arg(SampleSite::dashId())
                                            << QByteArray("text/html; charset=utf-8");
    QTest::newRow("manifest") << SampleSite::page(SampleSite::dashId()).manifest << QByteArray("application/dash+xml");
    QTest::newRow("site.json") << QStringLiteral("/site.json") << QByteArray("application/json");
}

void SampleSiteTest::pagesServed()
{
    QFETCH(QString, path);
    QFETCH(QByteArray, contentType);
    QNetworkAccessManager nam;
    QNetworkReply *reply = nam.get(QNetworkRequest(m_server.url(path)));
    QSignalSpy finished(reply, &QNetworkReply::finished);
    QVERIFY(finished.wait(10000));
    QCOMPARE(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), 200);
    QCOMPARE(reply->rawHeader("Content-Type"), contentType);
    delete reply;
}

void SampleSiteTest::progressivePage()
{
    const SampleSite::Page page = m_manifest.page(m_manifest.progressiveId);
    QCOMPARE(page.kind, QStringLiteral("progressive"));
    Json::Value info;
    QVERIFY(dumpJson(SampleSite::watchUrl(m_server, page.id), &info));

    QCOMPARE(text(info, "title"), page.expectedTitle);
    QCOMPARE(text(info, "title"), page.title + QLatin1String(" (1)"));
    QCOMPARE(text(info, "id"), page.expectedId);
    QCOMPARE(text(info, "description"), page.description);
    QCOMPARE(text(info, "thumbnail"), m_server.url(page.thumbnail).toString());
    QVERIFY(info["duration"].isNull());

    QVERIFY(page.formats.size() >= 3);
    QCOMPARE(int(info["formats"].size()), int(page.formats.size()));
    for (const SampleSite::Format &expected : page.formats) {
        const Json::Value *format = findFormat(info, expected.formatId);
        QVERIFY2(format, qPrintable(expected.formatId));
        QCOMPARE(integer(*format, "height"), expected.height);
        QCOMPARE(integer(*format, "width"), expected.width);
        QCOMPARE(text(*format, "ext"), QStringLiteral("mp4"));
        QCOMPARE(text(*format, "url"), m_server.url(expected.path).toString());
        QCOMPARE(text(*format, "acodec"), QStringLiteral("mp4a.40.2"));
        // The tool leaves vcodec null for HTML5 sources, whatever the type attribute says.
        QVERIFY((*format)["vcodec"].isNull());
        QVERIFY((*format)["format_note"].isNull());
    }
    QVERIFY(findFormat(info, QStringLiteral("240p")));
    QVERIFY(findFormat(info, QStringLiteral("720p")));

    const Json::Value &subtitles = info["subtitles"];
    QCOMPARE(QStringList({QStringLiteral("de"), QStringLiteral("en")}), page.subtitleLanguages());
    for (const QString &lang : page.subtitleLanguages()) {
        const Json::Value &tracks = subtitles[lang.toStdString()];
        QCOMPARE(int(tracks.size()), 1);
        QCOMPARE(text(tracks[0], "ext"), QStringLiteral("vtt"));
        QCOMPARE(text(tracks[0], "url"), m_server.url(page.subtitles.value(lang)).toString());
    }
    QCOMPARE(int(subtitles.size()), 2);
}

void SampleSiteTest::dashPage()
{
    const SampleSite::Page page = m_manifest.page(m_manifest.dashId);
    QCOMPARE(page.kind, QStringLiteral("dash"));
    Json::Value info;
    QVERIFY(dumpJson(SampleSite::watchUrl(m_server, page.id), &info));

    QCOMPARE(text(info, "title"), page.expectedTitle);
    QCOMPARE(text(info, "thumbnail"), m_server.url(page.thumbnail).toString());
    QCOMPARE(int(info["formats"].size()), int(page.formats.size()));

    const QList<SampleSite::Format> videos = page.videoOnlyFormats();
    const QList<SampleSite::Format> audios = page.audioOnlyFormats();
    QVERIFY(videos.size() >= 2);
    QVERIFY(audios.size() >= 1);
    for (const SampleSite::Format &expected : videos) {
        const Json::Value *format = findFormat(info, expected.formatId);
        QVERIFY2(format, qPrintable(expected.formatId));
        QCOMPARE(text(*format, "acodec"), QStringLiteral("none"));
        QVERIFY(!text(*format, "vcodec").isEmpty() && text(*format, "vcodec") != QLatin1String("none"));
        QCOMPARE(text(*format, "format_note"), QStringLiteral("DASH video"));
        QCOMPARE(integer(*format, "height"), expected.height);
        QCOMPARE(integer(*format, "width"), expected.width);
        QCOMPARE(text(*format, "resolution"), QStringLiteral("%1x%2").arg(expected.width).arg(expected.height));
        QCOMPARE(text(*format, "ext"), expected.ext);
        QCOMPARE(text(*format, "url"), m_server.url(expected.path).toString());
        QCOMPARE(qint64((*format)["filesize"].asInt64()), expected.size);
    }
    for (const SampleSite::Format &expected : audios) {
        const Json::Value *format = findFormat(info, expected.formatId);
        QVERIFY2(format, qPrintable(expected.formatId));
        QCOMPARE(text(*format, "vcodec"), QStringLiteral("none"));
        QVERIFY(!text(*format, "acodec").isEmpty() && text(*format, "acodec") != QLatin1String("none"));
        QCOMPARE(text(*format, "format_note"), QStringLiteral("DASH audio"));
        QCOMPARE(text(*format, "resolution"), QStringLiteral("audio only"));
        QCOMPARE(integer(*format, "abr"), expected.abr);
        QCOMPARE(text(*format, "ext"), expected.ext);
    }
    QCOMPARE(text(*findFormat(info, QStringLiteral("video-720")), "vcodec").left(4), QStringLiteral("avc1"));

    const Json::Value &subtitles = info["subtitles"];
    QVERIFY(subtitles.isMember("en"));
    QVERIFY(subtitles.isMember("de"));
}

void SampleSiteTest::unicodeTitle()
{
    const SampleSite::Page page = m_manifest.page(m_manifest.unicodeId);
    QVERIFY(page.title.contains(QStringLiteral("\u00dcn\u00efcode: \"quotes\" / slash?")));
    Json::Value info;
    QByteArray raw;
    QVERIFY(dumpJson(SampleSite::watchUrl(m_server, page.id), &info, &raw));
    QCOMPARE(text(info, "title"), page.expectedTitle);
    QCOMPARE(text(info, "description"), page.description);
    // The tool writes ASCII only: non-ASCII travels as \u escapes.
    QVERIFY(raw.contains("\\u00dcn\\u00efcode: \\\"quotes\\\" / slash?"));
    QCOMPARE(QStringList({QStringLiteral("en")}), page.subtitleLanguages());
    QVERIFY(info["subtitles"].isMember("en"));
}

void SampleSiteTest::singleSourcePage()
{
    const SampleSite::Page page = m_manifest.page(m_manifest.singleId);
    QCOMPARE(page.formats.size(), 1);
    QVERIFY(page.thumbnail.isEmpty());
    QVERIFY(page.subtitles.isEmpty());
    QVERIFY(page.duration >= 10);
    Json::Value info;
    QVERIFY(dumpJson(SampleSite::watchUrl(m_server, page.id), &info));
    QCOMPARE(text(info, "title"), page.expectedTitle);
    QCOMPARE(int(info["formats"].size()), 1);
    const Json::Value &format = info["formats"][0];
    QCOMPARE(text(format, "format_id"), page.formats.first().formatId);
    QCOMPARE(text(format, "url"), m_server.url(page.formats.first().path).toString());
    QVERIFY(format["height"].isNull());
    QVERIFY(info["thumbnail"].isNull());
    QVERIFY(info["subtitles"].empty());
}

void SampleSiteTest::pageWithoutVideoFails()
{
    const QUrl url = SampleSite::watchUrl(m_server, m_manifest.noVideoId);
    const TestTools::RunResult run = TestTools::runYtDlp(
        {QStringLiteral("--ignore-config"), QStringLiteral("--dump-json"), QStringLiteral("--"), url.toString()});
    QVERIFY(run.started && !run.timedOut);
    QVERIFY(run.exitCode != 0);
    QVERIFY2(run.standardError.contains("ERROR: Unsupported URL"), run.standardError.constData());
    QVERIFY(run.standardOutput.isEmpty());

    const TestTools::RunResult missing = TestTools::runYtDlp(
        {QStringLiteral("--ignore-config"), QStringLiteral("--dump-json"), QStringLiteral("--"),
         SampleSite::watchUrl(m_server, QStringLiteral("doesnotexis")).toString()});
    QVERIFY(missing.exitCode != 0);
    QVERIFY2(missing.standardError.contains("HTTP Error 404"), missing.standardError.constData());
}

void SampleSiteTest::queryFormAddress()
{
    const SampleSite::Page page = m_manifest.page(m_manifest.progressiveId);
    Json::Value info;
    QVERIFY(dumpJson(SampleSite::watchQueryUrl(m_server, page.id), &info));
    QCOMPARE(text(info, "title"), page.expectedTitle);
    // The generic id is the last path segment with its query.
    QCOMPARE(text(info, "id"), QStringLiteral("watch?v=%1-1").arg(page.id));
    QCOMPARE(int(info["formats"].size()), int(page.formats.size()));
}

void SampleSiteTest::dashDownloadMerged()
{
    const SampleSite::Page page = m_manifest.page(m_manifest.dashId);
    const SampleSite::Format video = page.format(QStringLiteral("video-720"));
    const SampleSite::Format audio = page.format(QStringLiteral("audio-aac"));
    QVERIFY(video.isVideoOnly());
    QVERIFY(audio.isAudioOnly());

    QTemporaryDir out;
    QVERIFY(out.isValid());
    m_server.clearRequests();
    const TestTools::RunResult run = TestTools::runYtDlp(
        {QStringLiteral("--ignore-config"), QStringLiteral("--no-cache-dir"), QStringLiteral("--newline"),
         QStringLiteral("--ffmpeg-location"), TestTools::ffmpegPath(), QStringLiteral("-f"),
         video.formatId + QLatin1Char('+') + audio.formatId, QStringLiteral("-o"),
         out.path() + QLatin1String("/%(id)s.%(ext)s"), QStringLiteral("--"),
         SampleSite::watchUrl(m_server, page.id).toString()},
        60000);
    QVERIFY2(run.succeeded(), qPrintable(run.describe()));
    QVERIFY(run.standardOutput.contains("[Merger] Merging formats into"));

    const QString merged = out.path() + QLatin1Char('/') + page.expectedId + QLatin1String(".mp4");
    QVERIFY2(QFileInfo(merged).isFile(), qPrintable(QDir(out.path()).entryList().join(QLatin1Char(' '))));
    QCOMPARE(QDir(out.path()).entryList(QDir::Files).size(), 1);
    const TestTools::ProbeResult probe = TestTools::probeStreams(merged);
    QVERIFY2(probe.ok, qPrintable(probe.error));
    QCOMPARE(probe.count(QStringLiteral("video")), 1);
    QCOMPARE(probe.count(QStringLiteral("audio")), 1);
    const TestTools::StreamInfo v = probe.streamsOfType(QStringLiteral("video")).first();
    QCOMPARE(v.codecName, QStringLiteral("h264"));
    QCOMPARE(v.width, video.width);
    QCOMPARE(v.height, video.height);
    QCOMPARE(probe.streamsOfType(QStringLiteral("audio")).first().codecName, QStringLiteral("aac"));
    QVERIFY(probe.duration > page.duration - 0.5 && probe.duration < page.duration + 0.5);

    QCOMPARE(m_server.requestCount(video.path), 1);
    QCOMPARE(m_server.requestCount(audio.path), 1);
}

void SampleSiteTest::progressiveDownloadWithSubtitles()
{
    const SampleSite::Page page = m_manifest.page(m_manifest.progressiveId);
    const SampleSite::Format format = page.format(QStringLiteral("360p"));
    QCOMPARE(format.height, 360);

    QTemporaryDir out;
    QVERIFY(out.isValid());
    const TestTools::RunResult run = TestTools::runYtDlp(
        {QStringLiteral("--ignore-config"), QStringLiteral("--no-cache-dir"), QStringLiteral("-f"), format.formatId,
         QStringLiteral("--write-subs"), QStringLiteral("--sub-langs"), QStringLiteral("en,de"), QStringLiteral("-o"),
         out.path() + QLatin1String("/clip.%(ext)s"), QStringLiteral("--"),
         SampleSite::watchUrl(m_server, page.id).toString()},
        60000);
    QVERIFY2(run.succeeded(), qPrintable(run.describe()));

    const QString video = out.path() + QLatin1String("/clip.mp4");
    QCOMPARE(QFileInfo(video).size(), format.size);
    QVERIFY(QFileInfo(out.path() + QLatin1String("/clip.en.vtt")).isFile());
    QVERIFY(QFileInfo(out.path() + QLatin1String("/clip.de.vtt")).isFile());

    const TestTools::ProbeResult probe = TestTools::probeStreams(video);
    QVERIFY2(probe.ok, qPrintable(probe.error));
    QVERIFY(probe.hasVideo());
    QVERIFY(probe.hasAudio());
    QCOMPARE(probe.streamsOfType(QStringLiteral("video")).first().height, 360);

    const TestTools::ProbeResult subtitle = TestTools::probeStreams(out.path() + QLatin1String("/clip.de.vtt"));
    QVERIFY2(subtitle.ok, qPrintable(subtitle.error));
    QCOMPARE(subtitle.streamsOfType(QStringLiteral("subtitle")).value(0).codecName, QStringLiteral("webvtt"));
}

QTEST_GUILESS_MAIN(SampleSiteTest)
#include "tst_samplesite.moc"
