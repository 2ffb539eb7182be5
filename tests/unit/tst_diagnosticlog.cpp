#include "shared/kellog.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>
#include <functional>

#include <fcntl.h>
#include <unistd.h>

namespace {

// Runs fn with file descriptor fd redirected into a file; returns what was written.
QByteArray captureFd(int fd, const std::function<void()> &fn)
{
    QTemporaryDir dir;
    const QByteArray path = QFile::encodeName(dir.filePath("capture"));
    std::fflush(stdout);
    std::fflush(stderr);
    const int saved = dup(fd);
    const int sink = open(path.constData(), O_CREAT | O_WRONLY | O_TRUNC, 0600);
    dup2(sink, fd);
    close(sink);
    fn();
    std::fflush(stdout);
    std::fflush(stderr);
    dup2(saved, fd);
    close(saved);
    QFile f(QString::fromLocal8Bit(path));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestDiagnosticLog : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_temp;

private slots:
    void initTestCase()
    {
        QVERIFY(m_temp.isValid());
        // Every default path below follows the temporary folder.
        qputenv("TMPDIR", QFile::encodeName(m_temp.path()));
        qunsetenv("MARLIN_LOG_LEVEL");
        qunsetenv("MARLIN_LOG_OUTPUTS");
    }

    void init() { Kel::Log::resetLog(); }

    void levelTexts()
    {
        QCOMPARE(Kel::Log::levelText(0), QStringLiteral("[DEBUG]"));
        QCOMPARE(Kel::Log::levelText(1), QStringLiteral("[INFO]"));
        QCOMPARE(Kel::Log::levelText(2), QStringLiteral("[ERROR]"));
        QCOMPARE(Kel::Log::levelText(3), QStringLiteral("[FATAL]"));
        QCOMPARE(Kel::Log::levelText(7), QString());
        QCOMPARE(Kel::Log::levelText(-1), QString());
    }

    void recordLayout()
    {
        const QByteArray record = Kel::Log::formatRecord(" 2026-01-02 03:04:05 ", Kel::Log::Info, "", ".\\PuxDownloader",
                                                         "Kel::PuxDownloader::cancel", 115, "Download canceling...");
        QCOMPARE(record, QByteArray("\n 2026-01-02 03:04:05  [INFO]  Kel::PuxDownloader::cancel  "
                                    ".\\PuxDownloader(line115) :\nDownload canceling...\n"));
        const QByteArray unknown = Kel::Log::formatRecord("", 7, "tag", "f.cpp", "g", 1, "m");
        QCOMPARE(unknown, QByteArray("\n  tag g  f.cpp(line1) :\nm\n"));
    }

    void defaultStateUsesTheModuleFile()
    {
        QVERIFY(!Kel::Log::isInitialised());
        const QString expected = QDir::tempPath() + "/" + Kel::Log::moduleFileName() + ".1.log";
        QCOMPARE(Kel::Log::logFile(), expected);
        QCOMPARE(Kel::Log::moduleFileName(), QStringLiteral("tst_diagnosticlog"));
        QCOMPARE(Kel::Log::minLevel(), 1);
        QCOMPARE(Kel::Log::outputs(), 7);
    }

    void defaultStateDropsDebugAndWritesEverywhere()
    {
        QFile::remove(Kel::Log::defaultLogFile());
        QByteArray err;
        const QByteArray out = captureFd(1, [&] {
            err = captureFd(2, [] {
                KEL_DEBUG("hidden %d", 1);
                Kel::Log::writeLog(Kel::Log::Info, "", ".\\PuxDownloader", "Kel::PuxDownloader::cancel", 115,
                                   "Download canceling...");
            });
        });
        const QByteArray file = readFile(Kel::Log::defaultLogFile());
        QVERIFY(!out.contains("hidden"));
        QVERIFY(!file.contains("hidden"));
        static const QRegularExpression re(
            "^\n \\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d  \\[INFO\\]  Kel::PuxDownloader::cancel  "
            "\\.\\\\PuxDownloader\\(line115\\) :\nDownload canceling\\.\\.\\.\n$");
        QVERIFY2(re.match(QString::fromLatin1(out)).hasMatch(), out.constData());
        QCOMPARE(err, out);
        QCOMPARE(file, out);
    }

    void levelAndSinksFromInitLog()
    {
        const QString path = m_temp.filePath("custom.log");
        Kel::Log::initLog(path, Kel::Log::Error, Kel::Log::ToFile);
        const QByteArray out = captureFd(1, [] {
            KEL_INFO("dropped");
            KEL_ERROR("kept %s", "value");
            Kel::Log::writeLog(7, "", "f", "g", 1, "unknown level");
        });
        QVERIFY(out.isEmpty());
        const QByteArray file = readFile(path);
        QVERIFY(!file.contains("dropped"));
        QVERIFY(file.contains("[ERROR]"));
        QVERIFY(file.contains("kept value\n"));
        QVERIFY(file.contains("  g  f(line1) :\nunknown level\n"));
    }

    void environmentReplacesTheDefaults()
    {
        qputenv("MARLIN_LOG_LEVEL", "0");
        qputenv("MARLIN_LOG_OUTPUTS", "1");
        const QByteArray out = captureFd(1, [] { KEL_DEBUG("debug visible"); });
        qunsetenv("MARLIN_LOG_LEVEL");
        qunsetenv("MARLIN_LOG_OUTPUTS");
        QVERIFY(out.isEmpty());
        QCOMPARE(Kel::Log::minLevel(), 0);
        QVERIFY(readFile(Kel::Log::logFile()).contains("debug visible"));
    }

    void longMessagesAreCut()
    {
        const QString path = m_temp.filePath("long.log");
        Kel::Log::initLog(path, 0, Kel::Log::ToFile);
        const QByteArray big(200000, 'x');
        Kel::Log::writeLog(1, "", "f", "g", 1, "%s", big.constData());
        const QByteArray file = readFile(path);
        QCOMPARE(file.count('x'), 127999);
    }

    void macroNamesTheQualifiedFunction()
    {
        const QString path = m_temp.filePath("macro.log");
        Kel::Log::initLog(path, 0, Kel::Log::ToFile);
        KEL_INFO("from the macro");
        const QByteArray file = readFile(path);
        QVERIFY2(file.contains("  TestDiagnosticLog::macroNamesTheQualifiedFunction  tst_diagnosticlog.cpp(line"),
                 file.constData());
    }

    void qualifiedFunctionName_data()
    {
        QTest::addColumn<QByteArray>("pretty");
        QTest::addColumn<QByteArray>("name");
        QTest::newRow("method") << QByteArray("void Kel::PuxDownloader::download(const QString&, int)")
                                << QByteArray("Kel::PuxDownloader::download");
        QTest::newRow("const") << QByteArray("bool Kel::A::b() const") << QByteArray("Kel::A::b");
        QTest::newRow("pointer result") << QByteArray("Kel::X* Kel::F::create()") << QByteArray("Kel::F::create");
        QTest::newRow("template result") << QByteArray("QList<QPair<int, int> > Kel::A::list(int)")
                                         << QByteArray("Kel::A::list");
        QTest::newRow("constructor") << QByteArray("Kel::A::A(QObject*)") << QByteArray("Kel::A::A");
        QTest::newRow("call operator") << QByteArray("void Kel::A::operator()(int)")
                                       << QByteArray("Kel::A::operator()");
        QTest::newRow("lambda") << QByteArray("Kel::A::run()::<lambda()>") << QByteArray("Kel::A::run");
        QTest::newRow("already plain") << QByteArray("Kel::A::b") << QByteArray("Kel::A::b");
    }

    void qualifiedFunctionName()
    {
        QFETCH(QByteArray, pretty);
        QFETCH(QByteArray, name);
        QCOMPARE(Kel::Log::qualifiedFunctionName(pretty.constData()), name);
    }

    void traceLastErrorRollsOver()
    {
        const QString one = QDir::tempPath() + "/" + Kel::Log::moduleFileName() + ".1.log";
        const QString two = QDir::tempPath() + "/" + Kel::Log::moduleFileName() + ".2.log";
        QFile::remove(one);
        QFile::remove(two);
        const QByteArray line(99, 'e');
        for (int i = 0; i < 81; ++i)
            Kel::Log::traceLastError("%s", line.constData());
        QCOMPARE(QFileInfo(one).size(), 8100);
        QVERIFY(!QFile::exists(two));
        Kel::Log::traceLastError("%s", line.constData());
        QCOMPARE(QFileInfo(one).size(), 8200);
        QCOMPARE(QFileInfo(two).size(), 8200);
        Kel::Log::traceLastError("last");
        QCOMPARE(QFileInfo(one).size(), 8205);
        QCOMPARE(readFile(two), readFile(one));

        const QByteArray big(3000, 'b');
        Kel::Log::traceLastError("%s", big.constData());
        QCOMPARE(QFileInfo(one).size(), 8205 + 1024);
    }

    void traceFailureRecordsTimeAndErrorCode()
    {
        const QString one = QDir::tempPath() + "/" + Kel::Log::moduleFileName() + ".1.log";
        QFile::remove(one);
        Kel::Log::initLog(m_temp.filePath("failure.log"), 1, Kel::Log::ToFile);
        errno = ENOENT;
        Kel::Log::traceFailure("merge.cpp", 42, "void Kel::PuxDownloader::merge()");
        const QByteArray text = readFile(one);
        static const QRegularExpression re(
            "^merge\\.cpp\\(42\\): in Kel::PuxDownloader::merge : \\d{4}/\\d\\d/\\d\\d \\d\\d:\\d\\d:\\d\\d 00000002\n$");
        QVERIFY2(re.match(QString::fromLatin1(text)).hasMatch(), text.constData());
        QVERIFY(readFile(m_temp.filePath("failure.log")).contains("Kel::PuxDownloader::merge  merge.cpp(line42) :\n\n"));
    }
};

QTEST_GUILESS_MAIN(TestDiagnosticLog)
#include "tst_diagnosticlog.moc"
