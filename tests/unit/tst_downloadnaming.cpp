// Destination names of downloads, thumbnail names and subtitle parameters.
#include "tarncore/download/downloaditem.h"
#include "tarncore/download/filenaming.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTextBoundaryFinder>
#include <QtTest>

using Kel::MediaProfile;
using Kel::WebMediaInfo;
using Tarn::DownloadItem;
using Tarn::FileNaming;

namespace {

MediaProfile quality(const QString &format, int width, int height, const QString &label = QString())
{
    MediaProfile p;
    p.name = QStringLiteral("q");
    p.format = format;
    p.resolution = QSize(width, height);
    p.qualityLabel = label;
    return p;
}

WebMediaInfo titled(const QString &title)
{
    WebMediaInfo info;
    info.url = QStringLiteral("http://www.youtube.com/watch?v=abcdefghijk");
    info.setTitle(title);
    return info;
}

bool touch(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly);
}

} // namespace

class TestDownloadNaming : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void destination_data();
    void destination();
    void duplicatesOnDiskAndClaimed();
    void longTitles_data();
    void longTitles();
    void fitToBytes_data();
    void fitToBytes();

    void thumbnailNamesPerPage();
    void urlSuffix_data();
    void urlSuffix();

    void subtitles_data();
    void subtitles();
    void languageCodes_data();
    void languageCodes();

private:
    QTemporaryDir m_dir;
};

void TestDownloadNaming::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

void TestDownloadNaming::destination_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<MediaProfile>("profile");
    QTest::addColumn<QString>("name");

    QTest::newRow("progressive") << "Clip" << quality("MP4", 1280, 720) << "Clip[720P].mp4";
    QTest::newRow("webm") << "Clip" << quality("WEBM", 640, 360) << "Clip[360P].webm";
    QTest::newRow("odd size") << "Clip" << quality("MP4", 1280, 536) << "Clip[1280x536].mp4";
    QTest::newRow("no size, no label") << "Clip" << quality("MP4", -1, -1) << "Clip.mp4";
    QTest::newRow("above full HD") << "Clip" << quality("MP4", -1, -1, ">1080p") << "Clip[1080P+].mp4";
    QTest::newRow("above full HD, 3D") << "Clip" << [] {
        MediaProfile p = quality("MP4", -1, -1, ">1080p");
        p.is3D = true;
        return p;
    }() << "Clip[1080P+ (3D)].mp4";
    QTest::newRow("audio") << "Song" << [] {
        MediaProfile p = quality("M4A", -1, -1, "128K");
        p.type = Kel::Audio;
        return p;
    }() << "Song[128K].m4a";
    QTest::newRow("forbidden characters") << "a/b\\c:d*e?f\"g<h>i|j" << quality("MP4", 640, 360)
                                          << "a b c d e f g h i j[360P].mp4";
    QTest::newRow("control characters") << "line\none\ttab" << quality("MP4", 640, 360) << "line one tab[360P].mp4";
    QTest::newRow("dots and brackets") << "v1.2 [final]" << quality("MP4", 640, 360) << "v1.2 [final][360P].mp4";
    // Nothing hidden, nothing that reads as an option, nothing invisible.
    const MediaProfile sd = quality("MP4", 640, 360);
    QTest::newRow("leading dash") << "-rf clip" << sd << "rf clip[360P].mp4";
    QTest::newRow("leading dot") << ".profile" << sd << "profile[360P].mp4";
    QTest::newRow("dots, dashes and blanks") << " .. - --x-y." << sd << "x-y.[360P].mp4";
    QTest::newRow("leading blanks kept") << "  Clip" << sd << "  Clip[360P].mp4";
    QTest::newRow("right-to-left override") << "Clip\u202Egpj.exe" << sd << "Clipgpj.exe[360P].mp4";
    QTest::newRow("isolates, marks and zero width") << "\u2067a\u2069\u200Eb\u200Bc\uFEFF\u00AD" << sd
                                                    << "abc[360P].mp4";
    QTest::newRow("tag characters") << QStringLiteral("Flag \U0001F3F4\U000E0067\U000E0062\U000E007F") << sd
                                    << QStringLiteral("Flag \U0001F3F4[360P].mp4");
    QTest::newRow("joiners kept") << QStringLiteral("\u0645\u06CC\u200C\u062E\u0648\u0627\u0645 \U0001F469\u200D\U0001F4BB")
                                  << sd
                                  << QStringLiteral("\u0645\u06CC\u200C\u062E\u0648\u0627\u0645 \U0001F469\u200D\U0001F4BB[360P].mp4");
    QTest::newRow("line breaks and C1 controls") << "a\r\nb\u2028c\u0085d" << sd << "a  b c d[360P].mp4";
    QTest::newRow("nothing left, labelled") << "..." << sd << "[360P].mp4";
    QTest::newRow("nothing left, no label") << "-" << quality("MP4", -1, -1) << "Untitled.mp4";
}

