// The command lines of the extractor tool and of ffmpeg, and the routines
// that every run shares.
#include "shared/runstamp.h"
#include "webfetch/isolanguagetable.h"
#include "webfetch/puxdownloader.h"
#include "webfetch/puxextractor.h"
#include "webfetch/puxmergecommand.h"
#include "webfetch/puxruntime.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest/QtTest>

using Kel::PuxCommand;
using Kel::PuxDownloader;
using Kel::PuxExtractor;
using Kel::PuxMergeCommand;
using Kel::PuxRuntime;
using Kel::SubtitleSetting;

Q_DECLARE_METATYPE(Kel::SubtitleMode)
Q_DECLARE_METATYPE(Kel::MediaType)

namespace {

PuxMergeCommand::Input mergeInput(const QString &video, const QString &audio, const QStringList &subtitleFiles,
                                  Kel::SubtitleMode mode, const QString &vCodec,
                                  const QStringList &preferred = QStringList(),
                                  const QStringList &available = QStringList())
{
    PuxMergeCommand::Input input;
    input.videoFile = video;
    input.audioFile = audio;
    input.subtitleFiles = subtitleFiles;
    input.subtitles.mode = mode;
    input.subtitles.preferredLanguages = preferred;
    input.subtitles.availableLanguages = available;
    input.vCodec = vCodec;
    return input;
}

// The arguments between the inputs and the output file.
QStringList optionsAfterInputs(const QStringList &arguments)
{
    QStringList rest = arguments;
    rest.removeLast();
    while (rest.size() >= 2 && (rest.first() == QLatin1String("-i") || rest.first() == QLatin1String("-filter_complex")))
        rest = rest.mid(2);
    return rest;
}

} // namespace

class TestPuxCommands : public QObject
{
    Q_OBJECT

private slots:
    // Shared runtime
    void pageAddress_data();
    void pageAddress();
    void zippedToolMode();
    void tempBaseName_data();
    void tempBaseName();
    void debugSwitchLivesInApplicationDir();
    void subtitleFileTest_data();
    void subtitleFileTest();
    void filterQuotedPath_data();
    void filterQuotedPath();
    void matchLanguage_data();
    void matchLanguage();
    void outputTemplateEscaping();
    void interpreterAndFfmpegAreNamed();
    // Extractor command
    void extractorCommand();
    void extractorCommandWithoutZip();
    // Downloader subtitle options
    void subtitleOptions_data();
    void subtitleOptions();
    // Merge command
    void mergeCodecOptions_data();
    void mergeCodecOptions();
    void mergeTaggedSubtitleStreams();
    void mergeBurnedInOnWebm();
    void mergeBurnedInOnMp4WithSeparateAudio();
    void mergeOutputTakenGetsCounter();
    void mergeLogText();
    void subtitleLanguage_data();
    void subtitleLanguage();
    void subtitleOrderByLanguagePart();
    void languageTable();
};

void TestPuxCommands::pageAddress_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("expected");
    QTest::newRow("watch with list") << "https://site/watch?v=abc&list=PL1&t=3" << "https://site/watch?v=abc";
    QTest::newRow("watch alone") << "https://site/watch?v=abc" << "https://site/watch?v=abc";
    QTest::newRow("no watch keeps ampersands") << "http://site/p?a=1&b=2" << "http://site/p?a=1&b=2";
    QTest::newRow("starts with ?v=") << "?v=abc&x=1" << "?v=abc&x=1";
    QTest::newRow("ampersand before ?v=") << "http://site/x&y=1?v=abc&z=2" << "http://site/x&y=1?v=abc";
    QTest::newRow("leading dash") << "-x" << "-x";
}

void TestPuxCommands::pageAddress()
{
    QFETCH(QString, url);
    QFETCH(QString, expected);
    QCOMPARE(PuxRuntime::pageAddress(url), expected);
}

void TestPuxCommands::zippedToolMode()
{
    QVERIFY(PuxRuntime::isZippedTool(QStringLiteral("/opt/app/yt.zip")));
    QVERIFY(PuxRuntime::isZippedTool(QStringLiteral("\"python3\" \"/data/yt.zip\" --dump-json ")));
    QVERIFY(!PuxRuntime::isZippedTool(QStringLiteral("/opt/app/YT.ZIP")));
    QVERIFY(!PuxRuntime::isZippedTool(QStringLiteral("/opt/app/tool.py")));
}

