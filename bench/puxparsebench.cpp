// How long reading the media information of a video with 200 formats takes.
//
//     bench_puxparse [runs]
//
// The document is generated in the shape the extractor tool prints (long
// stream addresses, request headers, fragments of a manifest), parsed the
// given number of times (default 200); the median must stay within a few
// milliseconds.
#include "shared/webmediainfo.h"
#include "webfetch/puxoutputparser.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

#include <algorithm>
#include <vector>

namespace {

constexpr int formatCount = 200;
constexpr double targetMs = 5.0;

QJsonObject format(int i)
{
    static const int heights[] = {144, 240, 360, 480, 720, 1080, 1440, 2160};
    const int height = heights[i % 8];
    const int kind = i % 5; // 0 audio, 1-3 video only, 4 progressive
    QJsonObject f;
    f[QStringLiteral("format_id")] = QString::number(100 + i);
    f[QStringLiteral("format_note")] = kind == 0 ? QStringLiteral("medium") : QStringLiteral("%1p").arg(height);
    f[QStringLiteral("ext")] = (i % 2) ? QStringLiteral("webm") : QStringLiteral("mp4");
    f[QStringLiteral("url")] = QStringLiteral("https://media.example.invalid/videoplayback?expire=1700000000&ei=%1"
                                              "&ip=127.0.0.1&id=o-ABCDEFGHIJKLMNOPQRSTUVWXYZ&itag=%2&source=site"
                                              "&requiressl=yes&mime=video%%2Fmp4&gir=yes&clen=%3&dur=582.%4"
                                              "&lmt=1700000000000000&sig=AOq0QJ8wRQIgcX%5")
                                   .arg(i * 7919)
                                   .arg(100 + i)
                                   .arg(1000000 + i * 12345)
                                   .arg(i)
                                   .arg(QString(40, QLatin1Char('A' + i % 26)));
    f[QStringLiteral("protocol")] = QStringLiteral("https");
    f[QStringLiteral("filesize")] = 1000000 + i * 12345;
    f[QStringLiteral("tbr")] = 100.5 + i;
    f[QStringLiteral("quality")] = i % 10;
    f[QStringLiteral("language")] = QStringLiteral("en");
    QJsonObject headers;
    headers[QStringLiteral("User-Agent")] = QStringLiteral("Mozilla/5.0 (X11; Linux x86_64) AppleWebKit/537.36");
    headers[QStringLiteral("Accept")] = QStringLiteral("text/html,application/xhtml+xml,application/xml;q=0.9");
    headers[QStringLiteral("Accept-Language")] = QStringLiteral("en-us,en;q=0.5");
    f[QStringLiteral("http_headers")] = headers;
    if (kind == 0) {
        f[QStringLiteral("vcodec")] = QStringLiteral("none");
        f[QStringLiteral("acodec")] = (i % 2) ? QStringLiteral("opus") : QStringLiteral("mp4a.40.2");
        f[QStringLiteral("abr")] = 48.5 + i;
        f[QStringLiteral("asr")] = 48000;
        f[QStringLiteral("resolution")] = QStringLiteral("audio only");
    } else {
        f[QStringLiteral("vcodec")] = (i % 2) ? QStringLiteral("vp09.00.40.08") : QStringLiteral("avc1.640028");
        f[QStringLiteral("acodec")] = kind == 4 ? QStringLiteral("mp4a.40.2") : QStringLiteral("none");
        f[QStringLiteral("width")] = height * 16 / 9;
        f[QStringLiteral("height")] = height;
        f[QStringLiteral("fps")] = 30;
        f[QStringLiteral("resolution")] = QStringLiteral("%1x%2").arg(height * 16 / 9).arg(height);
        QJsonArray fragments;
        for (int k = 0; k < 4; ++k) {
            QJsonObject fragment;
            fragment[QStringLiteral("url")] = QStringLiteral("https://media.example.invalid/sq/%1/%2").arg(i).arg(k);
            fragment[QStringLiteral("duration")] = 5.005;
            fragments.append(fragment);
        }
        f[QStringLiteral("fragments")] = fragments;
    }
    return f;
}

QString document()
{
    QJsonObject root;
    root[QStringLiteral("id")] = QStringLiteral("bench000001");
    root[QStringLiteral("title")] = QStringLiteral("Caf\u00e9 &#39;benchmark&#39; \u2014 two hundred formats");
    root[QStringLiteral("description")] = QString(3000, QLatin1Char('d'));
    root[QStringLiteral("duration")] = 582;
    root[QStringLiteral("thumbnail")] = QStringLiteral("https://i.example.invalid/vi/bench/maxresdefault.jpg");
    QJsonArray formats;
    for (int i = 0; i < formatCount; ++i)
        formats.append(format(i));
    root[QStringLiteral("formats")] = formats;
    QJsonObject subtitles;
    for (const char *language : {"en", "de", "fr", "live_chat"})
        subtitles[QLatin1String(language)] = QJsonArray{QJsonObject{{"ext", "vtt"}, {"url", "https://s.invalid/x"}}};
    root[QStringLiteral("subtitles")] = subtitles;
    // The tool escapes everything beyond ASCII.
    QString text = QString::fromUtf8(QJsonDocument(root).toJson(QJsonDocument::Compact));
    QString escaped;
    escaped.reserve(text.size() + 64);
    for (const QChar c : text) {
        if (c.unicode() > 0x7f)
            escaped += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        else
            escaped += c;
    }
    return escaped;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? qMax(1, QString::fromLocal8Bit(argv[1]).toInt()) : 200;
    QTextStream out(stdout);

    const QString text = document();
    Kel::WebMediaInfo check;
    check.url = QStringLiteral("https://site.invalid/watch?v=bench000001");
    if (!Kel::PuxOutputParser::parseWebMediaInfo(text, check) || check.profiles.size() != formatCount) {
        out << "The generated document did not parse into " << formatCount << " qualities ("
            << check.profiles.size() << ")\n";
        return 2;
    }

    std::vector<double> times;
    times.reserve(std::size_t(runs));
    for (int i = 0; i < runs; ++i) {
        Kel::WebMediaInfo info;
        info.url = check.url;
        QElapsedTimer clock;
        clock.start();
        Kel::PuxOutputParser::parseWebMediaInfo(text, info);
        times.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    const double median = times[times.size() / 2];
    const double worst = times.back();
    out << QStringLiteral("parse of %1 formats (%2 KB), %3 runs: median %4 ms, best %5 ms, worst %6 ms; target %7 ms: %8\n")
               .arg(formatCount)
               .arg(text.size() / 1024)
               .arg(runs)
               .arg(median, 0, 'f', 3)
               .arg(times.front(), 0, 'f', 3)
               .arg(worst, 0, 'f', 3)
               .arg(targetMs, 0, 'f', 1)
               .arg(median <= targetMs ? QStringLiteral("PASS") : QStringLiteral("FAIL"));
    return median <= targetMs ? 0 : 1;
}
