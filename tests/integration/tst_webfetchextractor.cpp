// The media-information extractor through the library's factory, against the
// real extractor tool and the local sample site.
#include "shared/webmediainfo.h"
#include "support/samplesite.h"
#include "support/testhttpserver.h"
#include "support/testtools.h"
#include "webfetch/webmediadownloaderfactory.h"
#include "webfetch/webmediainfoextractor.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using Kel::MediaProfile;
using Kel::WebMediaInfo;
using Kel::WebMediaInfoExtractor;

namespace {

const int toolTimeoutMs = 60000;

QString fakeToolPath()
{
    return QStringLiteral(MARLIN_SOURCE_DIR "/tests/integration/fake_pux_tool.py");
}

const MediaProfile *findProfile(const WebMediaInfo &info, const QString &name)
{
    for (const MediaProfile &p : info.profiles) {
        if (p.name == name)
            return &p;
    }
    return nullptr;
}

// Replaces PATH for as long as it lives.
class PathOverride
{
public:
    explicit PathOverride(const QString &path) : m_saved(qgetenv("PATH")) { qputenv("PATH", path.toLocal8Bit()); }
    ~PathOverride() { qputenv("PATH", m_saved); }

private:
    QByteArray m_saved;
};

} // namespace

class TestWebfetchExtractor : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void factoryIsOneInstance();
    void progressivePage();
    void dashPage();
    void watchQueryAddress();
    void synchronousRequest();
    void unicodeTitle();
    void secondRequestStartsAfresh();
    void pageWithoutVideoFails();
    void unreachableServerFails();
    void warningOnlyDoesNotFail_data();
    void warningOnlyDoesNotFail();
    void toolErrorIsOneError_data();
    void toolErrorIsOneError();
    void toolCrashIsProcessError();
    void missingInterpreter();
    void cancelledRequestIsSilent();

private:
    std::unique_ptr<WebMediaInfoExtractor> makeExtractor(const QString &tool = TestTools::ytZipPath());
    // Runs one request by signal; the spies see everything it emitted.
    void request(WebMediaInfoExtractor *extractor, const QString &url, QSignalSpy &finished, QSignalSpy &errors);

    TestHttpServer m_server;
    SampleSite::Manifest m_manifest;
};

void TestWebfetchExtractor::initTestCase()
{
    qRegisterMetaType<Kel::WebMediaInfo>("Kel::WebMediaInfo");
    MARLIN_REQUIRE_YTZIP();
    QString error;
    QVERIFY2(SampleSite::serve(m_server, &error), qPrintable(error));
    m_manifest = SampleSite::manifest(&error);
    QVERIFY2(!m_manifest.pages.isEmpty(), qPrintable(error));
}

void TestWebfetchExtractor::cleanupTestCase()
{
    m_server.stop();
}

std::unique_ptr<WebMediaInfoExtractor> TestWebfetchExtractor::makeExtractor(const QString &tool)
{
    return std::unique_ptr<WebMediaInfoExtractor>(
        Kel::WebMediaDownloaderFactory::instance()->createExtractor(tool, QDir::tempPath()));
}

void TestWebfetchExtractor::request(WebMediaInfoExtractor *extractor, const QString &url, QSignalSpy &finished,
                                    QSignalSpy &errors)
{
    extractor->getMediaInfoBySignal(url);
    QTRY_VERIFY_WITH_TIMEOUT(!finished.isEmpty() || !errors.isEmpty(), toolTimeoutMs);
}

void TestWebfetchExtractor::factoryIsOneInstance()
{
    QVERIFY(Kel::WebMediaDownloaderFactory::instance());
    QCOMPARE(Kel::WebMediaDownloaderFactory::instance(), Kel::WebMediaDownloaderFactory::instance());
    auto extractor = makeExtractor();
    QVERIFY(extractor);
    QVERIFY(!extractor->parent());
    QVERIFY(extractor->inherits("Kel::WebMediaInfoExtractor"));
}

