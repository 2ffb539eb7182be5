#include "gui/guitestsupport.h"
#include "support/samplesite.h"
#include "support/testhttpserver.h"
#include "support/testtools.h"

#include "kelframe/kelmessagebox.h"
#include "kelframe/kelskin.h"
#include "marlin/convert/convertlistmodel.h"
#include "marlin/convert/convertwidget.h"
#include "marlin/convertparameters/convertparametersdialog.h"
#include "marlin/mainwindow/mainwindow.h"
#include "marlin/mainwindow/mainwindowutils.h"
#include "marlin/download/downloadwidget.h"
#include "marlin/quality/downloadparametersdialog.h"
#include "tarncore/convert/convertitem.h"
#include "tarncore/download/appcontext.h"
#include "tarncore/download/datamanager.h"
#include "tarncore/download/downloaditem.h"
#include "tarncore/download/downloadlist.h"
#include "tarncore/download/downloadmanager.h"
#include "tarncore/download/videosite.h"
#include "tarncore/settings/settingsmanager.h"
#include "widgetkit/balloonmessage.h"
#include "widgetkit/balloonmessagedialog.h"
#include "widgetkit/listtableview.h"
#include "widgetkit/navigatorbuttonwidget.h"
#include "widgetkit/urllineedit.h"

#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTranslator>

#include <functional>
#include <memory>

using Tarn::AppContext;
using Tarn::DownloadManager;
using Tarn::MainWindow;
using Tarn::MainWindowUtils;

namespace {

DownloadManager *manager()
{
    return AppContext::instance()->getDownloadManager();
}

// While it lives, answers every message box that comes up with one button
// and counts them.
class BoxAnswerer
{
public:
    explicit BoxAnswerer(QDialogButtonBox::StandardButton button)
    {
        m_timer.setInterval(20);
        QObject::connect(&m_timer, &QTimer::timeout, [this, button] {
            auto *box = qobject_cast<KelMessageBox *>(QApplication::activeModalWidget());
            if (!box || !box->isVisible() || box == m_last)
                return;
            m_last = box;
            ++m_count;
            m_texts.append(box->title() + box->text());
            box->findChild<QDialogButtonBox *>()->button(button)->click();
        });
        m_timer.start();
    }
    int count() const { return m_count; }
    QStringList texts() const { return m_texts; }

private:
    QTimer m_timer;
    QPointer<KelMessageBox> m_last;
    int m_count = 0;
    QStringList m_texts;
};

} // namespace

// The main window driven as a user drives it, against the local sample site.
class MainWindowTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void quickDownloadRefusesBadText_data();
    void quickDownloadRefusesBadText();
    void returnWithInvalidUrlDoesNothing();
    void currentNavigatorButtonStaysChecked();
    void balloonWhileInactiveIsDropped();
    void typingPrefetchesOnce();
    void addressFromOutsideIsFetched_data();
    void addressFromOutsideIsFetched();
    void execDimsAndCentres();
    void qualityPopupHangsUnderItsButtonAndYieldsToBoxes();
    void gallery_data();
    void gallery();
    void downloadConvertedFromTheDownloadPage();
    // Last: closing the window ends the core's pools for the process.
    void enterDownloadsAndClosingAsksWhileItRuns();

private:
    QString pageAddress(const QString &id) const;
    void activate(QWidget *widget);

    QTemporaryDir m_root;
    TestHttpServer m_server;
    std::unique_ptr<MainWindow> m_window;
};

void MainWindowTest::initTestCase()
{
    MARLIN_REQUIRE_YTZIP();
    QVERIFY(m_root.isValid());
    GuiTest::isolate(m_root);
    AppContext::instance()->getSettingsManager()->setDownloadDestDir(m_root.filePath(QStringLiteral("videos")));
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Marlin"));
    AppContext::setAppDirOverride(TestTools::appDir());
    QString error;
    QVERIFY2(SampleSite::serve(m_server, &error), qPrintable(error));
    Tarn::VideoSite::setExtraWatchHost(QStringLiteral("127.0.0.1:%1").arg(m_server.port()));
}

void MainWindowTest::init()
{
    QGuiApplication::clipboard()->clear();
    m_window = std::make_unique<MainWindow>();
    m_window->show(true);
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
}

