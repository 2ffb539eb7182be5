// The check of a finished download with the FFmpeg libraries, on the sample
// site's media files: whole ones pass; cut ones, ones without a chosen
// stream, ones shorter than their page and ones that are no media fail.
#include "support/samplesite.h"
#include "webfetch/puxresultcheck.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using Kel::PuxResultCheck;

class TestPuxResultCheck : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void check_data();
    void check();

private:
    QString m_site;
    QTemporaryDir m_dir;
};

void TestPuxResultCheck::initTestCase()
{
    QString error;
    m_site = SampleSite::ensure(&error);
    QVERIFY2(!m_site.isEmpty(), qPrintable(error));
    QVERIFY(m_dir.isValid());
}

void TestPuxResultCheck::check_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<double>("keep");
    QTest::addColumn<bool>("video");
    QTest::addColumn<bool>("audio");
    QTest::addColumn<double>("pageDuration");
    // Empty: sound.
    QTest::addColumn<QString>("reason");

    const QString progressive = QStringLiteral("/media/aaaaaaaaaaa/720p.mp4");
    const QString dash = QStringLiteral("/media/dash_sample/");
    QTest::newRow("whole mp4") << progressive << 1.0 << true << true << 3.0 << "";
    QTest::newRow("whole webm video") << dash + "video-360-vp9.webm" << 1.0 << true << false << 0.0 << "";
    QTest::newRow("whole m4a") << dash + "audio-aac.m4a" << 1.0 << false << true << 3.0 << "";
    QTest::newRow("long mp4 cut") << "/media/longvideo01/video.mp4" << 0.4 << true << true << 0.0 << "incomplete";
    QTest::newRow("mp4 cut") << progressive << 0.5 << true << true << 0.0 << "incomplete";
    QTest::newRow("webm cut") << dash + "video-360-vp9.webm" << 0.5 << true << false << 0.0 << "incomplete";
    QTest::newRow("opus cut") << dash + "audio-opus.webm" << 0.5 << false << true << 0.0 << "incomplete";
    QTest::newRow("m4a cut") << dash + "audio-aac.m4a" << 0.5 << false << true << 0.0 << "incomplete";
    QTest::newRow("no sound") << dash + "video-360.mp4" << 1.0 << true << true << 0.0 << "no sound";
    QTest::newRow("no video") << dash + "audio-aac.m4a" << 1.0 << true << true << 0.0 << "no video";
    QTest::newRow("shorter than its page") << progressive << 1.0 << true << true << 60.0 << "incomplete";
    QTest::newRow("no media") << "/watch/aaaaaaaaaaa/index.html" << 1.0 << true << false << 0.0
                              << "not readable media";
}

void TestPuxResultCheck::check()
{
    QFETCH(QString, file);
    QFETCH(double, keep);
    QFETCH(bool, video);
    QFETCH(bool, audio);
    QFETCH(double, pageDuration);
    QFETCH(QString, reason);

    QFile source(m_site + file);
    QVERIFY2(source.open(QIODevice::ReadOnly), qPrintable(source.fileName()));
    const QByteArray bytes = source.readAll();
    const QString copy = m_dir.filePath(QFileInfo(file).fileName());
    QFile target(copy);
    QVERIFY(target.open(QIODevice::WriteOnly | QIODevice::Truncate));
    target.write(bytes.left(qsizetype(double(bytes.size()) * keep)));
    target.close();

    PuxResultCheck::Expectation expected;
    expected.video = video;
    expected.audio = audio;
    expected.duration = pageDuration;
    const QString result = PuxResultCheck::check(copy, expected);
    if (reason.isEmpty())
        QVERIFY2(result.isEmpty(), qPrintable(result));
    else
        QVERIFY2(result.contains(reason), qPrintable(result));
}

QTEST_GUILESS_MAIN(TestPuxResultCheck)
#include "tst_puxresultcheck.moc"
