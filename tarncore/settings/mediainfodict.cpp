#include "tarncore/settings/mediainfodict.h"

#include "tarncore/settings/abitraterule.h"
#include "tarncore/settings/acodecrule.h"
#include "tarncore/settings/jsonfile.h"
#include "tarncore/settings/vbitraterule.h"
#include "tarncore/settings/vcodecrule.h"

#include <QRegularExpression>

#include <limits>

namespace Tarn {

namespace {

const char *const ConvertFormatSupportKey = "Convert Format Support";
const char *const ConvertResolutionSupportKey = "Convert Resolution Support";
const char *const VideoCodecRulesKey = "Convert Video Codec Support Rules";
const char *const AudioCodecRulesKey = "Convert Audio Codec Support Rules";
const char *const VideoBitRateRulesKey = "Convert Video Bit Rate Support Rules";
const char *const AudioBitRateRulesKey = "Convert Audio Bit Rate Support Rules";
const char *const SampleRateSupportKey = "Convert Audio Sample Rate Support";
const char *const WebMediaFormatSupportKey = "Web Media Format Support";
const char *const WebMediaResolutionSupportKey = "Web Media Resolution Support";
const char *const CodecDefinitionKey = "Codec Definition";

const QString FormatFilter = QStringLiteral("Format");
const QString CodecFilter = QStringLiteral("Codec");
const QString ResolutionFilter = QStringLiteral("Resolution");

template<typename RuleType>
RuleType findRule(const QList<RuleType> &rules, const QMap<QString, QString> &query)
{
    for (const RuleType &rule : rules) {
        if (rule.matches(query))
            return rule;
    }
    return RuleType();
}

} // namespace

MediaInfoDict::MediaInfoDict() = default;

MediaInfoDict::MediaInfoDict(const QString &file)
{
    load(file);
}

bool MediaInfoDict::load(const QString &file)
{
    // A dictionary that stays null is loaded again on every use; starting
    // empty keeps the rule lists from growing with each attempt.
    *this = MediaInfoDict();

    Json::Value root;
    if (!JsonFile::parse(file, root))
        return false;

    return loadFormatSupport(JsonFile::member(root, ConvertFormatSupportKey), convertFormatSupport)
        && loadResolutionSupport(JsonFile::member(root, ConvertResolutionSupportKey), convertResolutionSupport)
        && loadCodecRules(JsonFile::member(root, VideoCodecRulesKey), VCodecRule(), videoCodecRules)
        && loadCodecRules(JsonFile::member(root, AudioCodecRulesKey), ACodecRule(), audioCodecRules)
        && loadBitRateRules(JsonFile::member(root, VideoBitRateRulesKey), VBitRateRule(), videoBitRateRules)
        && loadBitRateRules(JsonFile::member(root, AudioBitRateRulesKey), ABitRateRule(), audioBitRateRules)
        && loadSampleRates(JsonFile::member(root, SampleRateSupportKey))
        && loadFormatSupport(JsonFile::member(root, WebMediaFormatSupportKey), webMediaFormatSupport)
        && loadResolutionSupport(JsonFile::member(root, WebMediaResolutionSupportKey), webMediaResolutionSupport)
        && loadCodecDefinitions(JsonFile::member(root, CodecDefinitionKey));
}

bool MediaInfoDict::isNull() const
{
    return !convertFormatSupport.isValid();
}

bool MediaInfoDict::loadFormatSupport(const Json::Value &node, FormatSupport &target)
{
    if (node.isNull())
        return false;
    const Json::Value &formats = JsonFile::member(node, "Formats");
    if (formats.isArray()) {
        for (const Json::Value &item : formats) {
            const QString format = JsonFile::text(item);
            if (!format.isEmpty() && !target.getFormats().contains(format))
                target.appendFormat(format);
        }
    }
    const QString defaultFormat = JsonFile::text(JsonFile::member(node, "Default"));
    if (!defaultFormat.isEmpty() && target.getFormats().contains(defaultFormat))
        target.setDefaultFormat(defaultFormat);
    return true;
}

bool MediaInfoDict::loadResolutionSupport(const Json::Value &node, ResolutionSupport &target)
{
    if (node.isNull())
        return false;
    const Json::Value &resolutions = JsonFile::member(node, "Resolutions");
    if (resolutions.isArray()) {
        for (const Json::Value &item : resolutions) {
            const QSize size = parseResolution(JsonFile::text(item));
            // An unreadable size would be offered to the user as "-1x-1".
            if (size.width() >= 1 && size.height() >= 1 && !target.getResolutions().contains(size))
                target.appendResolution(size);
        }
    }
    const QSize defaultSize = parseResolution(JsonFile::text(JsonFile::member(node, "Default")));
    if (target.getResolutions().contains(defaultSize))
        target.setDefaultResolution(defaultSize);
    return true;
}

bool MediaInfoDict::loadCodecRules(const Json::Value &node, const CodecRule &prototype, QList<CodecRule> &target)
{
    if (!node.isArray())
        return false;
    for (const Json::Value &element : node) {
        if (!element.isObject())
            continue;
        CodecRule rule = prototype;
        for (const QString &filter : prototype.getAllFilters()) {
            const Json::Value &value = JsonFile::member(element, filter.toUtf8().constData());
            if (!value.isNull())
                rule.addFilter(filter, JsonFile::text(value));
        }
        const Json::Value &supportNode = JsonFile::member(element, "Codec Support");
        if (supportNode.isNull())
            continue;
        CodecSupport support;
        const Json::Value &codecs = JsonFile::member(supportNode, "Codecs");
        if (codecs.isArray()) {
            for (const Json::Value &item : codecs) {
                const QString codec = JsonFile::text(item);
                if (!codec.isEmpty() && !support.getCodecs().contains(codec))
                    support.appendCodec(codec);
            }
        }
        const QString defaultCodec = JsonFile::text(JsonFile::member(supportNode, "Default"));
        if (!defaultCodec.isEmpty() && support.getCodecs().contains(defaultCodec))
            support.setDefaultCodec(defaultCodec);
        rule.setSupport(support);
        target.append(rule);
    }
    return true;
}

bool MediaInfoDict::loadBitRateRules(const Json::Value &node, const BitRateRule &prototype,
                                     QList<BitRateRule> &target)
{
    if (!node.isArray())
        return false;
    for (const Json::Value &element : node) {
        if (!element.isObject())
            continue;
        BitRateRule rule = prototype;
        for (const QString &filter : prototype.getAllFilters()) {
            const Json::Value &value = JsonFile::member(element, filter.toUtf8().constData());
            if (!value.isNull())
                rule.addFilter(filter, JsonFile::text(value));
        }
        const Json::Value &supportNode = JsonFile::member(element, "Bit Rate Support");
        if (supportNode.isNull())
            continue;
        BitRateSupport support;
        const Json::Value &rates = JsonFile::member(supportNode, "Bit Rates");
        if (rates.isArray()) {
            for (const Json::Value &item : rates) {
                const QString text = JsonFile::text(item);
                if (text.isEmpty())
                    continue;
                // An unreadable rate (-1) would reach ffmpeg as a bit rate.
                const int rate = parseBitRate(text);
                if (rate >= 1 && !support.getBitRates().contains(rate))
                    support.appendBitRate(rate);
            }
        }
        const int defaultRate = parseBitRate(JsonFile::text(JsonFile::member(supportNode, "Default")));
        if (support.getBitRates().contains(defaultRate))
            support.setDefaultBitRate(defaultRate);
        rule.setSupport(support);
        target.append(rule);
    }
    return true;
}

bool MediaInfoDict::loadSampleRates(const Json::Value &node)
{
    if (!node.isArray())
        return false;
    for (const Json::Value &element : node) {
        if (!element.isObject())
            continue;
        SampleRate entry;
        const Json::Value &rates = JsonFile::member(element, "Sample Rates");
        if (rates.isArray()) {
            for (const Json::Value &item : rates) {
                const QString text = JsonFile::text(item).trimmed();
                if (text.isEmpty())
                    continue;
                bool ok = false;
                const qint64 rate = text.toLongLong(&ok, 10);
                if (ok && rate >= 1 && !entry.getSampleRates().contains(rate))
                    entry.appendSampleRate(rate);
            }
        }
        bool ok = false;
        const qint64 defaultRate = JsonFile::text(JsonFile::member(element, "Default")).trimmed().toLongLong(&ok, 10);
        if (ok && entry.getSampleRates().contains(defaultRate))
            entry.setDefaultSampleRate(defaultRate);
        if (!sampleRates.contains(entry))
            sampleRates.append(entry);
    }
    return true;
}

bool MediaInfoDict::loadCodecDefinitions(const Json::Value &node)
{
    if (!node.isArray())
        return false;
    for (const Json::Value &element : node) {
        if (!element.isObject())
            continue;
        CodecDefinition definition;
        const Json::Value &name = JsonFile::member(element, "Name");
        if (!name.isNull())
            definition.setName(JsonFile::text(name));
        const Json::Value &value = JsonFile::member(element, "FFmpeg Value");
        if (!value.isNull())
            definition.setFFmpegValue(JsonFile::text(value));
        if (!codecDefinitions.contains(definition))
            codecDefinitions.append(definition);
    }
    return true;
}

CodecRule MediaInfoDict::getConvertVideoCodecSupportRule(const QString &format) const
{
    QMap<QString, QString> query;
    query.insert(FormatFilter, format);
    return findRule(videoCodecRules, query);
}

CodecRule MediaInfoDict::getConvertAudioCodecSupportRule(const QString &format, const QString &codec) const
{
    QMap<QString, QString> query;
    query.insert(FormatFilter, format);
    query.insert(CodecFilter, codec);
    return findRule(audioCodecRules, query);
}

BitRateRule MediaInfoDict::getConvertVideoBitRateSupportRule(const QString &codec, const QSize &resolution) const
{
    QMap<QString, QString> query;
    query.insert(CodecFilter, codec);
    query.insert(ResolutionFilter, resolutionText(resolution));
    return findRule(videoBitRateRules, query);
}

BitRateRule MediaInfoDict::getConvertAudioBitRateSupportRule(const QString &format, const QSize &resolution) const
{
    QMap<QString, QString> query;
    query.insert(FormatFilter, format);
    query.insert(ResolutionFilter, resolutionText(resolution));
    return findRule(audioBitRateRules, query);
}

QString MediaInfoDict::getFFmpegCodecValue(const QString &name) const
{
    for (const CodecDefinition &definition : codecDefinitions) {
        if (definition.getName() == name)
            return definition.getFFmpegValue();
    }
    return name;
}

QString MediaInfoDict::getFFmpegCodecName(const QString &value) const
{
    for (const CodecDefinition &definition : codecDefinitions) {
        if (definition.getFFmpegValue() == value)
            return definition.getName();
    }
    return value;
}

QSize MediaInfoDict::parseResolution(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char('x'), Qt::KeepEmptyParts, Qt::CaseInsensitive);
    if (parts.size() != 2)
        return QSize(-1, -1);
    bool okWidth = false;
    bool okHeight = false;
    const int width = parts.at(0).toInt(&okWidth, 10);
    const int height = parts.at(1).toInt(&okHeight, 10);
    if (!okWidth || !okHeight)
        return QSize(-1, -1);
    return QSize(width, height);
}

