#include "transcoder/framegeometry.h"

#include "shared/filemediainfo.h"
#include "shared/mediaprofile.h"

#include <QtGlobal>

namespace Kel {

namespace {

qint64 evenUp(qint64 value)
{
    return value % 2 == 0 ? value : value + 1;
}

qint64 evenDown(qint64 value)
{
    return value - value % 2;
}

bool isKnown(const QSize &size)
{
    return size.width() > 0 && size.height() > 0;
}

} // namespace

QSize FrameGeometry::targetSize(const MediaProfile &profile, const FileMediaInfo &source)
{
    if (profile.autoResolution || profile.sameAsSource || !isKnown(profile.resolution))
        return source.resolution;
    return profile.resolution;
}

FrameGeometry FrameGeometry::compute(const QSize &target, const QSize &source, const QSize &sourceAspect)
{
    FrameGeometry geometry;
    if (!isKnown(target))
        return geometry;

    const qint64 W = evenUp(target.width());
    const qint64 H = evenUp(target.height());
    geometry.frame = QSize(int(W), int(H));
    geometry.scaled = geometry.frame;

    if (!isKnown(source))
        return geometry;

    // The source's display size: its frame stretched to its display aspect.
    qint64 w = source.width();
    qint64 h = source.height();
    const qint64 ax = sourceAspect.width();
    const qint64 ay = sourceAspect.height();
    if (ax > 0 && ay > 0) {
        const double r = double(ax) / ay;
        const double frameRatio = double(w) / h;
        // Integer forms of r * h and w / r, truncated as the display size is.
        if (r >= 0.01 && qAbs(frameRatio - r) > 0.001) {
            if (r > frameRatio)
                w = evenDown(ax * h / ay);
            else
                h = evenDown(w * ay / ax);
        }
        if (w <= 0 || h <= 0)
            return geometry;
    }

    const double R = double(W) / H;
    const double S = double(w) / h;
    if (qAbs(R - S) < 0.01)
        return geometry;

    // Exact integer forms of H * (R - S) / 2 and W * (1/R - 1/S) / 2.
    if (R > S) {
        const qint64 pad = qMin(evenUp((W * h - H * w) / (2 * h)), evenDown((W - 2) / 2));
        geometry.scaled = QSize(int(W - 2 * pad), int(H));
        geometry.offset = QPoint(int(pad), 0);
    } else {
        const qint64 pad = qMin(evenUp((H * w - W * h) / (2 * w)), evenDown((H - 2) / 2));
        geometry.scaled = QSize(int(W), int(H - 2 * pad));
        geometry.offset = QPoint(0, int(pad));
    }
    geometry.padded = geometry.scaled != geometry.frame;
    return geometry;
}

double FrameGeometry::ratio() const
{
    return frame.height() > 0 ? double(frame.width()) / frame.height() : 0.0;
}

QString FrameGeometry::filterText() const
{
    const QString offsetText =
        padded ? QStringLiteral("%1:%2").arg(offset.x()).arg(offset.y()) : QString();
    return QStringLiteral("scale=%1:%2,pad=%3:%4:%5")
        .arg(scaled.width())
        .arg(scaled.height())
        .arg(frame.width())
        .arg(frame.height())
        .arg(offsetText);
}

QString FrameGeometry::aspectText() const
{
    return QString::number(ratio(), 'f', 4);
}

QStringList FrameGeometry::arguments() const
{
    if (!isValid())
        return {};
    return {QStringLiteral("-vf"), filterText(), QStringLiteral("-aspect"), aspectText()};
}

} // namespace Kel