void MainWindowTest::cleanup()
{
    m_window.reset();
}

void MainWindowTest::cleanupTestCase()
{
    m_server.stop();
    Tarn::VideoSite::setExtraWatchHost(QString());
}

QString MainWindowTest::pageAddress(const QString &id) const
{
    return SampleSite::watchQueryUrl(m_server, id).toString();
}

void MainWindowTest::activate(QWidget *widget)
{
    widget->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(widget));
}

void MainWindowTest::quickDownloadRefusesBadText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("balloon");
    QTest::newRow("empty") << QStringLiteral("   ") << QStringLiteral("Please enter the URL.");
    QTest::newRow("not a video page") << QStringLiteral("https://example.org/about")
                                      << QStringLiteral("The URL is invalid.");
}

void MainWindowTest::quickDownloadRefusesBadText()
{
    QFETCH(QString, text);
    QFETCH(QString, balloon);
    QSignalSpy balloons(Tarn::BalloonMessage::getInstance(), &Tarn::BalloonMessage::message);
    m_window->urlLineEdit()->setText(text);
    QTest::mouseClick(m_window->downloadButton(), Qt::LeftButton);
    QCOMPARE(balloons.count(), 1);
    QCOMPARE(balloons.at(0).at(0).toString(), balloon);
    QCOMPARE(balloons.at(0).at(1).toString(), QStringLiteral("download"));
    QVERIFY(m_window->balloonDialog()->isVisible());
    QCOMPARE(m_window->balloonDialog()->text(), balloon);
    // The entry keeps what the user typed, to be corrected.
    QCOMPARE(m_window->urlLineEdit()->text(), text);
}

void MainWindowTest::returnWithInvalidUrlDoesNothing()
{
    QSignalSpy balloons(Tarn::BalloonMessage::getInstance(), &Tarn::BalloonMessage::message);
    m_window->urlLineEdit()->setFocus();
    QTest::keyClicks(m_window->urlLineEdit(), QStringLiteral("not a page"));
    QTest::keyClick(m_window->urlLineEdit(), Qt::Key_Return);
    QTest::keyClick(m_window->urlLineEdit(), Qt::Key_Enter);
    QCoreApplication::processEvents();
    QCOMPARE(balloons.count(), 0);
    QVERIFY(!m_window->balloonDialog()->isVisible());
    QCOMPARE(m_window->urlLineEdit()->text(), QStringLiteral("not a page"));
    QVERIFY(manager()->getPendingRequests().isEmpty());
}

void MainWindowTest::currentNavigatorButtonStaysChecked()
{
    Tarn::NavigatorButtonWidget *current = m_window->currentNavigatorButton();
    QVERIFY(current);
    QWidget *page = m_window->contentAreaWidget()->currentWidget();
    current->click();
    QVERIFY(current->isChecked());
    QCOMPARE(m_window->currentNavigatorButton(), current);
    QCOMPARE(m_window->contentAreaWidget()->currentWidget(), page);
}

void MainWindowTest::balloonWhileInactiveIsDropped()
{
    QWidget other;
    other.show();
    activate(&other);
    Tarn::BalloonMessage::getInstance()->balloon(QStringLiteral("Added to the downloading list."), QString());
    QVERIFY(!m_window->balloonDialog()->isVisible());
    // Coming back to the window does not bring the old notice.
    activate(m_window.get());
    QCoreApplication::processEvents();
    QVERIFY(!m_window->balloonDialog()->isVisible());

    // While the window is in front a balloon shows, inside its bottom-right
    // corner, and follows the window when it moves.
    Tarn::BalloonMessage::getInstance()->balloon(QStringLiteral("Added to the downloading list."), QString());
    QVERIFY(m_window->balloonDialog()->isVisible());
    const QRect window = m_window->geometry();
    QCOMPARE(m_window->balloonDialog()->geometry().right(), window.right() - 11);
    QCOMPARE(m_window->balloonDialog()->geometry().bottom(), window.bottom() - 71);
    m_window->move(m_window->pos() + QPoint(30, 20));
    QTRY_COMPARE(m_window->balloonDialog()->geometry().right(), m_window->geometry().right() - 11);
}

