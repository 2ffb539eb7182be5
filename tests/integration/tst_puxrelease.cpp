#include "tarncore/download/appcontext.h"
#include "tarncore/services/puxreleasesource.h"
#include "tarncore/services/puxupdater.h"
#include "support/samplesite.h"
#include "support/testhttpserver.h"
#include "support/testtools.h"
#include "webfetch/puxtoolcache.h"
#include "webfetch/webmediadownloaderfactory.h"
#include "webfetch/webmediainfoextractor.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace Tarn;

namespace {

const QString Installed = QStringLiteral("2024.01.01");
const QString Newer = QStringLiteral("2099.01.02");
constexpr int WaitMs = 120000;


QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(content) == content.size();
}

QByteArray sha256(const QByteArray &data)
{
    return QCryptographicHash::hash(data, QCryptographicHash::Sha256).toHex();
}

} // namespace

class TestPuxRelease : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void shippedKeyIsTheTrustedOne();
    void releaseNames_data();
    void releaseNames();
    void releaseIsCheckedBeforeUse_data();
    void releaseIsCheckedBeforeUse();
    void interruptedInstallFinishesAtNextStart();
    void shippedToolCanBeChosenAgain();
    void commandLine();

private:
    QString gpg(const QStringList &arguments, QByteArray *output = nullptr);
    QString makeKey(const QString &name);
    QByteArray sign(const QString &fingerprint, const QByteArray &data);
    QByteArray makeArchive(const QString &version, const QString &kind);
    // Serves release tag with the given files.
    void publish(const QString &tag, const QByteArray &archive, const QByteArray &sums, const QByteArray &signature);
    void setUpUpdater(PuxUpdater &updater);
    // Checks and, when something newer is found, updates; whether the
    // update reported success.
    bool checkAndUpdate(PuxUpdater &updater, bool *found);
    QString data(const QString &name) const { return m_data->filePath(name); }
    QStringList dataFiles() const { return QDir(m_data->path()).entryList(QDir::Files | QDir::Hidden); }

    TestHttpServer m_server;
    SampleSite::Manifest m_manifest;
    QTemporaryDir m_root;
    QString m_home;
    QString m_program;
    QString m_trusted;
    QString m_other;
    QString m_keyFile;
    QString m_bothKeysFile;
    QByteArray m_shipped;
    QByteArray m_release;
    std::unique_ptr<QTemporaryDir> m_data;
};

QString TestPuxRelease::gpg(const QStringList &arguments, QByteArray *output)
{
    const TestTools::RunResult run =
        TestTools::run(QStringLiteral("gpg"), QStringList{"--batch", "--homedir", m_home} + arguments);
    if (output)
        *output = run.standardOutput;
    return run.succeeded() ? QString() : run.describe();
}

QString TestPuxRelease::makeKey(const QString &name)
{
    const QString uid = name + QStringLiteral(" <releases@example.invalid>");
    QString error = gpg({"--passphrase", "", "--quick-gen-key", uid, "ed25519", "sign", "never"});
    if (!error.isEmpty())
        return QString();
    QByteArray listing;
    gpg({"--with-colons", "--list-keys", uid}, &listing);
    for (const QByteArray &line : listing.split('\n')) {
        if (line.startsWith("fpr:"))
            return QString::fromLatin1(line.split(':').value(9));
    }
    return QString();
}

QByteArray TestPuxRelease::sign(const QString &fingerprint, const QByteArray &content)
{
    const QString file = m_root.filePath(QStringLiteral("signed"));
    QFile::remove(file + QStringLiteral(".sig"));
    if (!writeFile(file, content))
        return QByteArray();
    gpg({"--local-user", fingerprint, "--detach-sign", "-o", file + QStringLiteral(".sig"), file});
    return readFile(file + QStringLiteral(".sig"));
}

QByteArray TestPuxRelease::makeArchive(const QString &version, const QString &kind)
{
    const QString out = m_root.filePath(QStringLiteral("release-%1-%2").arg(version, kind));
    const TestTools::RunResult run =
        TestTools::run(TestTools::pythonPath(), {TestTools::sourceDir() + QStringLiteral("/tests/integration/make_release.py"),
                                                 TestTools::ytZipPath(), out, version, kind});
    if (!run.succeeded())
        qWarning("%s", qPrintable(run.describe()));
    return readFile(out);
}

