#include "kelframe/kelfolders.h"
#include "kelframe/kelpref.h"
#include "kelframe/kelproductinfo.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

// The framework's window-less services, in a process without a window
// system: product information, user folders and the preference store.
class KelPrefTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();

    void productInfoFromShippedFile();
    void productInfoBuiltInWhenFileMissing();
    void productInfoFileOverrides();
    void productInfoIsTrue_data();
    void productInfoIsTrue();

    void folderRootPlacesEverything();
    void standardLocations();
    void tempFolderTakenBySomeoneElse();
    void isFolderWritable_data();
    void isFolderWritable();
    void environmentRootInPlainProcess();

    void prefRoundTrip_data();
    void prefRoundTrip();
    void prefImmediateWrite();
    void prefCorruptFile_data();
    void prefCorruptFile();
    void prefCleanFileKeepsNoCopy();
    void prefFileIsFolder();
    void prefInstanceFollowsFolderRoot();
    void prefProductValues();

private:
    QString path(const QString &relative) const { return m_base.filePath(relative); }
    QString writeFile(const QString &relative, const QByteArray &content) const;

    QTemporaryDir m_base;
    QString m_shippedProductFile;
};

QString KelPrefTest::writeFile(const QString &relative, const QByteArray &content) const
{
    const QString file = path(relative);
    QDir().mkpath(QFileInfo(file).absolutePath());
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(content) != content.size())
        return QString();
    return file;
}

void KelPrefTest::initTestCase()
{
    QVERIFY(m_base.isValid());
    // Nothing of the user's own folders is touched.
    for (const char *sub : {"home", "config", "data", "tmp"})
        QVERIFY(QDir().mkpath(path(QString::fromLatin1(sub))));
    qputenv("HOME", QFile::encodeName(path(QStringLiteral("home"))));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(path(QStringLiteral("config"))));
    qputenv("XDG_DATA_HOME", QFile::encodeName(path(QStringLiteral("data"))));
    qputenv("TMPDIR", QFile::encodeName(path(QStringLiteral("tmp"))));
    qunsetenv("MARLIN_HOME");
    Kel::setFolderRoot(path(QStringLiteral("root")));

    m_shippedProductFile = QStringLiteral(MARLIN_APP_DIR "/conf/product.ini");
    QVERIFY2(QFileInfo::exists(m_shippedProductFile), "the application directory has no conf/product.ini");
    QVERIFY(KelProductInfo::load(m_shippedProductFile));
}

void KelPrefTest::cleanupTestCase()
{
    Kel::setFolderRoot(path(QStringLiteral("root")));
}

void KelPrefTest::productInfoFromShippedFile()
{
    QVERIFY(KelProductInfo::load(m_shippedProductFile));
    QCOMPARE(KelProductInfo::fileName(), QFileInfo(m_shippedProductFile).absoluteFilePath());
    QVERIFY(!KelProductInfo::value(QStringLiteral("SINGLETON_APP_ID")).isEmpty());
    QCOMPARE(KelProductInfo::value(QStringLiteral("support_mac_app_store")), QStringLiteral("false"));
    QVERIFY(!KelProductInfo::isTrue(QStringLiteral("support_mac_app_store")));
    QVERIFY(KelProductInfo::contains(QStringLiteral("support_menu_skin")));
    QVERIFY(KelProductInfo::contains(QStringLiteral("support_menu_update")));
    QCOMPARE(KelProductInfo::value(QStringLiteral("product_key")), QStringLiteral("Marlin"));
    QCOMPARE(KelProductInfo::value(QStringLiteral("product_name")), QStringLiteral("Marlin"));
    QCOMPARE(KelProductInfo::value(QStringLiteral("company_root_key")), QStringLiteral("Marlin"));
    QVERIFY(KelProductInfo::value(QStringLiteral("YTCFG_URL")).isEmpty());
    const QString updateUrl = KelProductInfo::value(QStringLiteral("YT_RELEASES_URL"));
    QVERIFY2(updateUrl.startsWith(QLatin1String("https://")), qPrintable(updateUrl));
    QVERIFY(KelProductInfo::value(QStringLiteral("SHARE_URL")).contains(QLatin1String("shareType.php")));
}

