// The download page and the quality pop-up in their states, in both skins,
// as PNG files under <build>/screenshots/download/ for a person to judge.
// The pop-up reads a page of the local sample site with the real tool.
#include "gui/guitestsupport.h"
#include "support/samplesite.h"
#include "support/testhttpserver.h"
#include "support/testtools.h"

#include "kelframe/kelmessagebox.h"
#include "kelframe/kelskin.h"
#include "marlin/download/downloadlistmodel.h"
#include "marlin/download/downloadwidget.h"
#include "marlin/quality/downloadparametersdialog.h"
#include "marlin/quality/getmediainfoerrordialog.h"
#include "marlin/quality/webmediaqualitylistmodel.h"
#include "tarncore/download/appcontext.h"
#include "tarncore/download/datamanager.h"
#include "tarncore/download/downloadmanager.h"
#include "tarncore/download/videosite.h"
#include "tarncore/settings/settingsmanager.h"
#include "widgetkit/listtableview.h"
#include "widgetkit/listthumbview.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>

using namespace Tarn;

namespace {

// A made-up video still: sky, hills and a sun in the row's own colours.
QString makePicture(const QString &folder, int seed)
{
    const QSize size(480, 270);
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const int hue = (seed * 67) % 360;
    QLinearGradient sky(0, 0, 0, size.height());
    sky.setColorAt(0, QColor::fromHsv(hue, 120, 240));
    sky.setColorAt(1, QColor::fromHsv((hue + 40) % 360, 90, 200));
    painter.fillRect(image.rect(), sky);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor::fromHsv((hue + 180) % 360, 60, 250));
    painter.drawEllipse(QPointF(size.width() * 0.72, size.height() * 0.3), 32, 32);
    painter.setBrush(QColor::fromHsv((hue + 120) % 360, 140, 120));
    QPainterPath hills;
    hills.moveTo(0, size.height());
    hills.cubicTo(size.width() * 0.3, size.height() * 0.45, size.width() * 0.6, size.height() * 0.9, size.width(),
                  size.height() * 0.55);
    hills.lineTo(size.width(), size.height());
    painter.drawPath(hills);
    painter.end();
    const QString path = QStringLiteral("%1/still-%2.jpg").arg(folder).arg(seed);
    image.save(path, "JPG", 90);
    return path;
}

void settle(QWidget *widget)
{
    widget->show();
    QVERIFY(QTest::qWaitForWindowExposed(widget));
    for (int i = 0; i < 4; ++i) {
        QCoreApplication::processEvents();
        QTest::qWait(20);
    }
}

} // namespace

class DownloadGallery : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void page_data();
    void page();
    void popup_data();
    void popup();
    void reports_data();
    void reports();

private:
    void fillList(DownloadWidget *page);

    QTemporaryDir m_root;
    QTemporaryDir m_pictures;
    TestHttpServer m_server;
};

void DownloadGallery::initTestCase()
{
    QVERIFY(m_root.isValid() && m_pictures.isValid());
    GuiTest::isolate(m_root);
    AppContext::setAppDirOverride(TestTools::appDir());
    QCursor::setPos(-500, -500);
    QVERIFY(AppContext::instance()->init());
    AppContext::instance()->getSettingsManager()->setDownloadDestDir(m_root.filePath(QStringLiteral("downloads")));
}

void DownloadGallery::cleanupTestCase()
{
    AppContext::instance()->getDownloadManager()->clear();
    m_server.stop();
    Tarn::VideoSite::setExtraWatchHost(QString());
}

