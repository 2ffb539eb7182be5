#include "tarncore/download/appcontext.h"
#include "tarncore/services/itunesplatform.h"
#include "tarncore/settings/settingsmanager.h"
#include "kelframe/kelfolders.h"
#include "kelframe/kelpref.h"
#include "support/testtools.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <memory>

extern "C" const char *tarncoreLogFile();

using namespace Tarn;

namespace {

// A machine with iTunes: the COM server entry names an existing file.
class InstalledItunes final : public ItunesPlatform
{
public:
    explicit InstalledItunes(const QString &exe) : executable(exe) {}
    QVariant registryValue(RegistryRoot root, const QString &key, const QString &name) const override
    {
        if (root == ClassesRoot && key.endsWith(QLatin1String("LocalServer32")) && name.isEmpty())
            return QStringLiteral("\"%1\"").arg(executable);
        return QVariant();
    }
    bool fileExists(const QString &path) const override { return QFileInfo::exists(path); }
    QString fileVersion(const QString &) const override { return QStringLiteral("12.0.0.0"); }
    bool isProcessRunning(const QString &) const override { return false; }
    QString roamingAppDataDir() const override { return QString(); }
    QLocale userDefaultLocale() const override { return QLocale::c(); }
    qint32 addFileToLibrary(const QString &) override { return 0; }
    bool quitApplication() override { return true; }

private:
    QString executable;
};

QString fixtureAppDir()
{
    return TestTools::sourceDir() + QStringLiteral("/tests/fixtures/settings");
}

} // namespace

class TestSettingsManager : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_root;
    std::unique_ptr<KelPref> m_pref;
    QByteArray m_processors;
    bool m_hadProcessors = false;

    void preset(const QString &key, const QVariant &value) { m_pref->setValue(key, value, false); }
    QVariant stored(const QString &key) const { return m_pref->value(key); }
    bool isStored(const QString &key) const { return m_pref->contains(key); }
    QString videoDir() const { return QDir::cleanPath(Kel::videoPath()); }
    // Writes a raw line into the store's file, as a user editing it would.
    void writeRawStore(const QByteArray &lines)
    {
        const QString file = m_pref->fileName();
        m_pref.reset();
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write("[General]\n" + lines + "\n");
        out.close();
        m_pref = std::make_unique<KelPref>(file);
        SettingsManager::setPreferenceStore(m_pref.get());
    }