void KelPrefTest::productInfoBuiltInWhenFileMissing()
{
    QVERIFY(!KelProductInfo::load(path(QStringLiteral("missing/product.ini"))));
    QCOMPARE(KelProductInfo::fileName(), QString());
    QCOMPARE(KelProductInfo::value(QStringLiteral("product_key")), QStringLiteral("Marlin"));
    QVERIFY(!KelProductInfo::value(QStringLiteral("SINGLETON_APP_ID")).isEmpty());
    QCOMPARE(KelProductInfo::value(QStringLiteral("no such key"), QStringLiteral("fallback")),
             QStringLiteral("fallback"));
    QVERIFY(KelProductInfo::load(m_shippedProductFile));
}

void KelPrefTest::productInfoFileOverrides()
{
    const QString file = writeFile(QStringLiteral("product/product.ini"),
                                   "[General]\nproduct_name=Other Name\nextra=\"a,b\"\n");
    QVERIFY(KelProductInfo::load(file));
    QCOMPARE(KelProductInfo::value(QStringLiteral("product_name")), QStringLiteral("Other Name"));
    QCOMPARE(KelProductInfo::value(QStringLiteral("extra")), QStringLiteral("a,b"));
    // Keys the file leaves out keep their built-in values.
    QCOMPARE(KelProductInfo::value(QStringLiteral("product_key")), QStringLiteral("Marlin"));
    QVERIFY(KelProductInfo::load(m_shippedProductFile));
    QCOMPARE(KelProductInfo::value(QStringLiteral("product_name")), QStringLiteral("Marlin"));
    QVERIFY(!KelProductInfo::contains(QStringLiteral("extra")));
}

void KelPrefTest::productInfoIsTrue_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("expected");
    QTest::newRow("true") << QByteArray("true") << true;
    QTest::newRow("upper case") << QByteArray("TRUE") << true;
    QTest::newRow("quoted with blanks") << QByteArray("\" true \"") << true;
    QTest::newRow("false") << QByteArray("false") << false;
    QTest::newRow("empty") << QByteArray("") << false;
    QTest::newRow("yes") << QByteArray("yes") << false;
}

void KelPrefTest::productInfoIsTrue()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, expected);
    const QString file = writeFile(QStringLiteral("product/flag.ini"), "[General]\nflag=" + text + "\n");
    QVERIFY(KelProductInfo::load(file));
    QCOMPARE(KelProductInfo::isTrue(QStringLiteral("flag")), expected);
    QVERIFY(KelProductInfo::load(m_shippedProductFile));
}

void KelPrefTest::folderRootPlacesEverything()
{
    const QString root = path(QStringLiteral("placed"));
    Kel::setFolderRoot(root);
    QCOMPARE(Kel::folderRoot(), root);
    const QList<QPair<QString, QString>> folders = {
        {Kel::appDataPath(), root + QStringLiteral("/appdata")},
        {Kel::tempPath(), root + QStringLiteral("/temp")},
        {Kel::videoPath(), root + QStringLiteral("/videos")},
        {Kel::configPath(), root + QStringLiteral("/config")},
    };
    for (const auto &folder : folders) {
        QCOMPARE(folder.first, folder.second);
        QVERIFY(QFileInfo(folder.first).isDir());
    }
    QCOMPARE(KelPref::defaultFile(), root + QStringLiteral("/config/Marlin.ini"));

    // Created again when removed meanwhile.
    QVERIFY(QDir(root + QStringLiteral("/videos")).removeRecursively());
    QVERIFY(QFileInfo(Kel::videoPath()).isDir());
}

