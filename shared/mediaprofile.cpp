#include "shared/mediaprofile.h"

namespace Kel {

namespace {

bool isStandardHeight(int height)
{
    switch (height) {
    case 1080: case 720: case 540: case 480: case 360: case 240: case 144:
        return true;
    default:
        return false;
    }
}

} // namespace

QString MediaProfile::toString() const
{
    return QStringLiteral("Name = %1, description = %2, type = %3, format = %4, resolution = %5x%6, "
                          "aspect = %7x%8, vCodec = %9, vBitRate = %10, frameRate = %11, aCodec = %12, "
                          "aBitRate = %13, aSampleRate = %14")
        .arg(name, description, QString::number(static_cast<qint32>(type)), format,
             QString::number(resolution.width()), QString::number(resolution.height()),
             QString::number(aspect.width()), QString::number(aspect.height()), vCodec,
             QString::number(vBitRate), QStringLiteral("%1").arg(frameRate, 0, 'g', -1), aCodec,
             QString::number(aBitRate), QString::number(aSampleRate));
}

QString MediaProfile::resolutionString() const
{
    QString label = qualityLabel.toUpper();
    if (label.isEmpty()) {
        const int w = resolution.width();
        const int h = resolution.height();
        if (isStandardHeight(h) && w / 16 == h / 9)
            label = QStringLiteral("%1P").arg(h);
        else
            label = QStringLiteral("%1x%2").arg(w).arg(h);
    }
    if (is3D)
        label += QStringLiteral(" (3D)");
    return label;
}

qint64 MediaProfile::pixelCount() const
{
    if (resolution.width() == -1 && qualityLabel.compare(QLatin1String(">1080p"), Qt::CaseInsensitive) == 0)
        return AboveFullHdPixels;
    return qint64(resolution.width()) * qint64(resolution.height());
}

bool MediaProfile::operator<(const MediaProfile &other) const
{
    const qint64 mine = pixelCount();
    const qint64 theirs = other.pixelCount();
    if (mine != theirs)
        return mine < theirs;
    if (format != other.format)
        return format < other.format;
    return is3D && !other.is3D;
}

bool MediaProfile::operator==(const MediaProfile &other) const
{
    return name == other.name
        && type == other.type
        && format == other.format
        && resolution == other.resolution
        && aspect == other.aspect
        && vCodec == other.vCodec
        && vBitRate == other.vBitRate
        && frameRate == other.frameRate
        && aCodec == other.aCodec
        && aSampleRate == other.aSampleRate
        && autoBitRate == other.autoBitRate
        && autoResolution == other.autoResolution
        && sameAsSource == other.sameAsSource;
}

} // namespace Kel
