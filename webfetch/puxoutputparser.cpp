#include "webfetch/puxoutputparser.h"

#include "shared/kellog.h"
#include "shared/kelunits.h"

#include <QLoggingCategory>
#include <QRegularExpression>

#include <json/json.h>

#include <cmath>
#include <memory>

// Traces for developers; enable with QT_LOGGING_RULES="marlin.webfetch.*.debug=true".
Q_LOGGING_CATEGORY(lcPuxParser, "marlin.webfetch.parser", QtInfoMsg)

namespace Kel {

namespace {

// Member reads: the default when the value is not an object, or the member
// is missing or of another kind.
QString textMember(const Json::Value &object, const char *name, const QString &fallback = QString())
{
    if (!object.isObject())
        return fallback;
    const Json::Value &value = object[name];
    if (!value.isString())
        return fallback;
    const char *begin = nullptr;
    const char *end = nullptr;
    if (!value.getString(&begin, &end))
        return fallback;
    return QString::fromUtf8(begin, qsizetype(end - begin));
}

qint64 integerMember(const Json::Value &object, const char *name, qint64 fallback)
{
    if (!object.isObject())
        return fallback;
    const Json::Value &value = object[name];
    if (!value.isInt64())
        return fallback;
    return value.asInt64();
}

double realMember(const Json::Value &object, const char *name, double fallback)
{
    if (!object.isObject())
        return fallback;
    const Json::Value &value = object[name];
    if (!value.isNumeric())
        return fallback;
    return value.asDouble();
}

void appendJsonSafe(QString &out, char32_t code)
{
    if (code == U'"') {
        out += QLatin1String("\\\"");
    } else if (code == U'\\') {
        out += QLatin1String("\\\\");
    } else if (code < 0x20) {
        out += QString::asprintf("\\u%04x", unsigned(code));
    } else if (code <= 0xFFFF) {
        out += QChar(char16_t(code));
    } else {
        out += QString::fromUcs4(&code, 1);
    }
}

bool needsJsonEscape(uint code)
{
    return code == '"' || code == '\\' || code < 0x20;
}

int hexValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

QString decodeEntities(const QString &text)
{
    if (!text.contains(QLatin1String("&#")))
        return text;
    static const QRegularExpression entity(QStringLiteral("&#(\\d+);"));
    QString result;
    result.reserve(text.size());
    qsizetype last = 0;
    auto it = entity.globalMatch(text);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        result += QStringView(text).mid(last, m.capturedStart() - last);
        bool ok = false;
        const uint code = m.capturedView(1).toUInt(&ok, 10);
        if (ok && code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF))
            appendJsonSafe(result, char32_t(code));
        else
            result += m.capturedView(0);
        last = m.capturedEnd();
    }
    result += QStringView(text).mid(last);
    return result;
}

QString decodeEscapes(const QString &text)
{
    if (!text.contains(QLatin1String("\\u")))
        return text;
    QString result;
    result.reserve(text.size());
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('\\') || i + 1 >= n) {
            result += c;
            ++i;
            continue;
        }
        // An escape: "\uXXXX" is decoded, any other escape (an escaped
        // backslash among them) is copied whole.
        if (text.at(i + 1) == QLatin1Char('u') && i + 5 < n) {
            uint code = 0;
            bool hex = true;
            for (qsizetype k = i + 2; k < i + 6; ++k) {
                const int v = hexValue(text.at(k));
                if (v < 0) {
                    hex = false;
                    break;
                }
                code = code * 16 + uint(v);
            }
            if (hex) {
                if (needsJsonEscape(code))
                    result += QStringView(text).mid(i, 6);
                else
                    result += QChar(char16_t(code));
                i += 6;
                continue;
            }
        }
        result += QStringView(text).mid(i, 2);
        i += 2;
    }
    return result;
}

QSize standardSize(const QString &resolutionText)
{
    struct Entry
    {
        const char *name;
        int width;
        int height;
    };
    static const Entry sizes[] = {
        {"1080p", 1920, 1080}, {"720p", 1280, 720}, {"480p", 720, 480},
        {"360p", 640, 360},    {"240p", 320, 240},  {"144p", 176, 144},
    };
    for (const Entry &e : sizes) {
        if (resolutionText.compare(QLatin1String(e.name), Qt::CaseInsensitive) == 0)
            return QSize(e.width, e.height);
    }
    return QSize();
}

