#include "marlin/mainwindow/mainwindow.h"

#include "marlin/convert/convertlistmodel.h"
#include "marlin/convert/convertwidget.h"
#include "marlin/download/downloadwidget.h"
#include "marlin/mainwindow/mainwindowutils.h"
#include "marlin/quality/downloadparametersdialog.h"
#include "marlin/settings/settingwidget.h"

#include "kelframe/kelapplication.h"
#include "kelframe/kelfolders.h"
#include "kelframe/keliconlabel.h"
#include "kelframe/kellangitemmodel.h"
#include "kelframe/kelpref.h"
#include "kelframe/kelproductinfo.h"
#include "kelframe/kelskin.h"
#include "shared/kellog.h"
#include "shared/keltext.h"
#include "tarncore/convert/convertmanager.h"
#include "tarncore/download/appcontext.h"
#include "tarncore/download/datamanager.h"
#include "tarncore/download/downloaditem.h"
#include "tarncore/download/downloadmanager.h"
#include "tarncore/download/downloadparameters.h"
#include "tarncore/services/puxupdater.h"
#include "widgetkit/balloonmessage.h"
#include "widgetkit/balloonmessagedialog.h"
#include "widgetkit/navigatorbuttonwidget.h"
#include "widgetkit/listtableview.h"
#include "widgetkit/listthumbview.h"
#include "widgetkit/nofocusrectstyle.h"
#include "widgetkit/popupdialog.h"
#include "widgetkit/urllineedit.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDialog>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QShortcut>
#include <QStackedWidget>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QUrlQuery>
#include <QVBoxLayout>

#include <initializer_list>

namespace Tarn {

namespace {

// The page shown when the window last closed, by its navigator button.
const char *const PageKey = "mainwindow/page";

constexpr int UrlBarHeight = 80;
constexpr int NavigatorWidth = 176;
constexpr int NavigatorButtonHeight = 45;
constexpr int ControlHeight = 36;
// Where a balloon sits: inside the window's bottom-right corner.
constexpr int BalloonRightInset = 11;
constexpr int BalloonBottomInset = 71;

DownloadManager *downloadManager()
{
    return AppContext::instance()->getDownloadManager();
}

} // namespace

MainWindow::MainWindow(QWidget *parent)
    : KelMainWindow(parent)
{
    MainWindowUtils::instance()->setParent(this);
    setObjectName(QStringLiteral("MainWindow"));
    buildUi();
    connectSignals();
}

MainWindow::~MainWindow()
{
    // The utilities outlive the window: code running after it (the entry
    // point, a late alert) still reaches them.
    MainWindowUtils::instance()->setParent(nullptr);
}

void MainWindow::buildUi()
{
    setMenuBarShown(false);
    setStatusBarShown(false);
    setTitleShowMenu(true);
    setAcceptDrops(true);

    // The URL bar fills the header from edge to edge; the header's menu
    // button sits at its right end.
    headerWidget()->layout()->setContentsMargins(0, 0, 16, 0);
    setHeaderContent(buildUrlBar());

    auto *body = new QWidget(contentArea());
    body->setObjectName(QStringLiteral("mainBodyWidget"));
    auto *bodyLayout = new QHBoxLayout(body);
    bodyLayout->setContentsMargins(0, 0, 0, 0);
    bodyLayout->setSpacing(0);
    bodyLayout->addWidget(buildNavigator(body));
    m_contentArea = new QStackedWidget(body);
    m_contentArea->setObjectName(QStringLiteral("contentAreaWidget"));
    bodyLayout->addWidget(m_contentArea, 1);
    setContent(body);

    // Made inside the stack: moving a built page into the styled window
    // would make the style sheet restyle all of it a second time.
    m_downloadWidget = new DownloadWidget(m_contentArea);
    m_downloadWidget->setObjectName(QStringLiteral("downloadWidget"));
    setPage(m_downloadListBtn, m_downloadWidget);
    // The conversion page is not seen at the start: an empty stand-in keeps
    // its place (and shows its button) until the page is made, right after
    // the window has shown or as soon as it is asked for.
    auto *convertStandIn = new QWidget(m_contentArea);
    convertStandIn->setObjectName(QStringLiteral("convertStandIn"));
    setPage(m_convertListBtn, convertStandIn);
    // The same for the settings page.
    auto *settingsStandIn = new QWidget(m_contentArea);
    settingsStandIn->setObjectName(QStringLiteral("settingsStandIn"));
    setPage(m_settingsBtn, settingsStandIn);

    m_urlLineEdit->installEventFilter(this);
    m_urlLineEdit->setAttribute(Qt::WA_MacShowFocusRect, false);
    m_downloadListBtn->setChecked(true);

    auto *focusEntry = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_L), this);
    connect(focusEntry, &QShortcut::activated, this, [this] {
        m_urlLineEdit->setFocus(Qt::ShortcutFocusReason);
        m_urlLineEdit->selectAll();
    });
}