QString MediaInfoDict::resolutionText(const QSize &size)
{
    return QStringLiteral("%1x%2").arg(size.width()).arg(size.height());
}

int MediaInfoDict::parseBitRate(const QString &text)
{
    static const QRegularExpression pattern(QStringLiteral("^([+-]?)(\\d+)(?:\\.(\\d+))?\\s*([KMGT]?)$"),
                                            QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = pattern.match(text.trimmed());
    if (!match.hasMatch())
        return -1;
    int exponent = 0;
    const QString unit = match.captured(4).toUpper();
    if (unit == QLatin1String("K"))
        exponent = 3;
    else if (unit == QLatin1String("M"))
        exponent = 6;
    else if (unit == QLatin1String("G"))
        exponent = 9;
    else if (unit == QLatin1String("T"))
        exponent = 12;

    // Exact decimal arithmetic: "1.5M" is 1500000, never 1499999.
    const QString fraction = match.captured(3).left(exponent);
    QString digits = match.captured(2) + fraction;
    digits += QString(exponent - fraction.size(), QLatin1Char('0'));
    while (digits.size() > 1 && digits.startsWith(QLatin1Char('0')))
        digits.remove(0, 1);
    if (digits.size() > 10)
        return -1;
    qint64 value = digits.toLongLong();
    if (match.captured(1) == QLatin1String("-"))
        value = -value;
    if (value > std::numeric_limits<int>::max() || value < std::numeric_limits<int>::min())
        return -1;
    return static_cast<int>(value);
}

} // namespace Tarn
