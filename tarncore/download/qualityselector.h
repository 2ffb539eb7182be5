#pragma once

#include "tarncore/settings/settingsmanager.h"
#include "tarncore/tarncoreglobal.h"
#include "shared/mediaprofile.h"
#include "shared/webmediainfo.h"

#include <QSize>
#include <QString>
#include <QStringList>

namespace Tarn {

// The user's wishes that the quality choice works with, as the settings
// hold them.
struct QualityPreferences
{
    PreferredQuality mode = PreferredQualityBest;
    QSize resolution = QSize(1280, 720);
    QString format = QStringLiteral("MP4");
    // The formats the download side offers, the preferred ones first.
    QStringList formatOrder;
};

// Chooses the quality of a page to download.
//
// Choices of this implementation:
// - Every walk over the qualities goes over a copy sorted from best to
//   worst (the reverse of the profiles' own ordering); qualities equal in
//   that ordering keep a progressive stream before a separated one, which
//   needs no merge.
// - A quality's height is its resolution's; a ">1080p" quality without a
//   resolution counts as 1081 lines high.
// - The bit rate of a separated audio stream is its aBitRate; without one,
//   its label read as a size text, the label's "K" standing for 1000 bits
//   per second as the tool writes it.
// - getNearestBitRateAudioMediaProfile with no wanted bit rate (0 or less)
//   takes the highest bit rate. Otherwise an exact match is taken at once;
//   else the smallest distance wins, a tie going to the higher bit rate and
//   then to the earlier stream; streams of unknown bit rate come last.
// - getNearestMediaProfile looks at video qualities of a known height. When
//   every one is taller than wanted, it takes the lowest of them. Without
//   any, a video of unknown size is taken; a page without video gives its
//   best audio stream.
// - With an audio format preferred ("M4A", "WEBM AUDIO") and the best
//   quality wanted, the best audio stream of that format is chosen, not the
//   best video.
class TARNCORE_EXPORT QualitySelector
{
public:
    static const QString M4aFormat;
    static const QString WebmAudioFormat;

    explicit QualitySelector(const QualityPreferences &preferences);

    const QualityPreferences &preferences() const { return prefs; }

    Kel::MediaProfile getDownloadMediaProfile(const Kel::WebMediaInfo &info, const Kel::MediaProfile &requested,
                                              bool audioOnly) const;
    Kel::MediaProfile getBestResolutionProfile(const Kel::WebMediaInfo &info, const QString &format) const;
    Kel::MediaProfile getMatchedMediaProfile(const Kel::WebMediaInfo &info, const QSize &size,
                                             const QString &format) const;
    Kel::MediaProfile getHighestBitRateAudioMediaProfile(const Kel::WebMediaInfo &info,
                                                         const QString &format) const;
    Kel::MediaProfile getHighestBitRateAudioMediaProfile(const Kel::WebMediaInfo &info) const;
    Kel::MediaProfile getNearestBitRateAudioMediaProfile(const Kel::WebMediaInfo &info, const QString &format,
                                                         qint64 bitRate) const;
    Kel::MediaProfile getNearestMediaProfile(const Kel::WebMediaInfo &info, const QSize &size) const;

    // A copy sorted from best to worst.
    static Kel::MediaProfileList sortedBestFirst(const Kel::MediaProfileList &profiles);
    // "160K" -> 163840: every "B" removed, a final K, M, G or T multiplies
    // by a power of 1024; -1 when the text is no number.
    static qint64 labelBitRate(const QString &label);
    static bool isAudioFormat(const QString &format);
    // A separated audio-only stream.
    static bool isSeparatedAudio(const Kel::MediaProfile &profile);
    static int heightOf(const Kel::MediaProfile &profile);

private:
    int formatRank(const QString &format) const;
    // Of candidates (best first), the first of the earliest format in the
    // preference list, or of any format when anyFormat is set.
    Kel::MediaProfile earliestFormat(const Kel::MediaProfileList &candidates, bool anyFormat) const;
    Kel::MediaProfile withAudioPartner(const Kel::WebMediaInfo &info, const Kel::MediaProfile &video,
                                       qint64 wantedBitRate) const;

    QualityPreferences prefs;
};

} // namespace Tarn
