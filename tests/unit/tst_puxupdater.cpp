#include "tarncore/download/appcontext.h"
#include "tarncore/services/puxupdatecfg.h"
#include "tarncore/services/puxupdater.h"
#include "support/testhttpserver.h"
#include "support/testtools.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace Tarn;

namespace {

QByteArray md5Hex(const QByteArray &data, bool upper)
{
    const QByteArray hex = QCryptographicHash::hash(data, QCryptographicHash::Md5).toHex();
    return upper ? hex.toUpper() : hex;
}

QByteArray description(const QString &version, const QString &url, const QByteArray &md5)
{
    QByteArray text = "[INFO]\n";
    if (!version.isNull())
        text += "VERSION=" + version.toUtf8() + "\n";
    text += "YT_URL=" + url.toUtf8() + "\nTIMESTAMP=2023/11/16 08:30:00\nMD5=" + md5 + "\n";
    text += "[LANGUAGE]\nEN=Faster, and fixes two sites.\nFR=Plus rapide.\nZH_TW=\xe6\x9b\xb4\xe5\xbf\xab\xe3\x80\x82\n"
            "DE=Not one of the read languages.\n";
    return text;
}

bool writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return file.write(content) == content.size();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// An updater whose moves into place fail for chosen targets, standing in
// for a file system that refuses the rename.
class RefusingUpdater : public PuxUpdater
{
public:
    QStringList refusedSuffixes;

protected:
    bool replaceFile(const QString &from, const QString &to) override
    {
        for (const QString &suffix : std::as_const(refusedSuffixes)) {
            if (to.endsWith(suffix))
                return false;
        }
        return PuxUpdater::replaceFile(from, to);
    }
};

} // namespace

class TestPuxUpdater : public QObject
{
    Q_OBJECT

private:
    TestHttpServer m_server;
    std::unique_ptr<QTemporaryDir> m_data;
    std::unique_ptr<QTemporaryDir> m_program;
    QByteArray m_newArchive;

    QString data(const char *name) const { return m_data->filePath(QLatin1String(name)); }
    QString program(const char *name) const { return m_program->filePath(QLatin1String(name)); }
    QString archiveUrl() const { return m_server.url(QStringLiteral("/files/yt_v2.zip")).toString(); }
    QString cfgUrl() const { return m_server.url(QStringLiteral("/update/yt.puxc")).toString(); }

    void serveDescription(const QString &version, const QByteArray &md5)
    {
        m_server.setResponse(QStringLiteral("/update/yt.puxc"), description(version, archiveUrl(), md5), "text/plain");
    }

    // An installed copy in the data folder and in the program folder.
    void install(const QString &dir, const QString &version, const QByteArray &archive)
    {
        QVERIFY(writeFile(dir + QStringLiteral("/yt.zip"), archive));
        QVERIFY(writeFile(dir + QStringLiteral("/yt.puxc"),
                          description(version, QStringLiteral("http://old.example/yt.zip"), md5Hex(archive, false))));
    }

    // Leaves a downloaded update waiting in the data folder.
    void stageUpdate(const QByteArray &archive, const QByteArray &md5, const QString &version = QStringLiteral("2023.11.16"))
    {
        QVERIFY(writeFile(data("yt_new.zip"), archive));
        QVERIFY(writeFile(data("yt_new.puxc"), description(version, archiveUrl(), md5)));
    }

