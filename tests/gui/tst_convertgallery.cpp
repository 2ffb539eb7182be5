// The convert page and the conversion dialog in their states, in both
// skins, as PNG files under <build>/screenshots/convert/ for a person to
// judge.
#include "gui/guitestsupport.h"
#include "support/testtools.h"

#include "kelframe/kelskin.h"
#include "marlin/convert/convertlistmodel.h"
#include "marlin/convert/convertwidget.h"
#include "marlin/convertparameters/convertparametersdialog.h"
#include "marlin/convertparameters/convertparameterswidget.h"
#include "marlin/mainwindow/mainwindow.h"
#include "tarncore/convert/convertitem.h"
#include "tarncore/download/appcontext.h"
#include "tarncore/download/datamanager.h"
#include "tarncore/settings/settingsmanager.h"
#include "widgetkit/listtableview.h"
#include "widgetkit/navigatorbuttonwidget.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLinearGradient>
#include <QPainter>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>

using namespace Tarn;

namespace {

// A made-up video still in the row's own colours.
QString makePicture(const QString &folder, int seed)
{
    QImage image(QSize(480, 270), QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const int hue = (seed * 53 + 20) % 360;
    QLinearGradient sky(0, 0, 0, image.height());
    sky.setColorAt(0, QColor::fromHsv(hue, 110, 235));
    sky.setColorAt(1, QColor::fromHsv((hue + 50) % 360, 130, 170));
    painter.fillRect(image.rect(), sky);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor::fromHsv((hue + 160) % 360, 90, 110));
    painter.drawRect(QRectF(0, image.height() * 0.68, image.width(), image.height() * 0.32));
    painter.setBrush(QColor::fromHsv((hue + 200) % 360, 50, 250));
    painter.drawEllipse(QPointF(image.width() * 0.3, image.height() * 0.35), 28, 28);
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

SettingsManager *settings()
{
    return AppContext::instance()->getSettingsManager();
}

} // namespace

class ConvertGallery : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void page_data();
    void page();
    void dialog_data();
    void dialog();
    void window_data();
    void window();

private:
    void fillList(ConvertWidget *page);

    QTemporaryDir m_root;
    QTemporaryDir m_pictures;
};

void ConvertGallery::initTestCase()
{
    QVERIFY(m_root.isValid() && m_pictures.isValid());
    GuiTest::isolate(m_root);
    AppContext::setAppDirOverride(TestTools::appDir());
    QCursor::setPos(-500, -500);
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Marlin"));
    QVERIFY(AppContext::instance()->init());
    settings()->setConvertDestDir(m_root.filePath(QStringLiteral("converted")));
}

// One item in each status the list shows.
void ConvertGallery::fillList(ConvertWidget *page)
{
    struct Sample {
        const char *file;
        ConvertItem::Status status;
        const char *preset;
        qint64 duration;
        int percent;
    };
    const Sample samples[] = {
        {"Harbour timelapse.mp4", ConvertItem::StatusConverting, "iPhone", 754, 46},
        {"Repotting a fiddle-leaf fig.mkv", ConvertItem::StatusStarting, "MP4 HD 720p", 412, -1},
        {"River stage, full concert.webm", ConvertItem::StatusFinished, "MP3 Standard", 5234, -1},
        {"Bread baking basics.mov", ConvertItem::StatusError, "Smart TV 4K (HEVC)", 1325, -1},
        {"Coastal trail run.mp4", ConvertItem::StatusPaused, "", 183, -1},
        {"Grandma's birthday (phone).3gp", ConvertItem::StatusWaitingDownload, "E-mail Attachment", 96, -1},
    };
    int seed = 1;
    for (const Sample &sample : samples) {
        auto *item = new ConvertItem();
        Kel::FileMediaInfo source;
        source.mediaFile = QStringLiteral("/home/user/Videos/%1").arg(QString::fromUtf8(sample.file));
        source.format = QStringLiteral("mov,mp4");
        source.type = Kel::Video;
        source.resolution = QSize(1920, 1080);
        source.vBitRate = 6000000;
        source.duration = sample.duration;
        source.thumbnailFile = makePicture(m_pictures.path(), seed);
        Kel::MediaProfile profile;
        if (*sample.preset) {
            profile = settings()->getProfileByName(QString::fromLatin1(sample.preset));
        } else {
            profile = settings()->getDefaultCustomConvertProfile();
            profile.format = QStringLiteral("MKV");
        }
        item->setSrcMediaInfo(source);
        const QString dest = QStringLiteral("/home/user/Videos/converted/%1.%2").arg(seed).arg(profile.format.toLower());
        item->setConvertParameters(ConvertParameters(source.mediaFile, dest, profile, source, true, -1));
        if (sample.percent >= 0)
            item->setProgress(Kel::Progress(100, sample.percent, 0));
        item->setStatus(sample.status);
        page->getModel()->append(item);
        if (sample.status == ConvertItem::StatusError)
            page->getModel()->setFailureReason(item, QStringLiteral("Unknown encoder 'libx265'"));
        ++seed;
    }
}