void TestWebfetchExtractor::progressivePage()
{
    const SampleSite::Page page = m_manifest.page(m_manifest.progressiveId);
    auto extractor = makeExtractor();
    QSignalSpy finished(extractor.get(), &WebMediaInfoExtractor::finished);
    QSignalSpy errors(extractor.get(), &WebMediaInfoExtractor::error);
    const QString url = SampleSite::watchUrl(m_server, page.id).toString();
    request(extractor.get(), url, finished, errors);

    QCOMPARE(errors.count(), 0);
    QCOMPARE(finished.count(), 1);
    const WebMediaInfo info = finished.first().first().value<WebMediaInfo>();
    QVERIFY(info.isValid());
    QCOMPARE(info.url, url);
    QCOMPARE(info.title, page.expectedTitle);
    QCOMPARE(info.fileTitle, page.expectedTitle);
    QCOMPARE(info.thumbnailUrl, m_server.url(page.thumbnail).toString());
    QStringList languages = page.subtitleLanguages();
    std::sort(languages.begin(), languages.end());
    QCOMPARE(info.subtitleLanguages, languages);
    QVERIFY(info.hasSubtitles());
    // The generic extraction states a warning on standard error; it is kept.
    QVERIFY(info.errorText.contains(QLatin1String("WARNING")));

    QCOMPARE(info.profiles.size(), page.formats.size());
    for (const SampleSite::Format &format : page.formats) {
        const MediaProfile *p = findProfile(info, format.formatId);
        QVERIFY2(p, qPrintable(format.formatId));
        QCOMPARE(p->type, Kel::Video);
        QVERIFY2(!p->dash, "a progressive file carries its own sound");
        QCOMPARE(p->resolution, QSize(format.width, format.height));
        QCOMPARE(p->format, format.ext.toUpper());
        QCOMPARE(p->url, m_server.url(format.path).toString());
        QCOMPARE(p->description, page.description);
        QCOMPARE(p->resolutionString(), QStringLiteral("%1P").arg(format.height));
    }
}

void TestWebfetchExtractor::dashPage()
{
    const SampleSite::Page page = m_manifest.page(m_manifest.dashId);
    auto extractor = makeExtractor();
    QSignalSpy finished(extractor.get(), &WebMediaInfoExtractor::finished);
    QSignalSpy errors(extractor.get(), &WebMediaInfoExtractor::error);
    request(extractor.get(), SampleSite::watchUrl(m_server, page.id).toString(), finished, errors);
    QCOMPARE(errors.count(), 0);
    QCOMPARE(finished.count(), 1);
    const WebMediaInfo info = finished.first().first().value<WebMediaInfo>();
    QVERIFY(info.isValid());
    QCOMPARE(info.title, page.expectedTitle);

    QVERIFY(!page.videoOnlyFormats().isEmpty());
    QVERIFY(!page.audioOnlyFormats().isEmpty());
    QCOMPARE(info.profiles.size(), page.formats.size());
    for (const SampleSite::Format &format : page.videoOnlyFormats()) {
        const MediaProfile *p = findProfile(info, format.formatId);
        QVERIFY2(p, qPrintable(format.formatId));
        QCOMPARE(p->type, Kel::Video);
        QVERIFY2(p->dash, "a video-only half needs its audio partner");
        QCOMPARE(p->resolution, QSize(format.width, format.height));
        QCOMPARE(p->resolutionString(), QStringLiteral("%1P").arg(format.height));
        QCOMPARE(p->format, format.ext.toUpper());
    }
    for (const SampleSite::Format &format : page.audioOnlyFormats()) {
        const MediaProfile *p = findProfile(info, format.formatId);
        QVERIFY2(p, qPrintable(format.formatId));
        QCOMPARE(p->type, Kel::Audio);
        QVERIFY(p->dash);
        QCOMPARE(p->qualityLabel, QStringLiteral("%1K").arg(format.abr));
        QCOMPARE(p->aBitRate, format.abr * 1000);
        QCOMPARE(p->resolution, QSize(-1, -1));
    }
}

void TestWebfetchExtractor::watchQueryAddress()
{
    // Query items after the identifier are not handed to the tool.
    const SampleSite::Page page = m_manifest.page(m_manifest.progressiveId);
    auto extractor = makeExtractor();
    QSignalSpy finished(extractor.get(), &WebMediaInfoExtractor::finished);
    QSignalSpy errors(extractor.get(), &WebMediaInfoExtractor::error);
    const QString url = SampleSite::watchQueryUrl(m_server, page.id).toString() + QStringLiteral("&list=none&t=3");
    m_server.clearRequests();
    request(extractor.get(), url, finished, errors);
    QCOMPARE(errors.count(), 0);
    const WebMediaInfo info = finished.first().first().value<WebMediaInfo>();
    QVERIFY(info.isValid());
    QCOMPARE(info.url, url);
    bool sawPage = false;
    for (const TestHttpServer::Request &r : m_server.requests()) {
        if (r.target.startsWith("/watch?v=")) {
            QCOMPARE(r.target, QByteArray("/watch?v=") + page.id.toLatin1());
            sawPage = true;
        }
    }
    QVERIFY(sawPage);
}

