// The warm extractor worker against the real extractor tool and the local
// sample site: its answers are those of a one-shot run, it gives way to a
// one-shot run when it fails, follows a change of the tool, and leaves no
// process behind.
#include "shared/webmediainfo.h"
#include "support/samplesite.h"
#include "support/testhttpserver.h"
#include "support/testtools.h"
#include "webfetch/puxtoolcache.h"
#include "webfetch/puxworker.h"
#include "webfetch/webmediadownloaderfactory.h"
#include "webfetch/webmediainfoextractor.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <memory>

using Kel::PuxWorker;
using Kel::WebMediaInfo;
using Kel::WebMediaInfoExtractor;

namespace {

const int answerTimeoutMs = 120000;

struct Answer
{
    int finished = 0;
    WebMediaInfo info;
    QList<int> errors;
};

// Everything of an answer that a receiver sees.
QStringList describe(const Answer &answer)
{
    const WebMediaInfo &info = answer.info;
    QStringList fields{QString::number(answer.finished), info.url, info.title, info.fileTitle,
                       QString::number(info.duration), info.thumbnailUrl, info.errorText,
                       info.subtitleLanguages.join(QLatin1Char(',')), QString::number(info.subtitlesDeclared)};
    for (const int error : answer.errors)
        fields << QStringLiteral("error %1").arg(error);
    for (const Kel::MediaProfile &profile : info.profiles)
        fields << QStringList{profile.name, profile.format, profile.url, profile.qualityLabel,
                              QStringLiteral("%1x%2").arg(profile.resolution.width()).arg(profile.resolution.height()),
                              QString::number(profile.dash), QString::number(profile.aBitRate), profile.aCodec,
                              profile.vCodec}
                      .join(QLatin1Char('|'));
    return fields;
}

// Starts the requests at once and waits for all their answers.
QList<Answer> ask(const QString &tool, const QStringList &urls)
{
    std::vector<std::unique_ptr<WebMediaInfoExtractor>> extractors;
    QList<Answer> answers(urls.size());
    for (int i = 0; i < urls.size(); ++i) {
        extractors.emplace_back(Kel::WebMediaDownloaderFactory::instance()->createExtractor(tool, QDir::tempPath()));
        QObject::connect(extractors.back().get(), &WebMediaInfoExtractor::finished,
                         [&answers, i](const WebMediaInfo &info) {
                             ++answers[i].finished;
                             answers[i].info = info;
                         });
        QObject::connect(extractors.back().get(), &WebMediaInfoExtractor::error,
                         [&answers, i](qint32 code) { answers[i].errors << code; });
    }
    for (int i = 0; i < urls.size(); ++i)
        extractors[size_t(i)]->getMediaInfoBySignal(urls.at(i));
    // A request left unanswered shows as finished == 0.
    [[maybe_unused]] const bool all = QTest::qWaitFor(
        [&answers] {
            return std::all_of(answers.cbegin(), answers.cend(), [](const Answer &a) { return a.finished > 0; });
        },
        answerTimeoutMs);
    // Late signals of a request answered twice would show here.
    QTest::qWait(50);
    return answers;
}

Answer ask(const QString &tool, const QString &url)
{
    return ask(tool, QStringList{url}).first();
}

bool processExists(qint64 pid)
{
    return pid > 0 && QFileInfo::exists(QStringLiteral("/proc/%1").arg(pid));
}

} // namespace

class TestPuxWorker : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void cleanup();

    void answersEqualOneShot_data();
    void answersEqualOneShot();
    void twoRequestsAtOnce();
    void failedWorkerFallsBackAndRestarts_data();
    void failedWorkerFallsBackAndRestarts();
    void toolChangeReplacesWorker();
    void noWorkerAfterProgramEnd();

private:
    QString page(const QString &id) const { return SampleSite::watchUrl(m_server, id).toString(); }

    TestHttpServer m_server;
    SampleSite::Manifest m_manifest;
    // One-shot answers by page id.
    QHash<QString, QStringList> m_expected;
};

