#include "webfetch/puxmergecommand.h"

#include "shared/kellog.h"
#include "webfetch/isolanguagetable.h"
#include "webfetch/puxruntime.h"

#include <QFileInfo>

namespace Kel {

namespace {

QString quoted(const QString &text)
{
    return QStringLiteral("\"%1\"").arg(text);
}

} // namespace

PuxMergeCommand::PuxMergeCommand(const QString &ffmpeg, const Input &input)
    : m_command(ffmpeg)
{
    // Each argument goes to the log followed by one blank; file names in
    // double quotes.
    auto arg = [this](const QString &argument) { m_command.add(argument + QLatin1Char(' '), {argument}); };
    auto fileArg = [this](const QString &file) { m_command.add(quoted(file) + QLatin1Char(' '), {file}); };

    const bool burnIn = input.subtitles.mode == BurnedInSubtitle;

    arg(QStringLiteral("-i"));
    fileArg(input.videoFile);
    int inputs = 1;
    if (!input.audioFile.isEmpty()) {
        arg(QStringLiteral("-i"));
        fileArg(input.audioFile);
        inputs = 2;
    }

    m_subtitleFiles = input.subtitleFiles;
    const bool hasSubtitles = !m_subtitleFiles.isEmpty();
    if (hasSubtitles) {
        m_subtitleFiles = orderSubtitles(m_subtitleFiles, input.subtitles);
        if (burnIn) {
            arg(QStringLiteral("-filter_complex"));
            const QString filter =
                QStringLiteral("subtitles=%1").arg(PuxRuntime::filterQuotedPath(m_subtitleFiles.first()));
            m_command.add(quoted(filter) + QLatin1Char(' '), {filter});
        } else {
            for (const QString &file : qAsConst(m_subtitleFiles)) {
                arg(QStringLiteral("-i"));
                fileArg(file);
            }
        }
    }

    const QString container = QFileInfo(input.videoFile).suffix().toLower();
    const bool mp4 = container == QLatin1String("mp4");
    const bool webm = container == QLatin1String("webm");
    const bool reencodeVideo =
        (mp4 && (input.vCodec.contains(QLatin1String("vp09")) || input.vCodec.contains(QLatin1String("vp9"))))
        || (burnIn && hasSubtitles);

    if (!mp4 && !webm) {
        KEL_TRACE_FAILURE();
    } else {
        if (!reencodeVideo) {
            arg(QStringLiteral("-c:v"));
            arg(QStringLiteral("copy"));
        }
        const QString audioSuffix = QFileInfo(input.audioFile).suffix();
        arg(QStringLiteral("-c:a"));
        if (mp4) {
            arg(audioSuffix.compare(QLatin1String("m4a"), Qt::CaseInsensitive) == 0 ? QStringLiteral("copy")
                                                                                   : QStringLiteral("aac"));
        } else {
            // ffmpeg's own Opus encoder is experimental and refused by
            // default; libopus is the one that works.
            arg(audioSuffix.compare(QLatin1String("webm"), Qt::CaseInsensitive) == 0 ? QStringLiteral("copy")
                                                                                    : QStringLiteral("libopus"));
        }
    }

    if (hasSubtitles) {
        if (!burnIn) {
            arg(QStringLiteral("-map"));
            arg(QStringLiteral("0"));
            if (inputs == 2) {
                arg(QStringLiteral("-map"));
                arg(QStringLiteral("1"));
            }
            for (int i = 0; i < m_subtitleFiles.size(); ++i) {
                arg(QStringLiteral("-map"));
                arg(QStringLiteral("%1:0").arg(inputs + i));
            }
            arg(QStringLiteral("-c:s"));
            arg(mp4 ? QStringLiteral("mov_text") : QStringLiteral("copy"));
            for (int i = 0; i < m_subtitleFiles.size(); ++i) {
                arg(QStringLiteral("-metadata:s:s:%1").arg(i));
                arg(QStringLiteral("language=%1").arg(subtitleLanguage(m_subtitleFiles.at(i))));
            }
            arg(QStringLiteral("-disposition:s:0"));
            arg(QStringLiteral("default"));
        } else if (webm) {
            arg(QStringLiteral("-crf"));
            arg(QStringLiteral("40"));
            arg(QStringLiteral("-deadline"));
            arg(QStringLiteral("best"));
        }
    }

    m_outputFile = mergeOutputName(input.videoFile);
    fileArg(m_outputFile);
}

QStringList PuxMergeCommand::orderSubtitles(const QStringList &files, const SubtitleSetting &subtitles)
{
    QStringList ordered = files;
    if (ordered.isEmpty() || subtitles.preferredLanguages.isEmpty())
        return ordered;
    const QString language =
        PuxRuntime::matchLanguage(subtitles.preferredLanguages.first(), subtitles.availableLanguages);
    if (language.isEmpty())
        return ordered;
    // Matched on the language part of the name: the temporary base name is
    // hexadecimal and may hold "de" or "fa" anywhere.
    const QString marker = QStringLiteral(".%1.").arg(language);
    for (int i = 0; i < ordered.size(); ++i) {
        if (QFileInfo(ordered.at(i)).fileName().contains(marker, Qt::CaseSensitive)) {
            ordered.move(i, 0);
            break;
        }
    }
    return ordered;
}

QString PuxMergeCommand::subtitleLanguage(const QString &file)
{
    const QStringList parts = QFileInfo(file).fileName().split(QLatin1Char('.'), Qt::SkipEmptyParts);
    if (parts.size() <= 2)
        return QString();
    const QString code = parts.at(parts.size() - 2).left(2);
    const QString threeLetters = IsoLanguageTable::threeLetterCode(code);
    return threeLetters.isEmpty() ? code : threeLetters;
}

QString PuxMergeCommand::mergeOutputName(const QString &videoFile)
{
    const QString suffix = QFileInfo(videoFile).suffix().toLower();
    QString name = QStringLiteral("%1.tmp.%2").arg(videoFile, suffix);
    for (int counter = 0; QFileInfo::exists(name); ++counter)
        name = QStringLiteral("%1%2.tmp.%3").arg(videoFile, QString::number(counter), suffix);
    return name;
}

} // namespace Kel
