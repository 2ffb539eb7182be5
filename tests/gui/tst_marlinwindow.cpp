// The marlin program itself, in a real window on an X server of its own
// (Xvfb), driven with xdotool as a person drives it with the keyboard,
// against the local sample site. Each step leaves a picture of the screen in
// <build>/screenshots/window/real-*.png.
//
// The steps build on each other and run in their order of declaration.

#include "support/samplesite.h"
#include "support/testhttpserver.h"
#include "support/testtools.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

// A failure in a helper ends the calling step as well.
#define STEP(call)                                                                                         \
    do {                                                                                                   \
        call;                                                                                              \
        if (QTest::currentTestFailed())                                                                    \
            return;                                                                                        \
    } while (false)
#include <memory>

namespace {

constexpr int StartTimeoutMs = 60000;
constexpr int DownloadTimeoutMs = 180000;
constexpr int WindowTimeoutMs = 10000;

bool isFinishedMedia(const QFileInfo &file)
{
    static const QStringList suffixes{QStringLiteral("mp4"), QStringLiteral("webm"), QStringLiteral("mkv"),
                                      QStringLiteral("m4a")};
    return file.isFile() && suffixes.contains(file.suffix().toLower())
           && !file.fileName().startsWith(QLatin1String("MRL_"));
}

} // namespace

class MarlinWindowTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();

    void startPrintsSplashLine();
    void secondStartHandsOverItsAddress();
    void typedAddressAndEnterGiveTheFile();
    void downloadIsConvertedFromItsPage();
    void fileDialogTakesAndGivesBackTheKeyboard();
    void everyPageInBothSkinsAndLanguages();
    void settingChangeIsStoredAtOnce();
    void closingDuringDownloadAsksFirst();
    void signalEndsTheRunCleanly_data();
    void signalEndsTheRunCleanly();
    void languageSwitchesToGerman();

private:
    // The navigator's pages, in their order.
    enum Page {
        DownloadPage,
        ConvertPage,
        SettingsPage,
    };
    // Starts marlin and waits for its splash line and its window.
    void startMarlin(const QString &shotName = QString());
    QProcessEnvironment environment() const;
    QString address(const QString &id) const;
    QString downloadFolder() const { return m_home.filePath(QStringLiteral("videos")); }
    QStringList finishedFiles() const;
    QStringList allFiles() const;
    // Runs xdotool with arguments; its standard output.
    QByteArray xdotool(const QStringList &arguments, bool *ok = nullptr) const;
    QStringList visibleWindows() const;
    // The program's visible windows that are not in before.
    QStringList newWindows(const QStringList &before) const;
    void focusWindow();
    void typeAddress(const QString &text);
    bool waitForNewFile(const QStringList &before, QString *file);
    void screenshot(const QString &name, const QString &window = QString());
    // Presses keys one after the other in the focused window.
    void keys(const QStringList &sequence);
    // The program's stored value of key, read afresh from its settings file.
    QVariant storedSetting(const QString &key) const;
    void showPage(Page page);
    void openTitleMenu();
    // The window with the keyboard is the program's main window.
    void verifyKeyboardIsBack();
    // The program's visible window whose name matches pattern, once there.
    QString waitForWindow(const QRegularExpression &pattern);
    // Switches the skin from the title menu by the mnemonics given.
    void chooseSkin(const QString &appearanceKey, const QString &skinKey, const QString &skin);
    // The pages, menus and dialogs in the current skin and language.
    void tour(const QString &tag, bool german);

    QTemporaryDir m_home;
    QProcess m_xvfb;
    QString m_display;
    TestHttpServer m_server;
    std::unique_ptr<QProcess> m_marlin;
    QString m_window;
};

void MarlinWindowTest::initTestCase()
{
    MARLIN_REQUIRE_YTZIP();
    MARLIN_REQUIRE_PROGRAM("ffmpeg");
    for (const char *program : {"Xvfb", "xdotool"}) {
        if (QStandardPaths::findExecutable(QLatin1String(program)).isEmpty())
            QFAIL(qPrintable(QStringLiteral("%1 is missing: run scripts/install-deps.sh").arg(QLatin1String(program))));
    }
    QVERIFY(QFileInfo(TestTools::appDir() + QStringLiteral("/marlin")).isExecutable());
    QVERIFY(m_home.isValid());

    m_xvfb.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                                          QStringLiteral("0"), QStringLiteral("1280x800x24"),
                                          QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    QVERIFY(m_xvfb.waitForStarted());
    QByteArray number;
    QElapsedTimer clock;
    clock.start();
    while (!number.contains('\n') && clock.elapsed() < 20000) {
        m_xvfb.waitForReadyRead(500);
        number += m_xvfb.readAllStandardOutput();
    }
    QVERIFY2(number.contains('\n'), "Xvfb named no display");
    m_display = QStringLiteral(":") + QString::fromLatin1(number.trimmed());

    QString error;
    QVERIFY2(SampleSite::serve(m_server, &error), qPrintable(error));
}

