#pragma once

#include <QPixmap>
#include <QString>

namespace Tarn {

// Thumbnail pictures for the item widgets: decoded at the size they are shown,
// cropped to fill it, corners rounded, and shared through the pixmap cache so
// that widgets showing the same file at the same size hold one pixmap.
namespace ThumbnailLoader {

// A null pixmap when the file cannot be read. size is in device-independent
// pixels; the pixmap carries the pixel ratio.
QPixmap load(const QString &path, const QSize &size, qreal pixelRatio, int cornerRadius);

// Changes whenever the file appears, disappears or is rewritten.
qint64 fileStamp(const QString &path);

} // namespace ThumbnailLoader
} // namespace Tarn
