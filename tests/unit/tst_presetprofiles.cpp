#include "tarncore/download/appcontext.h"
#include "tarncore/settings/settingsmanager.h"
#include "kelframe/kelfolders.h"
#include "kelframe/kelpref.h"
#include "support/testtools.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace Tarn;

namespace {

QString fixtureConf()
{
    return TestTools::sourceDir() + QStringLiteral("/tests/fixtures/settings/conf");
}

QByteArray fixtureProfiles()
{
    QFile file(fixtureConf() + QStringLiteral("/profiles.json"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

Kel::MediaProfile customProfile(double frameRate)
{
    Kel::MediaProfile profile;
    profile.name = SettingsManager::CustomizedProfileName;
    profile.description = QStringLiteral("My own, with a comma");
    profile.type = Kel::Video;
    profile.format = QStringLiteral("MKV");
    profile.resolution = QSize(1280, 720);
    profile.aspect = QSize(16, 9);
    profile.vCodec = QStringLiteral("libx265");
    profile.vBitRate = 1500000;
    profile.frameRate = frameRate;
    profile.aCodec = QStringLiteral("libopus");
    profile.aBitRate = 96000;
    profile.aSampleRate = 48000;
    profile.sameAsSource = false;
    profile.autoResolution = true;
    profile.autoBitRate = true;
    return profile;
}

} // namespace

class TestPresetProfiles : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_root;
    std::unique_ptr<KelPref> m_pref;

    QString appDir() const { return m_root->filePath(QStringLiteral("app")); }
    QString profilesFile() const { return appDir() + QStringLiteral("/conf/profiles.json"); }

    void writeProfiles(const QByteArray &content)
    {
        QFile file(profilesFile());
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
    }

private slots:
    void init()
    {
        m_root = std::make_unique<QTemporaryDir>();
        QVERIFY(m_root->isValid());
        Kel::setFolderRoot(m_root->path());
        m_pref = std::make_unique<KelPref>(m_root->filePath(QStringLiteral("settings.ini")));
        SettingsManager::setPreferenceStore(m_pref.get());
        QVERIFY(QDir().mkpath(appDir() + QStringLiteral("/conf")));
        QVERIFY(QFile::copy(fixtureConf() + QStringLiteral("/basic_parameters.json"),
                            appDir() + QStringLiteral("/conf/basic_parameters.json")));
        writeProfiles(fixtureProfiles());
        AppContext::setAppDirOverride(appDir());
    }

    void cleanup()
    {
        SettingsManager::setPreferenceStore(nullptr);
        AppContext::setAppDirOverride(QString());
        m_pref.reset();
        Kel::setFolderRoot(QString());
        m_root.reset();
    }

    // The file's categories.
    void categoriesAreOrderedByNameAndLaterDuplicatesWin()
    {
        SettingsManager settings;
        const QMap<QString, QList<Kel::MediaProfile>> &presets = settings.getPresetProfiles();
        QCOMPARE(presets.keys(), QList<QString>({"Audio", "Empty", "Phones", "TV"}));
        QCOMPARE(presets.value(QStringLiteral("Phones")).size(), 1);
        QCOMPARE(presets.value(QStringLiteral("Phones")).first().name, QString("Phone B"));
        QVERIFY(presets.value(QStringLiteral("Empty")).isEmpty());
        QVERIFY(presets.contains(QStringLiteral("Empty")));
        QVERIFY(!settings.getProfileByName(QStringLiteral("Phone A")).isValid());
        QCOMPARE(settings.getProfileCategoryByName(QStringLiteral("MP3 128")), QString("Audio"));
        QVERIFY(settings.getProfileCategoryByName(QStringLiteral("Phone A")).isEmpty());
        QVERIFY(settings.getCategoryProfiles(QStringLiteral("Radio")).isEmpty());
        QCOMPARE(settings.getCategoryProfiles(QStringLiteral("TV")).size(), 3);
    }

    void invalidProfilesAreSkipped()
    {
        SettingsManager settings;
        QVERIFY(!settings.getProfileByName(QStringLiteral("Phone A2")).isValid());
        QVERIFY(settings.getProfileCategoryByName(QStringLiteral("Phone A2")).isEmpty());
    }

    void profileMembersAreConverted()
    {
        SettingsManager settings;
        const Kel::MediaProfile tv = settings.getProfileByName(QStringLiteral("TV Set"));
        QVERIFY(tv.isValid());
        QCOMPARE(tv.description, QString("For the living room."));
        QCOMPARE(tv.type, Kel::Video);
        QCOMPARE(tv.format, QString("MKV"));
        QCOMPARE(tv.resolution, QSize(1920, 1080));
        QCOMPARE(tv.aspect, QSize(16, 9));
        QCOMPARE(tv.vCodec, QString("libvpx-vp9"));
        QCOMPARE(tv.vBitRate, 6000000);
        QCOMPARE(tv.frameRate, 29.97);
        QCOMPARE(tv.aCodec, QString("aac"));
        QCOMPARE(tv.aBitRate, 192000);
        QCOMPARE(tv.aSampleRate, 48000);
        QVERIFY(!tv.sameAsSource && !tv.autoResolution && !tv.autoBitRate);

        const Kel::MediaProfile audio = settings.getProfileByName(QStringLiteral("MP3 128"));
        QCOMPARE(audio.type, Kel::Audio);
        QCOMPARE(audio.aCodec, QString("libmp3lame"));
        QVERIFY(audio.vCodec.isEmpty());
        QCOMPARE(audio.resolution, QSize(-1, -1));
        QCOMPARE(audio.vBitRate, -1);

        QCOMPARE(settings.getProfileByName(QStringLiteral("Phone B")).vCodec, QString("libx264"));
    }

    void oddMembersFallBack()
    {
        SettingsManager settings;
        const Kel::MediaProfile odd = settings.getProfileByName(QStringLiteral("Odd One"));
        QVERIFY(odd.isValid());
        QCOMPARE(odd.type, Kel::UnknownMedia);
        // A codec without definition passes through unchanged.
        QCOMPARE(odd.vCodec, QString("NoSuchCodec"));
        QVERIFY(odd.sameAsSource);
        QVERIFY(odd.autoResolution);
        // true is not an integer.
        QVERIFY(!odd.autoBitRate);
        // A frame rate given as text is not a number.
        QCOMPARE(odd.frameRate, 0.0);
        QCOMPARE(odd.vBitRate, -1);
        QCOMPARE(odd.aBitRate, -1);
        QCOMPARE(odd.aspect, QSize(-1, -1));

        const Kel::MediaProfile copy = settings.getProfileByName(QStringLiteral("Source Copy"));
        QVERIFY(!copy.sameAsSource);
        QVERIFY(copy.autoBitRate);
        // "1" as text is not an integer.
        QVERIFY(!copy.autoResolution);
    }

    void defaultsFromTheFile()
    {
        SettingsManager settings;
        // An empty text still means best quality.
        QVERIFY(settings.isDefaultDownloadQualityBest());
        QCOMPARE(settings.getDefaultDownloadQualityResolution(), QSize(854, 480));
        QCOMPARE(settings.getDefaultConvertProfileName(), QString("TV Set"));
        const Kel::MediaProfile custom = settings.getDefaultCustomConvertProfile();
        QCOMPARE(custom.name, QString("Customized"));
        QCOMPARE(custom.vCodec, QString("libx264"));
        QCOMPARE(custom.frameRate, 25.0);
        QCOMPARE(custom.aBitRate, 96000);
        QCOMPARE(custom.aSampleRate, 44100);
    }

    void bestQualityFlag_data()
    {
        QTest::addColumn<QByteArray>("member");
        QTest::addColumn<bool>("best");
        QTest::addColumn<int>("preferred");
        QTest::newRow("zero") << QByteArray(R"("DefaultDownloadQualityBest": "0",)") << false << 2;
        QTest::newRow("one") << QByteArray(R"("DefaultDownloadQualityBest": "1",)") << true << 1;
        QTest::newRow("empty") << QByteArray(R"("DefaultDownloadQualityBest": "",)") << true << 1;
        QTest::newRow("word") << QByteArray(R"("DefaultDownloadQualityBest": "no",)") << true << 1;
        QTest::newRow("absent") << QByteArray() << true << 1;
        // Another type than a string reads as missing.
        QTest::newRow("number zero") << QByteArray(R"("DefaultDownloadQualityBest": 0,)") << true << 1;
        QTest::newRow("false") << QByteArray(R"("DefaultDownloadQualityBest": false,)") << true << 1;
    }
    void bestQualityFlag()
    {
        QFETCH(QByteArray, member);
        QFETCH(bool, best);
        QFETCH(int, preferred);
        writeProfiles("{" + member + R"( "DefaultConvertProfileName": "x"})");
        SettingsManager settings;
        QCOMPARE(settings.isDefaultDownloadQualityBest(), best);
        QCOMPARE(int(settings.getPreferredQuality()), preferred);
        // Derived from the file, never stored.
        QVERIFY(!m_pref->contains(QStringLiteral("app_preferred_quality")));
    }

    // Loading stops at the first missing member and retries while the map
    // is empty.
    void partialFiles_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("defaultName");
        QTest::addColumn<bool>("hasCustom");
        QTest::newRow("no default name") << QByteArray(R"({"DefaultDownloadQualityBest": "0",
            "DefaultDownloadQualityResolution": "640x360",
            "DefaultCustomConvertProfile": {"Name": "Customized", "Format": "MP4"},
            "Catagories": [{"Name": "A", "Profiles": [{"Name": "a", "Format": "MP4"}]}]})")
                                         << QString() << false;
        QTest::newRow("no custom profile") << QByteArray(R"({"DefaultDownloadQualityBest": "0",
            "DefaultDownloadQualityResolution": "640x360", "DefaultConvertProfileName": "a",
            "Catagories": [{"Name": "A", "Profiles": [{"Name": "a", "Format": "MP4"}]}]})")
                                           << QString("a") << false;
        QTest::newRow("no categories") << QByteArray(R"({"DefaultDownloadQualityBest": "0",
            "DefaultDownloadQualityResolution": "640x360", "DefaultConvertProfileName": "a",
            "DefaultCustomConvertProfile": {"Name": "Customized", "Format": "MP4"}})")
                                       << QString("a") << true;
    }
    void partialFiles()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, defaultName);
        QFETCH(bool, hasCustom);
        writeProfiles(content);
        SettingsManager settings;
        QVERIFY(settings.getPresetProfiles().isEmpty());
        QVERIFY(!settings.isDefaultDownloadQualityBest());
        QCOMPARE(settings.getDefaultDownloadQualityResolution(), QSize(640, 360));
        QCOMPARE(settings.getDefaultConvertProfileName(), defaultName);
        QCOMPARE(settings.getDefaultCustomConvertProfile().isValid(), hasCustom);

        // Still empty: the next use reads the file again.
        writeProfiles(fixtureProfiles());
        QCOMPARE(settings.getPresetProfiles().size(), 4);
        QCOMPARE(settings.getDefaultConvertProfileName(), QString("TV Set"));
    }

    void unusableFilesKeepTheInitialValues_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("remove");
        QTest::newRow("missing file") << QByteArray() << true;
        QTest::newRow("not json") << QByteArray("{\"Catagories\": [") << false;
        QTest::newRow("array") << QByteArray("[1, 2]") << false;
        QTest::newRow("categories not an array")
            << QByteArray(R"({"DefaultConvertProfileName": "", "DefaultCustomConvertProfile": {},
                "Catagories": {"Name": "A"}})") << false;
        QTest::newRow("members of the wrong type")
            << QByteArray(R"({"DefaultDownloadQualityResolution": 5, "DefaultConvertProfileName": ["a"],
                "DefaultCustomConvertProfile": "MP4", "Catagories": [5, "x", {"Name": 3, "Profiles": {}}]})")
            << false;
    }
    void unusableFilesKeepTheInitialValues()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, remove);
        if (remove)
            QVERIFY(QFile::remove(profilesFile()));
        else
            writeProfiles(content);
        SettingsManager settings;
        QVERIFY(settings.isDefaultDownloadQualityBest());
        QVERIFY(settings.getDefaultConvertProfileName().isEmpty());
        QVERIFY(!settings.getDefaultCustomConvertProfile().isValid());
        QVERIFY(!settings.getQuickConvertProfile().isValid());
        const QMap<QString, QList<Kel::MediaProfile>> &presets = settings.getPresetProfiles();
        for (const QList<Kel::MediaProfile> &list : presets)
            QVERIFY(list.isEmpty());
    }

    // The profile of a conversion that starts without asking.
    void quickConvertProfile_data()
    {
        QTest::addColumn<QString>("lastName");
        QTest::addColumn<bool>("storeCustom");
        QTest::addColumn<QString>("expectedName");
        QTest::addColumn<QString>("expectedFormat");
        QTest::newRow("default preset") << QString() << false << "TV Set" << "MKV";
        QTest::newRow("last preset") << "Phone B" << true << "Phone B" << "MP4";
        QTest::newRow("vanished preset, no custom") << "Gone" << false << "Customized" << "MP4";
        QTest::newRow("vanished preset, custom") << "Gone" << true << "Customized" << "MKV";
        QTest::newRow("customized, no custom") << "Customized" << false << "Customized" << "MP4";
        QTest::newRow("customized, custom") << "Customized" << true << "Customized" << "MKV";
    }
    void quickConvertProfile()
    {
        QFETCH(QString, lastName);
        QFETCH(bool, storeCustom);
        QFETCH(QString, expectedName);
        QFETCH(QString, expectedFormat);
        SettingsManager settings;
        if (!lastName.isEmpty())
            settings.setLastConvertProfileName(lastName);
        if (storeCustom)
            settings.setLastCustomConvertProfile(customProfile(25.0));
        const Kel::MediaProfile quick = settings.getQuickConvertProfile();
        QVERIFY(quick.isValid());
        QCOMPARE(quick.name, expectedName);
        QCOMPARE(quick.format, expectedFormat);
    }

    void quickConvertWithCustomizedAsTheDefault()
    {
        QByteArray content = fixtureProfiles();
        content.replace(R"("DefaultConvertProfileName": "TV Set")", R"("DefaultConvertProfileName": "Customized")");
        writeProfiles(content);
        SettingsManager settings;
        QCOMPARE(settings.getDefaultConvertProfileName(), QString("Customized"));
        // Nothing valid stored: the file's custom profile.
        Kel::MediaProfile quick = settings.getQuickConvertProfile();
        QCOMPARE(quick, settings.getDefaultCustomConvertProfile());
        QCOMPARE(quick.format, QString("MP4"));
        // A stored custom profile wins.
        settings.setLastCustomConvertProfile(customProfile(25.0));
        quick = settings.getQuickConvertProfile();
        QCOMPARE(quick, customProfile(25.0));
    }

    // The last custom profile in the store.
    void customProfileRoundTrip_data()
    {
        QTest::addColumn<double>("frameRate");
        QTest::newRow("25") << 25.0;
        QTest::newRow("29.97") << 29.97;
        QTest::newRow("23.976") << 23.976;
    }
    void customProfileRoundTrip()
    {
        QFETCH(double, frameRate);
        const Kel::MediaProfile saved = customProfile(frameRate);
        {
            SettingsManager settings;
            settings.setLastCustomConvertProfile(saved);
            QCOMPARE(settings.getLastCustomConvertProfile(), saved);
        }
        // Through the file on disk.
        const QString file = m_pref->fileName();
        m_pref.reset();
        m_pref = std::make_unique<KelPref>(file);
        SettingsManager::setPreferenceStore(m_pref.get());
        SettingsManager settings;
        const Kel::MediaProfile read = settings.getLastCustomConvertProfile();
        QCOMPARE(read, saved);
        QCOMPARE(read.frameRate, frameRate);
        QCOMPARE(read.aBitRate, saved.aBitRate);
        QCOMPARE(read.description, saved.description);
        QCOMPARE(m_pref->allKeys().filter(QStringLiteral("app_last_convert_custom_profile_")).size(), 16);
    }

    void freshInstallationCustomProfile()
    {
        SettingsManager settings;
        const Kel::MediaProfile fresh = settings.getLastCustomConvertProfile();
        QCOMPARE(fresh.name, QString("Customized"));
        QCOMPARE(fresh.frameRate, 29.97);
        QCOMPARE(fresh.type, Kel::UnknownMedia);
        QCOMPARE(fresh.resolution, QSize(-1, -1));
        QCOMPARE(fresh.aspect, QSize(-1, -1));
        QCOMPARE(fresh.vBitRate, -1);
        QCOMPARE(fresh.aSampleRate, -1);
        QVERIFY(!fresh.isValid());
    }

    void onlyValidCustomizedProfilesAreSaved()
    {
        SettingsManager settings;
        Kel::MediaProfile named = customProfile(25.0);
        named.name = QStringLiteral("iPhone");
        settings.setLastCustomConvertProfile(named);
        Kel::MediaProfile invalid = customProfile(25.0);
        invalid.format.clear();
        settings.setLastCustomConvertProfile(invalid);
        QVERIFY(m_pref->allKeys().filter(QStringLiteral("app_last_convert_custom_profile_")).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestPresetProfiles)
#include "tst_presetprofiles.moc"
