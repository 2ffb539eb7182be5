#pragma once

#include <QPoint>
#include <QSize>
#include <QStringList>

namespace Kel {

class FileMediaInfo;
class MediaProfile;

// The frame of a converted video: the even target size, the size the picture
// is scaled to inside it and the pillar or letter boxes around it.
class FrameGeometry
{
public:
    // The frame size a profile asks for: the source's size for automatic or
    // same-as-source profiles and for a profile size with an unknown dimension.
    static QSize targetSize(const MediaProfile &profile, const FileMediaInfo &source);

    // target: the wanted frame; source: the source's frame size; sourceAspect:
    // the source's display aspect ratio (x:y, 0 when unknown).
    static FrameGeometry compute(const QSize &target, const QSize &source, const QSize &sourceAspect);

    // False when the target size is unknown: no frame-size arguments then.
    bool isValid() const { return frame.width() > 0 && frame.height() > 0; }

    QSize frameSize() const { return frame; }
    QSize scaledSize() const { return scaled; }
    QPoint padOffset() const { return offset; }
    bool isPadded() const { return padded; }
    // Target width / height.
    double ratio() const;

    // "scale=%1:%2,pad=%3:%4:%5"; the offset part is empty without boxes.
    QString filterText() const;
    // The ratio with four decimals.
    QString aspectText() const;
    // "-vf" <filter> "-aspect" <ratio>, or nothing when not valid.
    QStringList arguments() const;

private:
    QSize frame;
    QSize scaled;
    QPoint offset;
    bool padded = false;
};

} // namespace Kel
