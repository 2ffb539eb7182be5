#pragma once

#include "shared/filemediainfo.h"
#include "transcoder/subtitlestream.h"
#include "transcoder/transcoderglobal.h"

#include <QList>
#include <QString>

struct AVFormatContext;

namespace Kel {

// Reads a media file's container and streams with the FFmpeg libraries.
class TRANSCODER_EXPORT MediaProbe
{
public:
    MediaProbe() = default;
    ~MediaProbe();
    MediaProbe(const MediaProbe &) = delete;
    MediaProbe &operator=(const MediaProbe &) = delete;

    // Opens file and reads its stream information; false (and logged) when
    // either fails.
    bool open(const QString &file);
    void close();

    // The file's description: container, video and audio stream properties,
    // duration and the subtitle flag. Decoders are opened to make sure the
    // streams can be read; a stream kind whose decoder fails counts as absent.
    FileMediaInfo describe() const;
    QList<SubtitleStream> subtitleStreams() const;
    // The container's duration in seconds; 0 when unknown.
    double duration() const;
    // The duration file's container declares, in seconds, read from its
    // header alone (no stream is decoded); 0 when unknown or unreadable.
    static double declaredDuration(const QString &file);

private:
    AVFormatContext *context = nullptr;
    QString fileName;
};

} // namespace Kel