QWidget *MainWindow::buildUrlBar()
{
    m_urlDownloadWidget = new QWidget(headerWidget());
    m_urlDownloadWidget->setObjectName(QStringLiteral("urlDownloadWidget"));
    m_urlDownloadWidget->setFixedHeight(UrlBarHeight);
    auto *layout = new QHBoxLayout(m_urlDownloadWidget);
    layout->setContentsMargins(0, 0, 8, 0);
    layout->setSpacing(8);

    // The program's mark above the navigator; the entry starts where the
    // pages start.
    auto *brand = new QWidget(m_urlDownloadWidget);
    m_brandWidget = brand;
    brand->setObjectName(QStringLiteral("brandWidget"));
    brand->setFixedWidth(NavigatorWidth);
    auto *brandLayout = new QHBoxLayout(brand);
    brandLayout->setContentsMargins(16, 0, 8, 0);
    brandLayout->setSpacing(8);
    brandLayout->addWidget(new KelIconLabel(QStringLiteral("marlin"), 24, brand));
    m_brandLabel = new QLabel(brand);
    m_brandLabel->setObjectName(QStringLiteral("brandLabel"));
    brandLayout->addWidget(m_brandLabel, 1);
    layout->addWidget(brand);
    layout->addSpacing(8);

    m_urlLineEdit = new UrlLineEdit(m_urlDownloadWidget);
    m_urlLineEdit->setObjectName(QStringLiteral("urlLineEdit"));
    m_urlLineEdit->setMinimumWidth(260);
    m_urlLineEdit->setFixedHeight(ControlHeight);
    layout->addWidget(m_urlLineEdit, 1);

    // DOWNLOAD and the quality choice read as one split button.
    auto *group = new QWidget(m_urlDownloadWidget);
    group->setObjectName(QStringLiteral("downloadButtonGroup"));
    auto *groupLayout = new QHBoxLayout(group);
    groupLayout->setContentsMargins(0, 0, 0, 0);
    groupLayout->setSpacing(0);
    m_downloadBtn = new QPushButton(group);
    m_downloadBtn->setObjectName(QStringLiteral("downloadBtn"));
    m_downloadBtn->setProperty("primary", true);
    m_downloadBtn->setFixedHeight(ControlHeight);
    m_downloadBtn->setIconSize(QSize(16, 16));
    m_advancedBtn = new QPushButton(group);
    m_advancedBtn->setObjectName(QStringLiteral("advancedBtn"));
    m_advancedBtn->setProperty("primary", true);
    m_advancedBtn->setFixedSize(ControlHeight, ControlHeight);
    m_advancedBtn->setIconSize(QSize(16, 16));
    // The pages style their views so themselves; a window built before the
    // skin's sheet is in place styles all of them again once it is.
    m_styledUnderSheet = KelSkin::isApplied();
    for (QPushButton *button : {m_downloadBtn, m_advancedBtn}) {
        button->setAutoDefault(false);
        if (m_styledUnderSheet)
            button->setStyle(NoFocusRectStyle::sharedInstance());
    }
    groupLayout->addWidget(m_downloadBtn);
    groupLayout->addWidget(m_advancedBtn);
    layout->addWidget(group);
    return m_urlDownloadWidget;
}