    // Runs a check to its end; returns whether a newer version was found.
    bool runCheck(PuxUpdater &updater, const QString &url, const QString &language, QList<QVariant> *found = nullptr)
    {
        QSignalSpy finished(&updater, &PuxUpdater::checkFinished);
        QSignalSpy newVersion(&updater, &PuxUpdater::foundNewPuxVersion);
        updater.checkUpdate(url, language);
        if (finished.isEmpty() && !finished.wait(20000))
            return false;
        if (found && !newVersion.isEmpty())
            *found = newVersion.first();
        const bool result = finished.first().first().toBool();
        return result && newVersion.size() == 1;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_server.start());
        QFile archive(TestTools::ytZipPath());
        QVERIFY2(archive.open(QIODevice::ReadOnly), qPrintable(TestTools::ytZipPath() + " is missing: build ytzip"));
        m_newArchive = archive.readAll();
    }

    void cleanupTestCase() { m_server.stop(); }

    void init()
    {
        m_data = std::make_unique<QTemporaryDir>();
        m_program = std::make_unique<QTemporaryDir>();
        QVERIFY(m_data->isValid() && m_program->isValid());
        AppContext::setAppDirOverride(m_program->path());
        m_server.clearFaults();
        m_server.clearRequests();
        m_server.setResponse(QStringLiteral("/files/yt_v2.zip"), m_newArchive, "application/zip");
    }

    void cleanup()
    {
        AppContext::setAppDirOverride(QString());
        m_data.reset();
        m_program.reset();
    }

    void namesFollowTheTool()
    {
        PuxUpdater updater;
        QCOMPARE(updater.toolName(), QString("yt"));
        QCOMPARE(updater.puxCfgUrl(), QString("YTCFG_URL"));
        QVERIFY(PuxUpdater::instance());
        QCOMPARE(PuxUpdater::instance(), PuxUpdater::instance());
    }

    // The description file.
    void descriptionLoads()
    {
        QVERIFY(writeFile(data("d.puxc"), description(QStringLiteral("2023.11.16"), QStringLiteral("http://h/yt.zip"),
                                                      "ABCDEF")));
        PuxUpdateCfg cfg(QStringLiteral("YT_URL"));
        QCOMPARE(cfg.load(data("d.puxc")), 0);
        QCOMPARE(cfg.getVersionText(), QString("2023.11.16"));
        QCOMPARE(cfg.getVersion(), QVersionNumber(2023, 11, 16));
        QCOMPARE(cfg.getUrl(), QString("http://h/yt.zip"));
        QCOMPARE(cfg.getMd5(), QString("ABCDEF"));
        QCOMPARE(cfg.getTimeStamp(), QDateTime(QDate(2023, 11, 16), QTime(8, 30)));
        // Seven languages are read; a comma does not split the text.
        QCOMPARE(cfg.getDescriptions().keys(), QList<QString>({"EN", "FR", "ZH_TW"}));
        QCOMPARE(cfg.getDescription(QStringLiteral("EN")), QString("Faster, and fixes two sites."));
        QCOMPARE(cfg.getDescription(QStringLiteral("en_US")), QString("Faster, and fixes two sites."));
        QCOMPARE(cfg.getDescription(QStringLiteral("zh-Hant")), QString::fromUtf8("\xe6\x9b\xb4\xe5\xbf\xab\xe3\x80\x82"));
        QVERIFY(cfg.getDescription(QStringLiteral("DE")).isEmpty());
    }

    void descriptionVersions_data()
    {
        QTest::addColumn<QString>("version");
        QTest::addColumn<int>("result");
        QTest::newRow("date") << "2023.03.04" << 0;
        QTest::newRow("decimal") << "1.5" << 0;
        QTest::newRow("whole") << "3" << 0;
        QTest::newRow("zero") << "0" << -1;
        QTest::newRow("zeros") << "0.0.0" << -1;
        QTest::newRow("missing") << QString() << -1;
        QTest::newRow("word") << "latest" << -1;
        QTest::newRow("negative") << "-1" << -1;
    }
    void descriptionVersions()
    {
        QFETCH(QString, version);
        QFETCH(int, result);
        QVERIFY(writeFile(data("v.puxc"), description(version, QStringLiteral("http://h/yt.zip"), "00")));
        PuxUpdateCfg cfg(QStringLiteral("YT_URL"));
        QCOMPARE(cfg.load(data("v.puxc")), result);
        QCOMPARE(PuxUpdateCfg(QStringLiteral("YT_URL")).load(data("absent.puxc")), -1);
    }

    // The build describes the archive it ships, so that the program folder's
    // version takes part in the comparison with a published one.
    void shippedDescriptionMatchesTheArchive()
    {
        const QString archive = TestTools::ytZipPath();
        const QString description = QFileInfo(archive).absolutePath() + QStringLiteral("/yt.puxc");
        Tarn::PuxUpdateCfg cfg(QStringLiteral("YT_URL"));
        QCOMPARE(cfg.load(description), 0);
        QFile file(archive);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCryptographicHash md5(QCryptographicHash::Md5);
        QVERIFY(md5.addData(&file));
        QCOMPARE(cfg.getMd5(), QString::fromLatin1(md5.result().toHex().toUpper()));
        const TestTools::RunResult run =
            TestTools::run(TestTools::pythonPath(), {archive, QStringLiteral("--version")}, 60000);
        QVERIFY2(run.succeeded(), qPrintable(run.describe()));
        QCOMPARE(cfg.getVersionText(), QString::fromUtf8(run.standardOutput).trimmed());
    }

    void versionsCompareByParts()
    {
        QVERIFY(PuxUpdateCfg::parseVersion(QStringLiteral("2023.03.04")) < PuxUpdateCfg::parseVersion(QStringLiteral("2023.11.16")));
        QVERIFY(PuxUpdateCfg::parseVersion(QStringLiteral("2023.03.04")) < PuxUpdateCfg::parseVersion(QStringLiteral("2023.03.04.1")));
        QVERIFY(PuxUpdateCfg::parseVersion(QStringLiteral("2023.11.16")) < PuxUpdateCfg::parseVersion(QStringLiteral("2024.01.01")));
        QCOMPARE(PuxUpdateCfg::parseVersion(QStringLiteral("2023.03.04")), PuxUpdateCfg::parseVersion(QStringLiteral("2023.3.4")));
    }

    // The check.
    void noUpdateWhenNotNewer_data()
    {
        QTest::addColumn<QString>("dataVersion");
        QTest::addColumn<QString>("programVersion");
        QTest::addColumn<QString>("serverVersion");
        QTest::newRow("data folder same") << "2023.11.16" << "" << "2023.11.16";
        QTest::newRow("data folder higher") << "2024.01.01" << "2023.03.04" << "2023.11.16";
        QTest::newRow("program folder same") << "" << "2023.11.16" << "2023.11.16";
        QTest::newRow("program folder higher") << "2023.03.04" << "2024.01.01" << "2023.11.16";
        QTest::newRow("server version zero") << "" << "" << "0";
        QTest::newRow("server version missing") << "" << "" << QString();
        QTest::newRow("server version a word") << "" << "" << "newest";
    }
    void noUpdateWhenNotNewer()
    {
        QFETCH(QString, dataVersion);
        QFETCH(QString, programVersion);
        QFETCH(QString, serverVersion);
        if (!dataVersion.isEmpty())
            install(m_data->path(), dataVersion, "old");
        if (!programVersion.isEmpty())
            install(m_program->path(), programVersion, "shipped");
        serveDescription(serverVersion, md5Hex(m_newArchive, true));
        PuxUpdater updater;
        updater.setAppDataDir(m_data->path());
        QSignalSpy found(&updater, &PuxUpdater::foundNewPuxVersion);
        QSignalSpy finished(&updater, &PuxUpdater::checkFinished);
        updater.checkUpdate(cfgUrl(), QStringLiteral("EN"));
        QVERIFY(finished.wait(20000));
        QCOMPARE(finished.first().first().toBool(), false);
        QCOMPARE(found.size(), 0);
        QVERIFY(updater.newVersionUrl().isEmpty());
        QCOMPARE(m_server.requestCount(QStringLiteral("/update/yt.puxc")), 1);
    }

    void newVersionIsReported_data()
    {
        QTest::addColumn<QString>("dataVersion");
        QTest::addColumn<QString>("programVersion");
        QTest::addColumn<QString>("serverVersion");
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("text");
        QTest::newRow("nothing installed") << "" << "" << "2023.11.16" << "EN" << "Faster, and fixes two sites.";
        QTest::newRow("data folder lower") << "2023.03.04" << "" << "2023.11.16" << "fr" << "Plus rapide.";
        QTest::newRow("program folder lower") << "" << "2023.03.04" << "2023.11.16" << "ZH_TW"
                                              << QString::fromUtf8("\xe6\x9b\xb4\xe5\xbf\xab\xe3\x80\x82");
        QTest::newRow("unloadable copy") << "0" << "2023.03.04" << "2023.11.16" << "EN"
                                         << "Faster, and fixes two sites.";
        QTest::newRow("point release") << "2023.11.16" << "2023.03.04" << "2023.11.16.1" << "EN"
                                       << "Faster, and fixes two sites.";
        QTest::newRow("language without text") << "" << "" << "2023.11.16" << "DE" << "";
    }
    void newVersionIsReported()
    {
        QFETCH(QString, dataVersion);
        QFETCH(QString, programVersion);
        QFETCH(QString, serverVersion);
        QFETCH(QString, language);
        QFETCH(QString, text);
        if (!dataVersion.isEmpty())
            install(m_data->path(), dataVersion, "old");
        if (!programVersion.isEmpty())
            install(m_program->path(), programVersion, "shipped");
        serveDescription(serverVersion, md5Hex(m_newArchive, true));
        PuxUpdater updater;
        updater.setAppDataDir(m_data->path());
        QList<QVariant> found;
        QVERIFY(runCheck(updater, cfgUrl(), language, &found));
        QCOMPARE(found.at(0).toString(), serverVersion);
        QCOMPARE(found.at(1).toString(), text);
        QCOMPARE(updater.newVersionUrl(), archiveUrl());
        // Nothing is downloaded before update() is asked for.
        QCOMPARE(m_server.requestCount(QStringLiteral("/files/yt_v2.zip")), 0);
    }

    void failedChecksReportNothing_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<qint64>("cutAfter");
        QTest::newRow("not found") << 404 << qint64(-1);
        QTest::newRow("server error") << 500 << qint64(-1);
        QTest::newRow("cut off") << 0 << qint64(20);
    }
    void failedChecksReportNothing()
    {
        QFETCH(int, status);
        QFETCH(qint64, cutAfter);
        serveDescription(QStringLiteral("2023.11.16"), md5Hex(m_newArchive, true));
        TestHttpServer::Fault fault;
        fault.status = status;
        fault.closeAfterBytes = cutAfter;
        m_server.setFault(QStringLiteral("/update/*"), fault);
        PuxUpdater updater;
        updater.setAppDataDir(m_data->path());
        QVERIFY(!runCheck(updater, cfgUrl(), QStringLiteral("EN")));
        // A failed fetch leaves no description behind.
        QVERIFY(!QFileInfo::exists(data("yt_new.puxc")));
        QVERIFY(QDir(m_data->path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
    }

    void checkNeedsDataFolderAndHttpAddress()
    {
        PuxUpdater updater;
        QSignalSpy finished(&updater, &PuxUpdater::checkFinished);
        updater.checkUpdate(cfgUrl(), QStringLiteral("EN"));
        QCOMPARE(finished.size(), 1);
        updater.setAppDataDir(m_data->path());
        updater.checkUpdate(QStringLiteral("ftp://127.0.0.1/yt.puxc"), QStringLiteral("EN"));
        updater.checkUpdate(QStringLiteral("not an address"), QStringLiteral("EN"));
        QCOMPARE(finished.size(), 3);
        QCOMPARE(m_server.requestCount(), 0);
    }

    void httpsAddressIsFetchedOverTls()
    {
        const int connections = m_server.connectionCount();
        serveDescription(QStringLiteral("2023.11.16"), md5Hex(m_newArchive, true));
        PuxUpdater updater;
        updater.setAppDataDir(m_data->path());
        updater.setTransferTimeout(2000);
        const QString url = QStringLiteral("https://127.0.0.1:%1/update/yt.puxc").arg(m_server.port());
        // The plain test server cannot answer a TLS handshake: the check
        // fails, but it went to the given port, and not as plain HTTP.
        QVERIFY(!runCheck(updater, url, QStringLiteral("EN")));
        QVERIFY(m_server.connectionCount() > connections);
        QCOMPARE(m_server.requestCount(QStringLiteral("/update/yt.puxc")), 0);
    }

    // Download and installation.
    void updateDownloadsVerifiesAndInstalls()
    {
        install(m_program->path(), QStringLiteral("2023.03.04"), "shipped archive");
        serveDescription(QStringLiteral("2023.11.16"), md5Hex(m_newArchive, true));
        PuxUpdater updater;
        updater.setAppDataDir(m_data->path());
        QCOMPARE(updater.puxFilePath(), program("yt.zip"));
        QVERIFY(runCheck(updater, cfgUrl(), QStringLiteral("EN")));

        QSignalSpy done(&updater, &PuxUpdater::done);
        QSignalSpy progress(&updater, &PuxUpdater::downloadProgress);
        updater.update();
        QVERIFY(updater.isUpdating());
        QVERIFY(done.wait(60000));
        QCOMPARE(done.size(), 1);
        QCOMPARE(done.first().first().toBool(), false);
        QVERIFY(!updater.isUpdating());
        QVERIFY(!progress.isEmpty());
        QCOMPARE(progress.last().at(0).toInt(), int(m_newArchive.size()));

        QVERIFY(readFile(data("yt.zip")) == m_newArchive);
        PuxUpdateCfg installed(QStringLiteral("YT_URL"));
        QCOMPARE(installed.load(data("yt.puxc")), 0);
        QCOMPARE(installed.getVersionText(), QString("2023.11.16"));
        QVERIFY(!QFileInfo::exists(data("yt_new.zip")));
        QVERIFY(!QFileInfo::exists(data("yt_new.puxc")));
        QCOMPARE(updater.puxFilePath(), data("yt.zip"));

        // The installed archive is a working tool.
        if (!TestTools::requireProgram(QStringLiteral("python3")))
            return;
        const TestTools::RunResult run =
            TestTools::run(TestTools::pythonPath(), {data("yt.zip"), QStringLiteral("--version")});
        QVERIFY2(run.succeeded(), qPrintable(run.describe()));
        QVERIFY(!run.standardOutput.trimmed().isEmpty());

        // The same version is not offered again.
        QVERIFY(!runCheck(updater, cfgUrl(), QStringLiteral("EN")));
    }

    void brokenDownloadsAreNeverInstalled_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<qint64>("cutAfter");
        QTest::addColumn<bool>("omitLength");
        QTest::addColumn<bool>("wrongDigest");
        QTest::newRow("wrong digest") << 0 << qint64(-1) << false << true;
        QTest::newRow("not found") << 404 << qint64(-1) << false << false;
        QTest::newRow("cut off") << 0 << qint64(4096) << false << false;
        QTest::newRow("cut off without length") << 0 << qint64(4096) << true << false;
    }
    void brokenDownloadsAreNeverInstalled()
    {
        QFETCH(int, status);
        QFETCH(qint64, cutAfter);
        QFETCH(bool, omitLength);
        QFETCH(bool, wrongDigest);
        install(m_data->path(), QStringLiteral("2023.03.04"), "working old archive");
        serveDescription(QStringLiteral("2023.11.16"), wrongDigest ? md5Hex("other", true) : md5Hex(m_newArchive, true));
        TestHttpServer::Fault fault;
        fault.status = status;
        fault.closeAfterBytes = cutAfter;
        fault.omitContentLength = omitLength;
        if (status || cutAfter >= 0)
            m_server.setFault(QStringLiteral("/files/*"), fault);

        PuxUpdater updater;
        updater.setAppDataDir(m_data->path());
        QVERIFY(runCheck(updater, cfgUrl(), QStringLiteral("EN")));
        QSignalSpy done(&updater, &PuxUpdater::done);
        updater.update();
        QVERIFY(done.wait(60000));
        QCOMPARE(done.first().first().toBool(), true);
        QVERIFY(!updater.isUpdating());

        QCOMPARE(readFile(data("yt.zip")), QByteArray("working old archive"));
        PuxUpdateCfg installed(QStringLiteral("YT_URL"));
        QCOMPARE(installed.load(data("yt.puxc")), 0);
        QCOMPARE(installed.getVersionText(), QString("2023.03.04"));
        QCOMPARE(updater.puxFilePath(), program("yt.zip"));
        // Only a complete download is kept; it still fails the digest check.
        if (QFileInfo::exists(data("yt_new.zip"))) {
            QVERIFY(readFile(data("yt_new.zip")).size() == m_newArchive.size() || omitLength);
            QCOMPARE(updater.tryRename(), int(PuxUpdater::RenameDigestMismatch));
        } else {
            QVERIFY(status != 0 || (cutAfter >= 0 && !omitLength));
        }
        // No temporary download is left behind.
        const QStringList known = {QStringLiteral("yt.zip"), QStringLiteral("yt.puxc"), QStringLiteral("yt_new.zip"),
                                   QStringLiteral("yt_new.puxc")};
        for (const QString &name : QDir(m_data->path()).entryList(QDir::Files | QDir::Hidden))
            QVERIFY2(known.contains(name), qPrintable(name));
    }

    void updateWithoutNewVersionFails()
    {
        PuxUpdater updater;
        updater.setAppDataDir(m_data->path());
        QSignalSpy done(&updater, &PuxUpdater::done);
        updater.update();
        QCOMPARE(done.size(), 1);
        QCOMPARE(done.first().first().toBool(), true);
    }

    // tryRename() and its results.
    void tryRenameInstalls_data()
    {
        QTest::addColumn<bool>("upper");
        QTest::addColumn<bool>("oldFiles");
        QTest::newRow("upper-case digest over old files") << true << true;
        QTest::newRow("lower-case digest, first install") << false << false;
    }
    void tryRenameInstalls()
    {
        QFETCH(bool, upper);
        QFETCH(bool, oldFiles);
        if (oldFiles)
            install(m_data->path(), QStringLiteral("2023.03.04"), "old");
        stageUpdate("new archive", md5Hex("new archive", upper));
        PuxUpdater updater;
        updater.setAppDataDir(m_data->path());
        QCOMPARE(updater.tryRename(), int(PuxUpdater::RenameOk));
        QCOMPARE(readFile(data("yt.zip")), QByteArray("new archive"));
        QVERIFY(readFile(data("yt.puxc")).contains("VERSION=2023.11.16"));
        QVERIFY(!QFileInfo::exists(data("yt_new.zip")));
        QVERIFY(!QFileInfo::exists(data("yt_new.puxc")));
        // Nothing left to do.
        QCOMPARE(updater.tryRename(), int(PuxUpdater::RenameOk));
    }

    void tryRenameWithoutDataFolder()
    {
        PuxUpdater updater;
        QCOMPARE(updater.tryRename(), int(PuxUpdater::RenameNoDataDir));
    }

    void tryRenameWithNothingToInstall()
    {
        install(m_data->path(), QStringLiteral("2023.03.04"), "old");
        QVERIFY(writeFile(data("yt_new.zip"), "half a download"));
        PuxUpdater updater;
        updater.setAppDataDir(m_data->path());
        QCOMPARE(updater.tryRename(), int(PuxUpdater::RenameOk));
        QCOMPARE(readFile(data("yt.zip")), QByteArray("old"));
        QCOMPARE(readFile(data("yt_new.zip")), QByteArray("half a download"));
    }

    void tryRenameRefusals_data()
    {
        QTest::addColumn<QString>("case_");
        QTest::addColumn<int>("expected");
        QTest::newRow("description does not load") << "bad description" << -2;
        QTest::newRow("digest differs") << "wrong digest" << -5;
        QTest::newRow("no digest") << "no digest" << -5;
        QTest::newRow("old archive cannot go") << "archive is a folder" << -6;
        QTest::newRow("old description cannot go") << "description is a folder" << -7;
    }
    void tryRenameRefusals()
    {
        QFETCH(QString, case_);
        QFETCH(int, expected);
        install(m_data->path(), QStringLiteral("2023.03.04"), "old");
        if (case_ == QLatin1String("bad description"))
            stageUpdate("new", md5Hex("new", true), QStringLiteral("0"));
        else if (case_ == QLatin1String("wrong digest"))
            stageUpdate("new", md5Hex("other", true));
        else if (case_ == QLatin1String("no digest"))
            stageUpdate("new", QByteArray());
        else
            stageUpdate("new", md5Hex("new", false));
        const QString blocked = case_ == QLatin1String("archive is a folder") ? data("yt.zip")
            : case_ == QLatin1String("description is a folder")               ? data("yt.puxc")
                                                                               : QString();
        if (!blocked.isEmpty()) {
            QVERIFY(QFile::remove(blocked));
            QVERIFY(QDir().mkpath(blocked + QStringLiteral("/inside")));
        }
        PuxUpdater updater;
        updater.setAppDataDir(m_data->path());
        QCOMPARE(updater.tryRename(), expected);
        // Refused before anything moved.
        QCOMPARE(readFile(data("yt_new.zip")), QByteArray("new"));
        QVERIFY(QFileInfo::exists(data("yt_new.puxc")));
        if (blocked != data("yt.zip"))
            QCOMPARE(readFile(data("yt.zip")), QByteArray("old"));
    }

    void tryRenameWhenTheMovesFail_data()
    {
        QTest::addColumn<bool>("oldFiles");
        QTest::addColumn<QString>("refused");
        QTest::addColumn<int>("expected");
        QTest::newRow("archive, old one present") << true << "/yt.zip" << -6;
        QTest::newRow("archive, first install") << false << "/yt.zip" << -8;
        QTest::newRow("description, old one present") << true << "/yt.puxc" << -7;
        QTest::newRow("description, first install") << false << "/yt.puxc" << -9;
    }
    void tryRenameWhenTheMovesFail()
    {
        QFETCH(bool, oldFiles);
        QFETCH(QString, refused);
        QFETCH(int, expected);
        if (oldFiles)
            install(m_data->path(), QStringLiteral("2023.03.04"), "old");
        stageUpdate("new", md5Hex("new", true));
        RefusingUpdater updater;
        updater.refusedSuffixes << refused;
        updater.setAppDataDir(m_data->path());
        QCOMPARE(updater.tryRename(), expected);

        // Whatever failed, a complete archive is in place or waiting.
        const QByteArray inPlace = readFile(data("yt.zip"));
        if (refused == QLatin1String("/yt.zip")) {
            QCOMPARE(inPlace, oldFiles ? QByteArray("old") : QByteArray());
            QCOMPARE(readFile(data("yt_new.zip")), QByteArray("new"));
        } else {
            QCOMPARE(inPlace, QByteArray("new"));
        }

        // The next start completes the installation.
        PuxUpdater next;
        next.setAppDataDir(m_data->path());
        QCOMPARE(next.tryRename(), int(PuxUpdater::RenameOk));
        QCOMPARE(readFile(data("yt.zip")), QByteArray("new"));
        QVERIFY(readFile(data("yt.puxc")).contains("VERSION=2023.11.16"));
        QVERIFY(!QFileInfo::exists(data("yt_new.zip")));
        QVERIFY(!QFileInfo::exists(data("yt_new.puxc")));
    }

    // Which archive runs.
    void puxFilePath_data()
    {
        QTest::addColumn<QString>("dataVersion"); // "" none, "-" archive without description
        QTest::addColumn<QString>("programVersion");
        QTest::addColumn<bool>("usesData");
        QTest::newRow("nothing in the data folder") << "" << "2023.03.04" << false;
        QTest::newRow("archive without description") << "-" << "2023.03.04" << false;
        QTest::newRow("program folder without description") << "2023.11.16" << "" << false;
        QTest::newRow("data folder newer") << "2023.11.16" << "2023.03.04" << true;
        QTest::newRow("same version") << "2023.03.04" << "2023.03.04" << false;
        QTest::newRow("data folder older") << "2023.03.04" << "2023.11.16" << false;
        QTest::newRow("by parts, not as a fraction") << "2023.11.16" << "2023.9.30" << true;
    }
    void puxFilePath()
    {
        QFETCH(QString, dataVersion);
        QFETCH(QString, programVersion);
        QFETCH(bool, usesData);
        if (dataVersion == QLatin1String("-"))
            QVERIFY(writeFile(data("yt.zip"), "data"));
        else if (!dataVersion.isEmpty())
            install(m_data->path(), dataVersion, "data");
        if (!programVersion.isEmpty())
            install(m_program->path(), programVersion, "program");
        PuxUpdater updater;
        QCOMPARE(updater.puxFilePath(), program("yt.zip"));
        updater.setAppDataDir(m_data->path() + QStringLiteral("/"));
        QCOMPARE(updater.appDataDir(), m_data->path());
        QCOMPARE(updater.puxFilePath(), usesData ? data("yt.zip") : program("yt.zip"));
    }
};

QTEST_GUILESS_MAIN(TestPuxUpdater)
#include "tst_puxupdater.moc"