void TestPuxWorker::initTestCase()
{
    qRegisterMetaType<Kel::WebMediaInfo>("Kel::WebMediaInfo");
    MARLIN_REQUIRE_YTZIP();
    QString error;
    QVERIFY2(SampleSite::serve(m_server, &error), qPrintable(error));
    m_manifest = SampleSite::manifest(&error);
    QVERIFY2(!m_manifest.pages.isEmpty(), qPrintable(error));
    // The script as the application directory holds it.
    PuxWorker::instance()->setScriptPath(TestTools::appDir() + QLatin1Char('/') + PuxWorker::ScriptName);
    QVERIFY(QFileInfo::exists(PuxWorker::instance()->scriptPath()));
    // What the tool run once per request answers.
    PuxWorker::instance()->setEnabled(false);
    for (const QString &id : {m_manifest.progressiveId, m_manifest.dashId, m_manifest.noVideoId}) {
        const Answer answer = ask(TestTools::ytZipPath(), page(id));
        QCOMPARE(answer.finished, 1);
        m_expected.insert(id, describe(answer));
    }
    PuxWorker::instance()->setEnabled(true);
}

void TestPuxWorker::cleanup()
{
    PuxWorker::instance()->setTimeLimit(PuxWorker::DefaultTimeLimitMs);
}

void TestPuxWorker::cleanupTestCase()
{
    Kel::WebMediaDownloaderFactory::instance()->stopExtractors();
    QCOMPARE(PuxWorker::instance()->processCount(), 0);
    m_server.stop();
}

void TestPuxWorker::answersEqualOneShot_data()
{
    QTest::addColumn<QString>("id");
    QTest::newRow("progressive, subtitles") << m_manifest.progressiveId;
    QTest::newRow("DASH, subtitles") << m_manifest.dashId;
    QTest::newRow("page without video: the tool's error") << m_manifest.noVideoId;
    // Twice: the second request of a page must not see the first one's.
    QTest::newRow("progressive again") << m_manifest.progressiveId;
}

void TestPuxWorker::answersEqualOneShot()
{
    QFETCH(QString, id);
    PuxWorker *worker = PuxWorker::instance();
    const quint64 answered = worker->answerCount();
    const Answer answer = ask(TestTools::ytZipPath(), page(id));
    QCOMPARE(worker->answerCount(), answered + 1);
    QCOMPARE(describe(answer), m_expected.value(id));
    if (id == m_manifest.noVideoId) {
        QCOMPARE(answer.errors, QList<int>{-1});
        QVERIFY2(answer.info.errorText.contains(QLatin1String("ERROR")), qPrintable(answer.info.errorText));
    } else {
        QVERIFY(answer.info.isValid());
        QCOMPARE(answer.info.subtitleLanguages.size(), 2);
    }
}

void TestPuxWorker::twoRequestsAtOnce()
{
    PuxWorker *worker = PuxWorker::instance();
    const quint64 answered = worker->answerCount();
    const QList<Answer> answers =
        ask(TestTools::ytZipPath(), {page(m_manifest.dashId), page(m_manifest.progressiveId)});
    QCOMPARE(describe(answers.at(0)), m_expected.value(m_manifest.dashId));
    QCOMPARE(describe(answers.at(1)), m_expected.value(m_manifest.progressiveId));
    QCOMPARE(worker->answerCount(), answered + 2);
    QCOMPARE(worker->processCount(), 1);
}

void TestPuxWorker::failedWorkerFallsBackAndRestarts_data()
{
    QTest::addColumn<bool>("killed");
    QTest::newRow("killed while working") << true;
    QTest::newRow("hanging past the time limit") << false;
}

void TestPuxWorker::failedWorkerFallsBackAndRestarts()
{
    QFETCH(bool, killed);
    PuxWorker *worker = PuxWorker::instance();
    Kel::WebMediaDownloaderFactory::instance()->prepareExtractors(TestTools::ytZipPath());
    QTRY_VERIFY_WITH_TIMEOUT(worker->isReady(), answerTimeoutMs);
    const qint64 stuck = worker->processId();
    QVERIFY(stuck > 0);
    // A stopped process neither answers nor ends: it is hung.
    QCOMPARE(::kill(pid_t(stuck), SIGSTOP), 0);
    const QString url = page(m_manifest.progressiveId);
    std::unique_ptr<WebMediaInfoExtractor> extractor(
        Kel::WebMediaDownloaderFactory::instance()->createExtractor(TestTools::ytZipPath(), QDir::tempPath()));
    Answer answer;
    connect(extractor.get(), &WebMediaInfoExtractor::finished, this, [&answer](const WebMediaInfo &info) {
        ++answer.finished;
        answer.info = info;
    });
    connect(extractor.get(), &WebMediaInfoExtractor::error, this, [&answer](qint32 code) { answer.errors << code; });
    const quint64 answered = worker->answerCount();
    if (!killed)
        worker->setTimeLimit(300);
    extractor->getMediaInfoBySignal(url);
    if (killed)
        QCOMPARE(::kill(pid_t(stuck), SIGKILL), 0);
    // Another worker takes over at once; the request itself runs the tool.
    QTRY_VERIFY_WITH_TIMEOUT(worker->processId() != stuck, answerTimeoutMs);
    worker->setTimeLimit(PuxWorker::DefaultTimeLimitMs);
    QTRY_VERIFY_WITH_TIMEOUT(answer.finished > 0, answerTimeoutMs);
    QCOMPARE(describe(answer), m_expected.value(m_manifest.progressiveId));
    QCOMPARE(worker->answerCount(), answered);
    QTRY_VERIFY(!processExists(stuck));
    // The new worker answers the next request.
    QCOMPARE(describe(ask(TestTools::ytZipPath(), url)), m_expected.value(m_manifest.progressiveId));
    QCOMPARE(worker->answerCount(), answered + 1);
    QVERIFY(worker->processId() != stuck);
}

