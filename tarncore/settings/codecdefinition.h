#pragma once

#include "tarncore/tarncoreglobal.h"

#include <QString>

namespace Tarn {

// A codec's display name and the encoder name ffmpeg knows it by.
class TARNCORE_EXPORT CodecDefinition
{
public:
    CodecDefinition() = default;
    CodecDefinition(const QString &displayName, const QString &ffmpegName);

    QString getName() const { return name; }
    void setName(const QString &value) { name = value; }
    QString getFFmpegValue() const { return ffmpegValue; }
    void setFFmpegValue(const QString &value) { ffmpegValue = value; }

    bool operator==(const CodecDefinition &other) const;
    bool operator!=(const CodecDefinition &other) const { return !(*this == other); }

private:
    QString name;
    QString ffmpegValue;
};

} // namespace Tarn
