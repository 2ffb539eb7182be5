// The download page and the quality pop-up driven as a person would: real
// widgets on the offscreen platform, the real extractor tool and ffmpeg
// against the local sample site. Message boxes are answered as they come.
#include "support/samplesite.h"
#include "support/testhttpserver.h"
#include "support/testtools.h"
#include "gui/guitestsupport.h"

#include "kelframe/kelmessagebox.h"
#include "marlin/download/downloadlistmodel.h"
#include "marlin/download/downloadlistsortproxymodel.h"
#include "marlin/download/downloadwidget.h"
#include "marlin/platform/desktopfiles.h"
#include "marlin/quality/downloadparametersdialog.h"
#include "marlin/quality/getmediainfoerrordialog.h"
#include "marlin/quality/webmediaqualitylistmodel.h"
#include "tarncore/download/appcontext.h"
#include "tarncore/download/downloadlist.h"
#include "tarncore/download/downloadmanager.h"
#include "tarncore/download/videosite.h"
#include "tarncore/settings/settingsmanager.h"
#include "widgetkit/balloonmessage.h"
#include "widgetkit/listitemroles.h"
#include "widgetkit/listtableview.h"

#include <QProcess>
#include <QPushButton>
#include <QApplication>
#include <QDBusConnection>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QDir>
#include <QLabel>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

using namespace Tarn;

namespace {

constexpr int RunMs = 180000;

SettingsManager *settings()
{
    return AppContext::instance()->getSettingsManager();
}

QStringList filesIn(const QString &dir)
{
    return QDir(dir).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

// Answers every modal box that comes up with one button and keeps what the
// boxes said.
class BoxAnswerer : public QObject
{
public:
    explicit BoxAnswerer(QDialogButtonBox::StandardButton answer = QDialogButtonBox::Ok)
        : answer(answer)
    {
        connect(&timer, &QTimer::timeout, this, &BoxAnswerer::look);
        timer.start(20);
    }

    QStringList texts;
    QDialogButtonBox::StandardButton answer;

private:
    void look()
    {
        QWidget *modal = QApplication::activeModalWidget();
        if (auto *box = qobject_cast<KelMessageBox *>(modal)) {
            texts.append((box->title() + QLatin1Char('\n') + box->text()).trimmed());
            for (QDialogButtonBox *buttons : box->findChildren<QDialogButtonBox *>()) {
                if (QPushButton *button = buttons->button(answer)) {
                    button->click();
                    return;
                }
            }
            box->reject();
        } else if (auto *report = qobject_cast<GetMediaInfoErrorDialog *>(modal)) {
            texts.append(report->info() + QLatin1Char('\n') + report->detail());
            report->reject();
        }
    }

    QTimer timer;
};

// Stands in for the desktop's default handler of local files.
class OpenRecorder : public QObject
{
    Q_OBJECT
public slots:
    void open(const QUrl &url) { urls.append(url); }

public:
    QList<QUrl> urls;
};

// The desktop's file manager as the page reaches it over the session bus.
class FakeFileManager : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")
public slots:
    void ShowItems(const QStringList &uris, const QString &startupId)
    {
        Q_UNUSED(startupId)
        shown += uris;
    }

public:
    static QString service() { return QStringLiteral("org.marlin.tests.FileManager1"); }
    QStringList shown;
};

} // namespace

class DownloadPageTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void qualityPopupListsAndDownloads_data();
    void qualityPopupListsAndDownloads();
    void closingPopupWithdrawsRequest();
    void sameDownloadTwiceRefused();
    void addressToFinishedRow();
    void uncreatableFolderAddsNothing();
    void removingRunningItemAsksOnce();
    void failuresAreExplained();
    void openFolderShowsTheFile();
    void doubleClick();
    void otherQualityRule_data();
    void otherQualityRule();
    void sortOrders_data();
    void sortOrders();
    void unknownPictureSizeShowsNothing();