QWidget *MainWindow::buildNavigator(QWidget *parent)
{
    m_leftWidget = new QWidget(parent);
    m_leftWidget->setObjectName(QStringLiteral("leftWidget"));
    m_leftWidget->setAttribute(Qt::WA_StyledBackground);
    m_leftWidget->setFixedWidth(NavigatorWidth);
    auto *layout = new QVBoxLayout(m_leftWidget);
    layout->setContentsMargins(8, 12, 8, 12);
    layout->setSpacing(4);

    auto makeButton = [this, layout](const char *name, const char *icon) {
        auto *button = new NavigatorButtonWidget(m_leftWidget);
        button->setObjectName(QLatin1String(name));
        button->setIconName(QLatin1String(icon));
        button->setFixedHeight(NavigatorButtonHeight);
        // A page's button shows once the page is in the stack.
        button->hide();
        layout->addWidget(button);
        m_navigator.append(button);
        return button;
    };
    m_downloadListBtn = makeButton("downloadListBtn", "download");
    m_convertListBtn = makeButton("convertListBtn", "convert");
    m_settingsBtn = makeButton("settingsBtn", "settings");
    layout->addStretch(1);

    m_shareWidget = new QWidget(m_leftWidget);
    m_shareWidget->setObjectName(QStringLiteral("shareWidget"));
    auto *shareLayout = new QHBoxLayout(m_shareWidget);
    shareLayout->setContentsMargins(8, 0, 0, 0);
    shareLayout->setSpacing(2);
    m_shareLabel = new QLabel(m_shareWidget);
    m_shareLabel->setObjectName(QStringLiteral("shareLabel"));
    m_shareLabel->setProperty("dim", true);
    shareLayout->addWidget(m_shareLabel);
    shareLayout->addStretch(1);
    m_facebookBtn = new QToolButton(m_shareWidget);
    m_facebookBtn->setObjectName(QStringLiteral("facebookBtn"));
    m_twitterBtn = new QToolButton(m_shareWidget);
    m_twitterBtn->setObjectName(QStringLiteral("twitterBtn"));
    for (QToolButton *button : {m_facebookBtn, m_twitterBtn}) {
        button->setAutoRaise(true);
        button->setIconSize(QSize(16, 16));
        button->setFocusPolicy(Qt::TabFocus);
        shareLayout->addWidget(button);
    }
    layout->addWidget(m_shareWidget);
    updateShareButtons();
    return m_leftWidget;
}

void MainWindow::connectSignals()
{
    connect(BalloonMessage::getInstance(), &BalloonMessage::message, this, &MainWindow::onBalloonMessage);
    MainWindowUtils *utils = MainWindowUtils::instance();
    connect(utils, &MainWindowUtils::notifyShowDarkShadow, this, &MainWindow::showDarkShadow);
    connect(utils, &MainWindowUtils::notifyClearDarkShadow, this, &MainWindow::clearDarkShadow);
    connect(m_downloadBtn, &QPushButton::clicked, this, [this] { onQuickDownload(); });
    connect(m_advancedBtn, &QPushButton::clicked, this, [this] { onAdvancedDownload(); });
    for (NavigatorButtonWidget *button : qAsConst(m_navigator))
        connect(button, &QPushButton::clicked, this, &MainWindow::onNavigatorButtonChecked);
    // Queued: the entry finishes its own handling of the edit first.
    connect(m_urlLineEdit, &QLineEdit::textEdited, this, &MainWindow::onUrlTextChanged, Qt::QueuedConnection);
    connect(m_facebookBtn, &QToolButton::clicked, this, &MainWindow::onShareButtonClicked);
    connect(m_twitterBtn, &QToolButton::clicked, this, &MainWindow::onShareButtonClicked);
    connect(m_downloadWidget, &DownloadWidget::downloadOtherFormat, this,
            qOverload<const QString &>(&MainWindow::onAdvancedDownload));
    connect(m_downloadWidget, &DownloadWidget::listSizeChanged, this, &MainWindow::onDownloadListSizeChanged);
}

BalloonMessageDialog *MainWindow::balloonDialog()
{
    // Made for the first balloon: most starts show none.
    if (!m_balloon) {
        m_balloon = new BalloonMessageDialog(this);
        m_balloon->setObjectName(QStringLiteral("balloonMessageDialog"));
    }
    return m_balloon;
}

ConvertWidget *MainWindow::convertWidget()
{
    ensureConvertPage();
    return m_convertWidget;
}

void MainWindow::ensureSettingsPage()
{
    if (m_settingsWidget)
        return;
    // After the conversion page: the settings page relays with it.
    ensureConvertPage();
    m_settingsWidget = new SettingWidget(m_contentArea);
    setPage(m_settingsBtn, m_settingsWidget);
    setLanguageProperty();
}

void MainWindow::ensureConvertPage()
{
    if (m_convertWidget)
        return;
    m_convertWidget = new ConvertWidget(m_contentArea);
    setPage(m_convertListBtn, m_convertWidget);
    connect(m_downloadWidget, &DownloadWidget::convert, m_convertWidget, &ConvertWidget::onConvert);
    connect(m_convertWidget, &ConvertWidget::listSizeChanged, this, &MainWindow::onConvertListSizeChanged);
    if (const int size = m_convertWidget->getModel()->rowCount())
        onConvertListSizeChanged(size);
    setLanguageProperty();
}