void TestWebfetchExtractor::synchronousRequest()
{
    const SampleSite::Page page = m_manifest.page(m_manifest.progressiveId);
    auto extractor = makeExtractor();
    QSignalSpy finished(extractor.get(), &WebMediaInfoExtractor::finished);
    QSignalSpy errors(extractor.get(), &WebMediaInfoExtractor::error);
    const QString url = SampleSite::watchUrl(m_server, page.id).toString();
    const WebMediaInfo info = extractor->getMediaInfo(url);
    QVERIFY(info.isValid());
    QCOMPARE(info.title, page.expectedTitle);
    QCOMPARE(info.profiles.size(), page.formats.size());
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.first().first().value<WebMediaInfo>().title, page.expectedTitle);
    QCOMPARE(errors.count(), 0);
}

void TestWebfetchExtractor::unicodeTitle()
{
    const SampleSite::Page page = m_manifest.page(m_manifest.unicodeId);
    QVERIFY(page.isValid());
    auto extractor = makeExtractor();
    const WebMediaInfo info = extractor->getMediaInfo(SampleSite::watchUrl(m_server, page.id).toString());
    QVERIFY(info.isValid());
    QCOMPARE(info.title, page.expectedTitle);
    QCOMPARE(info.fileTitle, WebMediaInfo::makeFileTitle(page.expectedTitle));
    for (const QChar c : QStringLiteral("/\\:*?\"<>|"))
        QVERIFY(!info.fileTitle.contains(c));
    QCOMPARE(info.profiles.first().description, page.description);
}

void TestWebfetchExtractor::secondRequestStartsAfresh()
{
    auto extractor = makeExtractor();
    const WebMediaInfo first =
        extractor->getMediaInfo(SampleSite::watchUrl(m_server, m_manifest.progressiveId).toString());
    const SampleSite::Page dash = m_manifest.page(m_manifest.dashId);
    const WebMediaInfo second = extractor->getMediaInfo(SampleSite::watchUrl(m_server, dash.id).toString());
    QVERIFY(first.isValid());
    QCOMPARE(second.title, dash.expectedTitle);
    QCOMPARE(second.profiles.size(), dash.formats.size());
}

void TestWebfetchExtractor::pageWithoutVideoFails()
{
    auto extractor = makeExtractor();
    QSignalSpy finished(extractor.get(), &WebMediaInfoExtractor::finished);
    QSignalSpy errors(extractor.get(), &WebMediaInfoExtractor::error);
    const QString url = SampleSite::watchUrl(m_server, m_manifest.noVideoId).toString();
    request(extractor.get(), url, finished, errors);
    QCOMPARE(errors.count(), 1);
    QCOMPARE(errors.first().first().toInt(), -1);
    // What was gathered comes first, with the tool's error text.
    QCOMPARE(finished.count(), 1);
    const WebMediaInfo info = finished.first().first().value<WebMediaInfo>();
    QVERIFY(!info.isValid());
    QCOMPARE(info.url, url);
    QVERIFY2(info.errorText.contains(QLatin1String("ERROR")), qPrintable(info.errorText));
}

void TestWebfetchExtractor::unreachableServerFails()
{
    TestHttpServer closed;
    QVERIFY(closed.start());
    const QString url = closed.url(QStringLiteral("/watch/nothing")).toString();
    closed.stop();
    auto extractor = makeExtractor();
    QSignalSpy finished(extractor.get(), &WebMediaInfoExtractor::finished);
    QSignalSpy errors(extractor.get(), &WebMediaInfoExtractor::error);
    request(extractor.get(), url, finished, errors);
    QCOMPARE(errors.count(), 1);
    QCOMPARE(errors.first().first().toInt(), -1);
    QVERIFY(!finished.first().first().value<WebMediaInfo>().errorText.isEmpty());
}

void TestWebfetchExtractor::warningOnlyDoesNotFail_data()
{
    QTest::addColumn<QString>("word");
    QTest::addColumn<QString>("text");
    QTest::newRow("warning") << "warn" << "WARNING: [fake] only a warning";
    QTest::newRow("note of a newer tool") << "deprecated" << "Deprecated Feature: [fake] an old interpreter";
}

void TestWebfetchExtractor::warningOnlyDoesNotFail()
{
    QFETCH(QString, word);
    QFETCH(QString, text);
    auto extractor = makeExtractor(fakeToolPath());
    QSignalSpy finished(extractor.get(), &WebMediaInfoExtractor::finished);
    QSignalSpy errors(extractor.get(), &WebMediaInfoExtractor::error);
    request(extractor.get(), QStringLiteral("http://127.0.0.1:9/") + word, finished, errors);
    QCOMPARE(errors.count(), 0);
    QCOMPARE(finished.count(), 1);
    const WebMediaInfo info = finished.first().first().value<WebMediaInfo>();
    QVERIFY(info.isValid());
    QCOMPARE(info.errorText, text);
}