void KelPrefTest::standardLocations()
{
    Kel::setFolderRoot(QString());
    QCOMPARE(Kel::folderRoot(), QString());
    QCOMPARE(Kel::appDataPath(), path(QStringLiteral("data/Marlin")));
    QCOMPARE(Kel::configPath(), path(QStringLiteral("config/Marlin")));
    QCOMPARE(KelPref::defaultFile(), path(QStringLiteral("config/Marlin/Marlin.ini")));
    const QString videos = Kel::videoPath();
    QCOMPARE(videos, QStandardPaths::writableLocation(QStandardPaths::MoviesLocation));
    QVERIFY(videos.startsWith(path(QStringLiteral("home"))));
    const QString temp = Kel::tempPath();
    QCOMPARE(temp, path(QStringLiteral("tmp/Marlin-%1").arg(::getuid())));
    for (const QString &folder : {Kel::appDataPath(), Kel::configPath(), videos, temp})
        QVERIFY2(QFileInfo(folder).isDir(), qPrintable(folder));
    QCOMPARE(QFileInfo(temp).permissions() & (QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ReadGroup),
             QFileDevice::Permissions());
    Kel::setFolderRoot(path(QStringLiteral("root")));
}

void KelPrefTest::tempFolderTakenBySomeoneElse()
{
    Kel::setFolderRoot(QString());
    const QString wanted = path(QStringLiteral("tmp/Marlin-%1").arg(::getuid()));
    QDir(wanted).removeRecursively();
    QFile::remove(wanted);
    QVERIFY(!writeFile(QStringLiteral("tmp/Marlin-%1").arg(::getuid()), "not a folder").isEmpty());

    const QString temp = Kel::tempPath();
    QVERIFY(temp != wanted);
    QVERIFY(temp.startsWith(wanted + QLatin1Char('-')));
    QVERIFY(QFileInfo(temp).isDir());
    QVERIFY(Kel::isFolderWritable(temp));
    QCOMPARE(Kel::tempPath(), temp);
    QFile::remove(wanted);
    Kel::setFolderRoot(path(QStringLiteral("root")));
}

void KelPrefTest::isFolderWritable_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<bool>("expected");
    QVERIFY(QDir().mkpath(path(QStringLiteral("writable"))));
    QTest::newRow("writable folder") << path(QStringLiteral("writable")) << true;
    QTest::newRow("missing folder") << path(QStringLiteral("no/such/folder")) << false;
    QTest::newRow("a file") << writeFile(QStringLiteral("plain.txt"), "x") << false;
    QTest::newRow("empty path") << QString() << false;
    // Permission bits allow writing here (for root above all); creating a
    // file does not.
    QTest::newRow("kernel folder") << QStringLiteral("/proc") << false;
}

void KelPrefTest::isFolderWritable()
{
    QFETCH(QString, folder);
    QFETCH(bool, expected);
    const QStringList before = folder.isEmpty() ? QStringList() : QDir(folder).entryList(QDir::AllEntries | QDir::Hidden);
    QCOMPARE(Kel::isFolderWritable(folder), expected);
    if (expected)
        QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden), before);
}

void KelPrefTest::environmentRootInPlainProcess()
{
    const QString probe = QStringLiteral(MARLIN_TEST_DIR "/kelframe-probe");
    if (!QFileInfo(probe).isExecutable())
        QFAIL("kelframe-probe is not built");
    const QString root = path(QStringLiteral("from-env"));
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("MARLIN_HOME"), root);
    env.insert(QStringLiteral("KELFRAME_PROBE_MODE"), QStringLiteral("paths"));
    // No window system at all.
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    process.setProcessEnvironment(env);
    process.start(probe, {});
    QVERIFY(process.waitForFinished(30000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);
    const QStringList lines = QString::fromUtf8(process.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines, (QStringList{root + QStringLiteral("/appdata"), root + QStringLiteral("/temp"),
                                 root + QStringLiteral("/videos"), root + QStringLiteral("/config"),
                                 root + QStringLiteral("/config/Marlin.ini")}));
    QSettings written(lines.last(), QSettings::IniFormat);
    QCOMPARE(written.value(QStringLiteral("probe/written")).toInt(), 42);
}