void MarlinWindowTest::cleanupTestCase()
{
    if (m_marlin && m_marlin->state() != QProcess::NotRunning) {
        m_marlin->terminate();
        if (!m_marlin->waitForFinished(15000))
            m_marlin->kill();
        m_marlin->waitForFinished(5000);
    }
    m_xvfb.terminate();
    m_xvfb.waitForFinished(5000);
    m_server.stop();
}

QProcessEnvironment MarlinWindowTest::environment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), m_display);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.insert(QStringLiteral("MARLIN_HOME"), m_home.path());
    env.insert(QStringLiteral("MARLIN_EXTRA_WATCH_HOST"), QStringLiteral("127.0.0.1:%1").arg(m_server.port()));
    return env;
}

QString MarlinWindowTest::address(const QString &id) const
{
    return SampleSite::watchQueryUrl(m_server, id).toString();
}

QStringList MarlinWindowTest::allFiles() const
{
    return QDir(downloadFolder()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

QStringList MarlinWindowTest::finishedFiles() const
{
    QStringList files;
    const QFileInfoList entries = QDir(downloadFolder()).entryInfoList(QDir::Files, QDir::Name);
    for (const QFileInfo &entry : entries) {
        if (isFinishedMedia(entry))
            files.append(entry.fileName());
    }
    return files;
}

QByteArray MarlinWindowTest::xdotool(const QStringList &arguments, bool *ok) const
{
    QProcess process;
    process.setProcessEnvironment(environment());
    process.start(QStringLiteral("xdotool"), arguments);
    const bool finished = process.waitForFinished(30000);
    if (ok)
        *ok = finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    return process.readAllStandardOutput();
}

QStringList MarlinWindowTest::visibleWindows() const
{
    const QByteArray found = xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                      QStringLiteral("--pid"), QString::number(m_marlin->processId())});
    return QString::fromLatin1(found).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QStringList MarlinWindowTest::newWindows(const QStringList &before) const
{
    QStringList found = visibleWindows();
    found.removeIf([&before](const QString &window) { return before.contains(window); });
    return found;
}

void MarlinWindowTest::focusWindow()
{
    bool ok = false;
    xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), m_window}, &ok);
    QVERIFY(ok);
}

void MarlinWindowTest::typeAddress(const QString &text)
{
    focusWindow();
    bool ok = false;
    // Ctrl+L takes the keyboard to the address entry and selects its text.
    xdotool({QStringLiteral("key"), QStringLiteral("--clearmodifiers"), QStringLiteral("ctrl+l")}, &ok);
    QVERIFY(ok);
    xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("15"), text}, &ok);
    QVERIFY(ok);
}

bool MarlinWindowTest::waitForNewFile(const QStringList &before, QString *file)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < DownloadTimeoutMs) {
        const QStringList now = finishedFiles();
        for (const QString &name : now) {
            if (!before.contains(name)) {
                *file = name;
                return true;
            }
        }
        QTest::qWait(250);
    }
    return false;
}

void MarlinWindowTest::keys(const QStringList &sequence)
{
    for (const QString &key : sequence) {
        bool ok = false;
        xdotool({QStringLiteral("key"), QStringLiteral("--clearmodifiers"), key}, &ok);
        QVERIFY2(ok, qPrintable(key));
        // Each key lands before the next: a page or a popup opens in between.
        QTest::qWait(200);
    }
}

QVariant MarlinWindowTest::storedSetting(const QString &key) const
{
    QDirIterator files(m_home.path(), {QStringLiteral("Marlin.ini")}, QDir::Files, QDirIterator::Subdirectories);
    if (!files.hasNext())
        return QVariant();
    const QSettings stored(files.next(), QSettings::IniFormat);
    const QStringList all = stored.allKeys();
    for (const QString &name : all) {
        if (name == key || name.endsWith(QLatin1Char('/') + key))
            return stored.value(name);
    }
    return QVariant();
}

