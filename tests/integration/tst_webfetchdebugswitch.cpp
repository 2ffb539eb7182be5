// The debug switch: a "pux_debug.tmp" file in the application directory makes
// downloads name their files after the video and keep them. This program
// lives in a folder of its own, so that its switch touches no other test.
#include "downloadrun.h"
#include "support/samplesite.h"
#include "webfetch/webmediadownloader.h"
#include "webfetch/webmediadownloaderfactory.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

QString fakeToolPath()
{
    return QStringLiteral(MARLIN_SOURCE_DIR "/tests/integration/fake_pux_tool.py");
}

QString switchPath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/pux_debug.tmp");
}

QStringList outputTemplates(const QString &record)
{
    QStringList templates;
    QFile f(record);
    if (!f.open(QIODevice::ReadOnly))
        return templates;
    for (const QByteArray &line : f.readAll().split('\n')) {
        if (line.trimmed().isEmpty())
            continue;
        QStringList args;
        for (const QJsonValue &v : QJsonDocument::fromJson(line).object().value(QStringLiteral("args")).toArray())
            args += v.toString();
        templates += args.value(args.indexOf(QStringLiteral("-o")) + 1);
    }
    return templates;
}

Kel::MediaProfile fakeProfile(const QString &format)
{
    Kel::MediaProfile profile;
    profile.name = format;
    profile.format = QStringLiteral("MP4");
    profile.type = Kel::Video;
    return profile;
}

} // namespace

class TestWebfetchDebugSwitch : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void switchOnKeepsFinishedPieces();
    void switchOnNamesAudioAfterVideo();
    void switchOnWithoutIdentifierUsesUuid();
    void switchOffRemovesEverything();

private:
    void setSwitch(bool on);
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_record;
};

void TestWebfetchDebugSwitch::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_record = m_dir->filePath(QStringLiteral("runs.jsonl"));
    qputenv("MARLIN_FAKE_TOOL_RECORD", m_record.toLocal8Bit());
}

void TestWebfetchDebugSwitch::cleanup()
{
    setSwitch(false);
    qunsetenv("MARLIN_FAKE_TOOL_RECORD");
}

void TestWebfetchDebugSwitch::setSwitch(bool on)
{
    if (on) {
        QFile file(switchPath());
        QVERIFY(file.open(QIODevice::WriteOnly));
    } else {
        QFile::remove(switchPath());
    }
}

void TestWebfetchDebugSwitch::switchOnKeepsFinishedPieces()
{
    setSwitch(true);
    const QString folder = m_dir->filePath(QStringLiteral("out"));
    QVERIFY(QDir().mkpath(folder));
    std::unique_ptr<Kel::WebMediaDownloader> downloader(
        Kel::WebMediaDownloaderFactory::instance()->createDownloader(fakeToolPath(), QDir::tempPath()));
    DownloadRun run(downloader.get());
    downloader->download(QStringLiteral("http://127.0.0.1:9/watch?v=vid123&list=x"), fakeProfile("partial"),
                         Kel::SubtitleSetting(), folder + QStringLiteral("/dest.mp4"));
    QVERIFY2(run.wait(), qPrintable(run.describe()));
    QCOMPARE(run.errors(), QList<qint32>({-4}));
    QCOMPARE(outputTemplates(m_record), QStringList({folder + QStringLiteral("/vid123PUXTMP_.%(ext)s")}));
    // The finished piece stays for a look; the broken one goes.
    QCOMPARE(DownloadRun::filesIn(folder), QStringList({"vid123PUXTMP_.mp4"}));
    downloader.reset();
    QCOMPARE(DownloadRun::filesIn(folder), QStringList({"vid123PUXTMP_.mp4"}));
}

