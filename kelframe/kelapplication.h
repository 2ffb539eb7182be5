#pragma once

#include "kelframe/kelframeglobal.h"

#include <QApplication>
#include <QPointer>
#include <QStringList>

class KelPref;
class KelSingleInstance;
class QFileDialog;
class QTranslator;

// The program's application object: single instance per user, translations,
// the preference store and the command line.
class KELFRAME_EXPORT KelApplication : public QApplication
{
    Q_OBJECT
public:
    // id names the application for the single-instance check when it is not
    // empty; isRunning() takes the identifier otherwise.
    KelApplication(const QString &id, int &argc, char **argv);
    ~KelApplication() override;

    static KelApplication *instance();

    // Qt's own modal dialogs (the file dialogs) take the keyboard when they
    // show and hand it back when they close, as the program's own do.
    bool eventFilter(QObject *watched, QEvent *event) override;

    // The framework version the program was written for; a program asking
    // for a newer framework than this one gets a logged warning.
    void setKelframeVersion(int version);
    int kelframeVersion() const;

    // True when every file the program needs in its "conf" folder is
    // present and readable.
    bool checkIntegrality() const;
    static bool checkIntegrality(const QString &appDir);
    static QStringList requiredConfFiles();

    // Qt's own translations and the program's ("<translations folder>/
    // marlin_<language>.qm") for languageName(); true when the program's
    // file was found. English needs no file: it is built in.
    bool installTranslators();
    // The user-interface language asked for: the store's "kelframe/language"
    // value, else the system's.
    QString languageName() const;
    // The language actually in use: the code of the program's translation
    // that installTranslators() loaded ("de", "pt_BR"), "en" when none.
    QString currentLanguage() const;
    // Stores the language as the user's choice and installs its
    // translations; every open window receives a LanguageChange event and
    // retranslates itself. False for a language that is not available.
    bool setLanguage(const QString &code);
    // "en" and every language with a translation file, sorted by code.
    static QStringList availableLanguages();
    // The language's own name for itself, capitalised ("Deutsch").
    static QString languageDisplayName(const QString &code);
    // "<program directory>/translations" unless set; tests point it at the
    // build's application directory. Empty restores the default.
    static QString translationsDir();
    static void setTranslationsDir(const QString &path);

    // The box shown when the installation is damaged: a warning titled
    // "Error", "Start the program failed. Please re-install it.", one OK
    // button. Only when the program was started without arguments
    // (argc <= 1); returns the exit code the program ends with, 0.
    static int reportDamagedInstallation(int argc);
    // When the product value "support_mac_app_store" is "true", names the
    // Qt organisation and its domain after the store's company root key;
    // true when it did.
    bool applyMacAppStoreRule();

    // Names the application after the product and opens the preference
    // store: over prefFile when given, else the user's default file.
    bool initCfg(const char *prefFile, bool loadPref);

    // Serves "--help" and "--version" (true: served, the program ends with
    // cmdLineExitCode() and shows no window) and remembers a page address
    // argument for startUrl(). A wrong option is reported and served too.
    bool processCmdLine(int argc, char **argv);
    int cmdLineExitCode() const;
    QString startUrl() const;

    // True when another live instance holds id; that instance is then sent
    // startUrl() (empty: just show yourself) before this returns.
    bool isRunning(const QString &id);
    bool isRunning();
    bool sendMessage(const QString &message, int timeoutMs = 5000);

    void setMainWindow(QWidget *window);
    QWidget *mainWindow() const;
    // window is raised and activated when a later start sends a message
    // and activateOnMessage is true.
    void setActivationWindow(QWidget *window, bool activateOnMessage = true);
    QWidget *activationWindow() const;

    // The process-wide preference store.
    KelPref *pref() const;

public slots:
    // Shows, un-minimises, raises and activates the activation window.
    void activateWindow();

signals:
    void messageReceived(const QString &message);
    // After setLanguage() installed another language.
    void languageChanged(const QString &code);
    // A later start was given this page address.
    void openUrlRequested(const QString &url);

private:
    static void fitFileDialog(QFileDialog *dialog);
    void onMessageReceived(const QString &message);

    QString m_id;
    KelSingleInstance *m_singleInstance = nullptr;
    QPointer<QWidget> m_mainWindow;
    QPointer<QWidget> m_activationWindow;
    bool m_activateOnMessage = false;
    int m_kelframeVersion = 0;
    int m_cmdLineExitCode = 0;
    QString m_startUrl;
    QString m_currentLanguage = QStringLiteral("en");
    QList<QTranslator *> m_translators;
};
