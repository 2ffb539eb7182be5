#include "kelframe/kelmainwindow.h"

#include "kelframe/kelaboutdialog.h"
#include "kelframe/kelapplication.h"
#include "kelframe/keldarkshadow.h"
#include "kelframe/kellangitemmodel.h"
#include "kelframe/kelmessagebox.h"
#include "kelframe/kelpref.h"
#include "kelframe/kelproductinfo.h"
#include "kelframe/kelskin.h"
#include "shared/kellog.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QMenu>
#include <QMenuBar>
#include <QMetaMethod>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

namespace {

const char *const GeometryKey = "kelframe/window_geometry";
const char *const HelpUrlKey = "HELP_URL";
constexpr QSize DefaultSize(1040, 680);

bool skinMenuWanted()
{
    return KelProductInfo::isTrue(QString::fromLatin1(KelProductInfo::SupportMenuSkinKey));
}

bool updateMenuWanted()
{
    return KelProductInfo::value(QString::fromLatin1(KelProductInfo::SupportMenuUpdateKey))
               .compare(QLatin1String("false"), Qt::CaseInsensitive)
           != 0;
}

} // namespace

KelMainWindow::KelMainWindow(QWidget *parent)
    : QMainWindow(parent)
    , m_frame(new QWidget(this))
    , m_header(new QWidget(m_frame))
    , m_contentArea(new QWidget(m_frame))
    , m_menuButton(new QToolButton(m_header))
    , m_darkShadow(new KelDarkShadow(m_frame))
{
    m_frame->setObjectName(QStringLiteral("widgetFrame"));
    m_header->setObjectName(QStringLiteral("headerWidget"));
    m_contentArea->setObjectName(QStringLiteral("contentArea"));
    m_menuButton->setObjectName(QStringLiteral("menuButton"));
    m_header->setAttribute(Qt::WA_StyledBackground);

    auto *frameLayout = new QVBoxLayout(m_frame);
    frameLayout->setContentsMargins(0, 0, 0, 0);
    frameLayout->setSpacing(0);
    frameLayout->addWidget(m_header);
    frameLayout->addWidget(m_contentArea, 1);

    auto *headerLayout = new QHBoxLayout(m_header);
    headerLayout->setContentsMargins(12, 8, 12, 8);
    headerLayout->setSpacing(8);
    headerLayout->addStretch(1);
    headerLayout->addWidget(m_menuButton, 0, Qt::AlignVCenter);

    auto *contentLayout = new QVBoxLayout(m_contentArea);
    contentLayout->setContentsMargins(0, 0, 0, 0);
    contentLayout->setSpacing(0);

    m_menuButton->setPopupMode(QToolButton::InstantPopup);
    m_menuButton->setAutoRaise(true);
    m_menuButton->setIconSize(QSize(16, 16));
    m_menuButton->setFocusPolicy(Qt::TabFocus);
    m_menuButton->hide();

    setCentralWidget(m_frame);
    createFrameworkActions();
    updateHeaderVisibility();

    connect(KelSkin::instance(), &KelSkin::skinChanged, this, &KelMainWindow::updateUiState);
    if (KelApplication *app = KelApplication::instance())
        connect(app, &KelApplication::languageChanged, this, &KelMainWindow::updateUiState);
}

KelMainWindow::~KelMainWindow() = default;