void TestWebfetchDebugSwitch::switchOnNamesAudioAfterVideo()
{
    setSwitch(true);
    const QString folder = m_dir->filePath(QStringLiteral("out"));
    QVERIFY(QDir().mkpath(folder));
    Kel::MediaProfile profile = fakeProfile("video");
    profile.dash = true;
    profile.audioFormat = QStringLiteral("audio");
    std::unique_ptr<Kel::WebMediaDownloader> downloader(
        Kel::WebMediaDownloaderFactory::instance()->createDownloader(fakeToolPath(), QDir::tempPath()));
    DownloadRun run(downloader.get());
    downloader->download(QStringLiteral("http://127.0.0.1:9/watch?v=vid123"), profile, Kel::SubtitleSetting(),
                         folder + QStringLiteral("/dest.mp4"));
    QVERIFY2(run.wait(), qPrintable(run.describe()));
    // The fake pieces are no media, found broken before a merge; both stay.
    QCOMPARE(run.errors(), QList<qint32>({-9}));
    QCOMPARE(outputTemplates(m_record), QStringList({folder + QStringLiteral("/vid123PUXTMP_.%(ext)s"),
                                                     folder + QStringLiteral("/vid123_audioPUXTMP_.%(ext)s")}));
    QCOMPARE(DownloadRun::filesIn(folder), QStringList({"vid123PUXTMP_.mp4", "vid123_audioPUXTMP_.mp4"}));
}

void TestWebfetchDebugSwitch::switchOnWithoutIdentifierUsesUuid()
{
    setSwitch(true);
    // Real media, as the result is checked.
    QString error;
    const QString site = SampleSite::ensure(&error);
    QVERIFY2(!site.isEmpty(), qPrintable(error));
    qputenv("MARLIN_FAKE_TOOL_MEDIA", QFile::encodeName(site + QStringLiteral("/media/aaaaaaaaaaa/240p.mp4")));
    std::unique_ptr<Kel::WebMediaDownloader> downloader(
        Kel::WebMediaDownloaderFactory::instance()->createDownloader(fakeToolPath(), QDir::tempPath()));
    DownloadRun run(downloader.get());
    const QString destination = m_dir->filePath(QStringLiteral("dest.mp4"));
    downloader->download(QStringLiteral("http://127.0.0.1:9/watch/vid123"), fakeProfile("plain"),
                         Kel::SubtitleSetting(), destination);
    const bool done = run.wait();
    qunsetenv("MARLIN_FAKE_TOOL_MEDIA");
    QVERIFY2(done, qPrintable(run.describe()));
    QVERIFY2(run.errors().isEmpty(), qPrintable(downloader->errorText()));
    const QStringList templates = outputTemplates(m_record);
    QCOMPARE(templates.size(), 1);
    const QString base = QFileInfo(templates.first()).fileName().section(QStringLiteral("PUXTMP_"), 0, 0);
    QVERIFY2(!QUuid::fromString(base).isNull(), qPrintable(base));
    QVERIFY(QFileInfo(destination).isFile());
}

void TestWebfetchDebugSwitch::switchOffRemovesEverything()
{
    setSwitch(false);
    const QString folder = m_dir->filePath(QStringLiteral("out"));
    QVERIFY(QDir().mkpath(folder));
    std::unique_ptr<Kel::WebMediaDownloader> downloader(
        Kel::WebMediaDownloaderFactory::instance()->createDownloader(fakeToolPath(), QDir::tempPath()));
    DownloadRun run(downloader.get());
    downloader->download(QStringLiteral("http://127.0.0.1:9/watch?v=vid123"), fakeProfile("partial"),
                         Kel::SubtitleSetting(), folder + QStringLiteral("/dest.mp4"));
    QVERIFY2(run.wait(), qPrintable(run.describe()));
    QCOMPARE(run.errors(), QList<qint32>({-4}));
    QVERIFY(!outputTemplates(m_record).first().contains(QLatin1String("vid123")));
    QCOMPARE(DownloadRun::filesIn(folder), QStringList());
}

QTEST_GUILESS_MAIN(TestWebfetchDebugSwitch)
#include "tst_webfetchdebugswitch.moc"
