#include "gui/guitestsupport.h"

#include "kelframe/kelaboutdialog.h"
#include "kelframe/kelapplication.h"
#include "kelframe/keldarkshadow.h"
#include "kelframe/kellangitemmodel.h"
#include "kelframe/kelmainwindow.h"
#include "kelframe/kelmessagebox.h"
#include "kelframe/kelpref.h"
#include "kelframe/kelproductinfo.h"
#include "kelframe/kelskin.h"
#include "kelframe/kelwidget.h"
#include "widgetkit/balloonmessagedialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QLabel>
#include <QLibraryInfo>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <functional>

namespace {

// Runs action on the next modal message box once it is up.
void onNextBox(std::function<void(KelMessageBox *)> action)
{
    QTimer::singleShot(0, [action] {
        QTRY_VERIFY(qobject_cast<KelMessageBox *>(QApplication::activeModalWidget()));
        action(qobject_cast<KelMessageBox *>(QApplication::activeModalWidget()));
    });
}

QAction *actionWithData(QMenu *menu, const QString &data)
{
    const QList<QAction *> actions = menu->actions();
    for (QAction *action : actions) {
        if (action->data().toString() == data)
            return action;
    }
    return nullptr;
}

} // namespace

// The framework's windows: language switching, message boxes, the start-up
// failure box, the product rules and the dark shadow.
class KelWindowsTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();

    void languageSwitchRetranslatesOpenWindows();
    void messageBoxAnswers_data();
    void messageBoxAnswers();
    void damagedInstallation();
    void productRules();
    void darkShadowCoversFrame();
    void frameWidgetMovesAndSizes_data();
    void frameWidgetMovesAndSizes();

private:
    bool useProductFile(const QByteArray &content);

    QTemporaryDir m_root;
};

void KelWindowsTest::initTestCase()
{
    QVERIFY(m_root.isValid());
    GuiTest::isolate(m_root);
    KelApplication::setTranslationsDir(QStringLiteral(MARLIN_APP_DIR "/translations"));
    KelPref::instance()->setValue(QStringLiteral("kelframe/language"), QStringLiteral("en"));
    KelApplication::instance()->installTranslators();
    QVERIFY(KelSkin::applySkin(QStringLiteral("light")));
}

void KelWindowsTest::cleanup()
{
    KelProductInfo::load(QStringLiteral("/nonexistent"));
}

bool KelWindowsTest::useProductFile(const QByteArray &content)
{
    QFile file(m_root.filePath(QStringLiteral("product.ini")));
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(content) == content.size()
           && (file.close(), KelProductInfo::load(file.fileName()));
}

// Choosing German in the language menu retranslates the main window, a
// dialog and a balloon that are open, Qt's own texts included; English comes
// back the same way.
void KelWindowsTest::languageSwitchRetranslatesOpenWindows()
{
    KelApplication *app = KelApplication::instance();
    QCOMPARE(KelApplication::availableLanguages(), QStringList({"de", "en"}));
    QCOMPARE(KelApplication::languageDisplayName(QStringLiteral("de")), QStringLiteral("Deutsch"));

    KelMainWindow window;
    QVERIFY(window.initialize());
    QVERIFY(!window.initialize());
    window.show(true);
    KelAboutDialog about(&window);
    about.show();
    Tarn::BalloonMessageDialog balloon(&window);
    auto *dontShow = balloon.findChild<QCheckBox *>(QStringLiteral("disableMsgCheckBox"));
    KelMessageBox box(&window);
    box.setButtons(QDialogButtonBox::Yes | QDialogButtonBox::No);
    box.show();
    auto *closeButton = about.findChild<QPushButton *>(QStringLiteral("closeButton"));
    QCOMPARE(window.languageMenu()->title(), QStringLiteral("&Language"));
    QCOMPARE(dontShow->text(), QStringLiteral("Don't show me again"));

    window.languageMenu()->aboutToShow();
    QAction *german = actionWithData(window.languageMenu(), QStringLiteral("de"));
    QVERIFY(german);
    QCOMPARE(german->text(), QStringLiteral("Deutsch"));
    german->trigger();

    QCOMPARE(KelLangItemModel::currentLangName(), QStringLiteral("de"));
    QCOMPARE(KelPref::instance()->value(QStringLiteral("kelframe/language")).toString(), QStringLiteral("de"));
    QTRY_COMPARE(window.languageMenu()->title(), QStringLiteral("&Sprache"));
    QTRY_COMPARE(closeButton->text(), QStringLiteral("Schließen"));
    QTRY_COMPARE(dontShow->text(), QStringLiteral("Nicht mehr anzeigen"));
    QCOMPARE(window.exitAction()->text(), QStringLiteral("&Beenden"));
    QTRY_VERIFY(german->isChecked());
    if (QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + QStringLiteral("/qtbase_de.qm")))
        QTRY_COMPARE(box.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Yes)->text(), QStringLiteral("&Ja"));

    QVERIFY(!app->setLanguage(QStringLiteral("xx")));
    QCOMPARE(KelLangItemModel::currentLangName(), QStringLiteral("de"));

    QVERIFY(app->setLanguage(QStringLiteral("en")));
    QTRY_COMPARE(window.languageMenu()->title(), QStringLiteral("&Language"));
    QTRY_COMPARE(dontShow->text(), QStringLiteral("Don't show me again"));
    QCOMPARE(KelLangItemModel::currentLangName(), QStringLiteral("en"));
}

