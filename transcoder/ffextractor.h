#pragma once

#include "shared/childprocess.h"
#include "transcoder/mediainfoextractor.h"

namespace Kel {

// Describes local files with the FFmpeg libraries and makes their thumbnails
// with one ffmpeg run.
class ffExtractor final : public MediaInfoExtractor
{
    Q_OBJECT

public:
    explicit ffExtractor(QObject *parent = nullptr);
    ~ffExtractor() override;

    // Longest wait for the thumbnail run.
    static constexpr int ThumbnailTimeoutMs = 30000;

public slots:
    Kel::FileMediaInfo getMediaInfo(QString file, bool thumbnail, QString ffmpegDir) override;
    QString setThumbnailFile(QString path) override;

private slots:
    void ffProcessError(const QString &reason);
    void ffReadError(const QStringList &lines);

private:
    void probe(const QString &file);
    void writeThumbnail(const QString &file, const QString &ffmpegDir);
    bool runThumbnail(const QString &program, const QStringList &arguments);

    ChildProcess process;
    QString thumbnailFile;
    FileMediaInfo mediaInfo;
};

} // namespace Kel
