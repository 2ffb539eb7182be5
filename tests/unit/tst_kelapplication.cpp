#include "kelframe/kelapplication.h"
#include "kelframe/kelfolders.h"
#include "kelframe/kelsingleinstance.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>
#include <QWidget>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <memory>

namespace {

constexpr int waitMs = 30000;

QString probeProgram()
{
    return QStringLiteral(MARLIN_TEST_DIR "/kelframe-probe");
}

QString uniqueId(const char *what)
{
    return QStringLiteral("marlin.test.%1.%2")
        .arg(QLatin1String(what), QUuid::createUuid().toString(QUuid::Id128).left(12));
}

// Leaves a socket file nobody listens on, as a crashed instance does.
bool leaveStaleSocket(const QString &file)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0)
        return false;
    sockaddr_un address;
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(file);
    if (name.size() >= int(sizeof address.sun_path)) {
        ::close(fd);
        return false;
    }
    std::memcpy(address.sun_path, name.constData(), name.size());
    const bool bound = ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
    ::close(fd);
    return bound && QFileInfo::exists(file);
}

} // namespace

// The application object: single instance across processes, messages from
// later starts, command line and installation check.
class KelApplicationTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();

    void laterStartIsDetectedAndDelivers_data();
    void laterStartIsDetectedAndDelivers();
    void staleSocketIsTakenOver_data();
    void staleSocketIsTakenOver();
    void messagesReachHoldingInstance();
    void instancesInOneProcess();
    void commandLine_data();
    void commandLine();
    void pageAddressStaysForProgram_data();
    void pageAddressStaysForProgram();
    void checkIntegrality_data();
    void checkIntegrality();
    void shippedInstallationIsWhole();

private:
    std::unique_ptr<QProcess> startProbe(const QString &id, const QStringList &arguments,
                                         const QString &mode = QString());

    QTemporaryDir m_home;
};

std::unique_ptr<QProcess> KelApplicationTest::startProbe(const QString &id, const QStringList &arguments,
                                                         const QString &mode)
{
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("MARLIN_HOME"), m_home.path());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("KELFRAME_PROBE_ID"), id);
    if (!mode.isEmpty())
        env.insert(QStringLiteral("KELFRAME_PROBE_MODE"), mode);
    process->setProcessEnvironment(env);
    process->start(probeProgram(), arguments);
    return process;
}

void KelApplicationTest::initTestCase()
{
    QVERIFY(m_home.isValid());
    Kel::setFolderRoot(m_home.path());
    if (!QFileInfo(probeProgram()).isExecutable())
        QFAIL("kelframe-probe is not built");
    QVERIFY(KelApplication::instance());
}

void KelApplicationTest::laterStartIsDetectedAndDelivers_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("opensPage");
    QTest::newRow("no argument") << QStringList() << QString() << false;
    QTest::newRow("page address") << QStringList{QStringLiteral("https://www.example.com/watch?v=a1b2&t=3")}
                                  << QStringLiteral("https://www.example.com/watch?v=a1b2&t=3") << true;
    QTest::newRow("not an address") << QStringList{QStringLiteral("hello")} << QString() << false;
}

void KelApplicationTest::laterStartIsDetectedAndDelivers()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    QFETCH(bool, opensPage);
    KelApplication *app = KelApplication::instance();
    const QString id = uniqueId("deliver");
    QVERIFY(!app->isRunning(id));

    QWidget window;
    window.setWindowTitle(QStringLiteral("first instance"));
    app->setActivationWindow(&window, true);
    QVERIFY(!window.isVisible());

    QSignalSpy messages(app, &KelApplication::messageReceived);
    QSignalSpy pages(app, &KelApplication::openUrlRequested);
    auto probe = startProbe(id, arguments);
    QVERIFY(messages.wait(waitMs));
    QVERIFY(probe->waitForFinished(waitMs));
    QCOMPARE(probe->exitCode(), 3);
    QCOMPARE(probe->readAllStandardOutput().trimmed(), QByteArray("running"));
    QCOMPARE(messages.count(), 1);
    QCOMPARE(messages.at(0).at(0).toString(), message);
    QCOMPARE(pages.count(), opensPage ? 1 : 0);
    if (opensPage)
        QCOMPARE(pages.at(0).at(0).toString(), message);
    QVERIFY(window.isVisible());
    app->setActivationWindow(nullptr);
}

