#pragma once

#include "kelframe/kelmainwindow.h"

#include <QList>
#include <QPointer>

class QLabel;
class QMimeData;
class QPushButton;
class QStackedWidget;
class QToolButton;

namespace Tarn {

class BalloonMessageDialog;
class DownloadParameters;
class DownloadParametersDialog;
class ConvertWidget;
class SettingWidget;
class DownloadWidget;
class NavigatorButtonWidget;
class PuxUpdater;
class UrlLineEdit;

// The program's one window: the URL bar across the top, the navigator on the
// left and the stack of pages beside it. It takes page addresses from the
// entry, the clipboard, drops and later starts of the program, pre-fetches
// their media information, shows balloons, dims itself under modal boxes
// and dialogs, keeps the extractor tool up to date and shuts the core down
// in order when it closes.
class MainWindow : public KelMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // The framework's initialisation, then the core's start and the
    // extractor tool's update check; false when it ran already.
    bool initialize() override;

    UrlLineEdit *urlLineEdit() const { return m_urlLineEdit; }
    QPushButton *downloadButton() const { return m_downloadBtn; }
    QPushButton *advancedButton() const { return m_advancedBtn; }
    NavigatorButtonWidget *downloadListButton() const { return m_downloadListBtn; }
    NavigatorButtonWidget *convertListButton() const { return m_convertListBtn; }
    NavigatorButtonWidget *settingsButton() const { return m_settingsBtn; }
    QStackedWidget *contentAreaWidget() const { return m_contentArea; }
    BalloonMessageDialog *balloonDialog();
    DownloadWidget *downloadWidget() const { return m_downloadWidget; }
    // Made on first use: the page is not seen at the start.
    ConvertWidget *convertWidget();
    // The quality pop-up while it is open.
    DownloadParametersDialog *downloadParametersDialog() const;

    // Puts page into the stack behind its navigator button, which shows from
    // then on. The window takes ownership.
    void setPage(NavigatorButtonWidget *button, QWidget *page);
    QWidget *page(NavigatorButtonWidget *button) const;
    // The navigator button of the page shown.
    NavigatorButtonWidget *currentNavigatorButton() const;

    // Checks the entry's text as a page address: empty and undownloadable
    // texts are refused, with a balloon when balloons is true.
    static bool isValidUrl(const QString &text, bool balloons);
    // A downloadable address that the download page does not hold yet.
    bool isNewUrl(const QString &text) const;

    // The code the program ends with: 0, or 128 plus the number of the
    // signal that ended the run.
    int exitCode() const { return m_exitCode; }

public slots:
    // A page address from outside (the command line, a later start, a drop)
    // goes into the entry and its media information is fetched.
    void openUrl(const QString &url);
    // Ends the run at once without asking, as the end of a session asks:
    // work in progress is cancelled and its unfinished files removed.
    void endRun(int signalNumber);

    void onQuickDownload();
    void onAdvancedDownload();
    void onAdvancedDownload(const QString &url);
    void onParameterDownload(const Tarn::DownloadParameters &param);
    void onNavigatorButtonChecked(bool checked);
    void onShowDownloadList();
    void onShowConvertList();
    void onShowSettings();
    void onSocialNetworks();
    void onDownloadListSizeChanged(int size);
    void onConvertListSizeChanged(int size);
    void onBalloonMessage(const QString &text, const QString &msgId, int mode, const QString &type);
    void showDarkShadow();
    void clearDarkShadow();
    void onUrlTextChanged(const QString &text);
    void onShareButtonClicked();
    void onPUXUpdateNewVersion(const QString &newVersion, const QString &description);
    void onPUXUpdateProgress(int done, int total);
    void onPUXUpdateDone(bool error);
    // "Use the shipped extractor tool" in the menu button's menu.
    void onUseShippedTool();

    void retranslate() override;
    void updateUiState() override;
    void onAbout() override;
    void onCheckUpdate() override;

signals:
    void menuButtonPressed();
    // At the end of every retranslation.
    void retranslating();
    // The dark shadow came up: an open quality pop-up closes.
    void hideDownloadParametersDialog();

protected:
    void createTitleButtonMenu() override;
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void buildUi();
    QWidget *buildUrlBar();
    QWidget *buildNavigator(QWidget *parent);
    void connectSignals();
    // The application context's start, then the extractor tool's update
    // check; once.
    void startCore();
    void ensureConvertPage();
    void ensureSettingsPage();
    void startUpdater();
    void pickUpClipboard();
    void prefetch(const QString &text);
    void showPage(NavigatorButtonWidget *button, bool focus);
    void placeBalloon();
    bool dropsAddress(const QMimeData *mime, QString *address) const;
    void shutDown();
    void setLanguageProperty();
    void fitNavigator();
    void updateShareButtons();

    QWidget *m_urlDownloadWidget = nullptr;
    QWidget *m_brandWidget = nullptr;
    QLabel *m_brandLabel = nullptr;
    UrlLineEdit *m_urlLineEdit = nullptr;
    QPushButton *m_downloadBtn = nullptr;
    QPushButton *m_advancedBtn = nullptr;
    QWidget *m_leftWidget = nullptr;
    NavigatorButtonWidget *m_downloadListBtn = nullptr;
    NavigatorButtonWidget *m_convertListBtn = nullptr;
    NavigatorButtonWidget *m_settingsBtn = nullptr;
    QList<NavigatorButtonWidget *> m_navigator;
    QWidget *m_shareWidget = nullptr;
    QLabel *m_shareLabel = nullptr;
    QToolButton *m_facebookBtn = nullptr;
    QToolButton *m_twitterBtn = nullptr;
    QStackedWidget *m_contentArea = nullptr;
    DownloadWidget *m_downloadWidget = nullptr;
    ConvertWidget *m_convertWidget = nullptr;
    SettingWidget *m_settingsWidget = nullptr;
    QPointer<DownloadParametersDialog> m_parametersDialog;
    BalloonMessageDialog *m_balloon = nullptr;
    QPointer<PuxUpdater> m_updater;

    // The last entry text that started a pre-fetch.
    QString m_lastPrefetchUrl;
    // The clipboard's text when an address came from outside: that address
    // wins over what the clipboard held already.
    QString m_ignoredClipboard;
    // Boxes and dialogs up over the window.
    int m_shadowDepth = 0;
    bool m_coreStarted = false;
    // The skin's style sheet was in place when the window was built.
    bool m_styledUnderSheet = false;
    bool m_closeWithoutAsking = false;
    bool m_shutDown = false;
    int m_exitCode = 0;
};

} // namespace Tarn
