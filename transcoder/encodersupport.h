#pragma once

#include <QString>

namespace Kel {

// What the FFmpeg libraries know about an encoder, to keep a profile's values
// within what ffmpeg will accept.
class EncoderSupport
{
public:
    // rate itself when the encoder accepts it, lists no rates or is unknown
    // or rate is unknown (<= 0); else the closest rate the encoder lists.
    static qint32 sampleRate(const QString &encoder, qint32 rate);
};

} // namespace Kel