void TestPuxCommands::tempBaseName_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<bool>("debug");
    QTest::addColumn<QString>("expected"); // empty: a braced UUID

    QTest::newRow("debug, identifier") << "https://site/watch?v=abc123" << true << "abc123";
    QTest::newRow("debug, identifier and more") << "https://site/watch?v=abc&list=1" << true << "abc";
    QTest::newRow("debug, last ?v=") << "https://site/r?v=x&u=/watch?v=id9" << true << "id9";
    QTest::newRow("debug, no ?v=") << "https://site/watch/abc" << true << "";
    QTest::newRow("debug, empty identifier") << "https://site/watch?v=" << true << "";
    QTest::newRow("debug, path in identifier") << "https://site/watch?v=../x" << true << "";
    QTest::newRow("debug, percent in identifier") << "https://site/watch?v=a%20b" << true << "";
    QTest::newRow("no debug") << "https://site/watch?v=abc123" << false << "";
}

void TestPuxCommands::tempBaseName()
{
    QFETCH(QString, url);
    QFETCH(bool, debug);
    QFETCH(QString, expected);
    // A later start recognises the pieces of a killed run's download by it.
    QCOMPARE(PuxRuntime::TempMarker, Kel::RunStamp::DownloadMarker);
    const QString base = PuxRuntime::tempBaseName(url, debug);
    if (!expected.isEmpty()) {
        QCOMPARE(base, expected);
        return;
    }
    QVERIFY2(base.startsWith(QLatin1Char('{')) && base.endsWith(QLatin1Char('}')), qPrintable(base));
    QVERIFY(!QUuid::fromString(base).isNull());
    QVERIFY(PuxRuntime::tempBaseName(url, debug) != base);
}

void TestPuxCommands::debugSwitchLivesInApplicationDir()
{
    QCOMPARE(PuxRuntime::debugSwitchPath(), QCoreApplication::applicationDirPath() + QStringLiteral("/pux_debug.tmp"));
}

void TestPuxCommands::subtitleFileTest_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("subtitle");
    for (const char *suffix : {".vtt", ".ttml", ".srv3", ".srv2", ".srv1", ".json3"})
        QTest::newRow(suffix) << QStringLiteral("/d/xPUXTMP_.en") + QLatin1String(suffix) << true;
    QTest::newRow("upper case") << "/d/x.en.VTT" << false;
    QTest::newRow("json") << "/d/x.info.json" << false;
    QTest::newRow("video") << "/d/xPUXTMP_.mp4" << false;
    QTest::newRow("part") << "/d/x.en.vtt.part" << false;
}

void TestPuxCommands::subtitleFileTest()
{
    QFETCH(QString, path);
    QFETCH(bool, subtitle);
    QCOMPARE(PuxRuntime::isSubtitleFile(path), subtitle);
}

void TestPuxCommands::filterQuotedPath_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("expected");
    QTest::newRow("plain") << "/tmp/a b/x.en.vtt" << "'/tmp/a b/x.en.vtt'";
    QTest::newRow("colon") << "/tmp/c:d/x.vtt" << "'/tmp/c\\:d/x.vtt'";
    QTest::newRow("quote") << "/tmp/o'b/x.vtt" << "'/tmp/o\\'\\''b/x.vtt'";
    QTest::newRow("backslash") << "/tmp/a\\b.vtt" << "'/tmp/a\\\\b.vtt'";
}

void TestPuxCommands::filterQuotedPath()
{
    QFETCH(QString, path);
    QFETCH(QString, expected);
    QCOMPARE(PuxRuntime::filterQuotedPath(path), expected);
}

void TestPuxCommands::matchLanguage_data()
{
    QTest::addColumn<QString>("wanted");
    QTest::addColumn<QStringList>("offered");
    QTest::addColumn<QString>("expected");
    QTest::newRow("equal") << "en" << QStringList({"de", "en"}) << "en";
    QTest::newRow("regional, first match wins") << "en" << QStringList({"en-US", "en"}) << "en-US";
    QTest::newRow("de-DE") << "de" << QStringList({"de-DE"}) << "de-DE";
    QTest::newRow("prefix is no match") << "e" << QStringList({"en"}) << "";
    QTest::newRow("longer code is no match") << "en" << QStringList({"eng"}) << "";
    QTest::newRow("nothing offered") << "en" << QStringList() << "";
    QTest::newRow("nothing wanted") << "" << QStringList({"en"}) << "";
}

