#pragma once

#include "tarncore/settings/bitraterule.h"
#include "tarncore/settings/codecdefinition.h"
#include "tarncore/settings/codecrule.h"
#include "tarncore/settings/formatsupport.h"
#include "tarncore/settings/resolutionsupport.h"
#include "tarncore/settings/samplerate.h"

#include <QList>
#include <QSize>
#include <QString>

namespace Json {
class Value;
}

namespace Tarn {

// What the application knows about target formats, read from
// "basic_parameters.json": formats, resolutions, codec and bit-rate rules,
// sample rates, the formats the download side offers, and codec names.
class TARNCORE_EXPORT MediaInfoDict
{
public:
    MediaInfoDict();
    explicit MediaInfoDict(const QString &file);

    // Reads the file into an emptied dictionary, section by section, and
    // stops at the first section that is missing; the sections read before
    // stay. True when every section was read.
    bool load(const QString &file);
    // True while the convert format support is not valid (nothing usable
    // loaded yet).
    bool isNull() const;

    const FormatSupport &getConvertFormatSupport() const { return convertFormatSupport; }
    const ResolutionSupport &getConvertResolutionSupport() const { return convertResolutionSupport; }
    const QList<CodecRule> &getConvertVideoCodecSupportRules() const { return videoCodecRules; }
    const QList<CodecRule> &getConvertAudioCodecSupportRules() const { return audioCodecRules; }
    const QList<BitRateRule> &getConvertVideoBitRateSupportRules() const { return videoBitRateRules; }
    const QList<BitRateRule> &getConvertAudioBitRateSupportRules() const { return audioBitRateRules; }
    const QList<SampleRate> &getConvertAudioSampleRateSupports() const { return sampleRates; }
    const FormatSupport &getWebMediaFormatSupport() const { return webMediaFormatSupport; }
    const ResolutionSupport &getWebMediaResolutionSupport() const { return webMediaResolutionSupport; }
    const QList<CodecDefinition> &getCodecDefinitions() const { return codecDefinitions; }

    // The first rule of the file that matches; an empty, invalid rule when
    // none does.
    CodecRule getConvertVideoCodecSupportRule(const QString &format) const;
    CodecRule getConvertAudioCodecSupportRule(const QString &format, const QString &codec) const;
    BitRateRule getConvertVideoBitRateSupportRule(const QString &codec, const QSize &resolution) const;
    BitRateRule getConvertAudioBitRateSupportRule(const QString &format, const QSize &resolution) const;

    // Display name -> ffmpeg encoder name, and back; the input itself when
    // no definition carries it.
    QString getFFmpegCodecValue(const QString &name) const;
    QString getFFmpegCodecName(const QString &value) const;

    // "1280x720" or "1280X720" -> 1280 x 720; anything else -> -1 x -1.
    static QSize parseResolution(const QString &text);
    // "1280x720"
    static QString resolutionText(const QSize &size);
    // A decimal number with an optional K, M, G or T suffix (any case) in
    // bits per second; -1 when the text is not such a number or does not fit.
    static int parseBitRate(const QString &text);

private:
    bool loadFormatSupport(const Json::Value &node, FormatSupport &target);
    bool loadResolutionSupport(const Json::Value &node, ResolutionSupport &target);
    bool loadCodecRules(const Json::Value &node, const CodecRule &prototype, QList<CodecRule> &target);
    bool loadBitRateRules(const Json::Value &node, const BitRateRule &prototype, QList<BitRateRule> &target);
    bool loadSampleRates(const Json::Value &node);
    bool loadCodecDefinitions(const Json::Value &node);

    FormatSupport convertFormatSupport;
    ResolutionSupport convertResolutionSupport;
    QList<CodecRule> videoCodecRules;
    QList<CodecRule> audioCodecRules;
    QList<BitRateRule> videoBitRateRules;
    QList<BitRateRule> audioBitRateRules;
    QList<SampleRate> sampleRates;
    FormatSupport webMediaFormatSupport;
    ResolutionSupport webMediaResolutionSupport;
    QList<CodecDefinition> codecDefinitions;
};

} // namespace Tarn