void MarlinWindowTest::screenshot(const QString &name, const QString &window)
{
    const QString folder = QStringLiteral(MARLIN_SCREENSHOT_DIR "/window");
    QDir().mkpath(folder);
    QProcess shot;
    shot.setProcessEnvironment(environment());
    // The window's part of the screen, with the boxes and balloons over it.
    shot.start(TestTools::testDir() + QStringLiteral("/marlin-xshot"),
               {folder + QStringLiteral("/real-") + name + QStringLiteral(".png"),
                window.isEmpty() ? m_window : window});
    QVERIFY(shot.waitForFinished(30000));
    QCOMPARE(shot.exitCode(), 0);
}

// The keyboard's way through the window: Ctrl+L is the address entry; Tab
// goes on to the DOWNLOAD button, its menu arrow, the title menu, then the
// navigator's Download, Convert and Settings; Shift+Tab from the entry is the
// last control of the page shown.
void MarlinWindowTest::showPage(Page page)
{
    QStringList sequence{QStringLiteral("ctrl+l")};
    for (int i = 0; i < 4 + int(page); ++i)
        sequence.append(QStringLiteral("Tab"));
    sequence.append(QStringLiteral("space"));
    keys(sequence);
    // The page paints.
    QTest::qWait(300);
}

void MarlinWindowTest::openTitleMenu()
{
    const QStringList shown = visibleWindows();
    keys({QStringLiteral("ctrl+l"), QStringLiteral("Tab"), QStringLiteral("Tab"), QStringLiteral("Tab"),
          QStringLiteral("space")});
    QTRY_VERIFY2_WITH_TIMEOUT(!newWindows(shown).isEmpty(), "the title menu did not open", WindowTimeoutMs);
}

QString MarlinWindowTest::waitForWindow(const QRegularExpression &pattern)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < WindowTimeoutMs) {
        const QStringList windows = visibleWindows();
        for (const QString &window : windows) {
            if (pattern.match(QString::fromUtf8(xdotool({QStringLiteral("getwindowname"), window})).trimmed()).hasMatch())
                return window;
        }
        QTest::qWait(100);
    }
    QStringList names;
    const QStringList windows = visibleWindows();
    for (const QString &window : windows)
        names.append(QString::fromUtf8(xdotool({QStringLiteral("getwindowname"), window})).trimmed());
    qWarning("No window named %s; the program shows: %s", qPrintable(pattern.pattern()),
             qPrintable(names.join(QLatin1String(", "))));
    return QString();
}

void MarlinWindowTest::verifyKeyboardIsBack()
{
    QTRY_COMPARE_WITH_TIMEOUT(QString::fromLatin1(xdotool({QStringLiteral("getwindowfocus")})).trimmed(), m_window,
                              WindowTimeoutMs);
}

void MarlinWindowTest::chooseSkin(const QString &appearanceKey, const QString &skinKey, const QString &skin)
{
    STEP(focusWindow());
    const QStringList shown = visibleWindows();
    STEP(openTitleMenu());
    STEP(keys({appearanceKey, skinKey}));
    QTRY_COMPARE_WITH_TIMEOUT(storedSetting(QStringLiteral("skin")).toString(), skin, WindowTimeoutMs);
    QTRY_VERIFY2_WITH_TIMEOUT(newWindows(shown).isEmpty(), "the menus stayed open", WindowTimeoutMs);
}