void TestPuxCommands::matchLanguage()
{
    QFETCH(QString, wanted);
    QFETCH(QStringList, offered);
    QFETCH(QString, expected);
    QCOMPARE(PuxRuntime::matchLanguage(wanted, offered), expected);
}

void TestPuxCommands::outputTemplateEscaping()
{
    QCOMPARE(PuxRuntime::escapeOutputTemplate(QStringLiteral("/v/100% real")), QStringLiteral("/v/100%% real"));
    QCOMPARE(PuxRuntime::escapeOutputTemplate(QStringLiteral("/v/plain")), QStringLiteral("/v/plain"));
}

void TestPuxCommands::interpreterAndFfmpegAreNamed()
{
    QVERIFY(!PuxRuntime::interpreterPath().isEmpty());
    QVERIFY(!PuxRuntime::ffmpegPath().isEmpty());
}

void TestPuxCommands::extractorCommand()
{
    const QString url = QStringLiteral("https://site/watch?v=abc&list=x");
    const PuxCommand command = PuxExtractor::initPuxExtractorCommand(QStringLiteral("/opt/app/yt.zip"), url);
    const QString interpreter = PuxRuntime::interpreterPath();
    QCOMPARE(command.program(), interpreter);
    // The interpreter isolated, and no configuration file read by the tool.
    QCOMPARE(command.arguments(), QStringList({"-I", "/opt/app/yt.zip", "--ignore-config", "--dump-json",
                                               "--no-check-certificate", "--", "https://site/watch?v=abc"}));
    QCOMPARE(command.text(), QStringLiteral("\"%1\" -I \"/opt/app/yt.zip\" --ignore-config --dump-json "
                                            "--no-check-certificate -- https://site/watch?v=abc")
                                 .arg(interpreter));
}

void TestPuxCommands::extractorCommandWithoutZip()
{
    const PuxCommand command = PuxExtractor::initPuxExtractorCommand(QStringLiteral("/opt/app/tool.py"),
                                                                      QStringLiteral("--exec=rm -rf x"));
    QVERIFY(!command.arguments().contains(QStringLiteral("--no-check-certificate")));
    QCOMPARE(command.arguments(),
             QStringList({"-I", "/opt/app/tool.py", "--ignore-config", "--dump-json", "--", "--exec=rm -rf x"}));
}

void TestPuxCommands::subtitleOptions_data()
{
    QTest::addColumn<Kel::SubtitleMode>("mode");
    QTest::addColumn<Kel::MediaType>("type");
    QTest::addColumn<QStringList>("available");
    QTest::addColumn<QStringList>("preferred");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("automatic");

    const QStringList none;
    QTest::newRow("no subtitles") << Kel::NoSubtitle << Kel::Video << QStringList({"en"}) << QStringList({"en"})
                                  << "" << none << none;
    QTest::newRow("all") << Kel::AllEmbeddedSubtitles << Kel::Video << QStringList({"en"}) << none << "--all-subs "
                         << QStringList({"--all-subs"}) << none;
    QTest::newRow("audio, all") << Kel::AllEmbeddedSubtitles << Kel::Audio << QStringList({"en"}) << none << ""
                                << none << none;
    QTest::newRow("audio, preferred") << Kel::PreferredLanguageSubtitles << Kel::Audio << QStringList({"en"})
                                      << QStringList({"en"}) << "" << none << none;
    QTest::newRow("audio, burned") << Kel::BurnedInSubtitle << Kel::Audio << QStringList({"en"}) << none << ""
                                   << none << none;
    QTest::newRow("burned, regional offer") << Kel::BurnedInSubtitle << Kel::Video << QStringList({"de-DE"})
                                            << QStringList({"de", "fr"}) << "--write-subs --sub-langs de-DE "
                                            << QStringList({"--write-subs", "--sub-langs", "de-DE"}) << none;
    QTest::newRow("burned, English by default") << Kel::BurnedInSubtitle << Kel::Video << QStringList({"de", "en"})
                                                << none << "--write-subs --sub-langs en "
                                                << QStringList({"--write-subs", "--sub-langs", "en"}) << none;
    QTest::newRow("burned, automatic") << Kel::BurnedInSubtitle << Kel::Video << QStringList({"en"})
                                       << QStringList({"fr"}) << "--write-auto-subs --sub-langs fr "
                                       << QStringList({"--write-auto-subs", "--sub-langs", "fr"}) << none;
    QTest::newRow("preferred, one automatic") << Kel::PreferredLanguageSubtitles << Kel::Video << QStringList({"de"})
                                              << QStringList({"de", "fr"}) << "--write-subs --sub-langs de "
                                              << QStringList({"--write-subs", "--sub-langs", "de"})
                                              << QStringList({"fr"});
    QTest::newRow("preferred, all automatic") << Kel::PreferredLanguageSubtitles << Kel::Video
                                              << QStringList({"en"}) << QStringList({"fr", "it"})
                                              << "--write-auto-subs --sub-langs fr,it "
                                              << QStringList({"--write-auto-subs", "--sub-langs", "fr,it"}) << none;
    QTest::newRow("preferred, in order") << Kel::PreferredLanguageSubtitles << Kel::Video
                                         << QStringList({"de", "en-GB"}) << QStringList({"en", "de"})
                                         << "--write-subs --sub-langs en-GB,de "
                                         << QStringList({"--write-subs", "--sub-langs", "en-GB,de"}) << none;
    QTest::newRow("preferred, none chosen") << Kel::PreferredLanguageSubtitles << Kel::Video << QStringList({"en"})
                                            << none << "" << none << none;
}

