#pragma once

#include "shared/subtitlesetting.h"
#include "webfetch/puxcommand.h"

namespace Kel {

// The ffmpeg run that puts the pieces of one download together: the video,
// its separate audio, and subtitles as tagged streams or burned into the
// picture.
class PuxMergeCommand
{
public:
    struct Input
    {
        QString videoFile;
        QString audioFile;
        QStringList subtitleFiles;
        SubtitleSetting subtitles;
        QString vCodec;
    };

    PuxMergeCommand(const QString &ffmpeg, const Input &input);

    PuxCommand command() const { return m_command; }
    // The temporary file that ffmpeg writes.
    QString outputFile() const { return m_outputFile; }
    QStringList subtitleFiles() const { return m_subtitleFiles; }

    // The file of the first preferred language goes first: it becomes the
    // default subtitle stream, or the one burned in.
    static QStringList orderSubtitles(const QStringList &files, const SubtitleSetting &subtitles);
    // "x.en.vtt" -> "eng"; the two letters themselves when the table has no
    // three-letter code for them.
    static QString subtitleLanguage(const QString &file);
    // "<video>.tmp.<suffix>", or with a counter before ".tmp." while taken.
    static QString mergeOutputName(const QString &videoFile);

private:
    PuxCommand m_command;
    QString m_outputFile;
    QStringList m_subtitleFiles;
};

} // namespace Kel
