// The extractor tool's unpacked copies in the cache folder, with the real
// archive, the real interpreter and the local sample site: made once and
// reused by media-information and download runs, made again when damaged,
// replaced with the archive, skipped where the cache cannot be written, and
// made once by programs that start together.
#include "downloadrun.h"
#include "shared/webmediainfo.h"
#include "support/samplesite.h"
#include "support/testhttpserver.h"
#include "support/testtools.h"
#include "webfetch/puxtoolcache.h"
#include "webfetch/webmediadownloader.h"
#include "webfetch/webmediadownloaderfactory.h"
#include "webfetch/webmediainfoextractor.h"

#include <QCryptographicHash>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include <sys/stat.h>

using Kel::PuxTool;
using Kel::PuxToolCache;

namespace {

const int copyMs = 300000;

QString sha256(const QString &path)
{
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    return file.open(QIODevice::ReadOnly) && hash.addData(&file) ? QString::fromLatin1(hash.result().toHex())
                                                                 : QString();
}

quint64 inode(const QString &path)
{
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? quint64(st.st_ino) : 0;
}

QStringList entries(const QString &dir)
{
    QStringList names = QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    names.sort();
    return names;
}

QStringList sorted(QStringList list)
{
    list.sort();
    return list;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeAll(const QString &path, const QByteArray &data, QIODevice::OpenMode mode = QIODevice::WriteOnly)
{
    QFile file(path);
    return file.open(mode) && file.write(data) == data.size();
}

} // namespace

class TestPuxToolCache : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void copyIsMadeOnceAndReused();
    void damagedCopyIsMadeAgain_data();
    void damagedCopyIsMadeAgain();
    void newArchiveGetsNewCopyAndOldOneGoes();
    void unwritableCacheRunsArchive();
    void programsStartingTogetherMakeOneCopy();
    void copyHoldsWhatItsNameSays();

private:
    // Starts the probe program making the copy of the archive under digest.
    std::unique_ptr<QProcess> startProbe(const QString &digest, const QString &go);
    PuxTool readyTool();
    // A real media-information request through the back end.
    void expectMediaInfo();
    QString pageUrl(const QString &id) const { return SampleSite::watchUrl(m_server, id).toString(); }

    TestHttpServer m_server;
    SampleSite::Manifest m_manifest;
    std::unique_ptr<QTemporaryDir> m_root;
    QString m_archive;
    QString m_cacheDir;
};

void TestPuxToolCache::initTestCase()
{
    qRegisterMetaType<Kel::WebMediaInfo>("Kel::WebMediaInfo");
    MARLIN_REQUIRE_YTZIP();
    QString error;
    QVERIFY2(SampleSite::serve(m_server, &error), qPrintable(error));
    m_manifest = SampleSite::manifest(&error);
    QVERIFY2(!m_manifest.pages.isEmpty(), qPrintable(error));
}

void TestPuxToolCache::cleanupTestCase()
{
    m_server.stop();
}

void TestPuxToolCache::init()
{
    m_root = std::make_unique<QTemporaryDir>();
    QVERIFY(m_root->isValid());
    // An archive of its own, so that an update can replace it.
    m_archive = m_root->filePath(QStringLiteral("app/yt.zip"));
    QVERIFY(QDir().mkpath(m_root->filePath(QStringLiteral("app"))));
    QVERIFY(QFile::copy(TestTools::ytZipPath(), m_archive));
    m_cacheDir = m_root->filePath(QStringLiteral("cache/tool"));
    PuxToolCache::instance()->setCacheDir(m_cacheDir);
}

void TestPuxToolCache::cleanup()
{
    QVERIFY(PuxToolCache::instance()->waitForCopies(copyMs));
    PuxToolCache::instance()->setCacheDir(QString());
    m_root.reset();
}

PuxTool TestPuxToolCache::readyTool()
{
    PuxToolCache::instance()->toolFor(m_archive);
    if (!PuxToolCache::instance()->waitForCopies(copyMs))
        return PuxTool();
    return PuxToolCache::instance()->toolFor(m_archive);
}

void TestPuxToolCache::expectMediaInfo()
{
    const SampleSite::Page page = m_manifest.page(m_manifest.progressiveId);
    std::unique_ptr<Kel::WebMediaInfoExtractor> extractor(
        Kel::WebMediaDownloaderFactory::instance()->createExtractor(m_archive, QDir::tempPath()));
    const Kel::WebMediaInfo info = extractor->getMediaInfo(pageUrl(page.id));
    QVERIFY2(info.isValid(), qPrintable(info.errorText));
    QCOMPARE(info.title, page.expectedTitle);
}