void TestPuxCommands::subtitleOptions()
{
    QFETCH(Kel::SubtitleMode, mode);
    QFETCH(Kel::MediaType, type);
    QFETCH(QStringList, available);
    QFETCH(QStringList, preferred);
    QFETCH(QString, text);
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, automatic);
    SubtitleSetting setting;
    setting.mode = mode;
    setting.availableLanguages = available;
    setting.preferredLanguages = preferred;
    const PuxDownloader::SubtitleOptions options = PuxDownloader::subtitleOptions(setting, type);
    QCOMPARE(options.text, text);
    QCOMPARE(options.arguments, arguments);
    QCOMPARE(options.autoLanguages, automatic);
}

void TestPuxCommands::mergeCodecOptions_data()
{
    QTest::addColumn<QString>("video");
    QTest::addColumn<QString>("audio");
    QTest::addColumn<QString>("vCodec");
    QTest::addColumn<QStringList>("options");

    QTest::newRow("vp09 in mp4, webm audio") << "/d/v.mp4" << "/d/a.webm" << "vp09.00.40.08"
                                             << QStringList({"-c:a", "aac"});
    QTest::newRow("vp9 in mp4") << "/d/v.mp4" << "/d/a.m4a" << "vp9" << QStringList({"-c:a", "copy"});
    QTest::newRow("webm and webm") << "/d/v.webm" << "/d/a.webm" << "vp9" << QStringList({"-c:v", "copy", "-c:a", "copy"});
    QTest::newRow("mp4 and m4a") << "/d/v.mp4" << "/d/a.M4A" << "avc1.4d401f"
                                 << QStringList({"-c:v", "copy", "-c:a", "copy"});
    QTest::newRow("webm and m4a") << "/d/v.WEBM" << "/d/a.m4a" << "vp9"
                                  << QStringList({"-c:v", "copy", "-c:a", "libopus"});
    QTest::newRow("mp4 alone") << "/d/v.mp4" << "" << "avc1" << QStringList({"-c:v", "copy", "-c:a", "aac"});
    QTest::newRow("other container") << "/d/v.mkv" << "/d/a.m4a" << "avc1" << QStringList();
}

void TestPuxCommands::mergeCodecOptions()
{
    QFETCH(QString, video);
    QFETCH(QString, audio);
    QFETCH(QString, vCodec);
    QFETCH(QStringList, options);
    const PuxMergeCommand merge(QStringLiteral("ffmpeg"), mergeInput(video, audio, {}, Kel::NoSubtitle, vCodec));
    const QStringList args = merge.command().arguments();
    QStringList inputs = {QStringLiteral("-i"), video};
    if (!audio.isEmpty())
        inputs += {QStringLiteral("-i"), audio};
    QCOMPARE(args.mid(0, inputs.size()), inputs);
    QCOMPARE(optionsAfterInputs(args), options);
    QCOMPARE(args.last(), merge.outputFile());
    QCOMPARE(merge.outputFile(), video + QStringLiteral(".tmp.") + QFileInfo(video).suffix().toLower());
}