void KelMainWindow::createFrameworkActions()
{
    m_skinMenu = new QMenu(this);
    m_skinMenu->setObjectName(QStringLiteral("skinMenu"));
    m_skinGroup = new QActionGroup(this);
    m_skinGroup->setExclusive(true);
    const QStringList skins = KelSkin::availableSkins();
    for (const QString &skin : skins) {
        QAction *action = m_skinMenu->addAction(skin);
        action->setCheckable(true);
        action->setData(skin);
        m_skinGroup->addAction(action);
        m_skinActions.insert(skin, action);
        connect(action, &QAction::triggered, this, [skin] { KelSkin::applySkin(skin); });
    }

    m_languageMenu = new QMenu(this);
    m_languageMenu->setObjectName(QStringLiteral("languageMenu"));
    m_languageGroup = new QActionGroup(this);
    m_languageGroup->setExclusive(true);
    connect(m_languageMenu, &QMenu::aboutToShow, this, &KelMainWindow::fillLanguageMenu);
    fillLanguageMenu();

    m_helpAction = new QAction(this);
    m_helpAction->setObjectName(QStringLiteral("helpAction"));
    m_helpAction->setShortcut(QKeySequence::HelpContents);
    m_aboutAction = new QAction(this);
    m_aboutAction->setObjectName(QStringLiteral("aboutAction"));
    m_aboutAction->setMenuRole(QAction::AboutRole);
    m_checkUpdateAction = new QAction(this);
    m_checkUpdateAction->setObjectName(QStringLiteral("checkUpdateAction"));
    m_useShippedToolAction = new QAction(this);
    m_useShippedToolAction->setObjectName(QStringLiteral("useShippedToolAction"));
    m_exitAction = new QAction(this);
    m_exitAction->setObjectName(QStringLiteral("exitAction"));
    // Some desktops bind no key to quitting; Ctrl+Q is what Linux users try.
    QKeySequence quit(QKeySequence::Quit);
    m_exitAction->setShortcut(quit.isEmpty() ? QKeySequence(Qt::CTRL | Qt::Key_Q) : quit);
    m_exitAction->setMenuRole(QAction::QuitRole);
    // Shortcuts keep working while the menu bar is hidden.
    addAction(m_helpAction);
    addAction(m_exitAction);
    connect(m_helpAction, &QAction::triggered, this, &KelMainWindow::onHelp);
    connect(m_aboutAction, &QAction::triggered, this, &KelMainWindow::onAbout);
    connect(m_checkUpdateAction, &QAction::triggered, this, &KelMainWindow::onCheckUpdate);
    connect(m_useShippedToolAction, &QAction::triggered, this, &KelMainWindow::useShippedToolRequested);
    connect(m_exitAction, &QAction::triggered, this, &KelMainWindow::onExit);

    m_fileMenu = new QMenu(this);
    m_fileMenu->addAction(m_exitAction);
    m_viewMenu = new QMenu(this);
    if (skinMenuWanted())
        m_viewMenu->addMenu(m_skinMenu);
    m_viewMenu->addMenu(m_languageMenu);
    m_helpMenu = new QMenu(this);
    m_helpMenu->addAction(m_helpAction);
    if (updateMenuWanted())
        m_helpMenu->addAction(m_checkUpdateAction);
    m_helpMenu->addSeparator();
    m_helpMenu->addAction(m_aboutAction);
}

void KelMainWindow::makeBars()
{
    if (m_barsMade)
        return;
    m_barsMade = true;
    QMenuBar *bar = menuBar();
    for (QMenu *menu : {m_fileMenu, m_viewMenu, m_helpMenu})
        bar->addMenu(menu);
    bar->setVisible(m_menuBarShown);
    statusBar()->setSizeGripEnabled(false);
    statusBar()->setVisible(m_statusBarShown);
}

void KelMainWindow::showEvent(QShowEvent *event)
{
    if (m_menuBarShown || m_statusBarShown)
        makeBars();
    if (m_windowIconPending)
        QTimer::singleShot(0, this, [this] {
            if (m_windowIconPending)
                updateWindowIcon();
        });
    QMainWindow::showEvent(event);
}

bool KelMainWindow::initialize()
{
    if (m_initialized) {
        KEL_ERROR("The main window is initialised already");
        return false;
    }
    m_initialized = true;
    if (!KelSkin::isApplied())
        KelSkin::restoreSkin();
    if (m_menuBarShown || m_statusBarShown)
        makeBars();
    createTitleButtonMenu();
    restoreWindowGeometry();
    retranslate();
    updateUiState();
    return true;
}

bool KelMainWindow::isInitialized() const
{
    return m_initialized;
}

void KelMainWindow::show(bool activate)
{
    if (!m_initialized)
        initialize();
    QMainWindow::show();
    if (activate) {
        raise();
        activateWindow();
    }
}

