#pragma once

#include <QCoreApplication>
#include <QStringList>

namespace Kel {

// What every run of the extractor tool and of ffmpeg shares: where the
// programs are, how the page address is handed over, how temporary files are
// named, and the debug switch.
class PuxRuntime
{
    Q_DECLARE_TR_FUNCTIONS(Kel::PuxRuntime)

public:
    // Marks the files of one download: "<base>PUXTMP_.<ext>".
    static const QString TempMarker;
    static const QString DebugSwitchName;

    static QString applicationDir();
    // The interpreter of the application directory, else python3 from PATH.
    // Never empty: a missing interpreter must still fail visibly at start.
    static QString interpreterPath();
    static QString ffmpegPath();

    // The folder every run of the tool starts in: the user's own (0700), the
    // same whatever folder the program was started from, so that nothing
    // there can reach the tool.
    static QString workingDirectory();

    // Why the interpreter or ffmpeg did not start, for the user.
    static QString interpreterFailureText(const QString &errorString);
    static QString ffmpegFailureText(const QString &errorString);

    // The tool runs in zipped mode when its path (or the command built so
    // far) names "yt.zip".
    static bool isZippedTool(const QString &text);

    // The page address as it is handed to the tool: a watch address loses
    // everything from the first "&" after "?v=" on.
    static QString pageAddress(const QString &url);

    static QString debugSwitchPath();
    static bool isDebugSwitchOn();

    // The video identifier when debugging (and it makes a usable file name),
    // else a braced UUID.
    static QString tempBaseName(const QString &url);
    static QString tempBaseName(const QString &url, bool debugSwitchOn);

    // Escapes text for a literal part of an output template of the tool.
    static QString escapeOutputTemplate(const QString &text);

    static bool isSubtitleFile(const QString &path);

    // The first offered language that is the wanted one or a regional form
    // of it ("en" matches "en-US"); an empty text when none is.
    static QString matchLanguage(const QString &wanted, const QStringList &offered);

    // A file path as a quoted value of an ffmpeg filter option (the
    // "subtitles" filter), safe against quotes, colons and backslashes.
    static QString filterQuotedPath(const QString &path);
};

} // namespace Kel