private slots:
    void initTestCase()
    {
        m_hadProcessors = qEnvironmentVariableIsSet("NUMBER_OF_PROCESSORS");
        m_processors = qgetenv("NUMBER_OF_PROCESSORS");
    }

    void init()
    {
        m_root = std::make_unique<QTemporaryDir>();
        QVERIFY(m_root->isValid());
        Kel::setFolderRoot(m_root->path());
        m_pref = std::make_unique<KelPref>(m_root->filePath(QStringLiteral("settings.ini")));
        SettingsManager::setPreferenceStore(m_pref.get());
        AppContext::setAppDirOverride(fixtureAppDir());
        ItunesPlatform::setCurrent(nullptr);
    }

    void cleanup()
    {
        SettingsManager::setPreferenceStore(nullptr);
        ItunesPlatform::setCurrent(nullptr);
        AppContext::setAppDirOverride(QString());
        m_pref.reset();
        Kel::setFolderRoot(QString());
        m_root.reset();
        if (m_hadProcessors)
            qputenv("NUMBER_OF_PROCESSORS", m_processors);
        else
            qunsetenv("NUMBER_OF_PROCESSORS");
    }

    // The store behind every setting.
    void registryValuesGoThroughTheStore()
    {
        SettingsManager::setRegistryValue(QStringLiteral("app_probe"), 42);
        QCOMPARE(stored(QStringLiteral("app_probe")).toInt(), 42);
        QCOMPARE(SettingsManager::getRegistryValue(QStringLiteral("app_probe"), 0).toInt(), 42);
        QCOMPARE(SettingsManager::getRegistryValue(QStringLiteral("app_absent"), 7).toInt(), 7);
    }

    // Downloads at a time.
    void maxDownloadNumber_data()
    {
        QTest::addColumn<QVariant>("before");
        QTest::addColumn<int>("expected");
        QTest::newRow("nothing stored") << QVariant() << 5;
        QTest::newRow("zero") << QVariant(0) << 5;
        QTest::newRow("negative") << QVariant(-4) << 5;
        QTest::newRow("not a number") << QVariant(QStringLiteral("many")) << 5;
        QTest::newRow("three") << QVariant(3) << 3;
    }
    void maxDownloadNumber()
    {
        QFETCH(QVariant, before);
        QFETCH(int, expected);
        if (before.isValid())
            preset(QStringLiteral("app_max_download_number"), before);
        SettingsManager settings;
        QCOMPARE(settings.getMaxDownloadNumber(), expected);
        QCOMPARE(stored(QStringLiteral("app_max_download_number")).toInt(), expected);
    }

    void setMaxDownloadNumberIgnoresUselessValues()
    {
        SettingsManager settings;
        QCOMPARE(settings.getMaxDownloadNumber(), SettingsManager::DEFAULT_MAX_DOWNLOAD_NUMBER);
        settings.setMaxDownloadNumber(0);
        settings.setMaxDownloadNumber(-2);
        QCOMPARE(settings.getMaxDownloadNumber(), 5);
        // The same value as the cache is not written again.
        m_pref->remove(QStringLiteral("app_max_download_number"));
        settings.setMaxDownloadNumber(5);
        QVERIFY(!isStored(QStringLiteral("app_max_download_number")));
        settings.setMaxDownloadNumber(8);
        QCOMPARE(settings.getMaxDownloadNumber(), 8);
        QCOMPARE(stored(QStringLiteral("app_max_download_number")).toInt(), 8);
    }

    // Conversions at a time, from the processor count.
    void maxConvertNumber_data()
    {
        QTest::addColumn<QByteArray>("processors");
        QTest::addColumn<bool>("set");
        QTest::addColumn<int>("expected");
        QTest::newRow("eight") << QByteArray("8") << true << 7;
        QTest::newRow("two") << QByteArray("2") << true << 1;
        QTest::newRow("one") << QByteArray("1") << true << 1;
        QTest::newRow("zero") << QByteArray("0") << true << 1;
        QTest::newRow("negative") << QByteArray("-3") << true << 1;
        QTest::newRow("not a number") << QByteArray("eight") << true << 1;
        QTest::newRow("unset") << QByteArray() << false << qMax(1, QThread::idealThreadCount() - 1);
    }
    void maxConvertNumber()
    {
        QFETCH(QByteArray, processors);
        QFETCH(bool, set);
        QFETCH(int, expected);
        if (set)
            qputenv("NUMBER_OF_PROCESSORS", processors);
        else
            qunsetenv("NUMBER_OF_PROCESSORS");
        SettingsManager settings;
        QCOMPARE(settings.getMaxConvertNumber(), expected);
        QCOMPARE(stored(QStringLiteral("app_max_convert_number")).toInt(), expected);
    }

    void storedMaxConvertNumberBelowOneIsRepaired()
    {
        qputenv("NUMBER_OF_PROCESSORS", "8");
        preset(QStringLiteral("app_max_convert_number"), 0);
        SettingsManager settings;
        QCOMPARE(settings.getMaxConvertNumber(), 7);
        QCOMPARE(stored(QStringLiteral("app_max_convert_number")).toInt(), 7);
        settings.setMaxConvertNumber(-1);
        QCOMPARE(settings.getMaxConvertNumber(), 7);
        settings.setMaxConvertNumber(3);
        QCOMPARE(stored(QStringLiteral("app_max_convert_number")).toInt(), 3);
    }

    // Where converted files go.
    void convertSaveMode_data()
    {
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("expected");
        QTest::newRow("zero") << 0 << 2;
        QTest::newRow("three") << 3 << 2;
        QTest::newRow("negative") << -1 << 2;
        QTest::newRow("download dir") << 1 << 1;
        QTest::newRow("convert dir") << 2 << 2;
    }
    void convertSaveMode()
    {
        QFETCH(int, before);
        QFETCH(int, expected);
        preset(QStringLiteral("app_convert_save_mode"), before);
        SettingsManager settings;
        QCOMPARE(int(settings.getConvertSaveMode()), expected);
        QCOMPARE(stored(QStringLiteral("app_convert_save_mode")).toInt(), expected);
    }

    void convertSaveModeDefault()
    {
        SettingsManager settings;
        QCOMPARE(settings.getConvertSaveMode(), ConvertSaveInConvertDir);
        settings.setConvertSaveMode(ConvertSaveInDownloadDir);
        QCOMPARE(settings.getConvertSaveMode(), ConvertSaveInDownloadDir);
        QCOMPARE(stored(QStringLiteral("app_convert_save_mode")).toInt(), 1);
    }

    // Settings read afresh and limited to a range.
    void rangedSettings_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("expected");
        QTest::newRow("option mode 5") << "app_convert_option_mode" << 5 << 0;
        QTest::newRow("option mode -1") << "app_convert_option_mode" << -1 << 0;
        QTest::newRow("option mode 2") << "app_convert_option_mode" << 2 << 2;
        QTest::newRow("download view 2") << "app_download_view_mode" << 2 << 0;
        QTest::newRow("download view 1") << "app_download_view_mode" << 1 << 1;
        QTest::newRow("convert view -1") << "app_convert_view_mode" << -1 << 0;
        QTest::newRow("convert view 1") << "app_convert_view_mode" << 1 << 1;
        QTest::newRow("subtitle mode 4") << "app_subtitle_mode" << 4 << 0;
        QTest::newRow("subtitle mode 3") << "app_subtitle_mode" << 3 << 3;
    }
    void rangedSettings()
    {
        QFETCH(QString, key);
        QFETCH(int, before);
        QFETCH(int, expected);
        preset(key, before);
        SettingsManager settings;
        int actual = -100;
        if (key == QLatin1String("app_convert_option_mode"))
            actual = settings.getConvertOptionMode();
        else if (key == QLatin1String("app_download_view_mode"))
            actual = settings.downloadViewShowMode();
        else if (key == QLatin1String("app_convert_view_mode"))
            actual = settings.convertViewShowMode();
        else
            actual = settings.subtitleMode();
        QCOMPARE(actual, expected);
        // Reading repairs nothing in the store.
        QCOMPARE(stored(key).toInt(), before);
    }

    void setConvertOptionModeOutsideTheRangeStoresNothing()
    {
        SettingsManager settings;
        QCOMPARE(settings.getConvertOptionMode(), ConvertOptionAsk);
        settings.setConvertOptionMode(static_cast<ConvertOptionMode>(3));
        QVERIFY(!isStored(QStringLiteral("app_convert_option_mode")));
        settings.setConvertOptionMode(ConvertOptionQuick);
        QCOMPARE(settings.getConvertOptionMode(), ConvertOptionQuick);
        settings.setConvertOptionMode(static_cast<ConvertOptionMode>(-1));
        QCOMPARE(stored(QStringLiteral("app_convert_option_mode")).toInt(), 2);
    }

    // The quality a download prefers.
    void preferredQuality_data()
    {
        QTest::addColumn<QVariant>("before");
        QTest::addColumn<int>("expected");
        QTest::addColumn<QVariant>("after");
        QTest::newRow("nothing stored, preset says best") << QVariant() << 1 << QVariant();
        QTest::newRow("zero") << QVariant(0) << 1 << QVariant(0);
        QTest::newRow("seven") << QVariant(7) << 1 << QVariant(1);
        QTest::newRow("resolution") << QVariant(2) << 2 << QVariant(2);
    }
    void preferredQuality()
    {
        QFETCH(QVariant, before);
        QFETCH(int, expected);
        QFETCH(QVariant, after);
        if (before.isValid())
            preset(QStringLiteral("app_preferred_quality"), before);
        SettingsManager settings;
        QCOMPARE(int(settings.getPreferredQuality()), expected);
        if (after.isValid())
            QCOMPARE(stored(QStringLiteral("app_preferred_quality")).toInt(), after.toInt());
        else
            QVERIFY(!isStored(QStringLiteral("app_preferred_quality")));
    }

    void preferredResolution()
    {
        {
            SettingsManager settings;
            // The dictionary's download default.
            QCOMPARE(settings.getPreferredQualityResolution(), QSize(640, 360));
            settings.setPreferredQualityResolution(QSize(0, 720));
            settings.setPreferredQualityResolution(QSize(1280, -1));
            QVERIFY(!isStored(QStringLiteral("app_preferred_quality_resolution_width")));
            settings.setPreferredQualityResolution(QSize(1920, 1080));
            QCOMPARE(settings.getPreferredQualityResolution(), QSize(1920, 1080));
        }
        QCOMPARE(stored(QStringLiteral("app_preferred_quality_resolution_width")).toInt(), 1920);
        QCOMPARE(stored(QStringLiteral("app_preferred_quality_resolution_height")).toInt(), 1080);

        preset(QStringLiteral("app_preferred_quality_resolution_width"), 0);
        SettingsManager repaired;
        QCOMPARE(repaired.getPreferredQualityResolution(), QSize(640, 360));
        QCOMPARE(stored(QStringLiteral("app_preferred_quality_resolution_width")).toInt(), 640);
        QCOMPARE(stored(QStringLiteral("app_preferred_quality_resolution_height")).toInt(), 360);
    }

    void preferredFormat()
    {
        preset(QStringLiteral("app_preferred_quality_format"), QString());
        SettingsManager settings;
        QCOMPARE(settings.getPreferredQualityFormat(), QString("WEBM"));
        QCOMPARE(stored(QStringLiteral("app_preferred_quality_format")).toString(), QString("WEBM"));
        settings.setPreferredQualityFormat(QString());
        QCOMPARE(settings.getPreferredQualityFormat(), QString("WEBM"));
        settings.setPreferredQualityFormat(QStringLiteral("M4A"));
        QCOMPARE(settings.getPreferredQualityFormat(), QString("M4A"));
        QCOMPARE(stored(QStringLiteral("app_preferred_quality_format")).toString(), QString("M4A"));
    }

    // Destination folders.
    void storedDestinationFolders_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("before"); // "<root>" stands for the temporary root
        QTest::addColumn<bool>("fallsBack");
        for (const char *key : {"app_download_destination_dir", "app_convert_destination_dir"}) {
            const QByteArray k(key);
            QTest::newRow(k + ": relative") << key << "videos" << true;
            QTest::newRow(k + ": empty") << key << "" << true;
            QTest::newRow(k + ": blank") << key << "   " << true;
            QTest::newRow(k + ": below a file") << key << "<root>/settings.ini/sub" << true;
            QTest::newRow(k + ": new folder") << key << "<root>/out/new" << false;
            QTest::newRow(k + ": padded") << key << "  <root>/out/padded  " << false;
            QTest::newRow(k + ": backslashes") << key << "<root>\\out\\back\\slash\\" << false;
        }
    }
    void storedDestinationFolders()
    {
        QFETCH(QString, key);
        QFETCH(QString, before);
        QFETCH(bool, fallsBack);
        before.replace(QStringLiteral("<root>"), m_root->path());
        preset(key, before);
        m_pref->sync();
        SettingsManager settings;
        const bool download = key == QLatin1String("app_download_destination_dir");
        const QString dir = download ? settings.getDownloadDestDir() : settings.getConvertDestDir();
        if (fallsBack) {
            QCOMPARE(dir, videoDir());
            QCOMPARE(stored(key).toString(), videoDir());
        } else {
            // Checked, made and returned under one and the same name.
            QString returned = before.trimmed().replace(QLatin1Char('\\'), QLatin1Char('/'));
            while (returned.endsWith(QLatin1Char('/')))
                returned.chop(1);
            QCOMPARE(dir, returned);
            QVERIFY(QFileInfo(dir).isDir());
            if (before.contains(QLatin1Char('\\')))
                QVERIFY(!QFileInfo::exists(before.trimmed()));
        }
    }

    void destinationFolderDefaultsToTheVideoFolder()
    {
        SettingsManager settings;
        QCOMPARE(settings.getDownloadDestDir(), videoDir());
        QCOMPARE(settings.getConvertDestDir(), videoDir());
        QVERIFY(AppContext::getUserVideoDir().startsWith(m_root->path()));
    }

    void settingDestinationFolders()
    {
        SettingsManager settings;
        const QString wanted = m_root->filePath(QStringLiteral("my downloads"));
        QString windowsStyle = wanted;
        windowsStyle.replace(QLatin1Char('/'), QLatin1Char('\\'));
        settings.setDownloadDestDir(windowsStyle + QStringLiteral("\\"));
        QCOMPARE(settings.getDownloadDestDir(), wanted);
        QCOMPARE(stored(QStringLiteral("app_download_destination_dir")).toString(), wanted);
        QVERIFY(QFileInfo(wanted).isDir());

        settings.setConvertDestDir(wanted + QStringLiteral("///"));
        QCOMPARE(settings.getConvertDestDir(), wanted);

        settings.setDownloadDestDir(QString());
        QCOMPARE(settings.getDownloadDestDir(), wanted);
        settings.setDownloadDestDir(QStringLiteral("relative/dir"));
        QCOMPARE(settings.getDownloadDestDir(), videoDir());
        QCOMPARE(stored(QStringLiteral("app_download_destination_dir")).toString(), videoDir());
    }

    // Flags.
    void remainDownloadFile()
    {
        SettingsManager settings;
        QVERIFY(!settings.hasSetRemainDownloadFile());
        QVERIFY(!settings.remainDownloadFile());
        QVERIFY(settings.downloadAudioOnlyIfExist());
        settings.setRemainDownloadFile(true);
        QVERIFY(settings.hasSetRemainDownloadFile());
        QVERIFY(settings.remainDownloadFile());
        QVERIFY(!settings.downloadAudioOnlyIfExist());
        QCOMPARE(stored(QStringLiteral("app_remain_download_file")).toInt(), 1);
        settings.setRemainDownloadFile(false);
        QVERIFY(settings.hasSetRemainDownloadFile());
        QCOMPARE(stored(QStringLiteral("app_remain_download_file")).toInt(), 0);
    }

    void keepSubtitles()
    {
        SettingsManager settings;
        QVERIFY(settings.isKeepSubtitles());
        settings.setKeepSubtitles(false);
        QVERIFY(!settings.isKeepSubtitles());
    }

    void viewModesAndSubtitleModeAreStored()
    {
        SettingsManager settings;
        settings.setDownloadViewShowMode(ListViewShowModeThumbnail);
        settings.setConvertViewShowMode(ListViewShowModeThumbnail);
        settings.setSubtitleMode(Kel::PreferredLanguageSubtitles);
        QCOMPARE(settings.downloadViewShowMode(), ListViewShowModeThumbnail);
        QCOMPARE(settings.convertViewShowMode(), ListViewShowModeThumbnail);
        QCOMPARE(settings.subtitleMode(), Kel::PreferredLanguageSubtitles);
        settings.setLastConvertProfileName(QStringLiteral("iPhone"));
        QCOMPARE(settings.getLastConvertProfileName(), QString("iPhone"));
    }

    // Automatic export to iTunes.
    void exportIsOffWithoutItunes()
    {
        preset(QStringLiteral("app_download_export_itunes"), 1);
        preset(QStringLiteral("app_convert_export_itunes"), 1);
        SettingsManager settings;
        QVERIFY(!settings.isItunesInstalled());
        QVERIFY(!settings.isDownloadAutoExport2Itunes());
        QVERIFY(!settings.isConvertAutoExport2Itunes());
        QCOMPARE(stored(QStringLiteral("app_download_export_itunes")).toInt(), 0);
        QCOMPARE(stored(QStringLiteral("app_convert_export_itunes")).toInt(), 0);
    }

    void exportIsKeptWithItunes()
    {
        QTemporaryDir dir;
        const QString exe = dir.filePath(QStringLiteral("iTunes.exe"));
        QFile file(exe);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        InstalledItunes platform(exe);
        ItunesPlatform::setCurrent(&platform);

        preset(QStringLiteral("app_download_export_itunes"), 1);
        preset(QStringLiteral("app_convert_export_itunes"), -3);
        SettingsManager settings;
        QVERIFY(settings.isItunesInstalled());
        QVERIFY(settings.isDownloadAutoExport2Itunes());
        QVERIFY(!settings.isConvertAutoExport2Itunes());
        QCOMPARE(stored(QStringLiteral("app_convert_export_itunes")).toInt(), 0);
        settings.setConvertAutoExport2Itunes(true);
        QVERIFY(settings.isConvertAutoExport2Itunes());
        QCOMPARE(stored(QStringLiteral("app_convert_export_itunes")).toInt(), 1);
    }

    // Lists kept as text.
    void disabledMessagesAreJoinedWithOneComma()
    {
        SettingsManager settings;
        QVERIFY(settings.getDisabledBalloonMessages().isEmpty());
        settings.setMessageDisabled(QStringLiteral("a"));
        settings.setMessageDisabled(QStringLiteral("b"));
        QCOMPARE(settings.getDisabledBalloonMessages(), QString("a,b"));
        QCOMPARE(stored(QStringLiteral("app_disabled_messages")).toString(), QString("a,b"));
    }

    void subtitleLanguages()
    {
        // The numbers are this build's QLocale::Language values.
        preset(QStringLiteral("app_subtitle_languages"), QStringLiteral("31,x,,-2,42"));
        SettingsManager settings;
        QCOMPARE(settings.subtitleLanguages(),
                 QList<QLocale::Language>({static_cast<QLocale::Language>(31), static_cast<QLocale::Language>(42)}));
        settings.setSubtitleLanguages({QLocale::German, QLocale::Japanese, QLocale::English});
        QCOMPARE(stored(QStringLiteral("app_subtitle_languages")).toString(),
                 QStringLiteral("%1,%2,%3").arg(int(QLocale::German)).arg(int(QLocale::Japanese)).arg(int(QLocale::English)));
        QCOMPARE(settings.subtitleLanguages(),
                 QList<QLocale::Language>({QLocale::German, QLocale::Japanese, QLocale::English}));
        settings.setSubtitleLanguages({});
        QVERIFY(settings.subtitleLanguages().isEmpty());
    }

    void handEditedListsAreRead()
    {
        const QByteArray languages = QByteArray::number(int(QLocale::English)) + ", x, , -2, "
            + QByteArray::number(int(QLocale::German));
        writeRawStore("app_subtitle_languages=" + languages + "\napp_disabled_messages=a,b");
        SettingsManager settings;
        QCOMPARE(settings.subtitleLanguages(), QList<QLocale::Language>({QLocale::English, QLocale::German}));
        QCOMPARE(settings.getDisabledBalloonMessages(), QString("a,b"));
    }

    // Files of the installation.
    void resourcePaths()
    {
        QTemporaryDir app;
        AppContext::setAppDirOverride(app.path());
        QCOMPARE(AppContext::getAppConfDir(), app.path() + QStringLiteral("/conf"));
        SettingsManager settings;
        QCOMPARE(settings.getPresetProfileFile(), app.path() + QStringLiteral("/conf/profiles.json"));
        QCOMPARE(settings.getMediaInfoDictFile(), app.path() + QStringLiteral("/conf/basic_parameters.json"));
        QCOMPARE(settings.getLoadingStateImage(), app.path() + QStringLiteral("/resource/images/load_state_image.gif"));
        QCOMPARE(settings.getDefaultThumbnailImage(),
                 app.path() + QStringLiteral("/resource/images/default_thumbnail.png"));
        QCOMPARE(settings.getDefaultActionIconImage(),
                 app.path() + QStringLiteral("/resource/images/default_action_icon.png"));
        QCOMPARE(AppContext::getFontsDir(), app.path() + QStringLiteral("/fonts"));
    }

    void thumbnailFolderIsCreated()
    {
        SettingsManager settings;
        const QString dir = settings.getThumbnailDownloadDir();
        QCOMPARE(dir, AppContext::getAppDataDir() + QStringLiteral("/thumbnail"));
        QVERIFY(dir.startsWith(m_root->path()));
        QVERIFY(QFileInfo(dir).isDir());
    }

    void thumbnailFolderFailureIsLogged()
    {
        const QString dir = AppContext::getAppDataDir() + QStringLiteral("/thumbnail");
        QFile blocker(dir);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        const QString log = QString::fromLocal8Bit(tarncoreLogFile());
        const qint64 before = QFileInfo(log).size();

        SettingsManager settings;
        QCOMPARE(settings.getThumbnailDownloadDir(), dir);

        QFile logFile(log);
        QVERIFY2(logFile.open(QIODevice::ReadOnly), qPrintable(log));
        logFile.seek(qMax<qint64>(0, before));
        const QByteArray written = logFile.readAll();
        QVERIFY2(written.contains("create thumbnail dir error " + dir.toLocal8Bit()), written.constData());
        QVERIFY(written.contains("[ERROR]"));
    }

    // The dictionary is loaded on first use, and again while it is unusable.
    void dictionaryIsLoadedAgainWhileNull()
    {
        QTemporaryDir app;
        QVERIFY(QDir(app.path()).mkpath(QStringLiteral("conf")));
        const QString file = app.path() + QStringLiteral("/conf/basic_parameters.json");
        const auto write = [&file](const QByteArray &text) {
            QFile out(file);
            QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
            out.write(text);
        };
        write(R"({"Convert Format Support": {"Formats": ["MP4"]}})");
        AppContext::setAppDirOverride(app.path());
        SettingsManager settings;
        QVERIFY(settings.getMediaInfoDict().isNull());
        write(R"({"Convert Format Support": {"Formats": ["MP4", "MKV"], "Default": "MKV"}})");
        QVERIFY(!settings.getMediaInfoDict().isNull());
        QCOMPARE(settings.getMediaInfoDict().getConvertFormatSupport().getDefaultFormat(), QString("MKV"));
        // Loaded now: later changes of the file are not read.
        write(R"({"Convert Format Support": {"Formats": ["AVI"], "Default": "AVI"}})");
        QCOMPARE(settings.getMediaInfoDict().getConvertFormatSupport().getDefaultFormat(), QString("MKV"));
    }
};

QTEST_GUILESS_MAIN(TestSettingsManager)
#include "tst_settingsmanager.moc"