void KelApplicationTest::staleSocketIsTakenOver_data()
{
    QTest::addColumn<bool>("crash");
    QTest::newRow("instance killed") << true;
    QTest::newRow("socket file left behind") << false;
}

void KelApplicationTest::staleSocketIsTakenOver()
{
    QFETCH(bool, crash);
    const QString id = uniqueId("stale");
    const QString socketFile = QDir::tempPath() + QLatin1Char('/') + KelSingleInstance::serverNameFor(id);
    if (crash) {
        auto holder = startProbe(id, {}, QStringLiteral("hold"));
        QByteArray output;
        QTRY_VERIFY_WITH_TIMEOUT((output += holder->readAllStandardOutput()).contains("ready")
                                     || holder->state() == QProcess::NotRunning,
                                 waitMs);
        QCOMPARE(holder->state(), QProcess::Running);
        KelSingleInstance alive;
        QVERIFY(alive.isRunning(id));
        holder->kill();
        QVERIFY(holder->waitForFinished(waitMs));
        QCOMPARE(holder->exitStatus(), QProcess::CrashExit);
    } else {
        QVERIFY(leaveStaleSocket(socketFile));
    }
    QVERIFY2(QFileInfo::exists(socketFile), "no socket file was left behind");

    KelSingleInstance next;
    QVERIFY(!next.isRunning(id));
    QVERIFY(next.isPrimary());
    QCOMPARE(next.id(), id);

    // The new holder answers later starts.
    QSignalSpy messages(&next, &KelSingleInstance::messageReceived);
    auto later = startProbe(id, {});
    QVERIFY(messages.wait(waitMs));
    QVERIFY(later->waitForFinished(waitMs));
    QCOMPARE(later->exitCode(), 3);
}

void KelApplicationTest::messagesReachHoldingInstance()
{
    const QString id = uniqueId("messages");
    auto holder = startProbe(id, {}, QStringLiteral("hold"));
    QByteArray output;
    QTRY_VERIFY_WITH_TIMEOUT((output += holder->readAllStandardOutput()).contains("ready"), waitMs);

    KelSingleInstance sender;
    QVERIFY(sender.isRunning(id));
    QVERIFY(!sender.isPrimary());
    const QString text = QStringLiteral("https://www.example.com/watch?v=x \u00e9\u6771");
    QVERIFY(sender.sendMessage(text));
    QTRY_VERIFY_WITH_TIMEOUT((output += holder->readAllStandardOutput()).contains("message:" + text.toUtf8()),
                             waitMs);
    QVERIFY(!sender.sendMessage(QString(KelSingleInstance::maxMessageBytes + 1, QLatin1Char('x'))));
    QVERIFY(sender.sendMessage(QStringLiteral("quit")));
    QVERIFY(holder->waitForFinished(waitMs));
    QCOMPARE(holder->exitStatus(), QProcess::NormalExit);
    QCOMPARE(holder->exitCode(), 0);

    // The identifier is free again and its socket file gone.
    const QString socketFile = QDir::tempPath() + QLatin1Char('/') + KelSingleInstance::serverNameFor(id);
    QVERIFY(!QFileInfo::exists(socketFile));
    QVERIFY(!sender.sendMessage(QStringLiteral("anyone?")));
}

void KelApplicationTest::instancesInOneProcess()
{
    const QString id = uniqueId("local");
    auto first = std::make_unique<KelSingleInstance>();
    QVERIFY(!first->isRunning(id));
    QVERIFY(!first->isRunning(id));
    KelSingleInstance second;
    QVERIFY(second.isRunning(id));
    KelSingleInstance otherId;
    QVERIFY(!otherId.isRunning(uniqueId("other")));
    first.reset();
    KelSingleInstance third;
    QVERIFY(!third.isRunning(id));
    QVERIFY(KelSingleInstance::serverNameFor(QStringLiteral("a/b c")) != KelSingleInstance::serverNameFor(QStringLiteral("a_b c")));
    QVERIFY(!KelSingleInstance::serverNameFor(QStringLiteral("../x")).contains(QLatin1Char('/')));
}