private:
    QString pageAddress(const QString &id) const;
    DownloadItem *waitForEnd(DownloadItem *item);
    DownloadItem *lastItem() const;
    DownloadItem *addFake(const QString &title, DownloadItem::Status status, int height = 0,
                          const QString &format = QString(), qint64 size = 0, qint64 duration = 0);
    void selectRows(const QList<int> &viewRows);
    void clearList();

    QTemporaryDir m_root;
    QString m_dir;
    TestHttpServer m_server;
    SampleSite::Manifest m_manifest;
    QWidget m_host;
    DownloadWidget *m_page = nullptr;
    OpenRecorder m_opened;
    QProcess m_bus;
    FakeFileManager m_fileManager;
};

void DownloadPageTest::initTestCase()
{
    MARLIN_REQUIRE_YTZIP();
    MARLIN_REQUIRE_PROGRAM("ffmpeg");
    MARLIN_REQUIRE_PROGRAM("ffprobe");
    QVERIFY(m_root.isValid());
    GuiTest::isolate(m_root);
    AppContext::setAppDirOverride(TestTools::appDir());
    QString error;
    QVERIFY2(SampleSite::serve(m_server, &error), qPrintable(error));
    m_manifest = SampleSite::manifest(&error);
    QVERIFY2(!m_manifest.pages.isEmpty(), qPrintable(error));
    VideoSite::setExtraWatchHost(QStringLiteral("127.0.0.1:%1").arg(m_server.port()));
    QVERIFY(AppContext::instance()->init());

    // No file manager and no desktop programs: what would be opened is
    // recorded instead.
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &m_opened, "open");
    DesktopFiles::setFileManagerService(QStringLiteral("org.marlin.tests.NoFileManager"));
    QCursor::setPos(-500, -500);

    auto *layout = new QVBoxLayout(&m_host);
    layout->setContentsMargins(0, 0, 0, 0);
    m_page = new DownloadWidget(&m_host);
    layout->addWidget(m_page);
    m_host.resize(900, 560);
    m_host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&m_host));
    QVERIFY(m_page->isQuickGuideShown());

    // A session bus of the test's own, where the file manager is ours.
    const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
    if (!daemon.isEmpty()) {
        m_bus.start(daemon, {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
        if (m_bus.waitForReadyRead(10000)) {
            qputenv("DBUS_SESSION_BUS_ADDRESS", m_bus.readLine().trimmed());
            QDBusConnection bus = QDBusConnection::sessionBus();
            QVERIFY(bus.isConnected());
            QVERIFY(bus.registerService(FakeFileManager::service()));
            QVERIFY(bus.registerObject(QStringLiteral("/org/freedesktop/FileManager1"), &m_fileManager,
                                       QDBusConnection::ExportAllSlots));
        }
    }
}

void DownloadPageTest::init()
{
    m_server.clearFaults();
    m_server.setBandwidthLimit(0);
    m_dir = m_root.filePath(QStringLiteral("downloads/%1").arg(QString::fromLatin1(QTest::currentTestFunction())));
    if (QTest::currentDataTag())
        m_dir += QLatin1Char('/') + QString::fromLatin1(QTest::currentDataTag());
    QVERIFY(QDir().mkpath(m_dir));
    settings()->setDownloadDestDir(m_dir);
    settings()->setPreferredQuality(PreferredQualityResolution);
    settings()->setPreferredQualityFormat(QStringLiteral("MP4"));
    settings()->setPreferredQualityResolution(QSize(640, 360));
    m_opened.urls.clear();
    m_fileManager.shown.clear();
    DesktopFiles::setOpenProgram(QString());
    DesktopFiles::setFileManagerService(QStringLiteral("org.marlin.tests.NoFileManager"));
}

void DownloadPageTest::cleanupTestCase()
{
    clearList();
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    AppContext::instance()->getDownloadManager()->clear();
    m_server.stop();
    VideoSite::setExtraWatchHost(QString());
    if (m_bus.state() != QProcess::NotRunning) {
        m_bus.terminate();
        if (!m_bus.waitForFinished(5000))
            m_bus.kill();
        m_bus.waitForFinished(5000);
    }
}

QString DownloadPageTest::pageAddress(const QString &id) const
{
    return DownloadManager::makeupDownloadableUrl(SampleSite::watchQueryUrl(m_server, id).toString());
}

DownloadItem *DownloadPageTest::lastItem() const
{
    DownloadListModel *model = m_page->getModel();
    return model->item(model->rowCount() - 1);
}

DownloadItem *DownloadPageTest::waitForEnd(DownloadItem *item)
{
    if (item)
        (void)QTest::qWaitFor([item] { return !item->isWorking(); }, RunMs);
    return item;
}

DownloadItem *DownloadPageTest::addFake(const QString &title, DownloadItem::Status status, int height,
                                        const QString &format, qint64 size, qint64 duration)
{
    const QString url = QStringLiteral("http://www.video.example/watch?v=%1").arg(title.left(11), 11, QLatin1Char('x'));
    auto *item = new DownloadItem(url);
    Kel::WebMediaInfo info;
    info.url = url;
    info.setTitle(title);
    info.duration = duration;
    item->setMediaInfo(info);
    if (height != 0) {
        Kel::MediaProfile quality;
        quality.name = title;
        quality.type = Kel::Video;
        quality.format = format;
        if (height > 0)
            quality.resolution = QSize(height * 16 / 9, height);
        quality.size = size;
        DownloadParameters params(url);
        params.setDownloadQuality(quality);
        item->setDownloadParameters(params);
    }
    item->setStatus(status);
    m_page->getModel()->append(item);
    return item;
}

void DownloadPageTest::selectRows(const QList<int> &viewRows)
{
    QItemSelectionModel *selection = m_page->getTableView()->selectionModel();
    selection->clearSelection();
    for (int row : viewRows)
        selection->select(m_page->getSortModel()->index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

void DownloadPageTest::clearList()
{
    DownloadListModel *model = m_page->getModel();
    for (int row = model->rowCount() - 1; row >= 0; --row) {
        model->item(row)->cancel();
        model->removeItem(row);
    }
}

void DownloadPageTest::qualityPopupListsAndDownloads_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("format");
    QTest::addColumn<bool>("audioListed");
    QTest::addColumn<int>("clickedHeight"); // 0: the first audio-only quality
    QTest::addColumn<bool>("firstRequest");
    QTest::newRow("MP4: video qualities only") << SampleSite::dashId() << "MP4" << false << 360 << true;
    QTest::newRow("M4A: audio qualities too") << SampleSite::dashId() << "M4A" << true << 0 << false;
}

void DownloadPageTest::qualityPopupListsAndDownloads()
{
    QFETCH(QString, id);
    QFETCH(QString, format);
    QFETCH(bool, audioListed);
    QFETCH(int, clickedHeight);
    QFETCH(bool, firstRequest);
    settings()->setPreferredQualityFormat(format);
    const SampleSite::Page site = m_manifest.page(id);
    const QString url = pageAddress(id);

    auto *dialog = new DownloadParametersDialog(url, &m_host);
    QPointer<DownloadParametersDialog> guard(dialog);
    QSignalSpy chosen(dialog, &DownloadParametersDialog::download);
    connect(dialog, &DownloadParametersDialog::download, m_page, [this](const DownloadParameters &param) {
        if (param.isValid() && m_page->canAddDownload(param.getUrl(), param.getDownloadQuality()))
            m_page->onDownload(param.getUrl(), param);
    });
    dialog->setPosInfo(m_host.mapToGlobal(QPoint(m_host.width() - 8, 8)), 0, PopupDialog::TopRight);
    dialog->show();
    QCOMPARE(dialog->isWaiting(), firstRequest);

    // Sizes the tool does not tell arrive one by one after the list.
    WebMediaQualityListModel *qualities = dialog->getQualityModel();
    QStringList sizesAtFirst;
    connect(qualities, &QAbstractItemModel::rowsInserted, this, [&] {
        sizesAtFirst.clear();
        for (int row = 0; row < qualities->rowCount(); ++row)
            sizesAtFirst += qualities->item(row, WebMediaQualityListModel::SizeColumn)->text();
    });
    if (firstRequest) {
        QTRY_VERIFY_WITH_TIMEOUT(!dialog->isWaiting(), RunMs);
        QVERIFY(sizesAtFirst.contains(QString()));
    }

    QList<int> heights;
    int audioRows = 0;
    int clickRow = -1;
    for (int row = 0; row < qualities->rowCount(); ++row) {
        const Kel::MediaProfile profile = dialog->profileAt(row);
        if (profile.type == Kel::Audio) {
            ++audioRows;
            if (clickedHeight == 0 && clickRow < 0)
                clickRow = row;
        } else {
            heights += profile.resolution.height();
            if (profile.resolution.height() == clickedHeight)
                clickRow = row;
        }
    }
    QList<int> siteHeights;
    for (const SampleSite::Format &f : site.formats) {
        if (!f.isAudioOnly())
            siteHeights += f.height;
    }
    std::sort(heights.begin(), heights.end());
    std::sort(siteHeights.begin(), siteHeights.end());
    QCOMPARE(heights, siteHeights);
    QCOMPARE(audioRows, audioListed ? int(site.audioOnlyFormats().size()) : 0);

    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
            for (int row = 0; row < qualities->rowCount(); ++row) {
                if (qualities->item(row, WebMediaQualityListModel::SizeColumn)->text().isEmpty())
                    return false;
            }
            return true;
        }(),
        RunMs);

    // A click on a quality downloads that quality and closes the pop-up.
    QVERIFY(clickRow >= 0);
    auto *list = dialog->findChild<ListTableView *>(QStringLiteral("qualityListView"));
    const QRect cell = list->visualRect(qualities->index(clickRow, WebMediaQualityListModel::FormatColumn));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
    QCOMPARE(chosen.count(), 1);
    QTRY_VERIFY(!guard);

    DownloadItem *item = waitForEnd(lastItem());
    QCOMPARE(item->getUrl(), url);
    QCOMPARE(item->getStatus(), DownloadItem::Finished);
    const TestTools::ProbeResult probe = TestTools::probeStreams(item->getDestFile());
    QVERIFY2(probe.ok, qPrintable(probe.error));
    if (clickedHeight > 0) {
        QVERIFY(probe.hasVideo());
        QCOMPARE(probe.streamsOfType(QStringLiteral("video")).first().height, clickedHeight);
    } else {
        QVERIFY(!probe.hasVideo());
        QVERIFY(probe.hasAudio());
    }
}

