// The download-then-convert item: its status through both phases, what it
// relays, and what happens to the intermediate download. The inner items
// are driven through their own slots; the pools never start a task, and the
// media information comes from the download manager's cache.
#include "support/testtools.h"

#include "kelframe/kelfolders.h"
#include "tarncore/convert/convertitem.h"
#include "tarncore/convert/convertmanager.h"
#include "tarncore/convert/converttask.h"
#include "tarncore/convert/downloadconvertitem.h"
#include "tarncore/download/appcontext.h"
#include "tarncore/download/downloaditem.h"
#include "tarncore/download/downloadmanager.h"
#include "tarncore/download/downloadtask.h"
#include "tarncore/settings/settingsmanager.h"

#include <QDataStream>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using Tarn::AppContext;
using Tarn::ConvertItem;
using Tarn::DownloadConvertItem;
using Tarn::DownloadItem;

namespace {

Tarn::SettingsManager *settings()
{
    return AppContext::instance()->getSettingsManager();
}

Tarn::DownloadManager *downloads()
{
    return AppContext::instance()->getDownloadManager();
}

Tarn::ConvertManager *conversions()
{
    return AppContext::instance()->getConvertManager();
}

Kel::WebMediaInfo pageInfo(const QString &id)
{
    Kel::WebMediaInfo info;
    info.url = QStringLiteral("http://127.0.0.1:1/watch?v=%1").arg(id);
    info.setTitle(QStringLiteral("Page %1").arg(id));
    info.duration = 3;
    for (int height : {360, 720}) {
        Kel::MediaProfile p;
        p.name = QString::number(height);
        p.url = QStringLiteral("http://127.0.0.1:1/media/%1/%2.mp4").arg(id, QString::number(height));
        p.format = QStringLiteral("MP4");
        p.type = Kel::Video;
        p.resolution = QSize(height * 16 / 9, height);
        p.size = 1000;
        info.profiles << p;
    }
    return info;
}

// One second of silence as a 16-bit mono WAV file: a real media file that
// the FFmpeg libraries describe.
bool writeWav(const QString &path)
{
    const quint32 rate = 8000;
    const QByteArray samples(int(rate * 2), '\0');
    QByteArray wav;
    QDataStream out(&wav, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out.writeRawData("RIFF", 4);
    out << quint32(36 + samples.size());
    out.writeRawData("WAVEfmt ", 8);
    out << quint32(16) << quint16(1) << quint16(1) << rate << quint32(rate * 2) << quint16(2) << quint16(16);
    out.writeRawData("data", 4);
    out << quint32(samples.size());
    out.writeRawData(samples.constData(), samples.size());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(wav) == wav.size();
}

// The item's statuses and relayed signals.
class Watch
{
public:
    explicit Watch(DownloadConvertItem *item)
        : errors(item, &DownloadConvertItem::error)
        , downloaded(item, &DownloadConvertItem::downloadFinished)
        , converted(item, &DownloadConvertItem::convertFinished)
        , canceled(item, &DownloadConvertItem::aboutToBeCanceled)
    {
        QObject::connect(item, &DownloadConvertItem::statusChanged, item,
                         [this, item] { seen << int(item->getStatus()); });
    }
    QList<int> seen;
    QSignalSpy errors;
    QSignalSpy downloaded;
    QSignalSpy converted;
    QSignalSpy canceled;
};

} // namespace

class TestDownloadConvertItem : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_root;
    QString m_downloadDir;
    QString m_convertDir;
    int m_page = 0;

    // A started item whose download waits in the download pool.
    std::unique_ptr<DownloadConvertItem> startedItem()
    {
        const Kel::WebMediaInfo info = pageInfo(QStringLiteral("page%1").arg(++m_page));
        downloads()->receiveMediaInfo(info);
        auto item = std::make_unique<DownloadConvertItem>(info.url);
        item->start();
        return item;
    }