void TestDownloadNaming::destination()
{
    QFETCH(QString, title);
    QFETCH(MediaProfile, profile);
    QFETCH(QString, name);
    const QString folder = m_dir.filePath(QStringLiteral("destination"));
    QCOMPARE(DownloadItem::makeDestFile(folder, titled(title), profile), folder + QLatin1Char('/') + name);
}

void TestDownloadNaming::duplicatesOnDiskAndClaimed()
{
    const QString folder = m_dir.filePath(QStringLiteral("duplicates"));
    QVERIFY(QDir().mkpath(folder));
    const WebMediaInfo info = titled(QStringLiteral("Clip"));
    const MediaProfile hd = quality(QStringLiteral("MP4"), 1280, 720);
    QVERIFY(touch(folder + QStringLiteral("/Clip[720P].mp4")));
    QCOMPARE(DownloadItem::makeDestFile(folder, info, hd), folder + QStringLiteral("/Clip[720P](1).mp4"));
    QVERIFY(touch(folder + QStringLiteral("/Clip[720P](1).mp4")));
    QCOMPARE(DownloadItem::makeDestFile(folder, info, hd), folder + QStringLiteral("/Clip[720P](2).mp4"));
}

void TestDownloadNaming::longTitles_data()
{
    QTest::addColumn<QString>("title");
    QTest::newRow("latin") << QString(400, QLatin1Char('x'));
    QTest::newRow("latin words") << QStringLiteral("A rather long title ").repeated(30);
    QTest::newRow("accented") << QStringLiteral("é").repeated(300);
    QTest::newRow("cyrillic") << QStringLiteral("Очень длинное название ").repeated(20);
    QTest::newRow("japanese") << QStringLiteral("日本語のとても長いタイトル").repeated(30);
    QTest::newRow("emoji") << QStringLiteral("🎬🎵").repeated(100);
    QTest::newRow("combining marks") << QStringLiteral("e\u0301\u0323").repeated(150);
    QTest::newRow("mixed") << QStringLiteral("Mix Ünï 日本 🎬 ").repeated(40);
}

void TestDownloadNaming::longTitles()
{
    QFETCH(QString, title);
    const QString folder = m_dir.filePath(QStringLiteral("long"));
    QVERIFY(QDir().mkpath(folder));
    const MediaProfile label = quality(QStringLiteral("WEBM"), -1, -1, ">1080p");
    const QString dest = DownloadItem::makeDestFile(folder, titled(title), label);
    const QString name = QFileInfo(dest).fileName();
    QVERIFY2(name.endsWith(QStringLiteral("[1080P+].webm")), qPrintable(name));

    // A whole number of characters of the title, cut at a boundary between
    // them, and room left for "(n)" and a temporary suffix.
    const QString kept = name.left(name.size() - QStringLiteral("[1080P+].webm").size());
    QVERIFY(!kept.isEmpty());
    QVERIFY(title.startsWith(kept.trimmed()));
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, title);
    finder.setPosition(kept.trimmed().size());
    QVERIFY(finder.isAtBoundary());
    QCOMPARE(QString::fromUtf8(name.toUtf8()), name);
    const QString longest = QFileInfo(dest).completeBaseName() + QStringLiteral("(99).webm.part");
    QVERIFY2(FileNaming::encodedLength(longest) <= FileNaming::MaxFileNameBytes, qPrintable(longest));

    // The file system takes the name, its duplicate and their part files.
    QVERIFY2(touch(dest), qPrintable(dest));
    QVERIFY(touch(dest + QStringLiteral(".part")));
    const QString second = DownloadItem::makeDestFile(folder, titled(title), label);
    QVERIFY(second.endsWith(QStringLiteral("[1080P+](1).webm")));
    QVERIFY(touch(second));
    QVERIFY(touch(second + QStringLiteral(".part")));
}

void TestDownloadNaming::fitToBytes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("maxBytes");
    QTest::addColumn<QString>("fitted");
    QTest::newRow("fits") << "abc" << 3 << "abc";
    QTest::newRow("cut") << "abcdef" << 4 << "abcd";
    QTest::newRow("two-byte") << "ééé" << 5 << "éé";
    QTest::newRow("surrogate pair") << "a🎬b" << 4 << "a";
    QTest::newRow("combining") << "ae\u0301b" << 3 << "a";
    QTest::newRow("nothing") << "abc" << 0 << "";
}

void TestDownloadNaming::fitToBytes()
{
    QFETCH(QString, text);
    QFETCH(int, maxBytes);
    QFETCH(QString, fitted);
    QCOMPARE(FileNaming::fitToBytes(text, maxBytes), fitted);
}