void MarlinWindowTest::tour(const QString &tag, bool german)
{
    const auto name = [&tag](const char *what) { return tag + QLatin1Char('-') + QLatin1String(what); };
    STEP(focusWindow());
    const QStringList shown = visibleWindows();

    STEP(showPage(DownloadPage));
    STEP(screenshot(name("download")));
    // The list's menu from the keyboard, its Convert entry, and the
    // conversion dialog cancelled.
    STEP(keys({QStringLiteral("Home"), QStringLiteral("Menu")}));
    QTRY_VERIFY2_WITH_TIMEOUT(!newWindows(shown).isEmpty(), "the Menu key opened no menu", WindowTimeoutMs);
    STEP(screenshot(name("download-menu")));
    STEP(keys({QStringLiteral("Return")}));
    const QString dialog = waitForWindow(QRegularExpression(german ? QStringLiteral("^Konvertieren in\\b")
                                                                   : QStringLiteral("^Convert to\\b")));
    QVERIFY2(!dialog.isEmpty(), "Convert opened no conversion dialog");
    QTest::qWait(300);
    STEP(screenshot(name("convert-to")));
    STEP(keys({QStringLiteral("Escape")}));
    QTRY_VERIFY2_WITH_TIMEOUT(newWindows(shown).isEmpty(), "Escape left the conversion dialog open", WindowTimeoutMs);

    STEP(showPage(ConvertPage));
    STEP(screenshot(name("convert")));
    STEP(showPage(SettingsPage));
    STEP(screenshot(name("settings")));

    // The quality pop-up of the DOWNLOAD button's arrow, which lies inside
    // the window where nothing outside can see it fill: it is given time to
    // fetch the page's qualities.
    STEP(typeAddress(address(SampleSite::dashId())));
    STEP(keys({QStringLiteral("Tab"), QStringLiteral("Tab"), QStringLiteral("space")}));
    QTest::qWait(4000);
    STEP(screenshot(name("quality")));
    STEP(keys({QStringLiteral("Escape"), QStringLiteral("ctrl+l"), QStringLiteral("BackSpace")}));

    // The title menu and its Appearance submenu, shot with the whole screen
    // since they may reach beyond the window.
    STEP(openTitleMenu());
    STEP(screenshot(name("menu"), QStringLiteral("0")));
    STEP(keys({german ? QStringLiteral("e") : QStringLiteral("p")}));
    QTRY_VERIFY_WITH_TIMEOUT(newWindows(shown).size() >= 2, WindowTimeoutMs);
    STEP(screenshot(name("menu-appearance"), QStringLiteral("0")));
    STEP(keys({QStringLiteral("Escape"), QStringLiteral("Escape")}));
    QTRY_VERIFY2_WITH_TIMEOUT(newWindows(shown).isEmpty(), "Escape left the title menu open", WindowTimeoutMs);

    // The about box, the title menu's third entry, and the message box of
    // its fourth, "Check for Updates...".
    for (const char *what : {"about", "message"}) {
        STEP(openTitleMenu());
        const QStringList menus = newWindows(shown);
        QStringList sequence{QStringLiteral("Down"), QStringLiteral("Down"), QStringLiteral("Down")};
        if (qstrcmp(what, "message") == 0)
            sequence.append(QStringLiteral("Down"));
        sequence.append(QStringLiteral("Return"));
        STEP(keys(sequence));
        QTRY_VERIFY2_WITH_TIMEOUT(newWindows(shown + menus).size() == 1 && newWindows(shown).size() == 1,
                                  qPrintable(name(what) + QStringLiteral(" did not open")), WindowTimeoutMs);
        QTest::qWait(300);
        STEP(screenshot(name(what)));
        STEP(keys({QStringLiteral("Escape")}));
        QTRY_VERIFY2_WITH_TIMEOUT(newWindows(shown).isEmpty(), qPrintable(name(what) + QStringLiteral(" stayed open")),
                                  WindowTimeoutMs);
    }
}

void MarlinWindowTest::startMarlin(const QString &shotName)
{
    m_marlin = std::make_unique<QProcess>();
    m_marlin->setProcessEnvironment(environment());
    m_marlin->start(TestTools::appDir() + QStringLiteral("/marlin"), QStringList());
    QVERIFY(m_marlin->waitForStarted());
    QByteArray output;
    QElapsedTimer clock;
    clock.start();
    while (!output.contains('\n') && clock.elapsed() < StartTimeoutMs && m_marlin->state() == QProcess::Running) {
        m_marlin->waitForReadyRead(500);
        output += m_marlin->readAllStandardOutput();
    }
    // The line is all the program writes on its standard output.
    QCOMPARE(output, QByteArray("command:close splash screen\n"));

    const QByteArray found = xdotool({QStringLiteral("search"), QStringLiteral("--sync"), QStringLiteral("--onlyvisible"),
                                      QStringLiteral("--pid"), QString::number(m_marlin->processId()),
                                      QStringLiteral("--name"), QStringLiteral("^Marlin$")});
    m_window = QString::fromLatin1(found).split(QLatin1Char('\n'), Qt::SkipEmptyParts).value(0);
    QVERIFY2(!m_window.isEmpty(), "no window named Marlin");
    if (!shotName.isEmpty()) {
        // The window paints once the core has started behind it.
        QTest::qWait(1500);
        screenshot(shotName);
    }
}

