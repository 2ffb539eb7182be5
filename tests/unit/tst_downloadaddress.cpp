// Which page addresses the download side accepts, and the one form it gives
// them.
#include "tarncore/download/downloadmanager.h"
#include "tarncore/download/videosite.h"

#include <QtTest>

using Tarn::DownloadManager;
using Tarn::VideoSite;

class TestDownloadAddress : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanupTestCase();

    void siteNames();

    void acceptance_data();
    void acceptance();
    void canonicalForm_data();
    void canonicalForm();
    void mendedAddressesBecomeAcceptedCanonicalOnes_data();
    void mendedAddressesBecomeAcceptedCanonicalOnes();

    void extraWatchHost_data();
    void extraWatchHost();
    void extraWatchHostFromEnvironment();
};

void TestDownloadAddress::init()
{
    VideoSite::setExtraWatchHost(QString());
}

void TestDownloadAddress::cleanupTestCase()
{
    VideoSite::setExtraWatchHost(QString());
}

void TestDownloadAddress::siteNames()
{
    QCOMPARE(VideoSite::watchHost(), QStringLiteral("www.youtube.com"));
    QCOMPARE(VideoSite::siteDomain(), QStringLiteral("youtube.com"));
    QCOMPARE(VideoSite::canonicalWatchUrl(QStringLiteral("abcdefghijk")),
             QStringLiteral("http://www.youtube.com/watch?v=abcdefghijk"));
}

void TestDownloadAddress::acceptance_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<bool>("accepted");

    // The watch host's own pages.
    QTest::newRow("watch page") << "http://www.youtube.com/watch?v=abcdefghijk" << true;
    QTest::newRow("https and more items") << "https://www.youtube.com/watch?v=abcdefghijk&list=PL1&t=3" << true;
    QTest::newRow("upper-case host") << "http://WWW.YOUTUBE.COM/watch?v=AbCdEfGhIjK" << true;
    QTest::newRow("v of 10") << "http://www.youtube.com/watch?v=abcdefghij" << false;
    QTest::newRow("v of 12") << "http://www.youtube.com/watch?v=abcdefghijkl" << false;
    QTest::newRow("v of 12, taken by /v/") << "http://www.youtube.com/watch?v=abcdefghijkl&r=/www.youtube.com/v/"
                                            << true;
    QTest::newRow("v of 10, taken by two parts") << "http://www.youtube.com/watch/abcdefghijk?v=abcdefghij"
                                                 << true;
    QTest::newRow("video ids and index") << "http://www.youtube.com/watch?video_ids=aaaaaaaaaaa%2Cbbbbbbbbbbb&index=1"
                                         << true;
    QTest::newRow("video ids without index") << "http://www.youtube.com/watch?video_ids=aaaaaaaaaaa" << false;
    QTest::newRow("old player") << "http://www.youtube.com/v/abcdefghijk" << true;
    QTest::newRow("embed") << "https://www.youtube.com/embed/abcdefghijk" << true;
    QTest::newRow("two parts on any host") << "http://example.com/clip/abcdefghijk" << true;
    QTest::newRow("three parts") << "http://example.com/a/clip/abcdefghijk" << false;
    QTest::newRow("second part of 10") << "http://example.com/clip/abcdefghij" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("words") << "not an address" << false;
    QTest::newRow("other host watch") << "http://example.com/watch?v=abcdefghijk" << false;

    // Addresses people copy every day.
    QTest::newRow("bare domain") << "https://youtube.com/watch?v=abcdefghijk" << true;
    QTest::newRow("mobile") << "https://m.youtube.com/watch?v=abcdefghijk&feature=share" << true;
    QTest::newRow("music") << "https://music.youtube.com/watch?v=abcdefghijk&list=RDAMVM" << true;
    QTest::newRow("no scheme") << "www.youtube.com/watch?v=abcdefghijk" << true;
    QTest::newRow("bare domain, no scheme") << "youtube.com/watch?v=abcdefghijk" << true;
    QTest::newRow("short link") << "https://youtu.be/abcdefghijk" << true;
    QTest::newRow("short link with time") << "https://youtu.be/a-c_efghijk?t=42" << true;
    QTest::newRow("short link, no scheme") << "youtu.be/abcdefghijk" << true;
    QTest::newRow("short link of 10") << "https://youtu.be/abcdefghij" << false;
    QTest::newRow("short link of 12") << "https://youtu.be/abcdefghijkl" << false;
    QTest::newRow("short link, bad character") << "https://youtu.be/abcdefghij!" << false;
    QTest::newRow("short link, empty") << "https://youtu.be/" << false;
    QTest::newRow("short link, other scheme") << "ftp://youtu.be/abcdefghijk" << false;
    QTest::newRow("mobile, v of 5") << "https://m.youtube.com/watch?v=short" << false;
    QTest::newRow("look-alike host") << "https://m.youtube.com.example.org/watch?v=abcdefghijk" << false;

    // A local site is a page only when it is named as the extra watch host.
    QTest::newRow("local, not named") << "http://127.0.0.1:8080/watch?v=aaaaaaaaaaa" << false;
}