// One element of "formats"; false when it is not a downloadable quality.
bool parseFormat(const Json::Value &element, const QString &description, MediaProfile *profile)
{
    const QString note = textMember(element, "format_note").toLower();
    const QString vCodecText = textMember(element, "vcodec");
    const QString aCodecText = textMember(element, "acodec");
    const QString vcodec = vCodecText.toLower();
    const QString acodec = aCodecText.toLower();
    const bool noVideo = vcodec == QLatin1String("none");
    const bool noAudio = acodec == QLatin1String("none");

    // Neither picture nor sound: storyboard images and the like.
    if (noVideo && noAudio)
        return false;
    if (note.contains(QLatin1String("dash webm audio")))
        return false;

    int width = -1;
    int height = -1;
    QString label;
    QString codec;
    bool audio = false;
    bool dash = false;
    bool is3D = false;
    qint64 bitRate = 0;

    // An audio stream: named so, or with sound and no picture. The tool marks
    // some audio-only streams with a video codec of "none" and no audio codec.
    // An unnamed video codec with a frame size is a picture the tool did not
    // identify (plain files of other sites), not the lack of one.
    const bool hasFrameSize = integerMember(element, "width", -1) > 0 || integerMember(element, "height", -1) > 0;
    const bool pictureUnknown = vcodec.isEmpty() && !hasFrameSize;
    const bool audioOnly = note.contains(QLatin1String("dash audio"))
        || (!acodec.isEmpty() && !noAudio && (pictureUnknown || noVideo)) || (noVideo && acodec.isEmpty());

    if (audioOnly) {
        bitRate = integerMember(element, "abr", 0);
        if (bitRate == 0)
            bitRate = qint64(realMember(element, "abr", 0.0));
        if (bitRate == 0) {
            const qint64 size = Units::parseSize(textMember(element, "abr"));
            if (size > 0)
                bitRate = size / 1000;
        }
        // An unknown bit rate gets no label rather than "0K".
        if (bitRate > 0)
            label = QStringLiteral("%1K").arg(bitRate);
        codec = aCodecText;
        audio = true;
        dash = true;
    } else {
        if (vcodec.startsWith(QLatin1String("av01.")))
            return false;
        width = int(integerMember(element, "width", -1));
        height = int(integerMember(element, "height", -1));
        const QString resolutionText = textMember(element, "resolution");
        codec = vCodecText;
        // Older documents name video-only streams "DASH video" or "DASH webm".
        if (note.contains(QLatin1String("dash video")) || note.contains(QLatin1String("dash"))) {
            // A frame size ("640x360") is no quality name; the size itself
            // names the quality then.
            if (PuxOutputParser::isQualityName(resolutionText))
                label = resolutionText;
            dash = true;
        } else if (note.contains(QLatin1String("3d"))) {
            is3D = true;
        }

        if (resolutionText.compare(QLatin1String(">1080p"), Qt::CaseInsensitive) == 0)
            label = resolutionText;
        const QSize standard = standardSize(resolutionText);
        if (standard.isValid()) {
            width = standard.width();
            height = standard.height();
        } else if (width < 0) {
            width = (height / 9) * 16;
        }

        if (!dash && noAudio)
            dash = true;
    }

    const QString extension = textMember(element, "ext");
    profile->name = textMember(element, "format_id");
    profile->format = extension.toUpper();
    profile->url = textMember(element, "url");
    profile->description = description;
    if (width > 0 && height > 0)
        profile->resolution = QSize(width, height);
    profile->dash = dash;
    profile->is3D = is3D;
    profile->qualityLabel = label;
    profile->type = audio ? Audio : Video;
    if (audio) {
        profile->aBitRate = qint32(bitRate * 1000);
        profile->aCodec = codec;
    } else {
        profile->vCodec = codec;
    }
    return !profile->format.isEmpty();
}

} // namespace

QString PuxOutputParser::decodeCharacterCodes(const QString &text)
{
    return decodeEscapes(decodeEntities(text));
}

bool PuxOutputParser::isQualityName(const QString &text)
{
    static const QRegularExpression re(QStringLiteral("^>?\\d+p\\d*$"), QRegularExpression::CaseInsensitiveOption);
    return re.match(text).hasMatch();
}

