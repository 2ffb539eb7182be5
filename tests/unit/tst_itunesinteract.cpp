#include "tarncore/services/itunesinteract.h"
#include "tarncore/services/itunesplatform.h"
#include "tarncore/services/kelmitunesdevice.h"
#include "support/testtools.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QtTest>

#include <atomic>
#include <chrono>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

using namespace Tarn;

namespace {

const QString LocalServerKey = QStringLiteral("CLSID\\{DC0C2640-1415-4644-875C-6F4D769839BA}\\LocalServer32");
const QString ItunesKey = QStringLiteral("SOFTWARE\\Apple Computer, Inc.\\iTunes");

QString fixtureDir()
{
    return TestTools::sourceDir() + QStringLiteral("/tests/fixtures/itunes");
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(content) == content.size();
}

QByteArray utf16Base64(const QString &text)
{
    return QByteArray(reinterpret_cast<const char *>(text.utf16()), text.size() * 2).toBase64();
}

// A Windows machine as the iTunes layer sees it.
class FakeSystem final : public ItunesPlatform
{
public:
    QMap<QString, QVariant> registry;
    QString version;
    bool running = false;
    QString roaming;
    QLocale locale = QLocale(QLocale::English, QLocale::UnitedStates);
    qint32 comResult = 0;
    mutable QStringList comAdded;
    int quitCalls = 0;
    int comDelayMs = 0;
    std::atomic<int> inside{0};
    std::atomic<int> mostInside{0};

    void setRegistry(RegistryRoot root, const QString &key, const QString &name, const QVariant &value)
    {
        registry.insert(QStringLiteral("%1|%2|%3").arg(root).arg(key, name), value);
    }
    void setServer(const QString &exe) { setRegistry(ClassesRoot, LocalServerKey, QString(), exe); }

    QVariant registryValue(RegistryRoot root, const QString &key, const QString &name) const override
    {
        return registry.value(QStringLiteral("%1|%2|%3").arg(root).arg(key, name));
    }
    bool fileExists(const QString &path) const override { return QFileInfo::exists(path); }
    QString fileVersion(const QString &) const override { return version; }
    bool isProcessRunning(const QString &name) const override
    {
        return running && name == QLatin1String("iTunes.exe");
    }
    QString roamingAppDataDir() const override { return roaming; }
    QLocale userDefaultLocale() const override { return locale; }
    qint32 addFileToLibrary(const QString &file) override
    {
        const int now = ++inside;
        int seen = mostInside.load();
        while (now > seen && !mostInside.compare_exchange_weak(seen, now)) {
        }
        if (comDelayMs > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(comDelayMs));
        comAdded << file;
        --inside;
        return comResult;
    }
    bool quitApplication() override
    {
        ++quitCalls;
        return true;
    }
};

// Standard output of the process while a function runs.
template<typename Function>
QByteArray captureStdout(Function function)
{
    QTemporaryFile capture;
    if (!capture.open())
        return QByteArray("capture failed");
    std::fflush(stdout);
    const int saved = ::dup(STDOUT_FILENO);
    ::dup2(capture.handle(), STDOUT_FILENO);
    function();
    std::fflush(stdout);
    ::dup2(saved, STDOUT_FILENO);
    ::close(saved);
    capture.seek(0);
    return capture.readAll();
}

} // namespace