void TestPuxRelease::publish(const QString &tag, const QByteArray &archive, const QByteArray &sums,
                             const QByteArray &signature)
{
    TestHttpServer::Response redirect;
    redirect.status = 302;
    redirect.contentType = "text/html";
    redirect.headers = {{"Location", m_server.url(QStringLiteral("/releases/tag/") + tag).toEncoded()}};
    m_server.setResponse(QStringLiteral("/releases/latest"), redirect);
    const QString download = QStringLiteral("/releases/download/") + tag + QLatin1Char('/');
    m_server.setResponse(download + QStringLiteral("yt-dlp"), archive, "application/octet-stream");
    m_server.setResponse(download + QStringLiteral("SHA2-256SUMS"), sums, "text/plain");
    m_server.setResponse(download + QStringLiteral("SHA2-256SUMS.sig"), signature, "application/octet-stream");
}

void TestPuxRelease::setUpUpdater(PuxUpdater &updater)
{
    updater.setAppDataDir(m_data->path());
    updater.setReleaseBaseUrl(m_server.url(QStringLiteral("/releases")).toString());
    updater.setReleaseKey(m_keyFile, m_trusted);
}

bool TestPuxRelease::checkAndUpdate(PuxUpdater &updater, bool *found)
{
    QSignalSpy checked(&updater, &PuxUpdater::checkFinished);
    QSignalSpy done(&updater, &PuxUpdater::done);
    updater.checkRelease();
    if (!checked.wait(WaitMs))
        return false;
    *found = checked.first().first().toBool();
    if (!*found)
        return false;
    updater.update();
    if (done.isEmpty() && !done.wait(WaitMs))
        return false;
    return !done.first().first().toBool();
}