void KelPrefTest::prefRoundTrip_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QVariant>("value");
    QTest::newRow("number") << QStringLiteral("app_max_download_number") << QVariant(7);
    QTest::newRow("flag") << QStringLiteral("app_flag") << QVariant(true);
    QTest::newRow("text with INI characters") << QStringLiteral("app_text") << QVariant(QStringLiteral("a=b;c,#d \"q\""));
    QTest::newRow("unicode") << QStringLiteral("app_unicode") << QVariant(QStringLiteral("Zoë ☃ 東京"));
    QTest::newRow("path") << QStringLiteral("app_dir") << QVariant(QStringLiteral("/home/user/Videos/My Films"));
    QTest::newRow("list") << QStringLiteral("app_list") << QVariant(QStringList{QStringLiteral("en"), QStringLiteral("de,fr")});
    QTest::newRow("grouped key") << QStringLiteral("group/key") << QVariant(QStringLiteral("v"));
    QTest::newRow("empty text") << QStringLiteral("app_empty") << QVariant(QString());
}

void KelPrefTest::prefRoundTrip()
{
    QFETCH(QString, key);
    QFETCH(QVariant, value);
    const QString file = path(QStringLiteral("roundtrip/%1.ini").arg(QTest::currentDataTag()));
    {
        KelPref pref(file);
        pref.setValue(QStringLiteral("other"), 1);
        pref.setValue(key, value);
        QCOMPARE(pref.value(key), value);
        pref.sync();
    }
    KelPref reread(file);
    QCOMPARE(reread.fileName(), file);
    QVERIFY(reread.contains(key));
    QVariant stored = reread.value(key);
    QVERIFY(stored.convert(value.metaType()));
    QCOMPARE(stored, value);
    QCOMPARE(reread.value(QStringLiteral("other")).toInt(), 1);
    QCOMPARE(reread.value(QStringLiteral("missing"), QStringLiteral("default")).toString(), QStringLiteral("default"));
    reread.remove(key);
    QVERIFY(!reread.contains(key));
}

void KelPrefTest::prefImmediateWrite()
{
    const QString file = path(QStringLiteral("immediate/pref.ini"));
    KelPref pref(file);
    pref.setValue(QStringLiteral("app_now"), 5, true);
    QSettings disk(file, QSettings::IniFormat);
    QCOMPARE(disk.value(QStringLiteral("app_now")).toInt(), 5);
}

void KelPrefTest::prefCorruptFile_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("survivors");
    const QStringList ab{QStringLiteral("a"), QStringLiteral("b")};
    QTest::newRow("binary line") << QByteArray("a=1\n\x01\x02\xff\xfe garbage\nb=2\n") << ab;
    QTest::newRow("zero bytes") << QByteArray("a=1\n\0\0\0\nb=2\n", 12) << ab;
    QTest::newRow("invalid UTF-8") << QByteArray("a=1\nname=\xc3\x28\nb=2\n") << ab;
    QTest::newRow("line without assignment") << QByteArray("a=1\nnonsense here\nb=2\n") << ab;
    QTest::newRow("unterminated section") << QByteArray("a=1\n[broken\n") << QStringList{QStringLiteral("a")};
    QTest::newRow("all garbage") << QByteArray("\xff\xfe\x00\x01\x02", 5) << QStringList();
    QTest::newRow("truncated mid-line") << QByteArray("a=1\nb=2\n[Gro") << ab;
}

void KelPrefTest::prefCorruptFile()
{
    QFETCH(QByteArray, content);
    QFETCH(QStringList, survivors);
    const QString file = writeFile(QStringLiteral("corrupt/%1/pref.ini").arg(QTest::currentDataTag()), content);
    QVERIFY(!file.isEmpty());
    {
        KelPref pref(file);
        // The original is kept byte for byte.
        QVERIFY(!pref.corruptCopy().isEmpty());
        QFile copy(pref.corruptCopy());
        QVERIFY(copy.open(QIODevice::ReadOnly));
        QCOMPARE(copy.readAll(), content);
        for (const QString &key : survivors)
            QVERIFY2(pref.contains(key), qPrintable(key));
        pref.setValue(QStringLiteral("c"), 3);
        pref.sync();
    }
    KelPref reread(file);
    for (const QString &key : survivors)
        QVERIFY2(reread.contains(key), qPrintable(key));
    if (survivors.contains(QStringLiteral("b")))
        QCOMPARE(reread.value(QStringLiteral("b")).toInt(), 2);
    QCOMPARE(reread.value(QStringLiteral("c")).toInt(), 3);
    QVERIFY(reread.corruptCopy().isEmpty());
}