void TestDownloadNaming::thumbnailNamesPerPage()
{
    const QString first = FileNaming::thumbnailFileName(QStringLiteral("Same Title"),
                                                        QStringLiteral("http://www.youtube.com/watch?v=aaaaaaaaaaa"),
                                                        QStringLiteral("jpg"));
    const QString second = FileNaming::thumbnailFileName(QStringLiteral("Same Title"),
                                                         QStringLiteral("http://www.youtube.com/watch?v=bbbbbbbbbbb"),
                                                         QStringLiteral("jpg"));
    QVERIFY(first != second);
    QVERIFY(first.startsWith(QStringLiteral("Same Title")));
    QVERIFY(first.endsWith(QStringLiteral(".jpg")));
    QCOMPARE(FileNaming::thumbnailFileName(QStringLiteral("Same Title"),
                                           QStringLiteral("http://www.youtube.com/watch?v=aaaaaaaaaaa"),
                                           QStringLiteral("jpg")),
             first);
    const QString noSuffix = FileNaming::thumbnailFileName(QStringLiteral("a/b"), QStringLiteral("p"), QString());
    QVERIFY(!noSuffix.contains(QLatin1Char('.')));
    QVERIFY(!noSuffix.contains(QLatin1Char('/')));
    const QString longName = FileNaming::thumbnailFileName(QStringLiteral("日本").repeated(200), QStringLiteral("p"),
                                                           QStringLiteral("webp"));
    QVERIFY(FileNaming::encodedLength(longName) <= FileNaming::MaxFileNameBytes - FileNaming::ReservedBytes);
    QVERIFY(longName.endsWith(QStringLiteral(".webp")));
}

void TestDownloadNaming::urlSuffix_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("suffix");
    QTest::newRow("plain") << "https://i.example/vi/abc/mqdefault.jpg" << "jpg";
    QTest::newRow("query") << "https://i.example/vi/abc/hq.webp?sqp=-oay&rs=AOn" << "webp";
    QTest::newRow("none") << "https://i.example/vi/abc/default" << "";
}

void TestDownloadNaming::urlSuffix()
{
    QFETCH(QString, url);
    QFETCH(QString, suffix);
    QCOMPARE(FileNaming::urlSuffix(url), suffix);
}

void TestDownloadNaming::subtitles_data()
{
    QTest::addColumn<QStringList>("offered");
    QTest::addColumn<bool>("declared");
    QTest::addColumn<QString>("format");
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("expectedMode");

    const QStringList enDe{"en", "de"};
    QTest::newRow("all") << enDe << true << "MP4" << 1 << 1;
    QTest::newRow("preferred") << enDe << true << "WEBM" << 2 << 2;
    QTest::newRow("burned in") << enDe << true << "MP4" << 3 << 3;
    QTest::newRow("none wanted") << enDe << true << "MP4" << 0 << 0;
    QTest::newRow("page without subtitles") << QStringList() << false << "MP4" << 2 << 0;
    QTest::newRow("all, but no language listed") << QStringList() << true << "MP4" << 1 << 0;
    QTest::newRow("preferred, only declared") << QStringList() << true << "MP4" << 2 << 2;
    QTest::newRow("3gp") << enDe << true << "3gp" << 1 << 0;
    QTest::newRow("3GP") << enDe << true << "3GP" << 3 << 0;
}

void TestDownloadNaming::subtitles()
{
    QFETCH(QStringList, offered);
    QFETCH(bool, declared);
    QFETCH(QString, format);
    QFETCH(int, mode);
    QFETCH(int, expectedMode);

    WebMediaInfo info = titled(QStringLiteral("Clip"));
    info.subtitleLanguages = offered;
    info.subtitlesDeclared = declared;
    const Kel::SubtitleSetting setting = DownloadItem::makeSubtitleSetting(
        info, quality(format, 640, 360), Kel::SubtitleMode(mode), {QLocale::German, QLocale::English});
    QCOMPARE(int(setting.mode), expectedMode);
    QCOMPARE(setting.availableLanguages, offered);
    QCOMPARE(setting.preferredLanguages, QStringList({"de", "en"}));
}

void TestDownloadNaming::languageCodes_data()
{
    QTest::addColumn<QList<QLocale::Language>>("languages");
    QTest::addColumn<QStringList>("codes");
    QTest::newRow("two letters") << QList<QLocale::Language>{QLocale::French, QLocale::Japanese}
                                 << QStringList{"fr", "ja"};
    QTest::newRow("any country") << QList<QLocale::Language>{QLocale::Chinese, QLocale::Portuguese}
                                 << QStringList{"zh", "pt"};
    QTest::newRow("three letters") << QList<QLocale::Language>{QLocale::Hawaiian, QLocale::Filipino}
                                   << QStringList{"haw", "fil"};
    QTest::newRow("duplicates and no language") << QList<QLocale::Language>{QLocale::German, QLocale::AnyLanguage,
                                                                            QLocale::C, QLocale::German}
                                                << QStringList{"de"};
}

void TestDownloadNaming::languageCodes()
{
    QFETCH(QList<QLocale::Language>, languages);
    QFETCH(QStringList, codes);
    WebMediaInfo info = titled(QStringLiteral("Clip"));
    info.subtitleLanguages = QStringList{"en"};
    const Kel::SubtitleSetting setting = DownloadItem::makeSubtitleSetting(
        info, quality(QStringLiteral("MP4"), 640, 360), Kel::PreferredLanguageSubtitles, languages);
    QCOMPARE(setting.preferredLanguages, codes);
}

QTEST_GUILESS_MAIN(TestDownloadNaming)
#include "tst_downloadnaming.moc"