// One item in each status the list shows.
void DownloadGallery::fillList(DownloadWidget *page)
{
    struct Sample {
        const char *title;
        DownloadItem::Status status;
        int height;
        const char *format;
        qint64 size;
        qint64 duration;
        Kel::Progress progress;
    };
    const Sample samples[] = {
        {"Morning light over the harbour, a slow timelapse", DownloadItem::Downloading, 1080, "mp4", 312 << 20, 754,
         {312 << 20, 131 << 20, 3 << 20}},
        {"How to repot a fiddle-leaf fig", DownloadItem::Waiting, 720, "mp4", 88 << 20, 412, {}},
        {"Live set at the river stage (full concert)", DownloadItem::Finished, 720, "webm", 640 << 20, 5234, {}},
        {"", DownloadItem::Analysing, 0, "", 0, 0, {}},
        {"Bread baking basics: the long ferment", DownloadItem::Failed, 480, "mp4", 0, 1325, {}},
        {"Coastal trail run at first light", DownloadItem::Finished, 360, "mp4", 24 << 20, 183, {}},
    };
    int seed = 1;
    for (const Sample &sample : samples) {
        const QString url = QStringLiteral("http://www.video.example/watch?v=sample%1abcd").arg(seed);
        auto *item = new DownloadItem(url);
        Kel::WebMediaInfo info;
        info.url = url;
        info.setTitle(QString::fromUtf8(sample.title));
        info.duration = sample.duration;
        if (sample.status != DownloadItem::Analysing)
            info.thumbnailFile = makePicture(m_pictures.path(), seed);
        item->setMediaInfo(info);
        if (sample.height > 0) {
            Kel::MediaProfile quality;
            quality.name = QString::number(seed);
            quality.type = Kel::Video;
            quality.format = QString::fromLatin1(sample.format);
            quality.resolution = QSize(sample.height * 16 / 9, sample.height);
            quality.size = sample.size;
            DownloadParameters params(url);
            params.setDownloadQuality(quality);
            item->setDownloadParameters(params);
        }
        item->setProgress(sample.progress);
        item->setStatus(sample.status);
        page->getModel()->append(item);
        if (sample.status == DownloadItem::Failed)
            page->getModel()->setFailureReason(item, QStringLiteral("HTTP Error 403: Forbidden"));
        ++seed;
    }
}

void DownloadGallery::page_data()
{
    QTest::addColumn<QString>("skin");
    for (const QString &skin : KelSkin::availableSkins())
        QTest::newRow(qPrintable(skin)) << skin;
}

void DownloadGallery::page()
{
    QFETCH(QString, skin);
    QVERIFY(KelSkin::applySkin(skin));
    AppContext::instance()->getDataManager()->clearAllDownloadItems();
    AppContext::instance()->getSettingsManager()->setDownloadViewShowMode(ListViewShowModeTable);

    QWidget host;
    host.setObjectName(QStringLiteral("galleryHost"));
    host.setAttribute(Qt::WA_StyledBackground);
    host.setStyleSheet(QStringLiteral("#galleryHost { background-color: %1; }")
                           .arg(KelSkin::color(QStringLiteral("window")).name()));
    auto *layout = new QVBoxLayout(&host);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *page = new DownloadWidget(&host);
    layout->addWidget(page);
    host.resize(860, 520);
    settle(&host);
    QVERIFY(page->isQuickGuideShown());
    QVERIFY(GuiTest::saveShot(&host, QStringLiteral("download"), QStringLiteral("page"), QStringLiteral("empty"), skin));

    fillList(page);
    QVERIFY(!page->isQuickGuideShown());
    page->getTableView()->selectRow(2);
    settle(&host);
    page->getTableView()->setMouseOverRow(0);
    settle(&host);
    QVERIFY(GuiTest::saveShot(&host, QStringLiteral("download"), QStringLiteral("page"), QStringLiteral("table"), skin));

    page->onThumbnailMode(true);
    settle(&host);
    QVERIFY(GuiTest::saveShot(&host, QStringLiteral("download"), QStringLiteral("page"), QStringLiteral("grid"), skin));
    page->onDetailListMode(true);
}

void DownloadGallery::popup_data()
{
    QTest::addColumn<QString>("skin");
    for (const QString &skin : KelSkin::availableSkins())
        QTest::newRow(qPrintable(skin)) << skin;
}