void DownloadPageTest::closingPopupWithdrawsRequest()
{
    const QString url = pageAddress(m_manifest.unicodeId);
    DownloadManager *manager = AppContext::instance()->getDownloadManager();
    auto *dialog = new DownloadParametersDialog(url, &m_host);
    QPointer<DownloadParametersDialog> guard(dialog);
    dialog->show();
    QCOMPARE(manager->getPendingRequests().value(url), 1);
    dialog->reject();
    QCOMPARE(manager->getPendingRequests().value(url), 0);
    QTRY_VERIFY(!guard);
}

void DownloadPageTest::sameDownloadTwiceRefused()
{
    // The page's first download of the pop-up test.
    const QString url = pageAddress(SampleSite::dashId());
    DownloadItem *earlier = m_page->getModel()->list()->find(url, Kel::MediaProfile());
    QVERIFY(earlier);
    const Kel::MediaProfile quality = earlier->getDownloadParameters().getDownloadQuality();
    QSignalSpy balloons(BalloonMessage::getInstance(), &BalloonMessage::message);
    const int rows = m_page->getModel()->rowCount();

    QVERIFY(!m_page->canAddDownload(url, quality));
    QCOMPARE(balloons.count(), 1);
    QCOMPARE(balloons.first().at(0).toString(), QStringLiteral("Same download already existed."));
    QCOMPARE(balloons.first().at(1).toString(), QStringLiteral("download"));
    QCOMPARE(m_page->getModel()->rowCount(), rows);

    Kel::MediaProfile other = quality;
    other.resolution = QSize(1280, 720);
    other.name = QStringLiteral("720p");
    QVERIFY(m_page->canAddDownload(url, other));
    QVERIFY(m_page->hasUrl(url));
    QVERIFY(!m_page->hasUrl(pageAddress(m_manifest.noVideoId)));
}