void MainWindowTest::typingPrefetchesOnce()
{
    QSignalSpy answers(manager(), &DownloadManager::mediaInfoReady);
    const QString address = pageAddress(SampleSite::progressiveId());
    Tarn::UrlLineEdit *entry = m_window->urlLineEdit();
    entry->setFocus();
    for (const QChar c : address) {
        QTest::keyClick(entry, c.toLatin1());
        QCoreApplication::processEvents();
    }
    // Growing and shrinking around the address fetches nothing new.
    QTest::keyClicks(entry, QStringLiteral("&t=5"));
    for (int i = 0; i < 5; ++i)
        QTest::keyClick(entry, Qt::Key_Backspace);
    QTest::keyClick(entry, Qt::Key_End);
    QTest::keyClicks(entry, QStringLiteral("&t=5"));
    QCoreApplication::processEvents();

    const QString canonical = DownloadManager::makeupDownloadableUrl(address);
    QCOMPARE(manager()->getPendingRequests().value(canonical), 1);
    QTRY_COMPARE_WITH_TIMEOUT(answers.count(), 1, 60000);
    QVERIFY(answers.at(0).at(0).value<Kel::WebMediaInfo>().isValid());
    QTest::qWait(200);
    QCOMPARE(answers.count(), 1);
}

void MainWindowTest::addressFromOutsideIsFetched_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("page");
    QTest::newRow("clipboard") << QStringLiteral("clipboard") << SampleSite::dashId();
    QTest::newRow("dropped link") << QStringLiteral("drop") << QStringLiteral("unicode0001");
    QTest::newRow("later start") << QStringLiteral("later start") << QStringLiteral("longvideo01");
}

// An address copied elsewhere, dropped on the window or handed over by a
// later start lands in the entry and its media information is fetched.
void MainWindowTest::addressFromOutsideIsFetched()
{
    QFETCH(QString, source);
    QFETCH(QString, page);
    const QString address = pageAddress(page);
    const QString canonical = DownloadManager::makeupDownloadableUrl(address);
    QSignalSpy answers(manager(), &DownloadManager::mediaInfoReady);
    if (source == QLatin1String("clipboard")) {
        QWidget other;
        other.show();
        activate(&other);
        QGuiApplication::clipboard()->setText(address + QStringLiteral("  "));
        activate(m_window.get());
    } else if (source == QLatin1String("drop")) {
        QMimeData mime;
        mime.setUrls({QUrl(address)});
        QWidget *target = m_window->contentAreaWidget();
        const QPoint at = target->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &drop);
        QVERIFY(drop.isAccepted());
    } else {
        m_window->openUrl(address);
    }
    QCOMPARE(m_window->urlLineEdit()->text(), address);
    QVERIFY(m_window->urlLineEdit()->hasFocus());
    QTRY_VERIFY_WITH_TIMEOUT(!answers.isEmpty(), 60000);
    QCOMPARE(answers.at(0).at(0).value<Kel::WebMediaInfo>().url, canonical);

    // Coming back to the window with the same clipboard fetches nothing more.
    if (source == QLatin1String("clipboard")) {
        QWidget other;
        other.show();
        activate(&other);
        activate(m_window.get());
        QTest::qWait(200);
        QCOMPARE(answers.count(), 1);
    }
}

void MainWindowTest::execDimsAndCentres()
{
    QDialog dialog(m_window.get());
    dialog.resize(300, 200);
    bool dimmed = false;
    QPoint centre;
    QTimer::singleShot(100, &dialog, [&] {
        dimmed = m_window->isDarkShadowShown();
        centre = dialog.frameGeometry().center();
        dialog.done(7);
    });
    QCOMPARE(MainWindowUtils::exec(&dialog), 7);
    QVERIFY(dimmed);
    QVERIFY(!m_window->isDarkShadowShown());
    const QPoint offset = centre - m_window->frameGeometry().center();
    QVERIFY(qAbs(offset.x()) <= 2 && qAbs(offset.y()) <= 2);
    QCOMPARE(dialog.windowOpacity(), 1.0);
    QCOMPARE(MainWindowUtils::exec(nullptr), 0);
    QVERIFY(!m_window->isDarkShadowShown());
}