void TestPuxWorker::toolChangeReplacesWorker()
{
    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QString tool = root.filePath(QStringLiteral("yt.zip"));
    QVERIFY(QFile::copy(TestTools::ytZipPath(), tool));
    Kel::PuxToolCache *cache = Kel::PuxToolCache::instance();
    cache->setCacheDir(root.filePath(QStringLiteral("cache")));
    PuxWorker *worker = PuxWorker::instance();
    const QString url = page(m_manifest.progressiveId);
    const QStringList expected = m_expected.value(m_manifest.progressiveId);

    // The archive's worker gives way to one of its copy once that is made.
    QCOMPARE(describe(ask(tool, url)), expected);
    QVERIFY(cache->waitForCopies(answerTimeoutMs));
    QTRY_VERIFY_WITH_TIMEOUT(cache->current().isCopy(), answerTimeoutMs);
    QCOMPARE(describe(ask(tool, url)), expected);
    const qint64 before = worker->processId();
    QVERIFY(before > 0);

    // An update puts another archive in its place, as the updater does.
    const QString next = root.filePath(QStringLiteral("next.zip"));
    QVERIFY(QFile::copy(tool, next));
    const TestTools::RunResult changed = TestTools::run(
        TestTools::pythonPath(),
        {QStringLiteral("-c"),
         QStringLiteral("import sys, zipfile; zipfile.ZipFile(sys.argv[1], 'a').writestr('update.txt', '2')"), next});
    QVERIFY2(changed.succeeded(), qPrintable(changed.describe()));
    QVERIFY(::rename(QFile::encodeName(next).constData(), QFile::encodeName(tool).constData()) == 0);

    const quint64 answered = worker->answerCount();
    QCOMPARE(describe(ask(tool, url)), expected);
    QCOMPARE(worker->answerCount(), answered + 1);
    QVERIFY(worker->processId() > 0);
    QVERIFY(worker->processId() != before);
    QTRY_VERIFY_WITH_TIMEOUT(!processExists(before), answerTimeoutMs);

    Kel::WebMediaDownloaderFactory::instance()->stopExtractors();
    QVERIFY(cache->waitForCopies(answerTimeoutMs));
    cache->setCacheDir(QString());
}

void TestPuxWorker::noWorkerAfterProgramEnd()
{
    const QString program = TestTools::appDir() + QStringLiteral("/marlin-cli");
    QVERIFY2(QFileInfo(program).isExecutable(), "build the marlin-cli target");
    QTemporaryDir home;
    QVERIFY(home.isValid());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("MARLIN_HOME"), home.path());
    // The diagnostic log on standard error, where the worker's start shows.
    env.insert(QStringLiteral("MARLIN_LOG_OUTPUTS"), QStringLiteral("4"));
    const QString host = QStringLiteral("127.0.0.1:%1").arg(m_server.port());
    const TestTools::RunResult run =
        TestTools::run(program,
                       {QStringLiteral("info"), QStringLiteral("--no-sizes"), QStringLiteral("--allow-host"), host,
                        page(m_manifest.progressiveId), page(m_manifest.dashId)},
                       answerTimeoutMs, QString(), env);
    QVERIFY2(run.succeeded(), qPrintable(run.describe()));
    const QRegularExpressionMatch ready = QRegularExpression(QStringLiteral("Extractor worker (\\d+) ready"))
                                              .match(QString::fromUtf8(run.standardError));
    QVERIFY2(ready.hasMatch(), qPrintable(run.describe()));
    const qint64 pid = ready.captured(1).toLongLong();
    QTRY_VERIFY(!processExists(pid));
}

QTEST_MAIN(TestPuxWorker)
#include "tst_puxworker.moc"
