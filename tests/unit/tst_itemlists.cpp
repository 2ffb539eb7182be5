// The three item lists and the data manager: positions, ownership and the
// order of deletion, the searches, and the questions the main window asks
// before it closes.
#include "support/testtools.h"

#include "kelframe/kelfolders.h"
#include "tarncore/convert/convertitem.h"
#include "tarncore/convert/downloadconvertitem.h"
#include "tarncore/download/appcontext.h"
#include "tarncore/download/datamanager.h"
#include "tarncore/download/downloaditem.h"

#include <QFile>
#include <QPointer>
#include <QTemporaryDir>
#include <QtTest>

using Tarn::AppContext;
using Tarn::ConvertItem;
using Tarn::DataManager;
using Tarn::DownloadConvertItem;
using Tarn::DownloadItem;

namespace {

Kel::MediaProfile quality(const QString &name, int height)
{
    Kel::MediaProfile p;
    p.name = name;
    p.format = QStringLiteral("MP4");
    p.type = Kel::Video;
    p.resolution = QSize(height * 16 / 9, height);
    return p;
}

DownloadItem *download(const QString &url, const Kel::MediaProfile &chosen = Kel::MediaProfile())
{
    auto *item = new DownloadItem(url);
    Tarn::DownloadParameters params(url);
    params.setDownloadQuality(chosen);
    item->setDownloadParameters(params);
    return item;
}

ConvertItem *conversion(const QString &src, const Kel::MediaProfile &profile)
{
    auto *item = new ConvertItem;
    item->setConvertParameters(Tarn::ConvertParameters(src, QString(), profile, Kel::FileMediaInfo(), false, -1));
    return item;
}

// Records the order in which objects are destroyed.
class Graveyard
{
public:
    void watch(QObject *object, const QString &name)
    {
        QObject::connect(object, &QObject::destroyed, [this, name] { order << name; });
    }
    QStringList order;
};

} // namespace

class TestItemLists : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_root;