void ConvertGallery::page_data()
{
    QTest::addColumn<QString>("skin");
    for (const QString &skin : KelSkin::availableSkins())
        QTest::newRow(qPrintable(skin)) << skin;
}

void ConvertGallery::page()
{
    QFETCH(QString, skin);
    QVERIFY(KelSkin::applySkin(skin));
    AppContext::instance()->getDataManager()->clearAllConvertItems();
    settings()->setConvertViewShowMode(ListViewShowModeTable);

    QWidget host;
    host.setObjectName(QStringLiteral("galleryHost"));
    host.setAttribute(Qt::WA_StyledBackground);
    host.setStyleSheet(QStringLiteral("#galleryHost { background-color: %1; }")
                           .arg(KelSkin::color(QStringLiteral("base")).name()));
    auto *layout = new QVBoxLayout(&host);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *page = new ConvertWidget(&host);
    layout->addWidget(page);
    host.resize(860, 520);
    settle(&host);
    QVERIFY(page->isEmptyHintShown());
    QVERIFY(GuiTest::saveShot(&host, QStringLiteral("convert"), QStringLiteral("page"), QStringLiteral("empty"), skin));

    fillList(page);
    QVERIFY(!page->isEmptyHintShown());
    page->getTableView()->selectRow(2);
    settle(&host);
    page->getTableView()->setMouseOverRow(0);
    settle(&host);
    QVERIFY(GuiTest::saveShot(&host, QStringLiteral("convert"), QStringLiteral("page"), QStringLiteral("table"), skin));

    page->onThumbnailMode(true);
    settle(&host);
    QVERIFY(GuiTest::saveShot(&host, QStringLiteral("convert"), QStringLiteral("page"), QStringLiteral("grid"), skin));
    page->onDetailListMode(true);
    AppContext::instance()->getDataManager()->clearAllConvertItems();
}

void ConvertGallery::dialog_data()
{
    QTest::addColumn<QString>("skin");
    for (const QString &skin : KelSkin::availableSkins())
        QTest::newRow(qPrintable(skin)) << skin;
}

void ConvertGallery::dialog()
{
    QFETCH(QString, skin);
    QVERIFY(KelSkin::applySkin(skin));
    settings()->setLastConvertProfileName(QStringLiteral("iPhone (Compact)"));
    ConvertParametersDialog dialog;
    settle(&dialog);
    QVERIFY(GuiTest::saveShot(&dialog, QStringLiteral("convert"), QStringLiteral("dialog"), QStringLiteral("presets"),
                              skin));

    QVERIFY(dialog.selectCategory(ConvertParametersDialog::CustomizeCategory));
    settle(&dialog);
    QVERIFY(GuiTest::saveShot(&dialog, QStringLiteral("convert"), QStringLiteral("dialog"), QStringLiteral("custom"),
                              skin));

    QComboBox *format = dialog.customWidget()->formatBox();
    format->setCurrentIndex(format->findText(QStringLiteral("MP3")));
    settle(&dialog);
    QVERIFY(GuiTest::saveShot(&dialog, QStringLiteral("convert"), QStringLiteral("dialog"),
                              QStringLiteral("custom-audio"), skin));
}

void ConvertGallery::window_data()
{
    dialog_data();
}

// The page where it lives: in the main window, behind the Convert button.
void ConvertGallery::window()
{
    QFETCH(QString, skin);
    QVERIFY(KelSkin::applySkin(skin));
    AppContext::instance()->getDataManager()->clearAllConvertItems();
    MainWindow window;
    window.show(true);
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.resize(1040, 680);
    window.onShowConvertList();
    QCOMPARE(window.contentAreaWidget()->currentWidget(), window.convertWidget());
    settle(&window);
    QVERIFY(GuiTest::saveShot(&window, QStringLiteral("convert"), QStringLiteral("window"), QStringLiteral("empty"),
                              skin));
    fillList(window.convertWidget());
    QCOMPARE(window.convertListButton()->additionalText(), QStringLiteral("6"));
    settle(&window);
    QVERIFY(GuiTest::saveShot(&window, QStringLiteral("convert"), QStringLiteral("window"), QStringLiteral("table"),
                              skin));
    // Narrowed, the columns beside the file name give way; the status stays.
    window.resize(860, 600);
    settle(&window);
    ListTableView *table = window.convertWidget()->getTableView();
    QVERIFY(table->horizontalHeader()->length() <= table->viewport()->width());
    QVERIFY(GuiTest::saveShot(&window, QStringLiteral("convert"), QStringLiteral("window"), QStringLiteral("narrow"),
                              skin));
    window.resize(1040, 680);
    settle(&window);
    QCOMPARE(table->columnWidth(ConvertListModel::FormatColumn),
             ConvertListModel::columnWidth(ConvertListModel::FormatColumn));
    AppContext::instance()->getDataManager()->clearAllConvertItems();
}

QTEST_MAIN(ConvertGallery)
#include "tst_convertgallery.moc"