void MainWindowTest::gallery_data()
{
    QTest::addColumn<QString>("skin");
    QTest::addColumn<QString>("language");
    QTest::newRow("light") << QStringLiteral("light") << QString();
    QTest::newRow("dark") << QStringLiteral("dark") << QString();
    // The longest words of the translations must fit too.
    QTest::newRow("light, German") << QStringLiteral("light") << QStringLiteral("de");
}

// The window in each skin, for a person to look at.
void MainWindowTest::gallery()
{
    QFETCH(QString, skin);
    QFETCH(QString, language);
    QVERIFY(KelSkin::applySkin(skin));
    QTranslator translator;
    if (!language.isEmpty()) {
        QVERIFY(translator.load(QStringLiteral("marlin_") + language, TestTools::appDir() + QStringLiteral("/translations")));
        QCoreApplication::installTranslator(&translator);
        QTRY_COMPARE(m_window->downloadButton()->text(), QStringLiteral("HERUNTERLADEN"));
        skin += QLatin1Char('-') + language;
    }
    m_window->resize(1040, 680);
    QCoreApplication::processEvents();
    // The whole word shows, however long the translation's is.
    QTRY_VERIFY(m_window->downloadButton()->width() >= m_window->downloadButton()->sizeHint().width());
    QVERIFY(GuiTest::saveShot(m_window.get(), QStringLiteral("window"), QStringLiteral("mainwindow"),
                              QStringLiteral("empty"), skin));
    m_window->urlLineEdit()->setText(pageAddress(SampleSite::progressiveId()));
    m_window->onDownloadListSizeChanged(3);
    Tarn::BalloonMessage::getInstance()->balloon(QStringLiteral("Added to the downloading list."), QString());
    QVERIFY(GuiTest::saveShot(m_window.get(), QStringLiteral("window"), QStringLiteral("mainwindow"),
                              QStringLiteral("address"), skin));
    QVERIFY(GuiTest::saveShot(m_window->balloonDialog(), QStringLiteral("window"), QStringLiteral("balloon"),
                              QString(), skin));

    QTest::mouseClick(m_window->advancedButton(), Qt::LeftButton);
    QPointer<Tarn::DownloadParametersDialog> popup = m_window->downloadParametersDialog();
    QVERIFY(popup);
    QTRY_COMPARE_WITH_TIMEOUT(popup->getState(), Tarn::DownloadParametersDialog::Received, 60000);
    QTest::qWait(Tarn::PopupDialog::OPEN_DURATION + 100);
    QVERIFY(GuiTest::saveShot(m_window.get(), QStringLiteral("window"), QStringLiteral("mainwindow"),
                              QStringLiteral("quality"), skin));
    popup->reject();
    QTRY_VERIFY(!popup);
}

// A download finished in the window goes to the convert page by the download
// page's Convert action, is converted as the dialog says, and probes so.
void MainWindowTest::downloadConvertedFromTheDownloadPage()
{
    Tarn::SettingsManager *settings = AppContext::instance()->getSettingsManager();
    settings->setConvertOptionMode(Tarn::ConvertOptionAsk);
    settings->setConvertSaveMode(Tarn::ConvertSaveInConvertDir);
    settings->setConvertDestDir(m_root.filePath(QStringLiteral("converted")));
    Tarn::DownloadList *list = AppContext::instance()->getDataManager()->getDownloadList();
    Tarn::UrlLineEdit *entry = m_window->urlLineEdit();
    entry->setText(pageAddress(SampleSite::progressiveId()));
    entry->setFocus();
    QTest::keyClick(entry, Qt::Key_Return);
    QCOMPARE(list->count(), 1);
    Tarn::DownloadItem *download = list->item(0);
    QTRY_COMPARE_WITH_TIMEOUT(download->getStatus(), Tarn::DownloadItem::Finished, 180000);

    int dialogs = 0;
    QTimer answer;
    connect(&answer, &QTimer::timeout, [&dialogs] {
        auto *dialog = qobject_cast<Tarn::ConvertParametersDialog *>(QApplication::activeModalWidget());
        if (!dialog || dialog->property("answered").toBool())
            return;
        dialog->setProperty("answered", true);
        ++dialogs;
        if (dialog->selectCategory(QStringLiteral("Audio")) && dialog->selectProfile(QStringLiteral("MP3 Small")))
            dialog->acceptButton()->click();
        else
            dialog->cancelButton()->click();
    });
    answer.start(20);
    m_window->downloadWidget()->getTableView()->selectRow(0);
    QVERIFY(m_window->downloadWidget()->convertAction()->isEnabled());
    m_window->downloadWidget()->convertAction()->trigger();
    answer.stop();
    QCOMPARE(dialogs, 1);
    QCOMPARE(m_window->convertListButton()->additionalText(), QStringLiteral("1"));

    Tarn::ConvertItem *item = m_window->convertWidget()->getModel()->item(0);
    QVERIFY(item);
    QTRY_VERIFY_WITH_TIMEOUT(!item->isWorking(), 180000);
    QCOMPARE(item->getStatus(), Tarn::ConvertItem::StatusFinished);
    const TestTools::ProbeResult probe = TestTools::probeStreams(item->getConvertParameters().getDestFile());
    QVERIFY2(probe.ok, qPrintable(probe.error));
    QCOMPARE(probe.streamsOfType(QStringLiteral("audio")).value(0).codecName, QStringLiteral("mp3"));
    QVERIFY(probe.streamsOfType(QStringLiteral("video")).isEmpty());

    m_window.reset();
    AppContext::instance()->getDataManager()->clear();
}