    // Drives the inner download to its end with a real file on disk.
    void finishDownload(DownloadConvertItem &item, bool withFile = true)
    {
        DownloadItem *d = item.getDownloadItem();
        QVERIFY(d);
        d->onDownloadStarted();
        if (withFile)
            QVERIFY(writeWav(d->getDestFile()));
        d->onDownloadFinished();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_root.isValid());
        Kel::setFolderRoot(m_root.filePath(QStringLiteral("home")));
        AppContext::setAppDirOverride(TestTools::appDir());
        QVERIFY2(QFileInfo::exists(settings()->getPresetProfileFile()), "build app_data first");
    }

    void init()
    {
        const QString name = QString::fromLatin1(QTest::currentTestFunction())
            + (QTest::currentDataTag() ? QStringLiteral("/") + QString::fromLatin1(QTest::currentDataTag()) : QString());
        m_downloadDir = m_root.filePath(QStringLiteral("downloads/") + name);
        m_convertDir = m_root.filePath(QStringLiteral("converted/") + name);
        QVERIFY(QDir().mkpath(m_downloadDir));
        QVERIFY(QDir().mkpath(m_convertDir));
        settings()->setDownloadDestDir(m_downloadDir);
        settings()->setConvertDestDir(m_convertDir);
        settings()->setConvertSaveMode(Tarn::ConvertSaveInConvertDir);
        settings()->setPreferredQuality(Tarn::PreferredQualityResolution);
        settings()->setPreferredQualityResolution(QSize(640, 360));
        settings()->setPreferredQualityFormat(QStringLiteral("MP4"));
        settings()->setLastConvertProfileName(QStringLiteral("MP3 Standard"));
        settings()->setRemainDownloadFile(false);
        settings()->setKeepSubtitles(false);
        settings()->setDownloadAutoExport2Itunes(false);
        settings()->setConvertAutoExport2Itunes(false);
    }

    void cleanupTestCase()
    {
        conversions()->clear();
        downloads()->clear();
        AppContext::setAppDirOverride(QString());
    }

    void freshItem()
    {
        DownloadConvertItem item(QStringLiteral("http://127.0.0.1:1/watch?v=fresh"));
        QCOMPARE(item.getStatus(), DownloadConvertItem::DCStatusNotReady);
        QCOMPARE(item.getPhase(), 0);
        QVERIFY(item.isWorking());
        QVERIFY(!item.canRestart());
        QCOMPARE(item.getUrl(), QStringLiteral("http://127.0.0.1:1/watch?v=fresh"));
        QCOMPARE(item.getDownloadParameters().getUrl(), item.getUrl());
        QCOMPARE(item.getTitle(), QString());
        QCOMPARE(item.getDuration(), qint64(0));
        QCOMPARE(item.getDestFile(), QString());
        QCOMPARE(item.getThumbnailFile(), settings()->getDefaultThumbnailImage());
        QCOMPARE(item.getProgress(), Kel::Progress());
        QVERIFY(!item.getDownloadItem());
        QVERIFY(!item.getConvertItem());
    }

    void workingStatuses_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("working");
        for (int s : {0, 1, 2, 3, 4, 6, 7, 8, 9})
            QTest::addRow("%d", s) << s << true;
        for (int s : {-1, 5, 11, 12})
            QTest::addRow("%d", s) << s << false;
    }
    void workingStatuses()
    {
        QFETCH(int, status);
        QFETCH(bool, working);
        DownloadConvertItem item(QStringLiteral("http://127.0.0.1:1/watch?v=x"));
        item.setStatus(DownloadConvertItem::Status(status));
        QCOMPARE(item.isWorking(), working);
    }

    void startDoesNothingInOtherStatuses_data()
    {
        QTest::addColumn<int>("status");
        for (int s : {-1, 1, 2, 3, 4, 6, 8, 9, 11, 12})
            QTest::addRow("%d", s) << s;
    }
    void startDoesNothingInOtherStatuses()
    {
        QFETCH(int, status);
        DownloadConvertItem item(QStringLiteral("http://127.0.0.1:1/watch?v=x"));
        item.setStatus(DownloadConvertItem::Status(status));
        QSignalSpy changes(&item, &DownloadConvertItem::statusChanged);
        item.start();
        QCOMPARE(int(item.getStatus()), status);
        QCOMPARE(changes.count(), 0);
        QVERIFY(!item.getDownloadItem());
    }

    void setStatusSignalsOnlyChanges()
    {
        DownloadConvertItem item(QStringLiteral("http://127.0.0.1:1/watch?v=x"));
        QSignalSpy status(&item, &DownloadConvertItem::statusChanged);
        QSignalSpy data(&item, &DownloadConvertItem::dataChanged);
        item.setStatus(DownloadConvertItem::DCStatusNotReady);
        QCOMPARE(status.count(), 0);
        item.setStatus(DownloadConvertItem::DCStatusConverting);
        QCOMPARE(status.count(), 1);
        QCOMPARE(data.count(), 1);
        item.setTimeStamp(QDateTime::currentDateTime());
        QCOMPARE(data.count(), 2);
    }

    // Both phases through to the end.
    void downloadThenConvert_data()
    {
        QTest::addColumn<bool>("remain");
        QTest::newRow("downloads removed") << false;
        QTest::newRow("downloads kept") << true;
    }
    void downloadThenConvert()
    {
        QFETCH(bool, remain);
        settings()->setRemainDownloadFile(remain);
        std::unique_ptr<DownloadConvertItem> item = startedItem();
        Watch watch(item.get());
        DownloadItem *d = item->getDownloadItem();
        QVERIFY(d);
        QCOMPARE(item->getPhase(), 1);
        QCOMPARE(item->getStatus(), DownloadConvertItem::DCStatusWaiting);
        QCOMPARE(item->getTitle(), d->getTitle());
        QCOMPARE(item->getDuration(), qint64(3));
        QVERIFY(item->getTimeStamp().isValid());
        const QString downloaded = d->getDestFile();
        QCOMPARE(downloaded, m_downloadDir + QStringLiteral("/%1[360P].mp4").arg(d->getTitle()));

        d->onDownloadStarted();
        QCOMPARE(item->getStatus(), DownloadConvertItem::DCStatusDownloading);
        d->onDownloadProgress(1000, 400, 25);
        QCOMPARE(item->getProgress(), Kel::Progress(1000, 400, 25));
        QVERIFY(writeWav(downloaded));
        d->onDownloadFinished();
        QCOMPARE(watch.downloaded.count(), 1);
        QCOMPARE(watch.seen, QList<int>({4, 6, 8, 7, 8}));
        QCOMPARE(item->getPhase(), 2);

        ConvertItem *c = item->getConvertItem();
        QVERIFY(c);
        const Tarn::ConvertParameters &params = item->getConvertParameters();
        QCOMPARE(params.getSrcFile(), downloaded);
        QCOMPARE(params.getDestFile(), QString());
        QCOMPARE(params.getConvertProfile(), settings()->getQuickConvertProfile());
        QCOMPARE(params.getConvertProfile().name, QStringLiteral("MP3 Standard"));
        QCOMPARE(params.getConvertDuration(), qint64(-1));
        QVERIFY(!params.getKeepSubtitles());
        // The downloaded file as it is, not as the site described it.
        QCOMPARE(params.getSrcMediaInfo().format, QStringLiteral("wav"));
        QCOMPARE(c->getConvertParameters().getSrcMediaInfo().aCodec, QStringLiteral("pcm_s16le"));
        const QString dest = c->getDestFile();
        QCOMPARE(item->getDestFile(), dest);
        QCOMPARE(dest, m_convertDir + QStringLiteral("/%1[360P]__[MP3 Standard].mp3").arg(d->getTitle()));
        QVERIFY(conversions()->getConvertTask(Tarn::ConvertTask::makeTaskKey(c->getConvertParameters())));

        c->onConvertStarted();
        QCOMPARE(item->getStatus(), DownloadConvertItem::DCStatusConverting);
        c->onConvertProgress(100, 40, 0);
        QCOMPARE(item->getProgress(), Kel::Progress(100, 40, 0));
        // A paused conversion has no status of its own.
        c->onConvertPaused();
        QCOMPARE(item->getStatus(), DownloadConvertItem::DCStatusUnmapped);
        QVERIFY(!item->isWorking());
        c->onConvertResumed();
        QCOMPARE(item->getStatus(), DownloadConvertItem::DCStatusConvertStarting);
        c->onConvertStarted();
        c->onConvertFinished();
        QCOMPARE(item->getStatus(), DownloadConvertItem::DCStatusConvertFinished);
        QCOMPARE(watch.converted.count(), 1);
        QCOMPARE(watch.errors.count(), 0);
        QCOMPARE(QFileInfo::exists(downloaded), remain);
        QVERIFY(!item->isWorking());
        QVERIFY(!item->canRestart());

        item->start();
        QCOMPARE(item->getStatus(), DownloadConvertItem::DCStatusConvertFinished);
        item.reset();
        QCOMPARE(QFileInfo::exists(downloaded), remain);
    }

    void conversionErrorKeepsTheDownload_data()
    {
        QTest::addColumn<bool>("remain");
        QTest::newRow("downloads removed") << false;
        QTest::newRow("downloads kept") << true;
    }
    void conversionErrorKeepsTheDownload()
    {
        QFETCH(bool, remain);
        settings()->setRemainDownloadFile(remain);
        std::unique_ptr<DownloadConvertItem> item = startedItem();
        Watch watch(item.get());
        finishDownload(*item);
        const QString downloaded = item->getDownloadItem()->getDestFile();
        item->getConvertItem()->onConvertError(-4);
        QCOMPARE(item->getStatus(), DownloadConvertItem::DCStatusConvertError);
        QCOMPARE(watch.errors.count(), 1);
        QCOMPARE(watch.errors.at(0).at(0).toInt(), 1001);
        // The error tells where the download is.
        QVERIFY2(watch.errors.at(0).at(1).toString().contains(downloaded), qPrintable(watch.errors.at(0).at(1).toString()));
        QVERIFY(QFileInfo::exists(downloaded));
        QVERIFY(!item->isWorking());
        // A failed conversion is not started again from here.
        item->start();
        QCOMPARE(item->getStatus(), DownloadConvertItem::DCStatusConvertError);
        // Only a successful conversion replaces the download.
        item.reset();
        QVERIFY(QFileInfo::exists(downloaded));
    }

    void unreadableDownloadEndsTheItem()
    {
        std::unique_ptr<DownloadConvertItem> item = startedItem();
        Watch watch(item.get());
        finishDownload(*item, false);
        QCOMPARE(item->getStatus(), DownloadConvertItem::DCStatusConvertError);
        QCOMPARE(item->getConvertItem()->getStatus(), ConvertItem::StatusError);
        QCOMPARE(watch.errors.count(), 1);
        QCOMPARE(watch.errors.at(0).at(0).toInt(), 1004);
        QCOMPARE(watch.errors.at(0).at(1).toString(), item->getDownloadItem()->getDestFile());
        QVERIFY(!item->isWorking());
    }

    void failedDownloadStartsAgain()
    {
        std::unique_ptr<DownloadConvertItem> item = startedItem();
        Watch watch(item.get());
        DownloadItem *d = item->getDownloadItem();
        const QString key = d->getDestFile();
        d->onDownloadStarted();
        d->onDownloadError(-4);
        QCOMPARE(item->getStatus(), DownloadConvertItem::DCStatusDownloadFailed);
        QCOMPARE(watch.errors.count(), 1);
        QCOMPARE(watch.errors.at(0).at(0).toInt(), 1000);
        QVERIFY(item->canRestart());
        QVERIFY(!item->isWorking());
        // The failed task leaves the pool before the download starts again.
        QTRY_VERIFY(!downloads()->getDownloadTask(key));

        watch.seen.clear();
        item->start();
        QCOMPARE(item->getDownloadItem(), d);
        QCOMPARE(watch.seen.first(), int(DownloadConvertItem::DCStatusNotReady));
        QCOMPARE(item->getStatus(), DownloadConvertItem::DCStatusWaiting);
        QCOMPARE(d->getStatus(), DownloadItem::Waiting);
        QVERIFY(downloads()->getDownloadTask(key));
        QCOMPARE(item->getPhase(), 1);
    }

    void cancelReachesBothPhases()
    {
        std::unique_ptr<DownloadConvertItem> item = startedItem();
        Watch watch(item.get());
        const QString downloadKey = item->getDownloadItem()->getDestFile();
        QVERIFY(downloads()->getDownloadTask(downloadKey));
        item->cancel();
        QCOMPARE(watch.canceled.count(), 1);
        QTRY_VERIFY(!downloads()->getDownloadTask(downloadKey));

        std::unique_ptr<DownloadConvertItem> converting = startedItem();
        finishDownload(*converting);
        const QString key = Tarn::ConvertTask::makeTaskKey(converting->getConvertItem()->getConvertParameters());
        QVERIFY(conversions()->getConvertTask(key));
        converting->cancel();
        QTRY_VERIFY(!conversions()->getConvertTask(key));
    }

    void removingAnItemEndsItsWork()
    {
        std::unique_ptr<DownloadConvertItem> downloading = startedItem();
        const QString downloadKey = downloading->getDownloadItem()->getDestFile();
        downloading.reset();
        QTRY_VERIFY(!downloads()->getDownloadTask(downloadKey));

        std::unique_ptr<DownloadConvertItem> converting = startedItem();
        finishDownload(*converting);
        const QString downloaded = converting->getDownloadItem()->getDestFile();
        const QString key = Tarn::ConvertTask::makeTaskKey(converting->getConvertItem()->getConvertParameters());
        converting->getConvertItem()->onConvertStarted();
        converting.reset();
        QTRY_VERIFY(!conversions()->getConvertTask(key));
        // The conversion never finished: the download stays.
        QVERIFY(QFileInfo::exists(downloaded));
        QVERIFY(ConvertItem::getConvertedFiles().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestDownloadConvertItem)
#include "tst_downloadconvertitem.moc"
