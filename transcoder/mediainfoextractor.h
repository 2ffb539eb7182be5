#pragma once

#include "shared/filemediainfo.h"
#include "transcoder/transcoderglobal.h"

#include <QObject>
#include <QString>

namespace Kel {

// Describes local media files and makes thumbnails of them. Both operations
// block the calling thread.
class TRANSCODER_EXPORT MediaInfoExtractor : public QObject
{
    Q_OBJECT

public:
    explicit MediaInfoExtractor(QObject *parent = nullptr);
    ~MediaInfoExtractor() override;

public slots:
    // Probes file; with thumbnail set also writes the thumbnail image to the
    // path given to setThumbnailFile(). ffmpegDir is searched first for ffmpeg.
    virtual Kel::FileMediaInfo getMediaInfo(QString file, bool thumbnail, QString ffmpegDir) = 0;
    virtual QString setThumbnailFile(QString path) = 0;
};

} // namespace Kel
