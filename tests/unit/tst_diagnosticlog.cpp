#include "shared/kellog.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <numeric>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
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
    QString logFolder() const { return m_temp.filePath(QStringLiteral("home/log")); }

    void initTestCase()
    {
        QVERIFY(m_temp.isValid());
        // Every default path below follows MARLIN_HOME, and the fallback
        // the temporary folder.
        qputenv("MARLIN_HOME", QFile::encodeName(m_temp.filePath(QStringLiteral("home"))));
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
        const QString expected = logFolder() + "/" + Kel::Log::moduleFileName() + ".1.log";
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

    void traceLinesGoToTheModuleLog()
    {
        const QString path = m_temp.filePath("failure.log");
        QFile::remove(path);
        Kel::Log::initLog(path, Kel::Log::Error, Kel::Log::ToFile);
        errno = ENOENT;
        Kel::Log::traceFailure("merge.cpp", 42, "void Kel::PuxDownloader::merge()");
        Kel::Log::traceLastError("%s", QByteArray(3000, 'b').constData());
        const QByteArray text = readFile(path);
        // The time and the error code, then an empty record; a trace line is
        // cut like any other.
        static const QRegularExpression re(
            "^merge\\.cpp\\(42\\): in Kel::PuxDownloader::merge : \\d{4}/\\d\\d/\\d\\d \\d\\d:\\d\\d:\\d\\d 00000002\n"
            "\n.*Kel::PuxDownloader::merge  merge\\.cpp\\(line42\\) :\n\n"
            "b{1023}\n$");
        QVERIFY2(re.match(QString::fromLatin1(text)).hasMatch(), text.left(300).constData());
    }

    // The folder is the user's alone, whatever the umask and whatever was
    // there before; one that is not a real folder of the user's own is not
    // used.
    void privateFolder_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<bool>("ownFolder");
        QTest::newRow("made afresh") << "none" << true;
        QTest::newRow("too open") << "open" << true;
        QTest::newRow("a link elsewhere") << "link" << false;
    }
    void privateFolder()
    {
        QFETCH(QString, before);
        QFETCH(bool, ownFolder);
        QTemporaryDir home(m_temp.filePath("homeXXXXXX"));
        const QString folder = home.filePath("log");
        if (before == "open") {
            QVERIFY(QDir().mkpath(folder));
            QCOMPARE(chmod(QFile::encodeName(folder).constData(), 0755), 0);
        } else if (before == "link") {
            QVERIFY(QDir().mkpath(home.filePath("elsewhere")));
            QVERIFY(QFile::link(home.filePath("elsewhere"), folder));
        }
        qputenv("MARLIN_HOME", QFile::encodeName(home.path()));
        qputenv("MARLIN_LOG_OUTPUTS", "1");
        const mode_t mask = umask(0);
        KEL_INFO("first record");
        umask(mask);
        const QString file = Kel::Log::logFile();
        qputenv("MARLIN_HOME", QFile::encodeName(m_temp.filePath(QStringLiteral("home"))));
        qunsetenv("MARLIN_LOG_OUTPUTS");

        const QString expected = ownFolder ? folder : m_temp.filePath(QStringLiteral("Marlin-log-%1").arg(geteuid()));
        QCOMPARE(QFileInfo(file).absolutePath(), expected);
        QVERIFY(readFile(file).contains("first record"));
        struct stat info;
        QCOMPARE(lstat(QFile::encodeName(expected).constData(), &info), 0);
        QVERIFY(S_ISDIR(info.st_mode));
        QCOMPARE(info.st_mode & 0777, mode_t(0700));
        QCOMPARE(stat(QFile::encodeName(file).constData(), &info), 0);
        QCOMPARE(info.st_mode & 0777, mode_t(0600));
        if (before == "link")
            QVERIFY(QDir(home.filePath("elsewhere")).isEmpty());
    }

    // Threads meet at the first record and write, together, more than one
    // file holds: the file is handed over to ".2.log" once, and every record
    // is kept, whole, in one of the two bounded files.
    void concurrentWritersRotate()
    {
        constexpr int writers = 4;
        constexpr int records = 75;
        const QByteArray padding(20000, 'x');
        QFile::remove(Kel::Log::defaultLogFile());
        QFile::remove(QString(Kel::Log::defaultLogFile()).replace(".1.log", ".2.log"));
        Kel::Log::resetLog();
        qputenv("MARLIN_LOG_OUTPUTS", "1");
        std::vector<std::thread> threads;
        for (int w = 0; w < writers; ++w) {
            threads.emplace_back([w, &padding] {
                for (int r = 1; r <= records; ++r)
                    KEL_INFO("writer %d record %d %s end", w, r, padding.constData());
            });
        }
        for (std::thread &t : threads)
            t.join();
        qunsetenv("MARLIN_LOG_OUTPUTS");

        const QString one = Kel::Log::logFile();
        const QString two = QString(one).replace(".1.log", ".2.log");
        QVERIFY(QFileInfo(one).size() <= Kel::Log::LogFileLimit);
        QVERIFY(QFileInfo(two).size() <= Kel::Log::LogFileLimit);
        QVERIFY(QFileInfo(two).size() > Kel::Log::LogFileLimit - 30000);
        static const QRegularExpression record("\n [-0-9]+ [:0-9]+  \\[INFO\\]  [^\n]+\\(line\\d+\\) :\n"
                                               "writer (\\d) record (\\d+) x{20000} end\n");
        std::map<int, std::vector<int>> seen;
        for (const QString &file : {two, one}) {
            const QString text = QString::fromLatin1(readFile(file));
            qsizetype at = 0;
            while (at < text.size()) {
                const QRegularExpressionMatch m =
                    record.match(text, at, QRegularExpression::NormalMatch, QRegularExpression::AnchorAtOffsetMatchOption);
                QVERIFY2(m.hasMatch(), qPrintable(QStringLiteral("broken record at %1 of %2").arg(QString::number(at), file)));
                seen[m.captured(1).toInt()].push_back(m.captured(2).toInt());
                at = m.capturedEnd();
            }
        }
        QCOMPARE(int(seen.size()), writers);
        std::vector<int> all(records);
        std::iota(all.begin(), all.end(), 1);
        for (auto &[writer, numbers] : seen) {
            std::sort(numbers.begin(), numbers.end());
            QCOMPARE(numbers, all);
        }
    }
};

QTEST_GUILESS_MAIN(TestDiagnosticLog)
#include "tst_diagnosticlog.moc"
