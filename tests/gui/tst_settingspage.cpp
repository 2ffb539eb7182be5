// The settings page through its real widgets on the offscreen platform: what
// each control stores, the folder choice and its refusal, the order of the
// subtitle languages, the limits in the running pools, and the page's
// gallery in both skins under <build>/screenshots/settings/.
#include "gui/guitestsupport.h"
#include "support/testtools.h"

#include "kelframe/kelfolders.h"
#include "kelframe/kelmessagebox.h"
#include "kelframe/kelpref.h"
#include "kelframe/kelskin.h"
#include "marlin/convertparameters/convertparametersdialog.h"
#include "marlin/mainwindow/mainwindowutils.h"
#include "marlin/settings/foldervalidator.h"
#include "marlin/settings/multiselectcombobox.h"
#include "marlin/settings/settingwidget.h"
#include "tarncore/convert/convertmanager.h"
#include "tarncore/download/appcontext.h"
#include "tarncore/download/downloadmanager.h"
#include "tarncore/settings/settingsmanager.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QAbstractButton>
#include <QScopeGuard>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTranslator>
#include <QWheelEvent>

using namespace Tarn;

namespace {

SettingsManager *settings()
{
    return AppContext::instance()->getSettingsManager();
}

// Closes the next message box once it is up and keeps its text.
void answerNextBox(QString *text)
{
    QTimer::singleShot(0, [text] {
        QTRY_VERIFY(qobject_cast<KelMessageBox *>(QApplication::activeModalWidget()));
        auto *box = qobject_cast<KelMessageBox *>(QApplication::activeModalWidget());
        *text = (box->title() + QLatin1Char('\n') + box->text()).trimmed();
        box->reject();
    });
}

// A control of the page by its object name.
template <typename T>
T *part(const QWidget &page, const char *name)
{
    T *widget = page.findChild<T *>(QLatin1String(name));
    if (!widget)
        qFatal("The settings page has no %s", name);
    return widget;
}

} // namespace

class SettingsPageTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void bestKeepsStoredResolution();
    void readOnlyFolderRefused_data();
    void readOnlyFolderRefused();
    void germanMovedAboveEnglish();
    void folderValidator_data();
    void folderValidator();
    void limitReachesRunningPool_data();
    void limitReachesRunningPool();
    void convertSettingsFollowDialogAndRelays();
    void gallery_data();
    void gallery();

private:
    QString readOnlyFolder();

    QTemporaryDir m_root;
};

void SettingsPageTest::initTestCase()
{
    QVERIFY(m_root.isValid());
    GuiTest::isolate(m_root);
    AppContext::setAppDirOverride(TestTools::appDir());
    QVERIFY(AppContext::instance()->init());
    QCursor::setPos(-500, -500);
}

// A folder nobody may write to. Permission bits do not stop root, so a
// kernel folder stands in where they fail.
QString SettingsPageTest::readOnlyFolder()
{
    const QString folder = m_root.filePath(QStringLiteral("readonly"));
    QDir().mkpath(folder);
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther);
    return Kel::isFolderWritable(folder) ? QStringLiteral("/proc") : folder;
}

void SettingsPageTest::bestKeepsStoredResolution()
{
    settings()->setPreferredQuality(PreferredQualityResolution);
    settings()->setPreferredQualityResolution(QSize(640, 360));
    SettingWidget page;
    QComboBox *box = part<QComboBox>(page, "resolutionComboBox");
    QCOMPARE(box->currentData().toSize(), QSize(640, 360));

    box->setCurrentIndex(0);
    QCOMPARE(KelPref::instance()->value(QStringLiteral("app_preferred_quality")).toInt(), 1);
    QCOMPARE(KelPref::instance()->value(QStringLiteral("app_preferred_quality_resolution_width")).toInt(), 640);
    QCOMPARE(KelPref::instance()->value(QStringLiteral("app_preferred_quality_resolution_height")).toInt(), 360);

    box->setCurrentIndex(box->findData(QSize(1920, 1080)));
    QCOMPARE(settings()->getPreferredQuality(), PreferredQualityResolution);
    QCOMPARE(settings()->getPreferredQualityResolution(), QSize(1920, 1080));
}

void SettingsPageTest::readOnlyFolderRefused_data()
{
    QTest::addColumn<bool>("download");
    QTest::newRow("download folder") << true;
    QTest::newRow("convert folder") << false;
}