void DownloadPageTest::addressToFinishedRow()
{
    // Conversion without asking: every finished download goes on by itself.
    settings()->setConvertOptionMode(ConvertOptionQuick);
    QSignalSpy conversions(m_page, &DownloadWidget::convert);
    QSignalSpy sizes(m_page, &DownloadWidget::listSizeChanged);
    const QString url = pageAddress(m_manifest.unicodeId);
    m_page->onDownload(url);
    QCOMPARE(sizes.count(), 1);
    QCOMPARE(sizes.first().first().toInt(), m_page->getModel()->rowCount());
    QVERIFY(!m_page->isQuickGuideShown());

    DownloadItem *item = waitForEnd(lastItem());
    QCOMPARE(item->getStatus(), DownloadItem::Finished);
    QVERIFY(QFileInfo(item->getDestFile()).isFile());
    QCOMPARE(QFileInfo(item->getDestFile()).absolutePath(), m_dir);
    DownloadListModel *model = m_page->getModel();
    const int row = model->row(item);
    QVERIFY(model->index(row, DownloadListModel::StatusColumn).data(CompletedRole).toBool());
    QCOMPARE(model->index(row, DownloadListModel::StatusColumn).data().toString(), QString());
    QCOMPARE(model->index(row, DownloadListModel::ResolutionColumn).data().toString(), QStringLiteral("360P"));
    QVERIFY(m_page->clearAction()->isEnabled());
    // The row shows the page's picture once it has arrived.
    ListTableView *table = m_page->getTableView();
    const QModelIndex thumbnail = m_page->getSortModel()->mapFromSource(model->index(row, 0));
    table->scrollTo(thumbnail);
    QTRY_VERIFY(table->indexWidget(thumbnail));
    auto *picture = table->indexWidget(thumbnail)->findChild<QLabel *>(QStringLiteral("thumbnailLabel"));
    QVERIFY(picture);
    QTRY_COMPARE(picture->property("loaded").toString(), QStringLiteral("true"));

    QCOMPARE(conversions.count(), 1);
    QCOMPARE(conversions.first().at(0).value<QList<DownloadItem *>>(), QList<DownloadItem *>{item});
    QCOMPARE(conversions.first().at(1).toBool(), true);
    settings()->setConvertOptionMode(ConvertOptionAsk);
    selectRows({m_page->getSortModel()->mapFromSource(model->index(row, 0)).row()});
    m_page->convertAction()->trigger();
    QCOMPARE(conversions.count(), 2);
    QCOMPARE(conversions.last().at(1).toBool(), false);
}

