#pragma once

#include "shared/webmediainfo.h"

#include <QString>
#include <QStringList>

namespace Kel {

// Reads what the extractor tool prints: the JSON document of "--dump-json"
// and the lines of a download run.
class PuxOutputParser
{
public:
    // One line of a download run.
    struct DownloadLine
    {
        enum Kind {
            Other,
            Destination,       // "[download] Destination: <file>"
            AlreadyDownloaded, // "[download] <file> has already been downloaded"
            Progress,          // "[download]  12.5% of 40.00MiB at 1.00MiB/s ETA 00:35"
        };
        Kind kind = Other;
        QString path;
        double percent = 0.0;
        qint64 total = 0;
        qint64 finish = 0;
        qint64 speed = 0;
    };

    // Fills info from the tool's JSON document. A document that does not
    // parse (or is not an object) is logged and leaves info as it was.
    static bool parseWebMediaInfo(const QString &output, WebMediaInfo &info);

    // Replaces numeric character references ("&#39;") and then "\uXXXX"
    // escapes by their characters. A character that JSON must keep escaped
    // (quote, backslash, control characters) stays a JSON escape, so the
    // document still parses and reads the same.
    static QString decodeCharacterCodes(const QString &text);

    // A resolution text that names a quality ("720p", ">1080p", "720p60"),
    // as opposed to a frame size ("1280x720") or "audio only".
    static bool isQualityName(const QString &text);

    static DownloadLine parseDownloadLine(const QString &line);

    // The tool's own words about a failure, from its error output: its
    // "ERROR:" lines without that word, else its last lines; one per line.
    static QString errorText(const QStringList &lines);
};

} // namespace Kel
