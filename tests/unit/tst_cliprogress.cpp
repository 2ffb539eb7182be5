// The progress text of marlin-cli's job rows: percent, sizes, speed and the
// time left, from byte counts or from a percentage and the time spent.
#include "cli/progressprinter.h"

#include <QtTest>

using Tarn::ProgressPrinter;

class TestCliProgress : public QObject
{
    Q_OBJECT

private slots:
    void progressText_data();
    void progressText();
};

void TestCliProgress::progressText_data()
{
    QTest::addColumn<qint64>("total");
    QTest::addColumn<qint64>("finish");
    QTest::addColumn<qint64>("speed");
    QTest::addColumn<bool>("bytes");
    QTest::addColumn<qint64>("elapsedMs");
    QTest::addColumn<QString>("expected");

    const qint64 mb = 1 << 20;
    QTest::newRow("nothing yet") << qint64(0) << qint64(0) << qint64(0) << true << qint64(500) << "";
    QTest::newRow("bytes with speed") << 2 * mb << mb << qint64(1024) << true << qint64(1000)
                                      << "50%  1MB of 2MB  1KB/s  17:04 left";
    QTest::newRow("unknown total") << qint64(0) << qint64(3072) << qint64(0) << true << qint64(1000) << "3KB";
    QTest::newRow("no speed yet: time spent") << 4 * mb << mb << qint64(0) << true << qint64(3000)
                                              << "25%  1MB of 4MB  0:09 left";
    QTest::newRow("more than the total") << qint64(2048) << qint64(3072) << qint64(1024) << true << qint64(1000)
                                         << "100%  3KB of 2KB  1KB/s";
    QTest::newRow("percentage") << qint64(100) << qint64(25) << qint64(0) << false << qint64(3000)
                                << "25%  0:09 left";
    QTest::newRow("percentage, paused") << qint64(100) << qint64(40) << qint64(-1) << false << qint64(0) << "40%";
    QTest::newRow("percentage done") << qint64(100) << qint64(100) << qint64(0) << false << qint64(5000) << "100%";
}

void TestCliProgress::progressText()
{
    QFETCH(qint64, total);
    QFETCH(qint64, finish);
    QFETCH(qint64, speed);
    QFETCH(bool, bytes);
    QFETCH(qint64, elapsedMs);
    QFETCH(QString, expected);
    QCOMPARE(ProgressPrinter::progressText(Kel::Progress(total, finish, speed), bytes, elapsedMs), expected);
}

QTEST_GUILESS_MAIN(TestCliProgress)
#include "tst_cliprogress.moc"