bool MainWindow::initialize()
{
    if (!KelMainWindow::initialize())
        return false;
    // The core's start and the update check do nothing the user could see:
    // they run right after the window has shown.
    QTimer::singleShot(0, this, &MainWindow::startCore);
    // After the skin's style sheet is in place, so that the sheet still
    // styles them on top of this style. A window built under the sheet has
    // them styled so already: styling them again would restyle each view
    // with all its parts.
    if (!m_styledUnderSheet) {
        for (QWidget *widget : std::initializer_list<QWidget *>{m_downloadBtn, m_advancedBtn,
                                                                m_downloadWidget->getTableView(),
                                                                m_downloadWidget->getThumbView()})
            widget->setStyle(NoFocusRectStyle::sharedInstance());
        if (m_convertWidget) {
            for (QWidget *widget : std::initializer_list<QWidget *>{m_convertWidget->getTableView(),
                                                                    m_convertWidget->getThumbView()})
                widget->setStyle(NoFocusRectStyle::sharedInstance());
        }
        m_styledUnderSheet = true;
    }

    const QString stored = KelPref::instance()->value(QLatin1String(PageKey)).toString();
    for (NavigatorButtonWidget *button : qAsConst(m_navigator)) {
        if (button->objectName() == stored && page(button))
            showPage(button, false);
    }
    return true;
}

void MainWindow::startCore()
{
    if (m_coreStarted)
        return;
    m_coreStarted = true;
    // Before the lists load, so that the page shows them as they arrive.
    ensureConvertPage();
    ensureSettingsPage();
    AppContext::instance()->init();
    startUpdater();
    // After a pending update is in place: the extractor tool starts now, in
    // the background, so that the first address gets its qualities without
    // waiting for the tool's start.
    AppContext::instance()->getDownloadManager()->prepareMediaInfo();
}

void MainWindow::startUpdater()
{
    m_updater = PuxUpdater::instance();
    if (!m_updater)
        return;
    connect(m_updater, &PuxUpdater::foundNewPuxVersion, this, &MainWindow::onPUXUpdateNewVersion);
    connect(m_updater, &PuxUpdater::downloadProgress, this, &MainWindow::onPUXUpdateProgress);
    connect(m_updater, &PuxUpdater::done, this, &MainWindow::onPUXUpdateDone);
    if (m_updater->appDataDir().isEmpty())
        m_updater->setAppDataDir(Kel::appDataPath());
    m_updater->tryRename();
    // The update description of our own server when the product names one,
    // else the tool's own signed releases.
    m_updater->checkForUpdate(KelLangItemModel::currentLangName());
}

void MainWindow::onUseShippedTool()
{
    if (m_updater && !m_updater->useShippedTool())
        KEL_ERROR("The choice of the shipped extractor tool could not be recorded");
}

void MainWindow::setPage(NavigatorButtonWidget *button, QWidget *page)
{
    if (!button || !page || !m_navigator.contains(button))
        return;
    if (QWidget *old = this->page(button)) {
        m_contentArea->removeWidget(old);
        old->deleteLater();
    }
    page->setProperty("navigatorButton", QVariant::fromValue<QObject *>(button));
    m_contentArea->addWidget(page);
    button->show();
    if (button->isChecked())
        m_contentArea->setCurrentWidget(page);
}

QWidget *MainWindow::page(NavigatorButtonWidget *button) const
{
    for (int i = 0; i < m_contentArea->count(); ++i) {
        QWidget *widget = m_contentArea->widget(i);
        if (widget->property("navigatorButton").value<QObject *>() == button)
            return widget;
    }
    return nullptr;
}

NavigatorButtonWidget *MainWindow::currentNavigatorButton() const
{
    for (NavigatorButtonWidget *button : m_navigator) {
        if (button->isChecked())
            return button;
    }
    return nullptr;
}

void MainWindow::showPage(NavigatorButtonWidget *button, bool focus)
{
    if (button == m_convertListBtn)
        ensureConvertPage();
    else if (button == m_settingsBtn)
        ensureSettingsPage();
    for (NavigatorButtonWidget *other : qAsConst(m_navigator))
        other->setChecked(other == button);
    QWidget *widget = page(button);
    if (!widget)
        return;
    m_contentArea->setCurrentWidget(widget);
    if (focus)
        widget->setFocus(Qt::OtherFocusReason);
    KelPref::instance()->setValue(QLatin1String(PageKey), button->objectName());
}

void MainWindow::onNavigatorButtonChecked(bool checked)
{
    auto *button = qobject_cast<NavigatorButtonWidget *>(sender());
    if (!button)
        return;
    // One page is always chosen: a click on the current one keeps it.
    if (!checked)
        button->setChecked(true);
    showPage(button, true);
}

void MainWindow::onShowDownloadList()
{
    showPage(m_downloadListBtn, true);
}

void MainWindow::onShowConvertList()
{
    showPage(m_convertListBtn, true);
}

void MainWindow::onShowSettings()
{
    showPage(m_settingsBtn, true);
}

void MainWindow::onSocialNetworks()
{
}

