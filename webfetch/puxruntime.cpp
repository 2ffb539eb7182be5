#include "webfetch/puxruntime.h"

#include "shared/keltext.h"
#include "shared/privatefolder.h"
#include "shared/toollocator.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QUuid>

namespace Kel {

const QString PuxRuntime::TempMarker = QStringLiteral("PUXTMP_");
const QString PuxRuntime::DebugSwitchName = QStringLiteral("pux_debug.tmp");

QString PuxRuntime::applicationDir()
{
    return ToolLocator::applicationDir();
}

QString PuxRuntime::interpreterPath()
{
    const QString found = ToolLocator::pythonPath(applicationDir());
    return found.isEmpty() ? QStringLiteral("python3") : found;
}

QString PuxRuntime::ffmpegPath()
{
    const QString found = ToolLocator::ffmpegPath(applicationDir());
    return found.isEmpty() ? QStringLiteral("ffmpeg") : found;
}

QString PuxRuntime::workingDirectory()
{
    return PrivateFolder::path(QStringLiteral("tool"));
}

QString PuxRuntime::interpreterFailureText(const QString &errorString)
{
    if (ToolLocator::pythonPath(applicationDir()).isEmpty())
        return tr("Python 3 is needed to run the extractor tool and was found neither in %1 nor on the "
                  "search path.")
            .arg(applicationDir());
    return tr("Python 3 could not be started: %1").arg(errorString);
}

QString PuxRuntime::ffmpegFailureText(const QString &errorString)
{
    if (ToolLocator::ffmpegPath(applicationDir()).isEmpty())
        return tr("ffmpeg is needed to put the streams together and was found neither in %1 nor on the "
                  "search path.")
            .arg(applicationDir());
    return tr("ffmpeg could not be started: %1").arg(errorString);
}

bool PuxRuntime::isZippedTool(const QString &text)
{
    return text.contains(QLatin1String("yt.zip"), Qt::CaseSensitive);
}

QString PuxRuntime::pageAddress(const QString &url)
{
    // Only the video identifier matters on a watch address; list and time
    // parameters after it would make the tool fetch a whole playlist.
    const qsizetype watch = url.indexOf(QLatin1String("?v="));
    if (watch > 0) {
        const qsizetype amp = url.indexOf(QLatin1Char('&'), watch);
        if (amp >= 0)
            return url.left(amp);
    }
    return url;
}

QString PuxRuntime::debugSwitchPath()
{
    return applicationDir() + QLatin1Char('/') + DebugSwitchName;
}

bool PuxRuntime::isDebugSwitchOn()
{
    return QFileInfo::exists(debugSwitchPath());
}

QString PuxRuntime::tempBaseName(const QString &url)
{
    return tempBaseName(url, isDebugSwitchOn());
}

QString PuxRuntime::tempBaseName(const QString &url, bool debugSwitchOn)
{
    if (debugSwitchOn) {
        const qsizetype watch = url.lastIndexOf(QLatin1String("?v="));
        if (watch >= 0) {
            QString id = url.mid(watch + 3);
            const qsizetype end = id.indexOf(QRegularExpression(QStringLiteral("[&#]")));
            if (end >= 0)
                id.truncate(end);
            // The identifier becomes part of a file name and of the tool's
            // output template.
            if (Text::isValidFileName(id) && !id.contains(QLatin1Char('%')) && !id.startsWith(QLatin1Char('.')))
                return id;
        }
    }
    return QUuid::createUuid().toString(QUuid::WithBraces);
}

QString PuxRuntime::escapeOutputTemplate(const QString &text)
{
    QString result = text;
    result.replace(QLatin1Char('%'), QLatin1String("%%"));
    return result;
}

bool PuxRuntime::isSubtitleFile(const QString &path)
{
    static const char *const suffixes[] = {".vtt", ".ttml", ".srv3", ".srv2", ".srv1", ".json3"};
    for (const char *suffix : suffixes) {
        if (path.endsWith(QLatin1String(suffix), Qt::CaseSensitive))
            return true;
    }
    return false;
}

QString PuxRuntime::matchLanguage(const QString &wanted, const QStringList &offered)
{
    if (wanted.isEmpty())
        return QString();
    const QString regional = QStringLiteral("%1-").arg(wanted);
    for (const QString &language : offered) {
        if (language == wanted || language.startsWith(regional))
            return language;
    }
    return QString();
}

QString PuxRuntime::filterQuotedPath(const QString &path)
{
    // Two parsers read the value: the option parser of the filter (escape
    // backslash, quote and colon) and the filter-graph parser (single quotes
    // keep everything literal; a quote itself is closed, escaped, reopened).
    QString option;
    option.reserve(path.size() + 8);
    for (const QChar c : path) {
        if (c == QLatin1Char('\\') || c == QLatin1Char('\'') || c == QLatin1Char(':'))
            option += QLatin1Char('\\');
        option += c;
    }
    option.replace(QLatin1String("'"), QLatin1String("'\\''"));
    return QStringLiteral("'%1'").arg(option);
}

} // namespace Kel