void MarlinWindowTest::startPrintsSplashLine()
{
    startMarlin(QStringLiteral("1-started"));
}

void MarlinWindowTest::secondStartHandsOverItsAddress()
{
    QVERIFY(m_marlin && m_marlin->state() == QProcess::Running);
    const QString page = address(SampleSite::progressiveId());
    QProcess second;
    second.setProcessEnvironment(environment());
    second.start(TestTools::appDir() + QStringLiteral("/marlin"), {page});
    QVERIFY(second.waitForFinished(StartTimeoutMs));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
    QVERIFY(second.readAllStandardOutput().isEmpty());
    QTest::qWait(1000);
    screenshot(QStringLiteral("2-address-from-second-start"));

    // The address is in the first window's entry: Enter downloads it.
    const QStringList before = finishedFiles();
    focusWindow();
    bool ok = false;
    xdotool({QStringLiteral("key"), QStringLiteral("--clearmodifiers"), QStringLiteral("Return")}, &ok);
    QVERIFY(ok);
    QString file;
    QVERIFY2(waitForNewFile(before, &file), "the handed-over address gave no file");
    QTest::qWait(1000);
    screenshot(QStringLiteral("3-first-download-finished"));
    QVERIFY(QFileInfo(downloadFolder() + QLatin1Char('/') + file).size() > 0);
}

void MarlinWindowTest::typedAddressAndEnterGiveTheFile()
{
    QVERIFY(m_marlin && m_marlin->state() == QProcess::Running);
    const QStringList before = finishedFiles();
    typeAddress(address(SampleSite::dashId()));
    screenshot(QStringLiteral("4-address-typed"));
    bool ok = false;
    xdotool({QStringLiteral("key"), QStringLiteral("--clearmodifiers"), QStringLiteral("Return")}, &ok);
    QVERIFY(ok);
    // The balloon has faded in.
    QTest::qWait(1200);
    screenshot(QStringLiteral("5-added"));
    QString file;
    QVERIFY2(waitForNewFile(before, &file), "the typed address gave no file");
    QTest::qWait(1000);
    screenshot(QStringLiteral("6-second-download-finished"));
    const TestTools::ProbeResult probe = TestTools::probeStreams(downloadFolder() + QLatin1Char('/') + file);
    QVERIFY2(probe.ok, qPrintable(probe.error));
    QVERIFY(probe.hasVideo() && probe.hasAudio());
}

// From the download page by the keyboard: the list's Menu key, Convert, a
// preset chosen in the dialog, OK.
void MarlinWindowTest::downloadIsConvertedFromItsPage()
{
    QVERIFY(m_marlin && m_marlin->state() == QProcess::Running);
    const QStringList sources = finishedFiles();
    QVERIFY(!sources.isEmpty());
    focusWindow();
    const QStringList shown = visibleWindows();
    STEP(showPage(DownloadPage));
    STEP(keys({QStringLiteral("Home"), QStringLiteral("Menu")}));
    QTRY_VERIFY2_WITH_TIMEOUT(!newWindows(shown).isEmpty(), "the Menu key opened no menu", WindowTimeoutMs);
    STEP(screenshot(QStringLiteral("9-download-menu")));
    // Convert is the menu's active entry.
    STEP(keys({QStringLiteral("Return")}));
    const QString dialog = waitForWindow(QRegularExpression(QStringLiteral("^Convert to\\b")));
    QVERIFY2(!dialog.isEmpty(), "Convert opened no conversion dialog");
    // The dialog has the keyboard: the first tile of the Video presets is
    // the stored default, two to the right is "MP4 Original Size".
    STEP(keys({QStringLiteral("Home"), QStringLiteral("Right"), QStringLiteral("Right")}));
    STEP(screenshot(QStringLiteral("10-convert-to")));
    STEP(keys({QStringLiteral("Return")}));
    QTRY_VERIFY2_WITH_TIMEOUT(newWindows(shown).isEmpty(), "the conversion dialog did not take the keyboard",
                              WindowTimeoutMs);
    STEP(verifyKeyboardIsBack());

    QString converted;
    QTRY_VERIFY2_WITH_TIMEOUT(
        [&] {
            const QStringList now = finishedFiles();
            for (const QString &file : now) {
                if (!sources.contains(file) && file.contains(QLatin1String("__["))) {
                    converted = file;
                    return true;
                }
            }
            return false;
        }(),
        "no converted file", DownloadTimeoutMs);
    STEP(showPage(ConvertPage));
    STEP(screenshot(QStringLiteral("11-converted")));

    // The source is the download whose name the result starts with.
    QString source;
    for (const QString &file : sources) {
        if (converted.startsWith(QFileInfo(file).completeBaseName()))
            source = file;
    }
    QVERIFY2(!source.isEmpty(), qPrintable(converted));
    QVERIFY2(converted.endsWith(QLatin1String(".mp4")), qPrintable(converted));
    const TestTools::ProbeResult in = TestTools::probeStreams(downloadFolder() + QLatin1Char('/') + source);
    const TestTools::ProbeResult out = TestTools::probeStreams(downloadFolder() + QLatin1Char('/') + converted);
    QVERIFY2(in.ok && out.ok, qPrintable(in.error + out.error));
    QCOMPARE(out.count(QStringLiteral("video")), 1);
    QCOMPARE(out.count(QStringLiteral("audio")), 1);
    const TestTools::StreamInfo video = out.streamsOfType(QStringLiteral("video")).constFirst();
    QCOMPARE(video.codecName, QStringLiteral("h264"));
    QCOMPARE(out.streamsOfType(QStringLiteral("audio")).constFirst().codecName, QStringLiteral("aac"));
    // Original size: the source's frame.
    QCOMPARE(video.width, in.streamsOfType(QStringLiteral("video")).constFirst().width);
    QCOMPARE(video.height, in.streamsOfType(QStringLiteral("video")).constFirst().height);
}