void MainWindow::onDownloadListSizeChanged(int size)
{
    m_downloadListBtn->setAdditionalText(QString::number(size));
}

void MainWindow::onConvertListSizeChanged(int size)
{
    m_convertListBtn->setAdditionalText(QString::number(size));
}

bool MainWindow::isValidUrl(const QString &text, bool balloons)
{
    if (text.isEmpty()) {
        if (balloons)
            BalloonMessage::getInstance()->balloon(tr("Please enter the URL."), QStringLiteral("download"));
        return false;
    }
    if (!DownloadManager::isDownloadableUrl(DownloadManager::makeupDownloadableUrl(text))) {
        if (balloons)
            BalloonMessage::getInstance()->balloon(tr("The URL is invalid."), QStringLiteral("download"));
        return false;
    }
    return true;
}

bool MainWindow::isNewUrl(const QString &text) const
{
    return isValidUrl(text, false) && !m_downloadWidget->hasUrl(DownloadManager::makeupDownloadableUrl(text));
}

void MainWindow::onQuickDownload()
{
    const QString text = m_urlLineEdit->text().trimmed();
    if (!isValidUrl(text, true))
        return;
    startCore();
    const QString url = DownloadManager::makeupDownloadableUrl(text);
    if (!m_downloadWidget->canAddDownload(url, DownloadItem::getDefaultQuality(url)))
        return;
    m_urlLineEdit->clear();
    m_downloadWidget->onDownload(url);
}

DownloadParametersDialog *MainWindow::downloadParametersDialog() const
{
    return m_parametersDialog;
}

void MainWindow::onAdvancedDownload()
{
    onAdvancedDownload(m_urlLineEdit->text().trimmed());
}

void MainWindow::onAdvancedDownload(const QString &url)
{
    const QString text = url.trimmed();
    if (!isValidUrl(text, true))
        return;
    startCore();
    // One quality choice at a time.
    if (m_parametersDialog)
        m_parametersDialog->reject();
    auto *dialog = new DownloadParametersDialog(DownloadManager::makeupDownloadableUrl(text), this);
    m_parametersDialog = dialog;
    connect(dialog, &DownloadParametersDialog::download, this, &MainWindow::onParameterDownload);
    connect(this, &MainWindow::retranslating, dialog, &DownloadParametersDialog::retranslate);
    connect(this, &MainWindow::hideDownloadParametersDialog, dialog, &DownloadParametersDialog::reject);
    const QPoint anchor = m_advancedBtn->mapToGlobal(QPoint(m_advancedBtn->width(), m_advancedBtn->height()));
    dialog->setPosInfo(anchor, 0, PopupDialog::TopRight);
    dialog->setPopupDirection(PopupDialog::InPlace);
    dialog->show();
    dialog->setFocus(Qt::PopupFocusReason);
}

void MainWindow::onParameterDownload(const DownloadParameters &param)
{
    if (!param.isValid())
        return;
    startCore();
    const QString url = param.getUrl();
    if (!m_downloadWidget->canAddDownload(url, param.getDownloadQuality()))
        return;
    m_urlLineEdit->clear();
    m_downloadWidget->onDownload(url, param);
}

void MainWindow::onUrlTextChanged(const QString &text)
{
    if (text == m_lastPrefetchUrl)
        return;
    const QString trimmed = text.trimmed();
    if (!isNewUrl(trimmed))
        return;
    // Typing around an address already fetched fetches nothing new.
    if (isNewUrl(m_lastPrefetchUrl)
        && (trimmed.contains(m_lastPrefetchUrl, Qt::CaseInsensitive)
            || m_lastPrefetchUrl.contains(trimmed, Qt::CaseInsensitive)))
        return;
    prefetch(trimmed);
}

void MainWindow::prefetch(const QString &text)
{
    startCore();
    m_lastPrefetchUrl = text;
    downloadManager()->getMediaInfoBySignal(DownloadManager::makeupDownloadableUrl(text));
}

void MainWindow::pickUpClipboard()
{
    const QString clip = QGuiApplication::clipboard()->text().trimmed();
    const QString entry = m_urlLineEdit->text().trimmed();
    if (clip != entry) {
        if (clip != m_ignoredClipboard && isNewUrl(clip)) {
            m_urlLineEdit->setFocus(Qt::ActiveWindowFocusReason);
            m_urlLineEdit->setText(clip);
            m_urlLineEdit->setCursorPosition(0);
            startCore();
            downloadManager()->getMediaInfoBySignal(DownloadManager::makeupDownloadableUrl(clip));
        } else if (isNewUrl(entry)) {
            m_urlLineEdit->setFocus(Qt::ActiveWindowFocusReason);
            m_urlLineEdit->setCursorPosition(0);
        }
    } else if (!clip.isEmpty()) {
        m_urlLineEdit->setFocus(Qt::ActiveWindowFocusReason);
        m_urlLineEdit->setCursorPosition(0);
    }
}