void DownloadPageTest::uncreatableFolderAddsNothing()
{
    // The folder's parent becomes a file once the folder is set.
    const QString parent = m_root.filePath(QStringLiteral("blocked"));
    const QString folder = parent + QStringLiteral("/videos");
    settings()->setDownloadDestDir(folder);
    QVERIFY(QDir(parent).removeRecursively());
    QFile blocker(parent);
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    const int rows = m_page->getModel()->rowCount();
    BoxAnswerer answerer;
    m_page->onDownload(pageAddress(SampleSite::progressiveId()));
    QCOMPARE(answerer.texts, QStringList{QStringLiteral("The folder \"%1\" does not exist.").arg(folder)});
    QCOMPARE(m_page->getModel()->rowCount(), rows);
    QFile::remove(parent);
}

void DownloadPageTest::removingRunningItemAsksOnce()
{
    const SampleSite::Page site = m_manifest.page(m_manifest.singleId);
    m_server.setBandwidthLimit(site.formats.first().size / 20);
    m_page->onDownload(pageAddress(site.id));
    DownloadItem *running = lastItem();
    QTRY_VERIFY_WITH_TIMEOUT(running->getStatus() == DownloadItem::Downloading && running->getProgress().isValid(),
                             RunMs);
    QVERIFY(!filesIn(m_dir).isEmpty());

    // A finished item and the running one.
    DownloadListModel *model = m_page->getModel();
    DownloadItem *finished = model->list()->find(pageAddress(m_manifest.unicodeId), Kel::MediaProfile());
    QVERIFY(finished && finished->getStatus() == DownloadItem::Finished);
    DownloadListSortProxyModel *view = m_page->getSortModel();
    selectRows({view->mapFromSource(model->index(model->row(finished), 0)).row(),
                view->mapFromSource(model->index(model->row(running), 0)).row()});
    QCOMPARE(m_page->selectedCount(), 2);
    QCOMPARE(m_page->selectionText(), QStringLiteral("2 items selected"));
    const int rows = model->rowCount();
    {
        BoxAnswerer no(QDialogButtonBox::No);
        m_page->removeAction()->trigger();
        QCOMPARE(no.texts.size(), 1);
        QVERIFY(no.texts.first().contains(QStringLiteral("Are you sure you want to remove it?")));
    }
    QCOMPARE(model->rowCount(), rows);
    QCOMPARE(running->getStatus(), DownloadItem::Downloading);
    {
        BoxAnswerer yes(QDialogButtonBox::Yes);
        m_page->removeAction()->trigger();
        QCOMPARE(yes.texts.size(), 1);
    }
    QCOMPARE(model->rowCount(), rows - 2);
    QVERIFY(!model->list()->find(pageAddress(site.id), Kel::MediaProfile()));
    QTRY_VERIFY_WITH_TIMEOUT(filesIn(m_dir).isEmpty(), RunMs);
}

