// The child-process helper both back ends run their programs with: lines
// whole across reads and at the end, a failed start told after start()
// returns, and a stop that ends everything the program started and is
// followed by silence.
#include "shared/childprocess.h"

#include <QFile>
#include <QSignalSpy>
#include <QtTest>

using Kel::ChildProcess;

namespace {

// "R", "S", "Z", ...; empty when the process is gone.
QByteArray processState(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return QByteArray();
    const QByteArray text = stat.readAll();
    const qsizetype close = text.lastIndexOf(')');
    return close >= 0 ? text.mid(close + 2, 1) : QByteArray();
}

bool isGone(qint64 pid)
{
    const QByteArray state = processState(pid);
    return state.isEmpty() || state == "Z";
}

} // namespace

class TestChildProcess : public QObject
{
    Q_OBJECT

private slots:
    void linesAreWhole();
    void failedStartIsToldLater();
    void stopEndsTheWholeGroupQuietly();
};

void TestChildProcess::linesAreWhole()
{
    ChildProcess child;
    QStringList output;
    QStringList errors;
    QStringList order;
    connect(&child, &ChildProcess::outputLines, this, [&](const QStringList &lines) { output += lines; });
    connect(&child, &ChildProcess::errorLines, this, [&](const QStringList &lines) { errors += lines; });
    connect(&child, &ChildProcess::finished, this, [&](int code, QProcess::ExitStatus) {
        order += QStringLiteral("finished %1 after %2 lines").arg(code).arg(output.size());
    });
    // A progress line redrawn with a carriage return, a line cut between
    // two writes, and a last line without an end.
    child.start(QStringLiteral("/bin/sh"),
                {QStringLiteral("-c"), QStringLiteral("printf '10%%\\r20%%\\nhal'; sleep 0.2; printf 'f\\nlast'; "
                                                      "printf 'oops' >&2; exit 3")});
    QVERIFY(child.waitForFinished(10000));
    QCOMPARE(output, QStringList({"10%", "20%", "half", "last"}));
    QCOMPARE(errors, QStringList({"oops"}));
    QCOMPARE(child.recentErrorLines(), QStringList({"oops"}));
    QCOMPARE(order, QStringList({"finished 3 after 4 lines"}));
}

void TestChildProcess::failedStartIsToldLater()
{
    ChildProcess child;
    QSignalSpy failed(&child, &ChildProcess::failedToStart);
    QSignalSpy finished(&child, &ChildProcess::finished);
    child.start(QStringLiteral("/nonexistent/marlin-tool"), {});
    // Never from inside start(): the caller has not finished starting yet.
    QCOMPARE(failed.count(), 0);
    QTRY_COMPARE(failed.count(), 1);
    QVERIFY(!failed.first().first().toString().isEmpty());
    QVERIFY(child.failedToStartRun());
    QVERIFY(!finished.wait(200));
    QCOMPARE(failed.count(), 1);
}

void TestChildProcess::stopEndsTheWholeGroupQuietly()
{
    ChildProcess child;
    qint64 grandchild = 0;
    connect(&child, &ChildProcess::outputLines, this,
            [&](const QStringList &lines) { grandchild = lines.value(0).toLongLong(); });
    QSignalSpy finished(&child, &ChildProcess::finished);
    // The program starts a program of its own, as the extractor tool starts
    // ffmpeg.
    child.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QStringLiteral("sleep 300 & echo $!; wait")});
    QTRY_VERIFY(grandchild > 0);
    const qint64 pid = child.processId();
    QVERIFY(!isGone(grandchild));

    child.stop();
    QVERIFY(!child.isRunning());
    QVERIFY(isGone(pid));
    QTRY_VERIFY2(isGone(grandchild), processState(grandchild).constData());
    QVERIFY(!finished.wait(300));
    QCOMPARE(finished.count(), 0);
}

QTEST_GUILESS_MAIN(TestChildProcess)
#include "tst_childprocess.moc"
