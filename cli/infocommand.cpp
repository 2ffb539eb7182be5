#include "cli/infocommand.h"

#include "cli/console.h"
#include "cli/failurereason.h"
#include "cli/mediainforeport.h"
#include "tarncore/download/appcontext.h"
#include "tarncore/download/downloaditem.h"
#include "tarncore/download/downloadmanager.h"

#include <QTimer>

namespace Tarn {

namespace {

// The longest wait for the sizes of a page's qualities; sizes not known by
// then are shown as unknown.
constexpr int sizeWaitMs = 15000;

DownloadManager *manager()
{
    return AppContext::instance()->getDownloadManager();
}

} // namespace

InfoCommand::InfoCommand(QObject *parent)
    : CliCommand(parent)
    , jsonOption(QStringLiteral("json"), tr("Prints one JSON document per page, each on one line."))
    , noSizesOption(QStringLiteral("no-sizes"), tr("Does not ask the servers for the sizes of the qualities."))
    , allowHostOption(QStringLiteral("allow-host"),
                      tr("Also accepts watch pages \"http://HOST:PORT/watch?v=ID\" of this host, such as a "
                         "local copy of the site (the variable MARLIN_EXTRA_WATCH_HOST does the same)."),
                      QStringLiteral("host:port"))
{
}

InfoCommand::~InfoCommand() = default;

QString InfoCommand::name() const
{
    return QStringLiteral("info");
}

QString InfoCommand::summary() const
{
    return tr("Shows the title, duration, qualities and subtitles of video pages");
}

QString InfoCommand::synopsis() const
{
    return tr("[options] URL...");
}

QString InfoCommand::description() const
{
    return tr("Asks the extractor tool for the media information of each page: its title, duration, every "
              "quality (name, resolution, format, size when the server tells it, whether it is video only) and "
              "its subtitle languages. The quality marked * is the one a download gets with the current "
              "settings.");
}

void InfoCommand::addOptions(QCommandLineParser &parser) const
{
    parser.addOption(jsonOption);
    parser.addOption(noSizesOption);
    parser.addOption(allowHostOption);
    parser.addPositionalArgument(QStringLiteral("URL"), tr("The address of a video page."), tr("URL..."));
}

bool InfoCommand::prepare(const QCommandLineParser &parser, QString *error)
{
    asJson = parser.isSet(jsonOption);
    waitForSizes = !parser.isSet(noSizesOption);
    if (parser.isSet(allowHostOption) && !allowHost(parser.value(allowHostOption), error))
        return false;
    const QStringList addresses = parser.positionalArguments();
    if (addresses.isEmpty()) {
        *error = tr("info needs the address of at least one video page");
        return false;
    }
    QStringList urls;
    if (!normaliseAddresses(addresses, &urls, error))
        return false;
    for (int i = 0; i < urls.size(); ++i) {
        Page page;
        page.url = urls.at(i);
        page.address = addresses.at(i).trimmed();
        pages.append(page);
    }
    return true;
}

void InfoCommand::start()
{
    connect(manager(), &DownloadManager::mediaInfoReady, this, &InfoCommand::receiveMediaInfo);
    connect(manager(), &DownloadManager::mediaSizeReady, this, &InfoCommand::receiveMediaSize);
    // The tool starts once for all pages, which then take their turns.
    manager()->prepareMediaInfo();
    QSet<QString> asked;
    for (const Page &page : qAsConst(pages)) {
        if (asked.contains(page.url))
            continue;
        asked.insert(page.url);
        manager()->getMediaInfoBySignal(page.url);
    }
}

void InfoCommand::cancel(int signalNumber)
{
    // Nothing is written by an information request; the session ends the
    // tool runs still going.
    finish(ExitSignalBase + signalNumber);
}

void InfoCommand::receiveMediaInfo(const Kel::WebMediaInfo &info)
{
    for (int i = 0; i < pages.size(); ++i) {
        Page &page = pages[i];
        if (page.url != info.url || page.answered)
            continue;
        page.answered = true;
        if (!info.isValid()) {
            page.error = info.errorText.isEmpty() ? FailureReason::forItemError(DownloadItem::MediaInfoFailed, {})
                                                  : FailureReason::fromToolOutput(info.errorText);
            pageDone(i);
            continue;
        }
        if (waitForSizes) {
            for (const Kel::MediaProfile &profile : info.profiles) {
                if (profile.size == 0 && !profile.url.isEmpty())
                    page.pendingSizes.insert(profile.url);
            }
        }
        if (page.pendingSizes.isEmpty())
            pageDone(i);
        else
            QTimer::singleShot(sizeWaitMs, this, [this, i] { pageDone(i); });
    }
}

void InfoCommand::receiveMediaSize(const QString &pageUrl, const QString &profileUrl, qint64 size)
{
    Q_UNUSED(size)
    for (int i = 0; i < pages.size(); ++i) {
        Page &page = pages[i];
        if (page.url != pageUrl || page.done)
            continue;
        page.pendingSizes.remove(profileUrl);
        if (page.pendingSizes.isEmpty())
            pageDone(i);
    }
}

void InfoCommand::pageDone(int index)
{
    Page &page = pages[index];
    if (page.done)
        return;
    page.done = true;
    printDonePages();
}

void InfoCommand::printDonePages()
{
    while (printed < pages.size() && pages.at(printed).done && !hasFinished()) {
        const Page &page = pages.at(printed);
        if (!page.error.isEmpty()) {
            ++failures;
            const QString name = page.address == page.url ? page.url : tr("%1 (%2)").arg(page.address, page.url);
            Console::error(tr("%1: %2").arg(name, page.error));
            if (asJson)
                Console::out(MediaInfoReport::jsonError(page.url, page.error) + QLatin1Char('\n'));
        } else {
            const Kel::WebMediaInfo info = manager()->getMediaInfo(page.url);
            const Kel::MediaProfile chosen = DownloadItem::getDefaultQuality(page.url);
            if (asJson) {
                Console::out(MediaInfoReport::json(info, chosen) + QLatin1Char('\n'));
            } else {
                if (printed > 0)
                    Console::out(QStringLiteral("\n"));
                Console::out(MediaInfoReport::text(info, chosen));
            }
        }
        ++printed;
    }
    if (printed == pages.size())
        finish(failures > 0 ? ExitJobFailed : ExitSuccess);
}

} // namespace Tarn