void MainWindow::openUrl(const QString &url)
{
    const QString text = url.trimmed();
    if (text.isEmpty())
        return;
    showPage(m_downloadListBtn, false);
    m_ignoredClipboard = QGuiApplication::clipboard()->text().trimmed();
    m_urlLineEdit->setText(text);
    m_urlLineEdit->setFocus(Qt::OtherFocusReason);
    m_urlLineEdit->setCursorPosition(0);
    if (isValidUrl(text, true) && isNewUrl(text))
        prefetch(text);
}

void MainWindow::onBalloonMessage(const QString &text, const QString &msgId, int mode, const QString &type)
{
    // A notice about something the user is not looking at would show up
    // later, out of context.
    if (!isActiveWindow())
        return;
    balloonDialog();
    placeBalloon();
    m_balloon->message(text, msgId, mode, type);
}

void MainWindow::placeBalloon()
{
    const QRect window = geometry();
    m_balloon->move(window.right() - BalloonRightInset - m_balloon->width() + 1,
                    window.bottom() - BalloonBottomInset - m_balloon->height() + 1);
}

void MainWindow::moveEvent(QMoveEvent *event)
{
    KelMainWindow::moveEvent(event);
    if (m_balloon && m_balloon->isVisible())
        placeBalloon();
}

void MainWindow::resizeEvent(QResizeEvent *event)
{
    KelMainWindow::resizeEvent(event);
    if (m_balloon && m_balloon->isVisible())
        placeBalloon();
}

void MainWindow::showDarkShadow()
{
    ++m_shadowDepth;
    // Under a box raised while another program is in front there is
    // nothing to dim the window for.
    if (!isActiveWindow() && !isDarkShadowShown())
        return;
    emit hideDownloadParametersDialog();
    KelMainWindow::showDarkShadow();
}

void MainWindow::clearDarkShadow()
{
    // A box over a dialog over the window: the shadow stays for the dialog.
    if (m_shadowDepth > 0)
        --m_shadowDepth;
    if (m_shadowDepth == 0)
        KelMainWindow::clearDarkShadow();
}

void MainWindow::onShareButtonClicked()
{
    const QObject *button = sender();
    QUrl target;
    if (button == m_facebookBtn) {
        target = QUrl(QStringLiteral("https://www.facebook.com/sharer/sharer.php"));
        QUrlQuery query;
        query.addQueryItem(QStringLiteral("u"), QString::fromLatin1(QUrl::toPercentEncoding(AppContext::getShareUrl_f())));
        target.setQuery(query);
    } else if (button == m_twitterBtn) {
        target = QUrl(QStringLiteral("https://twitter.com/intent/tweet"));
        QUrlQuery query;
        query.addQueryItem(QStringLiteral("text"),
                           QString::fromLatin1(QUrl::toPercentEncoding(
                               tr("%1 downloads videos and converts media files.")
                                   .arg(QGuiApplication::applicationDisplayName()))));
        query.addQueryItem(QStringLiteral("url"), QString::fromLatin1(QUrl::toPercentEncoding(AppContext::getShareUrl_t())));
        target.setQuery(query);
    } else {
        return;
    }
    if (!QDesktopServices::openUrl(target))
        KEL_ERROR("Open the share page failed: %s", qUtf8Printable(target.toString()));
}

void MainWindow::updateShareButtons()
{
    // Without a page to share there is nothing to offer.
    m_shareWidget->setVisible(!AppContext::getShareUrl_f().isEmpty());
}

void MainWindow::onPUXUpdateNewVersion(const QString &newVersion, const QString &description)
{
    Q_UNUSED(description)
    KEL_INFO("A new version %s of the extractor tool is available; updating", qUtf8Printable(newVersion));
    if (m_updater)
        m_updater->update();
}

void MainWindow::onPUXUpdateProgress(int done, int total)
{
    Q_UNUSED(done)
    Q_UNUSED(total)
}

void MainWindow::onPUXUpdateDone(bool error)
{
    Q_UNUSED(error)
}