void KelApplicationTest::commandLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<QByteArray>("errors");
    QTest::newRow("help") << QStringList{QStringLiteral("--help")} << 0 << QByteArray("Usage:") << QByteArray();
    QTest::newRow("short help") << QStringList{QStringLiteral("-h")} << 0 << QByteArray("[url]") << QByteArray();
    QTest::newRow("version") << QStringList{QStringLiteral("--version")} << 0 << QByteArray("Marlin 1.0.0")
                             << QByteArray();
    QTest::newRow("unknown option") << QStringList{QStringLiteral("--bogus")} << 1 << QByteArray()
                                    << QByteArray("Unknown option 'bogus'");
    QTest::newRow("page address") << QStringList{QStringLiteral("https://www.example.com/watch?v=1")} << 0
                                   << QByteArray("primary") << QByteArray();
}

void KelApplicationTest::commandLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, output);
    QFETCH(QByteArray, errors);
    auto probe = startProbe(uniqueId("cmdline"), arguments);
    QVERIFY(probe->waitForFinished(waitMs));
    QCOMPARE(probe->exitStatus(), QProcess::NormalExit);
    QCOMPARE(probe->exitCode(), exitCode);
    const QByteArray out = probe->readAllStandardOutput();
    const QByteArray err = probe->readAllStandardError();
    QVERIFY2(out.contains(output), out.constData());
    QVERIFY2(err.contains(errors), err.constData());
    // Served options never reach the single-instance check.
    if (!arguments.first().startsWith(QLatin1String("http")))
        QVERIFY(!out.contains("primary") && !out.contains("running"));
}

void KelApplicationTest::pageAddressStaysForProgram_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("url");
    QTest::newRow("none") << QStringList() << QString();
    QTest::newRow("address") << QStringList{QStringLiteral("http://example.com/v")} << QStringLiteral("http://example.com/v");
    QTest::newRow("text then address") << QStringList{QStringLiteral("word"), QStringLiteral("https://e.com/x")}
                                       << QStringLiteral("https://e.com/x");
    QTest::newRow("not an address") << QStringList{QStringLiteral("ftp://e.com/x")} << QString();
}

void KelApplicationTest::pageAddressStaysForProgram()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, url);
    QList<QByteArray> storage{QByteArray("marlin")};
    for (const QString &argument : qAsConst(arguments))
        storage.append(argument.toLocal8Bit());
    QList<char *> argv;
    for (QByteArray &argument : storage)
        argv.append(argument.data());
    argv.append(nullptr);
    KelApplication *app = KelApplication::instance();
    QVERIFY(!app->processCmdLine(int(storage.size()), argv.data()));
    QCOMPARE(app->cmdLineExitCode(), 0);
    QCOMPARE(app->startUrl(), url);
}

void KelApplicationTest::checkIntegrality_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("folders");
    QTest::addColumn<bool>("whole");
    const QStringList all = KelApplication::requiredConfFiles();
    QTest::newRow("complete") << all << QStringList() << true;
    QTest::newRow("empty conf") << QStringList() << QStringList() << false;
    QTest::newRow("product file missing") << all.mid(1) << QStringList() << false;
    QTest::newRow("a folder in place of a file")
        << all.mid(0, all.size() - 1) << QStringList{all.last()} << false;
}

void KelApplicationTest::checkIntegrality()
{
    QFETCH(QStringList, files);
    QFETCH(QStringList, folders);
    QFETCH(bool, whole);
    QTemporaryDir appDir;
    QVERIFY(QDir().mkpath(appDir.filePath(QStringLiteral("conf"))));
    for (const QString &name : files) {
        QFile file(appDir.filePath(QStringLiteral("conf/") + name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("{}");
    }
    for (const QString &name : folders)
        QVERIFY(QDir().mkpath(appDir.filePath(QStringLiteral("conf/") + name)));
    QCOMPARE(KelApplication::checkIntegrality(appDir.path()), whole);
}

void KelApplicationTest::shippedInstallationIsWhole()
{
    QVERIFY(KelApplication::checkIntegrality(QStringLiteral(MARLIN_APP_DIR)));
}

int main(int argc, char **argv)
{
    KelApplication app(QString(), argc, argv);
    KelApplicationTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_kelapplication.moc"