void KelMainWindow::createTitleButtonMenu()
{
    auto *menu = new QMenu(this);
    menu->addSeparator();
    if (skinMenuWanted())
        menu->addMenu(m_skinMenu);
    menu->addMenu(m_languageMenu);
    menu->addSeparator();
    menu->addAction(m_helpAction);
    menu->addAction(m_aboutAction);
    menu->addSeparator();
    if (updateMenuWanted()) {
        menu->addAction(m_checkUpdateAction);
        if (isSignalConnected(QMetaMethod::fromSignal(&KelMainWindow::useShippedToolRequested)))
            menu->addAction(m_useShippedToolAction);
    }
    menu->addAction(m_exitAction);
    setTitleButtonMenu(menu);
}

void KelMainWindow::restoreWindowGeometry()
{
    const QByteArray stored = KelPref::instance()->value(QLatin1String(GeometryKey)).toByteArray();
    if (!stored.isEmpty() && restoreGeometry(stored))
        return;
    resize(DefaultSize);
    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect available = screen->availableGeometry();
        resize(DefaultSize.boundedTo(available.size()));
        move(available.center() - rect().center());
    }
}

QWidget *KelMainWindow::widgetFrame() const
{
    return m_frame;
}

QWidget *KelMainWindow::headerWidget() const
{
    return m_header;
}

QWidget *KelMainWindow::contentArea() const
{
    return m_contentArea;
}

void KelMainWindow::setHeaderContent(QWidget *widget)
{
    auto *layout = static_cast<QHBoxLayout *>(m_header->layout());
    if (m_headerContent) {
        layout->removeWidget(m_headerContent);
        delete m_headerContent;
    } else {
        delete layout->takeAt(0);
    }
    m_headerContent = widget;
    if (widget) {
        layout->insertWidget(0, widget, 1);
    } else {
        layout->insertStretch(0, 1);
    }
    updateHeaderVisibility();
    orderFocusChain();
}

QWidget *KelMainWindow::headerContent() const
{
    return m_headerContent;
}

void KelMainWindow::setContent(QWidget *widget)
{
    QLayout *layout = m_contentArea->layout();
    if (m_content) {
        layout->removeWidget(m_content);
        delete m_content;
    }
    m_content = widget;
    if (widget) {
        layout->addWidget(widget);
        orderFocusChain();
    }
}

QWidget *KelMainWindow::content() const
{
    return m_content;
}

QToolButton *KelMainWindow::menuButton() const
{
    return m_menuButton;
}

void KelMainWindow::setMenuBarShown(bool shown)
{
    m_menuBarShown = shown;
    if (shown || m_barsMade) {
        makeBars();
        menuBar()->setVisible(shown);
    }
}

bool KelMainWindow::isMenuBarShown() const
{
    return m_menuBarShown;
}

void KelMainWindow::setStatusBarShown(bool shown)
{
    m_statusBarShown = shown;
    if (shown || m_barsMade) {
        makeBars();
        statusBar()->setVisible(shown);
    }
}

bool KelMainWindow::isStatusBarShown() const
{
    return m_statusBarShown;
}

void KelMainWindow::setTitleShowMenu(bool shown)
{
    m_titleShowMenu = shown;
    m_menuButton->setVisible(shown);
    updateHeaderVisibility();
}

bool KelMainWindow::isTitleShowMenu() const
{
    return m_titleShowMenu;
}

void KelMainWindow::setTitleButtonMenu(QMenu *menu)
{
    if (m_titleMenu == menu)
        return;
    if (m_titleMenu && m_titleMenu->parent() == this)
        m_titleMenu->deleteLater();
    m_titleMenu = menu;
    if (menu) {
        menu->setParent(this, menu->windowFlags());
        menu->setObjectName(QStringLiteral("titleButtonMenu"));
        connect(menu, &QMenu::aboutToShow, this, &KelMainWindow::onTitleMenuAboutToShow, Qt::UniqueConnection);
        menu->installEventFilter(this);
    }
    m_menuButton->setMenu(menu);
}