void SettingsPageTest::readOnlyFolderRefused()
{
    QFETCH(bool, download);
    const QString before = m_root.filePath(QStringLiteral("before"));
    QVERIFY(QDir().mkpath(before));
    download ? settings()->setDownloadDestDir(before) : settings()->setConvertDestDir(before);
    SettingWidget page;
    auto *shown = part<QLineEdit>(page, download ? "downloadSaveToLineEdit" : "convertSaveToLineEdit");
    auto *browse = part<QPushButton>(page, download ? "downloadSaveToPushButton" : "convertSaveToPushButton");
    const QString key = download ? QStringLiteral("app_download_destination_dir")
                                 : QStringLiteral("app_convert_destination_dir");

    const QString locked = readOnlyFolder();
    QString asked;
    page.setFolderChooser([&](QWidget *, const QString &, const QString &folder) {
        asked = folder;
        return locked;
    });
    QString message;
    answerNextBox(&message);
    browse->click();
    QCOMPARE(asked, QDir::toNativeSeparators(before));
    QCOMPARE(message, QStringLiteral("The folder \"%1\" is readonly.").arg(QDir::toNativeSeparators(locked)));
    QCOMPARE(KelPref::instance()->value(key).toString(), before);
    QCOMPARE(shown->text(), QDir::toNativeSeparators(before));

    // A folder that can take files is stored and shown at once.
    const QString after = m_root.filePath(QStringLiteral("after"));
    QVERIFY(QDir().mkpath(after));
    page.setFolderChooser([&](QWidget *, const QString &, const QString &) { return after + QLatin1Char('/'); });
    browse->click();
    QCOMPARE(KelPref::instance()->value(key).toString(), after);
    QCOMPARE(shown->text(), QDir::toNativeSeparators(after));
}

void SettingsPageTest::germanMovedAboveEnglish()
{
    settings()->setSubtitleMode(Kel::PreferredLanguageSubtitles);
    settings()->setSubtitleLanguages({QLocale::English});
    {
        SettingWidget page;
        MultiSelectComboBox *box = part<MultiSelectComboBox>(page, "subtitleLangComboBox");
        QVERIFY(box->isEnabled());
        QCOMPARE(box->checkItemData(0).toInt(), int(QLocale::English));
        QVERIFY(box->isChecked(0));
        QCOMPARE(box->checkItemText(1), QStringLiteral("Deutsch"));
        QVERIFY(!box->isChecked(1));

        box->showPopup();
        QVERIFY(box->popup()->isVisible());
        QListWidget *list = box->listWidget();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(1)).center());
        QVERIFY(box->isChecked(1));
        QCOMPARE(settings()->subtitleLanguages(), (QList<QLocale::Language>{QLocale::English, QLocale::German}));
        QTest::mouseClick(box->upButton(), Qt::LeftButton);
        box->hidePopup();
        QCOMPARE(box->currentText(), QStringLiteral("Deutsch; English;"));
    }
    QCOMPARE(KelPref::instance()->value(QStringLiteral("app_subtitle_languages")).toString(),
             QStringLiteral("%1,%2").arg(int(QLocale::German)).arg(int(QLocale::English)));
    SettingWidget again;
    QCOMPARE(part<MultiSelectComboBox>(again, "subtitleLangComboBox")->checkedData(),
             (QVariantList{int(QLocale::German), int(QLocale::English)}));
}

void SettingsPageTest::folderValidator_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<bool>("acceptable");
    const QString writable = m_root.filePath(QStringLiteral("writable"));
    QDir().mkpath(writable);
    QTest::newRow("writable folder") << writable << true;
    QTest::newRow("relative path") << QStringLiteral("writable") << false;
    QTest::newRow("missing folder") << m_root.filePath(QStringLiteral("no/such/folder")) << false;
    QTest::newRow("read-only folder") << readOnlyFolder() << false;
    QTest::newRow("forbidden character") << m_root.filePath(QStringLiteral("a|b")) << false;
}

void SettingsPageTest::folderValidator()
{
    QFETCH(QString, folder);
    QFETCH(bool, acceptable);
    if (folder.contains(QLatin1Char('|')))
        QVERIFY(QDir().mkpath(folder));
    FolderValidator validator;
    int pos = 0;
    QCOMPARE(validator.validate(folder, pos) == QValidator::Acceptable, acceptable);
}

void SettingsPageTest::limitReachesRunningPool_data()
{
    QTest::addColumn<bool>("download");
    QTest::newRow("downloads") << true;
    QTest::newRow("conversions") << false;
}