void TestPuxCommands::mergeTaggedSubtitleStreams()
{
    const QStringList subs = {"/d/{u}PUXTMP_.en.vtt", "/d/{u}PUXTMP_.de.vtt"};
    const PuxMergeCommand merge(QStringLiteral("ffmpeg"),
                                mergeInput("/d/{u}PUXTMP_.mp4", "/d/{w}PUXTMP_.m4a", subs,
                                           Kel::PreferredLanguageSubtitles, "avc1", {"en", "de"}, {"en", "de"}));
    QCOMPARE(merge.command().arguments(),
             QStringList({"-i", "/d/{u}PUXTMP_.mp4", "-i", "/d/{w}PUXTMP_.m4a", "-i", "/d/{u}PUXTMP_.en.vtt", "-i",
                          "/d/{u}PUXTMP_.de.vtt", "-c:v", "copy", "-c:a", "copy", "-map", "0", "-map", "1", "-map",
                          "2:0", "-map", "3:0", "-c:s", "mov_text", "-metadata:s:s:0", "language=eng",
                          "-metadata:s:s:1", "language=ger", "-disposition:s:0", "default",
                          "/d/{u}PUXTMP_.mp4.tmp.mp4"}));

    // On webm the subtitle streams are copied; without separate audio the
    // subtitles are the second input on.
    const PuxMergeCommand webm(QStringLiteral("ffmpeg"),
                               mergeInput("/d/vPUXTMP_.webm", "", {"/d/vPUXTMP_.fr.vtt"}, Kel::AllEmbeddedSubtitles,
                                          "vp9"));
    const QStringList args = webm.command().arguments();
    QCOMPARE(args.mid(args.indexOf("-map")),
             QStringList({"-map", "0", "-map", "1:0", "-c:s", "copy", "-metadata:s:s:0", "language=fre",
                          "-disposition:s:0", "default", "/d/vPUXTMP_.webm.tmp.webm"}));
}

void TestPuxCommands::mergeBurnedInOnWebm()
{
    const QStringList subs = {"/d/xPUXTMP_.en.vtt", "/d/xPUXTMP_.de.vtt"};
    const PuxMergeCommand merge(QStringLiteral("ffmpeg"),
                                mergeInput("/d/xPUXTMP_.webm", "/d/yPUXTMP_.webm", subs, Kel::BurnedInSubtitle,
                                           "vp9", {"de"}, {"en", "de"}));
    QCOMPARE(merge.command().arguments(),
             QStringList({"-i", "/d/xPUXTMP_.webm", "-i", "/d/yPUXTMP_.webm", "-filter_complex",
                          "subtitles='/d/xPUXTMP_.de.vtt'", "-c:a", "copy", "-crf", "40", "-deadline", "best",
                          "/d/xPUXTMP_.webm.tmp.webm"}));
    QCOMPARE(merge.subtitleFiles().first(), QStringLiteral("/d/xPUXTMP_.de.vtt"));
}

void TestPuxCommands::mergeBurnedInOnMp4WithSeparateAudio()
{
    const PuxMergeCommand merge(QStringLiteral("ffmpeg"),
                                mergeInput("/d/x:PUXTMP_.mp4", "/d/yPUXTMP_.m4a", {"/d/x:PUXTMP_.en.vtt"},
                                           Kel::BurnedInSubtitle, "avc1", {}, {"en"}));
    QCOMPARE(merge.command().arguments(),
             QStringList({"-i", "/d/x:PUXTMP_.mp4", "-i", "/d/yPUXTMP_.m4a", "-filter_complex",
                          "subtitles='/d/x\\:PUXTMP_.en.vtt'", "-c:a", "copy", "/d/x:PUXTMP_.mp4.tmp.mp4"}));
}