void MainWindow::createTitleButtonMenu()
{
    auto *menu = new QMenu(this);
    menu->addSeparator();
    if (KelProductInfo::isTrue(QString::fromLatin1(KelProductInfo::SupportMenuSkinKey)))
        menu->addMenu(skinMenu());
    menu->addMenu(languageMenu());
    menu->addSeparator();
    menu->addAction(helpAction());
    menu->addAction(aboutAction());
    menu->addSeparator();
    if (KelProductInfo::value(QString::fromLatin1(KelProductInfo::SupportMenuUpdateKey))
            .compare(QLatin1String("false"), Qt::CaseInsensitive)
        != 0)
    {
        menu->addAction(checkUpdateAction());
        menu->addAction(useShippedToolAction());
    }
    menu->addAction(exitAction());
    setTitleButtonMenu(menu);
    // Offered while an updated tool is in use.
    connect(menu, &QMenu::aboutToShow, this,
            [this] { useShippedToolAction()->setEnabled(m_updater && !m_updater->puxSourceUrl().isEmpty()); });
    connect(this, &KelMainWindow::useShippedToolRequested, this, &MainWindow::onUseShippedTool, Qt::UniqueConnection);

    if (auto *button = findChild<QToolButton *>(QStringLiteral("menuButton")))
        connect(button, &QToolButton::pressed, this, &MainWindow::menuButtonPressed, Qt::UniqueConnection);
}

void MainWindow::onAbout()
{
    MainWindowUtils *utils = MainWindowUtils::instance();
    emit utils->notifyShowDarkShadow();
    KelMainWindow::onAbout();
    emit utils->notifyClearDarkShadow();
}

void MainWindow::onCheckUpdate()
{
    // The user's own check also ends a choice of the shipped extractor tool.
    if (m_updater)
        m_updater->checkForUpdate(KelLangItemModel::currentLangName(), true);
    MainWindowUtils *utils = MainWindowUtils::instance();
    emit utils->notifyShowDarkShadow();
    KelMainWindow::onCheckUpdate();
    emit utils->notifyClearDarkShadow();
}

void MainWindow::retranslate()
{
    KelMainWindow::retranslate();
    // The desktop shows the title in the title bar and the task bar.
    setWindowTitle(QGuiApplication::applicationDisplayName());
    m_downloadBtn->setText(tr("DOWNLOAD"));
    m_downloadBtn->setToolTip(tr("Download"));
    m_advancedBtn->setText(QString());
    m_advancedBtn->setToolTip(tr("Advanced Download Settings"));
    m_advancedBtn->setAccessibleName(tr("Advanced Download Settings"));
    m_facebookBtn->setToolTip(tr("Share to Facebook ..."));
    m_twitterBtn->setToolTip(tr("Share to Twitter ..."));
    m_shareLabel->setText(tr("Share"));
    m_brandLabel->setText(QGuiApplication::applicationDisplayName());
    m_downloadListBtn->setText(tr("Download"));
    m_convertListBtn->setText(tr("Convert"));
    m_settingsBtn->setText(tr("Settings"));
    m_urlLineEdit->setPlaceholderText(tr("Paste URL here"));
    m_urlLineEdit->setAccessibleName(tr("Video page address"));
    fitNavigator();
    setLanguageProperty();
    // Texts of another length: the bar lays its buttons out again.
    m_downloadBtn->parentWidget()->layout()->invalidate();
    m_urlDownloadWidget->layout()->invalidate();
    emit retranslating();
}

// The navigator is as wide as its longest name needs, with room for a
// three-digit counter beside it, and never narrower than its usual width;
// the program's mark above it follows, so that the address bar stays in line
// with the pages.
void MainWindow::fitNavigator()
{
    QFont bold = m_downloadListBtn->font();
    bold.setWeight(QFont::DemiBold);
    const QFontMetrics names(bold);
    int widest = 0;
    for (NavigatorButtonWidget *button : qAsConst(m_navigator))
        widest = qMax(widest, names.horizontalAdvance(button->text()));
    // The column's margins (8 + 8), the button's (12 + 10), the icon (16)
    // and the spaces between icon, name and counter (10 + 10); the counter
    // pads its number by 7 on each side.
    const int counter = QFontMetrics(m_downloadListBtn->font()).horizontalAdvance(QStringLiteral("999")) + 14;
    const int width = qMax(NavigatorWidth, 8 + 12 + 16 + 10 + widest + 10 + counter + 10 + 8);
    m_leftWidget->setFixedWidth(width);
    m_brandWidget->setFixedWidth(width);
}

// Style-sheet rules may depend on the language (a longer word needs a
// smaller font or a wider button).
void MainWindow::setLanguageProperty()
{
    const QString language = KelLangItemModel::currentLangName();
    const bool languageRules = qApp->styleSheet().contains(QLatin1String("[language"));
    const QList<QWidget *> widgets = findChildren<QWidget *>();
    for (QWidget *widget : widgets) {
        if (!qobject_cast<QAbstractButton *>(widget) && !qobject_cast<QLabel *>(widget))
            continue;
        if (widget->property("language").toString() == language)
            continue;
        widget->setProperty("language", language);
        // A widget not styled yet takes the property when it first is; one
        // styled already is styled again only when the sheet has rules
        // that ask for the language.
        if (languageRules && widget->testAttribute(Qt::WA_WState_Polished))
            KelSkin::repolish(widget);
    }
}