void DownloadPageTest::failuresAreExplained()
{
    // A page without a video: the tool's own report is shown.
    {
        BoxAnswerer answerer;
        const QString url = pageAddress(m_manifest.noVideoId);
        m_page->onDownload(url);
        DownloadItem *item = waitForEnd(lastItem());
        QCOMPARE(item->getStatus(), DownloadItem::Failed);
        QTRY_COMPARE_WITH_TIMEOUT(answerer.texts.size(), 1, RunMs);
        QVERIFY2(answerer.texts.first().startsWith(QStringLiteral("Getting media information failed: %1").arg(url)),
                 qPrintable(answerer.texts.first()));
        const QModelIndex status = m_page->getModel()->index(m_page->getModel()->row(item),
                                                             DownloadListModel::StatusColumn);
        QVERIFY(status.data(FailedRole).toBool());
        QVERIFY(status.data(Qt::ToolTipRole).toString().startsWith(QStringLiteral("Failed: ")));
    }
    // A download the server refuses: the alert names the item.
    {
        BoxAnswerer answerer;
        const SampleSite::Page site = m_manifest.page(SampleSite::dashId());
        TestHttpServer::Fault refused;
        refused.status = 403;
        m_server.setFault(QStringLiteral("/media/*/video-720.mp4"), refused);
        DownloadParameters param(pageAddress(site.id));
        Kel::WebMediaInfo info = AppContext::instance()->getDownloadManager()->getMediaInfo(param.getUrl());
        QVERIFY(info.isValid());
        param.setDownloadQuality(info.profiles.first());
        QCOMPARE(info.profiles.first().resolution.height(), 720);
        QVERIFY(m_page->canAddDownload(param.getUrl(), param.getDownloadQuality()));
        m_page->onDownload(param.getUrl(), param);
        DownloadItem *item = waitForEnd(lastItem());
        QCOMPARE(item->getStatus(), DownloadItem::Failed);
        QTRY_COMPARE_WITH_TIMEOUT(answerer.texts.size(), 1, RunMs);
        const QString text = answerer.texts.first();
        QVERIFY2(text.startsWith(QStringLiteral("Failed to download videos.\n\n%1").arg(item->getTitle())), qPrintable(text));
        // The back end's words: the alert ends with them, the status cell's
        // tip tells them.
        const QString reason = m_page->getModel()->failureReason(item);
        QVERIFY2(!reason.isEmpty() && text.endsWith(reason), qPrintable(text));
        const QModelIndex status = m_page->getModel()->index(m_page->getModel()->row(item),
                                                             DownloadListModel::StatusColumn);
        QCOMPARE(status.data(Qt::ToolTipRole).toString(), QStringLiteral("Failed: %1").arg(reason));

        m_server.clearFaults();
    }
}