// Qt's file dialog, opened by the convert page's last control, "Add
// Video(s)...": a file typed there is added and asks for its preset, and
// each closed dialog leaves the keyboard with the window.
void MarlinWindowTest::fileDialogTakesAndGivesBackTheKeyboard()
{
    QVERIFY(m_marlin && m_marlin->state() == QProcess::Running);
    const QStringList files = finishedFiles();
    QVERIFY(!files.isEmpty());
    STEP(focusWindow());
    const QStringList shown = visibleWindows();
    STEP(showPage(ConvertPage));
    STEP(keys({QStringLiteral("ctrl+l"), QStringLiteral("shift+Tab"), QStringLiteral("space")}));
    QVERIFY2(!waitForWindow(QRegularExpression(QStringLiteral("^Select one or more files\\b"))).isEmpty(),
             "Add Video(s) opened no file dialog");
    QTest::qWait(300);
    STEP(screenshot(QStringLiteral("12-file-dialog")));
    // The file name box has the keyboard.
    bool ok = false;
    xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("15"),
             downloadFolder() + QLatin1Char('/') + files.constFirst()},
            &ok);
    QVERIFY(ok);
    STEP(keys({QStringLiteral("Return")}));
    QVERIFY2(!waitForWindow(QRegularExpression(QStringLiteral("^Convert to\\b"))).isEmpty(),
             "the added file asked for no preset");
    // Cancelled: nothing is converted.
    STEP(keys({QStringLiteral("Escape")}));
    QTRY_VERIFY2_WITH_TIMEOUT(newWindows(shown).isEmpty(), "Escape left the conversion dialog open", WindowTimeoutMs);
    STEP(verifyKeyboardIsBack());
    QCOMPARE(finishedFiles(), files);
}

