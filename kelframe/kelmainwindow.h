#pragma once

#include "kelframe/kelframeglobal.h"

#include <QHash>
#include <QMainWindow>
#include <QPointer>

class KelDarkShadow;
class QAction;
class QActionGroup;
class QMenu;
class QToolButton;

// The base of the program's main window. The window keeps the desktop's own
// title bar and frame. Its content is one widget, widgetFrame(): a header
// row (the subclass's header content, then the menu button "menuButton" at
// the right) above the content area. The framework's menus (appearance,
// language, help, about, check for updates, quit) are offered in a classic
// menu bar and in the menu button's menu; either can be switched off.
//
// Every language change retranslates the window (retranslate()); skin and
// language changes refresh its state (updateUiState()). Closing stores the
// window's geometry, which the next start restores.
class KELFRAME_EXPORT KelMainWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit KelMainWindow(QWidget *parent = nullptr);
    ~KelMainWindow() override;

    // Applies the user's skin unless one is applied already, builds the menu
    // button's menu, restores the stored geometry and sets every text;
    // false when called twice.
    virtual bool initialize();
    bool isInitialized() const;

    // Shows the window (initialising it first if needed); with activate it
    // is also raised and given the keyboard focus.
    void show(bool activate);
    using QMainWindow::show;

    // The widget that covers the window's content; the dark shadow dims it.
    QWidget *widgetFrame() const;
    QWidget *headerWidget() const;
    // The subclass's part of the header, left of the menu button; the
    // window takes ownership.
    void setHeaderContent(QWidget *widget);
    QWidget *headerContent() const;
    // The area below the header that holds the content. Content made
    // inside it (and header content made inside headerWidget()) joins the
    // window without being moved into it, which would style it twice.
    QWidget *contentArea() const;
    // The content below the header; the window takes ownership.
    void setContent(QWidget *widget);
    QWidget *content() const;
    QToolButton *menuButton() const;

    // The classic menu bar with the framework's menus (shown by default).
    void setMenuBarShown(bool shown);
    bool isMenuBarShown() const;
    void setStatusBarShown(bool shown);
    bool isStatusBarShown() const;
    // The menu button at the right of the header (hidden by default).
    void setTitleShowMenu(bool shown);
    bool isTitleShowMenu() const;
    // The menu the menu button opens; the window takes ownership.
    void setTitleButtonMenu(QMenu *menu);
    QMenu *titleButtonMenu() const;

    QMenu *skinMenu() const;
    QMenu *languageMenu() const;
    QAction *helpAction() const;
    QAction *aboutAction() const;
    QAction *checkUpdateAction() const;
    // Goes back to the extractor tool that ships with the program; offered
    // beside check for updates when useShippedToolRequested() is connected
    // before the window is initialised.
    QAction *useShippedToolAction() const;
    QAction *exitAction() const;

    bool isDarkShadowShown() const;
    KelDarkShadow *darkShadow() const;

public slots:
    virtual void retranslate();
    virtual void updateUiState();
    // Dims the window's content (fading in) until clearDarkShadow().
    void showDarkShadow();
    void clearDarkShadow();

    // The help-menu handlers. Help opens the product's help page; about
    // shows the about box; check for updates tells how new versions
    // arrive; exit closes the window.
    virtual void onHelp();
    virtual void onAbout();
    virtual void onCheckUpdate();
    virtual void onExit();
    // The menu button's menu is about to show.
    void onTitleMenuAboutToShow();

signals:
    // The user chose "Check for Updates".
    void checkUpdateRequested();
    // The user chose to use the shipped extractor tool.
    void useShippedToolRequested();

protected:
    // Builds the menu button's menu: the appearance menu (when the product
    // value "support_menu_skin" is "true"), the language menu, help and
    // about, check for updates (unless "support_menu_update" is "false")
    // and quit. A subclass builds its own and hands it to
    // setTitleButtonMenu().
    virtual void createTitleButtonMenu();
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    // Lines the title menu's right edge up with its button's, so that the
    // menu stays over the window instead of reaching past its edge.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createFrameworkActions();
    // The menu bar and the status bar are made when the window is to show
    // them, or shows: a window that hides them never pays for making them.
    void makeBars();
    void fillLanguageMenu();
    void restoreWindowGeometry();
    void updateHeaderVisibility();
    void orderFocusChain();
    bool precedesInFocusChain(const QWidget *first, const QWidget *second) const;
    void updateWindowIcon();

    QWidget *m_frame;
    QWidget *m_header;
    QWidget *m_contentArea;
    QPointer<QWidget> m_headerContent;
    QPointer<QWidget> m_content;
    QToolButton *m_menuButton;
    KelDarkShadow *m_darkShadow;
    QPointer<QMenu> m_titleMenu;

    QMenu *m_fileMenu = nullptr;
    QMenu *m_viewMenu = nullptr;
    QMenu *m_helpMenu = nullptr;
    QMenu *m_skinMenu = nullptr;
    QMenu *m_languageMenu = nullptr;
    QActionGroup *m_skinGroup = nullptr;
    QActionGroup *m_languageGroup = nullptr;
    QHash<QString, QAction *> m_skinActions;
    QAction *m_helpAction = nullptr;
    QAction *m_aboutAction = nullptr;
    QAction *m_checkUpdateAction = nullptr;
    QAction *m_useShippedToolAction = nullptr;
    QAction *m_exitAction = nullptr;

    bool m_initialized = false;
    bool m_menuBarShown = true;
    bool m_statusBarShown = true;
    bool m_barsMade = false;
    bool m_windowIconPending = false;
    bool m_titleShowMenu = false;
};