void DownloadPageTest::openFolderShowsTheFile()
{
    if (!QDBusConnection::sessionBus().isConnected())
        QSKIP("No dbus-daemon to run a session bus with");
    DesktopFiles::setFileManagerService(FakeFileManager::service());
    DownloadListModel *model = m_page->getModel();
    DownloadItem *finished = nullptr;
    for (DownloadItem *item : model->list()->getItems()) {
        if (item->getStatus() == DownloadItem::Finished)
            finished = item;
    }
    QVERIFY(finished);
    selectRows({m_page->getSortModel()->mapFromSource(model->index(model->row(finished), 0)).row()});
    m_page->openFolderAction()->trigger();
    QTRY_COMPARE(m_fileManager.shown, QStringList{QUrl::fromLocalFile(finished->getDestFile()).toString()});
    QVERIFY(m_opened.urls.isEmpty());

    // Nothing selected: the download folder itself.
    selectRows({});
    m_page->openFolderAction()->trigger();
    QCOMPARE(m_opened.urls, QList<QUrl>{QUrl::fromLocalFile(m_dir)});
}

void DownloadPageTest::doubleClick()
{
    DownloadListModel *model = m_page->getModel();
    ListTableView *table = m_page->getTableView();
    QSignalSpy balloons(BalloonMessage::getInstance(), &BalloonMessage::message);
    QSignalSpy doubleClicks(table, &QAbstractItemView::doubleClicked);
    int expected = 0;
    auto doubleClickOn = [&](DownloadItem *item) {
        const QModelIndex index =
            m_page->getSortModel()->mapFromSource(model->index(model->row(item), DownloadListModel::FormatColumn));
        table->scrollTo(index);
        const QPoint point = table->visualRect(index).center();
        // A double click as the window system delivers it: a press first.
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, point);
        QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, point);
        QCOMPARE(doubleClicks.count(), ++expected);
    };

    DownloadItem *failed = model->list()->find(pageAddress(m_manifest.noVideoId), Kel::MediaProfile());
    QVERIFY(failed && failed->getStatus() == DownloadItem::Failed);
    doubleClickOn(failed);
    QTest::qWait(100);
    QCOMPARE(balloons.count(), 0);
    QVERIFY(m_opened.urls.isEmpty());
    QCOMPARE(failed->getStatus(), DownloadItem::Failed);

    // No program takes the file: its folder is shown, and the balloon says so.
    DownloadItem *finished = nullptr;
    for (DownloadItem *item : model->list()->getItems()) {
        if (item->getStatus() == DownloadItem::Finished)
            finished = item;
    }
    QVERIFY(finished);
    DesktopFiles::setOpenProgram(QStringLiteral("false"));
    doubleClickOn(finished);
    QTRY_COMPARE_WITH_TIMEOUT(m_opened.urls.size(), 1, 10000);
    QCOMPARE(m_opened.urls.first(), QUrl::fromLocalFile(QFileInfo(finished->getDestFile()).absolutePath()));
    QCOMPARE(balloons.count(), 1);
    QVERIFY(balloons.first().first().toString().contains(QStringLiteral("folder")));
}

void DownloadPageTest::otherQualityRule_data()
{
    QTest::addColumn<QList<int>>("statuses");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("one finished") << QList<int>{DownloadItem::Finished} << true;
    QTest::newRow("one failed") << QList<int>{DownloadItem::Failed} << true;
    QTest::newRow("one analysing") << QList<int>{DownloadItem::Analysing} << false;
    QTest::newRow("one not ready") << QList<int>{DownloadItem::NotReady} << false;
    QTest::newRow("two finished") << QList<int>{DownloadItem::Finished, DownloadItem::Finished} << false;
}