void KelPrefTest::prefCleanFileKeepsNoCopy()
{
    const QString file = writeFile(QStringLiteral("clean/pref.ini"),
                                   "; comment\n[General]\na=1\n\n[group]\nkey=\"x, y\"\n");
    KelPref pref(file);
    QVERIFY(pref.corruptCopy().isEmpty());
    QCOMPARE(pref.value(QStringLiteral("a")).toInt(), 1);
    QCOMPARE(pref.value(QStringLiteral("group/key")).toString(), QStringLiteral("x, y"));
    QCOMPARE(QDir(QFileInfo(file).absolutePath()).entryList(QDir::Files), QStringList{QStringLiteral("pref.ini")});
}

void KelPrefTest::prefFileIsFolder()
{
    const QString folder = path(QStringLiteral("folder-as-file/pref.ini"));
    QVERIFY(QDir().mkpath(folder));
    KelPref pref(folder);
    pref.setValue(QStringLiteral("a"), 1);
    QCOMPARE(pref.value(QStringLiteral("a")).toInt(), 1);
    pref.sync();
    pref.setValue(QStringLiteral("b"), 2, true);
    QCOMPARE(pref.value(QStringLiteral("b")).toInt(), 2);
    QVERIFY(QFileInfo(folder).isDir());
}

void KelPrefTest::prefInstanceFollowsFolderRoot()
{
    const QString first = path(QStringLiteral("instance-a"));
    const QString second = path(QStringLiteral("instance-b"));
    Kel::setFolderRoot(first);
    KelPref *pref = KelPref::instance();
    QCOMPARE(KelPref::instance(), pref);
    QCOMPARE(pref->fileName(), first + QStringLiteral("/config/Marlin.ini"));
    pref->setValue(QStringLiteral("app_where"), QStringLiteral("first"));

    Kel::setFolderRoot(second);
    QCOMPARE(KelPref::instance(), pref);
    QCOMPARE(pref->fileName(), second + QStringLiteral("/config/Marlin.ini"));
    QVERIFY(!pref->contains(QStringLiteral("app_where")));
    // Written out when the store moved.
    QSettings firstFile(first + QStringLiteral("/config/Marlin.ini"), QSettings::IniFormat);
    QCOMPARE(firstFile.value(QStringLiteral("app_where")).toString(), QStringLiteral("first"));

    // A store given its own file stays there.
    const QString own = path(QStringLiteral("own/pref.ini"));
    pref->setFile(own);
    Kel::setFolderRoot(first);
    QCOMPARE(pref->fileName(), own);
    pref->setFile(QString());
    QCOMPARE(pref->fileName(), first + QStringLiteral("/config/Marlin.ini"));
    QCOMPARE(pref->value(QStringLiteral("app_where")).toString(), QStringLiteral("first"));
    Kel::setFolderRoot(path(QStringLiteral("root")));
}

void KelPrefTest::prefProductValues()
{
    KelPref pref(path(QStringLiteral("product/pref.ini")));
    QCOMPARE(pref.company_root_key(), QStringLiteral("Marlin"));
    QCOMPARE(pref.product_key(), QStringLiteral("Marlin"));
    QCOMPARE(pref.product_name(), QStringLiteral("Marlin"));
    QCOMPARE(pref.appDir(), QCoreApplication::applicationDirPath());
    pref.setTanslucentWhenSkin(false);
    QVERIFY(!pref.translucentWhenSkin());
}

QTEST_GUILESS_MAIN(KelPrefTest)
#include "tst_kelpref.moc"