class TestItunesInteract : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString path(const QString &relative) const { return m_dir->filePath(relative); }

    // A complete iTunes of the given version: executable, preferences,
    // library and a media folder with its automatic-import folder.
    void setUpItunes(FakeSystem &system, const QString &version, bool withImportFolder = true)
    {
        system.version = version;
        system.setServer(QStringLiteral("\"%1\"").arg(path(QStringLiteral("iTunes/iTunes.exe"))));
        QVERIFY(writeFile(path(QStringLiteral("iTunes/iTunes.exe")), "exe"));
        system.roaming = path(QStringLiteral("Roaming"));
        const QString library = path(QStringLiteral("Music/iTunes/iTunes Music Library.xml"));
        QVERIFY(writeFile(system.roaming + QStringLiteral("/Apple Computer/iTunes/iTunesPrefs.xml"),
                          "<dict><key>iTunes Library XML Location:1</key>\n<data>\n" + utf16Base64(library)
                              + "\n</data></dict>"));
        QString media = QUrl::toPercentEncoding(path(QStringLiteral("Music/iTunes/iTunes Media/")), "/");
        QVERIFY(writeFile(library, "<plist><dict><key>Music Folder</key><string>file://localhost" + media.toUtf8()
                                       + "</string></dict></plist>"));
        if (withImportFolder)
            QVERIFY(QDir().mkpath(path(QStringLiteral("Music/iTunes/iTunes Media/Automatically Add to iTunes"))));
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        ItunesPlatform::setCurrent(nullptr);
    }

    void cleanup()
    {
        ItunesPlatform::setCurrent(nullptr);
        m_dir.reset();
    }

    // Detection.
    void notInstalledOnThisSystem()
    {
        KelmITunesDevice device;
        QVERIFY(!device.isItunesInstalled());
        QVERIFY(!device.isITunesStarted());
        QVERIFY(!device.importFile(path(QStringLiteral("a.mp4")), QString()));
    }

    void isInstalled_data()
    {
        QTest::addColumn<QString>("value"); // "<exe>" stands for an existing file
        QTest::addColumn<bool>("installed");
        QTest::newRow("quoted") << "\"<exe>\"" << true;
        QTest::newRow("plain") << "<exe>" << true;
        QTest::newRow("missing file") << "\"<exe>.gone\"" << false;
        QTest::newRow("empty value") << "" << false;
        QTest::newRow("no key") << QString() << false;
    }
    void isInstalled()
    {
        QFETCH(QString, value);
        QFETCH(bool, installed);
        FakeSystem system;
        const QString exe = path(QStringLiteral("iTunes Folder/iTunes.exe"));
        QVERIFY(writeFile(exe, "exe"));
        if (!value.isNull())
            system.setServer(value.replace(QStringLiteral("<exe>"), exe));
        QCOMPARE(ItunesInteract::isInstalled(system), installed);
        KelmITunesDevice device(&system);
        QCOMPARE(device.isItunesInstalled(), installed);
        ItunesPlatform::setCurrent(&system);
        QCOMPARE(KelmITunesDevice().isItunesInstalled(), installed);
    }

    void executableFromTheDefaultIcon()
    {
        FakeSystem system;
        system.setRegistry(ItunesPlatform::ClassesRoot, QStringLiteral("iTunes\\DefaultIcon"), QString(),
                           QStringLiteral("\"C:\\Program Files\\iTunes\\iTunes.exe\",0"));
        QCOMPARE(ItunesInteract::executablePath(system), QString("C:\\Program Files\\iTunes\\iTunes.exe"));
        system.setServer(QStringLiteral("\"D:\\iTunes\\iTunes.exe\""));
        QCOMPARE(ItunesInteract::executablePath(system), QString("D:\\iTunes\\iTunes.exe"));
        system.version = QStringLiteral("12.13.0.9");
        QCOMPARE(ItunesInteract::version(system), QString("12.13.0.9"));
        QVERIFY(ItunesInteract::version(FakeSystem()).isEmpty());
    }

    void stripQuotes_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("both") << "\"a b\"" << "a b";
        QTest::newRow("leading") << "\"a" << "a";
        QTest::newRow("only one each") << "\"\"a\"\"" << "\"a\"";
        QTest::newRow("none") << "a" << "a";
    }
    void stripQuotes()
    {
        QFETCH(QString, value);
        QFETCH(QString, expected);
        QCOMPARE(ItunesInteract::stripQuotes(value), expected);
    }

    void compareVersions_data()
    {
        QTest::addColumn<QString>("left");
        QTest::addColumn<QString>("right");
        QTest::addColumn<int>("sign");
        QTest::newRow("equal") << "9.1.1.11" << "9.1.1.11" << 0;
        QTest::newRow("last part") << "9.1.1.12" << "9.1.1.11" << 1;
        QTest::newRow("numbers, not text") << "12.13.0.9" << "9.1.1.11" << 1;
        QTest::newRow("two digits") << "9.1.1.9" << "9.1.1.11" << -1;
        QTest::newRow("missing parts are zero") << "9.1.1" << "9.1.1.0" << 0;
        QTest::newRow("shorter and lower") << "9.1" << "9.1.1.11" << -1;
        QTest::newRow("unknown") << "" << "7.0.0.0" << -1;
    }
    void compareVersions()
    {
        QFETCH(QString, left);
        QFETCH(QString, right);
        QFETCH(int, sign);
        const int result = ItunesInteract::compareVersions(left, right);
        QCOMPARE((result > 0) - (result < 0), sign);
        QCOMPARE(-((ItunesInteract::compareVersions(right, left) > 0) - (ItunesInteract::compareVersions(right, left) < 0)), sign);
    }

    // The media folder.
    void preferenceFile_data()
    {
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("name");
        QTest::newRow("7") << "7.0.0.0" << "iTunesPrefs.xml";
        QTest::newRow("12") << "12.13.0.9" << "iTunesPrefs.xml";
        QTest::newRow("6") << "6.0.5.20" << "iTunes.pref";
    }
    void preferenceFile()
    {
        QFETCH(QString, version);
        QFETCH(QString, name);
        QCOMPARE(ItunesInteract::preferenceFile(QStringLiteral("C:/Users/Ann/AppData/Roaming/"), version),
                 QStringLiteral("C:/Users/Ann/AppData/Roaming/Apple Computer/iTunes/") + name);
    }

    void libraryLocationFromPreferences()
    {
        QCOMPARE(ItunesInteract::libraryXmlLocation(readFile(fixtureDir() + QStringLiteral("/iTunesPrefs.xml"))),
                 QString("C:\\Users\\Ann\\Music\\iTunes\\iTunes Music Library.xml"));
        QCOMPARE(ItunesInteract::libraryXmlLocation(readFile(fixtureDir() + QStringLiteral("/iTunes.pref"))),
                 QString("C:\\Documents and Settings\\Ann\\My Documents\\My Music\\iTunes\\iTunes Music Library.xml"));
        QVERIFY(ItunesInteract::libraryXmlLocation("<key>Library Name:1</key><data>abc</data>").isEmpty());
        QVERIFY(ItunesInteract::libraryXmlLocation("<key>iTunes Library XML Location:1</key><data>C:\\x").isEmpty());
        QVERIFY(ItunesInteract::libraryXmlLocation(QByteArray()).isEmpty());
    }

    void musicFolderFromLibrary_data()
    {
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<QString>("expected");
        QTest::newRow("fixture") << readFile(fixtureDir() + QStringLiteral("/iTunes Music Library.xml"))
                                 << "C:/Users/Ann/Music/iTunes/iTunes Media";
        QTest::newRow("entity and escapes")
            << QByteArray("<key>Music Folder</key><string>file://localhost/D:/R&#38;B%20Music/</string>")
            << "D:/R&B Music";
        QTest::newRow("named entity") << QByteArray("<key>Music Folder</key><string>file://localhost/D:/A&amp;B</string>")
                                      << "D:/A&B";
        QTest::newRow("absolute path") << QByteArray("<key>Music Folder</key><string>file://localhost/srv/m%C3%BCsic/</string>")
                                       << QString::fromUtf8("/srv/m\xc3\xbcsic");
        QTest::newRow("no key") << QByteArray("<key>Tracks</key><string>file://localhost/C:/x/</string>") << "";
    }
    void musicFolderFromLibrary()
    {
        QFETCH(QByteArray, xml);
        QFETCH(QString, expected);
        QCOMPARE(ItunesInteract::musicFolderFromLibrary(xml), expected);
    }

    void mediaFolderOfTheInstalledItunes_data()
    {
        QTest::addColumn<QString>("version");
        QTest::newRow("xml preferences") << "10.7.0.21";
        QTest::newRow("old preferences") << "6.0.5.20";
    }
    void mediaFolderOfTheInstalledItunes()
    {
        QFETCH(QString, version);
        FakeSystem system;
        setUpItunes(system, version);
        if (ItunesInteract::compareVersions(version, QStringLiteral("7.0.0.0")) < 0) {
            // The old file keeps the path as plain text.
            const QString library = path(QStringLiteral("Music/iTunes/iTunes Music Library.xml"));
            QVERIFY(writeFile(system.roaming + QStringLiteral("/Apple Computer/iTunes/iTunes.pref"),
                              "<key>iTunes Library XML Location:1</key><data>" + library.toUtf8() + "</data>"));
            QVERIFY(QFile::remove(system.roaming + QStringLiteral("/Apple Computer/iTunes/iTunesPrefs.xml")));
        }
        QCOMPARE(ItunesInteract::GetMusicFolderPathEx(system), path(QStringLiteral("Music/iTunes/iTunes Media")));
        QCOMPARE(KelmITunesDevice(&system).getMusicFolderPath(), path(QStringLiteral("Music/iTunes/iTunes Media")));
    }

    void mediaFolderFailures()
    {
        FakeSystem system;
        setUpItunes(system, QStringLiteral("10.0.0.0"));
        QVERIFY(QFile::remove(path(QStringLiteral("Music/iTunes/iTunes Music Library.xml"))));
        QVERIFY(ItunesInteract::GetMusicFolderPathEx(system).isEmpty());
        system.roaming = path(QStringLiteral("Nowhere"));
        QVERIFY(ItunesInteract::GetMusicFolderPathEx(system).isEmpty());
    }

    // The automatic-import folder's name.
    void languageFolderName_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("folder");
        QTest::newRow("simplified Chinese") << "zh_CN" << "zh_CN";
        QTest::newRow("Singapore") << "zh_SG" << "zh_CN";
        QTest::newRow("Taiwan") << "zh_TW" << "zh_TW";
        QTest::newRow("Hong Kong") << "zh_HK" << "zh_TW";
        QTest::newRow("Portugal") << "pt_PT" << "pt_PT";
        QTest::newRow("Brazil") << "pt_BR" << "pt";
        QTest::newRow("Norwegian") << "nb_NO" << "nb";
        QTest::newRow("Nynorsk") << "nn_NO" << "nb";
        QTest::newRow("British") << "en_GB" << "en_GB";
        QTest::newRow("American") << "en_US" << "en";
        QTest::newRow("German") << "de_AT" << "de";
        QTest::newRow("Japanese") << "ja_JP" << "ja";
        QTest::newRow("C") << "C" << "en";
    }
    void languageFolderName()
    {
        QFETCH(QString, locale);
        QFETCH(QString, folder);
        QCOMPARE(ItunesInteract::languageFolderName(QLocale(locale)), folder);
    }

    void languageIds_data()
    {
        QTest::addColumn<uint>("id");
        QTest::addColumn<QString>("folder");
        QTest::newRow("US English") << 0x0409u << "en";
        QTest::newRow("British English") << 0x0809u << "en_GB";
        QTest::newRow("French") << 0x040Cu << "fr";
        QTest::newRow("Canadian French") << 0x0C0Cu << "fr";
        QTest::newRow("German") << 0x0407u << "de";
        QTest::newRow("Japanese") << 0x0411u << "ja";
        QTest::newRow("PRC") << 0x0804u << "zh_CN";
        QTest::newRow("Taiwan") << 0x0404u << "zh_TW";
        QTest::newRow("Hong Kong") << 0x0C04u << "zh_TW";
        QTest::newRow("Portugal") << 0x0816u << "pt_PT";
        QTest::newRow("Brazil") << 0x0416u << "pt";
        QTest::newRow("Norway") << 0x0414u << "nb";
        QTest::newRow("Arabic") << 0x0401u << "ar";
        QTest::newRow("unknown") << 0x007Fu << "en";
    }
    void languageIds()
    {
        QFETCH(uint, id);
        QFETCH(QString, folder);
        QCOMPARE(ItunesInteract::languageFolderName(ItunesInteract::localeFromLanguageId(id)), folder);
    }

    void autoImportNameFromStrings_data()
    {
        QTest::addColumn<QByteArray>("strings");
        QTest::addColumn<QString>("name");
        const QString french = QString::fromUtf8("Ajouter automatiquement \xc3\xa0 iTunes");
        QTest::newRow("UTF-16 with mark")
            << readFile(fixtureDir() + QStringLiteral("/iTunes.Resources/fr.lproj/Localizable.strings")) << french;
        QTest::newRow("UTF-8, escaped quotes")
            << readFile(fixtureDir() + QStringLiteral("/iTunes.Resources/de.lproj/Localizable.strings"))
            << QString::fromUtf8("Automatisch zu \"iTunes\" hinzuf\xc3\xbcgen");
        QTest::newRow("entry missing")
            << readFile(fixtureDir() + QStringLiteral("/iTunes.Resources/ja.lproj/Localizable.strings")) << "";
        const QString line = QStringLiteral("\"x\" = \"y\";\n\"cp3kfmuta2\" = \"%1\";\n").arg(french);
        QByteArray littleEndian(reinterpret_cast<const char *>(line.utf16()), line.size() * 2);
        QTest::newRow("UTF-16 without mark") << littleEndian << french;
        QByteArray bigEndian = littleEndian;
        for (int i = 0; i + 1 < bigEndian.size(); i += 2)
            std::swap(bigEndian[i], bigEndian[i + 1]);
        QTest::newRow("big-endian UTF-16") << bigEndian << french;
        QTest::newRow("unterminated") << QByteArray("\"cp3kfmuta2\" = \"Auto") << "";
        QTest::newRow("empty") << QByteArray() << "";
    }
    void autoImportNameFromStrings()
    {
        QFETCH(QByteArray, strings);
        QFETCH(QString, name);
        QCOMPARE(ItunesInteract::autoImportNameFromStrings(strings), name);
    }

    void autoDirectoryNameOfTheInstallation_data()
    {
        QTest::addColumn<QVariant>("languageId");
        QTest::addColumn<QString>("userLocale");
        QTest::addColumn<QString>("name");
        const QString fallback = QStringLiteral("Automatically Add to iTunes");
        QTest::newRow("installed French") << QVariant(uint(1036)) << "en_US"
                                          << QString::fromUtf8("Ajouter automatiquement \xc3\xa0 iTunes");
        QTest::newRow("installed German as text") << QVariant(QStringLiteral("0x0407")) << "en_US"
                                                  << QString::fromUtf8("Automatisch zu \"iTunes\" hinzuf\xc3\xbcgen");
        QTest::newRow("user's German") << QVariant() << "de_DE"
                                       << QString::fromUtf8("Automatisch zu \"iTunes\" hinzuf\xc3\xbcgen");
        QTest::newRow("no entry") << QVariant() << "ja_JP" << fallback;
        QTest::newRow("no translation") << QVariant(uint(0x0419)) << "fr_FR" << fallback;
    }
    void autoDirectoryNameOfTheInstallation()
    {
        QFETCH(QVariant, languageId);
        QFETCH(QString, userLocale);
        QFETCH(QString, name);
        FakeSystem system;
        system.setServer(QStringLiteral("\"%1/iTunes.exe\"").arg(fixtureDir()));
        if (languageId.isValid())
            system.setRegistry(ItunesPlatform::LocalMachine, ItunesKey, QStringLiteral("InstalledLangID"), languageId);
        system.locale = QLocale(userLocale);
        QCOMPARE(ItunesInteract::GetAutoDirectoryName(system), name);
        QCOMPARE(ItunesInteract::GetAutoDirectoryName(FakeSystem()), QString("Automatically Add to iTunes"));
    }

    // Adding a file.
    void recentItunesGetsACopyInItsImportFolder_data()
    {
        QTest::addColumn<QString>("version");
        QTest::newRow("first such version") << "9.1.1.11";
        QTest::newRow("later") << "12.13.0.9";
    }
    void recentItunesGetsACopyInItsImportFolder()
    {
        QFETCH(QString, version);
        FakeSystem system;
        setUpItunes(system, version);
        const QString source = path(QString::fromUtf8("out/Clip \xc3\xa9t\xc3\xa9.mp4"));
        QVERIFY(writeFile(source, "new clip"));
        const QString target =
            path(QString::fromUtf8("Music/iTunes/iTunes Media/Automatically Add to iTunes/Clip \xc3\xa9t\xc3\xa9.mp4"));
        QVERIFY(writeFile(target, "an older clip of that name"));

        QCOMPARE(ItunesInteract::addFileToLibrary(system, source), 0);
        QCOMPARE(readFile(target), QByteArray("new clip"));
        QCOMPARE(readFile(source), QByteArray("new clip"));
        QVERIFY(system.comAdded.isEmpty());
    }

    void olderItunesIsAskedThroughCom_data()
    {
        QTest::addColumn<qint32>("comResult");
        QTest::newRow("accepted") << qint32(0);
        QTest::newRow("refused") << qint32(0x80004005u);
    }
    void olderItunesIsAskedThroughCom()
    {
        QFETCH(qint32, comResult);
        FakeSystem system;
        setUpItunes(system, QStringLiteral("9.1.0.79"));
        system.comResult = comResult;
        const QString source = path(QStringLiteral("out/clip.mp4"));
        QVERIFY(writeFile(source, "clip"));
        QCOMPARE(ItunesInteract::addFileToLibrary(system, source), comResult);
        QCOMPARE(system.comAdded, QStringList({source}));
        QVERIFY(QDir(path(QStringLiteral("Music/iTunes/iTunes Media/Automatically Add to iTunes")))
                    .entryList(QDir::Files)
                    .isEmpty());
        QCOMPARE(KelmITunesDevice(&system).importFile(source, QString()), comResult == 0);
    }

    void missingImportFolderFallsBackToCom()
    {
        FakeSystem system;
        setUpItunes(system, QStringLiteral("12.0.0.0"), false);
        const QString source = path(QStringLiteral("out/clip.mp3"));
        QVERIFY(writeFile(source, "clip"));
        QCOMPARE(ItunesInteract::addFileToLibrary(system, source), 0);
        QCOMPARE(system.comAdded, QStringList({source}));
        QVERIFY(!QFileInfo::exists(path(QStringLiteral("Music/iTunes/iTunes Media/Automatically Add to iTunes"))));
    }

    void emptyPathIsRefused()
    {
        FakeSystem system;
        setUpItunes(system, QStringLiteral("12.0.0.0"));
        QCOMPARE(ItunesInteract::addFileToLibrary(system, QString()), ItunesInteract::InvalidPointer);
        QVERIFY(system.comAdded.isEmpty());
    }

    void oneImportAtATime()
    {
        FakeSystem system;
        setUpItunes(system, QStringLiteral("9.0.0.0"));
        system.comDelayMs = 20;
        const QString source = path(QStringLiteral("out/clip.mp4"));
        QVERIFY(writeFile(source, "clip"));
        std::vector<std::thread> threads;
        for (int i = 0; i < 4; ++i)
            threads.emplace_back([&system, source] { ItunesInteract::addFileToLibrary(system, source); });
        for (std::thread &t : threads)
            t.join();
        QCOMPARE(system.comAdded.size(), 4);
        QCOMPARE(system.mostInside.load(), 1);
    }

    // The device.
    void closingOnlyOlderVersions_data()
    {
        QTest::addColumn<QString>("version");
        QTest::addColumn<int>("quits");
        QTest::newRow("COM era") << "8.2.1.6" << 1;
        QTest::newRow("import folder era") << "10.0.0.0" << 0;
    }
    void closingOnlyOlderVersions()
    {
        QFETCH(QString, version);
        QFETCH(int, quits);
        FakeSystem system;
        setUpItunes(system, version);
        KelmITunesDevice device(&system);
        device.closeITunes();
        QCOMPARE(system.quitCalls, quits);
        QCOMPARE(device.progress(), 0.0);
    }

    void batchImport_data()
    {
        QTest::addColumn<bool>("wasRunning");
        QTest::addColumn<int>("quits");
        QTest::newRow("started for the import") << false << 1;
        QTest::newRow("already running") << true << 0;
    }
    void batchImport()
    {
        QFETCH(bool, wasRunning);
        QFETCH(int, quits);
        FakeSystem system;
        setUpItunes(system, QStringLiteral("8.0.0.0"));
        system.running = wasRunning;
        system.comResult = qint32(0x80004005u);
        KelmITunesDevice device(&system);
        QCOMPARE(device.isITunesStarted(), wasRunning);
        QVERIFY(device.checkITunes(true));
        device.setImportFiles({path(QStringLiteral("a.mp4")), QString(), path(QStringLiteral("b.mp3"))});
        const QByteArray output = captureStdout([&device] { device.CncptImportFiles(); });
        // The diagnostic log may share standard output (MARLIN_LOG_OUTPUTS).
        QCOMPARE(output.split('\n').count("Failed"), 2);
        QCOMPARE(system.comAdded, QStringList({path(QStringLiteral("a.mp4")), path(QStringLiteral("b.mp3"))}));
        QCOMPARE(system.quitCalls, quits);
    }
};

QTEST_GUILESS_MAIN(TestItunesInteract)
#include "tst_itunesinteract.moc"
