#include "shared/kellog.h"

#include <QtTest>

extern "C" const char *webfetchLogFile();
extern "C" const char *transcoderLogFile();
extern "C" const char *tarncoreLogFile();
extern "C" const char *widgetkitLogFile();

// Every deliverable carries its own copy of the log and so its own file,
// named after the module that holds it.
class TestModuleLogs : public QObject
{
    Q_OBJECT

private slots:
    void eachModuleHasItsOwnFile_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("module");
        QTest::newRow("webfetch") << QString::fromLocal8Bit(webfetchLogFile()) << "libwebfetch.so";
        QTest::newRow("transcoder") << QString::fromLocal8Bit(transcoderLogFile()) << "libtranscoder.so";
        QTest::newRow("tarncore") << QString::fromLocal8Bit(tarncoreLogFile()) << "libtarncore.so";
        QTest::newRow("widgetkit") << QString::fromLocal8Bit(widgetkitLogFile()) << "libwidgetkit.so";
        QTest::newRow("this program") << Kel::Log::logFile() << "tst_modulelogs";
    }

    void eachModuleHasItsOwnFile()
    {
        QFETCH(QString, file);
        QFETCH(QString, module);
        QCOMPARE(file, Kel::Log::logFolder() + QLatin1Char('/') + module + QStringLiteral(".1.log"));
    }
};

QTEST_GUILESS_MAIN(TestModuleLogs)
#include "tst_modulelogs.moc"