void KelWindowsTest::messageBoxAnswers_data()
{
    using Box = QDialogButtonBox;
    QTest::addColumn<int>("buttons");
    QTest::addColumn<int>("defaultButton");
    QTest::addColumn<QString>("gesture");
    QTest::addColumn<int>("answer");
    QTest::newRow("click yes") << int(Box::Yes | Box::No) << int(Box::No) << "click yes" << int(Box::Yes);
    QTest::newRow("click no") << int(Box::Yes | Box::No) << int(Box::No) << "click no" << int(Box::No);
    QTest::newRow("enter takes default") << int(Box::Yes | Box::No) << int(Box::No) << "enter" << int(Box::No);
    QTest::newRow("escape without cancel") << int(Box::Yes | Box::No) << int(Box::Yes) << "escape" << int(Box::No);
    QTest::newRow("escape with cancel") << int(Box::Yes | Box::No | Box::Cancel) << int(Box::Yes) << "escape"
                                        << int(Box::Cancel);
    QTest::newRow("window closed") << int(Box::Ok | Box::Cancel) << int(Box::Ok) << "close" << int(Box::Cancel);
}

void KelWindowsTest::messageBoxAnswers()
{
    QFETCH(int, buttons);
    QFETCH(int, defaultButton);
    QFETCH(QString, gesture);
    QFETCH(int, answer);

    onNextBox([gesture](KelMessageBox *box) {
        auto *buttonBox = box->findChild<QDialogButtonBox *>();
        if (gesture == QLatin1String("click yes"))
            QTest::mouseClick(buttonBox->button(QDialogButtonBox::Yes), Qt::LeftButton);
        else if (gesture == QLatin1String("click no"))
            QTest::mouseClick(buttonBox->button(QDialogButtonBox::No), Qt::LeftButton);
        else if (gesture == QLatin1String("enter"))
            QTest::keyClick(box, Qt::Key_Return);
        else if (gesture == QLatin1String("escape"))
            QTest::keyClick(box, Qt::Key_Escape);
        else
            box->close();
    });
    const QDialogButtonBox::StandardButton pressed = KelMessageBox::question(
        QStringLiteral("Exit"), QStringLiteral("The video is being downloaded/converted. \nAre you sure to exit?"),
        QDialogButtonBox::StandardButtons(buttons), nullptr, QDialogButtonBox::StandardButton(defaultButton));
    QCOMPARE(int(pressed), answer);
}

// Started without arguments, a damaged installation says so in a warning
// box; with arguments it ends silently. Both end with 0.
void KelWindowsTest::damagedInstallation()
{
    QString title;
    QString text;
    KelMessageBox::Kind kind = KelMessageBox::Information;
    onNextBox([&](KelMessageBox *box) {
        title = box->title();
        text = box->text();
        kind = box->kind();
        QTest::keyClick(box, Qt::Key_Escape);
    });
    QCOMPARE(KelApplication::reportDamagedInstallation(1), 0);
    QCOMPARE(title, QStringLiteral("Error"));
    QCOMPARE(text, QStringLiteral("Start the program failed. Please re-install it."));
    QCOMPARE(kind, KelMessageBox::Warning);

    bool boxSeen = false;
    QTimer::singleShot(0, [&] { boxSeen = QApplication::activeModalWidget() != nullptr; });
    QCOMPARE(KelApplication::reportDamagedInstallation(3), 0);
    QTest::qWait(50);
    QVERIFY(!boxSeen);
}

