// Claiming a result's name without replacing anything, the stamps of a
// run's temporary files, and the clean-up of what runs that are gone left.
#include "shared/fileclaim.h"
#include "shared/runstamp.h"
#include "tarncore/services/leftovercleaner.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using Kel::FileClaim;
using Kel::RunStamp;

namespace {

bool write(const QString &file, const QByteArray &data)
{
    QFile f(file);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

QByteArray read(const QString &file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// The parts of this run's stamp: domain, boot, pid, start.
QStringList ownParts()
{
    return RunStamp::current().split(QLatin1Char('_'), Qt::SkipEmptyParts).mid(1);
}

} // namespace

class TestResultFiles : public QObject
{
    Q_OBJECT

private slots:
    void claimTakesTheFirstFreeName_data();
    void claimTakesTheFirstFreeName();
    void stampStates_data();
    void stampStates();
    void cleanerRemovesOnlyWhatGoneRunsLeft();
};

void TestResultFiles::claimTakesTheFirstFreeName_data()
{
    QTest::addColumn<QString>("wanted");
    QTest::addColumn<QStringList>("taken");
    QTest::addColumn<QString>("expected");

    QTest::newRow("free") << "clip.mp4" << QStringList{} << "clip.mp4";
    QTest::newRow("taken") << "clip.mp4" << QStringList{"clip.mp4"} << "clip(1).mp4";
    QTest::newRow("first numbered taken too") << "clip.mp4" << QStringList{"clip.mp4", "clip(1).mp4"} << "clip(2).mp4";
    QTest::newRow("taken by a folder") << "clip.mp4" << QStringList{"clip.mp4/"} << "clip(1).mp4";
    QTest::newRow("no suffix") << "clip" << QStringList{"clip"} << "clip(1)";
    QTest::newRow("dots in the name") << "a.b [x].mkv" << QStringList{"a.b [x].mkv"} << "a.b [x](1).mkv";
}

void TestResultFiles::claimTakesTheFirstFreeName()
{
    QFETCH(QString, wanted);
    QFETCH(QStringList, taken);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    for (const QString &name : taken) {
        if (name.endsWith(QLatin1Char('/')))
            QVERIFY(QDir(dir.path()).mkdir(name));
        else
            QVERIFY(write(dir.filePath(name), "other"));
    }
    const QString from = dir.filePath(QStringLiteral("result.tmp"));
    QVERIFY(write(from, "result"));

    QString error;
    QCOMPARE(FileClaim::moveToFreeName(from, dir.filePath(wanted), &error), dir.filePath(expected));
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(read(dir.filePath(expected)), QByteArray("result"));
    QVERIFY(!QFileInfo::exists(from));
    for (const QString &name : taken) {
        if (!name.endsWith(QLatin1Char('/')))
            QCOMPARE(read(dir.filePath(name)), QByteArray("other"));
    }
}

void TestResultFiles::stampStates_data()
{
    QTest::addColumn<QString>("stamp");
    QTest::addColumn<int>("state");

    const QStringList own = ownParts();
    QCOMPARE(own.size(), 4);
    const QString domain = own.at(0);
    const QString boot = own.at(1);
    const qint64 pid = own.at(2).toLongLong();
    const qint64 start = own.at(3).toLongLong();
    QTest::newRow("this run") << RunStamp::current() << int(RunStamp::Running);
    QTest::newRow("its number, another start") << RunStamp::make(domain, boot, pid, start + 1) << int(RunStamp::Gone);
    QTest::newRow("no such process") << RunStamp::make(domain, boot, 999999999, start) << int(RunStamp::Gone);
    QTest::newRow("an earlier boot") << RunStamp::make(domain, QStringLiteral("0badb007"), pid, start)
                                     << int(RunStamp::Gone);
    QTest::newRow("another machine") << RunStamp::make(QStringLiteral("0badf00d"), boot, 999999999, start)
                                     << int(RunStamp::Unknown);
    QTest::newRow("no stamp") << QStringLiteral("MRL_x_") << int(RunStamp::Unknown);
}

void TestResultFiles::stampStates()
{
    QFETCH(QString, stamp);
    QFETCH(int, state);
    QCOMPARE(int(RunStamp::state(stamp)), state);
}

void TestResultFiles::cleanerRemovesOnlyWhatGoneRunsLeft()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QStringList own = ownParts();
    const QString gone = RunStamp::make(own.at(0), own.at(1), own.at(2).toLongLong(), own.at(3).toLongLong() + 1);
    const QString foreign = RunStamp::make(QStringLiteral("0badf00d"), own.at(1), 999999999, 1);
    const QStringList removed{gone + QStringLiteral("{a}PUXTMP_.mp4.part"), gone + QStringLiteral("0CONVTMP_.mkv")};
    const QStringList kept{RunStamp::current() + QStringLiteral("1CONVTMP_.mkv"), gone + QStringLiteral("mine.mp4"),
                           foreign + QStringLiteral("0CONVTMP_.mkv"), QStringLiteral("holiday.mp4")};
    for (const QString &name : removed + kept)
        QVERIFY(write(dir.filePath(name), "x"));
    // A command-line run's folder goes with what it holds; another folder
    // with a stamp stays.
    QVERIFY(QDir(dir.path()).mkpath(gone + QStringLiteral("marlin-cli-abc/sub")));
    QVERIFY(write(dir.filePath(gone + QStringLiteral("marlin-cli-abc/sub/settings.ini")), "x"));
    QVERIFY(QDir(dir.path()).mkpath(gone + QStringLiteral("PUXTMP_folder")));

    QCOMPARE(Tarn::LeftoverCleaner::removeLeftovers({dir.path(), dir.path() + QStringLiteral("/"), QString()}), 3);
    QStringList left = QDir(dir.path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
    QStringList expected = kept + QStringList{gone + QStringLiteral("PUXTMP_folder")};
    std::sort(left.begin(), left.end());
    std::sort(expected.begin(), expected.end());
    QCOMPARE(left, expected);
}

QTEST_GUILESS_MAIN(TestResultFiles)
#include "tst_resultfiles.moc"