void TestWebfetchExtractor::toolErrorIsOneError_data()
{
    QTest::addColumn<QString>("word");
    QTest::addColumn<QString>("text");
    // An error line and then a non-zero exit: one answer, not two.
    QTest::newRow("error line") << "error" << "ERROR: [fake] this page is broken";
    // A non-zero exit after only a warning: the warning is the reason.
    QTest::newRow("quiet failure") << "quiet" << "WARNING: [fake] the page went away";
}

void TestWebfetchExtractor::toolErrorIsOneError()
{
    QFETCH(QString, word);
    QFETCH(QString, text);
    auto extractor = makeExtractor(fakeToolPath());
    QSignalSpy finished(extractor.get(), &WebMediaInfoExtractor::finished);
    QSignalSpy errors(extractor.get(), &WebMediaInfoExtractor::error);
    request(extractor.get(), QStringLiteral("http://127.0.0.1:9/") + word, finished, errors);
    QSignalSpy late(extractor.get(), &WebMediaInfoExtractor::error);
    QVERIFY(!late.wait(1000));
    QCOMPARE(errors.count(), 1);
    QCOMPARE(errors.first().first().toInt(), -1);
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.first().first().value<WebMediaInfo>().errorText, text);
}

void TestWebfetchExtractor::toolCrashIsProcessError()
{
    auto extractor = makeExtractor(fakeToolPath());
    QSignalSpy finished(extractor.get(), &WebMediaInfoExtractor::finished);
    QSignalSpy errors(extractor.get(), &WebMediaInfoExtractor::error);
    request(extractor.get(), QStringLiteral("http://127.0.0.1:9/crash"), finished, errors);
    QSignalSpy late(extractor.get(), &WebMediaInfoExtractor::error);
    QVERIFY(!late.wait(1000));
    QCOMPARE(errors.count(), 1);
    QCOMPARE(errors.first().first().toInt(), int(QProcess::Crashed));
    QCOMPARE(finished.count(), 1);
}

void TestWebfetchExtractor::missingInterpreter()
{
    QTemporaryDir empty;
    QVERIFY(empty.isValid());
    auto extractor = makeExtractor();
    QSignalSpy finished(extractor.get(), &WebMediaInfoExtractor::finished);
    QSignalSpy errors(extractor.get(), &WebMediaInfoExtractor::error);
    {
        const PathOverride path(empty.path());
        request(extractor.get(), SampleSite::watchUrl(m_server, m_manifest.progressiveId).toString(), finished,
                errors);
    }
    QCOMPARE(errors.count(), 1);
    QCOMPARE(errors.first().first().toInt(), int(QProcess::FailedToStart));
    QCOMPARE(finished.count(), 1);
    // Said as it is, not as a page without media.
    const WebMediaInfo failed = finished.first().first().value<WebMediaInfo>();
    QVERIFY(!failed.isValid());
    QVERIFY2(failed.errorText.contains(QLatin1String("Python 3")), qPrintable(failed.errorText));

    const PathOverride path(empty.path());
    const WebMediaInfo info =
        extractor->getMediaInfo(SampleSite::watchUrl(m_server, m_manifest.progressiveId).toString());
    QVERIFY(!info.isValid());
    QVERIFY2(info.errorText.contains(QLatin1String("Python 3")), qPrintable(info.errorText));
}

void TestWebfetchExtractor::cancelledRequestIsSilent()
{
    // The page never answers: the tool waits until it is cancelled.
    TestHttpServer::Fault hang;
    hang.hang = true;
    m_server.setFault(QStringLiteral("/watch/*"), hang);
    auto extractor = makeExtractor();
    QSignalSpy finished(extractor.get(), &WebMediaInfoExtractor::finished);
    QSignalSpy errors(extractor.get(), &WebMediaInfoExtractor::error);
    m_server.clearRequests();
    extractor->getMediaInfoBySignal(SampleSite::watchUrl(m_server, m_manifest.progressiveId).toString());
    QTRY_VERIFY_WITH_TIMEOUT(m_server.requestCount() > 0, toolTimeoutMs);
    extractor->cancel();
    m_server.clearFaults();
    QVERIFY(!finished.wait(1500));
    QCOMPARE(finished.count(), 0);
    QCOMPARE(errors.count(), 0);
}

QTEST_GUILESS_MAIN(TestWebfetchExtractor)
#include "tst_webfetchextractor.moc"