void TestPuxToolCache::copyIsMadeOnceAndReused()
{
    PuxToolCache *cache = PuxToolCache::instance();
    QSignalSpy changed(cache, &PuxToolCache::toolChanged);
    const QString digest = sha256(m_archive);
    const QString folder = m_cacheDir + QLatin1Char('/') + digest;
    {
        // Nothing to wait for: the archive runs while its copy is made.
        const PuxTool first = cache->toolFor(m_archive);
        QVERIFY(!first.isCopy());
        QCOMPARE(first.runPath(), m_archive);
        QCOMPARE(first.digest(), digest);
    }
    const PuxTool tool = readyTool();
    QCOMPARE(tool.copyFolder(), folder);
    QCOMPARE(tool.runPath(), folder);
    QCOMPARE(tool.archivePath(), m_archive);
    QVERIFY(QFileInfo(folder + QStringLiteral("/__main__.py")).isFile());
    QCOMPARE(changed.count(), 2);
    QCOMPARE(changed.last().first().value<PuxTool>().copyFolder(), folder);
    const quint64 record = inode(folder + QStringLiteral("/.manifest"));
    QVERIFY(record != 0);

    // Media information and a download, both from the copy.
    expectMediaInfo();
    const SampleSite::Page page = m_manifest.page(m_manifest.progressiveId);
    Kel::MediaProfile quality;
    quality.name = page.format(QStringLiteral("360p")).formatId;
    quality.format = QStringLiteral("MP4");
    const QString destination = m_root->filePath(QStringLiteral("clip.mp4"));
    std::unique_ptr<Kel::WebMediaDownloader> downloader(
        Kel::WebMediaDownloaderFactory::instance()->createDownloader(m_archive, QDir::tempPath()));
    DownloadRun run(downloader.get());
    downloader->download(pageUrl(page.id), quality, Kel::SubtitleSetting(), destination);
    QVERIFY2(run.wait(), qPrintable(run.describe()));
    QVERIFY2(run.errors().isEmpty(), qPrintable(run.describe()));
    QVERIFY(QFileInfo(destination).size() > 0);

    // The runs left the copy as it was (no bytecode written into it), and
    // it is used again rather than made again.
    QCOMPARE(cache->toolFor(m_archive).copyFolder(), folder);
    QCOMPARE(inode(folder + QStringLiteral("/.manifest")), record);
    QCOMPARE(changed.count(), 2);
    QCOMPARE(entries(m_cacheDir), sorted({digest, QStringLiteral("archives"), QStringLiteral("make.lock")}));
}

void TestPuxToolCache::damagedCopyIsMadeAgain_data()
{
    QTest::addColumn<QString>("damage");
    QTest::newRow("source changed") << "append";
    QTest::newRow("source replaced, its time restored") << "replace";
    QTest::newRow("bytecode removed") << "remove bytecode";
    QTest::newRow("bytecode added") << "add bytecode";
    QTest::newRow("folder removed") << "remove folder";
    QTest::newRow("record removed") << "remove record";
}

void TestPuxToolCache::damagedCopyIsMadeAgain()
{
    QFETCH(QString, damage);
    const QString folder = readyTool().copyFolder();
    QVERIFY(!folder.isEmpty());
    const QString source = folder + QStringLiteral("/yt_dlp/version.py");
    const QByteArray original = readAll(source);
    QVERIFY(!original.isEmpty());
    const QString bytecodeDir = folder + QStringLiteral("/yt_dlp/__pycache__");
    const QStringList bytecode = QDir(bytecodeDir).entryList({QStringLiteral("version.*.pyc")});
    QCOMPARE(bytecode.size(), 1);

    if (damage == QLatin1String("append")) {
        QVERIFY(writeAll(source, "\nraise SystemExit(3)\n", QIODevice::Append));
    } else if (damage == QLatin1String("replace")) {
        const QDateTime modified = QFileInfo(source).lastModified();
        QByteArray changedText = original;
        changedText[0] = changedText[0] == '#' ? ' ' : '#';
        QVERIFY(writeAll(source, changedText));
        QFile file(source);
        QVERIFY(file.open(QIODevice::ReadWrite) && file.setFileTime(modified, QFileDevice::FileModificationTime));
    } else if (damage == QLatin1String("remove bytecode")) {
        QVERIFY(QFile::remove(bytecodeDir + QLatin1Char('/') + bytecode.first()));
    } else if (damage == QLatin1String("add bytecode")) {
        // What another interpreter's run would leave.
        QVERIFY(writeAll(bytecodeDir + QStringLiteral("/version.cpython-399.pyc"), "stale"));
    } else if (damage == QLatin1String("remove folder")) {
        QVERIFY(QDir(folder + QStringLiteral("/yt_dlp/extractor")).removeRecursively());
    } else {
        QVERIFY(QFile::remove(folder + QStringLiteral("/.manifest")));
    }

    QVERIFY(!PuxToolCache::instance()->toolFor(m_archive).isCopy());
    QCOMPARE(readyTool().copyFolder(), folder);
    QCOMPARE(readAll(source), original);
    QCOMPARE(QDir(bytecodeDir).entryList({QStringLiteral("version.*.pyc")}), bytecode);
}