void TestDownloadAddress::acceptance()
{
    QFETCH(QString, url);
    QFETCH(bool, accepted);
    QCOMPARE(DownloadManager::isDownloadableUrl(url), accepted);
}

void TestDownloadAddress::canonicalForm_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("canonical");

    const QString watch = QStringLiteral("http://www.youtube.com/watch?v=");
    QTest::newRow("extra items dropped") << "http://www.youtube.com/watch?v=abcdefghijk&feature=x"
                                         << watch + "abcdefghijk";
    QTest::newRow("https becomes http") << "https://www.youtube.com/watch?v=abcdefghijk" << watch + "abcdefghijk";
    QTest::newRow("case of the id kept") << "http://www.youtube.com/watch?v=AbCdEfGhIjK" << watch + "AbCdEfGhIjK";
    QTest::newRow("v first or last") << "http://www.youtube.com/watch?feature=x&v=abcdefghijk"
                                     << watch + "abcdefghijk";
    QTest::newRow("second of three ids")
        << "http://www.youtube.com/watch?index=1&video_ids=aaaaaaaaaaa%2Cbbbbbbbbbbb%2Cccccccccccc"
        << watch + "bbbbbbbbbbb";
    QTest::newRow("third of three ids, blanks")
        << "http://www.youtube.com/watch?index=2&video_ids=aaaaaaaaaaa bbbbbbbbbbb ccccccccccc"
        << watch + "ccccccccccc";
    QTest::newRow("index beyond the ids")
        << "http://www.youtube.com/watch?index=5&video_ids=aaaaaaaaaaa%2Cbbbbbbbbbbb" << watch;
    QTest::newRow("ids first: left alone")
        << "http://www.youtube.com/watch?video_ids=aaaaaaaaaaa%2Cbbbbbbbbbbb&index=1"
        << "http://www.youtube.com/watch?video_ids=aaaaaaaaaaa%2Cbbbbbbbbbbb&index=1";
    QTest::newRow("watch host without scheme") << "www.youtube.com/embed/abcdefghijk"
                                               << "http://www.youtube.com/embed/abcdefghijk";
    QTest::newRow("domain without scheme") << "youtube.com/embed/abcdefghijk"
                                           << "http://www.youtube.com/embed/abcdefghijk";
    QTest::newRow("v of 10 left alone") << "https://www.youtube.com/watch?v=abcdefghij"
                                        << "https://www.youtube.com/watch?v=abcdefghij";
    QTest::newRow("other address left alone") << "http://example.com/clip/abcdefghijk"
                                              << "http://example.com/clip/abcdefghijk";
    QTest::newRow("any host's v") << "http://127.0.0.1:8080/watch?v=aaaaaaaaaaa" << watch + "aaaaaaaaaaa";

    QTest::newRow("mobile") << "https://m.youtube.com/watch?v=abcdefghijk&feature=share" << watch + "abcdefghijk";
    QTest::newRow("music") << "https://music.youtube.com/watch?v=abcdefghijk" << watch + "abcdefghijk";
    QTest::newRow("bare domain") << "https://youtube.com/watch?v=abcdefghijk" << watch + "abcdefghijk";
    QTest::newRow("short link") << "https://youtu.be/abcdefghijk" << watch + "abcdefghijk";
    QTest::newRow("short link with items") << "https://youtu.be/abcdefghijk?si=Xy12&t=42" << watch + "abcdefghijk";
    QTest::newRow("short link, no scheme") << "youtu.be/A-c_efghijk" << watch + "A-c_efghijk";
}

