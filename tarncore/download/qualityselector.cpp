#include "tarncore/download/qualityselector.h"

#include <algorithm>
#include <limits>

namespace Tarn {

using Kel::MediaProfile;
using Kel::MediaProfileList;
using Kel::WebMediaInfo;

const QString QualitySelector::M4aFormat = QStringLiteral("M4A");
const QString QualitySelector::WebmAudioFormat = QStringLiteral("WEBM AUDIO");

namespace {

bool sameFormat(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool isUsableSize(const QSize &size)
{
    return size.width() > 0 && size.height() > 0;
}

// Bits per second of a separated audio stream; -1 when unknown.
qint64 audioBitRate(const MediaProfile &profile)
{
    if (profile.aBitRate > 0)
        return profile.aBitRate;
    const qint64 fromLabel = QualitySelector::labelBitRate(profile.qualityLabel);
    return fromLabel > 0 ? fromLabel * 1000 / 1024 : -1;
}

} // namespace

QualitySelector::QualitySelector(const QualityPreferences &preferences)
    : prefs(preferences)
{
}

MediaProfileList QualitySelector::sortedBestFirst(const MediaProfileList &profiles)
{
    MediaProfileList sorted = profiles;
    std::stable_sort(sorted.begin(), sorted.end(), [](const MediaProfile &a, const MediaProfile &b) {
        if (b < a)
            return true;
        if (a < b)
            return false;
        return !a.dash && b.dash;
    });
    return sorted;
}

qint64 QualitySelector::labelBitRate(const QString &label)
{
    QString text = label.trimmed().toUpper();
    text.remove(QLatin1Char('B'));
    double factor = 1.0;
    if (!text.isEmpty()) {
        const QChar last = text.back();
        const int power = QStringLiteral("KMGT").indexOf(last);
        if (power >= 0) {
            for (int i = 0; i <= power; ++i)
                factor *= 1024.0;
            text.chop(1);
        }
    }
    bool ok = false;
    const double number = text.toDouble(&ok);
    if (!ok || number < 0)
        return -1;
    const double value = number * factor;
    if (value >= double(std::numeric_limits<qint64>::max()))
        return -1;
    return qint64(value);
}

bool QualitySelector::isAudioFormat(const QString &format)
{
    return sameFormat(format, M4aFormat) || sameFormat(format, WebmAudioFormat);
}

bool QualitySelector::isSeparatedAudio(const MediaProfile &profile)
{
    return profile.dash && profile.type == Kel::Audio;
}

int QualitySelector::heightOf(const MediaProfile &profile)
{
    if (profile.resolution.height() > 0)
        return profile.resolution.height();
    if (profile.qualityLabel.compare(QLatin1String(">1080p"), Qt::CaseInsensitive) == 0)
        return 1081;
    return -1;
}

int QualitySelector::formatRank(const QString &format) const
{
    for (int i = 0; i < prefs.formatOrder.size(); ++i) {
        if (sameFormat(prefs.formatOrder.at(i), format))
            return i;
    }
    return -1;
}

MediaProfile QualitySelector::earliestFormat(const MediaProfileList &candidates, bool anyFormat) const
{
    const int unlisted = std::numeric_limits<int>::max();
    int bestRank = unlisted;
    MediaProfile result;
    bool found = false;
    for (const MediaProfile &p : candidates) {
        const int rank = formatRank(p.format);
        if (rank < 0 && !anyFormat)
            continue;
        const int effective = rank < 0 ? unlisted : rank;
        if (!found || effective < bestRank) {
            result = p;
            bestRank = effective;
            found = true;
        }
    }
    return result;
}

MediaProfile QualitySelector::getBestResolutionProfile(const WebMediaInfo &info, const QString &format) const
{
    if (info.profiles.isEmpty())
        return MediaProfile();
    const MediaProfileList sorted = sortedBestFirst(info.profiles);
    const MediaProfile &best = sorted.first();
    if (format.isEmpty())
        return best;
    const int height = heightOf(best);
    for (const MediaProfile &p : sorted) {
        if (heightOf(p) != height)
            break;
        if (sameFormat(p.format, format))
            return p;
    }
    return best;
}

MediaProfile QualitySelector::getMatchedMediaProfile(const WebMediaInfo &info, const QSize &size,
                                                     const QString &format) const
{
    const QString wantedFormat = format.isEmpty() ? prefs.format : format;
    const int height = (isUsableSize(size) ? size : prefs.resolution).height();
    MediaProfileList sameHeight;
    for (const MediaProfile &p : sortedBestFirst(info.profiles)) {
        if (p.type == Kel::Audio || heightOf(p) != height)
            continue;
        if (sameFormat(p.format, wantedFormat))
            return p;
        sameHeight.append(p);
    }
    return earliestFormat(sameHeight, false);
}

MediaProfile QualitySelector::getHighestBitRateAudioMediaProfile(const WebMediaInfo &info,
                                                                 const QString &format) const
{
    MediaProfile result;
    qint64 best = -1;
    bool found = false;
    for (const MediaProfile &p : info.profiles) {
        if (!isSeparatedAudio(p) || (!format.isEmpty() && !sameFormat(p.format, format)))
            continue;
        const qint64 rate = labelBitRate(p.qualityLabel);
        if (!found || rate > best) {
            result = p;
            best = rate;
            found = true;
        }
    }
    return result;
}

MediaProfile QualitySelector::getHighestBitRateAudioMediaProfile(const WebMediaInfo &info) const
{
    return getHighestBitRateAudioMediaProfile(info, QString());
}

MediaProfile QualitySelector::getNearestBitRateAudioMediaProfile(const WebMediaInfo &info, const QString &format,
                                                                 qint64 bitRate) const
{
    MediaProfile result;
    bool found = false;
    qint64 resultRate = -1;
    for (const MediaProfile &p : info.profiles) {
        if (!isSeparatedAudio(p) || (!format.isEmpty() && !sameFormat(p.format, format)))
            continue;
        const qint64 rate = audioBitRate(p);
        if (bitRate > 0 && rate == bitRate)
            return p;
        bool better = false;
        if (!found) {
            better = true;
        } else if (rate < 0) {
            better = false;
        } else if (resultRate < 0) {
            better = true;
        } else if (bitRate <= 0) {
            better = rate > resultRate;
        } else {
            const qint64 distance = qAbs(rate - bitRate);
            const qint64 resultDistance = qAbs(resultRate - bitRate);
            better = distance < resultDistance || (distance == resultDistance && rate > resultRate);
        }
        if (better) {
            result = p;
            resultRate = rate;
            found = true;
        }
    }
    return result;
}

MediaProfile QualitySelector::getNearestMediaProfile(const WebMediaInfo &info, const QSize &size) const
{
    const int wanted = (isUsableSize(size) ? size : prefs.resolution).height();
    MediaProfileList videos;
    MediaProfileList unsized;
    for (const MediaProfile &p : sortedBestFirst(info.profiles)) {
        if (p.type == Kel::Audio)
            continue;
        if (heightOf(p) > 0)
            videos.append(p);
        else
            unsized.append(p);
    }
    if (videos.isEmpty()) {
        // A page that tells no sizes still has its video to offer.
        if (!unsized.isEmpty())
            return earliestFormat(unsized, true);
        return getHighestBitRateAudioMediaProfile(info);
    }

    int chosenHeight = -1;
    for (const MediaProfile &p : qAsConst(videos)) {
        const int h = heightOf(p);
        if (h <= wanted && h > chosenHeight)
            chosenHeight = h;
    }
    if (chosenHeight < 0) {
        chosenHeight = std::numeric_limits<int>::max();
        for (const MediaProfile &p : qAsConst(videos))
            chosenHeight = qMin(chosenHeight, heightOf(p));
    }
    MediaProfileList candidates;
    for (const MediaProfile &p : qAsConst(videos)) {
        if (heightOf(p) == chosenHeight)
            candidates.append(p);
    }
    return earliestFormat(candidates, true);
}

MediaProfile QualitySelector::withAudioPartner(const WebMediaInfo &info, const MediaProfile &video,
                                               qint64 wantedBitRate) const
{
    QString partnerFormat;
    if (sameFormat(video.format, QStringLiteral("MP4")))
        partnerFormat = M4aFormat;
    else if (sameFormat(video.format, QStringLiteral("WEBM")))
        partnerFormat = QStringLiteral("WEBM");
    MediaProfile partner = getNearestBitRateAudioMediaProfile(info, partnerFormat, wantedBitRate);
    if (!partner.isValid())
        partner = getNearestBitRateAudioMediaProfile(info, QString(), wantedBitRate);
    if (!partner.isValid())
        return video;

    MediaProfile result = video;
    result.audioFormat = partner.name;
    // The size of the video alone, as the page lists it: a quality chosen
    // before (a restart) already carries its partner's share.
    qint64 videoSize = video.size;
    for (const MediaProfile &p : info.profiles) {
        if (p.name == video.name && p.url == video.url) {
            videoSize = p.size;
            break;
        }
    }
    // Only a known total is worth showing; an unknown one is learnt from
    // the download's progress.
    result.size = videoSize > 0 && partner.size > 0 ? videoSize + partner.size : (videoSize > 0 ? videoSize : 0);
    return result;
}

MediaProfile QualitySelector::getDownloadMediaProfile(const WebMediaInfo &info, const MediaProfile &requested,
                                                      bool audioOnly) const
{
    if (audioOnly) {
        const MediaProfile audio = getNearestBitRateAudioMediaProfile(info, QString(), requested.aBitRate);
        if (audio.isValid())
            return audio;
    }

    MediaProfile wanted = requested;
    const QString format = wanted.format.isEmpty() ? prefs.format : wanted.format;
    QSize size = wanted.resolution;
    if (!isUsableSize(size)) {
        if (prefs.mode == PreferredQualityResolution) {
            size = prefs.resolution;
        } else if (!isAudioFormat(format)) {
            wanted = getBestResolutionProfile(info, format);
            size = wanted.resolution;
        }
    }

    MediaProfile result;
    if (wanted.name.isEmpty()) {
        if (sameFormat(format, WebmAudioFormat))
            result = getHighestBitRateAudioMediaProfile(info, QStringLiteral("WEBM"));
        else if (sameFormat(format, M4aFormat))
            result = getHighestBitRateAudioMediaProfile(info, M4aFormat);
        else
            result = getMatchedMediaProfile(info, size, format);
    } else {
        result = wanted;
    }
    if (!result.isValid())
        result = getNearestMediaProfile(info, size);
    if (result.dash && result.type != Kel::Audio)
        result = withAudioPartner(info, result, requested.aBitRate);
    return result;
}

} // namespace Tarn