void SettingsPageTest::limitReachesRunningPool()
{
    QFETCH(bool, download);
    SettingWidget page;
    auto *box = part<QComboBox>(page, download ? "downloadMaxComboBox" : "convertMaxComboBox");
    Kel::ProgressedTaskPool &pool = download ? AppContext::instance()->getDownloadManager()->getDownloadPool()
                                             : AppContext::instance()->getConvertManager()->getConvertPool();
    const int wanted = pool.getMaxRunning() == 3 ? 4 : 3;
    box->setCurrentIndex(box->findText(QString::number(wanted == 3 ? 4 : 3)));

    // A wheel turned over the box while scrolling the page changes nothing.
    const QPointF centre = box->rect().center();
    QWheelEvent wheel(centre, box->mapToGlobal(centre), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(box, &wheel);
    QCOMPARE(box->currentText(), QString::number(wanted == 3 ? 4 : 3));

    box->setCurrentIndex(box->findText(QString::number(wanted)));
    QCOMPARE(pool.getMaxRunning(), wanted);
    QCOMPARE(download ? settings()->getMaxDownloadNumber() : settings()->getMaxConvertNumber(), wanted);
}

// Changes made elsewhere (the convert page, the conversion dialog) show on
// the page as soon as they are relayed, and the dialog the page runs itself
// leaves its choice on the page.
void SettingsPageTest::convertSettingsFollowDialogAndRelays()
{
    settings()->setConvertOptionMode(ConvertOptionAsk);
    settings()->setLastConvertProfileName(QString());
    SettingWidget page;
    QCOMPARE(part<QLineEdit>(page, "convertToLineEdit")->text(), settings()->getDefaultConvertProfileName());

    settings()->setConvertOptionMode(ConvertOptionQuick);
    emit MainWindowUtils::instance()->quickConvertChanged();
    QCOMPARE(part<QComboBox>(page, "conversionModeComboBox")->currentData().toInt(), int(ConvertOptionQuick));
    QVERIFY(part<QLabel>(page, "conversionModeInfoLabel")->text().startsWith(QStringLiteral("Convert automatically")));

    settings()->setLastConvertProfileName(SettingsManager::CustomizedProfileName);
    emit MainWindowUtils::instance()->lastConvertProfileChanged();
    QCOMPARE(part<QLineEdit>(page, "convertToLineEdit")->text(), QStringLiteral("Customized"));

    part<QComboBox>(page, "conversionModeComboBox")->setCurrentIndex(0);
    QCOMPARE(settings()->getConvertOptionMode(), ConvertOptionAsk);

    // "Change..." runs the conversion dialog; what it stores shows at once.
    QTimer::singleShot(0, [] {
        QTRY_VERIFY(qobject_cast<ConvertParametersDialog *>(QApplication::activeModalWidget()));
        auto *dialog = qobject_cast<ConvertParametersDialog *>(QApplication::activeModalWidget());
        QVERIFY(dialog->selectCategory(dialog->categoryButtons().first()->property("category").toString()));
        dialog->profileList()->setCurrentRow(dialog->profileList()->count() - 1);
        dialog->defaultCheckBox()->setChecked(true);
        dialog->acceptButton()->click();
    });
    part<QPushButton>(page, "convertToPushButton")->click();
    QCOMPARE(part<QLineEdit>(page, "convertToLineEdit")->text(), settings()->getLastConvertProfileName());
    QVERIFY(settings()->getLastConvertProfileName() != SettingsManager::CustomizedProfileName);
    QCOMPARE(part<QComboBox>(page, "conversionModeComboBox")->currentData().toInt(), int(ConvertOptionLastProfile));
}

void SettingsPageTest::gallery_data()
{
    QTest::addColumn<QString>("skin");
    QTest::addColumn<QString>("language");
    for (const QString &skin : KelSkin::availableSkins()) {
        QTest::newRow(qPrintable(skin)) << skin << QString();
        // The longer German texts must fit the same page.
        QTest::newRow(qPrintable(skin + QStringLiteral(", German"))) << skin << QStringLiteral("de");
    }
}

void SettingsPageTest::gallery()
{
    QFETCH(QString, skin);
    QFETCH(QString, language);
    QVERIFY(KelSkin::applySkin(skin));
    QTranslator translator;
    if (!language.isEmpty()) {
        QVERIFY(translator.load(QStringLiteral("marlin_") + language,
                                TestTools::appDir() + QStringLiteral("/translations")));
        QCoreApplication::installTranslator(&translator);
    }
    const auto removeTranslator = qScopeGuard([&translator] { QCoreApplication::removeTranslator(&translator); });
    const QString variant = language.isEmpty() ? skin : skin + QLatin1Char('-') + language;
    settings()->setSubtitleMode(Kel::PreferredLanguageSubtitles);
    settings()->setSubtitleLanguages({QLocale::German, QLocale::English});
    settings()->setConvertOptionMode(ConvertOptionLastProfile);
    settings()->setDownloadDestDir(m_root.filePath(QStringLiteral("Videos/Downloads")));
    settings()->setConvertDestDir(m_root.filePath(QStringLiteral("Videos/Converted")));

    // The page as large as the main window's page area at its first size.
    SettingWidget page;
    page.resize(890, 600);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    QVERIFY(GuiTest::saveShot(&page, QStringLiteral("settings"), QStringLiteral("page"), QStringLiteral("filled"),
                              variant));
    // The page needs no scrolling at that size.
    QVERIFY(!part<QScrollArea>(page, "settingsScrollArea")->verticalScrollBar()->isVisible());
    QVERIFY(!part<QScrollArea>(page, "settingsScrollArea")->horizontalScrollBar()->isVisible());

    MultiSelectComboBox *languages = part<MultiSelectComboBox>(page, "subtitleLangComboBox");
    languages->showPopup();
    languages->setCurrentRow(2);
    QVERIFY(QTest::qWaitForWindowExposed(languages->popup()));
    QVERIFY(GuiTest::saveShot(languages->popup(), QStringLiteral("settings"), QStringLiteral("languages"),
                              QStringLiteral("popup"), variant));
    languages->hidePopup();
}

QTEST_MAIN(SettingsPageTest)
#include "tst_settingspage.moc"