void TestDownloadAddress::canonicalForm()
{
    QFETCH(QString, url);
    QFETCH(QString, canonical);
    QCOMPARE(DownloadManager::makeupDownloadableUrl(url), canonical);
}

void TestDownloadAddress::mendedAddressesBecomeAcceptedCanonicalOnes_data()
{
    QTest::addColumn<QString>("url");
    QTest::newRow("mobile") << "m.youtube.com/watch?v=abcdefghijk";
    QTest::newRow("music") << "https://music.youtube.com/watch?v=abcdefghijk&list=x";
    QTest::newRow("bare domain") << "http://youtube.com/watch?v=abcdefghijk";
    QTest::newRow("short link") << "https://youtu.be/abcdefghijk?t=1";
    QTest::newRow("short link, www") << "https://www.youtu.be/abcdefghijk";
}

void TestDownloadAddress::mendedAddressesBecomeAcceptedCanonicalOnes()
{
    QFETCH(QString, url);
    QVERIFY(DownloadManager::isDownloadableUrl(url));
    const QString canonical = DownloadManager::makeupDownloadableUrl(url);
    QCOMPARE(canonical, VideoSite::canonicalWatchUrl(QStringLiteral("abcdefghijk")));
    QVERIFY(DownloadManager::isDownloadableUrl(canonical));
    QCOMPARE(DownloadManager::makeupDownloadableUrl(canonical), canonical);
}

void TestDownloadAddress::extraWatchHost_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("canonical");

    QTest::newRow("watch page") << "http://127.0.0.1:8080/watch?v=aaaaaaaaaaa" << true
                                << "http://127.0.0.1:8080/watch?v=aaaaaaaaaaa";
    QTest::newRow("extra items dropped") << "http://127.0.0.1:8080/watch?v=dash_sample&list=x" << true
                                         << "http://127.0.0.1:8080/watch?v=dash_sample";
    QTest::newRow("other port") << "http://127.0.0.1:9090/watch?v=aaaaaaaaaaa" << false
                                << "http://www.youtube.com/watch?v=aaaaaaaaaaa";
    QTest::newRow("v of 10") << "http://127.0.0.1:8080/watch?v=aaaaaaaaaa" << false
                             << "http://127.0.0.1:8080/watch?v=aaaaaaaaaa";
    QTest::newRow("site itself unchanged") << "https://www.youtube.com/watch?v=abcdefghijk&x=1" << true
                                           << "http://www.youtube.com/watch?v=abcdefghijk";
}

void TestDownloadAddress::extraWatchHost()
{
    QFETCH(QString, url);
    QFETCH(bool, accepted);
    QFETCH(QString, canonical);
    VideoSite::setExtraWatchHost(QStringLiteral("127.0.0.1:8080"));
    QCOMPARE(VideoSite::extraWatchHost(), QStringLiteral("127.0.0.1:8080"));
    QCOMPARE(DownloadManager::isDownloadableUrl(url), accepted);
    QCOMPARE(DownloadManager::makeupDownloadableUrl(url), canonical);
}

void TestDownloadAddress::extraWatchHostFromEnvironment()
{
    const QString url = QStringLiteral("http://127.0.0.1:4321/watch?v=aaaaaaaaaaa");
    qputenv("MARLIN_EXTRA_WATCH_HOST", " 127.0.0.1:4321 ");
    QVERIFY(DownloadManager::isDownloadableUrl(url));
    QCOMPARE(DownloadManager::makeupDownloadableUrl(url), url);
    // A host set in code wins over the environment.
    VideoSite::setExtraWatchHost(QStringLiteral("127.0.0.1:1"));
    QVERIFY(!DownloadManager::isDownloadableUrl(url));
    // An empty one gives the word back to the environment.
    VideoSite::setExtraWatchHost(QString());
    QVERIFY(DownloadManager::isDownloadableUrl(url));
    qunsetenv("MARLIN_EXTRA_WATCH_HOST");
    QVERIFY(!DownloadManager::isDownloadableUrl(url));
}

QTEST_GUILESS_MAIN(TestDownloadAddress)
#include "tst_downloadaddress.moc"