private slots:
    void initTestCase()
    {
        QVERIFY(m_root.isValid());
        Kel::setFolderRoot(m_root.filePath(QStringLiteral("home")));
        AppContext::setAppDirOverride(TestTools::appDir());
    }

    void cleanupTestCase() { AppContext::setAppDirOverride(QString()); }

    void positions()
    {
        DataManager data;
        Tarn::DownloadList *list = data.getDownloadList();
        QCOMPARE(list->count(), 0);
        QVERIFY(!list->item(0));
        QVERIFY(!list->item(-1));
        DownloadItem *a = download(QStringLiteral("http://a"));
        DownloadItem *b = download(QStringLiteral("http://b"));
        QVERIFY(list->append(a));
        QVERIFY(list->append(b));
        QCOMPARE(list->count(), 2);
        QCOMPARE(list->item(0), a);
        QCOMPARE(list->item(1), b);
        QVERIFY(!list->item(-1));
        QVERIFY(!list->item(list->count()));
        QCOMPARE(list->row(b), 1);
        QCOMPARE(list->row(nullptr), -1);
        DownloadItem stranger(QStringLiteral("http://c"));
        QCOMPARE(list->row(&stranger), -1);
        // No checks on append.
        QVERIFY(list->append(nullptr));
        QCOMPARE(list->count(), 3);
        QVERIFY(!list->item(2));
        list->removeItem(2);
        QCOMPARE(list->count(), 2);
    }

    void removeItemDeletesAtOnce()
    {
        DataManager data;
        QPointer<DownloadItem> a = download(QStringLiteral("http://a"));
        QPointer<DownloadItem> b = download(QStringLiteral("http://b"));
        data.getDownloadList()->append(a);
        data.getDownloadList()->append(b);
        data.getDownloadList()->removeItem(0);
        QVERIFY(!a);
        QCOMPARE(data.getDownloadList()->item(0), b.data());
        // Out of range: nothing.
        data.getDownloadList()->removeItem(5);
        data.getDownloadList()->removeItem(-1);
        QCOMPARE(data.getDownloadList()->count(), 1);
        QVERIFY(b);
    }

    void removingAConversionReleasesIt()
    {
        DataManager data;
        const QString thumbnail = m_root.filePath(QStringLiteral("thumb.jpg"));
        QFile file(thumbnail);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("jpeg");
        file.close();
        ConvertItem *item = conversion(QStringLiteral("/m/a.avi"), quality(QStringLiteral("P"), 360));
        Kel::FileMediaInfo src;
        src.format = QStringLiteral("avi");
        src.thumbnailFile = thumbnail;
        item->setSrcMediaInfo(src);
        data.getConvertList()->append(item);
        QPointer<ConvertItem> watch = item;
        data.getConvertList()->removeItem(0);
        QVERIFY(!watch);
        QVERIFY(!QFileInfo::exists(thumbnail));
    }

    void clearAllDeletesFromTheLast()
    {
        DataManager data;
        Graveyard graves;
        for (const char *name : {"first", "second", "third"}) {
            DownloadItem *item = download(QStringLiteral("http://%1").arg(QLatin1String(name)));
            graves.watch(item, QString::fromLatin1(name));
            data.getDownloadList()->append(item);
        }
        data.clearAllDownloadItems();
        QCOMPARE(graves.order, QStringList({"third", "second", "first"}));
        QCOMPARE(data.getDownloadList()->count(), 0);
        QVERIFY(!data.hasDownloadItem());
    }

    void clearEmptiesTheListsInOrder()
    {
        DataManager data;
        Graveyard graves;
        for (int i = 1; i <= 2; ++i) {
            DownloadConvertItem *dc = new DownloadConvertItem(QStringLiteral("http://dc%1").arg(i));
            graves.watch(dc, QStringLiteral("dc%1").arg(i));
            data.getDownloadConvertList()->append(dc);
            ConvertItem *c = conversion(QStringLiteral("/m/%1.avi").arg(i), quality(QStringLiteral("P"), 360));
            graves.watch(c, QStringLiteral("c%1").arg(i));
            data.getConvertList()->append(c);
            DownloadItem *d = download(QStringLiteral("http://d%1").arg(i));
            graves.watch(d, QStringLiteral("d%1").arg(i));
            data.getDownloadList()->append(d);
        }
        QVERIFY(data.hasDownloadItem() && data.hasConvertItem() && data.hasDownloadConvertItem());
        data.clear();
        QCOMPARE(graves.order, QStringList({"d2", "d1", "c2", "c1", "dc2", "dc1"}));
        QVERIFY(!data.hasDownloadItem() && !data.hasConvertItem() && !data.hasDownloadConvertItem());
    }

    void findDownloads()
    {
        DataManager data;
        Tarn::DownloadList *list = data.getDownloadList();
        const Kel::MediaProfile q360 = quality(QStringLiteral("18"), 360);
        const Kel::MediaProfile q720 = quality(QStringLiteral("22"), 720);
        DownloadItem *a360 = download(QStringLiteral("http://a"), q360);
        DownloadItem *b720 = download(QStringLiteral("http://b"), q720);
        DownloadItem *a720 = download(QStringLiteral("http://a"), q720);
        list->append(a360);
        list->append(b720);
        list->append(a720);
        QCOMPARE(list->find(QStringLiteral("http://a"), q720), a720);
        QCOMPARE(list->find(QStringLiteral("http://a"), q360), a360);
        // Without a quality: the first of that page, whatever its quality.
        QCOMPARE(list->find(QStringLiteral("http://a"), Kel::MediaProfile()), a360);
        QCOMPARE(list->find(QStringLiteral("http://b"), Kel::MediaProfile()), b720);
        QVERIFY(!list->find(QStringLiteral("http://b"), q360));
        QVERIFY(!list->find(QStringLiteral("http://c"), Kel::MediaProfile()));
    }

    void findConversions()
    {
        DataManager data;
        Tarn::ConvertList *list = data.getConvertList();
        const Kel::MediaProfile phone = quality(QStringLiteral("Phone"), 360);
        const Kel::MediaProfile tv = quality(QStringLiteral("TV"), 720);
        ConvertItem *aPhone = conversion(QStringLiteral("/m/a.avi"), phone);
        ConvertItem *aTv = conversion(QStringLiteral("/m/a.avi"), tv);
        ConvertItem *bTv = conversion(QStringLiteral("/m/b.avi"), tv);
        list->append(aPhone);
        list->append(aTv);
        list->append(bTv);
        QCOMPARE(list->find(QStringLiteral("/m/a.avi"), tv), aTv);
        QCOMPARE(list->find(QStringLiteral("/m/a.avi"), Kel::MediaProfile()), aPhone);
        QCOMPARE(list->find(QStringLiteral("/m/b.avi"), tv), bTv);
        QVERIFY(!list->find(QStringLiteral("/m/b.avi"), phone));
        QVERIFY(!list->find(QStringLiteral("/m/c.avi"), Kel::MediaProfile()));
    }

    void findDownloadConversions()
    {
        DataManager data;
        Tarn::DownloadConvertList *list = data.getDownloadConvertList();
        auto *a = new DownloadConvertItem(QStringLiteral("http://a"));
        auto *b = new DownloadConvertItem(QStringLiteral("http://b"));
        auto *a2 = new DownloadConvertItem(QStringLiteral("http://a"));
        list->append(a);
        list->append(b);
        list->append(a2);
        QCOMPARE(list->item(QStringLiteral("http://a")), a);
        QCOMPARE(list->item(QStringLiteral("http://b")), b);
        QVERIFY(!list->item(QStringLiteral("http://c")));
        QCOMPARE(list->item(2), a2);
        QVERIFY(!list->item(3));
    }

    void workItems_data()
    {
        QTest::addColumn<int>("list"); // 0 downloads, 1 conversions, 2 download-then-convert
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("working");
        QTest::newRow("download waiting") << 0 << int(DownloadItem::Waiting) << true;
        QTest::newRow("download failed") << 0 << int(DownloadItem::Failed) << false;
        QTest::newRow("download finished") << 0 << int(DownloadItem::Finished) << false;
        QTest::newRow("conversion paused") << 1 << int(ConvertItem::StatusPaused) << true;
        QTest::newRow("conversion failed") << 1 << int(ConvertItem::StatusError) << false;
        QTest::newRow("conversion finished") << 1 << int(ConvertItem::StatusFinished) << false;
        QTest::newRow("download-convert converting") << 2 << int(DownloadConvertItem::DCStatusConverting) << true;
        QTest::newRow("download-convert done") << 2 << int(DownloadConvertItem::DCStatusConvertFinished) << false;
    }
    void workItems()
    {
        QFETCH(int, list);
        QFETCH(int, status);
        QFETCH(bool, working);
        DataManager data;
        QVERIFY(!data.hasWorkItem());
        // A finished item of each kind in every list.
        DownloadItem *doneDownload = download(QStringLiteral("http://done"));
        doneDownload->setStatus(DownloadItem::Finished);
        data.getDownloadList()->append(doneDownload);
        ConvertItem *doneConversion = conversion(QStringLiteral("/m/done.avi"), quality(QStringLiteral("P"), 360));
        doneConversion->setStatus(ConvertItem::StatusFinished);
        data.getConvertList()->append(doneConversion);
        auto *doneBoth = new DownloadConvertItem(QStringLiteral("http://done"));
        doneBoth->setStatus(DownloadConvertItem::DCStatusConvertFinished);
        data.getDownloadConvertList()->append(doneBoth);
        QVERIFY(!data.hasWorkItem());

        if (list == 0) {
            DownloadItem *item = download(QStringLiteral("http://x"));
            item->setStatus(DownloadItem::Status(status));
            data.getDownloadList()->append(item);
            QCOMPARE(data.getDownloadList()->hasWorkItem(), working);
        } else if (list == 1) {
            ConvertItem *item = conversion(QStringLiteral("/m/x.avi"), quality(QStringLiteral("P"), 360));
            item->setStatus(ConvertItem::Status(status));
            data.getConvertList()->append(item);
            QCOMPARE(data.getConvertList()->hasWorkItem(), working);
        } else {
            auto *item = new DownloadConvertItem(QStringLiteral("http://x"));
            item->setStatus(DownloadConvertItem::Status(status));
            data.getDownloadConvertList()->append(item);
            QCOMPARE(data.getDownloadConvertList()->hasWorkItem(), working);
        }
        QCOMPARE(data.hasWorkItem(), working);
    }

    void copiesShareTheItems()
    {
        DataManager data;
        DownloadItem *a = download(QStringLiteral("http://a"));
        data.getDownloadList()->append(a);
        const Tarn::DownloadList copy = *data.getDownloadList();
        QCOMPARE(copy.item(0), a);
        QCOMPARE(copy.count(), 1);
    }

    void contextStartsWithEmptyLists()
    {
        DataManager *data = AppContext::instance()->getDataManager();
        QVERIFY(data);
        QCOMPARE(data->getDownloadList()->count(), 0);
        QCOMPARE(data->getConvertList()->count(), 0);
        QCOMPARE(data->getDownloadConvertList()->count(), 0);
    }
};

QTEST_GUILESS_MAIN(TestItemLists)
#include "tst_itemlists.moc"