// Both skins from the Appearance menu, both languages from the Language
// menu, each with its pictures; the program ends in English and light.
void MarlinWindowTest::everyPageInBothSkinsAndLanguages()
{
    QVERIFY(m_marlin && m_marlin->state() == QProcess::Running);
    STEP(chooseSkin(QStringLiteral("p"), QStringLiteral("l"), QStringLiteral("light")));
    STEP(tour(QStringLiteral("en-light"), false));
    STEP(chooseSkin(QStringLiteral("p"), QStringLiteral("d"), QStringLiteral("dark")));
    STEP(tour(QStringLiteral("en-dark"), false));

    // "Deutsch" is the Language menu's first entry, English its second.
    const QStringList shown = visibleWindows();
    STEP(openTitleMenu());
    STEP(keys({QStringLiteral("l"), QStringLiteral("Return")}));
    QTRY_COMPARE_WITH_TIMEOUT(storedSetting(QStringLiteral("language")).toString(), QStringLiteral("de"),
                              WindowTimeoutMs);
    QTRY_VERIFY_WITH_TIMEOUT(newWindows(shown).isEmpty(), WindowTimeoutMs);
    STEP(tour(QStringLiteral("de-dark"), true));
    STEP(chooseSkin(QStringLiteral("e"), QStringLiteral("h"), QStringLiteral("light")));
    STEP(tour(QStringLiteral("de-light"), true));

    STEP(openTitleMenu());
    STEP(keys({QStringLiteral("s"), QStringLiteral("Down"), QStringLiteral("Return")}));
    QTRY_COMPARE_WITH_TIMEOUT(storedSetting(QStringLiteral("language")).toString(), QStringLiteral("en"),
                              WindowTimeoutMs);
    QTRY_VERIFY_WITH_TIMEOUT(newWindows(shown).isEmpty(), WindowTimeoutMs);
}

void MarlinWindowTest::settingChangeIsStoredAtOnce()
{
    QVERIFY(m_marlin && m_marlin->state() == QProcess::Running);
    QCOMPARE(storedSetting(QStringLiteral("app_max_convert_number")).toInt(), 1);
    focusWindow();
    showPage(SettingsPage);
    screenshot(QStringLiteral("13-settings"));
    // The page's last control is the conversions' limit; Down picks 2.
    keys({QStringLiteral("ctrl+l"), QStringLiteral("shift+Tab"), QStringLiteral("Down")});
    QTRY_COMPARE_WITH_TIMEOUT(storedSetting(QStringLiteral("app_max_convert_number")).toInt(), 2, 10000);
    screenshot(QStringLiteral("14-settings-changed"));
}

void MarlinWindowTest::closingDuringDownloadAsksFirst()
{
    QVERIFY(m_marlin && m_marlin->state() == QProcess::Running);
    const QStringList finished = finishedFiles();
    // Slow enough to be still running when the window is closed.
    m_server.setBandwidthLimit(64 * 1024);
    typeAddress(address(SampleSite::manifest().singleId));
    bool ok = false;
    xdotool({QStringLiteral("key"), QStringLiteral("--clearmodifiers"), QStringLiteral("Return")}, &ok);
    QVERIFY(ok);
    // The download is under way once its first bytes are on disk.
    QTRY_VERIFY_WITH_TIMEOUT(allFiles().size() > finished.size(), DownloadTimeoutMs);
    QTest::qWait(1000);
    screenshot(QStringLiteral("7-downloading"));

    // The window alone: the balloon of the new download has faded out.
    const int windows = 1;
    QTRY_COMPARE_WITH_TIMEOUT(visibleWindows().size(), windows, 15000);
    focusWindow();
    xdotool({QStringLiteral("key"), QStringLiteral("--clearmodifiers"), QStringLiteral("ctrl+q")}, &ok);
    QVERIFY(ok);
    QTRY_VERIFY_WITH_TIMEOUT(visibleWindows().size() > windows, 10000);
    QTest::qWait(500);
    screenshot(QStringLiteral("8-close-asks"));

    // No, the default answer, keeps the window and its download.
    xdotool({QStringLiteral("key"), QStringLiteral("--clearmodifiers"), QStringLiteral("Return")}, &ok);
    QVERIFY(ok);
    QTRY_COMPARE_WITH_TIMEOUT(visibleWindows().size(), windows, 10000);
    QTest::qWait(500);
    QCOMPARE(m_marlin->state(), QProcess::Running);

    // Asked again, Yes ends the program: the download is cancelled and its
    // unfinished files go.
    focusWindow();
    xdotool({QStringLiteral("key"), QStringLiteral("--clearmodifiers"), QStringLiteral("ctrl+q")}, &ok);
    QTRY_VERIFY_WITH_TIMEOUT(visibleWindows().size() > windows, 10000);
    xdotool({QStringLiteral("key"), QStringLiteral("--clearmodifiers"), QStringLiteral("alt+y")}, &ok);
    QVERIFY(ok);
    QVERIFY(m_marlin->waitForFinished(30000));
    QCOMPARE(m_marlin->exitStatus(), QProcess::NormalExit);
    QCOMPARE(m_marlin->exitCode(), 0);
    m_server.setBandwidthLimit(0);
    QCOMPARE(allFiles(), finished);
}