void TestPuxToolCache::newArchiveGetsNewCopyAndOldOneGoes()
{
    PuxToolCache *cache = PuxToolCache::instance();
    PuxTool old = readyTool();
    QVERIFY(old.isCopy());

    // An update swaps a different archive into the same place.
    const QString next = m_archive + QStringLiteral(".new");
    QVERIFY(QFile::copy(m_archive, next));
    const TestTools::RunResult append = TestTools::run(
        TestTools::pythonPath(),
        {QStringLiteral("-c"),
         QStringLiteral("import sys, zipfile; zipfile.ZipFile(sys.argv[1], 'a').writestr('update.txt', '2')"), next});
    QVERIFY2(append.succeeded(), qPrintable(append.describe()));
    QVERIFY(::rename(QFile::encodeName(next).constData(), QFile::encodeName(m_archive).constData()) == 0);
    const QString digest = sha256(m_archive);
    QVERIFY(digest != old.digest());

    QSignalSpy changed(cache, &PuxToolCache::toolChanged);
    const PuxTool first = cache->toolFor(m_archive);
    QCOMPARE(first.digest(), digest);
    QVERIFY(!first.isCopy());
    const QString folder = m_cacheDir + QLatin1Char('/') + digest;
    QCOMPARE(readyTool().copyFolder(), folder);
    QCOMPARE(changed.last().first().value<PuxTool>().copyFolder(), folder);
    expectMediaInfo();

    // The old copy stays while a run may still use it, and goes at the
    // next start once nothing does.
    QVERIFY(QFileInfo(old.copyFolder()).isDir());
    const QString oldFolder = old.copyFolder();
    old = PuxTool();
    cache->setCacheDir(m_cacheDir);
    QCOMPARE(readyTool().copyFolder(), folder);
    QVERIFY(cache->waitForCopies(copyMs));
    QVERIFY(!QFileInfo::exists(oldFolder));
    QCOMPARE(entries(m_cacheDir), sorted({digest, QStringLiteral("archives"), QStringLiteral("make.lock")}));
}

void TestPuxToolCache::unwritableCacheRunsArchive()
{
    // Below a file: no folder can be made there, whoever runs the test.
    const QString blocker = m_root->filePath(QStringLiteral("blocker"));
    QVERIFY(writeAll(blocker, "x"));
    PuxToolCache::instance()->setCacheDir(blocker + QStringLiteral("/tool"));

    const PuxTool tool = readyTool();
    QVERIFY(!tool.isCopy());
    QCOMPARE(tool.runPath(), m_archive);
    QCOMPARE(tool.digest(), sha256(m_archive));
    expectMediaInfo();
}

std::unique_ptr<QProcess> TestPuxToolCache::startProbe(const QString &digest, const QString &go)
{
    auto probe = std::make_unique<QProcess>();
    probe->start(TestTools::testDir() + QStringLiteral("/puxtoolcopy-probe"),
                 {m_cacheDir, m_archive, digest, TestTools::pythonPath(), go});
    return probe;
}

void TestPuxToolCache::programsStartingTogetherMakeOneCopy()
{
    QVERIFY(QDir().mkpath(m_cacheDir));
    const QString digest = sha256(m_archive);
    const QString go = m_root->filePath(QStringLiteral("go"));

    std::vector<std::unique_ptr<QProcess>> programs;
    for (int i = 0; i < 2; ++i) {
        programs.push_back(startProbe(digest, go));
        QVERIFY2(programs.back()->waitForStarted(), qPrintable(programs.back()->errorString()));
    }
    QVERIFY(writeAll(go, "go"));
    QStringList results;
    for (const auto &program : programs) {
        QVERIFY(program->waitForFinished(copyMs));
        const QString output = QString::fromUtf8(program->readAllStandardOutput());
        QVERIFY2(program->exitCode() == 0, qPrintable(output + QString::fromUtf8(program->readAllStandardError())));
        const QStringList lines = output.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.value(1), QStringLiteral("intact"));
        results += lines.value(0);
    }
    results.sort();
    QCOMPARE(results, (QStringList{QStringLiteral("Made"), QStringLiteral("Present")}));
    QCOMPARE(entries(m_cacheDir), sorted({digest, QStringLiteral("make.lock")}));
}

void TestPuxToolCache::copyHoldsWhatItsNameSays()
{
    // As when an update replaces the archive while its copy is being made.
    QVERIFY(QDir().mkpath(m_cacheDir));
    const QString go = m_root->filePath(QStringLiteral("go"));
    QVERIFY(writeAll(go, "go"));
    const QString otherDigest = QString::fromLatin1(QCryptographicHash::hash("", QCryptographicHash::Sha256).toHex());
    const auto probe = startProbe(otherDigest, go);
    QVERIFY2(probe->waitForFinished(copyMs), qPrintable(probe->errorString()));
    QCOMPARE(QString::fromUtf8(probe->readAllStandardOutput()), QStringLiteral("Changed\nnot usable\n"));
    QCOMPARE(entries(m_cacheDir), QStringList{QStringLiteral("make.lock")});
}

QTEST_GUILESS_MAIN(TestPuxToolCache)
#include "tst_puxtoolcache.moc"