void TestPuxRelease::initTestCase()
{
    qRegisterMetaType<Kel::WebMediaInfo>("Kel::WebMediaInfo");
    MARLIN_REQUIRE_YTZIP();
    MARLIN_REQUIRE_PROGRAM("gpg");
    MARLIN_REQUIRE_PROGRAM("gpgv");
    QVERIFY(m_root.isValid());
    m_home = m_root.filePath(QStringLiteral("gnupg"));
    QVERIFY(QDir().mkpath(m_home));
    QVERIFY(QFile::setPermissions(m_home, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
    m_trusted = makeKey(QStringLiteral("Trusted"));
    m_other = makeKey(QStringLiteral("Other"));
    QVERIFY(!m_trusted.isEmpty() && !m_other.isEmpty());
    QByteArray armored;
    QCOMPARE(gpg({"--armor", "--export", m_trusted}, &armored), QString());
    m_keyFile = m_root.filePath(QStringLiteral("trusted.asc"));
    QVERIFY(writeFile(m_keyFile, armored));
    QCOMPARE(gpg({"--armor", "--export", m_other, m_trusted}, &armored), QString());
    m_bothKeysFile = m_root.filePath(QStringLiteral("both.asc"));
    QVERIFY(writeFile(m_bothKeysFile, armored));

    m_program = m_root.filePath(QStringLiteral("app"));
    QVERIFY(QDir().mkpath(m_program));
    m_shipped = readFile(TestTools::ytZipPath());
    QVERIFY(writeFile(m_program + QStringLiteral("/yt.zip"), m_shipped));
    QVERIFY(QFile::copy(QFileInfo(TestTools::ytZipPath()).dir().filePath(QStringLiteral("yt.puxc")),
                        m_program + QStringLiteral("/yt.puxc")));
    m_release = makeArchive(Newer, QStringLiteral("good"));
    QVERIFY(!m_release.isEmpty());

    QString error;
    QVERIFY2(SampleSite::serve(m_server, &error), qPrintable(error));
    m_manifest = SampleSite::manifest(&error);
    QVERIFY2(!m_manifest.pages.isEmpty(), qPrintable(error));
}

void TestPuxRelease::cleanupTestCase()
{
    m_server.stop();
}

void TestPuxRelease::init()
{
    AppContext::setAppDirOverride(m_program);
    m_server.clearFaults();
    // An updated tool is in use already: version 2024.01.01 in the data folder.
    m_data = std::make_unique<QTemporaryDir>();
    QVERIFY(m_data->isValid());
    QVERIFY(writeFile(data(QStringLiteral("yt.zip")), m_shipped));
    QVERIFY(writeFile(data(QStringLiteral("yt.puxc")),
                      "[INFO]\nVERSION=" + Installed.toUtf8() + "\nYT_URL=http://127.0.0.1/old\nMD5="
                          + QCryptographicHash::hash(m_shipped, QCryptographicHash::Md5).toHex() + "\n"));
}

void TestPuxRelease::cleanup()
{
    QVERIFY(Kel::PuxToolCache::instance()->waitForCopies(WaitMs));
    Kel::PuxToolCache::instance()->setCacheDir(QString());
    AppContext::setAppDirOverride(QString());
    m_data.reset();
}

void TestPuxRelease::shippedKeyIsTheTrustedOne()
{
    const QString shipped = TestTools::appDir() + QStringLiteral("/conf/yt-release-key.asc");
    QByteArray listing;
    QCOMPARE(gpg({"--with-colons", "--show-keys", shipped}, &listing), QString());
    QStringList fingerprints;
    for (const QByteArray &line : listing.split('\n')) {
        if (line.startsWith("fpr:"))
            fingerprints += QString::fromLatin1(line.split(':').value(9));
    }
    QCOMPARE(fingerprints, QStringList{PuxReleaseSource::TrustedFingerprint});
    QCOMPARE(PuxReleaseSource(QString()).baseUrl(), PuxReleaseSource::configuredBaseUrl());
    QVERIFY(PuxReleaseSource::DefaultBaseUrl.startsWith(QLatin1String("https://")));
}

void TestPuxRelease::releaseNames_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("tag");
    QTest::addColumn<QString>("version");
    QTest::newRow("release") << "https://example.invalid/r/releases/tag/2024.08.06" << "2024.08.06" << "2024.8.6";
    QTest::newRow("nightly") << "https://example.invalid/releases/tag/2024.08.06.232703" << "2024.08.06.232703"
                             << "2024.8.6.232703";
    QTest::newRow("v prefix") << "https://example.invalid/releases/tag/v1.2" << "v1.2" << "1.2";
    QTest::newRow("no tag") << "https://example.invalid/releases" << "" << "";
    QTest::newRow("not a version") << "https://example.invalid/releases/tag/latest" << "latest" << "";
    QTest::newRow("odd characters") << "https://example.invalid/releases/tag/1.0%0Aevil" << "" << "";
}

void TestPuxRelease::releaseNames()
{
    QFETCH(QString, address);
    QFETCH(QString, tag);
    QFETCH(QString, version);
    QCOMPARE(PuxReleaseSource::tagFromAddress(QUrl(address)), tag);
    QCOMPARE(PuxReleaseSource::versionOfTag(tag).toString(), version);
    const QByteArray sums = QByteArray(64, 'A') + "  yt-dlp.exe\n" + QByteArray(64, 'b') + " *yt-dlp\r\n";
    QCOMPARE(PuxReleaseSource::digestFor(sums, QStringLiteral("yt-dlp")), QString(64, QLatin1Char('b')));
    QCOMPARE(PuxReleaseSource::digestFor(sums, QStringLiteral("yt-dlp.exe")), QString(64, QLatin1Char('a')));
    QCOMPARE(PuxReleaseSource::digestFor(sums, QStringLiteral("yt-dlp_linux")), QString());
}

void TestPuxRelease::releaseIsCheckedBeforeUse_data()
{
    QTest::addColumn<QString>("tag");
    QTest::addColumn<QString>("archiveKind");
    QTest::addColumn<QString>("fault");
    QTest::addColumn<bool>("installs");
    QTest::addColumn<QString>("reason");

    QTest::newRow("good release") << Newer << "good" << "" << true << "";
    QTest::newRow("bad signature") << Newer << "good" << "bad signature" << false << "signature is bad";
    QTest::newRow("other key") << Newer << "good" << "other key" << false << "not with the trusted key";
    QTest::newRow("other key of the keyring") << Newer << "good" << "keyring" << false << "not with the trusted key";
    QTest::newRow("checksum mismatch") << Newer << "good" << "checksum" << false << "SHA-256";
    QTest::newRow("archive does not run") << Newer << "broken" << "" << false << "does not run";
    QTest::newRow("archive of another version") << "2099.02.01" << "good" << "" << false << "reports version";
    QTest::newRow("cut download") << Newer << "good" << "cut" << false << "could not be downloaded";
    QTest::newRow("not newer") << Installed << "good" << "" << false << "";
}

// Nothing but a release that passes every check replaces the tool in use.
void TestPuxRelease::releaseIsCheckedBeforeUse()
{
    QFETCH(QString, tag);
    QFETCH(QString, archiveKind);
    QFETCH(QString, fault);
    QFETCH(bool, installs);
    QFETCH(QString, reason);

    const QByteArray archive = archiveKind == QLatin1String("good") ? m_release : makeArchive(Newer, archiveKind);
    QVERIFY(!archive.isEmpty());
    QByteArray sums = (fault == QLatin1String("checksum") ? QByteArray(64, 'a') : sha256(archive)) + "  yt-dlp\n"
                      + sha256("other") + "  yt-dlp.exe\n";
    const bool otherKey = fault == QLatin1String("other key") || fault == QLatin1String("keyring");
    QByteArray signature = sign(otherKey ? m_other : m_trusted, sums);
    if (fault == QLatin1String("bad signature"))
        sums.replace("yt-dlp.exe", "yt-dlp.EXE");
    publish(tag, archive, sums, signature);
    if (fault == QLatin1String("cut")) {
        TestHttpServer::Fault cut;
        cut.closeAfterBytes = archive.size() / 2;
        m_server.setFault(QStringLiteral("/releases/download/*/yt-dlp"), cut);
    }

    PuxUpdater updater;
    setUpUpdater(updater);
    if (fault == QLatin1String("keyring"))
        updater.setReleaseKey(m_bothKeysFile, m_trusted);
    const QString before = updater.puxFilePath();
    QCOMPARE(before, data(QStringLiteral("yt.zip")));
    QSignalSpy changed(&updater, &PuxUpdater::puxFileChanged);
    bool found = false;
    QCOMPARE(checkAndUpdate(updater, &found), installs);
    QCOMPARE(found, tag != Installed);
    QCOMPARE(updater.puxFilePath(), before);
    QCOMPARE(dataFiles(), QStringList({"yt.puxc", "yt.zip"}));
    if (!installs) {
        QCOMPARE(readFile(before), m_shipped);
        QCOMPARE(updater.puxVersion(), Installed);
        QCOMPARE(changed.count(), 0);
        QCOMPARE(updater.lastError().isEmpty(), !found);
        QVERIFY2(updater.lastError().contains(reason), qPrintable(updater.lastError()));
        return;
    }
    QCOMPARE(readFile(before), archive);
    QCOMPARE(updater.puxVersion(), tag);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(updater.puxSourceUrl(), m_server.url(QStringLiteral("/releases/download/%1/yt-dlp").arg(tag)).toString());

    // The next media-information run uses the new archive, from a copy of
    // its own, and tolerates the notes it writes.
    Kel::PuxToolCache *cache = Kel::PuxToolCache::instance();
    cache->setCacheDir(m_root.filePath(QStringLiteral("cache")));
    QCOMPARE(cache->toolFor(updater.puxFilePath()).digest(), QString::fromLatin1(sha256(archive)));
    QVERIFY(cache->waitForCopies(WaitMs));
    const SampleSite::Page page = m_manifest.page(m_manifest.progressiveId);
    std::unique_ptr<Kel::WebMediaInfoExtractor> extractor(
        Kel::WebMediaDownloaderFactory::instance()->createExtractor(updater.puxFilePath(), updater.appDataDir()));
    const Kel::WebMediaInfo info = extractor->getMediaInfo(SampleSite::watchUrl(m_server, page.id).toString());
    QVERIFY2(info.isValid(), qPrintable(info.errorText));
    QCOMPARE(info.title, page.expectedTitle);
    QVERIFY(cache->current().isCopy());
    QCOMPARE(cache->current().archivePath(), data(QStringLiteral("yt.zip")));
    QVERIFY2(info.errorText.contains(QLatin1String("Deprecated Feature")), qPrintable(info.errorText));
}

// An install cut short between its two renames is completed at the next start.
void TestPuxRelease::interruptedInstallFinishesAtNextStart()
{
    class CutShort : public PuxUpdater
    {
    protected:
        bool replaceFile(const QString &from, const QString &to) override
        {
            return to.endsWith(QLatin1String("/yt.puxc")) ? false : PuxUpdater::replaceFile(from, to);
        }
    };
    const QByteArray sums = sha256(m_release) + "  yt-dlp\n";
    publish(Newer, m_release, sums, sign(m_trusted, sums));
    {
        CutShort first;
        setUpUpdater(first);
        bool found = false;
        QVERIFY(!checkAndUpdate(first, &found));
        QVERIFY(found);
    }
    QCOMPARE(dataFiles(), QStringList({"yt.puxc", "yt.zip", "yt_new.puxc"}));
    PuxUpdater next;
    setUpUpdater(next);
    QCOMPARE(next.tryRename(), 0);
    QCOMPARE(dataFiles(), QStringList({"yt.puxc", "yt.zip"}));
    QCOMPARE(next.puxFilePath(), data(QStringLiteral("yt.zip")));
    QCOMPARE(readFile(next.puxFilePath()), m_release);
    QCOMPARE(next.puxVersion(), Newer);
}

// Choosing the shipped tool takes effect at once, survives automatic checks
// and ends with the user's own check.
void TestPuxRelease::shippedToolCanBeChosenAgain()
{
    const QByteArray sums = sha256(m_release) + "  yt-dlp\n";
    publish(Newer, m_release, sums, sign(m_trusted, sums));
    PuxUpdater updater;
    setUpUpdater(updater);
    QSignalSpy changed(&updater, &PuxUpdater::puxFileChanged);
    QVERIFY(updater.useShippedTool());
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.first().first().toString(), m_program + QStringLiteral("/yt.zip"));
    QCOMPARE(updater.puxFilePath(), m_program + QStringLiteral("/yt.zip"));
    QCOMPARE(updater.puxVersion(), QStringLiteral("2023.03.04"));
    QCOMPARE(updater.puxSourceUrl(), QString());

    QSignalSpy checked(&updater, &PuxUpdater::checkFinished);
    updater.checkForUpdate(QStringLiteral("EN"));
    QVERIFY(!checked.takeFirst().first().toBool());
    QVERIFY(updater.isShippedToolChosen());

    QSignalSpy done(&updater, &PuxUpdater::done);
    connect(&updater, &PuxUpdater::foundNewPuxVersion, &updater, &PuxUpdater::update);
    updater.checkForUpdate(QStringLiteral("EN"), true);
    QVERIFY(done.wait(WaitMs));
    QVERIFY(!done.first().first().toBool());
    QVERIFY(!updater.isShippedToolChosen());
    QCOMPARE(updater.puxVersion(), Newer);
    QCOMPARE(changed.count(), 3);
}