void MarlinWindowTest::signalEndsTheRunCleanly_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::addColumn<bool>("downloading");
    QTest::newRow("SIGTERM during a download") << int(SIGTERM) << true;
    QTest::newRow("SIGHUP") << int(SIGHUP) << false;
    QTest::newRow("SIGQUIT") << int(SIGQUIT) << false;
}

// As the end of a session or a closed terminal ends it: nothing is asked,
// the download is cancelled and leaves nothing behind.
void MarlinWindowTest::signalEndsTheRunCleanly()
{
    QFETCH(int, signalNumber);
    QFETCH(bool, downloading);
    const QStringList before = allFiles();
    startMarlin();
    if (downloading) {
        m_server.setBandwidthLimit(64 * 1024);
        typeAddress(address(SampleSite::manifest().singleId));
        bool ok = false;
        xdotool({QStringLiteral("key"), QStringLiteral("--clearmodifiers"), QStringLiteral("Return")}, &ok);
        QVERIFY(ok);
        QTRY_VERIFY_WITH_TIMEOUT(allFiles().size() > before.size(), DownloadTimeoutMs);
    }
    ::kill(pid_t(m_marlin->processId()), signalNumber);
    QVERIFY(m_marlin->waitForFinished(30000));
    m_server.setBandwidthLimit(0);
    QCOMPARE(m_marlin->exitStatus(), QProcess::NormalExit);
    QCOMPARE(m_marlin->exitCode(), 128 + signalNumber);
    QCOMPARE(allFiles(), before);
}

// From the title menu's Language entry while the program runs, and again at
// the next start.
void MarlinWindowTest::languageSwitchesToGerman()
{
    QVERIFY2(QFileInfo::exists(TestTools::appDir() + QStringLiteral("/translations/marlin_de.qm")),
             "the German translation is not built");
    startMarlin(QStringLiteral("15-english"));
    focusWindow();
    const QStringList shown = visibleWindows();
    // The title menu, then its Language entry by its mnemonic: the first
    // language is "Deutsch".
    keys({QStringLiteral("ctrl+l"), QStringLiteral("Tab"), QStringLiteral("Tab"), QStringLiteral("Tab"),
          QStringLiteral("space"), QStringLiteral("l")});
    QTRY_VERIFY_WITH_TIMEOUT(newWindows(shown).size() >= 2, 10000);
    QTest::qWait(300);
    const QStringList menus = newWindows(shown);
    for (int i = 0; i < menus.size(); ++i)
        screenshot(QStringLiteral("16-menu-%1").arg(i + 1), menus.at(i));
    keys({QStringLiteral("Return")});
    QTRY_COMPARE_WITH_TIMEOUT(storedSetting(QStringLiteral("language")).toString(), QStringLiteral("de"), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(newWindows(shown).isEmpty(), 10000);
    QTest::qWait(500);
    screenshot(QStringLiteral("17-german"));

    // The settings page in German; then the program ends and starts again.
    focusWindow();
    keys({QStringLiteral("ctrl+l"), QStringLiteral("Tab"), QStringLiteral("Tab"), QStringLiteral("Tab"),
          QStringLiteral("Tab"), QStringLiteral("Tab"), QStringLiteral("Tab"), QStringLiteral("space")});
    QTest::qWait(500);
    screenshot(QStringLiteral("18-german-settings"));
    keys({QStringLiteral("ctrl+q")});
    // Nothing is under way: the program ends without asking.
    QTRY_COMPARE_WITH_TIMEOUT(m_marlin->state(), QProcess::NotRunning, 30000);
    QCOMPARE(m_marlin->exitStatus(), QProcess::NormalExit);
    QCOMPARE(m_marlin->exitCode(), 0);

    startMarlin(QStringLiteral("19-german-next-start"));
    QCOMPARE(storedSetting(QStringLiteral("language")).toString(), QStringLiteral("de"));
    focusWindow();
    keys({QStringLiteral("ctrl+q")});
    // Nothing is under way: the program ends without asking.
    QTRY_COMPARE_WITH_TIMEOUT(m_marlin->state(), QProcess::NotRunning, 30000);
    QCOMPARE(m_marlin->exitStatus(), QProcess::NormalExit);
    QCOMPARE(m_marlin->exitCode(), 0);
}

QTEST_GUILESS_MAIN(MarlinWindowTest)
#include "tst_marlinwindow.moc"