void DownloadPageTest::otherQualityRule()
{
    QFETCH(QList<int>, statuses);
    QFETCH(bool, enabled);
    clearList();
    QList<int> rows;
    for (int status : statuses) {
        addFake(QStringLiteral("Item %1").arg(rows.size()), DownloadItem::Status(status), 720, QStringLiteral("mp4"));
        rows.append(rows.size());
    }
    selectRows(rows);
    QCOMPARE(m_page->otherQualityAction()->isEnabled(), enabled);
    QCOMPARE(m_page->removeAction()->isEnabled(), true);
    QSignalSpy other(m_page, &DownloadWidget::downloadOtherFormat);
    m_page->otherQualityAction()->trigger();
    QCOMPARE(other.count(), enabled ? 1 : 0);
    clearList();
    QVERIFY(m_page->isQuickGuideShown());
}

void DownloadPageTest::sortOrders_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QStringList>("order");
    QTest::newRow("size by number") << int(DownloadListModel::SizeColumn) << QStringList{"d", "c", "a", "b"};
    QTest::newRow("duration by number") << int(DownloadListModel::DurationColumn) << QStringList{"b", "d", "a", "c"};
    QTest::newRow("status by number, then text") << int(DownloadListModel::StatusColumn)
                                                 << QStringList{"d", "b", "a", "c"};
    // Numbers inside the text count as numbers: 1080P after 720P.
    QTest::newRow("resolution by text") << int(DownloadListModel::ResolutionColumn)
                                        << QStringList{"d", "c", "a", "b"};
    QTest::newRow("format by text") << int(DownloadListModel::FormatColumn) << QStringList{"d", "b", "c", "a"};
}

void DownloadPageTest::sortOrders()
{
    QFETCH(int, column);
    QFETCH(QStringList, order);
    clearList();
    DownloadItem *running = addFake(QStringLiteral("a"), DownloadItem::Downloading, 360, QStringLiteral("webm"),
                                    9 * 1024, 600);
    addFake(QStringLiteral("b"), DownloadItem::Waiting, 1080, QStringLiteral("3gp"), 100 * 1024, 59);
    addFake(QStringLiteral("c"), DownloadItem::Downloading, 240, QStringLiteral("mp4"), 2 * 1024, 3600);
    addFake(QStringLiteral("d"), DownloadItem::Analysing, 0, QString(), 0, 61);
    // "Downloading" while the bar has nothing to show; empty text once it has.
    running->setProgress(Kel::Progress(100, 10, 1));

    m_page->getTableView()->sortByColumn(column, Qt::AscendingOrder);
    QStringList titles;
    for (int row = 0; row < m_page->getSortModel()->rowCount(); ++row)
        titles += m_page->getSortModel()->index(row, DownloadListModel::TitleColumn).data(TitleRole).toString();
    QCOMPARE(titles, order);
    m_page->getTableView()->sortByColumn(-1, Qt::AscendingOrder);
    clearList();
}

// A stream whose picture size the site did not tell shows an empty cell, in
// the list and in the quality pop-up.
void DownloadPageTest::unknownPictureSizeShowsNothing()
{
    clearList();
    DownloadItem *item = addFake(QStringLiteral("unsized"), DownloadItem::Finished, -1, QStringLiteral("mp4"));
    DownloadListModel *model = m_page->getModel();
    QCOMPARE(model->index(model->row(item), DownloadListModel::ResolutionColumn).data().toString(), QString());
    QCOMPARE(model->index(model->row(item), DownloadListModel::FormatColumn).data().toString(), QStringLiteral("MP4"));
    WebMediaQualityListModel qualities;
    qualities.appendQuality(item->getDownloadParameters().getDownloadQuality());
    QCOMPARE(qualities.item(0, WebMediaQualityListModel::QualityColumn)->text(), QString());
    clearList();
}

QTEST_MAIN(DownloadPageTest)
#include "tst_downloadpage.moc"