void TestPuxRelease::commandLine()
{
    const QString cli = TestTools::appDir() + QStringLiteral("/marlin-cli");
    QVERIFY2(QFileInfo(cli).isExecutable(), "marlin-cli is missing: build the marlin-cli target");
    QTemporaryDir home;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("MARLIN_HOME"), home.path());
    env.insert(PuxReleaseSource::BaseUrlVariable, m_server.url(QStringLiteral("/releases")).toString());
    // A release signed by a key the program does not trust.
    const QByteArray sums = sha256(m_release) + "  yt-dlp\n";
    publish(Newer, m_release, sums, sign(m_trusted, sums));

    TestTools::RunResult run = TestTools::run(cli, {"tool"}, WaitMs, QString(), env);
    QVERIFY2(run.succeeded(), qPrintable(run.describe()));
    QVERIFY2(run.standardOutput.contains("Version: 2023.03.04"), run.standardOutput.constData());
    run = TestTools::run(cli, {"tool", "--update"}, WaitMs, QString(), env);
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.standardError.contains("signature"), run.standardError.constData());
    QVERIFY(!QFileInfo::exists(home.filePath(QStringLiteral("appdata/yt.zip"))));
    run = TestTools::run(cli, {"tool", "--revert"}, WaitMs, QString(), env);
    QVERIFY2(run.succeeded(), qPrintable(run.describe()));
    QVERIFY2(run.standardOutput.contains("shipped"), run.standardOutput.constData());
}

QTEST_GUILESS_MAIN(TestPuxRelease)
#include "tst_puxrelease.moc"