// "support_mac_app_store" names the organisation after the company; the
// menu switches decide what the menu button's menu offers.
void KelWindowsTest::productRules()
{
    KelApplication *app = KelApplication::instance();
    QVERIFY(useProductFile("[General]\ncompany_root_key=Acme\nsupport_mac_app_store=false\n"
                           "support_menu_skin=false\nsupport_menu_update=false\n"));
    app->setOrganizationName(QString());
    QVERIFY(!app->applyMacAppStoreRule());
    QCOMPARE(QCoreApplication::organizationName(), QString());
    {
        KelMainWindow window;
        window.initialize();
        const QList<QAction *> offered = window.titleButtonMenu()->actions();
        QVERIFY(!offered.contains(window.skinMenu()->menuAction()));
        QVERIFY(!offered.contains(window.checkUpdateAction()));
        QVERIFY(offered.contains(window.languageMenu()->menuAction()));
        QVERIFY(offered.contains(window.exitAction()));
    }

    QVERIFY(useProductFile("[General]\ncompany_root_key=Acme\nsupport_mac_app_store=true\n"));
    QVERIFY(app->applyMacAppStoreRule());
    QCOMPARE(QCoreApplication::organizationName(), QStringLiteral("Acme"));
    QCOMPARE(QCoreApplication::organizationDomain(), QStringLiteral("Acme"));
    KelMainWindow window;
    QSignalSpy shippedTool(&window, &KelMainWindow::useShippedToolRequested);
    window.initialize();
    window.setTitleShowMenu(true);
    QCOMPARE(window.findChild<QToolButton *>(QStringLiteral("menuButton"))->menu(), window.titleButtonMenu());
    const QList<QAction *> offered = window.titleButtonMenu()->actions();
    QCOMPARE(offered.indexOf(window.useShippedToolAction()), offered.indexOf(window.checkUpdateAction()) + 1);
    window.useShippedToolAction()->trigger();
    QCOMPARE(shippedTool.count(), 1);
    QVERIFY(offered.indexOf(window.skinMenu()->menuAction()) < offered.indexOf(window.languageMenu()->menuAction()));
    QVERIFY(offered.indexOf(window.checkUpdateAction()) < offered.indexOf(window.exitAction()));
    QCOMPARE(offered.last(), window.exitAction());

    // The appearance menu switches the skin.
    QAction *dark = actionWithData(window.skinMenu(), QStringLiteral("dark"));
    dark->trigger();
    QCOMPARE(KelSkin::currentSkin(), QStringLiteral("dark"));
    QVERIFY(dark->isChecked());
    KelSkin::applySkin(QStringLiteral("light"));
    QVERIFY(actionWithData(window.skinMenu(), QStringLiteral("light"))->isChecked());
}

// The shadow covers the whole frame, fades to its opacity, follows the
// frame's size and goes at once.
void KelWindowsTest::darkShadowCoversFrame()
{
    KelMainWindow window;
    window.show(true);
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.showDarkShadow();
    KelDarkShadow *shadow = window.darkShadow();
    QVERIFY(window.isDarkShadowShown());
    QCOMPARE(shadow->geometry(), window.widgetFrame()->rect());
    QTRY_COMPARE(shadow->opacity(), KelDarkShadow::ShownOpacity);
    window.resize(window.size() + QSize(80, 40));
    QTRY_COMPARE(shadow->geometry(), window.widgetFrame()->rect());
    window.clearDarkShadow();
    QVERIFY(!window.isDarkShadowShown());
}

void KelWindowsTest::frameWidgetMovesAndSizes_data()
{
    QTest::addColumn<QPoint>("press");
    QTest::addColumn<QPoint>("drag");
    QTest::addColumn<QRect>("expected");
    // A 200 x 120 widget at (50, 40) in a 500 x 400 parent.
    QTest::newRow("moved by its middle") << QPoint(100, 60) << QPoint(30, 20) << QRect(80, 60, 200, 120);
    QTest::newRow("wider by the right edge") << QPoint(198, 60) << QPoint(40, 0) << QRect(50, 40, 240, 120);
    QTest::newRow("sized by the top-left corner") << QPoint(1, 1) << QPoint(-10, -20) << QRect(40, 20, 210, 140);
    QTest::newRow("never below its minimum") << QPoint(198, 118) << QPoint(-190, -110) << QRect(50, 40, 80, 50);
}

// A frameless widget follows the mouse: moved by a free part, sized by an
// edge or corner, never smaller than its minimum.
void KelWindowsTest::frameWidgetMovesAndSizes()
{
    QFETCH(QPoint, press);
    QFETCH(QPoint, drag);
    QFETCH(QRect, expected);
    QWidget parent;
    parent.resize(500, 400);
    KelWidget widget(&parent);
    widget.setMinimumSize(80, 50);
    widget.setGeometry(50, 40, 200, 120);
    parent.show();
    QVERIFY(QTest::qWaitForWindowExposed(&parent));
    QTest::mousePress(&widget, Qt::LeftButton, {}, press);
    QTest::mouseMove(&widget, press + drag);
    QTest::mouseRelease(&widget, Qt::LeftButton, {}, press + drag);
    QCOMPARE(widget.geometry(), expected);
}

int main(int argc, char **argv)
{
    KelApplication app(QString(), argc, argv);
    KelWindowsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_kelwindows.moc"
