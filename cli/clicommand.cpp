#include "cli/clicommand.h"

#include "kelframe/kelfolders.h"
#include "tarncore/download/downloadmanager.h"
#include "tarncore/download/videosite.h"
#include "tarncore/services/leftovercleaner.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace Tarn {

CliCommand::CliCommand(QObject *parent)
    : QObject(parent)
{
}

CliCommand::~CliCommand() = default;

QString CliCommand::helpText() const
{
    QCommandLineParser parser;
    parser.addOption(helpOption());
    addOptions(parser);
    // Qt's text after its own usage line: the options and arguments.
    QString details = parser.helpText();
    details = details.mid(details.indexOf(QLatin1Char('\n')) + 1);
    while (details.startsWith(QLatin1Char('\n')))
        details.remove(0, 1);
    return tr("Usage: marlin-cli %1 %2\n\n%3\n\n%4")
        .arg(name(), synopsis(), wrapped(description().trimmed(), 78), details);
}

QString CliCommand::wrapped(const QString &text, int width)
{
    QStringList lines;
    QString line;
    const QStringList words = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (const QString &word : words) {
        if (!line.isEmpty() && line.size() + 1 + word.size() > width) {
            lines += line;
            line.clear();
        }
        line += line.isEmpty() ? word : QLatin1Char(' ') + word;
    }
    if (!line.isEmpty())
        lines += line;
    return lines.join(QLatin1Char('\n'));
}

QCommandLineOption CliCommand::helpOption()
{
    return QCommandLineOption({QStringLiteral("h"), QStringLiteral("help")}, tr("Shows this help."));
}

void CliCommand::finish(int exitCode)
{
    if (done)
        return;
    done = true;
    code = exitCode;
    emit finished(exitCode);
}

bool CliCommand::normaliseAddresses(const QStringList &addresses, QStringList *pages, QString *error)
{
    pages->clear();
    for (const QString &address : addresses) {
        const QString page = DownloadManager::makeupDownloadableUrl(address.trimmed());
        if (address.trimmed().isEmpty() || !DownloadManager::isDownloadableUrl(page)) {
            *error = tr("not the address of a video page: %1").arg(address);
            return false;
        }
        pages->append(page);
    }
    return true;
}

bool CliCommand::allowHost(const QString &hostAndPort, QString *error)
{
    const QString text = hostAndPort.trimmed();
    const QUrl url(QStringLiteral("http://") + text, QUrl::StrictMode);
    if (text.isEmpty() || !url.isValid() || url.host().isEmpty() || url.port() == 0 || !url.path().isEmpty()
        || text.contains(QLatin1Char('@'))) {
        *error = tr("--allow-host wants HOST or HOST:PORT, not \"%1\"").arg(hostAndPort);
        return false;
    }
    VideoSite::setExtraWatchHost(text);
    return true;
}

bool CliCommand::prepareFolder(const QString &folder, QString *absolute, QString *error)
{
    const QString path = QDir::cleanPath(QDir::current().absoluteFilePath(folder));
    const QFileInfo info(path);
    if (info.exists() && !info.isDir()) {
        *error = tr("not a folder: %1").arg(path);
        return false;
    }
    if (!info.exists() && !QDir().mkpath(path)) {
        *error = tr("cannot create the folder %1").arg(path);
        return false;
    }
    if (!Kel::isFolderWritable(path)) {
        *error = tr("cannot write to the folder %1").arg(path);
        return false;
    }
    // The core's start cleaned the folders of the settings; this one too
    // may hold what a run killed outright left.
    LeftoverCleaner::removeLeftovers({path});
    *absolute = path;
    return true;
}

} // namespace Tarn