void TestPuxCommands::mergeOutputTakenGetsCounter()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString video = dir.filePath(QStringLiteral("vPUXTMP_.MP4"));
    QCOMPARE(PuxMergeCommand::mergeOutputName(video), video + QStringLiteral(".tmp.mp4"));
    for (const QString &taken : {video + QStringLiteral(".tmp.mp4"), video + QStringLiteral("0.tmp.mp4")}) {
        QFile file(taken);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    QCOMPARE(PuxMergeCommand::mergeOutputName(video), video + QStringLiteral("1.tmp.mp4"));
    QFile::remove(video + QStringLiteral("0.tmp.mp4"));
    QCOMPARE(PuxMergeCommand::mergeOutputName(video), video + QStringLiteral("0.tmp.mp4"));
}

void TestPuxCommands::mergeLogText()
{
    const PuxMergeCommand merge(QStringLiteral("/usr/bin/ffmpeg"),
                                mergeInput("/d/a b.webm", "/d/c.webm", {}, Kel::NoSubtitle, "vp9"));
    QCOMPARE(merge.command().text(), QStringLiteral("\"/usr/bin/ffmpeg\" -i \"/d/a b.webm\" -i \"/d/c.webm\" -c:v copy "
                                                    "-c:a copy \"/d/a b.webm.tmp.webm\" "));
    QCOMPARE(merge.command().program(), QStringLiteral("/usr/bin/ffmpeg"));
}

void TestPuxCommands::subtitleLanguage_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("language");
    QTest::newRow("en") << "/d/{u}PUXTMP_.en.vtt" << "eng";
    QTest::newRow("de-DE") << "/d/{u}PUXTMP_.de-DE.vtt" << "ger";
    QTest::newRow("zh-Hans") << "/d/x.zh-Hans.vtt" << "chi";
    QTest::newRow("fr") << "/d/x.fr.ttml" << "fre";
    QTest::newRow("unknown code") << "/d/x.zz.vtt" << "zz";
    QTest::newRow("no language part") << "/d/x.vtt" << "";
    QTest::newRow("dots in folder") << "/d.e.f/x.vtt" << "";
}

void TestPuxCommands::subtitleLanguage()
{
    QFETCH(QString, file);
    QFETCH(QString, language);
    QCOMPARE(PuxMergeCommand::subtitleLanguage(file), language);
}

void TestPuxCommands::subtitleOrderByLanguagePart()
{
    SubtitleSetting setting;
    setting.preferredLanguages = {QStringLiteral("de")};
    setting.availableLanguages = {QStringLiteral("en"), QStringLiteral("de")};
    // The base name holds "de" itself; only the language part counts.
    const QStringList files = {"/d/{0dea}PUXTMP_.en.vtt", "/d/{0dea}PUXTMP_.de.vtt"};
    QCOMPARE(PuxMergeCommand::orderSubtitles(files, setting),
             QStringList({"/d/{0dea}PUXTMP_.de.vtt", "/d/{0dea}PUXTMP_.en.vtt"}));

    setting.preferredLanguages = {QStringLiteral("it")};
    QCOMPARE(PuxMergeCommand::orderSubtitles(files, setting), files);
    setting.preferredLanguages.clear();
    QCOMPARE(PuxMergeCommand::orderSubtitles(files, setting), files);
}

void TestPuxCommands::languageTable()
{
    QCOMPARE(Kel::IsoLanguageTable::threeLetterCode("en"), QStringLiteral("eng"));
    QCOMPARE(Kel::IsoLanguageTable::threeLetterCode("de"), QStringLiteral("ger"));
    QCOMPARE(Kel::IsoLanguageTable::threeLetterCode("fr"), QStringLiteral("fre"));
    QCOMPARE(Kel::IsoLanguageTable::threeLetterCode("zh"), QStringLiteral("chi"));
    QCOMPARE(Kel::IsoLanguageTable::threeLetterCode("sq"), QStringLiteral("alb"));
    QCOMPARE(Kel::IsoLanguageTable::threeLetterCode("hy"), QStringLiteral("arm"));
    QCOMPARE(Kel::IsoLanguageTable::threeLetterCode("iw"), QStringLiteral("heb"));
    QVERIFY(Kel::IsoLanguageTable::threeLetterCode("xx").isEmpty());
    QVERIFY(Kel::IsoLanguageTable::threeLetterCode("EN").isEmpty());
    QVERIFY(Kel::IsoLanguageTable::size() >= 184);
}

QTEST_GUILESS_MAIN(TestPuxCommands)
#include "tst_puxcommands.moc"