bool PuxOutputParser::parseWebMediaInfo(const QString &output, WebMediaInfo &info)
{
    const QByteArray document = decodeCharacterCodes(output).toUtf8();

    Json::CharReaderBuilder builder;
    builder["collectComments"] = false;
    const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    Json::Value root;
    std::string errors;
    const bool parsed = reader->parse(document.constData(), document.constData() + document.size(), &root, &errors);
    if (!parsed || !root.isObject()) {
        if (parsed)
            errors = "the document is not a JSON object";
        KEL_ERROR("JSON reader.parse error: %s", errors.c_str());
        return false;
    }

    info.setTitle(textMember(root, "title", QStringLiteral("")));
    qCDebug(lcPuxParser) << QStringLiteral("title: %1").arg(info.title);

    info.duration = integerMember(root, "duration", 0);
    // Durations of pages that are not the video site's own come as fractions.
    if (info.duration == 0)
        info.duration = std::llround(realMember(root, "duration", 0.0));
    qCDebug(lcPuxParser) << QStringLiteral("duration: %1").arg(info.duration);

    info.thumbnailUrl = textMember(root, "thumbnail");
    info.thumbnailUrl.replace(QLatin1String("maxresdefault"), QLatin1String("mqdefault"), Qt::CaseSensitive);
    qCDebug(lcPuxParser) << QStringLiteral("thumbnail: %1").arg(info.thumbnailUrl);

    const QString description = textMember(root, "description", QStringLiteral(""));

    const Json::Value &formats = root["formats"];
    if (formats.isArray()) {
        for (const Json::Value &element : formats) {
            MediaProfile profile;
            if (parseFormat(element, description, &profile)) {
                profile.duration = info.duration;
                info.profiles.prepend(profile);
            }
        }
    }

    const Json::Value &subtitles = root["subtitles"];
    if (root.isMember("subtitles") && !subtitles.isNull()) {
        QStringList languages;
        if (subtitles.isObject()) {
            for (const std::string &member : subtitles.getMemberNames()) {
                const QString language = QString::fromStdString(member);
                if (language.compare(QLatin1String("live_chat"), Qt::CaseInsensitive) != 0)
                    languages += language;
            }
        }
        info.subtitleLanguages = languages;
        // The tool lists an empty "subtitles" for pages without any.
        info.subtitlesDeclared = !languages.isEmpty();
    }
    return true;
}

PuxOutputParser::DownloadLine PuxOutputParser::parseDownloadLine(const QString &line)
{
    DownloadLine result;
    if (!line.contains(QLatin1String("[download]")))
        return result;

    static const QRegularExpression destination(
        QStringLiteral("\\[download\\] Destination: (([^\\r\\n]+)\\.([^\\r\\n]*))"));
    static const QRegularExpression already(
        QStringLiteral("\\[download\\] (([^\\r\\n]+)\\.([^\\r\\n]*)) has already been downloaded"));
    static const QRegularExpression progress(QStringLiteral(
        "\\[download\\]\\s*(\\d+(\\.\\d+)?)%\\s*of\\s*((\\d+(\\.\\d+)?)\\w*)\\s*at\\s*([^\\s\\n\\r]*/s)\\s*ETA"));

    QRegularExpressionMatch m = destination.match(line);
    if (m.hasMatch()) {
        result.kind = DownloadLine::Destination;
        result.path = m.captured(1);
        return result;
    }
    m = already.match(line);
    if (m.hasMatch()) {
        result.kind = DownloadLine::AlreadyDownloaded;
        result.path = m.captured(1);
        return result;
    }
    m = progress.match(line);
    if (m.hasMatch()) {
        result.kind = DownloadLine::Progress;
        result.percent = m.captured(1).toDouble();
        result.total = Units::parseSizeWithFraction(m.captured(3));
        result.speed = qMax<qint64>(0, Units::parseSizeWithFraction(m.captured(6)));
        result.finish = result.total > 0 ? qint64(double(result.total) * result.percent / 100.0) : 0;
    }
    return result;
}

QString PuxOutputParser::errorText(const QStringList &lines)
{
    static const QLatin1String errorWord("ERROR:");
    QStringList errors;
    QStringList others;
    // The tool may clear its progress line after the word, so that its
    // message comes as a line of its own: "ERROR: \r[download] Got error".
    bool errorPending = false;
    for (const QString &line : lines) {
        const QString text = line.trimmed();
        if (text.isEmpty())
            continue;
        if (text.startsWith(errorWord)) {
            const QString message = text.mid(errorWord.size()).trimmed();
            errorPending = message.isEmpty();
            if (!errorPending)
                errors += message;
        } else if (errorPending) {
            errors += text;
            errorPending = false;
        } else {
            others += text;
        }
    }
    // Without an error line the last words are the likeliest reason: a
    // Python traceback ends with the exception.
    constexpr int LastLines = 3;
    return errors.isEmpty() ? others.mid(qMax(0, int(others.size()) - LastLines)).join(QLatin1Char('\n'))
                            : errors.join(QLatin1Char('\n'));
}

} // namespace Kel