void MainWindow::updateUiState()
{
    KelMainWindow::updateUiState();
    m_downloadBtn->setIcon(KelSkin::icon(QStringLiteral("download-on-accent")));
    m_advancedBtn->setIcon(KelSkin::icon(QStringLiteral("pan-down-on-accent")));
    m_facebookBtn->setIcon(KelSkin::icon(QStringLiteral("share-facebook")));
    m_twitterBtn->setIcon(KelSkin::icon(QStringLiteral("share-twitter")));
}

bool MainWindow::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate)
        pickUpClipboard();
    return KelMainWindow::event(event);
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_urlLineEdit) {
        switch (event->type()) {
        case QEvent::KeyPress: {
            const auto *key = static_cast<QKeyEvent *>(event);
            if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
                if (isValidUrl(m_urlLineEdit->text().trimmed(), false))
                    onQuickDownload();
            }
            break;
        }
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto *drag = static_cast<QDragMoveEvent *>(event);
            if (dropsAddress(drag->mimeData(), nullptr)) {
                drag->acceptProposedAction();
                return true;
            }
            break;
        }
        case QEvent::Drop: {
            auto *drop = static_cast<QDropEvent *>(event);
            QString address;
            if (dropsAddress(drop->mimeData(), &address)) {
                drop->acceptProposedAction();
                openUrl(address);
                return true;
            }
            break;
        }
        default:
            break;
        }
    }
    return KelMainWindow::eventFilter(watched, event);
}

bool MainWindow::dropsAddress(const QMimeData *mime, QString *address) const
{
    if (!mime)
        return false;
    QString found;
    if (mime->hasUrls()) {
        const QList<QUrl> urls = mime->urls();
        for (const QUrl &url : urls) {
            const QString scheme = url.scheme().toLower();
            if (scheme == QLatin1String("http") || scheme == QLatin1String("https")) {
                found = url.toString();
                break;
            }
        }
    }
    if (found.isEmpty() && mime->hasText()) {
        const QString text = mime->text().trimmed();
        if (Kel::Text::isWebAddress(text))
            found = text;
    }
    if (found.isEmpty())
        return false;
    if (address)
        *address = found;
    return true;
}

void MainWindow::dragEnterEvent(QDragEnterEvent *event)
{
    if (dropsAddress(event->mimeData(), nullptr))
        event->acceptProposedAction();
    else
        KelMainWindow::dragEnterEvent(event);
}

void MainWindow::dropEvent(QDropEvent *event)
{
    QString address;
    if (dropsAddress(event->mimeData(), &address)) {
        event->acceptProposedAction();
        activateWindow();
        openUrl(address);
        return;
    }
    KelMainWindow::dropEvent(event);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (!m_shutDown && !m_closeWithoutAsking && AppContext::instance()->getDataManager()->hasWorkItem()) {
        const QDialogButtonBox::StandardButton answer = MainWindowUtils::question(
            tr("The video is being downloaded/converted. \nAre you sure to exit?"), QString(),
            QDialogButtonBox::Yes | QDialogButtonBox::No, QDialogButtonBox::No);
        // The run may have been ended while the question was up.
        if (answer != QDialogButtonBox::Yes && !m_shutDown) {
            event->ignore();
            return;
        }
    }
    if (!m_shutDown)
        shutDown();
    KelMainWindow::closeEvent(event);
    event->accept();
}

void MainWindow::shutDown()
{
    m_shutDown = true;
    if (m_balloon)
        m_balloon->close();
    AppContext *context = AppContext::instance();
    context->getDownloadManager()->clear();
    context->getConvertManager()->clear();
    context->getDataManager()->clear();
}

void MainWindow::endRun(int signalNumber)
{
    KEL_INFO("Ending the run on signal %d", signalNumber);
    m_exitCode = 128 + signalNumber;
    m_closeWithoutAsking = true;
    // Open boxes and dialogs go first, so that nothing waits for an answer.
    const QList<QWidget *> windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows) {
        if (auto *dialog = qobject_cast<QDialog *>(window); dialog && dialog->isVisible())
            dialog->reject();
    }
    close();
    if (!m_shutDown)
        shutDown();
    QCoreApplication::exit(m_exitCode);
}

} // namespace Tarn