void DownloadGallery::popup()
{
    QFETCH(QString, skin);
    MARLIN_REQUIRE_YTZIP();
    if (!m_server.isRunning()) {
        QString error;
        QVERIFY2(SampleSite::serve(m_server, &error), qPrintable(error));
        Tarn::VideoSite::setExtraWatchHost(QStringLiteral("127.0.0.1:%1").arg(m_server.port()));
    }
    QVERIFY(KelSkin::applySkin(skin));
    AppContext::instance()->getDataManager()->clearAllDownloadItems();

    QWidget host;
    host.setObjectName(QStringLiteral("galleryHost"));
    host.setAttribute(Qt::WA_StyledBackground);
    host.setStyleSheet(QStringLiteral("#galleryHost { background-color: %1; }")
                           .arg(KelSkin::color(QStringLiteral("window")).name()));
    auto *layout = new QVBoxLayout(&host);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new DownloadWidget(&host));
    host.resize(860, 520);
    settle(&host);

    // A page not read yet in this run, so that the pop-up waits first.
    const QString id = skin == QLatin1String("light") ? SampleSite::progressiveId() : SampleSite::dashId();
    const QString url = DownloadManager::makeupDownloadableUrl(SampleSite::watchQueryUrl(m_server, id).toString());
    auto *dialog = new DownloadParametersDialog(url, &host);
    dialog->setPosInfo(host.mapToGlobal(QPoint(host.width() - 16, 8)), 0, PopupDialog::TopRight);
    dialog->setPopupDirection(PopupDialog::InPlace);
    dialog->show();
    QTest::qWait(PopupDialog::OPEN_DURATION + 100);
    QVERIFY(dialog->isWaiting());
    QVERIFY(GuiTest::saveShot(&host, QStringLiteral("download"), QStringLiteral("quality"), QStringLiteral("waiting"),
                              skin));

    QTRY_VERIFY_WITH_TIMEOUT(!dialog->isWaiting(), 120000);
    QVERIFY(dialog->getQualityModel()->rowCount() > 0);
    // Late sizes and the thumbnail have a moment to arrive.
    QTest::qWait(2500);
    dialog->findChild<ListTableView *>(QStringLiteral("qualityListView"))->setMouseOverRow(0);
    QTest::qWait(50);
    QVERIFY(GuiTest::saveShot(&host, QStringLiteral("download"), QStringLiteral("quality"), QStringLiteral("list"), skin));
    dialog->reject();
    QTest::qWait(PopupDialog::CLOSE_DURATION + 100);
}

void DownloadGallery::reports_data()
{
    page_data();
}

// What the page shows when downloads fail.
void DownloadGallery::reports()
{
    QFETCH(QString, skin);
    QVERIFY(KelSkin::applySkin(skin));
    {
        KelMessageBox box;
        box.setKind(KelMessageBox::Warning);
        box.setTitle(QStringLiteral("Failed to download videos.\n\nBread baking basics: the long ferment\n"
                                    "ERROR: unable to download video data: HTTP Error 403: Forbidden"));
        box.setButtons(QDialogButtonBox::Ok, QDialogButtonBox::Ok);
        box.adjustSize();
        settle(&box);
        QVERIFY(GuiTest::saveShot(&box, QStringLiteral("download"), QStringLiteral("alert"), QStringLiteral("failed"), skin));
    }
    {
        GetMediaInfoErrorDialog dialog;
        dialog.setInfo(QStringLiteral("Getting media information failed: http://www.video.example/watch?v=novideo0000"));
        dialog.setDetail(QStringLiteral("ERROR: [generic] Unable to extract video; please report this issue on the "
                                        "tool's tracker.\nConfirm you are on the latest version using the update "
                                        "command."));
        settle(&dialog);
        QVERIFY(GuiTest::saveShot(&dialog, QStringLiteral("download"), QStringLiteral("media-info-error"), QString(), skin));
    }
}

QTEST_MAIN(DownloadGallery)
#include "tst_downloadgallery.moc"