void MainWindowTest::enterDownloadsAndClosingAsksWhileItRuns()
{
    Tarn::DownloadList *list = AppContext::instance()->getDataManager()->getDownloadList();
    QCOMPARE(list->count(), 0);
    // Slow enough to be still running when the window is asked to close.
    m_server.setBandwidthLimit(32 * 1024);
    Tarn::UrlLineEdit *entry = m_window->urlLineEdit();
    entry->setFocus();
    QTest::keyClicks(entry, pageAddress(SampleSite::dashId()));
    QTest::keyClick(entry, Qt::Key_Return);
    QCOMPARE(list->count(), 1);
    QVERIFY(entry->text().isEmpty());
    QCOMPARE(m_window->downloadListButton()->additionalText(), QStringLiteral("1"));
    Tarn::DownloadItem *item = list->item(0);
    QVERIFY(item->isWorking());

    {
        BoxAnswerer no(QDialogButtonBox::No);
        QVERIFY(!m_window->close());
        QCOMPARE(no.count(), 1);
        QVERIFY(no.texts().at(0).contains(QStringLiteral("Are you sure to exit?")));
    }
    QVERIFY(m_window->isVisible());
    QCOMPARE(list->count(), 1);
    QVERIFY(!m_window->isDarkShadowShown());

    m_server.setBandwidthLimit(0);
    QTRY_COMPARE_WITH_TIMEOUT(item->getStatus(), Tarn::DownloadItem::Finished, 180000);
    QVERIFY(QFileInfo(item->getDestFile()).size() > 0);

    // Finished work is no reason to ask; closing clears the core.
    BoxAnswerer none(QDialogButtonBox::No);
    QVERIFY(m_window->close());
    QCOMPARE(none.count(), 0);
    QCOMPARE(list->count(), 0);
}

void MainWindowTest::qualityPopupHangsUnderItsButtonAndYieldsToBoxes()
{
    m_window->urlLineEdit()->setText(pageAddress(SampleSite::progressiveId()));
    QTest::mouseClick(m_window->advancedButton(), Qt::LeftButton);
    QPointer<Tarn::DownloadParametersDialog> popup = m_window->downloadParametersDialog();
    QVERIFY(popup);
    QTRY_VERIFY(popup->popupState() == Tarn::PopupDialog::Opened);
    const QPoint corner = m_window->advancedButton()->mapToGlobal(
        QPoint(m_window->advancedButton()->width(), m_window->advancedButton()->height()));
    QCOMPARE(popup->mapToGlobal(QPoint(popup->width(), 0)), corner);

    // A box over the window closes the pop-up first.
    QTimer::singleShot(100, qApp, [] {
        if (auto *box = qobject_cast<KelMessageBox *>(QApplication::activeModalWidget()))
            box->accept();
    });
    MainWindowUtils::alert(QStringLiteral("Getting media information failed: x"));
    QTRY_VERIFY(!popup);
}

QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
