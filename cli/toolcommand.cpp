#include "cli/toolcommand.h"

#include "cli/console.h"
#include "tarncore/services/puxupdater.h"

namespace Tarn {

ToolCommand::ToolCommand(QObject *parent)
    : CliCommand(parent)
    , updateOption(QStringLiteral("update"), tr("Installs the newest release of the tool when it is newer."))
    , revertOption(QStringLiteral("revert"), tr("Goes back to the tool that ships with the program."))
{
}

ToolCommand::~ToolCommand() = default;

QString ToolCommand::name() const
{
    return QStringLiteral("tool");
}

QString ToolCommand::summary() const
{
    return tr("Shows, updates or reverts the extractor tool");
}

QString ToolCommand::synopsis() const
{
    return tr("[--update | --revert]");
}

QString ToolCommand::description() const
{
    return tr("Shows the version of the extractor tool in use and where it comes from. --update checks the "
              "tool's releases and installs a newer one once its signature, checksum and version have been "
              "checked; it also ends an earlier --revert. --revert uses the tool that ships with the program "
              "again; an installed update is kept for a later --update.");
}

void ToolCommand::addOptions(QCommandLineParser &parser) const
{
    parser.addOption(updateOption);
    parser.addOption(revertOption);
}

bool ToolCommand::prepare(const QCommandLineParser &parser, QString *error)
{
    updating = parser.isSet(updateOption);
    reverting = parser.isSet(revertOption);
    if (!parser.positionalArguments().isEmpty()) {
        *error = tr("tool takes no arguments");
        return false;
    }
    if (updating && reverting) {
        *error = tr("--update and --revert exclude each other");
        return false;
    }
    if (PuxUpdater::instance()->appDataDir().isEmpty()) {
        *error = tr("there is no application data folder");
        return false;
    }
    return true;
}

void ToolCommand::start()
{
    PuxUpdater *updater = PuxUpdater::instance();
    if (reverting) {
        if (!updater->useShippedTool()) {
            Console::error(tr("the choice of the shipped tool could not be recorded in %1").arg(updater->appDataDir()));
            finish(ExitJobFailed);
            return;
        }
        printTool();
        finish(ExitSuccess);
        return;
    }
    if (updating) {
        startUpdate();
        return;
    }
    printTool();
    finish(ExitSuccess);
}

void ToolCommand::startUpdate()
{
    PuxUpdater *updater = PuxUpdater::instance();
    connect(updater, &PuxUpdater::foundNewPuxVersion, this, [this, updater](const QString &version) {
        Console::out(tr("Installing version %1 of the extractor tool...\n").arg(version));
        connect(updater, &PuxUpdater::done, this, [this, updater](bool error) {
            if (error) {
                Console::error(updater->lastError());
                finish(ExitJobFailed);
                return;
            }
            printTool();
            finish(ExitSuccess);
        });
        updater->update();
    });
    connect(updater, &PuxUpdater::checkFinished, this, [this, updater](bool found) {
        if (found)
            return;
        if (!updater->lastError().isEmpty()) {
            Console::error(updater->lastError());
            finish(ExitJobFailed);
            return;
        }
        Console::out(tr("The extractor tool is up to date.\n"));
        printTool();
        finish(ExitSuccess);
    });
    updater->checkForUpdate(QString(), true);
}

void ToolCommand::cancel(int signalNumber)
{
    PuxUpdater::instance()->disconnect(this);
    PuxUpdater::instance()->cancel();
    finish(ExitSignalBase + signalNumber);
}

void ToolCommand::printTool() const
{
    const PuxUpdater *updater = PuxUpdater::instance();
    const QString version = updater->puxVersion();
    const QString source = updater->puxSourceUrl();
    Console::out(tr("Version: %1\n").arg(version.isEmpty() ? tr("unknown") : version));
    Console::out(tr("Archive: %1\n").arg(updater->puxFilePath()));
    Console::out(tr("Source:  %1\n")
                     .arg(source.isEmpty() ? tr("shipped with the program") : tr("updated from %1").arg(source)));
    if (updater->isShippedToolChosen())
        Console::out(tr("The shipped tool was chosen; 'tool --update' ends that choice.\n"));
}

} // namespace Tarn