bool KelMainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Show && watched == m_titleMenu && m_menuButton->isVisible()
        && m_titleMenu->layoutDirection() == Qt::LeftToRight) {
        const QRect button(m_menuButton->mapToGlobal(QPoint(0, 0)), m_menuButton->size());
        // Only the menu the button dropped down, not one placed elsewhere.
        if (m_titleMenu->y() >= button.bottom()) {
            int x = button.right() + 1 - m_titleMenu->width();
            if (const QScreen *screen = m_menuButton->screen())
                x = qMax(x, screen->availableGeometry().left());
            m_titleMenu->move(x, m_titleMenu->y());
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

QMenu *KelMainWindow::titleButtonMenu() const
{
    return m_titleMenu;
}

QMenu *KelMainWindow::skinMenu() const
{
    return m_skinMenu;
}

QMenu *KelMainWindow::languageMenu() const
{
    return m_languageMenu;
}

QAction *KelMainWindow::helpAction() const
{
    return m_helpAction;
}

QAction *KelMainWindow::aboutAction() const
{
    return m_aboutAction;
}

QAction *KelMainWindow::checkUpdateAction() const
{
    return m_checkUpdateAction;
}

QAction *KelMainWindow::useShippedToolAction() const
{
    return m_useShippedToolAction;
}

QAction *KelMainWindow::exitAction() const
{
    return m_exitAction;
}

bool KelMainWindow::isDarkShadowShown() const
{
    return m_darkShadow->isShadowShown();
}

KelDarkShadow *KelMainWindow::darkShadow() const
{
    return m_darkShadow;
}

void KelMainWindow::showDarkShadow()
{
    m_darkShadow->showShadow();
}

void KelMainWindow::clearDarkShadow()
{
    m_darkShadow->clearShadow();
}

void KelMainWindow::fillLanguageMenu()
{
    // Translation files may come and go between two openings of the menu.
    KelLangItemModel model;
    const QList<QAction *> old = m_languageMenu->actions();
    for (QAction *action : old) {
        m_languageGroup->removeAction(action);
        m_languageMenu->removeAction(action);
        delete action;
    }
    KelApplication *app = KelApplication::instance();
    for (int row = 0; row < model.rowCount(); ++row) {
        const QModelIndex index = model.index(row);
        const QString code = model.codeAt(row);
        QAction *action = m_languageMenu->addAction(index.data(Qt::DisplayRole).toString());
        action->setCheckable(true);
        action->setChecked(index.data(Qt::CheckStateRole).toInt() == Qt::Checked);
        action->setData(code);
        action->setEnabled(app != nullptr);
        m_languageGroup->addAction(action);
        connect(action, &QAction::triggered, this, [code] {
            if (KelApplication *current = KelApplication::instance())
                current->setLanguage(code);
        });
    }
}

void KelMainWindow::updateUiState()
{
    const QString skin = KelSkin::currentSkin();
    for (auto it = m_skinActions.cbegin(); it != m_skinActions.cend(); ++it)
        it.value()->setChecked(it.key() == skin);
    const QString language = KelLangItemModel::currentLangName();
    const QList<QAction *> languages = m_languageMenu->actions();
    for (QAction *action : languages)
        action->setChecked(action->data().toString() == language);
    m_helpAction->setVisible(!KelProductInfo::value(QLatin1String(HelpUrlKey)).isEmpty());
    m_menuButton->setIcon(KelSkin::icon(QStringLiteral("open-menu")));
    // The window system takes the icon drawn in several sizes. A window
    // not made yet gets it right after it shows, so that drawing them does
    // not hold up its first appearance.
    if (testAttribute(Qt::WA_WState_Created))
        updateWindowIcon();
    else
        m_windowIconPending = true;
}

void KelMainWindow::updateWindowIcon()
{
    m_windowIconPending = false;
    const QIcon logo = KelSkin::icon(QStringLiteral("marlin"));
    if (!logo.isNull())
        setWindowIcon(logo);
}

void KelMainWindow::retranslate()
{
    const QString name = QGuiApplication::applicationDisplayName();
    m_fileMenu->setTitle(tr("&File"));
    m_viewMenu->setTitle(tr("&View"));
    m_helpMenu->setTitle(tr("&Help"));
    m_skinMenu->setTitle(tr("A&ppearance"));
    m_languageMenu->setTitle(tr("&Language"));
    if (QAction *light = m_skinActions.value(QStringLiteral("light")))
        light->setText(tr("&Light"));
    if (QAction *dark = m_skinActions.value(QStringLiteral("dark")))
        dark->setText(tr("&Dark"));
    m_helpAction->setText(tr("%1 &Help").arg(name));
    m_aboutAction->setText(tr("&About %1").arg(name));
    m_checkUpdateAction->setText(tr("Check for &Updates..."));
    m_useShippedToolAction->setText(tr("Use the &shipped extractor tool"));
    m_exitAction->setText(tr("&Quit"));
    m_menuButton->setToolTip(tr("Main Menu"));
    m_menuButton->setAccessibleName(tr("Main Menu"));
}

void KelMainWindow::onHelp()
{
    const QString url = KelProductInfo::value(QLatin1String(HelpUrlKey));
    if (url.isEmpty() || !QDesktopServices::openUrl(QUrl(url)))
        KEL_ERROR("Open help page failed: %s", qUtf8Printable(url));
}

void KelMainWindow::onAbout()
{
    KelAboutDialog about(this);
    about.exec();
}

void KelMainWindow::onCheckUpdate()
{
    if (isSignalConnected(QMetaMethod::fromSignal(&KelMainWindow::checkUpdateRequested))) {
        emit checkUpdateRequested();
        return;
    }
    const QString name = QGuiApplication::applicationDisplayName();
    KelMessageBox box(this);
    box.setKind(KelMessageBox::Information);
    box.setTitle(tr("%1 %2 is installed.").arg(name, QCoreApplication::applicationVersion()));
    box.setText(tr("New versions of %1 arrive with the software updates of your system.").arg(name));
    box.exec();
}

void KelMainWindow::onExit()
{
    close();
}

void KelMainWindow::onTitleMenuAboutToShow()
{
    fillLanguageMenu();
    updateUiState();
}

// Keyboard focus runs as the eye reads: the header's content, the menu
// button, then the content. A widget joins the end of the focus chain when
// it joins the window, so the menu button and the content join again, in
// that order. (Moving them with QWidget::setTabOrder does not work on
// every Qt 6 release.)
void KelMainWindow::orderFocusChain()
{
    auto rejoin = [](QWidget *widget, QWidget *parent, QBoxLayout *layout, int stretch) {
        const bool hidden = widget->isHidden();
        layout->removeWidget(widget);
        widget->setParent(nullptr);
        widget->setParent(parent);
        layout->addWidget(widget, stretch);
        widget->setHidden(hidden);
    };
    // Only what is out of order moves: moving a widget restyles all of it.
    if (m_headerContent && !precedesInFocusChain(m_headerContent, m_menuButton))
        rejoin(m_menuButton, m_header, static_cast<QBoxLayout *>(m_header->layout()), 0);
    m_header->layout()->setAlignment(m_menuButton, Qt::AlignVCenter);
    if (m_content && !precedesInFocusChain(m_menuButton, m_content))
        rejoin(m_content, m_contentArea, static_cast<QBoxLayout *>(m_contentArea->layout()), 1);
}

bool KelMainWindow::precedesInFocusChain(const QWidget *first, const QWidget *second) const
{
    for (const QWidget *widget = nextInFocusChain(); widget && widget != this; widget = widget->nextInFocusChain()) {
        if (widget == first)
            return true;
        if (widget == second)
            return false;
    }
    return false;
}

void KelMainWindow::updateHeaderVisibility()
{
    m_header->setVisible(m_headerContent || m_titleShowMenu);
}

void KelMainWindow::closeEvent(QCloseEvent *event)
{
    KelPref::instance()->setValue(QLatin1String(GeometryKey), saveGeometry());
    event->accept();
}

void KelMainWindow::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QMainWindow::changeEvent(event);
}
